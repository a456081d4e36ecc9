#pragma once
// A small, slow inflater that keeps what it decodes: each block's type and code lengths and
// every literal and match. Lets the tests see the encoder's choices, not only its result.
#include <cstddef>
#include <cstdint>
#include <vector>

struct TTraceSymbol {
    uint16_t Length = 0;     // 0: a literal
    uint16_t Distance = 0;
    uint8_t Literal = 0;
    size_t Offset = 0;       // where in the output the symbol starts
};

struct TTraceBlock {
    int Type = 0;            // 0 stored, 1 fixed, 2 dynamic
    bool Last = false;
    size_t StoredLength = 0;
    std::vector<uint8_t> LiteralLengths;    // dynamic blocks: as sent
    std::vector<uint8_t> DistanceLengths;
    std::vector<uint8_t> CodeLengthLengths; // in symbol order 0-18
    std::vector<TTraceSymbol> Symbols;
};

struct TTrace {
    std::vector<TTraceBlock> Blocks;
    std::vector<uint8_t> Output;
    size_t BytesUsed = 0;    // compressed bytes up to the end of the last block

    size_t MatchCount() const;
    // The symbol that starts at an output offset, or nullptr when a match covers it.
    const TTraceSymbol* SymbolAt(size_t offset) const;
};

// Raises std::runtime_error on data that is not a valid raw deflate stream.
TTrace TraceDeflate(const std::vector<uint8_t>& compressed);
