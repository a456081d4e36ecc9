// The writer: path switches, duplicates, cancellation, the update pass and its safety.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <utime.h>

#include <filesystem>

#include "ArchiveTestUtil.h"
#include "ZipBuilder.h"
#include "zip/SuperZip.h"
#include "zip/ZipExceptions.h"

using namespace archive_test;
namespace fs = std::filesystem;

namespace {

void SetMTime(const std::string& path, time_t t)
{
    utimbuf times{t, t};
    ::utime(path.c_str(), &times);
}

std::vector<std::string> EntryNames(const std::string& archive)
{
    TSuperUnZip z;
    z.SetZipName(archive);
    z.OpenZip();
    std::vector<std::string> names;
    for (int i = 0; i < z.Count(); ++i)
        names.push_back(z.Entry(i).Directory() + z.GetFileName(i));
    return names;
}

Bytes EntryBytes(const std::string& archive, const std::string& name)
{
    TSuperUnZip z;
    z.SetZipName(archive);
    TMemoryStream out;
    EXPECT_EQ(z.UnzipToStream(out, name), 1) << name;
    return out.Bytes();
}

size_t FilesIn(const std::string& dir)
{
    size_t n = 0;
    for (const auto& e : fs::directory_iterator(dir))
        n += e.is_regular_file();
    return n;
}

}  // namespace

TEST(Writer, PathSwitchesAreTied)
{
    TSuperZip z;
    EXPECT_EQ(z.PackLevel(), 6);
    z.SetStoreVolumes(true);
    EXPECT_TRUE(z.StorePaths());
    z.SetStorePaths(false);
    EXPECT_FALSE(z.StoreVolumes());
    z.SetRelativePaths(true);
    EXPECT_TRUE(z.StorePaths());
    EXPECT_TRUE(z.Recurse);
    z.SetStorePaths(false);
    EXPECT_FALSE(z.RelativePaths());
    z.SetPackLevel(42);
    EXPECT_EQ(z.PackLevel(), 9);
    EXPECT_EQ(z.ThisVersion(), 210);
}

TEST(Writer, StoredNamesFollowTheSwitches)
{
    ScratchDir dir;
    Spit(dir / "root/sub/x.txt", ToBytes("x"));
    const std::string archive = dir / "a.zip";
    {
        TSuperZip z;
        z.SetZipName(archive);
        z.FilesList.Add(dir / "root/sub/x.txt");
        EXPECT_EQ(z.Zip(), 1);
    }
    EXPECT_EQ(EntryNames(archive), (std::vector<std::string>{"x.txt"}));
    fs::remove(archive);
    {
        TSuperZip z;
        z.SetZipName(archive);
        z.SetRootDir(dir / "root");
        z.SetRelativePaths(true);
        z.FilesList.Add(dir / "root/sub/../sub/x.txt");
        EXPECT_EQ(z.Zip(), 1);
    }
    EXPECT_EQ(EntryNames(archive), (std::vector<std::string>{"sub\\x.txt"}));
    fs::remove(archive);
    {
        TSuperZip z;
        z.SetZipName(archive);
        z.SetStorePaths(true);
        z.FilesList.Add(dir / "root/sub/x.txt");
        EXPECT_EQ(z.Zip(), 1);
    }
    // Without volumes the leading '/' goes; the rest of the path stays.
    const auto names = EntryNames(archive);
    ASSERT_EQ(names.size(), 1u);
    EXPECT_NE(names[0][0], '\\');
    const std::string tail = "root\\sub\\x.txt";
    ASSERT_GT(names[0].size(), tail.size());
    EXPECT_EQ(names[0].substr(names[0].size() - tail.size()), tail);
}

TEST(Writer, DuplicateNamesAreWrittenOnce)
{
    ScratchDir dir;
    Spit(dir / "a/f.txt", ToBytes("first"));
    Spit(dir / "b/f.txt", ToBytes("second"));
    TSuperZip z;
    z.SetZipName(dir / "d.zip");
    z.FilesList.Add(dir / "a/f.txt");
    z.FilesList.Add(dir / "b/f.txt");
    int index = -1;
    std::string seen;
    z.OnSkippingFile = [&](TSuperUnZip* sender, TSkipReason reason, int i) {
        EXPECT_EQ(reason, TSkipReason::srNoOverwrite);
        index = i;
        seen = sender->GetFileName(i);
    };
    EXPECT_EQ(z.Zip(), 1);
    EXPECT_EQ(index, 0);
    EXPECT_EQ(seen, "f.txt");
    EXPECT_EQ(EntryBytes(dir / "d.zip", "f.txt"), ToBytes("first"));
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
    // The component still works afterwards.
    z.OnStartZipInfo = nullptr;
    z.ZipToStream(src, dst);
    EXPECT_EQ(Get32(dst.Bytes(), 0), 0x04034B50u);
}

TEST(Writer, UpdatePassReplacesKeepsAndAdds)
{
    ScratchDir dir;
    Spit(dir / "src/a.txt", ToBytes("a old"));
    Spit(dir / "src/b.txt", ToBytes("b old"));
    Spit(dir / "src/c.txt", ToBytes("c new"));
    const time_t old = 1600000000, newer = 1700000000;
    for (const char* f : {"a.txt", "b.txt", "c.txt"})
        SetMTime(dir / ("src/" + std::string(f)), old);
    const std::string archive = dir / "u.zip";
    {
        TSuperZip z;
        z.SetZipName(archive);
        z.FilesList.Add(dir / "src/a.txt");
        z.FilesList.Add(dir / "src/b.txt");
        ASSERT_EQ(z.Zip(), 2);
    }
    Spit(dir / "src/a.txt", ToBytes("a new"));
    SetMTime(dir / "src/a.txt", newer);
    Spit(dir / "src/b.txt", ToBytes("b changed but not newer"));
    SetMTime(dir / "src/b.txt", old);
    {
        TSuperZip z;
        z.SetZipName(archive);
        z.FilesList.Add(dir / "src/a.txt");
        z.FilesList.Add(dir / "src/b.txt");
        z.FilesList.Add(dir / "src/c.txt");
        EXPECT_EQ(z.Zip(), 2);   // a replaced, c added; b kept (not counted)
    }
    EXPECT_EQ(EntryNames(archive), (std::vector<std::string>{"a.txt", "b.txt", "c.txt"}));
    EXPECT_EQ(EntryBytes(archive, "a.txt"), ToBytes("a new"));
    EXPECT_EQ(EntryBytes(archive, "b.txt"), ToBytes("b old"));
    EXPECT_EQ(EntryBytes(archive, "c.txt"), ToBytes("c new"));
    EXPECT_EQ(FilesIn(dir.Path()), 1u);   // no temporary file left beside it
    if (HaveTool("unzip")) {
        std::string out;
        EXPECT_EQ(RunCommand("unzip -tq " + Quote(archive), &out), 0) << out;
    }
    {
        // Freshen: only names already in the archive.
        Spit(dir / "src/d.txt", ToBytes("d"));
        Spit(dir / "src/c.txt", ToBytes("c newest"));
        SetMTime(dir / "src/c.txt", newer + 100);
        TSuperZip z;
        z.SetZipName(archive);
        z.ZipAction = TZipAction::zaFreshen;
        z.FilesList.Add(dir / "src/*.txt");
        EXPECT_EQ(z.Zip(), 1);
    }
    EXPECT_EQ(EntryNames(archive), (std::vector<std::string>{"a.txt", "b.txt", "c.txt"}));
    EXPECT_EQ(EntryBytes(archive, "c.txt"), ToBytes("c newest"));
}

TEST(Writer, AFailedUpdateLeavesTheArchiveAsItWas)
{
    ScratchDir dir;
    Spit(dir / "src/a.txt", TextBytes(3000));
    Spit(dir / "src/b.txt", TextBytes(3000, 5));
    const std::string archive = dir / "f.zip";
    {
        TSuperZip z;
        z.SetZipName(archive);
        z.FilesList.Add(dir / "src/a.txt");
        ASSERT_EQ(z.Zip(), 1);
    }
    const Bytes before = Slurp(archive);
    TSuperZip z;
    z.SetZipName(archive);
    z.FilesList.Add(dir / "src/b.txt");
    z.OnStartZip = [](TSuperZip*, const std::string&, TZipHeaderInfo&, bool&) { throw EWriteError("disk full"); };
    EXPECT_THROW(z.Zip(), EWriteError);
    EXPECT_EQ(Slurp(archive), before);
    EXPECT_EQ(FilesIn(dir.Path()), 1u);
    // A failed new archive is not left half-written.
    TSuperZip fresh;
    fresh.SetZipName(dir / "new.zip");
    fresh.FilesList.Add(dir / "src/b.txt");
    fresh.OnStartZip = z.OnStartZip;
    EXPECT_THROW(fresh.Zip(), EWriteError);
    EXPECT_FALSE(fs::exists(dir / "new.zip"));
}

TEST(Writer, UpdateKeepsInfoZipEntriesWithDescriptorsAndExtras)
{
    if (!HaveTool("zip") || !HaveTool("unzip") || !HaveTool("python3"))
        GTEST_SKIP();
    ScratchDir dir;
    Spit(dir / "src/one.txt", TextBytes(40000));
    Spit(dir / "src/two.bin", RandomBytes(3000));
    Spit(dir / "extra.txt", TextBytes(1000, 4));
    std::string out;
    ASSERT_EQ(RunCommand("cd " + Quote(dir / "src") + " && zip -q -fd -P pw ../z.zip one.txt two.bin", &out), 0) << out;
    {
        TSuperZip z;
        z.SetZipName(dir / "z.zip");
        z.Password = "pw";
        z.FilesList.Add(dir / "extra.txt");
        EXPECT_EQ(z.Zip(), 1);
    }
    EXPECT_EQ(RunCommand("unzip -tq -P pw " + Quote(dir / "z.zip"), &out), 0) << out;
    const std::string script =
        "import zipfile,sys\n"
        "z=zipfile.ZipFile(sys.argv[1]); z.setpassword(b'pw')\n"
        "assert z.testzip() is None\n"
        "print(sorted(z.namelist()))\n";
    Spit(dir / "c.py", ToBytes(script));
    EXPECT_EQ(RunCommand("python3 " + Quote(dir / "c.py") + " " + Quote(dir / "z.zip"), &out), 0) << out;
    EXPECT_EQ(out, "['extra.txt', 'one.txt', 'two.bin']\n");
}
