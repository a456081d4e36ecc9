#pragma once
// The outline's side of undo: what an undone or redone step shows in the trees and the place
// list, deleting tasks (the Delete task command) and dragging tasks and deleting places as
// undoable steps. The histories are the undo part's (UndoNavigation.h); the rest of the window
// is asked through a narrow host.
#include <QObject>

#include <cstdint>
#include <functional>
#include <memory>

class IUndoView;
class QAction;
class QMenu;
class QTreeWidgetItem;
class QWidget;
class TTaskNode;
class TTaskPlace;
class TTreeViewCheckBoxes;
class TUndoList;
struct TWindowState;

// What the outline's side of undo asks of the rest of the window.
struct TOutlineUndoHost {
    // The undo history the steps go to.
    std::function<TUndoList*()> UndoList;
    std::function<void()> UpdateUndoRedoActions;
    std::function<void()> ClearNavigation;
    std::function<void()> RepaintTaskTrees;
    std::function<void(bool Value)> SetModified;
    // The outline's views: a row's caption and check mark as its task has them, check marks of
    // a moved row's parents, going back to the whole outline, refilling the tree below Node
    // (nullptr: all of it), the virtual root.
    std::function<void(QTreeWidgetItem* Node)> SyncTreeNode;
    std::function<void(QTreeWidgetItem* Node)> RefreshCheckMarks;
    std::function<bool(bool KeepToDoPage)> ResetTaskTreeView;
    std::function<void(QTreeWidgetItem* Node, bool KeepSelection)> FillTaskTree;
    std::function<bool()> IsVirtualRootActive;
    std::function<TTaskNode*()> VirtualRoot;
    std::function<void(TTaskNode* Task)> SetVirtualRoot;
    std::function<bool()> IsAllTasksView;
    std::function<bool()> OutlinePageShown;
    // Whether the selected task is a new one whose caption was never confirmed; clears that.
    std::function<bool()> TakeNewTaskPending;
    // The task panel: its pending edits written back, the current task shown again, shown
    // (nullptr: none), its pending edits dropped.
    std::function<void()> FlushTaskEdits;
    std::function<void()> ReloadTaskPanel;
    // The current task moved: the panel's path follows.
    std::function<void()> FollowTaskMove;
    std::function<void(TTaskNode* Task)> SetCurrentTask;
    std::function<void(bool Value)> SetTaskDirty;
    std::function<void(TTaskNode* Task)> RemoveFromToDoList;
    // The places: the panel's pending edits, the change every place list and panel follows,
    // the current place.
    std::function<void()> FlushPlaceEdits;
    std::function<void()> PlacesChanged;
    std::function<void(bool Value)> SetPlaceDirty;
    std::function<void(TTaskPlace* Place)> SetCurrentPlace;
    std::function<void()> ShowPlacesPage;
    // A changed task is shown where tasks are: the Outline page replaces the Places page.
    std::function<void()> LeavePlacesPage;
    std::function<void()> RefreshPlacesLists;
    // Selects Place in the Places page's list; nothing selected when it is not listed.
    std::function<void(TTaskPlace* Place)> SelectListedPlace;
};

class TOutlineUndo : public QObject {
    Q_OBJECT
public:
    // Makes the Delete task command on Window. Tree is the outline tree, ToDoTree the To-Do
    // list's; TreeFillCount is held while rows move.
    TOutlineUndo(QWidget& Window, TTreeViewCheckBoxes& Tree, TTreeViewCheckBoxes& ToDoTree, TWindowState& State,
                 int32_t& UILockCount, int32_t& TreeFillCount, TOutlineUndoHost Host);
    ~TOutlineUndo() override;

    // The view the undo history reports to; the history owns it (taken once).
    std::unique_ptr<IUndoView> TakeUndoView();
    // Puts the Delete task command at the end of the outline's pop-up menu.
    void AddToTreeMenu(QMenu& Menu);

    void DeleteSelectedTask(bool Undoable);
    // A dragged task dropped before the NewIndex-th node under TargetParentNode (nullptr: the
    // top level; NewIndex -1: as its last child): moved as an undoable step.
    void DragTaskNode(QTreeWidgetItem* Node, int32_t NewIndex, QTreeWidgetItem* TargetParentNode);
    // Deletes a place as an undoable step (the Places page's delete command).
    void DeletePlaceUndoable(TTaskPlace* Place);

    QAction* actDeleteTask() const { return actDeleteTask_; }

private:
    class TUndoView;
    void actDeleteTaskExecute();

    TTreeViewCheckBoxes& tvTasksTree_;
    TTreeViewCheckBoxes& tvToDo_;
    TWindowState& state_;
    int32_t& uiLockCount_;
    int32_t& treeFillCount_;
    TOutlineUndoHost host_;
    std::unique_ptr<TUndoView> ownView_;
    // The view, also once the history owns it.
    TUndoView* view_ = nullptr;
    QAction* actDeleteTask_ = nullptr;
};
