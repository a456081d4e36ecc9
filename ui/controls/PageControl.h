#pragma once
// A tab widget that asks before its page changes. Qt's tab widget has no such veto: the change
// is asked for as it arrives and undone at once when it is refused.
#include <QTabWidget>

#include <functional>

class TPageControl : public QTabWidget {
    Q_OBJECT
public:
    explicit TPageControl(QWidget* parent = nullptr);

    // Runs before the page changes; false refuses the change.
    std::function<bool()> OnChanging;
    // Runs after the page has changed.
    std::function<void()> OnChange;

    QWidget* ActivePage() const { return currentWidget(); }
    void SetActivePage(QWidget* page);

private:
    void PageChanged(int index);

    int shownIndex_ = -1;
    bool reverting_ = false;
};
