#include "platform/FileUtils.h"

#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace fs = std::filesystem;

bool FileExists(const std::string& path)
{
    std::error_code ec;
    return fs::is_regular_file(path, ec);
}

bool DirectoryExists(const std::string& path)
{
    std::error_code ec;
    return fs::is_directory(path, ec);
}

bool DeleteFile(const std::string& path) { return ::unlink(path.c_str()) == 0; }

bool RenameFile(const std::string& from, const std::string& to) { return ::rename(from.c_str(), to.c_str()) == 0; }

bool ForceDirectories(const std::string& path)
{
    std::error_code ec;
    fs::create_directories(path, ec);
    return DirectoryExists(path);
}

int64_t FileSizeOf(const std::string& path)
{
    std::error_code ec;
    const auto size = fs::file_size(path, ec);
    return ec ? -1 : static_cast<int64_t>(size);
}

std::string ExtractFilePath(const std::string& path)
{
    const auto pos = path.find_last_of('/');
    return pos == std::string::npos ? std::string() : path.substr(0, pos + 1);
}

std::string ExtractFileName(const std::string& path)
{
    const auto pos = path.find_last_of('/');
    return pos == std::string::npos ? path : path.substr(pos + 1);
}

std::string ExtractFileExt(const std::string& path)
{
    const auto pos = path.find_last_of("./");
    return (pos == std::string::npos || path[pos] != '.') ? std::string() : path.substr(pos);
}

std::string ChangeFileExt(const std::string& path, const std::string& ext)
{
    const auto pos = path.find_last_of("./");
    if (pos == std::string::npos || path[pos] != '.')
        return path + ext;
    return path.substr(0, pos) + ext;
}

std::string IncludeTrailingPathDelimiter(const std::string& path)
{
    return (!path.empty() && path.back() == '/') ? path : path + '/';
}

std::string ExpandFileName(const std::string& path)
{
    std::error_code ec;
    const auto abs = fs::absolute(path, ec);
    return ec ? path : abs.lexically_normal().string();
}

std::string GetTempDirectory()
{
    const char* tmp = std::getenv("TMPDIR");
    return IncludeTrailingPathDelimiter(tmp && *tmp ? tmp : "/tmp");
}

void SyncDirectoryOf(const std::string& fileName)
{
    const std::string path = ExtractFilePath(ExpandFileName(fileName));
    const int fd = ::open(path.empty() ? "." : path.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
}

bool TFileLock::Acquire(const std::string& path, bool writable)
{
    Release();
    const int fd = ::open(path.c_str(), (writable ? O_RDWR : O_RDONLY | O_NONBLOCK) | O_CLOEXEC);
    if (fd < 0)
        return false;
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        ::close(fd);
        return false;
    }
    fd_ = fd;
    path_ = path;
    return true;
}

bool TFileLock::Holds(const std::string& path) const
{
    struct stat held, named;
    return fd_ >= 0 && ::fstat(fd_, &held) == 0 && ::stat(path.c_str(), &named) == 0 && held.st_dev == named.st_dev &&
           held.st_ino == named.st_ino;
}

void TFileLock::Release()
{
    if (fd_ >= 0) {
        ::flock(fd_, LOCK_UN);
        ::close(fd_);
    }
    fd_ = -1;
    path_.clear();
}
