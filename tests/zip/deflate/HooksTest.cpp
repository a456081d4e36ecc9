// The input and output hooks: CRC, progress, write chunks, message pumping and abort,
// encryption of the output, the size limit and the match self-check.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>

#include "zip/ZipTestSupport.h"
#include "zip/ZipHeaderInfo.h"

namespace {

// Hands out Size zeros but claims a size of its own.
class TZeroStream : public TStream {
public:
    int64_t Size = 0, ClaimedSize = 0, Position = 0;
    int64_t Read(void* buffer, int64_t count) override
    {
        const int64_t n = std::min(count, Size - Position);
        std::memset(buffer, 0, size_t(n));
        Position += n;
        return n;
    }
    int64_t Write(const void*, int64_t) override { return 0; }
    int64_t Seek(int64_t offset, TSeekOrigin origin) override
    {
        return Position = offset + (origin == TSeekOrigin::soBeginning ? 0
                                    : origin == TSeekOrigin::soCurrent ? Position
                                                                       : ClaimedSize);
    }
    void SetSize(int64_t) override {}
    int64_t GetSize() override { return ClaimedSize; }
};

// Deflates data at level 6 into out, with zip prepared for the entry.
int64_t DeflateInto(TZipComponentBase& zip, const Bytes& data, TStream& out)
{
    PrepareEntry(zip, data.size());
    TMemoryStream source(data);
    return DeflateEntry(zip, source, out, 6, false);
}

Bytes Decrypt(Bytes data, const char* password)
{
    TCryptKeys keys;
    keys.Init(password);
    keys.DecryptBuffer(data.data(), data.size());
    return data;
}

}  // namespace

TEST(DeflateHooks, CrcAndProgressCoverEveryByteRead)
{
    const Bytes data = PseudoText(200000, 71);
    TZipComponentBase zip;
    std::vector<int> filePercents, totalPercents;
    zip.OnFilePercentDone = [&](TZipComponentBase*, int p) { filePercents.push_back(p); };
    zip.OnTotalPercentDone = [&](TZipComponentBase*, int p) { totalPercents.push_back(p); };
    zip.TotalBytes = 2.0 * double(data.size());
    zip.TotalBytesDone = double(data.size());   // a first entry already done
    const TDeflateResult r = Compress(data, 6, &zip);
    EXPECT_EQ(r.Crc, ZlibCrc(data));
    EXPECT_EQ(zip.EntryBytesDone, int64_t(data.size()));
    EXPECT_EQ(zip.TotalBytesDone, 2.0 * double(data.size()));
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
    TRecordingStream out;
    const int64_t size = DeflateInto(zip, PseudoText(300000, 72), out);
    EXPECT_EQ(size, out.GetSize());
    ASSERT_GT(out.Writes.size(), 2u);
    EXPECT_EQ(std::count(out.Writes.begin(), out.Writes.end() - 1, 1024), long(out.Writes.size() - 1));

    TRecordingStream stored;
    DeflateInto(zip, RandomBytes(50000, 73), stored);
    const TTrace t = TraceDeflate(stored.Bytes());
    ASSERT_EQ(t.Blocks[0].Type, 0);
    EXPECT_NE(std::find(stored.Writes.begin(), stored.Writes.end(), int64_t(t.Blocks[0].StoredLength)),
              stored.Writes.end());
}

TEST(DeflateHooks, MessagesArePumpedAfterEachWriteAndAnAbortStops)
{
    const Bytes data = PseudoText(100000, 74);
    TZipComponentBase zip;
    TRecordingZipHost host;
    TZipHostScope scope(host);
    int& pumps = host.Pumps;
    TRecordingStream out;
    DeflateInto(zip, data, out);
    EXPECT_EQ(pumps, int(out.Writes.size()));

    // The packer switches pumping off: no pump, and a pending abort is not looked at.
    pumps = 0;
    zip.DoProcessMessages = false;
    zip.AbortRequested = true;
    EXPECT_FALSE(Compress(data, 6, &zip).Out.empty());
    EXPECT_EQ(pumps, 0);
    EXPECT_TRUE(zip.AbortRequested);

    // An abort asked for during the third pump.
    zip.DoProcessMessages = true;
    zip.AbortRequested = false;
    pumps = 0;
    host.OnPump = [&] { zip.AbortRequested = pumps == 3; };
    TRecordingStream aborted;
    try {
        DeflateInto(zip, data, aborted);
        FAIL() << "no abort";
    } catch (const EUserCanceled& e) {
        EXPECT_EQ(e.Message(), "User Aborted Operation");
    }
    EXPECT_FALSE(zip.AbortRequested);
    EXPECT_EQ(aborted.Writes.size(), 3u);
}

TEST(DeflateHooks, EncryptedOutputDecryptsToTheSameStream)
{
    // Stored blocks followed by compressed ones that refer back to them: the stored bytes are
    // window bytes that later matches read, so they must be encrypted in a copy.
    const Bytes head = Concat({RandomBytes(40000, 75), PseudoText(30000, 76)});
    const Bytes data = Concat({head, Slice(head, 1000, 29000)});
    for (int level : {1, 6, 9}) {
        TZipComponentBase zip;
        zip.CryptInitKeys("secret");
        const TDeflateResult enc = Compress(data, level, &zip, true);
        const Bytes dec = Decrypt(enc.Out, "secret");
        EXPECT_EQ(dec, Compress(data, level).Out) << level;
        Bytes out;
        EXPECT_TRUE(ZlibInflateRaw(dec, data.size(), out) && out == data);
        EXPECT_EQ(enc.Crc, ZlibCrc(data));
    }
    // An entry stored whole is encrypted too.
    TZipComponentBase zip;
    zip.CryptInitKeys("pw");
    const TDeflateResult small = Compress({'a', 'b', 'c'}, 6, &zip, true);
    EXPECT_EQ(small.Method, 0);
    EXPECT_EQ(Decrypt(small.Out, "pw"), (Bytes{'a', 'b', 'c'}));
}

TEST(DeflateHooks, EntriesOf4GiBOrMoreAreRefused)
{
    // Known size: refused before anything is read or written.
    TZipComponentBase zip;
    PrepareEntry(zip, 0);
    TZeroStream huge;
    huge.Size = 10;
    TMemoryStream out;
    for (int64_t claimed : {0x100000000ll, 0xFFFFFFFFll}) {
        huge.ClaimedSize = claimed;
        EXPECT_THROW(DeflateEntry(zip, huge, out, 6, false), EZipError) << claimed;
        EXPECT_EQ(out.GetSize(), 0);
        EXPECT_EQ(huge.Position, 0);
    }

    // A stream that yields more than it claimed is stopped while reading (with a lowered limit).
    auto buffers = std::make_unique<TDeflateBuffers>();
    TDeflateFixedTables tables;
    TZeroStream growing;
    growing.Size = 300000;
    PrepareEntry(zip, 0);
    TDeflateEncoder encoder(zip, growing, out, 6, false, *buffers, tables);
    encoder.SetSizeLimitForTesting(200000);
    try {
        encoder.Deflate();
        FAIL() << "not refused";
    } catch (const EZipError& e) {
        EXPECT_NE(e.Message().find("4 GiB"), std::string::npos);
    }

    // The compressed size counts the encryption header: 995 random bytes are stored whole and
    // with the header exceed a limit of 1000.
    const Bytes random = RandomBytes(995, 77);
    TMemoryStream source(random), out2;
    PrepareEntry(zip, random.size());
    TDeflateEncoder encoder2(zip, source, out2, 6, true, *buffers, tables);
    encoder2.SetSizeLimitForTesting(1000);
    EXPECT_THROW(encoder2.Deflate(), EZipError);
}

TEST(DeflateHooks, AShortWriteIsAnError)
{
    TZipComponentBase zip;
    TRecordingStream out;
    out.Accept = 1500;
    EXPECT_THROW(DeflateInto(zip, PseudoText(100000, 78), out), EWriteError);
}

TEST(DeflateHooks, CheckMatchRejectsDifferingBytes)
{
    auto buffers = std::make_unique<TDeflateBuffers>();
    TDeflateFixedTables tables;
    TZipComponentBase zip;
    TMemoryStream source, out;
    TDeflateEncoder encoder(zip, source, out, 6, false, *buffers, tables);
    std::memcpy(buffers->Window, "abcdXabcdY", 10);
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
