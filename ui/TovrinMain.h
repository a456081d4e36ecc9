#pragma once
// The main window: one window over the one document. Its methods are spread over files by job:
// TovrinMain.cpp (building, commands, closing), TovrinMainDocument.cpp (New, Open, Save, the
// start-up outline), TovrinMainTree.cpp (the outline tree views), TovrinMainTaskPanel.cpp (the
// current task and its write-back).
#include <QMainWindow>

#include <memory>
#include <string>
#include <vector>

#include "platform/DateTime.h"
#include "ui/DataFileLock.h"
#include "ui/FontText.h"
#include "ui/SafeFileSave.h"

class QAction;
class QCheckBox;
class QComboBox;
class QFrame;
class QLabel;
class QMenu;
class QPlainTextEdit;
class QSplitter;
class QToolButton;
class QTreeWidgetItem;
class QWidget;
class IWindowServices;
class TPageControl;
class TSharedShortcutDispatcher;
class TTaskNode;
class TTaskPlace;
class TTovrinDataBase;
class TTreeViewCheckBoxes;
struct TViewRow;

// Where the window finds what lies outside it; tests give temporary folders and scripted boxes.
struct TMainWindowEnvironment {
    std::vector<std::string> Args;        // command-line arguments without the program name
    std::string CurrentDir;               // empty: the process's current directory
    std::string ProgramDir;               // folder of the program (demo data, demo outline)
    std::vector<std::string> DataDirs;    // installed data folders searched for the demo data
    std::string UserDataDir;              // demo outline when the program folder is read-only
    IWindowServices* Services = nullptr;  // nullptr: the window's own Qt boxes and dialogs
    bool PostStartupMessage = true;       // open the start-up outline from the event loop
    std::string SettingsFile;             // empty: the user's own settings
};

class TfrmTovrinMain : public QMainWindow {
    Q_OBJECT
public:
    explicit TfrmTovrinMain(TMainWindowEnvironment Environment = {}, QWidget* parent = nullptr);
    ~TfrmTovrinMain() override;

    // ---- Document state ----
    std::unique_ptr<TTovrinDataBase> DataBase;
    TTaskNode* CurrentTask = nullptr;
    TTaskPlace* CurrentPlace = nullptr;
    bool Modified = false;
    bool Untitled = true;
    std::string FileName;
    const bool CreateBackup = true;
    TDataFileLock DataFileLock;
    TTaskNode* VirtualRoot = nullptr;
    int32_t UILockCount = 0;
    TFontDesc DefaultTasksFont;
    TFontDesc DefaultNoteFont;
    int32_t DefaultTasksColor = clWindow;
    int32_t DefaultNoteColor = clWindow;

    // ---- Outline tree state ----
    std::string CurrentViewName;
    bool NewTaskPending = false;
    int32_t TreeFillCount = 0;
    int32_t DrawLockCount = 0;
    TDateTime DrawTime = 0;

    // ---- Property panel state ----
    bool TaskDirty = false;
    bool PlaceDirty = false;
    bool ForceReload = false;
    bool PlacesListsStale = false;

    // ---- The outline's display switches, copied to and from the document ----
    bool ShowToDoSheet = true;
    bool ShowTaskProperties = true;
    bool ShowImportance = true;
    bool ShowPlaces = true;
    bool ShowGoals = true;
    bool ShowTime = true;
    bool ShowEffort = true;
    bool ShowProject = true;
    bool ShowTaskTreeViews = true;

    // ---- Installation settings ----
    bool CloseToTray = false;
    bool OneClickEditMode = true;
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
    void LockDataFile();
    void UnlockDataFile();
    void SetEditingEnabled(bool Enabled);
    void ReloadCurrentTask();
    void ImportXmlFile(const std::string& Name, QTreeWidgetItem* TargetNode);
    void LoadSettings();
    void SaveSettings();
    // Lets tests break a save at any step.
    TSafeSaveOptions SaveOptions;

    // ---- Outline tree views ----
    void FillTaskTree(QTreeWidgetItem* Node = nullptr, bool KeepSelection = false);
    void DoFillTaskTree(QTreeWidgetItem* Node, bool KeepSelection);
    void FillGoalsView();
    void FillProjectsView();
    void RefillTaskTree();
    void SetTaskTreeView(const std::string& Name);
    bool ResetTaskTreeView(bool KeepToDoPage);
    void FillTaskTreeViewCombo();
    void ShowTaskTreeFilterPanel(bool Open);
    void SetVirtualRoot(TTaskNode* Task);
    bool IsVirtualRootActive() const;
    void InsertNewTask(QTreeWidgetItem* ParentNode, QTreeWidgetItem* BeforeNode);
    QTreeWidgetItem* FindTaskNode(TTreeViewCheckBoxes* Tree, const TTaskNode* Task) const;
    void ProcessCheckUncheckInTree(TTreeViewCheckBoxes* Tree, QTreeWidgetItem* Node);
    void RefreshCheckMarks(QTreeWidgetItem* Node);
    void TreeCancelEdit();
    void CancelPendingNewTask();
    void EndInPlaceEditing();
    void RepaintTaskTrees();
    static TTaskNode* NodeTask(const QTreeWidgetItem* Node);

    // ---- Current task and its write-back ----
    void SetCurrentTask(TTaskNode* Task);
    void UpdateCurrentTask();
    void SetCurrentPlace(TTaskPlace* Place);
    void UpdateCurrentPlace();
    void SetTaskDirty(bool Value);
    void ApplyTaskChange(bool Delay, bool Force);
    void SyncTreeNode(QTreeWidgetItem* Node);
    void ClearUndoHistory();
    void UpdateUndoRedoActions();
    void UpdateTreeActions();
    void RebuildToDoList();
    void RefreshPlacesLists();

    // ---- Display switches ----
    void SetShowToDoSheet(bool Value);
    void SetShowTaskProperties(bool Value);
    void SetShowImportance(bool Value);
    void SetShowPlaces(bool Value);
    void SetShowGoals(bool Value);
    void SetShowTime(bool Value);
    void SetShowEffort(bool Value);
    void SetShowProject(bool Value);
    void SetShowTaskTreeViews(bool Value);

    IWindowServices& Services() const { return *services_; }

    // ---- Controls ----
    TPageControl* pcMainPages = nullptr;
    QWidget* tshOutline = nullptr;
    QWidget* tshToDoList = nullptr;
    QWidget* tshPlaces = nullptr;
    TTreeViewCheckBoxes* tvTasksTree = nullptr;
    TTreeViewCheckBoxes* tvToDo = nullptr;
    QFrame* pnlVirtualRoot = nullptr;
    QLabel* lbVirtualRoot = nullptr;
    QFrame* pnlVirtualRoot2 = nullptr;
    QLabel* lbVirtualRoot2 = nullptr;
    QFrame* pnlTaskTreeFilter = nullptr;
    QToolButton* sbTaskTreeFilter = nullptr;
    QComboBox* cbToDoTreeViewOptions = nullptr;
    QCheckBox* chHideCompletedTasks = nullptr;
    QWidget* pnlRight = nullptr;
    QWidget* pnlTaskProps = nullptr;
    QWidget* pnlPlaceProps = nullptr;
    QWidget* pnlTaskPropTabSheet = nullptr;
    QPlainTextEdit* memTaskCaption = nullptr;
    TPageControl* pcTaskProps = nullptr;
    QWidget* pnlTaskPropNotes = nullptr;
    QSplitter* splMain = nullptr;
    QMenu* pmnuTaskTree = nullptr;

    QAction* actFileNew = nullptr;
    QAction* Newdemofile1 = nullptr;
    QAction* actOpen = nullptr;
    QAction* actSave = nullptr;
    QAction* actSaveAs = nullptr;
    QAction* Exit1 = nullptr;
    QAction* actUndo = nullptr;
    QAction* actRedo = nullptr;
    QAction* actNewTask = nullptr;
    QAction* actNewSubTask = nullptr;
    QAction* actRefreshSubtree = nullptr;
    QAction* actNewVirtualRoot = nullptr;
    QAction* actInsertDateTime = nullptr;
    QAction* AdvancedOptions1 = nullptr;

    // ---- Command handlers ----
    void actFileNewExecute();
    void Newdemofile1Click();
    void actOpenExecute();
    void actSaveExecute();
    void actSaveAsExecute();
    void Exit1Click();
    void actNewTaskExecute();
    void actNewSubTaskExecute();
    void actRefreshSubtreeExecute();
    void actNewVirtualRootExecute();
    void AdvancedOptions1Click();
    void chHideCompletedTasksClick();
    void cbToDoTreeViewOptionsChange();
    void sbTaskTreeFilterClick();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void BuildControls();
    void BuildActions();
    void HookTree(TTreeViewCheckBoxes* Tree);
    bool FormCloseQuery();
    void FormDestroy();

    // Tree handlers shared by both trees.
    bool tvTasksTreeChanging(TTreeViewCheckBoxes* Tree, QTreeWidgetItem* Node);
    bool tvTasksTreeKeyDown(TTreeViewCheckBoxes* Tree, QKeyEvent* Event);
    bool tvTasksTreeMouseDown(TTreeViewCheckBoxes* Tree, QMouseEvent* Event);
    void tvTasksTreeMouseMove(TTreeViewCheckBoxes* Tree, QMouseEvent* Event);
    void tvTasksTreeEdited(QTreeWidgetItem* Node, const QString& Text);
    void tvTasksTreeItemChanged(TTreeViewCheckBoxes* Tree, QTreeWidgetItem* Node);
    void tvTasksTreeControlExpandedCollapsed(QTreeWidgetItem* Node, bool Expanded);
    void StartCaptionEdit(TTreeViewCheckBoxes* Tree, QTreeWidgetItem* Node, int CaretIndex = -1);
    QTreeWidgetItem* AddRow(QTreeWidgetItem* Parent, const TViewRow& Row);
    void memTaskCaptionChange();
    void TaskNodeChange();
    void pcMainPagesChange();
    bool pcMainPagesChanging();

    TMainWindowEnvironment environment_;
    std::unique_ptr<IWindowServices> ownServices_;
    IWindowServices* services_ = nullptr;
    TSharedShortcutDispatcher* shortcuts_ = nullptr;
    bool closingFromExit_ = false;
    bool closeAccepted_ = false;
    bool destroyed_ = false;
};

// Raises the window's UI lock for the lifetime of the guard.
class TUILock {
public:
    explicit TUILock(int32_t& counter) : counter_(counter) { ++counter_; }
    ~TUILock() { --counter_; }
    TUILock(const TUILock&) = delete;
    TUILock& operator=(const TUILock&) = delete;

private:
    int32_t& counter_;
};
