#include "ui/outline/TreeEditing.h"

#include <QAction>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMenu>
#include <QMouseEvent>

#include "taskdb/Services.h"
#include "taskdb/TovrinDataBase.h"
#include "ui/controls/TreeViewCheckBoxes.h"
#include "ui/mainwindow/KeyFilters.h"
#include "ui/mainwindow/TovrinApplication.h"
#include "ui/mainwindow/UILock.h"
#include "ui/mainwindow/WindowAction.h"
#include "ui/mainwindow/WindowState.h"
#include "ui/outline/TaskItemData.h"

namespace {

QTreeWidgetItem* NextSibling(QTreeWidgetItem* node)
{
    if (QTreeWidgetItem* parent = node->parent())
        return parent->child(parent->indexOfChild(node) + 1);
    QTreeWidget* tree = node->treeWidget();
    return tree->topLevelItem(tree->indexOfTopLevelItem(node) + 1);
}

} // namespace

TTreeEditing::TTreeEditing(QWidget& Window, TTreeViewCheckBoxes& Tree, TTreeViewCheckBoxes& ToDoTree,
                           TWindowState& State, int32_t& UILockCount, int32_t& DrawLockCount,
                           int32_t& TreeFillCount, TTreeEditingHost Host)
    : QObject(&Window), window_(Window), tvTasksTree_(Tree), tvToDo_(ToDoTree), state_(State),
      uiLockCount_(UILockCount), drawLockCount_(DrawLockCount), treeFillCount_(TreeFillCount), host_(std::move(Host))
{
    HookTree(&tvTasksTree_);
    HookTree(&tvToDo_);
}

void TTreeEditing::BuildTreeCommands()
{
    actNewTask_ = MakeWindowAction(window_, *this, "actNewTask", "New task", nullptr, &TTreeEditing::actNewTaskExecute);
    actNewSubTask_ = MakeWindowAction(window_, *this, "actNewSubTask", "New subtask", "Alt+Ins",
                                      &TTreeEditing::actNewSubTaskExecute);
    actRefreshSubtree_ = MakeWindowAction(window_, *this, "actRefreshSubtree", "Refresh subtree", nullptr,
                                          &TTreeEditing::actRefreshSubtreeExecute);
    actNewVirtualRoot_ = MakeWindowAction(window_, *this, "actNewVirtualRoot", "Set as virtual root...", "Ctrl+R",
                                          &TTreeEditing::actNewVirtualRootExecute);
    actInsertDateTime_ = new QAction(QStringLiteral("Insert Date/Time"), &window_);  // no behaviour of its own
    actInsertDateTime_->setObjectName(QStringLiteral("actInsertDateTime"));

    pmnuTaskTree_ = new QMenu(&window_);
    pmnuTaskTree_->addAction(actNewTask_);
    pmnuTaskTree_->addAction(actNewSubTask_);
    pmnuTaskTree_->addSeparator();
    pmnuTaskTree_->addAction(actNewVirtualRoot_);
    pmnuTaskTree_->addSeparator();
    pmnuTaskTree_->addAction(actRefreshSubtree_);
    tvTasksTree_.setContextMenuPolicy(Qt::CustomContextMenu);
    connect(&tvTasksTree_, &QWidget::customContextMenuRequested, this,
            [this](const QPoint& pos) { pmnuTaskTree_->popup(tvTasksTree_.viewport()->mapToGlobal(pos)); });
}

TTaskNode* TTreeEditing::NodeTask(const QTreeWidgetItem* Node)
{
    return ItemTask(Node);
}

void TTreeEditing::SetNodeTask(QTreeWidgetItem* Node, const TTaskNode* Task)
{
    SetItemTask(Node, Task);
}

void TTreeEditing::HookTree(TTreeViewCheckBoxes* Tree)
{
    Tree->VetoSelectionModel()->SetOnChanging([this, Tree](const QModelIndex& index) {
        return tvTasksTreeChanging(Tree, Tree->itemFromIndex(index));
    });
    Tree->SetOnKeyDown([this, Tree](QKeyEvent* event) {
        bool consumed = false;
        RunGuarded([&] { consumed = tvTasksTreeKeyDown(Tree, event); });
        return consumed;
    });
    Tree->SetOnMouseDown([this, Tree](QMouseEvent* event) {
        bool consumed = false;
        RunGuarded([&] { consumed = tvTasksTreeMouseDown(Tree, event); });
        return consumed;
    });
    Tree->SetOnMouseMove([this, Tree](QMouseEvent* event) { tvTasksTreeMouseMove(Tree, event); });
    Tree->setMouseTracking(true);
    connect(Tree, &TTreeViewCheckBoxes::CancelEdit, this, [this] { RunGuardedWhenIdle([this] { TreeCancelEdit(); }); });
    connect(Tree, &TTreeViewCheckBoxes::Edited, this, [this](QTreeWidgetItem* node, const QString& text) {
        RunGuardedWhenIdle([&] { tvTasksTreeEdited(node, text); });
    });
    connect(Tree, &TTreeViewCheckBoxes::EditedUnchanged, this, [this] { tvTasksTreeEditedUnchanged(); });
    // Undo and Redo follow the typing in the caption editor.
    connect(Tree, &TTreeViewCheckBoxes::EditorChanged, this, [this] { host_.UpdateUndoRedoActions(); });
    connect(Tree, &QTreeWidget::itemChanged, this, [this, Tree](QTreeWidgetItem* node) {
        RunGuarded([&] { tvTasksTreeItemChanged(Tree, node); });
    });
    connect(Tree, &QTreeWidget::itemCollapsed, this,
            [this](QTreeWidgetItem* node) { tvTasksTreeControlExpandedCollapsed(node, false); });
    if (Tree == &tvTasksTree_)
        connect(Tree, &QTreeWidget::itemExpanded, this,
                [this](QTreeWidgetItem* node) { tvTasksTreeControlExpandedCollapsed(node, true); });
}

QTreeWidgetItem* TTreeEditing::FindTaskNode(TTreeViewCheckBoxes* Tree, const TTaskNode* Task) const
{
    return FindTaskItem(Tree, Task);
}

// ---- Virtual root ----

void TTreeEditing::actNewVirtualRootExecute()
{
    if (!host_.IsOutlinePage())
        return;
    QTreeWidgetItem* node = SelectedNode(&tvTasksTree_);
    TTaskNode* task = NodeTask(node);
    if (!task)
        return;
    if (ConfirmYesNo("Select \"" + node->text(0).toStdString() + "\" as new virtual root for task tree?"))
        host_.SetVirtualRoot(task);
}

// ---- New tasks ----

void TTreeEditing::InsertNewTask(QTreeWidgetItem* ParentNode, QTreeWidgetItem* BeforeNode)
{
    TTaskNode* parent = ParentNode ? NodeTask(ParentNode) : host_.VirtualRoot();
    if (!parent)
        return;
    // The task goes before the task of BeforeNode in the outline itself: with completed tasks
    // hidden, positions among the shown nodes are not positions among the children.
    TTaskNode* before = NodeTask(BeforeNode);
    const int32_t index = before && before->Parent == parent ? before->IndexInParent() : -1;
    TTaskNode* task = parent->AddChild("New Task", index);
    task->Places = parent->Places;

    QTreeWidgetItem* node = nullptr;
    {
        TUILock drawLock(drawLockCount_);
        TUILock lock(uiLockCount_);
        node = new QTreeWidgetItem();
        node->setText(0, QString::fromStdString(task->Caption));
        SetNodeTask(node, task);
        TTreeViewCheckBoxes::SetChecked(node, false);
        if (BeforeNode) {
            if (QTreeWidgetItem* p = BeforeNode->parent())
                p->insertChild(p->indexOfChild(BeforeNode), node);
            else
                tvTasksTree_.insertTopLevelItem(tvTasksTree_.indexOfTopLevelItem(BeforeNode), node);
        } else if (ParentNode) {
            ParentNode->addChild(node);
        } else {
            tvTasksTree_.addTopLevelItem(node);
        }
    }
    for (QTreeWidgetItem* p = node->parent(); p; p = p->parent())
        p->setExpanded(true);
    tvTasksTree_.scrollToItem(node);
    tvTasksTree_.setCurrentItem(node);
    StartCaptionEdit(&tvTasksTree_, node);
    newTaskPending_ = true;
}

void TTreeEditing::actNewTaskExecute()
{
    if (!host_.IsAllTasksView() || !host_.IsOutlinePage())
        return;
    EndInPlaceEditing();
    if (QTreeWidgetItem* selected = SelectedNode(&tvTasksTree_))
        InsertNewTask(selected->parent(), NextSibling(selected));
    else
        InsertNewTask(nullptr, nullptr);
}

void TTreeEditing::actNewSubTaskExecute()
{
    if (!host_.IsAllTasksView() || !host_.IsOutlinePage())
        return;
    EndInPlaceEditing();
    InsertNewTask(SelectedNode(&tvTasksTree_), nullptr);
}

void TTreeEditing::actRefreshSubtreeExecute()
{
    if (host_.IsOutlinePage())
        host_.FillTaskTree(SelectedNode(&tvTasksTree_));
}

void TTreeEditing::CancelPendingNewTask()
{
    if (!newTaskPending_)
        return;
    host_.DeleteSelectedTask();
    newTaskPending_ = false;
}

void TTreeEditing::TreeCancelEdit()
{
    if (newTaskPending_)
        CancelPendingNewTask();
    RepaintTaskTrees();
}

void TTreeEditing::StartCaptionEdit(TTreeViewCheckBoxes* Tree, QTreeWidgetItem* Node, int CaretIndex)
{
    Tree->StartEdit(Node);
    if (QLineEdit* editor = Tree->InPlaceEditor()) {
        editor->installEventFilter(new TEditorF2Filter(editor, [this] { EndInPlaceEditing(); }));
        if (CaretIndex >= 0) {
            editor->deselect();
            editor->setCursorPosition(CaretIndex);
        }
    }
    RepaintTaskTrees();
}

void TTreeEditing::EndInPlaceEditing()
{
    if (tvToDo_.IsEditing())
        tvToDo_.EndEdit(true);
    if (tvTasksTree_.IsEditing())
        tvTasksTree_.EndEdit(true);
    if (TTreeViewCheckBoxes* places = host_.PlacesList(); places && places->IsEditing())
        places->EndEdit(true);
}

QWidget* TTreeEditing::GetInPlaceEditor() const
{
    for (TTreeViewCheckBoxes* tree : {&tvToDo_, &tvTasksTree_}) {
        if (tree->IsEditing()) {
            QLineEdit* editor = tree->InPlaceEditor();
            return editor && editor->isVisible() ? editor : nullptr;
        }
    }
    if (TTreeViewCheckBoxes* places = host_.PlacesList(); places && places->IsEditing()) {
        QLineEdit* editor = places->InPlaceEditor();
        return editor && editor->isVisible() ? editor : nullptr;
    }
    return nullptr;
}

void TTreeEditing::RepaintTaskTrees()
{
    host_.RestartDrawTime();
    tvTasksTree_.viewport()->update();
    tvToDo_.viewport()->update();
}

// ---- Check marks ----

void TTreeEditing::ProcessCheckUncheckInTree(TTreeViewCheckBoxes* Tree, QTreeWidgetItem* Node)
{
    {
        TUILock lock(uiLockCount_);
        const bool checked = TTreeViewCheckBoxes::GetChecked(Node);
        TTaskNode* task = NodeTask(Node);
        if (task) {
            task->SetCompletedMark(checked);
            if (Tree != &tvTasksTree_)
                TTreeViewCheckBoxes::SetChecked(FindTaskNode(&tvTasksTree_, task), checked);
        }
    }
    RepaintTaskTrees();
}

// ---- Tree events ----

bool TTreeEditing::tvTasksTreeChanging(TTreeViewCheckBoxes* Tree, QTreeWidgetItem* Node)
{
    (void)Tree;
    if (uiLockCount_ > 0)
        return true;
    host_.SyncTreeNode(Node);
    try {
        host_.SetCurrentTask(NodeTask(Node));
        return true;
    } catch (...) {
        ShowCurrentExceptionWhenIdle(this, WhileOutlineStays(state_));
        return false;
    }
}

void TTreeEditing::tvTasksTreeItemChanged(TTreeViewCheckBoxes* Tree, QTreeWidgetItem* Node)
{
    if (uiLockCount_ > 0)
        return;
    TTaskNode* task = NodeTask(Node);
    if (!task || TTreeViewCheckBoxes::GetChecked(Node) == task->CompletedMark)
        return;  // not a check mark the user changed
    ProcessCheckUncheckInTree(Tree, Node);
    Tree->setCurrentItem(Node);
    host_.SetTaskDirty(true);
    host_.ApplyTaskChange(true, false);
}

bool TTreeEditing::tvTasksTreeKeyDown(TTreeViewCheckBoxes* Tree, QKeyEvent* Event)
{
    QTreeWidgetItem* node = SelectedNode(Tree);
    const int key = Event->key();
    if ((key == Qt::Key_Return || key == Qt::Key_Enter || key == Qt::Key_F2) && node && !Tree->IsEditing() &&
        NodeTask(node)) {
        if (Tree == &tvToDo_ && NodeTask(node) != state_.CurrentTask)
            host_.SetCurrentTask(NodeTask(node));
        StartCaptionEdit(Tree, node);
        return true;
    }
    if (key == Qt::Key_Space && node && !Tree->IsEditing() && Tree == &tvToDo_ && NodeTask(node) != state_.CurrentTask)
        host_.SetCurrentTask(NodeTask(node));
    return false;  // Space toggles the check box in the tree's own handling
}

bool TTreeEditing::tvTasksTreeMouseDown(TTreeViewCheckBoxes* Tree, QMouseEvent* Event)
{
    if (uiLockCount_ > 0 || Event->button() != Qt::LeftButton)
        return false;
    const QPoint pos = Event->position().toPoint();
    QTreeWidgetItem* node = Tree->itemAt(pos);
    if (!node || !NodeTask(node) || !Tree->LabelRect(node).contains(pos) || Tree->IsEditing())
        return false;
    // A click on the label selects it and, in one-click edit mode, starts editing at the
    // clicked character.
    Tree->setCurrentItem(node);
    if (Tree->currentItem() != node)
        return true;  // the selection change was refused
    if (host_.OneClickEditMode())
        StartCaptionEdit(Tree, node, Tree->CaretIndexAtPoint(node, pos));
    RepaintTaskTrees();
    return true;
}

void TTreeEditing::tvTasksTreeMouseMove(TTreeViewCheckBoxes* Tree, QMouseEvent* Event)
{
    const QPoint pos = Event->position().toPoint();
    QTreeWidgetItem* node = Tree->itemAt(pos);
    const bool overLabel = host_.OneClickEditMode() && node && NodeTask(node) && Tree->LabelRect(node).contains(pos);
    // The due-date and notes spots of a row come first.
    const bool overSpot = host_.IsOverSpot(Tree, pos.x(), pos.y());
    Tree->viewport()->setCursor(overSpot ? Qt::PointingHandCursor : overLabel ? Qt::IBeamCursor : Qt::ArrowCursor);
}

void TTreeEditing::tvTasksTreeEdited(QTreeWidgetItem* Node, const QString& Text)
{
    newTaskPending_ = false;
    TTaskNode* task = NodeTask(Node);
    if (task && task == state_.CurrentTask) {
        host_.SetCaptionText(Text);  // the panel writes it back
    } else if (task) {
        // The selection did not follow the edited node; the caption must not be lost.
        task->Caption = Text.toStdString();
        task->SetModifiedDateTime(Now());
        host_.SetModified(true);
    }
    RepaintTaskTrees();
}

void TTreeEditing::tvTasksTreeEditedUnchanged()
{
    // A caption left as it was writes nothing; only a new task kept as inserted is news to the file.
    if (newTaskPending_) {
        newTaskPending_ = false;
        host_.SetModified(true);
    }
}

void TTreeEditing::tvTasksTreeControlExpandedCollapsed(QTreeWidgetItem* Node, bool Expanded)
{
    if (treeFillCount_ > 0)
        return;
    if (TTaskNode* task = NodeTask(Node))
        task->SetExpanded(Expanded);
}
