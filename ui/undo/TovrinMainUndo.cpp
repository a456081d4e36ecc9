// Undo and redo (of the document and of typing), deleting tasks, and back and forward between
// visited tasks. The histories themselves are display-free (UndoList, Navigation); this file is
// the window's side of them.
#include "ui/mainwindow/TovrinMain.h"

#include <QAction>
#include <QApplication>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QTextEdit>
#include <QToolButton>

#include <functional>

#include "taskdb/TaskPlace.h"
#include "taskdb/TovrinDataBase.h"
#include "ui/controls/PageControl.h"
#include "ui/mainwindow/TovrinApplication.h"
#include "ui/controls/TreeViewCheckBoxes.h"
#include "ui/outline/TreeViewRules.h"
#include "ui/places/PlacePanel.h"

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

// Qt menus take "&" as a mnemonic mark.
QString MenuText(const std::string& text)
{
    return QString::fromStdString(text).replace(QLatin1Char('&'), QStringLiteral("&&"));
}

class TMainUndoView : public IUndoView {
public:
    explicit TMainUndoView(TfrmTovrinMain& window) : w_(window) {}

    void UndoListChanged() override { w_.UpdateUndoRedoActions(); }
    void RepaintTaskTrees() override { w_.RepaintTaskTrees(); }

    void ShowChangedTask(TTaskNode* Task) override
    {
        // Selected again in both trees, so that the panel shows the restored values.
        for (TTreeViewCheckBoxes* tree : {w_.tvTasksTree, w_.tvToDo}) {
            QTreeWidgetItem* node = w_.FindTaskNode(tree, Task);
            if (!node)
                continue;
            w_.SyncTreeNode(node);
            {
                TUILock lock(w_.UILockCount);
                tree->clearSelection();
                tree->setCurrentItem(nullptr);
            }
            tree->setCurrentItem(node);
        }
        if (w_.CurrentTask == Task)
            w_.ReloadCurrentTask();
    }

    void LeaveTask(TTaskNode* Task) override
    {
        QTreeWidgetItem* node = SelectedNode(w_.tvTasksTree);
        if (!node || TfrmTovrinMain::NodeTask(node) != Task)
            return;
        // Anywhere but inside the subtree that leaves.
        QTreeWidgetItem* next = node->parent();
        if (!next)
            next = SiblingOf(node, 1);
        if (!next)
            next = SiblingOf(node, -1);
        if (next) {
            w_.tvTasksTree->setCurrentItem(next);
        } else {
            {
                TUILock lock(w_.UILockCount);
                w_.tvTasksTree->clearSelection();
                w_.tvTasksTree->setCurrentItem(nullptr);
            }
            w_.SetCurrentTask(nullptr);
        }
    }

    void ShowSubtree(TTaskNode* Parent, TTaskNode* Task) override
    {
        const bool refilled = w_.ResetTaskTreeView(true);
        if (!refilled)
            w_.FillTaskTree(w_.FindTaskNode(w_.tvTasksTree, Parent), false);
        if (!Task)
            return;
        if (QTreeWidgetItem* node = w_.FindTaskNode(w_.tvTasksTree, Task)) {
            w_.tvTasksTree->scrollToItem(node);
            w_.tvTasksTree->setCurrentItem(node);
        }
    }

    void TaskDetached(TTaskNode* Task) override
    {
        // Nothing may keep referring to the subtree: the panel, the To-Do list and its tree,
        // the navigation history.
        if (InSubtree(w_.CurrentTask, Task)) {
            w_.TaskDirty = false;
            w_.SetCurrentTask(nullptr);
        }
        // A redone deletion may take the virtual root's ancestors along.
        if (w_.IsVirtualRootActive() && InSubtree(w_.VirtualRoot, Task))
            w_.SetVirtualRoot(nullptr);
        TTaskNodeList& todo = w_.DataBase->ToDoList;
        for (int i = todo.Count() - 1; i >= 0; --i)
            if (InSubtree(todo[i], Task))
                todo.Delete(i);
        {
            TUILock lock(w_.UILockCount);
            for (int i = w_.tvToDo->topLevelItemCount() - 1; i >= 0; --i)
                if (InSubtree(TfrmTovrinMain::NodeTask(w_.tvToDo->topLevelItem(i)), Task))
                    delete w_.tvToDo->takeTopLevelItem(i);
        }
        w_.Navigation->Clear();
    }

    void ShowMove(TTaskNode* Task, TTaskNode* Parent, int32_t Index) override;

    void ShowPlaces(TTaskPlace* Place) override
    {
        w_.PlacesListsStale = true;
        // A place that left the list is no longer shown in the panel.
        if (w_.CurrentPlace && w_.DataBase->PlacesList->FindByID(w_.CurrentPlace->PlaceID) != w_.CurrentPlace) {
            w_.Places().SetPlaceDirty(false);
            w_.Places().SetCurrentPlace(nullptr);
        }
        w_.pcMainPages->SetActivePage(w_.tshPlaces);
        w_.RefreshPlacesLists();
        if (!w_.Places().lvPlaces())
            return;
        if (QTreeWidgetItem* item = w_.FindPlaceListItem(w_.Places().lvPlaces(), Place)) {
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
    TTreeViewCheckBoxes* tree = w_.tvTasksTree;
    const bool refilled = w_.ResetTaskTreeView(false);
    QTreeWidgetItem* node = w_.FindTaskNode(tree, Task);
    QTreeWidgetItem* parentNode = Parent->Parent ? w_.FindTaskNode(tree, Parent) : nullptr;
    const bool parentFound = !Parent->Parent || parentNode;
    if (!parentFound && !refilled) {
        w_.FillTaskTree();
        return;
    }
    if (!node || w_.IsVirtualRootActive()) {
        w_.FillTaskTree();
        return;
    }
    if (!refilled) {
        // The node goes before the node of the next sibling task that is shown, so hidden
        // completed tasks never shift it.
        QTreeWidgetItem* before = nullptr;
        for (int i = Task->IndexInParent() + 1; i < Parent->Children.Count() && !before; ++i) {
            QTreeWidgetItem* candidate = w_.FindTaskNode(tree, Parent->Children[i]);
            if (candidate && candidate->parent() == parentNode)
                before = candidate;
        }
        TUILock fill(w_.TreeFillCount);
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
            if (const TTaskNode* task = TfrmTovrinMain::NodeTask(item))
                item->setExpanded(task->Expanded);
            for (int i = 0; i < item->childCount(); ++i)
                expand(item->child(i));
        };
        expand(node);
    }
    w_.RefreshCheckMarks(node);
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

class TMainNavigationView : public INavigationView {
public:
    explicit TMainNavigationView(TfrmTovrinMain& window) : w_(window) {}

    TTaskNode* NavigationCurrentTask() override { return w_.CurrentTask; }

    void NavigateToTask(TTaskNode* Task) override
    {
        w_.SetCurrentTask(Task);
        w_.SyncSelectionWithCurrentTask(w_.pcMainPages->ActivePage());
    }

    void UpdateNavigationButtons(bool BackEnabled, const std::string& BackHint, bool ForwardEnabled,
                                 const std::string& ForwardHint) override
    {
        if (!w_.sbBack)
            return;  // the buttons are not built yet
        w_.sbBack->setEnabled(BackEnabled);
        w_.sbBack->setToolTip(QString::fromStdString(BackHint));
        w_.sbForward->setEnabled(ForwardEnabled);
        w_.sbForward->setToolTip(QString::fromStdString(ForwardHint));
    }

private:
    TfrmTovrinMain& w_;
};

} // namespace

// ---- Building ----

void TfrmTovrinMain::BuildUndoAndNavigation()
{
    UndoView = std::make_unique<TMainUndoView>(*this);
    NavigationView = std::make_unique<TMainNavigationView>(*this);
    UndoList = std::make_unique<TUndoList>(UndoView.get());
    Navigation = std::make_unique<TNavigationManager>(NavigationView.get());

    auto make = [this](QAction*& action, const char* name, const QString& text, const QKeySequence& key,
                       void (TfrmTovrinMain::*handler)()) {
        action = new QAction(text, this);
        action->setObjectName(QString::fromLatin1(name));
        if (!key.isEmpty())
            action->setShortcut(key);
        addAction(action);
        connect(action, &QAction::triggered, this, [this, handler] { RunGuarded([this, handler] { (this->*handler)(); }); });
    };
    // Ctrl+Del is shared with the place deletion and bound by the shared keys.
    make(actDeleteTask, "actDeleteTask", QStringLiteral("Delete task"), {}, &TfrmTovrinMain::actDeleteTaskExecute);
    make(actBack, "actBack", QStringLiteral("Back"), QKeySequence(QStringLiteral("Alt+Left")),
         &TfrmTovrinMain::actBackExecute);
    make(actForward, "actForward", QStringLiteral("Forward"), QKeySequence(QStringLiteral("Alt+Right")),
         &TfrmTovrinMain::actForwardExecute);
}

// Once the actions and the panel's Back and Forward buttons are built.
void TfrmTovrinMain::ConnectUndoAndNavigation()
{
    connect(actUndo, &QAction::triggered, this, [this] { RunGuarded([this] { actUndoExecute(); }); });
    connect(actRedo, &QAction::triggered, this, [this] { RunGuarded([this] { actRedoExecute(); }); });
    connect(sbBack, &QToolButton::clicked, actBack, &QAction::trigger);
    connect(sbForward, &QToolButton::clicked, actForward, &QAction::trigger);
    pmnuTaskTree->addSeparator();
    pmnuTaskTree->addAction(actDeleteTask);
    Navigation->UpdateButtons();
}

// ---- Deleting tasks ----

void TfrmTovrinMain::actDeleteTaskExecute()
{
    if (CurrentViewName != ViewAllTasks || pcMainPages->ActivePage() != tshOutline)
        return;
    DeleteSelectedTask(true);
}

void TfrmTovrinMain::DeleteSelectedTask(bool Undoable)
{
    QTreeWidgetItem* node = SelectedNode(tvTasksTree);
    if (!node)
        node = tvTasksTree->currentItem();
    TTaskNode* task = NodeTask(node);
    if (!task)
        return;
    const bool pending = NewTaskPending;
    if (pending)
        Undoable = false;  // a task whose caption was never confirmed goes for good
    NewTaskPending = false;
    // A caption editor still open would write into the task once it is gone: a confirmed
    // task keeps what was typed, a never-confirmed one drops it.
    if (tvTasksTree->IsEditing())
        tvTasksTree->EndEdit(!pending);
    if (Undoable) {
        UpdateCurrentTask();
        places_->UpdateCurrentPlace();
        UndoList->Add(std::make_unique<TUndoDeleteTaskNode>(*UndoView, task));
    } else {
        UndoView->TaskDetached(task);
        CurrentTask = nullptr;
        TaskDirty = false;
        delete task;
    }

    QTreeWidgetItem* next = nullptr;
    if (!pending)
        next = SiblingOf(node, 1);
    if (!next)
        next = SiblingOf(node, -1);
    if (!next)
        next = node->parent();

    SetModified(true);
    {
        TUILock lock(UILockCount);
        tvTasksTree->clearSelection();
        tvTasksTree->setCurrentItem(nullptr);
        delete node;
    }
    if (next)
        tvTasksTree->setCurrentItem(next);
    if (!SelectedNode(tvTasksTree))
        SetCurrentTask(nullptr);
    Navigation->Clear();
}

void TfrmTovrinMain::CancelPendingNewTask()
{
    if (!NewTaskPending)
        return;
    DeleteSelectedTask(false);
    NewTaskPending = false;
}

void TfrmTovrinMain::DragTaskNode(QTreeWidgetItem* Node, int32_t NewIndex, QTreeWidgetItem* TargetParentNode)
{
    TTaskNode* task = NodeTask(Node);
    TTaskNode* newParent = TargetParentNode ? NodeTask(TargetParentNode) : VirtualRoot;
    if (!task || !newParent)
        return;
    // The node index counts shown nodes; the move needs the index among the parent's children.
    int32_t index = -1;
    if (NewIndex >= 0) {
        QTreeWidgetItem* beforeNode =
            TargetParentNode ? TargetParentNode->child(NewIndex) : tvTasksTree->topLevelItem(NewIndex);
        if (TTaskNode* before = NodeTask(beforeNode); before && before->Parent == newParent)
            index = before->IndexInParent();
    }
    UpdateCurrentTask();
    UndoList->Add(std::make_unique<TUndoDragTaskNode>(*UndoView, task, newParent, index));
    SetModified(true);
    UpdateUndoRedoActions();
}

void TfrmTovrinMain::DeletePlaceUndoable(TTaskPlace* Place)
{
    if (!Place)
        return;
    places_->UpdateCurrentPlace();
    UndoList->Add(std::make_unique<TUndoDeletePlace>(*UndoView, *DataBase->PlacesList, Place));
    PlacesListsStale = true;
    SetModified(true);
}

// ---- Undo and redo ----

void TfrmTovrinMain::ClearUndoHistory()
{
    UndoList->Clear();
    UpdateUndoRedoActions();
}

QWidget* TfrmTovrinMain::GetInPlaceEditor() const
{
    for (TTreeViewCheckBoxes* tree : {tvToDo, tvTasksTree}) {
        if (tree->IsEditing()) {
            QLineEdit* editor = tree->InPlaceEditor();
            return editor && editor->isVisible() ? editor : nullptr;
        }
    }
    if (places_->lvPlaces() && places_->lvPlaces()->IsEditing()) {
        QLineEdit* editor = places_->lvPlaces()->InPlaceEditor();
        return editor && editor->isVisible() ? editor : nullptr;
    }
    return nullptr;
}

namespace {

// Whether a text control has typing to undo or redo (Qt's editors keep more than one level).
bool HasTyping(QWidget* widget)
{
    if (auto* line = qobject_cast<QLineEdit*>(widget))
        return !line->isReadOnly() && (line->isUndoAvailable() || line->isRedoAvailable());
    if (auto* plain = qobject_cast<QPlainTextEdit*>(widget))
        return !plain->isReadOnly() &&
               (plain->document()->isUndoAvailable() || plain->document()->isRedoAvailable());
    if (auto* rich = qobject_cast<QTextEdit*>(widget))
        return !rich->isReadOnly() && (rich->document()->isUndoAvailable() || rich->document()->isRedoAvailable());
    return false;
}

void TypingUndo(QWidget* widget, bool redo)
{
    if (auto* line = qobject_cast<QLineEdit*>(widget))
        redo ? line->redo() : line->undo();
    else if (auto* plain = qobject_cast<QPlainTextEdit*>(widget))
        redo ? plain->redo() : plain->undo();
    else if (auto* rich = qobject_cast<QTextEdit*>(widget))
        redo ? rich->redo() : rich->undo();
}

} // namespace

bool TfrmTovrinMain::CheckTypingUndo()
{
    QWidget* editor = GetInPlaceEditor();
    if (!editor)
        editor = focusWidget();  // the window's focus, also while its menu is open
    if (!editor || !HasTyping(editor))
        return false;
    actUndo->setText(QStringLiteral("Undo typing"));
    actUndo->setEnabled(true);
    actRedo->setText(QStringLiteral("Redo typing"));
    actRedo->setEnabled(true);
    return true;
}

void TfrmTovrinMain::UpdateUndoRedoActions()
{
    if (!actUndo || !UndoList)
        return;  // still building the window
    if (CheckTypingUndo())
        return;
    actUndo->setText(QStringLiteral("Can't undo"));
    actUndo->setEnabled(false);
    actRedo->setText(QStringLiteral("Redo"));
    actRedo->setEnabled(false);
    const std::string undo = UndoList->GetUndoCaption();
    if (!undo.empty()) {
        actUndo->setText(QStringLiteral("Undo ") + MenuText(undo));
        actUndo->setEnabled(true);
    }
    const std::string redo = UndoList->GetRedoCaption();
    if (!redo.empty()) {
        actRedo->setText(QStringLiteral("Redo ") + MenuText(redo));
        actRedo->setEnabled(true);
    }
}

static void RunUndoOrRedo(TfrmTovrinMain* w, bool redo)
{
    if (w->CheckTypingUndo()) {
        QWidget* editor = w->GetInPlaceEditor();
        TypingUndo(editor ? editor : w->focusWidget(), redo);
        w->UpdateUndoRedoActions();
        return;
    }
    w->EndInPlaceEditing();
    // Pending panel edits are dropped, and the panel shows the task as it is.
    const bool dropped = w->TaskDirty;
    w->TaskDirty = false;
    TUndoAction* step = redo ? w->UndoList->Redo() : w->UndoList->Undo();
    if (dropped && w->CurrentTask) {
        for (TTreeViewCheckBoxes* tree : {w->tvTasksTree, w->tvToDo})
            w->SyncTreeNode(w->FindTaskNode(tree, w->CurrentTask));
        w->ReloadCurrentTask();
    }
    w->SetModified(true);
    w->ApplyTaskChange(false, dynamic_cast<TUndoDeleteTaskNode*>(step) != nullptr);
    w->UpdateUndoRedoActions();
}

void TfrmTovrinMain::actUndoExecute()
{
    RunUndoOrRedo(this, false);
}

void TfrmTovrinMain::actRedoExecute()
{
    RunUndoOrRedo(this, true);
}

// ---- Back and forward ----

void TfrmTovrinMain::actBackExecute()
{
    if (!sbBack->isEnabled())
        return;
    EndInPlaceEditing();
    Navigation->GoBack();
}

void TfrmTovrinMain::actForwardExecute()
{
    if (!sbForward->isEnabled())
        return;
    EndInPlaceEditing();
    Navigation->GoForward();
}
