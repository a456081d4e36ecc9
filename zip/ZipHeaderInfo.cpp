#include "zip/ZipHeaderInfo.h"

#include <algorithm>
#include <cstring>

#include "platform/CodePage.h"
#include "platform/Stream.h"
#include "zip/LittleEndian.h"
#include "zip/ZipExceptions.h"

namespace {

bool IsAscii(const std::string& s)
{
    return std::all_of(s.begin(), s.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}


const std::string& EmptyText()
{
    static const std::string empty;
    return empty;
}

// Reads up to count bytes; a failing stream counts as having nothing.
int64_t ReadSome(TStream& stream, void* buffer, int64_t count)
{
    const int64_t got = stream.Read(buffer, count);
    return got < 0 ? 0 : got;
}

// The name to write; the header's UTF-8 bit and name length follow it.
std::string CheckedStoredName(TZipHeaderInfo& header)
{
    bool utf8 = false;
    std::string name = header.StoredName(&utf8);
    if (name.size() > 0xFFFF)
        throw EZipError("File name too long for a zip archive: " + header.Directory() + header.FileName());
    header.GeneralPurposeFlag = static_cast<uint16_t>(utf8 ? header.GeneralPurposeFlag | Utf8NameFlag
                                                           : header.GeneralPurposeFlag & ~Utf8NameFlag);
    header.FileNameLength = static_cast<uint16_t>(name.size());
    return name;
}

}  // namespace

std::string ZipNameFromMemory(const std::string& name, bool& utf8, uint8_t host)
{
    std::string result = name;
    utf8 = false;
    if (!IsAscii(name)) {
        // Code page 437 only when it gives every character back; otherwise two names could
        // meet in the same '?'.
        std::string oem = host == UnixHost ? std::string() : ConvertCodePage(name, CP_ACP, CP_OEMCP);
        if (host != UnixHost && ConvertCodePage(oem, CP_OEMCP, CP_ACP) == name)
            result = std::move(oem);
        else
            utf8 = IsValidUtf8(name);
    }
    std::replace(result.begin(), result.end(), '\\', '/');
    return result;
}

std::string ZipNameToMemory(const std::string& storedName, bool utf8Flag, uint8_t host)
{
    std::string result = storedName;
    if (!IsAscii(storedName) && !((utf8Flag || host == UnixHost) && IsValidUtf8(storedName)))
        result = ConvertCodePage(storedName, CP_OEMCP, CP_ACP);
    std::replace(result.begin(), result.end(), '/', '\\');
    return result;
}

void TZipHeaderInfo::SetDefaults()
{
    VersionMadeBy = 20;
    VersionNeededToExtract = 20;
    GeneralPurposeFlag = 0;
    CompressionMethod = 8;
    LastModFileTimeDate = 0;
    Crc32 = 0xFFFFFFFFu;
    CompressedSize = 0;
    UncompressedSize = 0;
    FileNameLength = 0;
    ExtraFieldLength = 0;
    FileCommentLength = 0;
    DiskNumberStart = 0;
    InternalFileAttributes = 1;
    ExternalFileAttributes = 0x20;
    RelativeOffsetOfLocalHeader = 0;
    HeaderPosition = 0;
    Selected = false;
    fileName_.clear();
    directory_.clear();
    comment_.reset();
}

void TZipHeaderInfo::Assign(const TZipHeaderInfo& source)
{
    if (&source == this)
        return;
    VersionMadeBy = source.VersionMadeBy;
    VersionNeededToExtract = source.VersionNeededToExtract;
    GeneralPurposeFlag = source.GeneralPurposeFlag;
    CompressionMethod = source.CompressionMethod;
    LastModFileTimeDate = source.LastModFileTimeDate;
    Crc32 = source.Crc32;
    CompressedSize = source.CompressedSize;
    UncompressedSize = source.UncompressedSize;
    // Copied as they are: a directory cut at ':' must not gain a '\'.
    fileName_ = source.fileName_;
    directory_ = source.directory_;
    FileNameLength = source.FileNameLength;
    ExtraFieldLength = source.ExtraFieldLength;
    if (source.FileCommentLength > 0 && source.comment_)
        SetComment(source.comment_.get());
    else
        comment_.reset();
    FileCommentLength = source.FileCommentLength;
    DiskNumberStart = source.DiskNumberStart;
    InternalFileAttributes = source.InternalFileAttributes;
    ExternalFileAttributes = source.ExternalFileAttributes;
    RelativeOffsetOfLocalHeader = source.RelativeOffsetOfLocalHeader;
    HeaderPosition = source.HeaderPosition;
    Selected = source.Selected;
}

std::string TZipHeaderInfo::StoredName(bool* utf8) const
{
    bool isUtf8 = false;
    std::string name = ZipNameFromMemory(directory_ + fileName_, isUtf8, static_cast<uint8_t>(VersionMadeBy >> 8));
    if (utf8)
        *utf8 = isUtf8;
    return name;
}

void TZipHeaderInfo::UpdateNameLength()
{
    const size_t n = StoredName().size();
    FileNameLength = static_cast<uint16_t>(std::min<size_t>(n, 0xFFFF));
}

void TZipHeaderInfo::SetFileName(const std::string& value)
{
    if (value == fileName_)
        return;
    fileName_ = value;
    UpdateNameLength();
}

void TZipHeaderInfo::SetDirectory(const std::string& value)
{
    std::string dir = value;
    if (!dir.empty() && dir.back() != '\\')
        dir += '\\';
    if (dir == directory_)
        return;
    directory_ = std::move(dir);
    UpdateNameLength();
}

void TZipHeaderInfo::SetFullName(const std::string& name)
{
    const size_t cut = name.find_last_of("\\:");
    if (cut == std::string::npos) {
        directory_.clear();
        fileName_ = name;
    } else {
        // Assigned directly: a directory cut at ':' has no trailing '\' to add.
        directory_ = name.substr(0, cut + 1);
        fileName_ = name.substr(cut + 1);
    }
    UpdateNameLength();
}

const std::string& TZipHeaderInfo::FileComment() const { return comment_ ? *comment_ : EmptyText(); }

void TZipHeaderInfo::SetComment(const std::string* text)
{
    if (text) {
        comment_ = std::make_unique<std::string>(*text);
        FileCommentLength = static_cast<uint16_t>(std::min<size_t>(text->size(), 0xFFFF));
    } else {
        comment_.reset();
        FileCommentLength = 0;
    }
}

// The fields the local and the central header share, in the order both hold them.
static void putSharedFields(uint8_t*& p, const TZipHeaderInfo& h)
{
    Put16(p, h.VersionNeededToExtract);
    Put16(p, h.GeneralPurposeFlag);
    Put16(p, h.CompressionMethod);
    Put32(p, h.LastModFileTimeDate);
    Put32(p, h.Crc32);
    Put32(p, h.CompressedSize);
    Put32(p, h.UncompressedSize);
    Put16(p, h.FileNameLength);
    Put16(p, h.ExtraFieldLength);
}

// Reads what putSharedFields writes, up to the sizes; the name and extra lengths are
// checked by each reader against what the stream holds.
static void getSharedFields(const uint8_t* p, TZipHeaderInfo& h)
{
    h.VersionNeededToExtract = Get16(p);
    h.GeneralPurposeFlag = Get16(p + 2);
    h.CompressionMethod = Get16(p + 4);
    h.LastModFileTimeDate = Get32(p + 6);
    h.Crc32 = Get32(p + 10);
    h.CompressedSize = Get32(p + 14);
    h.UncompressedSize = Get32(p + 18);
}

void TZipHeaderInfo::WriteLocalHeader(TStream& stream)
{
    const std::string name = CheckedStoredName(*this);
    RelativeOffsetOfLocalHeader = static_cast<uint32_t>(stream.GetPosition());
    uint8_t record[LocalHeaderSize];
    uint8_t* p = record;
    Put32(p, LocalHeaderSignature);
    putSharedFields(p, *this);
    stream.WriteBuffer(record, LocalHeaderSize);
    stream.WriteBuffer(name.data(), static_cast<int64_t>(name.size()));
}

void TZipHeaderInfo::WriteCentralHeader(TStream& stream)
{
    const std::string name = CheckedStoredName(*this);
    const bool writeComment = FileCommentLength > 0 && comment_;
    const uint16_t commentLength =
        writeComment ? static_cast<uint16_t>(std::min<size_t>({comment_->size(), FileCommentLength})) : 0;
    uint8_t record[CentralHeaderSize];
    uint8_t* p = record;
    Put32(p, CentralHeaderSignature);
    Put16(p, VersionMadeBy);
    putSharedFields(p, *this);
    Put16(p, commentLength);
    Put16(p, DiskNumberStart);
    Put16(p, InternalFileAttributes);
    Put32(p, ExternalFileAttributes);
    Put32(p, RelativeOffsetOfLocalHeader);
    stream.WriteBuffer(record, CentralHeaderSize);
    stream.WriteBuffer(name.data(), static_cast<int64_t>(name.size()));
    if (commentLength > 0)
        stream.WriteBuffer(comment_->data(), commentLength);
}

bool TZipHeaderInfo::ReadLocalHeader(TStream& stream)
{
    const int64_t start = stream.GetPosition();
    uint8_t r[LocalHeaderSize];
    if (ReadSome(stream, r, LocalHeaderSize) < LocalHeaderSize || Get32(r) != LocalHeaderSignature) {
        stream.SetPosition(start);
        return false;
    }
    const uint16_t nameLength = Get16(r + 26);
    std::string name(nameLength, '\0');
    if (ReadSome(stream, name.data(), nameLength) < nameLength) {
        stream.SetPosition(start);
        return false;
    }
    SetDefaults();
    VersionMadeBy = 0;
    getSharedFields(r + 4, *this);
    ExtraFieldLength = Get16(r + 28);
    InternalFileAttributes = 0;
    ExternalFileAttributes = 0;
    SetFullName(ZipNameToMemory(name, HasUtf8Name()));
    FileNameLength = nameLength;
    RelativeOffsetOfLocalHeader = static_cast<uint32_t>(start);
    return true;
}

bool TZipHeaderInfo::ReadCentralHeader(TStream*& stream, const TNextVolumeProc& nextVolume,
                                       TZipComponentBase* component)
{
    const int64_t start = stream->GetPosition();
    int64_t restart = start;   // where to go back to on the stream in hand
    uint8_t r[CentralHeaderSize];
    int64_t got = ReadSome(*stream, r, CentralHeaderSize);

    uint8_t signature[4];
    uint8_t* s = signature;
    Put32(s, CentralHeaderSignature);
    const bool startsRecord = std::memcmp(r, signature, static_cast<size_t>(std::min<int64_t>(got, 4))) == 0;
    if (got < CentralHeaderSize && startsRecord && nextVolume) {
        // The old stream may be freed and its address reused, so never compare pointers:
        // whatever stream comes back continues the record.
        nextVolume(component, this, stream);
        if (!stream)
            return false;
        restart = stream->GetPosition();
        got += ReadSome(*stream, r + got, CentralHeaderSize - got);
    }
    if (got < CentralHeaderSize || Get32(r) != CentralHeaderSignature) {
        stream->SetPosition(restart);
        return false;
    }
    const uint16_t nameLength = Get16(r + 28);
    std::string name(nameLength, '\0');
    if (ReadSome(*stream, name.data(), nameLength) < nameLength) {
        stream->SetPosition(restart);
        return false;
    }
    // The variable part may claim more than the stream holds; keep only what exists so
    // that a later read of the comment stays inside the archive.
    const int64_t available = std::max<int64_t>(0, stream->GetSize() - stream->GetPosition());
    const uint16_t extraLength = static_cast<uint16_t>(std::min<int64_t>(Get16(r + 30), available));
    const uint16_t commentLength = static_cast<uint16_t>(std::min<int64_t>(Get16(r + 32), available - extraLength));
    stream->Seek(extraLength + commentLength, TSeekOrigin::soCurrent);

    SetDefaults();
    VersionMadeBy = Get16(r + 4);
    getSharedFields(r + 6, *this);
    ExtraFieldLength = extraLength;
    FileCommentLength = commentLength;
    DiskNumberStart = Get16(r + 34);
    InternalFileAttributes = Get16(r + 36);
    ExternalFileAttributes = Get32(r + 38);
    RelativeOffsetOfLocalHeader = Get32(r + 42);
    SetFullName(ZipNameToMemory(name, HasUtf8Name(), static_cast<uint8_t>(VersionMadeBy >> 8)));
    FileNameLength = nameLength;
    HeaderPosition = static_cast<uint32_t>(start);
    return true;
}
