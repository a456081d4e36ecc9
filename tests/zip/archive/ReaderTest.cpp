// The reader's directory (end record, central records, rebuild, views, comments) and the
// extraction to files and streams.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>

#include "zip/ZipTestSupport.h"
#include "platform/DateTime.h"
#include "platform/FileSizeLimit.h"
#include "platform/Exceptions.h"
#include "zip/ExtractOutput.h"
#include "zip/SuperZip.h"
#include "zip/ZipExceptions.h"

namespace fs = std::filesystem;

namespace {

class Reader : public ::testing::Test {
protected:
    TTempDir dir;
    // B.txt stored, a.txt deflated, dir/C.txt stored.
    static BuiltArchive ThreeEntries()
    {
        return BuildArchive({{"B.txt", ToBytes("bee"), 0}, {"a.txt", ToBytes("aaaa aaaa aaaa"), 8}, {"dir/C.txt", ToBytes("c"), 0}});
    }
    std::string Write(const Bytes& bytes, const std::string& name = "t.zip")
    {
        WriteFileBytes(dir / name, bytes);
        return dir / name;
    }
    static size_t FilesUnder(const std::string& path)
    {
        size_t n = 0;
        for (const auto& e : fs::recursive_directory_iterator(path))
            n += e.is_regular_file();
        return n;
    }
};

std::vector<std::string> ViewNames(TSuperUnZip& z)
{
    std::vector<std::string> names;
    for (int i = 0; i < z.Count(); ++i)
        names.push_back(z.Entry(i).Directory() + z.GetFileName(i));
    return names;
}

}  // namespace

TEST_F(Reader, DirectoryViewsAndIndexes)
{
    TSuperUnZip z;
    z.SetZipName(Write(ThreeEntries().bytes));
    z.OpenZip();
    EXPECT_EQ(ViewNames(z), (std::vector<std::string>{"B.txt", "a.txt", "dir\\C.txt"}));
    z.SetSortMode(TZipSortMode::ByName);
    EXPECT_EQ(ViewNames(z), (std::vector<std::string>{"a.txt", "B.txt", "dir\\C.txt"}));
    EXPECT_EQ(z.EntryList->GetItem(0)->FileName(), "B.txt");   // archive order kept
    EXPECT_THROW(z.GetFileName(-1), EListError);
    try {
        z.GetFileName(3);
        FAIL();
    } catch (const EListError& e) {
        EXPECT_EQ(e.Message(), "Index 3 is out of range");
    }
    TDateTime expected;
    ASSERT_TRUE(TryDosDateTimeToDateTime(0x5A210000, expected));
    EXPECT_EQ(z.GetFileDate(0), expected);
    // A name that differs only in case changes nothing.
    const std::string name = z.ZipName();
    std::string upper = name;
    upper.replace(upper.size() - 5, 5, "T.ZIP");
    z.SetZipName(upper);
    EXPECT_EQ(z.ZipName(), name);
    EXPECT_EQ(z.Count(), 3);
}

TEST_F(Reader, BadCentralOffsetRebuildsFromLocalHeaders)
{
    BuiltArchive a = ThreeEntries();
    a.bytes[a.endOffset + 16] = 1;   // offset points into the first entry
    TSuperUnZip z;
    z.SetZipName(Write(a.bytes));
    z.OpenZip();
    EXPECT_TRUE(z.DirectoryRebuilt);
    ASSERT_EQ(z.Count(), 3);
    // The central records behind the last local header were merged in.
    EXPECT_EQ(z.Entry(0).ExternalFileAttributes, 0x20u);
    TMemoryStream out;
    EXPECT_EQ(z.UnzipToStream(out, "a.txt"), 1);
    EXPECT_EQ(out.Bytes(), ToBytes("aaaa aaaa aaaa"));
}

TEST_F(Reader, EmptyMissingOrDamagedDirectory)
{
    {
        TSuperUnZip z;
        z.SetZipName(Write(BuildArchive({}).bytes, "empty.zip"));
        int announced = -1;
        z.OnStartUnZipInfo = [&](TSuperUnZip*, int n, double, bool&) { announced = n; };
        TMemoryStream out;
        EXPECT_EQ(z.UnzipToStream(out, "*"), 0);
        EXPECT_EQ(announced, 0);
        EXPECT_EQ(out.GetSize(), 0);
    }
    {
        BuiltArchive a = ThreeEntries();
        a.bytes[a.centralOffset + 46 + 5] = 'X';   // second record's signature
        TSuperUnZip z;
        z.SetZipName(Write(a.bytes, "damaged.zip"));
        EXPECT_THROW(z.OpenZip(), EFatalUnzipError) << "a damaged central record is an error";
    }
    BuiltArchive a = ThreeEntries();
    a.bytes.resize(a.endOffset);
    const std::string name = Write(a.bytes);
    try {
        TSuperUnZip z;
        z.SetZipName(name);
        z.OpenZip();
        FAIL();
    } catch (const EIncompleteZip& e) {
        EXPECT_EQ(e.Message(), "Incomplete Zip File");
    }
    {
        TSuperUnZip z;
        z.SetZipName(name);
        bool asked = false;
        z.OnInCompleteZip = [&](TSuperUnZip*, TIncompleteZipMode& mode) {
            asked = true;
            mode = TIncompleteZipMode::izAssumeBad;
        };
        z.OpenZip();
        EXPECT_TRUE(asked);
        EXPECT_EQ(z.Count(), 3);
        EXPECT_EQ(z.Entry(2).ExternalFileAttributes, 0x20u);   // merged
    }
    {
        // Nothing that looks like a local header: an empty directory, no error.
        TSuperUnZip z;
        z.IncompleteZipMode = TIncompleteZipMode::izAssumeBad;
        z.SetZipName(Write(Bytes(5000, 'P'), "noise.zip"));
        TMemoryStream out;
        EXPECT_EQ(z.UnzipToStream(out, "*"), 0);
    }
}

TEST_F(Reader, DirectoryIsReadOncePerDay)
{
    const std::string name = Write(ThreeEntries().bytes);
    TSuperUnZip z;
    z.SetZipName(name);
    {
        TClockOverride day1(EncodeDate(2024, 5, 1) + 0.5);
        z.OpenZip();
        z.CloseZip();
        Write(BuildArchive({{"only.txt", ToBytes("x")}}).bytes);
        z.OpenZip();
        EXPECT_EQ(z.Count(), 3);
        z.CloseZip();
    }
    TClockOverride day2(EncodeDate(2024, 5, 2) + 0.5);
    z.OpenZip();
    EXPECT_EQ(z.Count(), 1);
}

TEST_F(Reader, FileChooserForTrailingQuestionMark)
{
    TSuperUnZip z;
    // Without a window the dialog is cancelled.
    try {
        z.SetZipName(dir / "x?");
        FAIL();
    } catch (const EUserCanceled& e) {
        EXPECT_EQ(e.Message(), "User canceled setting zip file name.");
    }
    TRecordingZipHost host;
    TZipHostScope scope(host);
    std::string initial;
    host.Choose = [&](const std::string& from, std::string& chosen) {
        initial = from;
        chosen = dir / "chosen.zip";
        return true;
    };
    z.SetZipName(dir / "x?");
    EXPECT_EQ(z.ZipName(), dir / "chosen.zip");
    EXPECT_EQ(initial, dir.Path() + "/");
    EXPECT_EQ(host.Asked, std::vector<std::string>{
                              "Open a Zip File: Zip Files (*.ZIP)|*.zip|SFX Files (*.EXE)|*.exe|All Files (*.*)|*.*"});
    host.Choose = [&](const std::string& from, std::string&) {
        initial = from;
        return false;
    };
    EXPECT_EQ(MessageOfThrown<EUserCanceled>([&] { z.SetZipName("/no/such/dir/?"); }), "User canceled setting zip file name.");
    EXPECT_EQ(initial, "/");   // a folder that does not exist starts at the root
    EXPECT_EQ(z.ZipName(), dir / "chosen.zip");
}

TEST_F(Reader, ExtractionNeverLeavesTheDestination)
{
    BuiltArchive a = BuildArchive({{"../evil.txt", ToBytes("1")},
                                   {"/abs.txt", ToBytes("2")},
                                   {"ok/../../x.txt", ToBytes("3")},
                                   {"c:/drive.txt", ToBytes("4")},
                                   {"good/fine.txt", ToBytes("5")}});
    TSuperUnZip z;
    z.SetZipName(Write(a.bytes));
    z.SetDestDir(dir / "dest/");
    EXPECT_EQ(z.DestDir(), dir / "dest");
    z.DoAll = true;
    z.RecreateDirs = true;
    std::vector<int> refused;
    z.OnSkippingFile = [&](TSuperUnZip*, TSkipReason reason, int index) {
        if (reason == TSkipReason::srUnsafePath)
            refused.push_back(index);
    };
    z.OpenZip();
    EXPECT_EQ(z.ExtractMatching(), 1);
    EXPECT_EQ(refused, (std::vector<int>{0, 1, 2, 3}));
    EXPECT_EQ(ReadFileBytes(dir / "dest/good/fine.txt"), ToBytes("5"));
    EXPECT_EQ(FilesUnder(dir.Path()), 2u);   // the archive and fine.txt
}

TEST_F(Reader, OverwriteDefaultsToNo)
{
    const std::string name = Write(BuildArchive({{"f.txt", ToBytes("new")}}).bytes);
    WriteFileBytes(dir / "dest/f.txt", ToBytes("old"));
    auto extract = [&](TSuperUnZip& z) {
        z.SetZipName(name);
        z.SetDestDir(dir / "dest");
        z.FilesList.Clear();
        z.FilesList.Add("*.TXT");
        z.OpenZip();
        return z.ExtractMatching();
    };
    {
        TSuperUnZip z;
        TSkipReason reason = TSkipReason::srBadPassword;
        z.OnSkippingFile = [&](TSuperUnZip*, TSkipReason r, int) { reason = r; };
        EXPECT_EQ(extract(z), 0);
        EXPECT_EQ(reason, TSkipReason::srNoOverwrite);
        EXPECT_EQ(ReadFileBytes(dir / "dest/f.txt"), ToBytes("old"));
    }
    {
        TSuperUnZip z;
        z.OverwriteMode = TUZOverwriteMode::Never;
        EXPECT_EQ(extract(z), 0);
        EXPECT_EQ(ReadFileBytes(dir / "dest/f.txt"), ToBytes("old"));
    }
    {
        TSuperUnZip z;
        z.OnPromptForOverwrite = [](TSuperUnZip*, bool& yes, int, std::string&) { yes = true; };
        EXPECT_EQ(extract(z), 1);
        EXPECT_EQ(ReadFileBytes(dir / "dest/f.txt"), ToBytes("new"));
        // The entry's date goes onto the file.
        struct stat st{};
        ASSERT_EQ(::stat((dir / "dest/f.txt").c_str(), &st), 0);
        EXPECT_EQ(static_cast<int64_t>(st.st_mtime), DosDateTimeToUnixLocal(0x5A210000));
    }
}

TEST_F(Reader, CrcMismatchRaisesAndKeepsTheOldBytes)
{
    BuiltEntry e{"f.txt", ToBytes("new content"), 0};
    e.crcOverride = 1234;
    const std::string name = Write(BuildArchive({e}).bytes);
    WriteFileBytes(dir / "dest/f.txt", ToBytes("old"));
    TSuperUnZip z;
    z.SetZipName(name);
    z.SetDestDir(dir / "dest");
    z.DoAll = true;
    z.OverwriteMode = TUZOverwriteMode::Always;
    uint32_t reported = 0;
    z.OnBadCRC = [&](TSuperUnZip*, uint32_t, uint32_t stored, int) { reported = stored; };
    z.OpenZip();
    EXPECT_THROW(z.ExtractMatching(), EFatalUnzipError);
    EXPECT_EQ(reported, 1234u);
    EXPECT_EQ(ReadFileBytes(dir / "dest/f.txt"), ToBytes("old"));
    EXPECT_EQ(FilesUnder(dir / "dest"), 1u);   // no temporary left behind

    // To a stream: the caller's bytes stay as they were.
    TSuperUnZip toStream;
    toStream.SetZipName(Write(BuildArchive({{"a.bin", ToBytes("good bytes"), 0}, e}).bytes, "two.zip"));
    TMemoryStream out(ToBytes("prefix|tail"));
    out.SetPosition(7);
    EXPECT_THROW(toStream.UnzipToStream(out, "*"), EFatalUnzipError);
    EXPECT_EQ(out.Bytes(), ToBytes("prefix|tail"));
    EXPECT_FALSE(toStream.SingleStreamMode);
    // A name that matches nothing writes nothing.
    EXPECT_EQ(toStream.UnzipToStream(out, "none"), 0);
    EXPECT_EQ(out.Bytes(), ToBytes("prefix|tail"));
}

TEST_F(Reader, PassPhraseLoop)
{
    const Bytes payload = PseudoText(5000);
    TMemoryStream archive;
    {
        TMemoryStream src(payload);
        TSuperZip writer;
        writer.Password = "right";
        writer.ZipToStream(src, archive);
    }
    const std::string name = Write(archive.Bytes());
    {
        TSuperUnZip z;
        z.SetZipName(name);
        z.Password = "wrong";
        int asked = 0;
        z.OnBadPassword = [&](TSuperUnZip*, int, std::string& pw) {
            ++asked;
            pw = "right";
        };
        TMemoryStream out;
        EXPECT_EQ(z.UnzipToStream(out, "ZIPDATA"), 1);
        EXPECT_EQ(out.Bytes(), payload);
        EXPECT_EQ(asked, 1);
        EXPECT_EQ(z.Password, "right");
    }
    {
        TSuperUnZip z;
        z.SetZipName(name);
        z.Password = "wrong";
        std::vector<TSkipReason> skipped;
        z.OnSkippingFile = [&](TSuperUnZip*, TSkipReason r, int) { skipped.push_back(r); };
        TMemoryStream out;
        EXPECT_EQ(z.UnzipToStream(out, "ZIPDATA"), 0);
        EXPECT_EQ(out.GetSize(), 0);
        EXPECT_EQ(skipped, (std::vector<TSkipReason>{TSkipReason::srBadPassword}));
    }
}

namespace {

// A central record made from the one of a built entry: another name, volume number and
// compressed size.
struct TRecordCopy {
    std::string name;
    size_t entry;
    uint16_t volume = 0;
    uint32_t longer = 0;   // compressed bytes claimed beyond the entry's own
};

// The built archive's local entries with a new central directory of the given records, as
// the volume lastVolume of a set (0: a single file).
Bytes WithRecords(const BuiltArchive& a, const std::vector<TRecordCopy>& records, uint16_t lastVolume = 0)
{
    std::vector<Bytes> central;
    for (size_t at = a.centralOffset; at < a.endOffset;) {
        const size_t size = 46 + GetLe(a.bytes, at + 28, 2) + GetLe(a.bytes, at + 30, 2) + GetLe(a.bytes, at + 32, 2);
        central.push_back(Slice(a.bytes, at, size));
        at += size;
    }
    TLe out;
    out.raw(Slice(a.bytes, 0, a.centralOffset));
    for (const TRecordCopy& r : records) {
        const Bytes& c = central.at(r.entry);
        const Bytes common = Slice(c, 4, 16);   // versions, flags, method, time, CRC
        out.u32(0x02014B50).raw(common).u32(GetLe(c, 20, 4) + r.longer).u32(GetLe(c, 24, 4)).u16(uint32_t(r.name.size()))
            .u16(0).u16(0).u16(r.volume).u16(0).u32(0x20).u32(GetLe(c, 42, 4)).str(r.name);
    }
    const uint32_t size = uint32_t(out.b.size() - a.centralOffset);
    out.u32(0x06054B50).u16(lastVolume).u16(lastVolume).u16(uint32_t(records.size())).u16(uint32_t(records.size())).u32(size)
        .u32(a.centralOffset).u16(0);
    return out.b;
}

}  // namespace

TEST_F(Reader, EntriesThatShareBytesAreRefusedBeforeAnythingIsWritten)
{
    const BuiltArchive one = BuildArchive({{"payload", PseudoText(20000), 8}});
    const BuiltArchive two = BuildArchive({{"a.txt", ToBytes("first"), 0}, {"b.txt", ToBytes("second"), 8}});
    std::vector<TRecordCopy> eightNames;
    for (uint16_t v = 0; v < 8; ++v)
        eightNames.push_back({"f" + std::to_string(v) + ".txt", 0, v});
    const struct {
        const char* what;
        Bytes archive;
        std::string message;   // empty: extracts
    } rows[] = {
        {"eight names on one local header", WithRecords(one, eightNames), "Damaged central directory: f0.txt and f1.txt overlap"},
        {"the same entry on volumes 0 and 5", WithRecords(one, {{"ZIPDATA", 0, 0}, {"zipdata", 0, 5}}),
         "Damaged central directory: ZIPDATA and zipdata overlap"},
        {"an entry that claims the next one's bytes", WithRecords(two, {{"a.txt", 0, 0, 3}, {"b.txt", 1}}),
         "Damaged central directory: a.txt and b.txt overlap"},
        {"the same, in the last volume of a set", WithRecords(two, {{"a.txt", 0, 0, 3}, {"b.txt", 1}}, 1),
         "Damaged central directory: a.txt and b.txt overlap"},
        {"the same volume and offset", WithRecords(one, {{"x.txt", 0}, {"y.txt", 0}}), "Duplicate Object index"},
        {"entries side by side", WithRecords(two, {{"a.txt", 0, 0}, {"b.txt", 1, 3}}), ""},
        {"a directory written backwards", WithRecords(two, {{"b.txt", 1}, {"a.txt", 0}}), ""},
    };
    for (const auto& r : rows) {
        fs::remove_all(dir / "dest");
        TSuperUnZip z;
        z.SetZipName(Write(r.archive));
        z.SetDestDir(dir / "dest");
        z.DoAll = true;
        std::string message;
        try {
            z.OpenZip();
            EXPECT_EQ(z.ExtractMatching(), 2) << r.what;
        } catch (const Exception& e) {
            message = e.Message();
        }
        EXPECT_EQ(message, r.message) << r.what;
        EXPECT_EQ(fs::exists(dir / "dest") ? FilesUnder(dir / "dest") : 0u, r.message.empty() ? 2u : 0u) << r.what;

        if (r.message.empty())
            continue;
        // Into a stream: the caller's bytes stay as they were.
        TSuperUnZip toStream;
        toStream.SetZipName(dir / "t.zip");
        TMemoryStream out(ToBytes("kept"));
        EXPECT_ANY_THROW(toStream.UnzipToStream(out, "*")) << r.what;
        EXPECT_EQ(out.Bytes(), ToBytes("kept")) << r.what;
    }
}

TEST_F(Reader, AFullDiskDuringExtractionNamesTheFileAndTheReason)
{
    const std::string name = Write(BuildArchive({{"big.bin", RandomBytes(200000), 8}}).bytes);
    WriteFileBytes(dir / "dest/big.bin", ToBytes("old"));
    const std::string message = MessageUnderFileSizeLimit(65536, [&] {
        TSuperUnZip z;
        z.SetZipName(name);
        z.SetDestDir(dir / "dest");
        z.DoAll = true;
        z.OverwriteMode = TUZOverwriteMode::Always;
        z.OpenZip();
        z.ExtractMatching();
    });
    EXPECT_EQ(message, "Stream write error: " + dir / "dest/big.bin" + ": File too large");
    EXPECT_EQ(ReadFileBytes(dir / "dest/big.bin"), ToBytes("old"));
    EXPECT_EQ(FilesUnder(dir / "dest"), 1u);   // no temporary left behind
}

TEST_F(Reader, AnEntryThatCannotBeWrittenIsReportedAndTheOthersGoOn)
{
    REQUIRE_TOOLS("python3");
    // Made by Python: a name of 256 bytes, a file and a folder below an entry that is a link,
    // a path past PATH_MAX and an entry of a method we do not decode, between entries that
    // extract.
    WriteFileBytes(dir / "make.py", ToBytes("import zipfile,sys\n"
                                            "z=zipfile.ZipFile(sys.argv[1],'w')\n"
                                            "z.writestr('first.txt',b'first')\n"
                                            "z.writestr('n'*256,b'long name')\n"
                                            "link=zipfile.ZipInfo('link'); link.external_attr=0o120777<<16\n"
                                            "z.writestr(link,b'first.txt')\n"
                                            "z.writestr('link/below.txt',b'below')\n"
                                            "z.writestr('made/',b'')\n"
                                            "z.writestr('link/sub/',b'')\n"
                                            "z.writestr(('p'*250+'/')*17+'deep.txt',b'deep')\n"
                                            "z.writestr('bz.txt',b'bzip2',zipfile.ZIP_BZIP2)\n"
                                            "z.writestr('last.txt',b'last')\n"));
    ASSERT_EQ(RunCommand("python3 " + Quote(dir / "make.py") + " " + Quote(dir / "t.zip")), 0);
    TRecordingZipHost host;
    TZipHostScope scope(host);
    TSuperUnZip z;
    z.SetZipName(dir / "t.zip");
    z.SetDestDir(dir / "dest");
    z.DoAll = true;
    z.RecreateDirs = true;
    z.OpenZip();
    EXPECT_EQ(z.ExtractMatching(), 4);
    EXPECT_TRUE(fs::is_directory(dir / "dest/made"));
    const std::string dest = dir / "dest/";
    std::string deep;
    for (int i = 0; i < 17; ++i)
        deep += std::string(250, 'p') + "/";
    EXPECT_EQ(host.Asked, (std::vector<std::string>{
                              "Zip Error: Cannot create file " + dest + std::string(256, 'n') + ": File name too long",
                              "Zip Error: Cannot create directory " + dest + "link/: File exists",
                              "Zip Error: Cannot create directory " + dest + "link/sub: Not a directory",
                              "Zip Error: Cannot create directory " + dest + deep + ": File name too long",
                              "Zip Error: Unknown Compression Method 12 in bz.txt"}));
    EXPECT_EQ(ReadFileBytes(dest + "first.txt"), ToBytes("first"));
    EXPECT_EQ(ReadFileBytes(dest + "link"), ToBytes("first.txt"));
    EXPECT_EQ(ReadFileBytes(dest + "last.txt"), ToBytes("last"));
    EXPECT_EQ(FilesUnder(dest), 3u) << "no temporary file left behind";
}

// Every view holds the entries in the order placing them one by one in archive order gives,
// entries of the same name, date, size or rate included.
TEST_F(Reader, SortedViewsOrderEntriesAsPlacingThemOneByOne)
{
    std::vector<BuiltEntry> entries;
    for (int i = 0; i < 40; ++i) {
        entries.emplace_back((i % 3 ? "d/" : "") + std::string(1, char((i % 2 ? 'a' : 'A') + i % 5)) + ".txt",
                             Bytes(size_t(i % 4 * 50), uint8_t(i % 7)), uint16_t(i % 2 ? 8 : 0));
        entries.back().dosTime = i % 3 ? 0x5A210000 : 0x5A220000;
    }
    TSuperUnZip z;
    z.SetZipName(Write(BuildArchive(entries).bytes));
    z.OpenZip();
    for (const TZipSortMode mode : {TZipSortMode::ByName, TZipSortMode::ByFileName, TZipSortMode::ByDirectoryName,
                                    TZipSortMode::ByDate, TZipSortMode::ByCompressedSize,
                                    TZipSortMode::ByUnCompressedSize, TZipSortMode::ByRate}) {
        TSortedZip placed(dupAccept);
        placed.SortMode = mode;
        placed.OwnsItems = false;
        for (int i = 0; i < z.Count(); ++i)
            placed.Add(z.EntryList->GetItem(i));
        z.SetSortMode(mode);
        for (int i = 0; i < z.Count(); ++i)
            EXPECT_EQ(&z.Entry(i), placed.GetItem(i)) << int(mode) << " at " << i;
    }
}
