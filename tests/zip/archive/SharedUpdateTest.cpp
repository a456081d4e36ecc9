// An archive updated among other users (run as root: the updater is made with setresuid in a
// child): another user's link in a shared sticky folder is not followed, and another user's
// archive that the updater may write stays that user's.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>

#include "tests/platform/ReplaceAs.h"
#include "zip/SuperZip.h"
#include "zip/ZipTestSupport.h"

namespace fs = std::filesystem;

namespace {

// The number of entries written when user zips file into archive in a child, or the message.
std::string ZipAs(uid_t user, const std::string& archive, const std::string& file)
{
    int status = 0;
    return RunInChild(
        [&]() -> std::string {
            if (::setresgid(user, user, user) != 0 || ::setresuid(user, user, user) != 0)
                return "could not become the updater";
            try {
                TSuperZip z;
                z.SetZipName(archive);
                z.FilesList.Add(file);
                return std::to_string(z.Zip());
            } catch (const std::exception& e) {
                return e.what();
            }
        },
        status);
}

TEST(SharedUpdate, OtherUsersLinksAreNotFollowedAndTheirArchivesStayTheirs)
{
    if (::geteuid() != 0)
        GTEST_SKIP() << "needs root to act as other users";
    REQUIRE_TOOLS("zip", "unzip");
    struct Case {
        const char* what;
        uid_t linkOwner;  // of the link updated in the sticky folder; root: no link, the archive itself
        uid_t archiveOwner;
        std::string said;
    };
    const Case cases[] = {
        {"another user's link", kOther, kSaver, "Can not override file: \"%s\". The link \"%s\" in a shared folder belongs to another user"},
        {"the updater's own link", kSaver, kSaver, "1"},
        {"another user's archive he may write", kRoot, kOther, "1"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        TTempDir dir;
        fs::create_directories(dir / "home");
        ASSERT_EQ(RunCommand("cd " + Quote(dir.Path()) + " && echo x > old.txt && echo y > new.txt && zip -q home/a.zip old.txt"), 0);
        ::chmod(dir.Path().c_str(), 01777);
        ::chmod((dir / "home/a.zip").c_str(), 0666);
        for (const std::string& name : {dir / "home", dir / "home/a.zip"})
            ::chown(name.c_str(), c.archiveOwner, c.archiveOwner);
        std::string updated = dir / "home/a.zip";
        if (c.linkOwner != kRoot) {
            updated = dir / "a.zip";
            fs::create_symlink(dir / "home/a.zip", updated);
            ::lchown(updated.c_str(), c.linkOwner, c.linkOwner);
        }
        const std::string said = ZipAs(kSaver, updated, dir / "new.txt");
        std::string expected = c.said;
        for (size_t at; (at = expected.find("%s")) != std::string::npos;)
            expected.replace(at, 2, updated);
        EXPECT_EQ(said, expected);
        std::string listing;
        EXPECT_EQ(RunCommand("unzip -Z1 " + Quote(dir / "home/a.zip"), &listing), 0);
        EXPECT_EQ(listing, said == "1" ? "old.txt\nnew.txt\n" : "old.txt\n");
        struct stat after {};
        ASSERT_EQ(::stat((dir / "home/a.zip").c_str(), &after), 0);
        EXPECT_EQ(after.st_uid, c.archiveOwner);
    }
}

// A new archive obeys the update's rules: another user's link in a shared sticky folder is not
// followed to make a file, and a FIFO is written into, never opened to wait or replaced.
TEST(SharedUpdate, ANewArchiveFollowsOnlyTheUpdatersLinksAndWritesIntoAFifo)
{
    if (::geteuid() != 0)
        GTEST_SKIP() << "needs root to act as other users";
    enum Kind { Link, Fifo, FifoRead };
    struct Case {
        const char* what;
        Kind kind;
        uid_t owner;  // of the link or the FIFO in the sticky folder
        std::string said;
    };
    const Case cases[] = {
        {"another user's link to a missing file", Link, kOther, "Can not override file: \"%s\". The link \"%s\" in a shared folder belongs to another user"},
        {"the zipper's own link to a missing file", Link, kSaver, "1"},
        {"a FIFO nobody reads", Fifo, kSaver, "Can not override file: \"%s\". No such device or address"},
        {"a FIFO that is read", FifoRead, kSaver, "1"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        TTempDir dir;
        fs::create_directories(dir / "home");
        ASSERT_EQ(RunCommand("cd " + Quote(dir.Path()) + " && echo y > new.txt"), 0);
        ::chmod(dir.Path().c_str(), 01777);
        ::chown((dir / "home").c_str(), kSaver, kSaver);
        const std::string named = dir / "a.zip", missing = dir / "home/a.zip";
        if (c.kind == Link)
            fs::create_symlink(missing, named);
        else
            ASSERT_EQ(::mkfifo(named.c_str(), 0666), 0);
        ::lchown(named.c_str(), c.owner, c.owner);
        int reader = -1, writer = -1;  // the test's own writer: the reader sees the end when told
        if (c.kind == FifoRead) {
            reader = ::open(named.c_str(), O_RDONLY | O_NONBLOCK);
            writer = ::open(named.c_str(), O_WRONLY);
        }
        std::string expected = c.said;
        for (size_t at; (at = expected.find("%s")) != std::string::npos;)
            expected.replace(at, 2, named);
        EXPECT_EQ(ZipAs(kSaver, named, dir / "new.txt"), expected);
        struct stat after {};
        ASSERT_EQ(::lstat(named.c_str(), &after), 0);
        EXPECT_EQ(after.st_mode & S_IFMT, c.kind == Link ? S_IFLNK : S_IFIFO);
        EXPECT_EQ(fs::exists(missing), expected == "1" && c.kind == Link);
        if (c.kind == FifoRead) {
            ::close(writer);
            std::string got;
            char buffer[4096];
            for (ssize_t n; (n = ::read(reader, buffer, sizeof buffer)) > 0;)
                got.append(buffer, size_t(n));
            ::close(reader);
            EXPECT_EQ(got.substr(0, 4), std::string("PK\3\4", 4));
        }
        EXPECT_EQ(std::distance(fs::directory_iterator(dir.Path()), fs::directory_iterator()), 3);  // no temporary
    }
}

} // namespace
