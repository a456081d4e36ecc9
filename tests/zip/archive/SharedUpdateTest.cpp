// An archive updated among other users (run as root: the updater is made with setresuid in a
// child): another user's link in a shared sticky folder is not followed, and another user's
// archive that the updater may write stays that user's.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>

#include "tests/platform/ReplaceAs.h"
#include "zip/SuperZip.h"
#include "zip/ZipTestSupport.h"

namespace fs = std::filesystem;

namespace {

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
        int status = 0;
        const std::string said = RunInChild(
            [&]() -> std::string {
                if (::setresgid(kSaver, kSaver, kSaver) != 0 || ::setresuid(kSaver, kSaver, kSaver) != 0)
                    return "could not become the updater";
                try {
                    TSuperZip z;
                    z.SetZipName(updated);
                    z.FilesList.Add(dir / "new.txt");
                    return std::to_string(z.Zip());
                } catch (const std::exception& e) {
                    return e.what();
                }
            },
            status);
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

} // namespace
