#pragma once
// Bit output of the deflate encoder: bits are gathered from bit 0 up and leave in writes of
// 1024 bytes through the encoder's output hook.
#include <cstddef>
#include <cstdint>
#include <cstring>

class TDeflateOutputHook {
public:
    virtual ~TDeflateOutputHook() = default;
    // Writes size * count bytes; the bytes themselves are never changed.
    virtual int64_t WriteOutputBuffer(const uint8_t* buffer, size_t size, size_t count) = 0;
};

class TDeflateBitWriter {
public:
    static constexpr unsigned BufferSize = 1024;

    explicit TDeflateBitWriter(TDeflateOutputHook& hook) : hook_(hook) {}

    // Appends the low count bits of value (count at most 32, no higher bits set).
    void PutBits(uint32_t value, unsigned count)
    {
        acc_ |= static_cast<uint64_t>(value) << bits_;
        bits_ += count;
        if (bits_ >= 32) {
            // The accumulator is stored 4 bytes at a time, so the buffer fills to exactly 1024.
            const uint32_t low = static_cast<uint32_t>(acc_);
            buffer_[fill_] = static_cast<uint8_t>(low);
            buffer_[fill_ + 1] = static_cast<uint8_t>(low >> 8);
            buffer_[fill_ + 2] = static_cast<uint8_t>(low >> 16);
            buffer_[fill_ + 3] = static_cast<uint8_t>(low >> 24);
            fill_ += 4;
            acc_ >>= 32;
            bits_ -= 32;
            if (fill_ >= BufferSize)
                FlushBuffer();
        }
    }

    // Pads the pending bits with zeros up to the next byte boundary and stores them.
    void AlignToByte()
    {
        while (bits_ > 0) {
            PutByte(static_cast<uint8_t>(acc_));
            acc_ >>= 8;
            bits_ = bits_ > 8 ? bits_ - 8 : 0;
        }
        acc_ = 0;
    }

    // A byte-aligned little-endian 16-bit value (stored block lengths).
    void PutAlignedUInt16(uint16_t value)
    {
        PutByte(static_cast<uint8_t>(value));
        PutByte(static_cast<uint8_t>(value >> 8));
    }

    // Byte-aligned data that bypasses the buffer: whatever is buffered goes first, then the
    // bytes in one write.
    void PutRawBytes(const uint8_t* data, size_t count)
    {
        FlushBuffer();
        if (count > 0)
            hook_.WriteOutputBuffer(data, count, 1);
    }

    // Hands the buffered bytes to the hook.
    void FlushBuffer()
    {
        if (fill_ > 0)
            hook_.WriteOutputBuffer(buffer_, fill_, 1);
        fill_ = 0;
    }

private:
    void PutByte(uint8_t b)
    {
        if (fill_ >= BufferSize)
            FlushBuffer();
        buffer_[fill_++] = b;
    }

    TDeflateOutputHook& hook_;
    uint64_t acc_ = 0;
    unsigned bits_ = 0;
    unsigned fill_ = 0;
    uint8_t buffer_[BufferSize + 4];   // room for one 4-byte store after an odd byte
};
