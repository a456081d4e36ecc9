#include "platform/SafeFileReplace.h"

#include "platform/Exceptions.h"
#include "platform/FileAccess.h"
#include "platform/FileUtils.h"
#include "platform/InPlaceWrite.h"
#include "platform/LinkWalk.h"
#include "platform/Stream.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <random>
#include <sys/stat.h>
#include <unistd.h>

namespace {

std::string Quoted(const std::string& name) { return '"' + name + '"'; }

bool CopyFileContent(int from, int to)
{
    char buffer[1 << 16];
    for (;;) {
        const ssize_t n = ::read(from, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return n == 0;
        if (!WriteWhole(to, buffer, size_t(n)))
            return false;
    }
}

// Names for files of the program's own beside the target: short, so that they fit wherever the
// target's name does, the first one fixed and the rest random, so that one left behind by a
// save that was killed never stands in the way.
class TFreshNames {
public:
    explicit TFreshNames(const std::string& target) : first_(TempFileNameFor(target)) {}
    // Calls make with names until it makes one (0) or fails for another reason than a taken
    // name (EEXIST); the name made, or empty with error set.
    template <class F> std::string Make(F make, int& error)
    {
        static const char digits[] = "0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz";
        for (int attempt = 0; attempt < 100; ++attempt) {
            std::string name = first_;
            for (int i = 0; attempt > 0 && i < 6; ++i)
                name += digits[random_() % (sizeof digits - 1)];
            error = make(name);
            if (error == 0)
                return name;
            if (error != EEXIST)
                return {};
        }
        return {};
    }

private:
    std::string first_;
    std::mt19937 random_{std::random_device{}() ^ static_cast<unsigned>(::getpid())};
};

bool SameFile(const std::string& a, const std::string& b)
{
    struct stat x, y;
    return ::lstat(a.c_str(), &x) == 0 && ::lstat(b.c_str(), &y) == 0 && x.st_dev == y.st_dev && x.st_ino == y.st_ino;
}

} // namespace

std::string TempFileNameFor(const std::string& fileName) { return ExtractFilePath(fileName) + ".$TovrinTmp$"; }
std::string BackupFileNameFor(const std::string& fileName) { return fileName + ".bak"; }

TSafeFileReplace::TSafeFileReplace(const std::string& fileName, TReplaceRules rules) : fileName_(fileName), rules_(rules)
{
    const TLinkWalk walk = WalkFileLinks(fileName);
    if (walk.Error == ELOOP)
        throw EFCreateError("Cannot create file " + Quoted(fileName) + ". " + std::strerror(ELOOP), ELOOP);
    if (walk.Error != 0)
        throw EFCreateError("Can not override file: " + Quoted(fileName) + ". The link " + Quoted(walk.Refused) +
                                " in a shared folder belongs to another user",
                            walk.Error);
    target_ = walk.Target;
    struct stat previous {};
    bool exists = ::lstat(target_.c_str(), &previous) == 0;
    // A link of the system's own that names no path (/dev/stdout on a pipe) leads where the
    // system alone can follow it: the pipe is written into like any FIFO.
    if (!exists && ::stat(fileName.c_str(), &previous) == 0 && !S_ISREG(previous.st_mode) && !S_ISDIR(previous.st_mode)) {
        target_ = fileName;
        exists = follow_ = true;
    }
    if (exists && S_ISDIR(previous.st_mode))
        Fail(EISDIR);
    if (exists && !S_ISREG(previous.st_mode)) {
        // A FIFO or a device is written into, never replaced by a file.
        if (rules_.DataFile)
            Fail("Not a regular file");
        RefuseOthersFileInSharedFolder(previous);
        inPlace_ = true;
        return;
    }
    replacing_ = exists;
    if (replacing_) {
        mode_ = previous.st_mode & 07777;
        uid_ = previous.st_uid;
        gid_ = previous.st_gid;
        // The folder's write right would let the rename replace a file its owner keeps from us;
        // one's own read-only file may still be replaced, as before.
        if (uid_ != ::geteuid() && ::faccessat(AT_FDCWD, target_.c_str(), W_OK, AT_EACCESS) != 0)
            Fail(errno);
    }
    try {
        CreateTempFile();
    } catch (const EFCreateError& e) {
        // A folder the user may not write: an export still goes into his own writable file.
        const int error = e.SystemError();
        if (!replacing_ || rules_.DataFile || (error != EACCES && error != EPERM))
            Fail(error);
        inPlace_ = true;
    }
    if (stream_ && replacing_ && !TakeOldAttributes(stream_->Handle())) {
        // The new file would take the file from its owner or group: it is written in place.
        if (IsStillNamed())
            ::unlink(tempName_.c_str());
        stream_.reset();
        inPlace_ = true;
    }
    if (inPlace_) {
        tempName_.clear();
        RefuseOthersFileInSharedFolder(previous);
        if (::faccessat(AT_FDCWD, target_.c_str(), W_OK, AT_EACCESS) != 0)
            Fail(errno);
    }
}

TSafeFileReplace::~TSafeFileReplace()
{
    if (stream_ && !committed_ && IsStillNamed())
        ::unlink(tempName_.c_str());
    // The file from before the save went to the backup name and the save failed: it comes back.
    struct stat there;
    if (movedAside_ && !committed_ && ::lstat(target_.c_str(), &there) != 0 && errno == ENOENT)
        ::rename(BackupFileNameFor(target_).c_str(), target_.c_str());
}

void TSafeFileReplace::CreateTempFile()
{
    // The owner's alone until it has the old file's owner and group: what is written into it
    // is read by no one that opened it meanwhile.
    const mode_t mode = replacing_ ? S_IRUSR | S_IWUSR : 0666;
    TFreshNames names(target_);
    int error = 0;
    tempName_ = names.Make(
        [&](const std::string& name) {
            stream_ = TFileStream::CreateNew(name, mode);
            return stream_ ? 0 : EEXIST;
        },
        error);
    if (!stream_)
        throw EFCreateError(std::strerror(error), error != 0 ? error : EEXIST);
}

// Owner, group and access, each where the system allows it: root saving another user's outline
// leaves it that user's, and a user may still give a file a group of his own. The access is
// exactly the old file's: its ACL when it had one, none when it had none (a folder's default
// ACL would widen it); until the rename the owner may also write, so that a read-only file can
// still be replaced (and locked). False when the owner or the group could not be given: then
// the file keeps its private mode.
bool TSafeFileReplace::TakeOldAttributes(int fd) const
{
    struct stat made {};
    if (::fstat(fd, &made) == 0 && (made.st_uid != uid_ || made.st_gid != gid_))
        if (::fchown(fd, uid_, gid_) != 0 && made.st_gid != gid_)
            (void)::fchown(fd, uid_t(-1), gid_);
    if (::fstat(fd, &made) != 0 || made.st_uid != uid_ || made.st_gid != gid_)
        return false;
    CopyExtendedAttributes(target_, fd);
    (void)::fchmod(fd, (mode_ | S_IRUSR | S_IWUSR) & 07777);
    return true;
}

bool TSafeFileReplace::IsStillNamed() const
{
    struct stat a, b;
    return ::fstat(stream_->Handle(), &a) == 0 && ::lstat(tempName_.c_str(), &b) == 0 &&
           a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

void TSafeFileReplace::Write(const std::function<void(TStream&)>& write)
{
    if (inPlace_) {
        // Made whole first, so that a writer that fails leaves the file as it was.
        TMemoryStream content;
        write(content);
        if (replacing_ && rules_.Backup) {
            bool copyFailed = false;
            const std::string refused = MakeBackup(false, copyFailed);
            if (!refused.empty())
                Fail(refused + ". " + WhereThePreviousVersionIs(false));
        }
        WriteInPlace(content);
        return;
    }
    // The file being replaced is still the one from before.
    const std::string untouched = replacing_ ? ". " + WhereThePreviousVersionIs(false) : "";
    try {
        write(*stream_);
    } catch (const EWriteError&) {
        // The temporary name means nothing to the user; the file being written does.
        throw EWriteError(StreamWriteErrorText(fileName_, stream_->LastWriteError()) + untouched);
    }
    // Flushed here rather than by the stream, so that a failure names the user's file too.
    if (::fsync(stream_->Handle()) != 0)
        throw EWriteError("Cannot write " + Quoted(fileName_) + " to disk. " + std::strerror(errno) + untouched);
}

void TSafeFileReplace::WriteInPlace(const TMemoryStream& content)
{
    const auto* bytes = reinterpret_cast<const char*>(content.Bytes().data());
    const size_t size = content.Bytes().size();
    // Without waiting: a FIFO that nobody reads is refused instead of stalling the program.
    const int fd = ::open(target_.c_str(), O_WRONLY | (follow_ ? 0 : O_NOFOLLOW) | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0)
        Fail(errno);
    struct Closer {
        int fd;
        ~Closer() { ::close(fd); }
    } closer{fd};
    struct stat st {};
    if (::fstat(fd, &st) != 0)
        Fail(errno);
    // What was opened is checked again: the name may lead elsewhere than when it was looked at.
    RefuseOthersFileInSharedFolder(st);
    (void)::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    if (!S_ISREG(st.st_mode)) {
        if (replacing_)
            Fail("Not a regular file");  // put there since the file was looked at
        if (!WriteWhole(fd, bytes, size))
            throw EWriteError(StreamWriteErrorText(fileName_, errno));
        return;
    }
    const TInPlaceOutcome outcome = OverwriteInPlace(fd, bytes, size);
    if (outcome.Error == 0)
        return;
    bool whole = !outcome.Changed;
    // From the copy still open, not by its name: whoever may write the folder may have put
    // another file there meanwhile.
    if (!whole && backupCopy_)
        whole = RestoreContent(fd, backupCopy_->Handle());
    // Emptied, a file the save left incomplete is taken for no version by the next backup.
    if (!whole && (backupMade_ || previousInBackup_))
        (void)::ftruncate(fd, 0);
    throw EWriteError(StreamWriteErrorText(fileName_, outcome.Error) + ". " + WhereThePreviousVersionIs(!whole));
}

std::string TSafeFileReplace::WhereThePreviousVersionIs(bool changed) const
{
    const std::string file = "The file " + Quoted(fileName_);
    if (!changed && !previousInBackup_)
        return file + " is unchanged.";
    if (backupMade_ || previousInBackup_)
        return file + " is incomplete; the previous version is in " + Quoted(BackupFileNameFor(target_)) + ".";
    return file + " is incomplete.";
}

void TSafeFileReplace::RefuseOthersFileInSharedFolder(const struct stat& file) const
{
    // A second name of the folder owner's file is one that anyone may have linked there.
    const std::string folder = ExtractFilePath(target_);
    const bool othersLink = file.st_nlink > 1 && file.st_uid != ::geteuid() && IsSharedFolder(folder);
    if (othersLink || !IsTrustedInFolder(folder, file.st_uid))
        Fail("The file " + Quoted(target_) + " in a shared folder belongs to another user");
}

// A whole copy of the old file under a fresh name beside it, flushed, with its owner (as root),
// access and mode; empty with why set when it cannot be made.
std::string TSafeFileReplace::CopyAside(std::string& why, std::unique_ptr<TFileStream>& copy) const
{
    int error = 0;
    const std::string name = TFreshNames(target_).Make(
        [&](const std::string& fresh) {
            try {
                copy = TFileStream::CreateNew(fresh, S_IRUSR | S_IWUSR);  // private until its access is set
            } catch (const EFCreateError& e) {
                return e.SystemError() != 0 ? e.SystemError() : EIO;
            }
            return copy ? 0 : EEXIST;
        },
        error);
    why = std::strerror(error);
    if (!copy)
        return {};
    if (TakeOldAttributes(copy->Handle()))
        (void)::fchmod(copy->Handle(), mode_);  // no one writes to it
    else
        GiveCopyTheOldAccess(target_, copy->Handle(), uid_, gid_, mode_);
    // Without waiting: another program may have put a FIFO there since the file was looked at.
    const int from = ::open(target_.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    struct stat st {};
    const bool regular = from >= 0 && ::fstat(from, &st) == 0 && S_ISREG(st.st_mode);
    bool copied = regular && CopyFileContent(from, copy->Handle()) && ::fsync(copy->Handle()) == 0;
    why = from >= 0 && !regular ? "Not a regular file" : std::strerror(errno);
    if (from >= 0)
        ::close(from);
    if (!copied) {
        ::unlink(name.c_str());
        return {};
    }
    return name;
}

// The backup made new: a second link to the old file (where links are allowed and the file
// system has them) or a whole copy takes the backup name in one rename. Empty when made, else
// why not; copyFailed tells that the name could be used but no copy could be made.
std::string TSafeFileReplace::MakeBackup(bool linkAllowed, bool& copyFailed)
{
    const std::string backup = BackupFileNameFor(target_);
    auto refused = [&](const std::string& reason) { return "The backup " + Quoted(backup) + " cannot be made. " + reason; };
    struct stat there {};
    if (::lstat(backup.c_str(), &there) == 0) {
        // A FIFO or a device is never replaced (a folder refuses the rename by itself).
        if (!S_ISREG(there.st_mode) && !S_ISLNK(there.st_mode) && !S_ISDIR(there.st_mode))
            return refused("Not a regular file");
    } else if (errno != ENOENT) {
        return refused(std::strerror(errno));
    }
    // An empty file is no version (a failed save left it so): the backup from before stays.
    struct stat file {};
    if (S_ISREG(there.st_mode) && there.st_size > 0 && ::lstat(target_.c_str(), &file) == 0 && S_ISREG(file.st_mode) &&
        file.st_size == 0) {
        previousInBackup_ = true;
        return {};
    }
    int error = 0;
    std::string aside, why;
    std::unique_ptr<TFileStream> copy;
    if (linkAllowed)
        aside = TFreshNames(target_).Make(
            [&](const std::string& fresh) { return ::link(target_.c_str(), fresh.c_str()) == 0 ? 0 : errno; }, error);
    if (aside.empty())
        aside = CopyAside(why, copy);
    if (aside.empty()) {
        copyFailed = true;
        return refused(why);
    }
    if (::rename(aside.c_str(), backup.c_str()) != 0) {
        error = errno;
        ::unlink(aside.c_str());
        return refused(std::strerror(error));
    }
    // Two names of one file are left as they were by the rename.
    if (SameFile(aside, backup))
        ::unlink(aside.c_str());
    SyncDirectoryOf(backup);
    backupMade_ = true;
    backupCopy_ = std::move(copy);
    return {};
}

std::string TSafeFileReplace::KeepBackup()
{
    if (!replacing_ || inPlace_)
        return {};
    bool copyFailed = false;
    const std::string refused = MakeBackup(true, copyFailed);
    if (!copyFailed)
        return refused;
    // No room for a copy: the file itself takes the backup name, just before the new file takes
    // its own; the earlier backup goes only now.
    const std::string backup = BackupFileNameFor(target_);
    if (::rename(target_.c_str(), backup.c_str()) != 0)
        return "The backup " + Quoted(backup) + " cannot be made. " + std::strerror(errno);
    movedAside_ = true;
    return {};
}

void TSafeFileReplace::Fail(int error) const { Fail(std::strerror(error)); }

void TSafeFileReplace::Fail(const std::string& reason) const
{
    struct stat there;
    const bool exists = ::stat(target_.empty() ? fileName_.c_str() : target_.c_str(), &there) == 0;
    throw EFCreateError((exists ? "Can not override file: " : "Can not write file : ") + Quoted(fileName_) + ". " + reason);
}

void TSafeFileReplace::Commit()
{
    if (inPlace_) {
        committed_ = true;
        return;
    }
    if (replacing_)
        (void)::fchmod(stream_->Handle(), mode_);  // a file system without modes refuses, and the save goes on
    if (!IsStillNamed())
        Fail(ENOENT);  // another program took the temporary name away
    // Whatever another program put there meanwhile: only a file is replaced.
    struct stat there;
    if (::lstat(target_.c_str(), &there) == 0 && !S_ISREG(there.st_mode))
        Fail(S_ISDIR(there.st_mode) ? std::strerror(EISDIR) : "Not a regular file");
    if (::rename(tempName_.c_str(), target_.c_str()) != 0)
        Fail(errno);
    committed_ = true;
    SyncDirectoryOf(target_);
}

void ReplaceFileSafely(const std::string& fileName, const std::function<void(TStream&)>& write)
{
    TSafeFileReplace replace(fileName);
    replace.Write(write);
    replace.Commit();
}
