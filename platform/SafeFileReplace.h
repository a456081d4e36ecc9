#pragma once
// Replacing a file without ever losing the one there: the new content goes to a temporary file
// beside it, made new, which is flushed to disk and only then takes the name in one rename. At
// every moment the name holds the old file or the new one, whole.
#include <functional>
#include <memory>
#include <string>

#include <sys/stat.h>
#include <sys/types.h>

class TFileStream;
class TMemoryStream;
class TStream;

// The first name tried for a temporary file beside fileName: short and the program's own, so
// that it fits wherever the target's name does. When taken, random characters are appended.
std::string TempFileNameFor(const std::string& fileName);
std::string BackupFileNameFor(const std::string& fileName);  // name + ".bak"

struct TReplaceRules {
    // The old file is kept under its backup name (see KeepBackup); a file written in place
    // gets its backup first, or is not written at all.
    bool Backup = false;
    // The data file is replaced whole or not at all: it is never written into a file that is no
    // regular file, nor in place in a folder the user may not write. Exports and archives are.
    bool DataFile = false;
};

// One replacement, from the temporary file's creation to its rename. A name that is a symbolic
// link (or a chain of them) stays one: the file it leads to is replaced, with the temporary and
// backup files beside it; in a shared sticky folder only links of the user or of the folder's
// owner are followed. The temporary file is always made new, and removed again unless it took
// the name.
//
// The file is written in place instead, keeping its owner, group and access, when the new file
// could not take its owner and group (a file shared with this user), and, except for the data
// file, when no file can be made in its folder or it is no regular file (a FIFO, a device). In a
// sticky folder that everyone may write, only a file of the user's or of the folder's owner is.
// A regular file keeps its old content until the new content is sure to fit; its backup copy
// gives no one more than the file did.
class TSafeFileReplace {
public:
    // Refuses a file of another user that may not be written here, a folder where nothing can be
    // made, and for the data file what is no regular file, each with "Can not override file: "
    // (or "Can not write file : " when there is no file yet), the name in double quotes and the
    // reason.
    explicit TSafeFileReplace(const std::string& fileName, TReplaceRules rules = {});
    ~TSafeFileReplace();
    TSafeFileReplace(const TSafeFileReplace&) = delete;
    TSafeFileReplace& operator=(const TSafeFileReplace&) = delete;

    const std::string& Target() const { return target_; }  // the file at the end of the links
    bool InPlace() const { return inPlace_; }
    const std::string& TempName() const { return tempName_; }  // empty in place

    // Runs write on the temporary file and pushes it to the disk. In place the content is made
    // first, then the backup, then the file is written; a write that fails after the old content
    // changed puts back the backup just made. A failed write names the file being replaced, not
    // the temporary one, and in place says whether that file is unchanged or incomplete (and
    // then whether the previous version is in the backup).
    void Write(const std::function<void(TStream&)>& write);
    // Keeps the file being replaced under its backup name: a second link to it or a whole copy,
    // flushed, takes that name in one rename, so an earlier backup stays until the new one is
    // whole; when no copy fits, the file itself takes the backup name just before the new one
    // takes its name. What stands under the backup name is never written through, and only a
    // file or a link is replaced there. Empty when kept (or there was none), else why it was not.
    std::string KeepBackup();
    // The temporary file takes the name, with the old file's mode. Raises "Can not override
    // file: " or "Can not write file : " with the name in double quotes and the reason.
    void Commit();

private:
    void CreateTempFile();
    bool TakeOldAttributes(int fd) const;
    bool IsStillNamed() const;
    std::string CopyAside(std::string& why, std::unique_ptr<TFileStream>& copy) const;
    std::string MakeBackup(bool linkAllowed, bool& copyFailed);
    void WriteInPlace(const TMemoryStream& content);
    std::string WhereThePreviousVersionIs(bool changed) const;
    void RefuseOthersFileInSharedFolder(const struct stat& file) const;
    [[noreturn]] void Fail(int error) const;
    [[noreturn]] void Fail(const std::string& reason) const;

    std::string fileName_;  // as given
    std::string target_;    // the file at the end of its links
    TReplaceRules rules_;
    bool replacing_ = false;  // a regular file is there
    bool inPlace_ = false;
    bool follow_ = false;  // target_ is a link only the system can follow
    bool movedAside_ = false;  // the old file took the backup name
    bool backupMade_ = false;  // a copy of the file from before this save is the backup
    bool previousInBackup_ = false;  // the file is what a failed save left; the backup stays
    mode_t mode_ = 0666;
    uid_t uid_ = 0;
    gid_t gid_ = 0;
    std::string tempName_;
    std::unique_ptr<TFileStream> stream_;
    std::unique_ptr<TFileStream> backupCopy_;  // the backup made in place, open for putting back
    bool committed_ = false;
};

// Writes fileName whole or not at all, without a backup (or in place, see above).
void ReplaceFileSafely(const std::string& fileName, const std::function<void(TStream&)>& write);
