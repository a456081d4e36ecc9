// Every level on inputs of many kinds and sizes, decoded by zlib, libdeflate and our own
// inflate; the bytes, the CRC, the returned size and the entry's method must all agree.
#include <gtest/gtest.h>

#include <string>

#include "DeflateTestSupport.h"

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
    EXPECT_TRUE(OurInflate(r.Out, data.size(), out) && out == data) << "our inflate";
}

TEST(DeflateRoundTrip, EveryLevelThroughThreeDecoders)
{
    const auto inputs = roundTripInputs();
    for (int level = 0; level <= 9; ++level)
        for (const auto& in : inputs)
            checkRoundTrip(in.Data, level, in.Name);
}

TEST(DeflateRoundTrip, ElfBinary)
{
    const Bytes elf = ElfBinary(3 << 20);
    if (elf.empty())
        GTEST_SKIP() << "no ELF binary at hand";
    for (int level : {0, 1, 3, 4, 6, 9})
        checkRoundTrip(elf, level, "ELF binary");
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

TEST(DeflateRoundTrip, LevelsTradeSizeAsExpected)
{
    const Bytes text = PseudoText(400000, 21);
    const size_t l1 = Compress(text, 1).Out.size();
    const size_t l6 = Compress(text, 6).Out.size();
    const size_t l9 = Compress(text, 9).Out.size();
    EXPECT_LT(l6, l1);
    EXPECT_LE(l9, l6);
    // Against zlib at the same level: the same family of choices, so close in size.
    EXPECT_LT(double(l6), double(RawDeflate(text, 6).size()) * 1.01);
}
