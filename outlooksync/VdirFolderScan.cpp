#include "outlooksync/VdirFolderScan.h"

#include <fcntl.h>
#include <stdio.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <sstream>
#include <utility>

#include "platform/FileUtils.h"
#include "platform/Stream.h"
#include "platform/StrUtils.h"

namespace {

namespace fs = std::filesystem;

const char* const kRecordHeader = "TOVRIN-SEEN\t1\t";
const char* const kLinkTag = "link\t";
// Staged writes are put in place at the latest after this many, so that a long run keeps its
// temporary files few.
constexpr size_t kBatch = 1024;

TFileStamp StampOf(const struct stat& st)
{
    return {st.st_dev, st.st_ino, st.st_size,
            static_cast<int64_t>(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec,
            st.st_mode};
}

bool StatFile(const fs::path& path, TFileStamp& stamp)
{
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0)
        return false;
    stamp = StampOf(st);
    return true;
}

// The whole file, or the reason it cannot be read.
std::string ReadFile(const fs::path& path, TFileStamp& stamp, std::string& error)
{
    std::string text;
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        error = "it can not be read (" + std::string(std::strerror(errno)) + ")";
        StatFile(path, stamp);
        return text;
    }
    struct stat st {};
    if (::fstat(fd, &st) == 0) {
        stamp = StampOf(st);
        text.reserve(static_cast<size_t>(st.st_size));
    }
    char buffer[65536];
    for (;;) {
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0) {
            error = "it can not be read (" + std::string(std::strerror(errno)) + ")";
            break;
        }
        if (n == 0)
            break;
        text.append(buffer, static_cast<size_t>(n));
    }
    ::close(fd);
    return text;
}

std::string SafeFileStem(const std::string& uid)
{
    std::string stem;
    for (char c : uid) {
        const bool keep = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') ||
                          (c >= '0' && c <= '9') || c == '-' || c == '_' || c == '.' || c == '@';
        stem += keep ? c : '_';
    }
    if (stem.empty() || stem[0] == '.')
        stem.insert(0, "item");
    return stem;
}

std::string TempName(const std::string& fileName)
{
    return "." + fileName + ".tovrin-tmp";
}

bool IsTempName(const std::string& name)
{
    return name.size() > 1 && name[0] == '.' && name.ends_with(".tovrin-tmp");
}

std::string OneLine(std::string s)
{
    std::replace_if(s.begin(), s.end(), [](char c) { return c == '\t' || c == '\n' || c == '\r'; }, ' ');
    return s;
}

std::string Quoted(const fs::path& p)
{
    return "\"" + p.string() + "\"";
}

} // namespace

uint64_t ContentDigest(std::string_view Bytes)
{
    uint64_t h = 1469598103934665603ull;   // FNV-1a
    for (unsigned char c : Bytes) {
        h ^= c;
        h *= 1099511628211ull;
    }
    return h;
}

void TVdirFolderScan::Load()
{
    if (loaded_)
        return;
    scanTime_ = Now();
    std::vector<fs::path> paths, temps;
    std::error_code ec;
    for (fs::directory_iterator it(dir_, ec), end; !ec && it != end; it.increment(ec)) {
        std::error_code typeError;
        if (!it->is_regular_file(typeError))
            continue;
        if (SameText(it->path().extension().string(), ".ics"))
            paths.push_back(it->path());
        else if (IsTempName(it->path().filename().string()))
            temps.push_back(it->path());
    }
    if (ec)
        throw EOutlookError("Can not read folder " + Quoted(dir_) + ": " + ec.message());
    // Writes an earlier run staged but never put in place (it was cut short).
    for (const fs::path& temp : temps)
        ::unlink(temp.c_str());
    std::sort(paths.begin(), paths.end());
    for (const fs::path& path : paths) {
        TFileStamp stamp;
        std::string error;
        const std::string text = ReadFile(path, stamp, error);
        auto item = TVdirTaskItem::FromFile(weak_from_this(), path, text, stamp, error);
        if (item->Kind() != TVdirTaskItem::ikOther)
            items_.push_back(item);
        files_.push_back(std::move(item));
    }
    loaded_ = true;
}

bool TVdirFolderScan::HoldsTasks()
{
    Load();
    bool events = false;
    for (const auto& f : files_) {
        if (f->HoldsTodo())
            return true;
        events = events || f->HoldsEvents();
    }
    return !events;
}

void TVdirFolderScan::Prepare()
{
    if (prepared_)
        return;
    Load();
    LoadRecord();
    for (const auto& item : items_)
        item->AdoptRecordedUid(RecordedUid(item->FileName()));
    MarkDuplicates();
    for (const auto& item : items_)
        if (item->Kind() == TVdirTaskItem::ikTask)
            byID_.emplace(item->LinkID(), item.get());
    for (const auto& item : items_)
        if (item->Kind() == TVdirTaskItem::ikBroken && !byID_.emplace(item->LinkID(), item.get()).second)
            item->DropLink();
    prepared_ = true;
}

const std::vector<std::shared_ptr<TVdirTaskItem>>& TVdirFolderScan::Items()
{
    Prepare();
    return items_;
}

std::shared_ptr<TVdirTaskItem> TVdirFolderScan::FindByID(const std::string& EntryID)
{
    Prepare();
    auto it = byID_.find(EntryID);
    return it == byID_.end() ? nullptr : it->second->shared_from_this();
}

// Of several files with one UID the one named after it links; else the one seen first.
void TVdirFolderScan::MarkDuplicates()
{
    std::map<std::string, std::vector<TVdirTaskItem*>> byUid;
    for (const auto& item : items_)
        if (item->Kind() == TVdirTaskItem::ikTask)
            byUid[item->Uid()].push_back(item.get());
    for (auto& entry : byUid) {
        const std::string& uid = entry.first;
        std::vector<TVdirTaskItem*>& group = entry.second;
        if (group.size() < 2)
            continue;
        auto rank = [&](TVdirTaskItem* item) {
            const bool named = fs::path(item->FileName()).stem().string() == SafeFileStem(uid);
            auto rec = record_.find(item->FileName());
            const bool recorded = rec != record_.end() && rec->second.Uid == uid;
            return std::tuple(!named, !recorded, recorded ? rec->second.Seen : 0.0,
                              item->FileName());
        };
        std::sort(group.begin(), group.end(),
                  [&](TVdirTaskItem* a, TVdirTaskItem* b) { return rank(a) < rank(b); });
        for (size_t i = 1; i < group.size(); ++i)
            group[i]->MarkDuplicate("The file " + Quoted(dir_ / group[i]->FileName()) +
                                    " has the same UID as " + Quoted(dir_ / group[0]->FileName()) +
                                    " (" + uid + "); only the latter is synchronised, the copy is "
                                    "left as it is.");
    }
}

TDateTime TVdirFolderScan::SeenTime(const TVdirTaskItem& Item)
{
    Prepare();
    auto rec = record_.find(Item.FileName());
    if (rec != record_.end() && rec->second.Digest == Item.DiskDigest)
        return rec->second.Seen;
    // Changed or new since the last run: it changed when this run saw it. Without any record
    // (a first run, or an older outline) the file's own time on this machine stands in.
    return haveRecord_ ? scanTime_ : std::min(Item.FileTime(), scanTime_);
}

std::string TVdirFolderScan::RecordedUid(const std::string& FileName)
{
    LoadRecord();
    auto rec = record_.find(FileName);
    return rec == record_.end() ? std::string() : rec->second.Uid;
}

std::string TVdirFolderScan::NewFileName(const std::string& Uid)
{
    Load();
    const std::string stem = SafeFileStem(Uid);
    auto taken = [&](const std::string& name) {
        std::error_code ec;
        return fs::exists(dir_ / name, ec) ||
               std::find(reserved_.begin(), reserved_.end(), name) != reserved_.end();
    };
    std::string name = stem + ".ics";
    for (int n = 1; taken(name); ++n)
        name = stem + "-" + std::to_string(n) + ".ics";
    reserved_.push_back(name);
    return name;
}

void TVdirFolderScan::Stage(TVdirTaskItem& Item, const std::string& Text)
{
    const fs::path temp = dir_ / TempName(Item.FileName());
    const int fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    size_t done = 0;
    while (fd >= 0 && done < Text.size()) {
        const ssize_t n = ::write(fd, Text.data() + done, Text.size() - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break;
        done += static_cast<size_t>(n);
    }
    const int error = errno;
    if (fd >= 0) {
        // The data starts on its way to the disk now; the batch waits for it before renaming.
        if (done == Text.size())
            ::sync_file_range(fd, 0, 0, SYNC_FILE_RANGE_WRITE);
        ::close(fd);
    }
    if (fd < 0 || done != Text.size()) {
        ::unlink(temp.c_str());
        throw EOutlookError("Can not write file " + Quoted(temp) + ": " + std::strerror(error));
    }
    Item.StagedDigest = ContentDigest(Text);
    if (!Item.Staged)
        pending_.push_back(&Item);
    Item.Staged = true;
    if (pending_.size() >= kBatch)
        Flush();
}

std::vector<TEarlierLink> TVdirFolderScan::EarlierLinks()
{
    Prepare();
    std::vector<TEarlierLink> links;
    for (const TLink& link : earlier_) {
        std::shared_ptr<TVdirTaskItem> item = FindByID(link.Uid);
        if (item && item->Kind() == TVdirTaskItem::ikTask)
            links.push_back({link.Owner, item});
    }
    return links;
}

void TVdirFolderScan::KeepLink(const TVdirTaskItem& Item)
{
    Prepare();
    uint64_t digest = Item.DiskDigest;
    for (const TLink& link : earlier_)
        if (link.Uid == Item.Uid())
            digest = link.Digest;
    links_.push_back({Item.Uid(), digest, Item.Owner()});
    // Still as this outline wrote it: nothing changed on the folder's side.
    if (digest == Item.DiskDigest)
        record_[Item.FileName()] = {digest, 0, Item.Uid()};
}

void TVdirFolderScan::Added(const std::shared_ptr<TVdirTaskItem>& Item)
{
    Prepare();
    items_.push_back(Item);
    byID_.emplace(Item->LinkID(), Item.get());
}

void TVdirFolderScan::Remove(TVdirTaskItem& Item)
{
    const fs::path path = dir_ / Item.FileName();
    if (Item.Staged) {
        std::error_code ignored;
        fs::remove(dir_ / TempName(Item.FileName()), ignored);
        pending_.erase(std::remove(pending_.begin(), pending_.end(), &Item), pending_.end());
        Item.Staged = false;
    }
    if (Item.OnDisk) {
        TFileStamp now;
        std::string error;
        if (StatFile(path, now) && !(now == Item.DiskStamp) &&
            ContentDigest(ReadFile(path, now, error)) != Item.DiskDigest)
            throw EOutlookItemSkipped("The file " + Quoted(path) +
                                      " was changed by another program during the run; it is "
                                      "not deleted and is read again at the next run.");
        if (::unlink(path.c_str()) != 0 && errno != ENOENT)
            throw EOutlookError("Can not delete file " + Quoted(path) + ": " + std::strerror(errno));
    }
    Item.OnDisk = false;
    record_.erase(Item.FileName());
    auto id = byID_.find(Item.LinkID());
    if (id != byID_.end() && id->second == &Item)
        byID_.erase(id);
    items_.erase(std::remove_if(items_.begin(), items_.end(),
                                [&](const auto& i) { return i.get() == &Item; }),
                 items_.end());
}

void TVdirFolderScan::Flush()
{
    if (pending_.empty())
        return;
    // Every staged file's data is on the disk before any file takes its name, so a crash
    // leaves each item either old or new, never empty; one flush of the folder then makes
    // the new names last.
    for (TVdirTaskItem* item : pending_) {
        const int fd = ::open((dir_ / TempName(item->FileName())).c_str(), O_RDONLY | O_CLOEXEC);
        if (fd >= 0) {
            ::sync_file_range(fd, 0, 0,
                              SYNC_FILE_RANGE_WAIT_BEFORE | SYNC_FILE_RANGE_WRITE |
                                  SYNC_FILE_RANGE_WAIT_AFTER);
            ::close(fd);
        }
    }
    // The links of new items are kept before the items take their names, so that a run cut
    // short before the outline keeps them does not make them again.
    bool newLinks = false;
    for (TVdirTaskItem* item : pending_) {
        if (!item->OnDisk && !item->Owner().empty()) {
            links_.push_back({item->Uid(), item->StagedDigest, item->Owner()});
            newLinks = true;
        }
    }
    if (newLinks && !stateFile_.empty()) {
        try {
            WriteState(record_);
        } catch (const std::exception& e) {
            warnings_.push_back(e.what());
        }
    }
    const int dirFd = ::open(dir_.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    for (TVdirTaskItem* item : pending_) {
        const fs::path temp = dir_ / TempName(item->FileName());
        const fs::path path = dir_ / item->FileName();
        std::error_code ignored;
        item->Staged = false;
        if (item->OnDisk) {
            TFileStamp now;
            std::string error;
            const bool exists = StatFile(path, now);
            if (!exists || (!(now == item->DiskStamp) &&
                            ContentDigest(ReadFile(path, now, error)) != item->DiskDigest)) {
                fs::remove(temp, ignored);
                unsaved_.push_back(item->Uid());
                warnings_.push_back("The file " + Quoted(path) + " was " +
                                    (exists ? "changed" : "deleted") +
                                    " by another program during the run; it is left as it is "
                                    "and read again at the next run.");
                continue;
            }
            ::chmod(temp.c_str(), item->DiskStamp.Mode & 07777);
            if (::rename(temp.c_str(), path.c_str()) != 0) {
                warnings_.push_back("Can not write file " + Quoted(path) + ": " +
                                    std::strerror(errno));
                fs::remove(temp, ignored);
                unsaved_.push_back(item->Uid());
                continue;
            }
        } else {
            // A new file never replaces one that appeared meanwhile.
            std::string name = item->FileName();
            while (::renameat2(AT_FDCWD, temp.c_str(), AT_FDCWD, (dir_ / name).c_str(),
                               RENAME_NOREPLACE) != 0) {
                if (errno != EEXIST) {
                    warnings_.push_back("Can not write file " + Quoted(dir_ / name) + ": " +
                                        std::strerror(errno));
                    fs::remove(temp, ignored);
                    name.clear();
                    break;
                }
                name = NewFileName(item->Uid());
            }
            if (name.empty())
                continue;
            item->SetFileName(name);
            item->OnDisk = true;
        }
        StatFile(dir_ / item->FileName(), item->DiskStamp);
        item->DiskDigest = item->StagedDigest;
        record_[item->FileName()] = {item->StagedDigest, item->SavedAt, item->Uid()};
    }
    if (dirFd >= 0) {
        ::fsync(dirFd);
        ::close(dirFd);
    }
    pending_.clear();
    reserved_.clear();
}

std::vector<std::string> TVdirFolderScan::EndRun()
{
    Flush();
    if (prepared_ && !stateFile_.empty())
        SaveRecord();
    return std::exchange(warnings_, {});
}

void TVdirFolderScan::LoadRecord()
{
    if (recordLoaded_ || stateFile_.empty())
        return;
    recordLoaded_ = true;
    TFileStamp ignoredStamp;
    std::string error;
    const std::string text = ReadFile(stateFile_, ignoredStamp, error);
    std::istringstream in(text);
    std::string line;
    if (!std::getline(in, line) || line != kRecordHeader + dir_.string())
        return;
    haveRecord_ = true;
    while (std::getline(in, line)) {
        if (line.starts_with(kLinkTag)) {
            // link <digest> <UID> <owner key>
            const size_t t0 = std::strlen(kLinkTag);
            const size_t t1 = line.find('\t', t0);
            const size_t t2 = t1 == std::string::npos ? t1 : line.find('\t', t1 + 1);
            if (t2 != std::string::npos)
                earlier_.push_back({line.substr(t1 + 1, t2 - t1 - 1),
                                    std::strtoull(line.substr(t0, t1 - t0).c_str(), nullptr, 16),
                                    line.substr(t2 + 1)});
            continue;
        }
        const size_t t1 = line.find('\t');
        const size_t t2 = t1 == std::string::npos ? t1 : line.find('\t', t1 + 1);
        const size_t t3 = t2 == std::string::npos ? t2 : line.find('\t', t2 + 1);
        if (t3 == std::string::npos)
            continue;
        TSeen seen;
        seen.Digest = std::strtoull(line.substr(0, t1).c_str(), nullptr, 16);
        seen.Seen = std::strtod(line.substr(t1 + 1, t2 - t1 - 1).c_str(), nullptr);
        seen.Uid = line.substr(t2 + 1, t3 - t2 - 1);
        record_[line.substr(t3 + 1)] = seen;
    }
}

void TVdirFolderScan::SaveRecord()
{
    std::map<std::string, TSeen> next;
    for (const auto& item : items_) {
        if (!item->OnDisk)
            continue;
        if (item->Kind() == TVdirTaskItem::ikBroken) {
            // Kept as it was, so the file counts as changed once it can be read again.
            auto rec = record_.find(item->FileName());
            if (rec != record_.end())
                next[item->FileName()] = rec->second;
            continue;
        }
        // Whatever this run saw, it saw by its scan at the latest.
        next[item->FileName()] = {item->DiskDigest, std::min(SeenTime(*item), scanTime_),
                                  item->Uid()};
    }
    WriteState(next);
}

void TVdirFolderScan::WriteState(const std::map<std::string, TSeen>& Record)
{
    std::string text = kRecordHeader + dir_.string() + "\n";
    for (const auto& [name, seen] : Record)
        text += Format("%016llx\t%.17g\t", static_cast<unsigned long long>(seen.Digest), seen.Seen) +
                OneLine(seen.Uid) + "\t" + name + "\n";
    for (const TLink& link : links_)
        text += kLinkTag + Format("%016llx\t", static_cast<unsigned long long>(link.Digest)) +
                OneLine(link.Uid) + "\t" + OneLine(link.Owner) + "\n";
    const std::string temp = stateFile_ + ".tmp";
    try {
        {
            TFileStream out(temp, TFileMode::fmCreate);
            out.WriteBuffer(text.data(), static_cast<int64_t>(text.size()));
            out.FlushToDisk();
        }
        if (::rename(temp.c_str(), stateFile_.c_str()) != 0)
            throw EOutlookError(std::strerror(errno));
        SyncDirectoryOf(stateFile_);   // the new name lasts before any task file takes its own
    } catch (const std::exception& e) {
        ::unlink(temp.c_str());
        throw EOutlookError("Can not write file \"" + stateFile_ + "\": " + e.what());
    }
}
