#pragma once
// The main window offscreen for the command tests: one application object per binary, boxes and
// file dialogs answered from scripts, modal dialogs answered from the event loop, and a
// temporary folder per test.
#include <gtest/gtest.h>

#include <QApplication>
#include <QTimer>
#include <QTreeWidget>

#include <deque>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include <unistd.h>

#include "taskdb/TovrinDataBase.h"
#include "ui/TovrinMain.h"
#include "ui/TreeViewCheckBoxes.h"
#include "ui/WindowServices.h"

class TCommandsAppEnvironment : public ::testing::Environment {
public:
    void SetUp() override
    {
        home_ = std::filesystem::temp_directory_path() / ("tovrin_cmd_home_" + std::to_string(::getpid()));
        std::filesystem::create_directories(home_);
        qputenv("XDG_CONFIG_HOME", QByteArray::fromStdString((home_ / "config").string()));
        qputenv("XDG_DATA_HOME", QByteArray::fromStdString((home_ / "data").string()));
        if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
            qputenv("QT_QPA_PLATFORM", "offscreen");
        app_ = new QApplication(argc_, argv_);
    }
    void TearDown() override
    {
        delete app_;
        std::filesystem::remove_all(home_);
    }

private:
    int argc_ = 1;
    char name_[16] = "ui_cmd_tests";
    char* argv_[2] = {name_, nullptr};
    QApplication* app_ = nullptr;
    std::filesystem::path home_;
};

inline ::testing::Environment* const CommandsAppEnvironment =
    ::testing::AddGlobalTestEnvironment(new TCommandsAppEnvironment);

// Answers boxes and file dialogs from scripts; an unscripted question fails the test.
class TScriptedWindowServices : public IWindowServices {
public:
    struct TFileAnswer {
        std::string FileName;  // empty = cancel
        int FilterIndex = 0;   // 0 = leave the dialog's own
    };
    std::deque<int32_t> Answers;
    std::deque<TFileAnswer> OpenFiles;
    std::deque<TFileAnswer> SaveFiles;
    std::vector<std::string> Shown;
    std::vector<TFileDialogRequest> Requests;  // every file dialog as it was asked
    std::string Clipboard;
    int16_t Cursor = crDefault;

    int32_t AskQuestion(const std::string& Text, bool WithCancel) override
    {
        Shown.push_back(Text);
        return Next(WithCancel);
    }
    int32_t AskError(const std::string& Text) override
    {
        Shown.push_back(Text);
        return Next(true);
    }
    void ShowWarning(const std::string& Text) override { Shown.push_back(Text); }
    void ShowError(const std::string& Text) override { Shown.push_back(Text); }
    void ShowInformation(const std::string& Text) override { Shown.push_back(Text); }
    int16_t GetScreenCursor() override { return Cursor; }
    void SetScreenCursor(int16_t value) override { Cursor = value; }
    void HideCursor() override {}
    bool SetClipboardText(const std::string& Text) override
    {
        Clipboard = Text;
        return true;
    }
    std::string GetClipboardText() override { return Clipboard; }
    bool ExecuteOpenDialog(TFileDialogRequest& Request) override { return Pick(OpenFiles, Request); }
    bool ExecuteSaveDialog(TFileDialogRequest& Request) override { return Pick(SaveFiles, Request); }

private:
    int32_t Next(bool withCancel)
    {
        if (Answers.empty()) {
            ADD_FAILURE() << "unscripted question: " << (Shown.empty() ? "" : Shown.back());
            return withCancel ? idCancel : idNo;
        }
        const int32_t answer = Answers.front();
        Answers.pop_front();
        return answer;
    }
    bool Pick(std::deque<TFileAnswer>& answers, TFileDialogRequest& request)
    {
        Requests.push_back(request);
        if (answers.empty()) {
            ADD_FAILURE() << "unscripted file dialog";
            return false;
        }
        const TFileAnswer answer = answers.front();
        answers.pop_front();
        request.FileName = answer.FileName;
        if (answer.FilterIndex)
            request.FilterIndex = answer.FilterIndex;
        return !answer.FileName.empty();
    }
};

// Answers the next modal dialog of type T from the event loop, once it shows.
template <typename T>
void AnswerNextModal(std::function<void(T*)> answer)
{
    auto* timer = new QTimer();
    timer->setInterval(5);
    QObject::connect(timer, &QTimer::timeout, [timer, answer] {
        if (auto* dialog = qobject_cast<T*>(QApplication::activeModalWidget())) {
            timer->stop();
            timer->deleteLater();
            answer(dialog);
        }
    });
    timer->start();
}

class WindowFixture : public ::testing::Test {
protected:
    std::filesystem::path dir;
    TScriptedWindowServices services;
    std::unique_ptr<TfrmTovrinMain> window;

    void SetUp() override
    {
        static int counter = 0;
        dir = std::filesystem::temp_directory_path() /
              ("tovrin_cmd_" + std::to_string(::getpid()) + "_" + std::to_string(counter++));
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

    void Select(const std::string& caption)
    {
        window->tvTasksTree->setCurrentItem(Node(caption));
        QApplication::processEvents();
    }

    static std::vector<std::string> ChildCaptions(const TTaskNode* task)
    {
        std::vector<std::string> names;
        for (const TTaskNode* child : task->Children)
            names.push_back(child->Caption);
        return names;
    }

    static std::vector<std::string> NodeTexts(const QTreeWidget* tree, const QTreeWidgetItem* parent)
    {
        std::vector<std::string> names;
        const int count = parent ? parent->childCount() : tree->topLevelItemCount();
        for (int i = 0; i < count; ++i)
            names.push_back((parent ? parent->child(i) : tree->topLevelItem(i))->text(0).toStdString());
        return names;
    }

    // Replaces the outline by tasks built by fill, and shows it.
    void BuildOutline(const std::function<void(TTaskNode*)>& fill)
    {
        // Nothing may refer to the tasks about to go.
        window->SetCurrentTask(nullptr);
        window->tvTasksTree->clear();
        window->tvToDo->clear();
        window->ClearUndoHistory();
        window->Navigation->Clear();
        Root()->ClearChildren();
        fill(Root());
        window->FillTaskTree();
        QApplication::processEvents();
    }

    bool Saw(const std::string& text) const
    {
        for (const std::string& shown : services.Shown)
            if (shown == text)
                return true;
        return false;
    }
};
