#pragma once
// The outline's nine display switches and the quick-setup presets that set them together.
#include <array>
#include <string>

struct TDisplaySwitches {
    bool ShowToDoSheet = true;
    bool ShowTaskProperties = true;
    bool ShowImportance = true;
    bool ShowGoals = true;
    bool ShowTime = true;
    bool ShowPlaces = true;
    bool ShowEffort = true;
    bool ShowProject = true;
    bool ShowTaskTreeViews = true;

    bool operator==(const TDisplaySwitches&) const = default;
};

struct TQuickSetupPreset {
    const char* Name;
    TDisplaySwitches Switches;
};

inline constexpr const char* CustomQuickSetup = "<Custom>";

// The four presets in list order.
const std::array<TQuickSetupPreset, 4>& QuickSetupPresets();

// Index of the first preset the switches match, -1 for none. A checklist has neither the To-Do
// page, nor the property panel, nor the advanced views; its property parts do not matter.
int DetectQuickSetup(const TDisplaySwitches& Switches);

// Index of the preset of that name, -1 for none ("<Custom>" included).
int FindQuickSetup(const std::string& Name);
