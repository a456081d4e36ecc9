// The shared input and output layer: chunked reads with decryption and volume continuation,
// writes of 16000 with CRC and progress, stored copy, skipping, and the status messages.
#include <gtest/gtest.h>
#include <zlib.h>

#include "DecoderTestUtil.h"
#include "zip/ZipExceptions.h"

namespace {

Bytes Deflated(const Bytes& in)
{
    z_stream z{};
    deflateInit2(&z, 6, Z_DEFLATED, -15, 8, Z_DEFAULT_STRATEGY);
    Bytes out(deflateBound(&z, in.size()));
    z.next_in = const_cast<Bytes::value_type*>(in.data());
    z.avail_in = static_cast<uInt>(in.size());
    z.next_out = out.data();
    z.avail_out = static_cast<uInt>(out.size());
    deflate(&z, Z_FINISH);
    out.resize(z.total_out);
    deflateEnd(&z);
    return out;
}

Bytes Encrypted(Bytes data, const char* pass)
{
    TCryptKeys keys;
    keys.Init(pass);
    keys.EncryptBuffer(data.data(), data.size());
    return data;
}

}  // namespace

TEST(DecoderState, ReadInputChunkCountsEveryRequestAndKeepsTheLastByte)
{
    TTestOwner owner;
    TMemoryStream archive{Bytes{1, 2, 3}};
    TDecoderState state(&owner);
    state.ArchiveStream = &archive;
    owner.CurrentHeader->CompressedSize = 3;
    state.BeginEntry();
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

TEST(DecoderState, StoredEntriesAreWrittenInWritesOf16000)
{
    const Bytes data = MakeBinary(40000);
    const TDecodeResult r = DecodeEntry(data, {0, 0, 40000});
    EXPECT_TRUE(r.Output == data);
    EXPECT_EQ(r.Writes, (std::vector<int64_t>{16000, 16000, 8000}));
    EXPECT_EQ(r.Crc, Crc32Of(data.data(), data.size()));

    TTestOwner owner;
    const TDecodeResult empty = DecodeEntry({}, {0, 0, 0}, &owner);
    EXPECT_TRUE(empty.Writes.empty());
    EXPECT_EQ(owner.RunningCRC, 0xFFFFFFFFu);
}

TEST(DecoderState, EncryptedEntriesDecryptAcrossChunks)
{
    const Bytes text = MakeText(200000, 4);
    {
        TTestOwner owner;
        owner.CryptInitKeys("secret");
        const Bytes stream = Encrypted(Deflated(text), "secret");
        ASSERT_GT(stream.size(), 2u * 16000);
        const TDecodeResult r = DecodeEntry(stream, {8, 1, static_cast<uint32_t>(text.size())}, &owner);
        EXPECT_EQ(r.Status, DecodeOk);
        EXPECT_TRUE(r.Output == text);
    }
    {
        TTestOwner owner;
        owner.CryptInitKeys("secret");
        const Bytes head(text.begin(), text.begin() + 50000);
        const TDecodeResult r = DecodeEntry(Encrypted(head, "secret"), {0, 1, 50000}, &owner);
        EXPECT_TRUE(r.Output == head);
    }
}

TEST(DecoderState, ArchiveEndingEarlyRaises)
{
    const Bytes stream = Deflated(MakeText(30000));
    for (uint16_t method : {0, 8}) {
        TTestOwner owner;
        TMemoryStream archive{Bytes(stream.begin(), stream.end() - 5)};
        TMemoryStream out;
        TDecoderState state(&owner);
        state.ArchiveStream = &archive;
        state.OutputStream = &out;
        owner.CurrentHeader->CompressedSize = static_cast<uint32_t>(stream.size());
        state.BeginEntry();
        try {
            if (method == 0)
                CopyStored(state);
            else
                Inflate(state);
            FAIL() << "no exception for method " << method;
        } catch (const EFatalUnzipError& e) {
            EXPECT_EQ(e.Message(), "Premature end of file reached");
        }
    }
}

TEST(DecoderState, SpannedArchiveContinuesOnTheNextVolume)
{
    const Bytes text = MakeText(60000, 7);
    const Bytes stream = Deflated(text);
    const size_t split = stream.size() / 2 + 3;
    TMemoryStream second{Bytes(stream.begin() + static_cast<long>(split), stream.end())};
    TTestOwner owner;
    owner.Spans = true;
    std::vector<int> asked;
    owner.NextDisk = [&](int volume) -> TStream* {
        asked.push_back(volume);
        return &second;
    };
    TMemoryStream first{Bytes(stream.begin(), stream.begin() + static_cast<long>(split))};
    TRecordingStream out;
    TDecoderState state(&owner);
    state.ArchiveStream = &first;
    state.OutputStream = &out;
    owner.CurrentHeader->CompressedSize = static_cast<uint32_t>(stream.size());
    state.BeginEntry();
    EXPECT_EQ(Inflate(state), DecodeOk);
    EXPECT_TRUE(out.Bytes() == text);
    EXPECT_EQ(asked, std::vector<int>{2});
    EXPECT_EQ(state.ArchiveStream, &second);

    // No next volume given.
    TTestOwner refusing;
    refusing.Spans = true;
    TMemoryStream shortArchive{Bytes(stream.begin(), stream.begin() + 100)};
    TDecoderState s2(&refusing);
    s2.ArchiveStream = &shortArchive;
    s2.OutputStream = &out;
    refusing.CurrentHeader->CompressedSize = static_cast<uint32_t>(stream.size());
    s2.BeginEntry();
    try {
        Inflate(s2);
        FAIL();
    } catch (const EUserCanceled& e) {
        EXPECT_EQ(e.Message(), "User Aborted Operation");
    }
}

TEST(DecoderState, ProgressEventsFollowEachWrite)
{
    const Bytes text = MakeText(40000, 2);
    TTestOwner owner;
    owner.TotalBytes = 80000;
    owner.TotalBytesDone = 40000;
    std::vector<int> filePercents, totalPercents;
    owner.OnFilePercentDone = [&](TZipComponentBase*, int p) { filePercents.push_back(p); };
    owner.OnTotalPercentDone = [&](TZipComponentBase*, int p) { totalPercents.push_back(p); };
    const TDecodeResult r = DecodeEntry(Deflated(text), {8, 0, 40000}, &owner);
    EXPECT_EQ(r.Status, DecodeOk);
    EXPECT_EQ(filePercents, (std::vector<int>{40, 80, 100}));
    EXPECT_EQ(totalPercents, (std::vector<int>{70, 90, 100}));
    EXPECT_EQ(owner.EntryBytesDone, 40000);
    EXPECT_EQ(owner.TotalBytesDone, 80000);
}

TEST(DecoderState, AbortIsSeenWhenAChunkIsDueOnlyWhileMessagesArePumped)
{
    Bytes noise(100000);
    std::mt19937 rng(3);
    for (auto& b : noise)
        b = static_cast<uint8_t>(rng());
    const Bytes stream = Deflated(noise);   // about seven chunks
    {
        TTestOwner owner;
        int pumped = 0;
        owner.OnProcessMessages = [&] {
            if (++pumped == 2)
                owner.AbortRequested = true;
        };
        try {
            DecodeEntry(stream, {8, 0, 100000}, &owner);
            FAIL();
        } catch (const EUserCanceled& e) {
            EXPECT_EQ(e.Message(), "User Aborted Operation");
        }
        EXPECT_FALSE(owner.AbortRequested);
        EXPECT_EQ(pumped, 2);
    }
    {
        TTestOwner owner;
        owner.DoProcessMessages = false;
        owner.AbortRequested = true;
        int pumped = 0;
        owner.OnProcessMessages = [&] { ++pumped; };
        EXPECT_EQ(DecodeEntry(stream, {8, 0, 100000}, &owner).Status, DecodeOk);
        EXPECT_EQ(pumped, 0);
        EXPECT_TRUE(owner.AbortRequested);
    }
}

TEST(DecoderState, SkipEntryDataMovesPastTheDataAndCountsTheEntryOut)
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
}

TEST(DecoderState, StatusesBecomeFatalErrors)
{
    EXPECT_NO_THROW(CheckDecoderStatus(DecodeOk));
    for (uint16_t s = 1; s <= 7; ++s) {
        EXPECT_THROW(CheckDecoderStatus(s), EFatalUnzipError);
        EXPECT_STRNE(DecoderStatusMessage(s), "");
    }
    try {
        CheckDecoderStatus(DecodeInputEnded);
    } catch (const EFatalUnzipError& e) {
        EXPECT_EQ(e.Message(), "Corrupt compressed data: unexpected end of data");
    }
}
