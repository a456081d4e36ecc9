#pragma once
// Method 8 (deflate, RFC 1951) and method 0 (stored), plus skipping an entry's data.
#include <cstddef>
#include <cstdint>

#include "zip/InflateTables.h"

struct TDecoderState;

// Inflate's working storage, made once per extraction run. Output collects after 32 KB of
// history and leaves from here in writes of 16000 bytes; when the area is full, the last
// 32 KB slide down. The margin lets a match be copied in whole words past its end.
struct TInflateWork {
    static constexpr size_t History = 32768;
    static constexpr size_t Area = 16 * 16000;
    static constexpr size_t Margin = 258 + 32;

    uint8_t Window[History + Area + Margin];
    uint32_t Literal[TInflateTable::LiteralSize];
    uint32_t Distance[TInflateTable::DistanceSize];
    uint32_t CodeLength[1u << 7];
    uint32_t FixedLiteral[TInflateTable::LiteralSize];
    uint32_t FixedDistance[TInflateTable::DistanceSize];
    TInflateTable FixedLiteralTable, FixedDistanceTable;
    bool FixedReady = false;
};

// Decodes the current entry's deflate stream into the output layer. Returns DecodeOk, or the
// status of the failing step (DecoderState.h); on failure the output written so far stays.
uint16_t Inflate(TDecoderState& state);

// Copies a stored entry's bytes (decrypting them when the entry is encrypted) in chunks of
// 16000. Raises EFatalUnzipError "Premature end of file reached" when the archive ends early.
void CopyStored(TDecoderState& state);

// Moves the archive stream past the current entry's compressed bytes and takes one off the
// extraction loop's count of extracted entries.
void SkipEntryData(TDecoderState& state, int32_t& extractionCount);
