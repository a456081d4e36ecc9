// Saving the data file under faults: a disk that fills or fails at every point of the write,
// and a process that dies at any moment of the save. Afterwards the file under the name
// opens with the previous outline or the new one, whole, never a mix or nothing.
#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <filesystem>
#include <random>
#include <string>
#include <thread>
#include <sys/wait.h>
#include <unistd.h>

#include "platform/Exceptions.h"
#include "platform/FileUtils.h"
#include "platform/Stream.h"
#include "taskdb/TaskPlace.h"
#include "taskdb/TovrinDataBase.h"
#include "tests/platform/FileSizeLimit.h"
#include "tests/taskdb/datafile/RandomOutline.h"
#include "ui/mainwindow/DataFileLock.h"
#include "ui/mainwindow/SafeFileSave.h"

namespace fs = std::filesystem;

namespace {

class TempDir {
public:
    TempDir()
    {
        path_ = fs::temp_directory_path() / ("tovrin_savefaults_" + std::to_string(::getpid()) + "_" + std::to_string(counter_++));
        fs::create_directories(path_);
    }
    ~TempDir() { fs::remove_all(path_); }
    std::string File(const std::string& name) const { return (path_ / name).string(); }

private:
    fs::path path_;
    static inline int counter_ = 0;
};

// Passes writes on until a limit: after `bytes` bytes the disk is full (the write that
// crosses it is short), and the write numbered `failingWrite` (from 1) raises. A child
// process may instead be made to die at either point.
class TFaultyStream : public TStream {
public:
    TFaultyStream(TStream& inner, int64_t bytes, int64_t failingWrite, bool dieThere)
        : inner_(inner), bytesLeft_(bytes), failingWrite_(failingWrite), die_(dieThere)
    {
    }
    int64_t Writes = 0;
    int64_t Bytes = 0;

    int64_t Read(void* buffer, int64_t count) override { return inner_.Read(buffer, count); }
    int64_t Seek(int64_t offset, TSeekOrigin origin) override { return inner_.Seek(offset, origin); }
    void SetSize(int64_t size) override { inner_.SetSize(size); }
    int64_t Write(const void* buffer, int64_t count) override
    {
        if (++Writes == failingWrite_) {
            if (die_)
                ::_exit(3);
            throw EWriteError("Stream write error");
        }
        int64_t n = count;
        if (bytesLeft_ >= 0 && n > bytesLeft_) {
            n = bytesLeft_;
            if (die_) {
                inner_.Write(buffer, n);
                ::_exit(3);
            }
        }
        n = inner_.Write(buffer, n);
        if (bytesLeft_ >= 0)
            bytesLeft_ -= n;
        Bytes += n;
        return n;
    }

private:
    TStream& inner_;
    int64_t bytesLeft_;
    int64_t failingWrite_;
    bool die_;
};

// What identifies an outline: every task's caption, note and places, and the places' names.
std::string Fingerprint(const TTovrinDataBase& db)
{
    std::string s;
    for (const auto& p : *db.PlacesList)
        s += "P" + p->Caption + "\n";
    std::function<void(const TTaskNode&, int)> walk = [&](const TTaskNode& t, int depth) {
        s += std::to_string(depth) + t.Caption + "|" + t.Note.Text() + "|";
        for (int32_t id : t.Places)
            s += std::to_string(id) + ",";
        s += "\n";
        for (TTaskNode* c : t.Children)
            walk(*c, depth + 1);
    };
    walk(*db.Root, 0);
    return s;
}

std::string FingerprintOfFile(const std::string& name)
{
    TTovrinDataBase db;
    TFileStream in(name, TFileMode::fmOpenRead);
    db.LoadFromStream(in, "");
    return Fingerprint(db);
}

struct TOutlines {
    TTovrinDataBase Old, New;
    std::string OldPrint, NewPrint;
    explicit TOutlines(int tasks)
    {
        TRandomOutline(11).Fill(Old, tasks);
        TRandomOutline(12).Fill(New, tasks + 7);
        OldPrint = Fingerprint(Old);
        NewPrint = Fingerprint(New);
    }
};

struct TSaveCounts {
    int64_t Writes = 0;
    int64_t Bytes = 0;
};

// Saves db the way the program does.
void Save(const std::string& name, TTovrinDataBase& db, TDataFileLock& lock, int64_t bytes = -1,
          int64_t failingWrite = 0, bool die = false, TSaveCounts* counts = nullptr)
{
    SaveFileSafely(
        name,
        [&](TStream& stream) {
            TFaultyStream faulty(stream, bytes, failingWrite, die);
            db.SaveToStream(faulty, "", 3);
            if (counts)
                *counts = {faulty.Writes, faulty.Bytes};
        },
        lock);
}

// How many writes and bytes a clean save of db makes, measured in a scratch folder.
TSaveCounts MeasureSave(TTovrinDataBase& db)
{
    TempDir probe;
    TDataFileLock probeLock;
    TSaveCounts counts;
    Save(probe.File("x.tvr"), db, probeLock, -1, 0, false, &counts);
    return counts;
}

// The state after a failed or killed save: one whole outline under the name, old or new.
std::string Survivor(const std::string& name, const TOutlines& o)
{
    const std::string print = FingerprintOfFile(name);
    if (print == o.OldPrint)
        return "old";
    if (print == o.NewPrint)
        return "new";
    return "neither";
}

} // namespace

TEST(SaveFaults, DiskFullAtEveryByteKeepsTheOldOutline)
{
    TempDir dir;
    const std::string name = dir.File("plan.tvr");
    TOutlines o(40);
    TDataFileLock lock;
    Save(name, o.Old, lock);
    const auto [writes, size] = MeasureSave(o.New);
    ASSERT_GT(size, 100);

    // Every byte boundary of a small file is a separate case; the step keeps the run short
    // while still hitting every record of the header and the payload.
    const int64_t step = std::max<int64_t>(1, size / 400);
    for (int64_t limit = 0; limit < size; limit += (limit < 64 ? 1 : step)) {
        EXPECT_THROW(Save(name, o.New, lock, limit), Exception) << "limit " << limit;
        ASSERT_EQ(Survivor(name, o), "old") << "disk full after " << limit << " of " << size << " bytes";
        EXPECT_FALSE(FileExists(TempFileNameFor(name)));
        EXPECT_TRUE(lock.Held());
    }
    // With room for all of it the new outline takes the name.
    Save(name, o.New, lock, size);
    EXPECT_EQ(Survivor(name, o), "new");
}

TEST(SaveFaults, FailingWriteAtEveryCallKeepsTheOldOutline)
{
    TempDir dir;
    const std::string name = dir.File("plan.tvr");
    TOutlines o(40);
    TDataFileLock lock;
    Save(name, o.Old, lock);
    const int64_t writes = MeasureSave(o.New).Writes;
    ASSERT_GT(writes, 0);
    for (int64_t n = 1; n <= writes; ++n) {
        EXPECT_THROW(Save(name, o.New, lock, -1, n), EWriteError) << "write " << n;
        ASSERT_EQ(Survivor(name, o), "old") << "write " << n << " of " << writes << " failed";
        EXPECT_FALSE(FileExists(TempFileNameFor(name)));
    }
}

TEST(SaveFaults, SavingOverALockedOldFileLeavesTheBackupWhole)
{
    TempDir dir;
    const std::string name = dir.File("plan.tvr");
    TOutlines o(10);
    TDataFileLock lock;
    Save(name, o.Old, lock);
    Save(name, o.New, lock);
    EXPECT_EQ(Survivor(name, o), "new");
    EXPECT_EQ(Survivor(BackupFileNameFor(name), o), "old");
}

namespace {

// Runs one save in a child process made to die at a given write or byte (or not at all), or
// killed from outside after `killAfter`. Returns how the child ended.
int SaveInChild(const std::string& name, TOutlines& o, TDataFileLock& lock, int64_t bytes, int64_t failingWrite,
                std::chrono::microseconds killAfter)
{
    const pid_t pid = ::fork();
    if (pid == 0) {
        try {
            Save(name, o.New, lock, bytes, failingWrite, true);
        } catch (...) {
            ::_exit(4);
        }
        ::_exit(0);
    }
    if (killAfter.count() >= 0) {
        std::this_thread::sleep_for(killAfter);
        ::kill(pid, SIGKILL);
    }
    int status = 0;
    ::waitpid(pid, &status, 0);
    return status;
}

} // namespace

TEST(SaveFaults, ProcessDyingAtEveryWriteLeavesOneWholeOutline)
{
    TempDir dir;
    const std::string name = dir.File("plan.tvr");
    TOutlines o(40);
    TDataFileLock lock;
    Save(name, o.Old, lock);
    const int64_t writes = MeasureSave(o.New).Writes;
    for (int64_t n = 1; n <= writes; n += std::max<int64_t>(1, writes / 60)) {
        const int status = SaveInChild(name, o, lock, -1, n, std::chrono::microseconds(-1));
        ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 3) << "write " << n;
        ASSERT_EQ(Survivor(name, o), "old") << "died at write " << n;
    }
}

TEST(SaveFaults, ProcessKilledAtRandomMomentsLeavesOneWholeOutline)
{
    TempDir dir;
    const std::string name = dir.File("plan.tvr");
    // Large enough that a save takes a while, so that kills land inside it.
    TOutlines o(3000);
    TDataFileLock lock;
    Save(name, o.Old, lock);

    const auto start = std::chrono::steady_clock::now();
    const int full = SaveInChild(name, o, lock, -1, 0, std::chrono::microseconds(-1));
    const auto took = std::chrono::duration_cast<std::chrono::microseconds>(std::chrono::steady_clock::now() - start);
    ASSERT_TRUE(WIFEXITED(full) && WEXITSTATUS(full) == 0);
    ASSERT_EQ(Survivor(name, o), "new");
    Save(name, o.Old, lock);   // back to the old outline for the kills

    std::mt19937 rng(5);
    int oldSeen = 0, newSeen = 0;
    for (int i = 0; i < 40; ++i) {
        const auto delay = std::chrono::microseconds(rng() % (took.count() * 5 / 4 + 1));
        SaveInChild(name, o, lock, -1, 0, delay);
        const std::string survivor = Survivor(name, o);
        ASSERT_NE(survivor, "neither") << "killed after " << delay.count() << " us";
        (survivor == "old" ? oldSeen : newSeen)++;
        if (survivor == "new")
            Save(name, o.Old, lock);
        // A temporary file left by a killed save is harmless: the next save writes beside it.
    }
    EXPECT_GT(oldSeen, 0);
    RecordProperty("old", oldSeen);
    RecordProperty("new", newSeen);
}

TEST(SaveFaults, AFullDiskNamesTheFileSavedAndTheReason)
{
    TempDir dir;
    const std::string name = dir.File("plan.tvr");
    TOutlines o(400);
    TDataFileLock lock;
    Save(name, o.Old, lock);
    // The disk fills half-way through the new outline.
    const auto size = static_cast<rlim_t>(fs::file_size(name) / 2);
    const std::string message = MessageUnderFileSizeLimit(size, [&] {
        Save(name, o.New, lock);  // the program's own lock, inherited
    });
    EXPECT_EQ(message, "Stream write error: " + name + ": File too large. The file \"" + name + "\" is unchanged.");
    EXPECT_EQ(Survivor(name, o), "old");
}
