// The document's lifecycle: the start-up outline, New, Open, Save, Save as, the demo outline,
// the caption and the lock on the data file.
#include "ui/mainwindow/TovrinMain.h"
#include "ui/options/WindowOptions.h"

#include "ui/exchange/ImportExport.h"
#include "ui/todo/ToDoFilterPanel.h"

#include <QSettings>

#include <pugixml.hpp>

#include <utility>

#include "platform/Exceptions.h"
#include "platform/FileUtils.h"
#include "platform/Stream.h"
#include "taskdb/Services.h"
#include "taskdb/TovrinDataBase.h"
#include "ui/controls/PageControl.h"
#include "ui/mainwindow/StartupChoice.h"
#include "ui/desktop/ToolIcon.h"  // the tray hint
#include "ui/mainwindow/TovrinApplication.h"
#include "ui/controls/TreeViewCheckBoxes.h"
#include "ui/outline/OutlineViews.h"
#include "ui/outline/TreeViewRules.h"
#include "ui/mainwindow/WindowCaption.h"
#include "ui/mainwindow/WindowServices.h"
#include "ui/places/PlacePanel.h"
#include "ui/taskpanel/TaskPanel.h"
#include "ui/desktop/DesktopIntegration.h"
#include "ui/todo/ToDoPage.h"

namespace {

constexpr const char* DataFileFilter = "Tovrin DB File (*.tvd)|*.tvd|All files (*.*)|*.*";

bool SameFile(const std::string& a, const std::string& b)
{
    return !a.empty() && !b.empty() && ExpandFileName(a) == ExpandFileName(b);
}

} // namespace

// ---- Start-up ----

void TfrmTovrinMain::OpenStartupFile()
{
    const TStartupChoice choice = ChooseStartupFile(environment_.Args, environment_.CurrentDir, LastDBFile);
    switch (choice.Kind) {
    case TStartupChoice::KeepUntitled:
        break;
    case TStartupChoice::OpenFile:
        OpenDocument(choice.FileName);  // failures reach the default handler
        break;
    case TStartupChoice::OpenLastFile:
        try {
            OpenDocument(choice.FileName);
        } catch (...) {
            NewEmptyDocument();
            LastDBFile.clear();
        }
        break;
    case TStartupChoice::CreateDemo:
        CreateDemoFile(true);
        break;
    }
}

void TfrmTovrinMain::CreateDemoFile(bool SaveAsFile)
{
    const TDemoLocations demo =
        FindDemoLocations(environment_.ProgramDir, environment_.DataDirs, environment_.UserDataDir);
    if (!FileExists(demo.DataPath)) {
        if (!SaveAsFile)
            Services().ShowWarning("Can not create demo. Demo data not found: \"" + demo.DataPath + "\"");
        return;
    }
    if (SaveAsFile && FileExists(demo.TargetPath))
        return;
    try {
        ClearDocument();
        ImportXmlFile(demo.DataPath, nullptr);
        views_->FillTaskTree();
        PlacesListsStale = true;
        RefreshPlacesLists();
        if (SaveAsFile) {
            FileName = demo.TargetPath;
            Untitled = false;
            SaveDocument();
        }
    } catch (const std::exception& e) {
        NewEmptyDocument();
        if (!SaveAsFile)
            Services().ShowError(std::string("Can not create demo: ") + e.what());
    }
}

void TfrmTovrinMain::ImportXmlFile(const std::string& Name, QTreeWidgetItem* TargetNode)
{
    TTaskNode* target = TargetNode ? NodeTask(TargetNode) : nullptr;
    exchange_->ImportXmlFile(Name, target ? *target : *views_->VirtualRoot());
}

// ---- New, Open, Save ----

bool TfrmTovrinMain::AskSaveChanges()
{
    if (!state_.Modified)
        return true;
    switch (ConfirmYesNoCancel("Do you want to save the changes?")) {
    case idNo:
        return true;
    case idYes:
        return SaveDocument();
    default:
        return false;
    }
}

void TfrmTovrinMain::ClearDocument()
{
    TUILock lock(UILockCount);
    places_->SetCurrentPlace(nullptr);
    tasks_->SetCurrentTask(nullptr);
    // Undo steps may hold deleted tasks of the outline being cleared: they go with it, before
    // the document is emptied (so they report to this outline, not to the next).
    Undo().ClearUndoHistory();
    Undo().Navigation()->Clear();
    {
        TUILock drawLock(DrawLockCount);
        // The nodes refer to the tasks about to be freed.
        tvTasksTree->clear();
        toDo_->tvToDo()->clear();
        NewTaskPending = false;
        FileName.clear();
        Untitled = true;
        state_.DataBase->Clear();
        views_->SetVirtualRoot(state_.DataBase->Root.get());
        pcMainPages->SetActivePage(tshOutline);
        UnlockDataFile();
        views_->SetTaskTreeView(ViewAllTasks);
        views_->FillTaskTree();
        PlacesListsStale = true;  // the lists name places of the outline just freed
        RefreshPlacesLists();
        toDo_->RebuildToDoList();
    }
    Undo().ClearUndoHistory();
    Undo().Navigation()->Clear();
    SetModified(false);
}

void TfrmTovrinMain::AddInitialTask()
{
    state_.DataBase->Root->AddChild("New Task", -1);
    views_->FillTaskTree();
}

void TfrmTovrinMain::NewEmptyDocument()
{
    ClearDocument();
    AddInitialTask();
    Untitled = true;
}

void TfrmTovrinMain::OpenDocument(const std::string& Name)
{
    // Before anything changes: the file must open, and no other copy of the program may hold
    // it. A failure here keeps the current outline and its lock.
    TDataFileLock newLock;
    const bool reopening = DataFileLock.Held() && SameFile(DataFileLock.FileName(), Name);
    if (reopening)
        newLock.Swap(DataFileLock);
    else
        newLock.Lock(Name);
    std::unique_ptr<TFileStream> stream;
    try {
        stream = std::make_unique<TFileStream>(Name, TFileMode::fmOpenRead);
    } catch (...) {
        if (reopening)
            newLock.Swap(DataFileLock);
        throw;
    }

    // The file is read into a document of its own: a file that cannot be read leaves the
    // current outline, its name, its lock, its undo history and its modified mark as they are.
    std::unique_ptr<TTovrinDataBase> loaded;
    try {
        loaded = ReadDataFile(*stream);
    } catch (const ExNewerVersionOfFile& e) {
        Services().ShowWarning(e.what());
    } catch (const ExInvalidFileFormat& e) {
        Services().ShowError(std::string("Can not open this file: ") + e.what());
    } catch (const std::exception& e) {
        const std::string text = std::string("Can not open this Database File. It looks like it was corrupted: ") + e.what() +
                                 "\n\r\n\r" + "Clear the window?";
        if (Services().AskError(text) == idYes)
            NewEmptyDocument();  // also lets go of the current file
    }
    stream.reset();
    if (!loaded) {
        if (reopening && !FileName.empty())
            DataFileLock.Swap(newLock);
        return;
    }

    ClearDocument();
    ReplaceDataBase(std::move(loaded));
    FileName = Name;
    Untitled = false;
    views_->FillTaskTree();
    PlacesListsStale = true;
    RefreshPlacesLists();
    Options().SetShowToDoSheet(state_.DataBase->ShowToDoSheet);
    Options().SetShowTaskProperties(state_.DataBase->ShowTaskProperties);
    Options().SetShowImportance(state_.DataBase->ShowImportance);
    Options().SetShowPlaces(state_.DataBase->ShowPlaces);
    Options().SetShowGoals(state_.DataBase->ShowGoals);
    Options().SetShowTime(state_.DataBase->ShowTime);
    Options().SetShowEffort(state_.DataBase->ShowEffort);
    Options().SetShowProject(state_.DataBase->ShowProject);
    Options().SetShowTaskTreeViews(state_.DataBase->ShowTaskTreeViews);
    toDo_->ToDoFilter().RestoreToDoFilter();
    SetModified(false);
    DataFileLock.Swap(newLock);
    DataFileLock.SetFileName(FileName);
}

std::unique_ptr<TTovrinDataBase> TfrmTovrinMain::ReadDataFile(TStream& Stream)
{
    // A new document makes itself the one that freed tasks report to; while it reads, and
    // when it is dropped, it must be, so that no task of it reaches the current outline.
    auto loaded = std::make_unique<TTovrinDataBase>();
    try {
        loaded->LoadFromStream(Stream, "");
    } catch (...) {
        loaded.reset();
        CurrentDataBase = state_.DataBase.get();
        throw;
    }
    CurrentDataBase = state_.DataBase.get();
    return loaded;
}

void TfrmTovrinMain::ReplaceDataBase(std::unique_ptr<TTovrinDataBase> Loaded)
{
    // The outline going away is still the one its tasks report to, and it ignores reports while
    // it is freed; then the new one takes its place. The views were emptied by ClearDocument.
    std::exchange(state_.DataBase, std::move(Loaded)).reset();
    CurrentDataBase = state_.DataBase.get();
    views_->LetGoOfVirtualRoot();
}

bool TfrmTovrinMain::SaveDocument()
{
    const std::string previousName = FileName;
    if (Untitled) {
        TFileDialogRequest request;
        request.Filter = DataFileFilter;
        request.FileName = FileName;
        request.DefaultExtension = "tvd";
        if (!desktop_->RunSaveDialog(request))
            return false;
        FileName = request.FileName;
    }
    Undo().ClearUndoHistory();
    try {
        return SaveToFile(FileName);
    } catch (...) {
        FileName = previousName;  // a failed save keeps the outline's name
        throw;
    }
}

bool TfrmTovrinMain::SaveAs()
{
    const bool wasUntitled = Untitled;
    Untitled = true;
    bool saved = false;
    try {
        saved = SaveDocument();
    } catch (...) {
        Untitled = wasUntitled;
        throw;
    }
    Untitled = saved ? false : wasUntitled;
    return saved;
}

bool TfrmTovrinMain::SaveToFile(const std::string& Name)
{
    tasks_->UpdateCurrentTask();
    places_->UpdateCurrentPlace();
    state_.DataBase->SetShowToDoSheet(Options().ShowToDoSheet());
    state_.DataBase->SetShowTaskProperties(Options().ShowTaskProperties());
    state_.DataBase->SetShowImportance(Options().ShowImportance());
    state_.DataBase->SetShowPlaces(Options().ShowPlaces());
    state_.DataBase->SetShowGoals(Options().ShowGoals());
    state_.DataBase->SetShowTime(Options().ShowTime());
    state_.DataBase->SetShowEffort(Options().ShowEffort());
    state_.DataBase->SetShowProject(Options().ShowProject());
    state_.DataBase->SetShowTaskTreeViews(Options().ShowTaskTreeViews());
    toDo_->ToDoFilter().StoreToDoFilter();

    TSafeSaveOptions options = SaveOptions;
    options.CreateBackup = CreateBackup;
    SaveFileSafely(Name, [this](TStream& stream) { state_.DataBase->SaveToStream(stream, "", 3); }, DataFileLock, options);
    FileName = Name;
    Untitled = false;
    SetModified(false);
    return true;
}

void TfrmTovrinMain::SetModified(bool Value)
{
    state_.Modified = Value;
    UpdateCaption();
}

void TfrmTovrinMain::UpdateCaption()
{
    const TWindowCaption caption = MakeWindowCaption(FileName, state_.Modified);
    setWindowTitle(QString::fromStdString(caption.Caption));
    if (desktop_)
        desktop_->TrayIcon()->SetHint(caption.TrayHint);
}

void TfrmTovrinMain::UnlockDataFile()
{
    DataFileLock.Unlock();
}

void TfrmTovrinMain::SetEditingEnabled(bool Enabled)
{
    for (QAction* action : {actSave, actSaveAs, actNewTask, actNewSubTask, places_->actNewPlace()})
        action->setEnabled(Enabled);
    // Import, export and the Outlook commands.
    for (QAction* action : {exchange_ ? exchange_->actImport() : nullptr, exchange_ ? exchange_->actExport() : nullptr,
                            actConnectToOutlook})
        if (action)
            action->setEnabled(Enabled);
    if (actQuickOutlookConnect)
        actQuickOutlookConnect->setEnabled(Enabled && state_.DataBase && !state_.DataBase->OutlookFolderPath.empty());
}

// ---- File commands ----

void TfrmTovrinMain::actFileNewExecute()
{
    EndInPlaceEditing();
    if (AskSaveChanges()) {
        NewEmptyDocument();
        SetEditingEnabled(true);
    }
}

void TfrmTovrinMain::Newdemofile1Click()
{
    EndInPlaceEditing();
    if (AskSaveChanges())
        CreateDemoFile(false);
}

void TfrmTovrinMain::actOpenExecute()
{
    EndInPlaceEditing();
    if (!AskSaveChanges())
        return;
    TFileDialogRequest request;
    request.Filter = DataFileFilter;
    if (Services().ExecuteOpenDialog(request))
        OpenDocument(request.FileName);
}

void TfrmTovrinMain::actSaveExecute()
{
    EndInPlaceEditing();
    SaveDocument();
}

void TfrmTovrinMain::actSaveAsExecute()
{
    EndInPlaceEditing();
    SaveAs();
}
