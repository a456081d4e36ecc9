// The input and output hooks: CRC, progress, write chunks, message pumping and abort,
// encryption of the output, the size limit and the match self-check.
#include <gtest/gtest.h>
#include <zlib.h>

#include <algorithm>
#include <cstring>

#include "DeflateTestSupport.h"
#include "DeflateTrace.h"
#include "platform/Stream.h"
#include "zip/ZipHeaderInfo.h"

// A memory stream that remembers the size of every write and may refuse bytes past a limit.
class TRecordingStream : public TMemoryStream {
public:
    std::vector<int64_t> Writes;
    int64_t Accept = -1;   // bytes it takes in all; -1 = no limit
    int64_t Write(const void* buffer, int64_t count) override
    {
        Writes.push_back(count);
        if (Accept >= 0) {
            const int64_t room = std::max<int64_t>(0, Accept - GetSize());
            count = std::min(count, room);
        }
        return TMemoryStream::Write(buffer, count);
    }
};

// Hands out zeros up to Size but claims a size of its own.
class TZeroStream : public TStream {
public:
    int64_t Size = 0;
    int64_t ClaimedSize = 0;
    int64_t Position = 0;
    int64_t Read(void* buffer, int64_t count) override
    {
        const int64_t n = std::min(count, Size - Position);
        std::memset(buffer, 0, static_cast<size_t>(n));
        Position += n;
        return n;
    }
    int64_t Write(const void*, int64_t) override { return 0; }
    int64_t Seek(int64_t offset, TSeekOrigin origin) override
    {
        if (origin == TSeekOrigin::soBeginning)
            Position = offset;
        else if (origin == TSeekOrigin::soCurrent)
            Position += offset;
        else
            Position = ClaimedSize + offset;
        return Position;
    }
    void SetSize(int64_t) override {}
    int64_t GetSize() override { return ClaimedSize; }
};

TEST(DeflateHooks, CrcAndProgressCoverEveryByteRead)
{
    const TBytes data = PseudoText(200000, 71);
    TZipComponentBase zip;
    std::vector<int> filePercents, totalPercents;
    zip.OnFilePercentDone = [&](TZipComponentBase*, int p) { filePercents.push_back(p); };
    zip.OnTotalPercentDone = [&](TZipComponentBase*, int p) { totalPercents.push_back(p); };
    zip.TotalBytes = 2.0 * static_cast<double>(data.size());
    zip.TotalBytesDone = static_cast<double>(data.size());   // a first entry already done
    const TDeflateResult r = Compress(data, 6, &zip);
    EXPECT_EQ(r.Crc, crc32(0, data.data(), static_cast<uInt>(data.size())));
    EXPECT_EQ(zip.EntryBytesDone, static_cast<int64_t>(data.size()));
    EXPECT_EQ(zip.TotalBytesDone, 2.0 * static_cast<double>(data.size()));
    ASSERT_GE(filePercents.size(), 2u);
    EXPECT_TRUE(std::is_sorted(filePercents.begin(), filePercents.end()));
    EXPECT_EQ(filePercents.back(), 100);
    EXPECT_GT(totalPercents.front(), 50);
    EXPECT_EQ(totalPercents.back(), 100);

    // Without events the counters stay put.
    TZipComponentBase quiet;
    Compress(data, 6, &quiet);
    EXPECT_EQ(quiet.EntryBytesDone, 0);
    EXPECT_EQ(quiet.TotalBytesDone, 0.0);
}

TEST(DeflateHooks, OutputLeavesIn1024ByteWritesAndStoredDataInOne)
{
    TZipComponentBase zip;
    const TBytes text = PseudoText(300000, 72);
    PrepareEntry(zip, text.size());
    TMemoryStream source(text);
    TRecordingStream out;
    const int64_t size = DeflateEntry(zip, source, out, 6, false);
    EXPECT_EQ(size, out.GetSize());
    ASSERT_GT(out.Writes.size(), 2u);
    for (size_t i = 0; i + 1 < out.Writes.size(); ++i)
        EXPECT_EQ(out.Writes[i], 1024) << i;

    // A stored block goes out in one write of its own.
    const TBytes random = RandomBytes(50000, 73);
    PrepareEntry(zip, random.size());
    TMemoryStream source2(random);
    TRecordingStream out2;
    DeflateEntry(zip, source2, out2, 6, false);
    const TTrace t = TraceDeflate(out2.Bytes());
    ASSERT_EQ(t.Blocks[0].Type, 0);
    EXPECT_NE(std::find(out2.Writes.begin(), out2.Writes.end(), static_cast<int64_t>(t.Blocks[0].StoredLength)),
              out2.Writes.end());
}

TEST(DeflateHooks, MessagesArePumpedAfterEachWriteAndAnAbortStops)
{
    const TBytes data = PseudoText(100000, 74);
    TZipComponentBase zip;
    int pumps = 0;
    zip.OnProcessMessages = [&] { ++pumps; };
    PrepareEntry(zip, data.size());
    TMemoryStream source(data);
    TRecordingStream out;
    DeflateEntry(zip, source, out, 6, false);
    EXPECT_EQ(pumps, static_cast<int>(out.Writes.size()));

    // The packer switches pumping off: no pump, and a pending abort is not looked at.
    pumps = 0;
    zip.DoProcessMessages = false;
    zip.AbortRequested = true;
    const TDeflateResult quiet = Compress(data, 6, &zip);
    EXPECT_EQ(pumps, 0);
    EXPECT_TRUE(zip.AbortRequested);
    EXPECT_FALSE(quiet.Out.empty());

    // An abort asked for during the third pump.
    zip.DoProcessMessages = true;
    zip.AbortRequested = false;
    pumps = 0;
    zip.OnProcessMessages = [&] {
        if (++pumps == 3)
            zip.AbortRequested = true;
    };
    PrepareEntry(zip, data.size());
    TMemoryStream source2(data);
    TRecordingStream out2;
    try {
        DeflateEntry(zip, source2, out2, 6, false);
        FAIL() << "no abort";
    } catch (const EUserCanceled& e) {
        EXPECT_EQ(e.Message(), "User Aborted Operation");
    }
    EXPECT_FALSE(zip.AbortRequested);
    EXPECT_EQ(out2.Writes.size(), 3u);
}

static TBytes decrypt(const TBytes& cipher, const char* password)
{
    TCryptKeys keys;
    keys.Init(password);
    TBytes plain = cipher;
    keys.DecryptBuffer(plain.data(), plain.size());
    return plain;
}

TEST(DeflateHooks, EncryptedOutputDecryptsToTheSameStream)
{
    // Stored blocks followed by compressed ones: the stored bytes are window bytes that
    // later matches read, so they must be encrypted in a copy.
    TBytes data = RandomBytes(40000, 75);
    const TBytes text = PseudoText(30000, 76);
    data.insert(data.end(), text.begin(), text.end());
    data.insert(data.end(), data.begin() + 1000, data.begin() + 30000);   // refers back to the stored part
    for (int level : {1, 6, 9}) {
        const TDeflateResult plain = Compress(data, level);
        TZipComponentBase zip;
        zip.CryptInitKeys("secret");
        const TDeflateResult enc = Compress(data, level, &zip, true);
        EXPECT_NE(enc.Out, plain.Out);
        const TBytes dec = decrypt(enc.Out, "secret");
        EXPECT_EQ(dec, plain.Out) << level;
        TBytes out;
        EXPECT_TRUE(ZlibInflateRaw(dec, data.size(), out));
        EXPECT_TRUE(out == data);
        EXPECT_EQ(enc.Crc, crc32(0, data.data(), static_cast<uInt>(data.size())));
    }
    // An entry stored whole is encrypted too.
    TZipComponentBase zip;
    zip.CryptInitKeys("pw");
    const TDeflateResult small = Compress({'a', 'b', 'c'}, 6, &zip, true);
    EXPECT_EQ(small.Method, 0);
    EXPECT_EQ(decrypt(small.Out, "pw"), (TBytes{'a', 'b', 'c'}));
}

TEST(DeflateHooks, EntriesOf4GiBOrMoreAreRefused)
{
    // Known size: refused before anything is read or written.
    TZipComponentBase zip;
    PrepareEntry(zip, 0);
    TZeroStream huge;
    huge.Size = 10;
    huge.ClaimedSize = 0x100000000ll;
    TMemoryStream out;
    EXPECT_THROW(DeflateEntry(zip, huge, out, 6, false), EZipError);
    EXPECT_EQ(out.GetSize(), 0);
    EXPECT_EQ(huge.Position, 0);
    huge.ClaimedSize = 0xFFFFFFFFll;
    EXPECT_THROW(DeflateEntry(zip, huge, out, 6, false), EZipError);

    // A stream that yields more than it claimed is stopped while reading (the limit is
    // lowered here; a real 4 GiB takes too long).
    auto buffers = std::make_unique<TDeflateBuffers>();
    TDeflateFixedTables tables;
    TZeroStream growing;
    growing.Size = 300000;
    growing.ClaimedSize = 0;
    PrepareEntry(zip, 0);
    TDeflateEncoder encoder(zip, growing, out, 6, false, *buffers, tables);
    encoder.SetSizeLimitForTesting(200000);
    try {
        encoder.Deflate();
        FAIL() << "not refused";
    } catch (const EZipError& e) {
        EXPECT_NE(e.Message().find("4 GiB"), std::string::npos);
    }

    // The compressed size counts the encryption header: 995 random bytes are stored whole
    // and with the header exceed a limit of 1000.
    const TBytes random = RandomBytes(995, 77);
    TMemoryStream source(random);
    TMemoryStream out2;
    PrepareEntry(zip, random.size());
    TDeflateEncoder encoder2(zip, source, out2, 6, true, *buffers, tables);
    encoder2.SetSizeLimitForTesting(1000);
    EXPECT_THROW(encoder2.Deflate(), EZipError);
}

TEST(DeflateHooks, AShortWriteIsAnError)
{
    const TBytes data = PseudoText(100000, 78);
    TZipComponentBase zip;
    PrepareEntry(zip, data.size());
    TMemoryStream source(data);
    TRecordingStream out;
    out.Accept = 1500;
    EXPECT_THROW(DeflateEntry(zip, source, out, 6, false), EWriteError);
}

TEST(DeflateHooks, CheckMatchRejectsDifferingBytes)
{
    auto buffers = std::make_unique<TDeflateBuffers>();
    TDeflateFixedTables tables;
    TZipComponentBase zip;
    TMemoryStream source, out;
    TDeflateEncoder encoder(zip, source, out, 6, false, *buffers, tables);
    const char* text = "abcdXabcdY";
    std::memcpy(buffers->Window, text, 10);
    EXPECT_NO_THROW(encoder.CheckMatch(5, 0, 4));
    try {
        encoder.CheckMatch(5, 0, 5);
        FAIL() << "accepted";
    } catch (const EInvalidMatch& e) {
        EXPECT_EQ(e.Message(), "Start: 5, Match: 0, Length: 5");
    }
    // A match that began just before the window (after a slide) is checked for what is left.
    EXPECT_NO_THROW(encoder.CheckMatch(4, -1, 5));
    EXPECT_THROW(encoder.CheckMatch(3, -1, 5), EInvalidMatch);
}

TEST(DeflateHooks, PackLevelOutsideTheTableIsHeldToIt)
{
    const TBytes data = PseudoText(20000, 79);
    const TDeflateResult high = Compress(data, 12);
    EXPECT_EQ(high.Out, Compress(data, 9).Out);
    EXPECT_EQ(high.Flags, 2);
    EXPECT_EQ(Compress(data, -3).Out, Compress(data, 0).Out);
}
