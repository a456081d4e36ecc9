// The shell's side of the pages: switching between them, keeping the outline tree's selection
// in step with the current task (the To-Do page keeps its own, ToDoPage.h), and the commands that
// depend on page and view.
#include "ui/mainwindow/TovrinMain.h"

#include "ui/exchange/ImportExport.h"
#include "ui/outline/SortFind.h"
#include "ui/outline/TaskCommands.h"
#include "ui/places/PlaceItemData.h"
#include "ui/todo/ToDoFilterPanel.h"
#include "ui/todo/ToDoPage.h"
#include "ui/undo/OutlineUndo.h"
#include "ui/sync/SyncCommands.h"

#include <QAction>
#include <QTreeWidget>

#include "taskdb/TovrinDataBase.h"
#include "ui/outline/ClipboardLines.h"
#include "ui/controls/PageControl.h"
#include "ui/controls/TreeViewCheckBoxes.h"
#include "ui/outline/OutlineViews.h"
#include "ui/outline/TreeViewRules.h"
#include "ui/mainwindow/WindowServices.h"
#include "ui/places/PlacePanel.h"
#include "ui/taskpanel/TaskPanel.h"

// ---- Pages ----

void TfrmTovrinMain::pcMainPagesChange()
{
    if (UILockCount > 0)
        return;
    QWidget* page = pcMainPages->ActivePage();
    if (page == tshOutline) {
        {
            TUILock lock(UILockCount);
            views_->tvTasksTree()->setFocus();
        }
        SyncSelectionWithCurrentTask(tshOutline);
    } else if (page == tshToDoList) {
        places_->RefreshPlacesLists();
        toDo_->PageShown();
    } else if (page == tshPlaces) {
        places_->RefreshPlacesLists();
    }
    UpdateTreeActions();
}

void TfrmTovrinMain::SyncSelectionWithCurrentTask(QWidget* Page)
{
    if (Page == tshToDoList) {
        toDo_->SyncSelectionWithCurrentTask();
        return;
    }
    if (Page != tshOutline)
        return;
    TUILock lock(UILockCount);
    QTreeWidgetItem* node = treeEditing_->FindTaskNode(views_->tvTasksTree(), state_.CurrentTask);
    views_->tvTasksTree()->clearSelection();
    if (node) {
        views_->tvTasksTree()->setCurrentItem(node);
        views_->SyncTreeNode(node);
        ShowPropertyPanel(ppTask);
        // The right side shows again, also after the place panel emptied and hid it.
        pnlRight->setVisible(true);
        return;
    }
    views_->tvTasksTree()->setCurrentItem(nullptr, 0, QItemSelectionModel::NoUpdate);
}

void TfrmTovrinMain::UpdateTreeActions()
{
    const bool treeMode = views_->CurrentViewName() == ViewAllTasks && pcMainPages->ActivePage() == tshOutline;
    treeEditing_->actNewTask()->setEnabled(treeMode);
    treeEditing_->actNewSubTask()->setEnabled(treeMode);
    // Built by later steps of the constructor; a change handler may run before them.
    for (QAction* action : {exchange_ ? exchange_->actImport() : nullptr, exchange_ ? exchange_->actExport() : nullptr,
                            outlineUndo_ ? outlineUndo_->actDeleteTask() : nullptr, sortFind_ ? sortFind_->actSortSubtasks() : nullptr})
        if (action)
            action->setEnabled(treeMode);
    if (QAction* paste = taskCommands_ ? taskCommands_->actInsertTasksFromClipboard() : nullptr)
        paste->setEnabled(treeMode && !SplitClipboardLines(UiServices().GetClipboardText()).empty());
    if (syncCommands_)
        syncCommands_->actQuickOutlookConnect()->setEnabled(!state_.DataBase->OutlookFolderPath.empty());
}
