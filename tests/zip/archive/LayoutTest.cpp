// Archives laid out as peers leave them: behind a stub, streamed with data descriptors,
// descriptors without their signature.
#include <gtest/gtest.h>

#include <filesystem>
#include <map>

#include "zip/SuperZip.h"
#include "zip/ZipExceptions.h"
#include "zip/ZipTestSupport.h"

namespace fs = std::filesystem;

namespace {

using TFiles = std::map<std::string, Bytes>;

// A shell script of 27 bytes, as put in front of self-extracting archives.
const std::string Stub = "#!/bin/sh\necho stub\nexit 0\n";

// Streamed by Python's zipfile into a pipe: sizes and CRC only in data descriptors.
const std::string PythonStreamed = "python3 -c \"import zipfile,sys\n"
                                   "z=zipfile.ZipFile(sys.stdout.buffer,'w',int(sys.argv[1]))\n"
                                   "for n in ['first.txt','second.txt']: z.write(n)\n"
                                   "z.close()\" ";

// Every entry extracted to dest, as files.
TFiles ExtractAll(const std::string& archive, const std::string& dest, int& count,
                  TIncompleteZipMode mode = TIncompleteZipMode::izAssumeMulti, const std::string& password = "")
{
    fs::remove_all(dest);
    TSuperUnZip z;
    z.SetZipName(archive);
    z.IncompleteZipMode = mode;
    z.Password = password;
    z.SetDestDir(dest);
    z.DoAll = true;
    z.RecreateDirs = true;
    z.OpenZip();
    count = z.ExtractMatching();
    TFiles files;
    for (const auto& e : fs::recursive_directory_iterator(dest))
        if (e.is_regular_file())
            files[fs::relative(e.path(), dest).string()] = ReadFileBytes(e.path().string());
    return files;
}

// Four bytes that, put after data, give the whole the CRC-32 target (the table run backwards).
Bytes CrcForcingSuffix(const Bytes& data, uint32_t target)
{
    const uint32_t* table = Crc32Table();
    uint32_t want = ~target;
    for (int i = 0; i < 4; ++i) {
        uint32_t k = 0;
        while (table[k] >> 24 != want >> 24)
            ++k;
        want = ((want ^ table[k]) << 8) | k;
    }
    const uint32_t bytes = want ^ ~ZlibCrc(data);
    return {uint8_t(bytes), uint8_t(bytes >> 8), uint8_t(bytes >> 16), uint8_t(bytes >> 24)};
}

// Two entries, the first with flag bit 3 and a descriptor after its data, with or without its
// signature.
Bytes DescriptorArchive(const Bytes& first, uint16_t method, bool withSignature, const Bytes& second)
{
    const Bytes packed = method == 8 ? RawDeflate(first) : first;
    const uint32_t crc = ZlibCrc(first);
    TLe a, central;
    a.u32(0x04034B50).u16(20).u16(8).u16(method).u32(0x5A210000).u32(0).u32(0).u32(0).u16(9).u16(0).str("first.bin");
    a.raw(packed);
    if (withSignature)
        a.u32(0x08074B50);
    a.u32(crc).u32(uint32_t(packed.size())).u32(uint32_t(first.size()));
    central.u32(0x02014B50).u16(20).u16(20).u16(8).u16(method).u32(0x5A210000).u32(crc).u32(uint32_t(packed.size()))
        .u32(uint32_t(first.size())).u16(9).u16(0).u16(0).u16(0).u16(0).u32(0x20).u32(0).str("first.bin");
    const uint32_t secondAt = uint32_t(a.b.size());
    a.u32(0x04034B50).u16(20).u16(0).u16(0).u32(0x5A210000).u32(ZlibCrc(second)).u32(uint32_t(second.size()))
        .u32(uint32_t(second.size())).u16(10).u16(0).str("second.txt").raw(second);
    central.u32(0x02014B50).u16(20).u16(20).u16(0).u16(0).u32(0x5A210000).u32(ZlibCrc(second)).u32(uint32_t(second.size()))
        .u32(uint32_t(second.size())).u16(10).u16(0).u16(0).u16(0).u16(0).u32(0x20).u32(secondAt).str("second.txt");
    const uint32_t centralAt = uint32_t(a.b.size());
    a.raw(central.b).u32(0x06054B50).u16(0).u16(0).u16(2).u16(2).u32(uint32_t(central.b.size())).u32(centralAt).u16(0);
    return a.b;
}

}  // namespace

TEST(Layout, ArchivesBehindAStubAreReadThroughTheirDirectory)
{
    REQUIRE_TOOLS("python3", "zip", "unzip");
    TTempDir dir;
    const TFiles files = {{"first.txt", PseudoText(3000, 1)}, {"second.txt", PseudoText(2000, 2)}};
    for (const auto& [name, data] : files)
        WriteFileBytes(dir / ("src/" + name), data);
    WriteFileBytes(dir / "src/Gr\xC3\xBC\xC3\x9F" "e.txt", ToBytes("utf-8 name"));
    WriteFileBytes(dir / "stub.sh", ToBytes(Stub));
    TFiles withName = files;
    withName["Gr\xC3\xBC\xC3\x9F" "e.txt"] = ToBytes("utf-8 name");
    const struct {
        std::string command;
        TFiles expected;
    } rows[] = {
        {PythonStreamed + "0 | cat", files},
        {PythonStreamed + "8 | cat", files},
        {"zip -q - first.txt second.txt Gr*.txt | cat", withName},
    };
    for (const auto& r : rows) {
        const std::string archive = dir / "stubbed.zip";
        ASSERT_EQ(RunCommand("cd " + Quote(dir / "src") + " && (cat ../stub.sh; " + r.command + ") > " + Quote(archive)), 0);
        std::string report;
        RunCommand("unzip -tq " + Quote(archive) + " 2>&1", &report);
        EXPECT_NE(report.find("27 extra bytes at beginning"), std::string::npos) << r.command << report;
        int count = 0;
        EXPECT_EQ(ExtractAll(archive, dir / "out", count), r.expected) << r.command;
        EXPECT_EQ(count, int(r.expected.size())) << r.command;
    }
}

TEST(Layout, ARebuiltDirectoryEndsDescriptorEntriesAtTheirDescriptors)
{
    REQUIRE_TOOLS("python3", "zip");
    TTempDir dir;
    const TFiles files = {{"first.txt", PseudoText(3000, 1)}, {"second.txt", PseudoText(2000, 2)}};
    for (const auto& [name, data] : files)
        WriteFileBytes(dir / ("src/" + name), data);
    const std::pair<std::string, std::string> rows[] = {
        {PythonStreamed + "0", ""}, {PythonStreamed + "8", ""}, {"zip -q0 -P pw - first.txt second.txt", "pw"}};
    for (const auto& [command, password] : rows) {
        ASSERT_EQ(RunCommand("cd " + Quote(dir / "src") + " && " + command + " | cat > ../s.zip"), 0);
        Bytes streamed = ReadFileBytes(dir / "s.zip");
        // Without its directory and end record, the archive is known by its local headers only.
        const Bytes directory = {'P', 'K', 1, 2};
        streamed.resize(size_t(std::search(streamed.begin(), streamed.end(), directory.begin(), directory.end()) - streamed.begin()));
        WriteFileBytes(dir / "cut.zip", streamed);
        int count = 0;
        const auto extract = [&] { return ExtractAll(dir / "cut.zip", dir / "out", count, TIncompleteZipMode::izAssumeBad, password); };
        EXPECT_EQ(extract(), files) << command;
        EXPECT_EQ(count, 2) << command;

        // A descriptor that names no size its data have: refused, nothing taken for the entry.
        const Bytes signature = {'P', 'K', 7, 8};
        const size_t at = size_t(std::search(streamed.begin(), streamed.end(), signature.begin(), signature.end()) - streamed.begin());
        streamed.at(at + 8) ^= 0x40;
        WriteFileBytes(dir / "cut.zip", streamed);
        EXPECT_EQ(MessageOfThrown<EFatalUnzipError>(extract), "Damaged archive: the end of first.txt cannot be found") << command;
    }
}

// A stored entry whose data hold, every 16 bytes, a descriptor that fits but for its CRC (one
// off), each followed by a local header's signature: only the real descriptor at the end fits.
TEST(Layout, DescriptorsThatFitButForTheirCrc)
{
    TTempDir dir;
    TLe a;
    a.u32(0x04034B50).u16(20).u16(8).u16(0).u32(0x5A210000).u32(0).u32(0).u32(0).u16(7).u16(0).str("big.bin");
    const size_t dataStart = a.b.size();
    for (uint32_t at = 0; at < 65536; at += 16)
        a.u32(ZlibCrc(Slice(a.b, dataStart, at)) ^ 1u).u32(at).u32(at).u32(0x04034B50);
    const Bytes data = Slice(a.b, dataStart, a.b.size() - dataStart);
    a.u32(0x08074B50).u32(ZlibCrc(data)).u32(uint32_t(data.size())).u32(uint32_t(data.size()));
    WriteFileBytes(dir / "crafted.zip", a.b);
    int count = 0;
    EXPECT_EQ(ExtractAll(dir / "crafted.zip", dir / "out", count, TIncompleteZipMode::izAssumeBad), (TFiles{{"big.bin", data}}));
    EXPECT_EQ(count, 1);
}

// Rows: stored and deflated without the signature, stored with it; last, an ordinary CRC.
TEST(Layout, ADescriptorWhoseCrcLooksLikeItsSignature)
{
    REQUIRE_TOOLS("unzip");
    TTempDir dir;
    Bytes first = PseudoText(1000, 3);
    const Bytes suffix = CrcForcingSuffix(first, 0x08074B50u);
    first.insert(first.end(), suffix.begin(), suffix.end());
    ASSERT_EQ(ZlibCrc(first), 0x08074B50u);
    const Bytes second = ToBytes("the entry after it");
    WriteFileBytes(dir / "added.txt", ToBytes("added"));
    const Bytes plain = PseudoText(1000, 3);
    for (const int row : {0, 1, 2, 3}) {
        const uint16_t method = row == 1 ? 8 : 0;
        const std::string archive = dir / ("d" + std::to_string(row) + ".zip");
        WriteFileBytes(archive, DescriptorArchive(row == 3 ? plain : first, method, row == 2, second));
        EXPECT_EQ(RunCommand("unzip -tq " + Quote(archive) + " >/dev/null 2>&1"), 0) << "the peer takes it as honest";
        int count = 0;
        EXPECT_EQ(ExtractAll(archive, dir / "out", count), (TFiles{{"first.bin", row == 3 ? plain : first}, {"second.txt", second}}))
            << row;
        EXPECT_EQ(count, 2);
        // An update copies the descriptor at its own length.
        TSuperZip zip;
        zip.SetZipName(archive);
        zip.FilesList.Add(dir / "added.txt");
        EXPECT_EQ(zip.Zip(), 1);
        EXPECT_EQ(RunCommand("unzip -tq " + Quote(archive) + " >/dev/null 2>&1"), 0) << row;
        EXPECT_EQ(ExtractAll(archive, dir / "out", count).size(), 3u) << row;
    }
}

// An update keeps what stands in front of the archive and moves every offset past it, so that
// the script still runs and the peers read the whole archive without a warning.
TEST(Layout, AnUpdateKeepsTheStubInFront)
{
    REQUIRE_TOOLS("python3", "zip", "unzip", "7z");
    TTempDir dir;
    WriteFileBytes(dir / "stub.sh", ToBytes(Stub));
    WriteFileBytes(dir / "src/first.txt", PseudoText(3000, 1));
    WriteFileBytes(dir / "added.txt", ToBytes("added by the update"));
    const std::string archive = dir / "s.zip";
    const std::string catStub = "zip -q ../plain.zip first.txt && cat ../stub.sh ../plain.zip > ../s.zip";
    const std::pair<std::string, bool> rows[] = {
        // Offsets from the archive's own start, from the file's start, and as Python appends;
        // last, a directory of a wrong size: it is rebuilt from the local headers.
        {catStub, false},
        {catStub + " && zip -qA ../s.zip", false},
        {"cp ../stub.sh ../s.zip && python3 -c \"import zipfile\nwith zipfile.ZipFile('../s.zip','a') as z: z.write('first.txt')\"", false},
        {catStub, true},
    };
    for (const auto& [command, damaged] : rows) {
        fs::remove_all(dir / "plain.zip");
        ASSERT_EQ(RunCommand("cd " + Quote(dir / "src") + " && (" + command + ")"), 0) << command;
        if (damaged) {
            Bytes bytes = ReadFileBytes(archive);
            bytes[bytes.size() - 22 + 12] ^= 0x10;
            WriteFileBytes(archive, bytes);
        }
        TSuperZip zip;
        zip.SetZipName(archive);
        zip.FilesList.Add(dir / "added.txt");
        EXPECT_EQ(zip.Zip(), 1) << command;

        const Bytes bytes = ReadFileBytes(archive);
        EXPECT_EQ(Bytes(bytes.begin(), bytes.begin() + long(std::min(bytes.size(), Stub.size()))), ToBytes(Stub)) << command;
        // The stub alone stands in front: the old archive's entries are not in the new one twice.
        const Bytes local = {'P', 'K', 3, 4};
        int headers = 0;
        for (auto at = bytes.begin(); (at = std::search(at, bytes.end(), local.begin(), local.end())) != bytes.end(); ++at)
            ++headers;
        EXPECT_EQ(headers, 2) << command;
        std::string said;
        EXPECT_EQ(RunCommand("sh " + Quote(archive), &said), 0) << command;
        EXPECT_EQ(said, "stub\n") << command;
        EXPECT_EQ(RunCommand("unzip -tq " + Quote(archive) + " 2>&1", &said), 0) << command << said;
        EXPECT_EQ(said.find("extra bytes"), std::string::npos) << command << said;
        EXPECT_EQ(RunCommand("7z t " + Quote(archive) + " >/dev/null 2>&1"), 0) << command;
        EXPECT_EQ(RunCommand("python3 -c \"import zipfile,sys\nz=zipfile.ZipFile(sys.argv[1])\n"
                             "assert z.testzip() is None and len(z.namelist())==2\" " + Quote(archive)), 0) << command;
        int count = 0;
        const TFiles files = ExtractAll(archive, dir / "out", count);
        EXPECT_EQ(count, 2) << command;
        EXPECT_EQ(files.size(), 2u) << command;
        EXPECT_EQ(files.count("first.txt"), 1u) << command;
    }

    // Nothing of an archive at all, taken as a damaged one: all of it stands in front.
    WriteFileBytes(archive, ToBytes(Stub));
    TSuperZip zip;
    zip.IncompleteZipMode = TIncompleteZipMode::izAssumeBad;
    zip.SetZipName(archive);
    zip.FilesList.Add(dir / "added.txt");
    EXPECT_EQ(zip.Zip(), 1);
    EXPECT_EQ(RunCommand("unzip -tq " + Quote(archive) + " >/dev/null 2>&1"), 0);
    const Bytes bytes = ReadFileBytes(archive);
    EXPECT_EQ(Bytes(bytes.begin(), bytes.begin() + long(Stub.size())), ToBytes(Stub));
}

// An empty archive keeps only what stands before its end record; an end record that counts
// entries of which nothing is left is a damaged archive, not a stub: the update is refused.
TEST(Layout, AnUpdateOfAnEmptyArchiveKeepsOnlyItsStub)
{
    REQUIRE_TOOLS("python3", "unzip", "7z");
    TTempDir dir;
    WriteFileBytes(dir / "added.txt", ToBytes("added"));
    ASSERT_EQ(RunCommand("python3 -c \"import zipfile,sys\nzipfile.ZipFile(sys.argv[1],'w').close()\" " +
                         Quote(dir / "empty.zip")), 0);
    const Bytes empty = ReadFileBytes(dir / "empty.zip");
    TLe lost;   // one central record whose entry is gone
    lost.u32(0x02014B50).u16(20).u16(20).u16(0).u16(0).u32(0x5A210000).u32(0).u32(5).u32(5).u16(5).u16(0).u16(0)
        .u16(0).u16(0).u32(0).u32(0).str("a.txt");
    lost.u32(0x06054B50).u16(0).u16(0).u16(1).u16(1).u32(51).u32(0).u16(0);
    const Bytes end = {'P', 'K', 5, 6};
    const struct {
        Bytes front, archive;
        bool refused;
    } rows[] = {{{}, empty, false}, {ToBytes(Stub), empty, false}, {ToBytes(Stub), lost.b, true}};
    for (const auto& r : rows) {
        const std::string archive = dir / "u.zip";
        const Bytes old = Concat({r.front, r.archive});
        WriteFileBytes(archive, old);
        TSuperZip zip;
        zip.SetZipName(archive);
        zip.FilesList.Add(dir / "added.txt");
        if (r.refused) {
            EXPECT_THROW(zip.Zip(), EZipError);
            EXPECT_EQ(ReadFileBytes(archive), old);
            continue;
        }
        EXPECT_EQ(zip.Zip(), 1);
        const Bytes bytes = ReadFileBytes(archive);
        EXPECT_EQ(Slice(bytes, 0, r.front.size() + 4), Concat({r.front, {'P', 'K', 3, 4}})) << r.front.size();
        EXPECT_EQ(std::search(bytes.begin(), bytes.end(), end.begin(), end.end()), bytes.end() - 22) << "one end record";
        EXPECT_EQ(RunCommand("unzip -tq " + Quote(archive) + " >/dev/null 2>&1 && 7z t " + Quote(archive) + " >/dev/null 2>&1"), 0);
    }
}

// A central record that names a later disk in an archive of one: the kept entry is written on
// the one disk the new archive has, so 7z reads it too.
TEST(Layout, AnUpdateWritesKeptEntriesOnItsOnlyDisk)
{
    REQUIRE_TOOLS("python3", "unzip", "7z");
    TTempDir dir;
    WriteFileBytes(dir / "added.txt", ToBytes("added"));
    const std::string archive = dir / "d.zip";
    ASSERT_EQ(RunCommand("python3 -c \"import zipfile,sys\nwith zipfile.ZipFile(sys.argv[1],'w') as z: z.writestr('a.txt','a'*100)\" " +
                         Quote(archive)), 0);
    Bytes bytes = ReadFileBytes(archive);
    const Bytes central = {'P', 'K', 1, 2};
    bytes[size_t(std::search(bytes.begin(), bytes.end(), central.begin(), central.end()) - bytes.begin()) + 34] = 1;
    WriteFileBytes(archive, bytes);
    TSuperZip zip;
    zip.SetZipName(archive);
    zip.FilesList.Add(dir / "added.txt");
    EXPECT_EQ(zip.Zip(), 1);
    EXPECT_EQ(RunCommand("unzip -tq " + Quote(archive) + " >/dev/null 2>&1 && 7z t " + Quote(archive) + " >/dev/null 2>&1"), 0);
}
