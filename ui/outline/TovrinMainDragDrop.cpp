// Moving tasks by drag-and-drop inside the outline tree, with the insert marker, automatic
// scrolling near the edges and an undo step per drop; and the due-date and notes spots of the
// rows, which a click opens instead of starting a drag.
//
// The drag is the tree's own (no drag-and-drop between programs): a press on a row outside its
// caption arms it, moving past the platform's drag distance starts it, releasing drops, Esc
// cancels.
#include "ui/mainwindow/TovrinMain.h"

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
#include "ui/mainwindow/TovrinApplication.h"
#include "ui/controls/TreeViewCheckBoxes.h"
#include "ui/outline/TreeViewRules.h"
#include "ui/taskpanel/TaskPanel.h"
#include "ui/todo/ToDoPage.h"

namespace {

// The mouse and key events of one tree that the window's tree handlers do not see: the row
// spots, and the drag of the outline tree.
class TTreeDragHook : public QObject {
public:
    TTreeDragHook(TfrmTovrinMain& window, TTreeViewCheckBoxes* tree)
        : QObject(tree), window_(window), tree_(tree), viewport_(tree->viewport())
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
            if (!onViewport && window_.Dragging && static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape) {
                armed_ = false;
                RunGuarded([this] { window_.tvTasksTreeEndDrag(); });
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
        if (event->button() != Qt::LeftButton || window_.UILockCount > 0 || tree_->IsEditing())
            return false;
        const QPoint pos = event->position().toPoint();
        QTreeWidgetItem* node = tree_->itemAt(pos);
        if (!TfrmTovrinMain::NodeTask(node))
            return false;
        // The caption and the check box keep their own handling.
        const QRect label = tree_->LabelRect(node);
        const int itemLeft = tree_->visualItemRect(node).left();
        if (label.contains(pos) || (pos.x() >= itemLeft && pos.x() < label.left()))
            return false;
        if (window_.IsOverDueDate(tree_, pos.x(), pos.y())) {
            if (Select(node))
                window_.TaskPanel().ShowDueDateEditor(false);
            return true;
        }
        if (window_.IsOverNoteIcon(tree_, pos.x(), pos.y())) {
            if (Select(node) && window_.TaskPanel().TaskNotesEditor())
                window_.TaskPanel().TaskNotesEditor()->setFocus();
            return true;
        }
        if (tree_ == window_.tvTasksTree && window_.CurrentViewName == ViewAllTasks) {
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
            if (window_.Dragging)
                window_.tvTasksTreeEndDrag();
            return false;
        }
        if (!window_.Dragging) {
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
            window_.tvTasksTreeStartDrag();
        }
        window_.tvTasksTreeDragOver(pos.x(), pos.y(), accept_);
        tree_->viewport()->setCursor(accept_ ? Qt::DragMoveCursor : Qt::ForbiddenCursor);
        return true;
    }

    bool Release(QMouseEvent* event)
    {
        if (!armed_ || event->button() != Qt::LeftButton)
            return false;
        armed_ = false;
        if (!window_.Dragging)
            return false;
        const QPoint pos = event->position().toPoint();
        tree_->viewport()->setCursor(Qt::ArrowCursor);
        try {
            if (accept_)
                window_.tvTasksTreeDragDrop(pos.x(), pos.y());
        } catch (...) {
            window_.tvTasksTreeEndDrag();
            throw;
        }
        window_.tvTasksTreeEndDrag();
        return true;
    }

    bool Select(QTreeWidgetItem* node)
    {
        tree_->setCurrentItem(node);
        return tree_->currentItem() == node;  // false: the selection change was refused
    }

    TfrmTovrinMain& window_;
    TTreeViewCheckBoxes* tree_;
    QObject* viewport_;
    bool armed_ = false;
    bool accept_ = false;
    bool onExpander_ = false;  // pressed on the expander: the row is selected only when a drag starts
    QPoint pressPos_;
};

// Y within the text rectangle of node: its upper third, or the indent and button left of it.
bool DropInserts(TTreeViewCheckBoxes* tree, QTreeWidgetItem* node, int x, int y)
{
    const QRect r = tree->LabelRect(node);
    const bool onIndentOrButton = x < tree->visualItemRect(node).left();
    return IsInsertPosition(onIndentOrButton, y, r.top(), r.top() + r.height());
}

} // namespace

void TfrmTovrinMain::ConnectDragDrop()
{
    TimerTvAutoscroll = new QTimer(this);
    TimerTvAutoscroll->setInterval(100);
    connect(TimerTvAutoscroll, &QTimer::timeout, this, [this] { RunGuarded([this] { TimerTvAutoscrollTimer(); }); });
    new TTreeDragHook(*this, tvTasksTree);
    new TTreeDragHook(*this, toDo_->tvToDo());
}

// ---- Row spots ----

bool TfrmTovrinMain::IsOverTaskColumn(TTreeViewCheckBoxes* Tree, int X, int Y, bool ForDueDate, int ColumnWidth,
                                      int RightOffset) const
{
    return IsOverTaskColumnOf(NodeTask(Tree->itemAt(X, Y)), Tree->viewport()->width(), X, ForDueDate, ColumnWidth,
                              RightOffset);
}

bool TfrmTovrinMain::IsOverDueDate(TTreeViewCheckBoxes* Tree, int X, int Y) const
{
    const TTaskNode* task = NodeTask(Tree->itemAt(X, Y));
    return task && IsOverDueDateSpot(*task, Tree->viewport()->width(), X, DueTextWidth(Tree, task->DueDateTime));
}

int TfrmTovrinMain::DueTextWidth(TTreeViewCheckBoxes* Tree, TDateTime Due) const
{
    return Tree->fontMetrics().horizontalAdvance(QString::fromStdString(DueDateText(Due)));
}

bool TfrmTovrinMain::IsOverNoteIcon(TTreeViewCheckBoxes* Tree, int X, int Y) const
{
    return IsOverTaskColumn(Tree, X, Y, false, NotesIconWidth, NotesIconOffset);
}

// ---- Dragging ----

void TfrmTovrinMain::tvTasksTreeStartDrag()
{
    Dragging = true;
}

void TfrmTovrinMain::tvTasksTreeDragOver(int X, int Y, bool& Accept)
{
    if (tvTasksTree->IsEditing())
        tvTasksTree->EndEdit(false);
    QTreeWidgetItem* node = tvTasksTree->itemAt(X, Y);
    QTreeWidgetItem* selected = SelectedNode(tvTasksTree);
    // Never onto the dragged task itself or into its own subtree.
    Accept = node && selected && node != selected && CanDropOnTask(NodeTask(selected), NodeTask(node));
    DropTarget = Accept && DropInserts(tvTasksTree, node, X, Y) ? node : nullptr;
    tvTasksTree->viewport()->update();

    bool up = ScrollUp;
    const int interval = AutoScrollInterval(Y, tvTasksTree->viewport()->height(), up);
    if (interval > 0) {
        ScrollUp = up;
        if (TimerTvAutoscroll->interval() != interval)
            TimerTvAutoscroll->setInterval(interval);
        if (!TimerTvAutoscroll->isActive())
            TimerTvAutoscroll->start();
    } else {
        TimerTvAutoscroll->stop();
    }
}

void TfrmTovrinMain::TimerTvAutoscrollTimer()
{
    tvTasksTree->verticalScrollBar()->triggerAction(ScrollUp ? QAbstractSlider::SliderSingleStepSub
                                                             : QAbstractSlider::SliderSingleStepAdd);
}

void TfrmTovrinMain::tvTasksTreeDragDrop(int X, int Y)
{
    QTreeWidgetItem* selected = SelectedNode(tvTasksTree);
    if (!selected)
        return;
    tasks_->UpdateCurrentTask();
    QTreeWidgetItem* node = tvTasksTree->itemAt(X, Y);
    if (!node)
        return;
    const bool insert = DropInserts(tvTasksTree, node, X, Y);
    TTaskNode* dragged = NodeTask(selected);
    TTaskNode* target = NodeTask(node);
    DropTarget = nullptr;
    tvTasksTree->viewport()->update();
    TimerTvAutoscroll->stop();
    if (!CanDropOnTask(dragged, target))
        return;
    // The place is counted among the task's children in the outline, not among the shown
    // rows: with completed tasks hidden the two differ.
    const TDropPlace place = DropPlaceFor(target, insert);
    Undo().UndoList()->Add(std::make_unique<TUndoDragTaskNode>(Undo().UndoView(), dragged, place.NewParent, place.NewIndex));
    SetModified(true);
    Undo().UpdateUndoRedoActions();
}

void TfrmTovrinMain::tvTasksTreeEndDrag()
{
    DropTarget = nullptr;
    Dragging = false;
    TimerTvAutoscroll->stop();
    tvTasksTree->viewport()->update();
}
