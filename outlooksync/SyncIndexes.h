#pragma once
// The two run-time indexes a synchronisation pass keeps on the document: tasks by their
// Outlook link, and tasks linked to recurring items by caption.
#include <map>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

class TTaskNode;

// Sorted by EntryID, compared exactly (a store's UIDs that differ only in case name different
// items); duplicate keys are kept in the order they were added. Unlinked tasks are filed under " ". Adding and deleting take constant time: the
// entries are sorted at the first look, and deleted ones leave at the next count.
class TEntryIDIndex {
public:
    struct TEntry {
        std::string EntryID;
        TTaskNode* Task;
        bool Deleted = false;
    };

    void Add(const std::string& EntryID, TTaskNode* Task);
    // Index of the first entry with this EntryID, or -1.
    int Find(std::string_view EntryID) const;
    // The entry at Index (from Find, or below Count) is gone; other indexes stay valid until
    // the next Count.
    void Delete(int Index);
    int Count() const;
    const TEntry& operator[](int Index) const { return entries_[static_cast<size_t>(Index)]; }

private:
    void Sort() const;

    mutable std::vector<TEntry> entries_;
    mutable bool sorted_ = true;
    mutable int deleted_ = 0;
};

// Caption (without regard to case) -> the task linked to a recurring item, or nullptr when
// several tasks under different parents share the caption.
class TRecurringTaskIndex {
public:
    // Enters Task under its caption; an entry under another parent makes it ambiguous.
    void AddTask(TTaskNode* Task);
    // False when the caption has no entry; otherwise Task is the entry (nullptr = ambiguous).
    bool Find(const std::string& Caption, TTaskNode*& Task) const;
    int Count() const { return static_cast<int>(entries_.size()); }

private:
    struct TLess {
        bool operator()(const std::string& a, const std::string& b) const;
    };
    std::map<std::string, TTaskNode*, TLess> entries_;
};
