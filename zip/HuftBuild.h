#pragma once
// Decoding tables for canonical prefix codes (inflate, and explode on the complemented bits).
#include <cstdint>
#include <vector>

// One table slot.
struct THuft {
    uint8_t Op;       // HuftLiteral, HuftEndOfBlock, HuftInvalid, above 16 a further table of
                      // Op - 16 bits, else the count of extra bits after a base value
    uint8_t Bits;     // code bits taken at this level
    uint16_t Value;   // literal or base value, or where the further table starts
};

constexpr uint8_t HuftEndOfBlock = 15;
constexpr uint8_t HuftLiteral = 16;
constexpr uint8_t HuftInvalid = 99;

// All levels of one code's table in one block of slots, freed together; the first
// 2^LookupBits slots are the first level, indexed by the next bits of input (low bits first).
struct THuftTable {
    std::vector<THuft> Entries;
    int LookupBits = 0;
    void Free() { Entries.clear(); LookupBits = 0; }
};

// Builds the table for count codes with the given lengths (0 = unused, at most 16). Codes
// below simpleCount are literals (256 is the end of block); the others take bases[i -
// simpleCount] and extraBits[i - simpleCount] (an extra-bits value of HuftInvalid marks a
// code that must not occur). lookupBits is clamped to the lengths that occur.
// Returns 0, 1 for an incomplete code set whose longest code is over 1 bit, 2 for
// over-subscribed lengths, 3 when memory runs out.
int HuftBuild(const uint8_t* lengths, int count, int simpleCount, const uint16_t* bases,
              const uint8_t* extraBits, int lookupBits, THuftTable& table);
