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

// Copies a match of length bytes from distance back, as a byte-by-byte copy would (a distance
// below the length repeats what the copy has just written). Whole words go, so up to 40 bytes
// past the start or 7 past the end are written too: the window's margin takes them and later
// output overwrites them. Every word read lies before the word written, so it is final.
inline void CopyMatch(uint8_t* dst, unsigned distance, unsigned length)
{
    const uint8_t* src = dst - distance;
    uint8_t* const end = dst + length;
    if (distance >= 8) {
        // Five words without a test cover most matches; a loop takes the rest.
        Copy8(dst, src);
        Copy8(dst + 8, src + 8);
        Copy8(dst + 16, src + 16);
        Copy8(dst + 24, src + 24);
        Copy8(dst + 32, src + 32);
        for (dst += 40, src += 40; dst < end; dst += 8, src += 8)
            Copy8(dst, src);
    } else if (distance == 1) {
        const uint64_t word = *src * 0x0101010101010101ull;
        do {
            std::memcpy(dst, &word, 8);
            dst += 8;
        } while (dst < end);
    } else {
        // The bytes repeat with the distance, so also with its first multiple of 8 or more.
        static constexpr uint8_t Periods[8] = {0, 8, 8, 9, 8, 10, 12, 14};
        const unsigned period = Periods[distance];
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

enum class TFastExit { Bounds, EndOfBlock, BadData };

// The state the fast loop runs on, in and out.
struct TFastState {
    uint64_t Bits;
    unsigned Count;
    const uint8_t* In;
    const uint8_t* End;
    uint8_t* Out;
};

struct TFastTables {
    const uint32_t* Lit;
    const uint32_t* Dist;
    const uint8_t* Start;   // the window's start: no distance reaches before it
    const uint8_t* Limit;   // below this a whole match still fits
};

// Decodes while 8 input bytes are at hand and a whole match fits. One refill gives at least
// 56 bits, enough for a length and a distance with their extra bits (48), or for three
// literals.
__attribute__((always_inline)) inline TFastExit FastLoop(TFastState& st, const TFastTables& t)
{
    // Hot state in locals: the window stores could otherwise alias every member.
    uint64_t bits = st.Bits;
    unsigned count = st.Count;
    const uint8_t* in = st.In;
    const uint8_t* const end = st.End;
    uint8_t* out = st.Out;
    const uint32_t* const lit = t.Lit;
    const uint32_t* const dist = t.Dist;
    constexpr unsigned litMask = (1u << TInflateTable::LiteralBits) - 1;
    constexpr unsigned distMask = (1u << TInflateTable::DistanceBits) - 1;
    const uint8_t* const buf = t.Start;
    const uint8_t* const limit = t.Limit;
    TFastExit exit = TFastExit::Bounds;

    if (end - in < 8)
        return exit;
    const uint8_t* const lastRefill = end - 8;   // a refill reads 8 bytes
    // Only the low byte of count matters: whole entries are subtracted from it (their low
    // byte is the bits to drop), which saves taking that byte out first.
    auto refill = [&] {
        bits |= LoadLe64(in) << (count & 63);
        in += (~count & 63) >> 3;
        count |= 56;
    };
    auto drop = [&](uint32_t e) {
        bits >>= static_cast<uint8_t>(e);
        count -= e;
    };
    while (in <= lastRefill && out < limit) {
        refill();
        uint32_t e = lit[bits & litMask];
    decode:
        if (e & Literal) {
            drop(e);
            *out++ = static_cast<uint8_t>(Value(e));
            // Literals from the first level (11 bits at most) while the bits last.
            e = lit[bits & litMask];
            if (e & Literal) {
                drop(e);
                *out++ = static_cast<uint8_t>(Value(e));
                e = lit[bits & litMask];
                if (e & Literal) {
                    drop(e);
                    *out++ = static_cast<uint8_t>(Value(e));
                    e = lit[bits & litMask];
                }
            }
            // At least 19 bits are left, so e is the next code's entry already: a refill adds
            // bits above them only.
            if (in > lastRefill || out >= limit)
                break;
            refill();
            goto decode;
        }
        if (e & Special) {
            if (e & Link) {   // a second-level entry is never a link itself
                drop(e);
                e = lit[Value(e) + static_cast<unsigned>(bits & ((1u << CodeBits(e)) - 1))];
                goto decode;
            }
            if (e & EndOfBlock) {
                drop(e);
                exit = TFastExit::EndOfBlock;
            } else {
                exit = TFastExit::BadData;
            }
            break;
        }
        const unsigned length = Decoded(e, bits);
        drop(e);
        uint32_t d = dist[bits & distMask];
        if (d & Special) {
            if (d & Link) {
                drop(d);
                d = dist[Value(d) + static_cast<unsigned>(bits & ((1u << CodeBits(d)) - 1))];
            }
            if (d & Special) {
                exit = TFastExit::BadData;
                break;
            }
        }
        const unsigned distance = Decoded(d, bits);
        drop(d);
        if (distance > static_cast<size_t>(out - buf)) {
            exit = TFastExit::BadData;   // reaches before the start of the output
            break;
        }
        if (in <= lastRefill) {
            // The next code is looked up before the copy, so that the two overlap.
            refill();
            e = lit[bits & litMask];
            CopyMatch(out, distance, length);
            out += length;
            if (out < limit)
                goto decode;
            break;
        }
        CopyMatch(out, distance, length);
        out += length;
    }

    st.Bits = bits;
    st.Count = count & 0xFF;
    st.In = in;
    st.Out = out;
    return exit;
}

using TFastLoop = TFastExit (*)(TFastState&, const TFastTables&);

TFastExit FastLoopPortable(TFastState& st, const TFastTables& t) { return FastLoop(st, t); }

#if defined(__x86_64__)
// The same loop with BMI2's shifts, which take a variable count in one step.
__attribute__((target("bmi,bmi2"))) TFastExit FastLoopBmi2(TFastState& st, const TFastTables& t)
{
    return FastLoop(st, t);
}
#endif

TFastLoop ChooseFastLoop()
{
#if defined(__x86_64__)
    __builtin_cpu_init();
    if (__builtin_cpu_supports("bmi2"))
        return FastLoopBmi2;
#endif
    return FastLoopPortable;
}

uint16_t TInflater::Codes(const TInflateTable& litTable, const TInflateTable& distTable)
{
    static const TFastLoop fastLoop = ChooseFastLoop();
    const TFastTables tables{litTable.Entries, distTable.Entries, buf_, limit_};
    for (;;) {
        TFastState st{in_.Bits, in_.Count, in_.In, in_.End, out_};
        const TFastExit exit = fastLoop(st, tables);
        in_.Bits = st.Bits;
        in_.Count = st.Count;
        in_.In = st.In;
        out_ = st.Out;
        if (exit == TFastExit::EndOfBlock)
            return DecodeOk;
        if (exit == TFastExit::BadData)
            return DecodeBadData;
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
