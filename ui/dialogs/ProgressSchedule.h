#pragma once
// When a progress window shows and when it updates its display, decided from the clock alone so
// that a long loop pays only a clock read for the steps in between.
#include <cstdint>

#include "platform/DateTime.h"

constexpr TDateTime MsToDays(int32_t Ms) { return Ms / 86400000.0; }

class TProgressSchedule {
public:
    // Durations in milliseconds; 0 stands for no delay and no interval.
    TProgressSchedule(TDateTime Created, int32_t ShowDelayMs, int32_t UpdateIntervalMs)
        : CreationTime(Created), LastUpdateTime(Created), ShowDelay(MsToDays(ShowDelayMs)),
          UpdateInterval(MsToDays(UpdateIntervalMs))
    {
    }

    // A hidden window puts up the hourglass once this long has passed since creation.
    bool WantsHourGlass(TDateTime T) const { return T - CreationTime > CursorDelay; }
    // A window created with a show delay stays hidden until the delay has passed.
    bool KeepHidden(TDateTime T) const { return ShowDelay != 0 && T - CreationTime < ShowDelay; }
    // Steps within the update interval of the last update change nothing.
    bool WithinInterval(TDateTime T) const { return UpdateInterval != 0 && T - LastUpdateTime < UpdateInterval; }
    void Updated(TDateTime T) { LastUpdateTime = T; }

    TDateTime CreationTime;
    TDateTime LastUpdateTime;
    TDateTime ShowDelay;
    TDateTime UpdateInterval;
    TDateTime CursorDelay = MsToDays(150);
};
