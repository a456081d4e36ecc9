#include "zip/LFNFileStream.h"

#include <exception>

#include "zip/ZipExceptions.h"

bool ZipStreamActive = false;
bool ZipStreamReading = false;
TStream* ZipStreamObject = nullptr;

std::string ArchiveTooLargeText(const std::string& archiveName)
{
    return "Archive too large for the zip format: " + archiveName;
}

TLFNFileStream::TLFNFileStream(const std::string& fileName, TFileMode mode, int64_t sizeLimit,
                               const std::string& archiveName)
    : fileName_(fileName), mode_(mode), sizeLimit_(sizeLimit), archiveName_(archiveName.empty() ? fileName : archiveName),
      uncaught_(std::uncaught_exceptions())
{
    // Only what the format can hold is taken into memory.
    const auto refuseLarger = [this](TStream& source) {
        if (source.GetSize() > sizeLimit_)
            throw EFatalUnzipError(ArchiveTooLargeText(archiveName_));
    };
    if (ZipStreamActive) {
        streamMode_ = true;
        if (fileName_ != ZipStreamName || !ZipStreamObject)
            return;
        if (ZipStreamReading) {
            refuseLarger(*ZipStreamObject);
            ZipStreamObject->SetPosition(0);
            CopyFrom(*ZipStreamObject, ZipStreamObject->GetSize());
        } else {
            target_ = ZipStreamObject;
        }
        return;
    }
    if (fileName_.empty())
        return;  // in memory only: the caller stores the content
    if (mode_ == TFileMode::fmCreate) {
        TFileStream created(fileName_, TFileMode::fmCreate);
        return;
    }
    // A write-only open could not load the content, so writers open read-write here.
    TFileStream file(fileName_, ForWriting() ? TFileMode::fmOpenReadWrite : TFileMode::fmOpenRead);
    refuseLarger(file);
    CopyFrom(file, 0);
}

int64_t TLFNFileStream::Write(const void* buffer, int64_t count)
{
    if (count > 0 && GetPosition() + count > sizeLimit_)
        throw EZipError(ArchiveTooLargeText(archiveName_));
    return TMemoryStream::Write(buffer, count);
}

TLFNFileStream::~TLFNFileStream()
{
    if (closed_ || std::uncaught_exceptions() > uncaught_)
        return;
    try {
        Close();
    } catch (...) {
    }
}

void TLFNFileStream::Close()
{
    if (closed_)
        return;
    closed_ = true;
    if (streamMode_) {
        if (!target_)
            return;
        SetPosition(0);
        target_->SetPosition(0);
        target_->SetSize(0);
        target_->CopyFrom(*this, GetSize());
        return;
    }
    if (!ForWriting() || fileName_.empty())
        return;
    TFileStream file(fileName_, mode_ == TFileMode::fmCreate ? TFileMode::fmCreate : TFileMode::fmOpenWrite);
    file.WriteBuffer(Memory(), GetSize());
    // Content that shrank must not leave the old file's tail behind.
    file.SetSize(GetSize());
}
