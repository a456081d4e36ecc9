#include "ui/mainwindow/StartupChoice.h"

#include "platform/FileUtils.h"
#include "platform/StrUtils.h"

#include <unistd.h>

TStartupChoice ChooseStartupFile(const std::vector<std::string>& args, const std::string& currentDir,
                                 const std::string& lastDBFile)
{
    TStartupChoice choice;
    if (!args.empty()) {
        const std::string name = Trim(args.front());
        if (name.empty() || name.front() == '-')
            return choice;
        // A relative name is taken from the current directory; the full path is kept so that
        // the remembered last file works from any directory.
        const std::string path = name.front() == '/' ? name : IncludeTrailingPathDelimiter(currentDir) + name;
        choice.Kind = TStartupChoice::OpenFile;
        choice.FileName = ExpandFileName(path);
        return choice;
    }
    if (!lastDBFile.empty()) {
        choice.Kind = TStartupChoice::OpenLastFile;
        choice.FileName = lastDBFile;
        return choice;
    }
    choice.Kind = TStartupChoice::CreateDemo;
    return choice;
}

TDemoLocations FindDemoLocations(const std::string& programDir, const std::vector<std::string>& dataDirs,
                                 const std::string& userDataDir)
{
    TDemoLocations result;
    const std::string besideProgram = IncludeTrailingPathDelimiter(programDir) + DemoDataFileName;
    result.DataPath = besideProgram;
    if (!FileExists(besideProgram)) {
        for (const std::string& dir : dataDirs) {
            const std::string candidate = IncludeTrailingPathDelimiter(dir) + DemoDataFileName;
            if (FileExists(candidate)) {
                result.DataPath = candidate;
                break;
            }
        }
    }
    const bool programDirWritable = ::access(programDir.c_str(), W_OK) == 0;
    const std::string targetDir = programDirWritable || userDataDir.empty() ? programDir : userDataDir;
    result.TargetPath = IncludeTrailingPathDelimiter(targetDir) + DemoOutlineFileName;
    return result;
}
