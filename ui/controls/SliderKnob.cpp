#include "ui/controls/SliderKnob.h"

#include <QSlider>
#include <QStyle>
#include <QStyleOptionSlider>

QRect SliderKnobRect(const QSlider* bar)
{
    QStyleOptionSlider option;
    option.initFrom(bar);
    option.subControls = QStyle::SC_None;
    option.activeSubControls = QStyle::SC_None;
    option.orientation = bar->orientation();
    option.minimum = bar->minimum();
    option.maximum = bar->maximum();
    option.tickPosition = bar->tickPosition();
    option.tickInterval = bar->tickInterval();
    // As the slider itself decides it: a vertical bar has its minimum at the bottom unless inverted.
    option.upsideDown = bar->orientation() == Qt::Horizontal
                            ? bar->invertedAppearance() != (option.direction == Qt::RightToLeft)
                            : !bar->invertedAppearance();
    option.direction = Qt::LeftToRight;
    option.sliderPosition = bar->sliderPosition();
    option.sliderValue = bar->value();
    option.singleStep = bar->singleStep();
    option.pageStep = bar->pageStep();
    if (bar->orientation() == Qt::Horizontal)
        option.state |= QStyle::State_Horizontal;
    return bar->style()->subControlRect(QStyle::CC_Slider, &option, QStyle::SC_SliderHandle, bar);
}
