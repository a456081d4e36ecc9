#include "outlooksync/MemoryOutlookStore.h"

#include <algorithm>

#include "platform/StrUtils.h"
#include "taskdb/Services.h"

namespace {

class TMemoryFolders : public IOutlookFolders {
public:
    explicit TMemoryFolders(std::vector<std::shared_ptr<TMemoryFolder>> folders)
        : folders_(std::move(folders)) {}
    int32_t Count() override { return static_cast<int32_t>(folders_.size()); }
    std::shared_ptr<IOutlookFolder> Item(int32_t Index) override
    {
        if (Index < 1 || Index > Count())
            throw EOutlookError("Array index out of bounds.");
        return folders_[static_cast<size_t>(Index - 1)];
    }

private:
    std::vector<std::shared_ptr<TMemoryFolder>> folders_;
};

class TMemoryItems : public IOutlookItems {
public:
    TMemoryItems(std::shared_ptr<TMemoryFolder> folder, TMemoryFolder* raw)
        : folder_(std::move(folder)), raw_(raw) {}
    int32_t Count() override
    {
        if (raw_->FailOnItems)
            throw EOutlookError("The folder cannot be read.");
        return static_cast<int32_t>(raw_->StoredItems.size());
    }
    std::shared_ptr<IOutlookTaskItem> Item(int32_t Index) override
    {
        if (Index < 1 || Index > Count())
            throw EOutlookError("Array index out of bounds.");
        return raw_->StoredItems[static_cast<size_t>(Index - 1)];
    }
    std::shared_ptr<IOutlookTaskItem> Add() override
    {
        return std::make_shared<TMemoryTaskItem>(raw_, TMemoryTaskData{});
    }

private:
    std::shared_ptr<TMemoryFolder> folder_;
    TMemoryFolder* raw_;
};

} // namespace

// ---------------------------------------------------------------- item

TMemoryTaskItem::TMemoryTaskItem(TMemoryFolder* Folder, TMemoryTaskData AData)
    : Data(std::move(AData)), folder_(Folder), savedComplete_(Data.Complete)
{
}

void TMemoryTaskItem::Check()
{
    if (deleted_)
        throw EOutlookError("The item has been moved or deleted.");
    if (FailOnAccess)
        throw EOutlookError("The operation failed.");
}

std::string TMemoryTaskItem::EntryID() { Check(); return Data.EntryID; }
std::u16string TMemoryTaskItem::Subject() { Check(); return Data.Subject; }
void TMemoryTaskItem::SetSubject(const std::u16string& Value) { Check(); Data.Subject = Value; }
std::u16string TMemoryTaskItem::Body() { Check(); return Data.Body; }
void TMemoryTaskItem::SetBody(const std::u16string& Value) { Check(); Data.Body = Value; }
std::u16string TMemoryTaskItem::Categories() { Check(); return Data.Categories; }
void TMemoryTaskItem::SetCategories(const std::u16string& Value) { Check(); Data.Categories = Value; }
TDateTime TMemoryTaskItem::DueDate() { Check(); return Data.DueDate; }
void TMemoryTaskItem::SetDueDate(TDateTime Value) { Check(); Data.DueDate = Value; }
TDateTime TMemoryTaskItem::StartDate() { Check(); return Data.StartDate; }
void TMemoryTaskItem::SetStartDate(TDateTime Value) { Check(); Data.StartDate = Value; }
TDateTime TMemoryTaskItem::DateCompleted() { Check(); return Data.DateCompleted; }
void TMemoryTaskItem::SetDateCompleted(TDateTime Value) { Check(); Data.DateCompleted = Value; }
TDateTime TMemoryTaskItem::LastModificationTime() { Check(); return Data.LastModificationTime; }
bool TMemoryTaskItem::Complete() { Check(); return Data.Complete; }
void TMemoryTaskItem::SetComplete(bool Value)
{
    Check();
    Data.Complete = Value;
    if (!Value)
        Data.DateCompleted = OutlookNoDate;
}
bool TMemoryTaskItem::IsRecurring() { Check(); return Data.IsRecurring; }

void TMemoryTaskItem::Save()
{
    Check();
    if (FailOnSave)
        throw EOutlookError("The item could not be saved.");
    TMemoryOutlookStore* store = folder_->store_;
    Data.LastModificationTime = Now();
    if (Data.EntryID.empty())
        Data.EntryID = store->NewEntryID();
    // Completing an occurrence of a series: the completed occurrence becomes an item of its
    // own, and the series moves on to its next date, open again.
    if (Data.IsRecurring && Data.Complete && !savedComplete_) {
        TMemoryTaskData done = Data;
        done.EntryID = store->NewEntryID();
        done.IsRecurring = false;
        if (done.DateCompleted == OutlookNoDate)
            done.DateCompleted = Now();
        Data.Complete = false;
        Data.DateCompleted = OutlookNoDate;
        if (Data.DueDate != OutlookNoDate)
            Data.DueDate += Data.RecurrenceDays;
        if (Data.StartDate != OutlookNoDate)
            Data.StartDate += Data.RecurrenceDays;
        auto copy = std::make_shared<TMemoryTaskItem>(folder_, done);
        folder_->Store(copy);
        ++copy->saveCount_;
    }
    savedComplete_ = Data.Complete;
    ++saveCount_;
    if (!inFolder_)
        folder_->Store(shared_from_this());
}

void TMemoryTaskItem::Delete()
{
    Check();
    if (inFolder_)
        folder_->Remove(this);
    deleted_ = true;
}

// ---------------------------------------------------------------- folder

TMemoryFolder::TMemoryFolder(TMemoryOutlookStore* AStore, std::string AName,
                             int32_t ADefaultItemType)
    : store_(AStore), name_(std::move(AName)), defaultItemType_(ADefaultItemType),
      entryID_(AStore->NewEntryID())
{
}

std::string TMemoryFolder::StoreID()
{
    return store_->StoreIDValue;
}

std::shared_ptr<IOutlookFolders> TMemoryFolder::Folders()
{
    return std::make_shared<TMemoryFolders>(SubFolders);
}

std::shared_ptr<IOutlookItems> TMemoryFolder::Items()
{
    return std::make_shared<TMemoryItems>(shared_from_this(), this);
}

std::shared_ptr<TMemoryFolder> TMemoryFolder::AddFolder(const std::string& Name,
                                                        int32_t DefaultItemType)
{
    auto folder = std::make_shared<TMemoryFolder>(store_, Name, DefaultItemType);
    SubFolders.push_back(folder);
    return folder;
}

std::shared_ptr<TMemoryTaskItem> TMemoryFolder::AddItem(const std::string& Subject,
                                                        TDateTime Modified)
{
    TMemoryTaskData data;
    data.EntryID = store_->NewEntryID();
    data.Subject = AnsiToWide(Subject, 0);
    data.LastModificationTime = Modified != 0 ? Modified : Now();
    auto item = std::make_shared<TMemoryTaskItem>(this, data);
    Store(item);
    return item;
}

std::shared_ptr<TMemoryTaskItem> TMemoryFolder::FindItem(const std::string& EntryID) const
{
    for (const auto& item : StoredItems)
        if (item->Data.EntryID == EntryID)
            return item;
    return nullptr;
}

void TMemoryFolder::Store(const std::shared_ptr<TMemoryTaskItem>& Item)
{
    Item->inFolder_ = true;
    StoredItems.push_back(Item);
}

void TMemoryFolder::Remove(const TMemoryTaskItem* Item)
{
    auto at = std::find_if(StoredItems.begin(), StoredItems.end(),
                           [Item](const auto& held) { return held.get() == Item; });
    if (at != StoredItems.end()) {
        (*at)->inFolder_ = false;
        StoredItems.erase(at);
    }
}

// ---------------------------------------------------------------- store

TMemoryOutlookStore::TMemoryOutlookStore() = default;

std::shared_ptr<IOutlookNameSpace> TMemoryOutlookStore::GetNameSpace(const std::string& Type)
{
    if (!SameText(Type, "MAPI"))
        throw EOutlookError("Unknown namespace type.");
    return shared_from_this();
}

std::shared_ptr<IOutlookFolders> TMemoryOutlookStore::Folders()
{
    return std::make_shared<TMemoryFolders>(TopFolders);
}

std::shared_ptr<TMemoryTaskItem> TMemoryOutlookStore::FindIn(const TMemoryFolder& Folder,
                                                             const std::string& EntryID) const
{
    if (auto item = Folder.FindItem(EntryID))
        return item;
    for (const auto& sub : Folder.SubFolders)
        if (auto item = FindIn(*sub, EntryID))
            return item;
    return nullptr;
}

std::shared_ptr<IOutlookTaskItem> TMemoryOutlookStore::GetItemFromID(const std::string& EntryID,
                                                                     const std::string& StoreID)
{
    if (StoreID == StoreIDValue) {
        for (const auto& folder : TopFolders)
            if (auto item = FindIn(*folder, EntryID))
                return item;
    }
    throw EOutlookError("The operation failed. An object could not be found.");
}

std::shared_ptr<TMemoryFolder> TMemoryOutlookStore::AddFolder(const std::string& Name,
                                                              int32_t DefaultItemType)
{
    auto folder = std::make_shared<TMemoryFolder>(this, Name, DefaultItemType);
    TopFolders.push_back(folder);
    return folder;
}

TOutlookApplicationFactory TMemoryOutlookStore::Factory()
{
    std::weak_ptr<TMemoryOutlookStore> self = shared_from_this();
    return [self]() -> std::shared_ptr<IOutlookApplication> {
        auto store = self.lock();
        if (!store || store->Unavailable)
            throw EOutlookError("Server execution failed");
        ++store->ApplicationStarts;
        return store;
    };
}

std::string TMemoryOutlookStore::NewEntryID()
{
    return Format("00000000%08X", nextID_++);
}
