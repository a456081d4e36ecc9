#include "outlooksync/SyncFollowers.h"

#include "outlooksync/OutlookAutomation.h"
#include "taskdb/TaskNode.h"

void TSyncFollowers::Before(TTaskNode* Task)
{
    stamps_.clear();
    std::vector<TTaskNode*> pending(Task->Children.begin(), Task->Children.end());
    while (!pending.empty()) {
        TTaskNode* task = pending.back();
        pending.pop_back();
        if (task->ScheduleType != 0)
            continue;
        if (former_.emplace(task, TDates{task->DueDateTime, task->LeadTime}).second)
            order_.push_back(task);
        stamps_.emplace_back(task, task->ModifiedDateTime);
        pending.insert(pending.end(), task->Children.begin(), task->Children.end());
    }
}

void TSyncFollowers::After()
{
    for (const auto& [task, stamp] : stamps_)
        task->SetModifiedDateTime(stamp);
    stamps_.clear();
}

bool TSyncFollowers::ItemHoldsFormerDates(const TTaskNode* Task, IOutlookTaskItem& Item) const
{
    auto it = former_.find(Task);
    if (it == former_.end() || Task->ScheduleType != 0)
        return false;
    const TDates& former = it->second;
    if (former.Due == Task->DueDateTime && former.Lead == Task->LeadTime)
        return false;
    const TDateTime due = Item.DueDate();
    if (former.Due == 0)
        return due == OutlookNoDate;
    if (due != Item.KeptDate(former.Due))
        return false;
    const TDateTime start = Item.StartDate();
    return start == OutlookNoDate ? former.Lead == 1.0
                                  : start == Item.KeptDate(former.Due - former.Lead);
}

std::vector<TTaskNode*> TSyncFollowers::Changed() const
{
    std::vector<TTaskNode*> changed;
    for (TTaskNode* task : order_) {
        const TDates& former = former_.at(task);
        if (task->DueDateTime != former.Due || task->LeadTime != former.Lead)
            changed.push_back(task);
    }
    return changed;
}
