#pragma once
// One archive entry: the central record's fields plus bookkeeping.
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

class TStream;
class TZipComponentBase;

// Replaces Stream by the next volume's stream (reading a central directory across volumes).
using TNextVolumeProc = std::function<void(TZipComponentBase* component, class TZipHeaderInfo* header, TStream*& stream)>;

class TZipHeaderInfo {
public:
    TZipHeaderInfo() { SetDefaults(); }
    TZipHeaderInfo(const TZipHeaderInfo& other) { Assign(other); }
    TZipHeaderInfo& operator=(const TZipHeaderInfo& other) { Assign(other); return *this; }

    uint16_t VersionMadeBy;
    uint16_t VersionNeededToExtract;
    uint16_t GeneralPurposeFlag;           // bit 0 encrypted, bit 3 data descriptor follows
    uint16_t CompressionMethod;            // 0 stored, 1 shrunk, 2-5 reduced, 6 imploded, 8 deflated
    uint32_t LastModFileTimeDate;          // DOS time in the low word, date in the high word
    uint32_t Crc32;
    uint32_t CompressedSize;               // includes the 12-byte encryption header
    uint32_t UncompressedSize;
    uint16_t FileNameLength;               // always Directory.size() + FileName.size() as stored
    uint16_t ExtraFieldLength;
    uint16_t FileCommentLength;
    uint16_t DiskNumberStart;
    uint16_t InternalFileAttributes;
    uint32_t ExternalFileAttributes;
    uint32_t RelativeOffsetOfLocalHeader;
    uint32_t HeaderPosition;               // where this entry's central record starts
    bool Selected;

    const std::string& FileName() const { return fileName_; }
    const std::string& Directory() const { return directory_; }
    void SetFileName(const std::string& value);
    void SetDirectory(const std::string& value);   // appends '\' to a non-empty value

    // The comment; HasCommentText tells whether its text is loaded.
    bool HasCommentText() const { return comment_ != nullptr; }
    const std::string& FileComment() const;
    void SetComment(const std::string* text);      // nullptr removes it
    bool HasComment() const { return FileCommentLength > 0; }
    bool IsEncrypted() const { return (GeneralPurposeFlag & 1) != 0; }
    bool HasDataDescriptor() const { return (GeneralPurposeFlag & 8) != 0; }

    void SetDefaults();
    void Assign(const TZipHeaderInfo& source);

    void WriteLocalHeader(TStream& stream);
    void WriteCentralHeader(TStream& stream);
    bool ReadLocalHeader(TStream& stream);
    bool ReadCentralHeader(TStream*& stream, const TNextVolumeProc& nextVolume = nullptr,
                           TZipComponentBase* component = nullptr);

private:
    std::string fileName_;
    std::string directory_;
    std::unique_ptr<std::string> comment_;
};
