#pragma once
// A framed group of radio buttons with one item index, as the class library's radio group:
// -1 when none is checked; OnClick runs when the user picks an item.
#include <QGroupBox>

#include <functional>
#include <utility>

class QButtonGroup;

class TRadioGroup : public QGroupBox {
    Q_OBJECT
public:
    TRadioGroup(const QString& Caption, const QStringList& Items, QWidget* parent = nullptr);

    int ItemIndex() const;
    // Sets the checked item without running OnClick; -1 clears the check.
    void SetItemIndex(int Index);
    int Count() const;

    void SetOnClick(std::function<void()> Handler) { onClick_ = std::move(Handler); }

private:
    std::function<void()> onClick_;
    QButtonGroup* group_;
};
