// Another copy of the program holds its outline: saving over it from here is refused with the
// message its opening would give, and the file stays that copy's.
#include <gtest/gtest.h>

#include <QApplication>
#include <QTimer>

#include <chrono>
#include <csignal>
#include <filesystem>
#include <memory>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

#include "app/Program.h"
#include "platform/Exceptions.h"
#include "platform/Stream.h"
#include "taskdb/TovrinDataBase.h"
#include "tests/ui/mainwindow/TestFiles.h"
#include "ui/mainwindow/DataFileLock.h"
#include "ui/mainwindow/DocumentLifecycle.h"
#include "ui/mainwindow/SafeFileSave.h"
#include "ui/mainwindow/TovrinMain.h"

namespace fs = std::filesystem;

namespace {

// The program on doc in a child; it says when the outline is open (doc.open) and ends when told
// (doc.quit).
pid_t RunProgramOn(const std::string& doc)
{
    const pid_t pid = ::fork();
    if (pid != 0)
        return pid;
    std::string program = "tovrin", file = doc;
    char* argv[] = {program.data(), file.data(), nullptr};
    int argc = 2;
    RunProgram(argc, argv, [doc](TfrmTovrinMain& window) {
        auto* poll = new QTimer(&window);
        QObject::connect(poll, &QTimer::timeout, [&window, doc] {
            if (window.Part<TDocumentLifecycle>().FileName() == doc && !FileExists(doc + ".open"))
                WriteAll(doc + ".open", "");
            if (FileExists(doc + ".quit"))
                QApplication::exit();
        });
        poll->start(20);
        QTimer::singleShot(60000, [] { QApplication::exit(); });
    });
    ::_exit(0);
}

std::string SaveOver(const std::string& doc)
{
    TDataFileLock lock;
    try {
        SaveFileSafely(doc, [](TStream& s) { s.WriteBuffer("mine", 4); }, lock);
        return "saved";
    } catch (const Exception& e) {
        return e.Message();
    }
}

TEST(HeldFile, SaveAsOntoAnOutlineAnotherCopyHoldsIsRefused)
{
    TTempFolder dir;
    ::setenv("XDG_CONFIG_HOME", dir.File("config").c_str(), 1);
    ::setenv("XDG_DATA_HOME", dir.File("data").c_str(), 1);
    ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
    const std::string doc = dir.File("theirs.tvd");
    {
        TTovrinDataBase db;
        db.Root->AddChild("Theirs", -1);
        TFileStream file(doc, TFileMode::fmCreate);
        db.SaveToStream(file, "", 3);
    }
    const std::string before = ReadAll(doc);
    const pid_t other = RunProgramOn(doc);
    for (int i = 0; i < 3000 && !FileExists(doc + ".open"); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    ASSERT_TRUE(FileExists(doc + ".open")) << "the other copy never opened its outline";

    // The lock is on the file, not its name: a link or a second name to it is held as well.
    const std::string link = dir.File("link.tvd"), second = dir.File("second.tvd");
    fs::create_symlink(doc, link);
    fs::create_hard_link(doc, second);
    for (const std::string& name : {doc, link, second}) {
        SCOPED_TRACE(name);
        EXPECT_EQ(SaveOver(name), "Cannot open file \"" + name + "\". The file is in use by another copy of the program");
        EXPECT_EQ(ReadAll(doc), before);
        EXPECT_FALSE(FileExists(doc + ".bak"));
        EXPECT_EQ(TemporaryFilesIn(dir.Path()), 0);
    }

    WriteAll(doc + ".quit", "");
    int status = 0;
    ASSERT_EQ(::waitpid(other, &status, 0), other);
    EXPECT_TRUE(WIFEXITED(status)) << status;
    EXPECT_EQ(SaveOver(doc), "saved");  // once that copy has let go
    EXPECT_EQ(ReadAll(doc), "mine");
}

} // namespace
