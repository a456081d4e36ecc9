#pragma once
// The main window offscreen with a folder of task files beside its outline: the command tests'
// application object and scripted boxes, a scripted folder dialog, a clock the test moves, and
// a way to act on a modal dialog from inside its own event loop.
#include "ui/commands/WindowFixture.h"

#include <QDialog>

#include <cstdlib>
#include <ctime>
#include <fstream>

#include "platform/DateTime.h"

// The command tests' services with the folder dialog scripted as well.
class TSyncWindowServices : public TScriptedWindowServices {
public:
    std::deque<std::string> Folders;          // empty string = cancel
    std::vector<std::string> FolderRequests;  // the folder each dialog started in

    bool ExecuteFolderDialog(std::string& Directory) override
    {
        FolderRequests.push_back(Directory);
        if (Folders.empty()) {
            ADD_FAILURE() << "unscripted folder dialog";
            return false;
        }
        Directory = Folders.front();
        Folders.pop_front();
        return !Directory.empty();
    }
};

// Once the next modal dialog of type D is up, runs action on it. A dialog of another kind (or
// none) fails the test and is rejected, so that the test goes on.
template <class D>
void WhenModal(std::function<void(D&)> action)
{
    QTimer::singleShot(0, [action] {
        QWidget* modal = QApplication::activeModalWidget();
        if (auto* dialog = qobject_cast<D*>(modal)) {
            action(*dialog);
            return;
        }
        ADD_FAILURE() << "no modal dialog of the expected kind";
        if (auto* other = qobject_cast<QDialog*>(modal))
            other->reject();
    });
}

class SyncWindowFixture : public ::testing::Test {
protected:
    std::filesystem::path dir;
    std::filesystem::path tasks;  // the task folder: one calendar file per task
    TSyncWindowServices services;
    TDateTime now = EncodeDate(2024, 5, 6) + 0.5;
    TClockOverride clock{[this] { return now; }};
    std::unique_ptr<TfrmTovrinMain> window;

    void SetUp() override
    {
        // The task files carry UTC times; the outline's times are local.
        setenv("TZ", "UTC0", 1);
        tzset();
        static int counter = 0;
        dir = std::filesystem::temp_directory_path() /
              ("tovrin_sync_" + std::to_string(::getpid()) + "_" + std::to_string(counter++));
        tasks = dir / "tasks";
        std::filesystem::create_directories(tasks);
        std::filesystem::create_directories(dir / "bin");
        TMainWindowEnvironment env;
        env.CurrentDir = dir.string();
        env.ProgramDir = (dir / "bin").string();
        env.UserDataDir = (dir / "user").string();
        env.Services = &services;
        env.PostStartupMessage = false;
        env.SettingsFile = (dir / "settings.ini").string();
        window = std::make_unique<TfrmTovrinMain>(env);
        window->resize(900, 600);
        window->show();
        window->activateWindow();
        QApplication::processEvents();
    }

    void TearDown() override
    {
        window->Modified = false;
        window.reset();
        std::error_code ec;
        std::filesystem::remove_all(dir, ec);
    }

    std::string File(const std::string& name) const { return (dir / name).string(); }
    TTaskNode* Root() const { return window->DataBase->Root.get(); }

    TTaskNode* Task(const std::string& caption) const
    {
        TTaskNode* found = nullptr;
        Root()->ForEachNode(
            [&](void*, TTaskNode* t) {
                if (!found && t->Caption == caption)
                    found = t;
            },
            nullptr);
        return found;
    }

    QTreeWidgetItem* Node(const std::string& caption) const
    {
        return window->FindTaskNode(window->tvTasksTree, Task(caption));
    }

    static std::vector<std::string> NodeTexts(const QTreeWidget* tree, const QTreeWidgetItem* parent = nullptr)
    {
        std::vector<std::string> names;
        const int count = parent ? parent->childCount() : tree->topLevelItemCount();
        for (int i = 0; i < count; ++i)
            names.push_back((parent ? parent->child(i) : tree->topLevelItem(i))->text(0).toStdString());
        return names;
    }

    // One task file as another program writes it, changed an hour before the test's clock.
    void WriteTaskFile(const std::string& name, const std::string& uid, const std::string& summary) const
    {
        std::ofstream(tasks / name, std::ios::binary) << "BEGIN:VCALENDAR\r\n"
                                                         "VERSION:2.0\r\n"
                                                         "PRODID:-//Someone//Other client//EN\r\n"
                                                         "BEGIN:VTODO\r\n"
                                                         "UID:"
                                                      << uid
                                                      << "\r\n"
                                                         "DTSTAMP:20240506T100000Z\r\n"
                                                         "LAST-MODIFIED:20240506T100000Z\r\n"
                                                         "SUMMARY:"
                                                      << summary
                                                      << "\r\n"
                                                         "END:VTODO\r\n"
                                                         "END:VCALENDAR\r\n";
    }

    size_t TaskFileCount() const
    {
        size_t count = 0;
        for (const auto& entry : std::filesystem::directory_iterator(tasks))
            count += entry.path().extension() == ".ics";
        return count;
    }
};
