#pragma once
// The Places page and the place panel: the places list with in-place renaming, new and deleted
// places, and the current place's caption, included places and notes, written back at the next
// flush as the task panel does. The part owns its widgets and its two actions; the shell places
// the actions and binds their keys.
#include <QObject>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

class IWindowServices;
class QAction;
class QKeyEvent;
class QMouseEvent;
class QPlainTextEdit;
class QString;
class QTreeWidget;
class QTreeWidgetItem;
class QWidget;
class TPageControl;
class TTaskPlace;
class TTreeViewCheckBoxes;
struct TWindowState;

// What the place panel asks of the rest of the window.
struct TPlaceHost {
    // Writes the task panel's pending edits back before another place is shown.
    std::function<void()> CommitTaskEdits;
    // Shows the place panel instead of the task panel, and the right-hand side at all.
    std::function<void()> ShowPlaceProps;
    std::function<void(bool Visible)> ShowRightPanel;
    std::function<bool()> IsPlacesPageActive;
    std::function<void()> EndInPlaceEditing;
    std::function<void()> UpdateUndoRedoActions;
    std::function<void(const std::string& URL)> OpenLink;
    std::function<void(TTaskPlace* Place)> DeletePlaceUndoable;
    std::function<void(bool Value)> SetModified;
    std::function<bool()> OneClickEditMode;
    // Refills the To-Do filter's places list from the document.
    std::function<void()> RefillPlacesFilter;
};

class TPlacePanel : public QObject {
    Q_OBJECT
public:
    // Makes the two actions on Window; the widgets come with BuildPlacesPage, on Page (the
    // Places page) and PropsPanel (the place side of the property panel).
    TPlacePanel(QWidget& Window, QWidget& Page, QWidget& PropsPanel, TWindowState& State, int32_t& UILockCount,
                IWindowServices& Services, TPlaceHost Host);

    void BuildPlacesPage();
    // Shows Place in the panel (nullptr: none) after writing pending edits back.
    void SetCurrentPlace(TTaskPlace* Place);
    // Writes the panel's pending edits to the current place. Without ResolveCaptionTyped (a save
    // the user did not ask for) a caption that would be refused stays pending, unannounced.
    void UpdateCurrentPlace(bool ResolveCaptionTyped = true);
    // False drops the pending edits.
    void SetPlaceDirty(bool Value);
    bool IsPlaceDirty() const { return placeDirty_; }
    // Fills a places list with every place but Place; with Place, checked where it includes one.
    void FillPlacesListView(QTreeWidget* ListView, TTaskPlace* Place);
    QTreeWidgetItem* FindPlaceListItem(QTreeWidget* ListView, const TTaskPlace* Place) const;
    // Places changed since the places lists were filled (also on the task panel's side).
    bool PlacesListsStale() const { return placesListsStale_; }
    void MarkPlacesListsStale() { placesListsStale_ = true; }
    // Refills the stale places lists, and lets go of a current place that left the outline.
    void RefreshPlacesLists();
    // Fills the places lists anew from the outline.
    void RefillPlacesLists();
    // The Places page came to the front: its lists brought up to date, its selected place shown.
    void PlacesPageShown();
    // Selects Place in the list, or nothing when the list does not show it.
    void SelectListedPlace(const TTaskPlace* Place);
    static TTaskPlace* ItemPlace(const QTreeWidgetItem* Item);
    static void SetItemPlace(QTreeWidgetItem* Item, const TTaskPlace* Place);

    TTreeViewCheckBoxes* lvPlaces() const { return lvPlaces_; }
    QPlainTextEdit* memPlaceCaption() const { return memPlaceCaption_; }
    QTreeWidget* lvIncludedPlaces() const { return lvIncludedPlaces_; }
    QPlainTextEdit* PlaceNotesEditor() const { return PlaceNotesEditor_; }
    QAction* actNewPlace() const { return actNewPlace_; }
    QAction* actDeletePlace() const { return actDeletePlace_; }

signals:
    // Places were added, renamed or changed; the other places lists follow.
    void PlacesChanged();

private:
    void TaskPlaceChange();
    void memPlaceCaptionChange();
    void lvIncludedPlacesChange();
    bool lvPlacesChanging(QTreeWidgetItem* Item);
    void actNewPlaceExecute();
    void actDeletePlaceExecute();
    void lvPlacesEdited(QTreeWidgetItem* Item, const QString& Text);
    bool lvPlacesMouseDown(QMouseEvent* Event);
    void lvPlacesMouseMove(QMouseEvent* Event);
    bool lvPlacesKeyDown(QKeyEvent* Event);
    // Whether Place may take Caption; a refused one is shown with its reason and the place's
    // caption shown again.
    bool KeepsCaption(const TTaskPlace& Place, const QString& Caption);
    // Place's includes as the panel shows them ticked, with those it does not show kept.
    std::vector<int32_t> IncludesAsShown(const TTaskPlace& Place) const;
    // Starts editing a place's caption in the list, with the caret at Caret when given.
    void StartPlaceCaptionEdit(QTreeWidgetItem* Item, int Caret = -1);

    QWidget& page_;
    QWidget& propsPanel_;
    TWindowState& state_;
    int32_t& uiLockCount_;
    IWindowServices& services_;
    TPlaceHost host_;
    bool placeDirty_ = false;
    bool placesListsStale_ = false;
    TTreeViewCheckBoxes* lvPlaces_ = nullptr;
    QPlainTextEdit* memPlaceCaption_ = nullptr;
    TPageControl* pcPlaceProps_ = nullptr;
    QWidget* tshPlaceGeneral_ = nullptr;
    QWidget* tshPlaceTime_ = nullptr;
    QWidget* tshPlaceNotes_ = nullptr;
    QTreeWidget* lvIncludedPlaces_ = nullptr;
    QPlainTextEdit* PlaceNotesEditor_ = nullptr;
    QAction* actNewPlace_ = nullptr;
    QAction* actDeletePlace_ = nullptr;
};
