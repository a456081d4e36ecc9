#pragma once
// Files for the tests: a temporary folder per test and whole-file reads and writes.
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include <unistd.h>

#include "platform/FileUtils.h"

class TTempFolder {
public:
    TTempFolder()
    {
        static int counter = 0;
        path_ = std::filesystem::temp_directory_path() /
                ("tovrin_ui_" + std::to_string(::getpid()) + "_" + std::to_string(counter++));
        std::filesystem::create_directories(path_);
    }
    ~TTempFolder()
    {
        std::error_code ec;
        std::filesystem::remove_all(path_, ec);
    }
    std::string File(const std::string& name) const { return (path_ / name).string(); }
    std::string Path() const { return path_.string(); }

private:
    std::filesystem::path path_;
};

inline std::string ReadAll(const std::string& name)
{
    std::ifstream in(name, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

inline void WriteAll(const std::string& name, const std::string& bytes)
{
    std::ofstream(name, std::ios::binary) << bytes;
}

// Whether some lock holds the file (a probe lock of our own fails).
inline bool SomeoneHolds(const std::string& name)
{
    TFileLock probe;
    return !probe.Acquire(name);
}

// Temporary files anywhere under the folder, links included.
inline int TemporaryFilesIn(const std::string& folder)
{
    int n = 0;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(folder))
        n += entry.path().filename().string().find("$TovrinTmp$") != std::string::npos;
    return n;
}
