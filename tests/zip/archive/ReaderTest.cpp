// The reader's directory (end record, central records, rebuild, views, comments) and the
// extraction to files and streams.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>

#include "ArchiveTestUtil.h"
#include "ZipBuilder.h"
#include "platform/DateTime.h"
#include "platform/Exceptions.h"
#include "zip/ExtractOutput.h"
#include "zip/SuperZip.h"
#include "zip/ZipExceptions.h"

using namespace archive_test;
namespace fs = std::filesystem;

namespace {

BuiltArchive ThreeEntries()
{
    return BuildArchive({{"B.txt", ToBytes("bee"), 0}, {"a.txt", ToBytes("aaaa aaaa aaaa"), 8}, {"dir/C.txt", ToBytes("c"), 0}});
}

std::string WriteArchive(const ScratchDir& dir, const Bytes& bytes, const std::string& name = "t.zip")
{
    Spit(dir / name, bytes);
    return dir / name;
}

std::vector<std::string> ViewNames(TSuperUnZip& z)
{
    std::vector<std::string> names;
    for (int i = 0; i < z.Count(); ++i)
        names.push_back(z.Entry(i).Directory() + z.GetFileName(i));
    return names;
}

}  // namespace

TEST(Reader, EmptyArchive)
{
    ScratchDir dir;
    TSuperUnZip z;
    z.SetZipName(WriteArchive(dir, BuildArchive({}).bytes));
    int announced = -1;
    z.OnStartUnZipInfo = [&](TSuperUnZip*, int n, double, bool&) { announced = n; };
    TMemoryStream out;
    EXPECT_EQ(z.UnzipToStream(out, "*"), 0);
    EXPECT_EQ(z.Count(), 0);
    EXPECT_EQ(announced, 0);
    EXPECT_EQ(out.GetSize(), 0);
}

TEST(Reader, DirectoryViewsAndIndexes)
{
    ScratchDir dir;
    TSuperUnZip z;
    z.SetZipName(WriteArchive(dir, ThreeEntries().bytes));
    z.OpenZip();
    EXPECT_EQ(ViewNames(z), (std::vector<std::string>{"B.txt", "a.txt", "dir\\C.txt"}));
    z.SetSortMode(TZipSortMode::ByName);
    EXPECT_EQ(ViewNames(z), (std::vector<std::string>{"a.txt", "B.txt", "dir\\C.txt"}));
    EXPECT_EQ(z.EntryList->GetItem(0)->FileName(), "B.txt");   // archive order kept
    try {
        z.GetFileName(3);
        FAIL();
    } catch (const EListError& e) {
        EXPECT_EQ(e.Message(), "Index 3 is out of range");
    }
    EXPECT_THROW(z.GetFileName(-1), EListError);
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

TEST(Reader, BadCentralOffsetRebuildsFromLocalHeaders)
{
    ScratchDir dir;
    BuiltArchive a = ThreeEntries();
    a.bytes[a.endOffset + 16] = 1;   // offset points into the first entry
    TSuperUnZip z;
    z.SetZipName(WriteArchive(dir, a.bytes));
    z.OpenZip();
    EXPECT_TRUE(z.DirectoryRebuilt);
    ASSERT_EQ(z.Count(), 3);
    // The central records behind the last local header were merged in.
    EXPECT_EQ(z.Entry(0).ExternalFileAttributes, 0x20u);
    EXPECT_EQ(z.Entry(0).VersionMadeBy, 20);
    TMemoryStream out;
    EXPECT_EQ(z.UnzipToStream(out, "a.txt"), 1);
    EXPECT_EQ(out.Bytes(), ToBytes("aaaa aaaa aaaa"));
}

TEST(Reader, MissingEndRecord)
{
    ScratchDir dir;
    BuiltArchive a = ThreeEntries();
    a.bytes.resize(a.endOffset);
    const std::string name = WriteArchive(dir, a.bytes);
    {
        TSuperUnZip z;
        z.SetZipName(name);
        try {
            z.OpenZip();
            FAIL();
        } catch (const EIncompleteZip& e) {
            EXPECT_EQ(e.Message(), "Incomplete Zip File");
        }
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
        z.SetZipName(WriteArchive(dir, Bytes(5000, 'P'), "noise.zip"));
        z.OpenZip();
        EXPECT_EQ(z.Count(), 0);
        TMemoryStream out;
        EXPECT_EQ(z.UnzipToStream(out, "*"), 0);
    }
}

TEST(Reader, DamagedCentralRecordIsAnError)
{
    ScratchDir dir;
    BuiltArchive a = ThreeEntries();
    a.bytes[a.centralOffset + 46 + 5] = 'X';   // second record's signature
    TSuperUnZip z;
    z.SetZipName(WriteArchive(dir, a.bytes));
    EXPECT_THROW(z.OpenZip(), EFatalUnzipError);
}

TEST(Reader, DirectoryIsReadOncePerDay)
{
    ScratchDir dir;
    const std::string name = WriteArchive(dir, ThreeEntries().bytes);
    TSuperUnZip z;
    z.SetZipName(name);
    {
        TClockOverride day1(EncodeDate(2024, 5, 1) + 0.5);
        z.OpenZip();
        z.CloseZip();
        WriteArchive(dir, BuildArchive({{"only.txt", ToBytes("x")}}).bytes);
        z.OpenZip();
        EXPECT_EQ(z.Count(), 3);
        z.CloseZip();
    }
    TClockOverride day2(EncodeDate(2024, 5, 2) + 0.5);
    z.OpenZip();
    EXPECT_EQ(z.Count(), 1);
}

TEST(Reader, FileChooserForTrailingQuestionMark)
{
    ScratchDir dir;
    TSuperUnZip z;
    try {
        z.SetZipName(dir / "x?");
        FAIL();
    } catch (const EUserCanceled& e) {
        EXPECT_EQ(e.Message(), "User canceled setting zip file name.");
    }
    std::string initial;
    z.OnChooseZipFile = [&](TSuperUnZip*, const std::string& from, std::string& chosen) {
        initial = from;
        chosen = dir / "chosen.zip";
        return true;
    };
    z.SetZipName(dir / "x?");
    EXPECT_EQ(z.ZipName(), dir / "chosen.zip");
    EXPECT_EQ(initial, dir.Path() + "/");
    z.OnChooseZipFile = [](TSuperUnZip*, const std::string&, std::string&) { return false; };
    EXPECT_THROW(z.SetZipName("/no/such/dir/?"), EUserCanceled);
}

TEST(Reader, ExtractionNeverLeavesTheDestination)
{
    ScratchDir dir;
    BuiltArchive a = BuildArchive({{"../evil.txt", ToBytes("1")},
                                   {"/abs.txt", ToBytes("2")},
                                   {"ok/../../x.txt", ToBytes("3")},
                                   {"c:/drive.txt", ToBytes("4")},
                                   {"good/fine.txt", ToBytes("5")}});
    TSuperUnZip z;
    z.SetZipName(WriteArchive(dir, a.bytes));
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
    EXPECT_EQ(Slurp(dir / "dest/good/fine.txt"), ToBytes("5"));
    size_t filesEverywhere = 0;
    for (const auto& e : fs::recursive_directory_iterator(dir.Path()))
        filesEverywhere += e.is_regular_file();
    EXPECT_EQ(filesEverywhere, 2u);   // the archive and fine.txt
}

TEST(Reader, OverwriteDefaultsToNo)
{
    ScratchDir dir;
    const std::string name = WriteArchive(dir, BuildArchive({{"f.txt", ToBytes("new")}}).bytes);
    Spit(dir / "dest/f.txt", ToBytes("old"));
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
        EXPECT_EQ(Slurp(dir / "dest/f.txt"), ToBytes("old"));
    }
    {
        TSuperUnZip z;
        z.OverwriteMode = TUZOverwriteMode::Never;
        EXPECT_EQ(extract(z), 0);
        EXPECT_EQ(Slurp(dir / "dest/f.txt"), ToBytes("old"));
    }
    {
        TSuperUnZip z;
        z.OnPromptForOverwrite = [](TSuperUnZip*, bool& yes, int, std::string&) { yes = true; };
        EXPECT_EQ(extract(z), 1);
        EXPECT_EQ(Slurp(dir / "dest/f.txt"), ToBytes("new"));
        // The entry's date goes onto the file.
        struct stat st{};
        ASSERT_EQ(::stat((dir / "dest/f.txt").c_str(), &st), 0);
        EXPECT_EQ(static_cast<int64_t>(st.st_mtime), DosDateTimeToUnixLocal(0x5A210000));
    }
}

TEST(Reader, CrcMismatchKeepsTheOldFileAndRaises)
{
    ScratchDir dir;
    BuiltEntry e{"f.txt", ToBytes("new content"), 0};
    e.crcOverride = 1234;
    const std::string name = WriteArchive(dir, BuildArchive({e}).bytes);
    Spit(dir / "dest/f.txt", ToBytes("old"));
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
    EXPECT_EQ(Slurp(dir / "dest/f.txt"), ToBytes("old"));
    size_t files = 0;
    for (const auto& f : fs::directory_iterator(dir / "dest"))
        files += f.is_regular_file();
    EXPECT_EQ(files, 1u);   // no temporary left behind
}

TEST(Reader, UnzipToStreamKeepsTheCallersBytesOnFailure)
{
    ScratchDir dir;
    BuiltEntry good{"a.bin", ToBytes("good bytes"), 0};
    BuiltEntry bad{"b.bin", ToBytes("bad bytes"), 0};
    bad.crcOverride = 7;
    TSuperUnZip z;
    z.SetZipName(WriteArchive(dir, BuildArchive({good, bad}).bytes));
    TMemoryStream out(ToBytes("prefix|tail"));
    out.SetPosition(7);
    EXPECT_THROW(z.UnzipToStream(out, "*.bin"), EFatalUnzipError);
    EXPECT_EQ(out.Bytes(), ToBytes("prefix|tail"));
    EXPECT_FALSE(z.SingleStreamMode);
    // A name that matches nothing writes nothing.
    EXPECT_EQ(z.UnzipToStream(out, "none"), 0);
    EXPECT_EQ(out.Bytes(), ToBytes("prefix|tail"));
}

TEST(Reader, PassPhraseLoop)
{
    const Bytes payload = TextBytes(5000);
    TMemoryStream archive;
    {
        TMemoryStream src(payload);
        TSuperZip writer;
        writer.Password = "right";
        writer.ZipToStream(src, archive);
    }
    ScratchDir dir;
    const std::string name = WriteArchive(dir, archive.Bytes());
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
