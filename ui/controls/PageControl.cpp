#include "ui/controls/PageControl.h"

TPageControl::TPageControl(QWidget* parent) : QTabWidget(parent)
{
    connect(this, &QTabWidget::currentChanged, this, &TPageControl::PageChanged);
}

void TPageControl::SetActivePage(QWidget* page)
{
    const int index = indexOf(page);
    if (index >= 0)
        setCurrentIndex(index);
}

void TPageControl::PageChanged(int index)
{
    if (reverting_)
        return;
    if (shownIndex_ >= 0 && shownIndex_ < count() && onChanging_ && !onChanging_()) {
        reverting_ = true;
        setCurrentIndex(shownIndex_);
        reverting_ = false;
        return;
    }
    shownIndex_ = index;
    if (onChange_)
        onChange_();
}
