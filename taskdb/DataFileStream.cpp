#include "taskdb/DataFileStream.h"

#include <cstring>
#include <limits>

#include "platform/SystemCodePage.h"
#include "platform/StringList.h"
#include "taskdb/TaskDbExceptions.h"

void RaiseDamagedFile()
{
    throw ExInvalidFileFormat("Invalid file format: the file is damaged (it ends unexpectedly).");
}

void RaiseCountOutOfRange()
{
    throw ExInvalidFileFormat(
        "Invalid file format: the file is damaged (a length or count is out of range).");
}

// ---- TRecordReader ----

TRecordReader::TRecordReader(TStream& stream)
    : stream_(stream), memory_(dynamic_cast<TMemoryStream*>(&stream))
{
    if (memory_) {
        size_ = memory_->GetSize();
        pos_ = memory_->GetPosition();
    }
}

TRecordReader::~TRecordReader()
{
    if (memory_)
        memory_->SetPosition(pos_);
}

int64_t TRecordReader::Remaining() const
{
    if (memory_)
        return pos_ < size_ ? size_ - pos_ : 0;
    const int64_t left = stream_.Remaining();
    return left > 0 ? left : 0;
}

void TRecordReader::ReadBytes(void* buffer, int64_t count)
{
    if (count <= 0)
        return;
    if (memory_) {
        if (count > Remaining())
            RaiseDamagedFile();
        std::memcpy(buffer, memory_->Memory() + pos_, static_cast<size_t>(count));
        pos_ += count;
    } else if (stream_.Read(buffer, count) != count) {
        RaiseDamagedFile();
    }
}

void TRecordReader::Skip(int64_t bytes)
{
    if (bytes < 0 || bytes > Remaining())
        RaiseDamagedFile();
    if (memory_)
        pos_ += bytes;
    else
        stream_.Seek(bytes, TSeekOrigin::soCurrent);
}

uint8_t TRecordReader::Byte()
{
    uint8_t b;
    ReadBytes(&b, 1);
    return b;
}

int32_t TRecordReader::Int32()
{
    uint8_t b[4];
    ReadBytes(b, 4);
    return static_cast<int32_t>(uint32_t(b[0]) | uint32_t(b[1]) << 8 | uint32_t(b[2]) << 16 |
                                uint32_t(b[3]) << 24);
}

double TRecordReader::Double()
{
    uint8_t b[8];
    ReadBytes(b, 8);
    uint64_t bits = 0;
    for (int i = 7; i >= 0; --i)
        bits = bits << 8 | b[i];
    double v;
    std::memcpy(&v, &bits, sizeof v);
    return v;
}

int32_t TRecordReader::Count(int64_t minItemSize)
{
    const int32_t n = Int32();
    if (n < 0 || (minItemSize > 0 && n > Remaining() / minItemSize))
        RaiseCountOutOfRange();
    return n;
}

std::string TRecordReader::String()
{
    const int32_t n = Count(1);
    std::string s(static_cast<size_t>(n), '\0');
    ReadBytes(s.data(), n);
    return AnsiTextToUtf8(s);
}

void TRecordReader::IntList(std::vector<int32_t>& list)
{
    list.clear();
    const int32_t n = Count(4);
    list.reserve(static_cast<size_t>(n));
    for (int32_t i = 0; i < n; ++i)
        list.push_back(Int32());
}

void TRecordReader::Strings(TStringList& list)
{
    list.Clear();
    const int32_t n = Count(4);
    for (int32_t i = 0; i < n; ++i)
        list.Add(String());
}

// ---- TRecordWriter ----

void TRecordWriter::Bytes(const void* data, size_t count)
{
    buffer_.append(static_cast<const char*>(data), count);
    FlushIfLarge();
}

void TRecordWriter::Byte(uint8_t v)
{
    buffer_.push_back(static_cast<char>(v));
}

void TRecordWriter::Int32(int32_t v)
{
    const uint32_t u = static_cast<uint32_t>(v);
    const char b[4] = {char(u), char(u >> 8), char(u >> 16), char(u >> 24)};
    buffer_.append(b, 4);
}

void TRecordWriter::Double(double v)
{
    uint64_t bits;
    std::memcpy(&bits, &v, sizeof bits);
    char b[8];
    for (int i = 0; i < 8; ++i)
        b[i] = char(bits >> (8 * i));
    buffer_.append(b, 8);
}

void TRecordWriter::String(const std::string& s)
{
    if (s.size() > static_cast<size_t>(std::numeric_limits<int32_t>::max()))
        throw Exception("A text is too long to be stored in the data file.");
    Int32(static_cast<int32_t>(s.size()));
    Bytes(s.data(), s.size());
}

void TRecordWriter::IntList(const std::vector<int32_t>& list)
{
    Int32(static_cast<int32_t>(list.size()));
    for (int32_t v : list)
        Int32(v);
    FlushIfLarge();
}

void TRecordWriter::Strings(const TStringList& list)
{
    Int32(list.Count());
    for (const auto& s : list)
        String(s);
}

void TRecordWriter::Flush()
{
    if (!buffer_.empty()) {
        stream_.WriteBuffer(buffer_.data(), static_cast<int64_t>(buffer_.size()));
        buffer_.clear();
    }
}
