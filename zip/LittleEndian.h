#pragma once
// Little-endian fields of the ZIP records, read from and written into byte buffers.
#include <cstdint>

inline uint16_t Get16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | (p[1] << 8)); }

inline uint32_t Get32(const uint8_t* p)
{
    return uint32_t(p[0]) | (uint32_t(p[1]) << 8) | (uint32_t(p[2]) << 16) | (uint32_t(p[3]) << 24);
}

// Writes at p and advances it.
inline void Put16(uint8_t*& p, uint16_t v)
{
    *p++ = static_cast<uint8_t>(v);
    *p++ = static_cast<uint8_t>(v >> 8);
}

inline void Put32(uint8_t*& p, uint32_t v)
{
    Put16(p, static_cast<uint16_t>(v));
    Put16(p, static_cast<uint16_t>(v >> 16));
}
