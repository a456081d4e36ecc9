// The data file's payload unpacked in place is held once: the memory taken at the peak of
// the unpacking, counted by this binary's allocator.
#include <gtest/gtest.h>

#include "CountingAllocator.h"
#include "zip/ZipStream.h"
#include "zip/ZipTestSupport.h"

TEST(UnpackPeak, PayloadUnpackedInPlaceIsHeldOnce)
{
    const Bytes payload = PseudoText(6 << 20);
    TMemoryStream stream(payload);
    ZipStreamInPlace(stream, "");
    const size_t packed = stream.Bytes().size();
    const size_t before = TestAllocator::Held();
    TestAllocator::ResetPeak();
    UnzipStreamInPlace(stream, "");
    const size_t peak = TestAllocator::Peak() - before;
    EXPECT_EQ(stream.Bytes(), payload);
    // The unpacked bytes once, beside the packed bytes and the archive's copy of them, and
    // the decoder's buffers (well under 1 MB). Grown step by step and copied back, the
    // unpacked bytes took more than twice their size.
    EXPECT_LT(peak, payload.size() + 2 * packed + (1u << 20)) << "peak " << peak << ", packed " << packed;
}
