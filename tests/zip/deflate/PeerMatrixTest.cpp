// The raw deflate surface against its peers, zlib and libdeflate: our encoder at every level on
// inputs of many kinds and sizes, decoded by both and by our own inflate; and their encoders at
// every level, strategy and window size, decoded by our inflate.
#include <gtest/gtest.h>

#include <string>

#include "zip/ZipTestSupport.h"

struct TNamedInput {
    std::string Name;
    Bytes Data;
};

static std::vector<TNamedInput> roundTripInputs()
{
    std::vector<TNamedInput> inputs;
    inputs.push_back({"empty", {}});
    inputs.push_back({"one byte", {'x'}});
    inputs.push_back({"three distinct", {'a', 'b', 'c'}});
    inputs.push_back({"three high bytes", {0xF0, 0x81, 0x00}});
    const Bytes text = PseudoText(1 << 20, 1);
    const Bytes random = RandomBytes(300000, 2);
    // Sizes on the window, lookahead and block boundaries.
    for (size_t size : {size_t(2), size_t(4), size_t(261), size_t(262), size_t(263), size_t(4096), size_t(32767),
                        size_t(32768), size_t(32769), size_t(65273), size_t(65274), size_t(65275), size_t(65535),
                        size_t(65536), size_t(65537), size_t(98304), size_t(98305)}) {
        inputs.push_back({"text " + std::to_string(size), Slice(text, 0, size)});
    }
    for (size_t size : {size_t(32767), size_t(65274), size_t(65537), size_t(300000)})
        inputs.push_back({"random " + std::to_string(size), Slice(random, 0, size)});
    inputs.push_back({"text 1 MB", text});
    inputs.push_back({"legacy text", LegacyText()});
    inputs.push_back({"zeros 200000", Bytes(200000, 0)});
    inputs.push_back({"zeros 65274", Bytes(65274, 0)});
    inputs.push_back({"long runs", LongRuns(400000, 3)});
    // Literal-only data: every block is cut by the symbol limit.
    inputs.push_back({"unique triples", UniqueTriples(70000, 48, 0x30)});
    // A stored block followed by compressible ones.
    inputs.push_back({"random then text", Concat({RandomBytes(40000, 4), PseudoText(120000, 5)})});
    if (const Bytes elf = ElfBinary(3 << 20); !elf.empty())
        inputs.push_back({"ELF binary", elf});
    return inputs;
}

static void checkRoundTrip(const Bytes& data, int level, const std::string& name)
{
    SCOPED_TRACE(name + " at level " + std::to_string(level));
    const TDeflateResult r = Compress(data, level);
    EXPECT_EQ(r.Returned, static_cast<int64_t>(r.Out.size()));
    EXPECT_EQ(r.Crc, ZlibCrc(data));
    EXPECT_TRUE(r.Attributes == 0 || r.Attributes == 1);
    if (r.Method == 0) {
        EXPECT_EQ(r.Out, data);
        EXPECT_LT(data.size(), 65536u) << "only an entry that fits the window is stored whole";
        return;
    }
    ASSERT_EQ(r.Method, 8);
    Bytes out;
    EXPECT_TRUE(ZlibInflateRaw(r.Out, data.size(), out) && out == data) << "zlib";
    EXPECT_TRUE(LibdeflateInflate(r.Out, data.size(), out) && out == data) << "libdeflate";
    const TDecodeResult ours = DecodeEntry(r.Out, 8, 0, uint32_t(data.size()));
    EXPECT_TRUE(ours.Status == DecodeOk && ours.Output == data) << "our inflate";
}

TEST(DeflateRoundTrip, EveryLevelThroughThreeDecoders)
{
    const auto inputs = roundTripInputs();
    for (int level = 0; level <= 9; ++level)
        for (const auto& in : inputs)
            checkRoundTrip(in.Data, level, in.Name);
}

TEST(DeflateRoundTrip, ReusedBuffersGiveTheSameOutput)
{
    // The work buffers carry the previous entry's state; the output must not depend on it.
    auto buffers = std::make_unique<TDeflateBuffers>();
    TDeflateFixedTables tables;
    const Bytes a = PseudoText(150000, 11);
    const Bytes b = RandomBytes(70000, 12);
    const Bytes c(66000, 'z');
    for (int level : {1, 6, 9}) {
        const TDeflateResult fresh = Compress(a, level);
        TZipComponentBase zip;
        const TDeflateResult first = Compress(a, level, &zip, false, buffers.get(), &tables);
        Compress(b, level, &zip, false, buffers.get(), &tables);
        Compress(c, level, &zip, false, buffers.get(), &tables);
        const TDeflateResult again = Compress(a, level, &zip, false, buffers.get(), &tables);
        EXPECT_EQ(first.Out, fresh.Out) << level;
        EXPECT_EQ(again.Out, fresh.Out) << level;
        EXPECT_TRUE(tables.Ready);
    }
    // Nothing of the last entry is left in the window.
    for (uint8_t x : buffers->Window)
        ASSERT_EQ(x, 0);
}

// Output identical, CRC identical, and written 16000 bytes at a time but the last.
static void expectInflates(const Bytes& stream, const Bytes& original, const std::string& what)
{
    const TDecodeResult r = InflateBytes(stream);
    ASSERT_EQ(r.Status, DecodeOk) << what;
    ASSERT_TRUE(r.Output == original) << what;
    EXPECT_EQ(r.Crc, ZlibCrc(original)) << what;
    for (size_t i = 0; i + 1 < r.Writes.size(); ++i)
        ASSERT_EQ(r.Writes[i], 16000) << what;
}

static Bytes libdeflateCompress(const Bytes& in, int level)
{
    libdeflate_compressor* c = libdeflate_alloc_compressor(level);
    Bytes out(libdeflate_deflate_compress_bound(c, in.size()));
    out.resize(libdeflate_deflate_compress(c, in.data(), in.size(), out.data(), out.size()));
    libdeflate_free_compressor(c);
    return out;
}

TEST(InflatePeers, ZlibAndLibdeflateStreamsAtEveryLevelStrategyAndWindow)
{
    const std::pair<std::string, Bytes> samples[] = {{"text", PseudoText(300000)}, {"binary", BinaryLike(200000)},
                                                     {"small", ToBytes("Hello, hello, hello world")}, {"one byte", Bytes{42}}};
    for (const auto& [name, data] : samples) {
        for (int level = 1; level <= 9; ++level)
            for (int strategy : {Z_DEFAULT_STRATEGY, Z_FILTERED, Z_HUFFMAN_ONLY, Z_RLE, Z_FIXED})
                expectInflates(RawDeflate(data, level, 15, strategy), data,
                               name + " zlib level " + std::to_string(level) + " strategy " + std::to_string(strategy));
        for (int bits = 9; bits <= 15; ++bits)
            for (int level : {1, 6, 9})
                expectInflates(RawDeflate(data, level, bits), data, name + " zlib window " + std::to_string(bits));
        for (int level = 0; level <= 12; ++level)
            expectInflates(libdeflateCompress(data, level), data, name + " libdeflate " + std::to_string(level));
    }
}
