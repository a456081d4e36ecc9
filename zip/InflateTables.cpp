#include "zip/InflateTables.h"

#include <algorithm>

namespace {

using namespace InflateEntry;

constexpr unsigned MaxCodeBits = 15;

const uint16_t LengthBase[29] = {3,  4,  5,  6,  7,  8,  9,  10, 11,  13,  15,  17,  19,  23, 27,
                                 31, 35, 43, 51, 59, 67, 83, 99, 115, 131, 163, 195, 227, 258};
const uint8_t LengthExtra[29] = {0, 0, 0, 0, 0, 0, 0, 0, 1, 1, 1, 1, 2, 2, 2, 2, 3, 3, 3, 3, 4, 4, 4, 4, 5, 5, 5, 5, 0};
const uint16_t DistBase[30] = {1,   2,   3,   4,   5,   7,    9,    13,   17,   25,   33,   49,   65,    97,    129,
                               193, 257, 385, 513, 769, 1025, 1537, 2049, 3073, 4097, 6145, 8193, 12289, 16385, 24577};
const uint8_t DistExtra[30] = {0, 0, 0, 0, 1, 1, 2, 2, 3, 3, 4, 4, 5, 5, 6, 6, 7, 7, 8, 8, 9, 9, 10, 10, 11, 11, 12, 12, 13, 13};

// The entry of a symbol whose code (or the rest of it, in a second level) is codeBits long.
uint32_t SymbolEntry(TInflateAlphabet alphabet, unsigned symbol, unsigned codeBits)
{
    unsigned value = symbol, extra = 0;
    uint32_t kind = 0;
    switch (alphabet) {
    case TInflateAlphabet::CodeLength:
        kind = Literal;
        break;
    case TInflateAlphabet::LiteralLength:
        if (symbol < 256) {
            kind = Literal;
        } else if (symbol == 256) {
            kind = EndOfBlock;
        } else if (symbol < 286) {
            value = LengthBase[symbol - 257];
            extra = LengthExtra[symbol - 257];
        } else {
            return Invalid;   // 286 and 287 exist only to complete the fixed code
        }
        break;
    case TInflateAlphabet::Distance:
        if (symbol >= 30)
            return Invalid;
        value = DistBase[symbol];
        extra = DistExtra[symbol];
        break;
    }
    return uint32_t(value) << 16 | kind | codeBits << 8 | (codeBits + extra);
}

struct TByteReversal {
    uint8_t r[256];
    constexpr TByteReversal() : r()
    {
        for (unsigned i = 0; i < 256; ++i)
            for (unsigned b = 0; b < 8; ++b)
                if (i & (1u << b))
                    r[i] |= static_cast<uint8_t>(0x80u >> b);
    }
};
constexpr TByteReversal ByteReversal;

// An n-bit code (n up to 16), most significant bit first, as the bit reader sees it: reversed.
inline unsigned Reverse(unsigned code, unsigned n)
{
    const unsigned r16 = unsigned(ByteReversal.r[code & 0xFF]) << 8 | ByteReversal.r[(code >> 8) & 0xFF];
    return r16 >> (16 - n);
}

// Enters e at every index whose low `bits` bits are r, in a table of 2^size entries.
void Replicate(uint32_t* table, unsigned r, unsigned bits, unsigned size, uint32_t e)
{
    for (unsigned i = r; i < (1u << size); i += 1u << bits)
        table[i] = e;
}

}  // namespace

int BuildInflateTable(const uint8_t* lengths, unsigned count, TInflateAlphabet alphabet, unsigned maxBits,
                      uint32_t* entries, TInflateTable& table)
{
    unsigned perLength[MaxCodeBits + 1] = {};
    for (unsigned s = 0; s < count; ++s)
        ++perLength[lengths[s]];
    perLength[0] = 0;
    unsigned longest = MaxCodeBits;
    while (longest > 0 && perLength[longest] == 0)
        --longest;
    table.Entries = entries;
    table.Bits = maxBits;
    if (longest == 0) {
        std::fill(entries, entries + (1u << maxBits), Invalid);
        return 0;
    }
    // Kraft sum: codes left over at each length; negative means over-subscribed.
    int left = 1;
    for (unsigned len = 1; len <= MaxCodeBits; ++len) {
        left = left * 2 - static_cast<int>(perLength[len]);
        if (left < 0)
            return 2;
    }
    const int result = left > 0 && longest > 1 ? 1 : 0;
    // A complete code reaches every entry; an incomplete one leaves invalid entries between.
    const bool complete = left == 0;
    if (!complete)
        std::fill(entries, entries + (1u << maxBits), Invalid);

    // Symbols in canonical order: by code length, then by symbol.
    unsigned offset[MaxCodeBits + 2] = {};
    for (unsigned len = 1; len <= MaxCodeBits; ++len)
        offset[len + 1] = offset[len] + perLength[len];
    uint16_t sorted[288];
    for (unsigned s = 0; s < count; ++s)
        if (lengths[s] != 0)
            sorted[offset[lengths[s]]++] = static_cast<uint16_t>(s);
    const unsigned used = offset[MaxCodeBits];   // offset[len] now ends the codes of length len

    const unsigned bits = maxBits;
    unsigned next = 1u << bits;   // where the next second-level table goes
    unsigned code = 0, len = 0, linkPrefix = ~0u, linkStart = 0, linkBits = 0;
    unsigned endOfLength = 0;
    for (unsigned i = 0; i < used; ++i) {
        while (i == endOfLength) {   // a new code length begins: codes grow by one bit
            code <<= 1;
            ++len;
            endOfLength = offset[len];
        }
        const unsigned symbol = sorted[i];
        if (len <= bits) {
            Replicate(entries, Reverse(code, len), len, bits, SymbolEntry(alphabet, symbol, len));
        } else {
            const unsigned prefix = Reverse(code >> (len - bits), bits);
            if (prefix != linkPrefix) {
                // A second level sized for the longest code under this prefix: codes sharing a
                // prefix are neighbours in canonical order, and the last of them is longest.
                unsigned lastLen = len, lastCode = code, end = endOfLength;
                for (unsigned j = i + 1; j < used; ++j) {
                    unsigned c = lastCode + 1, l = lastLen;
                    while (j == end) {
                        c <<= 1;
                        ++l;
                        end = offset[l];
                    }
                    if (Reverse(c >> (l - bits), bits) != prefix)
                        break;
                    lastLen = l;
                    lastCode = c;
                }
                linkPrefix = prefix;
                linkStart = next;
                linkBits = lastLen - bits;
                next += 1u << linkBits;
                if (!complete)
                    std::fill(entries + linkStart, entries + next, Invalid);
                entries[prefix] = uint32_t(linkStart) << 16 | Link | linkBits << 8 | bits;
            }
            const unsigned rest = len - bits;
            Replicate(entries + linkStart, Reverse(code & ((1u << rest) - 1), rest), rest, linkBits,
                      SymbolEntry(alphabet, symbol, rest));
        }
        ++code;
    }
    return result;
}
