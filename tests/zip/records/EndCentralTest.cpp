#include <gtest/gtest.h>

#include <string>

#include "RecordsTestSupport.h"
#include "platform/Stream.h"
#include "zip/EndCentral.h"

namespace {

std::string EndRecord(uint16_t entries, uint32_t size, uint32_t offset, uint16_t commentLength, uint16_t disk = 0)
{
    return TBytes().u32(0x06054B50).u16(disk).u16(disk).u16(entries).u16(entries).u32(size).u32(offset).u16(commentLength).s;
}

bool Find(const std::string& bytes, TEndCentral& end)
{
    TMemoryStream s(ToVector(bytes));
    return end.FindInStream(s);
}

}  // namespace

TEST(EndCentral, ClearAssignAndWriteLayout)
{
    TEndCentral end;
    EXPECT_EQ(end.Signature, 0x06054B50u);
    EXPECT_EQ(end.TotalEntries, 0);
    EXPECT_FALSE(end.HasComment());
    end.TotalEntries = end.EntriesOnThisDisk = 3;
    end.CentralDirectorySize = 0x1234;
    end.CentralDirectoryOffset = 0x56789A;
    const std::string comment = "hello";
    end.SetComment(&comment);
    end.CommentsChanged = true;
    TMemoryStream s;
    end.WriteEndCentral(s);
    EXPECT_EQ(ToString(s), EndRecord(3, 0x1234, 0x56789A, 5) + "hello");

    TEndCentral copy(end);
    EXPECT_EQ(copy.ZipComment(), "hello");
    EXPECT_EQ(copy.CentralDirectoryOffset, 0x56789Au);
    end.Clear();
    EXPECT_EQ(end.CentralDirectoryOffset, 0u);
    EXPECT_FALSE(end.HasCommentText());
    EXPECT_FALSE(end.CommentsChanged);

    // A length whose text is not held writes no bytes and no length.
    end.ZipCommentLength = 40;
    TMemoryStream t;
    end.WriteEndCentral(t);
    EXPECT_EQ(ToString(t), EndRecord(0, 0, 0, 0));
}

TEST(EndCentral, TooShortOrMissing)
{
    TEndCentral end;
    for (size_t n = 0; n < 22; ++n)
        EXPECT_FALSE(Find(EndRecord(1, 2, 3, 0).substr(0, n), end)) << n;
    EXPECT_FALSE(Find(std::string(5000, 'P'), end));
    // A signature in the last 21 bytes has no room for a record.
    EXPECT_FALSE(Find(std::string(100, 'x') + "PK\x05\x06" + std::string(17, '\0'), end));
}

TEST(EndCentral, CommentsOfAnyLengthInsideTheWindow)
{
    TEndCentral end;
    ASSERT_TRUE(Find(EndRecord(7, 100, 200, 0), end));
    EXPECT_EQ(end.TotalEntries, 7);
    EXPECT_EQ(end.EntriesOnThisDisk, 7);
    EXPECT_EQ(end.CentralDirectorySize, 100u);
    EXPECT_EQ(end.CentralDirectoryOffset, 200u);
    EXPECT_EQ(end.ZipCommentLength, 0);
    EXPECT_EQ(end.ZipCommentPosition, 22u);
    EXPECT_EQ(end.Signature, 0x06054B50u);

    const std::string prefix(1000, 'd');
    const std::string longest = prefix + EndRecord(1, 10, 20, 65506) + std::string(65506, 'c');
    ASSERT_TRUE(Find(longest, end)) << "a record starting exactly 65528 bytes before the end";
    EXPECT_EQ(end.ZipCommentLength, 65506);
    EXPECT_EQ(end.ZipCommentPosition, 1000u + 22);

    // The search window is 65528 bytes: a record further back is not found.
    EXPECT_FALSE(Find(prefix + EndRecord(1, 10, 20, 65507) + std::string(65507, 'c'), end));
    EXPECT_FALSE(Find(prefix + EndRecord(1, 10, 20, 65535) + std::string(65535, 'c'), end));
}

TEST(EndCentral, NearestSignatureToTheEndWins)
{
    TEndCentral end;
    // A comment that itself holds a record-shaped run: the later one is taken.
    const std::string inner = EndRecord(9, 99, 999, 0);
    ASSERT_TRUE(Find(EndRecord(1, 10, 20, static_cast<uint16_t>(inner.size())) + inner, end));
    EXPECT_EQ(end.TotalEntries, 9);
    EXPECT_EQ(end.CentralDirectoryOffset, 999u);
    EXPECT_EQ(end.ZipCommentPosition, 44u);
}

TEST(EndCentral, CommentLengthIsCheckedAgainstTheBytesThatFollow)
{
    TEndCentral end;
    // Claims 50 bytes, only 10 follow.
    ASSERT_TRUE(Find("head" + EndRecord(1, 10, 20, 50) + std::string(10, 'c'), end));
    EXPECT_EQ(end.ZipCommentLength, 10);
    EXPECT_EQ(end.ZipCommentPosition, 4u + 22);

    // Garbage after the record: the comment still starts right after the record.
    ASSERT_TRUE(Find("head" + EndRecord(1, 10, 20, 3) + "abc" + std::string(300, '\xEE'), end));
    EXPECT_EQ(end.ZipCommentLength, 3);
    EXPECT_EQ(end.ZipCommentPosition, 4u + 22);
    ASSERT_TRUE(Find(EndRecord(2, 10, 20, 0) + std::string(1000, '\0'), end));
    EXPECT_EQ(end.TotalEntries, 2);
    EXPECT_EQ(end.ZipCommentLength, 0);
}

TEST(EndCentral, LargeStreamReadsOnlyItsTail)
{
    std::string bytes(3 * 1024 * 1024, '\0');
    bytes.replace(100, 4, "PK\x05\x06");   // far outside the window
    bytes += EndRecord(4, 8, 16, 0);
    TEndCentral end;
    ASSERT_TRUE(Find(bytes, end));
    EXPECT_EQ(end.TotalEntries, 4);
    EXPECT_EQ(end.ZipCommentPosition, bytes.size());
}
