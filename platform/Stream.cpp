#include "platform/Stream.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/Exceptions.h"

int64_t TStream::GetSize()
{
    const int64_t position = Seek(0, TSeekOrigin::soCurrent);
    const int64_t size = Seek(0, TSeekOrigin::soEnd);
    Seek(position, TSeekOrigin::soBeginning);
    return size;
}

void TStream::ReadBuffer(void* buffer, int64_t count)
{
    if (count < 0 || (count != 0 && Read(buffer, count) != count))
        throw EReadError("Stream read error");
}

void TStream::WriteBuffer(const void* buffer, int64_t count)
{
    if (count < 0 || (count != 0 && Write(buffer, count) != count))
        RaiseWriteError();
}

void TStream::RaiseWriteError() { throw EWriteError("Stream write error"); }

std::string StreamWriteErrorText(const std::string& fileName, int error)
{
    std::string text = "Stream write error: " + fileName;
    if (error != 0)
        text += std::string(": ") + std::strerror(error);
    return text;
}

int64_t TStream::CopyFrom(TStream& source, int64_t count)
{
    if (count == 0) {
        source.SetPosition(0);
        count = source.GetSize();
    }
    if (count < 0)
        throw EReadError("Stream read error");
    const int64_t total = count;
    std::vector<uint8_t> buffer(static_cast<size_t>(std::min<int64_t>(count, 1 << 16)));
    while (count > 0) {
        const int64_t n = std::min<int64_t>(count, static_cast<int64_t>(buffer.size()));
        source.ReadBuffer(buffer.data(), n);
        WriteBuffer(buffer.data(), n);
        count -= n;
    }
    return total;
}

uint8_t TStream::ReadUInt8()
{
    uint8_t b;
    ReadBuffer(&b, 1);
    return b;
}

uint16_t TStream::ReadUInt16()
{
    uint8_t b[2];
    ReadBuffer(b, 2);
    return static_cast<uint16_t>(b[0] | (b[1] << 8));
}

uint32_t TStream::ReadUInt32()
{
    uint8_t b[4];
    ReadBuffer(b, 4);
    return uint32_t(b[0]) | (uint32_t(b[1]) << 8) | (uint32_t(b[2]) << 16) | (uint32_t(b[3]) << 24);
}

double TStream::ReadDouble()
{
    uint8_t b[8];
    ReadBuffer(b, 8);
    uint64_t bits = 0;
    for (int i = 7; i >= 0; --i)
        bits = (bits << 8) | b[i];
    double v;
    std::memcpy(&v, &bits, 8);
    return v;
}

void TStream::WriteUInt8(uint8_t v) { WriteBuffer(&v, 1); }

void TStream::WriteUInt16(uint16_t v)
{
    const uint8_t b[2] = {uint8_t(v), uint8_t(v >> 8)};
    WriteBuffer(b, 2);
}

void TStream::WriteUInt32(uint32_t v)
{
    const uint8_t b[4] = {uint8_t(v), uint8_t(v >> 8), uint8_t(v >> 16), uint8_t(v >> 24)};
    WriteBuffer(b, 4);
}

void TStream::WriteDouble(double v)
{
    uint64_t bits;
    std::memcpy(&bits, &v, 8);
    uint8_t b[8];
    for (int i = 0; i < 8; ++i)
        b[i] = uint8_t(bits >> (8 * i));
    WriteBuffer(b, 8);
}

// ---- TMemoryStream

int64_t TMemoryStream::Read(void* buffer, int64_t count)
{
    const int64_t size = GetSize();
    if (count <= 0 || position_ >= size)
        return 0;
    const int64_t n = std::min(count, size - position_);
    std::memcpy(buffer, data_.data() + position_, static_cast<size_t>(n));
    position_ += n;
    return n;
}

int64_t TMemoryStream::Write(const void* buffer, int64_t count)
{
    if (count <= 0)
        return 0;
    const int64_t end = position_ + count;
    if (end > GetSize())
        data_.resize(static_cast<size_t>(end));
    std::memcpy(data_.data() + position_, buffer, static_cast<size_t>(count));
    position_ = end;
    return count;
}

int64_t TMemoryStream::Seek(int64_t offset, TSeekOrigin origin)
{
    int64_t base = 0;
    if (origin == TSeekOrigin::soCurrent)
        base = position_;
    else if (origin == TSeekOrigin::soEnd)
        base = GetSize();
    const int64_t target = base + offset;
    if (target < 0)
        throw EStreamError("Stream seek error");
    position_ = target;
    return position_;
}

void TMemoryStream::SetSize(int64_t newSize)
{
    if (newSize < 0)
        throw EStreamError("Invalid stream size");
    data_.resize(static_cast<size_t>(newSize));
    if (position_ > newSize)
        position_ = newSize;
}

void TMemoryStream::Clear()
{
    data_.clear();
    data_.shrink_to_fit();
    position_ = 0;
}

void TMemoryStream::LoadFromStream(TStream& source)
{
    source.SetPosition(0);
    const int64_t size = source.GetSize();
    std::vector<uint8_t> bytes(static_cast<size_t>(size));
    source.ReadBuffer(bytes.data(), size);
    data_ = std::move(bytes);
    position_ = 0;
}

void TMemoryStream::SaveToStream(TStream& target)
{
    target.WriteBuffer(data_.data(), GetSize());
}

void TMemoryStream::LoadFromFile(const std::string& fileName)
{
    TFileStream file(fileName, TFileMode::fmOpenRead);
    LoadFromStream(file);
}

void TMemoryStream::SaveToFile(const std::string& fileName)
{
    TFileStream file(fileName, TFileMode::fmCreate);
    SaveToStream(file);
}

// ---- TFileStream

TFileStream::TFileStream(const std::string& fileName, TFileMode mode) : fileName_(fileName)
{
    int flags = O_CLOEXEC;
    switch (mode) {
    case TFileMode::fmCreate: flags |= O_RDWR | O_CREAT | O_TRUNC; break;
    case TFileMode::fmOpenRead: flags |= O_RDONLY; break;
    case TFileMode::fmOpenWrite: flags |= O_WRONLY; break;
    case TFileMode::fmOpenReadWrite: flags |= O_RDWR; break;
    }
    fd_ = ::open(fileName.c_str(), flags, 0666);
    if (fd_ < 0) {
        const std::string reason = std::strerror(errno);
        if (mode == TFileMode::fmCreate)
            throw EFCreateError("Cannot create file \"" + fileName + "\". " + reason);
        throw EFOpenError("Cannot open file \"" + fileName + "\". " + reason);
    }
    struct stat st;
    if (::fstat(fd_, &st) == 0 && S_ISDIR(st.st_mode)) {
        ::close(fd_);
        fd_ = -1;
        throw EFOpenError("Cannot open file \"" + fileName + "\". Is a directory");
    }
}

std::unique_ptr<TFileStream> TFileStream::CreateNew(const std::string& fileName, unsigned permissions)
{
    const int fd = ::open(fileName.c_str(), O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, permissions & 0777);
    if (fd >= 0)
        return std::unique_ptr<TFileStream>(new TFileStream(fd, fileName));
    const int error = errno;
    if (error == EEXIST)
        return nullptr;
    throw EFCreateError("Cannot create file \"" + fileName + "\". " + std::strerror(error), error);
}

TFileStream::~TFileStream()
{
    if (fd_ >= 0)
        ::close(fd_);
}

int64_t TFileStream::Read(void* buffer, int64_t count)
{
    int64_t done = 0;
    auto* p = static_cast<uint8_t*>(buffer);
    while (done < count) {
        const ssize_t n = ::read(fd_, p + done, static_cast<size_t>(count - done));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break;
        done += n;
    }
    return done;
}

int64_t TFileStream::Write(const void* buffer, int64_t count)
{
    int64_t done = 0;
    const auto* p = static_cast<const uint8_t*>(buffer);
    while (done < count) {
        const ssize_t n = ::write(fd_, p + done, static_cast<size_t>(count - done));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            // A disk that fills up takes part of the bytes first; the next call says why.
            lastWriteError_ = n < 0 ? errno : 0;
            break;
        }
        done += n;
    }
    return done;
}

void TFileStream::RaiseWriteError() { throw EWriteError(StreamWriteErrorText(fileName_, lastWriteError_)); }

int64_t TFileStream::Seek(int64_t offset, TSeekOrigin origin)
{
    const int whence = origin == TSeekOrigin::soBeginning ? SEEK_SET
                       : origin == TSeekOrigin::soCurrent ? SEEK_CUR
                                                          : SEEK_END;
    const off_t result = ::lseek(fd_, offset, whence);
    if (result < 0)
        throw EStreamError("Stream seek error");
    return result;
}

void TFileStream::SetSize(int64_t newSize)
{
    if (::ftruncate(fd_, newSize) != 0)
        throw EWriteError(StreamWriteErrorText(fileName_, errno));
    if (GetPosition() > newSize)
        SetPosition(newSize);
}

void TFileStream::FlushToDisk()
{
    if (::fsync(fd_) != 0)
        throw EWriteError("Cannot write \"" + fileName_ + "\" to disk. " + std::strerror(errno));
}
