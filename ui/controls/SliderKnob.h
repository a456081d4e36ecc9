#pragma once

#include <QRect>

class QSlider;

// Where the style draws a track bar's knob, in the bar's coordinates: what a person aims at
// when they drag it. Filled from the bar's public state, so that no one needs QSlider's
// protected option builder.
QRect SliderKnobRect(const QSlider* bar);
