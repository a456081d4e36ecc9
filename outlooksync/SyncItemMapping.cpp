// The per-item work of a run: copying one item into one task and back, comparing them,
// deciding for a linked pair, conflict copies and the category filter.
#include <cmath>

#include "outlooksync/OutlookSync.h"
#include "outlooksync/SyncFollowers.h"
#include "outlooksync/SyncText.h"
#include "taskdb/TaskNode.h"
#include "taskdb/TovrinDataBase.h"

namespace {

const char* const kTovrinConflictPrefix = "<!Sync conflict (Tovrin)!> ";
const char* const kOutlookConflictPrefix = "<!Sync conflict (Outlook)!> ";

std::string Quoted(const std::string& s)
{
    return "\"" + s + "\"";
}

} // namespace

void TOutlookSyncRun::ReadOutlookItem(TTaskNode* Task, IOutlookTaskItem& Item)
{
    Task->SetOutlookEntryID(Item.EntryID());
    Task->Caption = SyncToAnsi(Item.Subject());
    Task->Note.SetText(SyncToAnsi(Item.Body()));

    const TDateTime due = Item.DueDate();
    // A subtask that took its parent's new dates in this run keeps them while its item still
    // holds its former dates; its own stamp is not the parent's change.
    const bool keepsParentDates = Followers && Followers->ItemHoldsFormerDates(Task, Item);
    struct TFollowerStamps {
        TSyncFollowers* followers;
        ~TFollowerStamps()
        {
            if (followers)
                followers->After();
        }
    } stamps{Followers && !Task->Children.Empty() ? Followers : nullptr};
    if (stamps.followers)
        stamps.followers->Before(Task);
    if (!keepsParentDates && due == OutlookNoDate) {
        Task->SetDueDateTime(0);
        Task->SetLeadTime(1.0);
        Task->SetScheduleType(0);
    } else if (!keepsParentDates) {
        if (due != Task->DueDateTime) {
            Task->SetDueDateTime(due);
            Task->SetScheduleType(1);
        }
        const TDateTime start = Item.StartDate();
        if (start == OutlookNoDate)
            Task->SetLeadTime(1.0);
        else
            Task->SetLeadTime(Task->DueDateTime - start);
    }

    if (Item.Complete())
        Task->SetCompletionDateTime(Item.DateCompleted());
    else
        Task->SetCompletionDateTime(0);
    Task->SetIsOutlookRecurring(Item.IsRecurring());
    // Last, so that the task does not count as changed since the item's last change.
    Task->SetModifiedDateTime(Item.LastModificationTime());
}

void TOutlookSyncRun::WriteOutlookItem(IOutlookTaskItem& Item, TTaskNode* Task)
{
    // Completing a recurring item may make the store change it and add the next one of the
    // series, which only a further pass meets.
    if (Mode == smBothWays && Item.IsRecurring() && Item.Complete() != Task->IsCompleted())
        AnotherPassNeeded = true;

    Item.SetSubject(SyncToWide(Task->Caption));
    Item.SetBody(SyncToWide(NoteText(*Task)));
    if (Task->DueDateTime != 0) {
        Item.SetDueDate(OutlookNoDate);
        Item.SetDueDate(Task->DueDateTime);
        Item.SetStartDate(Task->DueDateTime - std::fabs(Task->LeadTime));
    } else {
        Item.SetDueDate(OutlookNoDate);
    }
    Item.SetComplete(Task->IsCompleted());
    if (Task->IsCompleted())
        Item.SetDateCompleted(Task->CompletionDateTime);

    const std::string& category = DataBase.OutlookCategory;
    if (!category.empty()) {
        const std::string categories = SyncToAnsi(Item.Categories());
        if (SyncUpperCase(categories).find(SyncUpperCase(category)) == std::string::npos) {
            if (categories.empty())
                Item.SetCategories(SyncToWide(category));
            else
                Item.SetCategories(SyncToWide(categories + "," + category));
        }
    }
    if (Item.EntryID().empty())
        Item.SetOwner(OwnerKey(Task));
    Item.Save();
    // The mark follows the item the task is written to (a new item is no series).
    Task->SetIsOutlookRecurring(Item.IsRecurring());

    if (Mode == smBothWays && Item.IsRecurring())
        ReadOutlookItem(Task, Item);
}

bool TOutlookSyncRun::OutlookItemDiffers(IOutlookTaskItem& Item, const TTaskNode* Task)
{
    if (Item.Complete() != Task->IsCompleted())
        return true;
    if (Item.IsRecurring() != Task->IsOutlookRecurring)
        return true;
    // Both texts as the item keeps them: another program may have written characters (control
    // characters) that the item would not keep from the outline either.
    if (SyncToAnsi(Item.KeptSubject(Item.Subject())) !=
        SyncToAnsi(Item.KeptSubject(SyncToWide(Task->Caption))))
        return true;
    if (SyncToAnsi(Item.KeptBody(SyncToWide(NoteText(*Task)))) !=
        SyncToAnsi(Item.KeptBody(Item.Body())))
        return true;
    if (Task->DueDateTime == 0)
        return Item.DueDate() != OutlookNoDate && Item.DueDate() != 0;
    if (Item.DueDate() != Item.KeptDate(Task->DueDateTime))
        return true;
    // A missing start is read as a lead of one day, so it compares as one.
    const TDateTime start = Item.StartDate();
    if (start == OutlookNoDate ? Task->LeadTime != 1.0
                               : start != Item.KeptDate(Task->DueDateTime - Task->LeadTime))
        return true;
    return false;
}

void TOutlookSyncRun::AddConflictCopyToOutlook(TTaskNode* Task)
{
    Task->Caption = kTovrinConflictPrefix + Task->Caption;
    std::shared_ptr<IOutlookTaskItem> item = Folder->Items()->Add();
    WriteOutlookItem(*item, Task);
    Task->SetOutlookEntryID(item->EntryID());
}

void TOutlookSyncRun::AddConflictCopyToTree(IOutlookTaskItem& Item, TTaskNode* Parent,
                                            int32_t Index)
{
    Item.SetSubject(SyncToWide(kOutlookConflictPrefix + SyncToAnsi(Item.Subject())));
    Item.Save();
    TTaskNode* task = Parent->AddChild(" ", Index);
    ReadOutlookItem(task, Item);
}

void TOutlookSyncRun::SyncLinkedPair(TTaskNode* Task, IOutlookTaskItem& Item)
{
    const bool outlookChanged = ChangedSinceLastRun(Item.LastModificationTime());
    const bool tovrinChanged = ChangedSinceLastRun(Task->ModifiedDateTime);
    TSyncStatistics& stats = Log->SyncStatistics;

    if ((!tovrinChanged && !outlookChanged) || !OutlookItemDiffers(Item, Task)) {
        Log->LogSyncTrace("Task has not been changed (skipped): " + Quoted(Task->Caption));
    } else if (tovrinChanged && outlookChanged) {
        Log->LogSyncWarning("Task has been changed in both places (Tovrin and Outlook): " +
                            Quoted(Task->Caption) + ". Processing conflict...");
        ++stats.Conflicts;
        AddConflictCopyToOutlook(Task);
        AddConflictCopyToTree(Item, Task->Parent, Task->IndexInParent() + 1);
    } else if (tovrinChanged) {
        WriteOutlookItem(Item, Task);
        Log->LogSyncDetail("Task has been changed in Tovrin: " + Quoted(Task->Caption) +
                           ". Updating Outlook...");
        ++stats.OutlookUpdated;
    } else {
        ReadOutlookItem(Task, Item);
        Log->LogSyncDetail("Task has been changed in Outlook: " + Quoted(Task->Caption) +
                           ". Updating Tovrin...");
        ++stats.TovrinUpdated;
    }
}

bool TOutlookSyncRun::PassesCategoryFilter(IOutlookTaskItem& Item)
{
    const std::string& category = DataBase.OutlookCategory;
    if (!category.empty()) {
        const std::string categories = SyncToAnsi(Item.Categories());
        if (SyncUpperCase(categories).find(SyncUpperCase(category)) == std::string::npos) {
            if (DataBase.SyncLogLevel > 2)
                Log->LogSyncTrace("Outlook task skipped: " + Quoted(SyncToAnsi(Item.Subject())) +
                                  " (category does not much)");
            return false;
        }
    }
    ++Log->SyncStatistics.OutlookProcessed;
    return true;
}
