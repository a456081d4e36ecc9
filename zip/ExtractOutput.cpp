#include "zip/ExtractOutput.h"

#include <fcntl.h>
#include <sys/stat.h>

#include <cerrno>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <random>

#include "platform/Exceptions.h"
#include "platform/FileUtils.h"
#include "platform/StrUtils.h"
#include "zip/ZipFileUtils.h"
#include "zip/ZipHeaderInfo.h"

TStreamCheckpoint::TStreamCheckpoint(TStream& stream) : stream_(stream), position_(stream.GetPosition())
{
    const int64_t size = stream.GetSize();
    if (position_ < size) {
        tail_.resize(static_cast<size_t>(size - position_));
        stream.ReadBuffer(tail_.data(), static_cast<int64_t>(tail_.size()));
        stream.SetPosition(position_);
    }
}

void TStreamCheckpoint::Restore()
{
    stream_.SetSize(position_);
    stream_.SetPosition(position_);
    if (!tail_.empty()) {
        stream_.WriteBuffer(tail_.data(), static_cast<int64_t>(tail_.size()));
        stream_.SetPosition(position_);
    }
}

bool SafeOutputName(const TZipHeaderInfo& entry, bool recreateDirs, const std::string& rootDir, std::string& relative)
{
    std::string directory;
    if (recreateDirs) {
        directory = entry.Directory();
        SlashSeparators(directory);
        if (!rootDir.empty() && directory.compare(0, rootDir.size(), rootDir) == 0)
            directory.erase(0, rootDir.size());
    }
    std::string name = entry.FileName();
    SlashSeparators(name);
    relative = directory + name;
    if (relative.empty())
        return true;
    if (relative[0] == '/' || (relative.size() >= 2 && relative[1] == ':'))
        return false;
    size_t start = 0;
    while (start <= relative.size()) {
        size_t end = relative.find('/', start);
        if (end == std::string::npos)
            end = relative.size();
        const std::string part = relative.substr(start, end - start);
        if (part == ".." || part == "." || part.find(':') != std::string::npos)
            return false;
        start = end + 1;
    }
    while (!relative.empty() && relative.back() == '/')
        relative.pop_back();
    return true;
}

int64_t DosDateTimeToUnixLocal(uint32_t dos)
{
    const int time = int(dos & 0xFFFF), date = int(dos >> 16);
    std::tm tm{};
    tm.tm_year = 80 + (date >> 9);
    tm.tm_mon = ((date >> 5) & 15) - 1;
    tm.tm_mday = date & 31;
    tm.tm_hour = time >> 11;
    tm.tm_min = (time >> 5) & 63;
    tm.tm_sec = (time & 31) * 2;
    tm.tm_isdst = -1;
    if (tm.tm_mon < 0 || tm.tm_mon > 11 || tm.tm_mday < 1 || tm.tm_hour > 23 || tm.tm_min > 59 || tm.tm_sec > 59)
        return -1;
    const std::time_t t = std::mktime(&tm);
    return t == static_cast<std::time_t>(-1) ? -1 : static_cast<int64_t>(t);
}

int CreateDirectories(const std::string& path)
{
    std::error_code ec;
    std::filesystem::create_directories(path, ec);
    if (ec)
        return ec.value();
    return DirectoryExists(path) ? 0 : ENOTDIR;
}

std::string CannotCreateText(const std::string& what, const std::string& name, int error)
{
    return "Cannot create " + what + " " + name + ": " + std::strerror(error);
}

TExtractFile::TExtractFile(const std::string& fileName) : fileName_(fileName)
{
    const std::string dir = ExtractFilePath(fileName);
    if (!dir.empty()) {
        const int error = CreateDirectories(dir);
        if (error != 0)
            throw EFCreateError(CannotCreateText("directory", dir, error));
    }
    // A short name of its own in the same folder: a name that grew from the target's would
    // pass the file system's limit for targets near it.
    // Always a file made new, so that nothing planted under the name is written through.
    std::random_device random;
    do {
        tempName_ = Format("%s.unzip-%08x", dir.c_str(), static_cast<unsigned>(random()));
        try {
            stream_ = TFileStream::CreateNew(tempName_);
        } catch (const EFCreateError& e) {
            // The temporary name means nothing to the user; the target does.
            throw EFCreateError(CannotCreateText("file", fileName_, e.SystemError()));
        }
    } while (!stream_);
}

TExtractFile::~TExtractFile()
{
    if (!committed_) {
        stream_.reset();
        DeleteFile(tempName_);
    }
}

void TExtractFile::Commit(const TZipHeaderInfo& entry, bool retainAttributes)
{
    stream_.reset();
    if (retainAttributes) {
        mode_t mode = 0;
        const uint8_t host = static_cast<uint8_t>(entry.VersionMadeBy >> 8);
        const uint32_t unixMode = entry.ExternalFileAttributes >> 16;
        // A link (or any entry of another file type) is written as an ordinary file holding
        // its text; the link's own 0777 would make that file writable by everyone.
        const uint32_t type = unixMode & S_IFMT;
        if (host == 3 && unixMode != 0 && (type == 0 || type == S_IFREG)) {
            // Unix permission bits; set-id bits are not taken from an archive.
            mode = static_cast<mode_t>(unixMode & 0777);
        } else {
            const mode_t mask = ::umask(0);
            ::umask(mask);
            mode = 0666 & ~mask;
            if (entry.ExternalFileAttributes & 0x01)   // read-only
                mode &= ~mode_t(0222);
        }
        ::chmod(tempName_.c_str(), mode | S_IRUSR);
    }
    const int64_t seconds = DosDateTimeToUnixLocal(entry.LastModFileTimeDate);
    if (seconds >= 0) {
        timespec times[2];
        times[0].tv_sec = times[1].tv_sec = static_cast<time_t>(seconds);
        times[0].tv_nsec = times[1].tv_nsec = 0;
        ::utimensat(AT_FDCWD, tempName_.c_str(), times, 0);
    }
    if (!RenameFile(tempName_, fileName_))
        throw EFCreateError(CannotCreateText("file", fileName_, errno));
    committed_ = true;
}
