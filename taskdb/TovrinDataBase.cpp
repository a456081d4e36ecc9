#include "taskdb/TovrinDataBase.h"

#include "platform/StrUtils.h"
#include "taskdb/TaskPlace.h"

TTovrinDataBase* CurrentDataBase = nullptr;

TTovrinDataBase::TTovrinDataBase()
    : Root(std::make_unique<TTaskNode>(nullptr)), PlacesList(std::make_unique<TTaskPlacesList>())
{
    Root->inOutline_ = true;
    DeletedEntryIDs.SetSorted(true);
    DeletedEntryIDs.SetDuplicates(TDuplicates::dupIgnore);
    // A store's UIDs that differ only in case name different items.
    DeletedEntryIDs.SetCaseSensitive(true);
    CurrentDataBase = this;

    ResetSyncSettings("");
    SyncLogLevel = 2;
    MaxSyncLogSize = 102400;
    UpdateCounter = 0;
    HeaderValue = 0;
    ShowTaskProperties = ShowTaskTreeViews = ShowPlaces = ShowToDoSheet = true;
    ShowImportance = ShowEffort = ShowGoals = ShowProject = ShowTime = true;
    ToDoAutoUpdate = true;
    ToDoPlaceFilterID = -10;
    FileVersion = 3;
    Clear();
}

TTovrinDataBase::~TTovrinDataBase()
{
    ++UpdateCounter;
    ToDoList.Clear();
    Root.reset();
    PlacesList.reset();
    DeletedEntryIDs.Clear();
    --UpdateCounter;
    // Tasks that outlive the document (undo snapshots freed later) must not reach it.
    if (CurrentDataBase == this)
        CurrentDataBase = nullptr;
}

void TTovrinDataBase::Clear()
{
    FileVersion = 3;
    ++UpdateCounter;
    ToDoList.Clear();
    Root->ClearChildren();
    PlacesList->Clear();
    DeletedEntryIDs.Clear();
    --UpdateCounter;

    ResetSyncSettings("<NewOutlookTasks>");
}

void TTovrinDataBase::ResetSyncSettings(const std::string& NewTasksParent)
{
    OutlookFolderPath.clear();
    OutlookFolderEntryID.clear();
    DisconnectAll = false;
    SetLastSyncTime(0);
    SetNewOutlookTasksParent(NewTasksParent);
    SetOutlookCategory("");
    SetSyncOptionFlag1(false);
    SetDeletedItemsCategory("");
    SetSyncOptionFlag2(false);
    SetSyncOptionNumber(5);
    SetSyncOptionString1("");
    SetSyncOptionMode(2);
    SetSyncOptionDate(0);
}

void TTovrinDataBase::RememberDeletedEntryID(const TTaskNode& Task)
{
    // Only deletions the next synchronisation must hear of: not while the outline is freed
    // in bulk, and only once a synchronisation with a folder has happened.
    if (UpdateCounter != 0 || LastSyncTime == 0 || OutlookFolderPath.empty())
        return;
    const std::string entryID = Trim(Task.OutlookEntryID);
    if (!entryID.empty())
        DeletedEntryIDs.Add(entryID);
}

void TTovrinDataBase::SetSubtasksCompleted(TTaskNode* Task, bool Completed)
{
    if (!Task)
        return;
    Task->ForEachNode(
        [Completed](void*, TTaskNode* task) {
            if (Completed && !task->IsCompleted()) {
                task->SetCompletionDateTime(Now());
                task->SetModifiedDateTime(Now());
            } else if (!Completed && task->IsCompleted()) {
                task->SetCompletionDateTime(0);
                task->SetModifiedDateTime(Now());
            }
        },
        this);
}
