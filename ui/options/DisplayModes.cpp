#include "ui/options/DisplayModes.h"

namespace {

constexpr TDisplaySwitches Row(bool toDo, bool props, bool importance, bool goals, bool time, bool places,
                               bool effort, bool project, bool views)
{
    TDisplaySwitches s;
    s.ShowToDoSheet = toDo;
    s.ShowTaskProperties = props;
    s.ShowImportance = importance;
    s.ShowGoals = goals;
    s.ShowTime = time;
    s.ShowPlaces = places;
    s.ShowEffort = effort;
    s.ShowProject = project;
    s.ShowTaskTreeViews = views;
    return s;
}

const std::array<TQuickSetupPreset, 4> Presets = {{
    {"Simple checklist tree", Row(false, false, false, false, false, false, false, false, false)},
    {"Simple ToDo list", Row(true, true, true, false, false, false, false, false, false)},
    {"Advanced ToDo list", Row(true, true, true, true, true, true, false, false, true)},
    {"Full mode", Row(true, true, true, true, true, true, true, true, true)},
}};

} // namespace

const std::array<TQuickSetupPreset, 4>& QuickSetupPresets()
{
    return Presets;
}

int DetectQuickSetup(const TDisplaySwitches& Switches)
{
    if (!Switches.ShowToDoSheet && !Switches.ShowTaskProperties && !Switches.ShowTaskTreeViews)
        return 0;
    for (size_t i = 1; i < Presets.size(); ++i) {
        if (Switches == Presets[i].Switches)
            return static_cast<int>(i);
    }
    return -1;
}

int FindQuickSetup(const std::string& Name)
{
    for (size_t i = 0; i < Presets.size(); ++i) {
        if (Name == Presets[i].Name)
            return static_cast<int>(i);
    }
    return -1;
}
