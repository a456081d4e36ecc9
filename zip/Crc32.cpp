#include "zip/Crc32.h"

#include <array>

#if defined(__x86_64__)
#include <immintrin.h>
#define TOVRIN_CRC_CLMUL 1
#endif

namespace {

constexpr uint32_t Polynomial = 0xEDB88320u;   // reflected

// Slicing-by-8: eight tables let the loop take eight bytes per step.
struct TCrcTables {
    std::array<std::array<uint32_t, 256>, 8> t{};
    TCrcTables()
    {
        for (uint32_t i = 0; i < 256; ++i) {
            uint32_t c = i;
            for (int k = 0; k < 8; ++k)
                c = (c & 1) ? Polynomial ^ (c >> 1) : c >> 1;
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

uint32_t UpdateSliced(uint32_t crc, const uint8_t* p, size_t n)
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

#ifdef TOVRIN_CRC_CLMUL

// Folding constants: x^e mod P, bit-reflected and shifted left by one, as carry-less
// multiplication of reflected operands leaves its product one bit low.
constexpr uint64_t FoldConstant(unsigned e)
{
    uint64_t r = 1;   // x^e mod P, normal bit order, P = 0x104C11DB7
    for (unsigned i = 0; i < e; ++i) {
        r <<= 1;
        if (r & 0x100000000ull)
            r ^= 0x104C11DB7ull;
    }
    uint64_t reflected = 0;
    for (int i = 0; i < 32; ++i)
        if (r & (uint64_t(1) << i))
            reflected |= uint64_t(1) << (31 - i);
    return reflected << 1;
}

// Barrett reduction: floor(x^64 / P), bit-reflected over 33 bits.
constexpr uint64_t BarrettQuotient()
{
    unsigned __int128 rem = static_cast<unsigned __int128>(1) << 64;
    uint64_t q = 0;
    for (int i = 64; i >= 32; --i) {
        if ((rem >> i) & 1) {
            rem ^= static_cast<unsigned __int128>(0x104C11DB7ull) << (i - 32);
            q |= uint64_t(1) << (i - 32);
        }
    }
    uint64_t reflected = 0;
    for (int i = 0; i < 33; ++i)
        if (q & (uint64_t(1) << i))
            reflected |= uint64_t(1) << (32 - i);
    return reflected;
}

constexpr uint64_t Fold1024Lo = FoldConstant(1024 + 32), Fold1024Hi = FoldConstant(1024 - 32);
constexpr uint64_t Fold512Lo = FoldConstant(512 + 32), Fold512Hi = FoldConstant(512 - 32);
constexpr uint64_t Fold256Lo = FoldConstant(256 + 32), Fold256Hi = FoldConstant(256 - 32);
constexpr uint64_t Fold128Lo = FoldConstant(128 + 32), Fold128Hi = FoldConstant(128 - 32);
constexpr uint64_t Fold64 = FoldConstant(64);
constexpr uint64_t BarrettMu = BarrettQuotient();
constexpr uint64_t ReflectedPoly = (uint64_t(Polynomial) << 1) | 1;   // P reflected over 33 bits

__attribute__((target("pclmul,sse4.1"))) inline __m128i Fold(__m128i x, __m128i k, __m128i next)
{
    return _mm_xor_si128(_mm_xor_si128(_mm_clmulepi64_si128(x, k, 0x00), _mm_clmulepi64_si128(x, k, 0x11)), next);
}

// The last steps of folding: 16-byte blocks into one lane, then 128 to 64 bits, then to the
// 32-bit remainder by Barrett reduction; what is left of the buffer goes through the tables.
__attribute__((target("pclmul,sse4.1"))) uint32_t FinishClmul(__m128i x, const uint8_t* p, size_t n)
{
    const __m128i k = _mm_set_epi64x(static_cast<long long>(Fold128Hi), static_cast<long long>(Fold128Lo));
    for (; n >= 16; p += 16, n -= 16)
        x = Fold(x, k, _mm_loadu_si128(reinterpret_cast<const __m128i*>(p)));
    const __m128i mask32 = _mm_set_epi32(0, 0, 0, -1);
    x = _mm_xor_si128(_mm_clmulepi64_si128(x, k, 0x10), _mm_srli_si128(x, 8));
    x = _mm_xor_si128(_mm_clmulepi64_si128(_mm_and_si128(x, mask32), _mm_cvtsi64_si128(static_cast<long long>(Fold64)), 0x00),
                      _mm_srli_si128(x, 4));
    const __m128i barrett = _mm_set_epi64x(static_cast<long long>(BarrettMu), static_cast<long long>(ReflectedPoly));
    __m128i t = _mm_clmulepi64_si128(_mm_and_si128(x, mask32), barrett, 0x10);
    t = _mm_clmulepi64_si128(_mm_and_si128(t, mask32), barrett, 0x00);
    return UpdateSliced(static_cast<uint32_t>(_mm_extract_epi32(_mm_xor_si128(x, t), 1)), p, n);
}

// Carry-less multiply folding: four 128-bit lanes run 64 bytes at a time and are folded into
// one. Needs n >= 64.
__attribute__((target("pclmul,sse4.1"))) uint32_t UpdateClmul(uint32_t crc, const uint8_t* p, size_t n)
{
    auto load = [](const uint8_t* q) { return _mm_loadu_si128(reinterpret_cast<const __m128i*>(q)); };
    __m128i x0 = _mm_xor_si128(load(p), _mm_cvtsi32_si128(static_cast<int>(crc)));
    __m128i x1 = load(p + 16), x2 = load(p + 32), x3 = load(p + 48);
    p += 64;
    n -= 64;
    __m128i k = _mm_set_epi64x(static_cast<long long>(Fold512Hi), static_cast<long long>(Fold512Lo));
    for (; n >= 64; p += 64, n -= 64) {
        x0 = Fold(x0, k, load(p));
        x1 = Fold(x1, k, load(p + 16));
        x2 = Fold(x2, k, load(p + 32));
        x3 = Fold(x3, k, load(p + 48));
    }
    k = _mm_set_epi64x(static_cast<long long>(Fold128Hi), static_cast<long long>(Fold128Lo));
    __m128i x = Fold(x0, k, x1);
    x = Fold(x, k, x2);
    x = Fold(x, k, x3);
    return FinishClmul(x, p, n);
}

#define TOVRIN_CRC_WIDE __attribute__((target("vpclmulqdq,avx2,pclmul,sse4.1")))

TOVRIN_CRC_WIDE inline __m256i Load256(const uint8_t* q) { return _mm256_loadu_si256(reinterpret_cast<const __m256i*>(q)); }

// The same pair of constants for both halves.
TOVRIN_CRC_WIDE inline __m256i Constants256(uint64_t hi, uint64_t lo)
{
    return _mm256_set_epi64x(static_cast<long long>(hi), static_cast<long long>(lo), static_cast<long long>(hi),
                             static_cast<long long>(lo));
}

TOVRIN_CRC_WIDE inline __m256i Fold256(__m256i x, __m256i k, __m256i next)
{
    return _mm256_xor_si256(_mm256_xor_si256(_mm256_clmulepi64_epi128(x, k, 0x00), _mm256_clmulepi64_epi128(x, k, 0x11)),
                            next);
}

// The same with 256-bit lanes where the processor multiplies two pairs at once: 128 bytes a
// step. Needs n >= 128.
TOVRIN_CRC_WIDE uint32_t UpdateVclmul(uint32_t crc, const uint8_t* p, size_t n)
{
    __m256i x0 = _mm256_xor_si256(Load256(p), _mm256_set_epi32(0, 0, 0, 0, 0, 0, 0, static_cast<int>(crc)));
    __m256i x1 = Load256(p + 32), x2 = Load256(p + 64), x3 = Load256(p + 96);
    p += 128;
    n -= 128;
    __m256i k = Constants256(Fold1024Hi, Fold1024Lo);
    for (; n >= 128; p += 128, n -= 128) {
        x0 = Fold256(x0, k, Load256(p));
        x1 = Fold256(x1, k, Load256(p + 32));
        x2 = Fold256(x2, k, Load256(p + 64));
        x3 = Fold256(x3, k, Load256(p + 96));
    }
    k = Constants256(Fold256Hi, Fold256Lo);
    __m256i x = Fold256(x0, k, x1);
    x = Fold256(x, k, x2);
    x = Fold256(x, k, x3);
    const __m128i k128 = _mm_set_epi64x(static_cast<long long>(Fold128Hi), static_cast<long long>(Fold128Lo));
    return FinishClmul(Fold(_mm256_castsi256_si128(x), k128, _mm256_extracti128_si256(x, 1)), p, n);
}

using TUpdate = uint32_t (*)(uint32_t, const uint8_t*, size_t);

struct TUpdates {
    TUpdate Wide = UpdateSliced;    // 64 bytes and more
    TUpdate Wider = UpdateSliced;   // 256 bytes and more
};

// Chosen once by what the processor offers.
TUpdates ChooseUpdates()
{
    __builtin_cpu_init();
    TUpdates u;
    if (__builtin_cpu_supports("pclmul") && __builtin_cpu_supports("sse4.1"))
        u.Wide = u.Wider = UpdateClmul;
    if (u.Wide == UpdateClmul && __builtin_cpu_supports("vpclmulqdq") && __builtin_cpu_supports("avx2"))
        u.Wider = UpdateVclmul;
    return u;
}

#endif

}  // namespace

const uint32_t* Crc32Table() { return Tables().t[0].data(); }

uint32_t UpdateCRC32(uint32_t crc, const uint8_t* p, size_t n)
{
#ifdef TOVRIN_CRC_CLMUL
    static const TUpdates updates = ChooseUpdates();
    if (n >= 256)
        return updates.Wider(crc, p, n);
    if (n >= 64)
        return updates.Wide(crc, p, n);
#endif
    return UpdateSliced(crc, p, n);
}

uint32_t UpdateCRC32Portable(uint32_t crc, const uint8_t* p, size_t n) { return UpdateSliced(crc, p, n); }
