#pragma once
// Byte streams: the one abstraction the data file, the packer and the archive code share.
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

enum class TSeekOrigin { soBeginning, soCurrent, soEnd };

class TStream {
public:
    virtual ~TStream() = default;

    // Plain transfers: return the number of bytes moved, which may be short.
    virtual int64_t Read(void* buffer, int64_t count) = 0;
    virtual int64_t Write(const void* buffer, int64_t count) = 0;
    virtual int64_t Seek(int64_t offset, TSeekOrigin origin) = 0;
    virtual void SetSize(int64_t newSize) = 0;
    virtual int64_t GetSize();

    int64_t GetPosition() { return Seek(0, TSeekOrigin::soCurrent); }
    void SetPosition(int64_t position) { Seek(position, TSeekOrigin::soBeginning); }

    // Checked transfers: a short read raises EReadError, a short write EWriteError.
    void ReadBuffer(void* buffer, int64_t count);
    void WriteBuffer(const void* buffer, int64_t count);

    // Copies count bytes from source's position; count 0 copies the whole source from its
    // start (the class library's rule, which stored files depend on). Returns bytes copied.
    int64_t CopyFrom(TStream& source, int64_t count);

    // Little-endian scalars over the checked transfers.
    uint8_t ReadUInt8();
    uint16_t ReadUInt16();
    uint32_t ReadUInt32();
    int32_t ReadInt32() { return static_cast<int32_t>(ReadUInt32()); }
    double ReadDouble();
    void WriteUInt8(uint8_t v);
    void WriteUInt16(uint16_t v);
    void WriteUInt32(uint32_t v);
    void WriteInt32(int32_t v) { WriteUInt32(static_cast<uint32_t>(v)); }
    void WriteDouble(double v);

    int64_t Remaining() { return GetSize() - GetPosition(); }

protected:
    // What WriteBuffer raises on a short write; a file stream names its file and the reason.
    [[noreturn]] virtual void RaiseWriteError();
};

// "Stream write error: <file>: <the system's reason for error>" (the reason left out for 0).
std::string StreamWriteErrorText(const std::string& fileName, int error);

// A stream held in memory, growable, with direct access to its bytes.
class TMemoryStream : public TStream {
public:
    TMemoryStream() = default;
    explicit TMemoryStream(std::vector<uint8_t> bytes) : data_(std::move(bytes)) {}

    int64_t Read(void* buffer, int64_t count) override;
    int64_t Write(const void* buffer, int64_t count) override;
    int64_t Seek(int64_t offset, TSeekOrigin origin) override;
    void SetSize(int64_t newSize) override;
    int64_t GetSize() override { return static_cast<int64_t>(data_.size()); }

    uint8_t* Memory() { return data_.data(); }
    const uint8_t* Memory() const { return data_.data(); }
    std::vector<uint8_t>& Bytes() { return data_; }
    const std::vector<uint8_t>& Bytes() const { return data_; }
    void Clear();

    void LoadFromStream(TStream& source);
    void SaveToStream(TStream& target);
    void LoadFromFile(const std::string& fileName);
    void SaveToFile(const std::string& fileName);

private:
    std::vector<uint8_t> data_;
    int64_t position_ = 0;
};

// Open modes of TFileStream. Sharing is not a Linux notion; TFileLock holds a file instead.
enum class TFileMode { fmCreate, fmOpenRead, fmOpenWrite, fmOpenReadWrite };

// A stream over an operating-system file.
class TFileStream : public TStream {
public:
    TFileStream(const std::string& fileName, TFileMode mode);
    // A file made new under fileName with the permissions given: a name already taken, a
    // link included, is never opened (nullptr). Other failures raise EFCreateError.
    static std::unique_ptr<TFileStream> CreateNew(const std::string& fileName, unsigned permissions = 0666);
    ~TFileStream() override;
    TFileStream(const TFileStream&) = delete;
    TFileStream& operator=(const TFileStream&) = delete;

    int64_t Read(void* buffer, int64_t count) override;
    int64_t Write(const void* buffer, int64_t count) override;
    int64_t Seek(int64_t offset, TSeekOrigin origin) override;
    void SetSize(int64_t newSize) override;

    // Pushes written data to the disk; raises EWriteError when the system refuses.
    void FlushToDisk();
    int Handle() const { return fd_; }
    const std::string& FileName() const { return fileName_; }
    // The system's error number of the last write that fell short (0: none known).
    int LastWriteError() const { return lastWriteError_; }

protected:
    [[noreturn]] void RaiseWriteError() override;

private:
    TFileStream(int fd, const std::string& fileName) : fileName_(fileName), fd_(fd) {}

    std::string fileName_;
    int fd_ = -1;
    int lastWriteError_ = 0;
};
