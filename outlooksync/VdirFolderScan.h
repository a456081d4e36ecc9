#pragma once
// The inside of the folder store: one look at a folder per run (every ".ics" file read and
// parsed once), its task items, and what this outline saw of each file at its runs (a digest
// of the bytes and the local time the file was first seen that way). A file whose bytes differ
// from the record counts as changed when it was seen; the client's LAST-MODIFIED is data.
// Writes are staged beside the items and put in place in batches, each batch forced to disk
// first, and only where the file is still the one the run read. The links of new items reach
// the state file before the items take their names, and staged files a run cut short left
// behind are removed at the next look.
#include <sys/types.h>

#include <cstdint>
#include <filesystem>
#include <map>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "outlooksync/ICalTimes.h"
#include "outlooksync/OutlookAutomation.h"

class TVdirFolderScan;

// Identity and state of a file on disk, as far as a change check needs it.
struct TFileStamp {
    dev_t Device = 0;
    ino_t Inode = 0;
    off_t Size = -1;
    int64_t ModifiedNs = 0;
    mode_t Mode = 0;
    bool operator==(const TFileStamp&) const = default;
};

uint64_t ContentDigest(std::string_view Bytes);

class TVdirTaskItem : public IOutlookTaskItem,
                      public std::enable_shared_from_this<TVdirTaskItem> {
public:
    enum TKind { ikTask, ikOther, ikBroken, ikDuplicate };

    // A new item of the scan's folder.
    explicit TVdirTaskItem(std::weak_ptr<TVdirFolderScan> Scan) : scan_(std::move(Scan)) {}
    // An item read from a file of the folder. ReadError is set when the file could not be read.
    static std::shared_ptr<TVdirTaskItem> FromFile(std::weak_ptr<TVdirFolderScan> Scan,
                                                   const std::filesystem::path& File,
                                                   const std::string& Text,
                                                   const TFileStamp& Stamp,
                                                   const std::string& ReadError);

    std::string EntryID() override;
    std::u16string Subject() override;
    void SetSubject(const std::u16string& Value) override;
    std::u16string Body() override;
    void SetBody(const std::u16string& Value) override;
    std::u16string KeptSubject(const std::u16string& Value) override;
    std::u16string KeptBody(const std::u16string& Value) override;
    TDateTime KeptDate(TDateTime Value) override;
    std::u16string Categories() override;
    void SetCategories(const std::u16string& Value) override;
    TDateTime DueDate() override;
    void SetDueDate(TDateTime Value) override;
    TDateTime StartDate() override;
    void SetStartDate(TDateTime Value) override;
    TDateTime DateCompleted() override;
    void SetDateCompleted(TDateTime Value) override;
    TDateTime LastModificationTime() override;
    bool Complete() override;
    void SetComplete(bool Value) override;
    bool IsRecurring() override;
    void SetOwner(const std::string& Key) override;
    void Save() override;
    void Delete() override;

    // ---- For the scan ----
    TKind Kind() const { return kind_; }
    bool HoldsTodo() const { return holdsTodo_; }
    bool HoldsEvents() const { return holdsEvents_; }
    const std::string& FileName() const { return fileName_; }
    const std::string& Uid() const { return uid_; }
    // The UID, or for a file that cannot be used the UID it had (or the file's stem).
    std::string LinkID() const;
    void MarkDuplicate(const std::string& Problem);
    // A file that cannot be used names no task when a usable file holds its UID.
    void DropLink() { claimsLink_ = false; }
    // A file without a UID line keeps the UID the last run recorded for its name.
    void AdoptRecordedUid(const std::string& Uid);
    const std::string& Owner() const { return owner_; }
    // The bytes on disk as read, and after a staged write the bytes staged.
    uint64_t DiskDigest = 0;
    TFileStamp DiskStamp;
    uint64_t StagedDigest = 0;
    bool Staged = false;
    bool OnDisk = false;     // the file exists (read at the scan, or put in place)
    TDateTime FileTime() const { return fileTime_; }
    void SetFileName(const std::string& Name) { fileName_ = Name; }
    TDateTime SavedAt = 0;   // 0 until the run saved the item

private:
    void Check() const;
    void ReadFields();
    bool WriteFields(TICalComponent& Todo);   // true when a field changed
    void WriteDates(TICalComponent& Todo);
    bool WriteCompletion(TICalComponent& Todo);   // false: nothing written
    std::shared_ptr<TVdirFolderScan> Scan() const;
    void NewFile();

    struct TLoaded {
        std::string summary, description;
        std::vector<std::string> categories;
        TDateTime due = OutlookNoDate, start = OutlookNoDate, completed = OutlookNoDate;
        bool complete = false;
    };

    std::weak_ptr<TVdirFolderScan> scan_;
    TKind kind_ = ikTask;
    bool holdsTodo_ = false, holdsEvents_ = false;
    std::string fileName_;
    std::vector<TICalComponent> file_;
    std::string problem_;
    bool deleted_ = false;
    bool claimsLink_ = true;
    bool unreadable_ = false;
    bool uidLine_ = false;   // the UID was read from the file
    std::string owner_;

    std::string uid_, summary_, description_;   // line breaks as LF
    std::vector<std::string> categories_;
    TDateTime due_ = OutlookNoDate, start_ = OutlookNoDate, completed_ = OutlookNoDate;
    TICalTimeForm dueForm_, startForm_;
    bool complete_ = false, recurring_ = false;
    TLoaded loaded_;
    TDateTime fileTime_ = 0;
};

class TVdirFolderScan : public std::enable_shared_from_this<TVdirFolderScan> {
public:
    explicit TVdirFolderScan(std::filesystem::path Dir) : dir_(std::move(Dir)) {}

    const std::filesystem::path& Dir() const { return dir_; }
    void SetStateFile(const std::string& Path) { stateFile_ = Path; }
    // True when the folder holds a task, or no event or journal entry either.
    bool HoldsTasks();
    // The task items (also those that cannot be used), in file-name order, with new items
    // saved during the run at the end.
    const std::vector<std::shared_ptr<TVdirTaskItem>>& Items();
    std::shared_ptr<TVdirTaskItem> FindByID(const std::string& EntryID);

    // ---- For the items ----
    TDateTime SeenTime(const TVdirTaskItem& Item);
    std::string RecordedUid(const std::string& FileName);
    // A free file name for a new item with this UID.
    std::string NewFileName(const std::string& Uid);
    void Stage(TVdirTaskItem& Item, const std::string& Text);
    void Added(const std::shared_ptr<TVdirTaskItem>& Item);
    void Remove(TVdirTaskItem& Item);

    // Items saved for tasks by the last runs (the state file's links), in the order saved.
    std::vector<TEarlierLink> EarlierLinks();
    // An earlier link taken again: kept for one more run.
    void KeepLink(const TVdirTaskItem& Item);

    // A warning for the run's log.
    void Warn(std::string Text) { warnings_.push_back(std::move(Text)); }
    // Puts the staged writes in place and keeps the record; returns warnings.
    std::vector<std::string> EndRun();
    // The UIDs of items whose staged write was not put in place.
    const std::vector<std::string>& Unsaved() const { return unsaved_; }

private:
    struct TSeen {
        uint64_t Digest = 0;
        TDateTime Seen = 0;
        std::string Uid;
    };
    // A link this outline may not have kept: the UID of an item saved for the task with the
    // owner key, and the digest of what was saved.
    struct TLink {
        std::string Uid;
        uint64_t Digest = 0;
        std::string Owner;
    };
    void Load();
    void Prepare();
    void LoadRecord();
    void SaveRecord();
    void WriteState(const std::map<std::string, TSeen>& Record);
    void Flush();
    void MarkDuplicates();

    std::filesystem::path dir_;
    std::string stateFile_;
    bool loaded_ = false, prepared_ = false;
    TDateTime scanTime_ = 0;
    std::vector<std::shared_ptr<TVdirTaskItem>> files_;   // every calendar file
    std::vector<std::shared_ptr<TVdirTaskItem>> items_;
    std::unordered_map<std::string, TVdirTaskItem*> byID_;
    std::map<std::string, TSeen> record_;
    std::vector<TLink> earlier_, links_;
    bool haveRecord_ = false, recordLoaded_ = false;
    std::vector<TVdirTaskItem*> pending_;
    std::vector<std::string> warnings_;
    std::vector<std::string> unsaved_;
    std::vector<std::string> reserved_;   // names of new files not yet in place
};
