#pragma once
// The archive stream: a memory stream that stands for a whole file, or, in stream mode, for
// a caller's stream behind the name "ZIPSTREAM".
#include <cstdint>
#include <string>

#include "platform/Stream.h"

// Stream mode (not owned, one operation at a time): while ZipStreamActive is on, the name
// "ZIPSTREAM" stands for ZipStreamObject; ZipStreamReading tells the direction (True: an
// archive is read from it, False: the written archive is stored into it).
extern bool ZipStreamActive;
extern bool ZipStreamReading;
extern TStream* ZipStreamObject;

constexpr const char* ZipStreamName = "ZIPSTREAM";

// The largest archive the format addresses with its 32-bit offsets (there is no ZIP64 here).
constexpr int64_t MaxArchiveSize = 0xFFFFFFFFll;
// "Archive too large for the zip format: " + the archive's name.
std::string ArchiveTooLargeText(const std::string& archiveName);

class TLFNFileStream : public TMemoryStream {
public:
    // Loads the whole file (or, in stream mode reading "ZIPSTREAM", the caller's stream) and
    // stands at its end. fmCreate creates the file empty at once. No file is touched in
    // stream mode, nor with an empty fileName (the caller stores the content). Content past
    // sizeLimit is refused: a file larger is not read at all (EFatalUnzipError), and a write
    // that would pass it raises EZipError, naming archiveName (the file's own name when
    // empty), before any byte of it is kept.
    TLFNFileStream(const std::string& fileName, TFileMode mode, int64_t sizeLimit = MaxArchiveSize,
                   const std::string& archiveName = {});
    // Stores the content back as Close does, unless Close already ran or an exception is
    // unwinding (a half-written archive is not stored); failures here are swallowed, so
    // writers call Close to learn of them.
    ~TLFNFileStream() override;
    TLFNFileStream(const TLFNFileStream&) = delete;
    TLFNFileStream& operator=(const TLFNFileStream&) = delete;

    const std::string& FileName() const { return fileName_; }
    TFileMode Mode() const { return mode_; }

    // A stream opened for writing writes its whole content to the file (replacing all of
    // it), or in stream mode into ZipStreamObject; one opened for reading stores nothing.
    // Raises on failure. Afterwards the destructor stores nothing.
    void Close();

    int64_t Write(const void* buffer, int64_t count) override;

private:
    std::string fileName_;
    TFileMode mode_;
    int64_t sizeLimit_;
    std::string archiveName_;
    TStream* target_ = nullptr;   // the caller's stream to store into, in stream mode
    bool streamMode_ = false;
    bool closed_ = false;
    int uncaught_ = 0;

    bool ForWriting() const { return mode_ != TFileMode::fmOpenRead; }
};
