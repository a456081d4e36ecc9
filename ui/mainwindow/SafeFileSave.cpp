#include "ui/mainwindow/SafeFileSave.h"

#include "platform/Exceptions.h"
#include "platform/FileUtils.h"
#include "platform/Stream.h"
#include "ui/mainwindow/DataFileLock.h"

#include <fcntl.h>
#include <filesystem>
#include <unistd.h>

namespace {

void Step(const TSafeSaveOptions& options, TSaveStep step)
{
    if (options.BeforeStep)
        options.BeforeStep(step);
}

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

// Makes the rename itself durable.
void SyncDirectoryOf(const std::string& fileName)
{
    const std::string path = ExtractFilePath(ExpandFileName(fileName));
    const int fd = ::open(path.empty() ? "." : path.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
}

} // namespace

std::string TempFileNameFor(const std::string& fileName) { return fileName + ".$TovrinTmp$"; }
std::string BackupFileNameFor(const std::string& fileName) { return fileName + ".bak"; }

void SaveFileSafely(const std::string& fileName, const std::function<void(TStream&)>& write,
                    TDataFileLock& lock, const TSafeSaveOptions& options)
{
    const std::string temp = TempFileNameFor(fileName);
    try {
        Step(options, TSaveStep::WriteTemp);
        TFileStream stream(temp, TFileMode::fmCreate);
        write(stream);
        Step(options, TSaveStep::FlushTemp);
        stream.FlushToDisk();
    } catch (...) {
        DeleteFile(temp);
        throw;
    }

    // The new file is locked before it takes the name, so no other copy can slip in between.
    Step(options, TSaveStep::LockTemp);
    TDataFileLock newLock;
    newLock.Lock(temp);

    if (options.CreateBackup) {
        Step(options, TSaveStep::KeepBackup);
        KeepBackup(fileName);
    }

    Step(options, TSaveStep::ReplaceFile);
    if (!RenameFile(temp, fileName)) {
        std::error_code ec;
        std::string message = std::filesystem::exists(fileName, ec) ? "Can not override file: " : "Can not write file : ";
        message.append(1, '"').append(fileName).append(1, '"');
        throw Exception(message);
    }
    SyncDirectoryOf(fileName);

    newLock.SetFileName(fileName);
    lock.Swap(newLock);  // the previous lock goes with newLock
}
