// The run: connection to the folder, the check against the stored folder, the passes, the
// final stores and the log.
#include "outlooksync/OutlookSync.h"

#include <algorithm>
#include <vector>

#include "outlooksync/ICalendar.h"
#include "outlooksync/SyncHost.h"
#include "platform/AnsiText.h"
#include "platform/StrUtils.h"
#include "taskdb/Services.h"
#include "taskdb/TaskNode.h"
#include "taskdb/TovrinDataBase.h"

namespace {

std::string Quoted(const std::string& s)
{
    return "\"" + s + "\"";
}

// The folder of Folders named Name: one of exactly that name first (a store whose names
// differ in case may hold "Tasks" and "tasks"), else the first that equals it ignoring case.
std::shared_ptr<IOutlookFolder> FindFolder(IOutlookFolders& Folders, const std::string& Name)
{
    std::shared_ptr<IOutlookFolder> match;
    const int32_t count = Folders.Count();
    for (int32_t i = 1; i <= count; ++i) {
        std::shared_ptr<IOutlookFolder> folder = Folders.Item(i);
        if (!folder)
            continue;
        const std::string name = folder->Name();
        if (name == Name)
            return folder;
        if (!match && AnsiSameText(name, Name))
            match = folder;
    }
    if (!match)
        throw EOutlookError("Folder: " + Quoted(Name) + " not found.");
    return match;
}

} // namespace

TOutlookSyncRun::TOutlookSyncRun(TTovrinDataBase& ADataBase, ISyncHost& AHost,
                                 TOutlookApplicationFactory AApplicationFactory)
    : DataBase(ADataBase), Host(AHost), ApplicationFactory(std::move(AApplicationFactory)),
      Log(std::make_unique<TSyncLog>(ADataBase.SyncLogLevel, ADataBase.MaxSyncLogSize))
{
}

TOutlookSyncRun::~TOutlookSyncRun() = default;

bool TOutlookSyncRun::SyncWithOutlook(const std::string& AFolderPath, uint8_t AMode,
                                      const std::string& DataFileName)
{
    FolderPath = AFolderPath;
    Mode = AMode;
    Result = false;
    RetryEntryIDs.clear();
    DataBase.DisconnectAll = false;
    Log = std::make_unique<TSyncLog>(DataBase.SyncLogLevel, DataBase.MaxSyncLogSize);
    ProgressWnd = Host.CreateProgress("Outlook sync", 0, 500, "OutlookSynch");

    bool stoppedEarly = false;
    try {
        ConnectToOutlook();
        NameSpace->UseStateFile(SyncStatePathFor(DataFileName));
        if (DataBase.LastSyncTime == 0 && !DataBase.OutlookFolderPath.empty() &&
            Mode == smBothWays) {
            Host.ShowError(
                "This file was synced with Outlook using old version of Tovrin. To continue with "
                "Outlook synchronization in current version you will need to use either "
                "\"Outlook->Tovrin\" or \"Tovrin->Outlook\" option. You can also create new "
                "Tovrin file and sync it with Outlook.");
            stoppedEarly = true;
        }
        if (!stoppedEarly) {
            NewFolderEntryID = Folder->EntryID();
            if (!DataBase.OutlookFolderEntryID.empty() && !DataBase.Root->Children.Empty()) {
                if (DataBase.OutlookFolderEntryID != NewFolderEntryID) {
                    if (!Host.AskWarningYesNo(
                            "You have changed the Outlook folder for this Tovrin database file. "
                            "Initially this file was synced with Outlook folder : " +
                            Quoted(DataBase.OutlookFolderPath) +
                            ". Continue with new Outlook forlder?") ||
                        !Host.AskWarningYesNo(
                            "Since you have changed the Outlook folder all your current Tovrin "
                            "tasks will be disconnected from old Outlook folder. Continue?")) {
                        stoppedEarly = true;
                    } else {
                        DataBase.DisconnectAll = true;
                        Log->LogSyncWarning(
                            "Outlook folder " + Quoted(DataBase.OutlookFolderPath) +
                            " (EntryID=" + DataBase.OutlookFolderEntryID + ") has been changed to " +
                            Quoted(FolderPath) + "(EntryID=" + NewFolderEntryID +
                            "). All current tasks have been disconnected from old Outlook folder.");
                    }
                } else if (DataBase.OutlookFolderPath != FolderPath) {
                    Log->LogSyncWarning(
                        "Outlook folder " + Quoted(DataBase.OutlookFolderPath) + " (EntryID=" +
                        DataBase.OutlookFolderEntryID + ") has been changed to " +
                        Quoted(FolderPath) + " (EntryID=" + NewFolderEntryID +
                        "). However the Outlook folder was just renamed or moved. All Tovrin tasks "
                        "still keep connection to the corresponded Outlook tasks.");
                }
            }
        }
        if (!stoppedEarly) {
            Log->LogSyncMessage("Process Outlook folder: " + Quoted(FolderPath));
            Log->LogSyncMessage("Last sync time: " + (DataBase.LastSyncTime == 0
                                                          ? std::string("never")
                                                          : SyncDateTimeText(DataBase.LastSyncTime)));
            NewOutlookTasksParentTask = GetNewOutlookTasksParent();
            if (!DataBase.DisconnectAll)
                RelinkEarlierItems();

            PassNumber = 1;
            AnotherPassNeeded = true;
            while (AnotherPassNeeded) {
                AnotherPassNeeded = false;
                if (PassNumber >= 2)
                    Log->LogSyncMessage("Initializing pass #" + IntToStr(PassNumber));
                RunSyncPass();
                ++PassNumber;
            }

            DataBase.SetLastSyncTime(Now());
            KeepRetriesChanged();
            DataBase.OutlookFolderPath = FolderPath;
            DataBase.OutlookFolderEntryID = NewFolderEntryID;
            Result = true;
        }
    } catch (const ESyncAborted&) {
        Log->LogSyncWarning("Process aborted by user");
        --Log->Warnings;   // an abort alone is no reason to look at the log
    } catch (const std::exception& e) {
        Host.ShowError("Error to exchange data with Outlook: " + Quoted(e.what()));
        Log->LogSyncError(e.what());
    }
    // The store's writes still open are finished, also after an abort or a failure.
    if (NameSpace) {
        try {
            for (const std::string& warning : NameSpace->EndRun())
                Log->LogSyncWarning(warning);
        } catch (const std::exception& e) {
            Log->LogSyncError(e.what());
        }
        // A change here whose write another program overtook is still a change next time.
        if (Result) {
            RetryEntryIDs = NameSpace->UnsavedEntryIDs();
            KeepRetriesChanged();
        }
    }

    Log->WriteSyncLog(DataFileName, Host);
    ProgressWnd.reset();

    if (!stoppedEarly && (Log->Warnings > 0 || Log->Errors > 0)) {
        if (Host.AskErrorYesNo("There are warnings or errors during sync process. Would you like "
                               "to open the log file for more details?"))
            OpenSyncLog();
    }

    NewOutlookTasksParentTask = nullptr;
    Folder.reset();
    NameSpace.reset();
    Application.reset();
    return Result;
}

bool TOutlookSyncRun::ChangedSinceLastRun(TDateTime Stamp)
{
    const TDateTime S = DataBase.LastSyncTime;
    if (Stamp > S)
        return true;
    if (S == 0)
        return false;
    if (repeatOf_ != S) {
        repeatOf_ = S;
        repeatStart_ = RepeatedWallTimeStart(S);
    }
    return repeatStart_ < S && Stamp >= repeatStart_;
}

void TOutlookSyncRun::KeepRetriesChanged()
{
    if (RetryEntryIDs.empty())
        return;
    struct TWalk {
        const std::vector<std::string>* ids;
        TDateTime stamp;
    } walk{&RetryEntryIDs, DataBase.LastSyncTime + 1.0 / 86400000};
    DataBase.Root->ForEachNode(
        [](void* data, TTaskNode* task) {
            auto* w = static_cast<TWalk*>(data);
            if (task->Parent && std::find(w->ids->begin(), w->ids->end(), task->OutlookEntryID) !=
                                    w->ids->end())
                task->SetModifiedDateTime(std::max(task->ModifiedDateTime, w->stamp));
        },
        &walk);
}

void TOutlookSyncRun::ConnectToOutlook()
{
    try {
        std::vector<std::string> components;
        const int32_t count = CountFields(FolderPath, "\\");
        for (int32_t i = 1; i <= count; ++i) {
            std::string component = GetField(FolderPath, "\\", i);
            if (!component.empty())
                components.push_back(component);
        }
        if (components.empty())
            throw Exception("");

        try {
            if (!ApplicationFactory)
                throw EOutlookError("No task store is available.");
            Application = ApplicationFactory();
            if (!Application)
                throw EOutlookError("No task store is available.");
            NameSpace = Application->GetNameSpace("MAPI");
            std::shared_ptr<IOutlookFolders> folders = NameSpace->Folders();
            std::shared_ptr<IOutlookFolder> folder = FindFolder(*folders, components[0]);
            for (size_t i = 1; i < components.size(); ++i)
                folder = FindFolder(*folder->Folders(), components[i]);
            if (folder->DefaultItemType() != olTaskItem)
                throw EOutlookError(
                    "The selected folder is not a task folder. Only task folders are allowed.");
            Folder = folder;
        } catch (const std::exception& e) {
            throw Exception(std::string("Can not connect to MS Outlook: ") + e.what());
        }
    } catch (const std::exception& e) {
        throw Exception("Can not find Outlook folder: " + Quoted(FolderPath) + ". " + e.what());
    }
}

TTaskNode* TOutlookSyncRun::GetNewOutlookTasksParent()
{
    const std::string& name = DataBase.NewOutlookTasksParent;
    TTaskNode* root = DataBase.Root.get();
    if (name.empty()) {
        Log->LogSyncMessage("New Outlook tasks will be added to the root of Tovrin outline");
        return root;
    }
    for (TTaskNode* child : root->Children) {
        if (AnsiSameText(child->Caption, name)) {
            Log->LogSyncMessage("New Outlook tasks will be added to the Tovrin task: <Root>\\" +
                                Quoted(child->Caption));
            return child;
        }
    }
    TTaskNode* task = root->AddChild(name, -1);
    Log->LogSyncMessage("New Outlook tasks will be added to the task: \\" + Quoted(name) +
                        " (created)");
    return task;
}

void TOutlookSyncRun::OpenSyncLog()
{
    if (!Host.OpenTextFile(Log->LogPath()))
        Host.ShowError("Can not open log file: " + Quoted(Log->LogPath()));
}

bool SyncWithOutlook(TTovrinDataBase& DataBase, ISyncHost& Host, const std::string& FolderPath,
                     uint8_t Mode, const std::string& DataFileName,
                     const TOutlookApplicationFactory& ApplicationFactory)
{
    TOutlookSyncRun run(DataBase, Host, ApplicationFactory);
    return run.SyncWithOutlook(FolderPath, Mode, DataFileName);
}
