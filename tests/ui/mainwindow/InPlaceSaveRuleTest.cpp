// A shared outline saved in place by a colleague, through any sequence of saves that fail (a
// full disk, a file-size limit) and that succeed, on a small tmpfs: after every step the outline
// saved whole last is the file or its backup, and a failure says which.
#include <gtest/gtest.h>

#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <sys/resource.h>
#include <sys/statvfs.h>

#include "platform/SafeFileReplace.h"
#include "taskdb/TovrinDataBase.h"
#include "tests/platform/ReplaceAs.h"
#include "tests/taskdb/datafile/RandomOutline.h"
#include "tests/ui/mainwindow/TestFiles.h"
#include "ui/mainwindow/DataFileLock.h"
#include "ui/mainwindow/SafeFileSave.h"

namespace fs = std::filesystem;

namespace {

// The room left on the disk for a step, and whether the saver's files may grow past the file.
enum TRoom { Full, ForBackupOnly, Plenty };
struct TStep {
    TRoom Room;
    bool Limit = false;  // the saver's files may not grow past the file's size and a page
};

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
std::string SaveAs(const std::string& doc, const std::string& bytes, bool exportFile, rlim_t limit)
{
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
            WriteAll(doc, versions[0]);  // the colleague's file, shared by its mode
            ::chown(doc.c_str(), kOther, kOther);
            ::chmod(doc.c_str(), 0666);
            size_t last = 0;
            std::string outcomes;
            for (size_t k = 0; k < c.steps.size(); ++k) {
                const TStep& step = c.steps[k];
                const std::string& bytes = versions[k + 1];
                const off_t size = off_t(fs::file_size(doc));
                LeaveRoom(mnt, step.Room == Full ? 0 : step.Room == ForBackupOnly ? size + 8192 : 1 << 20);
                const std::string message = SaveAs(doc, bytes, c.exportFile, step.Limit ? rlim_t(size + 4096) : 0);
                const std::string unchanged = "The file \"" + doc + "\" is unchanged.";
                const std::string inBackup = "The file \"" + doc + "\" is incomplete; the previous version is in \"" + backup + "\".";
                std::string outcome;
                if (message == "saved" && ReadAll(doc) == bytes) {
                    outcome = "saved";
                    last = k + 1;
                } else if (message.find(unchanged) != std::string::npos && ReadAll(doc) == versions[last]) {
                    outcome = "unchanged";
                } else if (message.find(inBackup) != std::string::npos && ReadAll(backup) == versions[last]) {
                    outcome = "incomplete";
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
