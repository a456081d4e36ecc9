#include "ui/desktop/AutoSave.h"

int32_t ValidAutoSaveMode(int64_t Mode)
{
    return Mode >= asNever && Mode <= asEveryFiveMinutes ? static_cast<int32_t>(Mode) : asNever;
}

bool AutoSaveTimerRuns(int32_t Mode)
{
    return Mode == asEveryFiveMinutes;
}

bool SaveOnDeactivate(int32_t Mode, bool Modified, bool Untitled)
{
    return Mode == asOnDeactivate && Modified && !Untitled;
}
