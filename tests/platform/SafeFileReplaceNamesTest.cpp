// What stands under the name replaced: FIFOs and device nodes, links in shared sticky folders,
// names near the file system's limit, folders the saver may not write (run as root: the saver
// and the other user are made with setresuid in a child).
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "tests/platform/ReplaceAs.h"
#include "tests/ui/mainwindow/TestFiles.h"

namespace fs = std::filesystem;

namespace {

void Own(const std::string& name, uid_t owner, mode_t mode)
{
    ::lchown(name.c_str(), owner, owner);
    if (!fs::is_symlink(name))
        ::chmod(name.c_str(), mode);
}

class SafeFileReplaceNamesTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (::geteuid() != 0)
            GTEST_SKIP() << "needs root to make device nodes and to act as other users";
    }
    std::string File(const std::string& name) const { return dir_.File(name); }

    TTempFolder dir_;
};

TEST_F(SafeFileReplaceNamesTest, FifosAndDevicesAreWrittenIntoByExportsAndRefusedByTheDataFile)
{
    enum Node { Fifo, FifoRead, Null };
    struct Case {
        const char* what;
        Node node;
        bool atBackup;  // the node stands at the backup name, not at the name saved
        TReplaceRules rules;
        std::string said;  // %s: the name saved
        // Another user's file shared with the saver is there at first (so it is written in
        // place) and is swapped for the node, with a reader, while the saver makes the content.
        bool swapped = false;
    };
    const Case cases[] = {
        {"an export to a FIFO that is read", FifoRead, false, kExport, "saved"},
        {"an export to a FIFO nobody reads", Fifo, false, kExport, "Can not override file: \"%s\". No such device or address"},
        {"an export to the null device", Null, false, kExport, "saved"},
        {"the data file to a FIFO", FifoRead, false, kSave, "Can not override file: \"%s\". Not a regular file"},
        {"the data file to the null device", Null, false, kSave, "Can not override file: \"%s\". Not a regular file"},
        {"a FIFO at the backup name", Fifo, true, kSave, "saved, The backup \"%s.bak\" cannot be made. Not a regular file"},
        {"an export written in place, swapped for a FIFO", Fifo, false, kExport, "Can not override file: \"%s\". Not a regular file",
         true},
        {"the data file written in place, swapped for a FIFO", Fifo, false, kSave,
         "Can not override file: \"%s\". The backup \"%s.bak\" cannot be made. Not a regular file. The file \"%s\" is unchanged.",
         true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const std::string doc = File("out.xml"), node = c.atBackup ? doc + ".bak" : doc;
        fs::remove_all(dir_.Path());
        fs::create_directories(dir_.Path());
        if (c.atBackup)
            WriteAll(doc, "old");
        auto makeNode = [&] {
            return c.node == Null ? ::mknod(node.c_str(), S_IFCHR | 0666, ::makedev(1, 3)) : ::mkfifo(node.c_str(), 0666);
        };
        if (c.swapped) {
            Own(dir_.Path(), kRoot, 0777);
            WriteAll(doc, "theirs");
            Own(doc, kOther, 0666);
            auto swap = [&] {
                ::unlink(doc.c_str());
                makeNode();
                (void)::open(doc.c_str(), O_RDONLY | O_NONBLOCK);
            };
            std::string said = c.said;
            for (size_t at; (at = said.find("%s")) != std::string::npos;)
                said.replace(at, 2, doc);
            EXPECT_EQ(ReplaceAs(kSaver, doc, c.rules, "new", swap), said);
            EXPECT_EQ(TemporaryFilesIn(dir_.Path()), 0);
            continue;
        }
        ASSERT_EQ(makeNode(), 0);
        // A reader that is there when the export opens, with a writer of the test's own so that
        // it sees the end only when the test says; what is written waits in the pipe.
        int reader = -1, writer = -1;
        if (c.node == FifoRead) {
            reader = ::open(node.c_str(), O_RDONLY | O_NONBLOCK);
            writer = ::open(node.c_str(), O_WRONLY);
        }
        std::string said = c.said;
        if (said.find("%s") != std::string::npos)
            said.replace(said.find("%s"), 2, doc);
        EXPECT_EQ(Replace(doc, c.rules), said);
        struct stat after {};
        ASSERT_EQ(::lstat(node.c_str(), &after), 0);
        EXPECT_EQ(after.st_mode & S_IFMT, c.node == Null ? S_IFCHR : S_IFIFO);
        if (c.node == FifoRead) {
            ::close(writer);
            std::string got;
            char buffer[64];
            for (ssize_t n; (n = ::read(reader, buffer, sizeof buffer)) > 0;)
                got.append(buffer, size_t(n));
            ::close(reader);
            EXPECT_EQ(got, c.rules.DataFile ? "" : "new");
        }
        if (c.atBackup)
            EXPECT_EQ(ReadAll(doc), "new");
        EXPECT_EQ(TemporaryFilesIn(dir_.Path()), 0);
    }
    // A pipe behind a link of the system's own, as /dev/stdout is.
    int pipe[2];
    ASSERT_EQ(::pipe(pipe), 0);
    EXPECT_EQ(Replace("/proc/self/fd/" + std::to_string(pipe[1]), kExport), "saved");
    char got[8] = {};
    EXPECT_EQ(::read(pipe[0], got, sizeof got), 3);
    EXPECT_STREQ(got, "new");
    ::close(pipe[0]);
    ::close(pipe[1]);
}

// In a sticky folder everyone may write, a link is followed only when it belongs to the saver
// or to the folder's owner, for the data file and exports (and archives) alike.
TEST_F(SafeFileReplaceNamesTest, LinksOfOtherUsersInASharedFolderAreNotFollowed)
{
    struct Case {
        const char* what;
        bool sticky;
        uid_t linkOwner;
        bool followed;
    };
    const Case cases[] = {
        {"another user's link", true, kOther, false},
        {"the saver's own link", true, kSaver, true},
        {"the folder owner's link", true, kRoot, true},
        {"another user's link in a folder that is not shared", false, kOther, true},
    };
    for (const Case& c : cases)
        for (TReplaceRules rules : {kSave, kExport}) {
            SCOPED_TRACE(std::string(c.what) + (rules.DataFile ? ", save" : ", export"));
            fs::remove_all(dir_.Path());
            fs::create_directories(File("home"));
            Own(dir_.Path(), kRoot, c.sticky ? 01777 : 0777);
            Own(File("home"), kSaver, 0755);
            const std::string notes = File("home/notes.txt"), link = File("report.xml"), chain = File("home/report.xml");
            WriteAll(notes, "notes");
            Own(notes, kSaver, 0600);
            fs::create_symlink(notes, link);
            Own(link, c.linkOwner, 0);
            fs::create_symlink(link, chain);  // the saver's own link to it: the walk goes on through it
            Own(chain, kSaver, 0);
            for (const std::string& saved : {link, chain}) {
                const std::string said = ReplaceAs(kSaver, saved, rules);
                EXPECT_EQ(said, c.followed ? "saved"
                                           : "Can not override file: \"" + saved + "\". The link \"" + link +
                                                 "\" in a shared folder belongs to another user");
                EXPECT_EQ(ReadAll(notes), c.followed ? "new" : "notes");
                EXPECT_TRUE(fs::is_symlink(link));
                WriteAll(notes, "notes");
            }
        }
}

// In a sticky folder everyone may write, only a file or FIFO of the saver's or of the folder's
// owner is written into; another user's planted there is refused and left as it was.
TEST_F(SafeFileReplaceNamesTest, APlantedFileOrFifoInASharedFolderIsNotWrittenInto)
{
    enum Node { Regular, FifoRead, SecondName, SecondNameMeanwhile };
    struct Case {
        const char* what;
        bool sticky;
        Node node;
        uid_t owner;
        TReplaceRules rules;
        bool written;
    };
    const Case cases[] = {
        {"another user's file, an export", true, Regular, kOther, kExport, false},
        {"another user's file, the data file", true, Regular, kOther, kSave, false},
        {"another user's FIFO that he reads", true, FifoRead, kOther, kExport, false},
        {"the saver's own FIFO", true, FifoRead, kSaver, kExport, true},
        {"the folder owner's FIFO", true, FifoRead, kRoot, kExport, true},
        {"the folder owner's file", true, Regular, kRoot, kSave, true},
        {"a second name anyone may have given the folder owner's file", true, SecondName, kRoot, kExport, false},
        {"a second name given to the folder owner's file during the save", true, SecondNameMeanwhile, kRoot, kExport, false},
        {"another user's file in a folder that is not sticky", false, Regular, kOther, kSave, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        fs::remove_all(dir_.Path());
        fs::create_directories(dir_.Path());
        Own(dir_.Path(), kRoot, c.sticky ? 01777 : 0777);
        const std::string doc = File(c.rules.DataFile ? "planned.tvd" : "report.xml");
        if (c.node == Regular || c.node == SecondNameMeanwhile)
            WriteAll(doc, "theirs");
        else if (c.node == SecondName)
            WriteAll(File("elsewhere"), "theirs"), fs::create_hard_link(File("elsewhere"), doc);
        else
            ASSERT_EQ(::mkfifo(doc.c_str(), 0666), 0);
        Own(doc, c.owner, 0666);
        int reader = -1, writer = -1;
        if (c.node == FifoRead) {
            reader = ::open(doc.c_str(), O_RDONLY | O_NONBLOCK);
            writer = ::open(doc.c_str(), O_WRONLY);
        }
        auto meanwhile = [&] {
            if (c.node == SecondNameMeanwhile)
                ::link(doc.c_str(), File("elsewhere").c_str());
        };
        EXPECT_EQ(ReplaceAs(kSaver, doc, c.rules, "new", meanwhile),
                  c.written ? "saved"
                            : "Can not override file: \"" + doc + "\". The file \"" + doc +
                                  "\" in a shared folder belongs to another user");
        struct stat after {};
        ASSERT_EQ(::lstat(doc.c_str(), &after), 0);
        EXPECT_EQ(after.st_uid, c.owner);
        if (c.node == FifoRead) {
            ::close(writer);
            char got[8] = {};
            EXPECT_EQ(::read(reader, got, sizeof got), c.written ? 3 : 0);
            ::close(reader);
        } else {
            EXPECT_EQ(ReadAll(doc), c.written ? "new" : "theirs");
        }
        EXPECT_FALSE(fs::exists(doc + ".bak") && !c.written);
    }
}

// The temporary names are short: names up to the file system's limit are saved and exported,
// also beside a temporary that a killed save left behind.
TEST_F(SafeFileReplaceNamesTest, NamesUpToTheLimitAreSavedBesideAStaleTemporary)
{
    for (size_t length : {238u, 243u, 244u, 251u, 255u})
        for (TReplaceRules rules : {kSave, kExport}) {
            SCOPED_TRACE(std::to_string(length) + (rules.DataFile ? ", save" : ", export"));
            const std::string doc = File(std::string(length - 4, 'n') + ".tvd");
            WriteAll(doc, "old");
            WriteAll(TempFileNameFor(doc), "stale");
            std::string said = "saved";
            if (rules.Backup && length > 251)
                said += ", The backup \"" + doc + ".bak\" cannot be made. File name too long";
            EXPECT_EQ(Replace(doc, rules), said);
            EXPECT_EQ(ReadAll(doc), "new");
            EXPECT_EQ(ReadAll(TempFileNameFor(doc)), "stale");
            EXPECT_EQ(TemporaryFilesIn(dir_.Path()), 1);
            fs::remove(doc);
            std::error_code none;
            fs::remove(doc + ".bak", none);
        }
}

// A folder the saver may not write: an export goes into his own writable file there, the data
// file is refused, and the message names his file.
TEST_F(SafeFileReplaceNamesTest, AFolderTheSaverMayNotWrite)
{
    struct Case {
        const char* what;
        const char* name;
        TReplaceRules rules;
        std::string said;  // %s: the name saved
        std::string after;
    };
    const Case cases[] = {
        {"an export over his own file", "mine.xml", kExport, "saved", "new"},
        {"the data file over his own file", "mine.xml", kSave, "Can not override file: \"%s\". Permission denied", "an older export"},
        {"an export to a new file", "new.xml", kExport, "Can not write file : \"%s\". Permission denied", ""},
        {"an export over a file he may not write", "theirs.xml", kExport, "Can not override file: \"%s\". Permission denied", "an older export"},
    };
    const std::string folder = File("ro");
    fs::create_directories(folder);
    for (const char* name : {"mine.xml", "theirs.xml"})
        WriteAll(folder + "/" + name, "an older export");
    Own(folder + "/mine.xml", kSaver, 0644);
    Own(folder + "/theirs.xml", kOther, 0644);
    Own(folder, kSaver, 0555);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const std::string doc = folder + "/" + c.name;
        std::string said = c.said;
        if (said.find("%s") != std::string::npos)
            said.replace(said.find("%s"), 2, doc);
        EXPECT_EQ(ReplaceAs(kSaver, doc, c.rules), said);
        EXPECT_EQ(ReadAll(doc), c.after);
        if (c.after == "new")
            WriteAll(doc, "an older export");
    }
    EXPECT_EQ(TemporaryFilesIn(folder), 0);
    EXPECT_FALSE(fs::exists(folder + "/mine.xml.bak"));
}

} // namespace
