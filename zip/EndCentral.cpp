#include "zip/EndCentral.h"

#include <algorithm>
#include <vector>

#include "platform/Stream.h"
#include "zip/LittleEndian.h"

void TEndCentral::Clear()
{
    Signature = EndCentralSignature;
    NumberOfThisDisk = 0;
    DiskWithCentralDirectory = 0;
    EntriesOnThisDisk = 0;
    TotalEntries = 0;
    CentralDirectorySize = 0;
    CentralDirectoryOffset = 0;
    ZipCommentLength = 0;
    ZipCommentPosition = 0;
    CommentsChanged = false;
    comment_.reset();
}

void TEndCentral::Assign(const TEndCentral& source)
{
    if (&source == this)
        return;
    Signature = source.Signature;
    NumberOfThisDisk = source.NumberOfThisDisk;
    DiskWithCentralDirectory = source.DiskWithCentralDirectory;
    EntriesOnThisDisk = source.EntriesOnThisDisk;
    TotalEntries = source.TotalEntries;
    CentralDirectorySize = source.CentralDirectorySize;
    CentralDirectoryOffset = source.CentralDirectoryOffset;
    if (source.ZipCommentLength > 0 && source.comment_)
        comment_ = std::make_unique<std::string>(*source.comment_);
    else
        comment_.reset();
    ZipCommentLength = source.ZipCommentLength;
    ZipCommentPosition = source.ZipCommentPosition;
}

const std::string& TEndCentral::ZipComment() const
{
    static const std::string empty;
    return comment_ ? *comment_ : empty;
}

void TEndCentral::SetComment(const std::string* text)
{
    if (text) {
        comment_ = std::make_unique<std::string>(*text);
        ZipCommentLength = static_cast<uint16_t>(std::min<size_t>(text->size(), 0xFFFF));
    } else {
        comment_.reset();
        ZipCommentLength = 0;
    }
}

void TEndCentral::WriteEndCentral(TStream& stream)
{
    const uint16_t commentLength =
        ZipCommentLength > 0 && comment_ ? static_cast<uint16_t>(std::min<size_t>(comment_->size(), ZipCommentLength)) : 0;
    uint8_t record[EndCentralSize];
    uint8_t* p = record;
    Put32(p, Signature);
    Put16(p, NumberOfThisDisk);
    Put16(p, DiskWithCentralDirectory);
    Put16(p, EntriesOnThisDisk);
    Put16(p, TotalEntries);
    Put32(p, CentralDirectorySize);
    Put32(p, CentralDirectoryOffset);
    Put16(p, commentLength);
    stream.WriteBuffer(record, EndCentralSize);
    if (commentLength > 0)
        stream.WriteBuffer(comment_->data(), commentLength);
}

bool TEndCentral::FindInStream(TStream& stream)
{
    const int64_t size = stream.GetSize();
    if (size < EndCentralSize)
        return false;
    const int64_t n = std::min<int64_t>(size, EndCentralSearchWindow);
    std::vector<uint8_t> tail(static_cast<size_t>(n));
    stream.Seek(size - n, TSeekOrigin::soBeginning);
    if (stream.Read(tail.data(), n) != n)
        return false;
    for (int64_t i = n - EndCentralSize; i >= 0; --i) {
        const uint8_t* p = tail.data() + i;
        if (*p != 'P' || Get32(p) != EndCentralSignature)
            continue;
        NumberOfThisDisk = Get16(p + 4);
        DiskWithCentralDirectory = Get16(p + 6);
        EntriesOnThisDisk = Get16(p + 8);
        TotalEntries = Get16(p + 10);
        CentralDirectorySize = Get32(p + 12);
        CentralDirectoryOffset = Get32(p + 16);
        const int64_t recordPosition = size - n + i;
        const int64_t following = size - recordPosition - EndCentralSize;
        ZipCommentLength = static_cast<uint16_t>(std::min<int64_t>(Get16(p + 20), following));
        ZipCommentPosition = static_cast<uint32_t>(recordPosition + EndCentralSize);
        comment_.reset();
        return true;
    }
    return false;
}
