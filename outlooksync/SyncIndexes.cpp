#include "outlooksync/SyncIndexes.h"

#include <algorithm>

#include "platform/AnsiText.h"
#include "taskdb/TaskNode.h"

void TEntryIDIndex::Add(const std::string& EntryID, TTaskNode* Task)
{
    entries_.push_back(TEntry{EntryID, Task});
    sorted_ = false;
}

void TEntryIDIndex::Sort() const
{
    if (sorted_)
        return;
    std::stable_sort(entries_.begin(), entries_.end(), [](const TEntry& a, const TEntry& b) {
        return a.EntryID < b.EntryID;
    });
    sorted_ = true;
}

int TEntryIDIndex::Find(std::string_view EntryID) const
{
    Sort();
    auto at = std::lower_bound(entries_.begin(), entries_.end(), EntryID,
                               [](const TEntry& e, std::string_view key) {
                                   return std::string_view(e.EntryID) < key;
                               });
    while (at != entries_.end() && at->Deleted && at->EntryID == EntryID)
        ++at;
    if (at == entries_.end() || at->EntryID != EntryID)
        return -1;
    return static_cast<int>(at - entries_.begin());
}

void TEntryIDIndex::Delete(int Index)
{
    TEntry& entry = entries_[static_cast<size_t>(Index)];
    if (!entry.Deleted)
        ++deleted_;
    entry.Deleted = true;
}

int TEntryIDIndex::Count() const
{
    Sort();
    if (deleted_ > 0) {
        entries_.erase(std::remove_if(entries_.begin(), entries_.end(),
                                      [](const TEntry& e) { return e.Deleted; }),
                       entries_.end());
        deleted_ = 0;
    }
    return static_cast<int>(entries_.size());
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
