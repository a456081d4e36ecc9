#include <gtest/gtest.h>

#include <string>

#include "platform/Stream.h"
#include "zip/EndCentral.h"
#include "zip/ZipTestSupport.h"

namespace {

Bytes EndRecord(uint16_t entries, uint32_t size, uint32_t offset, uint16_t commentLength)
{
    return TLe().u32(0x06054B50).u16(0).u16(0).u16(entries).u16(entries).u32(size).u32(offset).u16(commentLength).b;
}

Bytes Fill(size_t n, uint8_t c) { return Bytes(n, c); }

}  // namespace

TEST(EndCentral, WriteLayout)
{
    TEndCentral end;
    end.TotalEntries = end.EntriesOnThisDisk = 3;
    end.CentralDirectorySize = 0x1234;
    end.CentralDirectoryOffset = 0x56789A;
    const std::string comment = "hello";
    end.SetComment(&comment);
    TMemoryStream s;
    end.WriteEndCentral(s);
    EXPECT_EQ(s.Bytes(), Concat({EndRecord(3, 0x1234, 0x56789A, 5), ToBytes("hello")}));

    // A length whose text is not held writes no bytes and no length.
    end.Clear();
    end.ZipCommentLength = 40;
    TMemoryStream t;
    end.WriteEndCentral(t);
    EXPECT_EQ(t.Bytes(), EndRecord(0, 0, 0, 0));
}

TEST(EndCentral, FindInStream)
{
    struct TCase {
        const char* What;
        Bytes Data;
        int Entries;   // -1: not found
        uint16_t CommentLength;
        uint32_t CommentPosition;
    };
    const Bytes inner = EndRecord(9, 99, 999, 0);
    Bytes large(3 * 1024 * 1024, 0);
    large[100] = 'P', large[101] = 'K', large[102] = 5, large[103] = 6;   // far outside the window
    const TCase cases[] = {
        {"nothing but P", Fill(5000, 'P'), -1, 0, 0},
        {"signature with no room for a record", Concat({Fill(100, 'x'), ToBytes("PK\x05\x06"), Fill(17, 0)}), -1, 0, 0},
        {"no comment", EndRecord(7, 100, 200, 0), 7, 0, 22},
        {"longest comment inside the 65528-byte window",
         Concat({Fill(1000, 'd'), EndRecord(1, 10, 20, 65506), Fill(65506, 'c')}), 1, 65506, 1022},
        {"one byte beyond the window", Concat({Fill(1000, 'd'), EndRecord(1, 10, 20, 65507), Fill(65507, 'c')}), -1, 0, 0},
        {"comment of 65535", Concat({Fill(1000, 'd'), EndRecord(1, 10, 20, 65535), Fill(65535, 'c')}), -1, 0, 0},
        {"record-shaped comment: the later one wins", Concat({EndRecord(1, 10, 20, uint16_t(inner.size())), inner}), 9, 0, 44},
        {"claims 50 comment bytes, 10 follow", Concat({ToBytes("head"), EndRecord(1, 10, 20, 50), Fill(10, 'c')}), 1, 10, 26},
        {"garbage after the comment", Concat({ToBytes("head"), EndRecord(1, 10, 20, 3), ToBytes("abc"), Fill(300, 0xEE)}),
         1, 3, 26},
        {"zeros after the record", Concat({EndRecord(2, 10, 20, 0), Fill(1000, 0)}), 2, 0, 22},
        {"large stream", Concat({large, EndRecord(4, 8, 16, 0)}), 4, 0, uint32_t(large.size() + 22)},
    };
    for (const TCase& c : cases) {
        TMemoryStream s(c.Data);
        TEndCentral end;
        ASSERT_EQ(end.FindInStream(s), c.Entries >= 0) << c.What;
        if (c.Entries < 0)
            continue;
        EXPECT_EQ(end.TotalEntries, c.Entries) << c.What;
        EXPECT_EQ(end.ZipCommentLength, c.CommentLength) << c.What;
        EXPECT_EQ(end.ZipCommentPosition, c.CommentPosition) << c.What;
    }
    const Bytes record = EndRecord(1, 2, 3, 0);
    for (size_t n = 0; n < 22; ++n) {
        TMemoryStream s(Slice(record, 0, n));
        TEndCentral end;
        EXPECT_FALSE(end.FindInStream(s)) << n;
    }
    TMemoryStream s(EndRecord(7, 100, 200, 0));
    TEndCentral end;
    ASSERT_TRUE(end.FindInStream(s));
    EXPECT_EQ(end.CentralDirectorySize, 100u);
    EXPECT_EQ(end.CentralDirectoryOffset, 200u);
    EXPECT_EQ(end.EntriesOnThisDisk, 7);
}
