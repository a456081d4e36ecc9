#include "platform/SafeFileReplace.h"

#include "platform/Exceptions.h"
#include "platform/FileUtils.h"
#include "platform/Stream.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <random>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>
#include <vector>

namespace {

std::string Quoted(const std::string& name) { return '"' + name + '"'; }

// The names of a file's extended attributes, or none when it has none or they cannot be read.
std::vector<std::string> AttributeNames(const std::string& file)
{
    std::vector<char> list;
    for (;;) {
        const ssize_t size = ::listxattr(file.c_str(), nullptr, 0);
        if (size <= 0)
            return {};
        list.resize(size_t(size));
        const ssize_t got = ::listxattr(file.c_str(), list.data(), list.size());
        if (got >= 0) {
            list.resize(size_t(got));
            break;
        }
        if (errno != ERANGE)  // ERANGE: one was added meanwhile, ask again
            return {};
    }
    std::vector<std::string> names;
    for (size_t at = 0; at < list.size();) {
        const size_t length = ::strnlen(list.data() + at, list.size() - at);
        names.emplace_back(list.data() + at, length);
        at += length + 1;
    }
    return names;
}

bool CopyFileContent(int from, int to)
{
    char buffer[1 << 16];
    for (;;) {
        const ssize_t n = ::read(from, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return n == 0;
        for (ssize_t done = 0; done < n;) {
            const ssize_t w = ::write(to, buffer + done, size_t(n - done));
            if (w < 0 && errno == EINTR)
                continue;
            if (w <= 0)
                return false;
            done += w;
        }
    }
}

} // namespace

std::string TempFileNameFor(const std::string& fileName) { return fileName + ".$TovrinTmp$"; }
std::string BackupFileNameFor(const std::string& fileName) { return fileName + ".bak"; }

TSafeFileReplace::TSafeFileReplace(const std::string& fileName) : fileName_(fileName)
{
    target_ = ResolveFileLinks(fileName);
    if (target_.empty())
        throw EFCreateError("Cannot create file " + Quoted(fileName) + ". " + std::strerror(ELOOP));
    struct stat previous {};
    replacing_ = ::stat(target_.c_str(), &previous) == 0 && S_ISREG(previous.st_mode);
    if (replacing_) {
        mode_ = previous.st_mode & 07777;
        uid_ = previous.st_uid;
        gid_ = previous.st_gid;
        // The folder's write right would let the rename replace a file its owner keeps from us;
        // one's own read-only file may still be replaced, as before.
        if (uid_ != ::geteuid() && ::faccessat(AT_FDCWD, target_.c_str(), W_OK, AT_EACCESS) != 0)
            throw Exception("Can not override file: " + Quoted(fileName) + ". " + std::strerror(errno));
    }
    CreateTempFile();
    if (replacing_)
        TakeOldAttributes();
}

TSafeFileReplace::~TSafeFileReplace()
{
    if (stream_ && !committed_ && IsStillNamed())
        ::unlink(tempName_.c_str());
}

void TSafeFileReplace::CreateTempFile()
{
    // Until the rename the owner may also write, so that a read-only file can still be replaced;
    // the kept mode is given whole just before it.
    const mode_t mode = replacing_ ? mode_ | S_IRUSR | S_IWUSR : 0666;
    std::mt19937 random(std::random_device{}() ^ static_cast<unsigned>(::getpid()));
    const char digits[] = "0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz";
    for (int attempt = 0; attempt < 100; ++attempt) {
        tempName_ = TempFileNameFor(target_);
        if (attempt > 0)
            for (int i = 0; i < 6; ++i)
                tempName_ += digits[random() % (sizeof digits - 1)];
        stream_ = TFileStream::CreateNew(tempName_, mode);
        if (stream_)
            return;
    }
    throw EFCreateError("Cannot create file " + Quoted(TempFileNameFor(target_)) + ". " + std::strerror(EEXIST));
}

// Owner, group and extended attributes, each where the system allows it: root saving another
// user's outline leaves it that user's, and a user may still give a file a group of his own.
void TSafeFileReplace::TakeOldAttributes()
{
    const int fd = stream_->Handle();
    struct stat made {};
    if (::fstat(fd, &made) == 0 && (made.st_uid != uid_ || made.st_gid != gid_))
        if (::fchown(fd, uid_, gid_) != 0 && made.st_gid != gid_)
            (void)::fchown(fd, uid_t(-1), gid_);
    std::vector<char> value;
    for (const std::string& name : AttributeNames(target_)) {
        const ssize_t size = ::getxattr(target_.c_str(), name.c_str(), nullptr, 0);
        if (size < 0)
            continue;
        value.resize(size_t(size) + 1);
        const ssize_t got = ::getxattr(target_.c_str(), name.c_str(), value.data(), value.size());
        if (got >= 0)
            (void)::fsetxattr(fd, name.c_str(), value.data(), size_t(got), 0);
    }
}

bool TSafeFileReplace::IsStillNamed() const
{
    struct stat a, b;
    return ::fstat(stream_->Handle(), &a) == 0 && ::lstat(tempName_.c_str(), &b) == 0 &&
           a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

void TSafeFileReplace::Write(const std::function<void(TStream&)>& write)
{
    try {
        write(*stream_);
    } catch (const EWriteError&) {
        // The temporary name means nothing to the user; the file being written does.
        throw EWriteError(StreamWriteErrorText(fileName_, stream_->LastWriteError()));
    }
    stream_->FlushToDisk();
}

std::string TSafeFileReplace::KeepBackup()
{
    if (!replacing_)
        return {};
    const std::string backup = BackupFileNameFor(target_);
    auto refused = [&](int error) { return "The backup " + Quoted(backup) + " cannot be made. " + std::strerror(error); };
    // Whatever stands under the backup name goes first; what cannot be removed (a sticky folder,
    // another user's file or link) is left alone and no backup is made.
    if (::unlink(backup.c_str()) != 0 && errno != ENOENT)
        return refused(errno);
    // The old file stays under its name until the rename, so the backup is a second link to it;
    // link() never follows or replaces what stands at the new name.
    if (::link(target_.c_str(), backup.c_str()) == 0)
        return {};
    if (errno == EEXIST)
        return refused(EEXIST);
    // A file system without links, or a file not ours to link: a copy, made new.
    std::unique_ptr<TFileStream> copy;
    try {
        copy = TFileStream::CreateNew(backup, mode_);
    } catch (const EFCreateError& e) {
        return refused(e.SystemError());
    }
    if (!copy)
        return refused(EEXIST);
    const int from = ::open(target_.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC);
    const bool copied = from >= 0 && CopyFileContent(from, copy->Handle());
    const int error = errno;
    if (from >= 0)
        ::close(from);
    if (!copied) {
        ::unlink(backup.c_str());
        return refused(error);
    }
    return {};
}

void TSafeFileReplace::FailCommit(int error) const
{
    struct stat there;
    const bool exists = ::stat(target_.c_str(), &there) == 0;
    throw Exception((exists ? "Can not override file: " : "Can not write file : ") + Quoted(fileName_) + ". " +
                    std::strerror(error));
}

void TSafeFileReplace::Commit()
{
    if (replacing_)
        (void)::fchmod(stream_->Handle(), mode_);  // a file system without modes refuses, and the save goes on
    if (!IsStillNamed())
        FailCommit(ENOENT);  // another program took the temporary name away
    if (::rename(tempName_.c_str(), target_.c_str()) != 0)
        FailCommit(errno);
    committed_ = true;
    SyncDirectoryOf(target_);
}

void ReplaceFileSafely(const std::string& fileName, const std::function<void(TStream&)>& write)
{
    TSafeFileReplace replace(fileName);
    replace.Write(write);
    replace.Commit();
}
