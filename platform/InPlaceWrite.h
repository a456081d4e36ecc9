#pragma once
// Writing a regular file in place without losing its old content to a full disk, a quota or a
// file-size limit: the room for the new content is made before the first old byte changes.
#include <cstddef>

#include <sys/types.h>

// Writes all size bytes to fd at offset at, or at its position when at is negative; false with
// errno set when it cannot.
bool WriteWhole(int fd, const char* bytes, size_t size, off_t at = -1);

struct TInPlaceOutcome {
    int Error = 0;         // 0 when the new content is written and on disk
    bool Changed = false;  // the old content may have been overwritten before the error
};

// Writes size bytes over the regular file open for writing as fd. The file first grows to the
// new length (reserved where the file system can, and the new tail written past the old end),
// and is put back to its old length when it cannot; only then is the old content overwritten
// from the start, and the file cut to the new length last.
TInPlaceOutcome OverwriteInPlace(int fd, const char* bytes, size_t size);

// Puts the whole content of the file open as from back into fd; false when it cannot.
bool RestoreContent(int fd, int from);
