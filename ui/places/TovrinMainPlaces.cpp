// The Places page and the place panel: the places list with in-place renaming, new and deleted
// places, and the current place's caption, included places and notes, written back at the next
// flush as the task panel does.
#include "ui/mainwindow/TovrinMain.h"

#include <QAction>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QStyle>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "platform/StringList.h"
#include "taskdb/TaskPlace.h"
#include "taskdb/TovrinDataBase.h"
#include "ui/mainwindow/KeyFilters.h"
#include "ui/taskpanel/MyRichEdit.h"
#include "ui/controls/PageControl.h"
#include "ui/mainwindow/TovrinApplication.h"
#include "ui/controls/TreeViewCheckBoxes.h"
#include "ui/outline/TreeViewRules.h"
#include "ui/mainwindow/WindowServices.h"

namespace {


// Starts editing a place's caption in the list, with the caret at Caret when given.
void StartPlaceCaptionEdit(TfrmTovrinMain* window, QTreeWidgetItem* item, int caret = -1)
{
    window->lvPlaces->StartEdit(item);
    if (QLineEdit* editor = window->lvPlaces->InPlaceEditor()) {
        editor->installEventFilter(new TEditorF2Filter(editor, [window] { window->EndInPlaceEditing(); }));
        if (caret >= 0) {
            editor->deselect();
            editor->setCursorPosition(caret);
        }
    }
}

} // namespace

// ---- Building ----

void TfrmTovrinMain::BuildPlaceActions()
{
    actNewPlace = new QAction(QStringLiteral("New place"), this);
    actNewPlace->setObjectName(QStringLiteral("actNewPlace"));
    addAction(actNewPlace);
    connect(actNewPlace, &QAction::triggered, this, [this] { RunGuarded([this] { actNewPlaceExecute(); }); });
    actDeletePlace = new QAction(QStringLiteral("Delete place"), this);
    actDeletePlace->setObjectName(QStringLiteral("actDeletePlace"));
    addAction(actDeletePlace);
    connect(actDeletePlace, &QAction::triggered, this, [this] { RunGuarded([this] { actDeletePlaceExecute(); }); });
}

void TfrmTovrinMain::BuildPlacesPage()
{
    TUILock lock(UILockCount);
    lvPlaces = new TTreeViewCheckBoxes(tshPlaces);
    lvPlaces->setObjectName(QStringLiteral("lvPlaces"));
    lvPlaces->setRootIsDecorated(false);
    lvPlaces->setMouseTracking(true);
    tshPlaces->layout()->addWidget(lvPlaces);
    lvPlaces->VetoSelectionModel()->OnChanging = [this](const QModelIndex& index) {
        return lvPlacesChanging(lvPlaces->itemFromIndex(index));
    };
    lvPlaces->OnKeyDown = [this](QKeyEvent* event) {
        bool consumed = false;
        RunGuarded([&] { consumed = lvPlacesKeyDown(event); });
        return consumed;
    };
    lvPlaces->OnMouseDown = [this](QMouseEvent* event) {
        bool consumed = false;
        RunGuarded([&] { consumed = lvPlacesMouseDown(event); });
        return consumed;
    };
    lvPlaces->OnMouseMove = [this](QMouseEvent* event) { lvPlacesMouseMove(event); };
    connect(lvPlaces, &TTreeViewCheckBoxes::Edited, this,
            [this](QTreeWidgetItem* item, const QString& text) { RunGuarded([&] { lvPlacesEdited(item, text); }); });
    auto* menu = new QMenu(lvPlaces);
    menu->addAction(actNewPlace);
    menu->addAction(actDeletePlace);
    lvPlaces->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(lvPlaces, &QWidget::customContextMenuRequested, this,
            [this, menu](const QPoint& pos) { menu->popup(lvPlaces->viewport()->mapToGlobal(pos)); });

    auto* layout = new QVBoxLayout(pnlPlaceProps);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(new QLabel(QStringLiteral("Place:"), pnlPlaceProps));
    memPlaceCaption = new QPlainTextEdit(pnlPlaceProps);
    memPlaceCaption->setObjectName(QStringLiteral("memPlaceCaption"));
    memPlaceCaption->setFixedHeight(memPlaceCaption->fontMetrics().lineSpacing() * 3 + 12);
    layout->addWidget(memPlaceCaption);
    pcPlaceProps = new TPageControl(pnlPlaceProps);
    tshPlaceGeneral = new QWidget();
    auto* general = new QVBoxLayout(tshPlaceGeneral);
    lvIncludedPlaces = new QTreeWidget(tshPlaceGeneral);
    lvIncludedPlaces->setObjectName(QStringLiteral("lvIncludedPlaces"));
    lvIncludedPlaces->setHeaderLabels({QStringLiteral("Included places")});
    lvIncludedPlaces->setRootIsDecorated(false);
    lvIncludedPlaces->setSortingEnabled(true);
    lvIncludedPlaces->sortByColumn(0, Qt::AscendingOrder);
    lvIncludedPlaces->setEditTriggers(QAbstractItemView::NoEditTriggers);
    general->addWidget(lvIncludedPlaces);
    tshPlaceTime = new QWidget();
    tshPlaceNotes = new QWidget();
    auto* notes = new QVBoxLayout(tshPlaceNotes);
    notes->setContentsMargins(0, 0, 0, 0);
    // Made as the task notes editor is: plain text with its links opened through the shell.
    auto* placeNotes = new TMyRichEdit(tshPlaceNotes);
    placeNotes->setObjectName(QStringLiteral("PlaceNotesEditor"));
    placeNotes->SetAutoUrlDetect(true);
    placeNotes->OnLinkClick = [this](TMyRichEdit*, const std::string& url, uint8_t) {
        RunGuarded([&] { OpenLink(url); });
    };
    PlaceNotesEditor = placeNotes;
    notes->addWidget(PlaceNotesEditor);
    pcPlaceProps->addTab(tshPlaceGeneral, QStringLiteral("General"));
    pcPlaceProps->addTab(tshPlaceTime, QStringLiteral("Time"));
    pcPlaceProps->addTab(tshPlaceNotes, QStringLiteral("Notes"));
    pcPlaceProps->setTabVisible(pcPlaceProps->indexOf(tshPlaceTime), false);
    layout->addWidget(pcPlaceProps, 1);

    connect(memPlaceCaption, &QPlainTextEdit::textChanged, this, [this] { RunGuarded([this] { memPlaceCaptionChange(); }); });
    connect(PlaceNotesEditor, &QPlainTextEdit::textChanged, this, [this] { RunGuarded([this] { TaskPlaceChange(); }); });
    connect(lvIncludedPlaces, &QTreeWidget::itemChanged, this, [this] { RunGuarded([this] { lvIncludedPlacesChange(); }); });
    // Entering or leaving an editable control of the place panel refreshes Undo and Redo. The
    // editors lose the focus also while the window is being destroyed; by then the window is no
    // main window any more, and nothing is refreshed.
    QObject* self = this;
    const auto refresh = [self] {
        if (auto* window = qobject_cast<TfrmTovrinMain*>(self))
            window->UpdateUndoRedoActions();
    };
    for (QWidget* editor : {static_cast<QWidget*>(memPlaceCaption), static_cast<QWidget*>(PlaceNotesEditor)})
        editor->installEventFilter(new TFocusFilter(editor, refresh, refresh));
}

// ---- The current place ----

void TfrmTovrinMain::SetCurrentPlace(TTaskPlace* Place)
{
    if (Place && Place == CurrentPlace)
        return;
    UpdateCurrentTask();
    UpdateCurrentPlace();
    ShowPropertyPanel(ppPlace);
    CurrentPlace = Place;
    {
        TUILock lock(UILockCount);
        if (Place) {
            FillPlacesListView(lvIncludedPlaces, Place);
            memPlaceCaption->setPlainText(QString::fromStdString(Place->Caption));
            PlaceNotesEditor->clear();
            PlaceNotesEditor->setPlainText(QString::fromStdString(Place->PlaceNote));
        } else {
            lvIncludedPlaces->setUpdatesEnabled(false);
            lvIncludedPlaces->clear();
            lvIncludedPlaces->setUpdatesEnabled(true);
            memPlaceCaption->clear();
            PlaceNotesEditor->clear();
        }
    }
    pnlRight->setVisible(Place != nullptr);
}

void TfrmTovrinMain::UpdateCurrentPlace()
{
    if (!PlaceDirty || !CurrentPlace)
        return;
    TTaskPlace* place = CurrentPlace;
    place->IncludedPlaces.clear();
    for (int i = 0; i < lvIncludedPlaces->topLevelItemCount(); ++i) {
        const QTreeWidgetItem* item = lvIncludedPlaces->topLevelItem(i);
        const TTaskPlace* included = ItemPlace(item);
        // A place deleted since the list was filled is not included any more.
        if (item->checkState(0) == Qt::Checked && IsOutlinePlace(included))
            place->IncludedPlaces.push_back(included->PlaceID);
    }
    place->SetCaption(memPlaceCaption->toPlainText().toStdString());
    TStringList lines;
    lines.SetText(PlaceNotesEditor->toPlainText().toStdString());
    place->SetPlaceNote(lines.Text());
    PlacesListsStale = true;
    SetPlaceDirty(false);
}

void TfrmTovrinMain::SetPlaceDirty(bool Value)
{
    PlaceDirty = Value;
    if (Value)
        SetModified(true);
}

// ---- Change handlers ----

void TfrmTovrinMain::TaskPlaceChange()
{
    if (UILockCount > 0)
        return;
    SetPlaceDirty(true);
}

void TfrmTovrinMain::lvIncludedPlacesChange()
{
    if (UILockCount > 0)
        return;
    TaskPlaceChange();
}

void TfrmTovrinMain::memPlaceCaptionChange()
{
    if (UILockCount > 0)
        return;
    {
        // The list item follows the caption while it is typed.
        TUILock lock(UILockCount);
        if (QTreeWidgetItem* selected = SelectedNode(lvPlaces))
            selected->setText(0, memPlaceCaption->toPlainText());
    }
    TaskPlaceChange();
}

bool TfrmTovrinMain::lvPlacesChanging(QTreeWidgetItem* Item)
{
    if (UILockCount > 0)
        return true;
    TUILock lock(UILockCount);
    try {
        SetCurrentPlace(ItemPlace(Item));
        return true;
    } catch (const EAbort&) {
        return false;  // the user stopped the write-back; nothing to show
    } catch (const std::exception& e) {
        Services().ShowInformation(e.what());
        return false;
    }
}

// ---- Commands ----

void TfrmTovrinMain::actNewPlaceExecute()
{
    // Ins reaches this command wherever the task commands are disabled; a place is only made
    // where the new place can be seen and named.
    if (pcMainPages->ActivePage() != tshPlaces)
        return;
    EndInPlaceEditing();
    TTaskPlace* place = DataBase->PlacesList->Add("New place");
    QTreeWidgetItem* item = nullptr;
    {
        TUILock lock(UILockCount);
        item = new QTreeWidgetItem();
        item->setText(0, QString::fromStdString(place->Caption));
        SetItemPlace(item, place);
        lvPlaces->addTopLevelItem(item);
    }
    PlacesListsStale = true;
    SetModified(true);
    lvPlaces->setCurrentItem(item);
    lvPlaces->scrollToItem(item);
    lvPlaces->setFocus();
    StartPlaceCaptionEdit(this, item);
}

void TfrmTovrinMain::actDeletePlaceExecute()
{
    if (pcMainPages->ActivePage() != tshPlaces || !CurrentPlace)
        return;
    EndInPlaceEditing();
    UpdateCurrentPlace();
    TTaskPlace* place = CurrentPlace;
    // The panel lets go of the place before it leaves the outline.
    SetCurrentPlace(nullptr);
    DeletePlaceUndoable(place);
    PlacesListsStale = true;
    SetModified(true);
}

// ---- The places list ----

void TfrmTovrinMain::lvPlacesEdited(QTreeWidgetItem* Item, const QString& Text)
{
    TTaskPlace* place = ItemPlace(Item);
    if (!place)
        return;
    const std::string before = place->Caption;
    place->SetCaption(Text.toStdString());
    {
        TUILock lock(UILockCount);
        const QString caption = QString::fromStdString(place->Caption);
        Item->setText(0, caption);
        if (place == CurrentPlace)
            memPlaceCaption->setPlainText(caption);
    }
    // A rename in the list is an edit of the outline like any other: it must reach the file.
    if (place->Caption != before) {
        PlacesListsStale = true;
        SetModified(true);
    }
}

bool TfrmTovrinMain::lvPlacesMouseDown(QMouseEvent* Event)
{
    if (UILockCount > 0 || Event->button() != Qt::LeftButton)
        return false;
    const QPoint pos = Event->position().toPoint();
    QTreeWidgetItem* item = lvPlaces->itemAt(pos);
    if (!item || lvPlaces->IsEditing() || !lvPlaces->LabelRect(item).contains(pos))
        return false;
    lvPlaces->setCurrentItem(item);
    if (lvPlaces->currentItem() != item)
        return true;  // the selection change was refused
    if (OneClickEditMode) {
        const QRect label = lvPlaces->LabelRect(item);
        const int margin = lvPlaces->style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, lvPlaces) + 1;
        const QString text = item->text(0);
        const QFontMetrics metrics(lvPlaces->font());
        const int caret = CaretIndexAt(static_cast<int>(text.size()), pos.x() - label.left() - margin,
                                       [&](int k) { return metrics.horizontalAdvance(text.left(k)); });
        StartPlaceCaptionEdit(this, item, caret);
    }
    return true;
}

void TfrmTovrinMain::lvPlacesMouseMove(QMouseEvent* Event)
{
    const QPoint pos = Event->position().toPoint();
    QTreeWidgetItem* item = lvPlaces->itemAt(pos);
    const bool overLabel = OneClickEditMode && item && lvPlaces->LabelRect(item).contains(pos);
    lvPlaces->viewport()->setCursor(overLabel ? Qt::IBeamCursor : Qt::ArrowCursor);
}

bool TfrmTovrinMain::lvPlacesKeyDown(QKeyEvent* Event)
{
    const int key = Event->key();
    bool consumed = false;
    QTreeWidgetItem* item = SelectedNode(lvPlaces);
    if ((key == Qt::Key_Return || key == Qt::Key_Enter || key == Qt::Key_F2) && item && !lvPlaces->IsEditing()) {
        StartPlaceCaptionEdit(this, item);
        consumed = true;
    } else if (key == Qt::Key_F2 && lvPlaces->IsEditing()) {
        EndInPlaceEditing();
        consumed = true;
    }
    if (lvPlaces->IsEditing())
        UpdateUndoRedoActions();
    return consumed;
}
