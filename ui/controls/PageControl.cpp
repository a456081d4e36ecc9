#include "ui/controls/PageControl.h"

#include "ui/controls/FlagScope.h"

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
    if (shownIndex_ >= 0 && shownIndex_ < count() && index != shownIndex_ && onChanging_) {
        // The page shown stays in front while the change is decided: a question asked then
        // must not find the new page's controls taking the keyboard back from its box. A change
        // asked for meanwhile is refused.
        ShowIndexQuietly(shownIndex_);
        if (deciding_ || !Decide())
            return;
        ShowIndexQuietly(index);
    }
    shownIndex_ = index;
    if (onChange_)
        onChange_();
}

bool TPageControl::Decide()
{
    const TFlagScope deciding(deciding_);
    return onChanging_();
}

void TPageControl::ShowIndexQuietly(int index)
{
    const TFlagScope reverting(reverting_);
    setCurrentIndex(index);
}
