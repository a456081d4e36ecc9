#pragma once
// File and path helpers of the class library. Paths use '/'.
#include <cstdint>
#include <string>

bool FileExists(const std::string& path);
bool DirectoryExists(const std::string& path);
bool DeleteFile(const std::string& path);
bool RenameFile(const std::string& from, const std::string& to);   // replaces an existing target
bool ForceDirectories(const std::string& path);
int64_t FileSizeOf(const std::string& path);                          // -1 when missing

std::string ExtractFilePath(const std::string& path);    // up to and including the last '/'
std::string ExtractFileName(const std::string& path);
std::string ExtractFileExt(const std::string& path);     // with the dot, or empty
std::string ChangeFileExt(const std::string& path, const std::string& ext);
std::string IncludeTrailingPathDelimiter(const std::string& path);
std::string ExpandFileName(const std::string& path);     // absolute, from the current directory
std::string GetTempDirectory();
// Forces the folder of fileName to disk, so that a rename or a new name in it lasts.
void SyncDirectoryOf(const std::string& fileName);

// Holds an exclusive advisory lock (flock) on a file so that a second copy of the program
// cannot open the same outline. Released by Release or the destructor.
class TFileLock {
public:
    TFileLock() = default;
    ~TFileLock() { Release(); }
    TFileLock(const TFileLock&) = delete;
    TFileLock& operator=(const TFileLock&) = delete;

    // False when the file cannot be opened or another holder has it locked. A file that need
    // not be writable is opened for reading only.
    bool Acquire(const std::string& path, bool writable = true);
    // Whether the lock is on the file that path names now.
    bool Holds(const std::string& path) const;
    void Release();
    bool Held() const { return fd_ >= 0; }
    const std::string& Path() const { return path_; }

private:
    int fd_ = -1;
    std::string path_;
};
