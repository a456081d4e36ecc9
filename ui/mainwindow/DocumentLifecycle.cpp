// The document's lifecycle: the start-up outline, New, Open, Save, Save as, the demo outline,
// the caption and the lock on the data file.
#include "ui/mainwindow/DocumentLifecycle.h"

#include <QAction>
#include <QMainWindow>

#include <utility>

#include "platform/Exceptions.h"
#include "platform/FileUtils.h"
#include "platform/Stream.h"
#include "taskdb/Services.h"
#include "taskdb/TovrinDataBase.h"
#include "ui/mainwindow/StartupChoice.h"
#include "ui/mainwindow/MainWindowEnvironment.h"
#include "ui/mainwindow/TovrinApplication.h"
#include "ui/mainwindow/UILock.h"
#include "ui/mainwindow/WindowAction.h"
#include "ui/mainwindow/WindowState.h"
#include "ui/outline/TaskItemData.h"
#include "ui/outline/TreeViewRules.h"
#include "ui/mainwindow/WindowCaption.h"
#include "ui/mainwindow/WindowServices.h"

namespace {

constexpr const char* DataFileFilter = "Tovrin DB File (*.tvd)|*.tvd|All files (*.*)|*.*";

bool SameFile(const std::string& a, const std::string& b)
{
    return !a.empty() && !b.empty() && ExpandFileName(a) == ExpandFileName(b);
}

} // namespace

TDocumentLifecycle::TDocumentLifecycle(QMainWindow& Window, TWindowState& State,
                                       const TMainWindowEnvironment& Environment, int32_t& UILockCount,
                                       int32_t& DrawLockCount, IWindowServices& Services, TDocumentHost Host)
    : QObject(&Window), window_(Window), state_(State), environment_(Environment), uiLockCount_(UILockCount),
      drawLockCount_(DrawLockCount), services_(Services), host_(std::move(Host))
{
    actFileNew_ = MakeWindowAction(Window, *this, "actFileNew", "New", nullptr, &TDocumentLifecycle::actFileNewExecute);
    Newdemofile1_ = MakeWindowAction(Window, *this, "Newdemofile1", "New demo", nullptr,
                                     &TDocumentLifecycle::Newdemofile1Click);
    actOpen_ = MakeWindowAction(Window, *this, "actOpen", "Open...", "Ctrl+O", &TDocumentLifecycle::actOpenExecute);
    actSave_ = MakeWindowAction(Window, *this, "actSave", "Save", "Ctrl+S", &TDocumentLifecycle::actSaveExecute);
    actSaveAs_ =
        MakeWindowAction(Window, *this, "actSaveAs", "Save as...", nullptr, &TDocumentLifecycle::actSaveAsExecute);
}

// ---- Start-up ----

void TDocumentLifecycle::OpenStartupFile()
{
    const TStartupChoice choice = ChooseStartupFile(environment_.Args, environment_.CurrentDir, lastDBFile_);
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
            lastDBFile_.clear();
        }
        break;
    case TStartupChoice::CreateDemo:
        CreateDemoFile(true);
        break;
    }
}

void TDocumentLifecycle::CreateDemoFile(bool SaveAsFile)
{
    const TDemoLocations demo =
        FindDemoLocations(environment_.ProgramDir, environment_.DataDirs, environment_.UserDataDir);
    if (!FileExists(demo.DataPath)) {
        if (!SaveAsFile)
            services_.ShowWarning("Can not create demo. Demo data not found: \"" + demo.DataPath + "\"");
        return;
    }
    if (SaveAsFile && FileExists(demo.TargetPath))
        return;
    try {
        ClearDocument();
        ImportXmlFile(demo.DataPath, nullptr);
        host_.FillTaskTree();
        host_.RefillPlacesLists();
        if (SaveAsFile) {
            fileName_ = demo.TargetPath;
            untitled_ = false;
            SaveDocument();
        }
    } catch (const std::exception& e) {
        NewEmptyDocument();
        if (!SaveAsFile)
            services_.ShowError(std::string("Can not create demo: ") + e.what());
    }
}

void TDocumentLifecycle::ImportXmlFile(const std::string& Name, QTreeWidgetItem* TargetNode)
{
    TTaskNode* target = TargetNode ? ItemTask(TargetNode) : nullptr;
    host_.ImportXmlFile(Name, target ? *target : *host_.VirtualRoot());
}

// ---- New, Open, Save ----

bool TDocumentLifecycle::AskSaveChanges()
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

void TDocumentLifecycle::ClearDocument()
{
    TUILock lock(uiLockCount_);
    ++state_.Outline;
    host_.ClearPanels();
    // Undo steps may hold deleted tasks of the outline being cleared: they go with it, before
    // the document is emptied (so they report to this outline, not to the next).
    host_.ClearUndoHistory();
    host_.ClearNavigation();
    {
        TUILock drawLock(drawLockCount_);
        // The nodes refer to the tasks about to be freed.
        host_.ClearTrees();
        fileName_.clear();
        untitled_ = true;
        state_.DataBase->Clear();
        host_.SetVirtualRoot(state_.DataBase->Root.get());
        host_.ShowOutlinePage();
        UnlockDataFile();
        host_.SetTaskTreeView(ViewAllTasks);
        host_.FillTaskTree();
        host_.RefillPlacesLists();  // the lists name places of the outline just freed
        host_.RebuildToDoList();
    }
    host_.ClearUndoHistory();
    host_.ClearNavigation();
    SetModified(false);
}

void TDocumentLifecycle::AddInitialTask()
{
    state_.DataBase->Root->AddChild("New Task", -1);
    host_.FillTaskTree();
}

void TDocumentLifecycle::NewEmptyDocument()
{
    ClearDocument();
    AddInitialTask();
    untitled_ = true;
}

void TDocumentLifecycle::OpenDocument(const std::string& Name)
{
    // Before anything changes: the file must open, and no other copy of the program may hold
    // it. A failure here keeps the current outline and its lock.
    TDataFileLock newLock;
    const bool reopening = dataFileLock_.Held() && SameFile(dataFileLock_.FileName(), Name);
    if (reopening)
        newLock.Swap(dataFileLock_);
    else
        newLock.Lock(Name);
    std::unique_ptr<TFileStream> stream;
    try {
        stream = std::make_unique<TFileStream>(Name, TFileMode::fmOpenRead);
    } catch (...) {
        if (reopening)
            newLock.Swap(dataFileLock_);
        throw;
    }

    // The file is read into a document of its own: a file that cannot be read leaves the
    // current outline, its name, its lock, its undo history and its modified mark as they are.
    std::unique_ptr<TTovrinDataBase> loaded;
    try {
        loaded = ReadDataFile(*stream);
    } catch (const ExNewerVersionOfFile& e) {
        services_.ShowWarning(e.what());
    } catch (const ExInvalidFileFormat& e) {
        services_.ShowError(std::string("Can not open this file: ") + e.what());
    } catch (const std::exception& e) {
        const std::string text = std::string("Can not open this Database File. It looks like it was corrupted: ") + e.what() +
                                 "\n\r\n\r" + "Clear the window?";
        if (services_.AskError(text) == idYes)
            NewEmptyDocument();  // also lets go of the current file
    }
    stream.reset();
    if (!loaded) {
        if (reopening && !fileName_.empty())
            dataFileLock_.Swap(newLock);
        return;
    }

    ClearDocument();
    ReplaceDataBase(std::move(loaded));
    fileName_ = Name;
    untitled_ = false;
    host_.FillTaskTree();
    host_.RefillPlacesLists();
    host_.ShowDisplaySwitches();
    host_.RestoreToDoFilter();
    SetModified(false);
    dataFileLock_.Swap(newLock);
    dataFileLock_.SetFileName(fileName_);
}

std::unique_ptr<TTovrinDataBase> TDocumentLifecycle::ReadDataFile(TStream& Stream)
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

void TDocumentLifecycle::ReplaceDataBase(std::unique_ptr<TTovrinDataBase> Loaded)
{
    // The outline going away is still the one its tasks report to, and it ignores reports while
    // it is freed; then the new one takes its place. The views were emptied by ClearDocument.
    std::exchange(state_.DataBase, std::move(Loaded)).reset();
    CurrentDataBase = state_.DataBase.get();
    host_.LetGoOfVirtualRoot();
}

bool TDocumentLifecycle::SaveDocument()
{
    const std::string previousName = fileName_;
    if (untitled_) {
        TFileDialogRequest request;
        request.Filter = DataFileFilter;
        request.FileName = fileName_;
        request.DefaultExtension = "tvd";
        if (!host_.RunSaveDialog(request))
            return false;
        fileName_ = request.FileName;
    }
    host_.ClearUndoHistory();
    try {
        return SaveToFile(fileName_);
    } catch (...) {
        fileName_ = previousName;  // a failed save keeps the outline's name
        throw;
    }
}

bool TDocumentLifecycle::SaveAs()
{
    const bool wasUntitled = untitled_;
    untitled_ = true;
    bool saved = false;
    try {
        saved = SaveDocument();
    } catch (...) {
        untitled_ = wasUntitled;
        throw;
    }
    untitled_ = saved ? false : wasUntitled;
    return saved;
}

bool TDocumentLifecycle::SaveToFile(const std::string& Name)
{
    host_.FlushEdits();
    host_.StoreDisplaySwitches();
    host_.StoreToDoFilter();

    TSafeSaveOptions options = saveOptions_;
    options.CreateBackup = createBackup_;
    const std::string backupRefused = SaveFileSafely(
        Name, [this](TStream& stream) { state_.DataBase->SaveToStream(stream, "", 3); }, dataFileLock_, options);
    fileName_ = Name;
    untitled_ = false;
    SetModified(false);
    // Said once per file and reason, so that auto-save does not repeat it at every save.
    if (!backupRefused.empty() && backupWarnings_.insert(Name + '\n' + backupRefused).second)
        services_.ShowWarning("The file \"" + Name + "\" was saved without a backup. " + backupRefused);
    return true;
}

void TDocumentLifecycle::SetModified(bool Value)
{
    state_.Modified = Value;
    UpdateCaption();
}

void TDocumentLifecycle::UpdateCaption()
{
    const TWindowCaption caption = MakeWindowCaption(fileName_, state_.Modified);
    window_.setWindowTitle(QString::fromStdString(caption.Caption));
    host_.SetTrayHint(caption.TrayHint);
}

void TDocumentLifecycle::UnlockDataFile()
{
    dataFileLock_.Unlock();
}

// ---- File commands ----

void TDocumentLifecycle::actFileNewExecute()
{
    host_.EndInPlaceEditing();
    if (AskSaveChanges()) {
        NewEmptyDocument();
        host_.SetEditingEnabled(true);
    }
}

void TDocumentLifecycle::Newdemofile1Click()
{
    host_.EndInPlaceEditing();
    if (AskSaveChanges())
        CreateDemoFile(false);
}

void TDocumentLifecycle::actOpenExecute()
{
    host_.EndInPlaceEditing();
    if (!AskSaveChanges())
        return;
    TFileDialogRequest request;
    request.Filter = DataFileFilter;
    if (services_.ExecuteOpenDialog(request))
        OpenDocument(request.FileName);
}

void TDocumentLifecycle::actSaveExecute()
{
    host_.EndInPlaceEditing();
    SaveDocument();
}

void TDocumentLifecycle::actSaveAsExecute()
{
    host_.EndInPlaceEditing();
    SaveAs();
}
