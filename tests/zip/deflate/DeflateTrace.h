#pragma once
// A small, slow inflater that keeps what it decodes: each block's type and code lengths and
// every match. Lets the tests see the encoder's choices, not only its result.
#include <cstddef>
#include <algorithm>
#include <cstdint>
#include <stdexcept>
#include <vector>

#include "zip/ZipTestSupport.h"

struct TTraceSymbol {
    uint16_t Length = 0;   // 0: a literal
    uint16_t Distance = 0;
    size_t Offset = 0;     // where in the output the symbol starts
};

struct TTraceBlock {
    int Type = 0;          // 0 stored, 1 fixed, 2 dynamic
    size_t StoredLength = 0;
    Bytes LiteralLengths, DistanceLengths;   // dynamic blocks: as sent
    Bytes CodeLengthLengths;                 // in symbol order 0-18
    std::vector<TTraceSymbol> Symbols;
};

struct TTrace {
    std::vector<TTraceBlock> Blocks;
    Bytes Output;
    size_t BytesUsed = 0;   // compressed bytes up to the end of the last block

    size_t MatchCount() const
    {
        size_t n = 0;
        for (const auto& b : Blocks)
            for (const auto& s : b.Symbols)
                n += s.Length != 0;
        return n;
    }
    // The symbol that starts at an output offset, or nullptr when a match covers it.
    const TTraceSymbol* SymbolAt(size_t offset) const
    {
        for (const auto& b : Blocks)
            for (const auto& s : b.Symbols)
                if (s.Offset == offset)
                    return &s;
        return nullptr;
    }
};

[[noreturn]] inline void TraceFail(const char* what) { throw std::runtime_error(what); }

struct TTraceBits {
    const Bytes& in;
    size_t pos = 0;
    unsigned bit = 0;
    unsigned take(unsigned n)
    {
        unsigned v = 0;
        for (unsigned i = 0; i < n; ++i, bit = (bit + 1) & 7, pos += bit == 0) {
            if (pos >= in.size())
                TraceFail("input ended");
            v |= ((in[pos] >> bit) & 1u) << i;
        }
        return v;
    }
    void align() { pos += bit != 0, bit = 0; }
};

// Canonical decoding: counts per length and symbols in code order.
struct TTraceHuffman {
    uint16_t count[16] = {};
    std::vector<uint16_t> symbol;
    TTraceHuffman(const Bytes& lengths)
    {
        for (uint8_t l : lengths)
            ++count[l];
        count[0] = 0;
        for (int len = 1, left = 1; len < 16; ++len)
            if ((left = left * 2 - count[len]) < 0)
                TraceFail("over-subscribed code");
        uint16_t offs[16] = {};
        for (int len = 1; len < 15; ++len)
            offs[len + 1] = uint16_t(offs[len] + count[len]);
        symbol.resize(lengths.size());
        for (size_t i = 0; i < lengths.size(); ++i)
            if (lengths[i] != 0)
                symbol[offs[lengths[i]]++] = uint16_t(i);
    }
    int decode(TTraceBits& bits) const
    {
        for (int len = 1, code = 0, first = 0, index = 0; len < 16; ++len, first = (first + count[len - 1]) << 1, code <<= 1) {
            code |= int(bits.take(1));
            if (code - first < count[len])
                return symbol[size_t(index + code - first)];
            index += count[len];
        }
        TraceFail("invalid code");
    }
};

// Raises std::runtime_error on data that is not a valid raw deflate stream.
inline TTrace TraceDeflate(const Bytes& compressed)
{
    TTrace trace;
    TTraceBits bits{compressed};
    Bytes& out = trace.Output;
    for (bool last = false; !last;) {
        TTraceBlock block;
        last = bits.take(1) != 0;
        block.Type = int(bits.take(2));
        if (block.Type == 0) {
            bits.align();
            const unsigned len = bits.take(16);
            if (len != (~bits.take(16) & 0xFFFF) || bits.pos + len > compressed.size())
                TraceFail("bad stored block");
            out.insert(out.end(), compressed.begin() + long(bits.pos), compressed.begin() + long(bits.pos + len));
            bits.pos += len;
            block.StoredLength = len;
        } else if (block.Type == 3) {
            TraceFail("block type 3");
        } else {
            Bytes litLengths(288, 8), distLengths(30, 5);
            std::fill(litLengths.begin() + 144, litLengths.begin() + 256, 9);
            std::fill(litLengths.begin() + 256, litLengths.begin() + 280, 7);
            if (block.Type == 2) {
                static constexpr uint8_t order[19] = {16, 17, 18, 0, 8, 7, 9, 6, 10, 5, 11, 4, 12, 3, 13, 2, 14, 1, 15};
                const unsigned nlen = bits.take(5) + 257, ndist = bits.take(5) + 1, ncode = bits.take(4) + 4;
                block.CodeLengthLengths.assign(19, 0);
                for (unsigned i = 0; i < ncode; ++i)
                    block.CodeLengthLengths[order[i]] = uint8_t(bits.take(3));
                const TTraceHuffman code(block.CodeLengthLengths);
                Bytes lengths;
                while (lengths.size() < nlen + ndist) {
                    const int sym = code.decode(bits);
                    if (sym == 16 && lengths.empty())
                        TraceFail("repeat with no length");
                    if (sym < 16)
                        lengths.push_back(uint8_t(sym));
                    else
                        lengths.insert(lengths.end(), sym == 16 ? 3 + bits.take(2) : sym == 17 ? 3 + bits.take(3) : 11 + bits.take(7),
                                       sym == 16 ? lengths.back() : 0);
                }
                if (lengths.size() != nlen + ndist || lengths[256] == 0)
                    TraceFail("bad code lengths");
                litLengths = block.LiteralLengths = Slice(lengths, 0, nlen);
                distLengths = block.DistanceLengths = Slice(lengths, nlen, ndist);
            }
            const TTraceHuffman lit(litLengths), dist(distLengths);
            for (int sym = lit.decode(bits); sym != 256; sym = lit.decode(bits)) {
                TTraceSymbol s;
                s.Offset = out.size();
                if (sym < 256) {
                    out.push_back(uint8_t(sym));
                } else {
                    if (sym > 285)
                        TraceFail("bad length code");
                    s.Length = uint16_t(kLengthBase[sym - 257] + bits.take(kLengthExtra[sym - 257]));
                    const int dsym = dist.decode(bits);
                    if (dsym > 29)
                        TraceFail("bad distance code");
                    s.Distance = uint16_t(kDistBase[dsym] + bits.take(kDistExtra[dsym]));
                    if (s.Distance > out.size())
                        TraceFail("distance too far back");
                    for (unsigned i = 0; i < s.Length; ++i)
                        out.push_back(out[out.size() - s.Distance]);
                }
                block.Symbols.push_back(s);
            }
        }
        trace.Blocks.push_back(std::move(block));
    }
    bits.align();
    trace.BytesUsed = bits.pos;
    return trace;
}
