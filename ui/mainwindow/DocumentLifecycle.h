#pragma once
// The document's life: the start-up outline, New, Open, Save, Save as, the demo outline, the
// caption and the lock on the data file. The part owns the File commands that make and keep
// documents and the name of the file the outline lives in; the shell places the commands.
#include <QObject>

#include <cstdint>
#include <functional>
#include <memory>
#include <set>
#include <string>

#include "ui/mainwindow/DataFileLock.h"
#include "ui/mainwindow/SafeFileSave.h"

class IWindowServices;
class QAction;
class QMainWindow;
class QTreeWidgetItem;
class TStream;
class TTaskNode;
class TTovrinDataBase;
struct TFileDialogRequest;
struct TMainWindowEnvironment;
struct TWindowState;

// What the document's life asks of the rest of the window.
struct TDocumentHost {
    // Writes pending edits of the task and place panels back to the document.
    std::function<void()> FlushEdits;
    // Empties the task and place panels: they show nothing of the outline about to go.
    std::function<void()> ClearPanels;
    std::function<void()> ClearUndoHistory;
    std::function<void()> ClearNavigation;
    // Empties both trees, whose nodes refer to the tasks about to be freed.
    std::function<void()> ClearTrees;
    std::function<void()> EndInPlaceEditing;
    // The outline views: their virtual root, view and fill.
    std::function<TTaskNode*()> VirtualRoot;
    std::function<void(TTaskNode* Root)> SetVirtualRoot;
    std::function<void()> LetGoOfVirtualRoot;
    std::function<void(const std::string& View)> SetTaskTreeView;
    std::function<void()> FillTaskTree;
    std::function<void()> ShowOutlinePage;
    // The places lists name places of the outline: they are refilled from it.
    std::function<void()> RefillPlacesLists;
    std::function<void()> RebuildToDoList;
    // The display switches and the To-Do filter, shown from and stored into the document.
    std::function<void()> ShowDisplaySwitches;
    std::function<void()> StoreDisplaySwitches;
    std::function<void()> RestoreToDoFilter;
    std::function<void()> StoreToDoFilter;
    std::function<void(const std::string& Name, TTaskNode& Target)> ImportXmlFile;
    // The Save dialog of an untitled outline; false when cancelled.
    std::function<bool(TFileDialogRequest& Request)> RunSaveDialog;
    std::function<void(const std::string& Hint)> SetTrayHint;
    std::function<void(bool Enabled)> SetEditingEnabled;
};

class TDocumentLifecycle : public QObject {
    Q_OBJECT
public:
    // Makes the File commands New, New demo, Open, Save and Save as.
    TDocumentLifecycle(QMainWindow& Window, TWindowState& State, const TMainWindowEnvironment& Environment,
                       int32_t& UILockCount, int32_t& DrawLockCount, IWindowServices& Services, TDocumentHost Host);

    void OpenStartupFile();
    void CreateDemoFile(bool SaveAsFile);
    void ImportXmlFile(const std::string& Name, QTreeWidgetItem* TargetNode);
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

    bool Untitled() const { return untitled_; }
    const std::string& FileName() const { return fileName_; }
    // The outline open when the program last closed, as the installation settings keep it.
    const std::string& LastDBFile() const { return lastDBFile_; }
    void SetLastDBFile(const std::string& Value) { lastDBFile_ = Value; }
    // Lets tests break a save at any step.
    TSafeSaveOptions& SaveOptions() { return saveOptions_; }

    QAction* actFileNew() const { return actFileNew_; }
    QAction* Newdemofile1() const { return Newdemofile1_; }
    QAction* actOpen() const { return actOpen_; }
    QAction* actSave() const { return actSave_; }
    QAction* actSaveAs() const { return actSaveAs_; }

private:
    void actFileNewExecute();
    void Newdemofile1Click();
    void actOpenExecute();
    void actSaveExecute();
    void actSaveAsExecute();
    // Open: the file read into a document of its own, which takes the current one's place
    // only when the whole file was read.
    std::unique_ptr<TTovrinDataBase> ReadDataFile(TStream& Stream);
    void ReplaceDataBase(std::unique_ptr<TTovrinDataBase> Loaded);

    QMainWindow& window_;
    TWindowState& state_;
    const TMainWindowEnvironment& environment_;
    int32_t& uiLockCount_;
    int32_t& drawLockCount_;
    IWindowServices& services_;
    TDocumentHost host_;
    bool untitled_ = true;
    std::string fileName_;
    std::string lastDBFile_;
    const bool createBackup_ = true;
    TDataFileLock dataFileLock_;
    TSafeSaveOptions saveOptions_;
    std::set<std::string> backupWarnings_;
    QAction* actFileNew_ = nullptr;
    QAction* Newdemofile1_ = nullptr;
    QAction* actOpen_ = nullptr;
    QAction* actSave_ = nullptr;
    QAction* actSaveAs_ = nullptr;
};
