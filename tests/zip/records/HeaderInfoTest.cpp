#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "platform/Stream.h"
#include "zip/ZipComponentBase.h"
#include "zip/ZipExceptions.h"
#include "zip/ZipHeaderInfo.h"
#include "zip/ZipTestSupport.h"

namespace {

TLe LocalRecord(uint16_t flag, uint16_t method, uint32_t dosTime, uint32_t crc, uint32_t csize, uint32_t usize,
                const std::string& name, uint16_t extra = 0)
{
    return TLe().u32(0x04034B50).u16(20).u16(flag).u16(method).u32(dosTime).u32(crc).u32(csize).u32(usize)
        .u16(uint16_t(name.size())).u16(extra).str(name);
}

TLe CentralRecord(const std::string& name, uint32_t offset, const std::string& extra = "",
                  const std::string& comment = "", uint16_t disk = 0)
{
    return TLe().u32(0x02014B50).u16(0x031E).u16(20).u16(0).u16(8).u32(0x5A2B6C3D).u32(0xCAFEBABE).u32(123).u32(456)
        .u16(uint16_t(name.size())).u16(uint16_t(extra.size())).u16(uint16_t(comment.size())).u16(disk).u16(1)
        .u32(0x81A40000).u32(offset).str(name).str(extra).str(comment);
}

// Every field of a record on one line, so that a read-back is one comparison.
std::string Fields(const TZipHeaderInfo& h)
{
    char buf[512];
    std::snprintf(buf, sizeof buf, "%s|%s|name %u extra %u comment %u|made %X need %u flag %u method %u|%08X %08X %u/%u|"
                  "disk %u int %u ext %08X local %u central %u",
                  h.Directory().c_str(), h.FileName().c_str(), h.FileNameLength, h.ExtraFieldLength, h.FileCommentLength,
                  h.VersionMadeBy, h.VersionNeededToExtract, h.GeneralPurposeFlag, h.CompressionMethod,
                  h.LastModFileTimeDate, h.Crc32, h.CompressedSize, h.UncompressedSize, h.DiskNumberStart,
                  h.InternalFileAttributes, h.ExternalFileAttributes, h.RelativeOffsetOfLocalHeader, h.HeaderPosition);
    return buf;
}

bool ReadCentral(TStream* stream, TZipHeaderInfo& h) { return h.ReadCentralHeader(stream); }

}  // namespace

TEST(ZipHeaderInfo, NameSettersAndCopies)
{
    TZipHeaderInfo h;
    h.SetDirectory("dir");
    EXPECT_EQ(h.Directory(), "dir\\");
    h.SetDirectory("a\\b\\");
    h.SetFileName("c.txt");
    EXPECT_EQ(h.StoredName(), "a/b/c.txt");
    EXPECT_EQ(h.FileNameLength, 9);
    for (auto [full, split] : {std::pair{"c:x\\y.txt", "c:x\\|y.txt"}, {"c:y.txt", "c:|y.txt"}}) {
        h.SetFullName(full);
        EXPECT_EQ(h.Directory() + "|" + h.FileName(), split);
    }
    const std::string comment = "note";
    h.SetComment(&comment);
    EXPECT_EQ(TZipHeaderInfo(h).FileComment(), "note");
    h.SetComment(nullptr);
    h.FileCommentLength = 7;   // length known, text never loaded
    EXPECT_EQ(Fields(TZipHeaderInfo(h)), Fields(h));
    EXPECT_FALSE(TZipHeaderInfo(h).HasCommentText());
}

TEST(ZipHeaderInfo, LocalRecordLayoutAndReadBack)
{
    TZipHeaderInfo h;
    h.SetDirectory("a\\b\\");
    h.SetFileName("c.txt");
    h.GeneralPurposeFlag = 1;
    h.CompressionMethod = 0;
    h.LastModFileTimeDate = 0x5A2B6C3D;
    h.Crc32 = 0x11223344;
    h.CompressedSize = 1000;
    h.UncompressedSize = 2000;
    TMemoryStream s;
    s.WriteBuffer("xyz", 3);
    h.WriteLocalHeader(s);
    EXPECT_EQ(h.RelativeOffsetOfLocalHeader, 3u);
    EXPECT_EQ(s.Bytes(), TLe().str("xyz").raw(LocalRecord(1, 0, 0x5A2B6C3D, 0x11223344, 1000, 2000, "a/b/c.txt").b).b);

    s.SetPosition(3);
    TZipHeaderInfo r;
    ASSERT_TRUE(r.ReadLocalHeader(s));
    EXPECT_EQ(s.GetPosition(), 3 + 30 + 9);
    EXPECT_EQ(Fields(r), "a\\b\\|c.txt|name 9 extra 0 comment 0|made 0 need 20 flag 1 method 0|5A2B6C3D 11223344 "
                         "1000/2000|disk 0 int 0 ext 00000000 local 3 central 0");

    // The stream is left at the extra field.
    TMemoryStream e(LocalRecord(0, 8, 0, 1, 2, 3, "n", 4).str("EXTRdata").b);
    ASSERT_TRUE(r.ReadLocalHeader(e));
    EXPECT_EQ(r.ExtraFieldLength, 4);
    EXPECT_EQ(e.GetPosition(), 31);
}

TEST(ZipHeaderInfo, ShortOrForeignRecordsLeaveEverythingAlone)
{
    const Bytes local = LocalRecord(0, 8, 0, 1, 2, 3, "name.txt").b;
    const Bytes central = CentralRecord("name.txt", 0).b;
    Bytes foreign = local;
    foreign[2] = 5;
    foreign[3] = 6;
    // Empty, short fixed part, short name, foreign signature.
    for (const Bytes& bytes : {Bytes(), Slice(local, 0, 29), Slice(local, 0, 35), foreign}) {
        TMemoryStream s(Concat({ToBytes("##"), bytes}));
        s.SetPosition(2);
        TZipHeaderInfo h;
        h.SetFileName("keep");
        EXPECT_FALSE(h.ReadLocalHeader(s)) << bytes.size();
        EXPECT_EQ(s.GetPosition(), 2);
        EXPECT_EQ(h.FileName(), "keep");
    }
    for (const Bytes& bytes : {Bytes(), Slice(central, 0, 45), Slice(central, 0, 50), local}) {
        TMemoryStream s(Concat({ToBytes("##"), bytes}));
        s.SetPosition(2);
        TZipHeaderInfo h;
        EXPECT_FALSE(ReadCentral(&s, h)) << bytes.size();
        EXPECT_EQ(s.GetPosition(), 2);
        EXPECT_EQ(Fields(h), Fields(TZipHeaderInfo()));
    }
}

TEST(ZipHeaderInfo, CentralRecordLayoutAndReadBack)
{
    TZipHeaderInfo h;
    h.VersionMadeBy = 0x031E;
    h.SetDirectory("a\\b");
    h.SetFileName("c.txt");
    h.LastModFileTimeDate = 0x5A2B6C3D;
    h.Crc32 = 0xCAFEBABE;
    h.CompressedSize = 123;
    h.UncompressedSize = 456;
    h.ExternalFileAttributes = 0x81A40000;
    h.RelativeOffsetOfLocalHeader = 77;
    const std::string comment = "about c";
    h.SetComment(&comment);
    TMemoryStream s;
    h.WriteCentralHeader(s);
    EXPECT_EQ(s.Bytes(), CentralRecord("a/b/c.txt", 77, "", "about c").b);

    // A second record with an extra field, read back from the same stream.
    const Bytes second = CentralRecord("d/e", 9, "XXXX", "comment!", 3).b;
    s.WriteBuffer(second.data(), int64_t(second.size()));
    s.SetPosition(0);
    TStream* stream = &s;
    TZipHeaderInfo r1, r2;
    ASSERT_TRUE(r1.ReadCentralHeader(stream));
    ASSERT_TRUE(r2.ReadCentralHeader(stream));
    EXPECT_EQ(s.GetPosition(), s.GetSize());
    EXPECT_FALSE(r1.HasCommentText()) << "the comment is not loaded";
    EXPECT_EQ(Fields(r1), "a\\b\\|c.txt|name 9 extra 0 comment 7|made 31E need 20 flag 0 method 8|5A2B6C3D CAFEBABE "
                          "123/456|disk 0 int 1 ext 81A40000 local 77 central 0");
    EXPECT_EQ(Fields(r2), "d\\|e|name 3 extra 4 comment 8|made 31E need 20 flag 0 method 8|5A2B6C3D CAFEBABE "
                          "123/456|disk 3 int 1 ext 81A40000 local 9 central 62");
}

// Rewriting a record whose comment was never loaded must not claim bytes it does not write.
TEST(ZipHeaderInfo, UnloadedCommentIsWrittenAsNone)
{
    TZipHeaderInfo h;
    h.SetFileName("f");
    h.FileCommentLength = 12;
    TMemoryStream s;
    h.WriteCentralHeader(s);
    ASSERT_EQ(s.GetSize(), 47);
    EXPECT_EQ(GetLe(s.Bytes(), 32, 2), 0u);
    s.SetPosition(0);
    TZipHeaderInfo r;
    ASSERT_TRUE(ReadCentral(&s, r));
    EXPECT_EQ(r.FileName(), "f");
}

TEST(ZipHeaderInfo, CommentRunningPastTheEndIsCut)
{
    const Bytes record = CentralRecord("f", 0, "EXTRA", "0123456789").b;
    TMemoryStream s(Slice(record, 0, record.size() - 6));   // four comment bytes remain
    TZipHeaderInfo r;
    ASSERT_TRUE(ReadCentral(&s, r));
    EXPECT_EQ(r.ExtraFieldLength, 5);
    EXPECT_EQ(r.FileCommentLength, 4);
    EXPECT_EQ(s.GetPosition(), s.GetSize());

    TMemoryStream t(Slice(record, 0, 46 + 1 + 2));   // cut inside the extra field
    ASSERT_TRUE(ReadCentral(&t, r));
    EXPECT_EQ(r.ExtraFieldLength, 2);
    EXPECT_EQ(r.FileCommentLength, 0);
}

TEST(ZipHeaderInfo, CentralRecordContinuesOnTheNextVolume)
{
    const Bytes record = CentralRecord("vol/x.bin", 5).b;
    TMemoryStream first(Concat({ToBytes("....."), Slice(record, 0, 20)}));
    TMemoryStream second(Slice(record, 20, record.size() - 20));
    first.SetPosition(5);
    TStream* stream = &first;
    int calls = 0;
    TZipHeaderInfo r;
    ASSERT_TRUE(r.ReadCentralHeader(stream, [&](TZipComponentBase*, TZipHeaderInfo*, TStream*& s) {
        ++calls;
        s = &second;
    }));
    EXPECT_EQ(calls, 1);
    EXPECT_EQ(stream, &second);
    EXPECT_EQ(r.Directory() + r.FileName(), "vol\\x.bin");
    EXPECT_EQ(r.HeaderPosition, 5u);
    EXPECT_EQ(r.RelativeOffsetOfLocalHeader, 5u);

    // The next volume may live at the very address of the one it replaced.
    TMemoryStream reused(Slice(record, 0, 30));
    stream = &reused;
    ASSERT_TRUE(r.ReadCentralHeader(stream, [&](TZipComponentBase*, TZipHeaderInfo*, TStream*& s) {
        reused.Bytes() = Slice(record, 30, record.size() - 30);
        reused.SetPosition(0);
        s = &reused;
    }));
    EXPECT_EQ(r.FileName(), "x.bin");

    // No next volume: no record. Bytes that do not start a central record never ask for one.
    for (const Bytes& bytes : {Slice(record, 0, 30), ToBytes("PK\x05\x06 not central")}) {
        TMemoryStream cut(bytes);
        stream = &cut;
        EXPECT_FALSE(r.ReadCentralHeader(stream, [&](TZipComponentBase*, TZipHeaderInfo*, TStream*& s) { s = nullptr, ++calls; }));
    }
    EXPECT_EQ(calls, 2);
}

// Code page 437 for names it holds, else UTF-8 with bit 11; entries of a Unix host always
// keep UTF-8, as the peers read their names as the file system's bytes.
TEST(ZipHeaderInfo, NamesInCodePage437OrFlaggedUtf8)
{
    struct TCase {
        uint8_t host;
        std::string directory, file, stored;
        bool utf8;
    };
    const TCase cases[] = {
        {0, "\xC3\x84rger", "\xC3\xA9t\xC3\xA9.txt", "\x8Erger/\x82t\x82.txt", false},      // Ärger\été.txt
        {0, "", "\xE6\x97\xA5\xE6\x9C\xAC.txt", "\xE6\x97\xA5\xE6\x9C\xAC.txt", true},          // 日本.txt
        {0, "\xC3\x84rger", "\xE2\x82\xAC.txt", "\xC3\x84rger/\xE2\x82\xAC.txt", true},          // Ärger\€.txt
        {0, "a\\b", "plain?.txt", "a/b/plain?.txt", false},
        {UnixHost, "", "\xC3\xA9t\xC3\xA9.txt", "\xC3\xA9t\xC3\xA9.txt", true},
    };
    for (const TCase& c : cases) {
        TZipHeaderInfo h;
        h.VersionMadeBy = uint16_t(c.host << 8 | 20);
        h.GeneralPurposeFlag = c.utf8 ? 0 : Utf8NameFlag;   // the writer sets or clears it
        h.SetDirectory(c.directory);
        h.SetFileName(c.file);
        TMemoryStream s;
        h.WriteLocalHeader(s);
        h.WriteCentralHeader(s);
        const size_t central = LocalHeaderSize + c.stored.size();
        EXPECT_EQ(Slice(s.Bytes(), 26, 4 + c.stored.size()), TLe().u16(uint16_t(c.stored.size())).u16(0).str(c.stored).b)
            << c.stored;
        EXPECT_EQ(GetLe(s.Bytes(), 6, 2), c.utf8 ? Utf8NameFlag : 0u) << c.stored;
        EXPECT_EQ(GetLe(s.Bytes(), central + 8, 2), c.utf8 ? Utf8NameFlag : 0u) << c.stored;
        s.SetPosition(0);
        TZipHeaderInfo local, fromCentral;
        ASSERT_TRUE(local.ReadLocalHeader(s));
        s.SetPosition(int64_t(central));
        TStream* stream = &s;
        ASSERT_TRUE(fromCentral.ReadCentralHeader(stream));
        for (const TZipHeaderInfo* r : {&local, &fromCentral})
            EXPECT_EQ(r->Directory() + "|" + r->FileName(), (c.directory.empty() ? "" : c.directory + "\\") + "|" + c.file);
    }
    // Read: bit 11 or a Unix host with valid UTF-8 means UTF-8; anything else is code page 437.
    EXPECT_EQ(ZipNameToMemory("\xC3\xA9", true), "\xC3\xA9");
    EXPECT_EQ(ZipNameToMemory("\xC3\xA9", false, UnixHost), "\xC3\xA9");
    EXPECT_EQ(ZipNameToMemory("\xC3\xA9", false), "\xE2\x94\x9C\xE2\x8C\x90");   // ├⌐
    EXPECT_EQ(ZipNameToMemory("\x82", true), "\xC3\xA9");                      // not UTF-8 after all
}

TEST(ZipHeaderInfo, DamagedRecordsAreRefusedOrClamped)
{
    // An encryption header longer than the entry's data does not wrap the size.
    TZipComponentBase component;
    component.CurrentHeader->CompressedSize = 5;
    TMemoryStream s(Bytes(12, 0x55));
    component.CryptCheckHeader("pw", s);
    EXPECT_EQ(component.CurrentHeader->CompressedSize, 0u);

    // A name longer than a record can hold raises before anything is written.
    TZipHeaderInfo h;
    h.SetFileName(std::string(70000, 'n'));
    TMemoryStream out;
    EXPECT_THROW(h.WriteLocalHeader(out), EZipError);
    EXPECT_THROW(h.WriteCentralHeader(out), EZipError);
    EXPECT_EQ(out.GetSize(), 0);
}
