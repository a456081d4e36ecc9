// Compatibility with the independent peers: archives we write pass Info-ZIP unzip, 7-Zip and
// Python's zipfile; archives they write are read and extracted by us with identical bytes.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <map>

#include "platform/Stream.h"
#include "zip/SuperZip.h"
#include "zip/ZipExceptions.h"
#include "zip/ZipTestSupport.h"

namespace fs = std::filesystem;

namespace {

using TTree = std::map<std::string, Bytes>;

// Empty and one-byte files, text, incompressible data (stored whole), zeros, a deep path, names
// inside and outside code page 437, an executable and a read-only file, a name of 255 bytes
// (the file system's limit) and many entries.
TTree SampleFiles()
{
    TTree files = {{"empty.txt", {}},
                   {"one.txt", ToBytes("1")},
                   {"text.txt", PseudoText(200000)},
                   {"random.bin", RandomBytes(70000)},
                   {"zeros.bin", Bytes(100000, 0)},
                   {"sub/deeper/notes.txt", PseudoText(3000, 9)},
                   {"names/Gr\xC3\xBC\xC3\x9F" "e.txt", ToBytes("cp437")},          // Grüße.txt
                   {"names/\xE6\x97\xA5\xE6\x9C\xAC.txt", ToBytes("japan")},     // 日本.txt
                   {"names/\xE4\xB8\xAD\xE5\x9B\xBD.txt", ToBytes("china")},     // 中国.txt
                   {"run.sh", ToBytes("#!/bin/sh\n")},
                   {"readonly.txt", ToBytes("keep")},
                   {"long/" + std::string(251, 'n') + ".txt", ToBytes("the longest name a file can have")}};
    for (int i = 0; i < 60; ++i)
        files["many/f" + std::to_string(i) + ".txt"] = PseudoText(size_t(i * 37), uint32_t(i));
    return files;
}

const std::map<std::string, fs::perms> SampleModes = {{"run.sh", fs::perms(0755)}, {"readonly.txt", fs::perms(0444)}};

void WriteTree(const std::string& root, const TTree& files)
{
    for (const auto& [name, data] : files)
        WriteFileBytes(root + "/" + name, data);
    for (const auto& [name, mode] : SampleModes)
        fs::permissions(root + "/" + name, mode);
}

// The files with their names, bytes and modes.
void ExpectTree(const std::string& root, const TTree& files, const std::string& what)
{
    for (const auto& [name, data] : files) {
        EXPECT_TRUE(fs::exists(root + "/" + name)) << what << ": " << name;
        EXPECT_EQ(ReadFileBytes(root + "/" + name), data) << what << ": " << name;
    }
    for (const auto& [name, mode] : SampleModes)
        EXPECT_EQ(fs::status(root + "/" + name).permissions() & fs::perms::all, mode) << what << ": " << name;
}

void ExtractOurs(const std::string& archive, const std::string& dest, const std::string& password,
                 const TGetNextDisk& nextDisk = nullptr)
{
    fs::remove_all(dest);
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
}

std::string ZipCommentOf(const std::string& archive)
{
    TSuperUnZip reader;
    reader.SetZipName(archive);
    reader.OpenZip();
    return reader.GetZipComment();
}

}  // namespace

TEST(Interop, PeersTestAndReadOurArchives)
{
    REQUIRE_TOOLS("unzip", "7z", "python3");
    TTempDir dir;
    const TTree files = SampleFiles();
    WriteTree(dir / "src", files);
    WriteFileBytes(dir / "check.py", ToBytes("import zipfile,sys,os,time\n"
                                             "z=zipfile.ZipFile(sys.argv[1])\n"
                                             "if len(sys.argv)>3: z.setpassword(sys.argv[3].encode())\n"
                                             "assert z.testzip() is None\n"
                                             "n=0\n"
                                             "for i in z.infolist():\n"
                                             "  if i.is_dir(): continue\n"
                                             "  p=os.path.join(sys.argv[2],i.filename)\n"
                                             "  assert z.read(i)==open(p,'rb').read()\n"
                                             "  assert i.external_attr>>16==os.stat(p).st_mode,p\n"
                                             "  t=time.localtime(os.stat(p).st_mtime)\n"
                                             "  assert i.date_time==tuple(t[:5])+(t[5]//2*2,),p\n"
                                             "  n+=1\n"
                                             "print(n)\n"));
    for (int level = 0; level <= 9; ++level) {
        for (const std::string password : {"", "pass phrase"}) {
            const std::string what = "level " + std::to_string(level) + " pw '" + password + "'";
            const std::string archive = dir / ("ours" + std::to_string(level) + (password.empty() ? "" : "e") + ".zip");
            TSuperZip zip;
            zip.SetZipName(archive);
            zip.SetRootDir(dir / "src");
            zip.SetRelativePaths(true);
            zip.SetPackLevel(level);
            zip.Password = password;
            zip.FilesList.Add(dir / "src/*");
            EXPECT_EQ(zip.Zip(), int(files.size())) << what;
            const std::string pw = password.empty() ? "" : " -P " + Quote(password);
            EXPECT_EQ(RunCommand("unzip -tq" + pw + " " + Quote(archive) + " >/dev/null 2>&1"), 0) << what;
            const std::string pw7 = password.empty() ? "" : " -p" + Quote(password);
            EXPECT_EQ(RunCommand("7z t" + pw7 + " " + Quote(archive) + " >/dev/null 2>&1"), 0) << what;
            std::string count;
            EXPECT_EQ(RunCommand("python3 " + Quote(dir / "check.py") + " " + Quote(archive) + " " + Quote(dir / "src") +
                                 (password.empty() ? "" : " " + Quote(password)), &count), 0) << what;
            EXPECT_EQ(count, std::to_string(files.size()) + "\n") << what;
            ExtractOurs(archive, dir / "back", password);
            ExpectTree(dir / "back", files, what);
            if (level == 6) {
                // Names and modes as the peers extract them.
                fs::remove_all(dir / "u");
                EXPECT_EQ(RunCommand("unzip -q" + pw + " " + Quote(archive) + " -d " + Quote(dir / "u")), 0) << what;
                ExpectTree(dir / "u", files, "unzip " + what);
                fs::remove_all(dir / "s");
                EXPECT_EQ(RunCommand("7z x -y" + pw7 + " -o" + Quote(dir / "s") + " " + Quote(archive) + " >/dev/null"), 0)
                    << what;
                ExpectTree(dir / "s", files, "7z " + what);
            }
        }
    }
}

TEST(Interop, CommentsWeWriteReachThePeers)
{
    REQUIRE_TOOLS("unzip", "python3");
    TTempDir dir;
    WriteFileBytes(dir / "src/a.txt", PseudoText(500));
    WriteFileBytes(dir / "src/b.txt", PseudoText(800, 3));
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
    WriteFileBytes(dir / "c.py", ToBytes("import zipfile,sys\n"
                                         "z=zipfile.ZipFile(sys.argv[1])\n"
                                         "assert z.testzip() is None\n"
                                         "print(z.comment.decode())\n"
                                         "print([i.comment.decode() for i in z.infolist()])\n"));
    std::string out;
    EXPECT_EQ(RunCommand("python3 " + Quote(dir / "c.py") + " " + Quote(archive), &out), 0);
    EXPECT_EQ(out, "archive comment\n['', 'comment of b']\n");
    EXPECT_EQ(RunCommand("unzip -tq " + Quote(archive) + " >/dev/null 2>&1"), 0);
    TSuperUnZip reader;
    reader.SetZipName(archive);
    reader.OpenZip();
    EXPECT_EQ(reader.GetZipComment(), "archive comment");
    EXPECT_EQ(reader.GetFileComment(1), "comment of b");
    EXPECT_EQ(reader.GetFileComment(0), "");
}

TEST(Interop, WeReadPeerArchives)
{
    REQUIRE_TOOLS("zip", "7z", "python3");
    TTempDir dir;
    const TTree files = SampleFiles();
    WriteTree(dir / "src", files);
    WriteFileBytes(dir / "w.py", ToBytes("import zipfile,sys,os\n"
                                         "with zipfile.ZipFile('../z.zip','w',int(sys.argv[1])) as z:\n"
                                         "  for d,_,names in os.walk('.'):\n"
                                         "    for n in sorted(names):\n"
                                         "      z.write(os.path.join(d,n))\n"
                                         "  z.comment=b'py comment'\n"));
    struct TCase {
        TCase(std::string command, std::string password = "", std::string comment = "")
            : Command(std::move(command)), Password(std::move(password)), Comment(std::move(comment)) {}
        std::string Command, Password, Comment;
    };
    const TCase cases[] = {
        {"zip -qr ../z.zip ."},
        {"zip -qr0 ../z.zip ."},
        {"zip -qr1 ../z.zip ."},
        {"zip -qr9 ../z.zip ."},
        {"zip -qr -P sesame ../z.zip .", "sesame"},
        {"zip -qr -fd ../z.zip .", ""},
        {"zip -qr -fd -P sesame ../z.zip .", "sesame"},
        {"zip -qr - . | cat > ../z.zip"},
        {"zip -qr -P sesame - . | cat > ../z.zip", "sesame"},
        {"zip -qr ../z.zip . && echo 'the comment' | zip -qz ../z.zip", "", "the comment"},
        {"7z a -tzip ../z.zip ."},
        {"7z a -tzip -mm=Copy ../z.zip ."},
        {"7z a -tzip -mx=1 ../z.zip ."},
        {"7z a -tzip -mx=9 ../z.zip ."},
        {"7z a -tzip -pmagic -mem=ZipCrypto ../z.zip .", "magic"},
        {"python3 ../w.py 0", "", "py comment"},
        {"python3 ../w.py 8", "", "py comment"},
    };
    for (const TCase& c : cases) {
        fs::remove(dir / "z.zip");
        ASSERT_EQ(RunCommand("cd " + Quote(dir / "src") + " && (" + c.Command + ") >/dev/null 2>&1"), 0) << c.Command;
        ExtractOurs(dir / "z.zip", dir / "out", c.Password);
        ExpectTree(dir / "out", files, c.Command);
        EXPECT_EQ(ZipCommentOf(dir / "z.zip"), c.Comment) << c.Command;
    }

    // Streamed from standard input: sizes and CRC in a data descriptor, the name "-".
    for (const std::string options : {"", "-fz-"}) {
        ASSERT_EQ(RunCommand("zip -q " + options + " - - < " + Quote(dir / "src/text.txt") + " > " + Quote(dir / "s.zip")), 0);
        TSuperUnZip unzip;
        unzip.SetZipName(dir / "s.zip");
        TMemoryStream got;
        EXPECT_EQ(unzip.UnzipToStream(got, "-"), 1) << options;
        EXPECT_EQ(got.Bytes(), files.at("text.txt")) << options;
    }

    // What the decoders cannot take is refused at once, saying why: a ZIP64 archive as a whole,
    // an entry of an unknown method in a box, the other entries still extracted.
    const struct {
        std::string command, message;
        bool box;
    } refused[] = {
        {"zip -q -fz ../r.zip one.txt", "ZIP64 archives are not supported", false},
        {"7z a -tzip -pmagic -mem=AES256 ../r.zip one.txt && 7z a -tzip -pmagic -mem=ZipCrypto ../r.zip run.sh",
         "Zip Error: Unknown Compression Method 99 (AES encryption) in one.txt", true},
    };
    for (const auto& r : refused) {
        fs::remove(dir / "r.zip");
        ASSERT_EQ(RunCommand("cd " + Quote(dir / "src") + " && (" + r.command + ") >/dev/null 2>&1"), 0) << r.command;
        TRecordingZipHost host;
        TZipHostScope scope(host);
        try {
            ExtractOurs(dir / "r.zip", dir / "out", "magic");
            EXPECT_TRUE(r.box) << r.command;
            EXPECT_EQ(host.Asked, std::vector<std::string>{r.message});
            EXPECT_EQ(ReadFileBytes(dir / "out/run.sh"), files.at("run.sh"));
        } catch (const EFatalUnzipError& e) {
            EXPECT_FALSE(r.box) << r.command;
            EXPECT_EQ(e.Message(), r.message) << r.command;
        }
    }
}

TEST(Interop, WeReadSplitSetsThroughOnGetNextDisk)
{
    REQUIRE_TOOLS("zip");
    TTempDir dir;
    TTree files = SampleFiles();
    files["big-random.bin"] = RandomBytes(300000, 77);   // entries cross volume borders
    files["big-text.txt"] = PseudoText(900000, 78);
    WriteTree(dir / "src", files);
    ASSERT_EQ(RunCommand("cd " + Quote(dir / "src") + " && zip -qr -s 64k ../split.zip ."), 0);
    const auto volume = [&](int disk) { return dir / ((disk < 10 ? "split.z0" : "split.z") + std::to_string(disk)); };
    int volumes = 1;   // the .zip itself is the last
    while (fs::exists(volume(volumes)))
        ++volumes;
    ASSERT_GT(volumes, 3);
    std::vector<int> asked;
    ExtractOurs(dir / "split.zip", dir / "out", "", [&](TSuperUnZip*, int disk, std::string& fname) {
        asked.push_back(disk);
        fname = disk == volumes ? dir / "split.zip" : volume(disk);
    });
    ExpectTree(dir / "out", files, "split");
    EXPECT_FALSE(asked.empty());

    // Without a handler a spanned archive cannot be read: an exception, not a guess.
    TSuperUnZip unzip;
    unzip.SetZipName(dir / "split.zip");
    TMemoryStream sink;
    EXPECT_ANY_THROW(unzip.UnzipToStream(sink, "*"));
}

// A link in an archive of zip -y or Python becomes an ordinary file holding the link's text,
// with the modes such a file gets, never the link's 0777; regular files keep their own.
TEST(Interop, LinkEntriesBecomeOrdinaryFiles)
{
    REQUIRE_TOOLS("zip", "python3");
    TTempDir dir;
    WriteFileBytes(dir / "src/plain.txt", ToBytes("plain"));
    fs::permissions(dir / "src/plain.txt", fs::perms(0640));
    WriteFileBytes(dir / "src/zero", ToBytes("zero"));
    WriteFileBytes(dir / "src/bare", ToBytes("bare"));
    fs::permissions(dir / "src/bare", fs::perms(0640));
    fs::create_symlink("plain.txt", dir / "src/link");
    fs::create_symlink("../nowhere/at/all", dir / "src/dangling");
    WriteFileBytes(dir / "w.py", ToBytes("import zipfile,stat\n"
                                         "with zipfile.ZipFile('../z.zip','w') as z:\n"
                                         "  z.write('plain.txt')\n"
                                         "  for name,target,mode in [('link','plain.txt',0o777),('dangling','../nowhere/at/all',0o700)]:\n"
                                         "    i=zipfile.ZipInfo(name); i.create_system=3\n"
                                         "    i.external_attr=(stat.S_IFLNK|mode)<<16\n"
                                         "    z.writestr(i,target)\n"
                                         "  for name,attr in [('bare',0o640<<16),('zero',1)]:\n"
                                         "    i=zipfile.ZipInfo(name); i.create_system=3; i.external_attr=attr\n"
                                         "    z.writestr(i,name)\n"));
    const mode_t mask = ::umask(0);
    ::umask(mask);
    const fs::perms ordinary = fs::perms(0666 & ~mask), readOnly = fs::perms(0444 & ~mask);
    fs::permissions(dir / "src/zero", readOnly);
    for (const std::string command : {"zip -qy ../z.zip plain.txt link dangling bare zero", "python3 ../w.py"}) {
        fs::remove(dir / "z.zip");
        ASSERT_EQ(RunCommand("cd " + Quote(dir / "src") + " && " + command), 0) << command;
        ExtractOurs(dir / "z.zip", dir / "out", "");
        const struct {
            std::string name, text;
            fs::perms mode;
        } rows[] = {{"plain.txt", "plain", fs::perms(0640)},
                    {"link", "plain.txt", ordinary},
                    {"dangling", "../nowhere/at/all", ordinary},
                    {"bare", "bare", fs::perms(0640)},   // permission bits without a file type
                    {"zero", "zero", readOnly}};   // no Unix mode, read-only for DOS
        for (const auto& r : rows) {
            const fs::path out = fs::path(dir / "out") / r.name;
            EXPECT_TRUE(fs::is_regular_file(fs::symlink_status(out))) << command << ": " << r.name;
            EXPECT_EQ(ReadFileBytes(out), ToBytes(r.text)) << command << ": " << r.name;
            EXPECT_EQ(fs::status(out).permissions() & fs::perms::all, r.mode) << command << ": " << r.name;
        }
    }
}
