// The main window offscreen: the three views, hide-completed, the virtual root, new tasks with
// Enter and Esc, check marks, and the document's lifecycle on real data files.
#include "WindowTestSupport.h"

#include <QAction>
#include <QCheckBox>
#include <QFrame>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QSettings>

#include <fstream>

#include "platform/Exceptions.h"
#include "platform/FileUtils.h"
#include "taskdb/TovrinDataBase.h"
#include "ui/PageControl.h"
#include "ui/TovrinMain.h"
#include "ui/TreeViewCheckBoxes.h"

namespace {

using Names = std::vector<std::string>;

Names TopTexts(const QTreeWidget* tree)
{
    Names names;
    for (int i = 0; i < tree->topLevelItemCount(); ++i)
        names.push_back(tree->topLevelItem(i)->text(0).toStdString());
    return names;
}

Names ChildTexts(const QTreeWidgetItem* item)
{
    Names names;
    for (int i = 0; i < item->childCount(); ++i)
        names.push_back(item->child(i)->text(0).toStdString());
    return names;
}

Names ChildCaptions(const TTaskNode* task)
{
    Names names;
    for (const TTaskNode* child : task->Children)
        names.push_back(child->Caption);
    return names;
}

void SendKey(QWidget* target, int key)
{
    QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier);
    QApplication::sendEvent(target, &press);
    QKeyEvent release(QEvent::KeyRelease, key, Qt::NoModifier);
    QApplication::sendEvent(target, &release);
    QApplication::processEvents();  // the item views end an edit on Enter from the event loop
}

bool SomeoneHolds(const std::string& name)
{
    TFileLock probe;
    return !probe.Acquire(name);
}

void WriteBytes(const std::string& name, const std::string& bytes)
{
    std::ofstream(name, std::ios::binary) << bytes;
}

std::string Int32(int32_t v)
{
    std::string s(4, '\0');
    for (int i = 0; i < 4; ++i)
        s[static_cast<size_t>(i)] = static_cast<char>((static_cast<uint32_t>(v) >> (8 * i)) & 0xFF);
    return s;
}

class MainWindowTest : public ::testing::Test {
protected:
    TTempFolder dir;
    TScriptedServices services;
    std::unique_ptr<TfrmTovrinMain> window;

    void SetUp() override { window = Make(); }

    std::unique_ptr<TfrmTovrinMain> Make(std::vector<std::string> args = {})
    {
        TMainWindowEnvironment env;
        env.Args = std::move(args);
        env.CurrentDir = dir.Path();
        env.ProgramDir = dir.File("bin");
        env.UserDataDir = dir.File("user");
        env.Services = &services;
        env.PostStartupMessage = false;
        env.SettingsFile = dir.File("settings.ini");
        std::filesystem::create_directories(env.ProgramDir);
        auto made = std::make_unique<TfrmTovrinMain>(env);
        made->show();
        return made;
    }

    // Root: A (week goal; children A1 completed, A2 project in progress), B (completed, year
    // goal; child B1), C (project, not started).
    void BuildSample()
    {
        window->ClearDocument();  // the window lets go of the tasks it shows before they go
        TTaskNode* root = window->DataBase->Root.get();
        TTaskNode* a = root->AddChild("A", -1);
        a->SetTheGoal(1);
        a->AddChild("A1", -1)->SetCompletionDateTime(45000);
        TTaskNode* a2 = a->AddChild("A2", -1);
        a2->SetIsProject(true);
        a2->SetProjectStatus(1);
        TTaskNode* b = root->AddChild("B", -1);
        b->SetTheGoal(3);
        b->SetCompletionDateTime(45001);
        b->AddChild("B1", -1);
        root->AddChild("C", -1)->SetIsProject(true);
        window->FillTaskTree();
    }

    TTaskNode* Task(const std::string& caption)
    {
        TTaskNode* found = nullptr;
        window->DataBase->Root->ForEachNode(
            [&](void*, TTaskNode* t) {
                if (!found && t->Caption == caption)
                    found = t;
            },
            nullptr);
        return found;
    }

    QTreeWidgetItem* Node(const std::string& caption) { return window->FindTaskNode(window->tvTasksTree, Task(caption)); }
};

} // namespace

TEST_F(MainWindowTest, StartsUntitledWithOneNewTask)
{
    EXPECT_TRUE(window->Untitled);
    EXPECT_FALSE(window->Modified);
    EXPECT_EQ(TopTexts(window->tvTasksTree), (Names{"New Task"}));
    EXPECT_EQ(window->windowTitle().toStdString(), "Tovrin Planner");
    EXPECT_EQ(window->CurrentViewName, "All tasks");
    EXPECT_EQ(window->CurrentTask, window->DataBase->Root->Children[0]);  // the first node is selected
}

TEST_F(MainWindowTest, TheThreeViewsOfASampleOutline)
{
    BuildSample();
    EXPECT_EQ(TopTexts(window->tvTasksTree), (Names{"A", "B", "C"}));
    EXPECT_EQ(ChildTexts(window->tvTasksTree->topLevelItem(0)), (Names{"A1", "A2"}));
    EXPECT_FALSE(TTreeViewCheckBoxes::GetChecked(Node("A")));
    EXPECT_TRUE(TTreeViewCheckBoxes::GetChecked(Node("B")));

    window->SetTaskTreeView("Goals");
    QTreeWidget* tree = window->tvTasksTree;
    EXPECT_EQ(TopTexts(tree), (Names{"Weekly goals", "Monthly goals", "Yearly goals"}));
    EXPECT_EQ(ChildTexts(tree->topLevelItem(0)), (Names{"A"}));
    EXPECT_EQ(ChildTexts(tree->topLevelItem(2)), (Names{"B"}));
    EXPECT_TRUE(tree->topLevelItem(0)->isExpanded());
    EXPECT_FALSE(tree->topLevelItem(0)->flags() & Qt::ItemIsUserCheckable);
    EXPECT_EQ(TfrmTovrinMain::NodeTask(tree->topLevelItem(0)), nullptr);

    window->SetTaskTreeView("Projects");
    EXPECT_EQ(TopTexts(tree), (Names{"Not Started", "In Progress", "Suspended", "Completed"}));
    EXPECT_EQ(ChildTexts(tree->topLevelItem(0)), (Names{"C"}));
    EXPECT_EQ(ChildTexts(tree->topLevelItem(1)), (Names{"A2"}));
    EXPECT_FALSE(window->actNewTask->isEnabled());  // new tasks only in "All tasks"

    window->SetTaskTreeView("No such view");
    EXPECT_EQ(window->CurrentViewName, "All tasks");
    EXPECT_EQ(TopTexts(tree), (Names{"A", "B", "C"}));
    EXPECT_TRUE(window->actNewTask->isEnabled());
}

TEST_F(MainWindowTest, SwitchingGoalsOffWhileShownFallsBackToAllTasks)
{
    BuildSample();
    window->SetTaskTreeView("Goals");
    window->SetShowGoals(false);
    EXPECT_EQ(window->CurrentViewName, "All tasks");
    EXPECT_EQ(TopTexts(window->tvTasksTree), (Names{"A", "B", "C"}));
}

TEST_F(MainWindowTest, HideCompletedHidesCompletedTasksWithTheirSubtasks)
{
    BuildSample();
    window->chHideCompletedTasks->setChecked(true);
    EXPECT_EQ(TopTexts(window->tvTasksTree), (Names{"A", "C"}));
    EXPECT_EQ(ChildTexts(window->tvTasksTree->topLevelItem(0)), (Names{"A2"}));
    window->chHideCompletedTasks->setChecked(false);
    EXPECT_EQ(TopTexts(window->tvTasksTree), (Names{"A", "B", "C"}));
}

TEST_F(MainWindowTest, VirtualRootLimitsTheTreeAndShowsTheBanners)
{
    BuildSample();
    window->SetVirtualRoot(Task("A"));
    EXPECT_TRUE(window->IsVirtualRootActive());
    EXPECT_EQ(TopTexts(window->tvTasksTree), (Names{"A1", "A2"}));
    EXPECT_TRUE(window->pnlVirtualRoot->isVisibleTo(window.get()));
    EXPECT_EQ(window->lbVirtualRoot->text().toStdString(), "Virtual root: \"A\". Click to reset.");
    EXPECT_EQ(window->lbVirtualRoot2->text(), window->lbVirtualRoot->text());

    // New task with nothing selected goes to the end of the virtual root's children.
    window->tvTasksTree->setCurrentItem(nullptr);
    window->tvTasksTree->clearSelection();
    window->actNewTask->trigger();
    window->EndInPlaceEditing();
    EXPECT_EQ(ChildCaptions(Task("A")), (Names{"A1", "A2", "New Task"}));

    window->SetVirtualRoot(window->DataBase->Root.get());
    EXPECT_FALSE(window->IsVirtualRootActive());
    EXPECT_FALSE(window->pnlVirtualRoot->isVisibleTo(window.get()));
    EXPECT_EQ(TopTexts(window->tvTasksTree), (Names{"A", "B", "C"}));
}

TEST_F(MainWindowTest, AskingForAVirtualRootConfirmsFirst)
{
    BuildSample();
    window->tvTasksTree->setCurrentItem(Node("C"));
    services.Answers = {idNo, idYes};
    window->actNewVirtualRoot->trigger();
    EXPECT_FALSE(window->IsVirtualRootActive());
    window->actNewVirtualRoot->trigger();
    EXPECT_EQ(window->VirtualRoot, Task("C"));
    EXPECT_EQ(services.Shown.back(), "Select \"C\" as new virtual root for task tree?");
}

TEST_F(MainWindowTest, NewTaskConfirmedWithEnterIsKeptAndMarksTheOutline)
{
    BuildSample();
    window->SetModified(false);
    window->tvTasksTree->setCurrentItem(Node("A"));
    window->actNewTask->trigger();
    ASSERT_TRUE(window->tvTasksTree->IsEditing());
    EXPECT_TRUE(window->NewTaskPending);
    EXPECT_EQ(ChildCaptions(window->DataBase->Root.get()), (Names{"A", "New Task", "B", "C"}));
    EXPECT_FALSE(window->Modified);  // only the end of the edit marks the outline

    QLineEdit* editor = window->tvTasksTree->InPlaceEditor();
    ASSERT_NE(editor, nullptr);
    editor->setText("Buy milk");
    SendKey(editor, Qt::Key_Return);
    EXPECT_FALSE(window->tvTasksTree->IsEditing());
    EXPECT_FALSE(window->NewTaskPending);
    EXPECT_TRUE(window->Modified);
    EXPECT_EQ(window->memTaskCaption->toPlainText().toStdString(), "Buy milk");
    EXPECT_EQ(TopTexts(window->tvTasksTree), (Names{"A", "Buy milk", "B", "C"}));

    window->tvTasksTree->setCurrentItem(Node("C"));  // the selection change writes it back
    EXPECT_EQ(ChildCaptions(window->DataBase->Root.get()), (Names{"A", "Buy milk", "B", "C"}));
}

TEST_F(MainWindowTest, NewTaskCancelledWithEscIsRemoved)
{
    BuildSample();
    window->tvTasksTree->setCurrentItem(Node("A"));
    window->actNewSubTask->trigger();
    ASSERT_TRUE(window->tvTasksTree->IsEditing());
    EXPECT_EQ(ChildCaptions(Task("A")), (Names{"A1", "A2", "New Task"}));
    SendKey(window->tvTasksTree->InPlaceEditor(), Qt::Key_Escape);
    EXPECT_FALSE(window->NewTaskPending);
    EXPECT_EQ(ChildCaptions(Task("A")), (Names{"A1", "A2"}));
    EXPECT_EQ(ChildTexts(Node("A")), (Names{"A1", "A2"}));
    // Its previous sibling becomes the selection.
    EXPECT_EQ(window->CurrentTask, Task("A2"));
    EXPECT_EQ(window->tvTasksTree->currentItem(), Node("A2"));
}

TEST_F(MainWindowTest, NewTaskLandsAfterTheSelectedTaskWhileCompletedTasksAreHidden)
{
    window->ClearDocument();
    TTaskNode* root = window->DataBase->Root.get();
    root->AddChild("X", -1)->SetCompletionDateTime(45000);
    root->AddChild("Y", -1);
    root->AddChild("Z", -1);
    window->chHideCompletedTasks->setChecked(true);
    ASSERT_EQ(TopTexts(window->tvTasksTree), (Names{"Y", "Z"}));
    window->tvTasksTree->setCurrentItem(Node("Y"));
    window->actNewTask->trigger();
    window->EndInPlaceEditing();
    EXPECT_EQ(ChildCaptions(root), (Names{"X", "Y", "New Task", "Z"}));
    EXPECT_EQ(TopTexts(window->tvTasksTree), (Names{"Y", "New Task", "Z"}));
}

TEST_F(MainWindowTest, NewTaskTakesTheParentsPlaces)
{
    BuildSample();
    Task("A")->Places = {3, 5};
    window->tvTasksTree->setCurrentItem(Node("A"));
    window->actNewSubTask->trigger();
    window->EndInPlaceEditing();
    EXPECT_EQ(Task("A")->Children[2]->Places, (std::vector<int32_t>{3, 5}));
}

TEST_F(MainWindowTest, CheckMarksCompleteAndReopenTasks)
{
    BuildSample();
    window->SetModified(false);
    QTreeWidgetItem* c = Node("C");
    c->setCheckState(0, Qt::Checked);  // what a click on the box does
    EXPECT_NE(Task("C")->CompletionDateTime, 0);
    EXPECT_TRUE(Task("C")->CompletedMark);
    EXPECT_EQ(window->CurrentTask, Task("C"));
    EXPECT_TRUE(window->Modified);
    c->setCheckState(0, Qt::Unchecked);
    EXPECT_EQ(Task("C")->CompletionDateTime, 0);

    // Space on the selected node toggles it too.
    window->tvTasksTree->setCurrentItem(Node("A"));
    SendKey(window->tvTasksTree, Qt::Key_Space);
    EXPECT_NE(Task("A")->CompletionDateTime, 0);
}

TEST_F(MainWindowTest, RefusedSelectionChangeKeepsTheSelection)
{
    BuildSample();
    window->tvTasksTree->setCurrentItem(Node("A"));
    auto* model = window->tvTasksTree->VetoSelectionModel();
    model->OnChanging = [](const QModelIndex&) { return false; };
    window->tvTasksTree->setCurrentItem(Node("C"));
    EXPECT_EQ(window->tvTasksTree->currentItem(), Node("A"));
    EXPECT_EQ(window->tvTasksTree->selectedItems(), QList<QTreeWidgetItem*>{Node("A")});
    EXPECT_EQ(window->CurrentTask, Task("A"));
}

TEST_F(MainWindowTest, ExpandedStateIsRememberedAcrossRefills)
{
    BuildSample();
    Node("A")->setExpanded(true);
    EXPECT_TRUE(Task("A")->Expanded);
    window->RefillTaskTree();
    EXPECT_TRUE(Node("A")->isExpanded());
    Node("A")->setExpanded(false);
    window->RefillTaskTree();
    EXPECT_FALSE(Node("A")->isExpanded());
}

TEST_F(MainWindowTest, CaptionCarriesTheModifiedMark)
{
    window->SetModified(true);
    EXPECT_EQ(window->windowTitle().toStdString(), "Tovrin Planner *");
    window->SetModified(false);
    EXPECT_EQ(window->windowTitle().toStdString(), "Tovrin Planner");
}

// ---- Document lifecycle on real files ----

TEST_F(MainWindowTest, SaveQuitReopenLosesNothing)
{
    BuildSample();
    window->tvTasksTree->setCurrentItem(Node("C"));
    window->memTaskCaption->setPlainText("C renamed");
    Node("A2")->setCheckState(0, Qt::Checked);
    const std::string name = dir.File("plan.tvd");
    services.SaveNames = {name};
    ASSERT_TRUE(window->SaveDocument());
    EXPECT_FALSE(window->Modified);
    EXPECT_FALSE(window->Untitled);
    EXPECT_EQ(window->windowTitle().toStdString(), "plan.tvd - Tovrin Planner");
    EXPECT_TRUE(SomeoneHolds(name));
    window->close();
    window.reset();
    EXPECT_FALSE(SomeoneHolds(name));
    {
        QSettings settings(QString::fromStdString(dir.File("settings.ini")), QSettings::IniFormat);
        EXPECT_EQ(settings.value("Settings/LastDBFile").toString().toStdString(), name);
    }

    window = Make();
    window->OpenStartupFile();  // no argument: the last file
    EXPECT_EQ(window->FileName, name);
    EXPECT_EQ(TopTexts(window->tvTasksTree), (Names{"A", "B", "C renamed"}));
    EXPECT_NE(Task("A2")->CompletionDateTime, 0);
    EXPECT_NE(Task("A1")->CompletionDateTime, 0);
    EXPECT_EQ(Task("A")->TheGoal, 1);
    EXPECT_TRUE(Task("C renamed")->IsProject);
    EXPECT_FALSE(window->Modified);
    EXPECT_TRUE(SomeoneHolds(name));
}

TEST_F(MainWindowTest, SecondWindowCannotOpenAFileInUse)
{
    const std::string name = dir.File("busy.tvd");
    services.SaveNames = {name};
    ASSERT_TRUE(window->SaveDocument());

    auto second = Make();
    second->DataBase->Root->Children[0]->Caption = "kept";
    second->FillTaskTree();
    EXPECT_THROW(second->OpenDocument(name), EFOpenError);
    EXPECT_TRUE(second->Untitled);
    EXPECT_EQ(TopTexts(second->tvTasksTree), (Names{"kept"}));
}

TEST_F(MainWindowTest, FailedOpenKeepsTheOutlineAndItsLock)
{
    const std::string name = dir.File("current.tvd");
    services.SaveNames = {name};
    ASSERT_TRUE(window->SaveDocument());
    EXPECT_THROW(window->OpenDocument(dir.File("missing.tvd")), EFOpenError);
    EXPECT_EQ(window->FileName, name);
    EXPECT_FALSE(window->Untitled);
    EXPECT_TRUE(window->DataFileLock.Held());
    EXPECT_TRUE(SomeoneHolds(name));

    // Opening the current file again works although this window holds it.
    window->OpenDocument(name);
    EXPECT_EQ(window->FileName, name);
    EXPECT_TRUE(SomeoneHolds(name));
}

TEST_F(MainWindowTest, FailedOrCancelledSaveAsKeepsTheOldName)
{
    const std::string name = dir.File("first.tvd");
    services.SaveNames = {name};
    ASSERT_TRUE(window->SaveDocument());

    services.SaveNames = {""};
    EXPECT_FALSE(window->SaveAs());
    EXPECT_EQ(window->FileName, name);
    EXPECT_FALSE(window->Untitled);

    services.SaveNames = {dir.File("no/such/folder/second.tvd")};
    window->SetModified(true);
    EXPECT_ANY_THROW(window->SaveAs());
    EXPECT_EQ(window->FileName, name);
    EXPECT_FALSE(window->Untitled);
    EXPECT_TRUE(window->Modified);
    EXPECT_TRUE(SomeoneHolds(name));

    services.SaveNames = {dir.File("second.tvd")};
    EXPECT_TRUE(window->SaveAs());
    EXPECT_EQ(window->FileName, dir.File("second.tvd"));
    EXPECT_FALSE(SomeoneHolds(name));  // the lock moved with the outline
    EXPECT_TRUE(SomeoneHolds(dir.File("second.tvd")));
}

TEST_F(MainWindowTest, SavingTwiceKeepsTheBackup)
{
    const std::string name = dir.File("b.tvd");
    services.SaveNames = {name};
    ASSERT_TRUE(window->SaveDocument());
    const int64_t firstSize = FileSizeOf(name);
    window->DataBase->Root->AddChild("More", -1);
    ASSERT_TRUE(window->SaveDocument());  // titled: no dialog
    EXPECT_EQ(FileSizeOf(name + ".bak"), firstSize);
    EXPECT_FALSE(FileExists(name + ".$TovrinTmp$"));
}

TEST_F(MainWindowTest, OpenReportsNewerInvalidAndCorruptedFiles)
{
    const std::string newer = dir.File("newer.tvd");
    WriteBytes(newer, "TovrinDataFile" + Int32(4) + Int32(0) + Int32(0));
    window->OpenDocument(newer);
    ASSERT_FALSE(services.Shown.empty());
    EXPECT_TRUE(window->Untitled);
    EXPECT_EQ(TopTexts(window->tvTasksTree), (Names{"New Task"}));
    EXPECT_FALSE(SomeoneHolds(newer));

    const std::string invalid = dir.File("invalid.tvd");
    WriteBytes(invalid, "NotATovrinFile at all");
    window->OpenDocument(invalid);
    EXPECT_EQ(services.Shown.back().rfind("Can not open this file: ", 0), 0u) << services.Shown.back();

    // The reader reports a damaged payload as an invalid format too.
    const std::string damaged = dir.File("damaged.tvd");
    WriteBytes(damaged, "TovrinDataFile" + Int32(3) + Int32(0) + Int32(5000) + std::string(50, 'x'));
    window->OpenDocument(damaged);
    EXPECT_EQ(services.Shown.back().rfind("Can not open this file: ", 0), 0u) << services.Shown.back();
    EXPECT_TRUE(window->Untitled);
    EXPECT_FALSE(window->Modified);
    EXPECT_FALSE(window->DataFileLock.Held());
}

TEST_F(MainWindowTest, CancelAtTheSaveQuestionKeepsEverything)
{
    window->SetModified(true);
    services.Answers = {idCancel};
    window->actFileNew->trigger();
    EXPECT_TRUE(window->Modified);
    services.Answers = {idCancel};
    EXPECT_FALSE(window->close());
    EXPECT_TRUE(window->isVisible());
    services.Answers = {idNo};
    EXPECT_TRUE(window->close());
}

TEST_F(MainWindowTest, StartupIgnoresOptionsAndOpensBareNamesFromTheCurrentFolder)
{
    const std::string name = dir.File("bare.tvd");
    services.SaveNames = {name};
    ASSERT_TRUE(window->SaveDocument());
    window.reset();

    window = Make({"-platform"});
    window->OpenStartupFile();
    EXPECT_TRUE(window->Untitled);
    window.reset();

    window = Make({"bare.tvd"});
    window->OpenStartupFile();
    EXPECT_EQ(window->FileName, name);
}

TEST_F(MainWindowTest, StartupBuildsTheDemoOnceBesideTheProgram)
{
    std::filesystem::copy_file(std::string(TOVRIN_TESTS_DIR) + "/../app/DemoData.dat", dir.File("bin/DemoData.dat"));
    window->OpenStartupFile();
    const std::string target = dir.File("bin/tovrinPlannerDemo.tvd");
    EXPECT_TRUE(FileExists(target));
    EXPECT_EQ(window->FileName, target);
    EXPECT_EQ(window->windowTitle().toStdString(), "tovrinPlannerDemo.tvd - Tovrin Planner");
    ASSERT_GE(window->tvTasksTree->topLevelItemCount(), 3);
    EXPECT_EQ(window->tvTasksTree->topLevelItem(0)->text(0).toStdString(), "Welcome to Tovrin Planner");
    EXPECT_GT(window->DataBase->PlacesList ? 1 : 0, 0);
    window.reset();

    window = Make();  // the demo outline exists: the untitled outline stays
    window->OpenStartupFile();
    EXPECT_TRUE(window->Untitled);
    EXPECT_EQ(TopTexts(window->tvTasksTree), (Names{"New Task"}));
}

TEST_F(MainWindowTest, NewDemoWithoutDataSaysWhereItLooked)
{
    window->Newdemofile1->trigger();
    ASSERT_FALSE(services.Shown.empty());
    EXPECT_EQ(services.Shown.back(),
              "Can not create demo. Demo data not found: \"" + dir.File("bin/DemoData.dat") + "\"");
}

TEST_F(MainWindowTest, DestroyingTheWindowWithAFocusedEditorIsQuiet)
{
    for (int which = 0; which < 2; ++which) {
        if (!window)
            window = Make();
        BuildSample();
        window->tvTasksTree->setCurrentItem(Node("A"));
        QWidget* editor = which == 0 ? static_cast<QWidget*>(window->TaskNotesEditor)
                                     : static_cast<QWidget*>(window->memTaskCaption);
        window->activateWindow();
        editor->setFocus();
        QApplication::processEvents();
        ASSERT_TRUE(editor->hasFocus());
        // The editor's focus leaves while the window still stands; the sanitizers watch the rest.
        window.reset();
        EXPECT_TRUE(services.Shown.empty());
    }
    window = Make();
}
