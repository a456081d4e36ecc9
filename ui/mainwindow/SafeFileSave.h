#pragma once
// Saving the data file without ever losing the current one: the new content goes to a temporary
// file that is flushed to disk, the previous file is kept as the backup, and only then does the
// temporary file take the name, in one rename.
#include <functional>
#include <string>

#include "platform/SafeFileReplace.h"

class TStream;
class TDataFileLock;

enum class TSaveStep { WriteTemp, FlushTemp, LockTemp, KeepBackup, ReplaceFile };

struct TSafeSaveOptions {
    bool CreateBackup = true;
    // Called before each step; lets tests break a save at any point.
    std::function<void(TSaveStep)> BeforeStep;
};

// Writes fileName through its temporary file (see TSafeFileReplace). On success `lock` holds the
// new file (under fileName) and the lock held before is released; the result is empty, or says
// why no backup could be made. On failure the exception passes on, the file under fileName is
// the previous one, `lock` still holds what it held and the temporary file is gone. A file that
// another copy of the program holds is refused with the message its opening would give.
std::string SaveFileSafely(const std::string& fileName, const std::function<void(TStream&)>& write,
                           TDataFileLock& lock, const TSafeSaveOptions& options = {});
