// Inflate on hand-made streams: block kinds at their limits, the window's end, the codes a
// fixed block must not use, distances before the start, and damaged input.
#include <gtest/gtest.h>

#include "zip/ZipTestSupport.h"
#include "zip/HuftBuild.h"

namespace {

// Writes blocks with the fixed codes, symbol by symbol, and keeps the expected output.
class TFixedWriter {
public:
    TBitWriter w;
    Bytes Expected;

    void Begin(bool last) { w.Put(last ? 1 : 0, 1).Put(1, 2); }
    void Symbol(unsigned s)
    {
        if (s < 144)
            w.PutCode(0x30 + s, 8);
        else if (s < 256)
            w.PutCode(0x190 + (s - 144), 9);
        else if (s < 280)
            w.PutCode(s - 256, 7);
        else
            w.PutCode(0xC0 + (s - 280), 8);
    }
    void Literal(uint8_t b)
    {
        Symbol(b);
        Expected.push_back(b);
    }
    void End() { Symbol(256); }
    void Match(unsigned length, unsigned distance)
    {
        int l = 28, d = 29;
        while (kLengthBase[l] > length)
            --l;
        while (kDistBase[d] > distance)
            --d;
        Symbol(257 + unsigned(l));
        w.Put(length - kLengthBase[l], kLengthExtra[l]).PutCode(uint32_t(d), 5).Put(distance - kDistBase[d], kDistExtra[d]);
        for (unsigned i = 0; i < length; ++i)
            Expected.push_back(Expected[Expected.size() - distance]);
    }
};

// A dynamic block header whose code lengths go out as plain 4-bit codes (symbols 0-15 of the
// code-length code, all of length 4).
void DynamicHeader(TBitWriter& w, const std::vector<int>& litLengths, const std::vector<int>& distLengths)
{
    w.Put(1, 1).Put(2, 2).Put(uint32_t(litLengths.size() - 257), 5).Put(uint32_t(distLengths.size() - 1), 5).Put(15, 4);
    for (int s : {16, 17, 18, 0, 8, 7, 9, 6, 10, 5, 11, 4, 12, 3, 13, 2, 14, 1, 15})
        w.Put(s < 16 ? 4 : 0, 3);
    for (int l : litLengths)
        w.PutCode(uint32_t(l), 4);
    for (int l : distLengths)
        w.PutCode(uint32_t(l), 4);
}

void Stored(TBitWriter& w, const Bytes& data, bool last)
{
    w.Put(last ? 1 : 0, 1).Put(0, 2).Align().Put(uint32_t(data.size()), 16).Put(uint32_t(~data.size() & 0xFFFF), 16);
    w.Data.insert(w.Data.end(), data.begin(), data.end());
}

}  // namespace

TEST(HuftBuild, ResultsForCompleteIncompleteAndOversubscribedSets)
{
    THuftTable t;
    const uint8_t complete[4] = {1, 2, 3, 3};
    EXPECT_EQ(HuftBuild(complete, 4, 4, nullptr, nullptr, 9, t), 0);
    EXPECT_EQ(t.LookupBits, 3);   // clamped to the longest code
    // Code 0 is "0", 1 is "10", 2 "110", 3 "111" (first bit read is the low bit).
    for (auto [index, value] : {std::pair{0b000, 0}, {0b001, 1}, {0b011, 2}, {0b111, 3}})
        EXPECT_EQ(t.Entries[size_t(index)].Value, value);
    EXPECT_EQ(t.Entries[0b111].Bits, 3);

    const uint8_t incomplete[3] = {2, 2, 0};
    EXPECT_EQ(HuftBuild(incomplete, 3, 3, nullptr, nullptr, 7, t), 1);
    EXPECT_EQ(t.Entries[0b11].Op, HuftInvalid);
    const uint8_t single[2] = {0, 1};
    EXPECT_EQ(HuftBuild(single, 2, 2, nullptr, nullptr, 7, t), 0);
    EXPECT_EQ(t.Entries[1].Op, HuftInvalid);
    const uint8_t over[3] = {1, 1, 1};
    EXPECT_EQ(HuftBuild(over, 3, 3, nullptr, nullptr, 7, t), 2);
    const uint8_t none[4] = {0, 0, 0, 0};
    EXPECT_EQ(HuftBuild(none, 4, 4, nullptr, nullptr, 7, t), 0);
    EXPECT_EQ(t.Entries.at(0).Op, HuftInvalid);
}

TEST(InflateEdge, EmptyInputAndEmptyStream)
{
    EXPECT_EQ(InflateBytes({}).Status, DecodeInputEnded);
    const TDecodeResult r = InflateBytes({0x03, 0x00});   // one final fixed block, end code only
    EXPECT_EQ(r.Status, DecodeOk);
    EXPECT_TRUE(r.Output.empty());
    EXPECT_TRUE(r.Writes.empty());
    EXPECT_EQ(r.Crc, 0u);
}

TEST(InflateEdge, StoredBlocksOfZeroAndMaximumLength)
{
    TBitWriter w;
    const Bytes big = RandomBytes(65535, 7);
    Stored(w, {}, false);
    Stored(w, big, false);
    Stored(w, {}, false);
    Stored(w, ToBytes("tail"), true);
    const TDecodeResult r = InflateBytes(w.Data);
    ASSERT_EQ(r.Status, DecodeOk);
    EXPECT_TRUE(r.Output == Concat({big, ToBytes("tail")}));
    EXPECT_EQ(r.Writes, (std::vector<int64_t>{16000, 16000, 16000, 16000, 1539}));

    TBitWriter bad;
    bad.Put(1, 1).Put(0, 2).Align().Put(5, 16).Put(5, 16);   // length not complemented
    EXPECT_EQ(InflateBytes(bad.Data).Status, DecodeBadData);
    TBitWriter cut;
    Stored(cut, ToBytes("abcdef"), true);
    cut.Data.pop_back();
    EXPECT_EQ(InflateBytes(cut.Data).Status, DecodeInputEnded);
}

TEST(InflateEdge, WindowFilledExactlyAndMatchesAcrossItsEnd)
{
    TFixedWriter f;
    f.Begin(false);
    std::mt19937 rng(4);
    while (f.Expected.size() < 32768)
        f.Literal(uint8_t('a' + rng() % 26));
    f.End();
    // The window was filled exactly: one copy-out, then position 0 again.
    f.Begin(false);
    while (f.Expected.size() < 2 * 32768 - 10)
        f.Literal(uint8_t('a' + rng() % 26));
    f.Match(20, 1000);     // straddles the window's end
    f.Match(258, 32768);   // source in the window's older bytes, the whole way back
    f.Match(100, 3);       // overlapping
    f.End();
    Stored(f.w, ToBytes("!"), true);
    f.Expected.push_back('!');
    const TDecodeResult r = InflateBytes(f.w.Data);
    ASSERT_EQ(r.Status, DecodeOk);
    EXPECT_TRUE(r.Output == f.Expected);
    EXPECT_EQ(r.Crc, ZlibCrc(f.Expected));
}

TEST(InflateEdge, CodesOutsideTheAlphabetsAndDistancesBeforeTheStart)
{
    TFixedWriter ok;
    ok.Begin(true);
    for (uint8_t c : ToBytes("abcd"))
        ok.Literal(c);
    ok.Match(3, 4);   // reaches back to the very first byte
    ok.End();
    const TDecodeResult r = InflateBytes(ok.w.Data);
    EXPECT_EQ(r.Status, DecodeOk);
    EXPECT_EQ(r.Output, ToBytes("abcdabc"));

    // Each case: 'a' (or "abcd"), then a symbol the stream must not hold.
    const auto bad = [](const std::function<void(TFixedWriter&)>& tail) {
        TFixedWriter f;
        f.Begin(true);
        for (uint8_t c : ToBytes("abcd"))
            f.Literal(c);
        tail(f);
        f.w.Put(0, 16);
        return InflateBytes(f.w.Data).Status;
    };
    EXPECT_EQ(bad([](TFixedWriter& f) { f.Symbol(257); f.w.PutCode(4, 5).Put(0, 1); }), DecodeBadData) << "distance 5";
    for (unsigned symbol : {286u, 287u})
        EXPECT_EQ(bad([&](TFixedWriter& f) { f.Symbol(symbol); }), DecodeBadData) << symbol;
    for (uint32_t code : {30u, 31u})
        EXPECT_EQ(bad([&](TFixedWriter& f) { f.Symbol(257); f.w.PutCode(code, 5); }), DecodeBadData) << code;
}

TEST(InflateEdge, DynamicBlockWithOneDistanceCode)
{
    // 'a' 00, 'b' 01, end 10, length 3 (257) 110, length 4 (258) 111: complete.
    std::vector<int> lit(259, 0);
    lit['a'] = lit['b'] = lit[256] = 2;
    lit[257] = lit[258] = 3;
    const auto body = [](TBitWriter& w, int distBits) {
        w.PutCode(0b00, 2).PutCode(0b01, 2).PutCode(0b111, 3).PutCode(0, distBits).PutCode(0b10, 2);
    };
    TBitWriter w;
    DynamicHeader(w, lit, {1});
    body(w, 1);
    const TDecodeResult r = InflateBytes(w.Data);
    EXPECT_EQ(r.Status, DecodeOk);
    EXPECT_EQ(r.Output, ToBytes("abbbbb"));

    // Two distance codes of two bits: incomplete and longer than one bit.
    TBitWriter inc;
    DynamicHeader(inc, lit, {2, 2});
    body(inc, 2);
    EXPECT_EQ(InflateBytes(inc.Data).Status, DecodeBadData);
}

TEST(InflateEdge, BadDynamicHeadersAndBlockType)
{
    EXPECT_EQ(InflateBytes(TBitWriter().Put(1, 1).Put(3, 2).Put(0, 16).Data).Status, DecodeBadLengths) << "type 3";
    // 287 literal/length codes.
    EXPECT_EQ(InflateBytes(TBitWriter().Put(1, 1).Put(2, 2).Put(30, 5).Put(0, 5).Put(0, 4).Put(0, 32).Data).Status,
              DecodeBadData);
    // 257 codes, 1 distance code, code-length code of 16, 17, 18 and 0 with the given lengths.
    const auto header = [](std::initializer_list<int> lengths) {
        TBitWriter w;
        w.Put(1, 1).Put(2, 2).Put(0, 5).Put(0, 5).Put(0, 4);
        for (int l : lengths)
            w.Put(uint32_t(l), 3);
        return w;
    };
    // Canonical with two bits each: 0 -> 00, 16 -> 01, 17 -> 10, 18 -> 11.
    TBitWriter repeatFirst = header({2, 2, 2, 2});   // 16 with nothing to repeat
    repeatFirst.PutCode(1, 2).Put(0, 2).Put(0, 16);
    EXPECT_EQ(InflateBytes(repeatFirst.Data).Status, DecodeBadData);
    TBitWriter pastEnd = header({2, 2, 2, 2});   // 18 twice gives 276 > 258 lengths
    pastEnd.PutCode(3, 2).Put(127, 7).PutCode(3, 2).Put(127, 7).Put(0, 16);
    EXPECT_EQ(InflateBytes(pastEnd.Data).Status, DecodeBadData);
    TBitWriter overSubscribed = header({1, 1, 1, 0});   // three 1-bit codes
    overSubscribed.Put(0, 16);
    EXPECT_EQ(InflateBytes(overSubscribed.Data).Status, DecodeBadLengths);
}

TEST(InflateEdge, TruncatedStreamsAlwaysFail)
{
    const Bytes text = PseudoText(50000, 3);
    for (int level : {1, 6, 9}) {
        const Bytes stream = RawDeflate(text, level);
        std::mt19937 rng(level);
        std::vector<size_t> cuts = {0, 1, 2, stream.size() - 1};
        for (int i = 0; i < 60; ++i)
            cuts.push_back(rng() % stream.size());
        for (size_t cut : cuts) {
            const TDecodeResult r = InflateBytes(Slice(stream, 0, cut));
            EXPECT_EQ(r.Status, DecodeInputEnded) << "level " << level << " cut " << cut;
            EXPECT_LE(r.Output.size(), text.size());
        }
    }
    const Bytes small = RawDeflate(ToBytes("abcabcabcabc"), 9);
    for (size_t cut = 0; cut < small.size(); ++cut)
        EXPECT_NE(InflateBytes(Slice(small, 0, cut)).Status, DecodeOk);
}

TEST(InflateEdge, CorruptedStreamsEndWithoutHarm)
{
    std::mt19937 rng(21);
    int failures = 0, runs = 0;
    for (const Bytes& original : {PseudoText(40000, 8), BinaryLike(40000, 9)}) {
        const Bytes stream = RawDeflate(original);
        for (int i = 0; i < 400; ++i, ++runs) {
            Bytes bad = stream;
            for (int k = 0, flips = 1 + int(rng() % 4); k < flips; ++k)
                bad[rng() % bad.size()] ^= uint8_t(1 << (rng() % 8));
            if (i % 5 == 0)
                bad[rng() % std::min<size_t>(bad.size(), 40)] = uint8_t(rng());
            const TDecodeResult r = InflateBytes(bad);
            failures += r.Status != DecodeOk || r.Output != original;
        }
    }
    EXPECT_GT(failures, runs / 2);
    for (int i = 0; i < 300; ++i)
        InflateBytes(RandomBytes(1 + rng() % 3000, uint32_t(i)));   // noise as a stream
}
