#include "ui/outline/TaskCommands.h"

#include <QAction>
#include <QMenu>
#include <QTreeWidgetItemIterator>

#include "platform/StringList.h"
#include "taskdb/Services.h"
#include "taskdb/TovrinDataBase.h"
#include "ui/controls/TreeViewCheckBoxes.h"
#include "ui/mainwindow/TovrinApplication.h"
#include "ui/mainwindow/UILock.h"
#include "ui/mainwindow/WindowServices.h"
#include "ui/mainwindow/WindowState.h"
#include "ui/outline/ClipboardLines.h"
#include "ui/outline/TaskItemData.h"
#include "ui/mainwindow/WindowAction.h"

TTaskCommands::TTaskCommands(QWidget& Window, TTreeViewCheckBoxes& Tree, TWindowState& State,
                             int32_t& UILockCount, IWindowServices& Services, TTaskCommandsHost Host)
    : QObject(&Window), tree_(Tree), state_(State), uiLockCount_(UILockCount),
      services_(Services), host_(std::move(Host))
{
    actAddToSubtasksPlaces_ = MakeWindowAction(Window, *this, "actAddToSubtasksPlaces",
                                               "Add places to all subtasks...", nullptr,
                                               &TTaskCommands::actAddToSubtasksPlacesExecute);
    actReplaceSubtasksPlaces_ = MakeWindowAction(Window, *this, "actReplaceSubtasksPlaces",
                                                 "Replaces places in all subtasks...", nullptr,
                                                 &TTaskCommands::actReplaceSubtasksPlacesExecute);
    actClearSubtasksPlaces_ = MakeWindowAction(Window, *this, "actClearSubtasksPlaces",
                                               "Clear places for task and subtasks...", nullptr,
                                               &TTaskCommands::actClearSubtasksPlacesExecute);
    actCompleteAllSubtasks_ = MakeWindowAction(Window, *this, "actCompleteAllSubtasks",
                                               "Complete task and all subtasks...", nullptr,
                                               &TTaskCommands::actCompleteAllSubtasksExecute);
    actUncompleteAllSubtasks_ = MakeWindowAction(Window, *this, "actUncompleteAllSubtasks",
                                                 "Uncomplete task and all subtasks...", nullptr,
                                                 &TTaskCommands::actUncompleteAllSubtasksExecute);
    actCollapseAllSubtasks_ = MakeWindowAction(Window, *this, "actCollapseAllSubtasks",
                                               "Collapse all subtasks", nullptr,
                                               &TTaskCommands::actCollapseAllSubtasksExecute);
    actExpandAllSubtasks_ = MakeWindowAction(Window, *this, "actExpandAllSubtasks", "Expand all subtasks", nullptr,
                                             &TTaskCommands::actExpandAllSubtasksExecute);
    actInsertTasksFromClipboard_ = MakeWindowAction(Window, *this, "actInsertTasksFromClipboard",
                                                    "Paste subtasks...", nullptr,
                                                    &TTaskCommands::actInsertTasksFromClipboardExecute);
    actShortCutForDueDate_ = MakeWindowAction(Window, *this, "actShortCutForDueDate", "Set due date...", "Ctrl+D",
                                              &TTaskCommands::actShortCutForDueDateExecute);

}

void TTaskCommands::AddToTreeMenu(QMenu& Menu, QAction* Before)
{
    auto* taskOperations = new QMenu(QStringLiteral("Task operations"), &Menu);
    taskOperations->addAction(actCompleteAllSubtasks_);
    taskOperations->addAction(actUncompleteAllSubtasks_);
    taskOperations->addSeparator();
    taskOperations->addAction(actCollapseAllSubtasks_);
    taskOperations->addAction(actExpandAllSubtasks_);
    taskOperations->addSeparator();
    taskOperations->addAction(actInsertTasksFromClipboard_);
    auto* taskPlaces = new QMenu(QStringLiteral("Task places"), &Menu);
    taskPlaces->addAction(actAddToSubtasksPlaces_);
    taskPlaces->addAction(actReplaceSubtasksPlaces_);
    taskPlaces->addSeparator();
    taskPlaces->addAction(actClearSubtasksPlaces_);
    Menu.insertMenu(Before, taskOperations);
    Menu.insertMenu(Before, taskPlaces);
    Menu.insertAction(Before, actShortCutForDueDate_);
}

// ---- Places and completion of a whole subtree ----

void TTaskCommands::actAddToSubtasksPlacesExecute()
{
    SpreadPlaces("This will add all the places of the current task (\"", "\") to all subtasks.",
                 &TTovrinDataBase::AddPlacesToSubtasks);
}

void TTaskCommands::actReplaceSubtasksPlacesExecute()
{
    SpreadPlaces("This will replace the places in all subtasks with the places of this task (\"", "\").",
                 &TTovrinDataBase::ReplaceSubtasksPlaces);
}

void TTaskCommands::SpreadPlaces(const char* Before, const char* After, void (TTovrinDataBase::*Spread)(TTaskNode*))
{
    if (!state_.CurrentTask)
        return;
    if (!ConfirmYesNo(Before + host_.TaskPlacesText() + After + " You could not undo this action. Continue?"))
        return;
    host_.FlushTaskEdits();
    (state_.DataBase.get()->*Spread)(state_.CurrentTask);
    host_.ClearUndoHistory();
    host_.SetModified(true);
}

void TTaskCommands::actClearSubtasksPlacesExecute()
{
    if (!state_.CurrentTask)
        return;
    if (!ConfirmYesNo("This will clear places in this task and all its subtasks. You could not undo this action. "
                      "Continue?"))
        return;
    // As the other subtree commands: pending panel edits go first, or the reload below would
    // write the panel's places back over the cleared task.
    host_.FlushTaskEdits();
    state_.DataBase->ClearSubtasksPlaces(state_.CurrentTask);
    host_.ReloadCurrentTask();
    host_.ClearUndoHistory();
    host_.SetModified(true);
}

void TTaskCommands::actCompleteAllSubtasksExecute()
{
    SetSubtreeCompleted(true);
}

void TTaskCommands::actUncompleteAllSubtasksExecute()
{
    SetSubtreeCompleted(false);
}

void TTaskCommands::SetSubtreeCompleted(bool Completed)
{
    if (!state_.CurrentTask ||
        !ConfirmYesNo(std::string("This will ") + (Completed ? "complete" : "uncomplete") +
                      " current task and all subtasks. You could not undo this action. Continue?"))
        return;
    // Pending panel edits go first, so that the write-back below cannot undo the change.
    host_.FlushTaskEdits();
    state_.DataBase->SetSubtasksCompleted(state_.CurrentTask, Completed);
    host_.ReloadCurrentTask();
    host_.RefreshSubtree();
    host_.SyncTreeNode(SelectedNode(&tree_));
    host_.ClearUndoHistory();
    host_.SetModified(true);
}

// ---- Expanding and collapsing ----

namespace {

void SetExpandedBelow(QTreeWidgetItem* node, bool expanded)
{
    node->setExpanded(expanded);
    for (int i = 0; i < node->childCount(); ++i)
        SetExpandedBelow(node->child(i), expanded);
}

} // namespace

void TTaskCommands::actCollapseAllSubtasksExecute()
{
    if (QTreeWidgetItem* node = SelectedNode(&tree_)) {
        tree_.setUpdatesEnabled(false);
        SetExpandedBelow(node, false);
        tree_.setUpdatesEnabled(true);
    }
}

void TTaskCommands::actExpandAllSubtasksExecute()
{
    if (QTreeWidgetItem* node = SelectedNode(&tree_)) {
        tree_.setUpdatesEnabled(false);
        SetExpandedBelow(node, true);
        tree_.setUpdatesEnabled(true);
    }
}

// ---- Pasting subtasks ----

int32_t TTaskCommands::ReadClipboardLines(TStringList* Lines)
{
    const std::vector<std::string> lines = SplitClipboardLines(UiServices().GetClipboardText());
    if (Lines) {
        Lines->Clear();
        for (const std::string& line : lines)
            Lines->Add(line);
    }
    return static_cast<int32_t>(lines.size());
}

void TTaskCommands::actInsertTasksFromClipboardExecute()
{
    host_.EndInPlaceEditing();
    QTreeWidgetItem* node = SelectedNode(&tree_);
    TTaskNode* parent = node ? ItemTask(node) : host_.VirtualRoot();
    if (!parent)
        return;
    TStringList lines;
    const int32_t count = ReadClipboardLines(&lines);
    if (count == 0) {
        services_.ShowInformation("No text found in clipboard");
        return;
    }
    if (!ConfirmYesNo("Create " + std::to_string(count) + " new subtask(s) from clipboard text?"))
        return;
    host_.FlushTaskEdits();
    for (const std::string& line : lines)
        parent->AddChild(line, -1);
    host_.ClearUndoHistory();
    host_.FillTaskTree(node);
    host_.SetModified(true);
}

// ---- The due-date shortcut ----

void TTaskCommands::actShortCutForDueDateExecute()
{
    host_.ShowDueDateEditor(true);
}
