#pragma once
// Offscreen window tests: one application object per test binary, boxes and dialogs answered
// from scripts (an unscripted one fails the test, none ever blocks, each runs an event loop as
// a real box does), and a main window over a temporary folder.
#include <gtest/gtest.h>

#include <QApplication>
#include <QDialog>
#include <QEventLoop>
#include <QKeyEvent>
#include <QPointer>
#include <QSettings>
#include <QTimer>
#include <QTreeWidget>

#include <algorithm>
#include <deque>
#include <functional>
#include <memory>
#include <vector>

#include "TestFiles.h"
#include "taskdb/TovrinDataBase.h"
#include "ui/mainwindow/DocumentLifecycle.h"
#include "ui/mainwindow/MainPages.h"
#include "ui/mainwindow/TovrinMain.h"
#include "ui/controls/TreeViewCheckBoxes.h"
#include "ui/mainwindow/WindowServices.h"
#include "ui/desktop/DesktopIntegration.h"
#include "ui/options/WindowOptions.h"
#include "ui/outline/OutlineViews.h"
#include "ui/outline/TreeEditing.h"
#include "ui/places/PlacePanel.h"
#include "ui/taskpanel/TaskPanel.h"
#include "ui/todo/ToDoFilterPanel.h"
#include "ui/todo/ToDoPage.h"
#include "ui/undo/UndoNavigation.h"

// Settings and data folders point into a temporary folder, so that no test touches the user's.
class TApplicationEnvironment : public ::testing::Environment {
public:
    void SetUp() override
    {
        home_ = std::make_unique<TTempFolder>();
        qputenv("XDG_CONFIG_HOME", QByteArray::fromStdString(home_->File("config")));
        qputenv("XDG_DATA_HOME", QByteArray::fromStdString(home_->File("data")));
        if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
            qputenv("QT_QPA_PLATFORM", "offscreen");
        app_ = std::make_unique<QApplication>(argc_, argv_);
    }
    void TearDown() override
    {
        app_.reset();
        home_.reset();
    }

private:
    std::unique_ptr<TTempFolder> home_;
    int argc_ = 1;
    char name_[16] = "ui_tests";
    char* argv_[2] = {name_, nullptr};
    std::unique_ptr<QApplication> app_;
};

inline ::testing::Environment* const ApplicationEnvironment =
    ::testing::AddGlobalTestEnvironment(new TApplicationEnvironment);

// A control of a part that keeps its controls to itself, found by its name as a user's tools
// would find it.
template <class T>
T* Named(const QWidget& window, const char* name)
{
    return window.findChild<T*>(QString::fromLatin1(name));
}

struct TFileAnswer {
    TFileAnswer(std::string fileName, int filterIndex = 0) : FileName(std::move(fileName)), FilterIndex(filterIndex) {}
    TFileAnswer(const char* fileName) : FileName(fileName) {}
    std::string FileName;  // empty = cancel
    int FilterIndex = 0;   // 0 = leave the dialog's own
};

// What a real message box does before it answers: it takes the keyboard from the window, runs
// its own event loop (posted events, deferred deletes) and gives the keyboard back as it closes.
// A box shown at a moment that cannot bear this fails here as it does in the program.
inline void RunAsMessageBox()
{
    // Every command ends an in-place edit before it acts: a box over a running edit comes from
    // inside the edit's own commit, where the editor is gone once the box returns.
    for (QWidget* widget : QApplication::allWidgets())
        if (auto* tree = qobject_cast<TTreeViewCheckBoxes*>(widget); tree && tree->IsEditing())
            ADD_FAILURE() << "a box shown while " << tree->objectName().toStdString() << " is editing";
    // Over a dialog a box is fine; over another box it is not.
    if (QWidget* modal = QApplication::activeModalWidget(); modal && modal->objectName() == "scriptedBox")
        ADD_FAILURE() << "a box shown over another box";
    const QPointer<QWidget> owner = QApplication::activeWindow();
    QDialog box;
    box.setObjectName("scriptedBox");
    box.setWindowModality(Qt::ApplicationModal);
    box.resize(40, 20);
    // Up before its loop runs, as a real box is: what that loop runs finds a box up.
    box.show();
    box.activateWindow();
    box.setFocus();
    QEventLoop loop;
    QTimer::singleShot(0, &loop, [&] {
        QCoreApplication::processEvents();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        loop.quit();
    });
    loop.exec();
    box.hide();
    if (owner)
        owner->activateWindow();
    QCoreApplication::processEvents();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

class TScriptedServices : public IWindowServices {
public:
    std::deque<int32_t> Answers;  // for AskQuestion and AskError
    std::deque<TFileAnswer> OpenFiles;
    std::deque<TFileAnswer> SaveFiles;
    std::deque<std::string> Folders;           // empty string = cancel
    std::vector<std::string> Shown;            // every text shown or asked, in order
    std::vector<TFileDialogRequest> Requests;  // every file dialog as it was asked
    std::vector<std::string> FolderRequests;   // the folder each folder dialog started in
    std::function<void()> DuringDialog;        // runs inside every file dialog
    std::string Clipboard;
    int16_t Cursor = crDefault;

    int32_t AskQuestion(const std::string& Text, bool WithCancel) override
    {
        Shown.push_back(Text);
        RunAsMessageBox();
        return Next(WithCancel);
    }
    int32_t AskError(const std::string& Text) override
    {
        Shown.push_back(Text);
        RunAsMessageBox();
        return Next(true);
    }
    void ShowWarning(const std::string& Text) override { Show(Text); }
    void ShowError(const std::string& Text) override { Show(Text); }
    void ShowInformation(const std::string& Text) override { Show(Text); }
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

private:
    void Show(const std::string& text)
    {
        Shown.push_back(text);
        RunAsMessageBox();
    }
    int32_t Next(bool withCancel)
    {
        if (Answers.empty()) {
            ADD_FAILURE() << "unscripted question: " << Shown.back();
            return withCancel ? idCancel : idNo;
        }
        const int32_t answer = Answers.front();
        Answers.pop_front();
        return answer;
    }
    bool Pick(std::deque<TFileAnswer>& answers, TFileDialogRequest& request)
    {
        Requests.push_back(request);
        if (DuringDialog)
            DuringDialog();
        if (answers.empty()) {
            ADD_FAILURE() << "unscripted file dialog";
            return false;
        }
        request.FileName = answers.front().FileName;
        if (answers.front().FilterIndex)
            request.FilterIndex = answers.front().FilterIndex;
        answers.pop_front();
        return !request.FileName.empty();
    }
};

// Installs scripted services for a scope.
class TServicesScope {
public:
    explicit TServicesScope(IWindowServices& services) { SetUiServices(&services); }
    ~TServicesScope() { SetUiServices(nullptr); }
};

// Runs action on the next modal dialog of type D from inside its own event loop; a dialog
// that never comes fails the test.
template <class D>
void WhenModal(std::function<void(D&)> action)
{
    auto* timer = new QTimer(qApp);
    auto tries = std::make_shared<int>(0);
    QObject::connect(timer, &QTimer::timeout, [timer, tries, action] {
        if (auto* dialog = qobject_cast<D*>(QApplication::activeModalWidget())) {
            timer->deleteLater();
            timer->stop();
            action(*dialog);
        } else if (++*tries == 400) {
            timer->deleteLater();
            timer->stop();
            ADD_FAILURE() << "no modal dialog of the expected kind";
        }
    });
    timer->start(5);
}

using Names = std::vector<std::string>;

// The texts of a tree's top-level nodes, or of a node's children.
inline Names Texts(const QTreeWidget* tree, const QTreeWidgetItem* parent = nullptr)
{
    Names names;
    const int count = parent ? parent->childCount() : tree->topLevelItemCount();
    for (int i = 0; i < count; ++i)
        names.push_back((parent ? parent->child(i) : tree->topLevelItem(i))->text(0).toStdString());
    return names;
}

// A subtree as one line, children in brackets: "A[A1 A2] B".
inline std::string Outline(const TTaskNode* task)
{
    std::string text;
    for (const TTaskNode* child : task->Children)
        text += (text.empty() ? "" : " ") + child->Caption + (child->Children.Empty() ? "" : "[" + Outline(child) + "]");
    return text;
}
inline std::string Outline(const QTreeWidget* tree, const QTreeWidgetItem* parent = nullptr)
{
    std::string text;
    const int count = parent ? parent->childCount() : tree->topLevelItemCount();
    for (int i = 0; i < count; ++i) {
        const QTreeWidgetItem* node = parent ? parent->child(i) : tree->topLevelItem(i);
        text += (text.empty() ? "" : " ") + node->text(0).toStdString() +
                (node->childCount() ? "[" + Outline(tree, node) + "]" : "");
    }
    return text;
}

inline Names ChildCaptions(const TTaskNode* task)
{
    Names names;
    for (const TTaskNode* child : task->Children)
        names.push_back(child->Caption);
    return names;
}

inline void SendKey(QWidget* target, int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
{
    QKeyEvent press(QEvent::KeyPress, key, modifiers);
    QApplication::sendEvent(target, &press);
    QKeyEvent release(QEvent::KeyRelease, key, modifiers);
    QApplication::sendEvent(target, &release);
    QApplication::processEvents();  // the item views end an edit on Enter from the event loop
}

// A shown main window whose settings and files live in the test's temporary folder.
class TWindowFixture : public ::testing::Test {
protected:
    TTempFolder dir;
    TScriptedServices services;
    std::unique_ptr<TfrmTovrinMain> window;

    void SetUp() override { window = Make(); }

    std::unique_ptr<TfrmTovrinMain> Make(std::vector<std::string> args = {}, bool show = true)
    {
        TMainWindowEnvironment env;
        env.Args = std::move(args);
        env.CurrentDir = dir.Path();
        env.ProgramDir = dir.File("bin");
        env.UserDataDir = dir.File("user");
        env.Services = &services;
        env.PostStartupMessage = false;
        env.SettingsFile = SettingsFile();
        std::filesystem::create_directories(env.ProgramDir);
        auto made = std::make_unique<TfrmTovrinMain>(env);
        if (show) {
            made->resize(900, 600);
            made->show();
            made->activateWindow();
            QApplication::processEvents();
        }
        return made;
    }
    // A window not yet shown, whose settings file holds these lines under [Settings].
    std::unique_ptr<TfrmTovrinMain> MakeWithSettings(const std::string& lines)
    {
        WriteAll(SettingsFile(), "[Settings]\n" + lines);
        return Make({}, false);
    }
    std::string SettingsFile() const { return dir.File("settings.ini"); }
    std::string Stored(const std::string& name) const
    {
        QSettings store(QString::fromStdString(SettingsFile()), QSettings::IniFormat);
        return store.value(QString::fromStdString("Settings/" + name)).toString().toStdString();
    }
    std::string File(const std::string& name) const { return dir.File(name); }

    TTaskNode* Root() const { return window->State().DataBase->Root.get(); }
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
    QTreeWidgetItem* Node(const std::string& caption) const { return window->Part<TTreeEditing>().FindTaskNode(window->Part<TOutlineViews>().tvTasksTree(), Task(caption)); }
    void Select(const std::string& caption)
    {
        window->Part<TOutlineViews>().tvTasksTree()->setCurrentItem(Node(caption));
        QApplication::processEvents();
    }

    // Replaces the outline by the tasks and places fill makes, and shows it.
    void BuildOutline(const std::function<void(TTaskNode*)>& fill)
    {
        window->Part<TDocumentLifecycle>().ClearDocument();  // the window lets go of the tasks it shows before they go
        fill(Root());
        window->Part<TOutlineViews>().FillTaskTree();
        window->Part<TPlacePanel>().MarkPlacesListsStale();
        window->Part<TPlacePanel>().RefreshPlacesLists();
    }

    // The outline and the task tree, which must show the same.
    void ExpectOutline(const std::string& expected) const
    {
        EXPECT_EQ(Outline(Root()), expected);
        EXPECT_EQ(Outline(window->Part<TOutlineViews>().tvTasksTree()), expected);
    }

    bool Saw(const std::string& text) const
    {
        return std::find(services.Shown.begin(), services.Shown.end(), text) != services.Shown.end();
    }
};
