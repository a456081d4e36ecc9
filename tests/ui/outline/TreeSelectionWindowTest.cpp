// The selected row of the trees stays the current task: a click on the empty area below the rows
// leaves it, so that the commands act on the task the panel shows. Real mouse and key events, in
// the window offscreen.
#include "ui/mainwindow/WindowTestSupport.h"

#include <QAction>
#include <QContextMenuEvent>
#include <QLineEdit>
#include <QMenu>
#include <QTest>

#include "ui/controls/PageControl.h"
#include "ui/outline/TaskCommands.h"

namespace {

class TreeSelectionTest : public TWindowFixture {
protected:
    void SetUp() override
    {
        TWindowFixture::SetUp();
        BuildOutline([](TTaskNode* root) {
            root->AddChild("A", -1);
            TTaskNode* b = root->AddChild("B", -1);
            b->AddChild("B1", -1);
            b->AddChild("B2", -1);
            b->SetExpanded(true);
            root->AddChild("C", -1);
        });
        window->Part<TOutlineViews>().FillTaskTree();
        window->Part<TOutlineViews>().tvTasksTree()->setFocus();
    }

    static void ClickBelowTheRows(TTreeViewCheckBoxes* tree, Qt::KeyboardModifiers modifiers = {})
    {
        const int count = tree->topLevelItemCount();
        const int lastBottom = count ? tree->visualItemRect(tree->topLevelItem(count - 1)).bottom() : 0;
        const QPoint below(20, (lastBottom + tree->viewport()->height()) / 2);
        ASSERT_EQ(tree->itemAt(below), nullptr);
        QTest::mouseClick(tree->viewport(), Qt::LeftButton, modifiers, below);
        QApplication::processEvents();
    }
    void ClickLabel(const std::string& caption, Qt::KeyboardModifiers modifiers = {})
    {
        QTest::mouseClick(window->Part<TOutlineViews>().tvTasksTree()->viewport(), Qt::LeftButton, modifiers,
                          window->Part<TOutlineViews>().tvTasksTree()->LabelRect(Node(caption)).center());
        QApplication::processEvents();
        window->Part<TTreeEditing>().EndInPlaceEditing();  // one-click edit mode starts an edit on the label
    }
    void Key(int key, Qt::KeyboardModifiers modifiers = {})
    {
        // With no text: the test library has no character for Ins.
        QTest::sendKeyEvent(QTest::Click, window->Part<TOutlineViews>().tvTasksTree(), static_cast<Qt::Key>(key), QString(), modifiers);
        QApplication::processEvents();
    }
    // The selected node and the current task are one.
    void ExpectSelected(const std::string& caption)
    {
        ASSERT_EQ(window->Part<TOutlineViews>().tvTasksTree()->selectedItems().size(), 1);
        EXPECT_EQ(window->Part<TOutlineViews>().tvTasksTree()->selectedItems().front(), Node(caption));
        EXPECT_EQ(window->State().CurrentTask, Task(caption));
    }
};

TEST_F(TreeSelectionTest, AClickBelowTheRowsKeepsTheTaskForInsAndAltIns)
{
    ClickLabel("B1");
    ExpectSelected("B1");
    ClickBelowTheRows(window->Part<TOutlineViews>().tvTasksTree());
    ExpectSelected("B1");

    Key(Qt::Key_Insert);  // lands right after the shown task
    ASSERT_TRUE(window->Part<TOutlineViews>().tvTasksTree()->IsEditing());
    QTest::keyClicks(window->Part<TOutlineViews>().tvTasksTree()->InPlaceEditor(), "N");
    QTest::keyClick(window->Part<TOutlineViews>().tvTasksTree()->InPlaceEditor(), Qt::Key_Return);
    QApplication::processEvents();  // the view ends the edit from the event loop
    window->Part<TTaskPanel>().UpdateCurrentTask();    // the panel writes the caption back
    ExpectOutline("A B[B1 N B2] C");
    ExpectSelected("N");

    ClickBelowTheRows(window->Part<TOutlineViews>().tvTasksTree());
    Key(Qt::Key_Insert, Qt::AltModifier);  // New subtask: under the shown task
    ASSERT_TRUE(window->Part<TOutlineViews>().tvTasksTree()->IsEditing());
    QTest::keyClick(window->Part<TOutlineViews>().tvTasksTree()->InPlaceEditor(), Qt::Key_Escape);
    QApplication::processEvents();
    ExpectOutline("A B[B1 N B2] C");
    ExpectSelected("N");
}

TEST_F(TreeSelectionTest, TheSubtreeCommandsStillSeeTheShownTaskAfterAClickBelowTheRows)
{
    ClickLabel("B");
    ClickBelowTheRows(window->Part<TOutlineViews>().tvTasksTree());
    window->Part<TTaskCommands>().actCollapseAllSubtasks()->trigger();
    EXPECT_FALSE(Node("B")->isExpanded());
    window->Part<TTaskCommands>().actExpandAllSubtasks()->trigger();
    EXPECT_TRUE(Node("B")->isExpanded());
    Key(Qt::Key_F5);  // Refresh subtree stays on the task
    ExpectSelected("B");
    services.Answers = {idYes};
    Key(Qt::Key_R, Qt::ControlModifier);
    EXPECT_EQ(window->Part<TOutlineViews>().VirtualRoot(), Task("B"));
}

TEST_F(TreeSelectionTest, TheToDoListKeepsItsSelectionToo)
{
    window->Part<TMainPages>().pcMainPages()->SetActivePage(window->Part<TMainPages>().tshToDoList());
    QApplication::processEvents();
    TTreeViewCheckBoxes* todo = window->Part<TToDoPage>().tvToDo();
    QTreeWidgetItem* node = window->Part<TTreeEditing>().FindTaskNode(todo, Task("B2"));
    ASSERT_NE(node, nullptr);
    QTest::mouseClick(todo->viewport(), Qt::LeftButton, {}, todo->LabelRect(node).center());
    window->Part<TTreeEditing>().EndInPlaceEditing();
    ASSERT_EQ(window->State().CurrentTask, Task("B2"));
    ClickBelowTheRows(todo);
    EXPECT_EQ(todo->selectedItems(), QList<QTreeWidgetItem*>{node});
    EXPECT_EQ(window->State().CurrentTask, Task("B2"));
}

TEST_F(TreeSelectionTest, AClickOnALabelEditsItOnlyInOneClickEditMode)
{
    TTreeViewCheckBoxes* tree = window->Part<TOutlineViews>().tvTasksTree();
    QTest::mouseClick(tree->viewport(), Qt::LeftButton, {}, tree->LabelRect(Node("B1")).center());
    QApplication::processEvents();
    ASSERT_TRUE(tree->IsEditing());
    EXPECT_FALSE(tree->InPlaceEditor()->hasSelectedText());  // the caret goes where the click was
    window->Part<TTreeEditing>().EndInPlaceEditing();
    const QRect label = tree->LabelRect(Node("C"));
    QTest::mouseClick(tree->viewport(), Qt::LeftButton, {}, QPoint(label.left() + 1, label.center().y()));
    QApplication::processEvents();
    ASSERT_TRUE(tree->IsEditing());
    EXPECT_EQ(tree->InPlaceEditor()->cursorPosition(), 0);
    EXPECT_FALSE(tree->InPlaceEditor()->hasSelectedText());
    window->Part<TTreeEditing>().EndInPlaceEditing();

    // The pointer over a label shows where a click edits.
    QTest::mouseMove(tree->viewport(), tree->LabelRect(Node("A")).center());
    EXPECT_EQ(tree->viewport()->cursor().shape(), Qt::IBeamCursor);

    window->Part<TWindowOptions>().SetOneClickEditMode(false);
    QTest::mouseClick(tree->viewport(), Qt::LeftButton, {}, tree->LabelRect(Node("C")).center());
    QApplication::processEvents();
    ExpectSelected("C");
    EXPECT_FALSE(tree->IsEditing());
    QTest::mouseMove(tree->viewport(), tree->LabelRect(Node("C")).center());
    EXPECT_EQ(tree->viewport()->cursor().shape(), Qt::ArrowCursor);
}

// A check mark set in the To-Do list shows in the outline at once.
TEST_F(TreeSelectionTest, ACheckMarkInTheToDoListShowsInTheOutline)
{
    window->Part<TMainPages>().pcMainPages()->SetActivePage(window->Part<TMainPages>().tshToDoList());
    QApplication::processEvents();
    TTreeViewCheckBoxes* todo = window->Part<TToDoPage>().tvToDo();
    QTreeWidgetItem* node = window->Part<TTreeEditing>().FindTaskNode(todo, Task("B2"));
    ASSERT_NE(node, nullptr);
    QTest::mouseClick(todo->viewport(), Qt::LeftButton, {}, todo->CheckBoxRect(node).center());
    QApplication::processEvents();
    EXPECT_TRUE(Task("B2")->CompletedMark);
    EXPECT_TRUE(TTreeViewCheckBoxes::GetChecked(Node("B2")));
}

// A click on another row while a caption is being typed keeps the caption and selects that row.
TEST_F(TreeSelectionTest, AClickOnAnotherRowWhileTypingACaptionKeepsItAndSelectsTheRow)
{
    TTreeViewCheckBoxes* tree = window->Part<TOutlineViews>().tvTasksTree();
    ClickLabel("B1");
    Key(Qt::Key_F2);
    ASSERT_NE(tree->InPlaceEditor(), nullptr);
    QTest::keyClicks(tree->InPlaceEditor(), "Typed");
    const QRect row = tree->visualItemRect(Node("C"));
    QTest::mouseClick(tree->viewport(), Qt::LeftButton, {}, QPoint(row.right() - 5, row.center().y()));
    QApplication::processEvents();
    EXPECT_EQ(Task("B")->Children[0]->Caption, "Typed");
    EXPECT_FALSE(tree->IsEditing());
    ExpectSelected("C");
}

// A new subtask while a caption is being typed: the typed caption is kept first.
TEST_F(TreeSelectionTest, AltInsWhileTypingACaptionKeepsIt)
{
    ClickLabel("B1");
    Key(Qt::Key_F2);
    QLineEdit* editor = window->Part<TOutlineViews>().tvTasksTree()->InPlaceEditor();
    ASSERT_NE(editor, nullptr);
    QTest::keyClicks(editor, "Typed");
    QTest::sendKeyEvent(QTest::Click, editor, Qt::Key_Insert, QString(), Qt::AltModifier);
    QApplication::processEvents();
    EXPECT_EQ(Task("B")->Children[0]->Caption, "Typed");
    EXPECT_TRUE(window->Part<TTreeEditing>().NewTaskPending());
    ASSERT_NE(window->Part<TOutlineViews>().tvTasksTree()->InPlaceEditor(), nullptr);
    EXPECT_EQ(window->Part<TOutlineViews>().tvTasksTree()->InPlaceEditor()->text(), "New Task");
}

// The pop-up menu is put together by several parts of the window; a right click shows it whole,
// in one order.
TEST_F(TreeSelectionTest, ARightClickOnTheOutlineOpensItsMenuInOrder)
{
    TTreeViewCheckBoxes* tree = window->Part<TOutlineViews>().tvTasksTree();
    const QPoint at = tree->visualItemRect(Node("B1")).center();
    QContextMenuEvent event(QContextMenuEvent::Mouse, at, tree->viewport()->mapToGlobal(at));
    QApplication::sendEvent(tree->viewport(), &event);
    auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
    ASSERT_NE(menu, nullptr);
    QStringList items;
    for (const QAction* action : menu->actions())
        items << (action->isSeparator() ? QStringLiteral("-") : action->text());
    menu->close();
    EXPECT_EQ(items, QStringList({"New task\tIns", "New subtask", "-", "Task operations", "Task places",
                                  "Set due date...", "Sort subtasks...", "-", "Set as virtual root...", "-",
                                  "Refresh subtree\tF5", "-", "Import...", "Export...", "-",
                                  "Delete task\tCtrl+Del"}));
}

} // namespace
