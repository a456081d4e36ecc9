#pragma once
// The main window: one window over the one document. Its methods live in the folder of the
// part of the window they serve (see ui/README.md): mainwindow/ (building, menus, closing, the
// document's life), outline/, undo/, todo/, options/, desktop/, dialogs/; the parts it builds own the rest.
#include <QMainWindow>

#include <memory>
#include <string>
#include <vector>

#include "platform/DateTime.h"
#include "ui/mainwindow/DataFileLock.h"
#include "ui/mainwindow/MainWindowEnvironment.h"
#include "ui/options/FontText.h"
#include "ui/mainwindow/SafeFileSave.h"
#include "ui/mainwindow/UILock.h"
#include "ui/mainwindow/WindowState.h"
#include "ui/undo/UndoNavigation.h"  // the window's undo part, as its callers reach it

class QAction;
class QMenu;
class QPlainTextEdit;
class QSplitter;
class QTreeWidgetItem;
class TZipHostInstaller;
class QWidget;
class TStream;
class QDateEdit;    // To-Do page and place panel
class QPushButton;  // To-Do page and place panel
class QTreeWidget;  // To-Do page and place panel
class IWindowServices;
class TImportExport;
class TTaskPanel;
class TToDoPage;
class TPlacePanel;
class TDesktopIntegration;
class TWindowOptions;
class TTaskDragDrop;
class TSortFind;
class TTaskCommands;
class TOutlineViews;
class TPageControl;
class TSharedShortcutDispatcher;
class TTaskNode;
class TTaskPlace;
class TTovrinDataBase;
class TTreeViewCheckBoxes;

class TfrmTovrinMain : public QMainWindow {
    Q_OBJECT
public:
    explicit TfrmTovrinMain(TMainWindowEnvironment Environment = {}, QWidget* parent = nullptr);
    ~TfrmTovrinMain() override;

private:
    // Declared first: the names below refer into it.
    TWindowState state_;

public:
    // ---- Document state ----
    // What the window's parts share: the document, current task and place, modified flag.
    TWindowState& State() { return state_; }
    bool Untitled = true;
    std::string FileName;
    int32_t UILockCount = 0;

    // ---- Outline tree state ----
    bool NewTaskPending = false;
    int32_t DrawLockCount = 0;

    // ---- The places lists need refilling ----
    bool PlacesListsStale = false;

    // ---- Installation settings ----
    std::string LastDBFile;

    // ---- Document lifecycle ----
    void OpenStartupFile();
    void CreateDemoFile(bool SaveAsFile);
    bool AskSaveChanges();
    void ClearDocument();
    void AddInitialTask();
    void NewEmptyDocument();
    void OpenDocument(const std::string& Name);
    bool SaveDocument();
    bool SaveAs();
    bool SaveToFile(const std::string& Name);
    void SetModified(bool Value);
    void UpdateCaption();
    void UnlockDataFile();
    void SetEditingEnabled(bool Enabled);
    void ImportXmlFile(const std::string& Name, QTreeWidgetItem* TargetNode);
    // Lets tests break a save at any step.

    // ---- Outline tree views ----
    QTreeWidgetItem* FindTaskNode(TTreeViewCheckBoxes* Tree, const TTaskNode* Task) const;
    void CancelPendingNewTask();
    void EndInPlaceEditing();
    void RepaintTaskTrees();
    static TTaskNode* NodeTask(const QTreeWidgetItem* Node);
    static void SetNodeTask(QTreeWidgetItem* Node, const TTaskNode* Task);

    // ---- After a task changed ----
    void UpdateTreeActions();
    void RefreshPlacesLists();

    // ---- Places lists and page switching (TovrinMainPages.cpp) ----
    void SyncSelectionWithCurrentTask(QWidget* Page);

    // ---- About box command (TovrinMainAbout.cpp) ----
    void BuildAboutCommand();
    void actAboutExecute();

    // ---- Deleting and dragging tasks as undoable steps (TovrinMainUndo.cpp) ----
    void BuildUndoAndNavigation();
    void ConnectUndoAndNavigation();
    void DeleteSelectedTask(bool Undoable);
    // A dragged task dropped before the NewIndex-th node under TargetParentNode (nullptr: the
    // top level; NewIndex -1: as its last child): moved as an undoable step.
    void DragTaskNode(QTreeWidgetItem* Node, int32_t NewIndex, QTreeWidgetItem* TargetParentNode);
    // Deletes a place as an undoable step (the Places page's delete command).
    void DeletePlaceUndoable(TTaskPlace* Place);
    void actDeleteTaskExecute();

    // ---- Building the outline's parts (outline/TaskCommands.h, SortFind.h, TaskDragDrop.h); the
    // Outlook and Help commands (TovrinMainCommands.cpp) ----
    void BuildTaskCommands();
    bool QuickOutlookSync(QWidget* AOwner, const std::string& FolderPath, int32_t Mode);
    void actQuickOutlookConnectExecute();
    void actConnectToOutlookExecute();
    void Howitworks1Click();
    void VisitTovrinWebSite1Click();
    void Proposenewfeature1Click();

    // ---- Building the desktop part and the options part (TovrinMainSettings.cpp) ----
    void BuildSettings();

    IWindowServices& Services() const { return *services_; }
    // The window's parts.
    TImportExport& Exchange() const { return *exchange_; }
    TTaskPanel& TaskPanel() const { return *tasks_; }
    TToDoPage& ToDo() const { return *toDo_; }
    TPlacePanel& Places() const { return *places_; }
    TDesktopIntegration& Desktop() const { return *desktop_; }
    // Display switches, fonts, installation settings and the Options commands (options/WindowOptions.h).
    TWindowOptions& Options() const { return *options_; }
    TUndoNavigation& Undo() const { return *undo_; }
    // The rows' drawing, spots and drag-and-drop (outline/TaskDragDrop.h).
    TTaskDragDrop& DragDrop() const { return *dragDrop_; }
    // Sorting subtasks and finding text, with their commands (outline/SortFind.h).
    TSortFind& SortFind() const { return *sortFind_; }
    // Commands on a task's subtree and on the To-Do list (outline/TaskCommands.h).
    TTaskCommands& TaskCommands() const { return *taskCommands_; }
    // The outline tree in its views, its fill and the rows' sync (outline/OutlineViews.h).
    TOutlineViews& Views() const { return *views_; }

    // ---- Controls ----
    TPageControl* pcMainPages = nullptr;
    QWidget* tshOutline = nullptr;
    QWidget* tshToDoList = nullptr;
    QWidget* tshPlaces = nullptr;
    // The outline views' tree (Views().tvTasksTree()), for the tree handlers still here.
    TTreeViewCheckBoxes* tvTasksTree = nullptr;

    // ---- Command handlers ----
    void actFileNewExecute();
    void Newdemofile1Click();
    void actOpenExecute();
    void actSaveExecute();
    void actSaveAsExecute();
    void Exit1Click();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    // State only the shell itself reaches.
    const bool CreateBackup = true;
    TDataFileLock DataFileLock;
    TDateTime DrawTime = 0;
    TSafeSaveOptions SaveOptions;
    // Commands and widgets only the shell itself reaches.
    QAction* Exit1 = nullptr;
    QAction* Howitworks1 = nullptr;
    QAction* Proposenewfeature1 = nullptr;
    QAction* VisitTovrinWebSite1 = nullptr;
    QAction* actAbout = nullptr;
    QAction* actInsertDateTime = nullptr;
    QAction* actRefreshSubtree = nullptr;
    QAction* actSaveAs = nullptr;
    QMenu* pmnuTaskTree = nullptr;
    QSplitter* splMain = nullptr;
    QAction* Newdemofile1 = nullptr;
    QAction* actSave = nullptr;
    QAction* actConnectToOutlook = nullptr;
    QAction* actFileNew = nullptr;
    QAction* actNewVirtualRoot = nullptr;
    QAction* actOpen = nullptr;
    QAction* actNewSubTask = nullptr;
    QAction* actDeleteTask = nullptr;
    QAction* actNewTask = nullptr;
    QAction* actQuickOutlookConnect = nullptr;
    void BuildControls();
    void BuildActions();
    void BuildMenuBar();
    void BuildExchange();
    void BuildTaskPanel();
    void BuildPlacePanel();
    // Which side of the property panel shows: the current task's or the current place's.
    static constexpr int ppTask = 0;
    static constexpr int ppPlace = 1;
    void ShowPropertyPanel(int Kind);
    void HookTree(TTreeViewCheckBoxes* Tree);
    // The open in-place caption editor, if any.
    QWidget* GetInPlaceEditor() const;
    bool FormCloseQuery();
    void FormDestroy();
    // Open: the file read into a document of its own, which takes the current one's place
    // only when the whole file was read.
    std::unique_ptr<TTovrinDataBase> ReadDataFile(TStream& Stream);
    void ReplaceDataBase(std::unique_ptr<TTovrinDataBase> Loaded);

    // The outline's new tasks and check marks (TovrinMainTree.cpp).
    void InsertNewTask(QTreeWidgetItem* ParentNode, QTreeWidgetItem* BeforeNode);
    void ProcessCheckUncheckInTree(TTreeViewCheckBoxes* Tree, QTreeWidgetItem* Node);
    void TreeCancelEdit();
    void actNewTaskExecute();
    void actNewSubTaskExecute();
    void actRefreshSubtreeExecute();
    void actNewVirtualRootExecute();

    // Tree handlers shared by both trees.
    bool tvTasksTreeChanging(TTreeViewCheckBoxes* Tree, QTreeWidgetItem* Node);
    bool tvTasksTreeKeyDown(TTreeViewCheckBoxes* Tree, QKeyEvent* Event);
    bool tvTasksTreeMouseDown(TTreeViewCheckBoxes* Tree, QMouseEvent* Event);
    void tvTasksTreeMouseMove(TTreeViewCheckBoxes* Tree, QMouseEvent* Event);
    void tvTasksTreeEdited(QTreeWidgetItem* Node, const QString& Text);
    void tvTasksTreeItemChanged(TTreeViewCheckBoxes* Tree, QTreeWidgetItem* Node);
    void tvTasksTreeControlExpandedCollapsed(QTreeWidgetItem* Node, bool Expanded);
    void StartCaptionEdit(TTreeViewCheckBoxes* Tree, QTreeWidgetItem* Node, int CaretIndex = -1);
    void pcMainPagesChange();
    bool pcMainPagesChanging();

    // The right-hand side: the task panel's or the place panel's side of the property panel.
    QWidget* pnlRight = nullptr;
    QWidget* pnlTaskProps = nullptr;
    QWidget* pnlPlaceProps = nullptr;
    TMainWindowEnvironment environment_;
    std::unique_ptr<IWindowServices> ownServices_;
    IWindowServices* services_ = nullptr;
    std::unique_ptr<TZipHostInstaller> zipHost_;   // the ZIP component's questions and cursor
    TSharedShortcutDispatcher* shortcuts_ = nullptr;
    TImportExport* exchange_ = nullptr;
    TTaskPanel* tasks_ = nullptr;
    TToDoPage* toDo_ = nullptr;
    TPlacePanel* places_ = nullptr;
    TDesktopIntegration* desktop_ = nullptr;
    TWindowOptions* options_ = nullptr;
    TUndoNavigation* undo_ = nullptr;
    TTaskDragDrop* dragDrop_ = nullptr;
    TSortFind* sortFind_ = nullptr;
    TTaskCommands* taskCommands_ = nullptr;
    TOutlineViews* views_ = nullptr;
    bool closingFromExit_ = false;
    bool closeAccepted_ = false;
    bool destroyed_ = false;
};
