// The To-Do page: the To-Do tree computed for the place and date of its filter panel
// (ToDoFilterPanel.h), the places list and places filter, keeping the trees' selection in step
// with the current task when the page changes, and the commands that depend on page and view.
#include "ui/mainwindow/TovrinMain.h"

#include "ui/exchange/ImportExport.h"
#include "ui/outline/SortFind.h"
#include "ui/outline/TaskCommands.h"
#include "ui/places/PlaceItemData.h"
#include "ui/todo/ToDoFilterPanel.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QToolButton>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "taskdb/Services.h"
#include "taskdb/TaskPlace.h"
#include "taskdb/TovrinDataBase.h"
#include "ui/outline/ClipboardLines.h"
#include "ui/controls/PageControl.h"
#include "ui/mainwindow/TovrinApplication.h"
#include "ui/controls/TreeViewCheckBoxes.h"
#include "ui/outline/TreeViewRules.h"
#include "ui/mainwindow/WindowServices.h"
#include "ui/places/PlacePanel.h"

// ---- Building ----

void TfrmTovrinMain::BuildToDoPage()
{
    TUILock lock(UILockCount);
    tvToDo->setSelectionMode(QAbstractItemView::ExtendedSelection);

    toDoFilter_ = new TToDoFilterPanel(*tshToDoList, state_, UILockCount);
    toDoFilter_->OnFilterChange = [this] { TodoFilterChange(); };
}

// ---- The To-Do list ----

void TfrmTovrinMain::RebuildToDoList()
{
    if (!ShowToDoSheet)
        return;
    DrawTime = Now();
    UpdateCurrentTask();
    places_->UpdateCurrentPlace();
    TTaskPlace* place = toDoFilter_->ToDoFilterPlace();
    const TDateTime date = toDoFilter_->IsToDoFilterPanelOpen() ? toDoFilter_->ToDoDate() : Now();
    DataBase->RebuildToDo(VirtualRoot, place, true, date);

    const auto cursor = HourGlass();
    tvToDo->setUpdatesEnabled(false);
    {
        TUILock lock(UILockCount);
        tvToDo->clear();
        for (TTaskNode* task : DataBase->ToDoList) {
            auto* node = new QTreeWidgetItem();
            node->setText(0, QString::fromStdString(task->Caption));
            SetNodeTask(node, task);
            TTreeViewCheckBoxes::SetChecked(node, task->CompletionDateTime != 0);
            tvToDo->addTopLevelItem(node);
        }
    }
    tvToDo->setUpdatesEnabled(true);
}

void TfrmTovrinMain::TodoFilterChange()
{
    if (UILockCount > 0)
        return;
    RebuildToDoList();
    SyncSelectionWithCurrentTask(tshToDoList);
}

void TfrmTovrinMain::ApplyTaskChange(bool Delay, bool Force)
{
    UpdateCurrentTask();
    if (pcMainPages->ActivePage() != tshToDoList || !(Force || toDoFilter_->IsAutoUpdate()))
        return;
    if (Delay)
        DelayMs(100);
    RebuildToDoList();
    SyncSelectionWithCurrentTask(tshToDoList);
}

bool TfrmTovrinMain::IsOutlinePlace(const TTaskPlace* Place) const
{
    return IsPlaceOfOutline(DataBase.get(), Place);
}

// ---- Places lists ----

void TfrmTovrinMain::RefreshPlacesLists()
{
    // A place that left the outline (a deletion, or its redo) is no longer shown in the panel;
    // it is still alive here, so its pending edits are written to it first.
    if (CurrentPlace && !IsOutlinePlace(CurrentPlace))
        places_->SetCurrentPlace(nullptr);
    if (!PlacesListsStale)
        return;
    places_->FillPlacesListView(places_->lvPlaces(), nullptr);
    toDoFilter_->FillPlacesFilter();
    PlacesListsStale = false;
}

// ---- Pages ----

void TfrmTovrinMain::pcMainPagesChange()
{
    if (UILockCount > 0)
        return;
    QWidget* page = pcMainPages->ActivePage();
    if (page == tshOutline) {
        {
            TUILock lock(UILockCount);
            tvTasksTree->setFocus();
        }
        SyncSelectionWithCurrentTask(tshOutline);
    } else if (page == tshToDoList) {
        RefreshPlacesLists();
        RebuildToDoList();
        {
            TUILock lock(UILockCount);
            tvToDo->setFocus();
        }
        SyncSelectionWithCurrentTask(tshToDoList);
    } else if (page == tshPlaces) {
        RefreshPlacesLists();
    }
    UpdateTreeActions();
}

void TfrmTovrinMain::SyncSelectionWithCurrentTask(QWidget* Page)
{
    TTreeViewCheckBoxes* tree = Page == tshOutline ? tvTasksTree : Page == tshToDoList ? tvToDo : nullptr;
    if (!tree)
        return;
    TUILock lock(UILockCount);
    QTreeWidgetItem* node = FindTaskNode(tree, CurrentTask);
    tree->clearSelection();
    if (node) {
        tree->setCurrentItem(node);
        SyncTreeNode(node);
        ShowPropertyPanel(ppTask);
        // The right side shows again, also after the place panel emptied and hid it.
        pnlRight->setVisible(true);
        return;
    }
    tree->setCurrentItem(nullptr, 0, QItemSelectionModel::NoUpdate);
    if (tree != tvToDo || !CurrentTask)
        return;
    // The current task has no entry of its own: its subtasks in the list stand for it.
    const auto cursor = HourGlass();
    tree->setUpdatesEnabled(false);
    QTreeWidgetItem* first = nullptr;
    for (int i = 0; i < tree->topLevelItemCount(); ++i) {
        QTreeWidgetItem* item = tree->topLevelItem(i);
        const TTaskNode* task = NodeTask(item);
        if (task && task->IsDescendantOf(CurrentTask)) {
            item->setSelected(true);
            if (!first)
                first = item;
        }
    }
    tree->setUpdatesEnabled(true);
    if (first)
        tree->scrollToItem(first);
    if (!DueDatePickerDropped)
        pcMainPages->setFocus();
}

void TfrmTovrinMain::UpdateTreeActions()
{
    const bool treeMode = CurrentViewName == ViewAllTasks && pcMainPages->ActivePage() == tshOutline;
    actNewTask->setEnabled(treeMode);
    actNewSubTask->setEnabled(treeMode);
    // Built by later steps of the constructor; a change handler may run before them.
    for (QAction* action : {exchange_ ? exchange_->actImport() : nullptr, exchange_ ? exchange_->actExport() : nullptr,
                            actDeleteTask, sortFind_ ? sortFind_->actSortSubtasks() : nullptr})
        if (action)
            action->setEnabled(treeMode);
    if (QAction* paste = taskCommands_ ? taskCommands_->actInsertTasksFromClipboard() : nullptr)
        paste->setEnabled(treeMode && !SplitClipboardLines(UiServices().GetClipboardText()).empty());
    if (actQuickOutlookConnect)
        actQuickOutlookConnect->setEnabled(!DataBase->OutlookFolderPath.empty());
}
