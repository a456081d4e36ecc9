// The shared input and output layer: chunked reads with decryption and volume continuation,
// writes of 16000 with CRC and progress, stored copy, skipping, and the status messages.
#include <gtest/gtest.h>

#include "zip/ZipTestSupport.h"
#include "zip/ZipExceptions.h"

namespace {

Bytes Encrypted(Bytes data, const char* pass)
{
    TCryptKeys keys;
    keys.Init(pass);
    keys.EncryptBuffer(data.data(), data.size());
    return data;
}

template <class E, class F>
std::string MessageOf(F&& f)
{
    try {
        f();
    } catch (const E& e) {
        return e.Message();
    }
    return "no exception";
}

}  // namespace

TEST(DecoderState, ReadInputChunkCountsEveryRequestAndKeepsTheLastByte)
{
    TTestOwner owner;
    TMemoryStream archive{Bytes{1, 2, 3}}, out;
    TDecoderState state(&owner);
    BeginEntry(state, owner, archive, out, 3);
    uint16_t b = 0;
    for (int i = 1; i <= 3; ++i) {
        EXPECT_EQ(state.ReadInputChunk(b), 8);
        EXPECT_EQ(b, i);
    }
    EXPECT_EQ(state.ReadInputChunk(b), 0);
    EXPECT_EQ(state.ReadInputChunk(b), 0);
    EXPECT_EQ(b, 3);
    EXPECT_EQ(state.CompressedLeft, -2);
    EXPECT_EQ(owner.CurrentHeader->CompressedSize, 0u);
}

TEST(DecoderState, StoredAndEncryptedEntries)
{
    const Bytes data = BinaryLike(40000);
    const TDecodeResult r = DecodeEntry(data, 0, 0, 40000);
    EXPECT_TRUE(r.Output == data);
    EXPECT_EQ(r.Writes, (std::vector<int64_t>{16000, 16000, 8000}));
    EXPECT_EQ(r.Crc, ZlibCrc(data));
    TTestOwner empty;
    EXPECT_TRUE(DecodeEntry({}, 0, 0, 0, &empty).Writes.empty());
    EXPECT_EQ(empty.RunningCRC, 0xFFFFFFFFu);

    // Decryption runs across input chunks, deflated and stored.
    const Bytes text = PseudoText(200000, 4);
    const Bytes deflated = RawDeflate(text);
    ASSERT_GT(deflated.size(), 2u * 16000);
    for (const Bytes* plain : {&deflated, &text}) {
        TTestOwner owner;
        owner.CryptInitKeys("secret");
        const TDecodeResult d = DecodeEntry(Encrypted(*plain, "secret"), plain == &text ? 0 : 8, 1,
                                            uint32_t(text.size()), &owner);
        EXPECT_EQ(d.Status, DecodeOk);
        EXPECT_TRUE(d.Output == text);
    }
}

TEST(DecoderState, OutputStopsAtTheRecordedSize)
{
    // 16 MiB deflate to a few kilobytes: recorded smaller, at most the recorded size comes out.
    const Bytes zeros(16 << 20, 0), bomb = RawDeflate(zeros);
    for (uint16_t method : {0, 8}) {
        const Bytes& data = method == 0 ? zeros : bomb;
        for (uint32_t recorded : {0u, 10u, 16000u, uint32_t(zeros.size()) - 1}) {
            const TDecodeResult r = DecodeEntry(data, method, 0, recorded);
            EXPECT_EQ(r.Status, DecodeOutputMismatch) << method << " " << recorded;
            EXPECT_LE(r.Output.size(), recorded);
        }
        EXPECT_EQ(DecodeEntry(data, method, 0, uint32_t(zeros.size())).Status, DecodeOk);
    }
}

TEST(DecoderState, ArchiveEndingEarlyRaises)
{
    const Bytes stream = RawDeflate(PseudoText(30000));
    for (uint16_t method : {0, 8}) {
        TTestOwner owner;
        TMemoryStream archive{Slice(stream, 0, stream.size() - 5)}, out;
        TDecoderState state(&owner);
        BeginEntry(state, owner, archive, out, uint32_t(stream.size()));
        EXPECT_EQ(MessageOf<EFatalUnzipError>([&] { method == 0 ? CopyStored(state) : void(Inflate(state)); }),
                  "Premature end of file reached")
            << method;
    }
}

TEST(DecoderState, SpannedArchiveContinuesOnTheNextVolume)
{
    const Bytes text = PseudoText(60000, 7);
    const Bytes stream = RawDeflate(text);
    const size_t split = stream.size() / 2 + 3;
    TMemoryStream first{Slice(stream, 0, split)}, second{Slice(stream, split, stream.size() - split)};
    TTestOwner owner;
    owner.Spans = true;
    std::vector<int> asked;
    owner.NextDisk = [&](int volume) -> TStream* {
        asked.push_back(volume);
        return &second;
    };
    TRecordingStream out;
    TDecoderState state(&owner);
    BeginEntry(state, owner, first, out, uint32_t(stream.size()));
    EXPECT_EQ(Inflate(state), DecodeOk);
    EXPECT_TRUE(out.Bytes() == text);
    EXPECT_EQ(asked, std::vector<int>{2});
    EXPECT_EQ(state.ArchiveStream, &second);

    // No next volume given.
    TTestOwner refusing;
    refusing.Spans = true;
    TMemoryStream shortArchive{Slice(stream, 0, 100)};
    TDecoderState s2(&refusing);
    BeginEntry(s2, refusing, shortArchive, out, uint32_t(stream.size()));
    EXPECT_EQ(MessageOf<EUserCanceled>([&] { Inflate(s2); }), "User Aborted Operation");
}

TEST(DecoderState, ProgressEventsFollowEachWrite)
{
    TTestOwner owner;
    owner.TotalBytes = 80000;
    owner.TotalBytesDone = 40000;
    std::vector<int> filePercents, totalPercents;
    owner.OnFilePercentDone = [&](TZipComponentBase*, int p) { filePercents.push_back(p); };
    owner.OnTotalPercentDone = [&](TZipComponentBase*, int p) { totalPercents.push_back(p); };
    EXPECT_EQ(DecodeEntry(RawDeflate(PseudoText(40000)), 8, 0, 40000, &owner).Status, DecodeOk);
    EXPECT_EQ(filePercents, (std::vector<int>{40, 80, 100}));
    EXPECT_EQ(totalPercents, (std::vector<int>{70, 90, 100}));
    EXPECT_EQ(owner.EntryBytesDone, 40000);
    EXPECT_EQ(owner.TotalBytesDone, 80000);
}

TEST(DecoderState, AbortIsSeenWhenAChunkIsDueOnlyWhileMessagesArePumped)
{
    const Bytes stream = RawDeflate(RandomBytes(100000, 3));   // about seven chunks
    TTestOwner owner;
    TRecordingZipHost host;
    TZipHostScope scope(host);
    int& pumped = host.Pumps;
    host.OnPump = [&] {
        if (pumped == 2)
            owner.AbortRequested = true;
    };
    EXPECT_EQ(MessageOf<EUserCanceled>([&] { DecodeEntry(stream, 8, 0, 100000, &owner); }), "User Aborted Operation");
    EXPECT_FALSE(owner.AbortRequested);
    EXPECT_EQ(pumped, 2);

    TTestOwner quiet;
    quiet.DoProcessMessages = false;
    quiet.AbortRequested = true;
    pumped = 0;
    host.OnPump = nullptr;
    EXPECT_EQ(DecodeEntry(stream, 8, 0, 100000, &quiet).Status, DecodeOk);
    EXPECT_EQ(pumped, 0);
    EXPECT_TRUE(quiet.AbortRequested);
}

TEST(DecoderState, SkipEntryDataAndStatusMessages)
{
    TTestOwner owner;
    TMemoryStream archive{Bytes(100, 0)};
    archive.SetPosition(10);
    TDecoderState state(&owner);
    state.ArchiveStream = &archive;
    owner.CurrentHeader->CompressedSize = 42;
    int32_t count = 3;
    SkipEntryData(state, count);
    EXPECT_EQ(archive.GetPosition(), 52);
    EXPECT_EQ(count, 2);

    EXPECT_NO_THROW(CheckDecoderStatus(DecodeOk));
    for (uint16_t s = 1; s <= 7; ++s)
        EXPECT_THROW(CheckDecoderStatus(s), EFatalUnzipError) << s;
    EXPECT_EQ(MessageOf<EFatalUnzipError>([] { CheckDecoderStatus(DecodeInputEnded); }),
              "Corrupt compressed data: unexpected end of data");
}
