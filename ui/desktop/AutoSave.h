#pragma once
// When the outline saves itself: never, when the program loses the focus, or every 5 minutes.
#include <cstdint>

enum TAutoSaveMode : int32_t { asNever = 0, asOnDeactivate = 1, asEveryFiveMinutes = 2 };

inline constexpr int32_t AutoSaveInterval = 300000;  // ms

// A stored mode outside the three known ones counts as "never".
int32_t ValidAutoSaveMode(int64_t Mode);

// The timer runs only in the 5-minute mode; it saves whether or not there are changes.
bool AutoSaveTimerRuns(int32_t Mode);

// Losing the focus saves only a modified outline that already has a file: no Save dialog pops
// up while the user works in another program.
bool SaveOnDeactivate(int32_t Mode, bool Modified, bool Untitled);
