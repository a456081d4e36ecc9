// The real program under a file-size limit (as `ulimit -f` sets it): Ctrl+S on an outline
// larger than the limit fails like a full disk, with a message, instead of the program being
// ended by the signal in the middle of the save.
#include <gtest/gtest.h>

#include <QApplication>
#include <QMessageBox>
#include <QTest>
#include <QTimer>

#include <csignal>
#include <filesystem>
#include <memory>
#include <random>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include "app/Program.h"
#include "platform/Stream.h"
#include "tests/platform/FileSizeLimit.h"
#include "taskdb/TaskNode.h"
#include "taskdb/TovrinDataBase.h"
#include "ui/mainwindow/DocumentLifecycle.h"
#include "ui/mainwindow/TovrinMain.h"

namespace fs = std::filesystem;

namespace {

// An outline that packs to well over 16 KiB: random captions do not compress.
void WriteLargeOutline(const std::string& name)
{
    TTovrinDataBase db;
    std::mt19937_64 random(7);
    for (int i = 0; i < 3000; ++i)
        db.Root->AddChild(std::to_string(random()) + " " + std::to_string(random()), -1);
    TFileStream file(name, TFileMode::fmCreate);
    db.SaveToStream(file, "", 3);
}

// Runs the program on doc in a child whose files may not grow past limit, presses Ctrl+S and
// returns the text of the box that follows; the child's status goes to status.
std::string SaveUnderLimit(const std::string& doc, rlim_t limit, int& status)
{
    return RunInChild(
        [&]() -> std::string {
            const rlimit r{limit, limit};
            ::setrlimit(RLIMIT_FSIZE, &r);
            std::string program = "tovrin", file = doc, said;
            char* argv[] = {program.data(), file.data(), nullptr};
            int argc = 2;
            auto report = [&said](const QString& text) {
                said = text.toStdString();
                QApplication::exit();
            };
            RunProgram(argc, argv, [&](TfrmTovrinMain& window) {
                // Once the outline is open, Ctrl+S; then whatever box comes.
                auto* poll = new QTimer(&window);
                QObject::connect(poll, &QTimer::timeout, [&window, doc, report, pressed = false]() mutable {
                    if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget()))
                        report(box->text());
                    if (pressed || window.Part<TDocumentLifecycle>().FileName() != doc)
                        return;
                    pressed = true;
                    QTimer::singleShot(2000, [report] { report("no box"); });
                    // Out of this slot: a box's own loop must not run inside the timer that looks for it.
                    QTimer::singleShot(0, &window, [&window] {
                        window.activateWindow();
                        QTest::keyClick(&window, Qt::Key_S, Qt::ControlModifier);
                    });
                });
                poll->start(20);
                QTimer::singleShot(60000, [report] { report("the outline never opened"); });
            });
            return said;
        },
        status);
}

TEST(ProgramUnderFileSizeLimit, ASaveThatCannotFitFailsAndKeepsTheFile)
{
    const fs::path dir = fs::temp_directory_path() / ("tovrin_fsize_" + std::to_string(::getpid()));
    fs::create_directories(dir);
    const std::unique_ptr<const fs::path, void (*)(const fs::path*)> cleanup(&dir, [](const fs::path* p) { fs::remove_all(*p); });
    ::setenv("XDG_CONFIG_HOME", (dir / "config").c_str(), 1);
    ::setenv("XDG_DATA_HOME", (dir / "data").c_str(), 1);
    ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
    const std::string doc = (dir / "big.tvd").string();
    WriteLargeOutline(doc);
    const auto size = fs::file_size(doc);
    ASSERT_GT(size, 32u * 1024);

    int status = 0;
    const std::string said = SaveUnderLimit(doc, 16 * 1024, status);
    ASSERT_FALSE(WIFSIGNALED(status)) << "ended by signal " << WTERMSIG(status);
    EXPECT_EQ(WEXITSTATUS(status), 0);
    EXPECT_NE(said.find("Stream write error: " + doc + ": File too large"), std::string::npos) << said;
    EXPECT_EQ(fs::file_size(doc), size);
    for (const auto& entry : fs::directory_iterator(dir))
        EXPECT_EQ(entry.path().filename().string().find("$TovrinTmp$"), std::string::npos) << entry.path();
}

} // namespace
