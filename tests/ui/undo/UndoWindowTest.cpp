// Undo, redo and navigation in the window offscreen: deleting tasks, drags, places, typing undo,
// and the histories letting go of tasks before they are freed.
#include "ui/panel/PanelFixture.h"

#include <QAction>
#include <QCheckBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QToolButton>

#include "taskdb/TaskPlace.h"
#include "ui/PageControl.h"

namespace {

class UndoWindowTest : public PanelFixture {
protected:
    void SetUp() override
    {
        PanelFixture::SetUp();
        BuildOutline();
    }
};

TEST_F(UndoWindowTest, DeleteTaskUndoRedo)
{
    Task("b")->AddChild("b1", -1)->AddChild("b11", -1);
    window->FillTaskTree();
    window->tvTasksTree->expandAll();
    Select("b");
    window->actDeleteTask->trigger();
    EXPECT_EQ(Children("P"), (Names{"a", "c", "d"}));
    EXPECT_EQ(NodeChildren(Node("P")), (Names{"a", "c", "d"}));
    EXPECT_EQ(Selected(), "c");  // the next sibling
    EXPECT_EQ(window->CurrentTask, Task("c"));
    EXPECT_TRUE(window->Modified);
    EXPECT_EQ(window->actUndo->text(), "Undo Delete task \"b\"");

    window->actUndo->trigger();
    EXPECT_EQ(Children("P"), (Names{"a", "b", "c", "d"}));
    EXPECT_EQ(Children("b"), (Names{"b1"}));
    EXPECT_EQ(NodeChildren(Node("P")), (Names{"a", "b", "c", "d"}));
    EXPECT_EQ(Selected(), "b");
    EXPECT_EQ(window->CurrentTask, Task("b"));

    window->actRedo->trigger();
    EXPECT_EQ(Children("P"), (Names{"a", "c", "d"}));
    EXPECT_EQ(Node("b"), nullptr);
    EXPECT_EQ(Selected(), "P");  // the deleted task's parent
    EXPECT_EQ(window->Navigation->Count(), 0);
    EXPECT_FALSE(window->sbBack->isEnabled());
}

TEST_F(UndoWindowTest, RedoingADeletionAboveTheVirtualRootResetsIt)
{
    Select("P");
    window->actDeleteTask->trigger();
    window->actUndo->trigger();
    window->SetVirtualRoot(Task("P"));
    ASSERT_TRUE(window->IsVirtualRootActive());
    window->actRedo->trigger();
    EXPECT_FALSE(window->IsVirtualRootActive());
    EXPECT_EQ(window->tvTasksTree->topLevelItemCount(), 1);  // Q
    window->ClearUndoHistory();  // P is freed for good; nothing refers to it
    window->FillTaskTree();
    EXPECT_EQ(window->tvTasksTree->topLevelItem(0)->text(0), "Q");
}

TEST_F(UndoWindowTest, DeletingTheLastChildSelectsThePreviousThenTheParent)
{
    Select("q1");
    window->actDeleteTask->trigger();
    EXPECT_EQ(Selected(), "Q");
    Select("d");
    window->actDeleteTask->trigger();
    EXPECT_EQ(Selected(), "c");
}

TEST_F(UndoWindowTest, DeleteWorksOnlyInAllTasksOnTheOutlinePage)
{
    Select("a");
    window->SetTaskTreeView("Goals");
    window->actDeleteTask->trigger();
    EXPECT_NE(Task("a"), nullptr);
    window->SetTaskTreeView("All tasks");
    Select("a");
    window->pcMainPages->SetActivePage(window->tshToDoList);
    window->actDeleteTask->trigger();
    EXPECT_NE(Task("a"), nullptr);
}

TEST_F(UndoWindowTest, CancellingANewTaskDeletesItForGood)
{
    Select("b");
    window->actNewTask->trigger();
    ASSERT_TRUE(window->NewTaskPending);
    EXPECT_EQ(Children("P"), (Names{"a", "b", "New Task", "c", "d"}));
    window->CancelPendingNewTask();
    EXPECT_EQ(Children("P"), (Names{"a", "b", "c", "d"}));
    EXPECT_FALSE(window->NewTaskPending);
    EXPECT_FALSE(window->UndoList->CanUndo());
    EXPECT_EQ(Selected(), "b");  // the previous sibling
    EXPECT_EQ(window->CurrentTask, Task("b"));
    // Nothing remembers the freed task.
    window->actBack->trigger();
    EXPECT_EQ(window->Navigation->Count(), 0);
}

TEST_F(UndoWindowTest, DragUpAndBackWithinOneParent)
{
    QTreeWidgetItem* p = Node("P");
    window->DragTaskNode(Node("d"), 1, p);
    EXPECT_EQ(Children("P"), (Names{"a", "d", "b", "c"}));
    EXPECT_EQ(NodeChildren(p), (Names{"a", "d", "b", "c"}));
    EXPECT_EQ(Selected(), "d");
    EXPECT_EQ(window->actUndo->text(), "Undo DragDrop task \"d\"");
    window->actUndo->trigger();
    EXPECT_EQ(Children("P"), (Names{"a", "b", "c", "d"}));
    EXPECT_EQ(NodeChildren(Node("P")), (Names{"a", "b", "c", "d"}));
    window->actRedo->trigger();
    EXPECT_EQ(NodeChildren(Node("P")), (Names{"a", "d", "b", "c"}));
}

TEST_F(UndoWindowTest, DragOntoAnotherParentAndToTheTopLevel)
{
    window->DragTaskNode(Node("b"), -1, Node("Q"));
    EXPECT_EQ(Children("Q"), (Names{"q1", "b"}));
    EXPECT_EQ(NodeChildren(Node("Q")), (Names{"q1", "b"}));
    window->DragTaskNode(Node("q1"), 0, nullptr);
    EXPECT_EQ(window->tvTasksTree->topLevelItem(0)->text(0), "q1");
    EXPECT_EQ(window->DataBase->Root->Children[0], Task("q1"));
    window->actUndo->trigger();
    window->actUndo->trigger();
    EXPECT_EQ(Children("P"), (Names{"a", "b", "c", "d"}));
    EXPECT_EQ(Children("Q"), (Names{"q1"}));
    EXPECT_EQ(NodeChildren(Node("P")), (Names{"a", "b", "c", "d"}));
    EXPECT_EQ(NodeChildren(Node("Q")), (Names{"q1"}));
}

TEST_F(UndoWindowTest, HiddenCompletedTasksDoNotShiftADrop)
{
    Task("b")->SetCompletionDateTime(46000);
    window->chHideCompletedTasks->setChecked(true);
    window->tvTasksTree->expandAll();
    QTreeWidgetItem* p = Node("P");
    ASSERT_EQ(NodeChildren(p), (Names{"a", "c", "d"}));
    // Dropped before the node "c" (node index 1): it goes before the task c, after the hidden b.
    window->DragTaskNode(Node("d"), 1, p);
    EXPECT_EQ(Children("P"), (Names{"a", "b", "d", "c"}));
    EXPECT_EQ(NodeChildren(Node("P")), (Names{"a", "d", "c"}));
    window->actUndo->trigger();
    EXPECT_EQ(Children("P"), (Names{"a", "b", "c", "d"}));
    EXPECT_EQ(NodeChildren(Node("P")), (Names{"a", "c", "d"}));
}

TEST_F(UndoWindowTest, DropIntoItsOwnSubtreeIsRefused)
{
    Task("a")->AddChild("a1", -1);
    window->FillTaskTree();
    window->tvTasksTree->expandAll();
    EXPECT_ANY_THROW(window->DragTaskNode(Node("P"), -1, Node("a1")));
    EXPECT_EQ(Children("P"), (Names{"a", "b", "c", "d"}));
    EXPECT_FALSE(window->UndoList->CanUndo());
}

TEST_F(UndoWindowTest, BackAndForwardBetweenVisitedTasks)
{
    Select("a");
    Select("b");
    Select("c");
    EXPECT_EQ(window->sbBack->toolTip(), "Back (b)");
    window->actBack->trigger();
    EXPECT_EQ(window->CurrentTask, Task("b"));
    EXPECT_EQ(Selected(), "b");
    window->actBack->trigger();
    EXPECT_EQ(window->CurrentTask, Task("a"));
    window->actForward->trigger();
    window->actForward->trigger();
    EXPECT_EQ(window->CurrentTask, Task("c"));
    EXPECT_EQ(Selected(), "c");
    EXPECT_FALSE(window->sbForward->isEnabled());

    window->actBack->trigger();
    Select("q1");  // by hand: the forward history goes
    EXPECT_FALSE(window->sbForward->isEnabled());
    window->sbBack->click();
    EXPECT_EQ(window->CurrentTask, Task("b"));
}

TEST_F(UndoWindowTest, DeletingAPlaceAndUndoingIt)
{
    TTaskPlace* home = window->DataBase->PlacesList->Add("Home");
    window->DataBase->PlacesList->Add("Work");
    Task("a")->Places = {home->PlaceID};
    window->PlacesListsStale = true;
    window->pcMainPages->SetActivePage(window->tshPlaces);
    window->DeletePlaceUndoable(home);
    EXPECT_EQ(window->DataBase->PlacesList->FindByID(home->PlaceID), nullptr);
    EXPECT_EQ(window->actUndo->text(), "Undo Delete place \"Home\"");
    window->actUndo->trigger();
    EXPECT_EQ(window->DataBase->PlacesList->FindByID(home->PlaceID), home);
    EXPECT_EQ(window->pcMainPages->ActivePage(), window->tshPlaces);
    EXPECT_EQ(window->CurrentPlace, home);
    EXPECT_EQ(window->DataBase->PlacesList->CaptionsText(Task("a")->Places), "Home");
}

TEST_F(UndoWindowTest, TypingUndoComesFirst)
{
    Select("a");
    window->memTaskCaption->setFocus();
    window->memTaskCaption->insertPlainText("x");
    window->UpdateUndoRedoActions();
    ASSERT_EQ(window->memTaskCaption->toPlainText(), "xa");
    EXPECT_EQ(window->actUndo->text(), "Undo typing");
    EXPECT_EQ(window->actRedo->text(), "Redo typing");
    window->actUndo->trigger();
    EXPECT_EQ(window->memTaskCaption->toPlainText(), "a");
    window->actRedo->trigger();
    EXPECT_EQ(window->memTaskCaption->toPlainText(), "xa");
}

TEST_F(UndoWindowTest, SaveClearsTheHistory)
{
    Select("a");
    window->tbEffort->setValue(-10);
    ASSERT_TRUE(window->UndoList->CanUndo());
    services.SaveNames = {dir.File("out.tvd")};
    window->actSave->trigger();
    EXPECT_FALSE(window->UndoList->CanUndo());
    EXPECT_EQ(window->actUndo->text(), "Can't undo");
}

TEST_F(UndoWindowTest, ANewOutlineDoesNotInheritTheOldOnesDeletions)
{
    window->DataBase->OutlookFolderPath = "Tasks";
    window->DataBase->LastSyncTime = 45000;
    Task("c")->SetOutlookEntryID("ENTRY-C");
    Select("c");
    window->actDeleteTask->trigger();
    window->Modified = false;
    window->actFileNew->trigger();
    EXPECT_EQ(window->DataBase->DeletedEntryIDs.Count(), 0);
    EXPECT_FALSE(window->UndoList->CanUndo());
}

TEST_F(UndoWindowTest, ClosingWithAStandingDeletionFreesEverythingOnce)
{
    Select("b");
    window->actDeleteTask->trigger();
    Select("a");
    window->tbEffort->setValue(-10);
    window->DragTaskNode(Node("a"), -1, Node("Q"));
    window.reset();  // clean under the sanitizers
    SUCCEED();
}

} // namespace
