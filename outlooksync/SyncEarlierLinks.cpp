// Items a run saved for tasks whose links the outline did not keep: the run was cut short, or
// the outline was not saved after it. The next run links them again instead of making them anew.
#include <deque>
#include <map>
#include <unordered_set>

#include "outlooksync/OutlookSync.h"
#include "platform/StrUtils.h"
#include "taskdb/TaskNode.h"
#include "taskdb/TovrinDataBase.h"

std::string TOutlookSyncRun::OwnerKey(const TTaskNode* Task) const
{
    const std::string link = Trim(Task->OutlookEntryID);
    if (Task == NewOutlookTasksParentTask)
        return "parent " + link;
    return Format("%.17g ", Task->CreatedDateTime) + link;
}

void TOutlookSyncRun::RelinkEarlierItems()
{
    std::vector<TEarlierLink> links = Folder->Items()->EarlierLinks();
    if (links.empty())
        return;
    // Tasks of one key in outline order, as the earlier run met them.
    struct TWalk {
        const TOutlookSyncRun* run;
        std::unordered_set<std::string> linked;
        std::map<std::string, std::deque<TTaskNode*>> byOwner;
    } walk{this, {}, {}};
    DataBase.Root->ForEachNode(
        [](void* data, TTaskNode* task) {
            auto* w = static_cast<TWalk*>(data);
            if (!task->Parent)
                return;
            w->linked.insert(Trim(task->OutlookEntryID));
            w->byOwner[w->run->OwnerKey(task)].push_back(task);
        },
        &walk);
    for (const TEarlierLink& link : links) {
        const std::string id = link.Item->EntryID();
        auto owner = walk.byOwner.find(link.Owner);
        // A link the outline keeps, or kept until its task was deleted here, needs nothing.
        if (walk.linked.count(id) || DataBase.DeletedEntryIDs.IndexOf(id) >= 0 ||
            owner == walk.byOwner.end() || owner->second.empty())
            continue;
        TTaskNode* task = owner->second.front();
        owner->second.pop_front();
        task->SetOutlookEntryID(id);
        walk.linked.insert(id);
        link.Item->SetOwner(link.Owner);
        Log->LogSyncDetail("Task has been linked again to the Outlook task an interrupted run "
                           "added for it: \"" + task->Caption + "\"");
    }
}
