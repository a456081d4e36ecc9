#include "DeflateTrace.h"

#include <stdexcept>

const uint16_t kLengthBase[29] = {3,  4,  5,  6,  7,  8,  9,  10, 11,  13,  15,  17,  19,  23, 27,
                                  31, 35, 43, 51, 59, 67, 83, 99, 115, 131, 163, 195, 227, 258};
const uint8_t kLengthExtra[29] = {0, 0, 0, 0, 0, 0, 0, 0, 1, 1, 1, 1, 2, 2, 2, 2, 3, 3, 3, 3, 4, 4, 4, 4, 5, 5, 5, 5, 0};
const uint16_t kDistBase[30] = {1,   2,   3,   4,   5,   7,    9,    13,   17,   25,   33,   49,   65,    97,    129,
                                193, 257, 385, 513, 769, 1025, 1537, 2049, 3073, 4097, 6145, 8193, 12289, 16385, 24577};
const uint8_t kDistExtra[30] = {0, 0, 0, 0, 1, 1, 2, 2, 3, 3, 4, 4, 5, 5, 6, 6, 7, 7, 8, 8, 9, 9, 10, 10, 11, 11, 12, 12, 13, 13};
const uint8_t kOrder[19] = {16, 17, 18, 0, 8, 7, 9, 6, 10, 5, 11, 4, 12, 3, 13, 2, 14, 1, 15};

[[noreturn]] static void fail(const char* what) { throw std::runtime_error(what); }

struct TTraceBits {
    const std::vector<uint8_t>& in;
    size_t pos = 0;
    unsigned bit = 0;
    unsigned take(unsigned n)
    {
        unsigned v = 0;
        for (unsigned i = 0; i < n; ++i) {
            if (pos >= in.size())
                fail("input ended");
            v |= ((in[pos] >> bit) & 1u) << i;
            if (++bit == 8)
                bit = 0, ++pos;
        }
        return v;
    }
    void align()
    {
        if (bit != 0)
            bit = 0, ++pos;
    }
};

// Canonical decoding table: counts per length and symbols in code order.
struct TTraceHuffman {
    uint16_t count[16] = {};
    std::vector<uint16_t> symbol;
    void build(const uint8_t* lengths, int n)
    {
        for (int i = 0; i < n; ++i)
            ++count[lengths[i]];
        count[0] = 0;
        int left = 1;
        for (int len = 1; len < 16; ++len) {
            left = left * 2 - count[len];
            if (left < 0)
                fail("over-subscribed code");
        }
        uint16_t offs[16] = {};
        for (int len = 1; len < 15; ++len)
            offs[len + 1] = static_cast<uint16_t>(offs[len] + count[len]);
        symbol.assign(static_cast<size_t>(n), 0);
        for (int i = 0; i < n; ++i)
            if (lengths[i] != 0)
                symbol[offs[lengths[i]]++] = static_cast<uint16_t>(i);
    }
    int decode(TTraceBits& bits) const
    {
        int code = 0, first = 0, index = 0;
        for (int len = 1; len < 16; ++len) {
            code |= static_cast<int>(bits.take(1));
            const int c = count[len];
            if (code - first < c)
                return symbol[static_cast<size_t>(index + code - first)];
            index += c;
            first = (first + c) << 1;
            code <<= 1;
        }
        fail("invalid code");
        return -1;
    }
};

size_t TTrace::MatchCount() const
{
    size_t n = 0;
    for (const auto& b : Blocks)
        for (const auto& s : b.Symbols)
            n += s.Length != 0;
    return n;
}

const TTraceSymbol* TTrace::SymbolAt(size_t offset) const
{
    for (const auto& b : Blocks)
        for (const auto& s : b.Symbols)
            if (s.Offset == offset)
                return &s;
    return nullptr;
}

TTrace TraceDeflate(const std::vector<uint8_t>& compressed)
{
    TTrace trace;
    TTraceBits bits{compressed};
    auto& out = trace.Output;
    bool last = false;
    while (!last) {
        TTraceBlock block;
        last = block.Last = bits.take(1) != 0;
        block.Type = static_cast<int>(bits.take(2));
        if (block.Type == 0) {
            bits.align();
            const unsigned len = bits.take(16);
            const unsigned nlen = bits.take(16);
            if (len != (~nlen & 0xFFFF))
                fail("stored length check");
            if (bits.pos + len > compressed.size())
                fail("stored block ended");
            out.insert(out.end(), compressed.begin() + static_cast<long>(bits.pos),
                       compressed.begin() + static_cast<long>(bits.pos + len));
            bits.pos += len;
            block.StoredLength = len;
        } else if (block.Type == 1 || block.Type == 2) {
            TTraceHuffman lit, dist;
            if (block.Type == 1) {
                uint8_t l[288], d[30];
                for (int i = 0; i < 288; ++i)
                    l[i] = i < 144 ? 8 : i < 256 ? 9 : i < 280 ? 7 : 8;
                for (auto& x : d)
                    x = 5;
                lit.build(l, 288);
                dist.build(d, 30);
            } else {
                const unsigned nlen = bits.take(5) + 257, ndist = bits.take(5) + 1, ncode = bits.take(4) + 4;
                uint8_t cl[19] = {};
                for (unsigned i = 0; i < ncode; ++i)
                    cl[kOrder[i]] = static_cast<uint8_t>(bits.take(3));
                block.CodeLengthLengths.assign(cl, cl + 19);
                TTraceHuffman clh;
                clh.build(cl, 19);
                std::vector<uint8_t> lengths;
                while (lengths.size() < nlen + ndist) {
                    const int sym = clh.decode(bits);
                    if (sym < 16) {
                        lengths.push_back(static_cast<uint8_t>(sym));
                    } else {
                        unsigned rep;
                        uint8_t value = 0;
                        if (sym == 16) {
                            if (lengths.empty())
                                fail("repeat with no length");
                            value = lengths.back();
                            rep = 3 + bits.take(2);
                        } else if (sym == 17) {
                            rep = 3 + bits.take(3);
                        } else {
                            rep = 11 + bits.take(7);
                        }
                        lengths.insert(lengths.end(), rep, value);
                    }
                }
                if (lengths.size() != nlen + ndist)
                    fail("code lengths overrun");
                block.LiteralLengths.assign(lengths.begin(), lengths.begin() + nlen);
                block.DistanceLengths.assign(lengths.begin() + nlen, lengths.end());
                if (block.LiteralLengths[256] == 0)
                    fail("no end-of-block code");
                lit.build(block.LiteralLengths.data(), static_cast<int>(nlen));
                dist.build(block.DistanceLengths.data(), static_cast<int>(ndist));
            }
            for (;;) {
                const int sym = lit.decode(bits);
                if (sym == 256)
                    break;
                TTraceSymbol s;
                s.Offset = out.size();
                if (sym < 256) {
                    s.Literal = static_cast<uint8_t>(sym);
                    out.push_back(s.Literal);
                } else {
                    if (sym > 285)
                        fail("bad length code");
                    s.Length = static_cast<uint16_t>(kLengthBase[sym - 257] + bits.take(kLengthExtra[sym - 257]));
                    const int dsym = dist.decode(bits);
                    if (dsym > 29)
                        fail("bad distance code");
                    s.Distance = static_cast<uint16_t>(kDistBase[dsym] + bits.take(kDistExtra[dsym]));
                    if (s.Distance > out.size())
                        fail("distance too far back");
                    for (unsigned i = 0; i < s.Length; ++i)
                        out.push_back(out[out.size() - s.Distance]);
                }
                block.Symbols.push_back(s);
            }
        } else {
            fail("block type 3");
        }
        trace.Blocks.push_back(std::move(block));
    }
    bits.align();
    trace.BytesUsed = bits.pos;
    return trace;
}
