// The outline's side of undo: what an undone or redone step shows in the trees, deleting tasks
// and dragging them as undoable steps. The histories and their commands are the undo part's
// (UndoNavigation.h).
#include "ui/mainwindow/TovrinMain.h"

#include <QAction>
#include <QApplication>
#include <QLineEdit>
#include <QMenu>

#include <functional>

#include "taskdb/TaskPlace.h"
#include "taskdb/TovrinDataBase.h"
#include "ui/controls/PageControl.h"
#include "ui/mainwindow/TovrinApplication.h"
#include "ui/controls/TreeViewCheckBoxes.h"
#include "ui/outline/OutlineViews.h"
#include "ui/outline/TreeViewRules.h"
#include "ui/places/PlacePanel.h"
#include "ui/taskpanel/TaskPanel.h"
#include "ui/todo/ToDoPage.h"

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

class TMainUndoView : public IUndoView {
public:
    explicit TMainUndoView(TfrmTovrinMain& window) : w_(window) {}

    void UndoListChanged() override { w_.Undo().UpdateUndoRedoActions(); }
    void RepaintTaskTrees() override { w_.TreeEditing().RepaintTaskTrees(); }

    void ShowChangedTask(TTaskNode* Task) override
    {
        // Selected again in both trees, so that the panel shows the restored values.
        for (TTreeViewCheckBoxes* tree : {w_.Views().tvTasksTree(), w_.ToDo().tvToDo()}) {
            QTreeWidgetItem* node = w_.TreeEditing().FindTaskNode(tree, Task);
            if (!node)
                continue;
            w_.Views().SyncTreeNode(node);
            {
                TUILock lock(w_.UILockCount);
                tree->clearSelection();
                tree->setCurrentItem(nullptr);
            }
            tree->setCurrentItem(node);
        }
        if (w_.State().CurrentTask == Task)
            w_.TaskPanel().ReloadCurrentTask();
    }

    void LeaveTask(TTaskNode* Task) override
    {
        QTreeWidgetItem* node = SelectedNode(w_.Views().tvTasksTree());
        if (!node || TTreeEditing::NodeTask(node) != Task)
            return;
        // Anywhere but inside the subtree that leaves.
        QTreeWidgetItem* next = node->parent();
        if (!next)
            next = SiblingOf(node, 1);
        if (!next)
            next = SiblingOf(node, -1);
        if (next) {
            w_.Views().tvTasksTree()->setCurrentItem(next);
        } else {
            {
                TUILock lock(w_.UILockCount);
                w_.Views().tvTasksTree()->clearSelection();
                w_.Views().tvTasksTree()->setCurrentItem(nullptr);
            }
            w_.TaskPanel().SetCurrentTask(nullptr);
        }
    }

    void ShowSubtree(TTaskNode* Parent, TTaskNode* Task) override
    {
        const bool refilled = w_.Views().ResetTaskTreeView(true);
        if (!refilled)
            w_.Views().FillTaskTree(w_.TreeEditing().FindTaskNode(w_.Views().tvTasksTree(), Parent), false);
        if (!Task)
            return;
        if (QTreeWidgetItem* node = w_.TreeEditing().FindTaskNode(w_.Views().tvTasksTree(), Task)) {
            w_.Views().tvTasksTree()->scrollToItem(node);
            w_.Views().tvTasksTree()->setCurrentItem(node);
        }
    }

    void TaskDetached(TTaskNode* Task) override
    {
        // Nothing may keep referring to the subtree: the panel, the To-Do list and its tree,
        // the navigation history.
        if (InSubtree(w_.State().CurrentTask, Task)) {
            w_.TaskPanel().SetTaskDirty(false);
            w_.TaskPanel().SetCurrentTask(nullptr);
        }
        // A redone deletion may take the virtual root's ancestors along.
        if (w_.Views().IsVirtualRootActive() && InSubtree(w_.Views().VirtualRoot(), Task))
            w_.Views().SetVirtualRoot(nullptr);
        w_.ToDo().RemoveSubtree(Task);
        w_.Undo().Navigation()->Clear();
    }

    void ShowMove(TTaskNode* Task, TTaskNode* Parent, int32_t Index) override;

    void ShowPlaces(TTaskPlace* Place) override
    {
        w_.PlacesListsStale = true;
        // A place that left the list is no longer shown in the panel.
        if (w_.State().CurrentPlace && w_.State().DataBase->PlacesList->FindByID(w_.State().CurrentPlace->PlaceID) != w_.State().CurrentPlace) {
            w_.Places().SetPlaceDirty(false);
            w_.Places().SetCurrentPlace(nullptr);
        }
        w_.pcMainPages->SetActivePage(w_.tshPlaces);
        w_.RefreshPlacesLists();
        if (!w_.Places().lvPlaces())
            return;
        if (QTreeWidgetItem* item = w_.Places().FindPlaceListItem(w_.Places().lvPlaces(), Place)) {
            w_.Places().lvPlaces()->setCurrentItem(item);
        } else {
            TUILock lock(w_.UILockCount);
            w_.Places().lvPlaces()->clearSelection();
        }
    }

private:
    TfrmTovrinMain& w_;
};

void TMainUndoView::ShowMove(TTaskNode* Task, TTaskNode* Parent, int32_t Index)
{
    (void)Index;  // the task's place among its siblings is read from the outline itself
    TTreeViewCheckBoxes* tree = w_.Views().tvTasksTree();
    const bool refilled = w_.Views().ResetTaskTreeView(false);
    QTreeWidgetItem* node = w_.TreeEditing().FindTaskNode(tree, Task);
    QTreeWidgetItem* parentNode = Parent->Parent ? w_.TreeEditing().FindTaskNode(tree, Parent) : nullptr;
    const bool parentFound = !Parent->Parent || parentNode;
    if (!parentFound && !refilled) {
        w_.Views().FillTaskTree();
        return;
    }
    if (!node || w_.Views().IsVirtualRootActive()) {
        w_.Views().FillTaskTree();
        return;
    }
    if (!refilled) {
        // The node goes before the node of the next sibling task that is shown, so hidden
        // completed tasks never shift it.
        QTreeWidgetItem* before = nullptr;
        for (int i = Task->IndexInParent() + 1; i < Parent->Children.Count() && !before; ++i) {
            QTreeWidgetItem* candidate = w_.TreeEditing().FindTaskNode(tree, Parent->Children[i]);
            if (candidate && candidate->parent() == parentNode)
                before = candidate;
        }
        TUILock fill(w_.Views().TreeFillCount());
        TUILock lock(w_.UILockCount);
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
            if (const TTaskNode* task = TTreeEditing::NodeTask(item))
                item->setExpanded(task->Expanded);
            for (int i = 0; i < item->childCount(); ++i)
                expand(item->child(i));
        };
        expand(node);
    }
    w_.Views().RefreshCheckMarks(node);
    for (QTreeWidgetItem* p = node->parent(); p; p = p->parent())
        p->setExpanded(true);
    {
        // The node is current again without the panel noticing a change of task.
        TUILock lock(w_.UILockCount);
        tree->clearSelection();
        tree->setCurrentItem(nullptr);
    }
    tree->setCurrentItem(node);
    tree->scrollToItem(node);
}

} // namespace

// ---- Building ----

void TfrmTovrinMain::BuildUndoAndNavigation()
{
    TUndoHost host{[this] { return TreeEditing().GetInPlaceEditor(); },
                   [this] { TreeEditing().EndInPlaceEditing(); },
                   [this] {
                       const bool dropped = tasks_->IsTaskDirty();
                       tasks_->SetTaskDirty(false);
                       return dropped;
                   },
                   [this] {
                       for (TTreeViewCheckBoxes* tree : {views_->tvTasksTree(), toDo_->tvToDo()})
                           views_->SyncTreeNode(TreeEditing().FindTaskNode(tree, state_.CurrentTask));
                       tasks_->ReloadCurrentTask();
                   },
                   [this](bool Value) { Document().SetModified(Value); },
                   [this](bool Force) { tasks_->ApplyTaskChange(false, Force); },
                   [this](TTaskNode* Task) {
                       tasks_->SetCurrentTask(Task);
                       SyncSelectionWithCurrentTask(pcMainPages->ActivePage());
                   }};
    undo_ = new TUndoNavigation(*this, state_, std::make_unique<TMainUndoView>(*this), std::move(host));

    // Ctrl+Del is shared with the place deletion and bound by the shared keys.
    actDeleteTask = new QAction(QStringLiteral("Delete task"), this);
    actDeleteTask->setObjectName(QStringLiteral("actDeleteTask"));
    addAction(actDeleteTask);
    connect(actDeleteTask, &QAction::triggered, this, [this] { RunGuarded([this] { actDeleteTaskExecute(); }); });
}

// Once the outline's pop-up menu is built.
void TfrmTovrinMain::ConnectUndoAndNavigation()
{
    TreeEditing().pmnuTaskTree()->addSeparator();
    TreeEditing().pmnuTaskTree()->addAction(actDeleteTask);
}

// ---- Deleting tasks ----

void TfrmTovrinMain::actDeleteTaskExecute()
{
    if (views_->CurrentViewName() != ViewAllTasks || pcMainPages->ActivePage() != tshOutline)
        return;
    DeleteSelectedTask(true);
}

void TfrmTovrinMain::DeleteSelectedTask(bool Undoable)
{
    QTreeWidgetItem* node = SelectedNode(views_->tvTasksTree());
    if (!node)
        node = views_->tvTasksTree()->currentItem();
    TTaskNode* task = TTreeEditing::NodeTask(node);
    if (!task)
        return;
    const bool pending = TreeEditing().NewTaskPending();
    if (pending)
        Undoable = false;  // a task whose caption was never confirmed goes for good
    TreeEditing().SetNewTaskPending(false);
    // A caption editor still open would write into the task once it is gone: a confirmed
    // task keeps what was typed, a never-confirmed one drops it.
    if (views_->tvTasksTree()->IsEditing())
        views_->tvTasksTree()->EndEdit(!pending);
    if (Undoable) {
        tasks_->UpdateCurrentTask();
        places_->UpdateCurrentPlace();
        Undo().UndoList()->Add(std::make_unique<TUndoDeleteTaskNode>(Undo().UndoView(), task));
    } else {
        Undo().UndoView().TaskDetached(task);
        state_.CurrentTask = nullptr;
        tasks_->SetTaskDirty(false);
        delete task;
    }

    QTreeWidgetItem* next = nullptr;
    if (!pending)
        next = SiblingOf(node, 1);
    if (!next)
        next = SiblingOf(node, -1);
    if (!next)
        next = node->parent();

    Document().SetModified(true);
    {
        TUILock lock(UILockCount);
        views_->tvTasksTree()->clearSelection();
        views_->tvTasksTree()->setCurrentItem(nullptr);
        delete node;
    }
    if (next)
        views_->tvTasksTree()->setCurrentItem(next);
    if (!SelectedNode(views_->tvTasksTree()))
        tasks_->SetCurrentTask(nullptr);
    Undo().Navigation()->Clear();
}

void TfrmTovrinMain::DragTaskNode(QTreeWidgetItem* Node, int32_t NewIndex, QTreeWidgetItem* TargetParentNode)
{
    TTaskNode* task = TTreeEditing::NodeTask(Node);
    TTaskNode* newParent = TargetParentNode ? TTreeEditing::NodeTask(TargetParentNode) : views_->VirtualRoot();
    if (!task || !newParent)
        return;
    // The node index counts shown nodes; the move needs the index among the parent's children.
    int32_t index = -1;
    if (NewIndex >= 0) {
        QTreeWidgetItem* beforeNode =
            TargetParentNode ? TargetParentNode->child(NewIndex) : views_->tvTasksTree()->topLevelItem(NewIndex);
        if (TTaskNode* before = TTreeEditing::NodeTask(beforeNode); before && before->Parent == newParent)
            index = before->IndexInParent();
    }
    tasks_->UpdateCurrentTask();
    Undo().UndoList()->Add(std::make_unique<TUndoDragTaskNode>(Undo().UndoView(), task, newParent, index));
    Document().SetModified(true);
    Undo().UpdateUndoRedoActions();
}

void TfrmTovrinMain::DeletePlaceUndoable(TTaskPlace* Place)
{
    if (!Place)
        return;
    places_->UpdateCurrentPlace();
    Undo().UndoList()->Add(std::make_unique<TUndoDeletePlace>(Undo().UndoView(), *state_.DataBase->PlacesList, Place));
    PlacesListsStale = true;
    Document().SetModified(true);
}
