#pragma once
// The end-of-central-directory record of an archive.
#include <cstdint>
#include <memory>
#include <string>

class TStream;

constexpr uint32_t EndCentralSignature = 0x06054B50u;
constexpr int EndCentralSize = 22;         // fixed part, before the comment
constexpr int EndCentralSearchWindow = 65528;

class TEndCentral {
public:
    TEndCentral() { Clear(); }
    TEndCentral(const TEndCentral& other) { Assign(other); }
    TEndCentral& operator=(const TEndCentral& other) { Assign(other); return *this; }

    uint32_t Signature;
    uint16_t NumberOfThisDisk;
    uint16_t DiskWithCentralDirectory;
    uint16_t EntriesOnThisDisk;
    uint16_t TotalEntries;
    uint32_t CentralDirectorySize;
    uint32_t CentralDirectoryOffset;
    uint16_t ZipCommentLength;
    uint32_t ZipCommentPosition;   // where the archive comment starts in the archive stream
    bool CommentsChanged;          // an archive or entry comment changed since the directory was read

    // Signature set, every other number 0, no comment, CommentsChanged off.
    void Clear();
    // Every record field, the comment (when its length is above 0 and its text held) and
    // ZipCommentPosition.
    void Assign(const TEndCentral& source);

    // Where the record starts in the archive stream (after FindInStream).
    int64_t RecordPosition() const { return int64_t(ZipCommentPosition) - EndCentralSize; }
    bool HasComment() const { return ZipCommentLength > 0; }
    bool HasCommentText() const { return comment_ != nullptr; }
    const std::string& ZipComment() const;
    // Replaces the comment by a copy of text (none for nullptr) and sets ZipCommentLength.
    void SetComment(const std::string* text);

    // The 22 fixed bytes, then the comment when its text is held. A comment whose text is
    // not held is written with length 0, so the record never claims bytes it lacks.
    void WriteEndCentral(TStream& stream);

    // Finds the record within the last 65528 bytes of the stream, the one nearest the end
    // when there are several, and takes its fields (Signature keeps its value). The comment
    // is not loaded; its position is just after the record and its length is cut to the
    // bytes that follow the record.
    bool FindInStream(TStream& stream);

private:
    std::unique_ptr<std::string> comment_;
};
