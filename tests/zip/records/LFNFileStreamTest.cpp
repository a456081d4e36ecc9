#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <stdexcept>
#include <string>

#include "RecordsTestSupport.h"
#include "platform/Exceptions.h"
#include "platform/FileUtils.h"
#include "zip/LFNFileStream.h"

namespace {

class LFNFileStream : public ::testing::Test {
protected:
    void TearDown() override
    {
        ZipStreamActive = false;
        ZipStreamReading = false;
        ZipStreamObject = nullptr;
    }
    static std::string Content(TMemoryStream& s) { return ToString(s); }
};

}  // namespace

TEST_F(LFNFileStream, ReadModeLoadsTheFileAndStoresNothing)
{
    TTempDir dir;
    WriteFileBytes(dir / "a.zip", "archive bytes");
    {
        TLFNFileStream s(dir / "a.zip", TFileMode::fmOpenRead);
        EXPECT_EQ(Content(s), "archive bytes");
        EXPECT_EQ(s.GetPosition(), s.GetSize());
        EXPECT_EQ(s.FileName(), dir / "a.zip");
        s.SetPosition(0);
        s.WriteBuffer("CHANGED", 7);
    }
    EXPECT_EQ(ReadFileBytes(dir / "a.zip"), "archive bytes");
    EXPECT_THROW({ TLFNFileStream missing(dir / "missing.zip", TFileMode::fmOpenRead); }, EFOpenError);
}

TEST_F(LFNFileStream, WritingModesReplaceTheWholeFile)
{
    TTempDir dir;
    {
        TLFNFileStream s(dir / "new.zip", TFileMode::fmCreate);
        EXPECT_TRUE(std::filesystem::exists(dir / "new.zip")) << "created empty at once";
        EXPECT_EQ(s.GetSize(), 0);
        s.WriteBuffer("new archive", 11);
    }
    EXPECT_EQ(ReadFileBytes(dir / "new.zip"), "new archive");

    // Content that shrank leaves no tail of the old file behind.
    {
        TLFNFileStream s(dir / "new.zip", TFileMode::fmOpenWrite);
        EXPECT_EQ(Content(s), "new archive");
        s.SetSize(3);
        s.Close();
        EXPECT_EQ(ReadFileBytes(dir / "new.zip"), "new");
        s.WriteBuffer("more", 4);   // after Close nothing more is stored
    }
    EXPECT_EQ(ReadFileBytes(dir / "new.zip"), "new");
}

TEST_F(LFNFileStream, CloseReportsAFailedStore)
{
    if (!std::filesystem::exists("/dev/full"))
        GTEST_SKIP() << "no /dev/full";
    auto s = std::make_unique<TLFNFileStream>("/dev/full", TFileMode::fmOpenWrite);
    s->WriteBuffer("bytes", 5);
    EXPECT_THROW(s->Close(), EStreamError);
    EXPECT_NO_THROW(s.reset());
}

TEST_F(LFNFileStream, AStreamDroppedDuringAnExceptionStoresNothing)
{
    TTempDir dir;
    WriteFileBytes(dir / "keep.zip", "good archive");
    try {
        TLFNFileStream s(dir / "keep.zip", TFileMode::fmOpenReadWrite);
        s.SetSize(0);
        s.WriteBuffer("half", 4);
        throw std::runtime_error("writer failed");
    } catch (const std::runtime_error&) {
    }
    EXPECT_EQ(ReadFileBytes(dir / "keep.zip"), "good archive");
}

TEST_F(LFNFileStream, StreamModeReadsTheCallersStream)
{
    TMemoryStream source(ToVector("in-memory archive"));
    source.SetPosition(5);
    ZipStreamActive = true;
    ZipStreamReading = true;
    ZipStreamObject = &source;
    {
        TLFNFileStream s(ZipStreamName, TFileMode::fmOpenRead);
        EXPECT_EQ(Content(s), "in-memory archive");
        EXPECT_EQ(s.GetPosition(), s.GetSize());
        TLFNFileStream other("zipstream", TFileMode::fmOpenRead);   // the name is case-sensitive
        EXPECT_EQ(other.GetSize(), 0);
    }
    EXPECT_EQ(Content(source), "in-memory archive") << "reading stores nothing back";
    EXPECT_FALSE(FileExists(ZipStreamName));
}

TEST_F(LFNFileStream, StreamModeStoresTheWrittenArchive)
{
    TMemoryStream target(ToVector("old and longer content"));
    ZipStreamActive = true;
    ZipStreamReading = false;
    ZipStreamObject = &target;
    {
        TLFNFileStream s(ZipStreamName, TFileMode::fmCreate);
        EXPECT_EQ(s.GetSize(), 0);
        s.WriteBuffer("PK new", 6);
        ZipStreamActive = false;   // the direction and target were fixed when it opened
    }
    EXPECT_EQ(Content(target), "PK new");
    EXPECT_FALSE(FileExists(ZipStreamName));

    // Empty output empties the target; a failing writer leaves it alone.
    ZipStreamActive = true;
    { TLFNFileStream s(ZipStreamName, TFileMode::fmCreate); }
    EXPECT_EQ(target.GetSize(), 0);
    target.WriteBuffer("kept", 4);
    try {
        TLFNFileStream s(ZipStreamName, TFileMode::fmCreate);
        s.WriteBuffer("partial", 7);
        throw std::runtime_error("encoder failed");
    } catch (const std::runtime_error&) {
    }
    EXPECT_EQ(Content(target), "kept");
}
