// Undo, redo and navigation in the window offscreen: deleting tasks, drags, places, typing undo,
// and the histories letting go of tasks before they are freed.
#include "ui/taskpanel/PanelFixture.h"

#include <QAction>
#include <QCheckBox>
#include <QLineEdit>
#include <QMenu>
#include <QTest>
#include <QPlainTextEdit>
#include <QSlider>
#include <QToolButton>

#include "ui/controls/PageControl.h"
#include "ui/undo/OutlineUndo.h"

namespace {

using UndoWindowTest = PanelFixture;

TEST_F(UndoWindowTest, DeleteTaskUndoRedo)
{
    Task("b")->AddChild("b1", -1);
    window->Part<TOutlineViews>().FillTaskTree();
    Select("b");
    Named<QAction>(*window, "actDeleteTask")->trigger();
    ExpectOutline("P[a c d] Q[q1]");
    EXPECT_EQ(Selected(), "c");  // the next sibling
    EXPECT_EQ(window->State().CurrentTask, Task("c"));
    EXPECT_TRUE(window->State().Modified);
    EXPECT_EQ(window->Part<TUndoNavigation>().actUndo()->text(), "Undo Delete task \"b\"");

    window->Part<TUndoNavigation>().actUndo()->trigger();
    ExpectOutline("P[a b[b1] c d] Q[q1]");
    EXPECT_EQ(Selected(), "b");
    EXPECT_EQ(window->State().CurrentTask, Task("b"));

    window->Part<TUndoNavigation>().actRedo()->trigger();
    ExpectOutline("P[a c d] Q[q1]");
    EXPECT_EQ(Selected(), "P");  // the deleted task's parent
    EXPECT_EQ(window->Part<TUndoNavigation>().Navigation()->Count(), 0);
    EXPECT_FALSE(window->Part<TUndoNavigation>().sbBack()->isEnabled());
}

TEST_F(UndoWindowTest, RedoingADeletionAboveTheVirtualRootResetsIt)
{
    Select("P");
    Named<QAction>(*window, "actDeleteTask")->trigger();
    window->Part<TUndoNavigation>().actUndo()->trigger();
    window->Part<TOutlineViews>().SetVirtualRoot(Task("P"));
    ASSERT_TRUE(window->Part<TOutlineViews>().IsVirtualRootActive());
    window->Part<TUndoNavigation>().actRedo()->trigger();
    EXPECT_FALSE(window->Part<TOutlineViews>().IsVirtualRootActive());
    EXPECT_EQ(Outline(window->Part<TOutlineViews>().tvTasksTree()), "Q[q1]");
    window->Part<TUndoNavigation>().ClearUndoHistory();  // P is freed for good; nothing refers to it
    window->Part<TOutlineViews>().FillTaskTree();
    ExpectOutline("Q[q1]");
}

TEST_F(UndoWindowTest, RedoingADeletionOutsideTheVirtualRootKeepsIt)
{
    Select("q1");
    Named<QAction>(*window, "actDeleteTask")->trigger();
    window->Part<TUndoNavigation>().actUndo()->trigger();
    window->Part<TOutlineViews>().SetVirtualRoot(Task("P"));
    window->Part<TUndoNavigation>().actRedo()->trigger();
    EXPECT_TRUE(window->Part<TOutlineViews>().IsVirtualRootActive());
    EXPECT_EQ(window->Part<TOutlineViews>().VirtualRoot(), Task("P"));
    EXPECT_EQ(Outline(Root()), "P[a b c d] Q");
}

TEST_F(UndoWindowTest, ADropBeforeAShownNodeIsOneUndoableMove)
{
    struct Case {
        const char* task;
        int32_t index;
        const char* parent;  // nullptr: the top level
        const char* moved;
    };
    for (const Case& c : {Case{"d", 0, "P", "P[d a b c] Q[q1]"}, Case{"b", 3, "P", "P[a c b d] Q[q1]"},
                          Case{"q1", 1, nullptr, "P[a b c d] q1 Q"}, Case{"a", -1, "Q", "P[b c d] Q[q1 a]"}}) {
        SCOPED_TRACE(c.task);
        window->Part<TOutlineUndo>().DragTaskNode(Node(c.task), c.index, c.parent ? Node(c.parent) : nullptr);
        ExpectOutline(c.moved);
        window->Part<TUndoNavigation>().actUndo()->trigger();
        ExpectOutline("P[a b c d] Q[q1]");
    }
}

TEST_F(UndoWindowTest, DeletingTheLastChildSelectsThePreviousThenTheParent)
{
    Select("q1");
    Named<QAction>(*window, "actDeleteTask")->trigger();
    EXPECT_EQ(Selected(), "Q");
    Select("d");
    Named<QAction>(*window, "actDeleteTask")->trigger();
    EXPECT_EQ(Selected(), "c");
}

TEST_F(UndoWindowTest, CancellingANewTaskDeletesItForGood)
{
    Select("b");
    Named<QAction>(*window, "actNewTask")->trigger();
    ASSERT_TRUE(window->Part<TTreeEditing>().NewTaskPending());
    EXPECT_EQ(Outline(Root()), "P[a b New Task c d] Q[q1]");
    window->Part<TTreeEditing>().CancelPendingNewTask();
    ExpectOutline("P[a b c d] Q[q1]");
    EXPECT_FALSE(window->Part<TTreeEditing>().NewTaskPending());
    EXPECT_FALSE(window->Part<TUndoNavigation>().UndoList()->CanUndo());
    EXPECT_EQ(Selected(), "b");  // the previous sibling
    EXPECT_EQ(window->State().CurrentTask, Task("b"));
    // Nothing remembers the freed task.
    window->Part<TUndoNavigation>().actBack()->trigger();
    EXPECT_EQ(window->Part<TUndoNavigation>().Navigation()->Count(), 0);
}

TEST_F(UndoWindowTest, BackAndForwardBetweenVisitedTasks)
{
    Select("a");
    Select("b");
    Select("c");
    EXPECT_EQ(window->Part<TUndoNavigation>().sbBack()->toolTip(), "Back (b)");
    window->Part<TUndoNavigation>().actBack()->trigger();
    EXPECT_EQ(window->State().CurrentTask, Task("b"));
    EXPECT_EQ(Selected(), "b");
    window->Part<TUndoNavigation>().actBack()->trigger();
    EXPECT_EQ(window->State().CurrentTask, Task("a"));
    window->Part<TUndoNavigation>().actForward()->trigger();
    window->Part<TUndoNavigation>().actForward()->trigger();
    EXPECT_EQ(window->State().CurrentTask, Task("c"));
    EXPECT_EQ(Selected(), "c");
    EXPECT_FALSE(window->Part<TUndoNavigation>().sbForward()->isEnabled());

    window->Part<TUndoNavigation>().actBack()->trigger();
    Select("q1");  // by hand: the forward history goes
    EXPECT_FALSE(window->Part<TUndoNavigation>().sbForward()->isEnabled());
    window->Part<TUndoNavigation>().sbBack()->click();
    EXPECT_EQ(window->State().CurrentTask, Task("b"));
}

TEST_F(UndoWindowTest, TypingUndoComesFirst)
{
    Select("a");
    Named<QPlainTextEdit>(*window, "memTaskCaption")->setFocus();
    Named<QPlainTextEdit>(*window, "memTaskCaption")->insertPlainText("x");
    window->Part<TUndoNavigation>().UpdateUndoRedoActions();
    ASSERT_EQ(Named<QPlainTextEdit>(*window, "memTaskCaption")->toPlainText(), "xa");
    EXPECT_EQ(window->Part<TUndoNavigation>().actUndo()->text(), "Undo typing");
    EXPECT_EQ(window->Part<TUndoNavigation>().actRedo()->text(), "Redo typing");
    window->Part<TUndoNavigation>().actUndo()->trigger();
    EXPECT_EQ(Named<QPlainTextEdit>(*window, "memTaskCaption")->toPlainText(), "a");
    window->Part<TUndoNavigation>().actRedo()->trigger();
    EXPECT_EQ(Named<QPlainTextEdit>(*window, "memTaskCaption")->toPlainText(), "xa");
}

// The caption editor of the outline tree, started with F2 on the selected task.
QLineEdit* StartCaptionEditWithF2(TfrmTovrinMain& window)
{
    window.Part<TOutlineViews>().tvTasksTree()->setFocus();
    QTest::keyClick(window.Part<TOutlineViews>().tvTasksTree(), Qt::Key_F2);
    return window.Part<TOutlineViews>().tvTasksTree()->InPlaceEditor();
}

TEST_F(UndoWindowTest, TypingInTheCaptionEditorTurnsUndoIntoUndoTyping)
{
    Select("a");
    Named<QSlider>(*window, "tbEffort")->setValue(-10);  // a step of the document history
    Select("b");
    const QString documentUndo = window->Part<TUndoNavigation>().actUndo()->text();
    ASSERT_EQ(documentUndo, "Undo Change task \"a\"");

    QLineEdit* editor = StartCaptionEditWithF2(*window);
    ASSERT_NE(editor, nullptr);
    EXPECT_EQ(window->Part<TUndoNavigation>().actUndo()->text(), documentUndo);  // nothing typed yet
    QTest::keyClick(editor, Qt::Key_End);
    QTest::keyClicks(editor, "xy");
    EXPECT_EQ(window->Part<TUndoNavigation>().actUndo()->text(), "Undo typing");
    EXPECT_TRUE(window->Part<TUndoNavigation>().actUndo()->isEnabled());
    EXPECT_EQ(window->Part<TUndoNavigation>().actRedo()->text(), "Redo typing");
    EXPECT_TRUE(window->Part<TUndoNavigation>().actRedo()->isEnabled());

    QTest::keyClick(editor, Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(editor->text(), "b");
    QTest::keyClicks(editor, "z");
    QTest::keyClick(editor, Qt::Key_Return);
    QApplication::processEvents();  // the view ends the edit from the event loop
    EXPECT_FALSE(window->Part<TOutlineViews>().tvTasksTree()->IsEditing());
    EXPECT_EQ(Node("b")->text(0), "bz");
    // With the editor gone, the commands name the document's steps again.
    EXPECT_TRUE(window->Part<TUndoNavigation>().actUndo()->text().startsWith("Undo Change task"));
}

TEST_F(UndoWindowTest, TheEditMenuOpenedFromTheKeyboardLeavesTheCaptionEditToEsc)
{
    Select("b");
    QLineEdit* editor = StartCaptionEditWithF2(*window);
    ASSERT_NE(editor, nullptr);
    QTest::keyClick(editor, Qt::Key_End);
    QTest::keyClicks(editor, "xy");

    QTest::keyClick(editor, Qt::Key_E, Qt::AltModifier);
    QApplication::processEvents();  // the menu is open while the event loop runs
    auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
    ASSERT_NE(menu, nullptr);
    EXPECT_EQ(menu->title(), "&Edit");
    EXPECT_EQ(window->Part<TOutlineViews>().tvTasksTree()->InPlaceEditor(), editor);  // the edit goes on
    EXPECT_EQ(menu->actions().front()->text(), "Undo typing");
    EXPECT_TRUE(menu->actions().front()->isEnabled());

    // Esc leaves the menu, then the menu bar, then reverts the caption.
    for (int i = 0; i < 3 && window->Part<TOutlineViews>().tvTasksTree()->IsEditing(); ++i) {
        QWidget* target = QApplication::activePopupWidget() ? QApplication::activePopupWidget() : QApplication::focusWidget();
        ASSERT_NE(target, nullptr);
        QTest::keyClick(target, Qt::Key_Escape);
        QApplication::processEvents();
    }
    EXPECT_FALSE(window->Part<TOutlineViews>().tvTasksTree()->IsEditing());
    EXPECT_EQ(Node("b")->text(0), "b");
    EXPECT_EQ(Task("b")->Caption, "b");
}

TEST_F(UndoWindowTest, SaveClearsTheHistory)
{
    Select("a");
    Named<QSlider>(*window, "tbEffort")->setValue(-10);
    ASSERT_TRUE(window->Part<TUndoNavigation>().UndoList()->CanUndo());
    services.SaveFiles = {File("out.tvd")};
    Named<QAction>(*window, "actSave")->trigger();
    EXPECT_FALSE(window->Part<TUndoNavigation>().UndoList()->CanUndo());
    EXPECT_EQ(window->Part<TUndoNavigation>().actUndo()->text(), "Can't undo");
}

TEST_F(UndoWindowTest, ANewOutlineDoesNotInheritTheOldOnesDeletions)
{
    window->State().DataBase->OutlookFolderPath = "Tasks";
    window->State().DataBase->LastSyncTime = 45000;
    Task("c")->SetOutlookEntryID("ENTRY-C");
    Select("c");
    Named<QAction>(*window, "actDeleteTask")->trigger();
    window->State().Modified = false;
    Named<QAction>(*window, "actFileNew")->trigger();
    EXPECT_EQ(window->State().DataBase->DeletedEntryIDs.Count(), 0);
    EXPECT_FALSE(window->Part<TUndoNavigation>().UndoList()->CanUndo());
}

TEST_F(UndoWindowTest, ClosingWithAStandingDeletionFreesEverythingOnce)
{
    Select("b");
    Named<QAction>(*window, "actDeleteTask")->trigger();
    Select("a");
    Named<QSlider>(*window, "tbEffort")->setValue(-10);
    window->Part<TOutlineUndo>().DragTaskNode(Node("a"), -1, Node("Q"));
    window.reset();  // clean under the sanitizers
    SUCCEED();
}

} // namespace
