#include <gtest/gtest.h>
#include <zlib.h>

#include <random>
#include <string>
#include <vector>

#include "zip/Crc32.h"

TEST(Crc32, MatchesZlibAtEveryLengthAndAlignment)
{
    const std::string check = "123456789";
    EXPECT_EQ(Crc32Of(reinterpret_cast<const uint8_t*>(check.data()), check.size()), 0xCBF43926u);
    std::mt19937 rng(7);
    std::vector<uint8_t> data(4096 + 64);
    for (auto& b : data)
        b = static_cast<uint8_t>(rng());
    // Both the folding path (when the processor has it) and the portable one, from a
    // register carried over from a previous run, so the preset is not special.
    const uint32_t seed = crc32(0, data.data() + 4096, 64);
    for (size_t align = 0; align < 16; ++align) {
        const uint8_t* p = data.data() + align;
        for (size_t len = 0; len <= 4096; ++len) {
            const uint32_t want = crc32(seed, p, static_cast<uInt>(len));
            ASSERT_EQ(~UpdateCRC32(~seed, p, len), want) << align << " " << len;
            ASSERT_EQ(~UpdateCRC32Portable(~seed, p, len), want) << align << " " << len;
        }
    }
}
