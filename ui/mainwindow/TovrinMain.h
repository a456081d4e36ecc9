#pragma once
// The main window's shell: it builds the window's parts (see ui/README.md), fills the hosts
// through which they reach the rest of the window, places their commands in the one menu bar and
// closes the window. Its building code is in mainwindow/TovrinMain*.cpp.
#include <QMainWindow>

#include <memory>

#include "platform/DateTime.h"
#include "ui/mainwindow/MainWindowEnvironment.h"
#include "ui/mainwindow/UILock.h"
#include "ui/mainwindow/WindowState.h"

class QAction;
class QSplitter;
class TZipHostInstaller;
class QWidget;
class IWindowServices;
class TMainPages;
class TDocumentLifecycle;
class TImportExport;
class TUndoNavigation;
class TTreeEditing;
class TTaskPanel;
class TToDoPage;
class TPlacePanel;
class TDesktopIntegration;
class TWindowOptions;
class TTaskDragDrop;
class TSortFind;
class TTaskCommands;
class TOutlineViews;
class TOutlineUndo;
class TSyncCommands;
class THelpCommands;

class TfrmTovrinMain : public QMainWindow {
    Q_OBJECT
public:
    explicit TfrmTovrinMain(TMainWindowEnvironment Environment = {}, QWidget* parent = nullptr);
    ~TfrmTovrinMain() override;

    // What the window's parts share: the document, current task and place, modified flag.
    TWindowState& State() { return state_; }
    // Holds the window's UI lock while the guard lives: no change handler runs meanwhile.
    [[nodiscard]] TUILock LockUI() { return TUILock(UILockCount); }

    // The commands that change the document, enabled or not.
    void SetEditingEnabled(bool Enabled);
    // The commands that depend on the page and view shown.
    void UpdateTreeActions();

    // A part of the window (outline/, taskpanel/, todo/ ...: see ui/README.md), found among the
    // window's own children; the parts talk to each other through the hosts the shell gives them.
    template <class T>
    T& Part() const
    {
        T* part = findChild<T*>(QString(), Qt::FindDirectChildrenOnly);
        Q_ASSERT(part);
        return *part;
    }

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    // Given to the parts by reference.
    TWindowState state_;
    int32_t UILockCount = 0;
    // State only the shell itself reaches.
    TDateTime DrawTime = 0;
    // Commands and widgets only the shell itself reaches.
    QAction* Exit1 = nullptr;
    QSplitter* splMain = nullptr;
    void BuildControls();
    // The Outline, To-Do and Places pages (mainwindow/MainPages.h).
    void BuildPages();
    void BuildTreeEditing();
    void BuildActions();
    void BuildMenuBar();
    void BuildDocument();
    void BuildExchange();
    void BuildTaskPanel();
    void BuildPlacePanel();
    // The undo part and the outline's side of undo (TovrinMainUndo.cpp).
    void BuildUndoAndNavigation();
    // A command that brings a task forward shows it on the Outline page when the Places page is
    // shown; false when the page change was refused.
    bool LeavePlacesPage();
    void BuildSyncCommands();
    // The outline's parts that carry commands and the synchronisation's (TovrinMainCommands.cpp).
    void BuildTaskCommands();
    // The desktop part and the options part (TovrinMainSettings.cpp).
    void BuildSettings();
    // Which side of the property panel shows: the current task's or the current place's.
    enum class TPropertySide { Task, Place };
    void ShowPropertyPanel(TPropertySide Side);
    // Writes the task and place panels' pending edits back to the document.
    void FlushPanelEdits();
    // A save the user did not ask for (auto-save): typing in the places box, or a place's caption
    // that would be refused, is not resolved.
    bool AutoSaveDocument();
    bool autoSaving_ = false;
    void Exit1Click();
    bool FormCloseQuery();
    void FormDestroy();

    // The right-hand side: the task panel's or the place panel's side of the property panel.
    QWidget* pnlRight = nullptr;
    QWidget* pnlTaskProps = nullptr;
    QWidget* pnlPlaceProps = nullptr;
    TMainWindowEnvironment environment_;
    std::unique_ptr<IWindowServices> ownServices_;
    IWindowServices* services_ = nullptr;
    std::unique_ptr<TZipHostInstaller> zipHost_;   // the ZIP component's questions and cursor
    TMainPages* pages_ = nullptr;
    TImportExport* exchange_ = nullptr;
    TTaskPanel* tasks_ = nullptr;
    TToDoPage* toDo_ = nullptr;
    TPlacePanel* places_ = nullptr;
    TDesktopIntegration* desktop_ = nullptr;
    TWindowOptions* options_ = nullptr;
    TUndoNavigation* undo_ = nullptr;
    TDocumentLifecycle* document_ = nullptr;
    TOutlineUndo* outlineUndo_ = nullptr;
    TSyncCommands* syncCommands_ = nullptr;
    THelpCommands* help_ = nullptr;
    TTaskDragDrop* dragDrop_ = nullptr;
    TSortFind* sortFind_ = nullptr;
    TTaskCommands* taskCommands_ = nullptr;
    TOutlineViews* views_ = nullptr;
    TTreeEditing* treeEditing_ = nullptr;
    bool closingFromExit_ = false;
    bool closeAccepted_ = false;
    bool destroyed_ = false;
};
