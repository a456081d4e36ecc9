// Replacing a file among other users (run as root: the saver and the other user are made with
// setresuid in a child), with its attributes, and on a disk that fills up.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <grp.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>

#include "platform/Exceptions.h"
#include "platform/SafeFileReplace.h"
#include "platform/Stream.h"
#include "tests/platform/FileSizeLimit.h"
#include "tests/platform/ReplaceAs.h"
#include "tests/ui/mainwindow/TestFiles.h"

namespace fs = std::filesystem;

namespace {

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

std::string ReadAsOwner(uid_t owner, const std::string& file)
{
    int status = 0;
    return RunInChild(
        [&] {
            const gid_t group = owner;
            return ::setgroups(0, nullptr) == 0 && ::setresgid(group, group, group) == 0 &&
                           ::setresuid(owner, owner, owner) == 0
                       ? ReadAll(file)
                       : "could not become the owner";
        },
        status);
}

// What user (in group and no other of the test's) may do with file: "r", "w", both or none.
std::string AccessOf(uid_t user, const std::string& file, gid_t group = gid_t(-1))
{
    int status = 0;
    return RunInChild(
        [&]() -> std::string {
            if (group == gid_t(-1))
                group = user;
            if (::setgroups(0, nullptr) != 0 || ::setresgid(group, group, group) != 0 || ::setresuid(user, user, user) != 0)
                return "could not become the user";
            return std::string(::access(file.c_str(), R_OK) == 0 ? "r" : "") + (::access(file.c_str(), W_OK) == 0 ? "w" : "");
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
        const char* acl = nullptr;  // given to the file saved with setfacl -m
    };
    const std::string doc = File("doc.tvd"), backup = File("doc.tvd.bak");
    const std::string backupTaken = "The backup \"" + backup + "\" cannot be made. Operation not permitted";
    const std::string othersFile = "Can not override file: \"" + doc + "\". The file \"" + doc + "\" in a shared folder belongs to another user";
    const Case cases[] = {
        {"the saver's own file", false, kSaver, 0640, NoBackup, kSaver, "saved", kSaver},
        {"the saver's own read-only file", false, kSaver, 0444, NoBackup, kSaver, "saved", kSaver},
        {"another user's link at the backup name", true, kSaver, 0600, OthersLinkToVictim, kSaver, "saved, " + backupTaken, kSaver},
        {"another user's writable file at the backup name", true, kSaver, 0600, OthersOwnFile, kSaver, "saved, " + backupTaken, kSaver},
        {"another user's file the saver may not write", false, kOther, 0644, NoBackup, kSaver,
         "Can not override file: \"" + doc + "\". Permission denied", kOther},
        {"root saving a user's private file", false, kSaver, 0600, OthersOwnFile, kRoot, "saved", kSaver},
        // The new file could not be given back: the file is written in place, after its backup.
        {"another user's writable file in a shared folder", true, kOther, 0666, NoBackup, kSaver, othersFile, kOther},
        {"the folder owner's file of a group the saver is in, in a shared folder", true, kRoot, 0660, NoBackup, kSaver, "saved",
         kRoot, kShared},
        {"another user's file of a group the saver is in", false, kOther, 0660, NoBackup, kSaver, "saved", kOther, kShared},
        {"another user's file shared through an ACL", false, kOther, 0600, NoBackup, kSaver, "saved", kOther, gid_t(-1), "u:4242:rw"},
        {"the saver's own file of a group he is not in", false, kSaver, 0640, NoBackup, kSaver, "saved", kSaver, kOther},
        // The backup's mask lets its owner's entry through, and holds the colleague back as before.
        {"a shared file whose ACL's mask holds a colleague back", false, kOther, 0606, NoBackup, kSaver, "saved", kOther,
         gid_t(-1), "u:65534:rw,m::r"},
        {"in place with no backup to be made", true, kRoot, 0660, OthersOwnFile, kSaver,
         "Can not override file: \"" + doc + "\". " + backupTaken + ". The file \"" + doc + "\" is unchanged.", kRoot, kShared},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        fs::remove_all(dir_.Path());
        fs::create_directories(dir_.Path());
        ::chown(dir_.Path().c_str(), c.sticky ? kRoot : kSaver, c.sticky ? kRoot : kSaver);
        ::chmod(dir_.Path().c_str(), c.sticky ? 01777 : 0755);
        const std::string victim = File("victim");
        Write(doc, "old", c.owner, c.mode, c.group);
        if (c.acl && std::system(("setfacl -m " + std::string(c.acl) + " " + doc).c_str()) != 0)
            GTEST_SKIP() << "setfacl is missing or the folder keeps no ACL";
        const std::string aclBefore = Attribute(doc, "system.posix_acl_access");
        const std::string othersMay = AccessOf(65534, doc) + "|" + AccessOf(5555, doc);  // a colleague, anyone
        struct stat before {};
        ::stat(doc.c_str(), &before);
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
        EXPECT_EQ(after.st_mode & 07777, before.st_mode & 07777);
        EXPECT_EQ(Attribute(doc, "system.posix_acl_access"), aclBefore);
        EXPECT_EQ(ReadAll(victim), "victim");
        if (c.backup == OthersLinkToVictim)
            EXPECT_TRUE(fs::is_symlink(backup));
        else if (c.backup == OthersOwnFile && c.saver != kRoot)
            EXPECT_EQ(ReadAll(backup), "theirs");
        else if (saved) {
            EXPECT_EQ(ReadAsOwner(c.owner, backup), "old");  // the owner's backup, also when it is not his
            EXPECT_EQ(AccessOf(65534, backup) + "|" + AccessOf(5555, backup), othersMay);
        }
        EXPECT_EQ(TemporaryFilesIn(dir_.Path()), 0);
    }
}

// The backup of a file written in place is the saver's copy, of his group: through it no one
// may do more than with the file, the saver's group-mates no more than everyone else.
TEST_F(SafeFileReplaceTest, TheBackupOfAFileWrittenInPlaceAllowsEveryoneWhatTheFileDid)
{
    if (::geteuid() != 0)
        GTEST_SKIP() << "needs root to act as other users";
    struct Case {
        const char* what;
        uid_t owner;
        gid_t group;
        mode_t mode;
        const char* acl;  // given with setfacl -m
    };
    const Case cases[] = {
        {"the saver's own file of a group he is not in", kSaver, kOther, 0640, nullptr},
        {"a colleague's file shared through an ACL", kOther, kOther, 0640, "u:4242:rw"},
        {"a colleague's file of a group they share", kOther, kShared, 0660, nullptr},
        {"a colleague's file everyone may read", kOther, kShared, 0664, nullptr},
        {"a colleague's file everyone may write", kOther, kOther, 0666, nullptr},
        {"a colleague's file shared with a group through an ACL", kOther, kOther, 0600, "g:4444:rw,u:5555:r"},
    };
    const std::string doc = File("doc.tvd"), backup = doc + ".bak";
    ::chmod(dir_.Path().c_str(), 0777);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        fs::remove(backup);
        Write(doc, "old", c.owner, c.mode, c.group);
        if (c.acl && std::system(("setfacl -m " + std::string(c.acl) + " " + doc).c_str()) != 0)
            GTEST_SKIP() << "setfacl is missing or the folder keeps no ACL";
        // The saver's group-mate, a member of the file's group, its owner, a named user, anyone.
        auto access = [&](const std::string& file) {
            return AccessOf(5656, file, kSaver) + "|" + AccessOf(5757, file, c.group) + "|" + AccessOf(c.owner, file) +
                   "|" + AccessOf(5555, file) + "|" + AccessOf(5454, file);
        };
        const std::string before = access(doc);
        ASSERT_EQ(ReplaceAs(kSaver, doc), "saved");
        EXPECT_EQ(ReadAll(backup), "old");
        EXPECT_EQ(access(backup), before);
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
    if (withAcl) {
        EXPECT_EQ(Attribute(doc, "system.posix_acl_access"), acl);
    }
}

TEST_F(SafeFileReplaceTest, AWritePastAFileSizeLimitKeepsTheEarlierFileAndNoTemporary)
{
    const std::string doc = File("export.xml");
    Write(doc, "earlier export, whole", ::geteuid(), 0644);
    const std::string big(1 << 16, 'x');
    const std::string said = MessageUnderFileSizeLimit(4096, [&] {
        ReplaceFileSafely(doc, [&](TStream& s) { s.WriteBuffer(big.data(), int64_t(big.size())); });
    });
    EXPECT_EQ(said, "Stream write error: " + doc + ": File too large. The file \"" + doc + "\" is unchanged.");
    EXPECT_EQ(ReadAll(doc), "earlier export, whole");
    EXPECT_EQ(TemporaryFilesIn(dir_.Path()), 0);
}

// A folder's default ACL gives a colleague access to every file made in it; the new file has
// exactly the old one's access all the same.
TEST_F(SafeFileReplaceTest, TheNewFileHasTheOldOnesAccessWhateverTheFoldersDefaultAcl)
{
    const std::string doc = File("doc.tvd");
    if (std::system(("setfacl -d -m u:4343:rw " + dir_.Path() + " 2>/dev/null").c_str()) != 0)
        GTEST_SKIP() << "setfacl is missing or the folder keeps no ACL";
    for (const char* acl : {"", "u:4242:r"}) {
        SCOPED_TRACE(acl);
        Write(doc, "old", ::geteuid(), 0600);
        ASSERT_EQ(std::system(("setfacl -b " + doc + (*acl ? " && setfacl -m " + std::string(acl) + " " + doc : "")).c_str()), 0);
        const std::string before = Attribute(doc, "system.posix_acl_access");
        ASSERT_EQ(Replace(doc), "saved");
        EXPECT_EQ(Attribute(doc, "system.posix_acl_access"), before);
        EXPECT_EQ(Attribute(doc, "system.posix_acl_access") == "<none>", !*acl);
        struct stat after {};
        ASSERT_EQ(::stat(doc.c_str(), &after), 0);
        EXPECT_EQ(after.st_mode & 07777, *acl ? 0640u : 0600u);  // the group bits show the ACL's mask
    }
}

// A disk that cannot take a copy of the file: on a file system without hard links (FAT through
// FUSE) the backup is a copy; where it does not fit, the file itself becomes the backup. Written
// in place (a file the saver cannot give back, on tmpfs), no backup means no save. The file from
// before the save is always under its name or the backup name.
TEST_F(SafeFileReplaceTest, AFullDiskNeverLosesTheFileFromBeforeTheSave)
{
    if (::geteuid() != 0)
        GTEST_SKIP() << "needs root to mount and to act as another user";
    if (::access("/dev/fuse", R_OK | W_OK) != 0 || std::system("command -v fusefat mkfs.fat >/dev/null") != 0)
        GTEST_SKIP() << "no FUSE or no fusefat here";
    const std::string mnt = File("mnt"), doc = mnt + "/doc.tvd", backup = doc + ".bak";
    struct Case {
        const char* what;
        const char* mount;  // the file system, mounted over mnt
        uid_t owner;
        size_t size, olderBackup;  // of the file (old and new alike) and of the backup before
        std::string said, after;   // the file and the backup after the save
    };
    const std::string noSpace = "The backup \"" + backup + "\" cannot be made. No space left on device. The file \"" + doc + "\" is unchanged.";
    const Case cases[] = {  // FAT's 238 KiB: the new file, the old one and a copy fit or do not
        {"room for the copy", "fusefat -o rw+ IMG MNT", kRoot, 60 << 10, 1, "saved", "new old"},
        {"no room for the copy", "fusefat -o rw+ IMG MNT", kRoot, 90 << 10, 1, "saved", "new old"},
        {"no room for the copy, the save broken", "fusefat -o rw+ IMG MNT", kRoot, 90 << 10, 1, "broken", "old none"},
        {"in place with no room for the backup", "mount -t tmpfs -o size=200k tmpfs MNT", kOther, 120 << 10, 1,
         "Can not override file: \"" + doc + "\". " + noSpace, "old older"},
    };
    // What a file holds: the old content, the new, the older backup, or "none".
    auto kind = [](const std::string& file) -> std::string {
        const std::string bytes = ReadAll(file);
        return bytes.empty() ? "none" : bytes[0] == 'o' ? "old" : bytes[0] == 'n' ? "new" : "older";
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        fs::create_directories(mnt);
        const std::string said = InOwnMountNamespace([&]() -> std::string {
            std::string mount = c.mount;
            mount.replace(mount.find("MNT"), 3, mnt);
            if (mount.find("IMG") != std::string::npos) {
                const std::string image = File("fat.img");
                mount.replace(mount.find("IMG"), 3, image);
                if (std::system(("rm -f " + image + " && mkfs.fat -C " + image + " 256 >/dev/null").c_str()) != 0)
                    return "skip: mkfs.fat failed";
            }
            if (std::system((mount + " >/dev/null 2>&1").c_str()) != 0)
                return "skip: " + mount + " failed";
            ::chmod(mnt.c_str(), 0777);
            Write(doc, std::string(c.size, 'o'), c.owner, 0666);
            Write(backup, std::string(c.olderBackup, 'b'), c.owner, 0666);
            const std::string fresh(c.size, 'n');
            std::string said = c.said == "broken" ? Replace(doc, kSave, fresh, [] { throw Exception("broken"); })
                                                  : ReplaceAs(c.owner == kRoot ? kRoot : kSaver, doc, kSave, fresh);
            said += "|" + kind(doc) + " " + kind(backup) + "|" + std::to_string(TemporaryFilesIn(mnt));
            std::system(("fusermount -u " + mnt + " 2>/dev/null || umount " + mnt).c_str());
            return said;
        });
        if (said.rfind("skip: ", 0) == 0)
            GTEST_SKIP() << said;
        EXPECT_EQ(said, c.said + "|" + c.after + "|0");
    }
}

} // namespace
