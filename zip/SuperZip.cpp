#include "zip/SuperZip.h"

#include <sys/stat.h>

#include <algorithm>
#include <ctime>
#include <deque>
#include <unordered_map>
#include <unordered_set>
#include <random>
#include <utility>
#include <vector>

#include "platform/FileUtils.h"
#include "platform/SafeFileReplace.h"
#include "platform/StrUtils.h"
#include "zip/DataDescriptor.h"
#include "zip/DeflateEncoder.h"
#include "zip/LFNFileStream.h"
#include "zip/LittleEndian.h"
#include "zip/ZipExceptions.h"
#include "zip/ZipFileUtils.h"

namespace {

constexpr int64_t CrcBlockSize = 64001;


TDateTime DosToDateTime(uint32_t dos)
{
    TDateTime result;
    return TryDosDateTimeToDateTime(dos, result) ? result : 0;
}

// Resolves "." and ".." parts; a ".." that would climb above the path's start is dropped, so
// a stored directory never points above the archive's root.
std::string WithoutDotParts(const std::string& path)
{
    std::vector<std::string> parts;
    size_t start = 0;
    while (start < path.size()) {
        size_t end = path.find('/', start);
        if (end == std::string::npos)
            end = path.size();
        const std::string part = path.substr(start, end - start);
        if (part == "..") {
            if (!parts.empty())
                parts.pop_back();
        } else if (!part.empty() && part != ".") {
            parts.push_back(part);
        }
        start = end + 1;
    }
    std::string result = !path.empty() && path[0] == '/' ? "/" : "";
    for (const std::string& part : parts)
        result += part + '/';
    return result;
}

}  // namespace

TSuperZip::TSuperZip() : tables_(std::make_unique<TDeflateFixedTables>()) {}

TSuperZip::~TSuperZip() = default;

void TSuperZip::SetStorePaths(bool value)
{
    if (value == storePaths_)
        return;
    storePaths_ = value;
    if (!value) {
        storeVolumes_ = false;
        relativePaths_ = false;
    }
}

void TSuperZip::SetRelativePaths(bool value)
{
    if (value == relativePaths_)
        return;
    relativePaths_ = value;
    if (value) {
        storePaths_ = true;
        Recurse = true;
    }
}

void TSuperZip::SetStoreVolumes(bool value)
{
    if (value == storeVolumes_)
        return;
    storeVolumes_ = value;
    if (value)
        storePaths_ = true;
}

void TSuperZip::SetZipName(const std::string& value)
{
    if (!SameText(value, zipName_) && EndRecord->CommentsChanged && !ZipStreamActive && FileExists(zipName_)) {
        FilesList.Clear();
        Zip();
        EndRecord->CommentsChanged = false;
    }
    TSuperUnZip::SetZipName(value);
}

int TSuperZip::Zip()
{
    busy_ = true;
    entriesWritten_ = 0;
    struct Run {
        TSuperZip& self;
        TZipSortMode savedSort;
        bool savedKeep;
        ~Run()
        {
            self.buffers_.reset();
            self.output_ = nullptr;
            self.byName_.reset();
            self.written_.reset();
            self.newEnd_.reset();
            self.KeepZipOpen = savedKeep;
            self.SetSortMode(savedSort);
            self.CloseZip();
            self.busy_ = false;
        }
    } run{*this, sortMode_, KeepZipOpen};
    KeepZipOpen = true;
    SetSortMode(TZipSortMode::ByNone);

    const bool streamMode = ZipStreamActive;
    if (!SingleStreamMode)
        ExpandFileList();
    else
        totalToCompress_ = 0;

    const bool updating = !streamMode && FileExists(zipName_);
    if (updating) {
        OpenZip();
        if (SpansVolumes())
            throw EZipError("A spanned archive cannot be updated: " + zipName_);
        if (!EntryList) {   // nothing of an archive was found: there are no entries to keep
            EntryList = std::make_unique<TSortedZip>(dupError);
            SortedView = EntryList.get();
        }
        // Kept entries are rewritten, so their comments must be at hand.
        for (int32_t i = 0; i < EntryList->Count(); ++i)
            LoadComment(*EntryList->GetItem(i));
        GetZipComment();
    }

    // The archive takes its name only once it is complete, as a saved file does: beside the file
    // a link leads to, an old one's mode and owner kept, the link kept, and a FIFO or a device
    // written into. A new archive obeys the same rules as an update.
    std::unique_ptr<TSafeFileReplace> replace;
    if (!streamMode)
        replace = std::make_unique<TSafeFileReplace>(zipName_);

    buffers_ = std::make_unique<TDeflateBuffers>();
    // The output refuses to grow past what the format addresses, so writing stops there.
    auto out = std::make_unique<TLFNFileStream>(streamMode ? zipName_ : std::string(), TFileMode::fmCreate,
                                                ArchiveSizeLimit(), zipName_);
    output_ = out.get();
    byName_ = std::make_unique<TSortedZip>(dupAccept);
    byName_->SortMode = TZipSortMode::ByName;
    byName_->OwnsItems = false;
    written_ = std::make_unique<TSortedZip>(dupError);
    newEnd_ = std::make_unique<TEndCentral>();
    if (updating && EndRecord->HasCommentText()) {
        const std::string comment = EndRecord->ZipComment();
        newEnd_->SetComment(&comment);
    }

    if (!FilesList.Empty() && OnStartZipInfo) {
        bool stopNow = false;
        OnStartZipInfo(this, FilesList.Count(), totalToCompress_, *newEnd_, stopNow);
        if (stopNow)
            throw EUserCanceled("User canceled Zip operation.");
    }

    if (updating) {
        // What stands in front stays there; every entry and the directory move past it, as
        // their offsets count from the file's start.
        const int64_t front = BytesInFront();
        if (front > 0)
            out->WriteBuffer(Archive().Memory(), front);
        UpdateExistingEntries();
    }
    for (int i = 0; i < FilesList.Count(); ++i)
        if (AddEntry(FilesList[i]))
            ++entriesWritten_;

    newEnd_->CentralDirectoryOffset = static_cast<uint32_t>(out->GetPosition());
    newEnd_->DiskWithCentralDirectory = 0;
    for (int32_t i = 0; i < written_->Count(); ++i) {
        TZipHeaderInfo* header = written_->GetItem(i);
        header->HeaderPosition = static_cast<uint32_t>(out->GetPosition());
        header->WriteCentralHeader(*out);
    }
    newEnd_->CentralDirectorySize = static_cast<uint32_t>(out->GetPosition() - newEnd_->CentralDirectoryOffset);
    newEnd_->NumberOfThisDisk = 0;
    newEnd_->WriteEndCentral(*out);
    newEnd_->ZipCommentPosition = static_cast<uint32_t>(out->GetPosition() - newEnd_->ZipCommentLength);
    out->Close();
    if (replace) {
        ArchiveStream.reset();
        replace->Write([&](TStream& file) { file.WriteBuffer(out->Memory(), out->GetSize()); });
        replace->Commit();
    }
    out.reset();
    output_ = nullptr;

    // The written directory becomes the component's own.
    ArchiveStream.reset();
    EndRecord->Assign(*newEnd_);
    EndRecord->CommentsChanged = false;
    FreeDirectory();
    EntryList = std::move(written_);
    SortedView = EntryList.get();
    DirectoryDay = Date();
    DirectoryRebuilt = false;
    VolumeCount = 1;
    CurrentDisk = 0;
    SetSpanMode(0);
    return entriesWritten_;
}

int64_t TSuperZip::ArchiveSizeLimit() const { return MaxArchiveSize; }

void TSuperZip::AcceptHeader(std::unique_ptr<TZipHeaderInfo> header)
{
    // One more would be counted modulo 65536, and readers would see only a part.
    if (newEnd_->TotalEntries >= MaxEntries)
        throw EZipError(Format("Too many entries for the zip format (at most %d): ", MaxEntries) + zipName_);
    TZipHeaderInfo* raw = header.get();
    written_->Add(header.release());
    byName_->Add(raw);
    ++newEnd_->EntriesOnThisDisk;
    ++newEnd_->TotalEntries;
}

bool TSuperZip::AddEntry(const std::string& fname)
{
    std::unique_ptr<TFileStream> file;
    TStream* input = SingleStream;
    if (!SingleStreamMode) {
        file = std::make_unique<TFileStream>(fname, TFileMode::fmOpenRead);
        input = file.get();
    }
    CurrentHeader = std::make_unique<TZipHeaderInfo>();
    TZipHeaderInfo& h = *CurrentHeader;
    h.LastModFileTimeDate = SingleStreamMode ? DateTimeToDosDateTime(Date()) : FileDosDate(fname);
    const int64_t inputSize = input->GetSize() - input->GetPosition();
    if (inputSize > TDeflateEncoder::MaxEntrySize)
        throw EZipError("File too large for a zip archive: " + fname);
    h.UncompressedSize = static_cast<uint32_t>(inputSize);

    if (SingleStreamMode) {
        h.SetFileName(fname);
    } else {
        const std::string name = Store83Names ? ShortOrLongPath(fname, false) : fname;
        h.SetFileName(ExtractFileName(name));
        if (storePaths_)
            h.SetDirectory(StoredDirectory(fname));
    }
    if (!SingleStreamMode)
        StoreFileAttributes(h, fname);
    h.RelativeOffsetOfLocalHeader = static_cast<uint32_t>(output_->GetPosition());
    h.InternalFileAttributes = 2;
    h.DiskNumberStart = 0;

    int32_t existing;
    if (byName_->Find(&h, existing)) {
        if (OnSkippingFile) {
            // The handler sees the new directory.
            struct Swap {
                TSuperZip& self;
                TSortedZip* view;
                Swap(TSuperZip& s) : self(s), view(s.SortedView)
                {
                    std::swap(self.EntryList, self.written_);
                    self.SortedView = self.byName_.get();
                }
                ~Swap()
                {
                    std::swap(self.EntryList, self.written_);
                    self.SortedView = view;
                }
            } swap(*this);
            OnSkippingFile(this, TSkipReason::srNoOverwrite, existing);
        }
        totalToCompress_ -= inputSize;
        return false;
    }
    bool skip = false;
    if (OnStartZip)
        OnStartZip(this, fname, h, skip);
    if (skip) {
        totalToCompress_ -= inputSize;
        return false;
    }

    h.WriteLocalHeader(*output_);
    const bool encrypt = !Password.empty();
    const int64_t inputStart = input->GetPosition();
    if (encrypt) {
        PrecomputeCRC(*input);
        input->SetPosition(inputStart);
        h.Crc32 = ~RunningCRC;
        WriteCryptHeader(Password);
    }
    RunningCRC = 0xFFFFFFFFu;
    EntryBytesDone = 0;
    const int64_t compressed = DeflateEntry(*this, *input, *output_, packLevel_, encrypt, *buffers_, *tables_);
    const uint32_t crc = ~RunningCRC;

    const int64_t end = output_->GetPosition();
    output_->SetPosition(h.RelativeOffsetOfLocalHeader);
    h.Crc32 = crc;
    h.CompressedSize = static_cast<uint32_t>(compressed + (encrypt ? 12 : 0));
    if (encrypt)
        h.GeneralPurposeFlag |= 1;
    h.WriteLocalHeader(*output_);
    output_->SetPosition(end);
    file.reset();

    AcceptHeader(std::make_unique<TZipHeaderInfo>(h));
    if (OnEndZip)
        OnEndZip(this, fname, h.UncompressedSize, h.CompressedSize, output_->GetSize());
    return true;
}

void TSuperZip::PrecomputeCRC(TStream& input)
{
    RunningCRC = 0xFFFFFFFFu;
    std::vector<uint8_t> block(CrcBlockSize);
    for (;;) {
        const int64_t n = input.Read(block.data(), CrcBlockSize);
        if (n <= 0)
            break;
        UpdateCRC32(block.data(), static_cast<size_t>(n));
    }
    input.SetPosition(0);
}

void TSuperZip::WriteCryptHeader(const std::string& password)
{
    CryptInitKeys(password);
    // The ten filler bytes must not be guessable: they come from the system's random source.
    std::random_device random;
    uint8_t header[12];
    for (int i = 0; i < 10; ++i)
        header[i] = static_cast<uint8_t>(random());
    const uint32_t crc = CurrentHeader->Crc32;
    header[10] = static_cast<uint8_t>(crc >> 16);
    header[11] = static_cast<uint8_t>(crc >> 24);
    for (uint8_t& b : header)
        b = CryptEncryptByte(b);
    output_->WriteBuffer(header, sizeof header);
}

void TSuperZip::StoreFileAttributes(TZipHeaderInfo& h, const std::string& fname)
{
    struct stat st{};
    if (::stat(fname.c_str(), &st) != 0)
        return;
    // The DOS attributes below, the Unix mode above, so that executable and read-only bits
    // survive a round trip through the peers.
    constexpr uint32_t ReadOnly = 0x01, Archive = 0x20;
    h.ExternalFileAttributes = (uint32_t(st.st_mode & 0xFFFF) << 16) | Archive | ((st.st_mode & S_IWUSR) ? 0 : ReadOnly);
    h.VersionMadeBy = static_cast<uint16_t>(UnixHost << 8 | (h.VersionMadeBy & 0xFF));
}

uint32_t TSuperZip::FileDosDate(const std::string& fname) const
{
    struct stat st{};
    if (::stat(fname.c_str(), &st) != 0)
        return DateTimeToDosDateTime(Date());
    std::tm tm{};
    const time_t t = st.st_mtime;
    if (!localtime_r(&t, &tm))
        return DateTimeToDosDateTime(Date());
    TDateTime value;
    if (!TryEncodeDate(tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday, value))
        return DateTimeToDosDateTime(Date());
    value += EncodeTime(tm.tm_hour, tm.tm_min, tm.tm_sec > 59 ? 59 : tm.tm_sec, 0);
    return DateTimeToDosDateTime(value);
}

std::string TSuperZip::StoredDirectory(const std::string& fname) const
{
    std::string d = ExtractFilePath(fname);
    if (relativePaths_) {
        const std::string root = Store83Names ? ShortOrLongPath(rootDir_, false) : rootDir_;
        if (!root.empty() && d.compare(0, root.size(), root) == 0)
            d.erase(0, root.size());
    }
    // There are no drive parts here; without StoreVolumes the leading '/' goes.
    d = WithoutDotParts(d);
    if (!storeVolumes_ && !d.empty() && d[0] == '/')
        d.erase(0, 1);
    BackslashSeparators(d);
    return d;
}

std::string TSuperZip::StoredName(const std::string& fname) const
{
    const std::string name = Store83Names ? ShortOrLongPath(fname, false) : fname;
    return (storePaths_ ? StoredDirectory(fname) : std::string()) + ExtractFileName(name);
}

void TSuperZip::ExpandFileList()
{
    totalToCompress_ = 0;
    if (ZipAction == TZipAction::zaFreshen && FileExists(zipName_))
        OpenZip();
    const bool freshen = ZipAction == TZipAction::zaFreshen;
    // Freshen takes only files the archive holds: its names, ignoring case, are looked up.
    std::unordered_set<std::string> oldNames;
    if (freshen && EntryList)
        for (int32_t i = 0; i < EntryList->Count(); ++i) {
            const TZipHeaderInfo* e = EntryList->GetItem(i);
            oldNames.insert(UpperCase(e->Directory() + e->FileName()));
        }
    const auto isOld = [&](const std::string& file) { return oldNames.count(UpperCase(StoredName(file))) > 0; };
    const std::string archivePath = ExpandFileName(zipName_);
    TStringList expanded;
    for (const std::string& line : FilesList) {
        if (!HasWildcards(line)) {
            std::string name = line;
            if (ExtractFilePath(name).empty())
                name = rootDir_ + name;
            if (!FileExists(name)) {
                if (OnNoSuchFile)
                    OnNoSuchFile(this, name);
                continue;
            }
            if (freshen && !isOld(name))
                continue;
            totalToCompress_ += FileSizeOf(name);
            expanded.Add(name);
            continue;
        }
        std::string dir = ExtractFilePath(line);
        if (dir.empty())
            dir = rootDir_.empty() ? "./" : rootDir_;
        TDirSearch search(dir, Recurse, ExtractFileName(line));
        for (;;) {
            TZipSearchRec rec;
            std::string found;
            search.NextFile(rec, found);
            if (found.empty())
                break;
            if (ExpandFileName(found) == archivePath)
                continue;
            if (freshen && !isOld(found))
                continue;
            totalToCompress_ += rec.Size;
            expanded.Add(found);
        }
    }
    FilesList.Assign(expanded);
}

void TSuperZip::UpdateExistingEntries()
{
    // Each old entry takes the first listed file of its name that no earlier entry took. The
    // names are looked up, not compared with every listed file: a folder zipped again over
    // its archive would take time with the product of the two counts.
    std::unordered_map<std::string, std::deque<int>> listedByName;
    for (int j = 0; j < FilesList.Count(); ++j)
        listedByName[UpperCase(StoredName(FilesList[j]))].push_back(j);
    std::vector<bool> taken(static_cast<size_t>(FilesList.Count()), false);
    const TStringList listed = FilesList;
    const int32_t oldCount = EntryList->Count();
    for (int32_t i = 0; i < oldCount; ++i) {
        const TZipHeaderInfo& entry = *EntryList->GetItem(i);
        const auto found = listedByName.find(UpperCase(entry.Directory() + entry.FileName()));
        if (found == listedByName.end() || found->second.empty()) {
            CopyEntryRaw(entry);
            continue;
        }
        const int match = found->second.front();
        found->second.pop_front();
        taken[static_cast<size_t>(match)] = true;
        const std::string& name = listed[match];
        if (ZipAction != TZipAction::zaReplace &&
            !(DosToDateTime(entry.LastModFileTimeDate) < DosToDateTime(FileDosDate(name)))) {
            CopyEntryRaw(entry);
            continue;
        }
        if (AddEntry(name))
            ++entriesWritten_;
        else
            CopyEntryRaw(entry);   // a dropped replacement must not lose the old entry
    }
    // What no old entry took is added after them, in the listed order.
    FilesList.Clear();
    for (int j = 0; j < listed.Count(); ++j)
        if (!taken[static_cast<size_t>(j)])
            FilesList.Add(listed[j]);
}

int64_t TSuperZip::BytesInFront()
{
    const int64_t size = Archive().GetSize();
    int64_t front = size;
    if (EntryList->Count() > 0) {
        for (int32_t i = 0; i < EntryList->Count(); ++i)
            front = std::min<int64_t>(front, EntryList->GetItem(i)->RelativeOffsetOfLocalHeader);
    } else if (EndRecord->ZipCommentPosition >= EndCentralSize) {
        // No entry, but an end record: an empty archive keeps what stands before it. One that
        // counts entries has lost them; its bytes are a damaged archive, not a stub.
        if (EndRecord->TotalEntries != 0 || EndRecord->CentralDirectorySize != 0)
            throw EZipError("A damaged archive cannot be updated: " + zipName_);
        front = EndRecord->RecordPosition();
    }
    return std::clamp<int64_t>(front, 0, size);
}

void TSuperZip::CopyEntryRaw(const TZipHeaderInfo& entry)
{
    TLFNFileStream& old = Archive();
    const std::string name = entry.Directory() + entry.FileName();
    uint8_t local[LocalHeaderSize];
    old.SetPosition(entry.RelativeOffsetOfLocalHeader);
    if (old.Read(local, LocalHeaderSize) != LocalHeaderSize || Get32(local) != LocalHeaderSignature)
        throw EFatalUnzipError("Local header of " + name + " not found");
    const uint16_t extraLength = Get16(local + 28);
    old.Seek(Get16(local + 26), TSeekOrigin::soCurrent);
    int64_t count = int64_t(extraLength) + entry.CompressedSize;
    if (entry.HasDataDescriptor())   // it travels with the data
        count += DataDescriptorLength(old.Memory(), old.GetSize(), old.GetPosition() + count, entry.Crc32,
                                      entry.CompressedSize);
    if (old.Remaining() < count)
        throw EFatalUnzipError("Premature end of file reached");

    auto copy = std::make_unique<TZipHeaderInfo>(entry);
    copy->ExtraFieldLength = extraLength;   // the local extra field is copied with the data
    copy->DiskNumberStart = 0;                // the new archive has one disk
    copy->WriteLocalHeader(*output_);
    if (count > 0)
        output_->CopyFrom(old, count);
    copy->ExtraFieldLength = 0;             // the central record carries no extra bytes
    AcceptHeader(std::move(copy));
}

int32_t TSuperZip::ZipOneStream(TStream& src, const std::string& entryName)
{
    AbortRequested = false;
    SingleStreamMode = true;
    SingleStream = &src;
    struct Leave {
        TSuperZip& self;
        ~Leave()
        {
            self.SingleStreamMode = false;
            self.CloseZip();
        }
    } leave{*this};
    src.SetPosition(0);
    FilesList.Clear();
    FilesList.Add(entryName);
    return Zip();
}

namespace {

// Stream mode for one call: the name "ZIPSTREAM" stands for the caller's stream.
class TStreamModeScope {
public:
    TStreamModeScope(TSuperZip& zip, TStream& object, bool reading) : zip_(zip), remembered_(zip.ZipName())
    {
        // The name first: taking a new name may write pending comments into the old
        // archive, which must not happen in stream mode.
        zip.SetZipName(ZipStreamName);
        ZipStreamReading = reading;
        ZipStreamActive = true;
        ZipStreamObject = &object;
    }
    ~TStreamModeScope()
    {
        ZipStreamActive = false;
        ZipStreamObject = nullptr;
        try {
            zip_.SetZipName(remembered_);
        } catch (...) {
        }
    }

private:
    TSuperZip& zip_;
    std::string remembered_;
};

}  // namespace

void TSuperZip::ZipToStream(TStream& src, TStream& dst)
{
    TStreamModeScope scope(*this, dst, false);
    ZipOneStream(src, "ZIPDATA");
}

void TSuperZip::UnzipFromStream(TStream& src, TStream& dst)
{
    TStreamModeScope scope(*this, src, true);
    UnzipToStream(dst, "ZIPDATA");
}
