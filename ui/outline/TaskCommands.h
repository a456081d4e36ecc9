#pragma once
// Commands on a task's whole subtree: its places, completing or reopening it, expanding and
// collapsing it, pasting subtasks from the clipboard, and the due-date shortcut. The part owns the
// commands; the tree is the shell's, the rest of the window is asked through a narrow host.
#include <QObject>

#include <cstdint>
#include <functional>
#include <string>

class IWindowServices;
class QAction;
class QMenu;
class QTreeWidgetItem;
class QWidget;
class TStringList;
class TTaskNode;
class TTovrinDataBase;
class TTreeViewCheckBoxes;
struct TWindowState;

// What the task commands ask of the rest of the window.
struct TTaskCommandsHost {
    // Writes the task panel's pending edits back, so that they cannot undo a command's change.
    std::function<void()> FlushTaskEdits;
    // Shows the current task as it is again, in both trees and the panel.
    std::function<void()> ReloadCurrentTask;
    // The current task's places as the panel shows them.
    std::function<std::string()> TaskPlacesText;
    std::function<void()> ClearUndoHistory;
    std::function<void(bool Value)> SetModified;
    // Refills the selected task's subtree in the outline tree.
    std::function<void()> RefreshSubtree;
    // Shows a row's caption and check mark as its task has them.
    std::function<void(QTreeWidgetItem* Node)> SyncTreeNode;
    std::function<void()> EndInPlaceEditing;
    // The task whose children the outline shows at top level.
    std::function<TTaskNode*()> VirtualRoot;
    // Refills the tree below Node (nullptr: all of it).
    std::function<void(QTreeWidgetItem* Node)> FillTaskTree;
    // Opens the current task's due date (Force: also when it has none).
    std::function<void(bool Force)> ShowDueDateEditor;
};

class TTaskCommands : public QObject {
    Q_OBJECT
public:
    // Makes the commands on Window, in the order the window lists them. Tree is the outline tree.
    TTaskCommands(QWidget& Window, TTreeViewCheckBoxes& Tree, TWindowState& State, int32_t& UILockCount,
                  IWindowServices& Services, TTaskCommandsHost Host);

    // Puts the two submenus and the due-date shortcut into the outline's pop-up menu, before
    // Before.
    void AddToTreeMenu(QMenu& Menu, QAction* Before);
    // The clipboard's text as lines, into Lines when given; the count of lines.
    int32_t ReadClipboardLines(TStringList* Lines);
    void actInsertTasksFromClipboardExecute();

    QAction* actAddToSubtasksPlaces() const { return actAddToSubtasksPlaces_; }
    QAction* actReplaceSubtasksPlaces() const { return actReplaceSubtasksPlaces_; }
    QAction* actClearSubtasksPlaces() const { return actClearSubtasksPlaces_; }
    QAction* actCompleteAllSubtasks() const { return actCompleteAllSubtasks_; }
    QAction* actUncompleteAllSubtasks() const { return actUncompleteAllSubtasks_; }
    QAction* actCollapseAllSubtasks() const { return actCollapseAllSubtasks_; }
    QAction* actExpandAllSubtasks() const { return actExpandAllSubtasks_; }
    QAction* actInsertTasksFromClipboard() const { return actInsertTasksFromClipboard_; }
    QAction* actShortCutForDueDate() const { return actShortCutForDueDate_; }

private:
    void actAddToSubtasksPlacesExecute();
    void actReplaceSubtasksPlacesExecute();
    void actClearSubtasksPlacesExecute();
    void actCompleteAllSubtasksExecute();
    void actUncompleteAllSubtasksExecute();
    void actCollapseAllSubtasksExecute();
    void actExpandAllSubtasksExecute();
    void actShortCutForDueDateExecute();
    // Asks Before + the task's places + After, then spreads the places down the subtree.
    void SpreadPlaces(const char* Before, const char* After, void (TTovrinDataBase::*Spread)(TTaskNode*));
    void SetSubtreeCompleted(bool Completed);

    TTreeViewCheckBoxes& tree_;
    TWindowState& state_;
    int32_t& uiLockCount_;
    IWindowServices& services_;
    TTaskCommandsHost host_;
    QAction* actAddToSubtasksPlaces_ = nullptr;
    QAction* actReplaceSubtasksPlaces_ = nullptr;
    QAction* actClearSubtasksPlaces_ = nullptr;
    QAction* actCompleteAllSubtasks_ = nullptr;
    QAction* actUncompleteAllSubtasks_ = nullptr;
    QAction* actCollapseAllSubtasks_ = nullptr;
    QAction* actExpandAllSubtasks_ = nullptr;
    QAction* actInsertTasksFromClipboard_ = nullptr;
    QAction* actShortCutForDueDate_ = nullptr;
};
