// The data-file lock and the save through a temporary file, on real files in a temporary folder.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include "platform/Exceptions.h"
#include "platform/Stream.h"
#include "ui/mainwindow/DataFileLock.h"
#include "ui/mainwindow/SafeFileSave.h"
#include "ui/mainwindow/TestFiles.h"
#include "tests/platform/ReplaceAs.h"

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

int ModeOf(const std::string& name)
{
    struct stat st {};
    return ::lstat(name.c_str(), &st) == 0 ? static_cast<int>(st.st_mode & 07777) : -1;
}

TEST(SafeFileSave, ThroughLinksOverPlantedAndStaleTemporariesKeepingTheMode)
{
    struct Layout {
        const char* what;
        std::vector<std::pair<std::string, std::string>> links;  // name, where it points ("@" = the folder)
        std::string saved, written;
        int mode;  // of the file replaced; 0 = no file yet
    };
    const Layout layouts[] = {
        {"plain file", {}, "doc.tvd", "doc.tvd", 0600},
        {"read-only file", {}, "doc.tvd", "doc.tvd", 0444},
        {"relative link", {{"doc.tvd", "data/doc.tvd"}}, "doc.tvd", "data/doc.tvd", 0640},
        {"chain across folders", {{"doc.tvd", "l/mid.tvd"}, {"l/mid.tvd", "../data/doc.tvd"}}, "doc.tvd", "data/doc.tvd", 0604},
        {"absolute link", {{"doc.tvd", "@/data/doc.tvd"}}, "doc.tvd", "data/doc.tvd", 0600},
        {"link to no file yet", {{"doc.tvd", "data/doc.tvd"}}, "doc.tvd", "data/doc.tvd", 0},
    };
    enum Obstacle { None, PlantedLink, StaleFile };
    const mode_t umaskBefore = ::umask(027);
    for (const Layout& layout : layouts)
        for (Obstacle obstacle : {None, PlantedLink, StaleFile})
            for (bool fails : {false, true}) {
                SCOPED_TRACE(std::string(layout.what) + ", obstacle " + std::to_string(obstacle) + (fails ? ", failing" : ""));
                TTempFolder dir;
                std::filesystem::create_directories(dir.File("data"));
                std::filesystem::create_directories(dir.File("l"));
                for (const auto& [name, to] : layout.links)
                    std::filesystem::create_symlink(to[0] == '@' ? dir.Path() + to.substr(1) : to, dir.File(name));
                const std::string saved = dir.File(layout.saved), written = dir.File(layout.written);
                if (layout.mode) {
                    WriteAll(written, "old");
                    ::chmod(written.c_str(), static_cast<mode_t>(layout.mode));
                }
                const std::string temp = TempFileNameFor(written), victim = dir.File("victim.txt");
                WriteAll(victim, "victim");
                if (obstacle == PlantedLink)
                    std::filesystem::create_symlink(victim, temp);
                if (obstacle == StaleFile) {
                    WriteAll(temp, "stale");
                    ::chmod(temp.c_str(), 0757);
                }
                TDataFileLock lock;
                TSafeSaveOptions options;  // a failure at the last step, with the backup made
                if (fails)
                    options.BeforeStep = [](TSaveStep step) {
                        if (step == TSaveStep::ReplaceFile)
                            throw EWriteError("disk full");
                    };
                try {
                    SaveFileSafely(saved, Writer("new"), lock, options);
                    EXPECT_FALSE(fails);
                } catch (const EWriteError&) {
                    EXPECT_TRUE(fails);
                }
                const std::string old = layout.mode ? "old" : "";
                EXPECT_EQ(ReadAll(written), fails ? old : "new");
                EXPECT_EQ(ReadAll(BackupFileNameFor(written)), old);
                EXPECT_EQ(ModeOf(written), layout.mode ? layout.mode : fails ? -1 : 0640);
                EXPECT_EQ(lock.Held() ? lock.FileName() : "", fails ? "" : saved);
                EXPECT_TRUE(fails || SomeoneHolds(written));  // the lock is on the file written
                for (const auto& [name, to] : layout.links)
                    EXPECT_TRUE(std::filesystem::is_symlink(dir.File(name))) << name;
                EXPECT_EQ(FileExists(BackupFileNameFor(saved)), saved == written && layout.mode);
                EXPECT_EQ(ReadAll(victim), "victim");
                EXPECT_EQ(TemporaryFilesIn(dir.Path()), obstacle == None ? 0 : 1);  // the obstacle alone
                if (obstacle == PlantedLink) {
                    EXPECT_EQ(std::filesystem::read_symlink(temp), victim);
                }
                if (obstacle == StaleFile) {
                    EXPECT_TRUE(ReadAll(temp) == "stale" && ModeOf(temp) == 0757);
                }
            }
    ::umask(umaskBefore);
}

TEST(SafeFileSave, ALinkThatLoopsIsRefusedAndStaysALink)
{
    TTempFolder dir;
    const std::string name = dir.File("loop.tvd");
    std::filesystem::create_symlink("loop.tvd", name);
    TDataFileLock lock;
    EXPECT_THROW(SaveFileSafely(name, Writer("x"), lock), EFCreateError);
    EXPECT_TRUE(std::filesystem::is_symlink(name));
    EXPECT_EQ(TemporaryFilesIn(dir.Path()), 0);
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
        EXPECT_EQ(TemporaryFilesIn(dir.Path()), 0);
    }
}

// Another program puts a file of its own under the temporary name: it is not what was written,
// and neither it nor the file saved is touched.
TEST(SafeFileSave, ATemporaryReplacedByAnotherProgramIsNotRenamed)
{
    TTempFolder dir;
    const std::string name = dir.File("doc.tvd"), theirs = dir.File("theirs");
    WriteAll(name, "old");
    TDataFileLock lock;
    TSafeSaveOptions options;
    options.BeforeStep = [&](TSaveStep step) {
        if (step != TSaveStep::ReplaceFile)
            return;
        WriteAll(theirs, "theirs");
        std::filesystem::rename(theirs, TempFileNameFor(name));
    };
    EXPECT_THROW(SaveFileSafely(name, Writer("new"), lock, options), EFCreateError);
    EXPECT_EQ(ReadAll(name), "old");
    EXPECT_EQ(ReadAll(TempFileNameFor(name)), "theirs");
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
        EXPECT_EQ(e.Message(), "Can not override file: \"" + name + "\". Is a directory");
    }
    EXPECT_FALSE(lock.Held());
}

TEST(SafeFileSave, MissingFolderFailsBeforeAnythingChanges)
{
    TTempFolder dir;
    TDataFileLock lock;
    try {
        SaveFileSafely(dir.File("no/such/folder/doc.tvd"), Writer("x"), lock);
        ADD_FAILURE() << "no exception";
    } catch (const EStreamError& e) {
        EXPECT_NE(std::string(e.what()).find("No such file or directory"), std::string::npos) << e.what();
    }
    EXPECT_FALSE(lock.Held());
}

// A colleague's outline shared with the saver is written in place: the lock is on it after
// Save as, stays on it through the next save, and it stays its owner's.
TEST(SafeFileSave, AnOutlineWrittenInPlaceIsHeldAfterSaveAsAndAfterSave)
{
    if (::geteuid() != 0)
        GTEST_SKIP() << "needs root to act as another user";
    TTempFolder dir;
    ::chmod(dir.Path().c_str(), 0777);
    const std::string name = dir.File("shared.tvd");
    WriteAll(name, "old");
    ::chown(name.c_str(), kOther, kOther);
    ::chmod(name.c_str(), 0666);
    int status = 0;
    const std::string said = RunInChild(
        [&]() -> std::string {
            if (::setresgid(kSaver, kSaver, kSaver) != 0 || ::setresuid(kSaver, kSaver, kSaver) != 0)
                return "could not become the saver";
            const std::string mine = dir.File("mine.tvd");  // the outline held before Save as
            WriteAll(mine, "mine");
            TDataFileLock lock;
            lock.Lock(mine);
            std::string seen;
            for (const char* text : {"first", "second"}) {
                SaveFileSafely(name, Writer(text), lock);
                seen += std::string(lock.Holds(name) && lock.FileName() == name ? "held " : "not held ") + ReadAll(name) + "|";
            }
            return seen + (SomeoneHolds(mine) ? "mine held" : "mine let go");
        },
        status);
    EXPECT_EQ(said, "held first|held second|mine let go");
    struct stat after {};
    ASSERT_EQ(::stat(name.c_str(), &after), 0);
    EXPECT_EQ(after.st_uid, kOther);
    EXPECT_EQ(ReadAll(BackupFileNameFor(name)), "first");
}

} // namespace
