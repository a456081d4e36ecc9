#pragma once
// Writing a data file without ever losing the current one: the new content goes to a temporary
// file that is flushed to disk, the previous file is kept as the backup, and only then does the
// temporary file take the name, in one rename. At every moment the name holds either the old
// file or the new one, whole.
#include <functional>
#include <string>

class TStream;
class TDataFileLock;

enum class TSaveStep { WriteTemp, FlushTemp, LockTemp, KeepBackup, ReplaceFile };

struct TSafeSaveOptions {
    bool CreateBackup = true;
    // Called before each step; lets tests break a save at any point.
    std::function<void(TSaveStep)> BeforeStep;
};

std::string TempFileNameFor(const std::string& fileName);    // name + ".$TovrinTmp$", the first choice
std::string BackupFileNameFor(const std::string& fileName);  // name + ".bak"

// Writes fileName through its temporary file. A fileName that is a symbolic link (or a chain of
// them) stays one: the file it leads to is replaced, with the temporary and backup files beside
// it. The new file has the mode of the file it replaces; a first save gets the umask's. The
// temporary file is always created new, under the name above or, when that is taken, the name
// with a few random characters appended. On success `lock` holds the new file (under fileName)
// and the lock held before is released. On failure the exception passes on, the file under
// fileName is the previous one, `lock` still holds what it held and the temporary file is gone.
// Failures of the final rename raise "Can not override file: " or "Can not write file : " with
// the name in double quotes.
void SaveFileSafely(const std::string& fileName, const std::function<void(TStream&)>& write,
                    TDataFileLock& lock, const TSafeSaveOptions& options = {});
