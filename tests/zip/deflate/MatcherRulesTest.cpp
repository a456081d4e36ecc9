// The matcher's own choices, read back from the symbol trace of its output.
#include <gtest/gtest.h>

#include "DeflateTestSupport.h"
#include "DeflateTrace.h"

static TTrace traceOf(const TBytes& data, int level)
{
    const TDeflateResult r = Compress(data, level);
    EXPECT_EQ(r.Method, 8) << "expected a compressed entry";
    TTrace t = TraceDeflate(r.Out);
    EXPECT_EQ(t.Output, data);
    return t;
}

static TBytes concat(std::initializer_list<TBytes> parts)
{
    TBytes all;
    for (const auto& p : parts)
        all.insert(all.end(), p.begin(), p.end());
    return all;
}

static TBytes slice(const TBytes& b, size_t from, size_t count)
{
    return TBytes(b.begin() + long(from), b.begin() + long(from + count));
}

TEST(DeflateMatcher, PositionZeroIsNeverAMatchSource)
{
    // The input's first bytes recur once, with no other earlier copy: the recurrence starts
    // with a literal, and the match begins one byte later.
    const TBytes p = UniqueTriples(100, 32, 'A');
    const TBytes data = concat({p, p});
    ASSERT_EQ(RepeatedTriples(data), 98u);
    for (int level = 0; level <= 9; ++level) {
        SCOPED_TRACE(level);
        const TTrace t = traceOf(data, level);
        const TTraceSymbol* first = t.SymbolAt(100);
        ASSERT_NE(first, nullptr);
        EXPECT_EQ(first->Length, 0) << "literal";
        const TTraceSymbol* second = t.SymbolAt(101);
        ASSERT_NE(second, nullptr);
        EXPECT_EQ(second->Length, 99);
        EXPECT_EQ(second->Distance, 100);
    }
}

// Filler without repeated triples, over byte values the test strings never use, so that
// the only repeats in an input are the ones a test puts there.
static const TBytes& filler()
{
    static const TBytes f = UniqueTriples(40000, 40, 0x80);
    return f;
}

static TBytes strings(size_t count)
{
    return UniqueTriples(count, 26, 'a');
}

TEST(DeflateMatcher, FarThreeByteMatchesAreLiteralsAtTheLazyLevels)
{
    const TBytes& f = filler();
    const TBytes s = strings(3);
    // The triple at offset 100 recurs 5903 bytes later.
    const TBytes data = concat({slice(f, 0, 100), s, slice(f, 100, 5900), s});
    ASSERT_EQ(RepeatedTriples(data), 1u) << "test data must hold exactly one repeat";
    for (int level = 1; level <= 9; ++level) {
        SCOPED_TRACE(level);
        const TTrace t = traceOf(data, level);
        const TTraceSymbol* sym = t.SymbolAt(6003);
        ASSERT_NE(sym, nullptr);
        if (level <= 3) {
            EXPECT_EQ(sym->Length, 3);
            EXPECT_EQ(sym->Distance, 5903);
        } else {
            EXPECT_EQ(sym->Length, 0);
            EXPECT_EQ(t.MatchCount(), 0u);
        }
    }
    // Within 4096 bytes the lazy levels use a 3-byte match too.
    const TBytes near = concat({slice(f, 0, 100), s, slice(f, 100, 2900), s});
    ASSERT_EQ(RepeatedTriples(near), 1u);
    const TTrace nearTrace = traceOf(near, 6);
    const TTraceSymbol* sym = nearTrace.SymbolAt(3003);
    ASSERT_NE(sym, nullptr);
    EXPECT_EQ(sym->Length, 3);
    EXPECT_EQ(sym->Distance, 2903);
}

TEST(DeflateMatcher, LevelZeroTakesTheFirstCandidateAndSkipsPositionsInsideMatches)
{
    const TBytes& f = filler();
    const TBytes x = strings(12);
    // x, then its first 3 bytes, then x again: level 0 takes the nearest candidate (3 bytes),
    // level 9 searches on for the whole string.
    const TBytes data = concat({slice(f, 0, 200), x, slice(f, 200, 200), slice(x, 0, 3), slice(f, 400, 200), x,
                                slice(f, 600, 200)});
    ASSERT_EQ(RepeatedTriples(data), 11u);
    const size_t at = 200 + 12 + 200 + 3 + 200;
    const TTrace t0 = traceOf(data, 0);
    const TTraceSymbol* s0 = t0.SymbolAt(at);
    ASSERT_NE(s0, nullptr);
    EXPECT_EQ(s0->Length, 3);
    EXPECT_EQ(s0->Distance, 203);
    const TTrace t9 = traceOf(data, 9);
    const TTraceSymbol* s9 = t9.SymbolAt(at);
    ASSERT_NE(s9, nullptr);
    EXPECT_EQ(s9->Length, 12);
    EXPECT_EQ(s9->Distance, at - 200);

    // w as literals, then as a 6-byte match, then w without its first byte: its nearest copy
    // lies inside the match, which only levels that hash a match's positions (length up to
    // MaxLazy: 6 at level 3; 4 at level 1; none at level 0) can see.
    const TBytes w = strings(6);
    const TBytes data2 = concat({slice(f, 0, 300), w, slice(f, 5011, 300), w, slice(f, 12345, 300), slice(w, 1, 5),
                                 slice(f, 23456, 300)});
    ASSERT_EQ(RepeatedTriples(data2), 7u);
    const size_t second = 300 + 6 + 300;
    const size_t third = second + 6 + 300;
    for (int level : {0, 1, 3}) {
        SCOPED_TRACE(level);
        const TTrace t = traceOf(data2, level);
        const TTraceSymbol* m = t.SymbolAt(second);
        ASSERT_NE(m, nullptr);
        EXPECT_EQ(m->Length, 6);
        const TTraceSymbol* r = t.SymbolAt(third);
        ASSERT_NE(r, nullptr);
        EXPECT_EQ(r->Length, 5);
        EXPECT_EQ(r->Distance, level == 3 ? third - (second + 1) : third - 301);
    }
}

TEST(DeflateMatcher, AfterTheWindowSlidesNoMatchReachesFurtherThanTheLimit)
{
    const TBytes text = PseudoText(400000, 31);
    const TBytes runs = LongRuns(200000, 32);
    for (int level : {1, 3, 4, 6, 9}) {
        for (const TBytes* data : {&text, &runs}) {
            const TTrace t = traceOf(*data, level);
            size_t maxDistance = 0;
            for (const auto& b : t.Blocks)
                for (const auto& s : b.Symbols)
                    maxDistance = std::max<size_t>(maxDistance, s.Distance);
            EXPECT_LE(maxDistance, 32506u) << level;
            if (data == &text)
                EXPECT_GT(maxDistance, 20000u) << level;
        }
    }
}

TEST(DeflateMatcher, LevelBitsInTheGeneralPurposeFlag)
{
    const TBytes data = PseudoText(5000, 41);
    for (int level = 0; level <= 9; ++level) {
        const uint16_t expected = level <= 2 ? 4 : level >= 8 ? 2 : 0;
        EXPECT_EQ(Compress(data, level).Flags, expected) << level;
    }
}

TEST(DeflateMatcher, PendingMatchAtTheFarthestDistanceSurvivesTheSlide)
{
    // The input ends at window position 65535, and the match found at 65273 reaches back the
    // full 32506 bytes; it is still pending when the window slides, so its first byte has left
    // the window by the time it is recorded.
    const TBytes f = UniqueTriples(70000, 42, 0x80);
    ASSERT_GE(f.size(), 65535u);
    const size_t first = 32767, second = 65273;
    // Only the newest position with the string's hash is exempt from the distance limit on
    // the chain, so the bytes in between are zeros and the string's hash is not theirs.
    auto hash3 = [](const uint8_t* p) { return ((p[0] << 10) ^ (p[1] << 5) ^ p[2]) & 0x7FFF; };
    const TBytes pool = strings(3000);
    TBytes data;
    for (size_t k = 0; k < 2000; k += 20) {
        const TBytes s = slice(pool, k, 20);
        data = concat({slice(f, 0, first), s, TBytes(second - first - 20, 0), s});
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
        const TTrace t = traceOf(data, level);
        const TTraceSymbol* m = t.SymbolAt(second);
        ASSERT_NE(m, nullptr);
        EXPECT_EQ(m->Length, 20);
        EXPECT_EQ(m->Distance, 32506);
    }
}
