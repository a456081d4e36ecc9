// Building the undo part and the outline's side of undo (OutlineUndo.h): the window's side of
// their hosts.
#include "ui/mainwindow/TovrinMain.h"

#include "ui/mainwindow/DocumentLifecycle.h"
#include "ui/outline/TreeEditing.h"
#include "ui/undo/UndoNavigation.h"


#include "taskdb/TovrinDataBase.h"
#include "ui/mainwindow/MainPages.h"
#include "ui/mainwindow/TovrinApplication.h"
#include "ui/controls/TreeViewCheckBoxes.h"
#include "ui/outline/OutlineViews.h"
#include "ui/outline/TreeViewRules.h"
#include "ui/places/PlacePanel.h"
#include "ui/taskpanel/TaskPanel.h"
#include "ui/todo/ToDoPage.h"
#include "ui/undo/OutlineUndo.h"

// ---- Building ----

bool TfrmTovrinMain::LeavePlacesPage()
{
    if (pages_->PlacesShown())
        pages_->ShowOutline();
    return !pages_->PlacesShown();
}

void TfrmTovrinMain::BuildUndoAndNavigation()
{
    TOutlineUndoHost outlineHost;
    outlineHost.UndoList = [this] { return undo_->UndoList(); };
    outlineHost.UpdateUndoRedoActions = [this] { undo_->UpdateUndoRedoActions(); };
    outlineHost.ClearNavigation = [this] { undo_->Navigation()->Clear(); };
    outlineHost.RepaintTaskTrees = [this] { treeEditing_->RepaintTaskTrees(); };
    outlineHost.SetModified = [this](bool Value) { document_->SetModified(Value); };
    outlineHost.SyncTreeNode = [this](QTreeWidgetItem* Node) { views_->SyncTreeNode(Node); };
    outlineHost.RefreshCheckMarks = [this](QTreeWidgetItem* Node) { views_->RefreshCheckMarks(Node); };
    outlineHost.ResetTaskTreeView = [this](bool KeepToDoPage) { return views_->ResetTaskTreeView(KeepToDoPage); };
    outlineHost.FillTaskTree = [this](QTreeWidgetItem* Node, bool KeepSelection) {
        views_->FillTaskTree(Node, KeepSelection);
    };
    outlineHost.IsVirtualRootActive = [this] { return views_->IsVirtualRootActive(); };
    outlineHost.VirtualRoot = [this] { return views_->VirtualRoot(); };
    outlineHost.SetVirtualRoot = [this](TTaskNode* Task) { views_->SetVirtualRoot(Task); };
    outlineHost.IsAllTasksView = [this] { return views_->CurrentViewName() == ViewAllTasks; };
    outlineHost.OutlinePageShown = [this] { return pages_->OutlineShown(); };
    outlineHost.TakeNewTaskPending = [this] {
        const bool pending = treeEditing_->NewTaskPending();
        treeEditing_->SetNewTaskPending(false);
        return pending;
    };
    outlineHost.FlushTaskEdits = [this] { tasks_->UpdateCurrentTask(); };
    outlineHost.ReloadTaskPanel = [this] { tasks_->ReloadCurrentTask(); };
    outlineHost.FollowTaskMove = [this] { tasks_->FollowTaskMove(); };
    outlineHost.SetCurrentTask = [this](TTaskNode* Task) { tasks_->SetCurrentTask(Task); };
    outlineHost.SetTaskDirty = [this](bool Value) { tasks_->SetTaskDirty(Value); };
    outlineHost.RemoveFromToDoList = [this](TTaskNode* Task) { toDo_->RemoveSubtree(Task); };
    outlineHost.FlushPlaceEdits = [this] { places_->UpdateCurrentPlace(); };
    outlineHost.PlacesChanged = [this] { emit places_->PlacesChanged(); };
    outlineHost.SetPlaceDirty = [this](bool Value) { places_->SetPlaceDirty(Value); };
    outlineHost.SetCurrentPlace = [this](TTaskPlace* Place) { places_->SetCurrentPlace(Place); };
    outlineHost.ShowPlacesPage = [this] { pages_->ShowPlaces(); };
    outlineHost.LeavePlacesPage = [this] { LeavePlacesPage(); };
    outlineHost.RefreshPlacesLists = [this] { places_->RefreshPlacesLists(); };
    outlineHost.SelectListedPlace = [this](TTaskPlace* Place) { places_->SelectListedPlace(Place); };
    outlineUndo_ = new TOutlineUndo(*this, *views_->tvTasksTree(), *toDo_->tvToDo(), state_, UILockCount,
                                    views_->TreeFillCount(), std::move(outlineHost));

    TUndoHost host{[this] { return treeEditing_->GetInPlaceEditor(); },
                   [this] { treeEditing_->EndInPlaceEditing(); },
                   [this] { tasks_->UpdateCurrentTask(); },
                   [this](bool Value) { document_->SetModified(Value); },
                   [this](bool Force) { tasks_->ApplyTaskChange(false, Force); },
                   [this](TTaskNode* Task) {
                       tasks_->SetCurrentTask(Task);
                       pages_->SyncSelectionWithCurrentTask();
                   },
                   [this] { return LeavePlacesPage(); }};
    undo_ = new TUndoNavigation(*this, state_, outlineUndo_->TakeUndoView(), std::move(host));
}
