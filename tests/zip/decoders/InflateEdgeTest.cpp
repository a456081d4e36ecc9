// Inflate on hand-made streams: block kinds at their limits, the window's end, the codes a
// fixed block must not use, distances before the start, and damaged input.
#include <gtest/gtest.h>
#include <zlib.h>

#include "DecoderTestUtil.h"
#include "zip/HuftBuild.h"

namespace {

const uint16_t LengthBase[29] = {3,  4,  5,  6,  7,  8,  9,  10, 11,  13,  15,  17,  19,  23, 27,
                                 31, 35, 43, 51, 59, 67, 83, 99, 115, 131, 163, 195, 227, 258};
const uint8_t LengthExtra[29] = {0, 0, 0, 0, 0, 0, 0, 0, 1, 1, 1, 1, 2, 2, 2, 2, 3, 3, 3, 3, 4, 4, 4, 4, 5, 5, 5, 5, 0};
const uint16_t DistBase[30] = {1,   2,   3,   4,   5,   7,    9,    13,   17,   25,   33,   49,   65,    97,    129,
                               193, 257, 385, 513, 769, 1025, 1537, 2049, 3073, 4097, 6145, 8193, 12289, 16385, 24577};
const uint8_t DistExtra[30] = {0, 0, 0, 0, 1, 1, 2, 2, 3, 3, 4, 4, 5, 5, 6, 6, 7, 7, 8, 8, 9, 9, 10, 10, 11, 11, 12, 12, 13, 13};

// Writes blocks with the fixed codes, symbol by symbol.
class TFixedWriter {
public:
    TBitWriter w;
    Bytes Expected;

    void Begin(bool last)
    {
        w.Put(last ? 1 : 0, 1);
        w.Put(1, 2);
    }
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
        int l = 28;
        while (LengthBase[l] > length)
            --l;
        Symbol(257 + static_cast<unsigned>(l));
        w.Put(length - LengthBase[l], LengthExtra[l]);
        int d = 29;
        while (DistBase[d] > distance)
            --d;
        w.PutCode(static_cast<uint32_t>(d), 5);
        w.Put(distance - DistBase[d], DistExtra[d]);
        for (unsigned i = 0; i < length; ++i)
            Expected.push_back(Expected[Expected.size() - distance]);
    }
};

// Writes a dynamic block header whose code lengths go out as plain 4-bit codes (symbols 0-15
// of the code-length code, all of length 4).
void DynamicHeader(TBitWriter& w, bool last, const std::vector<int>& litLengths, const std::vector<int>& distLengths)
{
    w.Put(last ? 1 : 0, 1);
    w.Put(2, 2);
    w.Put(static_cast<uint32_t>(litLengths.size() - 257), 5);
    w.Put(static_cast<uint32_t>(distLengths.size() - 1), 5);
    w.Put(19 - 4, 4);
    const int order[19] = {16, 17, 18, 0, 8, 7, 9, 6, 10, 5, 11, 4, 12, 3, 13, 2, 14, 1, 15};
    for (int s : order)
        w.Put(s < 16 ? 4 : 0, 3);
    for (int l : litLengths)
        w.PutCode(static_cast<uint32_t>(l), 4);
    for (int l : distLengths)
        w.PutCode(static_cast<uint32_t>(l), 4);
}

Bytes Stored(const Bytes& data, bool last, TBitWriter& w)
{
    w.Put(last ? 1 : 0, 1);
    w.Put(0, 2);
    w.AlignToByte();
    w.Put(static_cast<uint32_t>(data.size()), 16);
    w.Put(static_cast<uint32_t>(~data.size() & 0xFFFF), 16);
    w.Data.insert(w.Data.end(), data.begin(), data.end());
    return w.Data;
}

Bytes ZlibRaw(const Bytes& in, int level = 6)
{
    uLongf size = compressBound(static_cast<uLong>(in.size())) + 64;
    Bytes out(size);
    z_stream z{};
    deflateInit2(&z, level, Z_DEFLATED, -15, 8, Z_DEFAULT_STRATEGY);
    z.next_in = const_cast<Bytes::value_type*>(in.data());
    z.avail_in = static_cast<uInt>(in.size());
    z.next_out = out.data();
    z.avail_out = static_cast<uInt>(out.size());
    deflate(&z, Z_FINISH);
    out.resize(z.total_out);
    deflateEnd(&z);
    return out;
}

}  // namespace

TEST(HuftBuild, ResultsForCompleteIncompleteAndOversubscribedSets)
{
    THuftTable t;
    const uint8_t complete[4] = {1, 2, 3, 3};
    EXPECT_EQ(HuftBuild(complete, 4, 4, nullptr, nullptr, 9, t), 0);
    EXPECT_EQ(t.LookupBits, 3);   // clamped to the longest code
    // Code 0 is "0", 1 is "10", 2 "110", 3 "111" (first bit read is the low bit).
    EXPECT_EQ(t.Entries[0b000].Value, 0);
    EXPECT_EQ(t.Entries[0b001].Value, 1);
    EXPECT_EQ(t.Entries[0b011].Value, 2);
    EXPECT_EQ(t.Entries[0b111].Value, 3);
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
    Stored({}, false, w);
    Bytes big(65535);
    for (size_t i = 0; i < big.size(); ++i)
        big[i] = static_cast<uint8_t>(i * 7);
    Stored(big, false, w);
    Stored({}, false, w);
    Stored(ToBytes("tail"), true, w);
    const TDecodeResult r = InflateBytes(w.Data);
    ASSERT_EQ(r.Status, DecodeOk);
    Bytes expected = big;
    expected.insert(expected.end(), {'t', 'a', 'i', 'l'});
    EXPECT_TRUE(r.Output == expected);
    EXPECT_EQ(r.Writes, (std::vector<int64_t>{16000, 16000, 16000, 16000, 1539}));

    TBitWriter bad;
    bad.Put(1, 1);
    bad.Put(0, 2);
    bad.AlignToByte();
    bad.Put(5, 16);
    bad.Put(5, 16);   // not the complement
    EXPECT_EQ(InflateBytes(bad.Data).Status, DecodeBadData);
    Bytes shortStored = Stored(ToBytes("abcdef"), true, *std::make_unique<TBitWriter>());
    shortStored.pop_back();
    EXPECT_EQ(InflateBytes(shortStored).Status, DecodeInputEnded);
}

TEST(InflateEdge, WindowFilledExactlyAndMatchesAcrossItsEnd)
{
    TFixedWriter f;
    f.Begin(false);
    std::mt19937 rng(4);
    while (f.Expected.size() < 32768)
        f.Literal(static_cast<uint8_t>('a' + rng() % 26));
    f.End();
    // The window was filled exactly: one copy-out, then position 0 again.
    f.Begin(false);
    while (f.Expected.size() < 2 * 32768 - 10)
        f.Literal(static_cast<uint8_t>('a' + rng() % 26));
    f.Match(20, 1000);      // straddles the window's end
    f.Match(258, 32768);    // source in the window's older bytes, the whole way back
    f.Match(100, 3);        // overlapping
    f.End();
    TBitWriter& w = f.w;
    Stored(ToBytes("!"), true, w);
    f.Expected.push_back('!');
    const TDecodeResult r = InflateBytes(w.Data);
    ASSERT_EQ(r.Status, DecodeOk);
    EXPECT_TRUE(r.Output == f.Expected);
    EXPECT_EQ(r.Crc, Crc32Of(f.Expected.data(), f.Expected.size()));
}

TEST(InflateEdge, DistanceBeforeTheStartIsRejected)
{
    for (unsigned distance : {4u, 5u}) {
        TFixedWriter f;
        f.Begin(true);
        for (uint8_t c : ToBytes("abcd"))
            f.Literal(c);
        if (distance <= 4)
            f.Match(3, distance);
        else {
            f.Symbol(257);           // length 3
            f.w.PutCode(4, 5);       // distance code 4: 5 or 6
            f.w.Put(0, 1);
            f.Expected.clear();
        }
        f.End();
        const TDecodeResult r = InflateBytes(f.w.Data);
        if (distance <= 4) {
            EXPECT_EQ(r.Status, DecodeOk);
            EXPECT_EQ(r.Output, ToBytes("abcdabc"));
        } else {
            EXPECT_EQ(r.Status, DecodeBadData);
        }
    }
}

TEST(InflateEdge, FixedBlockRejectsCodesOutsideTheAlphabets)
{
    for (unsigned symbol : {286u, 287u}) {
        TFixedWriter f;
        f.Begin(true);
        f.Literal('a');
        f.Symbol(symbol);
        f.w.Put(0, 16);
        EXPECT_EQ(InflateBytes(f.w.Data).Status, DecodeBadData) << symbol;
    }
    for (uint32_t code : {30u, 31u}) {
        TFixedWriter f;
        f.Begin(true);
        f.Literal('a');
        f.Symbol(257);
        f.w.PutCode(code, 5);
        f.w.Put(0, 16);
        EXPECT_EQ(InflateBytes(f.w.Data).Status, DecodeBadData) << code;
    }
}

TEST(InflateEdge, DynamicBlockWithOneDistanceCode)
{
    // 'a' 2 bits, 'b' 2, end 2, lengths 3 and 4 (symbols 257, 258) 3 bits each: complete.
    std::vector<int> lit(259, 0);
    lit['a'] = 2;
    lit['b'] = 2;
    lit[256] = 2;
    lit[257] = 3;
    lit[258] = 3;
    // Canonical: 'a' 00, 'b' 01, end 10, 257 110, 258 111.
    const auto body = [](TBitWriter& w, int distBits) {
        w.PutCode(0b00, 2);
        w.PutCode(0b01, 2);
        w.PutCode(0b111, 3);   // length 4
        w.PutCode(0, distBits);   // distance 1
        w.PutCode(0b10, 2);
    };
    TBitWriter w;
    DynamicHeader(w, true, lit, {1});
    body(w, 1);
    const TDecodeResult r = InflateBytes(w.Data);
    EXPECT_EQ(r.Status, DecodeOk);
    EXPECT_EQ(r.Output, ToBytes("abbbbb"));

    // Two distance codes of two bits: incomplete and longer than one bit.
    TBitWriter inc;
    DynamicHeader(inc, true, lit, {2, 2});
    body(inc, 2);
    EXPECT_EQ(InflateBytes(inc.Data).Status, DecodeBadData);
}

TEST(InflateEdge, BadDynamicHeadersAndBlockType)
{
    TBitWriter type3;
    type3.Put(1, 1);
    type3.Put(3, 2);
    type3.Put(0, 16);
    EXPECT_EQ(InflateBytes(type3.Data).Status, DecodeBadLengths);

    TBitWriter tooMany;   // 287 literal/length codes
    tooMany.Put(1, 1);
    tooMany.Put(2, 2);
    tooMany.Put(30, 5);
    tooMany.Put(0, 5);
    tooMany.Put(0, 4);
    tooMany.Put(0, 32);
    EXPECT_EQ(InflateBytes(tooMany.Data).Status, DecodeBadData);

    // Code-length code: symbols 16, 17, 18 and 0 with two bits each.
    const auto header = [](TBitWriter& w) {
        w.Put(1, 1);
        w.Put(2, 2);
        w.Put(0, 5);   // 257 codes
        w.Put(0, 5);   // 1 distance code
        w.Put(0, 4);   // 4 code-length codes: 16, 17, 18, 0
        for (int i = 0; i < 4; ++i)
            w.Put(2, 3);
    };
    TBitWriter repeatFirst;   // 16 with nothing to repeat
    header(repeatFirst);
    repeatFirst.PutCode(1, 2);   // canonical: 0 -> 00, 16 -> 01, 17 -> 10, 18 -> 11
    repeatFirst.Put(0, 2);
    repeatFirst.Put(0, 16);
    EXPECT_EQ(InflateBytes(repeatFirst.Data).Status, DecodeBadData);
    TBitWriter pastEnd;   // 18 twice gives 276 > 258 lengths
    header(pastEnd);
    pastEnd.PutCode(3, 2);
    pastEnd.Put(127, 7);
    pastEnd.PutCode(3, 2);
    pastEnd.Put(127, 7);
    pastEnd.Put(0, 16);
    EXPECT_EQ(InflateBytes(pastEnd.Data).Status, DecodeBadData);

    TBitWriter overSubscribed;   // code-length code of three 1-bit codes
    overSubscribed.Put(1, 1);
    overSubscribed.Put(2, 2);
    overSubscribed.Put(0, 5);
    overSubscribed.Put(0, 5);
    overSubscribed.Put(0, 4);
    for (int i = 0; i < 4; ++i)
        overSubscribed.Put(i < 3 ? 1 : 0, 3);
    overSubscribed.Put(0, 16);
    EXPECT_EQ(InflateBytes(overSubscribed.Data).Status, DecodeBadLengths);
}

TEST(InflateEdge, TruncatedStreamsAlwaysFail)
{
    const Bytes text = MakeText(50000, 3);
    for (int level : {1, 6, 9}) {
        const Bytes stream = ZlibRaw(text, level);
        std::mt19937 rng(level);
        std::vector<size_t> cuts = {0, 1, 2, stream.size() - 1};
        for (int i = 0; i < 60; ++i)
            cuts.push_back(rng() % stream.size());
        for (size_t cut : cuts) {
            const TDecodeResult r = InflateBytes(Bytes(stream.begin(), stream.begin() + static_cast<long>(cut)));
            EXPECT_EQ(r.Status, DecodeInputEnded) << "level " << level << " cut " << cut;
            EXPECT_LE(r.Output.size(), text.size());
        }
    }
    const Bytes small = ZlibRaw(ToBytes("abcabcabcabc"), 9);
    for (size_t cut = 0; cut < small.size(); ++cut)
        EXPECT_NE(InflateBytes(Bytes(small.begin(), small.begin() + static_cast<long>(cut))).Status, DecodeOk);
}

TEST(InflateEdge, CorruptedStreamsEndWithoutHarm)
{
    const Bytes text = MakeText(40000, 8);
    const Bytes binary = MakeBinary(40000, 9);
    std::mt19937 rng(21);
    int failures = 0, runs = 0;
    for (const Bytes* original : {&text, &binary}) {
        const Bytes stream = ZlibRaw(*original, 6);
        for (int i = 0; i < 400; ++i) {
            Bytes bad = stream;
            const int flips = 1 + static_cast<int>(rng() % 4);
            for (int k = 0; k < flips; ++k)
                bad[rng() % bad.size()] ^= static_cast<uint8_t>(1 << (rng() % 8));
            if (i % 5 == 0)
                bad[rng() % std::min<size_t>(bad.size(), 40)] = static_cast<uint8_t>(rng());
            const TDecodeResult r = InflateBytes(bad);
            ++runs;
            if (r.Status != DecodeOk || r.Output != *original)
                ++failures;
        }
    }
    EXPECT_GT(failures, runs / 2);
    // Random bytes as a stream.
    for (int i = 0; i < 300; ++i) {
        Bytes noise(1 + rng() % 3000);
        for (auto& b : noise)
            b = static_cast<uint8_t>(rng());
        InflateBytes(noise);
    }
}
