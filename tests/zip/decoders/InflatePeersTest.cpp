// Inflate against streams made by independent encoders: zlib, libdeflate and Info-ZIP zip.
#include <gtest/gtest.h>
#include <libdeflate.h>
#include <zlib.h>

#include <filesystem>

#include "DecoderTestUtil.h"

namespace {

Bytes ZlibRaw(const Bytes& in, int level, int windowBits, int strategy)
{
    z_stream z{};
    EXPECT_EQ(deflateInit2(&z, level, Z_DEFLATED, -windowBits, 8, strategy), Z_OK);
    Bytes out(deflateBound(&z, in.size()) + 16);
    z.next_in = const_cast<Bytes::value_type*>(in.data());
    z.avail_in = static_cast<uInt>(in.size());
    z.next_out = out.data();
    z.avail_out = static_cast<uInt>(out.size());
    EXPECT_EQ(deflate(&z, Z_FINISH), Z_STREAM_END);
    out.resize(z.total_out);
    deflateEnd(&z);
    return out;
}

Bytes Libdeflate(const Bytes& in, int level)
{
    libdeflate_compressor* c = libdeflate_alloc_compressor(level);
    Bytes out(libdeflate_deflate_compress_bound(c, in.size()));
    out.resize(libdeflate_deflate_compress(c, in.data(), in.size(), out.data(), out.size()));
    libdeflate_free_compressor(c);
    return out;
}

uint32_t ZlibCrc(const Bytes& b) { return static_cast<uint32_t>(crc32(0, b.data(), static_cast<uInt>(b.size()))); }

// Output identical, CRC identical, and written 16000 bytes at a time but the last.
void ExpectInflates(const Bytes& stream, const Bytes& original, const std::string& what)
{
    const TDecodeResult r = InflateBytes(stream);
    ASSERT_EQ(r.Status, DecodeOk) << what;
    ASSERT_EQ(r.Output.size(), original.size()) << what;
    EXPECT_TRUE(r.Output == original) << what;
    EXPECT_EQ(r.Crc, ZlibCrc(original)) << what;
    for (size_t i = 0; i + 1 < r.Writes.size(); ++i)
        ASSERT_EQ(r.Writes[i], 16000) << what;
}

struct TSample {
    const char* Name;
    Bytes Data;
};

const std::vector<TSample>& Samples()
{
    static const std::vector<TSample> samples = {
        {"text", MakeText(300000)},
        {"binary", MakeBinary(200000)},
        {"small", ToBytes("Hello, hello, hello world")},
        {"one byte", Bytes{42}},
    };
    return samples;
}

}  // namespace

TEST(InflatePeers, ZlibLevelsAndStrategies)
{
    const int strategies[] = {Z_DEFAULT_STRATEGY, Z_FILTERED, Z_HUFFMAN_ONLY, Z_RLE, Z_FIXED};
    for (const TSample& s : Samples())
        for (int level = 1; level <= 9; ++level)
            for (int strategy : strategies)
                ExpectInflates(ZlibRaw(s.Data, level, 15, strategy), s.Data,
                               std::string(s.Name) + " level " + std::to_string(level) + " strategy " +
                                   std::to_string(strategy));
}

TEST(InflatePeers, ZlibWindowSizes)
{
    for (const TSample& s : Samples())
        for (int bits = 9; bits <= 15; ++bits)
            for (int level : {1, 6, 9})
                ExpectInflates(ZlibRaw(s.Data, level, bits, Z_DEFAULT_STRATEGY), s.Data,
                               std::string(s.Name) + " window " + std::to_string(bits));
}

TEST(InflatePeers, LibdeflateLevels)
{
    for (const TSample& s : Samples())
        for (int level = 0; level <= 12; ++level)
            ExpectInflates(Libdeflate(s.Data, level), s.Data,
                           std::string(s.Name) + " libdeflate " + std::to_string(level));
}

TEST(InflatePeers, InfoZipArchives)
{
    if (!HaveTool("zip"))
        GTEST_SKIP() << "Info-ZIP zip not installed";
    const auto dir = std::filesystem::temp_directory_path() / ("tovrin-inflate-" + std::to_string(getpid()));
    std::filesystem::create_directories(dir);
    const Bytes text = MakeText(120000, 5);
    const Bytes binary = MakeBinary(90000, 6);
    {
        std::ofstream(dir / "text.txt", std::ios::binary).write(reinterpret_cast<const char*>(text.data()), text.size());
        std::ofstream(dir / "data.bin", std::ios::binary).write(reinterpret_cast<const char*>(binary.data()), binary.size());
    }
    for (const char* level : {"-1", "-6", "-9"}) {
        const auto zipName = dir / (std::string("a") + level + ".zip");
        ASSERT_TRUE(RunCommand("cd " + dir.string() + " && zip -q -X " + level + " " + zipName.string() +
                               " text.txt data.bin"));
        const auto entries = ReadLocalEntries(ReadFileBytes(zipName.string()));
        ASSERT_EQ(entries.size(), 2u);
        for (const TLocalEntry& e : entries) {
            EXPECT_EQ(e.Method, 8);
            const Bytes& original = e.Name == "text.txt" ? text : binary;
            ExpectInflates(e.Data, original, e.Name + " zip " + level);
            EXPECT_EQ(e.Crc, ZlibCrc(original));
        }
    }
    // Streamed input: sizes and CRC follow in a data descriptor.
    ASSERT_TRUE(RunCommand("cd " + dir.string() + " && cat text.txt | zip -q -X -fz- - - | cat > piped.zip"));
    const auto piped = ReadLocalEntries(ReadFileBytes((dir / "piped.zip").string()));
    ASSERT_EQ(piped.size(), 1u);
    EXPECT_TRUE(piped[0].Flags & 8);
    const TDecodeResult r = DecodeEntry(piped[0].Data, {8, 0, piped[0].UncompressedSize});
    EXPECT_EQ(r.Status, DecodeOk);
    EXPECT_EQ(r.Crc, piped[0].Crc);
    std::filesystem::remove_all(dir);
}
