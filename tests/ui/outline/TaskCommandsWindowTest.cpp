// The task commands in the window offscreen: sorting subtasks, find, the To-Do list on the
// clipboard, the subtree commands, pasting subtasks, the due-date shortcut and the Outlook
// commands.
#include "ui/mainwindow/WindowTestSupport.h"

#include <QAction>
#include <QCalendarWidget>
#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QLineEdit>
#include <QPlainTextEdit>

#include "platform/DateTime.h"
#include "taskdb/TaskPlace.h"
#include "ui/controls/PageControl.h"
#include "ui/outline/SortFind.h"
#include "ui/outline/TaskCommands.h"
#include "ui/outline/frmFindNext.h"
#include "ui/outline/frmSortSubtasksOptions.h"

namespace {

class TaskCommandsTest : public TWindowFixture {
protected:
    // P with the children of the sort example; Q after it.
    void BuildSortOutline()
    {
        BuildOutline([](TTaskNode* root) {
            TTaskNode* p = root->AddChild("P", -1);
            auto add = [p](const char* caption, int goal, int importance, TDateTime completed) {
                TTaskNode* t = p->AddChild(caption, -1);
                t->SetTheGoal(goal);
                t->Importance = importance;
                t->SetCompletionDateTime(completed);
                return t;
            };
            add("plain low", 0, 10, 0)->AddChild("z", -1);
            add("done late", 3, 90, 45200);
            add("week", 1, 50, 0);
            add("year", 3, 20, 0);
            add("done early", 0, 50, 45100);
            p->Children[0]->AddChild("a", -1);
            root->AddChild("Q", -1);
        });
    }

    void RunSort(std::array<int32_t, 4> keys, bool recursive)
    {
        WhenModal<TfrmSortOptions>([keys, recursive](TfrmSortOptions& dialog) {
            const int32_t k[4] = {keys[0], keys[1], keys[2], keys[3]};
            dialog.SetKeys(k);
            Named<QCheckBox>(dialog, "cbRecurse")->setChecked(recursive);
            dialog.accept();
        });
        window->Part<TSortFind>().actSortSubtasks()->trigger();
        QApplication::processEvents();
    }

    void RunFind(const std::string& text, bool captions, bool notes)
    {
        WhenModal<TfrmFindNexDlg>([text, captions, notes](TfrmFindNexDlg& dialog) {
            dialog.SetValues(text, captions, notes);
            dialog.accept();
        });
        window->Part<TSortFind>().actFind()->trigger();
        QApplication::processEvents();
    }

    QTreeWidgetItem* Selected() const
    {
        const auto items = window->Part<TOutlineViews>().tvTasksTree()->selectedItems();
        return items.isEmpty() ? nullptr : items.front();
    }
};

TEST_F(TaskCommandsTest, SortWithTheInitialKeysReordersTreeAndOutlineAlike)
{
    BuildSortOutline();
    Select("P");
    RunSort({2, -3, 1, 1}, false);
    ExpectOutline("P[year week plain low[z a] done early done late] Q");  // not recursive
    EXPECT_TRUE(window->State().Modified);
    EXPECT_FALSE(window->Part<TUndoNavigation>().UndoList()->CanUndo());
    EXPECT_EQ(Selected(), Node("P"));
    // The keys of the last sort are the next dialog's defaults.
    EXPECT_EQ(window->Part<TSortFind>().SortKey1(), 2);
    EXPECT_EQ(window->Part<TSortFind>().SortKey2(), -3);
}

TEST_F(TaskCommandsTest, RecursiveSortAndCancelledDialog)
{
    BuildSortOutline();
    Select("P");
    RunSort({-8, 1, 1, 1}, true);
    ExpectOutline("P[year week plain low[z a] done late done early] Q");  // descending
    EXPECT_TRUE(window->Part<TSortFind>().SortRecursive());

    window->Part<TDocumentLifecycle>().SetModified(false);
    WhenModal<TfrmSortOptions>([](TfrmSortOptions& dialog) { dialog.reject(); });
    window->Part<TSortFind>().actSortSubtasks()->trigger();
    EXPECT_FALSE(window->State().Modified);
    EXPECT_EQ(window->Part<TSortFind>().SortKey1(), -8);
}

TEST_F(TaskCommandsTest, AnOutlineAsDeepAsAllowedExpandsSortsShowsInEveryViewAndReopens)
{
    BuildOutline([](TTaskNode* root) {
        TTaskNode* task = root;
        for (int level = 1; level <= kMaxTaskNesting; ++level)
            task = task->AddChild("L" + std::to_string(level), -1);
        root->Children[0]->SetTheGoal(1);
        task->SetIsProject(true);
    });
    // Every walk of the window over the tree goes through all 10000 levels.
    Select("L1");
    RunSort({-8, 1, 1, 1}, true);
    window->Part<TTaskCommands>().actExpandAllSubtasks()->trigger();
    QTreeWidgetItem* deepest = Node("L10000");
    ASSERT_TRUE(deepest);
    window->Part<TOutlineViews>().tvTasksTree()->scrollToItem(deepest);
    QApplication::processEvents();
    for (const char* view : {"Goals", "Projects", "All tasks"})
        window->Part<TOutlineViews>().SetTaskTreeView(view);
    window->Part<TMainPages>().pcMainPages()->SetActivePage(window->Part<TMainPages>().tshToDoList());
    QApplication::processEvents();
    EXPECT_EQ(Texts(window->Part<TToDoPage>().tvToDo()), Names{"L10000"});
    window->Part<TMainPages>().pcMainPages()->SetActivePage(window->Part<TMainPages>().tshOutline());

    services.SaveFiles = {File("deep.tvd")};
    ASSERT_TRUE(window->Part<TDocumentLifecycle>().SaveDocument());
    window->Part<TDocumentLifecycle>().OpenDocument(File("deep.tvd"));
    ASSERT_TRUE(Task("L10000"));
    EXPECT_EQ(Task("L10000")->Level(), kMaxTaskNesting);
    EXPECT_TRUE(Task("L1")->GoalInEffect && Task("L10000")->GoalInEffect);
}

TEST_F(TaskCommandsTest, SortWhileCompletedTasksAreHiddenChangesNothing)
{
    BuildSortOutline();
    window->Part<TOutlineViews>().chHideCompletedTasks()->setChecked(true);
    QApplication::processEvents();
    Select("P");
    window->Part<TDocumentLifecycle>().SetModified(false);
    const std::string before = Outline(Root());
    const std::string shown = Outline(window->Part<TOutlineViews>().tvTasksTree());
    RunSort({-8, 1, 1, 1}, false);
    EXPECT_TRUE(Saw("TaskNode sort error. Non compatible lists"));
    EXPECT_EQ(Outline(Root()), before);
    // The tree still shows the outline's order, not an order the outline does not have.
    EXPECT_EQ(Outline(window->Part<TOutlineViews>().tvTasksTree()), shown);
    EXPECT_FALSE(window->State().Modified);
}

TEST_F(TaskCommandsTest, FindInCaptionsThenNotesThenNoFurtherMatch)
{
    BuildOutline([](TTaskNode* root) {
        root->AddChild("First", -1);
        TTaskNode* parent = root->AddChild("Parent", -1);
        parent->AddChild("Deep needle", -1);  // collapsed: found all the same
        root->AddChild("Notes", -1)->Note.Add("a NEEDLE in the notes");
        root->AddChild("Last", -1);
    });
    window->Part<TOutlineViews>().tvTasksTree()->setFocus();
    RunFind("needle", true, true);
    EXPECT_EQ(Selected(), Node("Deep needle"));
    EXPECT_EQ(window->Part<TSortFind>().FindText(), "needle");

    window->Part<TSortFind>().actFindNext()->trigger();
    EXPECT_EQ(Selected(), Node("Notes"));
    EXPECT_EQ(window->focusWidget(), window->Part<TTaskPanel>().TaskNotesEditor());

    services.Shown.clear();
    window->Part<TSortFind>().actFindNext()->trigger();
    EXPECT_TRUE(Saw("Finished searching through the Task Tree"));
    EXPECT_EQ(Selected(), Node("Notes"));
}

TEST_F(TaskCommandsTest, FindNextWithoutSelectionStartsAtTheSecondNode)
{
    BuildOutline([](TTaskNode* root) {
        root->AddChild("x one", -1);
        root->AddChild("x two", -1);
    });
    window->Part<TOutlineViews>().tvTasksTree()->clearSelection();
    window->Part<TSortFind>().SetFindText("x");
    window->Part<TSortFind>().actFindNext()->trigger();
    EXPECT_EQ(Selected(), Node("x two"));
    // Captions only: a text that stands only in notes is not found.
    Task("x one")->Note.Add("hidden");
    window->Part<TSortFind>().SetFindInCaptions(true);
    window->Part<TSortFind>().SetFindInNotes(false);
    window->Part<TSortFind>().SetFindText("hidden");
    window->Part<TOutlineViews>().tvTasksTree()->clearSelection();
    services.Shown.clear();
    window->Part<TSortFind>().DoFind(false);
    EXPECT_TRUE(Saw("Finished searching through the Task Tree"));
}

TEST_F(TaskCommandsTest, CopySelectedToDoEntriesAndSelectAll)
{
    BuildOutline([](TTaskNode* root) {
        root->AddChild("Alpha", -1);
        root->AddChild("Beta", -1);
        root->AddChild("Gamma", -1);
    });
    window->Part<TMainPages>().pcMainPages()->SetActivePage(window->Part<TMainPages>().tshToDoList());
    QApplication::processEvents();
    ASSERT_EQ(window->Part<TToDoPage>().tvToDo()->topLevelItemCount(), 3);
    window->Part<TToDoPage>().tvToDo()->clearSelection();
    window->Part<TToDoPage>().actCopyToDoToClipboard()->trigger();
    EXPECT_EQ(services.Clipboard, "");

    window->Part<TToDoPage>().actSelectAllInToDo()->trigger();
    window->Part<TToDoPage>().actCopyToDoToClipboard()->trigger();
    const Names shown = Texts(window->Part<TToDoPage>().tvToDo());
    EXPECT_EQ(services.Clipboard, shown[0] + "\r\n" + shown[1] + "\r\n" + shown[2] + "\r\n");
}

TEST_F(TaskCommandsTest, CompletingASubtreeKeepsEarlierCompletionTimes)
{
    BuildOutline([](TTaskNode* root) {
        TTaskNode* p = root->AddChild("P", -1);
        p->AddChild("open", -1);
        p->AddChild("done", -1)->SetCompletionDateTime(45000.25);
        p->Expanded = true;
    });
    window->Part<TOutlineViews>().FillTaskTree();
    Select("P");
    const TDateTime now = EncodeDate(2024, 5, 6) + 0.5;
    TClockOverride clock(now);
    services.Answers = {idYes};
    window->Part<TTaskCommands>().actCompleteAllSubtasks()->trigger();
    EXPECT_EQ(Task("P")->CompletionDateTime, now);
    EXPECT_EQ(Task("open")->CompletionDateTime, now);
    EXPECT_EQ(Task("done")->CompletionDateTime, 45000.25);
    EXPECT_TRUE(TTreeViewCheckBoxes::GetChecked(Node("P")));
    EXPECT_TRUE(TTreeViewCheckBoxes::GetChecked(Node("open")));
    EXPECT_TRUE(window->State().Modified);
    EXPECT_FALSE(window->Part<TUndoNavigation>().UndoList()->CanUndo());

    services.Answers = {idNo};
    window->Part<TTaskCommands>().actUncompleteAllSubtasks()->trigger();
    EXPECT_TRUE(Task("open")->IsCompleted());
    services.Answers = {idYes};
    window->Part<TTaskCommands>().actUncompleteAllSubtasks()->trigger();
    EXPECT_FALSE(Task("P")->IsCompleted());
    EXPECT_FALSE(Task("done")->IsCompleted());
    EXPECT_FALSE(TTreeViewCheckBoxes::GetChecked(Node("done")));
}

TEST_F(TaskCommandsTest, EachSubtreeCompletionAsksItsOwnQuestionAndMarksTheOutlineModified)
{
    BuildOutline([](TTaskNode* root) {
        TTaskNode* p = root->AddChild("P", -1);
        p->AddChild("child", -1);
        p->Expanded = true;
    });
    window->Part<TOutlineViews>().FillTaskTree();
    Select("P");
    services.Answers = {idYes};
    window->Part<TTaskCommands>().actCompleteAllSubtasks()->trigger();
    EXPECT_TRUE(Saw("This will complete current task and all subtasks. You could not undo this action. Continue?"));

    // A caption typed but not yet written back neither is lost nor brings the completion back.
    Named<QPlainTextEdit>(*window, "memTaskCaption")->setPlainText("P renamed");
    window->Part<TDocumentLifecycle>().SetModified(false);
    services.Shown.clear();
    services.Answers = {idYes};
    window->Part<TTaskCommands>().actUncompleteAllSubtasks()->trigger();
    EXPECT_TRUE(Saw("This will uncomplete current task and all subtasks. You could not undo this action. Continue?"));
    ASSERT_NE(Task("P renamed"), nullptr);
    EXPECT_FALSE(Task("P renamed")->IsCompleted());
    EXPECT_FALSE(Task("child")->IsCompleted());
    EXPECT_TRUE(window->State().Modified);
}

TEST_F(TaskCommandsTest, SubtreePlaceCommandsAskFirst)
{
    TTaskPlace* home = nullptr;
    BuildOutline([&](TTaskNode* root) {
        TTaskNode* p = root->AddChild("P", -1);
        p->AddChild("child", -1)->AddChild("grandchild", -1);
        home = window->State().DataBase->PlacesList->Add("Home");
        p->Places = {home->PlaceID};
    });
    Select("P");
    services.Answers = {idNo};
    window->Part<TTaskCommands>().actAddToSubtasksPlaces()->trigger();
    EXPECT_TRUE(Task("grandchild")->Places.empty());
    ASSERT_FALSE(services.Shown.empty());
    EXPECT_EQ(services.Shown.back(), "This will add all the places of the current task (\"Home\") to all subtasks. "
                                     "You could not undo this action. Continue?");

    services.Answers = {idYes};
    window->Part<TTaskCommands>().actAddToSubtasksPlaces()->trigger();
    EXPECT_EQ(Task("grandchild")->Places, std::vector<int32_t>{home->PlaceID});
    EXPECT_TRUE(window->State().Modified);

    // Replacing asks its own question; a subtask's other places give way to the task's.
    TTaskPlace* work = window->State().DataBase->PlacesList->Add("Work");
    Task("child")->Places = {work->PlaceID};
    services.Answers = {idYes};
    window->Part<TTaskCommands>().actReplaceSubtasksPlaces()->trigger();
    EXPECT_EQ(services.Shown.back(), "This will replace the places in all subtasks with the places of this task "
                                     "(\"Home\"). You could not undo this action. Continue?");
    EXPECT_EQ(Task("child")->Places, std::vector<int32_t>{home->PlaceID});

    window->Part<TDocumentLifecycle>().SetModified(false);
    services.Answers = {idYes};
    window->Part<TTaskCommands>().actClearSubtasksPlaces()->trigger();
    EXPECT_TRUE(window->State().Modified);
    EXPECT_TRUE(Task("P")->Places.empty());
    EXPECT_TRUE(Task("grandchild")->Places.empty());
    EXPECT_EQ(Named<QLineEdit>(*window, "edTaskPlaces")->text(), QString());  // the panel shows the task again
}

TEST_F(TaskCommandsTest, PasteTwoLinesAndAnEmptyOneMakesThreeSubtasks)
{
    BuildOutline([](TTaskNode* root) { root->AddChild("P", -1); });
    Select("P");
    services.Clipboard = "one\r\n\r\ntwo";
    window->UpdateTreeActions();
    ASSERT_TRUE(window->Part<TTaskCommands>().actInsertTasksFromClipboard()->isEnabled());
    window->Part<TDocumentLifecycle>().SetModified(false);
    services.Answers = {idYes};
    window->Part<TTaskCommands>().actInsertTasksFromClipboard()->trigger();
    ASSERT_FALSE(services.Shown.empty());
    EXPECT_EQ(services.Shown.back(), "Create 3 new subtask(s) from clipboard text?");
    ExpectOutline("P[one  two]");
    EXPECT_TRUE(window->State().Modified);
    EXPECT_FALSE(window->Part<TUndoNavigation>().UndoList()->CanUndo());

    // A long line stays one task.
    const std::string longLine(3000, 'w');
    services.Clipboard = longLine;
    services.Answers = {idYes};
    window->Part<TTaskCommands>().actInsertTasksFromClipboardExecute();
    EXPECT_EQ(Task("P")->Children.Count(), 4);
    EXPECT_EQ(Task("P")->Children[3]->Caption, longLine);

    services.Clipboard.clear();
    window->UpdateTreeActions();
    EXPECT_FALSE(window->Part<TTaskCommands>().actInsertTasksFromClipboard()->isEnabled());
    window->Part<TTaskCommands>().actInsertTasksFromClipboardExecute();
    EXPECT_EQ(services.Shown.back(), "No text found in clipboard");
    EXPECT_EQ(window->Part<TTaskCommands>().ReadClipboardLines(nullptr), 0);
}

TEST_F(TaskCommandsTest, PasteWithoutSelectionGoesToTheTopOfTheShownOutline)
{
    BuildOutline([](TTaskNode* root) { root->AddChild("V", -1)->AddChild("inside", -1); });
    window->Part<TOutlineViews>().SetVirtualRoot(Task("V"));
    window->Part<TOutlineViews>().tvTasksTree()->clearSelection();
    services.Clipboard = "new\n";
    services.Answers = {idYes};
    window->Part<TTaskCommands>().actInsertTasksFromClipboardExecute();
    EXPECT_EQ(Outline(Root()), "V[inside new]");
    EXPECT_EQ(Outline(window->Part<TOutlineViews>().tvTasksTree()), "inside new");
}

TEST_F(TaskCommandsTest, DueDateShortcutSwitchesToByDueDateAndOpensTheCalendar)
{
    BuildOutline([](TTaskNode* root) { root->AddChild("T", -1); });
    Select("T");
    ASSERT_EQ(window->State().CurrentTask, Task("T"));
    Named<TPageControl>(*window, "pcTaskProps")->SetActivePage(Named<QWidget>(*window, "tshGeneral"));
    window->Part<TTaskCommands>().actShortCutForDueDate()->trigger();
    QApplication::processEvents();
    EXPECT_EQ(Named<TPageControl>(*window, "pcTaskProps")->ActivePage(), Named<QWidget>(*window, "tshTime"));
    EXPECT_EQ(Named<QComboBox>(*window, "cbTaskTime")->currentIndex(), 1);
    EXPECT_EQ(Task("T")->ScheduleType, 1);
    EXPECT_TRUE(window->Part<TTaskPanel>().IsDueDatePickerDropped());
    ASSERT_NE(Named<QDateEdit>(*window, "dtDueDate")->calendarWidget(), nullptr);
    EXPECT_TRUE(Named<QDateEdit>(*window, "dtDueDate")->calendarWidget()->isVisible());

    // Closing the calendar sends the focus back to the tree.
    Named<QDateEdit>(*window, "dtDueDate")->calendarWidget()->window()->hide();
    QApplication::processEvents();
    EXPECT_FALSE(window->Part<TTaskPanel>().IsDueDatePickerDropped());
}

TEST_F(TaskCommandsTest, QuickSyncNeedsAFolderAndStopsWhenTheSaveDoesNotHappen)
{
    BuildOutline([](TTaskNode* root) { root->AddChild("Kept", -1); });
    window->UpdateTreeActions();
    EXPECT_FALSE(Named<QAction>(*window, "actQuickOutlookConnect")->isEnabled());
    window->State().DataBase->OutlookFolderPath = "\\\\Mailbox\\Tasks";
    window->UpdateTreeActions();
    ASSERT_TRUE(Named<QAction>(*window, "actQuickOutlookConnect")->isEnabled());
    window->Part<TDocumentLifecycle>().SetModified(true);
    services.SaveFiles = {{""}};  // the save dialog is cancelled
    services.Shown.clear();
    Named<QAction>(*window, "actQuickOutlookConnect")->trigger();
    EXPECT_TRUE(services.SaveFiles.empty());
    EXPECT_TRUE(services.Shown.empty());
    EXPECT_TRUE(window->State().Modified);
    EXPECT_TRUE(window->Part<TDocumentLifecycle>().Untitled());
    EXPECT_EQ(ChildCaptions(Root()), Names{"Kept"});
}

} // namespace
