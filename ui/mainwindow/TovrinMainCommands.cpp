// Building the outline's parts that carry commands (sorting and finding, the task commands, the
// rows' drawing and drag) and the synchronisation's commands (sync/SyncCommands.h).
#include "ui/mainwindow/TovrinMain.h"

#include "ui/mainwindow/DocumentLifecycle.h"
#include "ui/outline/TreeEditing.h"
#include "ui/undo/UndoNavigation.h"

#include <QAction>
#include <QClipboard>
#include <QGuiApplication>
#include <QMenu>
#include <QTimer>

#include <functional>

#include "platform/StringList.h"
#include "taskdb/Services.h"
#include "taskdb/TovrinDataBase.h"
#include "ui/outline/TaskDragDrop.h"
#include "ui/outline/OutlineViews.h"
#include "ui/outline/SortFind.h"
#include "ui/outline/TaskCommands.h"
#include "ui/mainwindow/MainPages.h"
#include "ui/mainwindow/TovrinApplication.h"
#include "ui/controls/TreeViewCheckBoxes.h"
#include "ui/outline/TreeViewRules.h"
#include "ui/mainwindow/WindowServices.h"
#include "ui/taskpanel/TaskPanel.h"
#include "ui/desktop/DesktopIntegration.h"
#include "ui/todo/ToDoPage.h"
#include "ui/places/PlacePanel.h"
#include "ui/mainwindow/WindowAction.h"
#include "ui/sync/SyncCommands.h"

void TfrmTovrinMain::BuildTaskCommands()
{
    // Sorting and finding come first: their commands lead the window's task commands.
    TSortFindHost sortFindHost{[this] { return views_->CurrentViewName() == ViewAllTasks; },
                               [this] { FlushPanelEdits(); },
                               [this] { return pages_->OutlineShown(); },
                               [this] { return pages_->ToDoShown(); },
                               [this] { return pages_->PlacesShown(); },
                               [this] { return places_->lvPlaces(); },
                               [this] { tasks_->FocusNotes(); },
                               [this](bool Value) { document_->SetModified(Value); },
                               [this] { undo_->ClearUndoHistory(); }};
    sortFind_ = new TSortFind(*this, *views_->tvTasksTree(), *toDo_->tvToDo(), UILockCount, views_->TreeFillCount(), views_->DrawLockCount(), *services_,
                              std::move(sortFindHost));
    TTaskCommandsHost commandsHost{[this] { tasks_->UpdateCurrentTask(); },
                                   [this] { tasks_->ReloadCurrentTask(); },
                                   [this] { return tasks_->TaskPlacesText(); },
                                   [this] { undo_->ClearUndoHistory(); },
                                   [this](bool Value) { document_->SetModified(Value); },
                                   [this] { treeEditing_->actRefreshSubtreeExecute(); },
                                   [this](QTreeWidgetItem* Node) { views_->SyncTreeNode(Node); },
                                   [this] { treeEditing_->EndInPlaceEditing(); },
                                   [this] { return views_->VirtualRoot(); },
                                   [this](QTreeWidgetItem* Node) { views_->FillTaskTree(Node, false); },
                                   // The due date goes to the task the right side shows: never behind the
                                   // Places page, nor on the To-Do page while no task shows beside its row.
                                   [this](bool Force) {
                                       if (LeavePlacesPage() && !pnlRight->isHidden())
                                           tasks_->ShowDueDateEditor(Force);
                                   }};
    taskCommands_ = new TTaskCommands(*this, *views_->tvTasksTree(), state_, UILockCount, *services_, std::move(commandsHost));

    // The outline's pop-up menu: the two submenus, the due date and the sort before the virtual
    // root command.
    QAction* before = treeEditing_->actNewVirtualRoot();
    taskCommands_->AddToTreeMenu(*treeEditing_->pmnuTaskTree(), before);
    treeEditing_->pmnuTaskTree()->insertAction(before, sortFind_->actSortSubtasks());
    treeEditing_->pmnuTaskTree()->insertSeparator(before);

    // The paste command follows the clipboard, also when text is copied in another program.
    if (QClipboard* clipboard = QGuiApplication::clipboard())
        connect(clipboard, &QClipboard::dataChanged, this, [this] {
            RunGuarded([this] {
                if (state_.DataBase)
                    UpdateTreeActions();
            });
        });

    // The rows' drawing and the drag: the undoable move is the undo part's.
    TDragDropHost dragHost{[this] { return views_->CurrentViewName() == ViewAllTasks; },
                           [this](bool Force) { tasks_->ShowDueDateEditor(Force); },
                           [this] { tasks_->FocusNotes(); },
                           [this] { tasks_->UpdateCurrentTask(); },
                           [this](TTaskNode* Task, TTaskNode* NewParent, int32_t NewIndex) {
                               undo_->UndoList()->Add(
                                   std::make_unique<TUndoDragTaskNode>(undo_->UndoView(), Task, NewParent, NewIndex));
                               document_->SetModified(true);
                               undo_->UpdateUndoRedoActions();
                           }};
    dragDrop_ = new TTaskDragDrop(*this, *views_->tvTasksTree(), *toDo_->tvToDo(), UILockCount, views_->DrawLockCount(), DrawTime,
                                  std::move(dragHost));
}

// ---- Outlook ----

void TfrmTovrinMain::BuildSyncCommands()
{
    TSyncCommandsHost host;
    host.Untitled = [this] { return document_->Untitled(); };
    host.FileName = [this] { return document_->FileName(); };
    host.SaveDocument = [this] { return document_->SaveDocument(); };
    host.SetModified = [this](bool Value) { document_->SetModified(Value); };
    host.EndInPlaceEditing = [this] { treeEditing_->EndInPlaceEditing(); };
    host.ClearUndoHistory = [this] { undo_->ClearUndoHistory(); };
    host.ClearNavigation = [this] { undo_->Navigation()->Clear(); };
    host.SetCurrentTask = [this](TTaskNode* Task) { tasks_->SetCurrentTask(Task); };
    host.IsVirtualRootActive = [this] { return views_->IsVirtualRootActive(); };
    host.VirtualRoot = [this] { return views_->VirtualRoot(); };
    host.SetVirtualRoot = [this](TTaskNode* Task) { views_->SetVirtualRoot(Task); };
    host.LetGoOfVirtualRoot = [this] { views_->LetGoOfVirtualRoot(); };
    host.RefillTaskTree = [this] { views_->RefillTaskTree(); };
    host.ToDoPageShown = [this] { return pages_->ToDoShown(); };
    host.RebuildToDoList = [this] { toDo_->RebuildToDoList(); };
    host.StopAutoSave = [this] { desktop_->tmrAutoSaveTimer()->stop(); };
    host.RestartAutoSave = [this] { desktop_->SetAutoSaveMode(desktop_->AutoSaveMode()); };
    host.UpdateTreeActions = [this] { UpdateTreeActions(); };
    syncCommands_ = new TSyncCommands(*this, *views_->tvTasksTree(), *toDo_->tvToDo(), state_, UILockCount, *services_,
                                      std::move(host));
}
