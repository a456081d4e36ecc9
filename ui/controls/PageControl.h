#pragma once
// A tab widget that asks before its page changes. Qt's tab widget has no such veto: the change
// arrives with the new page in front; the old one is put back while the change is decided.
#include <QTabWidget>

#include <functional>
#include <utility>

class TPageControl : public QTabWidget {
    Q_OBJECT
public:
    explicit TPageControl(QWidget* parent = nullptr);

    // Runs before the page changes; false refuses the change.
    void SetOnChanging(std::function<bool()> Handler) { onChanging_ = std::move(Handler); }
    // Runs after the page has changed.
    void SetOnChange(std::function<void()> Handler) { onChange_ = std::move(Handler); }

    QWidget* ActivePage() const { return currentWidget(); }
    void SetActivePage(QWidget* page);

private:
    void PageChanged(int index);
    // Runs the change handler, refusing any change asked for meanwhile.
    bool Decide();
    // Brings a page to the front without asking.
    void ShowIndexQuietly(int index);

    std::function<bool()> onChanging_;
    std::function<void()> onChange_;

    int shownIndex_ = -1;
    bool reverting_ = false;
    bool deciding_ = false;  // the handler is deciding a change
};
