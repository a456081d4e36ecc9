// The current task on the right-hand panel: showing it, noticing edits, writing them back.
// The panel's caption memo and the tree's check marks are the edits written here; the other
// controls of the panel join them with the property panel's own code.
#include "ui/TovrinMain.h"

#include <QAction>
#include <QPlainTextEdit>

#include "taskdb/Services.h"
#include "taskdb/TovrinDataBase.h"
#include "ui/PageControl.h"
#include "ui/TreeViewCheckBoxes.h"
#include "ui/TreeViewRules.h"

void TfrmTovrinMain::SetCurrentTask(TTaskNode* Task)
{
    if (Task && Task == CurrentTask && !ForceReload)
        return;
    UpdateCurrentTask();
    UpdateCurrentPlace();
    if (pnlTaskProps->isHidden()) {
        pnlPlaceProps->hide();
        pnlTaskProps->show();
    }
    CurrentTask = Task;
    {
        TUILock lock(UILockCount);
        pnlRight->setVisible(Task != nullptr);
        memTaskCaption->setPlainText(Task ? QString::fromStdString(Task->Caption) : QString());
    }
    SetTaskDirty(false);
    UpdateUndoRedoActions();
}

void TfrmTovrinMain::ReloadCurrentTask()
{
    ForceReload = true;
    try {
        SetCurrentTask(CurrentTask);
    } catch (...) {
        ForceReload = false;
        throw;
    }
    ForceReload = false;
}

void TfrmTovrinMain::UpdateCurrentTask()
{
    if (!TaskDirty || !CurrentTask)
        return;
    TTaskNode* task = CurrentTask;
    task->Caption = memTaskCaption->toPlainText().toStdString();
    // Completion follows the mark that the tree's check boxes set.
    if (task->CompletedMark && task->CompletionDateTime == 0)
        task->SetCompletionDateTime(Now());
    else if (!task->CompletedMark && task->CompletionDateTime != 0)
        task->SetCompletionDateTime(0);
    task->SetModifiedDateTime(Now());
    SetTaskDirty(false);
    RepaintTaskTrees();
}

void TfrmTovrinMain::SetCurrentPlace(TTaskPlace* Place)
{
    if (Place && Place == CurrentPlace)
        return;
    UpdateCurrentTask();
    UpdateCurrentPlace();
    CurrentPlace = Place;
    if (Place) {
        pnlTaskProps->hide();
        pnlPlaceProps->show();
    }
    pnlRight->setVisible(Place != nullptr || CurrentTask != nullptr);
}

void TfrmTovrinMain::UpdateCurrentPlace()
{
    if (!PlaceDirty || !CurrentPlace)
        return;
    PlaceDirty = false;
}

void TfrmTovrinMain::SetTaskDirty(bool Value)
{
    TaskDirty = Value;
    if (Value)
        SetModified(true);
}

void TfrmTovrinMain::ApplyTaskChange(bool Delay, bool Force)
{
    UpdateCurrentTask();
    if (pcMainPages->ActivePage() == tshToDoList && (Force || DataBase->ToDoAutoUpdate)) {
        if (Delay)
            DelayMs(100);
        RebuildToDoList();
    }
}

void TfrmTovrinMain::memTaskCaptionChange()
{
    if (UILockCount > 0 || !CurrentTask)
        return;
    {
        // The tree nodes follow the caption while it is typed.
        TUILock lock(UILockCount);
        const QString text = memTaskCaption->toPlainText();
        if (QTreeWidgetItem* node = FindTaskNode(tvTasksTree, CurrentTask))
            node->setText(0, text);
        if (QTreeWidgetItem* node = FindTaskNode(tvToDo, CurrentTask))
            node->setText(0, text);
    }
    TaskNodeChange();
}

void TfrmTovrinMain::TaskNodeChange()
{
    if (UILockCount > 0)
        return;
    UpdateUndoRedoActions();
    SetTaskDirty(true);
}

void TfrmTovrinMain::ClearUndoHistory()
{
    UpdateUndoRedoActions();
}

void TfrmTovrinMain::UpdateUndoRedoActions()
{
    // No step has been recorded: both commands stay disabled.
    actUndo->setText(QStringLiteral("Can't undo"));
    actUndo->setEnabled(false);
    actRedo->setText(QStringLiteral("Redo"));
    actRedo->setEnabled(false);
}

void TfrmTovrinMain::UpdateTreeActions()
{
    const bool treeMode = CurrentViewName == ViewAllTasks && pcMainPages->ActivePage() == tshOutline;
    actNewTask->setEnabled(treeMode);
    actNewSubTask->setEnabled(treeMode);
}

void TfrmTovrinMain::RebuildToDoList()
{
    // The To-Do list is computed and shown by the To-Do page.
}

void TfrmTovrinMain::RefreshPlacesLists()
{
    // The places list and the places filter are filled by the Places page.
}
