#pragma once
// The deflate encoder's six work buffers. The writer allocates them once per zip operation
// and every entry of that operation reuses them; they start zeroed so that nothing the
// encoder reads is ever uninitialised.
#include <cstdint>

struct TDeflateBuffers {
    static constexpr unsigned WindowSize = 65536;   // two halves of 32768
    static constexpr unsigned HashSize = 32768;
    static constexpr unsigned LiteralBufferSize = 32768;
    static constexpr unsigned DistanceBufferSize = 32768;
    static constexpr unsigned FlagBufferSize = 4096;

    uint8_t Window[WindowSize] = {};
    uint16_t Prev[HashSize] = {};                 // previous position with the same hash, 0 = none
    uint16_t Head[HashSize] = {};                 // latest position per hash value, 0 = none
    uint8_t LiteralBuffer[LiteralBufferSize] = {};   // literal byte, or match length minus 3
    uint16_t DistanceBuffer[DistanceBufferSize] = {};   // per match: distance minus 1
    uint8_t FlagBuffer[FlagBufferSize] = {};      // one bit per symbol, 1 = match
};
