#include "ui/mainwindow/SafeFileSave.h"

#include "ui/mainwindow/DataFileLock.h"

namespace {

void Step(const TSafeSaveOptions& options, TSaveStep step)
{
    if (options.BeforeStep)
        options.BeforeStep(step);
}

} // namespace

std::string SaveFileSafely(const std::string& fileName, const std::function<void(TStream&)>& write,
                           TDataFileLock& lock, const TSafeSaveOptions& options)
{
    Step(options, TSaveStep::WriteTemp);
    TSafeFileReplace replace(fileName);
    replace.Write([&](TStream& stream) {
        write(stream);
        Step(options, TSaveStep::FlushTemp);
    });

    // The new file is locked before it takes the name, so no other copy can slip in between.
    Step(options, TSaveStep::LockTemp);
    TDataFileLock newLock;
    newLock.Lock(replace.TempName());

    std::string backupRefused;
    if (options.CreateBackup) {
        Step(options, TSaveStep::KeepBackup);
        backupRefused = replace.KeepBackup();
    }

    Step(options, TSaveStep::ReplaceFile);
    replace.Commit();

    newLock.SetFileName(fileName);
    lock.Swap(newLock);  // the previous lock goes with newLock
    return backupRefused;
}
