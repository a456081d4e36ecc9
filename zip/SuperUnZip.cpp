#include "zip/SuperUnZip.h"

#include <algorithm>
#include <numeric>
#include <unordered_set>
#include <vector>

#include "platform/FileUtils.h"
#include "platform/StrUtils.h"
#include "zip/DataDescriptor.h"
#include "zip/LFNFileStream.h"
#include "zip/LittleEndian.h"
#include "zip/ZipExceptions.h"
#include "zip/ZipFileUtils.h"
#include "zip/ZipHost.h"

namespace {

constexpr int RebuildPumpInterval = 10240;


std::string DropTrailingDelimiter(const std::string& value)
{
    std::string result = value;
    while (result.size() > 1 && (result.back() == '/' || result.back() == '\\'))
        result.pop_back();
    return result;
}

// A ZIP64 archive may keep its real counts and offsets in records before the end record and
// leave markers here; taken literally they send the reader far past the archive. An archive
// of the ZIP64 layout whose values all fit is read as usual.
void RefuseZip64(const TEndCentral& end, TStream& archive)
{
    constexpr uint32_t Zip64LocatorSignature = 0x07064B50u;
    constexpr int Zip64LocatorSize = 20;
    bool zip64 = end.NumberOfThisDisk == 0xFFFF || end.DiskWithCentralDirectory == 0xFFFF ||
                 end.CentralDirectorySize == 0xFFFFFFFFu || end.CentralDirectoryOffset == 0xFFFFFFFFu;
    // 65535 entries is a count of its own unless the ZIP64 locator stands before the record.
    const int64_t locator = int64_t(end.ZipCommentPosition) - EndCentralSize - Zip64LocatorSize;
    uint8_t sig[4];
    if (!zip64 && (end.TotalEntries == 0xFFFF || end.EntriesOnThisDisk == 0xFFFF) && locator >= 0) {
        const int64_t position = archive.GetPosition();
        archive.SetPosition(locator);
        zip64 = archive.Read(sig, 4) == 4 && Get32(sig) == Zip64LocatorSignature;
        archive.SetPosition(position);
    }
    if (zip64)
        throw EFatalUnzipError("ZIP64 archives are not supported");
}

}  // namespace

TSuperUnZip::TSuperUnZip() : EndRecord(std::make_unique<TEndCentral>()) {}

TSuperUnZip::~TSuperUnZip()
{
    try {
        ResetZip();
    } catch (...) {
    }
}

void TSuperUnZip::SetZipName(const std::string& value)
{
    if (SameText(value, zipName_))
        return;
    std::string name = value;
    if (!name.empty() && name.back() == '?') {
        std::string initialDir = ExtractFilePath(name.substr(0, name.size() - 1));
        if (initialDir.empty() || !DirectoryExists(initialDir))
            initialDir = "/";
        std::string chosen;
        if (!ZipHost().ChooseFile("Open a Zip File",
                                  "Zip Files (*.ZIP)|*.zip|SFX Files (*.EXE)|*.exe|All Files (*.*)|*.*", initialDir,
                                  chosen) ||
            chosen.empty())
            throw EUserCanceled("User canceled setting zip file name.");
        name = chosen;
    }
    zipName_ = name;
    FreeDirectory();
    ArchiveStream.reset();
    DirectoryDay = 0;
    EndRecord->Clear();
    DirectoryRebuilt = false;
}

void TSuperUnZip::SetDestDir(const std::string& value)
{
    destDir_ = value == "?" ? std::string() : DropTrailingDelimiter(value);
}

void TSuperUnZip::SetRootDir(const std::string& value)
{
    rootDir_ = value.empty() || value.back() == '/' ? value : value + '/';
}

void TSuperUnZip::FreeDirectory()
{
    separateView_.reset();
    SortedView = nullptr;
    EntryList.reset();
}

TLFNFileStream& TSuperUnZip::Archive()
{
    if (!ArchiveStream)
        ArchiveStream = std::make_unique<TLFNFileStream>(zipName_, TFileMode::fmOpenRead);
    return *ArchiveStream;
}

void TSuperUnZip::OpenZip()
{
    Archive();
    if (EntryList && Date() == DirectoryDay)
        return;
    try {
        ReadDirectory();
    } catch (...) {
        FreeDirectory();   // a directory read in part is never taken for the whole
        throw;
    }
}

void TSuperUnZip::CloseZip()
{
    if (!KeepZipOpen)
        ArchiveStream.reset();
}

void TSuperUnZip::ResetZip()
{
    ArchiveStream.reset();
    FreeDirectory();
    EndRecord->Clear();
    DirectoryDay = 0;
    DirectoryRebuilt = false;
    VolumeCount = 1;
    SetSpanMode(0);
    zipName_.clear();
}

int TSuperUnZip::Count() const { return EntryList ? EntryList->Count() : 0; }

void TSuperUnZip::CheckIndex(int index) const
{
    if (index < 0 || index >= Count() || !SortedView)
        throw EListError(Format("Index %d is out of range", index));
}

TZipHeaderInfo& TSuperUnZip::Entry(int index) const
{
    CheckIndex(index);
    return *SortedView->GetItem(index);
}

std::string TSuperUnZip::GetFileName(int index) const { return Entry(index).FileName(); }

TDateTime TSuperUnZip::GetFileDate(int index) const
{
    TDateTime result;
    return TryDosDateTimeToDateTime(Entry(index).LastModFileTimeDate, result) ? result : Now();
}

std::string TSuperUnZip::GetFileComment(int index) { return LoadComment(Entry(index)); }

const std::string& TSuperUnZip::LoadComment(TZipHeaderInfo& entry)
{
    if (!entry.HasComment() || entry.HasCommentText())
        return entry.FileComment();
    const bool opened = !ArchiveStream;
    TLFNFileStream& s = Archive();
    const int64_t position = s.GetPosition();   // the directory may be being read
    uint8_t record[CentralHeaderSize];
    s.SetPosition(entry.HeaderPosition);
    if (s.Read(record, CentralHeaderSize) != CentralHeaderSize || Get32(record) != CentralHeaderSignature)
        throw EFatalUnzipError("Damaged central directory record of " + entry.Directory() + entry.FileName());
    s.Seek(Get16(record + 28) + Get16(record + 30), TSeekOrigin::soCurrent);
    std::string text(entry.FileCommentLength, '\0');
    const int64_t got = s.Read(text.data(), static_cast<int64_t>(text.size()));
    text.resize(static_cast<size_t>(got < 0 ? 0 : got));
    entry.SetComment(text.empty() ? nullptr : &text);
    s.SetPosition(position);
    if (opened)
        CloseZip();
    return entry.FileComment();
}

void TSuperUnZip::SetFileComment(int index, const std::string& text)
{
    TZipHeaderInfo& entry = Entry(index);
    if (GetFileComment(index) == text)
        return;
    entry.SetComment(text.empty() ? nullptr : &text);
    EndRecord->CommentsChanged = true;
}

std::string TSuperUnZip::GetZipComment()
{
    if (!EndRecord->HasComment() || EndRecord->HasCommentText())
        return EndRecord->ZipComment();
    const bool opened = !ArchiveStream;
    TLFNFileStream& s = Archive();
    const int64_t position = s.GetPosition();
    std::string text(EndRecord->ZipCommentLength, '\0');
    s.SetPosition(EndRecord->ZipCommentPosition);
    const int64_t got = s.Read(text.data(), static_cast<int64_t>(text.size()));
    text.resize(static_cast<size_t>(got < 0 ? 0 : got));
    EndRecord->SetComment(text.empty() ? nullptr : &text);
    s.SetPosition(position);
    if (opened)
        CloseZip();
    return EndRecord->ZipComment();
}

void TSuperUnZip::SetZipComment(const std::string& text)
{
    if (GetZipComment() == text)
        return;
    EndRecord->SetComment(text.empty() ? nullptr : &text);
    EndRecord->CommentsChanged = true;
}

void TSuperUnZip::SetSortMode(TZipSortMode mode)
{
    separateView_.reset();
    SortedView = nullptr;
    if (EntryList) {
        if (mode == TZipSortMode::ByNone) {
            SortedView = EntryList.get();
        } else {
            separateView_ = std::make_unique<TSortedZip>(dupAccept);
            separateView_->SortMode = mode;
            separateView_->OwnsItems = false;
            // Sorted once, in the order placing the entries one by one would give (a new entry
            // goes before those the list calls equal, after those of a mode that never does),
            // without moving every placed entry for each new one.
            std::vector<int32_t> order(static_cast<size_t>(EntryList->Count()));
            std::iota(order.begin(), order.end(), 0);
            const TSortedZip& view = *separateView_;
            std::sort(order.begin(), order.end(), [&](int32_t a, int32_t b) {
                const TZipHeaderInfo* x = EntryList->GetItem(a);
                const TZipHeaderInfo* y = EntryList->GetItem(b);
                const int xy = view.Compare(x, y), yx = view.Compare(y, x);
                if (xy < 0 && yx > 0)
                    return true;
                if (yx < 0 && xy > 0)
                    return false;
                return xy == 0 ? a > b : a < b;
            });
            for (const int32_t i : order)
                separateView_->TObjectList<TZipHeaderInfo>::Add(EntryList->GetItem(i));
            SortedView = separateView_.get();
        }
    }
    sortMode_ = mode;
}

void TSuperUnZip::ReadDirectory()
{
    DirectoryDay = Date();
    FreeDirectory();
    DirectoryRebuilt = false;

    bool rebuild = false;
    prefix_ = 0;
    if (EndRecord->FindInStream(Archive())) {
        RefuseZip64(*EndRecord, *ArchiveStream);
        CurrentDisk = EndRecord->NumberOfThisDisk;
        // Every drive counts as fixed here, so a spanned archive is never on removable media.
        SetSpanMode(EndRecord->NumberOfThisDisk == 0 ? 0 : 2);
        if (EndRecord->DiskWithCentralDirectory != CurrentDisk)
            LoadNextDisk(EndRecord->DiskWithCentralDirectory + 1);
        if (SeekCentralDirectory()) {
            EntryList = std::make_unique<TSortedZip>(dupError);
            SortedView = EntryList.get();
        } else {
            rebuild = true;
        }
    } else {
        if (OnInCompleteZip)
            OnInCompleteZip(this, IncompleteZipMode);
        if (IncompleteZipMode == TIncompleteZipMode::izAssumeMulti)
            throw EIncompleteZip("Incomplete Zip File");
        rebuild = true;
    }

    if (rebuild) {
        bool found;
        {
            TZipHourGlass hourGlass;
            found = RebuildDirectory();
        }
        if (!found) {
            SetSortMode(sortMode_);
            return;
        }
    }

    const bool useNextVolume = GetSpanMode() != 0 && !DirectoryRebuilt;
    TNextVolumeProc nextVolume;
    if (useNextVolume)
        nextVolume = [this](TZipComponentBase*, TZipHeaderInfo*, TStream*& stream) {
            stream = LoadNextDisk(CurrentDisk + 2);
        };
    // The count is 16 bits wide: a directory may hold more records than it says, and every
    // record up to the end record is read. A rebuilt directory takes what records there are.
    // The records are put in archive order once all are read: placed one by one, a directory
    // written backwards would move every entry read so far for each new one.
    std::vector<std::unique_ptr<TZipHeaderInfo>> read;
    std::unordered_set<uint64_t> places;
    for (int i = 0; DirectoryRebuilt || i < EndRecord->TotalEntries || MoreCentralRecords(); ++i) {
        auto header = std::make_unique<TZipHeaderInfo>();
        TStream* stream = ArchiveStream.get();
        const bool ok = header->ReadCentralHeader(stream, nextVolume, this);
        if (!DirectoryRebuilt) {
            // A directory that claims more records than it holds is damaged: an entry made
            // of default values would extract the wrong bytes.
            if (!ok)
                throw EFatalUnzipError(Format("Damaged central directory: record %d of %d cannot be read", i + 1,
                                              int(EndRecord->TotalEntries)));
            // Bytes in front of the archive moved every entry by as many.
            const uint64_t offset = uint64_t(header->RelativeOffsetOfLocalHeader) + prefix_;
            if (offset > 0xFFFFFFFFu)
                throw EFatalUnzipError("Local header of " + header->Directory() + header->FileName() + " not found");
            header->RelativeOffsetOfLocalHeader = static_cast<uint32_t>(offset);
            if (!places.insert(uint64_t(header->DiskNumberStart) << 32 | header->RelativeOffsetOfLocalHeader).second)
                throw EListError("Duplicate Object index");
            // Comments are loaded while their volume is at hand.
            if (EndRecord->NumberOfThisDisk != 0)
                LoadComment(*header);
            read.push_back(std::move(header));
        } else {
            // The local headers are the directory; central records only add to them.
            if (!ok)
                break;
            int32_t index;
            if (EntryList->Find(header.get(), index)) {
                TZipHeaderInfo* entry = EntryList->GetItem(index);
                const uint32_t offset = entry->RelativeOffsetOfLocalHeader;
                entry->Assign(*header);
                entry->RelativeOffsetOfLocalHeader = offset;
            }
        }
    }
    std::stable_sort(read.begin(), read.end(),
                     [this](const auto& a, const auto& b) { return EntryList->Compare(a.get(), b.get()) < 0; });
    for (auto& header : read) {
        EntryList->Add(header.get());
        header.release();
    }
    if (EndRecord->NumberOfThisDisk != 0 && EndRecord->HasComment()) {
        if (CurrentDisk != EndRecord->NumberOfThisDisk)
            LoadNextDisk(EndRecord->NumberOfThisDisk + 1);
        GetZipComment();
    }
    VolumeCount = EndRecord->NumberOfThisDisk + 1;
    // CurrentDisk already names the volume whose stream is open.
    SetSortMode(sortMode_);
}

bool TSuperUnZip::AtCentralRecord(int64_t position)
{
    uint8_t sig[4];
    ArchiveStream->SetPosition(position);
    const bool found = ArchiveStream->Read(sig, 4) == 4 && Get32(sig) == CentralHeaderSignature;
    ArchiveStream->SetPosition(position);
    return found;
}

bool TSuperUnZip::SeekCentralDirectory()
{
    if (AtCentralRecord(EndRecord->CentralDirectoryOffset))
        return true;
    // A stub in front (a script or a self-extractor) moves the whole archive: the directory
    // still ends where the end record starts, and its first entry has moved by as much. A
    // damaged offset moves nothing, and the directory is rebuilt.
    const int64_t start = EndRecord->RecordPosition() - int64_t(EndRecord->CentralDirectorySize);
    const int64_t prefix = start - int64_t(EndRecord->CentralDirectoryOffset);
    if (SpansVolumes() || prefix <= 0 || !AtCentralRecord(start) || start + CentralHeaderSize > ArchiveStream->GetSize())
        return false;
    const int64_t firstLocal = Get32(ArchiveStream->Memory() + start + 42) + prefix;
    if (firstLocal + 4 > ArchiveStream->GetSize() || Get32(ArchiveStream->Memory() + firstLocal) != LocalHeaderSignature)
        return false;
    prefix_ = prefix;
    return true;
}

bool TSuperUnZip::MoreCentralRecords()
{
    if (SpansVolumes())
        return false;
    const int64_t position = ArchiveStream->GetPosition();
    return position < EndRecord->RecordPosition() && AtCentralRecord(position);
}

bool TSuperUnZip::RebuildDirectory()
{
    DirectoryRebuilt = true;
    FreeDirectory();
    TLFNFileStream& s = Archive();
    const uint8_t* data = s.Memory();
    const int64_t size = s.GetSize();
    int64_t found = -1;
    int sinceYield = 0;
    for (int64_t i = 0; i + 4 <= size; ++i) {
        if (data[i] == 'P') {
            if (data[i + 1] == 'K' && data[i + 2] == 3 && data[i + 3] == 4) {
                found = i;
                break;
            }
        } else if (++sinceYield >= RebuildPumpInterval) {
            sinceYield = 0;
            ProcessMessagesAndCheckAbort();
        }
    }
    if (found < 0)
        return false;

    s.SetPosition(found);
    EntryList = std::make_unique<TSortedZip>(dupError);
    SortedView = EntryList.get();
    for (;;) {
        auto header = std::make_unique<TZipHeaderInfo>();
        if (!header->ReadLocalHeader(s))
            break;
        const int64_t dataStart = s.GetPosition() + header->ExtraFieldLength;
        int64_t next = dataStart + header->CompressedSize;
        if (header->HasDataDescriptor()) {
            // The local header's sizes are placeholders: the entry ends at its descriptor.
            next = FindDataDescriptor(data, size, dataStart, *header);
            if (next < 0)
                throw EFatalUnzipError("Damaged archive: the end of " + header->Directory() + header->FileName() +
                                       " cannot be found");
        }
        TZipHeaderInfo* raw = header.release();
        if (EntryList->Add(raw) < 0)
            delete raw;
        s.SetPosition(next);
        if (next > size)
            break;
    }
    if (s.GetPosition() > size)
        s.SetPosition(size);
    EndRecord->NumberOfThisDisk = 0;
    EndRecord->CentralDirectoryOffset = static_cast<uint32_t>(s.GetPosition());
    EndRecord->TotalEntries = static_cast<uint16_t>(Count());
    CurrentDisk = 0;
    VolumeCount = 1;
    return true;
}

TStream* TSuperUnZip::LoadNextDisk(int nextDisk)
{
    ArchiveStream.reset();
    std::string fname = zipName_;
    std::string missing;
    for (;;) {
        if (!OnGetNextDisk)
            throw EUserCanceled("User canceled loading new disk.");
        OnGetNextDisk(this, nextDisk, fname);
        if (fname.empty())
            throw EUserCanceled("User canceled loading new disk.");
        if (GetCheckVolumeLabels() && !CheckVolumeLabel(nextDisk))
            continue;
        if (FileExists(fname))
            break;
        // Asking again only helps when the answer changes; the same missing name twice
        // would ask forever.
        if (fname == missing)
            throw EFOpenError("Cannot open volume " + fname);
        missing = fname;
    }
    ArchiveStream = std::make_unique<TLFNFileStream>(fname, TFileMode::fmOpenRead);
    ArchiveStream->SetPosition(0);   // reading goes on from the volume's start
    CurrentDisk = nextDisk - 1;
    DirectoryDay = Date();
    zipName_ = fname;
    return ArchiveStream.get();
}

bool TSuperUnZip::CheckVolumeLabel(int nextDisk)
{
    if (GetSpanMode() != 1)
        return true;
    const std::string label = GetVolumeLabel(zipName_);
    const std::string want = Format("%3.3d", nextDisk);
    return label.size() >= want.size() && label.compare(label.size() - want.size(), want.size(), want) == 0;
}
