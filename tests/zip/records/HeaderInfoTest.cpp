#include <gtest/gtest.h>
#include <zlib.h>

#include <memory>
#include <string>
#include <vector>

#include "RecordsTestSupport.h"
#include "platform/Stream.h"
#include "zip/EndCentral.h"
#include "zip/ZipComponentBase.h"
#include "zip/ZipExceptions.h"
#include "zip/ZipHeaderInfo.h"

namespace {

uint32_t CrcOf(const std::string& s)
{
    return static_cast<uint32_t>(crc32(0, reinterpret_cast<const Bytef*>(s.data()), static_cast<uInt>(s.size())));
}

// The fixed part of a local header as the application note lays it out.
TBytes LocalRecord(uint16_t flag, uint16_t method, uint32_t dosTime, uint32_t crc, uint32_t csize, uint32_t usize,
                   const std::string& name, uint16_t extra = 0)
{
    TBytes b;
    b.u32(0x04034B50).u16(20).u16(flag).u16(method).u32(dosTime).u32(crc).u32(csize).u32(usize);
    b.u16(static_cast<uint16_t>(name.size())).u16(extra).str(name);
    return b;
}

TBytes CentralRecord(const std::string& name, uint32_t offset, const std::string& extra = "",
                     const std::string& comment = "", uint16_t disk = 0)
{
    TBytes b;
    b.u32(0x02014B50).u16(0x031E).u16(20).u16(0).u16(8).u32(0x5A2B6C3D).u32(0xCAFEBABE).u32(123).u32(456);
    b.u16(static_cast<uint16_t>(name.size())).u16(static_cast<uint16_t>(extra.size()));
    b.u16(static_cast<uint16_t>(comment.size())).u16(disk).u16(1).u32(0x81A40000).u32(offset);
    b.str(name).str(extra).str(comment);
    return b;
}

// Reads a whole central directory the way the reader does.
std::vector<TZipHeaderInfo> ReadDirectory(TMemoryStream& archive, TEndCentral& end)
{
    std::vector<TZipHeaderInfo> entries;
    EXPECT_TRUE(end.FindInStream(archive));
    archive.SetPosition(end.CentralDirectoryOffset);
    TStream* stream = &archive;
    for (int i = 0; i < end.TotalEntries; ++i) {
        TZipHeaderInfo header;
        EXPECT_TRUE(header.ReadCentralHeader(stream)) << i;
        entries.push_back(header);
    }
    return entries;
}

}  // namespace

TEST(ZipHeaderInfo, DefaultsAndNameSetters)
{
    TZipHeaderInfo h;
    EXPECT_EQ(h.VersionMadeBy, 20);
    EXPECT_EQ(h.VersionNeededToExtract, 20);
    EXPECT_EQ(h.CompressionMethod, 8);
    EXPECT_EQ(h.Crc32, 0xFFFFFFFFu);
    EXPECT_EQ(h.InternalFileAttributes, 1);
    EXPECT_EQ(h.ExternalFileAttributes, 0x20u);
    EXPECT_FALSE(h.Selected);
    EXPECT_FALSE(h.HasComment());
    EXPECT_FALSE(h.HasCommentText());

    h.SetDirectory("dir");
    EXPECT_EQ(h.Directory(), "dir\\");
    h.SetDirectory("a\\b\\");
    h.SetFileName("c.txt");
    EXPECT_EQ(h.StoredName(), "a/b/c.txt");
    EXPECT_EQ(h.FileNameLength, 9);
    h.SetDirectory("");
    EXPECT_EQ(h.Directory(), "");
    EXPECT_EQ(h.FileNameLength, 5);

    h.SetFullName("c:x\\y.txt");
    EXPECT_EQ(h.Directory(), "c:x\\");
    EXPECT_EQ(h.FileName(), "y.txt");
    h.SetFullName("c:y.txt");
    EXPECT_EQ(h.Directory(), "c:");
    EXPECT_EQ(h.FileName(), "y.txt");

    const std::string comment = "note";
    h.SetComment(&comment);
    EXPECT_EQ(h.FileCommentLength, 4);
    EXPECT_EQ(h.FileComment(), "note");
    h.GeneralPurposeFlag = 9;
    EXPECT_TRUE(h.IsEncrypted());
    EXPECT_TRUE(h.HasDataDescriptor());
    h.Selected = true;
    TZipHeaderInfo copy(h);
    EXPECT_EQ(copy.FileComment(), "note");
    EXPECT_TRUE(copy.Selected);
    EXPECT_EQ(copy.StoredName(), "c:y.txt");

    h.SetComment(nullptr);
    EXPECT_EQ(h.FileCommentLength, 0);
    h.FileCommentLength = 7;   // length known, text never loaded
    copy = h;
    EXPECT_EQ(copy.FileCommentLength, 7);
    EXPECT_FALSE(copy.HasCommentText());
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
    EXPECT_EQ(ToString(s), "xyz" + LocalRecord(1, 0, 0x5A2B6C3D, 0x11223344, 1000, 2000, "a/b/c.txt").s);

    s.SetPosition(3);
    TZipHeaderInfo r;
    ASSERT_TRUE(r.ReadLocalHeader(s));
    EXPECT_EQ(s.GetPosition(), 3 + 30 + 9);
    EXPECT_EQ(r.Directory(), "a\\b\\");
    EXPECT_EQ(r.FileName(), "c.txt");
    EXPECT_EQ(r.FileNameLength, 9);
    EXPECT_EQ(r.VersionMadeBy, 0);
    EXPECT_EQ(r.InternalFileAttributes, 0);
    EXPECT_EQ(r.ExternalFileAttributes, 0u);
    EXPECT_EQ(r.HeaderPosition, 0u);
    EXPECT_EQ(r.RelativeOffsetOfLocalHeader, 3u);
    EXPECT_EQ(r.Crc32, 0x11223344u);
    EXPECT_EQ(r.CompressedSize, 1000u);
    EXPECT_EQ(r.UncompressedSize, 2000u);
    EXPECT_EQ(r.LastModFileTimeDate, 0x5A2B6C3Du);
    EXPECT_TRUE(r.IsEncrypted());
}

TEST(ZipHeaderInfo, LocalRecordLeavesStreamAtExtraField)
{
    TMemoryStream s(ToVector(LocalRecord(0, 8, 0, 1, 2, 3, "n", 4).str("EXTR").str("data").s));
    TZipHeaderInfo r;
    ASSERT_TRUE(r.ReadLocalHeader(s));
    EXPECT_EQ(r.ExtraFieldLength, 4);
    EXPECT_EQ(s.GetPosition(), 31);
}

TEST(ZipHeaderInfo, ShortOrForeignRecordsLeaveEverythingAlone)
{
    const std::string local = LocalRecord(0, 8, 0, 1, 2, 3, "name.txt").s;
    const std::string central = CentralRecord("name.txt", 0).s;
    const std::vector<std::string> bad = {
        "",
        local.substr(0, 29),                       // short fixed part
        local.substr(0, 35),                       // short name
        "PK\x05\x06" + local.substr(4),            // foreign signature
    };
    for (const std::string& bytes : bad) {
        TMemoryStream s(ToVector("##" + bytes));
        s.SetPosition(2);
        TZipHeaderInfo h;
        h.SetFileName("keep");
        EXPECT_FALSE(h.ReadLocalHeader(s)) << bytes.size();
        EXPECT_EQ(s.GetPosition(), 2);
        EXPECT_EQ(h.FileName(), "keep");
    }
    for (const std::string& bytes : {std::string(), central.substr(0, 45), central.substr(0, 50), local}) {
        TMemoryStream s(ToVector("##" + bytes));
        s.SetPosition(2);
        TStream* stream = &s;
        TZipHeaderInfo h;
        EXPECT_FALSE(h.ReadCentralHeader(stream)) << bytes.size();
        EXPECT_EQ(s.GetPosition(), 2);
        EXPECT_EQ(h.FileName(), "");
        EXPECT_EQ(h.RelativeOffsetOfLocalHeader, 0u);
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
    EXPECT_EQ(ToString(s), CentralRecord("a/b/c.txt", 77, "", "about c").s);

    // Another record behind, with an extra field, read back from the same stream.
    const std::string second = CentralRecord("d/e", 9, "XXXX", "comment!", 3).s;
    s.WriteBuffer(second.data(), static_cast<int64_t>(second.size()));
    s.SetPosition(0);
    TStream* stream = &s;
    TZipHeaderInfo r1, r2;
    ASSERT_TRUE(r1.ReadCentralHeader(stream));
    ASSERT_TRUE(r2.ReadCentralHeader(stream));
    EXPECT_EQ(s.GetPosition(), s.GetSize());
    EXPECT_EQ(r1.Directory(), "a\\b\\");
    EXPECT_EQ(r1.FileName(), "c.txt");
    EXPECT_EQ(r1.FileCommentLength, 7);
    EXPECT_FALSE(r1.HasCommentText()) << "the comment is not loaded";
    EXPECT_EQ(r1.HeaderPosition, 0u);
    EXPECT_EQ(r1.RelativeOffsetOfLocalHeader, 77u);
    EXPECT_EQ(r1.VersionMadeBy, 0x031E);
    EXPECT_EQ(r1.ExternalFileAttributes, 0x81A40000u);
    EXPECT_EQ(r1.InternalFileAttributes, 1);
    EXPECT_EQ(r2.HeaderPosition, 46u + 9 + 7);
    EXPECT_EQ(r2.Directory(), "d\\");
    EXPECT_EQ(r2.FileName(), "e");
    EXPECT_EQ(r2.ExtraFieldLength, 4);
    EXPECT_EQ(r2.FileCommentLength, 8);
    EXPECT_EQ(r2.DiskNumberStart, 3);
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
    EXPECT_EQ(s.Memory()[32], 0);
    EXPECT_EQ(s.Memory()[33], 0);
    s.SetPosition(0);
    TStream* stream = &s;
    TZipHeaderInfo r;
    ASSERT_TRUE(r.ReadCentralHeader(stream));
    EXPECT_EQ(r.FileName(), "f");
}

TEST(ZipHeaderInfo, CommentRunningPastTheEndIsCut)
{
    std::string record = CentralRecord("f", 0, "EXTRA", "0123456789").s;
    record.resize(record.size() - 6);   // four comment bytes remain
    TMemoryStream s(ToVector(record));
    TStream* stream = &s;
    TZipHeaderInfo r;
    ASSERT_TRUE(r.ReadCentralHeader(stream));
    EXPECT_EQ(r.ExtraFieldLength, 5);
    EXPECT_EQ(r.FileCommentLength, 4);
    EXPECT_EQ(s.GetPosition(), s.GetSize());

    std::string cutInExtra = CentralRecord("f", 0, "EXTRA", "0123456789").s.substr(0, 46 + 1 + 2);
    TMemoryStream t(ToVector(cutInExtra));
    stream = &t;
    ASSERT_TRUE(r.ReadCentralHeader(stream));
    EXPECT_EQ(r.ExtraFieldLength, 2);
    EXPECT_EQ(r.FileCommentLength, 0);
}

TEST(ZipHeaderInfo, CentralRecordContinuesOnTheNextVolume)
{
    const std::string record = CentralRecord("vol/x.bin", 5).s;
    TMemoryStream first(ToVector("....." + record.substr(0, 20)));
    TMemoryStream second(ToVector(record.substr(20)));
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
    EXPECT_EQ(r.Directory(), "vol\\");
    EXPECT_EQ(r.FileName(), "x.bin");
    EXPECT_EQ(r.HeaderPosition, 5u);
    EXPECT_EQ(r.RelativeOffsetOfLocalHeader, 5u);

    // The next volume may live at the very address of the one it replaced.
    TMemoryStream reused(ToVector(record.substr(0, 30)));
    stream = &reused;
    ASSERT_TRUE(r.ReadCentralHeader(stream, [&](TZipComponentBase*, TZipHeaderInfo*, TStream*& s) {
        reused.Bytes() = ToVector(record.substr(30));
        reused.SetPosition(0);
        s = &reused;
    }));
    EXPECT_EQ(r.FileName(), "x.bin");

    // No next volume: no record.
    TMemoryStream cut(ToVector(record.substr(0, 30)));
    stream = &cut;
    EXPECT_FALSE(r.ReadCentralHeader(stream, [&](TZipComponentBase*, TZipHeaderInfo*, TStream*& s) { s = nullptr; }));

    // Bytes that do not start a central record never ask for a volume.
    TMemoryStream foreign(ToVector("PK\x05\x06 not central"));
    stream = &foreign;
    EXPECT_FALSE(r.ReadCentralHeader(stream, [&](TZipComponentBase*, TZipHeaderInfo*, TStream*&) { ++calls; }));
    EXPECT_EQ(calls, 1);
}

TEST(ZipHeaderInfo, NamesUseCodePage437InTheArchive)
{
    TZipHeaderInfo h;
    h.SetDirectory("\xC3\x84rger");        // Ärger
    h.SetFileName("\xC3\xA9t\xC3\xA9.txt");  // été.txt
    const std::string stored = "\x8Erger/\x82t\x82.txt";
    EXPECT_EQ(h.StoredName(), stored);
    EXPECT_EQ(h.FileNameLength, stored.size()) << "the length counts the bytes stored";

    TMemoryStream s;
    h.WriteLocalHeader(s);
    EXPECT_EQ(ToString(s).substr(30), stored);
    EXPECT_EQ(s.Memory()[26], stored.size());
    s.SetPosition(0);
    TZipHeaderInfo r;
    ASSERT_TRUE(r.ReadLocalHeader(s));
    EXPECT_EQ(r.Directory(), "\xC3\x84rger\\");
    EXPECT_EQ(r.FileName(), "\xC3\xA9t\xC3\xA9.txt");

    // A character code page 437 lacks becomes '?', keeping the record consistent.
    h.SetFileName("\xE2\x82\xAC.txt");   // €.txt
    EXPECT_EQ(h.StoredName(), "\x8Erger/?.txt");
    EXPECT_EQ(h.FileNameLength, 11);
}

// A small archive written with our records, read by Python's zipfile: names, CRCs, data.
TEST(ZipHeaderInfo, RecordsWeWriteAreReadByPythonZipfile)
{
    TTempDir dir;
    const std::string data = "stored content\n";
    TMemoryStream archive;
    std::vector<TZipHeaderInfo> entries(2);
    entries[0].SetDirectory("\xC3\x84rger");
    entries[0].SetFileName("\xC3\xA9t\xC3\xA9.txt");
    entries[1].SetFileName("plain.txt");
    const std::string comment = "entry comment";
    entries[1].SetComment(&comment);
    for (auto& e : entries) {
        e.CompressionMethod = 0;
        e.Crc32 = CrcOf(data);
        e.CompressedSize = e.UncompressedSize = static_cast<uint32_t>(data.size());
        e.LastModFileTimeDate = (uint32_t(((2024 - 1980) << 9) | (5 << 5) | 17) << 16) | (10 << 11) | (30 << 5);
        e.WriteLocalHeader(archive);
        archive.WriteBuffer(data.data(), static_cast<int64_t>(data.size()));
    }
    TEndCentral end;
    end.CentralDirectoryOffset = static_cast<uint32_t>(archive.GetPosition());
    for (auto& e : entries)
        e.WriteCentralHeader(archive);
    end.CentralDirectorySize = static_cast<uint32_t>(archive.GetPosition()) - end.CentralDirectoryOffset;
    end.EntriesOnThisDisk = end.TotalEntries = 2;
    const std::string zipComment = "archive comment";
    end.SetComment(&zipComment);
    end.WriteEndCentral(archive);
    archive.SaveToFile(dir / "ours.zip");

    const std::string script =
        "import zipfile\n"
        "z = zipfile.ZipFile('ours.zip')\n"
        "assert z.testzip() is None\n"
        "out = open('names.txt', 'w', encoding='utf-8')\n"
        "for i in z.infolist():\n"
        "    out.write('%s|%s|%s|%s\\n' % (i.filename, i.comment.decode(), z.read(i).decode(), i.date_time))\n"
        "out.write(z.comment.decode())\n";
    WriteFileBytes(dir / "check.py", script);
    ASSERT_TRUE(RunIn(dir, "python3 check.py"));
    EXPECT_EQ(ReadFileBytes(dir / "names.txt"),
              "\xC3\x84rger/\xC3\xA9t\xC3\xA9.txt||stored content\n|(2024, 5, 17, 10, 30, 0)\n"
              "plain.txt|entry comment|stored content\n|(2024, 5, 17, 10, 30, 0)\n"
              "archive comment");
}

TEST(ZipHeaderInfo, ReadsArchivesMadeByInfoZip)
{
    TTempDir dir;
    const std::string top = "top level text\n";
    std::string inner;
    for (int i = 0; i < 500; ++i)
        inner += "line " + std::to_string(i) + "\n";
    const std::string deep(3000, '\x7F');
    WriteFileBytes(dir / "in/top.txt", top);
    WriteFileBytes(dir / "in/sub/inner.txt", inner);
    WriteFileBytes(dir / "in/sub/deeper/x.bin", deep);
    // Default options: Info-ZIP adds extra fields to both records.
    ASSERT_TRUE(RunIn(dir, "cd in && zip -q -r ../iz.zip top.txt sub && echo 'the archive comment' | zip -q -z ../iz.zip"));

    TMemoryStream archive;
    archive.LoadFromFile(dir / "iz.zip");
    TEndCentral end;
    const auto entries = ReadDirectory(archive, end);
    EXPECT_EQ(end.TotalEntries, 5);   // top.txt, sub/, sub/inner.txt, sub/deeper/, sub/deeper/x.bin
    EXPECT_EQ(end.ZipCommentLength, 19);   // zip -z drops the line end
    EXPECT_EQ(end.ZipCommentPosition, archive.GetSize() - 19);

    struct TExpect { std::string dir, name, data; };
    const std::vector<TExpect> files = {
        {"", "top.txt", top}, {"sub\\", "inner.txt", inner}, {"sub\\deeper\\", "x.bin", deep}};
    int found = 0;
    for (const auto& e : entries) {
        if (e.FileName().empty()) {
            EXPECT_TRUE(e.Directory() == "sub\\" || e.Directory() == "sub\\deeper\\") << e.Directory();
            continue;
        }
        for (const auto& f : files) {
            if (f.name != e.FileName())
                continue;
            ++found;
            EXPECT_EQ(e.Directory(), f.dir);
            EXPECT_EQ(e.UncompressedSize, f.data.size());
            EXPECT_EQ(e.Crc32, CrcOf(f.data));
            EXPECT_GT(e.ExtraFieldLength, 0);
            EXPECT_NE(e.VersionMadeBy, 0);
            archive.SetPosition(e.RelativeOffsetOfLocalHeader);
            TZipHeaderInfo local;
            ASSERT_TRUE(local.ReadLocalHeader(archive));
            EXPECT_EQ(local.Directory(), f.dir);
            EXPECT_EQ(local.FileName(), f.name);
            EXPECT_EQ(local.CompressedSize, e.CompressedSize);
            EXPECT_EQ(local.CompressionMethod, e.CompressionMethod);
        }
    }
    EXPECT_EQ(found, 3);
}

TEST(ZipHeaderInfo, ReadsArchivesMadeByPythonZipfile)
{
    TTempDir dir;
    const std::string script =
        "import zipfile\n"
        "with zipfile.ZipFile('py.zip', 'w') as z:\n"
        "    i = zipfile.ZipInfo('docs/read me.txt', (2001, 2, 3, 4, 5, 6))\n"
        "    i.comment = b'first entry'\n"
        "    i.compress_type = zipfile.ZIP_DEFLATED\n"
        "    z.writestr(i, 'hello ' * 100)\n"
        "    z.writestr(zipfile.ZipInfo('emptydir/'), '')\n"
        "    z.writestr('stored.bin', b'\\x00\\x01\\x02', compress_type=zipfile.ZIP_STORED)\n"
        "    z.comment = b'C' * 300\n";
    WriteFileBytes(dir / "make.py", script);
    ASSERT_TRUE(RunIn(dir, "python3 make.py"));
    TMemoryStream archive;
    archive.LoadFromFile(dir / "py.zip");
    TEndCentral end;
    const auto entries = ReadDirectory(archive, end);
    ASSERT_EQ(entries.size(), 3u);
    EXPECT_EQ(end.ZipCommentLength, 300);
    EXPECT_EQ(entries[0].Directory(), "docs\\");
    EXPECT_EQ(entries[0].FileName(), "read me.txt");
    EXPECT_EQ(entries[0].FileCommentLength, 11);
    EXPECT_EQ(entries[0].CompressionMethod, 8);
    EXPECT_EQ(entries[0].UncompressedSize, 600u);
    EXPECT_EQ(entries[0].LastModFileTimeDate >> 16, uint32_t(((2001 - 1980) << 9) | (2 << 5) | 3));
    EXPECT_EQ(entries[0].LastModFileTimeDate & 0xFFFF, uint32_t((4 << 11) | (5 << 5) | 3));
    EXPECT_EQ(entries[1].Directory(), "emptydir\\");
    EXPECT_EQ(entries[1].FileName(), "");
    EXPECT_EQ(entries[2].FileName(), "stored.bin");
    EXPECT_EQ(entries[2].CompressionMethod, 0);
    EXPECT_EQ(entries[2].Crc32, CrcOf(std::string("\x00\x01\x02", 3)));
    EXPECT_EQ(entries[1].HeaderPosition, entries[0].HeaderPosition + 46 + 16 + 11);
}

// The 12-byte header of traditional encryption, from archives made by Info-ZIP (which
// marks a data descriptor, so the check byte is the time's high byte) and 7-Zip (which
// checks against the CRC).
TEST(ZipHeaderInfo, DecryptsTraditionalEncryptionOfPeerArchives)
{
    TTempDir dir;
    std::string plain;
    for (int i = 0; i < 300; ++i)
        plain += static_cast<char>('a' + i % 26);
    WriteFileBytes(dir / "p.txt", plain);
    ASSERT_TRUE(RunIn(dir, "zip -q -0 -P secret iz.zip p.txt"));
    ASSERT_TRUE(RunIn(dir, "7z a -psecret -mem=ZipCrypto -mm=Copy sz.zip p.txt"));
    for (const char* name : {"iz.zip", "sz.zip"}) {
        TMemoryStream archive;
        archive.LoadFromFile(dir / name);
        TEndCentral end;
        const auto entries = ReadDirectory(archive, end);
        ASSERT_EQ(entries.size(), 1u) << name;
        TZipComponentBase component;
        component.CurrentHeader->Assign(entries[0]);
        const TZipHeaderInfo& h = *component.CurrentHeader;
        ASSERT_TRUE(h.IsEncrypted());
        archive.SetPosition(h.RelativeOffsetOfLocalHeader);
        TZipHeaderInfo local;
        ASSERT_TRUE(local.ReadLocalHeader(archive));
        archive.Seek(local.ExtraFieldLength, TSeekOrigin::soCurrent);
        const uint8_t expected = h.HasDataDescriptor() ? static_cast<uint8_t>(h.LastModFileTimeDate >> 8)
                                                       : static_cast<uint8_t>(h.Crc32 >> 24);
        EXPECT_EQ(component.CryptCheckHeader("secret", archive), expected) << name;
        EXPECT_EQ(h.CompressedSize, plain.size());
        std::vector<uint8_t> data(h.CompressedSize);
        archive.ReadBuffer(data.data(), static_cast<int64_t>(data.size()));
        component.CryptDecryptBuffer(data.data(), data.size());
        EXPECT_EQ(std::string(data.begin(), data.end()), plain) << name;
    }
}

TEST(ZipHeaderInfo, EncryptionHeaderOfADamagedRecordDoesNotWrap)
{
    TZipComponentBase component;
    component.CurrentHeader->CompressedSize = 5;
    TMemoryStream s(std::vector<uint8_t>(12, 0x55));
    component.CryptCheckHeader("pw", s);
    EXPECT_EQ(component.CurrentHeader->CompressedSize, 0u);
}

TEST(ZipHeaderInfo, OverlongNameRaises)
{
    TZipHeaderInfo h;
    h.SetFileName(std::string(70000, 'n'));
    TMemoryStream s;
    EXPECT_THROW(h.WriteLocalHeader(s), EZipError);
    EXPECT_THROW(h.WriteCentralHeader(s), EZipError);
    EXPECT_EQ(s.GetSize(), 0);
}
