// The passes of a run: indexing the outline by Outlook link, then the work of the run's mode.
#include "outlooksync/OutlookSync.h"
#include "outlooksync/SyncFollowers.h"
#include "outlooksync/SyncHost.h"
#include "outlooksync/SyncIndexes.h"
#include "outlooksync/SyncText.h"
#include "platform/StrUtils.h"
#include "taskdb/TaskNode.h"
#include "taskdb/TovrinDataBase.h"

namespace {

std::string Quoted(const std::string& s)
{
    return "\"" + s + "\"";
}

// A deletion in the store that failed; its text is the whole log line.
class EDeleteFailed : public Exception {
    using Exception::Exception;
};

// The run's followers for the length of a pass. A pass cut short leaves those that took new
// dates changed here, so that the next run writes them.
struct TFollowersInUse {
    TSyncFollowers*& in;
    TSyncFollowers& followers;
    bool written = false;
    TFollowersInUse(TSyncFollowers*& In, TSyncFollowers& Followers) : in(In), followers(Followers)
    {
        in = &followers;
    }
    ~TFollowersInUse()
    {
        in = nullptr;
        if (!written)
            for (TTaskNode* task : followers.Changed())
                task->SetModifiedDateTime(Now());
    }
};

// Frees the pass's indexes on every way out of the pass.
class TPassIndexes {
public:
    explicit TPassIndexes(TTovrinDataBase& db) : db_(db)
    {
        db_.EntryIDIndex = std::make_shared<TEntryIDIndex>();
        db_.RecurringTaskIndex.reset();
    }
    ~TPassIndexes()
    {
        db_.EntryIDIndex.reset();
        db_.RecurringTaskIndex.reset();
    }

private:
    TTovrinDataBase& db_;
};

} // namespace

void TOutlookSyncRun::ProgressStep(const std::string& StatusText, int32_t Position)
{
    if (ProgressWnd && !ProgressWnd->Progress(StatusText, Position))
        throw ESyncAborted();
}

void TOutlookSyncRun::SetProgressRange(int32_t Min, int32_t Max)
{
    if (ProgressWnd) {
        ProgressWnd->SetProgressMin(Min);
        ProgressWnd->SetProgressMax(Max);
    }
}

void TOutlookSyncRun::IndexTaskByEntryID(void* Data, TTaskNode* Task)
{
    auto* db = static_cast<TTovrinDataBase*>(Data);
    if (db->DisconnectAll)
        Task->SetOutlookEntryID(" ");
    if (Task->Parent)
        db->EntryIDIndex->Add(Task->OutlookEntryID, Task);
}

void TOutlookSyncRun::IndexRecurringTask(void* Data, TTaskNode* Task)
{
    auto* db = static_cast<TTovrinDataBase*>(Data);
    if (Task->Parent && Task->IsOutlookRecurring)
        db->RecurringTaskIndex->AddTask(Task);
}

void TOutlookSyncRun::RunSyncPass()
{
    TPassIndexes indexes(DataBase);
    Log->LogSyncMessage("Initializing Tovrin tasks... ");
    Log->SyncStatistics.TovrinProcessed = 0;
    DataBase.Root->ForEachNode(&TOutlookSyncRun::IndexTaskByEntryID, &DataBase);
    const int32_t n = DataBase.EntryIDIndex->Count();
    Log->SyncStatistics.TovrinProcessed = n;
    Log->LogSyncMessage(IntToStr(n) + " tasks found in Tovrin");

    switch (Mode) {
    case smOutlookToTree:
        CopyOutlookToTree();
        break;
    case smTreeToOutlook:
        CopyTreeToOutlook();
        break;
    case smBothWays:
        SyncBothWays();
        break;
    default:
        break;
    }
}

void TOutlookSyncRun::SyncBothWays()
{
    TSyncStatistics& stats = Log->SyncStatistics;
    std::shared_ptr<IOutlookItems> items = Folder->Items();
    const int32_t n = items->Count();
    Log->LogSyncMessage("Synchronizing tasks Outlook<->Tovrin. Total number of Outlook tasks: " +
                        IntToStr(n));
    if (DataBase.OutlookCategory.empty())
        Log->LogSyncMessage("All Outlook tasks will be synced with Tovrin");
    else
        Log->LogSyncMessage("Only Outlook tasks with substring " +
                            Quoted(DataBase.OutlookCategory) +
                            " in the category will be synced with Tovrin");

    SetProgressRange(1, n);
    if (PassNumber >= 2 && ProgressWnd)
        ProgressWnd->SetCaption("Outlook sync (pass #" + IntToStr(PassNumber) + ")");

    // Outlook items, last to first: items added meanwhile (conflict copies) are not met.
    TEntryIDIndex& index = *DataBase.EntryIDIndex;
    TStringList keptDeleted;
    TSyncFollowers followers;
    TFollowersInUse inUse{Followers, followers};
    std::map<TTaskNode*, std::shared_ptr<IOutlookTaskItem>> metItems;
    for (int32_t i = n; i >= 1; --i) {
        std::shared_ptr<IOutlookTaskItem> item;
        bool met = false;
        TTaskNode* pairedTask = nullptr;
        try {
            const int32_t k = n - i + 1;
            ProgressStep("Outlook task # " + IntToStr(k), k);
            item = items->Item(i);
            if (!PassesCategoryFilter(*item))
                continue;
            const std::string id = item->EntryID();
            const int found = index.Find(id);
            if (found >= 0) {
                // The item was met even when the work on it fails below; left in the index,
                // its task would be taken for one whose item was deleted.
                TTaskNode* task = index[found].Task;
                index.Delete(found);
                met = true;
                pairedTask = task;
                SyncLinkedPair(task, *item);
                metItems[task] = item;
            } else if (DataBase.DeletedEntryIDs.IndexOf(id) >= 0) {
                HandleDeletedInTree(*item);
            } else if (CarriesDeletedItemsCategory(*item)) {
                // Its task was deleted here at an earlier run: it stays deleted.
                Log->LogSyncTrace("Outlook task skipped: " + Quoted(SyncToAnsi(item->Subject())) +
                                  " (deleted in Tovrin)");
            } else {
                TTaskNode* task = CreateTaskForOutlookItem(*item);
                ReadOutlookItem(task, *item);
                metItems[task] = item;
                Log->LogSyncMessage("New Outlook task has been added to Tovrin: " +
                                    Quoted(task->Caption));
                ++stats.TovrinAdded;
            }
        } catch (const ESyncAborted&) {
            throw;
        } catch (const std::exception& e) {
            LogItemFailure(e);
            // An item that names its link but cannot be worked on leaves its task alone for
            // this run, and a deletion waiting for it waits for the next run.
            std::string id;
            try {
                id = item ? item->EntryID() : std::string();
            } catch (const std::exception&) {
            }
            if (!id.empty() && !met) {
                const int found = index.Find(id);
                if (found >= 0) {
                    pairedTask = index[found].Task;
                    index.Delete(found);
                }
                if (DataBase.DeletedEntryIDs.IndexOf(id) >= 0)
                    keptDeleted.Add(id);
            }
            // A change here that could not reach the item is still a change at the next run.
            if (pairedTask && ChangedSinceLastRun(pairedTask->ModifiedDateTime))
                RetryEntryIDs.push_back(id);
        }
    }

    WriteFollowers(metItems);
    inUse.written = true;
    Followers = nullptr;

    // Tasks whose item was not met.
    for (int j = 0; j < index.Count(); ++j) {
        TTaskNode* task = index[j].Task;
        try {
            if (Trim(task->OutlookEntryID).empty()) {
                std::shared_ptr<IOutlookTaskItem> item = items->Add();
                WriteOutlookItem(*item, task);
                task->SetOutlookEntryID(item->EntryID());
                std::string line = "New Tovrin task has been added to Outlook: " +
                                   Quoted(task->Caption);
                if (!DataBase.OutlookCategory.empty())
                    line += " (category: " + Quoted(DataBase.OutlookCategory) + ")";
                Log->LogSyncMessage(line);
                ++stats.OutlookAdded;
            } else if (task == NewOutlookTasksParentTask) {
                task->SetOutlookEntryID(" ");
            } else if (DataBase.LastSyncTime > 0 && ChangedSinceLastRun(task->ModifiedDateTime)) {
                Log->LogSyncWarning(
                    "Task has been deleted in Outlook, however it was changed in Tovrin: " +
                    Quoted(task->Caption) + ". Processing conflict...");
                ++stats.Conflicts;
                AddConflictCopyToOutlook(task);
            } else {
                const bool hasChildren = !task->Children.Empty();
                while (!task->Children.Empty()) {
                    // A subtask that followed the deleted task keeps the dates it had.
                    TTaskNode* child = task->Children[task->Children.Count() - 1];
                    if (child->ScheduleType != 1 &&
                        (child->DueDateTime != NewOutlookTasksParentTask->DueDateTime ||
                         child->LeadTime != NewOutlookTasksParentTask->LeadTime))
                        child->SetScheduleType(1);
                    child->MoveTo(NewOutlookTasksParentTask, 0);
                }
                std::string line = "Task has been deleted in Outlook: " + Quoted(task->Caption) +
                                   ". Deleting in Tovrin...";
                if (hasChildren)
                    line += " (all its subtasks have been moved to " +
                            Quoted(NewOutlookTasksParentTask->Caption) + ")";
                Log->LogSyncMessage(line);
                ++stats.TovrinDeleted;
                FreeTask(task);
            }
        } catch (const ESyncAborted&) {
            throw;
        } catch (const std::exception& e) {
            LogItemFailure(e);
        }
    }
    DataBase.DeletedEntryIDs.Clear();
    for (const std::string& id : keptDeleted)
        DataBase.DeletedEntryIDs.Add(id);
}

void TOutlookSyncRun::WriteFollowers(
    const std::map<TTaskNode*, std::shared_ptr<IOutlookTaskItem>>& Met)
{
    // A conflict links both versions to other items than the one met for the task: the task
    // here to a new item, and the copy of the item's version, a new task, to the item met.
    std::map<std::string, std::shared_ptr<IOutlookTaskItem>> metByID;
    for (const auto& [task, item] : Met)
        metByID[item->EntryID()] = item;
    for (TTaskNode* task : Followers->Changed()) {
        const std::string linked = Trim(task->OutlookEntryID);
        auto met = metByID.find(linked);
        if (met == metByID.end() && !Met.count(task))
            continue;   // its item was not met; the rest of the pass decides
        try {
            std::shared_ptr<IOutlookTaskItem> item =
                met != metByID.end() ? met->second
                                     : NameSpace->GetItemFromID(linked, Folder->StoreID());
            if (!OutlookItemDiffers(*item, task))
                continue;
            WriteOutlookItem(*item, task);
            Log->LogSyncDetail("Task has been changed in Tovrin: " + Quoted(task->Caption) +
                               ". Updating Outlook...");
            ++Log->SyncStatistics.OutlookUpdated;
        } catch (const ESyncAborted&) {
            throw;
        } catch (const std::exception& e) {
            LogItemFailure(e);
            RetryEntryIDs.push_back(task->OutlookEntryID);
        }
    }
}

void TOutlookSyncRun::LogItemFailure(const std::exception& e)
{
    if (dynamic_cast<const EDeleteFailed*>(&e))
        Log->LogSyncError(e.what());
    else if (dynamic_cast<const EOutlookItemSkipped*>(&e))
        Log->LogSyncWarning(e.what());
    else
        Log->LogSyncError(std::string("Unexpected error: ") + e.what());
}

void TOutlookSyncRun::FreeTask(TTaskNode* Task)
{
    const int todo = DataBase.ToDoList.IndexOf(Task);
    if (todo >= 0)
        DataBase.ToDoList.Delete(todo);
    if (DataBase.PlaceSourceTask == Task)
        DataBase.PlaceSourceTask = nullptr;
    ++DataBase.UpdateCounter;
    struct TLower {
        int32_t& counter;
        ~TLower() { --counter; }
    } lower{DataBase.UpdateCounter};
    delete Task;
}

void TOutlookSyncRun::HandleDeletedInTree(IOutlookTaskItem& Item)
{
    TSyncStatistics& stats = Log->SyncStatistics;
    const TDateTime O = Item.LastModificationTime();
    const std::string subject = SyncToAnsi(Item.Subject());
    if (DataBase.LastSyncTime > 0 && ChangedSinceLastRun(O)) {
        Log->LogSyncWarning("Task has been deleted in Tovrin, however it was changed in Outlook: " +
                            Quoted(subject) + ". Processing conflict...");
        ++stats.Conflicts;
        AddConflictCopyToTree(Item, NewOutlookTasksParentTask, -1);
        return;
    }
    const std::string& category = DataBase.DeletedItemsCategory;
    std::string line = "Task has been deleted in Tovrin: " + Quoted(subject) + ".";
    if (category.empty())
        line += " Deleting in Outlook...";
    else
        line += " Changing Outlook category to " + Quoted(category);
    // Logged and counted once done: a delete the store refuses (a read-only folder) is a
    // failure, and the deletion waits for the next run.
    try {
        if (category.empty()) {
            Item.Delete();
        } else {
            Item.SetCategories(SyncToWide(category));
            Item.Save();
        }
    } catch (const ESyncAborted&) {
        throw;
    } catch (const std::exception& e) {
        throw EDeleteFailed(line + " Failed: " + e.what());
    }
    Log->LogSyncMessage(line);
    ++stats.OutlookDeleted;
}

bool TOutlookSyncRun::CarriesDeletedItemsCategory(IOutlookTaskItem& Item)
{
    const std::string marker = SyncUpperCase(Trim(DataBase.DeletedItemsCategory));
    if (marker.empty())
        return false;
    const std::string categories = SyncUpperCase(SyncToAnsi(Item.Categories()));
    size_t start = 0;
    for (size_t i = 0; i <= categories.size(); ++i) {
        if (i == categories.size() || categories[i] == ',') {
            if (Trim(categories.substr(start, i - start)) == marker)
                return true;
            start = i + 1;
        }
    }
    return false;
}

TTaskNode* TOutlookSyncRun::CreateTaskForOutlookItem(IOutlookTaskItem& Item)
{
    if (Item.IsRecurring()) {
        if (!DataBase.RecurringTaskIndex)
            IndexRecurringTasks();
        const std::string subject = SyncToAnsi(Item.Subject());
        TTaskNode* sibling = nullptr;
        if (DataBase.RecurringTaskIndex->Find(subject, sibling)) {
            // A new item of a series lands beside the task of the series.
            if (sibling)
                return sibling->Parent->AddChild(" ", sibling->IndexInParent() + 1);
            Log->LogSyncWarning(
                "There is more then one Outlook recurring task with the same name: " +
                Quoted(subject) +
                ". As a result it is impossible to identify where to add it in Tovrin task "
                "tree. This task will be added to the default Tovrin task. To avoid this in the "
                "future please rename this task in Outlook.");
        }
    }
    return NewOutlookTasksParentTask->AddChild("New Task", -1);
}

void TOutlookSyncRun::IndexRecurringTasks()
{
    DataBase.RecurringTaskIndex = std::make_shared<TRecurringTaskIndex>();
    Log->LogSyncMessage("Initializing Outlook recurring tasks synced with Tovrin... ");
    DataBase.Root->ForEachNode(&TOutlookSyncRun::IndexRecurringTask, &DataBase);
    Log->LogSyncMessage(IntToStr(DataBase.RecurringTaskIndex->Count()) +
                        " recurring Outlook task(s) found in Tovrin");
}

void TOutlookSyncRun::CopyOutlookToTree()
{
    TSyncStatistics& stats = Log->SyncStatistics;
    std::shared_ptr<IOutlookItems> items = Folder->Items();
    const int32_t n = items->Count();
    Log->LogSyncMessage(
        "Copy Outlook tasks to Tovrin (Outlook->Tovrin). Total number of Outlook tasks: " +
        IntToStr(n));
    if (DataBase.OutlookCategory.empty())
        Log->LogSyncMessage("All Outlook tasks will be copied to Tovrin");
    else
        Log->LogSyncMessage("Only Outlook tasks with substring " +
                            Quoted(DataBase.OutlookCategory) +
                            " in the category will be copied to Tovrin");

    SetProgressRange(1, n);
    TEntryIDIndex& index = *DataBase.EntryIDIndex;
    TSyncFollowers followers;
    TFollowersInUse inUse{Followers, followers};
    for (int32_t i = 1; i <= n; ++i) {
        try {
            ProgressStep("Outlook task # " + IntToStr(i), i);
            std::shared_ptr<IOutlookTaskItem> item = items->Item(i);
            if (!PassesCategoryFilter(*item))
                continue;
            const int found = index.Find(item->EntryID());
            TTaskNode* task;
            std::string line;
            if (found >= 0) {
                task = index[found].Task;
                line = "Task has been updated in Tovrin:";
                ++stats.TovrinUpdated;
            } else {
                task = CreateTaskForOutlookItem(*item);
                line = "New Outlook task has been added to Tovrin:";
                ++stats.TovrinAdded;
            }
            ReadOutlookItem(task, *item);
            Log->LogSyncMessage(line + " " + Quoted(task->Caption));
        } catch (const ESyncAborted&) {
            throw;
        } catch (const std::exception& e) {
            LogItemFailure(e);
        }
    }
    // This run only reads: the items of followers that took new dates get them at the next
    // run that writes.
    for (TTaskNode* task : followers.Changed())
        if (!Trim(task->OutlookEntryID).empty())
            RetryEntryIDs.push_back(task->OutlookEntryID);
    inUse.written = true;
}

void TOutlookSyncRun::CopyTreeToOutlook()
{
    TSyncStatistics& stats = Log->SyncStatistics;
    Log->LogSyncMessage("Copy all Tovrin tasks to Outlook (Tovrin->Outlook)");
    if (!DataBase.OutlookCategory.empty())
        Log->LogSyncMessage("All Outlook tasks will be assigned to this category: " +
                            Quoted(DataBase.OutlookCategory));

    TEntryIDIndex& index = *DataBase.EntryIDIndex;
    SetProgressRange(0, index.Count() - 1);
    std::shared_ptr<IOutlookItems> items;
    for (int j = 0; j < index.Count(); ++j) {
        try {
            ProgressStep("Tovrin task # " + IntToStr(j), j);
            TTaskNode* task = index[j].Task;
            const std::string id = Trim(task->OutlookEntryID);
            std::shared_ptr<IOutlookTaskItem> item;
            std::string line;
            if (!id.empty()) {
                try {
                    item = NameSpace->GetItemFromID(id, Folder->StoreID());
                    ++stats.OutlookProcessed;
                } catch (const std::exception&) {
                    item.reset();   // a link whose item is gone gets a new item
                }
            }
            if (!item) {
                if (!items)
                    items = Folder->Items();
                item = items->Add();
                ++stats.OutlookAdded;
                line = "New Tovrin task has been added to Outlook: " + Quoted(task->Caption);
            }
            WriteOutlookItem(*item, task);
            task->SetOutlookEntryID(item->EntryID());
            if (!line.empty())
                Log->LogSyncMessage(line);
            else
                Log->LogSyncDetail("Task has been updated in Outlook: " + Quoted(task->Caption));
        } catch (const ESyncAborted&) {
            throw;
        } catch (const std::exception& e) {
            LogItemFailure(e);
        }
    }
}
