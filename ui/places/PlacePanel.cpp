#include "ui/places/PlacePanel.h"

#include <QAction>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <algorithm>

#include "platform/StringList.h"
#include "taskdb/TaskPlace.h"
#include "taskdb/TovrinDataBase.h"
#include "ui/mainwindow/KeyFilters.h"
#include "ui/controls/MyRichEdit.h"
#include "ui/controls/PageControl.h"
#include "ui/mainwindow/TovrinApplication.h"
#include "ui/mainwindow/UILock.h"
#include "ui/mainwindow/WindowState.h"
#include "ui/places/PlaceCaptionRules.h"
#include "ui/places/PlaceItemData.h"
#include "ui/controls/TreeViewCheckBoxes.h"
#include "ui/mainwindow/WindowAction.h"
#include "ui/mainwindow/WindowServices.h"

// ---- Places lists ----

TTaskPlace* TPlacePanel::ItemPlace(const QTreeWidgetItem* Item)
{
    return Item ? PlaceOfData(Item->data(0, PlaceRole)) : nullptr;
}

void TPlacePanel::SetItemPlace(QTreeWidgetItem* Item, const TTaskPlace* Place)
{
    Item->setData(0, PlaceRole, PlaceData(Place));
}

void TPlacePanel::FillPlacesListView(QTreeWidget* ListView, TTaskPlace* Place)
{
    TUILock lock(uiLockCount_);
    ListView->setUpdatesEnabled(false);
    ListView->clear();
    for (const auto& entry : *state_.DataBase->PlacesList) {
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

void TPlacePanel::RefreshPlacesLists()
{
    // A place that left the outline (a deletion, or its redo) is no longer shown in the panel;
    // it is still alive here, so its pending edits are written to it first.
    if (state_.CurrentPlace && !IsPlaceOfOutline(state_.DataBase.get(), state_.CurrentPlace))
        SetCurrentPlace(nullptr);
    if (!placesListsStale_)
        return;
    FillPlacesListView(lvPlaces_, nullptr);
    {
        // The refilled list highlights the place the panel holds, as before.
        TUILock lock(uiLockCount_);
        if (QTreeWidgetItem* item = FindPlaceListItem(lvPlaces_, state_.CurrentPlace))
            lvPlaces_->setCurrentItem(item);
    }
    host_.RefillPlacesFilter();
    placesListsStale_ = false;
}

void TPlacePanel::PlacesPageShown()
{
    RefreshPlacesLists();
    // The right side shows the place highlighted in the list (none: nothing), not a task shown
    // on another page meanwhile.
    SetCurrentPlace(ItemPlace(SelectedNode(lvPlaces_)));
}

void TPlacePanel::RefillPlacesLists()
{
    placesListsStale_ = true;
    RefreshPlacesLists();
}

void TPlacePanel::SelectListedPlace(const TTaskPlace* Place)
{
    if (!lvPlaces_)
        return;
    if (QTreeWidgetItem* item = FindPlaceListItem(lvPlaces_, Place)) {
        lvPlaces_->setCurrentItem(item);
    } else {
        TUILock lock(uiLockCount_);
        lvPlaces_->clearSelection();
    }
}

QTreeWidgetItem* TPlacePanel::FindPlaceListItem(QTreeWidget* ListView, const TTaskPlace* Place) const
{
    for (int i = 0; i < ListView->topLevelItemCount(); ++i)
        if (ItemPlace(ListView->topLevelItem(i)) == Place)
            return ListView->topLevelItem(i);
    return nullptr;
}

void TPlacePanel::StartPlaceCaptionEdit(QTreeWidgetItem* Item, int Caret)
{
    lvPlaces_->StartEdit(Item);
    if (QLineEdit* editor = lvPlaces_->InPlaceEditor()) {
        editor->installEventFilter(new TEditorF2Filter(editor, [this] { host_.EndInPlaceEditing(); }));
        if (Caret >= 0) {
            editor->deselect();
            editor->setCursorPosition(Caret);
        }
    }
}

// ---- Building ----

TPlacePanel::TPlacePanel(QWidget& Window, QWidget& Page, QWidget& PropsPanel, TWindowState& State,
                         int32_t& UILockCount, IWindowServices& Services, TPlaceHost Host)
    : QObject(&Window), page_(Page), propsPanel_(PropsPanel), state_(State), uiLockCount_(UILockCount),
      services_(Services), host_(std::move(Host))
{
    actNewPlace_ = MakeWindowAction(Window, *this, "actNewPlace", "New place", nullptr, &TPlacePanel::actNewPlaceExecute);
    actDeletePlace_ =
        MakeWindowAction(Window, *this, "actDeletePlace", "Delete place", nullptr, &TPlacePanel::actDeletePlaceExecute);
    connect(this, &TPlacePanel::PlacesChanged, this, [this] { placesListsStale_ = true; });
}

void TPlacePanel::BuildPlacesPage()
{
    TUILock lock(uiLockCount_);
    lvPlaces_ = new TTreeViewCheckBoxes(&page_);
    lvPlaces_->setObjectName(QStringLiteral("lvPlaces"));
    lvPlaces_->setRootIsDecorated(false);
    lvPlaces_->setMouseTracking(true);
    page_.layout()->addWidget(lvPlaces_);
    lvPlaces_->VetoSelectionModel()->SetOnChanging([this](const QModelIndex& index) {
        return lvPlacesChanging(lvPlaces_->itemFromIndex(index));
    });
    lvPlaces_->SetOnKeyDown([this](QKeyEvent* event) {
        bool consumed = false;
        RunGuarded([&] { consumed = lvPlacesKeyDown(event); });
        return consumed;
    });
    lvPlaces_->SetOnMouseDown([this](QMouseEvent* event) {
        bool consumed = false;
        RunGuarded([&] { consumed = lvPlacesMouseDown(event); });
        return consumed;
    });
    lvPlaces_->SetOnMouseMove([this](QMouseEvent* event) { lvPlacesMouseMove(event); });
    connect(lvPlaces_, &TTreeViewCheckBoxes::Edited, this,
            [this](QTreeWidgetItem* item, const QString& text) { RunGuardedWhenIdle([&] { lvPlacesEdited(item, text); }); });
    auto* menu = new QMenu(lvPlaces_);
    menu->addAction(actNewPlace_);
    menu->addAction(actDeletePlace_);
    lvPlaces_->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(lvPlaces_, &QWidget::customContextMenuRequested, this,
            [this, menu](const QPoint& pos) { menu->popup(lvPlaces_->viewport()->mapToGlobal(pos)); });

    auto* layout = new QVBoxLayout(&propsPanel_);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(new QLabel(QStringLiteral("Place:"), &propsPanel_));
    memPlaceCaption_ = new QPlainTextEdit(&propsPanel_);
    memPlaceCaption_->setObjectName(QStringLiteral("memPlaceCaption"));
    memPlaceCaption_->setFixedHeight(memPlaceCaption_->fontMetrics().lineSpacing() * 3 + 12);
    layout->addWidget(memPlaceCaption_);
    pcPlaceProps_ = new TPageControl(&propsPanel_);
    tshPlaceGeneral_ = new QWidget();
    auto* general = new QVBoxLayout(tshPlaceGeneral_);
    lvIncludedPlaces_ = new QTreeWidget(tshPlaceGeneral_);
    lvIncludedPlaces_->setObjectName(QStringLiteral("lvIncludedPlaces"));
    lvIncludedPlaces_->setHeaderLabels({QStringLiteral("Included places")});
    lvIncludedPlaces_->setRootIsDecorated(false);
    lvIncludedPlaces_->setSortingEnabled(true);
    lvIncludedPlaces_->sortByColumn(0, Qt::AscendingOrder);
    lvIncludedPlaces_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    general->addWidget(lvIncludedPlaces_);
    tshPlaceTime_ = new QWidget();
    tshPlaceNotes_ = new QWidget();
    auto* notes = new QVBoxLayout(tshPlaceNotes_);
    notes->setContentsMargins(0, 0, 0, 0);
    // Made as the task notes editor is: plain text with its links opened through the shell.
    auto* placeNotes = new TMyRichEdit(tshPlaceNotes_);
    placeNotes->setObjectName(QStringLiteral("PlaceNotesEditor"));
    placeNotes->SetAutoUrlDetect(true);
    placeNotes->SetOnLinkClick([this](TMyRichEdit*, const std::string& url, uint8_t) {
        RunGuarded([&] { host_.OpenLink(url); });
    });
    PlaceNotesEditor_ = placeNotes;
    notes->addWidget(PlaceNotesEditor_);
    pcPlaceProps_->addTab(tshPlaceGeneral_, QStringLiteral("General"));
    pcPlaceProps_->addTab(tshPlaceTime_, QStringLiteral("Time"));
    pcPlaceProps_->addTab(tshPlaceNotes_, QStringLiteral("Notes"));
    pcPlaceProps_->setTabVisible(pcPlaceProps_->indexOf(tshPlaceTime_), false);
    layout->addWidget(pcPlaceProps_, 1);

    connect(memPlaceCaption_, &QPlainTextEdit::textChanged, this, [this] { RunGuarded([this] { memPlaceCaptionChange(); }); });
    connect(PlaceNotesEditor_, &QPlainTextEdit::textChanged, this, [this] { RunGuarded([this] { TaskPlaceChange(); }); });
    connect(lvIncludedPlaces_, &QTreeWidget::itemChanged, this, [this] { RunGuarded([this] { lvIncludedPlacesChange(); }); });
    // Entering or leaving an editable control of the place panel refreshes Undo and Redo.
    const auto refresh = [this] { host_.UpdateUndoRedoActions(); };
    for (QWidget* editor : {static_cast<QWidget*>(memPlaceCaption_), static_cast<QWidget*>(PlaceNotesEditor_)})
        editor->installEventFilter(new TFocusFilter(editor, refresh, refresh));
    connect(lvPlaces_, &TTreeViewCheckBoxes::EditorChanged, this, refresh);
}

// ---- The current place ----

void TPlacePanel::SetCurrentPlace(TTaskPlace* Place)
{
    // The place already shown stays as it is; one the task side covers, or that another page
    // hid with the whole right side, is shown again.
    if (Place && Place == state_.CurrentPlace && propsPanel_.isVisibleTo(propsPanel_.window()))
        return;
    host_.CommitTaskEdits();
    UpdateCurrentPlace();
    host_.ShowPlaceProps();
    state_.CurrentPlace = Place;
    {
        TUILock lock(uiLockCount_);
        if (Place) {
            FillPlacesListView(lvIncludedPlaces_, Place);
            memPlaceCaption_->setPlainText(QString::fromStdString(Place->Caption));
            PlaceNotesEditor_->clear();
            PlaceNotesEditor_->setPlainText(QString::fromStdString(Place->PlaceNote));
        } else {
            lvIncludedPlaces_->setUpdatesEnabled(false);
            lvIncludedPlaces_->clear();
            lvIncludedPlaces_->setUpdatesEnabled(true);
            memPlaceCaption_->clear();
            PlaceNotesEditor_->clear();
        }
    }
    host_.ShowRightPanel(Place != nullptr);
}

void TPlacePanel::UpdateCurrentPlace(bool ResolveCaptionTyped)
{
    if (!placeDirty_ || !state_.CurrentPlace)
        return;
    TTaskPlace* place = state_.CurrentPlace;
    place->IncludedPlaces = IncludesAsShown(*place);
    const QString caption = memPlaceCaption_->toPlainText();
    // A caption still being typed that could not be taken waits for a later write-back.
    const bool captionPending =
        !ResolveCaptionTyped && !PlaceRenameRefusal(*state_.DataBase->PlacesList, *place, caption.toStdString()).empty();
    if (!captionPending && KeepsCaption(*place, caption)) {
        place->SetCaption(caption.toStdString());
        // The row shows the caption as the place took it, not as it was typed.
        TUILock lock(uiLockCount_);
        if (QTreeWidgetItem* item = FindPlaceListItem(lvPlaces_, place))
            item->setText(0, QString::fromStdString(place->Caption));
    }
    TStringList lines;
    lines.SetText(PlaceNotesEditor_->toPlainText().toStdString());
    place->SetPlaceNote(lines.Text());
    emit PlacesChanged();
    if (captionPending)
        placeDirty_ = true;
    else
        SetPlaceDirty(false);
}

bool TPlacePanel::KeepsCaption(const TTaskPlace& Place, const QString& Caption)
{
    const std::string refusal = PlaceRenameRefusal(*state_.DataBase->PlacesList, Place, Caption.toStdString());
    if (refusal.empty())
        return true;
    {
        // The place shows its caption again wherever the typing showed.
        TUILock lock(uiLockCount_);
        const QString kept = QString::fromStdString(Place.Caption);
        if (QTreeWidgetItem* item = FindPlaceListItem(lvPlaces_, &Place))
            item->setText(0, kept);
        if (&Place == state_.CurrentPlace)
            memPlaceCaption_->setPlainText(kept);
    }
    ShowWhenIdle(this, [this, refusal] { services_.ShowWarning(refusal); }, WhileOutlineStays(state_));
    return false;
}

std::vector<int32_t> TPlacePanel::IncludesAsShown(const TTaskPlace& Place) const
{
    std::vector<int32_t> includes;
    for (int i = 0; i < lvIncludedPlaces_->topLevelItemCount(); ++i) {
        const QTreeWidgetItem* item = lvIncludedPlaces_->topLevelItem(i);
        const TTaskPlace* included = ItemPlace(item);
        // A listed place deleted since is no longer read here; its ID is kept below.
        if (item->checkState(0) == Qt::Checked && IsPlaceOfOutline(state_.DataBase.get(), included))
            includes.push_back(included->PlaceID);
    }
    // An include the list does not show stays: a deleted place's, as tasks keep theirs, so an
    // undone deletion finds it again, and one back since the list was filled.
    for (const int32_t id : Place.IncludedPlaces) {
        const TTaskPlace* included = state_.DataBase->PlacesList->FindByID(id);
        if ((!included || !FindPlaceListItem(lvIncludedPlaces_, included)) &&
            std::find(includes.begin(), includes.end(), id) == includes.end())
            includes.push_back(id);
    }
    return includes;
}

void TPlacePanel::SetPlaceDirty(bool Value)
{
    placeDirty_ = Value;
    if (Value)
        host_.SetModified(true);
}

// ---- Change handlers ----

void TPlacePanel::TaskPlaceChange()
{
    if (uiLockCount_ > 0)
        return;
    SetPlaceDirty(true);
}

void TPlacePanel::lvIncludedPlacesChange()
{
    if (uiLockCount_ > 0)
        return;
    TaskPlaceChange();
}

void TPlacePanel::memPlaceCaptionChange()
{
    if (uiLockCount_ > 0)
        return;
    {
        // The list item follows the caption while it is typed.
        TUILock lock(uiLockCount_);
        if (QTreeWidgetItem* selected = SelectedNode(lvPlaces_))
            selected->setText(0, memPlaceCaption_->toPlainText());
    }
    TaskPlaceChange();
}

bool TPlacePanel::lvPlacesChanging(QTreeWidgetItem* Item)
{
    if (uiLockCount_ > 0)
        return true;
    TUILock lock(uiLockCount_);
    try {
        SetCurrentPlace(ItemPlace(Item));
        return true;
    } catch (const EAbort&) {
        return false;  // the user stopped the write-back; nothing to show
    } catch (const std::exception& e) {
        const std::string message = e.what();
        ShowWhenIdle(this, [this, message] { services_.ShowInformation(message); }, WhileOutlineStays(state_));
        return false;
    }
}

// ---- Commands ----

void TPlacePanel::actNewPlaceExecute()
{
    // Ins reaches this command wherever the task commands are disabled; a place is only made
    // where the new place can be seen and named.
    if (!host_.IsPlacesPageActive())
        return;
    host_.EndInPlaceEditing();
    TTaskPlace* place = state_.DataBase->PlacesList->Add("New place");
    QTreeWidgetItem* item = nullptr;
    {
        TUILock lock(uiLockCount_);
        item = new QTreeWidgetItem();
        item->setText(0, QString::fromStdString(place->Caption));
        item->setData(0, PlaceRole, PlaceData(place));
        lvPlaces_->addTopLevelItem(item);
    }
    emit PlacesChanged();
    host_.SetModified(true);
    lvPlaces_->setCurrentItem(item);
    lvPlaces_->scrollToItem(item);
    lvPlaces_->setFocus();
    StartPlaceCaptionEdit(item);
}

void TPlacePanel::actDeletePlaceExecute()
{
    if (!host_.IsPlacesPageActive() || !state_.CurrentPlace)
        return;
    host_.EndInPlaceEditing();
    UpdateCurrentPlace();
    TTaskPlace* place = state_.CurrentPlace;
    // The panel lets go of the place before it leaves the outline.
    SetCurrentPlace(nullptr);
    host_.DeletePlaceUndoable(place);
    emit PlacesChanged();
    host_.SetModified(true);
}

// ---- The places list ----

void TPlacePanel::lvPlacesEdited(QTreeWidgetItem* Item, const QString& Text)
{
    TTaskPlace* place = ItemPlace(Item);
    if (!place)
        return;
    const std::string before = place->Caption;
    if (KeepsCaption(*place, Text))
        place->SetCaption(Text.toStdString());
    {
        TUILock lock(uiLockCount_);
        const QString caption = QString::fromStdString(place->Caption);
        Item->setText(0, caption);
        if (place == state_.CurrentPlace)
            memPlaceCaption_->setPlainText(caption);
    }
    // A rename in the list is an edit of the outline like any other: it must reach the file.
    if (place->Caption != before) {
        emit PlacesChanged();
        host_.SetModified(true);
    }
}

bool TPlacePanel::lvPlacesMouseDown(QMouseEvent* Event)
{
    if (uiLockCount_ > 0)
        return false;
    const QPoint pos = Event->position().toPoint();
    QTreeWidgetItem* item = lvPlaces_->itemAt(pos);
    if (!item || lvPlaces_->IsEditing())
        return false;
    // A press on the place already current shows it where the task side covers it.
    if (item == lvPlaces_->currentItem() && !lvPlacesChanging(item))
        return true;
    const bool onLabel = lvPlaces_->LabelRect(item).contains(pos);
    // The row pressed is selected as a row, not by where the pointer is once the change is
    // over: a refused caption written back on the way may have moved the rows under it.
    lvPlaces_->setCurrentItem(item);
    if (lvPlaces_->currentItem() != item)
        return true;  // the selection change was refused
    if (onLabel && Event->button() == Qt::LeftButton && host_.OneClickEditMode())
        StartPlaceCaptionEdit(item, lvPlaces_->CaretIndexAtPoint(item, pos));
    return true;
}

void TPlacePanel::lvPlacesMouseMove(QMouseEvent* Event)
{
    const QPoint pos = Event->position().toPoint();
    QTreeWidgetItem* item = lvPlaces_->itemAt(pos);
    const bool overLabel = host_.OneClickEditMode() && item && lvPlaces_->LabelRect(item).contains(pos);
    lvPlaces_->viewport()->setCursor(overLabel ? Qt::IBeamCursor : Qt::ArrowCursor);
}

bool TPlacePanel::lvPlacesKeyDown(QKeyEvent* Event)
{
    const int key = Event->key();
    bool consumed = false;
    QTreeWidgetItem* item = SelectedNode(lvPlaces_);
    if ((key == Qt::Key_Return || key == Qt::Key_Enter || key == Qt::Key_F2) && item && !lvPlaces_->IsEditing()) {
        StartPlaceCaptionEdit(item);
        consumed = true;
    } else if (key == Qt::Key_F2 && lvPlaces_->IsEditing()) {
        host_.EndInPlaceEditing();
        consumed = true;
    }
    if (lvPlaces_->IsEditing())
        host_.UpdateUndoRedoActions();
    return consumed;
}
