#include <gtest/gtest.h>
#include <zlib.h>

#include <random>
#include <string>
#include <vector>

#include "zip/Crc32.h"
#include "zip/ZipCrypt.h"

TEST(Crc32, KnownVectorsAndZlibOnRandomData)
{
    const std::string check = "123456789";
    EXPECT_EQ(Crc32Of(reinterpret_cast<const uint8_t*>(check.data()), check.size()), 0xCBF43926u);
    EXPECT_EQ(Crc32Of(nullptr, 0), 0u);
    std::mt19937 rng(7);
    std::vector<uint8_t> data(100003);
    for (auto& b : data)
        b = static_cast<uint8_t>(rng());
    for (size_t len : {size_t(1), size_t(7), size_t(8), size_t(9), size_t(4096), data.size()}) {
        // Split the run at an odd place so the byte and the 8-byte loops both carry state.
        uint32_t crc = UpdateCRC32(0xFFFFFFFFu, data.data(), len / 3);
        crc = ~UpdateCRC32(crc, data.data() + len / 3, len - len / 3);
        EXPECT_EQ(crc, crc32(0, data.data(), static_cast<uInt>(len))) << len;
    }
}

TEST(ZipCrypt, EncryptThenDecryptRestoresData)
{
    std::string text = "The quick brown fox";
    std::vector<uint8_t> buf(text.begin(), text.end());
    TCryptKeys enc, dec;
    enc.Init("secret");
    dec.Init("secret");
    enc.EncryptBuffer(buf.data(), buf.size());
    EXPECT_NE(std::string(buf.begin(), buf.end()), text);
    dec.DecryptBuffer(buf.data(), buf.size());
    EXPECT_EQ(std::string(buf.begin(), buf.end()), text);
}
