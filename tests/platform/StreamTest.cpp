#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>

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

TEST(FileStream, CreateNewNeverOpensANameThatIsTaken)
{
    namespace fs = std::filesystem;
    const fs::path dir = fs::temp_directory_path() / ("tovrin_createnew_" + std::to_string(::getpid()));
    fs::create_directories(dir);
    const std::string other = (dir / "other").string(), file = (dir / "file").string(),
                      link = (dir / "link").string(), dangling = (dir / "dangling").string();
    TFileStream(other, TFileMode::fmCreate).WriteBuffer("keep", 4);
    TFileStream(file, TFileMode::fmCreate).WriteBuffer("keep", 4);
    fs::create_symlink(other, link);
    fs::create_symlink(dir / "missing", dangling);
    for (const std::string& taken : {file, link, dangling})
        EXPECT_EQ(TFileStream::CreateNew(taken), nullptr) << taken;
    EXPECT_EQ(fs::file_size(other), 4u);
    EXPECT_FALSE(fs::exists(dir / "missing"));

    auto created = TFileStream::CreateNew((dir / "new").string(), 0600);
    ASSERT_TRUE(created);
    created->WriteBuffer("x", 1);
    EXPECT_EQ(fs::status(dir / "new").permissions() & fs::perms::all, fs::perms::owner_read | fs::perms::owner_write);
    EXPECT_THROW(TFileStream::CreateNew((dir / "no" / "such").string()), EFCreateError);
    fs::remove_all(dir);
}
