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

constexpr uint32_t LocalHeaderSignature = 0x04034B50u;
constexpr uint32_t CentralHeaderSignature = 0x02014B50u;
constexpr int LocalHeaderSize = 30;      // fixed part, before the name
constexpr int CentralHeaderSize = 46;    // fixed part, before the name
constexpr uint16_t Utf8NameFlag = 0x0800;
constexpr uint8_t UnixHost = 3;          // high byte of VersionMadeBy

class TZipHeaderInfo {
public:
    TZipHeaderInfo() { SetDefaults(); }
    TZipHeaderInfo(const TZipHeaderInfo& other) { Assign(other); }
    TZipHeaderInfo& operator=(const TZipHeaderInfo& other) { Assign(other); return *this; }

    uint16_t VersionMadeBy;
    uint16_t VersionNeededToExtract;
    uint16_t GeneralPurposeFlag;           // bit 0 encrypted, bit 3 data descriptor follows, bit 11 UTF-8 name
    uint16_t CompressionMethod;            // 0 stored, 1 shrunk, 2-5 reduced, 6 imploded, 8 deflated
    uint32_t LastModFileTimeDate;          // DOS time in the low word, date in the high word
    uint32_t Crc32;
    uint32_t CompressedSize;               // includes the 12-byte encryption header
    uint32_t UncompressedSize;
    // Bytes of the stored name: what the name setters compute from Directory + FileName in the
    // archive's code page, or the value read from a record. The writers store the length of
    // the name they actually write, so a record is never inconsistent with its name.
    uint16_t FileNameLength;
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
    // Splits a name held with '\' into Directory (up to the last '\' or ':') and FileName.
    void SetFullName(const std::string& name);

    // The comment; HasCommentText tells whether its text is loaded.
    bool HasCommentText() const { return comment_ != nullptr; }
    const std::string& FileComment() const;
    void SetComment(const std::string* text);      // nullptr removes it
    bool HasComment() const { return FileCommentLength > 0; }
    bool IsEncrypted() const { return (GeneralPurposeFlag & 1) != 0; }
    bool HasDataDescriptor() const { return (GeneralPurposeFlag & 8) != 0; }
    bool HasUtf8Name() const { return (GeneralPurposeFlag & Utf8NameFlag) != 0; }

    void SetDefaults();
    void Assign(const TZipHeaderInfo& source);

    // Directory + FileName as the archive stores it (ZipNameFromMemory; utf8 tells which).
    std::string StoredName(bool* utf8 = nullptr) const;

    // Each writer sets or clears the UTF-8 bit to match the stored name.
    // A name longer than 65535 bytes raises EZipError. A comment whose text is not held is
    // written with length 0 (its bytes are not at hand, so claiming them would corrupt the
    // directory); load it first to keep it. A short write raises EWriteError.
    void WriteLocalHeader(TStream& stream);
    void WriteCentralHeader(TStream& stream);
    // False, with the stream where it was and the header unchanged, for a short or foreign record.
    bool ReadLocalHeader(TStream& stream);
    // An extra field or comment that runs past the end of the stream is cut to the bytes
    // that exist.
    bool ReadCentralHeader(TStream*& stream, const TNextVolumeProc& nextVolume = nullptr,
                           TZipComponentBase* component = nullptr);

private:
    std::string fileName_;
    std::string directory_;
    std::unique_ptr<std::string> comment_;

    void UpdateNameLength();
};

// Name conversions between memory ('\', UTF-8) and archive ('/'). A name goes into code page
// 437 when that holds all of it, else it stays UTF-8 and utf8 is set. Entries from a Unix
// host always keep UTF-8: the peers take such names as the file system's bytes.
std::string ZipNameFromMemory(const std::string& name, bool& utf8, uint8_t host = 0);
// A name flagged UTF-8 is taken as such (when it is valid UTF-8); so is a valid UTF-8 name
// from a Unix host, whose zip tools store the bytes of the file system. Others are code page 437.
std::string ZipNameToMemory(const std::string& storedName, bool utf8Flag, uint8_t host = 0);
