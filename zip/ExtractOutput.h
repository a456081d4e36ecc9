#pragma once
// Output helpers of the extraction: undoing what a failed entry wrote, safe output names and
// files that appear under their name only once their bytes are known to be good.
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/Stream.h"

class TZipHeaderInfo;

// Remembers a stream's state so that bytes written from here on can be taken back: the
// stream is cut at the remembered position and any tail it had there is put back.
class TStreamCheckpoint {
public:
    explicit TStreamCheckpoint(TStream& stream);
    void Restore();

private:
    TStream& stream_;
    int64_t position_;
    std::vector<uint8_t> tail_;
};

// The relative path an entry is written to: its FileName, after its Directory (less a
// leading rootDir) when recreateDirs is on. False for a name that would leave the
// destination: an absolute path, a drive, or a "." or ".." component.
bool SafeOutputName(const TZipHeaderInfo& entry, bool recreateDirs, const std::string& rootDir, std::string& relative);

// 0 when path is a directory afterwards (made with its missing parents), else the system's
// error number.
int CreateDirectories(const std::string& path);
// "Cannot create <what> <name>: <the system's reason>".
std::string CannotCreateText(const std::string& what, const std::string& name, int error);

// A file being extracted: written under a short temporary name in its target's folder, and
// moved to the target only on Commit; dropped without a trace otherwise.
class TExtractFile {
public:
    explicit TExtractFile(const std::string& fileName);
    ~TExtractFile();
    TExtractFile(const TExtractFile&) = delete;
    TExtractFile& operator=(const TExtractFile&) = delete;

    TFileStream& Stream() { return *stream_; }
    // Closes the file, gives it the entry's attributes (when asked) and date, and moves it
    // to its name.
    void Commit(const TZipHeaderInfo& entry, bool retainAttributes);

private:
    std::string fileName_;
    std::string tempName_;
    std::unique_ptr<TFileStream> stream_;
    bool committed_ = false;
};

// Seconds since 1970 for a DOS date-time read as local time; -1 when it does not convert.
int64_t DosDateTimeToUnixLocal(uint32_t dosDateTime);
