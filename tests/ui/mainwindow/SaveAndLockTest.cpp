// The data-file lock and the save through a temporary file, on real files in a temporary folder.
#include <gtest/gtest.h>

#include "platform/Exceptions.h"
#include "platform/Stream.h"
#include "ui/mainwindow/DataFileLock.h"
#include "ui/mainwindow/SafeFileSave.h"
#include "ui/mainwindow/TestFiles.h"

namespace {

std::function<void(TStream&)> Writer(const std::string& text)
{
    return [text](TStream& stream) { stream.WriteBuffer(text.data(), static_cast<int64_t>(text.size())); };
}

std::string LockError(TDataFileLock& lock, const std::string& name)
{
    try {
        lock.Lock(name);
    } catch (const EFOpenError& e) {
        return e.what();
    }
    return "";
}

TEST(DataFileLock, SecondLockOnTheSameFileFails)
{
    TTempFolder dir;
    const std::string name = dir.File("a.tvd");
    WriteAll(name, "x");
    TDataFileLock first;
    first.Lock(name);
    EXPECT_TRUE(first.Held());
    TDataFileLock second;
    EXPECT_NE(LockError(second, name).find("in use by another copy"), std::string::npos);
    EXPECT_FALSE(second.Held());
    first.Unlock();
    second.Lock(name);
    EXPECT_TRUE(second.Held());

    TDataFileLock missing;
    // A missing file is told apart from one held by another copy.
    const std::string missingError = LockError(missing, dir.File("missing.tvd"));
    EXPECT_NE(missingError.find("missing.tvd"), std::string::npos);
    EXPECT_NE(missingError.find("No such file"), std::string::npos) << missingError;
    EXPECT_EQ(missingError.find("in use by another copy"), std::string::npos) << missingError;
    EXPECT_FALSE(missing.Held());
}

TEST(SafeFileSave, NewFileIsWrittenLockedAndNoTemporaryStays)
{
    TTempFolder dir;
    const std::string name = dir.File("new.tvd");
    TDataFileLock lock;
    SaveFileSafely(name, Writer("content"), lock);
    EXPECT_EQ(ReadAll(name), "content");
    EXPECT_FALSE(FileExists(TempFileNameFor(name)));
    EXPECT_FALSE(FileExists(BackupFileNameFor(name)));
    EXPECT_EQ(lock.FileName(), name);
    EXPECT_TRUE(SomeoneHolds(name));
}

TEST(SafeFileSave, SavingOverAFileReplacesTheBackupAndMovesTheLock)
{
    TTempFolder dir;
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
        TTempFolder dir;
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
        EXPECT_EQ(lock.FileName(), name);
        EXPECT_TRUE(SomeoneHolds(name));
        // A temporary file is left only when it was written whole.
        EXPECT_TRUE(!FileExists(TempFileNameFor(name)) || ReadAll(TempFileNameFor(name)) == "new content");
    }
}

TEST(SafeFileSave, WriterFailureRemovesTheHalfWrittenTemporary)
{
    TTempFolder dir;
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
    TTempFolder dir;
    const std::string name = dir.File("folder.tvd");
    std::filesystem::create_directories(name + "/inside");  // a non-empty folder cannot be renamed over
    TDataFileLock lock;
    TSafeSaveOptions options;
    options.CreateBackup = false;
    try {
        SaveFileSafely(name, Writer("x"), lock, options);
        ADD_FAILURE() << "no exception";
    } catch (const Exception& e) {
        EXPECT_EQ(e.Message(), "Can not override file: \"" + name + "\"");
    }
    EXPECT_FALSE(lock.Held());
}

TEST(SafeFileSave, MissingFolderFailsBeforeAnythingChanges)
{
    TTempFolder dir;
    TDataFileLock lock;
    EXPECT_THROW(SaveFileSafely(dir.File("no/such/folder/doc.tvd"), Writer("x"), lock), EStreamError);
    EXPECT_FALSE(lock.Held());
}

} // namespace
