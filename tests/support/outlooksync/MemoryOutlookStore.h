#pragma once
// A task store held in memory: folders with task items, saved modification times from the
// local clock, deletions, recurring items that move on to their next date when completed,
// and failures on request. It backs the synchronisation's tests and any caller that needs a
// store without files.
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "outlooksync/OutlookAutomation.h"

class TMemoryOutlookStore;
class TMemoryFolder;

// The stored values of one task item.
struct TMemoryTaskData {
    std::string EntryID;
    std::u16string Subject;
    std::u16string Body;
    std::u16string Categories;
    TDateTime DueDate = OutlookNoDate;
    TDateTime StartDate = OutlookNoDate;
    TDateTime DateCompleted = OutlookNoDate;
    TDateTime LastModificationTime = 0;
    bool Complete = false;
    bool IsRecurring = false;
    // Days a recurring item moves on when it is completed.
    double RecurrenceDays = 7;
};

class TMemoryTaskItem : public IOutlookTaskItem,
                        public std::enable_shared_from_this<TMemoryTaskItem> {
public:
    TMemoryTaskItem(TMemoryFolder* Folder, TMemoryTaskData Data);

    std::string EntryID() override;
    std::u16string Subject() override;
    void SetSubject(const std::u16string& Value) override;
    std::u16string Body() override;
    void SetBody(const std::u16string& Value) override;
    std::u16string Categories() override;
    void SetCategories(const std::u16string& Value) override;
    TDateTime DueDate() override;
    void SetDueDate(TDateTime Value) override;
    TDateTime StartDate() override;
    void SetStartDate(TDateTime Value) override;
    TDateTime DateCompleted() override;
    void SetDateCompleted(TDateTime Value) override;
    TDateTime LastModificationTime() override;
    bool Complete() override;
    void SetComplete(bool Value) override;
    bool IsRecurring() override;
    void Save() override;
    void Delete() override;

    // Direct access for tests: the values as stored, without the checks of the calls.
    TMemoryTaskData Data;
    bool FailOnSave = false;     // Save raises
    bool FailOnAccess = false;   // every call raises
    bool InFolder() const { return inFolder_; }
    int SaveCount() const { return saveCount_; }

private:
    friend class TMemoryFolder;
    void Check();

    TMemoryFolder* folder_;
    bool inFolder_ = false;
    bool deleted_ = false;
    bool savedComplete_ = false;
    int saveCount_ = 0;
};

class TMemoryFolder : public IOutlookFolder, public std::enable_shared_from_this<TMemoryFolder> {
public:
    TMemoryFolder(TMemoryOutlookStore* Store, std::string Name, int32_t DefaultItemType);

    std::string Name() override { return name_; }
    int32_t DefaultItemType() override { return defaultItemType_; }
    std::string EntryID() override { return entryID_; }
    std::string StoreID() override;
    std::shared_ptr<IOutlookFolders> Folders() override;
    std::shared_ptr<IOutlookItems> Items() override;

    // Building and reading the store by hand.
    std::shared_ptr<TMemoryFolder> AddFolder(const std::string& Name,
                                             int32_t DefaultItemType = olTaskItem);
    // A stored item; its modification time is Modified (or the clock's now when 0).
    std::shared_ptr<TMemoryTaskItem> AddItem(const std::string& Subject, TDateTime Modified = 0);
    std::shared_ptr<TMemoryTaskItem> FindItem(const std::string& EntryID) const;

    std::vector<std::shared_ptr<TMemoryTaskItem>> StoredItems;
    std::vector<std::shared_ptr<TMemoryFolder>> SubFolders;
    bool FailOnItems = false;   // Items().Count raises

private:
    friend class TMemoryTaskItem;
    void Store(const std::shared_ptr<TMemoryTaskItem>& Item);
    void Remove(const TMemoryTaskItem* Item);

    TMemoryOutlookStore* store_;
    std::string name_;
    int32_t defaultItemType_;
    std::string entryID_;
};

// The application and its namespace in one object.
class TMemoryOutlookStore : public IOutlookApplication,
                            public IOutlookNameSpace,
                            public std::enable_shared_from_this<TMemoryOutlookStore> {
public:
    TMemoryOutlookStore();

    std::shared_ptr<IOutlookNameSpace> GetNameSpace(const std::string& Type) override;
    std::shared_ptr<IOutlookFolders> Folders() override;
    std::shared_ptr<IOutlookTaskItem> GetItemFromID(const std::string& EntryID,
                                                    const std::string& StoreID) override;

    std::shared_ptr<TMemoryFolder> AddFolder(const std::string& Name,
                                             int32_t DefaultItemType = olTaskItem);
    // A factory that hands out this store.
    TOutlookApplicationFactory Factory();

    std::vector<std::shared_ptr<TMemoryFolder>> TopFolders;
    std::string StoreIDValue = "MEMSTORE";
    bool Unavailable = false;   // the application cannot be started
    int ApplicationStarts = 0;

private:
    friend class TMemoryFolder;
    friend class TMemoryTaskItem;
    std::string NewEntryID();
    std::shared_ptr<TMemoryTaskItem> FindIn(const TMemoryFolder& Folder,
                                            const std::string& EntryID) const;
    int nextID_ = 1;
};
