#include "ui/todo/ToDoFilterPanel.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QToolButton>
#include <QVBoxLayout>

#include <algorithm>

#include "taskdb/TovrinDataBase.h"
#include "ui/mainwindow/TovrinApplication.h"
#include "ui/mainwindow/UILock.h"
#include "ui/mainwindow/WindowState.h"
#include "ui/places/PlaceItemData.h"

namespace {

// The To-Do date of the filter panel means the end of that day.
constexpr TDateTime EndOfDay = 0.999988999;

} // namespace

TToDoFilterPanel::TToDoFilterPanel(QWidget& Page, TWindowState& State, int32_t& UILockCount)
    : QObject(&Page), state_(State), uiLockCount_(UILockCount)
{
    pnlTodoFilter_ = new QFrame(&Page);
    pnlTodoFilter_->setObjectName(QStringLiteral("pnlTodoFilter"));
    auto* rows = new QVBoxLayout(pnlTodoFilter_);
    rows->setContentsMargins(0, 0, 0, 0);
    rows->setSpacing(2);
    auto* placeRow = new QHBoxLayout();
    sbToDoFilter_ = new QToolButton(pnlTodoFilter_);
    sbToDoFilter_->setText(QStringLiteral("Filter"));
    sbToDoFilter_->setCheckable(true);
    sbToDoFilter_->setAutoRaise(true);
    lbPlacesFilter_ = new QLabel(QStringLiteral("Place:"), pnlTodoFilter_);
    cbPlaces_ = new QComboBox(pnlTodoFilter_);
    cbPlaces_->setObjectName(QStringLiteral("cbPlaces"));
    lbPlacesFilter_->setBuddy(cbPlaces_);
    btnToDoUpdateNow_ = new QPushButton(QStringLiteral("Update ToDo"), pnlTodoFilter_);
    placeRow->addWidget(sbToDoFilter_);
    placeRow->addWidget(lbPlacesFilter_);
    // The list takes the room the button leaves when it hides.
    placeRow->addWidget(cbPlaces_, 1);
    placeRow->addWidget(btnToDoUpdateNow_);
    placeRow->addStretch();  // with the places hidden the button stays at the left
    auto* dateRow = new QHBoxLayout();
    dtToDoDate_ = new QDateEdit(pnlTodoFilter_);
    dtToDoDate_->setCalendarPopup(true);
    cbToDoAutoUpdate_ = new QCheckBox(QStringLiteral("Auto update"), pnlTodoFilter_);
    dateRow->addWidget(dtToDoDate_);
    dateRow->addWidget(cbToDoAutoUpdate_);
    dateRow->addStretch(1);
    rows->addLayout(placeRow);
    rows->addLayout(dateRow);
    static_cast<QVBoxLayout*>(Page.layout())->insertWidget(0, pnlTodoFilter_);
    toDoFilterOpenHeight_ = std::max(pnlTodoFilter_->sizeHint().height(), ToDoFilterClosedHeight + 24);

    connect(cbPlaces_, &QComboBox::currentIndexChanged, this, [this] { RunGuarded([this] { TodoFilterChange(); }); });
    connect(dtToDoDate_, &QDateEdit::dateChanged, this, [this] { RunGuarded([this] { TodoFilterChange(); }); });
    connect(btnToDoUpdateNow_, &QPushButton::clicked, this, [this] { RunGuarded([this] { TodoFilterChange(); }); });
    connect(sbToDoFilter_, &QToolButton::clicked, this, [this] { RunGuarded([this] { sbToDoFilterClick(); }); });
    connect(cbToDoAutoUpdate_, &QCheckBox::toggled, this, [this] { RunGuarded([this] { cbToDoAutoUpdateClick(); }); });

    // Closed panel, the date today, auto-update on.
    int year = 0, month = 0, day = 0;
    DecodeDate(Now(), year, month, day);
    dtToDoDate_->setDate(QDate(year, month, day));
    pnlTodoFilter_->setFixedHeight(ToDoFilterClosedHeight);
    sbToDoFilter_->setChecked(false);
    dtToDoDate_->setVisible(false);
    cbToDoAutoUpdate_->setVisible(false);
    cbToDoAutoUpdate_->setChecked(true);
    btnToDoUpdateNow_->setVisible(false);
    cbPlaces_->addItem(QStringLiteral("<all places>"), PlaceData(nullptr));
    cbPlaces_->setCurrentIndex(0);
}

void TToDoFilterPanel::TodoFilterChange()
{
    if (uiLockCount_ == 0 && onFilterChange_)
        onFilterChange_();
}

void TToDoFilterPanel::ShowToDoFilterPanel(bool Open)
{
    {
        TUILock lock(uiLockCount_);
        pnlTodoFilter_->setFixedHeight(Open ? toDoFilterOpenHeight_ : ToDoFilterClosedHeight);
        sbToDoFilter_->setChecked(Open);
        cbToDoAutoUpdate_->setVisible(Open);
        dtToDoDate_->setVisible(Open);
    }
    TodoFilterChange();
}

bool TToDoFilterPanel::IsToDoFilterPanelOpen() const
{
    // The fixed height, not the laid-out one: the panel may not have been shown yet.
    return pnlTodoFilter_->maximumHeight() > ToDoFilterClosedHeight;
}

void TToDoFilterPanel::ToggleToDoFilterPanel()
{
    sbToDoFilter_->setChecked(!sbToDoFilter_->isChecked());
    sbToDoFilterClick();
}

void TToDoFilterPanel::sbToDoFilterClick()
{
    if (uiLockCount_ == 0)
        ShowToDoFilterPanel(sbToDoFilter_->isChecked());
}

void TToDoFilterPanel::cbToDoAutoUpdateClick()
{
    btnToDoUpdateNow_->setVisible(!cbToDoAutoUpdate_->isChecked());
    if (uiLockCount_ == 0 && cbToDoAutoUpdate_->isChecked())
        TodoFilterChange();
}

bool TToDoFilterPanel::IsAutoUpdate() const
{
    return cbToDoAutoUpdate_->isChecked();
}

TDateTime TToDoFilterPanel::ToDoDate() const
{
    const QDate day = dtToDoDate_->date();
    return EncodeDate(day.year(), day.month(), day.day()) + EndOfDay;
}

TTaskPlace* TToDoFilterPanel::ToDoFilterPlace() const
{
    if (cbPlaces_->currentIndex() < 1)
        return nullptr;
    TTaskPlace* place = PlaceOfData(cbPlaces_->currentData());
    // A place deleted since the filter was filled filters nothing.
    return IsPlaceOfOutline(state_.DataBase.get(), place) ? place : nullptr;
}

void TToDoFilterPanel::FillPlacesFilter()
{
    TUILock lock(uiLockCount_);
    QComboBox* Combo = cbPlaces_;
    Combo->setUpdatesEnabled(false);
    // Only the address is kept: the place may be gone already.
    const bool hadPlace = Combo->currentIndex() >= 1;
    const TTaskPlace* remembered = hadPlace ? PlaceOfData(Combo->currentData()) : nullptr;
    Combo->clear();
    Combo->addItem(QStringLiteral("<all places>"), PlaceData(nullptr));
    int select = hadPlace ? -1 : 0;
    for (const auto& entry : *state_.DataBase->PlacesList) {
        if (entry.get() == remembered)
            select = Combo->count();
        Combo->addItem(QString::fromStdString(entry->Caption), PlaceData(entry.get()));
    }
    Combo->setCurrentIndex(select);
    Combo->setUpdatesEnabled(true);
}

void TToDoFilterPanel::SetPlacesVisible(bool Visible)
{
    cbPlaces_->setVisible(Visible);
    lbPlacesFilter_->setVisible(Visible);
}

void TToDoFilterPanel::StoreToDoFilter()
{
    state_.DataBase->SetToDoAutoUpdate(cbToDoAutoUpdate_->isChecked());
    const TTaskPlace* place = ToDoFilterPlace();
    state_.DataBase->SetToDoPlaceFilterID(place ? place->PlaceID : -10);
}

void TToDoFilterPanel::RestoreToDoFilter()
{
    TUILock lock(uiLockCount_);
    cbToDoAutoUpdate_->setChecked(state_.DataBase->ToDoAutoUpdate);
    if (TTaskPlace* place = state_.DataBase->PlacesList->FindByID(state_.DataBase->ToDoPlaceFilterID)) {
        const int index = cbPlaces_->findData(PlaceData(place));
        if (index >= 1)
            cbPlaces_->setCurrentIndex(index);
    }
}
