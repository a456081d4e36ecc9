#pragma once
// The shared input and output layer of the decoders: compressed bytes come in chunks (with
// decryption and volume continuation), plain bytes go out in writes of 16000 bytes that
// advance the CRC and fire the progress events.
#include <cstddef>
#include <cstdint>
#include <memory>

#include "zip/ZipExceptions.h"

class TStream;
class TZipComponentBase;
struct TInflateWork;

// Decoder results. 1-5 are the classic statuses; 6 and 7 are our own: a decoder never reads
// past the end of an entry's compressed bytes and never writes more than the entry holds.
enum : uint16_t {
    DecodeOk = 0,
    DecodeBadData = 1,          // invalid code, bad stored length, too many codes, bad table
    DecodeBadLengths = 2,       // block type 3 or over-subscribed code lengths
    DecodeOutOfMemory = 3,
    DecodeBadTree = 4,          // imploded tree description does not fill its tree
    DecodeSizeMismatch = 5,     // imploded data did not use the compressed bytes exactly
    DecodeInputEnded = 6,       // the compressed bytes ran out before the data ended
    DecodeOutputMismatch = 7,   // the output is not the size the entry records
};

// The message the extraction reports for a status other than DecodeOk.
const char* DecoderStatusMessage(uint16_t status);
// Raises EFatalUnzipError with that message when status is not DecodeOk.
void CheckDecoderStatus(uint16_t status);

// Raised by WriteOutput before an entry's output passes the size its header records, so that
// a few bytes of hostile data never turn into gigabytes. The extraction reports it as
// DecodeOutputMismatch.
class EEntryPastSize : public EFatalUnzipError {
public:
    EEntryPastSize() : EFatalUnzipError(DecoderStatusMessage(DecodeOutputMismatch)) {}
};

struct TDecoderState {
    static constexpr int ChunkSize = 16000;
    static constexpr int BufferSize = 16001;
    static constexpr int WorkAreaSize = 32780;
    static constexpr int WindowSize = 32768;

    // Allocates the buffers once for a whole extraction run.
    explicit TDecoderState(TZipComponentBase* owner);
    ~TDecoderState();
    TDecoderState(const TDecoderState&) = delete;
    TDecoderState& operator=(const TDecoderState&) = delete;

    TZipComponentBase* Owner;
    TStream* ArchiveStream = nullptr;   // replaced by the next volume's stream when one is loaded
    TStream* OutputStream = nullptr;

    std::unique_ptr<uint8_t[]> InputBuffer;
    uint16_t InputCount = 0;            // bytes not yet taken from the input buffer
    uint16_t InputPos = 0;
    int64_t CompressedLeft = 0;         // bytes the decoder may still ask for

    std::unique_ptr<uint8_t[]> OutputBuffer;
    uint16_t OutputCount = 0;

    int64_t ExpectedSize = 0;           // the entry's uncompressed size
    std::unique_ptr<uint8_t[]> WorkArea;
    std::unique_ptr<TInflateWork> InflateWork;   // inflate's window and tables, made at its first use

    // Bit input of the shrink and reduce decoders.
    uint32_t BitBuffer = 0;
    uint16_t BitCount = 0;
    bool EndOfData = false;

    // Readies the per-entry state from Owner->CurrentHeader once the encryption header (if
    // any) has been taken off: the compressed bytes to read, the expected size, empty
    // buffers and bit input, and Owner->EntryBytesDone at 0. The caller presets RunningCRC.
    void BeginEntry();

    // Gives the next compressed byte in b and returns 8, or returns 0 (b untouched) when the
    // entry's compressed bytes are used up.
    int ReadInputChunk(uint16_t& b);
    // Reads the next chunk into the input buffer (the buffer must be empty); returns its size.
    int LoadChunk();

    // Writes the output buffer out through WriteOutput.
    int FlushOutput();
    // Writes count bytes to the output stream, advancing the CRC and the progress. Every
    // decoder's output passes here (inflate's straight from its window); output beyond
    // ExpectedSize raises EEntryPastSize.
    void WriteOutput(const uint8_t* data, uint16_t count);
    void StoreByte(uint8_t b)
    {
        OutputBuffer[OutputCount++] = b;
        if (OutputCount == ChunkSize)
            FlushOutput();
    }
    // Copies n bytes into the output buffer, writing it out each time it reaches 16000.
    void CopyOut(const uint8_t* source, size_t n);

    // Bit input of the shrink and reduce decoders, low bits first. NeedBits fills the bit
    // buffer and tells whether n bits are there; EndOfData is set when they are not.
    bool NeedBits(int n);
    uint32_t TakeBits(int n)
    {
        const uint32_t v = BitBuffer & ((uint32_t(1) << n) - 1);
        BitBuffer >>= n;
        BitCount = static_cast<uint16_t>(BitCount - n);
        return v;
    }
};
using DecoderState = TDecoderState;

// Eight input bytes as one little-endian word.
inline uint64_t LoadLe64(const uint8_t* p)
{
    uint64_t v;
    __builtin_memcpy(&v, p, 8);
#if __BYTE_ORDER__ == __ORDER_BIG_ENDIAN__
    v = __builtin_bswap64(v);
#endif
    return v;
}

// Bit input of inflate and explode: a 64-bit buffer over the state's input chunks. Past the
// end of the entry's bytes it appends zero bytes that it counts, so that a decoder can look
// ahead freely but learns (Overrun) when it has actually used one of them.
class TBitInput {
public:
    explicit TBitInput(TDecoderState& state);
    ~TBitInput() { Sync(); }
    TBitInput(const TBitInput&) = delete;
    TBitInput& operator=(const TBitInput&) = delete;

    uint64_t Bits = 0;
    unsigned Count = 0;
    const uint8_t* In;
    const uint8_t* End;
    unsigned Phantom = 0;   // zero bytes appended past the end

    bool CanRefillFast() const { return End - In >= 8; }
    // Needs 8 readable bytes at In and Count below 64; afterwards at least 56 bits are held.
    void RefillFast()
    {
        Bits |= LoadLe64(In) << Count;
        In += (63 - Count) >> 3;
        Count |= 56;
    }
    // Fills to at least 56 bits, loading chunks as needed; false once a byte past the end
    // has been used.
    bool Refill();
    bool Overrun() const { return Count < Phantom * 8; }
    bool Need(unsigned n) { return Count >= n || Refill(); }
    uint32_t Peek(unsigned n) const { return static_cast<uint32_t>(Bits & ((uint64_t(1) << n) - 1)); }
    void Drop(unsigned n) { Bits >>= n; Count -= n; }
    uint32_t Take(unsigned n)
    {
        const uint32_t v = Peek(n);
        Drop(n);
        return v;
    }
    // Whole bytes held beyond those consumed, phantom ones included.
    unsigned HeldBytes() const { return Count >> 3; }
    // Writes the read position back to the state.
    void Sync();
    // Loads the next chunk once the current one is used up; false when none is left.
    bool LoadMore();

private:
    TDecoderState& state_;
    const uint8_t* synced_;
};
