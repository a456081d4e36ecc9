// The writer: path switches, duplicates, cancellation, the update pass and its safety.
#include <gtest/gtest.h>
#include <utime.h>

#include <algorithm>
#include <filesystem>
#include <functional>

#include "zip/SuperZip.h"
#include "zip/ZipExceptions.h"
#include "zip/ZipTestSupport.h"

namespace fs = std::filesystem;

namespace {

void WriteFile(const std::string& path, const std::string& text, time_t mtime)
{
    WriteFileBytes(path, ToBytes(text));
    utimbuf times{mtime, mtime};
    ::utime(path.c_str(), &times);
}

// Zips files (full paths) into archive after setup; returns what Zip returns.
int ZipFiles(const std::string& archive, const std::vector<std::string>& files,
             const std::function<void(TSuperZip&)>& setup = nullptr)
{
    TSuperZip z;
    z.SetZipName(archive);
    if (setup)
        setup(z);
    for (const std::string& f : files)
        z.FilesList.Add(f);
    return z.Zip();
}

// "name=content;" for every entry, in archive order.
std::string Contents(const std::string& archive)
{
    TSuperUnZip z;
    z.SetZipName(archive);
    z.OpenZip();
    std::string all;
    for (int i = 0; i < z.Count(); ++i) {
        const std::string name = z.Entry(i).Directory() + z.GetFileName(i);
        TSuperUnZip reader;
        reader.SetZipName(archive);
        TMemoryStream out;
        EXPECT_EQ(reader.UnzipToStream(out, name), 1) << name;
        all += name + "=" + std::string(out.Bytes().begin(), out.Bytes().end()) + ";";
    }
    return all;
}

size_t FilesIn(const std::string& dir)
{
    return size_t(std::count_if(fs::directory_iterator(dir), {}, [](const auto& e) { return e.is_regular_file(); }));
}

}  // namespace

TEST(Writer, StoredNamesFollowThePathSwitches)
{
    TTempDir dir;
    WriteFileBytes(dir / "root/sub/x.txt", ToBytes("x"));
    const auto stored = [&](const std::string& file, const std::function<void(TSuperZip&)>& setup) {
        fs::remove(dir / "a.zip");
        EXPECT_EQ(ZipFiles(dir / "a.zip", {dir / file}, setup), 1);
        return Contents(dir / "a.zip");
    };
    EXPECT_EQ(stored("root/sub/x.txt", nullptr), "x.txt=x;");
    // The switches are tied: relative paths need paths and recursion, volumes need paths.
    EXPECT_EQ(stored("root/sub/../sub/x.txt",
                     [&](TSuperZip& z) {
                         z.SetRootDir(dir / "root");
                         z.SetRelativePaths(true);
                         EXPECT_TRUE(z.StorePaths() && z.Recurse);
                     }),
              "sub\\x.txt=x;");
    // Without volumes the leading '/' goes; the rest of the path stays.
    std::string full = dir / "root/sub/x.txt";
    std::replace(full.begin(), full.end(), '/', '\\');
    EXPECT_EQ(stored("root/sub/x.txt",
                     [](TSuperZip& z) {
                         z.SetStoreVolumes(true);
                         z.SetStorePaths(false);
                         EXPECT_FALSE(z.StoreVolumes());
                         z.SetStorePaths(true);
                     }),
              full.substr(1) + "=x;");
}

TEST(Writer, DuplicateNamesAreWrittenOnce)
{
    TTempDir dir;
    WriteFileBytes(dir / "a/f.txt", ToBytes("first"));
    WriteFileBytes(dir / "b/f.txt", ToBytes("second"));
    std::string skipped;
    EXPECT_EQ(ZipFiles(dir / "d.zip", {dir / "a/f.txt", dir / "b/f.txt"},
                       [&](TSuperZip& z) {
                           z.OnSkippingFile = [&](TSuperUnZip* sender, TSkipReason reason, int i) {
                               EXPECT_EQ(reason, TSkipReason::srNoOverwrite);
                               skipped += std::to_string(i) + ":" + sender->GetFileName(i);
                           };
                       }),
              1);
    EXPECT_EQ(skipped, "0:f.txt");
    EXPECT_EQ(Contents(dir / "d.zip"), "f.txt=first;");
}

TEST(Writer, StopNowCancelsBeforeAnything)
{
    TSuperZip z;
    z.OnStartZipInfo = [](TSuperZip*, int n, int64_t, TEndCentral&, bool& stop) {
        EXPECT_EQ(n, 1);
        stop = true;
    };
    TMemoryStream src(ToBytes("payload")), dst(ToBytes("keep me"));
    try {
        z.ZipToStream(src, dst);
        FAIL();
    } catch (const EUserCanceled& e) {
        EXPECT_EQ(e.Message(), "User canceled Zip operation.");
    }
    EXPECT_EQ(dst.Bytes(), ToBytes("keep me"));
    EXPECT_FALSE(z.Busy());
    EXPECT_FALSE(z.SingleStreamMode);
    z.OnStartZipInfo = nullptr;
    z.ZipToStream(src, dst);
    EXPECT_EQ(GetLe(dst.Bytes(), 0, 4), 0x04034B50u) << "the component still works afterwards";
}

TEST(Writer, UpdatePassReplacesKeepsAndAdds)
{
    REQUIRE_TOOLS("unzip");
    TTempDir dir;
    const time_t old = 1600000000, newer = 1700000000;
    WriteFile(dir / "src/a.txt", "a old", old);
    WriteFile(dir / "src/b.txt", "b old", old);
    WriteFile(dir / "src/c.txt", "c new", old);
    const std::string archive = dir / "u.zip";
    ASSERT_EQ(ZipFiles(archive, {dir / "src/a.txt", dir / "src/b.txt"}), 2);
    WriteFile(dir / "src/a.txt", "a new", newer);
    WriteFile(dir / "src/b.txt", "b changed but not newer", old);
    // a replaced, c added; b kept (not counted).
    EXPECT_EQ(ZipFiles(archive, {dir / "src/a.txt", dir / "src/b.txt", dir / "src/c.txt"}), 2);
    EXPECT_EQ(Contents(archive), "a.txt=a new;b.txt=b old;c.txt=c new;");
    EXPECT_EQ(GetLe(ReadFileBytes(archive), 0, 4), 0x04034B50u) << "nothing in front of the first entry";
    EXPECT_EQ(FilesIn(dir.Path()), 1u) << "no temporary file left beside it";
    EXPECT_EQ(RunCommand("unzip -tq " + Quote(archive) + " >/dev/null 2>&1"), 0);

    // Freshen: only names already in the archive.
    WriteFile(dir / "src/d.txt", "d", newer);
    WriteFile(dir / "src/c.txt", "c newest", newer + 100);
    EXPECT_EQ(ZipFiles(archive, {dir / "src/*.txt"}, [](TSuperZip& z) { z.ZipAction = TZipAction::zaFreshen; }), 1);
    EXPECT_EQ(ZipFiles(dir / "none.zip", {dir / "src/*.txt"}, [](TSuperZip& z) { z.ZipAction = TZipAction::zaFreshen; }), 0)
        << "nothing to freshen";
    EXPECT_EQ(Contents(archive), "a.txt=a new;b.txt=b old;c.txt=c newest;");

    // Names match ignoring case; the first listed file of a name takes the entry, and one
    // listed after it is a duplicate of the new entry.
    WriteFile(dir / "src/A.TXT", "A upper", newer + 200);
    EXPECT_EQ(ZipFiles(archive, {dir / "src/b.txt", dir / "src/A.TXT", dir / "src/a.txt"}), 1);
    EXPECT_EQ(Contents(archive), "A.TXT=A upper;b.txt=b old;c.txt=c newest;");
}

TEST(Writer, AFailedUpdateLeavesTheArchiveAsItWas)
{
    TTempDir dir;
    WriteFileBytes(dir / "src/a.txt", PseudoText(3000));
    WriteFileBytes(dir / "src/b.txt", PseudoText(3000, 5));
    const std::string archive = dir / "f.zip";
    ASSERT_EQ(ZipFiles(archive, {dir / "src/a.txt"}), 1);
    const Bytes before = ReadFileBytes(archive);
    const auto failing = [](TSuperZip& z) {
        z.OnStartZip = [](TSuperZip*, const std::string&, TZipHeaderInfo&, bool&) { throw EWriteError("disk full"); };
    };
    EXPECT_THROW(ZipFiles(archive, {dir / "src/b.txt"}, failing), EWriteError);
    EXPECT_EQ(ReadFileBytes(archive), before);
    EXPECT_EQ(FilesIn(dir.Path()), 1u);
    // A failed new archive is not left half-written.
    EXPECT_THROW(ZipFiles(dir / "new.zip", {dir / "src/b.txt"}, failing), EWriteError);
    EXPECT_FALSE(fs::exists(dir / "new.zip"));
}

TEST(Writer, UpdateKeepsInfoZipEntriesWithDescriptorsAndExtras)
{
    REQUIRE_TOOLS("zip", "unzip", "python3");
    TTempDir dir;
    WriteFileBytes(dir / "src/one.txt", PseudoText(40000));
    WriteFileBytes(dir / "src/two.bin", RandomBytes(3000));
    WriteFileBytes(dir / "extra.txt", PseudoText(1000, 4));
    ASSERT_EQ(RunCommand("cd " + Quote(dir / "src") + " && zip -q -fd -P pw ../z.zip one.txt two.bin"), 0);
    EXPECT_EQ(ZipFiles(dir / "z.zip", {dir / "extra.txt"}, [](TSuperZip& z) { z.Password = "pw"; }), 1);
    EXPECT_EQ(RunCommand("unzip -tq -P pw " + Quote(dir / "z.zip") + " >/dev/null 2>&1"), 0);
    WriteFileBytes(dir / "c.py", ToBytes("import zipfile,sys\n"
                                         "z=zipfile.ZipFile(sys.argv[1]); z.setpassword(b'pw')\n"
                                         "assert z.testzip() is None\n"
                                         "print(sorted(z.namelist()))\n"));
    std::string out;
    EXPECT_EQ(RunCommand("python3 " + Quote(dir / "c.py") + " " + Quote(dir / "z.zip"), &out), 0);
    EXPECT_EQ(out, "['extra.txt', 'one.txt', 'two.bin']\n");
}

// An archive updated through a link (or a chain of them) is written where the link leads, with
// its mode; the link stays, and unzip reads the new entry there.
TEST(Writer, AnUpdateThroughALinkWritesWhereItLeadsAndKeepsLinkAndMode)
{
    REQUIRE_TOOLS("zip", "unzip");
    TTempDir dir;
    WriteFileBytes(dir / "src/old.txt", PseudoText(2000));
    WriteFileBytes(dir / "src/new.txt", PseudoText(2000, 3));
    fs::create_directories(dir / "real");
    ASSERT_EQ(RunCommand("cd " + Quote(dir / "src") + " && zip -q ../real/a.zip old.txt"), 0);
    fs::permissions(dir / "real/a.zip", fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
    fs::create_symlink("a.zip", dir / "real/mid.zip");
    fs::create_symlink("real/mid.zip", dir / "a.zip");

    EXPECT_EQ(ZipFiles(dir / "a.zip", {dir / "src/new.txt"}), 1);
    EXPECT_TRUE(fs::is_symlink(dir / "a.zip"));
    EXPECT_TRUE(fs::is_symlink(dir / "real/mid.zip"));
    EXPECT_EQ(fs::status(dir / "real/a.zip").permissions(), fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
    std::string listing;
    EXPECT_EQ(RunCommand("unzip -Z1 " + Quote(dir / "real/a.zip"), &listing), 0);
    EXPECT_EQ(listing, "old.txt\nnew.txt\n");
    EXPECT_EQ(FilesIn(dir / "real"), 2u);  // the archive and the link to it: no temporary file
}

// Two old entries of one name (Python writes such archives): the listed file replaces the
// first, the second is kept, and nothing is skipped as a duplicate.
TEST(Writer, AListedFileReplacesOneOfTwoEntriesOfItsName)
{
    REQUIRE_TOOLS("python3");
    TTempDir dir;
    const std::string archive = dir / "two.zip";
    ASSERT_EQ(RunCommand("python3 -W ignore -c \"import zipfile,sys\nwith zipfile.ZipFile(sys.argv[1],'w') as z:\n"
                         "  for t in ['one','two']: z.writestr(zipfile.ZipInfo('a.txt',(2000,1,1,0,0,0)),t)\" " + Quote(archive)), 0);
    WriteFile(dir / "src/a.txt", "new", 1700000000);
    int skipped = 0;
    EXPECT_EQ(ZipFiles(archive, {dir / "src/a.txt"},
                       [&](TSuperZip& z) { z.OnSkippingFile = [&](TSuperUnZip*, TSkipReason, int) { ++skipped; }; }), 1);
    EXPECT_EQ(skipped, 0);
    std::string contents;
    RunCommand("python3 -c \"import zipfile,sys\nz=zipfile.ZipFile(sys.argv[1])\n"
               "print([z.open(i).read().decode() for i in z.infolist()])\" " + Quote(archive), &contents);
    EXPECT_EQ(contents, "['new', 'two']\n");
}
