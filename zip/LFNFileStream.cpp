#include "zip/LFNFileStream.h"

#include <exception>

bool ZipStreamActive = false;
bool ZipStreamReading = false;
TStream* ZipStreamObject = nullptr;

TLFNFileStream::TLFNFileStream(const std::string& fileName, TFileMode mode)
    : fileName_(fileName), mode_(mode), uncaught_(std::uncaught_exceptions())
{
    if (ZipStreamActive) {
        streamMode_ = true;
        if (fileName_ != ZipStreamName || !ZipStreamObject)
            return;
        if (ZipStreamReading) {
            ZipStreamObject->SetPosition(0);
            CopyFrom(*ZipStreamObject, ZipStreamObject->GetSize());
        } else {
            target_ = ZipStreamObject;
        }
        return;
    }
    if (mode_ == TFileMode::fmCreate) {
        TFileStream created(fileName_, TFileMode::fmCreate);
        return;
    }
    // A write-only open could not load the content, so writers open read-write here.
    TFileStream file(fileName_, ForWriting() ? TFileMode::fmOpenReadWrite : TFileMode::fmOpenRead);
    CopyFrom(file, 0);
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
    if (!ForWriting())
        return;
    TFileStream file(fileName_, mode_ == TFileMode::fmCreate ? TFileMode::fmCreate : TFileMode::fmOpenWrite);
    file.WriteBuffer(Memory(), GetSize());
    // Content that shrank must not leave the old file's tail behind.
    file.SetSize(GetSize());
}
