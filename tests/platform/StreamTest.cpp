#include <gtest/gtest.h>

#include "platform/Exceptions.h"
#include "platform/Stream.h"

TEST(MemoryStream, ScalarsAreLittleEndianAndShortReadsThrow)
{
    TMemoryStream s;
    s.WriteInt32(-2);
    s.WriteUInt16(0x1234);
    s.WriteDouble(1.5);
    EXPECT_EQ(s.GetSize(), 14);
    EXPECT_EQ(s.Memory()[0], 0xFE);
    EXPECT_EQ(s.Memory()[4], 0x34);
    s.SetPosition(0);
    EXPECT_EQ(s.ReadInt32(), -2);
    EXPECT_EQ(s.ReadUInt16(), 0x1234);
    EXPECT_EQ(s.ReadDouble(), 1.5);
    EXPECT_THROW(s.ReadUInt8(), EReadError);
}

TEST(MemoryStream, CopyFromZeroTakesWholeSourceFromStart)
{
    TMemoryStream src, dst;
    src.WriteBuffer("abcdef", 6);
    src.SetPosition(4);
    EXPECT_EQ(dst.CopyFrom(src, 0), 6);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(dst.Memory()), 6), "abcdef");
    src.SetPosition(4);
    EXPECT_THROW(dst.CopyFrom(src, 3), EReadError);
}
