// Shrink, reduce and implode: real archives from other ZIP programs (their original files and
// CRCs are the judge), damaged copies, and hand-made reduce and shrink streams.
#include <gtest/gtest.h>

#include "zip/ZipTestSupport.h"

namespace {

struct TArchive {
    const char* File;
    uint16_t Method;
    int Entries;
};

const TArchive Archives[] = {
    {"shrink.zip", 1, 1}, {"HWSHRINK.ZIP", 1, 3}, {"reduce.zip", 5, 1},
    {"HWREDUCE.ZIP", 5, 3}, {"implode.zip", 6, 1}, {"HWIMPODE.ZIP", 6, 3},
};

Bytes Original(const std::string& entryName)
{
    std::string lower = entryName;
    for (char& c : lower)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return ReadFileBytes(LegacyDataDir() + (lower == "first.txt" ? "first.txt" : entryName));
}

TDecodeResult Decode(const TLocalEntry& e, const Bytes& data) { return DecodeEntry(data, e.Method, e.Flags, e.UncompressedSize); }

std::vector<TLocalEntry> Entries(const TArchive& a) { return ReadLocalEntries(ReadFileBytes(LegacyDataDir() + a.File)); }

}  // namespace

TEST(LegacyDecoders, EveryArchiveEntryDecodesWithItsCrc)
{
    for (const TArchive& a : Archives) {
        const auto entries = Entries(a);
        ASSERT_EQ(static_cast<int>(entries.size()), a.Entries) << a.File;
        for (const TLocalEntry& e : entries) {
            const TDecodeResult r = Decode(e, e.Data);
            EXPECT_EQ(r.Status, DecodeOk) << a.File << " " << e.Name;
            EXPECT_EQ(r.Crc, e.Crc) << a.File << " " << e.Name;
            EXPECT_TRUE(r.Output == Original(e.Name)) << a.File << " " << e.Name;
            for (size_t i = 0; i + 1 < r.Writes.size(); ++i)
                EXPECT_EQ(r.Writes[i], 16000);
        }
    }
}

// Cut short, the decoders report an error; bit flips give an error or a wrong CRC, never a
// crash or a hang (this runs under the sanitizers too).
TEST(LegacyDecoders, TruncatedAndBitFlippedCopies)
{
    std::mt19937 rng(11);
    for (const TArchive& a : Archives) {
        for (const TLocalEntry& e : Entries(a)) {
            if (e.Method == 0)
                continue;
            for (size_t keep : {size_t(0), size_t(1), e.Data.size() / 3, e.Data.size() - 1})
                EXPECT_NE(Decode(e, Slice(e.Data, 0, keep)).Status, DecodeOk) << a.File << " " << e.Name << " cut " << keep;
            const int flips = e.Data.size() > 20000 ? 40 : 150;
            for (int i = 0; i < flips; ++i) {
                Bytes bad = e.Data;
                bad[rng() % bad.size()] ^= uint8_t(1 << (rng() % 8));
                if (rng() % 3 == 0)
                    bad[rng() % bad.size()] = uint8_t(rng());
                EXPECT_LE(Decode(e, bad).Output.size(), e.UncompressedSize);   // never past the recorded size
            }
        }
    }
}

// Reduce, factor 1, every follower set empty: each character is 8 plain bits.
class ReduceStream : public ::testing::Test {
protected:
    TBitWriter w;
    void SetUp() override
    {
        for (int set = 0; set < 256; ++set)
            w.Put(0, 6);
    }
    TDecodeResult Run(uint32_t size) { return DecodeEntry(w.Data, 2, 0, size); }
};

TEST_F(ReduceStream, EscapeFollowedByZeroIsTheByte144)
{
    for (uint8_t c : {uint8_t('A'), uint8_t(144), uint8_t(0), uint8_t('B')})
        w.Put(c, 8);
    EXPECT_EQ(Run(2).Status, DecodeOk);
    EXPECT_EQ(Run(2).Output, (Bytes{'A', 144}));
    EXPECT_EQ(Run(3).Output, (Bytes{'A', 144, 'B'}));
}

TEST_F(ReduceStream, MatchBeforeTheStartGivesZerosAndLongLengthsUseTheExtraByte)
{
    // 'x', then a match of 5 at distance 3 (two bytes before the start: zeros).
    // Length byte 2 (+3) with distance high bits 0, then distance low byte 2 (+1).
    w.Put('x', 8).Put(144, 8).Put(2, 8).Put(2, 8);
    // A match with the length mask full: length 127 + 10 (+3) at distance 1.
    w.Put(144, 8).Put(127, 8).Put(10, 8).Put(0, 8);
    // 'y', then length byte 0x82: length 2 (+3) with distance high bit 1, so 256 + 0 (+1) back.
    w.Put('y', 8).Put(144, 8).Put(0x82, 8).Put(0, 8);
    const TDecodeResult r = Run(1 + 5 + 140 + 1 + 5);
    ASSERT_EQ(r.Status, DecodeOk);
    Bytes expected = {'x', 0, 0, 'x', 0, 0};
    expected.insert(expected.end(), 140, 0);
    expected.push_back('y');
    expected.insert(expected.end(), 5, 0);
    EXPECT_EQ(r.Output, expected);
}

TEST_F(ReduceStream, FollowerSetsPickCharacters)
{
    // Rebuild: set for 0 holds {'a','b'}, set for 'a' holds {'c'}; the rest are empty.
    w = TBitWriter();
    for (int set = 255; set >= 0; --set) {
        if (set == 'a')
            w.Put(1, 6).Put('c', 8);
        else if (set == 0)
            w.Put(2, 6).Put('a', 8).Put('b', 8);
        else
            w.Put(0, 6);
    }
    w.Put(0, 1).Put(0, 1);   // from set 0: a 0 flag, index (1 bit) 0 -> 'a'
    w.Put(0, 1).Put(0, 1);   // from set 'a': index 0 -> 'c'
    w.Put('z', 8);           // set 'c' is empty: plain byte
    const TDecodeResult r = Run(3);
    ASSERT_EQ(r.Status, DecodeOk);
    EXPECT_EQ(r.Output, ToBytes("acz"));
}

TEST_F(ReduceStream, EndOfInputBeforeTheSizeIsAnError)
{
    w.Put('A', 8);
    EXPECT_EQ(Run(5).Status, DecodeInputEnded);
    EXPECT_EQ(DecodeEntry(Bytes(10, 0), 2, 0, 5).Status, DecodeInputEnded);   // follower sets cut short
}

TEST(UnshrinkStream, LiteralsAndAFreshCode)
{
    // 'a' 'b', then code 257 (= "ab"), then 259 which is not yet defined ("ba" + 'b'... KwKwK).
    TBitWriter w;
    for (uint32_t c : {uint32_t('a'), uint32_t('b'), 257u, 259u})
        w.Put(c, 9);
    const TDecodeResult r = DecodeEntry(w.Data, 1, 0, 7);
    EXPECT_EQ(r.Status, DecodeOk);
    // 257 = "ab", 258 = "ba", then 259 = "ab" + 'a'.
    EXPECT_EQ(r.Output, ToBytes("abababa"));
}

TEST(UnshrinkStream, CodeSizeAboveThirteenAndBadStartAreRejected)
{
    TBitWriter w;
    w.Put('a', 9);
    int size = 9;
    for (; size < 14; ++size)
        w.Put(256, size).Put(1, size);   // code size up by one
    w.Put('b', size);
    EXPECT_EQ(DecodeEntry(w.Data, 1, 0, 2).Status, DecodeBadData);
    EXPECT_EQ(DecodeEntry(TBitWriter().Put(300, 9).Data, 1, 0, 1).Status, DecodeBadData);
}

TEST(UnshrinkStream, SelfReferringChainsAreRejected)
{
    // Fill codes, clear them partially, then use codes whose chains lead nowhere.
    // 300 is a free code that is not the next one: walks the old code.
    EXPECT_NE(DecodeEntry(TBitWriter().Put('a', 9).Put(300, 9).Put(290, 9).Data, 1, 0, 100).Status, DecodeOk);
}

TEST(UnshrinkStream, PartialClearFreesLeavesOnly)
{
    TBitWriter w;
    // 257 = "ab", 258 = "ba", 259 = "abc"; the clear keeps 257 (prefix of 259), frees 258, 259.
    for (uint32_t c : {uint32_t('a'), uint32_t('b'), 257u, uint32_t('c')})
        w.Put(c, 9);
    w.Put(256, 9).Put(2, 9);
    // 'd' makes 258 = "cd"; 257 is still "ab"; 258 is the new "cd".
    for (uint32_t c : {uint32_t('d'), 257u, 258u})
        w.Put(c, 9);
    const TDecodeResult r = DecodeEntry(w.Data, 1, 0, 10);
    EXPECT_EQ(r.Status, DecodeOk);
    EXPECT_EQ(r.Output, ToBytes("ababcdabcd"));
}

TEST(UnshrinkStream, FullTableStopsAddingCodesUntilAPartialClear)
{
    TBitWriter w;
    std::mt19937 rng(6);
    Bytes literals;
    w.Put('a', 9);
    literals.push_back('a');
    for (int size = 9; size < 13; ++size)
        w.Put(256, size).Put(1, size);
    // Each literal after the first defines one code: 257 .. 8191 fill the table.
    while (literals.size() < 1 + 8191 - 256) {
        const uint8_t c = uint8_t('a' + rng() % 26);
        w.Put(c, 13);
        literals.push_back(c);
    }
    Bytes expected = literals;
    w.Put(8191, 13);   // the last code: the last two literals
    expected.push_back(literals[literals.size() - 2]);
    expected.push_back(literals.back());
    w.Put('y', 13);    // no room: defines nothing
    expected.push_back('y');
    w.Put(256, 13).Put(2, 13);   // every code is a leaf: all are freed
    w.Put('x', 13).Put(257, 13);   // 257 = "yx"
    for (uint8_t c : ToBytes("xyx"))
        expected.push_back(c);
    const TDecodeResult r = DecodeEntry(w.Data, 1, 0, uint32_t(expected.size()));
    EXPECT_EQ(r.Status, DecodeOk);
    EXPECT_TRUE(r.Output == expected);
}
