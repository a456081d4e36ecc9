#pragma once
// One synchronisation run between the outline and a task folder of the store: connect to the
// folder named by a backslash path, check it against the folder stored with the outline, pass
// over both sides until no pass asks for another, store the run's time and folder, and write
// the log. The routines of the run share its state, which lives for one call of
// SyncWithOutlook.
#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "outlooksync/OutlookAutomation.h"
#include "outlooksync/SyncLog.h"

class ISyncHost;
class ISyncProgress;
class TSyncFollowers;
class TTaskNode;
class TTovrinDataBase;

// Modes of a run.
constexpr uint8_t smOutlookToTree = 0;
constexpr uint8_t smTreeToOutlook = 1;
constexpr uint8_t smBothWays = 2;

class TOutlookSyncRun {
public:
    TOutlookSyncRun(TTovrinDataBase& DataBase, ISyncHost& Host,
                    TOutlookApplicationFactory ApplicationFactory);
    ~TOutlookSyncRun();
    TOutlookSyncRun(const TOutlookSyncRun&) = delete;
    TOutlookSyncRun& operator=(const TOutlookSyncRun&) = delete;

    // The run. True when it completed and stored its time and folder. DataFileName names the
    // place of the log.
    bool SyncWithOutlook(const std::string& FolderPath, uint8_t Mode,
                         const std::string& DataFileName);

    // ---- One item and one task ----
    void ReadOutlookItem(TTaskNode* Task, IOutlookTaskItem& Item);
    void WriteOutlookItem(IOutlookTaskItem& Item, TTaskNode* Task);
    bool OutlookItemDiffers(IOutlookTaskItem& Item, const TTaskNode* Task);
    void AddConflictCopyToOutlook(TTaskNode* Task);
    void AddConflictCopyToTree(IOutlookTaskItem& Item, TTaskNode* Parent, int32_t Index);
    void SyncLinkedPair(TTaskNode* Task, IOutlookTaskItem& Item);
    bool PassesCategoryFilter(IOutlookTaskItem& Item);

    // ---- Passes ----
    void RunSyncPass();
    void SyncBothWays();
    void CopyOutlookToTree();
    void CopyTreeToOutlook();
    void HandleDeletedInTree(IOutlookTaskItem& Item);
    TTaskNode* CreateTaskForOutlookItem(IOutlookTaskItem& Item);
    void IndexRecurringTasks();
    static void IndexTaskByEntryID(void* Data, TTaskNode* Task);
    static void IndexRecurringTask(void* Data, TTaskNode* Task);

    // ---- Links an earlier run made but the outline did not keep ----
    // What the store keeps to find a task again: its creation time and its link before the
    // new item (the new-tasks parent by its role, as a run may have made it anew).
    std::string OwnerKey(const TTaskNode* Task) const;
    // Links the tasks of items an earlier run saved for them, before any pass makes them again.
    void RelinkEarlierItems();

    // ---- Run ----
    void ConnectToOutlook();
    TTaskNode* GetNewOutlookTasksParent();
    void OpenSyncLog();

    // ---- State of the run ----
    TTovrinDataBase& DataBase;
    ISyncHost& Host;
    TOutlookApplicationFactory ApplicationFactory;
    uint8_t Mode = smBothWays;
    std::string FolderPath;
    std::shared_ptr<IOutlookApplication> Application;
    std::shared_ptr<IOutlookNameSpace> NameSpace;
    std::shared_ptr<IOutlookFolder> Folder;
    std::string NewFolderEntryID;
    TTaskNode* NewOutlookTasksParentTask = nullptr;
    int32_t PassNumber = 1;
    bool AnotherPassNeeded = false;
    std::unique_ptr<ISyncProgress> ProgressWnd;   // none outside a run
    std::unique_ptr<TSyncLog> Log;
    bool Result = false;
    // Links of tasks changed here whose item failed; they stay changed after the run.
    std::vector<std::string> RetryEntryIDs;
    // Subtasks taking their parent's dates during a pass that reads items; none outside one.
    TSyncFollowers* Followers = nullptr;

private:
    // One progress step; raises ESyncAborted when the user has aborted.
    void ProgressStep(const std::string& StatusText, int32_t Position);
    void SetProgressRange(int32_t Min, int32_t Max);
    // The log line for a failure on one item: a warning for an item the store skipped, an
    // error for anything else.
    void LogItemFailure(const std::exception& e);
    // Frees a task of the outline that the run deletes, so that it is not recorded as deleted
    // here and nothing keeps referring to it.
    void FreeTask(TTaskNode* Task);
    // Marks the tasks of RetryEntryIDs as changed after the run's time.
    void KeepRetriesChanged();
    // True when a side's time stamp is later than the last run. An edit in the hour the clock
    // was set back after the last run is stamped earlier than the run: stamps from the start of
    // that hour count.
    bool ChangedSinceLastRun(TDateTime Stamp);
    // Writes the items of subtasks that took their parent's dates after their pair was met.
    void WriteFollowers(const std::map<TTaskNode*, std::shared_ptr<IOutlookTaskItem>>& Met);
    TDateTime repeatOf_ = -1, repeatStart_ = 0;   // the last run's time and that hour's start
    // True when the item carries the category that marks a task deleted in the outline.
    bool CarriesDeletedItemsCategory(IOutlookTaskItem& Item);
};

// The entry the window calls: one run with a fresh run state.
bool SyncWithOutlook(TTovrinDataBase& DataBase, ISyncHost& Host, const std::string& FolderPath,
                     uint8_t Mode, const std::string& DataFileName,
                     const TOutlookApplicationFactory& ApplicationFactory);
