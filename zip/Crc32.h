#pragma once
// CRC-32 of the ZIP application note (reflected polynomial 0xEDB88320).
#include <cstddef>
#include <cstdint>

// The 256-entry table; the cipher's key update uses it too.
const uint32_t* Crc32Table();

// Advances a CRC register over count bytes, by carry-less multiplication where the processor
// has it. Callers preset the register to 0xFFFFFFFF and
// invert it at the end.
uint32_t UpdateCRC32(uint32_t crc, const uint8_t* buffer, size_t count);
// The same with the table-driven loop only, whatever the processor offers.
uint32_t UpdateCRC32Portable(uint32_t crc, const uint8_t* buffer, size_t count);

// The finished CRC-32 of a buffer.
inline uint32_t Crc32Of(const uint8_t* buffer, size_t count) { return ~UpdateCRC32(0xFFFFFFFFu, buffer, count); }
