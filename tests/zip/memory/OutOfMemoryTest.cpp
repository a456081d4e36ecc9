// A decoding table for which no memory can be had: the tables go, the user is told, status 3.
#include <gtest/gtest.h>

#include "CountingAllocator.h"
#include "zip/ZipTestSupport.h"
#include "zip/HuftBuild.h"

using TestAllocator::FailIn;

TEST(OutOfMemory, TableBuildTellsTheUserAndReturnsThree)
{
    // The fixed literal/length code: 288 lengths.
    uint8_t lengths[288];
    std::fill(lengths, lengths + 144, 8);
    std::fill(lengths + 144, lengths + 256, 9);
    std::fill(lengths + 256, lengths + 280, 7);
    std::fill(lengths + 280, lengths + 288, 8);
    TRecordingZipHost host;
    TZipHostScope scope(host);

    THuftTable table;
    ASSERT_EQ(HuftBuild(lengths, 288, 257, kLengthBase, kLengthExtra, 7, table), 0);
    EXPECT_TRUE(host.Asked.empty());

    // Each of the build's allocations in turn.
    int failed = 0;
    for (int nth = 1; nth <= 8; ++nth) {
        host.Asked.clear();
        FailIn = nth;
        const int result = HuftBuild(lengths, 288, 257, kLengthBase, kLengthExtra, 7, table);
        const bool hit = FailIn == 0;
        FailIn = 0;
        if (!hit) {
            EXPECT_EQ(result, 0);
            break;
        }
        ++failed;
        EXPECT_EQ(result, 3) << nth;
        EXPECT_TRUE(table.Entries.empty()) << nth;
        EXPECT_EQ(host.Asked, std::vector<std::string>{"Error: *** inflate out of memory ***"}) << nth;
    }
    EXPECT_GE(failed, 2);
}
