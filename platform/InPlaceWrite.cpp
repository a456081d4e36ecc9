#include "platform/InPlaceWrite.h"

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// A write past the process's file-size limit stops there, also inside the old length.
bool WithinSizeLimit(off_t size)
{
    rlimit limit {};
    return ::getrlimit(RLIMIT_FSIZE, &limit) != 0 || limit.rlim_cur == RLIM_INFINITY || rlim_t(size) <= limit.rlim_cur;
}

// Blocks for the whole new length, holes of the old file included; true where the file system
// reserves nothing, as the tail written next then makes the room.
bool Reserve(int fd, off_t length)
{
    if (length == 0 || ::fallocate(fd, 0, 0, length) == 0)
        return true;
    return errno == EOPNOTSUPP || errno == ENOSYS || errno == EINVAL;
}

} // namespace

bool WriteWhole(int fd, const char* bytes, size_t size, off_t at)
{
    for (size_t done = 0; done < size;) {
        const ssize_t w = at < 0 ? ::write(fd, bytes + done, size - done)
                                 : ::pwrite(fd, bytes + done, size - done, at + off_t(done));
        if (w < 0 && errno == EINTR)
            continue;
        if (w <= 0) {
            if (w == 0)
                errno = EIO;
            return false;
        }
        done += size_t(w);
    }
    return true;
}

TInPlaceOutcome OverwriteInPlace(int fd, const char* bytes, size_t size)
{
    struct stat st {};
    if (::fstat(fd, &st) != 0)
        return {errno, false};
    const off_t oldLength = st.st_size, newLength = off_t(size);
    if (!WithinSizeLimit(newLength))
        return {EFBIG, false};
    if (!Reserve(fd, newLength) ||
        (newLength > oldLength && !WriteWhole(fd, bytes + oldLength, size_t(newLength - oldLength), oldLength))) {
        const int error = errno;
        // The file as it was; when it cannot be cut back, its old content has bytes after it.
        struct stat now {};
        const bool cut = ::ftruncate(fd, oldLength) == 0 || (::fstat(fd, &now) == 0 && now.st_size == oldLength);
        return {error, !cut};
    }
    if (!WriteWhole(fd, bytes, size_t(std::min(oldLength, newLength)), 0) ||
        (newLength < oldLength && ::ftruncate(fd, newLength) != 0) || ::fsync(fd) != 0)
        return {errno, true};
    return {};
}

bool RestoreContent(int fd, int from)
{
    char buffer[1 << 16];
    off_t at = 0;
    for (;;) {
        const ssize_t n = ::pread(from, buffer, sizeof buffer, at);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return false;
        if (n == 0)
            break;
        if (!WriteWhole(fd, buffer, size_t(n), at))
            return false;
        at += n;
    }
    return ::ftruncate(fd, at) == 0 && ::fsync(fd) == 0;
}
