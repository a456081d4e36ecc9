// A decoding table for which no memory can be had: the tables go, the user is told, status 3.
// This binary replaces the global allocator so that one allocation can be made to fail.
#include <gtest/gtest.h>

#include <cstdlib>
#include <new>

#include "zip/ZipTestSupport.h"
#include "zip/HuftBuild.h"

namespace {

int failIn = 0;   // the allocation that fails, counted from 1; 0 = none

void* Allocate(std::size_t size)
{
    if (failIn > 0 && --failIn == 0)
        throw std::bad_alloc();
    if (void* p = std::malloc(size ? size : 1))
        return p;
    throw std::bad_alloc();
}

}  // namespace

void* operator new(std::size_t size) { return Allocate(size); }
void* operator new[](std::size_t size) { return Allocate(size); }
void operator delete(void* p) noexcept { std::free(p); }
void operator delete[](void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }
void operator delete[](void* p, std::size_t) noexcept { std::free(p); }

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
        failIn = nth;
        const int result = HuftBuild(lengths, 288, 257, kLengthBase, kLengthExtra, 7, table);
        const bool hit = failIn == 0;
        failIn = 0;
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
