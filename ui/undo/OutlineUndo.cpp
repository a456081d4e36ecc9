#include "ui/undo/OutlineUndo.h"

#include <QAction>
#include <QMenu>

#include <functional>

#include "taskdb/TaskPlace.h"
#include "taskdb/TovrinDataBase.h"
#include "ui/controls/TreeViewCheckBoxes.h"
#include "ui/mainwindow/UILock.h"
#include "ui/mainwindow/WindowAction.h"
#include "ui/mainwindow/WindowState.h"
#include "ui/outline/TaskItemData.h"
#include "ui/undo/UndoList.h"

namespace {

QTreeWidgetItem* SiblingOf(QTreeWidgetItem* node, int offset)
{
    const int index = node->parent() ? node->parent()->indexOfChild(node)
                                     : node->treeWidget()->indexOfTopLevelItem(node);
    const int wanted = index + offset;
    if (wanted < 0)
        return nullptr;
    return node->parent() ? node->parent()->child(wanted) : node->treeWidget()->topLevelItem(wanted);
}

bool InSubtree(const TTaskNode* task, const TTaskNode* top)
{
    return task && (task == top || task->IsDescendantOf(top));
}

} // namespace

class TOutlineUndo::TUndoView : public IUndoView {
public:
    explicit TUndoView(TOutlineUndo& part) : p_(part) {}

    void UndoListChanged() override { p_.host_.UpdateUndoRedoActions(); }
    void RepaintTaskTrees() override { p_.host_.RepaintTaskTrees(); }

    void ShowChangedTask(TTaskNode* Task) override
    {
        p_.host_.LeavePlacesPage();
        // Selected again in both trees, so that the panel shows the restored values.
        for (TTreeViewCheckBoxes* tree : {&p_.tvTasksTree_, &p_.tvToDo_}) {
            QTreeWidgetItem* node = FindTaskItem(tree, Task);
            if (!node)
                continue;
            p_.host_.SyncTreeNode(node);
            {
                TUILock lock(p_.uiLockCount_);
                tree->clearSelection();
                tree->setCurrentItem(nullptr);
            }
            tree->setCurrentItem(node);
        }
        if (p_.state_.CurrentTask == Task)
            p_.host_.ReloadTaskPanel();
    }

    void LeaveTask(TTaskNode* Task) override
    {
        TTreeViewCheckBoxes& tree = p_.tvTasksTree_;
        QTreeWidgetItem* node = SelectedNode(&tree);
        if (!node || ItemTask(node) != Task)
            return;
        // Anywhere but inside the subtree that leaves.
        QTreeWidgetItem* next = node->parent();
        if (!next)
            next = SiblingOf(node, 1);
        if (!next)
            next = SiblingOf(node, -1);
        if (next) {
            tree.setCurrentItem(next);
        } else {
            {
                TUILock lock(p_.uiLockCount_);
                tree.clearSelection();
                tree.setCurrentItem(nullptr);
            }
            p_.host_.SetCurrentTask(nullptr);
        }
    }

    void ShowSubtree(TTaskNode* Parent, TTaskNode* Task) override
    {
        TTreeViewCheckBoxes& tree = p_.tvTasksTree_;
        const bool refilled = p_.host_.ResetTaskTreeView(true);
        if (!refilled)
            p_.host_.FillTaskTree(FindTaskItem(&tree, Parent), false);
        if (!Task)
            return;
        if (QTreeWidgetItem* node = FindTaskItem(&tree, Task)) {
            tree.scrollToItem(node);
            tree.setCurrentItem(node);
        }
    }

    void TaskDetached(TTaskNode* Task) override
    {
        // Nothing may keep referring to the subtree: the panel, the To-Do list and its tree,
        // the navigation history.
        if (InSubtree(p_.state_.CurrentTask, Task)) {
            p_.host_.SetTaskDirty(false);
            p_.host_.SetCurrentTask(nullptr);
        }
        // A redone deletion may take the virtual root's ancestors along.
        if (p_.host_.IsVirtualRootActive() && InSubtree(p_.host_.VirtualRoot(), Task))
            p_.host_.SetVirtualRoot(nullptr);
        p_.host_.RemoveFromToDoList(Task);
        p_.host_.ClearNavigation();
    }

    void ShowMove(TTaskNode* Task, TTaskNode* Parent, int32_t Index) override;

    void ShowPlaces(TTaskPlace* Place) override
    {
        // Tasks keep a place's ID while it is gone: the task panel shows their places as they
        // are now, or its next write-back would drop a place that came back, or make one anew.
        p_.host_.PlacesChanged();
        TWindowState& state = p_.state_;
        // A place that left the list is no longer shown in the panel; after a removal no place
        // is, as after the deletion itself.
        if (state.CurrentPlace && state.DataBase->PlacesList->FindByID(state.CurrentPlace->PlaceID) != state.CurrentPlace) {
            p_.host_.SetPlaceDirty(false);
            p_.host_.SetCurrentPlace(nullptr);
        } else if (!Place) {
            p_.host_.SetCurrentPlace(nullptr);
        }
        p_.host_.ShowPlacesPage();
        p_.host_.RefreshPlacesLists();
        p_.host_.SelectListedPlace(Place);
    }

private:
    TOutlineUndo& p_;
};

void TOutlineUndo::TUndoView::ShowMove(TTaskNode* Task, TTaskNode* Parent, int32_t Index)
{
    (void)Index;  // the task's place among its siblings is read from the outline itself
    if (InSubtree(p_.state_.CurrentTask, Task))
        p_.host_.FollowTaskMove();
    TTreeViewCheckBoxes* tree = &p_.tvTasksTree_;
    const bool refilled = p_.host_.ResetTaskTreeView(false);
    QTreeWidgetItem* node = FindTaskItem(tree, Task);
    QTreeWidgetItem* parentNode = Parent->Parent ? FindTaskItem(tree, Parent) : nullptr;
    const bool parentFound = !Parent->Parent || parentNode;
    if (!parentFound && !refilled) {
        p_.host_.FillTaskTree(nullptr, false);
        return;
    }
    if (!node || p_.host_.IsVirtualRootActive()) {
        p_.host_.FillTaskTree(nullptr, false);
        return;
    }
    if (!refilled) {
        // The node goes before the node of the next sibling task that is shown, so hidden
        // completed tasks never shift it.
        QTreeWidgetItem* before = nullptr;
        for (int i = Task->IndexInParent() + 1; i < Parent->Children.Count() && !before; ++i) {
            QTreeWidgetItem* candidate = FindTaskItem(tree, Parent->Children[i]);
            if (candidate && candidate->parent() == parentNode)
                before = candidate;
        }
        TUILock fill(p_.treeFillCount_);
        TUILock lock(p_.uiLockCount_);
        QTreeWidgetItem* oldParent = node->parent();
        if (oldParent)
            oldParent->removeChild(node);
        else
            tree->takeTopLevelItem(tree->indexOfTopLevelItem(node));
        if (parentNode) {
            if (before)
                parentNode->insertChild(parentNode->indexOfChild(before), node);
            else
                parentNode->addChild(node);
        } else {
            if (before)
                tree->insertTopLevelItem(tree->indexOfTopLevelItem(before), node);
            else
                tree->addTopLevelItem(node);
        }
        // Taking a node out forgets the expanded state of its subtree; the tasks remember it.
        std::function<void(QTreeWidgetItem*)> expand = [&](QTreeWidgetItem* item) {
            if (const TTaskNode* task = ItemTask(item))
                item->setExpanded(task->Expanded);
            for (int i = 0; i < item->childCount(); ++i)
                expand(item->child(i));
        };
        expand(node);
    }
    p_.host_.RefreshCheckMarks(node);
    for (QTreeWidgetItem* p = node->parent(); p; p = p->parent())
        p->setExpanded(true);
    {
        // The node is current again without the panel noticing a change of task.
        TUILock lock(p_.uiLockCount_);
        tree->clearSelection();
        tree->setCurrentItem(nullptr);
    }
    tree->setCurrentItem(node);
    tree->scrollToItem(node);
}

// ---- Building ----

TOutlineUndo::TOutlineUndo(QWidget& Window, TTreeViewCheckBoxes& Tree, TTreeViewCheckBoxes& ToDoTree,
                           TWindowState& State, int32_t& UILockCount, int32_t& TreeFillCount, TOutlineUndoHost Host)
    : QObject(&Window), tvTasksTree_(Tree), tvToDo_(ToDoTree), state_(State), uiLockCount_(UILockCount),
      treeFillCount_(TreeFillCount), host_(std::move(Host)), ownView_(std::make_unique<TUndoView>(*this)),
      view_(ownView_.get())
{
    // Ctrl+Del is shared with the place deletion and bound by the shared keys.
    actDeleteTask_ = MakeWindowAction(Window, *this, "actDeleteTask", "Delete task", nullptr,
                                      &TOutlineUndo::actDeleteTaskExecute);
}

TOutlineUndo::~TOutlineUndo() = default;

std::unique_ptr<IUndoView> TOutlineUndo::TakeUndoView()
{
    return std::move(ownView_);
}

// Once the outline's pop-up menu is built.
void TOutlineUndo::AddToTreeMenu(QMenu& Menu)
{
    Menu.addSeparator();
    Menu.addAction(actDeleteTask_);
}

// ---- Deleting tasks ----

void TOutlineUndo::actDeleteTaskExecute()
{
    if (!host_.IsAllTasksView() || !host_.OutlinePageShown())
        return;
    DeleteSelectedTask(true);
}

void TOutlineUndo::DeleteSelectedTask(bool Undoable)
{
    TTreeViewCheckBoxes* tvTasksTree = &tvTasksTree_;
    QTreeWidgetItem* node = SelectedNode(tvTasksTree);
    if (!node)
        node = tvTasksTree->currentItem();
    TTaskNode* task = ItemTask(node);
    if (!task)
        return;
    const bool pending = host_.TakeNewTaskPending();
    if (pending)
        Undoable = false;  // a task whose caption was never confirmed goes for good
    // A caption editor still open would write into the task once it is gone: a confirmed
    // task keeps what was typed, a never-confirmed one drops it.
    if (tvTasksTree->IsEditing())
        tvTasksTree->EndEdit(!pending);
    if (Undoable) {
        host_.FlushTaskEdits();
        host_.FlushPlaceEdits();
        host_.UndoList()->Add(std::make_unique<TUndoDeleteTaskNode>(*view_, task));
    } else {
        view_->TaskDetached(task);
        state_.CurrentTask = nullptr;
        host_.SetTaskDirty(false);
        delete task;
    }

    QTreeWidgetItem* next = nullptr;
    if (!pending)
        next = SiblingOf(node, 1);
    if (!next)
        next = SiblingOf(node, -1);
    if (!next)
        next = node->parent();

    host_.SetModified(true);
    {
        TUILock lock(uiLockCount_);
        tvTasksTree->clearSelection();
        tvTasksTree->setCurrentItem(nullptr);
        delete node;
    }
    if (next)
        tvTasksTree->setCurrentItem(next);
    if (!SelectedNode(tvTasksTree))
        host_.SetCurrentTask(nullptr);
    host_.ClearNavigation();
}

// ---- Undoable drags and place deletions ----

void TOutlineUndo::DragTaskNode(QTreeWidgetItem* Node, int32_t NewIndex, QTreeWidgetItem* TargetParentNode)
{
    TTaskNode* task = ItemTask(Node);
    TTaskNode* newParent = TargetParentNode ? ItemTask(TargetParentNode) : host_.VirtualRoot();
    if (!task || !newParent)
        return;
    // The node index counts shown nodes; the move needs the index among the parent's children.
    int32_t index = -1;
    if (NewIndex >= 0) {
        QTreeWidgetItem* beforeNode =
            TargetParentNode ? TargetParentNode->child(NewIndex) : tvTasksTree_.topLevelItem(NewIndex);
        if (TTaskNode* before = ItemTask(beforeNode); before && before->Parent == newParent)
            index = before->IndexInParent();
    }
    host_.FlushTaskEdits();
    host_.UndoList()->Add(std::make_unique<TUndoDragTaskNode>(*view_, task, newParent, index));
    host_.SetModified(true);
    host_.UpdateUndoRedoActions();
}

void TOutlineUndo::DeletePlaceUndoable(TTaskPlace* Place)
{
    if (!Place)
        return;
    host_.FlushPlaceEdits();
    host_.UndoList()->Add(std::make_unique<TUndoDeletePlace>(*view_, *state_.DataBase->PlacesList, Place));
    host_.PlacesChanged();
    host_.SetModified(true);
}
