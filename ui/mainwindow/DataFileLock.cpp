#include "ui/mainwindow/DataFileLock.h"

#include "platform/Exceptions.h"
#include "platform/FileUtils.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace {

std::string InUseText(const std::string& fileName)
{
    return "Cannot open file \"" + fileName + "\". The file is in use by another copy of the program";
}

} // namespace

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
    const int fd = ::open(fileName.c_str(), O_RDWR | O_CLOEXEC);
    if (fd < 0)
        throw EFOpenError("Cannot open file \"" + fileName + "\". " + std::strerror(errno));
    ::close(fd);
    throw EFOpenError(InUseText(fileName));
}

void TDataFileLock::LockForReplace(const std::string& fileName, const std::string& shownName)
{
    Unlock();
    if (lock_->Acquire(fileName, false)) {
        fileName_ = shownName;
        return;
    }
    const int fd = ::open(fileName.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd >= 0) {
        ::close(fd);
        throw EFOpenError(InUseText(shownName));
    }
}

bool TDataFileLock::Holds(const std::string& fileName) const { return lock_->Holds(fileName); }

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
