#pragma once
#include <string>
#include <vector>

class IWindowServices;

// Where the window finds what lies outside it; tests give temporary folders and scripted boxes.
struct TMainWindowEnvironment {
    std::vector<std::string> Args;        // command-line arguments without the program name
    std::string CurrentDir;               // empty: the process's current directory
    std::string ProgramDir;               // folder of the program (demo data, demo outline)
    std::vector<std::string> DataDirs;    // installed data folders searched for the demo data
    std::string UserDataDir;              // demo outline when the program folder is read-only
    IWindowServices* Services = nullptr;  // nullptr: the window's own Qt boxes and dialogs
    bool PostStartupMessage = true;       // open the start-up outline from the event loop
    std::string SettingsFile;             // empty: the user's own settings
};
