// Dragging tasks in the outline tree with the mouse, the row spots, and the drawing of the rows,
// in the window offscreen.
#include "ui/mainwindow/WindowTestSupport.h"

#include <QAction>
#include <QCheckBox>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QTest>

#include "platform/DateTime.h"
#include "ui/controls/PageControl.h"
#include "ui/outline/TaskDragDrop.h"
#include "ui/outline/TaskDrawRules.h"

namespace {

class DragDropTest : public TWindowFixture {
protected:
    QWidget* Viewport() const { return window->Part<TOutlineViews>().tvTasksTree()->viewport(); }

    void Mouse(QEvent::Type type, QPoint pos, Qt::MouseButtons buttons)
    {
        QMouseEvent event(type, QPointF(pos), QPointF(Viewport()->mapToGlobal(pos)),
                          type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton, buttons, Qt::NoModifier);
        QApplication::sendEvent(Viewport(), &event);
        QApplication::processEvents();
    }

    // A point on the row of caption, right of its text (where a drag starts): level with its
    // middle, its upper third (where < 0) or its lower part (where > 0).
    QPoint At(const std::string& caption, int where = 0) const
    {
        const QRect label = window->Part<TOutlineViews>().tvTasksTree()->LabelRect(Node(caption));
        const int x = label.left() + window->Part<TOutlineViews>().tvTasksTree()->fontMetrics().horizontalAdvance(QString::fromStdString(caption)) + 40;
        return {x, where < 0 ? label.top() + 1 : where > 0 ? label.bottom() - 1 : label.center().y()};
    }

    void StartDrag(const std::string& caption)
    {
        const QPoint from = At(caption);
        Mouse(QEvent::MouseButtonPress, from, Qt::LeftButton);
        Mouse(QEvent::MouseMove, from + QPoint(QApplication::startDragDistance() + 2, 0), Qt::LeftButton);
    }

    void Drag(const std::string& caption, QPoint to)
    {
        StartDrag(caption);
        Mouse(QEvent::MouseMove, to, Qt::LeftButton);
        Mouse(QEvent::MouseButtonRelease, to, Qt::NoButton);
    }

    void BuildFlat()
    {
        BuildOutline([](TTaskNode* root) {
            for (const char* caption : {"A", "B", "C", "D"})
                root->AddChild(caption, -1);
        });
    }

    QColor PixelAt(QPoint pos) const { return Viewport()->grab().toImage().pixelColor(pos); }
};

TEST_F(DragDropTest, DropOnTheUpperThirdInsertsBeforeAndUndoPutsItBack)
{
    BuildFlat();
    StartDrag("C");
    EXPECT_TRUE(window->Part<TTaskDragDrop>().Dragging());
    Mouse(QEvent::MouseMove, At("A", -1), Qt::LeftButton);
    EXPECT_EQ(window->Part<TTaskDragDrop>().DropTarget(), Node("A"));
    Mouse(QEvent::MouseButtonRelease, At("A", -1), Qt::NoButton);
    EXPECT_FALSE(window->Part<TTaskDragDrop>().Dragging());
    EXPECT_EQ(window->Part<TTaskDragDrop>().DropTarget(), nullptr);
    ExpectOutline("C A B D");
    EXPECT_TRUE(window->State().Modified);
    ASSERT_TRUE(window->Part<TUndoNavigation>().UndoList()->CanUndo());
    EXPECT_EQ(window->Part<TUndoNavigation>().UndoList()->GetUndoCaption(), "DragDrop task \"C\"");

    window->Part<TUndoNavigation>().actUndo()->trigger();
    ExpectOutline("A B C D");
    window->Part<TUndoNavigation>().actRedo()->trigger();
    ExpectOutline("C A B D");
}

// A subtree moved by undo and redo keeps the rows opened inside it open, and closed ones closed.
TEST_F(DragDropTest, AMovedSubtreeKeepsItsOpenRowsThroughUndoAndRedo)
{
    BuildOutline([](TTaskNode* root) {
        root->AddChild("A", -1);
        TTaskNode* b = root->AddChild("B", -1);
        b->Expanded = true;
        TTaskNode* open = b->AddChild("Open", -1);
        open->Expanded = true;
        open->AddChild("O1", -1);
        b->AddChild("Shut", -1)->AddChild("S1", -1);
    });
    window->Part<TOutlineViews>().FillTaskTree();
    Drag("B", At("A", -1));
    ExpectOutline("B[Open[O1] Shut[S1]] A");
    for (QAction* step : {window->Part<TUndoNavigation>().actUndo(), window->Part<TUndoNavigation>().actRedo()}) {
        step->trigger();
        EXPECT_TRUE(Node("Open")->isExpanded()) << step->text().toStdString();
        EXPECT_FALSE(Node("Shut")->isExpanded());
    }
    ExpectOutline("B[Open[O1] Shut[S1]] A");
}

TEST_F(DragDropTest, DropOnTheRestOfARowMakesTheLastChild)
{
    BuildOutline([](TTaskNode* root) {
        root->AddChild("A", -1);
        root->AddChild("B", -1)->AddChild("B1", -1);
    });
    Drag("A", At("B", 1));
    ExpectOutline("B[B1 A]");
    EXPECT_EQ(Task("A")->Parent, Task("B"));
}

TEST_F(DragDropTest, DropOntoItselfOrItsOwnSubtreeIsRefused)
{
    BuildOutline([](TTaskNode* root) {
        TTaskNode* p = root->AddChild("P", -1);
        p->Expanded = true;
        TTaskNode* c = p->AddChild("Child", -1);
        c->Expanded = true;
        c->AddChild("Grandchild", -1);
        root->AddChild("Q", -1);
    });
    window->Part<TOutlineViews>().FillTaskTree();
    for (const char* target : {"Child", "Grandchild"}) {
        StartDrag("P");
        Mouse(QEvent::MouseMove, At(target, 1), Qt::LeftButton);
        EXPECT_EQ(window->Part<TTaskDragDrop>().DropTarget(), nullptr);
        Mouse(QEvent::MouseButtonRelease, At(target, 1), Qt::NoButton);
    }
    Drag("P", At("P", -1));
    ExpectOutline("P[Child[Grandchild]] Q");
    EXPECT_FALSE(window->Part<TUndoNavigation>().UndoList()->CanUndo());
    EXPECT_FALSE(window->State().Modified);
    // Even a drop that reaches the handler directly is refused.
    window->Part<TOutlineViews>().tvTasksTree()->setCurrentItem(Node("P"));
    const QPoint into = At("Grandchild", 1);
    window->Part<TTaskDragDrop>().tvTasksTreeDragDrop(into.x(), into.y());
    EXPECT_EQ(Task("P")->Parent, Root());
}

TEST_F(DragDropTest, ADropThatWouldNestTooDeepIsRefusedWithAMessage)
{
    // P spans every level an outline may have; under Q it would need one more.
    BuildOutline([](TTaskNode* root) {
        TTaskNode* task = root->AddChild("P", -1);
        for (int level = 2; level <= kMaxTaskNesting; ++level)
            task = task->AddChild("L" + std::to_string(level), -1);
        root->AddChild("Q", -1);
    });
    Drag("P", At("Q", 1));
    EXPECT_TRUE(Saw("Tasks can not be nested more than 10000 levels deep."));
    EXPECT_FALSE(window->Part<TTaskDragDrop>().Dragging());
    EXPECT_EQ(Task("P")->Parent, Root());
    EXPECT_TRUE(Task("Q")->Children.Empty());
    EXPECT_EQ(Node("P")->childCount(), 1);
    EXPECT_EQ(Node("Q")->childCount(), 0);
    EXPECT_FALSE(window->Part<TUndoNavigation>().UndoList()->CanUndo());
    EXPECT_FALSE(window->State().Modified);
}

TEST_F(DragDropTest, HiddenCompletedTasksDoNotShiftTheDropPosition)
{
    BuildOutline([](TTaskNode* root) {
        root->AddChild("A", -1);
        root->AddChild("B", -1)->SetCompletionDateTime(45000);
        root->AddChild("C", -1);
        root->AddChild("D", -1);
    });
    window->Part<TOutlineViews>().chHideCompletedTasks()->setChecked(true);
    QApplication::processEvents();
    ASSERT_EQ(Outline(window->Part<TOutlineViews>().tvTasksTree()), "A C D");
    Drag("D", At("C", -1));
    EXPECT_EQ(Outline(Root()), "A B D C");
    EXPECT_EQ(Outline(window->Part<TOutlineViews>().tvTasksTree()), "A D C");
    window->Part<TUndoNavigation>().actUndo()->trigger();
    EXPECT_EQ(Outline(Root()), "A B C D");
}

TEST_F(DragDropTest, EscCancelsAndOtherViewsDoNotDrag)
{
    BuildFlat();
    StartDrag("D");
    ASSERT_TRUE(window->Part<TTaskDragDrop>().Dragging());
    Mouse(QEvent::MouseMove, At("A", -1), Qt::LeftButton);
    SendKey(window->Part<TOutlineViews>().tvTasksTree(), Qt::Key_Escape);
    EXPECT_FALSE(window->Part<TTaskDragDrop>().Dragging());
    EXPECT_EQ(window->Part<TTaskDragDrop>().DropTarget(), nullptr);
    Mouse(QEvent::MouseButtonRelease, At("A", -1), Qt::NoButton);
    EXPECT_EQ(Outline(Root()), "A B C D");

    // Only the view "All tasks" drags.
    window->Part<TOutlineViews>().SetTaskTreeView("Goals");
    window->Part<TOutlineViews>().SetTaskTreeView("All tasks");
    window->Part<TOutlineViews>().SetCurrentViewName("Goals");
    StartDrag("B");
    EXPECT_FALSE(window->Part<TTaskDragDrop>().Dragging());
    Mouse(QEvent::MouseButtonRelease, At("B"), Qt::NoButton);
    window->Part<TOutlineViews>().SetCurrentViewName("All tasks");
}

TEST_F(DragDropTest, AClickBesideTheCaptionSelectsWithoutEditingOrMoving)
{
    BuildFlat();
    Select("A");
    Mouse(QEvent::MouseButtonPress, At("C"), Qt::LeftButton);
    Mouse(QEvent::MouseMove, At("C") + QPoint(1, 1), Qt::LeftButton);  // below the drag distance
    Mouse(QEvent::MouseButtonRelease, At("C") + QPoint(1, 1), Qt::NoButton);
    EXPECT_EQ(window->State().CurrentTask, Task("C"));
    EXPECT_FALSE(window->Part<TOutlineViews>().tvTasksTree()->IsEditing());
    EXPECT_FALSE(window->Part<TTaskDragDrop>().Dragging());
    EXPECT_EQ(Outline(Root()), "A B C D");
}

TEST_F(DragDropTest, TheExpanderOpensAndClosesByMouseAndStillDrags)
{
    BuildOutline([](TTaskNode* root) {
        root->AddChild("A", -1);
        root->AddChild("B", -1)->AddChild("B1", -1);
        root->AddChild("C", -1);
    });
    Select("A");
    const QRect row = window->Part<TOutlineViews>().tvTasksTree()->visualItemRect(Node("B"));
    const QPoint expander(row.left() - window->Part<TOutlineViews>().tvTasksTree()->indentation() / 2, row.center().y());
    for (bool expanded : {true, false}) {
        QTest::mouseClick(Viewport(), Qt::LeftButton, {}, expander);
        EXPECT_EQ(Node("B")->isExpanded(), expanded);
        EXPECT_EQ(Task("B")->Expanded, expanded);
        window->Part<TOutlineViews>().RefillTaskTree();  // the outline remembers it
        EXPECT_EQ(Node("B")->isExpanded(), expanded);
        EXPECT_EQ(window->State().CurrentTask, Task("A"));  // a click on the expander selects nothing
    }
    // Pressed on the expander and moved on, the row is dragged.
    Mouse(QEvent::MouseButtonPress, expander, Qt::LeftButton);
    Mouse(QEvent::MouseMove, expander + QPoint(QApplication::startDragDistance() + 2, 0), Qt::LeftButton);
    EXPECT_TRUE(window->Part<TTaskDragDrop>().Dragging());
    Mouse(QEvent::MouseMove, At("A", -1), Qt::LeftButton);
    Mouse(QEvent::MouseButtonRelease, At("A", -1), Qt::NoButton);
    EXPECT_EQ(Outline(Root()), "B[B1] A C");
}

TEST_F(DragDropTest, AutoScrollNearTheEdgesWhileDragging)
{
    BuildOutline([](TTaskNode* root) {
        for (int i = 0; i < 80; ++i)
            root->AddChild("Task " + std::to_string(i), -1);
    });
    StartDrag("Task 0");
    const int height = Viewport()->height();
    const int x = At("Task 0").x();
    Mouse(QEvent::MouseMove, {x, height - 5}, Qt::LeftButton);
    EXPECT_TRUE(window->Part<TTaskDragDrop>().TimerTvAutoscroll()->isActive());
    EXPECT_EQ(window->Part<TTaskDragDrop>().TimerTvAutoscroll()->interval(), 30);
    EXPECT_FALSE(window->Part<TTaskDragDrop>().ScrollUp());
    const int before = window->Part<TOutlineViews>().tvTasksTree()->verticalScrollBar()->value();
    window->Part<TTaskDragDrop>().TimerTvAutoscrollTimer();
    EXPECT_GT(window->Part<TOutlineViews>().tvTasksTree()->verticalScrollBar()->value(), before);

    Mouse(QEvent::MouseMove, {x, 15}, Qt::LeftButton);
    EXPECT_EQ(window->Part<TTaskDragDrop>().TimerTvAutoscroll()->interval(), 120);
    EXPECT_TRUE(window->Part<TTaskDragDrop>().ScrollUp());
    Mouse(QEvent::MouseMove, {x, height / 2}, Qt::LeftButton);
    EXPECT_FALSE(window->Part<TTaskDragDrop>().TimerTvAutoscroll()->isActive());
    Mouse(QEvent::MouseMove, {x, 3}, Qt::LeftButton);
    EXPECT_EQ(window->Part<TTaskDragDrop>().TimerTvAutoscroll()->interval(), 30);
    SendKey(window->Part<TOutlineViews>().tvTasksTree(), Qt::Key_Escape);
    EXPECT_FALSE(window->Part<TTaskDragDrop>().TimerTvAutoscroll()->isActive());
}

TEST_F(DragDropTest, ClickOnTheDueSpotShowsTheTimeTabWithoutDragging)
{
    BuildOutline([](TTaskNode* root) {
        TTaskNode* parent = root->AddChild("Parent", -1);
        parent->SetScheduleType(1);
        parent->SetDueDateTime(EncodeDate(2030, 1, 1));
        parent->Expanded = true;
        parent->AddChild("Follows", -1);  // due date from its parent, ScheduleType 0
        root->AddChild("Noted", -1)->Note.Add("some note");
    });
    window->Part<TOutlineViews>().FillTaskTree();
    ASSERT_NE(Task("Follows")->DueDateTime, 0);
    const QRect row = window->Part<TOutlineViews>().tvTasksTree()->visualItemRect(Node("Follows"));
    const int w = Viewport()->width();
    const QPoint due(w - DueBadgeOffset + 10, row.center().y());
    Named<TPageControl>(*window, "pcTaskProps")->SetActivePage(Named<QWidget>(*window, "tshGeneral"));
    Mouse(QEvent::MouseButtonPress, due, Qt::LeftButton);
    Mouse(QEvent::MouseButtonRelease, due, Qt::NoButton);
    EXPECT_EQ(window->State().CurrentTask, Task("Follows"));
    EXPECT_EQ(Named<TPageControl>(*window, "pcTaskProps")->ActivePage(), Named<QWidget>(*window, "tshTime"));
    EXPECT_EQ(Task("Follows")->ScheduleType, 0);
    EXPECT_FALSE(window->Part<TTaskDragDrop>().Dragging());

    const QRect noted = window->Part<TOutlineViews>().tvTasksTree()->visualItemRect(Node("Noted"));
    const QPoint notes(w - NotesIconOffset + 4, noted.center().y());
    Mouse(QEvent::MouseButtonPress, notes, Qt::LeftButton);
    Mouse(QEvent::MouseButtonRelease, notes, Qt::NoButton);
    EXPECT_EQ(window->State().CurrentTask, Task("Noted"));
    EXPECT_EQ(window->focusWidget(), window->Part<TTaskPanel>().TaskNotesEditor());

    // A due text wider than the badge widens it to the left, drawn and clickable.
    QFont big = window->Part<TOutlineViews>().tvTasksTree()->font();
    big.setPointSize(big.pointSize() * 3);
    window->Part<TOutlineViews>().tvTasksTree()->setFont(big);
    window->resize(1600, 600);  // room for the caption beside the badge
    QApplication::processEvents();
    const int wide = Viewport()->width();
    const QString text = QString::fromStdString(window->Part<TTaskDragDrop>().DueDateText(Task("Parent")->DueDateTime));
    const QRect parent = window->Part<TOutlineViews>().tvTasksTree()->visualItemRect(Node("Parent"));
    const QPoint left(wide - NotesIconOffset - window->Part<TOutlineViews>().tvTasksTree()->fontMetrics().horizontalAdvance(text) - 3,
                      parent.center().y());
    ASSERT_LT(left.x(), wide - DueBadgeOffset);
    const QColor badge = PixelAt(left);
    EXPECT_TRUE(badge.blue() > 200 && badge.red() < 160) << badge.name().toStdString();  // due later: light blue
    Named<TPageControl>(*window, "pcTaskProps")->SetActivePage(Named<QWidget>(*window, "tshGeneral"));
    QTest::mouseClick(Viewport(), Qt::LeftButton, {}, left);
    EXPECT_EQ(window->State().CurrentTask, Task("Parent"));
    EXPECT_EQ(Named<TPageControl>(*window, "pcTaskProps")->ActivePage(), Named<QWidget>(*window, "tshTime"));
}

TEST_F(DragDropTest, BadgesAreDrawnOnlyForOpenUnselectedTasks)
{
    const TDateTime now = EncodeDate(2024, 3, 10) + 0.5;
    TClockOverride clock(now);
    BuildOutline([&](TTaskNode* root) {
        root->AddChild("Top", -1);
        TTaskNode* late = root->AddChild("Late", -1);
        late->SetScheduleType(1);
        late->SetDueDateTime(now - 2);
        TTaskNode* done = root->AddChild("Done late", -1);
        done->SetScheduleType(1);
        done->SetDueDateTime(now - 2);
        done->SetCompletionDateTime(now - 1);
    });
    Select("Top");
    window->Part<TTreeEditing>().RepaintTaskTrees();
    const int x = Viewport()->width() - DueBadgeOffset + 3;
    auto badgeAt = [&](const std::string& caption) {
        const QColor c = PixelAt({x, window->Part<TOutlineViews>().tvTasksTree()->visualItemRect(Node(caption)).center().y()});
        return c.red() > 180 && c.green() < 80 && c.blue() < 80;  // the red of an overdue badge
    };
    EXPECT_TRUE(badgeAt("Late"));
    EXPECT_FALSE(badgeAt("Done late"));
    EXPECT_EQ(window->Part<TTaskDragDrop>().DueDateText(Task("Late")->DueDateTime), "overdue");

    Select("Late");
    EXPECT_FALSE(badgeAt("Late"));

    Select("Top");
    ++window->Part<TOutlineViews>().DrawLockCount();
    Viewport()->update();
    EXPECT_FALSE(badgeAt("Late"));
    --window->Part<TOutlineViews>().DrawLockCount();
}

TEST_F(DragDropTest, SelectedRowsStayReadableWithoutFocusAndTheGoalMarkHasItsOwnPlace)
{
    BuildOutline([](TTaskNode* root) {
        root->AddChild("Project", -1)->SetIsProject(true);
        root->AddChild("Done", -1)->SetCompletionDateTime(45000);
        root->AddChild("Hidden", -1)->SetHideInToDo(true);
        root->AddChild("Goal", -1)->SetTheGoal(1);
    });
    // Pixels of the tree within rect whose colour matches.
    auto pixels = [this](const QRect& rect, const std::function<bool(const QColor&)>& match) {
        const QImage image = Viewport()->grab().toImage();
        int count = 0;
        for (int y = rect.top(); y <= rect.bottom(); ++y)
            for (int x = rect.left(); x <= rect.right(); ++x)
                count += match(image.pixelColor(x, y));
        return count;
    };
    const QColor text = window->Part<TOutlineViews>().tvTasksTree()->palette().color(QPalette::Inactive, QPalette::HighlightedText);
    for (const char* caption : {"Project", "Done", "Hidden"}) {
        QTest::mouseClick(Viewport(), Qt::LeftButton, {}, window->Part<TOutlineViews>().tvTasksTree()->LabelRect(Node(caption)).center());
        ASSERT_EQ(window->State().CurrentTask, Task(caption));
        QTest::mouseClick(window->Part<TTaskPanel>().TaskNotesEditor()->viewport(), Qt::LeftButton);  // the tree loses the focus
        ASSERT_FALSE(window->Part<TOutlineViews>().tvTasksTree()->hasFocus());
        const QRect label = window->Part<TOutlineViews>().tvTasksTree()->LabelRect(Node(caption));
        EXPECT_EQ(pixels(label, [](const QColor& c) {
                      return (c.blue() > 215 && c.red() < 40 && c.green() < 40) ||
                             (std::abs(c.red() - 128) < 12 && c == QColor(c.red(), c.red(), c.red()));
                  }), 0) << caption << ": blue or gray";
        EXPECT_GT(pixels(label, [&](const QColor& c) {
                      return std::abs(c.red() - text.red()) + std::abs(c.green() - text.green()) +
                                 std::abs(c.blue() - text.blue()) < 60;
                  }), 10) << caption;
    }

    // The goal mark lies between the check box and the caption, which lines up with the others.
    const auto red = [](const QColor& c) { return c.red() > 180 && c.green() < 60 && c.blue() < 60; };
    const QRect goal = window->Part<TOutlineViews>().tvTasksTree()->LabelRect(Node("Goal"));
    EXPECT_GT(pixels(QRect(0, goal.top(), goal.left(), goal.height()), red), 5);
    EXPECT_EQ(pixels(window->Part<TOutlineViews>().tvTasksTree()->CheckBoxRect(Node("Goal")), red), 0);
    EXPECT_EQ(goal.left(), window->Part<TOutlineViews>().tvTasksTree()->LabelRect(Node("Done")).left());
}

} // namespace
