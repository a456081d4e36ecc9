#include "ui/mainwindow/SafeFileSave.h"

#include "platform/Exceptions.h"
#include "platform/FileUtils.h"
#include "platform/Stream.h"
#include "ui/mainwindow/DataFileLock.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <memory>
#include <random>
#include <sys/stat.h>
#include <unistd.h>

namespace {

void Step(const TSafeSaveOptions& options, TSaveStep step)
{
    if (options.BeforeStep)
        options.BeforeStep(step);
}

bool SameInode(const struct stat& a, const struct stat& b) { return a.st_dev == b.st_dev && a.st_ino == b.st_ino; }

// The temporary file of one save. It is always made new, so that neither a link planted under
// its name nor a file left by an earlier save is ever written or lends its mode; when the name
// is taken another one is tried. Unless it took the file's name, it is removed again.
class TTempFile {
public:
    // A kept mode is given whole just before the rename; until then the owner may also write,
    // so that a read-only file can still be replaced.
    TTempFile(const std::string& target, mode_t mode, bool keepMode) : mode_(mode), keepMode_(keepMode)
    {
        if (keepMode)
            mode |= S_IRUSR | S_IWUSR;
        std::mt19937 random(std::random_device{}() ^ static_cast<unsigned>(::getpid()));
        const char digits[] = "0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz";
        for (int attempt = 0; attempt < 100; ++attempt) {
            name_ = TempFileNameFor(target);
            if (attempt > 0)
                for (int i = 0; i < 6; ++i)
                    name_ += digits[random() % (sizeof digits - 1)];
            stream_ = TFileStream::CreateNew(name_, mode);
            if (stream_)
                return;
        }
        name_ = TempFileNameFor(target);
        Fail(EEXIST);
    }
    ~TTempFile()
    {
        if (IsStillNamed())  // not once it took the file's name
            ::unlink(name_.c_str());
    }
    TTempFile(const TTempFile&) = delete;
    TTempFile& operator=(const TTempFile&) = delete;

    const std::string& Name() const { return name_; }
    TFileStream& Stream() { return *stream_; }
    // Whether the name is still the file made here.
    bool IsStillNamed() const
    {
        struct stat a, b;
        return ::fstat(stream_->Handle(), &a) == 0 && ::lstat(name_.c_str(), &b) == 0 &&
               SameInode(a, b);
    }
    void TakeKeptMode() const
    {
        if (keepMode_)
            ::fchmod(stream_->Handle(), mode_);  // a file system without modes refuses, and the save goes on
    }
    [[noreturn]] void Fail(int error) const
    {
        throw EFCreateError("Cannot create file \"" + name_ + "\". " + std::strerror(error));
    }

private:
    std::string name_;
    mode_t mode_;
    bool keepMode_;
    std::unique_ptr<TFileStream> stream_;
};

// The previous file stays under the name until the rename replaces it, so the backup is a
// second link to it (a copy where links are not possible). A failed backup does not stop the
// save: the new file is complete either way.
void KeepBackup(const std::string& fileName)
{
    if (!FileExists(fileName))
        return;
    const std::string backup = BackupFileNameFor(fileName);
    DeleteFile(backup);
    if (::link(fileName.c_str(), backup.c_str()) == 0)
        return;
    std::error_code ec;
    std::filesystem::copy_file(fileName, backup, std::filesystem::copy_options::overwrite_existing, ec);
}

} // namespace

std::string TempFileNameFor(const std::string& fileName) { return fileName + ".$TovrinTmp$"; }
std::string BackupFileNameFor(const std::string& fileName) { return fileName + ".bak"; }

void SaveFileSafely(const std::string& fileName, const std::function<void(TStream&)>& write,
                    TDataFileLock& lock, const TSafeSaveOptions& options)
{
    // A name that is a link keeps it: the file written is the one the link leads to, and the
    // temporary and backup files are made beside that one.
    const std::string target = ResolveFileLinks(fileName);
    if (target.empty())
        throw EFCreateError("Cannot create file \"" + fileName + "\". " + std::strerror(ELOOP));
    struct stat previous {};
    const bool replacing = ::stat(target.c_str(), &previous) == 0 && S_ISREG(previous.st_mode);

    Step(options, TSaveStep::WriteTemp);
    TTempFile temp(target, replacing ? previous.st_mode & 07777 : 0666, replacing);
    try {
        write(temp.Stream());
    } catch (const EWriteError&) {
        // The temporary name means nothing to the user; the file being saved does.
        throw EWriteError(StreamWriteErrorText(fileName, temp.Stream().LastWriteError()));
    }
    Step(options, TSaveStep::FlushTemp);
    temp.Stream().FlushToDisk();

    // The new file is locked before it takes the name, so no other copy can slip in between.
    Step(options, TSaveStep::LockTemp);
    TDataFileLock newLock;
    newLock.Lock(temp.Name());

    if (options.CreateBackup) {
        Step(options, TSaveStep::KeepBackup);
        KeepBackup(target);
    }

    Step(options, TSaveStep::ReplaceFile);
    temp.TakeKeptMode();
    if (!temp.IsStillNamed() || !RenameFile(temp.Name(), target)) {
        std::error_code ec;
        std::string message = std::filesystem::exists(target, ec) ? "Can not override file: " : "Can not write file : ";
        message.append(1, '"').append(fileName).append(1, '"');
        throw Exception(message);
    }
    SyncDirectoryOf(target);

    newLock.SetFileName(fileName);
    lock.Swap(newLock);  // the previous lock goes with newLock
}
