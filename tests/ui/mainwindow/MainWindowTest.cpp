// The main window offscreen: the three views, hide-completed, the virtual root, new tasks with
// Enter and Esc, check marks, and the document's lifecycle on real data files.
#include "WindowTestSupport.h"

#include <QAction>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTest>

#include "platform/Exceptions.h"
#include "platform/SafeFileReplace.h"
#include "platform/Stream.h"
#include "zip/ZipStream.h"
#include "taskdb/TaskPlace.h"
#include "ui/controls/PageControl.h"
#include "ui/desktop/ToolIcon.h"

namespace {

std::string Int32(int32_t v)
{
    std::string s(4, '\0');
    for (int i = 0; i < 4; ++i)
        s[static_cast<size_t>(i)] = static_cast<char>((static_cast<uint32_t>(v) >> (8 * i)) & 0xFF);
    return s;
}

// A data file whose packed payload is these bytes.
std::string Packed(const std::string& text)
{
    TMemoryStream payload;
    payload.WriteBuffer(text.data(), static_cast<int64_t>(text.size()));
    ZipStreamInPlace(payload, "");
    const std::string bytes(reinterpret_cast<const char*>(payload.Memory()), static_cast<size_t>(payload.GetSize()));
    return "TovrinDataFile" + Int32(3) + Int32(0) + Int32(static_cast<int32_t>(bytes.size())) + bytes;
}

class MainWindowTest : public TWindowFixture {
protected:
    // Root: A (week goal; children A1 completed, A2 project in progress), B (completed, year
    // goal; child B1), C (project, not started).
    void BuildSample()
    {
        BuildOutline([](TTaskNode* root) {
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
        });
    }
    Names Top() const { return Texts(window->Part<TOutlineViews>().tvTasksTree()); }
    std::string Title() const { return window->windowTitle().toStdString(); }
    bool SaveAs(const std::string& name)
    {
        services.SaveFiles = {name};
        return window->Part<TDocumentLifecycle>().SaveDocument();
    }
};

TEST_F(MainWindowTest, StartsUntitledWithOneNewTask)
{
    EXPECT_TRUE(window->Part<TDocumentLifecycle>().Untitled());
    EXPECT_FALSE(window->State().Modified);
    EXPECT_EQ(Top(), Names{"New Task"});
    EXPECT_EQ(Title(), "Tovrin Planner");
    EXPECT_EQ(window->Part<TOutlineViews>().CurrentViewName(), "All tasks");
    EXPECT_EQ(window->State().CurrentTask, Root()->Children[0]);  // the first node is selected
}

TEST_F(MainWindowTest, TheThreeViewsOfASampleOutline)
{
    BuildSample();
    QTreeWidget* tree = window->Part<TOutlineViews>().tvTasksTree();
    EXPECT_EQ(Outline(tree), "A[A1 A2] B[B1] C");
    EXPECT_FALSE(TTreeViewCheckBoxes::GetChecked(Node("A")));
    EXPECT_TRUE(TTreeViewCheckBoxes::GetChecked(Node("B")));

    window->Part<TOutlineViews>().SetTaskTreeView("Goals");
    EXPECT_EQ(Outline(tree), "Weekly goals[A[A1 A2]] Monthly goals Yearly goals[B[B1]]");
    EXPECT_TRUE(tree->topLevelItem(0)->isExpanded());
    EXPECT_FALSE(tree->topLevelItem(0)->flags() & Qt::ItemIsUserCheckable);
    EXPECT_EQ(TTreeEditing::NodeTask(tree->topLevelItem(0)), nullptr);

    window->Part<TOutlineViews>().SetTaskTreeView("Projects");
    EXPECT_EQ(Outline(tree), "Not Started[C] In Progress[A2] Suspended Completed");
    EXPECT_FALSE(Named<QAction>(*window, "actNewTask")->isEnabled());  // new tasks only in "All tasks"

    window->Part<TOutlineViews>().SetTaskTreeView("No such view");
    EXPECT_EQ(window->Part<TOutlineViews>().CurrentViewName(), "All tasks");
    EXPECT_EQ(Top(), (Names{"A", "B", "C"}));
    EXPECT_TRUE(Named<QAction>(*window, "actNewTask")->isEnabled());

    // Switching goals off while they are shown falls back to all tasks.
    window->Part<TOutlineViews>().SetTaskTreeView("Goals");
    window->Part<TWindowOptions>().SetShowGoals(false);
    EXPECT_EQ(window->Part<TOutlineViews>().CurrentViewName(), "All tasks");
    EXPECT_EQ(Top(), (Names{"A", "B", "C"}));
}

TEST_F(MainWindowTest, HideCompletedHidesCompletedTasksWithTheirSubtasks)
{
    BuildSample();
    window->Part<TOutlineViews>().chHideCompletedTasks()->setChecked(true);
    EXPECT_EQ(Outline(window->Part<TOutlineViews>().tvTasksTree()), "A[A2] C");
    window->Part<TOutlineViews>().chHideCompletedTasks()->setChecked(false);
    EXPECT_EQ(Top(), (Names{"A", "B", "C"}));
}

TEST_F(MainWindowTest, VirtualRootLimitsTheTreeAndShowsTheBanners)
{
    BuildSample();
    window->Part<TOutlineViews>().SetVirtualRoot(Task("A"));
    EXPECT_TRUE(window->Part<TOutlineViews>().IsVirtualRootActive());
    EXPECT_EQ(Top(), (Names{"A1", "A2"}));
    EXPECT_TRUE(window->Part<TOutlineViews>().pnlVirtualRoot()->isVisibleTo(window.get()));
    EXPECT_EQ(window->Part<TOutlineViews>().lbVirtualRoot()->text().toStdString(), "Virtual root: \"A\". Click to reset.");
    EXPECT_EQ(window->Part<TToDoPage>().lbVirtualRoot2()->text(), window->Part<TOutlineViews>().lbVirtualRoot()->text());

    // New task with nothing selected goes to the end of the virtual root's children.
    window->Part<TOutlineViews>().tvTasksTree()->setCurrentItem(nullptr);
    window->Part<TOutlineViews>().tvTasksTree()->clearSelection();
    Named<QAction>(*window, "actNewTask")->trigger();
    window->Part<TTreeEditing>().EndInPlaceEditing();
    EXPECT_EQ(ChildCaptions(Task("A")), (Names{"A1", "A2", "New Task"}));

    window->Part<TOutlineViews>().SetVirtualRoot(Root());
    EXPECT_FALSE(window->Part<TOutlineViews>().IsVirtualRootActive());
    EXPECT_FALSE(window->Part<TOutlineViews>().pnlVirtualRoot()->isVisibleTo(window.get()));
    EXPECT_EQ(Top(), (Names{"A", "B", "C"}));

    // Asking for one confirms first.
    Select("C");
    services.Answers = {idNo, idYes};
    Named<QAction>(*window, "actNewVirtualRoot")->trigger();
    EXPECT_FALSE(window->Part<TOutlineViews>().IsVirtualRootActive());
    Named<QAction>(*window, "actNewVirtualRoot")->trigger();
    EXPECT_EQ(window->Part<TOutlineViews>().VirtualRoot(), Task("C"));
    EXPECT_EQ(services.Shown.back(), "Select \"C\" as new virtual root for task tree?");
}

TEST_F(MainWindowTest, NewTaskConfirmedWithEnterIsKeptAndMarksTheOutline)
{
    BuildSample();
    window->Part<TDocumentLifecycle>().SetModified(false);
    Select("A");
    Named<QAction>(*window, "actNewTask")->trigger();
    ASSERT_TRUE(window->Part<TOutlineViews>().tvTasksTree()->IsEditing());
    EXPECT_TRUE(window->Part<TTreeEditing>().NewTaskPending());
    EXPECT_EQ(ChildCaptions(Root()), (Names{"A", "New Task", "B", "C"}));
    EXPECT_FALSE(window->State().Modified);  // only the end of the edit marks the outline

    QLineEdit* editor = window->Part<TOutlineViews>().tvTasksTree()->InPlaceEditor();
    ASSERT_NE(editor, nullptr);
    editor->setText("Buy milk");
    SendKey(editor, Qt::Key_Return);
    EXPECT_FALSE(window->Part<TOutlineViews>().tvTasksTree()->IsEditing());
    EXPECT_FALSE(window->Part<TTreeEditing>().NewTaskPending());
    EXPECT_TRUE(window->State().Modified);
    EXPECT_EQ(Named<QPlainTextEdit>(*window, "memTaskCaption")->toPlainText().toStdString(), "Buy milk");
    EXPECT_EQ(Top(), (Names{"A", "Buy milk", "B", "C"}));

    Select("C");  // the selection change writes it back
    EXPECT_EQ(ChildCaptions(Root()), (Names{"A", "Buy milk", "B", "C"}));
}

TEST_F(MainWindowTest, NewTaskCancelledWithEscIsRemoved)
{
    BuildSample();
    Select("A");
    Named<QAction>(*window, "actNewSubTask")->trigger();
    ASSERT_TRUE(window->Part<TOutlineViews>().tvTasksTree()->IsEditing());
    EXPECT_EQ(ChildCaptions(Task("A")), (Names{"A1", "A2", "New Task"}));
    SendKey(window->Part<TOutlineViews>().tvTasksTree()->InPlaceEditor(), Qt::Key_Escape);
    EXPECT_FALSE(window->Part<TTreeEditing>().NewTaskPending());
    ExpectOutline("A[A1 A2] B[B1] C");
    // Its previous sibling becomes the selection.
    EXPECT_EQ(window->State().CurrentTask, Task("A2"));
    EXPECT_EQ(window->Part<TOutlineViews>().tvTasksTree()->currentItem(), Node("A2"));
}

// A new task given up with Esc was never a change: nothing is left to undo.
TEST_F(MainWindowTest, NewTaskCancelledWithEscLeavesNothingToUndo)
{
    BuildSample();
    Select("B");
    ASSERT_FALSE(window->Part<TUndoNavigation>().actUndo()->isEnabled());
    Named<QAction>(*window, "actNewTask")->trigger();
    SendKey(window->Part<TOutlineViews>().tvTasksTree()->InPlaceEditor(), Qt::Key_Escape);
    ExpectOutline("A[A1 A2] B[B1] C");
    EXPECT_FALSE(window->Part<TUndoNavigation>().actUndo()->isEnabled());
    EXPECT_FALSE(window->Part<TUndoNavigation>().UndoList()->CanUndo());
}

TEST_F(MainWindowTest, NewTaskLandsAfterTheSelectedTaskWhileCompletedTasksAreHidden)
{
    BuildOutline([](TTaskNode* root) {
        root->AddChild("X", -1)->SetCompletionDateTime(45000);
        root->AddChild("Y", -1);
        root->AddChild("Z", -1);
    });
    window->Part<TOutlineViews>().chHideCompletedTasks()->setChecked(true);
    ASSERT_EQ(Top(), (Names{"Y", "Z"}));
    Select("Y");
    Named<QAction>(*window, "actNewTask")->trigger();
    window->Part<TTreeEditing>().EndInPlaceEditing();
    EXPECT_EQ(ChildCaptions(Root()), (Names{"X", "Y", "New Task", "Z"}));
    EXPECT_EQ(Top(), (Names{"Y", "New Task", "Z"}));
}

TEST_F(MainWindowTest, NewTaskTakesTheParentsPlaces)
{
    BuildSample();
    Task("A")->Places = {3, 5};
    Select("A");
    Named<QAction>(*window, "actNewSubTask")->trigger();
    window->Part<TTreeEditing>().EndInPlaceEditing();
    EXPECT_EQ(Task("A")->Children[2]->Places, (std::vector<int32_t>{3, 5}));
}

TEST_F(MainWindowTest, CheckMarksCompleteAndReopenTasks)
{
    BuildSample();
    window->Part<TDocumentLifecycle>().SetModified(false);
    Node("C")->setCheckState(0, Qt::Checked);  // what a click on the box does
    EXPECT_NE(Task("C")->CompletionDateTime, 0);
    EXPECT_TRUE(Task("C")->CompletedMark);
    EXPECT_EQ(window->State().CurrentTask, Task("C"));
    EXPECT_TRUE(window->State().Modified);
    Node("C")->setCheckState(0, Qt::Unchecked);
    EXPECT_EQ(Task("C")->CompletionDateTime, 0);

    // Space on the selected node toggles it too.
    Select("A");
    SendKey(window->Part<TOutlineViews>().tvTasksTree(), Qt::Key_Space);
    EXPECT_NE(Task("A")->CompletionDateTime, 0);
}

TEST_F(MainWindowTest, RefusedSelectionChangeKeepsTheSelection)
{
    BuildSample();
    Select("A");
    window->Part<TOutlineViews>().tvTasksTree()->VetoSelectionModel()->SetOnChanging([](const QModelIndex&) { return false; });
    Select("C");
    EXPECT_EQ(window->Part<TOutlineViews>().tvTasksTree()->currentItem(), Node("A"));
    EXPECT_EQ(window->Part<TOutlineViews>().tvTasksTree()->selectedItems(), QList<QTreeWidgetItem*>{Node("A")});
    EXPECT_EQ(window->State().CurrentTask, Task("A"));
}

// ---- Document lifecycle on real files ----

TEST_F(MainWindowTest, SecondWindowCannotOpenAFileInUse)
{
    const std::string name = File("busy.tvd");
    ASSERT_TRUE(SaveAs(name));
    auto second = Make();
    second->State().DataBase->Root->Children[0]->Caption = "kept";
    second->Part<TOutlineViews>().FillTaskTree();
    EXPECT_THROW(second->Part<TDocumentLifecycle>().OpenDocument(name), EFOpenError);
    EXPECT_TRUE(second->Part<TDocumentLifecycle>().Untitled());
    EXPECT_EQ(Texts(second->Part<TOutlineViews>().tvTasksTree()), Names{"kept"});
}

TEST_F(MainWindowTest, FailedOrCancelledSaveAsKeepsTheOldName)
{
    const std::string name = File("first.tvd");
    ASSERT_TRUE(SaveAs(name));

    services.SaveFiles = {""};
    EXPECT_FALSE(window->Part<TDocumentLifecycle>().SaveAs());
    EXPECT_EQ(window->Part<TDocumentLifecycle>().FileName(), name);
    EXPECT_FALSE(window->Part<TDocumentLifecycle>().Untitled());

    services.SaveFiles = {File("no/such/folder/second.tvd")};
    window->Part<TDocumentLifecycle>().SetModified(true);
    EXPECT_ANY_THROW(window->Part<TDocumentLifecycle>().SaveAs());
    EXPECT_EQ(window->Part<TDocumentLifecycle>().FileName(), name);
    EXPECT_FALSE(window->Part<TDocumentLifecycle>().Untitled());
    EXPECT_TRUE(window->State().Modified);
    EXPECT_TRUE(SomeoneHolds(name));

    services.SaveFiles = {File("second.tvd")};
    EXPECT_TRUE(window->Part<TDocumentLifecycle>().SaveAs());
    EXPECT_EQ(window->Part<TDocumentLifecycle>().FileName(), File("second.tvd"));
    EXPECT_FALSE(SomeoneHolds(name));  // the lock moved with the outline
    EXPECT_TRUE(SomeoneHolds(File("second.tvd")));
}

TEST_F(MainWindowTest, SavingTwiceKeepsTheBackup)
{
    const std::string name = File("b.tvd");
    ASSERT_TRUE(SaveAs(name));
    const std::string first = ReadAll(name);
    Root()->AddChild("More", -1);
    ASSERT_TRUE(window->Part<TDocumentLifecycle>().SaveDocument());  // titled: no dialog
    EXPECT_EQ(ReadAll(name + ".bak"), first);
    EXPECT_EQ(TemporaryFilesIn(ExtractFilePath(name)), 0);
}

TEST_F(MainWindowTest, CtrlSOnAnOutlineOpenedThroughALinkWritesWhereItPointsAndKeepsItsMode)
{
    std::filesystem::create_directories(File("real"));
    const std::string target = File("real/plan.tvd"), link = File("plan.tvd"), victim = File("victim.txt");
    ASSERT_TRUE(SaveAs(target));
    Named<QAction>(*window, "actFileNew")->trigger();  // lets go of the file
    const auto privateMode = std::filesystem::perms::owner_read | std::filesystem::perms::owner_write;
    std::filesystem::permissions(target, privateMode);
    const std::string first = ReadAll(target);
    std::filesystem::create_symlink("real/plan.tvd", link);
    WriteAll(victim, "victim");
    std::filesystem::create_symlink(victim, TempFileNameFor(target));  // planted where the save writes first

    services.OpenFiles = {link};
    QTest::keyClick(window.get(), Qt::Key_O, Qt::ControlModifier);
    ASSERT_EQ(window->Part<TDocumentLifecycle>().FileName(), link);
    Root()->AddChild("More", -1);
    window->Part<TDocumentLifecycle>().SetModified(true);
    QTest::keyClick(window.get(), Qt::Key_S, Qt::ControlModifier);

    EXPECT_FALSE(window->State().Modified);
    EXPECT_TRUE(std::filesystem::is_symlink(link));
    EXPECT_NE(ReadAll(target), first);
    EXPECT_EQ(ReadAll(target + ".bak"), first);
    EXPECT_FALSE(FileExists(link + ".bak"));
    EXPECT_EQ(std::filesystem::status(target).permissions(), privateMode);
    EXPECT_EQ(ReadAll(victim), "victim");
    EXPECT_TRUE(SomeoneHolds(target));  // the lock is on the file written
    EXPECT_FALSE(SomeoneHolds(target + ".bak"));
}

// A backup name that cannot be used (here a folder) is left alone: the outline is saved all the
// same, and the user is told once.
TEST_F(MainWindowTest, CtrlSWithAnUnusableBackupNameSavesAndSaysSoOnce)
{
    const std::string name = File("plan.tvd"), backup = name + ".bak";
    ASSERT_TRUE(SaveAs(name));
    std::filesystem::create_directories(backup + "/kept");
    const std::string said = "The file \"" + name + "\" was saved without a backup. The backup \"" + backup +
                             "\" cannot be made. Is a directory";
    for (int save = 0; save < 2; ++save) {
        Root()->AddChild("More", -1);
        window->Part<TDocumentLifecycle>().SetModified(true);
        services.Shown.clear();
        QTest::keyClick(window.get(), Qt::Key_S, Qt::ControlModifier);
        EXPECT_FALSE(window->State().Modified);
        EXPECT_EQ(services.Shown, save == 0 ? std::vector<std::string>{said} : std::vector<std::string>{});
    }
    EXPECT_TRUE(std::filesystem::exists(backup + "/kept"));
}

TEST_F(MainWindowTest, ASaveBrokenAtAnyStepKeepsTheFileTheNameTheLockAndTheMark)
{
    const std::string name = File("steps.tvd");
    ASSERT_TRUE(SaveAs(name));
    const std::string saved = ReadAll(name);
    for (TSaveStep broken :
         {TSaveStep::WriteTemp, TSaveStep::FlushTemp, TSaveStep::LockTemp, TSaveStep::KeepBackup, TSaveStep::ReplaceFile}) {
        SCOPED_TRACE(static_cast<int>(broken));
        Root()->AddChild("More", -1);
        window->Part<TDocumentLifecycle>().SetModified(true);
        window->Part<TDocumentLifecycle>().SaveOptions().BeforeStep = [broken](TSaveStep step) {
            if (step == broken)
                throw std::runtime_error("disk gone");
        };
        EXPECT_ANY_THROW(window->Part<TDocumentLifecycle>().SaveDocument());
        EXPECT_EQ(ReadAll(name), saved);
        EXPECT_EQ(window->Part<TDocumentLifecycle>().FileName(), name);
        EXPECT_TRUE(window->State().Modified);
        EXPECT_TRUE(SomeoneHolds(name));
    }
    window->Part<TDocumentLifecycle>().SaveOptions().BeforeStep = nullptr;
    ASSERT_TRUE(window->Part<TDocumentLifecycle>().SaveDocument());
    EXPECT_NE(ReadAll(name), saved);
    EXPECT_FALSE(window->State().Modified);
    EXPECT_TRUE(SomeoneHolds(name));
}

TEST_F(MainWindowTest, AFileThatCannotBeReadKeepsTheOutlineItsNameLockUndoAndMark)
{
    const std::string name = File("current.tvd");
    ASSERT_TRUE(SaveAs(name));
    const std::string saved = ReadAll(name);
    Select("New Task");
    Named<QPlainTextEdit>(*window, "memTaskCaption")->setPlainText("edited");
    window->Part<TTaskPanel>().UpdateCurrentTask();  // one undoable write-back, not saved
    ASSERT_TRUE(window->Part<TUndoNavigation>().UndoList()->CanUndo());

    const std::string damagedTail = saved.substr(0, saved.size() - 3);  // read as far as the switches
    struct Case {
        std::string bytes;
        std::string shown;  // the start of the message
    };
    for (const Case& c : {Case{"TovrinDataFile" + Int32(4) + Int32(0) + Int32(0), "This file was created with newer"},
                          Case{"NotATovrinFile at all", "Can not open this file: "},
                          Case{"TovrinDataFile" + Int32(3) + Int32(0) + Int32(5000) + std::string(50, 'x'),
                               "Can not open this file: "},
                          Case{damagedTail, "Can not open this file: "},
                          Case{Packed(""), "Can not open this Database File. It looks like it was corrupted: "}}) {
        const std::string bad = File("bad.tvd");
        WriteAll(bad, c.bytes);
        services.OpenFiles = {bad};
        services.Answers = {idNo, idNo};  // do not save the changes; do not clear the window
        QTest::keyClick(window.get(), Qt::Key_O, Qt::ControlModifier);
        ASSERT_EQ(services.Requests.back().Filter, "Tovrin DB File (*.tvd)|*.tvd|All files (*.*)|*.*");
        EXPECT_EQ(services.Shown.back().rfind(c.shown, 0), 0u) << services.Shown.back();
        EXPECT_EQ(Top(), Names{"edited"});
        EXPECT_EQ(window->Part<TDocumentLifecycle>().FileName(), name);
        EXPECT_EQ(Title(), "current.tvd - Tovrin Planner *");
        EXPECT_TRUE(window->Part<TUndoNavigation>().UndoList()->CanUndo());
        EXPECT_TRUE(SomeoneHolds(name));
        EXPECT_FALSE(SomeoneHolds(bad));
    }
    // Clearing the window is what that question offers.
    services.OpenFiles = {File("bad.tvd")};
    services.Answers = {idNo, idYes};
    QTest::keyClick(window.get(), Qt::Key_O, Qt::ControlModifier);
    EXPECT_TRUE(window->Part<TDocumentLifecycle>().Untitled());
    EXPECT_EQ(Top(), Names{"New Task"});
    EXPECT_FALSE(SomeoneHolds(name));

    // The same file, damaged while this window holds it, keeps its lock.
    services.OpenFiles = {name};
    Named<QAction>(*window, "actOpen")->trigger();
    ASSERT_EQ(window->Part<TDocumentLifecycle>().FileName(), name);
    WriteAll(name, damagedTail);
    services.OpenFiles = {name};
    services.Answers = {idNo};
    Named<QAction>(*window, "actOpen")->trigger();
    EXPECT_EQ(window->Part<TDocumentLifecycle>().FileName(), name);
    EXPECT_TRUE(SomeoneHolds(name));
}

TEST_F(MainWindowTest, CancelAtTheSaveQuestionKeepsEverything)
{
    window->Part<TDocumentLifecycle>().SetModified(true);
    services.Answers = {idCancel, idCancel, idNo};
    Named<QAction>(*window, "actFileNew")->trigger();
    EXPECT_TRUE(window->State().Modified);
    EXPECT_FALSE(window->close());
    EXPECT_TRUE(window->isVisible());
    EXPECT_TRUE(window->close());
}

TEST_F(MainWindowTest, AfterSaveAsCtrlSSavesUnderTheNewNameWithoutAsking)
{
    services.SaveFiles = {File("plan.tvd")};
    Named<QAction>(*window, "actSaveAs")->trigger();
    EXPECT_FALSE(window->Part<TDocumentLifecycle>().Untitled());
    EXPECT_EQ(window->Part<TDesktopIntegration>().TrayIcon()->Hint(), "plan.tvd - Tovrin Planner");
    const std::string first = ReadAll(File("plan.tvd"));
    const size_t dialogs = services.Requests.size();

    Root()->AddChild("More", -1);
    window->Part<TDocumentLifecycle>().SetModified(true);
    EXPECT_EQ(Title(), "plan.tvd - Tovrin Planner *");
    EXPECT_EQ(window->Part<TDesktopIntegration>().TrayIcon()->Hint(), "plan.tvd - Tovrin Planner");  // no mark in the tray
    QTest::keyClick(window.get(), Qt::Key_S, Qt::ControlModifier);
    EXPECT_EQ(services.Requests.size(), dialogs);
    EXPECT_NE(ReadAll(File("plan.tvd")), first);
    EXPECT_EQ(Title(), "plan.tvd - Tovrin Planner");
}

TEST_F(MainWindowTest, FileCommandsEndTheCaptionEditFirst)
{
    for (const char* command : {"actFileNew", "Newdemofile1", "actOpen"}) {
        SCOPED_TRACE(command);
        window->Part<TDocumentLifecycle>().NewEmptyDocument();
        window->Part<TOutlineViews>().tvTasksTree()->setFocus();
        QTest::keyClick(window->Part<TOutlineViews>().tvTasksTree(), Qt::Key_F2);
        QLineEdit* editor = window->Part<TOutlineViews>().tvTasksTree()->InPlaceEditor();
        ASSERT_NE(editor, nullptr);
        editor->setText("typed");
        services.Answers = {idCancel};  // the edit made a change: keep it, do nothing
        Named<QAction>(*window, command)->trigger();
        EXPECT_TRUE(services.Answers.empty());
        EXPECT_FALSE(window->Part<TOutlineViews>().tvTasksTree()->IsEditing());
        EXPECT_EQ(Top(), Names{"typed"});
        EXPECT_TRUE(window->State().Modified);
    }
}

TEST_F(MainWindowTest, NewOutlineShowsAllTasksOnTheOutlinePage)
{
    BuildSample();
    window->Part<TOutlineViews>().SetTaskTreeView("Goals");
    window->Part<TMainPages>().pcMainPages()->SetActivePage(window->Part<TMainPages>().tshToDoList());
    window->Part<TDocumentLifecycle>().SetModified(true);
    services.Answers = {idNo};  // do not save the changes
    Named<QAction>(*window, "actFileNew")->trigger();
    EXPECT_EQ(window->Part<TMainPages>().pcMainPages()->ActivePage(), window->Part<TMainPages>().tshOutline());
    EXPECT_EQ(window->Part<TOutlineViews>().CurrentViewName(), "All tasks");
    EXPECT_EQ(Top(), Names{"New Task"});
    EXPECT_EQ(Title(), "Tovrin Planner");
    EXPECT_TRUE(window->Part<TDocumentLifecycle>().Untitled());
}

TEST_F(MainWindowTest, StartupIgnoresOptionsAndOpensBareNamesFromTheCurrentFolder)
{
    ASSERT_TRUE(SaveAs(File("bare.tvd")));
    window.reset();
    window = Make({"-platform"});
    window->Part<TDocumentLifecycle>().OpenStartupFile();
    EXPECT_TRUE(window->Part<TDocumentLifecycle>().Untitled());
    window.reset();
    window = Make({"bare.tvd"});
    window->Part<TDocumentLifecycle>().OpenStartupFile();
    EXPECT_EQ(window->Part<TDocumentLifecycle>().FileName(), File("bare.tvd"));
}

TEST_F(MainWindowTest, StartupLeavesAnExistingDemoOutlineAlone)
{
    // Building it at the first start is the smoke run's.
    std::filesystem::copy_file(std::string(TOVRIN_TESTS_DIR) + "/../app/DemoData.dat", File("bin/DemoData.dat"));
    WriteAll(File("bin/tovrinPlannerDemo.tvd"), "kept");
    window->Part<TDocumentLifecycle>().OpenStartupFile();
    EXPECT_TRUE(window->Part<TDocumentLifecycle>().Untitled());
    EXPECT_EQ(Top(), Names{"New Task"});
    EXPECT_EQ(ReadAll(File("bin/tovrinPlannerDemo.tvd")), "kept");
}

TEST_F(MainWindowTest, NewDemoWithoutDataSaysWhereItLooked)
{
    Named<QAction>(*window, "Newdemofile1")->trigger();
    ASSERT_FALSE(services.Shown.empty());
    EXPECT_EQ(services.Shown.back(), "Can not create demo. Demo data not found: \"" + File("bin/DemoData.dat") + "\"");
}

TEST_F(MainWindowTest, DestroyingTheWindowWithAFocusedEditorIsQuiet)
{
    for (int which = 0; which < 2; ++which) {
        if (!window)
            window = Make();
        BuildSample();
        Select("A");
        QWidget* editor = which == 0 ? static_cast<QWidget*>(window->Part<TTaskPanel>().TaskNotesEditor())
                                     : static_cast<QWidget*>(Named<QPlainTextEdit>(*window, "memTaskCaption"));
        window->activateWindow();
        editor->setFocus();
        QApplication::processEvents();
        ASSERT_TRUE(editor->hasFocus());
        // The editor's focus leaves while the window still stands; the sanitizers watch the rest.
        window.reset();
        EXPECT_TRUE(services.Shown.empty());
    }
}

} // namespace
