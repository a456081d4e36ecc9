// Inflate against streams made by independent encoders: zlib, libdeflate and Info-ZIP zip.
#include <gtest/gtest.h>
#include <libdeflate.h>

#include "DecoderTestUtil.h"

namespace {

Bytes Libdeflate(const Bytes& in, int level)
{
    libdeflate_compressor* c = libdeflate_alloc_compressor(level);
    Bytes out(libdeflate_deflate_compress_bound(c, in.size()));
    out.resize(libdeflate_deflate_compress(c, in.data(), in.size(), out.data(), out.size()));
    libdeflate_free_compressor(c);
    return out;
}

// Output identical, CRC identical, and written 16000 bytes at a time but the last.
void ExpectInflates(const Bytes& stream, const Bytes& original, const std::string& what)
{
    const TDecodeResult r = InflateBytes(stream);
    ASSERT_EQ(r.Status, DecodeOk) << what;
    ASSERT_TRUE(r.Output == original) << what;
    EXPECT_EQ(r.Crc, ZlibCrc(original)) << what;
    for (size_t i = 0; i + 1 < r.Writes.size(); ++i)
        ASSERT_EQ(r.Writes[i], 16000) << what;
}

const std::vector<std::pair<std::string, Bytes>>& Samples()
{
    static const std::vector<std::pair<std::string, Bytes>> samples = {
        {"text", PseudoText(300000)}, {"binary", BinaryLike(200000)},
        {"small", ToBytes("Hello, hello, hello world")}, {"one byte", Bytes{42}}};
    return samples;
}

}  // namespace

TEST(InflatePeers, ZlibLevelsStrategiesAndWindowSizes)
{
    for (const auto& [name, data] : Samples()) {
        for (int level = 1; level <= 9; ++level)
            for (int strategy : {Z_DEFAULT_STRATEGY, Z_FILTERED, Z_HUFFMAN_ONLY, Z_RLE, Z_FIXED})
                ExpectInflates(RawDeflate(data, level, 15, strategy), data,
                               name + " level " + std::to_string(level) + " strategy " + std::to_string(strategy));
        for (int bits = 9; bits <= 15; ++bits)
            for (int level : {1, 6, 9})
                ExpectInflates(RawDeflate(data, level, bits), data, name + " window " + std::to_string(bits));
    }
}

TEST(InflatePeers, LibdeflateLevels)
{
    for (const auto& [name, data] : Samples())
        for (int level = 0; level <= 12; ++level)
            ExpectInflates(Libdeflate(data, level), data, name + " libdeflate " + std::to_string(level));
}
