// Hand-made imploded streams: both dictionary sizes, with and without the literal tree, long
// lengths, matches before the start, and the error statuses.
#include <gtest/gtest.h>

#include "zip/ZipTestSupport.h"

namespace {

// Canonical codes (by length, then symbol) of a set of lengths, most significant bit first.
std::vector<uint32_t> CanonicalCodes(const std::vector<int>& lengths)
{
    std::vector<uint32_t> codes(lengths.size());
    uint32_t code = 0;
    for (int len = 1; len <= 16; ++len) {
        for (size_t s = 0; s < lengths.size(); ++s)
            if (lengths[s] == len)
                codes[s] = code++;
        code <<= 1;
    }
    return codes;
}

// Writes an imploded stream the way the format lays it out and keeps the expected output.
class TImplodeWriter {
public:
    TImplodeWriter(uint16_t flags, std::vector<int> lengthTree, std::vector<int> distTree,
                   std::vector<int> literalTree = {})
        : Flags(flags), lit_(std::move(literalTree)), len_(std::move(lengthTree)), dist_(std::move(distTree))
    {
        if (Flags & 4)
            PutTree(lit_);
        PutTree(len_);
        PutTree(dist_);
        litCodes_ = CanonicalCodes(lit_);
        lenCodes_ = CanonicalCodes(len_);
        distCodes_ = CanonicalCodes(dist_);
    }

    void Literal(uint8_t b)
    {
        w.Put(1, 1);
        if (Flags & 4)
            PutCode(litCodes_[b], lit_[b]);
        else
            w.Put(b, 8);
        Expected.push_back(b);
    }

    void Match(uint32_t distance, uint32_t length)
    {
        const unsigned lowBits = (Flags & 2) ? 7 : 6;
        const uint32_t base = (Flags & 4) ? 3 : 2;
        w.Put(0, 1);
        w.Put((distance - 1) & ((1u << lowBits) - 1), lowBits);
        const uint32_t upper = (distance - 1) >> lowBits;
        PutCode(distCodes_[upper], dist_[upper]);
        const uint32_t code = std::min<uint32_t>(length - base, 63);
        PutCode(lenCodes_[code], len_[code]);
        if (code == 63)
            w.Put(length - base - 63, 8);
        for (uint32_t i = 0; i < length; ++i) {
            const int64_t from = static_cast<int64_t>(Expected.size()) - distance;
            Expected.push_back(from < 0 ? 0 : Expected[static_cast<size_t>(from)]);
        }
    }

    TDecodeResult Decode() const
    {
        return DecodeEntry(w.Data, 6, Flags, uint32_t(Expected.size()));
    }

    uint16_t Flags;
    TBitWriter w;
    Bytes Expected;

private:
    // The format stores codes inverted.
    void PutCode(uint32_t code, int bits) { w.PutCode(~code & ((1u << bits) - 1), bits); }
    void PutTree(const std::vector<int>& lengths)
    {
        Bytes desc;
        for (size_t i = 0, n = 1; i < lengths.size(); i += n, n = 1) {
            while (i + n < lengths.size() && lengths[i + n] == lengths[i] && n < 16)
                ++n;
            desc.push_back(uint8_t(((n - 1) << 4) | (lengths[i] - 1)));
        }
        w.Put(uint32_t(desc.size() - 1), 8);
        for (uint8_t d : desc)
            w.Put(d, 8);
    }

    std::vector<int> lit_, len_, dist_;
    std::vector<uint32_t> litCodes_, lenCodes_, distCodes_;
};

std::vector<int> Flat(int count, int bits) { return std::vector<int>(static_cast<size_t>(count), bits); }

// A complete set of 64 lengths from 1 to 15 bits, so that lookups need further tables.
std::vector<int> Skewed()
{
    std::vector<int> l;
    for (int b = 1; b <= 9; ++b)
        l.push_back(b);
    l.insert(l.end(), 9, 14);
    l.insert(l.end(), 46, 15);
    return l;
}

void Script(TImplodeWriter& w, unsigned seed, int steps, uint32_t maxDistance)
{
    std::mt19937 rng(seed);
    for (int i = 0; i < steps; ++i) {
        if (rng() % 3 == 0 || w.Expected.empty())
            w.Literal(static_cast<uint8_t>("etaoin shrdlu"[rng() % 13]));
        else
            w.Match(1 + rng() % std::min<uint32_t>(maxDistance, static_cast<uint32_t>(w.Expected.size()) + 5),
                    (w.Flags & 4 ? 3 : 2) + rng() % (rng() % 8 == 0 ? 300 : 20));
    }
}

}  // namespace

TEST(ExplodeStream, AllFourVariantsDecode)
{
    for (uint16_t flags : {0, 2, 4, 6}) {
        TImplodeWriter w(flags, Flat(64, 6), Skewed(), flags & 4 ? Flat(256, 8) : std::vector<int>{});
        Script(w, flags + 1, 4000, flags & 2 ? 8192 : 4096);
        const TDecodeResult r = w.Decode();
        EXPECT_EQ(r.Status, DecodeOk) << flags;
        EXPECT_TRUE(r.Output == w.Expected) << flags;
        EXPECT_EQ(r.Crc, Crc32Of(w.Expected.data(), w.Expected.size()));
    }
}

TEST(ExplodeStream, WithoutLiteralTreeLengthsStartAtTwoAndLiteralsAreRawBytes)
{
    TImplodeWriter w(0, Flat(64, 6), Flat(64, 6));
    w.Literal('a');
    w.Literal('b');
    w.Match(2, 2);            // shortest match without a literal tree
    w.Match(1, 2 + 63 + 200); // length code 63 with its extra byte
    w.Match(100, 5);          // reaches before the start: zeros
    const TDecodeResult r = w.Decode();
    ASSERT_EQ(r.Status, DecodeOk);
    EXPECT_EQ(r.Output, w.Expected);
    EXPECT_EQ(Bytes(r.Output.begin(), r.Output.begin() + 4), ToBytes("abab"));
}

TEST(ExplodeStream, LargeCompressedSizeDecodesTheSame)
{
    // 200001 compressed bytes or more switch the distance lookup to 8 bits.
    TImplodeWriter w(2, Flat(64, 6), Skewed());
    std::mt19937 rng(3);
    while (w.w.Data.size() < 200100) {
        for (int i = 0; i < 50; ++i)
            w.Literal(static_cast<uint8_t>(rng()));
        w.Match(1 + rng() % 8192, 2 + rng() % 40);
    }
    const TDecodeResult r = w.Decode();
    EXPECT_EQ(r.Status, DecodeOk);
    EXPECT_TRUE(r.Output == w.Expected);
}

TEST(ExplodeStream, Statuses)
{
    TImplodeWriter w(0, Flat(64, 6), Flat(64, 6));
    for (uint8_t c : ToBytes("status"))
        w.Literal(c);
    // A spare byte after the data: the compressed bytes were not used up exactly.
    EXPECT_EQ(DecodeEntry(Concat({w.w.Data, Bytes{0}}), 6, 0, 6).Status, DecodeSizeMismatch);
    EXPECT_EQ(DecodeEntry(Slice(w.w.Data, 0, w.w.Data.size() - 2), 6, 0, 6).Status, DecodeInputEnded);
    // Tree descriptions: a count byte, then (repeat - 1) << 4 | (bits - 1) per run.
    struct TCase { Bytes Tree; uint16_t Status; const char* What; };
    const TCase cases[] = {
        {{4, 0xF5, 0xF5, 0xF5, 0xF5, 0xF5}, DecodeBadTree, "80 codes"},
        {{3, 0xF5, 0xF5, 0xF5, 0xE5}, DecodeBadTree, "63 codes"},
        {{3, 0xF6, 0xF6, 0xF6, 0xF6}, DecodeBadData, "64 codes of 7 bits: incomplete"},
        {{3, 0xF4, 0xF4, 0xF4, 0xF4}, DecodeBadLengths, "64 codes of 5 bits: over-subscribed"},
    };
    for (const TCase& c : cases)
        EXPECT_EQ(DecodeEntry(c.Tree, 6, 0, 6).Status, c.Status) << c.What;
}
