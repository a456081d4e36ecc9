#pragma once
// The main window's caption and the tray icon's hint for the current outline.
#include <string>

inline constexpr const char* ApplicationTitle = "Tovrin Planner";

struct TWindowCaption {
    std::string Caption;   // with " *" while modified
    std::string TrayHint;  // never with the modified mark
};

TWindowCaption MakeWindowCaption(const std::string& fileName, bool modified);
