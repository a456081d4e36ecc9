#include "ui/mainwindow/SafeFileSave.h"

#include "platform/FileUtils.h"
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
    TSafeFileReplace replace(fileName, TReplaceRules{options.CreateBackup, true});
    // A file this copy does not hold may be another copy's outline: then the save is refused as
    // its opening would be; else it is held from here on, so that no copy opens it meanwhile.
    const bool ours = lock.Held() && lock.Holds(replace.Target());
    TDataFileLock before;
    if (!ours && FileExists(replace.Target()))
        before.LockForReplace(replace.Target(), fileName);
    replace.Write([&](TStream& stream) {
        write(stream);
        Step(options, TSaveStep::FlushTemp);
    });

    // The new file is locked before it takes the name, so no other copy can slip in between.
    Step(options, TSaveStep::LockTemp);
    TDataFileLock newLock;
    if (!replace.InPlace())
        newLock.Lock(replace.TempName());

    std::string backupRefused;
    if (options.CreateBackup) {
        Step(options, TSaveStep::KeepBackup);
        backupRefused = replace.KeepBackup();
    }

    Step(options, TSaveStep::ReplaceFile);
    replace.Commit();

    if (replace.InPlace()) {
        // Written in place: the file held before is the new one.
        if (ours) {
            lock.SetFileName(fileName);
            return backupRefused;
        }
        newLock.Swap(before);
    }
    newLock.SetFileName(fileName);
    lock.Swap(newLock);  // the previous lock goes with newLock
    return backupRefused;
}
