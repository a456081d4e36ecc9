// The To-Do page: the To-Do tree computed for a place and a date, the filter panel with its
// auto-update switch, the places list and places filter, keeping the trees' selection in step
// with the current task when the page changes, and the commands that depend on page and view.
#include "ui/mainwindow/TovrinMain.h"

#include "ui/exchange/ImportExport.h"

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

#include <algorithm>

#include "taskdb/Services.h"
#include "taskdb/TaskPlace.h"
#include "taskdb/TovrinDataBase.h"
#include "ui/outline/ClipboardLines.h"
#include "ui/controls/PageControl.h"
#include "ui/mainwindow/TovrinApplication.h"
#include "ui/controls/TreeViewCheckBoxes.h"
#include "ui/outline/TreeViewRules.h"
#include "ui/mainwindow/WindowServices.h"

namespace {

// Place list items and filter items carry their place in this role.
constexpr int PlaceRole = Qt::UserRole + 2;

// The To-Do date of the filter panel means the end of that day.
constexpr TDateTime EndOfDay = 0.999988999;

QVariant PlaceData(const TTaskPlace* place)
{
    return QVariant::fromValue(reinterpret_cast<quintptr>(place));
}

TTaskPlace* PlaceOfData(const QVariant& data)
{
    return reinterpret_cast<TTaskPlace*>(data.value<quintptr>());
}

} // namespace

// ---- Building ----

void TfrmTovrinMain::BuildToDoPage()
{
    TUILock lock(UILockCount);
    tvToDo->setSelectionMode(QAbstractItemView::ExtendedSelection);

    pnlTodoFilter = new QFrame(tshToDoList);
    pnlTodoFilter->setObjectName(QStringLiteral("pnlTodoFilter"));
    auto* rows = new QVBoxLayout(pnlTodoFilter);
    rows->setContentsMargins(0, 0, 0, 0);
    rows->setSpacing(2);
    auto* placeRow = new QHBoxLayout();
    sbToDoFilter = new QToolButton(pnlTodoFilter);
    sbToDoFilter->setText(QStringLiteral("Filter"));
    sbToDoFilter->setCheckable(true);
    sbToDoFilter->setAutoRaise(true);
    lbPlacesFilter = new QLabel(QStringLiteral("Place:"), pnlTodoFilter);
    cbPlaces = new QComboBox(pnlTodoFilter);
    cbPlaces->setObjectName(QStringLiteral("cbPlaces"));
    lbPlacesFilter->setBuddy(cbPlaces);
    btnToDoUpdateNow = new QPushButton(QStringLiteral("Update ToDo"), pnlTodoFilter);
    placeRow->addWidget(sbToDoFilter);
    placeRow->addWidget(lbPlacesFilter);
    // The list takes the room the button leaves when it hides.
    placeRow->addWidget(cbPlaces, 1);
    placeRow->addWidget(btnToDoUpdateNow);
    placeRow->addStretch();  // with the places hidden the button stays at the left
    auto* dateRow = new QHBoxLayout();
    dtToDoDate = new QDateEdit(pnlTodoFilter);
    dtToDoDate->setCalendarPopup(true);
    cbToDoAutoUpdate = new QCheckBox(QStringLiteral("Auto update"), pnlTodoFilter);
    dateRow->addWidget(dtToDoDate);
    dateRow->addWidget(cbToDoAutoUpdate);
    dateRow->addStretch(1);
    rows->addLayout(placeRow);
    rows->addLayout(dateRow);
    static_cast<QVBoxLayout*>(tshToDoList->layout())->insertWidget(0, pnlTodoFilter);
    ToDoFilterOpenHeight = std::max(pnlTodoFilter->sizeHint().height(), ToDoFilterClosedHeight + 24);

    connect(cbPlaces, &QComboBox::currentIndexChanged, this, [this] { RunGuarded([this] { TodoFilterChange(); }); });
    connect(dtToDoDate, &QDateEdit::dateChanged, this, [this] { RunGuarded([this] { TodoFilterChange(); }); });
    connect(btnToDoUpdateNow, &QPushButton::clicked, this, [this] { RunGuarded([this] { TodoFilterChange(); }); });
    connect(sbToDoFilter, &QToolButton::clicked, this, [this] { RunGuarded([this] { sbToDoFilterClick(); }); });
    connect(cbToDoAutoUpdate, &QCheckBox::toggled, this, [this] { RunGuarded([this] { cbToDoAutoUpdateClick(); }); });

    // Closed panel, the date today, auto-update on.
    int year = 0, month = 0, day = 0;
    DecodeDate(Now(), year, month, day);
    dtToDoDate->setDate(QDate(year, month, day));
    pnlTodoFilter->setFixedHeight(ToDoFilterClosedHeight);
    sbToDoFilter->setChecked(false);
    dtToDoDate->setVisible(false);
    cbToDoAutoUpdate->setVisible(false);
    cbToDoAutoUpdate->setChecked(true);
    btnToDoUpdateNow->setVisible(false);
    cbPlaces->addItem(QStringLiteral("<all places>"), PlaceData(nullptr));
    cbPlaces->setCurrentIndex(0);
}

// ---- The To-Do list ----

void TfrmTovrinMain::RebuildToDoList()
{
    if (!ShowToDoSheet)
        return;
    DrawTime = Now();
    UpdateCurrentTask();
    UpdateCurrentPlace();
    TTaskPlace* place = ToDoFilterPlace();
    TDateTime date = Now();
    if (IsToDoFilterPanelOpen()) {
        const QDate day = dtToDoDate->date();
        date = EncodeDate(day.year(), day.month(), day.day()) + EndOfDay;
    }
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
    if (pcMainPages->ActivePage() != tshToDoList || !(Force || cbToDoAutoUpdate->isChecked()))
        return;
    if (Delay)
        DelayMs(100);
    RebuildToDoList();
    SyncSelectionWithCurrentTask(tshToDoList);
}

// ---- The filter panel ----

void TfrmTovrinMain::ShowToDoFilterPanel(bool Open)
{
    {
        TUILock lock(UILockCount);
        pnlTodoFilter->setFixedHeight(Open ? ToDoFilterOpenHeight : ToDoFilterClosedHeight);
        sbToDoFilter->setChecked(Open);
        cbToDoAutoUpdate->setVisible(Open);
        dtToDoDate->setVisible(Open);
    }
    TodoFilterChange();
}

bool TfrmTovrinMain::IsToDoFilterPanelOpen() const
{
    // The fixed height, not the laid-out one: the panel may not have been shown yet.
    return pnlTodoFilter->maximumHeight() > ToDoFilterClosedHeight;
}

void TfrmTovrinMain::sbToDoFilterClick()
{
    if (UILockCount == 0)
        ShowToDoFilterPanel(sbToDoFilter->isChecked());
}

void TfrmTovrinMain::cbToDoAutoUpdateClick()
{
    btnToDoUpdateNow->setVisible(!cbToDoAutoUpdate->isChecked());
    if (UILockCount == 0 && cbToDoAutoUpdate->isChecked())
        TodoFilterChange();
}

TTaskPlace* TfrmTovrinMain::ToDoFilterPlace() const
{
    if (cbPlaces->currentIndex() < 1)
        return nullptr;
    TTaskPlace* place = PlaceOfData(cbPlaces->currentData());
    // A place deleted since the filter was filled filters nothing.
    return IsOutlinePlace(place) ? place : nullptr;
}

bool TfrmTovrinMain::IsOutlinePlace(const TTaskPlace* Place) const
{
    if (!Place || !DataBase || !DataBase->PlacesList)
        return false;
    for (const auto& place : *DataBase->PlacesList)
        if (place.get() == Place)
            return true;
    return false;
}

void TfrmTovrinMain::StoreToDoFilter()
{
    DataBase->SetToDoAutoUpdate(cbToDoAutoUpdate->isChecked());
    const TTaskPlace* place = ToDoFilterPlace();
    DataBase->SetToDoPlaceFilterID(place ? place->PlaceID : -10);
}

void TfrmTovrinMain::RestoreToDoFilter()
{
    TUILock lock(UILockCount);
    cbToDoAutoUpdate->setChecked(DataBase->ToDoAutoUpdate);
    if (TTaskPlace* place = DataBase->PlacesList->FindByID(DataBase->ToDoPlaceFilterID)) {
        const int index = cbPlaces->findData(PlaceData(place));
        if (index >= 1)
            cbPlaces->setCurrentIndex(index);
    }
}

// ---- Places lists ----

TTaskPlace* TfrmTovrinMain::ItemPlace(const QTreeWidgetItem* Item)
{
    return Item ? PlaceOfData(Item->data(0, PlaceRole)) : nullptr;
}

void TfrmTovrinMain::SetItemPlace(QTreeWidgetItem* Item, const TTaskPlace* Place)
{
    Item->setData(0, PlaceRole, PlaceData(Place));
}

void TfrmTovrinMain::FillPlacesListView(QTreeWidget* ListView, TTaskPlace* Place)
{
    TUILock lock(UILockCount);
    ListView->setUpdatesEnabled(false);
    ListView->clear();
    for (const auto& entry : *DataBase->PlacesList) {
        TTaskPlace* place = entry.get();
        if (place == Place)
            continue;
        auto* item = new QTreeWidgetItem();
        item->setText(0, QString::fromStdString(place->Caption));
        SetItemPlace(item, place);
        if (Place) {
            const bool included = std::find(Place->IncludedPlaces.begin(), Place->IncludedPlaces.end(),
                                            place->PlaceID) != Place->IncludedPlaces.end();
            item->setCheckState(0, included ? Qt::Checked : Qt::Unchecked);
        }
        ListView->addTopLevelItem(item);
    }
    ListView->setUpdatesEnabled(true);
}

void TfrmTovrinMain::FillPlacesFilter(QComboBox* Combo)
{
    TUILock lock(UILockCount);
    Combo->setUpdatesEnabled(false);
    // Only the address is kept: the place may be gone already.
    const bool hadPlace = Combo->currentIndex() >= 1;
    const TTaskPlace* remembered = hadPlace ? PlaceOfData(Combo->currentData()) : nullptr;
    Combo->clear();
    Combo->addItem(QStringLiteral("<all places>"), PlaceData(nullptr));
    int select = hadPlace ? -1 : 0;
    for (const auto& entry : *DataBase->PlacesList) {
        if (entry.get() == remembered)
            select = Combo->count();
        Combo->addItem(QString::fromStdString(entry->Caption), PlaceData(entry.get()));
    }
    Combo->setCurrentIndex(select);
    Combo->setUpdatesEnabled(true);
}

void TfrmTovrinMain::RefreshPlacesLists()
{
    // A place that left the outline (a deletion, or its redo) is no longer shown in the panel;
    // it is still alive here, so its pending edits are written to it first.
    if (CurrentPlace && !IsOutlinePlace(CurrentPlace))
        SetCurrentPlace(nullptr);
    if (!PlacesListsStale)
        return;
    FillPlacesListView(lvPlaces, nullptr);
    FillPlacesFilter(cbPlaces);
    PlacesListsStale = false;
}

QTreeWidgetItem* TfrmTovrinMain::FindPlaceListItem(QTreeWidget* ListView, const TTaskPlace* Place) const
{
    for (int i = 0; i < ListView->topLevelItemCount(); ++i)
        if (ItemPlace(ListView->topLevelItem(i)) == Place)
            return ListView->topLevelItem(i);
    return nullptr;
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
                            actDeleteTask, actSortSubtasks})
        if (action)
            action->setEnabled(treeMode);
    if (actInsertTasksFromClipboard)
        actInsertTasksFromClipboard->setEnabled(treeMode &&
                                                !SplitClipboardLines(UiServices().GetClipboardText()).empty());
    if (actQuickOutlookConnect)
        actQuickOutlookConnect->setEnabled(!DataBase->OutlookFolderPath.empty());
}
