#include "outlooksync/SyncIndexes.h"

#include <algorithm>

#include "platform/AnsiText.h"
#include "platform/StrUtils.h"
#include "taskdb/TaskNode.h"

void TEntryIDIndex::Add(const std::string& EntryID, TTaskNode* Task)
{
    auto at = std::upper_bound(entries_.begin(), entries_.end(), EntryID,
                               [](const std::string& key, const TEntry& e) {
                                   return CompareText(key, e.EntryID) < 0;
                               });
    entries_.insert(at, TEntry{EntryID, Task});
}

int TEntryIDIndex::Find(std::string_view EntryID) const
{
    auto at = std::lower_bound(entries_.begin(), entries_.end(), EntryID,
                               [](const TEntry& e, std::string_view key) {
                                   return CompareText(e.EntryID, key) < 0;
                               });
    if (at == entries_.end() || CompareText(at->EntryID, EntryID) != 0)
        return -1;
    return static_cast<int>(at - entries_.begin());
}

void TEntryIDIndex::Delete(int Index)
{
    entries_.erase(entries_.begin() + Index);
}

bool TRecurringTaskIndex::TLess::operator()(const std::string& a, const std::string& b) const
{
    return AnsiCompareText(a, b) < 0;
}

void TRecurringTaskIndex::AddTask(TTaskNode* Task)
{
    auto found = entries_.find(Task->Caption);
    if (found == entries_.end()) {
        entries_.emplace(Task->Caption, Task);
        return;
    }
    // Siblings of one series stay together; the same caption elsewhere tells no place.
    if (found->second && found->second->Parent != Task->Parent)
        found->second = nullptr;
}

bool TRecurringTaskIndex::Find(const std::string& Caption, TTaskNode*& Task) const
{
    auto found = entries_.find(Caption);
    if (found == entries_.end())
        return false;
    Task = found->second;
    return true;
}
