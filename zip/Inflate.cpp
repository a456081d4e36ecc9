#include "zip/Inflate.h"

#include <algorithm>
#include <cstring>

#include "platform/Stream.h"
#include "zip/DecoderState.h"
#include "zip/ZipComponentBase.h"
#include "zip/ZipExceptions.h"

namespace {

using namespace InflateEntry;

constexpr unsigned ChunkSize = TDecoderState::ChunkSize;
const uint8_t CodeLengthOrder[19] = {16, 17, 18, 0, 8, 7, 9, 6, 10, 5, 11, 4, 12, 3, 13, 2, 14, 1, 15};

inline void Copy8(uint8_t* dst, const uint8_t* src) { std::memcpy(dst, src, 8); }
inline void Copy16(uint8_t* dst, const uint8_t* src) { std::memcpy(dst, src, 16); }

// Copies a match of length bytes from distance back, as a byte-by-byte copy would (a distance
// below the length repeats what the copy has just written). Whole words go, so up to 15 bytes
// past the end are written too: the window's margin takes them and later output overwrites
// them. Every word read lies before the word written, so it is already final.
inline void CopyMatch(uint8_t* dst, unsigned distance, unsigned length)
{
    const uint8_t* src = dst - distance;
    uint8_t* const end = dst + length;
    if (distance >= 16) {
        do {
            Copy16(dst, src);
            dst += 16;
            src += 16;
        } while (dst < end);
    } else if (distance >= 8) {
        do {
            Copy8(dst, src);
            dst += 8;
            src += 8;
        } while (dst < end);
    } else if (distance == 1) {
        const uint64_t word = *src * 0x0101010101010101ull;
        do {
            std::memcpy(dst, &word, 8);
            dst += 8;
        } while (dst < end);
    } else {
        // The bytes repeat with the distance, so also with its first multiple of 8 or more.
        const unsigned period = distance * ((8 + distance - 1) / distance);
        for (unsigned i = 0; i < period; ++i)
            dst[i] = src[i];
        for (dst += period, src = dst - period; dst < end; dst += 8, src += 8)
            Copy8(dst, src);
    }
}

// The second-level entry for e, when e links to one.
inline uint32_t Resolve(const uint32_t* table, uint32_t e, uint64_t& bits, unsigned& count)
{
    if (e & Link) {
        bits >>= DropBits(e);
        count -= DropBits(e);
        e = table[Value(e) + static_cast<unsigned>(bits & ((1u << CodeBits(e)) - 1))];
    }
    return e;
}

class TInflater {
public:
    TInflater(TDecoderState& state, TInflateWork& work)
        : s_(state), work_(work), in_(state), buf_(work.Window), out_(work.Window), written_(work.Window),
          limit_(work.Window + TInflateWork::History + TInflateWork::Area)
    {
    }
    uint16_t Run();

private:
    bool Get(unsigned n, uint32_t& value)
    {
        if (!in_.Need(n))
            return false;
        value = in_.Take(n);
        return !in_.Overrun();
    }
    // An invalid code looked up with bits from past the end means the data were cut short.
    uint16_t Bad() const { return in_.Count < in_.Phantom * 8 + 15 && in_.Phantom != 0 ? DecodeInputEnded : DecodeBadData; }
    // Writes the whole chunks held; once the area is full, slides the last 32 KB down.
    void Drain();
    uint16_t StoredBlock();
    uint16_t FixedBlock();
    uint16_t DynamicBlock();
    uint16_t Codes(const TInflateTable& lit, const TInflateTable& dist);
    // One code the careful way, near the end of an input chunk. Returns DecodeOk to go on,
    // EndOfBlockSeen at the block's end, or a failure status.
    static constexpr uint16_t EndOfBlockSeen = 0xFFFF;
    uint16_t SlowCode(const TInflateTable& lit, const TInflateTable& dist);

    TDecoderState& s_;
    TInflateWork& work_;
    TBitInput in_;
    uint8_t* const buf_;
    uint8_t* out_;            // next byte of output
    uint8_t* written_;        // first byte not yet handed to the output layer
    uint8_t* const limit_;    // below this a whole match still fits
};

uint16_t TInflater::Run()
{
    for (;;) {
        uint32_t last = 0, type = 0;
        if (!Get(1, last) || !Get(2, type))
            return DecodeInputEnded;
        uint16_t status;
        switch (type) {
        case 0: status = StoredBlock(); break;
        case 1: status = FixedBlock(); break;
        case 2: status = DynamicBlock(); break;
        default: status = DecodeBadLengths; break;
        }
        if (status != DecodeOk)
            return status;
        if (in_.Overrun())
            return DecodeInputEnded;
        if (last)
            break;
    }
    while (written_ < out_) {
        const auto n = static_cast<uint16_t>(std::min<size_t>(ChunkSize, static_cast<size_t>(out_ - written_)));
        s_.WriteOutput(written_, n);
        written_ += n;
    }
    return DecodeOk;
}

void TInflater::Drain()
{
    while (out_ - written_ >= static_cast<ptrdiff_t>(ChunkSize)) {
        s_.WriteOutput(written_, ChunkSize);
        written_ += ChunkSize;
    }
    if (out_ >= limit_) {
        // What is not yet written is less than a chunk, so it lies within the history kept.
        const size_t shift = static_cast<size_t>(out_ - buf_) - TInflateWork::History;
        std::memmove(buf_, buf_ + shift, TInflateWork::History);
        out_ -= shift;
        written_ -= shift;
    }
}

uint16_t TInflater::StoredBlock()
{
    in_.Drop(in_.Count & 7);
    uint32_t length = 0, complement = 0;
    if (!Get(16, length) || !Get(16, complement))
        return DecodeInputEnded;
    if (length != (~complement & 0xFFFF))
        return DecodeBadData;
    // Whole bytes the bit buffer already holds come first.
    for (; length > 0 && in_.Count >= 8; --length) {
        const uint8_t b = static_cast<uint8_t>(in_.Take(8));
        if (in_.Overrun())
            return DecodeInputEnded;
        if (out_ >= limit_)
            Drain();
        *out_++ = b;
    }
    if (length == 0)
        return DecodeOk;
    in_.Bits = 0;
    // The rest goes from the input chunk straight to the window, and from there out.
    while (length > 0) {
        if (in_.In == in_.End && !in_.LoadMore())
            return DecodeInputEnded;
        if (out_ >= limit_)
            Drain();
        const uint32_t n = std::min({length, static_cast<uint32_t>(in_.End - in_.In), static_cast<uint32_t>(limit_ - out_)});
        std::memcpy(out_, in_.In, n);
        in_.In += n;
        out_ += n;
        length -= n;
    }
    return DecodeOk;
}

uint16_t TInflater::FixedBlock()
{
    if (!work_.FixedReady) {
        uint8_t lengths[288];
        std::fill(lengths, lengths + 144, 8);
        std::fill(lengths + 144, lengths + 256, 9);
        std::fill(lengths + 256, lengths + 280, 7);
        std::fill(lengths + 280, lengths + 288, 8);
        BuildInflateTable(lengths, 288, TInflateAlphabet::LiteralLength, TInflateTable::LiteralBits,
                          work_.FixedLiteral, work_.FixedLiteralTable);
        // Thirty codes of five bits leave two codes unused: incomplete, accepted here.
        std::fill(lengths, lengths + 30, 5);
        BuildInflateTable(lengths, 30, TInflateAlphabet::Distance, TInflateTable::DistanceBits, work_.FixedDistance,
                          work_.FixedDistanceTable);
        work_.FixedReady = true;
    }
    return Codes(work_.FixedLiteralTable, work_.FixedDistanceTable);
}

uint16_t TInflater::DynamicBlock()
{
    uint32_t nlit = 0, ndist = 0, ncode = 0;
    if (!Get(5, nlit) || !Get(5, ndist) || !Get(4, ncode))
        return DecodeInputEnded;
    nlit += 257;
    ndist += 1;
    ncode += 4;
    if (nlit > 286 || ndist > 30)
        return DecodeBadData;

    uint8_t codeLengths[19] = {};
    for (uint32_t i = 0; i < ncode; ++i) {
        uint32_t v = 0;
        if (!Get(3, v))
            return DecodeInputEnded;
        codeLengths[CodeLengthOrder[i]] = static_cast<uint8_t>(v);
    }
    TInflateTable lengthsTable;
    int r = BuildInflateTable(codeLengths, 19, TInflateAlphabet::CodeLength, 7, work_.CodeLength, lengthsTable);
    if (r != 0)
        return static_cast<uint16_t>(r);

    uint8_t lengths[286 + 30];
    const uint32_t total = nlit + ndist;
    const unsigned mask = (1u << lengthsTable.Bits) - 1;
    for (uint32_t i = 0; i < total;) {
        if (!in_.Need(7 + 7))
            return DecodeInputEnded;
        const uint32_t e = lengthsTable.Entries[in_.Bits & mask];
        if (e & Invalid)
            return Bad();
        in_.Drop(DropBits(e));
        const unsigned symbol = Value(e);
        uint32_t repeat;
        uint8_t value = 0;
        if (symbol < 16) {
            lengths[i++] = static_cast<uint8_t>(symbol);
            continue;
        } else if (symbol == 16) {
            if (i == 0)
                return DecodeBadData;   // nothing to repeat
            repeat = 3 + in_.Take(2);
            value = lengths[i - 1];
        } else if (symbol == 17) {
            repeat = 3 + in_.Take(3);
        } else {
            repeat = 11 + in_.Take(7);
        }
        if (in_.Overrun())
            return DecodeInputEnded;
        if (i + repeat > total)
            return DecodeBadData;
        std::fill(lengths + i, lengths + i + repeat, value);
        i += repeat;
    }
    if (in_.Overrun())
        return DecodeInputEnded;

    TInflateTable lit, dist;
    r = BuildInflateTable(lengths, nlit, TInflateAlphabet::LiteralLength, TInflateTable::LiteralBits, work_.Literal, lit);
    if (r != 0)
        return static_cast<uint16_t>(r);
    r = BuildInflateTable(lengths + nlit, ndist, TInflateAlphabet::Distance, TInflateTable::DistanceBits,
                          work_.Distance, dist);
    if (r != 0)
        return static_cast<uint16_t>(r);
    return Codes(lit, dist);
}

uint16_t TInflater::SlowCode(const TInflateTable& litTable, const TInflateTable& distTable)
{
    if (in_.Count < 48 && !in_.Refill())
        return DecodeInputEnded;
    uint32_t e = Resolve(litTable.Entries, litTable.Entries[in_.Bits & ((1u << litTable.Bits) - 1)], in_.Bits, in_.Count);
    if (e & Invalid)
        return Bad();
    if (e & Literal) {
        in_.Drop(DropBits(e));
        if (in_.Overrun())
            return DecodeInputEnded;
        *out_++ = static_cast<uint8_t>(Value(e));
        return DecodeOk;
    }
    if (e & EndOfBlock) {
        in_.Drop(DropBits(e));
        return in_.Overrun() ? uint16_t(DecodeInputEnded) : EndOfBlockSeen;
    }
    const unsigned length = Decoded(e, in_.Bits);
    in_.Drop(DropBits(e));
    uint32_t d = Resolve(distTable.Entries, distTable.Entries[in_.Bits & ((1u << distTable.Bits) - 1)], in_.Bits, in_.Count);
    if (d & Special)
        return Bad();
    const unsigned distance = Decoded(d, in_.Bits);
    in_.Drop(DropBits(d));
    if (in_.Overrun())
        return DecodeInputEnded;
    if (distance > static_cast<size_t>(out_ - buf_))
        return DecodeBadData;   // reaches before the start of the output
    CopyMatch(out_, distance, length);
    out_ += length;
    return DecodeOk;
}

uint16_t TInflater::Codes(const TInflateTable& litTable, const TInflateTable& distTable)
{
    const uint32_t* const lit = litTable.Entries;
    const uint32_t* const dist = distTable.Entries;
    const unsigned litMask = (1u << litTable.Bits) - 1;
    const unsigned distMask = (1u << distTable.Bits) - 1;
    const uint8_t* const buf = buf_;
    uint8_t* const limit = limit_;

    for (;;) {
        // Hot state in locals: the window stores could otherwise alias every member.
        uint64_t bits = in_.Bits;
        unsigned count = in_.Count;
        const uint8_t* in = in_.In;
        const uint8_t* const end = in_.End;
        uint8_t* out = out_;

        // Fast loop: 8 input bytes at hand and room for a whole match. One refill gives at
        // least 56 bits, enough for a length and a distance with their extra bits (48), or
        // for three literals.
        while (end - in >= 8 && out < limit) {
            bits |= LoadLe64(in) << count;
            in += (63 - count) >> 3;
            count |= 56;
            uint32_t e = Resolve(lit, lit[bits & litMask], bits, count);
            if (e & Literal) {
                bits >>= DropBits(e);
                count -= DropBits(e);
                *out++ = static_cast<uint8_t>(Value(e));
                // Literals from the first level (11 bits at most) while the bits last.
                e = lit[bits & litMask];
                if (e & Literal) {
                    bits >>= DropBits(e);
                    count -= DropBits(e);
                    *out++ = static_cast<uint8_t>(Value(e));
                    e = lit[bits & litMask];
                    if (e & Literal) {
                        bits >>= DropBits(e);
                        count -= DropBits(e);
                        *out++ = static_cast<uint8_t>(Value(e));
                    }
                }
                continue;
            }
            if (e & Special) {
                if (e & EndOfBlock) {
                    bits >>= DropBits(e);
                    count -= DropBits(e);
                    in_.Bits = bits;
                    in_.Count = count;
                    in_.In = in;
                    out_ = out;
                    return DecodeOk;
                }
                return DecodeBadData;
            }
            const unsigned length = Decoded(e, bits);
            bits >>= DropBits(e);
            count -= DropBits(e);
            const uint32_t d = Resolve(dist, dist[bits & distMask], bits, count);
            if (d & Special)
                return DecodeBadData;
            const unsigned distance = Decoded(d, bits);
            bits >>= DropBits(d);
            count -= DropBits(d);
            if (distance > static_cast<size_t>(out - buf))
                return DecodeBadData;   // reaches before the start of the output
            CopyMatch(out, distance, length);
            out += length;
        }

        in_.Bits = bits;
        in_.Count = count;
        in_.In = in;
        out_ = out;
        if (out_ >= limit_) {
            Drain();
            continue;
        }
        // Near the end of an input chunk: one code the careful way, loading the next chunk.
        const uint16_t status = SlowCode(litTable, distTable);
        if (status == EndOfBlockSeen)
            return DecodeOk;
        if (status != DecodeOk)
            return status;
    }
}

}  // namespace

uint16_t Inflate(TDecoderState& state)
{
    if (!state.InflateWork)
        state.InflateWork = std::make_unique_for_overwrite<TInflateWork>();
    TInflater inflater(state, *state.InflateWork);
    return inflater.Run();
}

void CopyStored(TDecoderState& state)
{
    TZipHeaderInfo& header = *state.Owner->CurrentHeader;
    uint32_t chunk = std::min<uint32_t>(header.CompressedSize, TDecoderState::ChunkSize);
    while (header.CompressedSize > 0) {
        const int64_t got = state.ArchiveStream->Read(state.OutputBuffer.get(), chunk);
        if (got != static_cast<int64_t>(chunk))
            throw EFatalUnzipError("Premature end of file reached");
        if (header.IsEncrypted())
            state.Owner->CryptDecryptBuffer(state.OutputBuffer.get(), chunk);
        header.CompressedSize -= chunk;
        state.OutputCount = static_cast<uint16_t>(chunk);
        state.FlushOutput();
        chunk = std::min<uint32_t>(header.CompressedSize, TDecoderState::ChunkSize);
    }
}

void SkipEntryData(TDecoderState& state, int32_t& extractionCount)
{
    state.ArchiveStream->Seek(state.Owner->CurrentHeader->CompressedSize, TSeekOrigin::soCurrent);
    --extractionCount;
}
