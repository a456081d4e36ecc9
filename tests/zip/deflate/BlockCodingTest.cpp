// Block cuts, the choice of block type, the Huffman code limits and the text attribute.
#include <gtest/gtest.h>

#include "zip/ZipTestSupport.h"
#include "zip/ZipHeaderInfo.h"

TEST(DeflateBlocks, EmptyAndTinyEntriesAreStoredWhole)
{
    for (int level = 0; level <= 9; ++level) {
        TZipComponentBase zip;
        const TDeflateResult r = Compress({}, level, &zip);
        EXPECT_EQ(r.Returned, 0);
        EXPECT_TRUE(r.Out.empty());
        EXPECT_EQ(r.Method, 0);
        EXPECT_EQ(r.Attributes, 1) << "empty counts as text";
        EXPECT_EQ(zip.RunningCRC, 0xFFFFFFFFu);
        // Three distinct bytes would take 5 bytes with fixed codes.
        for (const Bytes& data : {Bytes{'a', 'b', 'c'}, Bytes{'x'}, Bytes{0x00, 0xFF, 0x80}}) {
            const TDeflateResult t = Compress(data, level);
            EXPECT_EQ(t.Method, 0) << level;
            EXPECT_EQ(t.Out, data);
            EXPECT_EQ(t.Returned, int64_t(data.size()));
        }
    }
    // Bytes that shrink are not stored: a short repetitive entry takes fixed codes.
    const Bytes rep(100, 'r');
    for (int level = 0; level <= 9; ++level) {
        const TDeflateResult r = Compress(rep, level);
        ASSERT_EQ(r.Method, 8);
        const TTrace t = TraceDeflate(r.Out);
        ASSERT_EQ(t.Blocks.size(), 1u);
        EXPECT_EQ(t.Blocks[0].Type, 1);
        EXPECT_EQ(t.BytesUsed, r.Out.size());
    }
}

TEST(DeflateBlocks, LiteralOnlyBlocksAreCutAt32767Symbols)
{
    const Bytes data = UniqueTriples(70000, 48, 0x30);
    ASSERT_EQ(RepeatedTriples(data), 0u);
    for (int level = 0; level <= 9; ++level) {
        SCOPED_TRACE(level);
        const TDeflateResult r = Compress(data, level);
        const TTrace t = TraceDeflate(r.Out);
        std::vector<size_t> symbols;
        for (const auto& b : t.Blocks) {
            symbols.push_back(b.Symbols.size());
            EXPECT_EQ(b.Type, 2);
            // No match in the block: the distance code still has two one-bit codes.
            EXPECT_EQ(b.DistanceLengths, (std::vector<uint8_t>{1, 1}));
        }
        EXPECT_EQ(symbols, (std::vector<size_t>{32767, 32767, 70000 - 2 * 32767}));
        EXPECT_EQ(t.Output, data);
    }
}

TEST(DeflateBlocks, WellCompressingBlocksAreCutEarlyAboveLevel2)
{
    // Each unit: 3 letters that hardly repeat, then a 256-byte phrase. About a third of the
    // symbols are long matches, so the size test cuts at a multiple of 4096 symbols.
    const Bytes letters = UniqueTriples(3 * 2000, 26, 'a');
    const Bytes phrase = UniqueTriples(256, 40, 0x80);
    Bytes data = phrase;
    for (size_t i = 0; i < 2000; ++i) {
        for (const Bytes& part : {Slice(letters, 3 * i, 3), phrase})
            data.insert(data.end(), part.begin(), part.end());
    }
    for (int level : {3, 6, 9}) {
        const TTrace t = TraceDeflate(Compress(data, level).Out);
        ASSERT_GT(t.Blocks.size(), 1u) << level;
        EXPECT_EQ(t.Blocks[0].Symbols.size() % 4096, 0u) << level;
        EXPECT_EQ(t.Output, data);
    }
    for (int level : {1, 2}) {
        const TTrace t = TraceDeflate(Compress(data, level).Out);
        EXPECT_EQ(t.Blocks.size(), 1u) << level;
        EXPECT_EQ(t.Output, data);
    }
}

TEST(DeflateBlocks, IncompressibleBlocksAreStoredThenCompressedOnesFollow)
{
    const Bytes data = Concat({RandomBytes(40000, 51), PseudoText(60000, 52)});
    for (int level = 0; level <= 9; ++level) {
        SCOPED_TRACE(level);
        const TDeflateResult r = Compress(data, level);
        ASSERT_EQ(r.Method, 8);
        const TTrace t = TraceDeflate(r.Out);
        ASSERT_GE(t.Blocks.size(), 2u);
        EXPECT_EQ(t.Blocks[0].Type, 0);
        EXPECT_GE(t.Blocks[0].StoredLength, 32767u);
        EXPECT_EQ(t.Blocks.back().Type, 2);
        EXPECT_EQ(t.Output, data);
        EXPECT_EQ(r.Returned, int64_t(r.Out.size()));
    }
}

// Collects the block coder's output directly.
class TCollectHook : public TDeflateOutputHook {
public:
    Bytes Out;
    int64_t WriteOutputBuffer(const uint8_t* buffer, size_t size, size_t count) override
    {
        Out.insert(Out.end(), buffer, buffer + size * count);
        return int64_t(size * count);
    }
};

TEST(DeflateBlocks, CodesDeeperThan15BitsAreReshaped)
{
    // Frequencies that grow a little faster than Fibonacci's make the optimal code 19 levels
    // deep (ties would otherwise balance the tree).
    auto buffers = std::make_unique<TDeflateBuffers>();
    TDeflateFixedTables tables;
    TCollectHook hook;
    TDeflateBitWriter bits(hook);
    TZipHeaderInfo header;
    header.InternalFileAttributes = 2;
    TDeflateBlockCoder coder(*buffers, tables, bits, 6, header);
    Bytes expected;
    unsigned a = 1, b = 2;
    for (int sym = 0; sym < 19; ++sym) {
        for (unsigned n = 0; n < a; ++n) {
            EXPECT_FALSE(coder.RecordLiteral(static_cast<uint8_t>('A' + sym), 0, 0));
            expected.push_back(static_cast<uint8_t>('A' + sym));
        }
        const unsigned next = a + b + 1;
        a = b;
        b = next;
    }
    const int64_t size = coder.FlushBlock(nullptr, static_cast<int64_t>(expected.size()), true);
    EXPECT_EQ(size, static_cast<int64_t>(hook.Out.size()));
    const TTrace t = TraceDeflate(hook.Out);
    ASSERT_EQ(t.Blocks.size(), 1u);
    ASSERT_EQ(t.Blocks[0].Type, 2);
    const auto& lit = t.Blocks[0].LiteralLengths;
    const auto& cl = t.Blocks[0].CodeLengthLengths;
    EXPECT_EQ(*std::max_element(lit.begin(), lit.end()), 15);
    EXPECT_LE(*std::max_element(cl.begin(), cl.end()), 7);
    EXPECT_EQ(t.Output, expected);
    Bytes viaZlib;
    EXPECT_TRUE(ZlibInflateRaw(hook.Out, expected.size(), viaZlib));
    EXPECT_EQ(header.InternalFileAttributes, 1);
}

TEST(DeflateBlocks, TextOrBinaryAttribute)
{
    EXPECT_EQ(Compress(PseudoText(50000, 61), 6).Attributes, 1);
    EXPECT_EQ(Compress(RandomBytes(50000, 62), 6).Attributes, 0);
    EXPECT_EQ(Compress(LegacyText(), 1).Attributes, 1);
    // Counted over literals: text with a few high bytes stays text while they are at most a
    // quarter of the text literals.
    Bytes mixed = UniqueTriples(10000, 26, 'a');
    for (size_t i = 0; i < mixed.size(); i += 40)
        mixed[i] = static_cast<uint8_t>(0x80 + i % 100);
    EXPECT_EQ(Compress(mixed, 6).Attributes, 1);
    for (size_t i = 0; i < mixed.size(); i += 3)
        mixed[i] = static_cast<uint8_t>(0x80 + i % 100);
    EXPECT_EQ(Compress(mixed, 6).Attributes, 0);
    const Bytes elf = ElfBinary(200000);
    EXPECT_TRUE(elf.empty() || Compress(elf, 6).Attributes == 0);
}
