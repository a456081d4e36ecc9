// Damaged and hostile data files: every one raises ExInvalidFileFormat (or the reader copes),
// never a crash, a hang or a huge allocation, and a failed load leaves a consistent outline.
#include <gtest/gtest.h>

#include <algorithm>

#include "GoldenFile.h"
#include "taskdb/PayloadPacking.h"
#include "taskdb/DataFileStream.h"
#include "taskdb/TaskPlace.h"

namespace {

// A file of the given version around the payload.
std::vector<uint8_t> WrapPayload(const TByteBuilder& payload, int32_t version = 3)
{
    return GoldenFile({.versionField = version, .layout = version, .payload = payload}).bytes;
}

// A chain of `depth` tasks below the root.
TByteBuilder ChainPayload(int depth)
{
    TByteBuilder b;
    b.I32(0).I32(0);
    for (int level = 0; level <= depth; ++level) {
        TTaskRecord t;
        t.caption = "L" + std::to_string(level);
        t.hide = level == 1;
        AddTaskFields(b, t, level < depth ? 1 : 0);
    }
    for (int level = 0; level <= depth; ++level)
        b.I32(0).I32(0).I32(0).I32(0);
    return b;
}

class HostileFileTest : public ::testing::Test {
protected:
    // The load raises ExInvalidFileFormat with a message starting so (or exactly so), and
    // leaves a consistent outline.
    void ExpectInvalid(const std::vector<uint8_t>& bytes, const std::string& what,
                       const std::string& message = "Invalid file format", bool exact = false)
    {
        try {
            LoadBytes(db, bytes);
            ADD_FAILURE() << what << ": loaded";
        } catch (const ExInvalidFileFormat& e) {
            EXPECT_EQ(exact ? e.Message() : e.Message().substr(0, message.size()), message) << what;
        }
        ExpectConsistentFlags(*db.Root);
    }

    TPayloadPackingOverride passThrough;
    TClockOverride clock{45100.0};
    TTovrinDataBase db;
};

TEST_F(HostileFileTest, WrongMagicShortFileOrPayloadLengthOutOfRange)
{
    auto lowerCase = GoldenFile().bytes;
    lowerCase[0] = 't';
    ExpectInvalid(lowerCase, "magic in lower case", "Invalid file format", true);
    ExpectInvalid({'T', 'o', 'v'}, "three bytes");
    ExpectInvalid({}, "empty");
    for (int32_t n : {0, -1, INT32_MIN, INT32_MAX, 100000}) {
        TByteBuilder b;
        b.Raw("TovrinDataFile").I32(3).I32(0).I32(n).I32(0).I32(0);
        ExpectInvalid(b.bytes, "payload length " + std::to_string(n),
                      n > 0 ? "Invalid file format: the file is damaged (it ends unexpectedly)."
                            : "Invalid file format: the file is damaged (its outline data is missing).");
    }
}

TEST_F(HostileFileTest, EveryTruncationIsDetected)
{
    const auto golden = GoldenFile().bytes;
    for (size_t cut = 0; cut < golden.size(); ++cut) {
        std::vector<uint8_t> bytes(golden.begin(), golden.begin() + static_cast<long>(cut));
        ExpectInvalid(bytes, "file cut at " + std::to_string(cut));
    }
    // The payload cut short with a matching length: the records run out inside it.
    const TByteBuilder payload = GoldenPayload({});
    for (size_t cut = 1; cut < payload.Size(); cut += 3) {
        TByteBuilder part;
        part.bytes.assign(payload.bytes.begin(), payload.bytes.begin() + static_cast<long>(cut));
        ExpectInvalid(WrapPayload(part), "payload cut at " + std::to_string(cut));
    }
}

TEST_F(HostileFileTest, HugeOrNegativeCountsAnywhereInThePayload)
{
    // Overwrite each 4-byte window of the payload with extreme values: the load either
    // succeeds or reports a damaged file; the sanitizers watch the memory.
    const TByteBuilder payload = GoldenPayload({});
    for (size_t at = 0; at + 4 <= payload.Size(); ++at) {
        for (int32_t v : {INT32_MAX, INT32_MIN, -1, 0x00FFFFFF}) {
            TByteBuilder p = payload;
            TByteBuilder le;
            std::copy_n(le.I32(v).bytes.begin(), 4, p.bytes.begin() + static_cast<long>(at));
            try {
                LoadBytes(db, WrapPayload(p));
            } catch (const ExInvalidFileFormat&) {
            }
            ExpectConsistentFlags(*db.Root);
        }
    }
}

TEST_F(HostileFileTest, CountsBeyondTheRemainingBytesAreRefusedUpFront)
{
    const std::string outOfRange = "Invalid file format: the file is damaged (a length or count is out of range).";
    TByteBuilder places;
    places.I32(0).I32(INT32_MAX);
    ExpectInvalid(WrapPayload(places), "place count", outOfRange);

    TByteBuilder children;
    children.I32(0).I32(0);
    AddTaskFields(children, TTaskRecord{}, 50000000);
    ExpectInvalid(WrapPayload(children), "child count", outOfRange);

    TByteBuilder ranges;
    ranges.I32(0).I32(1).I32(0).Str("p").IntList({}).U8(1).U8(0).I32(1 << 28);
    ExpectInvalid(WrapPayload(ranges), "range count", outOfRange);

    // File-level extension arrays after a valid payload: the second array's count.
    TByteBuilder good;
    good.I32(0).I32(0);
    AddTaskFields(good, TTaskRecord{}, 0);
    good.I32(0).I32(0).I32(0).I32(0);
    std::vector<uint8_t> bytes = WrapPayload(good, 2);
    TByteBuilder le;
    std::copy_n(le.I32(INT32_MAX / 4).bytes.begin(), 4, bytes.begin() + 26 + long(good.Size()) + 18);
    ExpectInvalid(bytes, "second extension array count", outOfRange);

    // The check is not stricter than the records: 100 empty strings need only their lengths.
    EXPECT_NO_THROW(LoadBytes(db, GoldenFile({.deletedIds = std::vector<std::string>(100)}).bytes));
}

TEST_F(HostileFileTest, NestingHasABound)
{
    ExpectInvalid(WrapPayload(ChainPayload(kMaxTaskNesting + 1)), "one level too deep",
                  "Invalid file format: tasks are nested");

    LoadBytes(db, WrapPayload(ChainPayload(kMaxTaskNesting)));
    const TTaskNode* t = db.Root.get();
    int depth = 0;
    while (!t->Children.Empty()) {
        t = t->Children[0];
        ++depth;
    }
    EXPECT_EQ(depth, kMaxTaskNesting);
    EXPECT_TRUE(t->HideInToDoInEffect);   // from level 1, far above
}

TEST_F(HostileFileTest, IncludesOfMissingPlacesAreDropped)
{
    TByteBuilder p;
    p.I32(3).I32(2);
    p.I32(1).Str("A").IntList({9, 2, 9, 1, 7}).U8(0).Str("");
    p.I32(2).Str("B").IntList({8}).U8(0).Str("");
    TTaskRecord root;
    root.places = {9};
    AddTaskFields(p, root, 0);
    p.I32(0).I32(0).I32(0).I32(0);
    LoadBytes(db, WrapPayload(p));
    EXPECT_EQ((*db.PlacesList)[0]->IncludedPlaces, (std::vector<int32_t>{2, 1}));
    EXPECT_TRUE((*db.PlacesList)[1]->IncludedPlaces.empty());
    EXPECT_EQ(db.Root->Places, std::vector<int32_t>{9});
}

} // namespace
