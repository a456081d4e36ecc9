#pragma once
// Which outline the program opens when it starts, and where the demo outline lives.
#include <string>
#include <vector>

struct TStartupChoice {
    enum TKind {
        KeepUntitled,  // the new untitled outline stays
        OpenFile,      // the file named on the command line; failures are shown
        OpenLastFile,  // the file used last; a failure silently starts a new outline
        CreateDemo     // build the demo outline when it is not there yet
    };
    TKind Kind = KeepUntitled;
    std::string FileName;
};

// args are the command-line arguments without the program name. The first one, trimmed, names
// the file; an empty one or one that begins with "-" (an option) keeps the untitled outline.
// A name without a directory is taken from currentDir. lastDBFile is the remembered file, already
// dropped by the settings when it no longer exists.
TStartupChoice ChooseStartupFile(const std::vector<std::string>& args, const std::string& currentDir,
                                 const std::string& lastDBFile);

struct TDemoLocations {
    std::string DataPath;    // the demo's XML exchange document
    std::string TargetPath;  // where the demo outline is saved
};

inline constexpr const char* DemoDataFileName = "DemoData.dat";
inline constexpr const char* DemoOutlineFileName = "tovrinPlannerDemo.tvd";

// The demo data is read beside the program, else from the first installed data folder that has
// it (else the path beside the program, so that the "not found" message names it). The outline is
// written beside the program when that folder is writable, else to the user's data folder.
TDemoLocations FindDemoLocations(const std::string& programDir, const std::vector<std::string>& dataDirs,
                                 const std::string& userDataDir);
