#pragma once
// Inflate's decoding tables: one 32-bit entry per lookup that holds everything the decoder
// needs at once: the bits to drop, the symbol's literal byte, or the base of its length or
// distance with the number of extra bits, so that a literal costs one lookup and a match two.
#include <cstdint>

namespace InflateEntry {
// Bits 0-7: bits to drop for this entry (code plus extra bits; the first level's bits for a
// link to a second-level table). Bits 8-11: code bits (link: the second level's index bits).
// Bits 12-15: kind. Bits 16-31: literal byte, length or distance base, or second-level start.
constexpr uint32_t EndOfBlock = 0x1000;
constexpr uint32_t Link = 0x2000;
constexpr uint32_t Invalid = 0x4000;
constexpr uint32_t Literal = 0x8000;
constexpr uint32_t Special = EndOfBlock | Link | Invalid;

inline unsigned DropBits(uint32_t e) { return e & 0xFF; }
inline unsigned CodeBits(uint32_t e) { return (e >> 8) & 0xF; }
inline unsigned Value(uint32_t e) { return e >> 16; }
// Base plus extra bits, read from the bits at the code's start.
inline unsigned Decoded(uint32_t e, uint64_t bits)
{
    return Value(e) + static_cast<unsigned>((bits & ~(~uint64_t(0) << DropBits(e))) >> CodeBits(e));
}
}  // namespace InflateEntry

// Which alphabet a table decodes: its symbols' meanings.
enum class TInflateAlphabet { LiteralLength, Distance, CodeLength };

struct TInflateTable {
    // First-level index bits; codes longer than that go through a second-level table. A
    // second level is never longer than 2^(15 - bits) entries and there are at most as many
    // as codes, which bounds the sizes below.
    static constexpr unsigned LiteralBits = 11, DistanceBits = 8;
    static constexpr unsigned LiteralSize = (1u << LiteralBits) + 288 * (1u << (15 - LiteralBits));
    static constexpr unsigned DistanceSize = (1u << DistanceBits) + 32 * (1u << (15 - DistanceBits));

    unsigned Bits = 0;   // first-level index bits: always the alphabet's, so the decoder's masks are fixed
    uint32_t* Entries = nullptr;
};

// Builds a table for count code lengths of the alphabet into entries (room for at least the
// alphabet's size above). Results as the classic table builder gives them: 0 done (also when
// every length is 0: then every code is invalid), 1 incomplete set whose longest code is
// longer than 1 bit (the table is still usable: unused codes are invalid), 2 over-subscribed.
int BuildInflateTable(const uint8_t* lengths, unsigned count, TInflateAlphabet alphabet, unsigned maxBits,
                      uint32_t* entries, TInflateTable& table);
