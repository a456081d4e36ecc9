// Replacing a file among other users (run as root: the saver and the other user are made with
// setresuid in a child), with its attributes, and on a disk that fills up.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <grp.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <fstream>

#include "platform/Exceptions.h"
#include "platform/SafeFileReplace.h"
#include "platform/Stream.h"
#include "tests/platform/FileSizeLimit.h"
#include "tests/ui/mainwindow/TestFiles.h"

namespace fs = std::filesystem;

namespace {

constexpr uid_t kSaver = 4242, kOther = 4343, kRoot = 0;
constexpr gid_t kShared = 4444;  // a group the saver belongs to besides his own

void Write(const std::string& name, const std::string& bytes, uid_t owner, mode_t mode, gid_t group = gid_t(-1))
{
    std::ofstream(name, std::ios::binary) << bytes;
    ::chown(name.c_str(), owner, group == gid_t(-1) ? owner : group);
    ::chmod(name.c_str(), mode);
}

std::string Attribute(const std::string& file, const char* name)
{
    char value[256];
    const ssize_t n = ::getxattr(file.c_str(), name, value, sizeof value);
    return n < 0 ? "<none>" : std::string(value, size_t(n));
}

// An access ACL granting kOther read and write, as the kernel stores it.
std::string AclForOther()
{
    struct Entry { uint16_t tag, perm; uint32_t id; };
    const uint32_t version = 2;
    const Entry entries[] = {{0x01, 6, ~0u}, {0x02, 6, kOther}, {0x04, 4, ~0u}, {0x10, 6, ~0u}, {0x20, 0, ~0u}};
    std::string acl(reinterpret_cast<const char*>(&version), sizeof version);
    acl.append(reinterpret_cast<const char*>(entries), sizeof entries);
    return acl;
}

std::string Replace(const std::string& name)
{
    try {
        TSafeFileReplace replace(name);
        replace.Write([](TStream& s) { s.WriteBuffer("new", 3); });
        const std::string refused = replace.KeepBackup();
        replace.Commit();
        return refused.empty() ? "saved" : "saved, " + refused;
    } catch (const Exception& e) {
        return e.Message();
    }
}

// What Replace says when run as user, in a child process.
std::string ReplaceAs(uid_t user, const std::string& name)
{
    if (user == kRoot)
        return Replace(name);
    int status = 0;
    return RunInChild(
        [&]() -> std::string {
            if (::setgroups(1, &kShared) != 0 || ::setresgid(user, user, user) != 0 || ::setresuid(user, user, user) != 0)
                return "could not become the user";
            return Replace(name);
        },
        status);
}

class SafeFileReplaceTest : public ::testing::Test {
protected:
    std::string File(const std::string& name) const { return dir_.File(name); }

    TTempFolder dir_;
};

TEST_F(SafeFileReplaceTest, OtherUsersFilesAreNeverWrittenThrough)
{
    if (::geteuid() != 0)
        GTEST_SKIP() << "needs root to act as two other users";
    enum Backup { NoBackup, OthersLinkToVictim, OthersOwnFile };
    struct Case {
        const char* what;
        bool sticky;  // a shared folder like /tmp; else the saver's own
        uid_t owner;  // of the file saved
        mode_t mode;
        Backup backup;
        uid_t saver;
        std::string said;  // the start of what the replacement says
        uid_t ownerAfter;
        gid_t group = gid_t(-1);  // of the file saved, when not its owner's
    };
    const Case cases[] = {
        {"the saver's own file", false, kSaver, 0640, NoBackup, kSaver, "saved", kSaver},
        {"the saver's own read-only file", false, kSaver, 0444, NoBackup, kSaver, "saved", kSaver},
        {"another user's link at the backup name", true, kSaver, 0600, OthersLinkToVictim, kSaver,
         "saved, The backup \"" + File("doc.tvd.bak") + "\" cannot be made. Operation not permitted", kSaver},
        {"another user's writable file at the backup name", true, kSaver, 0600, OthersOwnFile, kSaver,
         "saved, The backup \"" + File("doc.tvd.bak") + "\" cannot be made. Operation not permitted", kSaver},
        {"another user's file the saver may not write", false, kOther, 0644, NoBackup, kSaver,
         "Can not override file: \"" + File("doc.tvd") + "\". Permission denied", kOther},
        {"another user's writable file in a shared folder", true, kOther, 0666, NoBackup, kSaver,
         "Can not override file: \"" + File("doc.tvd") + "\". Operation not permitted", kOther},
        {"root saving a user's private file", false, kSaver, 0600, OthersOwnFile, kRoot, "saved", kSaver},
        // The owner cannot be given away, the group can.
        {"another user's file of a group the saver is in", false, kOther, 0660, NoBackup, kSaver, "saved", kSaver, kShared},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        fs::remove_all(dir_.Path());
        fs::create_directories(dir_.Path());
        ::chown(dir_.Path().c_str(), c.sticky ? kRoot : kSaver, c.sticky ? kRoot : kSaver);
        ::chmod(dir_.Path().c_str(), c.sticky ? 01777 : 0755);
        const std::string doc = File("doc.tvd"), backup = File("doc.tvd.bak"), victim = File("victim");
        Write(doc, "old", c.owner, c.mode, c.group);
        Write(victim, "victim", kSaver, 0600);
        if (c.backup == OthersLinkToVictim) {
            fs::create_symlink(victim, backup);
            ::lchown(backup.c_str(), kOther, kOther);
        }
        if (c.backup == OthersOwnFile)
            Write(backup, "theirs", kOther, 0666);

        EXPECT_EQ(ReplaceAs(c.saver, doc), c.said);
        const bool saved = c.said.rfind("saved", 0) == 0;
        struct stat after {};
        ASSERT_EQ(::stat(doc.c_str(), &after), 0);
        EXPECT_EQ(ReadAll(doc), saved ? "new" : "old");
        EXPECT_EQ(after.st_uid, c.ownerAfter);
        EXPECT_EQ(after.st_gid, c.group == gid_t(-1) ? c.ownerAfter : c.group);
        EXPECT_EQ(after.st_mode & 07777, c.mode);
        EXPECT_EQ(ReadAll(victim), "victim");
        if (c.backup == OthersLinkToVictim)
            EXPECT_TRUE(fs::is_symlink(backup));
        else if (c.backup == OthersOwnFile && c.saver != kRoot)
            EXPECT_EQ(ReadAll(backup), "theirs");
        else if (saved)
            EXPECT_EQ(ReadAll(backup), "old");
        EXPECT_EQ(TemporaryFilesIn(dir_.Path()), 0);
    }
}

TEST_F(SafeFileReplaceTest, TheNewFileKeepsTheOldOnesExtendedAttributesAndAcl)
{
    const std::string doc = File("doc.tvd");
    Write(doc, "old", ::geteuid(), 0640);
    const std::string acl = AclForOther();
    if (::setxattr(doc.c_str(), "user.origin", "planner", 7, 0) != 0)
        GTEST_SKIP() << "the temporary folder keeps no extended attributes: " << std::strerror(errno);
    ASSERT_EQ(::setxattr(doc.c_str(), "user.empty", "", 0, 0), 0);
    const bool withAcl = ::setxattr(doc.c_str(), "system.posix_acl_access", acl.data(), acl.size(), 0) == 0;
    ASSERT_EQ(Replace(doc), "saved");
    EXPECT_EQ(ReadAll(doc), "new");
    EXPECT_EQ(Attribute(doc, "user.origin"), "planner");
    EXPECT_EQ(Attribute(doc, "user.empty"), "");
    if (withAcl)
        EXPECT_EQ(Attribute(doc, "system.posix_acl_access"), acl);
}

TEST_F(SafeFileReplaceTest, AWritePastAFileSizeLimitKeepsTheEarlierFileAndNoTemporary)
{
    const std::string doc = File("export.xml");
    Write(doc, "earlier export, whole", ::geteuid(), 0644);
    const std::string big(1 << 16, 'x');
    const std::string said = MessageUnderFileSizeLimit(4096, [&] {
        ReplaceFileSafely(doc, [&](TStream& s) { s.WriteBuffer(big.data(), int64_t(big.size())); });
    });
    EXPECT_EQ(said, "Stream write error: " + doc + ": File too large");
    EXPECT_EQ(ReadAll(doc), "earlier export, whole");
    EXPECT_EQ(TemporaryFilesIn(dir_.Path()), 0);
}

} // namespace
