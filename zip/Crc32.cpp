#include "zip/Crc32.h"

#include <array>

namespace {

// Slicing-by-8: eight tables let the loop take eight bytes per step.
struct TCrcTables {
    std::array<std::array<uint32_t, 256>, 8> t{};
    TCrcTables()
    {
        for (uint32_t i = 0; i < 256; ++i) {
            uint32_t c = i;
            for (int k = 0; k < 8; ++k)
                c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
            t[0][i] = c;
        }
        for (uint32_t i = 0; i < 256; ++i)
            for (int k = 1; k < 8; ++k)
                t[k][i] = (t[k - 1][i] >> 8) ^ t[0][t[k - 1][i] & 0xFF];
    }
};

const TCrcTables& Tables()
{
    static const TCrcTables tables;
    return tables;
}

}  // namespace

const uint32_t* Crc32Table() { return Tables().t[0].data(); }

uint32_t UpdateCRC32(uint32_t crc, const uint8_t* p, size_t n)
{
    const auto& t = Tables().t;
    while (n >= 8) {
        const uint32_t lo = crc ^ (uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24);
        crc = t[7][lo & 0xFF] ^ t[6][(lo >> 8) & 0xFF] ^ t[5][(lo >> 16) & 0xFF] ^ t[4][lo >> 24] ^
              t[3][p[4]] ^ t[2][p[5]] ^ t[1][p[6]] ^ t[0][p[7]];
        p += 8;
        n -= 8;
    }
    while (n--)
        crc = t[0][(crc ^ *p++) & 0xFF] ^ (crc >> 8);
    return crc;
}
