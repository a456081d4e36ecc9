#pragma once
// Replacing a file without ever losing the one there: the new content goes to a temporary file
// beside it, made new, which is flushed to disk and only then takes the name in one rename. At
// every moment the name holds the old file or the new one, whole.
#include <functional>
#include <memory>
#include <string>

#include <sys/types.h>

class TFileStream;
class TStream;

std::string TempFileNameFor(const std::string& fileName);    // name + ".$TovrinTmp$", the first choice
std::string BackupFileNameFor(const std::string& fileName);  // name + ".bak"

// One replacement, from the temporary file's creation to its rename. A name that is a symbolic
// link (or a chain of them) stays one: the file it leads to is replaced, with the temporary and
// backup files beside it. The temporary file is always made new, under the name above or, when
// that is taken, the name with a few random characters appended; it is removed again unless it
// took the name.
class TSafeFileReplace {
public:
    // Refuses a file of another user that may not be written here ("Can not override file: "
    // and the name in double quotes, then the reason), and gives the temporary file the old
    // file's owner, group and extended attributes (ACLs among them) where the system allows.
    explicit TSafeFileReplace(const std::string& fileName);
    ~TSafeFileReplace();
    TSafeFileReplace(const TSafeFileReplace&) = delete;
    TSafeFileReplace& operator=(const TSafeFileReplace&) = delete;

    const std::string& TempName() const { return tempName_; }
    TFileStream& Stream() { return *stream_; }

    // Runs write on the temporary file and pushes it to the disk. A failed write names the
    // file being replaced, not the temporary one.
    void Write(const std::function<void(TStream&)>& write);
    // Keeps the file being replaced under its backup name, made new: an existing backup name
    // is never written through. Empty when kept (or there was none), else why it was not.
    std::string KeepBackup();
    // The temporary file takes the name, with the old file's mode. Raises "Can not override
    // file: " or "Can not write file : " with the name in double quotes and the reason.
    void Commit();

private:
    void CreateTempFile();
    void TakeOldAttributes();
    bool IsStillNamed() const;
    [[noreturn]] void FailCommit(int error) const;

    std::string fileName_;  // as given
    std::string target_;    // the file at the end of its links
    bool replacing_ = false;
    mode_t mode_ = 0666;
    uid_t uid_ = 0;
    gid_t gid_ = 0;
    std::string tempName_;
    std::unique_ptr<TFileStream> stream_;
    bool committed_ = false;
};

// Writes fileName whole or not at all, without a backup.
void ReplaceFileSafely(const std::string& fileName, const std::function<void(TStream&)>& write);
