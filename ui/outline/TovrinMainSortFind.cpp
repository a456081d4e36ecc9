// Sorting a task's subtasks and finding text in the outline or the places list.
#include "ui/mainwindow/TovrinMain.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDateEdit>
#include <QMouseEvent>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QTimer>
#include <QTreeWidgetItemIterator>

#include <functional>

#include "platform/StringList.h"
#include "taskdb/Services.h"
#include "taskdb/TovrinDataBase.h"
#include "ui/controls/PageControl.h"
#include "ui/outline/TaskFind.h"
#include "ui/outline/TaskSortKeys.h"
#include "ui/mainwindow/TovrinApplication.h"
#include "ui/controls/TreeViewCheckBoxes.h"
#include "ui/outline/TreeViewRules.h"
#include "ui/mainwindow/WindowServices.h"
#include "ui/outline/frmFindNext.h"
#include "ui/outline/frmSortSubtasksOptions.h"
#include "ui/places/PlacePanel.h"
#include "ui/taskpanel/TaskPanel.h"
#include "ui/todo/ToDoPage.h"

namespace {

// The view's order of a node's subtree.
TTaskViewNode ViewNodeOf(QTreeWidgetItem* node)
{
    TTaskViewNode view{TfrmTovrinMain::NodeTask(node), {}};
    for (int i = 0; i < node->childCount(); ++i)
        view.Children.push_back(ViewNodeOf(node->child(i)));
    return view;
}

// Puts the child nodes of node into the order of view, level by level as deep as view goes.
void ReorderNodes(QTreeWidgetItem* node, const TTaskViewNode& view)
{
    if (view.Children.empty())
        return;
    std::vector<QTreeWidgetItem*> ordered;
    QList<QTreeWidgetItem*> children = node->takeChildren();
    for (const TTaskViewNode& child : view.Children)
        for (qsizetype i = 0; i < children.size(); ++i)
            if (children[i] && TfrmTovrinMain::NodeTask(children[i]) == child.Task) {
                ordered.push_back(children[i]);
                children[i] = nullptr;
                break;
            }
    for (QTreeWidgetItem* child : ordered)
        node->addChild(child);
    for (QTreeWidgetItem* rest : children)  // nodes the view did not name stay at the end
        if (rest)
            node->addChild(rest);
    for (size_t i = 0; i < view.Children.size() && i < ordered.size(); ++i)
        ReorderNodes(ordered[i], view.Children[i]);
}

void RestoreExpanded(QTreeWidgetItem* node)
{
    if (TTaskNode* task = TfrmTovrinMain::NodeTask(node))
        node->setExpanded(task->Expanded);
    for (int i = 0; i < node->childCount(); ++i)
        RestoreExpanded(node->child(i));
}

} // namespace

void TfrmTovrinMain::actSortSubtasksExecute()
{
    if (CurrentViewName != ViewAllTasks)
        return;
    QTreeWidgetItem* node = SelectedNode(tvTasksTree);
    if (!NodeTask(node))
        return;
    tasks_->UpdateCurrentTask();
    places_->UpdateCurrentPlace();
    int32_t k1 = SortKey1, k2 = SortKey2, k3 = SortKey3, k4 = SortKey4;
    bool recursive = SortRecursive;
    if (!TfrmSortOptions::Execute(k1, k2, k3, k4, recursive))
        return;
    SortKey1 = k1;
    SortKey2 = k2;
    SortKey3 = k3;
    SortKey4 = k4;
    SortRecursive = recursive;
    SortSelectedSubtasks({SortKey1, SortKey2, SortKey3, SortKey4}, SortRecursive);
}

void TfrmTovrinMain::SortSelectedSubtasks(const std::array<int32_t, 4>& Keys, bool Recursive)
{
    QTreeWidgetItem* node = SelectedNode(tvTasksTree);
    TTaskNode* task = NodeTask(node);
    if (!task)
        return;
    // The order is worked out on the view first; the outline takes it over only when the view
    // names exactly the task's children (not so while completed tasks are hidden), and the
    // tree is reordered only after the outline has taken it, so both always agree.
    TTaskViewNode view = ViewNodeOf(node);
    SortTaskViewNode(view, Keys, Recursive);
    task->SortChildren(view, Recursive);
    {
        TUILock fillLock(TreeFillCount);
        TUILock lock(UILockCount);
        TUILock drawLock(DrawLockCount);
        tvTasksTree->setUpdatesEnabled(false);
        ReorderNodes(node, view);
        RestoreExpanded(node);
        tvTasksTree->setUpdatesEnabled(true);
    }
    tvTasksTree->setCurrentItem(node);
    tvTasksTree->viewport()->update();
    SetModified(true);
    Undo().ClearUndoHistory();
}

// ---- Find ----

void TfrmTovrinMain::actFindExecute()
{
    std::string text = FindText;
    bool inCaptions = FindInCaptions;
    bool inNotes = FindInNotes;
    if (!TfrmFindNexDlg::Execute(text, inCaptions, inNotes))
        return;
    FindText = text;
    FindInCaptions = inCaptions;
    FindInNotes = inNotes;
    DoFind(false);
}

void TfrmTovrinMain::actFindNextExecute()
{
    if (FindText.empty())
        actFindExecute();
    else
        DoFind(true);
}

void TfrmTovrinMain::DoFind(bool Next)
{
    QWidget* page = pcMainPages->ActivePage();
    if (page == tshOutline || page == tshToDoList)
        FindInTaskTree(Next);
    else if (page == tshPlaces)
        FindInPlacesList(Next);
}

void TfrmTovrinMain::FindInTaskTree(bool Next)
{
    TTreeViewCheckBoxes* tree = pcMainPages->ActivePage() == tshOutline ? tvTasksTree : toDo_->tvToDo();
    if (!SelectedNode(tree) && tree->topLevelItemCount() > 0)
        tree->setCurrentItem(tree->topLevelItem(0));
    QTreeWidgetItem* start = SelectedNode(tree);
    if (!start)
        start = tree->topLevelItem(0);
    if (!start) {
        Services().ShowInformation("Finished searching through the Task Tree");
        return;
    }
    QTreeWidgetItemIterator it(start);  // every node from here down, expanded or not
    if (Next)
        ++it;
    for (; *it; ++it)
        if (MatchTaskText(tree, *it))
            return;
    Services().ShowInformation("Finished searching through the Task Tree");
}

bool TfrmTovrinMain::MatchTaskText(TTreeViewCheckBoxes* Tree, QTreeWidgetItem* Node)
{
    TTaskNode* task = NodeTask(Node);
    if (!task)
        return false;
    const TFindMatch match = ::MatchTaskText(*task, FindText, FindInCaptions, FindInNotes);
    if (match == TFindMatch::None)
        return false;
    Tree->setCurrentItem(Node);
    Tree->scrollToItem(Node);
    if (match == TFindMatch::Caption)
        Tree->setFocus();
    else if (tasks_->TaskNotesEditor())
        tasks_->TaskNotesEditor()->setFocus();
    return true;
}

void TfrmTovrinMain::FindInPlacesList(bool Next)
{
    if (!places_->lvPlaces())
        return;
    std::vector<std::string> captions;
    for (int i = 0; i < places_->lvPlaces()->topLevelItemCount(); ++i)
        captions.push_back(places_->lvPlaces()->topLevelItem(i)->text(0).toStdString());
    int start = 0;
    if (QTreeWidgetItem* selected = SelectedNode(places_->lvPlaces()))
        start = places_->lvPlaces()->indexOfTopLevelItem(selected) + (Next ? 1 : 0);
    const int found = FindCaptionFrom(captions, start, FindText);
    if (found < 0) {
        Services().ShowInformation("Finished searching through the Places");
        return;
    }
    places_->lvPlaces()->setCurrentItem(places_->lvPlaces()->topLevelItem(found));
    places_->lvPlaces()->scrollToItem(places_->lvPlaces()->topLevelItem(found));
}

// ---- The To-Do list on the clipboard ----
