// The matcher's own choices, read back from the symbol trace of its output.
#include <gtest/gtest.h>

#include "zip/ZipTestSupport.h"

static TTrace traceOf(const Bytes& data, int level)
{
    const TDeflateResult r = Compress(data, level);
    EXPECT_EQ(r.Method, 8) << "expected a compressed entry";
    TTrace t = TraceDeflate(r.Out);
    EXPECT_EQ(t.Output, data);
    return t;
}

// "literal", "length@distance", or "inside a match".
static std::string symbolAt(const TTrace& t, size_t offset)
{
    const TTraceSymbol* s = t.SymbolAt(offset);
    if (!s)
        return "inside a match";
    return s->Length == 0 ? "literal" : std::to_string(s->Length) + "@" + std::to_string(s->Distance);
}

TEST(DeflateMatcher, PositionZeroIsNeverAMatchSource)
{
    // The input's first bytes recur once, with no other earlier copy: the recurrence starts
    // with a literal, and the match begins one byte later.
    const Bytes p = UniqueTriples(100, 32, 'A');
    const Bytes data = Concat({p, p});
    ASSERT_EQ(RepeatedTriples(data), 98u);
    for (int level = 0; level <= 9; ++level) {
        SCOPED_TRACE(level);
        const TTrace t = traceOf(data, level);
        EXPECT_EQ(symbolAt(t, 100), "literal");
        EXPECT_EQ(symbolAt(t, 101), "99@100");
    }
}

// Filler without repeated triples, over byte values the test strings never use, so that
// the only repeats in an input are the ones a test puts there.
static const Bytes& filler()
{
    static const Bytes f = UniqueTriples(40000, 40, 0x80);
    return f;
}

static Bytes strings(size_t count) { return UniqueTriples(count, 26, 'a'); }

TEST(DeflateMatcher, FarThreeByteMatchesAreLiteralsAtTheLazyLevels)
{
    const Bytes& f = filler();
    const Bytes s = strings(3);
    // The triple at offset 100 recurs 5903 bytes later.
    const Bytes data = Concat({Slice(f, 0, 100), s, Slice(f, 100, 5900), s});
    ASSERT_EQ(RepeatedTriples(data), 1u) << "test data must hold exactly one repeat";
    for (int level = 1; level <= 9; ++level) {
        SCOPED_TRACE(level);
        const TTrace t = traceOf(data, level);
        EXPECT_EQ(symbolAt(t, 6003), level <= 3 ? "3@5903" : "literal");
        EXPECT_EQ(t.MatchCount(), level <= 3 ? 1u : 0u);
    }
    // Within 4096 bytes the lazy levels use a 3-byte match too.
    const Bytes near = Concat({Slice(f, 0, 100), s, Slice(f, 100, 2900), s});
    ASSERT_EQ(RepeatedTriples(near), 1u);
    EXPECT_EQ(symbolAt(traceOf(near, 6), 3003), "3@2903");
}

TEST(DeflateMatcher, LevelZeroTakesTheFirstCandidateAndSkipsPositionsInsideMatches)
{
    const Bytes& f = filler();
    const Bytes x = strings(12);
    // x, then its first 3 bytes, then x again: level 0 takes the nearest candidate (3 bytes),
    // level 9 searches on for the whole string.
    const Bytes data = Concat({Slice(f, 0, 200), x, Slice(f, 200, 200), Slice(x, 0, 3), Slice(f, 400, 200), x,
                                Slice(f, 600, 200)});
    ASSERT_EQ(RepeatedTriples(data), 11u);
    const size_t at = 200 + 12 + 200 + 3 + 200;
    EXPECT_EQ(symbolAt(traceOf(data, 0), at), "3@203");
    EXPECT_EQ(symbolAt(traceOf(data, 9), at), "12@" + std::to_string(at - 200));

    // w as literals, then as a 6-byte match, then w without its first byte: its nearest copy
    // lies inside the match, which only levels that hash a match's positions (length up to
    // MaxLazy: 6 at level 3; 4 at level 1; none at level 0) can see.
    const Bytes w = strings(6);
    const Bytes data2 = Concat({Slice(f, 0, 300), w, Slice(f, 5011, 300), w, Slice(f, 12345, 300), Slice(w, 1, 5),
                                 Slice(f, 23456, 300)});
    ASSERT_EQ(RepeatedTriples(data2), 7u);
    const size_t second = 300 + 6 + 300;
    const size_t third = second + 6 + 300;
    for (int level : {0, 1, 3}) {
        SCOPED_TRACE(level);
        const TTrace t = traceOf(data2, level);
        EXPECT_EQ(symbolAt(t, second), "6@306");
        EXPECT_EQ(symbolAt(t, third), "5@" + std::to_string(level == 3 ? third - (second + 1) : third - 301));
    }
}

TEST(DeflateMatcher, AfterTheWindowSlidesNoMatchReachesFurtherThanTheLimit)
{
    const Bytes text = PseudoText(400000, 31);
    const Bytes runs = LongRuns(200000, 32);
    for (int level : {1, 3, 4, 6, 9}) {
        for (const Bytes* data : {&text, &runs}) {
            const TTrace t = traceOf(*data, level);
            size_t maxDistance = 0;
            for (const auto& b : t.Blocks)
                for (const auto& s : b.Symbols)
                    maxDistance = std::max<size_t>(maxDistance, s.Distance);
            EXPECT_LE(maxDistance, 32506u) << level;
            EXPECT_TRUE(data != &text || maxDistance > 20000u) << level;
        }
    }
}

TEST(DeflateMatcher, LevelBitsInTheGeneralPurposeFlagAndLevelsOutsideTheTable)
{
    const Bytes data = PseudoText(20000, 79);
    for (int level = -3; level <= 12; ++level) {
        const int held = std::clamp(level, 0, 9);
        const TDeflateResult r = Compress(data, level);
        EXPECT_EQ(r.Flags, held <= 2 ? 4 : held >= 8 ? 2 : 0) << level;
        if (held != level)
            EXPECT_EQ(r.Out, Compress(data, held).Out) << level;
    }
}

TEST(DeflateMatcher, PendingMatchAtTheFarthestDistanceSurvivesTheSlide)
{
    // The input ends at window position 65535, and the match found at 65273 reaches back the
    // full 32506 bytes; it is still pending when the window slides, so its first byte has left
    // the window by the time it is recorded.
    const Bytes f = UniqueTriples(70000, 42, 0x80);
    ASSERT_GE(f.size(), 65535u);
    const size_t first = 32767, second = 65273;
    // Only the newest position with the string's hash is exempt from the distance limit on
    // the chain, so the bytes in between are zeros and the string's hash is not theirs.
    auto hash3 = [](const uint8_t* p) { return ((p[0] << 10) ^ (p[1] << 5) ^ p[2]) & 0x7FFF; };
    const Bytes pool = strings(3000);
    Bytes data;
    for (size_t k = 0; k < 2000; k += 20) {
        const Bytes s = Slice(pool, k, 20);
        data = Concat({Slice(f, 0, first), s, Bytes(second - first - 20, 0), s});
        data.insert(data.end(), f.begin() + long(second), f.begin() + long(second + (65535 - data.size())));
        bool alone = true;
        for (size_t i = first + 1; i < second && alone; ++i)
            alone = hash3(&data[i]) != hash3(&data[first]);
        if (alone)
            break;
    }
    ASSERT_EQ(data[second], data[first]);
    for (int level = 1; level <= 9; ++level) {
        SCOPED_TRACE(level);
        EXPECT_EQ(symbolAt(traceOf(data, level), second), "20@32506");
    }
}
