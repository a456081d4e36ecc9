// Compatibility with the independent peers: archives we write pass Info-ZIP unzip, 7-Zip and
// Python's zipfile; archives they write are read and extracted by us with identical bytes.
#include <gtest/gtest.h>

#include <filesystem>
#include <map>

#include "ArchiveTestUtil.h"
#include "zip/SuperZip.h"

using namespace archive_test;
namespace fs = std::filesystem;

namespace {

// Source tree of one test: name -> content, under dir/src.
std::map<std::string, Bytes> SampleFiles()
{
    std::map<std::string, Bytes> files;
    files["empty.txt"] = {};
    files["one.txt"] = ToBytes("1");
    files["text.txt"] = TextBytes(200000);
    files["random.bin"] = RandomBytes(70000);   // incompressible: stored whole
    files["zeros.bin"] = Bytes(100000, 0);
    files["sub/deeper/notes.txt"] = TextBytes(3000, 9);
    for (int i = 0; i < 60; ++i)
        files["many/f" + std::to_string(i) + ".txt"] = TextBytes(static_cast<size_t>(i * 37), static_cast<uint32_t>(i));
    return files;
}

void WriteTree(const std::string& root, const std::map<std::string, Bytes>& files)
{
    for (const auto& [name, data] : files)
        Spit(root + "/" + name, data);
}

// Every file of the tree under root equals the sample.
void ExpectTree(const std::string& root, const std::map<std::string, Bytes>& files, const std::string& what)
{
    for (const auto& [name, data] : files)
        EXPECT_EQ(Slurp(root + "/" + name), data) << what << ": " << name;
}

int WriteOurs(const std::string& archive, const std::string& srcRoot, int level, const std::string& password)
{
    TSuperZip zip;
    zip.SetZipName(archive);
    zip.SetRootDir(srcRoot);
    zip.SetRelativePaths(true);
    zip.SetPackLevel(level);
    zip.Password = password;
    zip.FilesList.Add(srcRoot + "/*");
    return zip.Zip();
}

void ExtractOurs(const std::string& archive, const std::string& dest, const std::string& password,
                 const TGetNextDisk& nextDisk = nullptr)
{
    TSuperUnZip unzip;
    unzip.SetZipName(archive);
    unzip.OnGetNextDisk = nextDisk;
    unzip.SetDestDir(dest);
    unzip.DoAll = true;
    unzip.RecreateDirs = true;
    unzip.OverwriteMode = TUZOverwriteMode::Always;
    unzip.Password = password;
    unzip.OpenZip();
    unzip.ExtractMatching();
    unzip.CloseZip();
}

const char* PythonCheck =
    "import zipfile,sys,os\n"
    "z=zipfile.ZipFile(sys.argv[1])\n"
    "if len(sys.argv)>3: z.setpassword(sys.argv[3].encode())\n"
    "assert z.testzip() is None\n"
    "root=sys.argv[2]\n"
    "n=0\n"
    "for i in z.infolist():\n"
    "  if i.is_dir(): continue\n"
    "  data=z.read(i)\n"
    "  assert data==open(os.path.join(root,i.filename),'rb').read(), i.filename\n"
    "  n+=1\n"
    "print(n)\n";

}  // namespace

TEST(Interop, PeersTestAndReadOurArchives)
{
    for (const char* tool : {"unzip", "7z", "python3"})
        if (!HaveTool(tool))
            GTEST_SKIP() << tool << " missing";
    ScratchDir dir;
    const auto files = SampleFiles();
    WriteTree(dir / "src", files);
    Spit(dir / "check.py", ToBytes(PythonCheck));
    for (int level : {0, 1, 3, 6, 9}) {
        for (const std::string password : {"", "pass phrase"}) {
            const std::string what = "level " + std::to_string(level) + " pw '" + password + "'";
            const std::string archive = dir / ("ours" + std::to_string(level) + (password.empty() ? "" : "e") + ".zip");
            EXPECT_EQ(WriteOurs(archive, dir / "src", level, password), static_cast<int>(files.size())) << what;
            std::string out;
            const std::string pw = password.empty() ? "" : " -P " + Quote(password);
            EXPECT_EQ(RunCommand("unzip -tq" + pw + " " + Quote(archive), &out), 0) << what << out;
            const std::string pw7 = password.empty() ? "" : " -p" + Quote(password);
            EXPECT_EQ(RunCommand("7z t" + pw7 + " " + Quote(archive), &out), 0) << what << out;
            EXPECT_EQ(RunCommand("python3 " + Quote(dir / "check.py") + " " + Quote(archive) + " " + Quote(dir / "src") +
                                     (password.empty() ? "" : " " + Quote(password)),
                                 &out),
                      0)
                << what << out;
            EXPECT_EQ(std::stoi(out), static_cast<int>(files.size())) << what;
            // And we read back what we wrote.
            fs::remove_all(dir / "back");
            ExtractOurs(archive, dir / "back", password);
            ExpectTree(dir / "back", files, what);
        }
    }
}

TEST(Interop, CommentsWeWriteReachThePeers)
{
    if (!HaveTool("python3") || !HaveTool("unzip"))
        GTEST_SKIP();
    ScratchDir dir;
    Spit(dir / "src/a.txt", TextBytes(500));
    Spit(dir / "src/b.txt", TextBytes(800, 3));
    const std::string archive = dir / "c.zip";
    {
        TSuperZip zip;
        zip.SetZipName(archive);
        zip.FilesList.Add(dir / "src/*.txt");
        ASSERT_EQ(zip.Zip(), 2);
        zip.SetSortMode(TZipSortMode::ByName);
        zip.SetZipComment("archive comment");
        zip.SetFileComment(1, "comment of b");
        // Taking another name writes the changed comments into the archive first.
        zip.SetZipName(dir / "other.zip");
    }
    std::string out;
    const std::string script =
        "import zipfile,sys\n"
        "z=zipfile.ZipFile(sys.argv[1])\n"
        "assert z.testzip() is None\n"
        "print(z.comment.decode())\n"
        "print([i.comment.decode() for i in z.infolist()])\n";
    Spit(dir / "c.py", ToBytes(script));
    EXPECT_EQ(RunCommand("python3 " + Quote(dir / "c.py") + " " + Quote(archive), &out), 0) << out;
    EXPECT_EQ(out, "archive comment\n['', 'comment of b']\n");
    EXPECT_EQ(RunCommand("unzip -tq " + Quote(archive), &out), 0) << out;

    TSuperUnZip reader;
    reader.SetZipName(archive);
    reader.OpenZip();
    EXPECT_EQ(reader.GetZipComment(), "archive comment");
    EXPECT_EQ(reader.GetFileComment(1), "comment of b");
    EXPECT_EQ(reader.GetFileComment(0), "");
}

TEST(Interop, WeReadInfoZipArchives)
{
    if (!HaveTool("zip"))
        GTEST_SKIP() << "zip missing";
    ScratchDir dir;
    const auto files = SampleFiles();
    WriteTree(dir / "src", files);
    const std::string src = Quote(dir / "src");
    struct Case {
        std::string name, command, password;
    };
    const std::vector<Case> cases = {
        {"plain", "zip -qr ../z.zip .", ""},
        {"stored", "zip -qr0 ../z.zip .", ""},
        {"best", "zip -qr9 ../z.zip .", ""},
        {"crypt", "zip -qr -P sesame ../z.zip .", "sesame"},
        {"descriptors", "zip -qr -fd ../z.zip .", ""},
        {"crypt+descriptors", "zip -qr -fd -P sesame ../z.zip .", "sesame"},
        {"streamed", "zip -qr - . | cat > ../z.zip", ""},
        {"streamed crypt", "zip -qr -P sesame - . | cat > ../z.zip", "sesame"},
        {"comment", "zip -qr ../z.zip . && echo 'the comment' | zip -qz ../z.zip", ""},
    };
    for (const auto& c : cases) {
        fs::remove(dir / "z.zip");
        fs::remove_all(dir / "out");
        std::string out;
        ASSERT_EQ(RunCommand("cd " + src + " && " + c.command, &out), 0) << c.name << out;
        ExtractOurs(dir / "z.zip", dir / "out", c.password);
        ExpectTree(dir / "out", files, c.name);
    }
    // The archive comment of the last case.
    TSuperUnZip reader;
    reader.SetZipName(dir / "z.zip");
    reader.OpenZip();
    EXPECT_EQ(reader.GetZipComment(), "the comment");
}

TEST(Interop, WeReadStreamedStdin)
{
    if (!HaveTool("zip"))
        GTEST_SKIP();
    ScratchDir dir;
    const Bytes data = TextBytes(50000);
    Spit(dir / "in.txt", data);
    for (const std::string opts : {"", "-fz-"}) {
        ASSERT_EQ(RunCommand("zip -q " + opts + " - - < " + Quote(dir / "in.txt") + " | cat > " + Quote(dir / "s.zip")), 0);
        TSuperUnZip unzip;
        unzip.SetZipName(dir / "s.zip");
        TMemoryStream got;
        EXPECT_EQ(unzip.UnzipToStream(got, "-"), 1) << opts;
        EXPECT_EQ(got.Bytes(), data) << opts;
    }
}

TEST(Interop, WeReadSplitSetsThroughOnGetNextDisk)
{
    if (!HaveTool("zip"))
        GTEST_SKIP();
    ScratchDir dir;
    auto files = SampleFiles();
    files["big-random.bin"] = RandomBytes(300000, 77);   // entries cross volume borders
    files["big-text.txt"] = TextBytes(900000, 78);
    WriteTree(dir / "src", files);
    std::string out;
    ASSERT_EQ(RunCommand("cd " + Quote(dir / "src") + " && zip -qr -s 64k ../split.zip .", &out), 0) << out;
    int volumes = 0;
    while (fs::exists(dir / ("split.z" + std::string(volumes + 1 < 10 ? "0" : "") + std::to_string(volumes + 1))))
        ++volumes;
    ++volumes;   // the .zip itself is the last
    ASSERT_GT(volumes, 3);
    std::vector<int> asked;
    const TGetNextDisk nextDisk = [&](TSuperUnZip*, int disk, std::string& fname) {
        asked.push_back(disk);
        fname = disk == volumes ? dir / "split.zip"
                                : dir / ("split.z" + std::string(disk < 10 ? "0" : "") + std::to_string(disk));
    };
    ExtractOurs(dir / "split.zip", dir / "out", "", nextDisk);
    ExpectTree(dir / "out", files, "split");
    EXPECT_FALSE(asked.empty());

    // Without a handler a spanned archive cannot be read: an exception, not a guess.
    TSuperUnZip unzip;
    unzip.SetZipName(dir / "split.zip");
    TMemoryStream sink;
    EXPECT_ANY_THROW(unzip.UnzipToStream(sink, "*"));
}

TEST(Interop, WeRead7ZipArchives)
{
    if (!HaveTool("7z"))
        GTEST_SKIP();
    ScratchDir dir;
    const auto files = SampleFiles();
    WriteTree(dir / "src", files);
    struct Case {
        std::string name, options, password;
    };
    for (const Case& c : std::vector<Case>{{"default", "", ""},
                                            {"copy", "-mm=Copy", ""},
                                            {"fast", "-mx=1", ""},
                                            {"ultra", "-mx=9", ""},
                                            {"zipcrypto", "-pmagic -mem=ZipCrypto", "magic"}}) {
        fs::remove(dir / "s.zip");
        fs::remove_all(dir / "out");
        std::string out;
        ASSERT_EQ(RunCommand("cd " + Quote(dir / "src") + " && 7z a -tzip " + c.options + " ../s.zip . >/dev/null", &out), 0)
            << c.name << out;
        ExtractOurs(dir / "s.zip", dir / "out", c.password);
        ExpectTree(dir / "out", files, c.name);
    }
}

TEST(Interop, WeReadPythonArchives)
{
    if (!HaveTool("python3"))
        GTEST_SKIP();
    ScratchDir dir;
    const auto files = SampleFiles();
    WriteTree(dir / "src", files);
    const std::string script =
        "import zipfile,sys,os\n"
        "root=sys.argv[1]\n"
        "for out,method in ((sys.argv[2],zipfile.ZIP_STORED),(sys.argv[3],zipfile.ZIP_DEFLATED)):\n"
        "  with zipfile.ZipFile(out,'w',method) as z:\n"
        "    for d,_,names in os.walk(root):\n"
        "      for n in sorted(names):\n"
        "        p=os.path.join(d,n); z.write(p, os.path.relpath(p,root))\n"
        "    z.comment=b'py comment'\n";
    Spit(dir / "w.py", ToBytes(script));
    std::string out;
    ASSERT_EQ(RunCommand("python3 " + Quote(dir / "w.py") + " " + Quote(dir / "src") + " " + Quote(dir / "p0.zip") + " " +
                             Quote(dir / "p8.zip"),
                         &out),
              0)
        << out;
    for (const char* name : {"p0.zip", "p8.zip"}) {
        fs::remove_all(dir / "out");
        ExtractOurs(dir / name, dir / "out", "");
        ExpectTree(dir / "out", files, name);
        TSuperUnZip reader;
        reader.SetZipName(dir / name);
        reader.OpenZip();
        EXPECT_EQ(reader.GetZipComment(), "py comment");
        EXPECT_EQ(reader.Count(), static_cast<int>(files.size()));
    }
}
