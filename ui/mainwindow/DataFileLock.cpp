#include "ui/mainwindow/DataFileLock.h"

#include "platform/Exceptions.h"
#include "platform/FileUtils.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

TDataFileLock::TDataFileLock() : lock_(std::make_unique<TFileLock>()) {}
TDataFileLock::~TDataFileLock() = default;

void TDataFileLock::Lock(const std::string& fileName)
{
    Unlock();
    if (lock_->Acquire(fileName)) {
        fileName_ = fileName;
        return;
    }
    // TFileLock does not say why; open the file ourselves to tell a missing or read-only file
    // from one that another copy of the program holds.
    std::string reason;
    const int fd = ::open(fileName.c_str(), O_RDWR | O_CLOEXEC);
    if (fd < 0) {
        reason = std::strerror(errno);
    } else {
        ::close(fd);
        reason = "The file is in use by another copy of the program";
    }
    throw EFOpenError("Cannot open file \"" + fileName + "\". " + reason);
}

void TDataFileLock::Unlock()
{
    lock_->Release();
    fileName_.clear();
}

bool TDataFileLock::Held() const { return lock_->Held(); }

void TDataFileLock::Swap(TDataFileLock& other) noexcept
{
    lock_.swap(other.lock_);
    fileName_.swap(other.fileName_);
}
