#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <stdexcept>
#include <string>

#include "platform/Exceptions.h"
#include "platform/FileUtils.h"
#include "zip/LFNFileStream.h"
#include "zip/ZipTestSupport.h"

namespace {

class LFNFileStream : public ::testing::Test {
protected:
    void TearDown() override
    {
        ZipStreamActive = false;
        ZipStreamReading = false;
        ZipStreamObject = nullptr;
    }
    // Opens name in mode, writes bytes, then fails before the stream is closed.
    static void FailWhileWriting(const std::string& name, TFileMode mode, const std::string& bytes)
    {
        try {
            TLFNFileStream s(name, mode);
            s.SetSize(0);
            s.WriteBuffer(bytes.data(), int64_t(bytes.size()));
            throw std::runtime_error("writer failed");
        } catch (const std::runtime_error&) {
        }
    }
};

}  // namespace

TEST_F(LFNFileStream, FileModes)
{
    TTempDir dir;
    WriteFileBytes(dir / "a.zip", ToBytes("archive bytes"));
    {
        TLFNFileStream s(dir / "a.zip", TFileMode::fmOpenRead);
        EXPECT_EQ(s.Bytes(), ToBytes("archive bytes"));
        EXPECT_EQ(s.GetPosition(), s.GetSize());
        s.SetPosition(0);
        s.WriteBuffer("CHANGED", 7);
    }
    EXPECT_EQ(ReadFileBytes(dir / "a.zip"), ToBytes("archive bytes")) << "read mode stores nothing";
    EXPECT_THROW(TLFNFileStream(dir / "missing.zip", TFileMode::fmOpenRead), EFOpenError);
    {
        TLFNFileStream s(dir / "new.zip", TFileMode::fmCreate);
        EXPECT_TRUE(std::filesystem::exists(dir / "new.zip")) << "created empty at once";
        s.WriteBuffer("new archive", 11);
    }
    EXPECT_EQ(ReadFileBytes(dir / "new.zip"), ToBytes("new archive"));
    {
        // Content that shrank leaves no tail of the old file; after Close nothing more is stored.
        TLFNFileStream s(dir / "new.zip", TFileMode::fmOpenWrite);
        s.SetSize(3);
        s.Close();
        s.WriteBuffer("more", 4);
    }
    EXPECT_EQ(ReadFileBytes(dir / "new.zip"), ToBytes("new"));
}

TEST_F(LFNFileStream, FailuresStoreNothingOrAreReported)
{
    TTempDir dir;
    WriteFileBytes(dir / "keep.zip", ToBytes("good archive"));
    FailWhileWriting(dir / "keep.zip", TFileMode::fmOpenReadWrite, "half");
    EXPECT_EQ(ReadFileBytes(dir / "keep.zip"), ToBytes("good archive"));
    if (std::filesystem::exists("/dev/full")) {
        auto s = std::make_unique<TLFNFileStream>("/dev/full", TFileMode::fmOpenWrite);
        s->WriteBuffer("bytes", 5);
        EXPECT_THROW(s->Close(), EStreamError);
        EXPECT_NO_THROW(s.reset());
    }
}

TEST_F(LFNFileStream, StreamModeUsesTheCallersStream)
{
    TMemoryStream source(ToBytes("in-memory archive"));
    source.SetPosition(5);
    ZipStreamActive = true;
    ZipStreamReading = true;
    ZipStreamObject = &source;
    {
        TLFNFileStream s(ZipStreamName, TFileMode::fmOpenRead);
        EXPECT_EQ(s.Bytes(), ToBytes("in-memory archive"));
        EXPECT_EQ(s.GetPosition(), s.GetSize());
        EXPECT_EQ(TLFNFileStream("zipstream", TFileMode::fmOpenRead).GetSize(), 0) << "the name is case-sensitive";
    }
    EXPECT_EQ(source.Bytes(), ToBytes("in-memory archive")) << "reading stores nothing back";

    TMemoryStream target(ToBytes("old and longer content"));
    ZipStreamReading = false;
    ZipStreamObject = &target;
    {
        TLFNFileStream s(ZipStreamName, TFileMode::fmCreate);
        EXPECT_EQ(s.GetSize(), 0);
        s.WriteBuffer("PK new", 6);
        ZipStreamActive = false;   // the direction and target were fixed when it opened
    }
    EXPECT_EQ(target.Bytes(), ToBytes("PK new"));
    EXPECT_FALSE(FileExists(ZipStreamName));

    // Empty output empties the target; a failing writer leaves it alone.
    ZipStreamActive = true;
    { TLFNFileStream s(ZipStreamName, TFileMode::fmCreate); }
    EXPECT_EQ(target.GetSize(), 0);
    target.WriteBuffer("kept", 4);
    FailWhileWriting(ZipStreamName, TFileMode::fmCreate, "partial");
    EXPECT_EQ(target.Bytes(), ToBytes("kept"));
}
