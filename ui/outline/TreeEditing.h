#pragma once
// Editing in the outline tree and the To-Do tree: the keys, clicks, caption edits and check
// marks both trees share, new tasks and subtasks with their caption edit, the virtual root and
// refresh commands and the outline's pop-up menu. The trees are the other parts'; the rest of
// the window is asked through a narrow host.
#include <QObject>

#include <cstdint>
#include <functional>

class QAction;
class QKeyEvent;
class QMenu;
class QMouseEvent;
class QString;
class QTreeWidgetItem;
class QWidget;
class TTaskNode;
class TTreeViewCheckBoxes;
struct TWindowState;

// What editing in the trees asks of the rest of the window.
struct TTreeEditingHost {
    std::function<bool()> IsOutlinePage;
    // New tasks go into the outline only while it shows all tasks.
    std::function<bool()> IsAllTasksView;
    // The task whose children the outline shows at top level.
    std::function<TTaskNode*()> VirtualRoot;
    std::function<void(TTaskNode* Task)> SetVirtualRoot;
    // Refills the outline tree below Node (nullptr: all of it).
    std::function<void(QTreeWidgetItem* Node)> FillTaskTree;
    // Shows a row's caption and check mark as its task has them.
    std::function<void(QTreeWidgetItem* Node)> SyncTreeNode;
    // The task panel: the task it shows, the caption typed in a tree, and writing a check mark
    // back as one step.
    std::function<void(TTaskNode* Task)> SetCurrentTask;
    std::function<void(const QString& Text)> SetCaptionText;
    std::function<void(bool Value)> SetTaskDirty;
    std::function<void(bool Delay, bool Force)> ApplyTaskChange;
    std::function<void(bool Value)> SetModified;
    // Deletes the selected task for good, as no undoable step.
    std::function<void()> DeleteSelectedTask;
    std::function<void()> UpdateUndoRedoActions;
    // Due texts count from now again.
    std::function<void()> RestartDrawTime;
    std::function<bool()> OneClickEditMode;
    // Whether a point of Tree's rows is on a row's due-date or notes spot.
    std::function<bool(TTreeViewCheckBoxes* Tree, int X, int Y)> IsOverSpot;
    // The Places page's list, once built.
    std::function<TTreeViewCheckBoxes*()> PlacesList;
};

class TTreeEditing : public QObject {
    Q_OBJECT
public:
    // Hooks the keys, clicks and edits of Tree, the outline tree, and ToDoTree; the commands and
    // the pop-up menu come with BuildTreeCommands. The counts are the shell's locks.
    TTreeEditing(QWidget& Window, TTreeViewCheckBoxes& Tree, TTreeViewCheckBoxes& ToDoTree, TWindowState& State,
                 int32_t& UILockCount, int32_t& DrawLockCount, int32_t& TreeFillCount, TTreeEditingHost Host);

    // Makes the commands on the window and the outline's pop-up menu.
    void BuildTreeCommands();

    static TTaskNode* NodeTask(const QTreeWidgetItem* Node);
    static void SetNodeTask(QTreeWidgetItem* Node, const TTaskNode* Task);
    QTreeWidgetItem* FindTaskNode(TTreeViewCheckBoxes* Tree, const TTaskNode* Task) const;

    // A new task's caption is being typed for the first time.
    bool NewTaskPending() const { return newTaskPending_; }
    void SetNewTaskPending(bool Value) { newTaskPending_ = Value; }
    // Deletes a new task whose caption was never confirmed.
    void CancelPendingNewTask();
    void EndInPlaceEditing();
    // The open in-place caption editor, if any.
    QWidget* GetInPlaceEditor() const;
    void RepaintTaskTrees();
    void actRefreshSubtreeExecute();

    QAction* actNewTask() const { return actNewTask_; }
    QAction* actNewSubTask() const { return actNewSubTask_; }
    QAction* actRefreshSubtree() const { return actRefreshSubtree_; }
    QAction* actNewVirtualRoot() const { return actNewVirtualRoot_; }
    // Shares F5 with the refresh command; no behaviour of its own.
    QAction* actInsertDateTime() const { return actInsertDateTime_; }
    QMenu* pmnuTaskTree() const { return pmnuTaskTree_; }

private:
    void HookTree(TTreeViewCheckBoxes* Tree);
    void InsertNewTask(QTreeWidgetItem* ParentNode, QTreeWidgetItem* BeforeNode);
    void ProcessCheckUncheckInTree(TTreeViewCheckBoxes* Tree, QTreeWidgetItem* Node);
    void TreeCancelEdit();
    void StartCaptionEdit(TTreeViewCheckBoxes* Tree, QTreeWidgetItem* Node, int CaretIndex = -1);
    void actNewTaskExecute();
    void actNewSubTaskExecute();
    void actNewVirtualRootExecute();

    bool tvTasksTreeChanging(TTreeViewCheckBoxes* Tree, QTreeWidgetItem* Node);
    bool tvTasksTreeKeyDown(TTreeViewCheckBoxes* Tree, QKeyEvent* Event);
    bool tvTasksTreeMouseDown(TTreeViewCheckBoxes* Tree, QMouseEvent* Event);
    void tvTasksTreeMouseMove(TTreeViewCheckBoxes* Tree, QMouseEvent* Event);
    void tvTasksTreeEdited(QTreeWidgetItem* Node, const QString& Text);
    void tvTasksTreeEditedUnchanged();
    void tvTasksTreeItemChanged(TTreeViewCheckBoxes* Tree, QTreeWidgetItem* Node);
    void tvTasksTreeControlExpandedCollapsed(QTreeWidgetItem* Node, bool Expanded);

    QWidget& window_;
    TTreeViewCheckBoxes& tvTasksTree_;
    TTreeViewCheckBoxes& tvToDo_;
    TWindowState& state_;
    int32_t& uiLockCount_;
    int32_t& drawLockCount_;
    int32_t& treeFillCount_;
    TTreeEditingHost host_;
    bool newTaskPending_ = false;
    QAction* actNewTask_ = nullptr;
    QAction* actNewSubTask_ = nullptr;
    QAction* actRefreshSubtree_ = nullptr;
    QAction* actNewVirtualRoot_ = nullptr;
    QAction* actInsertDateTime_ = nullptr;
    QMenu* pmnuTaskTree_ = nullptr;
};
