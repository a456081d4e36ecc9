#pragma once
// Shared pieces of the fuzz harnesses: an output that keeps only a count (so that memory
// stays bounded by the readers' own allocations) and one decoder run over raw input.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "platform/Stream.h"
#include "zip/DecoderState.h"
#include "zip/Inflate.h"
#include "zip/LegacyDecoders.h"
#include "zip/ZipComponentBase.h"
#include "zip/ZipHeaderInfo.h"

// Takes every write and keeps its length only.
class TCountingStream : public TStream {
public:
    int64_t Written = 0;
    int64_t Read(void*, int64_t) override { return 0; }
    int64_t Write(const void*, int64_t count) override
    {
        Written += count;
        position_ += count;
        return count;
    }
    int64_t Seek(int64_t offset, TSeekOrigin origin) override
    {
        if (origin == TSeekOrigin::soBeginning)
            position_ = offset;
        else if (origin == TSeekOrigin::soCurrent)
            position_ += offset;
        else
            position_ = Written + offset;
        return position_;
    }
    void SetSize(int64_t) override {}

private:
    int64_t position_ = 0;
};

// The component the decoders report to, without volumes.
class TFuzzOwner : public TZipComponentBase {
public:
    bool SpansVolumes() const override { return false; }
    TStream* LoadNextDisk(int) override { return nullptr; }
};

// Output beyond this ends a run: the size check of the output layer stops it there anyway,
// and runs that write megabytes would slow the fuzzer down to a crawl.
constexpr uint32_t FuzzOutputCap = 1u << 20;

// Input layout: one byte of general-purpose flags, four bytes of uncompressed size (little
// endian, capped at FuzzOutputCap), then the entry's compressed bytes. Returns the decoder's
// status. The owner and its buffers are made once and reused, as one extraction run does.
inline uint16_t DecodeFuzzInput(const uint8_t* data, size_t size, uint16_t method)
{
    if (size < 5)
        return 0;
    static TFuzzOwner owner;
    static TDecoderState state(&owner);
    owner.DoProcessMessages = false;
    // Bit 0 would ask for decryption, which the extraction undoes before any decoder runs.
    const uint16_t flags = data[0] & 0xFE;
    const uint32_t expected = uint32_t(data[1]) | uint32_t(data[2]) << 8 | uint32_t(data[3]) << 16 |
                              uint32_t(data[4]) << 24;
    TMemoryStream archive{std::vector<uint8_t>(data + 5, data + size)};
    TCountingStream out;
    state.ArchiveStream = &archive;
    state.OutputStream = &out;
    owner.CurrentHeader->CompressionMethod = method;
    owner.CurrentHeader->GeneralPurposeFlag = flags;
    owner.CurrentHeader->CompressedSize = static_cast<uint32_t>(size - 5);
    owner.CurrentHeader->UncompressedSize = expected < FuzzOutputCap ? expected : FuzzOutputCap;
    owner.RunningCRC = 0xFFFFFFFFu;
    state.BeginEntry();
    uint16_t status = 0;
    try {
        switch (method) {
        case 1: status = Unshrink(state); break;
        case 2: case 3: case 4: case 5: status = Unreduce(state, method - 1); break;
        case 6: status = Explode(state); break;
        default: status = Inflate(state); break;
        }
    } catch (const std::exception&) {
        // A damaged entry may raise through the output layer; that is a clean refusal.
    }
    state.ArchiveStream = nullptr;
    state.OutputStream = nullptr;
    return status;
}
