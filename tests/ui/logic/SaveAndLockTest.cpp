// The data-file lock and the save through a temporary file, on real files in a temporary folder.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <unistd.h>

#include "platform/Exceptions.h"
#include "platform/FileUtils.h"
#include "platform/Stream.h"
#include "ui/DataFileLock.h"
#include "ui/SafeFileSave.h"

namespace fs = std::filesystem;

namespace {

class TempDir {
public:
    TempDir()
    {
        path_ = fs::temp_directory_path() / ("tovrin_ui_" + std::to_string(::getpid()) + "_" + std::to_string(counter_++));
        fs::create_directories(path_);
    }
    ~TempDir() { fs::remove_all(path_); }
    std::string File(const std::string& name) const { return (path_ / name).string(); }

private:
    fs::path path_;
    static inline int counter_ = 0;
};

std::string ReadAll(const std::string& name)
{
    std::ifstream in(name, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

void WriteAll(const std::string& name, const std::string& text)
{
    std::ofstream(name, std::ios::binary) << text;
}

std::function<void(TStream&)> Writer(const std::string& text)
{
    return [text](TStream& stream) { stream.WriteBuffer(text.data(), static_cast<int64_t>(text.size())); };
}

bool SomeoneHolds(const std::string& name)
{
    TFileLock probe;
    return !probe.Acquire(name);
}

} // namespace

TEST(DataFileLock, SecondLockOnTheSameFileFails)
{
    TempDir dir;
    const std::string name = dir.File("a.tvd");
    WriteAll(name, "x");
    TDataFileLock first;
    first.Lock(name);
    EXPECT_TRUE(first.Held());
    TDataFileLock second;
    try {
        second.Lock(name);
        FAIL() << "a second lock was granted";
    } catch (const EFOpenError& e) {
        EXPECT_NE(std::string(e.what()).find("in use by another copy"), std::string::npos) << e.what();
    }
    EXPECT_FALSE(second.Held());
    first.Unlock();
    second.Lock(name);
    EXPECT_TRUE(second.Held());
}

TEST(DataFileLock, MissingFileRaisesWithItsName)
{
    TempDir dir;
    TDataFileLock lock;
    try {
        lock.Lock(dir.File("missing.tvd"));
        FAIL();
    } catch (const EFOpenError& e) {
        EXPECT_NE(std::string(e.what()).find("missing.tvd"), std::string::npos);
    }
    EXPECT_FALSE(lock.Held());
}

TEST(SafeFileSave, NewFileIsWrittenLockedAndNoTemporaryStays)
{
    TempDir dir;
    const std::string name = dir.File("new.tvd");
    TDataFileLock lock;
    SaveFileSafely(name, Writer("content"), lock);
    EXPECT_EQ(ReadAll(name), "content");
    EXPECT_FALSE(FileExists(TempFileNameFor(name)));
    EXPECT_FALSE(FileExists(BackupFileNameFor(name)));
    EXPECT_TRUE(lock.Held());
    EXPECT_EQ(lock.FileName(), name);
    EXPECT_TRUE(SomeoneHolds(name));
}

TEST(SafeFileSave, SavingOverAFileReplacesTheBackupAndMovesTheLock)
{
    TempDir dir;
    const std::string name = dir.File("doc.tvd");
    WriteAll(name, "old");
    WriteAll(BackupFileNameFor(name), "older");
    TDataFileLock lock;
    lock.Lock(name);
    SaveFileSafely(name, Writer("new"), lock);
    EXPECT_EQ(ReadAll(name), "new");
    EXPECT_EQ(ReadAll(BackupFileNameFor(name)), "old");
    EXPECT_FALSE(FileExists(TempFileNameFor(name)));
    // The lock now holds the new file, not the backup.
    EXPECT_TRUE(SomeoneHolds(name));
    EXPECT_FALSE(SomeoneHolds(BackupFileNameFor(name)));
}

TEST(SafeFileSave, InterruptedAtEveryStepLeavesOneWholeFileAndTheLock)
{
    for (TSaveStep failAt : {TSaveStep::WriteTemp, TSaveStep::FlushTemp, TSaveStep::LockTemp, TSaveStep::KeepBackup,
                             TSaveStep::ReplaceFile}) {
        SCOPED_TRACE(static_cast<int>(failAt));
        TempDir dir;
        const std::string name = dir.File("doc.tvd");
        WriteAll(name, "old content");
        TDataFileLock lock;
        lock.Lock(name);
        TSafeSaveOptions options;
        options.BeforeStep = [failAt](TSaveStep step) {
            if (step == failAt)
                throw EWriteError("disk full");
        };
        EXPECT_THROW(SaveFileSafely(name, Writer("new content"), lock, options), EWriteError);
        EXPECT_EQ(ReadAll(name), "old content");
        EXPECT_TRUE(lock.Held());
        EXPECT_EQ(lock.FileName(), name);
        EXPECT_TRUE(SomeoneHolds(name));
        // A temporary file is left only when it was written whole.
        if (FileExists(TempFileNameFor(name))) {
            EXPECT_EQ(ReadAll(TempFileNameFor(name)), "new content");
        }
    }
}

TEST(SafeFileSave, WriterFailureRemovesTheHalfWrittenTemporary)
{
    TempDir dir;
    const std::string name = dir.File("doc.tvd");
    WriteAll(name, "old");
    TDataFileLock lock;
    auto failing = [](TStream& stream) {
        stream.WriteBuffer("half", 4);
        throw EWriteError("no space");
    };
    EXPECT_THROW(SaveFileSafely(name, failing, lock), EWriteError);
    EXPECT_EQ(ReadAll(name), "old");
    EXPECT_FALSE(FileExists(TempFileNameFor(name)));
}

TEST(SafeFileSave, ReplacingADirectorySaysItCannotOverride)
{
    TempDir dir;
    const std::string name = dir.File("folder.tvd");
    fs::create_directories(name);
    fs::create_directories(name + "/inside");  // a non-empty folder cannot be renamed over
    TDataFileLock lock;
    TSafeSaveOptions options;
    options.CreateBackup = false;
    try {
        SaveFileSafely(name, Writer("x"), lock, options);
        FAIL();
    } catch (const Exception& e) {
        EXPECT_EQ(e.Message(), "Can not override file: \"" + name + "\"");
    }
    EXPECT_FALSE(lock.Held());
}

TEST(SafeFileSave, MissingFolderFailsBeforeAnythingChanges)
{
    TempDir dir;
    const std::string name = dir.File("no/such/folder/doc.tvd");
    TDataFileLock lock;
    EXPECT_THROW(SaveFileSafely(name, Writer("x"), lock), EStreamError);
    EXPECT_FALSE(lock.Held());
}
