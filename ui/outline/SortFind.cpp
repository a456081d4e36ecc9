// Sorting a task's subtasks and finding text in the outline or the places list.
#include "ui/outline/SortFind.h"

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
#include "ui/outline/TaskItemData.h"
#include "ui/outline/TaskSortKeys.h"
#include "ui/mainwindow/TovrinApplication.h"
#include "ui/mainwindow/UILock.h"
#include "ui/controls/TreeViewCheckBoxes.h"
#include "ui/outline/TreeViewRules.h"
#include "ui/mainwindow/WindowServices.h"
#include "ui/outline/frmFindNext.h"
#include "ui/outline/frmSortSubtasksOptions.h"
#include "ui/mainwindow/WindowAction.h"

namespace {

// The view's order of a node's subtree.
TTaskViewNode ViewNodeOf(QTreeWidgetItem* node)
{
    TTaskViewNode view{ItemTask(node), {}};
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
            if (children[i] && ItemTask(children[i]) == child.Task) {
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
    if (TTaskNode* task = ItemTask(node))
        node->setExpanded(task->Expanded);
    for (int i = 0; i < node->childCount(); ++i)
        RestoreExpanded(node->child(i));
}

} // namespace

TSortFind::TSortFind(QWidget& Window, TTreeViewCheckBoxes& Tree, TTreeViewCheckBoxes& ToDoTree, int32_t& UILockCount,
                     int32_t& TreeFillCount, int32_t& DrawLockCount, IWindowServices& Services, TSortFindHost Host)
    : QObject(&Window), tree_(Tree), toDoTree_(ToDoTree), uiLockCount_(UILockCount), treeFillCount_(TreeFillCount),
      drawLockCount_(DrawLockCount), services_(Services), host_(std::move(Host))
{
    actSortSubtasks_ = MakeWindowAction(Window, *this, "actSortSubtasks",
                                        "Sort subtasks...", nullptr, &TSortFind::actSortSubtasksExecute);
    actFind_ = MakeWindowAction(Window, *this, "actFind", "Find...", "Ctrl+F", &TSortFind::actFindExecute);
    actFindNext_ = MakeWindowAction(Window, *this, "actFindNext", "Find next", "F3", &TSortFind::actFindNextExecute);
}

// ---- Sorting subtasks ----

void TSortFind::actSortSubtasksExecute()
{
    if (!host_.IsAllTasksView())
        return;
    QTreeWidgetItem* node = SelectedNode(&tree_);
    if (!ItemTask(node))
        return;
    host_.FlushEdits();
    int32_t k1 = SortKey1_, k2 = SortKey2_, k3 = SortKey3_, k4 = SortKey4_;
    bool recursive = SortRecursive_;
    if (!TfrmSortOptions::Execute(k1, k2, k3, k4, recursive))
        return;
    SortKey1_ = k1;
    SortKey2_ = k2;
    SortKey3_ = k3;
    SortKey4_ = k4;
    SortRecursive_ = recursive;
    SortSelectedSubtasks({SortKey1_, SortKey2_, SortKey3_, SortKey4_}, SortRecursive_);
}

void TSortFind::SortSelectedSubtasks(const std::array<int32_t, 4>& Keys, bool Recursive)
{
    QTreeWidgetItem* node = SelectedNode(&tree_);
    TTaskNode* task = ItemTask(node);
    if (!task)
        return;
    // The order is worked out on the view first; the outline takes it over only when the view
    // names exactly the task's children (not so while completed tasks are hidden), and the
    // tree is reordered only after the outline has taken it, so both always agree.
    TTaskViewNode view = ViewNodeOf(node);
    SortTaskViewNode(view, Keys, Recursive);
    task->SortChildren(view, Recursive);
    {
        TUILock fillLock(treeFillCount_);
        TUILock lock(uiLockCount_);
        TUILock drawLock(drawLockCount_);
        tree_.setUpdatesEnabled(false);
        ReorderNodes(node, view);
        RestoreExpanded(node);
        tree_.setUpdatesEnabled(true);
    }
    tree_.setCurrentItem(node);
    tree_.viewport()->update();
    host_.SetModified(true);
    host_.ClearUndoHistory();
}

// ---- Find ----

void TSortFind::actFindExecute()
{
    std::string text = FindText_;
    bool inCaptions = FindInCaptions_;
    bool inNotes = FindInNotes_;
    if (!TfrmFindNexDlg::Execute(text, inCaptions, inNotes))
        return;
    FindText_ = text;
    FindInCaptions_ = inCaptions;
    FindInNotes_ = inNotes;
    DoFind(false);
}

void TSortFind::actFindNextExecute()
{
    if (FindText_.empty())
        actFindExecute();
    else
        DoFind(true);
}

void TSortFind::DoFind(bool Next)
{
    if (host_.IsOutlinePage() || host_.IsToDoPage())
        FindInTaskTree(Next);
    else if (host_.IsPlacesPage())
        FindInPlacesList(Next);
}

void TSortFind::FindInTaskTree(bool Next)
{
    TTreeViewCheckBoxes* tree = host_.IsOutlinePage() ? &tree_ : &toDoTree_;
    if (!SelectedNode(tree) && tree->topLevelItemCount() > 0)
        tree->setCurrentItem(tree->topLevelItem(0));
    QTreeWidgetItem* start = SelectedNode(tree);
    if (!start)
        start = tree->topLevelItem(0);
    if (!start) {
        services_.ShowInformation("Finished searching through the Task Tree");
        return;
    }
    QTreeWidgetItemIterator it(start);  // every node from here down, expanded or not
    if (Next)
        ++it;
    for (; *it; ++it)
        if (MatchTaskText(tree, *it))
            return;
    services_.ShowInformation("Finished searching through the Task Tree");
}

bool TSortFind::MatchTaskText(TTreeViewCheckBoxes* Tree, QTreeWidgetItem* Node)
{
    TTaskNode* task = ItemTask(Node);
    if (!task)
        return false;
    const TFindMatch match = ::MatchTaskText(*task, FindText_, FindInCaptions_, FindInNotes_);
    if (match == TFindMatch::None)
        return false;
    Tree->setCurrentItem(Node);
    Tree->scrollToItem(Node);
    if (match == TFindMatch::Caption)
        Tree->setFocus();
    else
        host_.FocusTaskNotes();
    return true;
}

void TSortFind::FindInPlacesList(bool Next)
{
    TTreeViewCheckBoxes* places = host_.PlacesList();
    if (!places)
        return;
    std::vector<std::string> captions;
    for (int i = 0; i < places->topLevelItemCount(); ++i)
        captions.push_back(places->topLevelItem(i)->text(0).toStdString());
    int start = 0;
    if (QTreeWidgetItem* selected = SelectedNode(places))
        start = places->indexOfTopLevelItem(selected) + (Next ? 1 : 0);
    const int found = FindCaptionFrom(captions, start, FindText_);
    if (found < 0) {
        services_.ShowInformation("Finished searching through the Places");
        return;
    }
    places->setCurrentItem(places->topLevelItem(found));
    places->scrollToItem(places->topLevelItem(found));
}

