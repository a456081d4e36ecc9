#include "zip/Inflate.h"

#include <algorithm>
#include <cstring>

#include "platform/Stream.h"
#include "zip/DecoderState.h"
#include "zip/HuftBuild.h"
#include "zip/ZipComponentBase.h"
#include "zip/ZipExceptions.h"

namespace {

constexpr uint32_t WindowSize = TDecoderState::WindowSize;
constexpr unsigned MaxMatch = 258;

// Length codes 257-285; 286 and 287 exist only in the fixed code and must not be used.
const uint16_t LengthBase[31] = {3,  4,  5,  6,  7,  8,  9,  10, 11,  13,  15,  17,  19,  23, 27, 31,
                                 35, 43, 51, 59, 67, 83, 99, 115, 131, 163, 195, 227, 258, 0,  0};
const uint8_t LengthExtra[31] = {0, 0, 0, 0, 0, 0, 0, 0, 1, 1, 1, 1, 2, 2, 2, 2,
                                 3, 3, 3, 3, 4, 4, 4, 4, 5, 5, 5, 5, 0, HuftInvalid, HuftInvalid};
const uint16_t DistBase[30] = {1,   2,   3,   4,   5,   7,    9,    13,   17,   25,   33,   49,   65,    97,    129,
                               193, 257, 385, 513, 769, 1025, 1537, 2049, 3073, 4097, 6145, 8193, 12289, 16385, 24577};
const uint8_t DistExtra[30] = {0, 0, 0, 0, 1, 1, 2, 2, 3, 3, 4, 4, 5, 5, 6, 6, 7, 7, 8, 8, 9, 9, 10, 10, 11, 11, 12, 12, 13, 13};
const uint8_t CodeLengthOrder[19] = {16, 17, 18, 0, 8, 7, 9, 6, 10, 5, 11, 4, 12, 3, 13, 2, 14, 1, 15};

inline uint64_t Low(uint64_t bits, unsigned n) { return bits & ((uint64_t(1) << n) - 1); }

// Copies a match forward within one buffer, byte for byte in effect: with a distance below
// the length the copy repeats the bytes it has just written. Writes exactly len bytes, as the
// bytes behind the match are still history.
inline void CopyMatch(uint8_t* dst, const uint8_t* src, unsigned len)
{
    const size_t distance = static_cast<size_t>(dst - src);
    if (distance >= 8 && len >= 8) {
        uint8_t* const last = dst + len - 8;
        const uint8_t* const lastSrc = src + len - 8;
        while (dst < last) {
            std::memcpy(dst, src, 8);
            dst += 8;
            src += 8;
        }
        std::memcpy(last, lastSrc, 8);
    } else if (distance == 1) {
        std::memset(dst, *src, len);
    } else {
        while (len--)
            *dst++ = *src++;
    }
}

// Copies with whole 8-byte words for a distance of 8 or more; the word behind the match is
// put back, as it is still history. Needs 8 readable and writable bytes behind the match.
inline void CopyWords(uint8_t* dst, const uint8_t* src, unsigned len)
{
    uint64_t behind, word;
    uint8_t* const end = dst + len;
    std::memcpy(&behind, end, 8);
    do {
        std::memcpy(&word, src, 8);
        std::memcpy(dst, &word, 8);
        dst += 8;
        src += 8;
    } while (dst < end);
    std::memcpy(end, &behind, 8);
}

// The same copy as CopyMatch for the fast path, where 8 bytes behind the match lie inside the
// work area.
inline void CopyMatchFast(uint8_t* dst, const uint8_t* src, unsigned len)
{
    const unsigned distance = static_cast<unsigned>(dst - src);
    if (distance >= 8) {
        CopyWords(dst, src, len);
    } else if (distance == 1) {
        const uint64_t word = *src * 0x0101010101010101ull;
        uint64_t behind;
        uint8_t* const end = dst + len;
        std::memcpy(&behind, end, 8);
        do {
            std::memcpy(dst, &word, 8);
            dst += 8;
        } while (dst < end);
        std::memcpy(end, &behind, 8);
    } else {
        // The bytes repeat with the distance, so also with its first multiple of 8 or more.
        const unsigned period = distance * ((8 + distance - 1) / distance);
        const unsigned head = std::min(len, period);
        for (unsigned i = 0; i < head; ++i)
            dst[i] = src[i];
        if (len > head)
            CopyWords(dst + head, dst + head - period, len - head);
    }
}

class TInflater {
public:
    explicit TInflater(TDecoderState& state) : s_(state), in_(state), w_(state.WorkArea.get()) {}
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
    void FlushWindow()
    {
        s_.CopyOut(w_, WindowSize);
        flushed_ += WindowSize;
        pos_ = 0;
    }
    void PutByte(uint8_t b)
    {
        w_[pos_++] = b;
        if (pos_ == WindowSize)
            FlushWindow();
    }
    // A match that may run into the window's end or take its source from there.
    void CopySplit(unsigned length, unsigned distance);
    uint16_t StoredBlock();
    uint16_t FixedBlock();
    uint16_t DynamicBlock();
    uint16_t Codes(const THuftTable& litTable, const THuftTable& distTable);

    TDecoderState& s_;
    TBitInput in_;
    uint8_t* const w_;
    uint32_t pos_ = 0;
    uint64_t flushed_ = 0;   // bytes of this entry already copied out of the window
    THuftTable lit_, dist_, lengths_, fixedLit_, fixedDist_;
    bool fixedBuilt_ = false;
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
    s_.CopyOut(w_, pos_);
    s_.FlushOutput();
    return DecodeOk;
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
    while (length > 0 && in_.Count >= 8) {
        const uint8_t b = static_cast<uint8_t>(in_.Take(8));
        if (in_.Overrun())
            return DecodeInputEnded;
        PutByte(b);
        --length;
    }
    if (length == 0)
        return DecodeOk;
    in_.Bits = 0;
    while (length > 0) {
        if (in_.In == in_.End && !in_.LoadMore())
            return DecodeInputEnded;
        const uint32_t n = std::min({length, static_cast<uint32_t>(in_.End - in_.In), WindowSize - pos_});
        std::memcpy(w_ + pos_, in_.In, n);
        in_.In += n;
        pos_ += n;
        length -= n;
        if (pos_ == WindowSize)
            FlushWindow();
    }
    return DecodeOk;
}

uint16_t TInflater::FixedBlock()
{
    if (!fixedBuilt_) {
        uint8_t lengths[288];
        std::fill(lengths, lengths + 144, 8);
        std::fill(lengths + 144, lengths + 256, 9);
        std::fill(lengths + 256, lengths + 280, 7);
        std::fill(lengths + 280, lengths + 288, 8);
        int r = HuftBuild(lengths, 288, 257, LengthBase, LengthExtra, 7, fixedLit_);
        if (r != 0)
            return static_cast<uint16_t>(r);
        // Thirty codes of five bits leave two codes unused: incomplete, accepted here.
        std::fill(lengths, lengths + 30, 5);
        r = HuftBuild(lengths, 30, 0, DistBase, DistExtra, 5, fixedDist_);
        if (r > 1)
            return static_cast<uint16_t>(r);
        fixedBuilt_ = true;
    }
    return Codes(fixedLit_, fixedDist_);
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
    int r = HuftBuild(codeLengths, 19, 19, nullptr, nullptr, 7, lengths_);
    if (r != 0)
        return static_cast<uint16_t>(r);

    uint8_t lengths[286 + 30];
    const uint32_t total = nlit + ndist;
    const unsigned mask = (1u << lengths_.LookupBits) - 1;
    for (uint32_t i = 0; i < total;) {
        if (!in_.Need(7 + 7))
            return DecodeInputEnded;
        const THuft e = lengths_.Entries[in_.Bits & mask];
        if (e.Op == HuftInvalid)
            return Bad();
        in_.Drop(e.Bits);
        uint32_t repeat;
        uint8_t value = 0;
        if (e.Value < 16) {
            lengths[i++] = static_cast<uint8_t>(e.Value);
            continue;
        } else if (e.Value == 16) {
            if (i == 0)
                return DecodeBadData;   // nothing to repeat
            repeat = 3 + in_.Take(2);
            value = lengths[i - 1];
        } else if (e.Value == 17) {
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
    lengths_.Free();

    r = HuftBuild(lengths, static_cast<int>(nlit), 257, LengthBase, LengthExtra, 9, lit_);
    if (r != 0)
        return static_cast<uint16_t>(r);
    r = HuftBuild(lengths + nlit, static_cast<int>(ndist), 0, DistBase, DistExtra, 6, dist_);
    if (r != 0)
        return static_cast<uint16_t>(r);
    const uint16_t status = Codes(lit_, dist_);
    lit_.Free();
    dist_.Free();
    return status;
}

void TInflater::CopySplit(unsigned length, unsigned distance)
{
    while (length > 0) {
        const uint32_t src = distance <= pos_ ? pos_ - distance : pos_ + WindowSize - distance;
        const uint32_t n = std::min({length, WindowSize - pos_, WindowSize - src});
        if (src < pos_)
            CopyMatch(w_ + pos_, w_ + src, n);
        else if (src > pos_)
            std::memmove(w_ + pos_, w_ + src, n);   // source from the window's older bytes
        pos_ += n;
        length -= n;
        if (pos_ == WindowSize)
            FlushWindow();
    }
}

uint16_t TInflater::Codes(const THuftTable& litTable, const THuftTable& distTable)
{
    const THuft* const lit = litTable.Entries.data();
    const THuft* const dist = distTable.Entries.data();
    const unsigned litMask = (1u << litTable.LookupBits) - 1;
    const unsigned distMask = (1u << distTable.LookupBits) - 1;
    uint8_t* const w = w_;

    // Hot state in locals: the window stores could otherwise alias every member.
    uint64_t bits = in_.Bits;
    unsigned count = in_.Count;
    const uint8_t* in = in_.In;
    const uint8_t* end = in_.End;
    uint32_t pos = pos_;
    uint64_t flushed = flushed_;
    THuft e;

    for (;;) {
        // Fast path: 8 input bytes at hand and room for a whole match before the window's end.
        while (end - in >= 8 && pos <= WindowSize - MaxMatch - 1) {
            bits |= LoadLe64(in) << count;
            in += (63 - count) >> 3;
            count |= 56;
            e = lit[bits & litMask];
        decode:
            if (e.Op > HuftLiteral) {
                if (e.Op == HuftInvalid)
                    goto invalid;
                bits >>= e.Bits;
                count -= e.Bits;
                e = lit[e.Value + Low(bits, e.Op - HuftLiteral)];
            }
            if (e.Op == HuftLiteral) {
                bits >>= e.Bits;
                count -= e.Bits;
                w[pos++] = static_cast<uint8_t>(e.Value);
                // Up to four more first-level literals (9 bits at most) fit in the bits held.
                for (int more = 0; more < 4; ++more) {
                    e = lit[bits & litMask];
                    if (e.Op != HuftLiteral)
                        break;
                    bits >>= e.Bits;
                    count -= e.Bits;
                    w[pos++] = static_cast<uint8_t>(e.Value);
                }
                continue;
            }
            if (e.Op == HuftEndOfBlock) {
                bits >>= e.Bits;
                count -= e.Bits;
                goto endOfBlock;
            }
            if (e.Op == HuftInvalid)
                goto invalid;
            // The code and its extra bits go in one step.
            const unsigned length = e.Value + (static_cast<uint32_t>(bits >> e.Bits) & ((1u << e.Op) - 1));
            bits >>= e.Bits + e.Op;
            count -= e.Bits + e.Op;

            THuft d = dist[bits & distMask];
            if (d.Op > HuftLiteral) {
                if (d.Op == HuftInvalid)
                    goto invalid;
                bits >>= d.Bits;
                count -= d.Bits;
                d = dist[d.Value + Low(bits, d.Op - HuftLiteral)];
            }
            if (d.Op >= HuftEndOfBlock)
                goto invalid;
            const unsigned distance = d.Value + (static_cast<uint32_t>(bits >> d.Bits) & ((1u << d.Op) - 1));
            bits >>= d.Bits + d.Op;
            count -= d.Bits + d.Op;
            if (distance > flushed + pos)
                goto invalid;   // reaches before the start of the output
            if (distance <= pos && end - in >= 8) {
                // Look the next code up before the copy, so that the two overlap.
                bits |= LoadLe64(in) << count;
                in += (63 - count) >> 3;
                count |= 56;
                e = lit[bits & litMask];
                CopyMatchFast(w + pos, w + pos - distance, length);
                pos += length;
                if (pos <= WindowSize - MaxMatch - 1)
                    goto decode;
                continue;
            }
            if (distance <= pos) {
                CopyMatchFast(w + pos, w + pos - distance, length);
            } else {
                const uint32_t src = pos + WindowSize - distance;
                const unsigned first = std::min(length, WindowSize - src);
                std::memmove(w + pos, w + src, first);
                if (length > first)
                    CopyMatch(w + pos + first, w, length - first);
            }
            pos += length;
        }

        // Slow path: one code at a time, loading chunks and splitting at the window's end.
        in_.Bits = bits;
        in_.Count = count;
        in_.In = in;
        pos_ = pos;
        if (in_.Count < 48 && !in_.Refill())
            return DecodeInputEnded;
        {
            THuft e = lit[in_.Bits & litMask];
            if (e.Op > HuftLiteral && e.Op != HuftInvalid) {
                in_.Drop(e.Bits);
                e = lit[e.Value + Low(in_.Bits, e.Op - HuftLiteral)];
            }
            if (e.Op == HuftInvalid)
                return Bad();
            in_.Drop(e.Bits);
            if (e.Op == HuftLiteral) {
                if (in_.Overrun())
                    return DecodeInputEnded;
                PutByte(static_cast<uint8_t>(e.Value));
            } else if (e.Op == HuftEndOfBlock) {
                return in_.Overrun() ? DecodeInputEnded : DecodeOk;
            } else {
                const unsigned length = e.Value + in_.Take(e.Op);
                THuft d = dist[in_.Bits & distMask];
                if (d.Op > HuftLiteral && d.Op != HuftInvalid) {
                    in_.Drop(d.Bits);
                    d = dist[d.Value + Low(in_.Bits, d.Op - HuftLiteral)];
                }
                if (d.Op >= HuftEndOfBlock)
                    return Bad();
                in_.Drop(d.Bits);
                const unsigned distance = d.Value + in_.Take(d.Op);
                if (in_.Overrun())
                    return DecodeInputEnded;
                if (distance > flushed_ + pos_)
                    return DecodeBadData;
                CopySplit(length, distance);
            }
        }
        bits = in_.Bits;
        count = in_.Count;
        in = in_.In;
        end = in_.End;
        pos = pos_;
        flushed = flushed_;
    }

endOfBlock:
    in_.Bits = bits;
    in_.Count = count;
    in_.In = in;
    pos_ = pos;
    return DecodeOk;
invalid:
    in_.Bits = bits;
    in_.Count = count;
    in_.In = in;
    pos_ = pos;
    return DecodeBadData;
}

}  // namespace

uint16_t Inflate(TDecoderState& state)
{
    TInflater inflater(state);
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
