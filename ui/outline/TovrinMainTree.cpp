// The outline tree in its three views, the virtual root, new tasks with in-place editing, check
// marks, and the keys and clicks shared by the outline tree and the To-Do tree.
#include "ui/mainwindow/TovrinMain.h"

#include "ui/todo/ToDoFilterPanel.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QFrame>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPixmap>
#include <QPlainTextEdit>
#include <QStyle>
#include <QToolButton>
#include <QTreeWidgetItemIterator>

#include "taskdb/Services.h"
#include "taskdb/TovrinDataBase.h"
#include "ui/mainwindow/KeyFilters.h"
#include "ui/controls/PageControl.h"
#include "ui/mainwindow/TovrinApplication.h"
#include "ui/controls/TreeViewCheckBoxes.h"
#include "ui/outline/TaskDragDrop.h"
#include "ui/outline/OutlineViews.h"
#include "ui/outline/TaskItemData.h"
#include "ui/outline/TreeViewRules.h"
#include "ui/options/WindowOptions.h"
#include "ui/places/PlacePanel.h"
#include "ui/taskpanel/TaskPanel.h"
#include "ui/todo/ToDoPage.h"

namespace {

QTreeWidgetItem* NextSibling(QTreeWidgetItem* node)
{
    if (QTreeWidgetItem* parent = node->parent())
        return parent->child(parent->indexOfChild(node) + 1);
    QTreeWidget* tree = node->treeWidget();
    return tree->topLevelItem(tree->indexOfTopLevelItem(node) + 1);
}


} // namespace

TTaskNode* TfrmTovrinMain::NodeTask(const QTreeWidgetItem* Node)
{
    return ItemTask(Node);
}

void TfrmTovrinMain::SetNodeTask(QTreeWidgetItem* Node, const TTaskNode* Task)
{
    SetItemTask(Node, Task);
}

void TfrmTovrinMain::HookTree(TTreeViewCheckBoxes* Tree)
{
    Tree->VetoSelectionModel()->OnChanging = [this, Tree](const QModelIndex& index) {
        return tvTasksTreeChanging(Tree, Tree->itemFromIndex(index));
    };
    Tree->OnKeyDown = [this, Tree](QKeyEvent* event) {
        bool consumed = false;
        RunGuarded([&] { consumed = tvTasksTreeKeyDown(Tree, event); });
        return consumed;
    };
    Tree->OnMouseDown = [this, Tree](QMouseEvent* event) {
        bool consumed = false;
        RunGuarded([&] { consumed = tvTasksTreeMouseDown(Tree, event); });
        return consumed;
    };
    Tree->OnMouseMove = [this, Tree](QMouseEvent* event) { tvTasksTreeMouseMove(Tree, event); };
    Tree->setMouseTracking(true);
    connect(Tree, &TTreeViewCheckBoxes::CancelEdit, this, [this] { RunGuarded([this] { TreeCancelEdit(); }); });
    connect(Tree, &TTreeViewCheckBoxes::Edited, this, [this](QTreeWidgetItem* node, const QString& text) {
        RunGuarded([&] { tvTasksTreeEdited(node, text); });
    });
    // Undo and Redo follow the typing in the caption editor. The window may be half destroyed
    // when a closing editor reports.
    QObject* self = this;
    connect(Tree, &TTreeViewCheckBoxes::EditorChanged, this, [self] {
        if (auto* window = qobject_cast<TfrmTovrinMain*>(self))
            window->Undo().UpdateUndoRedoActions();
    });
    connect(Tree, &QTreeWidget::itemChanged, this, [this, Tree](QTreeWidgetItem* node) {
        RunGuarded([&] { tvTasksTreeItemChanged(Tree, node); });
    });
    connect(Tree, &QTreeWidget::itemCollapsed, this,
            [this](QTreeWidgetItem* node) { tvTasksTreeControlExpandedCollapsed(node, false); });
    if (Tree == tvTasksTree)
        connect(Tree, &QTreeWidget::itemExpanded, this,
                [this](QTreeWidgetItem* node) { tvTasksTreeControlExpandedCollapsed(node, true); });
}

QTreeWidgetItem* TfrmTovrinMain::FindTaskNode(TTreeViewCheckBoxes* Tree, const TTaskNode* Task) const
{
    return FindTaskItem(Tree, Task);
}

// ---- Virtual root ----

void TfrmTovrinMain::actNewVirtualRootExecute()
{
    if (pcMainPages->ActivePage() != tshOutline)
        return;
    QTreeWidgetItem* node = SelectedNode(tvTasksTree);
    TTaskNode* task = NodeTask(node);
    if (!task)
        return;
    if (ConfirmYesNo("Select \"" + node->text(0).toStdString() + "\" as new virtual root for task tree?"))
        views_->SetVirtualRoot(task);
}

// ---- New tasks ----

void TfrmTovrinMain::InsertNewTask(QTreeWidgetItem* ParentNode, QTreeWidgetItem* BeforeNode)
{
    TTaskNode* parent = ParentNode ? NodeTask(ParentNode) : views_->VirtualRoot();
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
        TUILock drawLock(DrawLockCount);
        TUILock lock(UILockCount);
        node = new QTreeWidgetItem();
        node->setText(0, QString::fromStdString(task->Caption));
        SetNodeTask(node, task);
        TTreeViewCheckBoxes::SetChecked(node, false);
        if (BeforeNode) {
            if (QTreeWidgetItem* p = BeforeNode->parent())
                p->insertChild(p->indexOfChild(BeforeNode), node);
            else
                tvTasksTree->insertTopLevelItem(tvTasksTree->indexOfTopLevelItem(BeforeNode), node);
        } else if (ParentNode) {
            ParentNode->addChild(node);
        } else {
            tvTasksTree->addTopLevelItem(node);
        }
    }
    for (QTreeWidgetItem* p = node->parent(); p; p = p->parent())
        p->setExpanded(true);
    tvTasksTree->scrollToItem(node);
    tvTasksTree->setCurrentItem(node);
    StartCaptionEdit(tvTasksTree, node);
    NewTaskPending = true;
}

void TfrmTovrinMain::actNewTaskExecute()
{
    if (views_->CurrentViewName() != ViewAllTasks || pcMainPages->ActivePage() != tshOutline)
        return;
    EndInPlaceEditing();
    if (QTreeWidgetItem* selected = SelectedNode(tvTasksTree))
        InsertNewTask(selected->parent(), NextSibling(selected));
    else
        InsertNewTask(nullptr, nullptr);
}

void TfrmTovrinMain::actNewSubTaskExecute()
{
    if (views_->CurrentViewName() != ViewAllTasks || pcMainPages->ActivePage() != tshOutline)
        return;
    EndInPlaceEditing();
    InsertNewTask(SelectedNode(tvTasksTree), nullptr);
}

void TfrmTovrinMain::actRefreshSubtreeExecute()
{
    if (pcMainPages->ActivePage() == tshOutline)
        views_->FillTaskTree(SelectedNode(tvTasksTree), false);
}

void TfrmTovrinMain::TreeCancelEdit()
{
    if (NewTaskPending)
        CancelPendingNewTask();
    RepaintTaskTrees();
}

void TfrmTovrinMain::StartCaptionEdit(TTreeViewCheckBoxes* Tree, QTreeWidgetItem* Node, int CaretIndex)
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

void TfrmTovrinMain::EndInPlaceEditing()
{
    if (toDo_->tvToDo()->IsEditing())
        toDo_->tvToDo()->EndEdit(true);
    if (tvTasksTree->IsEditing())
        tvTasksTree->EndEdit(true);
    if (places_->lvPlaces() && places_->lvPlaces()->IsEditing())
        places_->lvPlaces()->EndEdit(true);
}

void TfrmTovrinMain::RepaintTaskTrees()
{
    DrawTime = Now();
    tvTasksTree->viewport()->update();
    toDo_->tvToDo()->viewport()->update();
}

// ---- Check marks ----

void TfrmTovrinMain::ProcessCheckUncheckInTree(TTreeViewCheckBoxes* Tree, QTreeWidgetItem* Node)
{
    {
        TUILock lock(UILockCount);
        const bool checked = TTreeViewCheckBoxes::GetChecked(Node);
        TTaskNode* task = NodeTask(Node);
        if (task) {
            task->SetCompletedMark(checked);
            if (Tree != tvTasksTree)
                TTreeViewCheckBoxes::SetChecked(FindTaskNode(tvTasksTree, task), checked);
        }
    }
    RepaintTaskTrees();
}

// ---- Tree events ----

bool TfrmTovrinMain::tvTasksTreeChanging(TTreeViewCheckBoxes* Tree, QTreeWidgetItem* Node)
{
    (void)Tree;
    if (UILockCount > 0)
        return true;
    views_->SyncTreeNode(Node);
    try {
        tasks_->SetCurrentTask(NodeTask(Node));
        return true;
    } catch (...) {
        ShowCurrentException();
        return false;
    }
}

void TfrmTovrinMain::tvTasksTreeItemChanged(TTreeViewCheckBoxes* Tree, QTreeWidgetItem* Node)
{
    if (UILockCount > 0)
        return;
    TTaskNode* task = NodeTask(Node);
    if (!task || TTreeViewCheckBoxes::GetChecked(Node) == task->CompletedMark)
        return;  // not a check mark the user changed
    ProcessCheckUncheckInTree(Tree, Node);
    Tree->setCurrentItem(Node);
    tasks_->SetTaskDirty(true);
    tasks_->ApplyTaskChange(true, false);
}

bool TfrmTovrinMain::tvTasksTreeKeyDown(TTreeViewCheckBoxes* Tree, QKeyEvent* Event)
{
    QTreeWidgetItem* node = SelectedNode(Tree);
    const int key = Event->key();
    if ((key == Qt::Key_Return || key == Qt::Key_Enter || key == Qt::Key_F2) && node && !Tree->IsEditing() &&
        NodeTask(node)) {
        if (Tree == toDo_->tvToDo() && NodeTask(node) != state_.CurrentTask)
            tasks_->SetCurrentTask(NodeTask(node));
        StartCaptionEdit(Tree, node);
        return true;
    }
    if (key == Qt::Key_Space && node && !Tree->IsEditing() && Tree == toDo_->tvToDo() && NodeTask(node) != state_.CurrentTask)
        tasks_->SetCurrentTask(NodeTask(node));
    return false;  // Space toggles the check box in the tree's own handling
}

bool TfrmTovrinMain::tvTasksTreeMouseDown(TTreeViewCheckBoxes* Tree, QMouseEvent* Event)
{
    if (UILockCount > 0 || Event->button() != Qt::LeftButton)
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
    if (Options().OneClickEditMode()) {
        const QRect label = Tree->LabelRect(node);
        const int margin = Tree->style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, Tree) + 1;
        const QString text = node->text(0);
        const QFontMetrics metrics(Tree->font());
        const int caret = CaretIndexAt(static_cast<int>(text.size()), pos.x() - label.left() - margin,
                                       [&](int k) { return metrics.horizontalAdvance(text.left(k)); });
        StartCaptionEdit(Tree, node, caret);
    }
    RepaintTaskTrees();
    return true;
}

void TfrmTovrinMain::tvTasksTreeMouseMove(TTreeViewCheckBoxes* Tree, QMouseEvent* Event)
{
    const QPoint pos = Event->position().toPoint();
    QTreeWidgetItem* node = Tree->itemAt(pos);
    const bool overLabel = Options().OneClickEditMode() && node && NodeTask(node) && Tree->LabelRect(node).contains(pos);
    // The due-date and notes spots of a row (TaskDragDrop.cpp) come first.
    const bool overSpot =
        dragDrop_->IsOverDueDate(Tree, pos.x(), pos.y()) || dragDrop_->IsOverNoteIcon(Tree, pos.x(), pos.y());
    Tree->viewport()->setCursor(overSpot ? Qt::PointingHandCursor : overLabel ? Qt::IBeamCursor : Qt::ArrowCursor);
}

void TfrmTovrinMain::tvTasksTreeEdited(QTreeWidgetItem* Node, const QString& Text)
{
    NewTaskPending = false;
    TTaskNode* task = NodeTask(Node);
    if (task && task == state_.CurrentTask) {
        tasks_->SetCaptionText(Text);  // the panel writes it back
    } else if (task) {
        // The selection did not follow the edited node; the caption must not be lost.
        task->Caption = Text.toStdString();
        task->SetModifiedDateTime(Now());
        SetModified(true);
    }
    RepaintTaskTrees();
}

void TfrmTovrinMain::tvTasksTreeControlExpandedCollapsed(QTreeWidgetItem* Node, bool Expanded)
{
    if (views_->TreeFillCount() > 0)
        return;
    if (TTaskNode* task = NodeTask(Node))
        task->SetExpanded(Expanded);
}
