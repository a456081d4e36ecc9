// Regression checks: the exact output of this encoder on fixed inputs, as it was when its
// round trips and choices were verified. A change here means the encoder's choices changed;
// the outputs are not expected to equal zlib's.
#include <gtest/gtest.h>

#include "zip/ZipTestSupport.h"

struct TGolden {
    const char* Name;
    int Level;
    size_t Size;
    uint32_t Crc;
};

static Bytes goldenInput(const std::string& name)
{
    if (name == "text")
        return PseudoText(100000, 91);
    if (name == "legacy text")
        return LegacyText();
    if (name == "runs")
        return LongRuns(100000, 92);
    return UniqueTriples(50000, 30, 'A');
}

TEST(DeflateGolden, OutputsAreUnchanged)
{
    const TGolden goldens[] = {
        {"text", 1, 32626, 0x4BC36E59u},       {"text", 6, 25850, 0x9BB5ABCBu}, {"text", 9, 25034, 0x0FDF2455u},
        {"legacy text", 6, 22570, 0x5C3BEA19u}, {"runs", 6, 327, 0xAC479844u},   {"runs", 2, 700, 0x6C100E76u},
        {"unique", 4, 16781, 0x17DFE0A7u},
    };
    for (const auto& g : goldens) {
        const Bytes in = goldenInput(g.Name);
        ASSERT_FALSE(in.empty()) << g.Name;
        const TDeflateResult r = Compress(in, g.Level);
        EXPECT_EQ(r.Out.size(), g.Size) << g.Name << " level " << g.Level;
        EXPECT_EQ(ZlibCrc(r.Out), g.Crc) << g.Name << " level " << g.Level;
    }
}
