#pragma once
// The window's three pages, Outline, To-Do and Places, in one page control: switching between
// them, writing the panels' edits back before another page shows, and bringing the page shown up
// to date. The parts that own the pages' contents fill them; the rest of the window is reached
// through a narrow host.
#include <QObject>

#include <cstdint>
#include <functional>

class QWidget;
class TPageControl;

// What a page change asks of the rest of the window.
struct TMainPagesHost {
    // Writes the panels' pending edits back; an exception refuses the page change.
    std::function<void()> FlushEdits;
    std::function<void()> FocusOutlineTree;
    // Selects the current task's row in the outline tree, or in the To-Do list.
    std::function<void()> SyncOutlineSelection;
    std::function<void()> SyncToDoSelection;
    // The To-Do page came to the front.
    std::function<void()> ToDoPageShown;
    std::function<void()> RefreshPlacesLists;
    // The Places page came to the front.
    std::function<void()> PlacesPageShown;
    std::function<void()> UpdateTreeActions;
};

class TMainPages : public QObject {
    Q_OBJECT
public:
    // Makes the page control on Parent and the three pages, still empty and out of it until
    // AddPages; UILockCount is the window's lock, under which a page change does nothing.
    TMainPages(QWidget& Window, QWidget& Parent, int32_t& UILockCount, TMainPagesHost Host);

    // Puts the filled pages in the page control.
    void AddPages();
    // From now on a page change runs the host; before, the parts it reaches are not built.
    void HookPageChanges();

    bool OutlineShown() const;
    bool ToDoShown() const;
    bool PlacesShown() const;
    void ShowOutline();
    void ShowPlaces();
    // Selects the current task's row on the page shown.
    void SyncSelectionWithCurrentTask();

    TPageControl* pcMainPages() const { return pcMainPages_; }
    QWidget* tshOutline() const { return tshOutline_; }
    QWidget* tshToDoList() const { return tshToDoList_; }
    QWidget* tshPlaces() const { return tshPlaces_; }

private:
    void pcMainPagesChange();
    bool pcMainPagesChanging();

    int32_t& uiLockCount_;
    TMainPagesHost host_;
    TPageControl* pcMainPages_ = nullptr;
    QWidget* tshOutline_ = nullptr;
    QWidget* tshToDoList_ = nullptr;
    QWidget* tshPlaces_ = nullptr;
};
