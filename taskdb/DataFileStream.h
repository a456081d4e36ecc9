#pragma once
// Checked reading and buffered writing of the data file's binary records.
//
// Every record field is read through TRecordReader: a short read, a negative length or count,
// or a count that the remaining bytes cannot hold raises ExInvalidFileFormat, so a damaged or
// hostile file never makes the reader allocate more than the file itself could describe.
#include <cstdint>
#include <string>
#include <vector>

#include "platform/Stream.h"
#include "taskdb/TaskNode.h"   // kMaxTaskNesting, the bound of nested records

class TStringList;

// Smallest encoded sizes, used to bound counts before anything is allocated.
constexpr int64_t kMinTaskRecordSize = 103;        // fields 1..20 with empty texts and lists, child count
constexpr int64_t kTaskTailSize = 16;              // four empty extension arrays
constexpr int64_t kMinPlaceRecordSizeV1 = 12;      // ID, empty caption, empty include list
constexpr int64_t kMinPlaceRecordSizeV2 = 17;      // plus disabled schedule and empty note
constexpr int64_t kTimeRangeSize = 20;

[[noreturn]] void RaiseDamagedFile();
[[noreturn]] void RaiseCountOutOfRange();

class TRecordReader {
public:
    // Reads from the stream's position. Over a memory stream the bytes are read in place and
    // the stream's position is brought up to date when the reader goes away.
    explicit TRecordReader(TStream& stream);
    ~TRecordReader();
    TRecordReader(const TRecordReader&) = delete;
    TRecordReader& operator=(const TRecordReader&) = delete;

    uint8_t Byte();
    bool Boolean() { return Byte() != 0; }
    int32_t Int32();
    double Double();
    // A length-prefixed text. Text that is not valid UTF-8 comes from an 8-bit code page and
    // is decoded in the system's (AnsiTextToUtf8).
    std::string String();
    void IntList(std::vector<int32_t>& list);
    // Clears the list and adds the stored strings (a sorted list sorts and drops duplicates).
    void Strings(TStringList& list);
    // A count of items that take at least minItemSize bytes each.
    int32_t Count(int64_t minItemSize);
    void Skip(int64_t bytes);
    void ReadBytes(void* buffer, int64_t count);
    int64_t Remaining() const;

private:
    TStream& stream_;
    TMemoryStream* memory_;
    int64_t pos_ = 0;
    int64_t size_ = 0;
};

class TRecordWriter {
public:
    explicit TRecordWriter(TStream& stream) : stream_(stream) {}
    TRecordWriter(const TRecordWriter&) = delete;
    TRecordWriter& operator=(const TRecordWriter&) = delete;

    void Byte(uint8_t v);
    void Boolean(bool v) { Byte(v ? 1 : 0); }
    void Int32(int32_t v);
    void Double(double v);
    void String(const std::string& s);
    void IntList(const std::vector<int32_t>& list);
    void Strings(const TStringList& list);
    void Bytes(const void* data, size_t count);
    // Hands the buffered bytes to the stream; call before the stream is used otherwise and at
    // the end (nothing is written from a destructor).
    void Flush();

private:
    void FlushIfLarge()
    {
        if (buffer_.size() >= kFlushSize)
            Flush();
    }
    static constexpr size_t kFlushSize = 1 << 16;
    TStream& stream_;
    std::string buffer_;
};
