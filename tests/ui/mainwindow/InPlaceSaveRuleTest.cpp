// A shared outline saved in place by a colleague, through any sequence of saves that fail (a
// full disk, a file-size limit) and that succeed, on a small tmpfs: after every step the outline
// saved whole last is the file or its backup, and a failure says which.
#include <gtest/gtest.h>

#include <csignal>
#include <fcntl.h>
#include <cstddef>
#include <cstdlib>
#include <filesystem>
#include <linux/filter.h>
#include <linux/seccomp.h>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <sys/statvfs.h>
#include <sys/syscall.h>

#include "platform/SafeFileReplace.h"
#include "taskdb/TovrinDataBase.h"
#include "tests/platform/ReplaceAs.h"
#include "tests/taskdb/datafile/RandomOutline.h"
#include "tests/ui/mainwindow/TestFiles.h"
#include "ui/mainwindow/DataFileLock.h"
#include "ui/mainwindow/SafeFileSave.h"

namespace fs = std::filesystem;

namespace {

// The room left on the disk for a step, whether the saver's files may grow past the file, and
// an I/O error when the file is cut to the new length and also to the old one, or also when the
// new content's tail is written past the old end.
enum TRoom { Full, ForBackupOnly, Plenty };
enum TFault { NoFault, AtTheCut, AtBothCuts, AtTheTail };
struct TStep {
    TRoom Room;
    bool Limit = false;  // the saver's files may not grow past the file's size and a page
    TFault Fault = NoFault;
    int Version = -1;  // saved by the step; the next one by default
};

// From here on, cutting a file to one of two lengths, and a write at offset tail, fail as a
// failing disk does.
bool FailWrites(uint32_t a, uint32_t b, uint32_t tail)
{
    sock_filter filter[] = {
        BPF_STMT(BPF_LD | BPF_W | BPF_ABS, offsetof(seccomp_data, nr)),
        BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, __NR_ftruncate, 0, 3),
        BPF_STMT(BPF_LD | BPF_W | BPF_ABS, offsetof(seccomp_data, args[1])),
        BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, a, 4, 0),
        BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, b, 3, 4),
        BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, __NR_pwrite64, 0, 3),
        BPF_STMT(BPF_LD | BPF_W | BPF_ABS, offsetof(seccomp_data, args[3])),
        BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, tail, 0, 1),
        BPF_STMT(BPF_RET | BPF_K, SECCOMP_RET_ERRNO | EIO),
        BPF_STMT(BPF_RET | BPF_K, SECCOMP_RET_ALLOW),
    };
    sock_fprog program{sizeof filter / sizeof filter[0], filter};
    return ::prctl(PR_SET_NO_NEW_PRIVS, 1, 0, 0, 0) == 0 && ::prctl(PR_SET_SECCOMP, SECCOMP_MODE_FILTER, &program) == 0;
}

// Outlines that grow from one version to the next by more than the one before: the room for a
// backup of one is no room for the next.
std::vector<std::string> Versions(int count)
{
    std::vector<std::string> versions;
    for (int v = 0; v < count; ++v) {
        TTovrinDataBase db;
        TRandomOutline(100 + v).Fill(db, 500 << v);
        TMemoryStream out;
        db.SaveToStream(out, "", 3);
        versions.emplace_back(out.Bytes().begin(), out.Bytes().end());
    }
    return versions;
}

// Fills the disk of folder up to the room left, with a file of root's.
void LeaveRoom(const std::string& folder, off_t room)
{
    const std::string filler = folder + "/filler";
    fs::remove(filler);
    struct statvfs disk {};
    ::statvfs(folder.c_str(), &disk);
    const off_t free = off_t(disk.f_bavail) * off_t(disk.f_frsize);
    if (room < free)
        WriteAll(filler, std::string(size_t(free - room), 'f'));
}

// The save of bytes as the colleague, in a child: "saved" or the message.
std::string SaveAs(const std::string& doc, const std::string& bytes, bool exportFile, rlim_t limit, TFault fault)
{
    const uint32_t newLength = uint32_t(bytes.size()), oldLength = uint32_t(fs::file_size(doc));
    int status = 0;
    return RunInChild(
        [&]() -> std::string {
            if (::setgroups(1, &kShared) != 0 || ::setresgid(kSaver, kSaver, kSaver) != 0 ||
                ::setresuid(kSaver, kSaver, kSaver) != 0)
                return "could not become the saver";
            ::signal(SIGXFSZ, SIG_IGN);  // as the program does
            const rlimit r{limit, limit};
            if (limit != 0)
                ::setrlimit(RLIMIT_FSIZE, &r);
            const bool both = fault == AtBothCuts || fault == AtTheTail;
            if (fault != NoFault && !FailWrites(newLength, both ? oldLength : newLength, fault == AtTheTail ? oldLength : ~0u))
                return "no seccomp";
            auto write = [&](TStream& s) { s.WriteBuffer(bytes.data(), int64_t(bytes.size())); };
            try {
                TDataFileLock lock;
                if (exportFile)
                    ReplaceFileSafely(doc, write);
                else
                    SaveFileSafely(doc, write, lock);
            } catch (const Exception& e) {
                return e.Message();
            }
            return "saved";
        },
        status);
}

TEST(InPlaceSave, TheOutlineSavedWholeLastIsTheFileOrItsBackupAndTheMessageSaysWhich)
{
    if (::geteuid() != 0)
        GTEST_SKIP() << "needs root to mount and to act as another user";
    struct Case {
        const char* what;
        bool exportFile;
        std::vector<TStep> steps;
        std::string outcomes;  // of the steps in turn
        int first = 0;  // the version in the file at the start
        bool sparse = false;  // with a hole over most of it, to be filled by the next write
    };
    const Case cases[] = {
        {"fail", false, {{Full}}, "unchanged"},
        {"fail, fail", false, {{ForBackupOnly}, {ForBackupOnly}}, "unchanged unchanged"},
        {"fail, room freed, fail", false, {{Full}, {ForBackupOnly}, {ForBackupOnly}}, "unchanged unchanged unchanged"},
        {"fail, succeed, fail", false, {{ForBackupOnly}, {Plenty}, {Full}}, "unchanged saved unchanged"},
        {"limit: fail", false, {{Plenty, true}}, "unchanged"},
        {"limit: fail, fail", false, {{Plenty, true}, {ForBackupOnly, true}}, "unchanged unchanged"},
        {"limit: fail, room freed, fail", false, {{Full, true}, {Plenty, true}, {Plenty, true}}, "unchanged unchanged unchanged"},
        {"limit: fail, succeed", false, {{Plenty, true}, {Plenty}}, "unchanged saved"},
        {"export: fail, fail, succeed", true, {{Full}, {Plenty, true}, {Plenty}}, "unchanged unchanged saved"},
        {"I/O error midway, put back", false, {{Plenty, false, AtTheCut, 1}}, "unchanged", 3},
        {"I/O error midway and on putting back, fail, succeed, fail", false,
         {{Plenty, false, AtBothCuts, 1}, {Full, false, NoFault, 2}, {Plenty, false, NoFault, 2}, {Full, false, NoFault, 1}},
         "incomplete incomplete saved unchanged", 3},
        {"export over a sparse file, fail", true, {{Full, false, NoFault, 1}}, "unchanged", 2, true},
        {"export: I/O error midway", true, {{Plenty, false, AtTheCut, 1}, {Plenty, false, NoFault, 0}}, "incomplete saved", 3},
        {"I/O error past the old end and on cutting back, succeed", false, {{Plenty, false, AtTheTail}, {Plenty}}, "incomplete saved"},
        {"export: I/O error past the old end and on cutting back", true, {{Plenty, false, AtTheTail}}, "incomplete"},
    };
    const std::vector<std::string> versions = Versions(4);
    TTempFolder dir;
    const std::string mnt = dir.File("mnt");
    fs::create_directories(mnt);
    const std::string said = InOwnMountNamespace([&]() -> std::string {
        if (std::system(("mount -t tmpfs -o size=1m tmpfs " + mnt).c_str()) != 0)
            return "skip: no tmpfs";
        std::string report;
        for (const Case& c : cases) {
            const std::string folder = mnt + "/shared", doc = folder + "/plan.tvd", backup = doc + ".bak";
            fs::remove_all(folder);
            fs::remove(mnt + "/filler");
            fs::create_directories(folder);
            ::chown(folder.c_str(), kOther, kOther);
            ::chmod(folder.c_str(), 0777);
            WriteAll(doc, versions[c.first]);  // the colleague's file, shared by its mode
            const int fd = c.sparse ? ::open(doc.c_str(), O_WRONLY) : -1;
            if (fd >= 0 && ::fallocate(fd, FALLOC_FL_PUNCH_HOLE | FALLOC_FL_KEEP_SIZE, 4096, off_t(versions[c.first].size()) - 8192) != 0)
                return "skip: no holes on tmpfs";
            if (fd >= 0)
                ::close(fd);
            ::chown(doc.c_str(), kOther, kOther);
            ::chmod(doc.c_str(), 0666);
            std::string last = ReadAll(doc);
            std::string outcomes;
            for (size_t k = 0; k < c.steps.size(); ++k) {
                const TStep& step = c.steps[k];
                const size_t version = step.Version < 0 ? k + 1 : size_t(step.Version);
                const std::string& bytes = versions[version];
                const off_t size = off_t(fs::file_size(doc));
                LeaveRoom(mnt, step.Room == Full ? 0 : step.Room == ForBackupOnly ? size + 8192 : 1 << 20);
                const std::string message =
                    SaveAs(doc, bytes, c.exportFile, step.Limit ? rlim_t(size + 4096) : 0, step.Fault);
                const std::string unchanged = "The file \"" + doc + "\" is unchanged.";
                const std::string inBackup = "The file \"" + doc + "\" is incomplete; the previous version is in \"" + backup + "\".";
                std::string outcome;
                if (message == "saved" && ReadAll(doc) == bytes) {
                    outcome = "saved";
                    last = bytes;
                } else if (message.find(unchanged) != std::string::npos && ReadAll(doc) == last) {
                    outcome = "unchanged";
                } else if (message.find(inBackup) != std::string::npos && ReadAll(backup) == last) {
                    outcome = "incomplete";
                } else if (c.exportFile && message.find("The file \"" + doc + "\" is incomplete.") != std::string::npos) {
                    outcome = "incomplete";  // an export has no backup; its message says so
                } else {
                    outcome = "broken(" + message + ")";
                }
                outcomes += (k ? " " : "") + outcome;
            }
            if (outcomes != c.outcomes)
                report += std::string(c.what) + ": " + outcomes + "\n";
        }
        return report;
    });
    if (said.rfind("skip: ", 0) == 0)
        GTEST_SKIP() << said;
    EXPECT_EQ(said, "");
}

} // namespace
