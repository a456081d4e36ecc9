#pragma once
// The To-Do page's filter panel: the place the To-Do list is computed for, and, when the panel
// is open, the date and the auto-update switch with its Update button. It owns its widgets;
// the page rebuilds the list when told through the handler it sets with SetOnFilterChange.
#include <QObject>

#include <cstdint>
#include <functional>
#include <utility>

#include "platform/DateTime.h"

class QCheckBox;
class QComboBox;
class QDateEdit;
class QFrame;
class QLabel;
class QPushButton;
class QToolButton;
class QWidget;
class TTaskPlace;
struct TWindowState;

class TToDoFilterPanel : public QObject {
    Q_OBJECT
public:
    // Built at the top of Page: closed, the date today, auto-update on. UILockCount is the
    // window's lock: while it is raised the panel's changes start nothing.
    TToDoFilterPanel(QWidget& Page, TWindowState& State, int32_t& UILockCount);

    // Runs on a new place or date, Update now, or auto-update switched back on.
    void SetOnFilterChange(std::function<void()> Handler) { onFilterChange_ = std::move(Handler); }

    void ShowToDoFilterPanel(bool Open);
    bool IsToDoFilterPanelOpen() const;
    // The Filter button pressed from the keyboard.
    void ToggleToDoFilterPanel();
    bool IsAutoUpdate() const;
    // The end of the day chosen in the open panel.
    TDateTime ToDoDate() const;
    // The place chosen while it is still one of the outline's places, else nullptr.
    TTaskPlace* ToDoFilterPlace() const;
    // Refills the places, keeping the chosen one while it is still there.
    void FillPlacesFilter();
    void SetPlacesVisible(bool Visible);
    // Saving keeps auto-update and the filter place with the outline; opening takes them back.
    void StoreToDoFilter();
    void RestoreToDoFilter();

    QFrame* pnlTodoFilter() const { return pnlTodoFilter_; }
    QToolButton* sbToDoFilter() const { return sbToDoFilter_; }
    QLabel* lbPlacesFilter() const { return lbPlacesFilter_; }
    QComboBox* cbPlaces() const { return cbPlaces_; }
    QPushButton* btnToDoUpdateNow() const { return btnToDoUpdateNow_; }
    QDateEdit* dtToDoDate() const { return dtToDoDate_; }
    QCheckBox* cbToDoAutoUpdate() const { return cbToDoAutoUpdate_; }

private:
    static constexpr int ToDoFilterClosedHeight = 28;
    void TodoFilterChange();
    void sbToDoFilterClick();
    void cbToDoAutoUpdateClick();

    TWindowState& state_;
    int32_t& uiLockCount_;
    std::function<void()> onFilterChange_;
    QFrame* pnlTodoFilter_ = nullptr;
    QToolButton* sbToDoFilter_ = nullptr;
    QLabel* lbPlacesFilter_ = nullptr;
    QComboBox* cbPlaces_ = nullptr;
    QPushButton* btnToDoUpdateNow_ = nullptr;
    QDateEdit* dtToDoDate_ = nullptr;
    QCheckBox* cbToDoAutoUpdate_ = nullptr;
    int toDoFilterOpenHeight_ = 0;
};
