#include <gtest/gtest.h>

#include <cstdio>
#include <functional>

#include "platform/Exceptions.h"
#include "platform/FileSizeLimit.h"
#include "platform/Stream.h"

namespace {

std::string MessageOfThrown(const std::function<void()>& f)
{
    try {
        f();
    } catch (const Exception& e) {
        return e.Message();
    }
    return "no exception";
}

}  // namespace

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

TEST(FileStream, AWriteThatFallsShortNamesTheFileAndTheReason)
{
    const std::string limited = ::testing::TempDir() + "limited.bin";
    const std::vector<uint8_t> block(10000, 'x');
    const struct {
        const char* fileName;
        std::function<std::string(std::function<void()>)> run;
        const char* reason;
    } rows[] = {
        {"/dev/full", [](std::function<void()> f) { return MessageOfThrown(f); }, "No space left on device"},
        {limited.c_str(), [](std::function<void()> f) { return MessageUnderFileSizeLimit(4096, f); }, "File too large"},
    };
    for (const auto& r : rows) {
        const std::string message = r.run([&] {
            TFileStream file(r.fileName, TFileMode::fmCreate);
            file.WriteBuffer(block.data(), int64_t(block.size()));
        });
        EXPECT_EQ(message, std::string("Stream write error: ") + r.fileName + ": " + r.reason);
    }
    std::remove(limited.c_str());
    // A stream that is no file says no more than before.
    struct TRefusing : TMemoryStream {
        int64_t Write(const void*, int64_t) override { return 0; }
    } refusing;
    EXPECT_EQ(MessageOfThrown([&] { refusing.WriteUInt8(1); }), "Stream write error");
}
