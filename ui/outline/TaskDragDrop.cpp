// Moving tasks by drag-and-drop inside the outline tree, with the insert marker, automatic
// scrolling near the edges and an undo step per drop; and the due-date and notes spots of the
// rows, which a click opens instead of starting a drag.
//
// The drag is the tree's own (no drag-and-drop between programs): a press on a row outside its
// caption arms it, moving past the platform's drag distance starts it, releasing drops, Esc
// cancels.
#include "ui/outline/TaskDragDrop.h"

#include <QApplication>

#include <algorithm>
#include <utility>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QStyle>
#include <QTimer>

#include "taskdb/TaskNode.h"
#include "ui/outline/TaskDrawRules.h"
#include "ui/outline/TaskDropRules.h"
#include "ui/outline/TaskItemData.h"
#include "ui/outline/TaskTreeDelegate.h"
#include "ui/mainwindow/TovrinApplication.h"
#include "ui/controls/TreeViewCheckBoxes.h"
#include "ui/outline/TreeViewRules.h"

// The mouse and key events of one tree that the window's tree handlers do not see: the row
// spots, and the drag of the outline tree.
class TTaskDragDrop::TTreeDragHook : public QObject {
public:
    TTreeDragHook(TTaskDragDrop& part, TTreeViewCheckBoxes* tree)
        : QObject(tree), part_(part), tree_(tree), viewport_(tree->viewport())
    {
        tree->viewport()->installEventFilter(this);
        tree->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        // Compared by address only: events also come while the tree is being destroyed.
        bool consumed = false;
        const bool onViewport = watched == viewport_;
        switch (event->type()) {
        case QEvent::MouseButtonPress:
            if (onViewport)
                RunGuarded([&] { consumed = Press(static_cast<QMouseEvent*>(event)); });
            break;
        case QEvent::MouseMove:
            if (onViewport)
                RunGuarded([&] { consumed = Move(static_cast<QMouseEvent*>(event)); });
            break;
        case QEvent::MouseButtonRelease:
            if (onViewport)
                RunGuarded([&] { consumed = Release(static_cast<QMouseEvent*>(event)); });
            break;
        case QEvent::KeyPress:
            if (!onViewport && part_.Dragging() && static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape) {
                armed_ = false;
                RunGuarded([this] { part_.tvTasksTreeEndDrag(); });
                consumed = true;
            }
            break;
        default:
            break;
        }
        return consumed || QObject::eventFilter(watched, event);
    }

private:
    bool Press(QMouseEvent* event)
    {
        armed_ = false;
        if (event->button() != Qt::LeftButton || part_.uiLockCount_ > 0 || tree_->IsEditing())
            return false;
        const QPoint pos = event->position().toPoint();
        QTreeWidgetItem* node = tree_->itemAt(pos);
        if (!ItemTask(node))
            return false;
        // The caption and the check box keep their own handling.
        const QRect label = tree_->LabelRect(node);
        const int itemLeft = tree_->visualItemRect(node).left();
        if (label.contains(pos) || (pos.x() >= itemLeft && pos.x() < label.left()))
            return false;
        if (part_.IsOverDueDate(tree_, pos.x(), pos.y())) {
            if (Select(node))
                part_.host_.ShowDueDateEditor(false);
            return true;
        }
        if (part_.IsOverNoteIcon(tree_, pos.x(), pos.y())) {
            if (Select(node))
                part_.host_.FocusTaskNotes();
            return true;
        }
        if (tree_ == &part_.tree_ && part_.host_.IsAllTasksView()) {
            // The expander keeps its click, which opens or closes the row; moving on from it
            // still drags the row, selected only then.
            if (node->childCount() > 0 && pos.x() < itemLeft && pos.x() >= itemLeft - tree_->indentation()) {
                armed_ = true;
                onExpander_ = true;
                pressPos_ = pos;
                return false;
            }
            // Beside the caption a press selects the row and may start a drag; it does not start
            // editing the caption.
            if (!Select(node))
                return true;
            armed_ = true;
            onExpander_ = false;
            pressPos_ = pos;
            return true;
        }
        return false;
    }

    bool Move(QMouseEvent* event)
    {
        if (!armed_)
            return false;
        const QPoint pos = event->position().toPoint();
        if (!(event->buttons() & Qt::LeftButton)) {
            // The button went up where this tree could not see it.
            armed_ = false;
            if (part_.Dragging())
                part_.tvTasksTreeEndDrag();
            return false;
        }
        if (!part_.Dragging()) {
            if ((pos - pressPos_).manhattanLength() < QApplication::startDragDistance())
                return true;  // the selection stays on the pressed row
            // The row pressed on its expander stays at the press point when it opens or closes.
            if (std::exchange(onExpander_, false) && !Select(tree_->itemAt(pressPos_))) {
                armed_ = false;
                return false;
            }
            if (!SelectedNode(tree_)) {
                armed_ = false;
                return false;
            }
            part_.tvTasksTreeStartDrag();
        }
        part_.tvTasksTreeDragOver(pos.x(), pos.y(), accept_);
        tree_->viewport()->setCursor(accept_ ? Qt::DragMoveCursor : Qt::ForbiddenCursor);
        return true;
    }

    bool Release(QMouseEvent* event)
    {
        if (!armed_ || event->button() != Qt::LeftButton)
            return false;
        armed_ = false;
        if (!part_.Dragging())
            return false;
        const QPoint pos = event->position().toPoint();
        tree_->viewport()->setCursor(Qt::ArrowCursor);
        try {
            if (accept_)
                part_.tvTasksTreeDragDrop(pos.x(), pos.y());
        } catch (...) {
            part_.tvTasksTreeEndDrag();
            throw;
        }
        part_.tvTasksTreeEndDrag();
        return true;
    }

    bool Select(QTreeWidgetItem* node)
    {
        tree_->setCurrentItem(node);
        return tree_->currentItem() == node;  // false: the selection change was refused
    }

    TTaskDragDrop& part_;
    TTreeViewCheckBoxes* tree_;
    QObject* viewport_;
    bool armed_ = false;
    bool accept_ = false;
    bool onExpander_ = false;  // pressed on the expander: the row is selected only when a drag starts
    QPoint pressPos_;
};

namespace {

// Y within the text rectangle of node: its upper third, or the indent and button left of it.
bool DropInserts(TTreeViewCheckBoxes* tree, QTreeWidgetItem* node, int x, int y)
{
    const QRect r = tree->LabelRect(node);
    const bool onIndentOrButton = x < tree->visualItemRect(node).left();
    return IsInsertPosition(onIndentOrButton, y, r.top(), r.top() + r.height());
}

} // namespace

TTaskDragDrop::TTaskDragDrop(QWidget& Window, TTreeViewCheckBoxes& Tree, TTreeViewCheckBoxes& ToDoTree,
                             const int32_t& UILockCount, const int32_t& DrawLockCount, const TDateTime& DrawTime,
                             TDragDropHost Host)
    : QObject(&Window), tree_(Tree), toDoTree_(ToDoTree), uiLockCount_(UILockCount), drawLockCount_(DrawLockCount),
      drawTime_(DrawTime), host_(std::move(Host))
{
    ConnectTreeDrawing();
    timerTvAutoscroll_ = new QTimer(this);
    timerTvAutoscroll_->setInterval(100);
    connect(timerTvAutoscroll_, &QTimer::timeout, this, [this] { RunGuarded([this] { TimerTvAutoscrollTimer(); }); });
    new TTreeDragHook(*this, &tree_);
    new TTreeDragHook(*this, &toDoTree_);
}

// ---- Row spots ----

bool TTaskDragDrop::IsOverTaskColumn(TTreeViewCheckBoxes* Tree, int X, int Y, bool ForDueDate, int ColumnWidth,
                                     int RightOffset) const
{
    return IsOverTaskColumnOf(ItemTask(Tree->itemAt(X, Y)), Tree->viewport()->width(), X, ForDueDate, ColumnWidth,
                              RightOffset);
}

bool TTaskDragDrop::IsOverDueDate(TTreeViewCheckBoxes* Tree, int X, int Y) const
{
    const TTaskNode* task = ItemTask(Tree->itemAt(X, Y));
    return task && IsOverDueDateSpot(*task, Tree->viewport()->width(), X, DueTextWidth(Tree, task->DueDateTime));
}

int TTaskDragDrop::DueTextWidth(TTreeViewCheckBoxes* Tree, TDateTime Due) const
{
    return Tree->fontMetrics().horizontalAdvance(QString::fromStdString(DueDateText(Due)));
}

bool TTaskDragDrop::IsOverNoteIcon(TTreeViewCheckBoxes* Tree, int X, int Y) const
{
    return IsOverTaskColumn(Tree, X, Y, false, NotesIconWidth, NotesIconOffset);
}

// ---- Dragging ----

void TTaskDragDrop::tvTasksTreeStartDrag()
{
    dragging_ = true;
}

void TTaskDragDrop::tvTasksTreeDragOver(int X, int Y, bool& Accept)
{
    if (tree_.IsEditing())
        tree_.EndEdit(false);
    QTreeWidgetItem* node = tree_.itemAt(X, Y);
    QTreeWidgetItem* selected = SelectedNode(&tree_);
    // Never onto the dragged task itself or into its own subtree.
    Accept = node && selected && node != selected && CanDropOnTask(ItemTask(selected), ItemTask(node));
    dropTarget_ = Accept && DropInserts(&tree_, node, X, Y) ? node : nullptr;
    tree_.viewport()->update();

    bool up = scrollUp_;
    const int interval = AutoScrollInterval(Y, tree_.viewport()->height(), up);
    if (interval > 0) {
        scrollUp_ = up;
        if (timerTvAutoscroll_->interval() != interval)
            timerTvAutoscroll_->setInterval(interval);
        if (!timerTvAutoscroll_->isActive())
            timerTvAutoscroll_->start();
    } else {
        timerTvAutoscroll_->stop();
    }
}

void TTaskDragDrop::TimerTvAutoscrollTimer()
{
    tree_.verticalScrollBar()->triggerAction(scrollUp_ ? QAbstractSlider::SliderSingleStepSub
                                                       : QAbstractSlider::SliderSingleStepAdd);
}

void TTaskDragDrop::tvTasksTreeDragDrop(int X, int Y)
{
    QTreeWidgetItem* selected = SelectedNode(&tree_);
    if (!selected)
        return;
    host_.FlushTaskEdits();
    QTreeWidgetItem* node = tree_.itemAt(X, Y);
    if (!node)
        return;
    const bool insert = DropInserts(&tree_, node, X, Y);
    TTaskNode* dragged = ItemTask(selected);
    TTaskNode* target = ItemTask(node);
    dropTarget_ = nullptr;
    tree_.viewport()->update();
    timerTvAutoscroll_->stop();
    if (!CanDropOnTask(dragged, target))
        return;
    // The place is counted among the task's children in the outline, not among the shown
    // rows: with completed tasks hidden the two differ.
    const TDropPlace place = DropPlaceFor(target, insert);
    host_.MoveTaskUndoable(dragged, place.NewParent, place.NewIndex);
}

void TTaskDragDrop::tvTasksTreeEndDrag()
{
    dropTarget_ = nullptr;
    dragging_ = false;
    timerTvAutoscroll_->stop();
    tree_.viewport()->update();
}
