#pragma once
// The task store's object model as the synchronisation drives it: an application, its
// namespace, folders found by name, the task items of a folder with the properties and
// methods the synchronisation reads and writes. Any store that offers these operations with
// these results can be synchronised (the in-memory store for tests, the iCalendar folder
// store for the desktop).
//
// Dates are days since 1899-12-30 with the time of day as fraction, like the task's dates;
// OutlookNoDate (4501-01-01) stands for "no date". A failed call raises EOutlookError (or
// another Exception) carrying the store's message.
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/DateTime.h"
#include "platform/Exceptions.h"

constexpr double OutlookNoDate = 949998;
// DefaultItemType of a folder that holds task items.
constexpr int32_t olTaskItem = 3;

class EOutlookError : public Exception {
    using Exception::Exception;
};

// The store leaves one item alone for this run (for example a second file with the same UID,
// or a file another program changed while the run was writing it); the run logs a warning.
class EOutlookItemSkipped : public EOutlookError {
    using EOutlookError::EOutlookError;
};

class IOutlookTaskItem {
public:
    virtual ~IOutlookTaskItem() = default;

    // Unique in its store; empty until a new item is saved; Save does not change it.
    virtual std::string EntryID() = 0;
    virtual std::u16string Subject() = 0;
    virtual void SetSubject(const std::u16string& Value) = 0;
    virtual std::u16string Body() = 0;
    virtual void SetBody(const std::u16string& Value) = 0;
    // What the item keeps of a subject or body it is given. A store that cannot keep some
    // characters keeps less; a pair is compared in the kept form, else it never matches.
    virtual std::u16string KeptSubject(const std::u16string& Value) { return Value; }
    virtual std::u16string KeptBody(const std::u16string& Value) { return Value; }
    // What the item keeps of a due or start date it is given (a store may keep whole seconds).
    virtual TDateTime KeptDate(TDateTime Value) { return Value; }
    // Comma-separated category names.
    virtual std::u16string Categories() = 0;
    virtual void SetCategories(const std::u16string& Value) = 0;
    virtual TDateTime DueDate() = 0;
    virtual void SetDueDate(TDateTime Value) = 0;
    virtual TDateTime StartDate() = 0;
    virtual void SetStartDate(TDateTime Value) = 0;
    virtual TDateTime DateCompleted() = 0;
    virtual void SetDateCompleted(TDateTime Value) = 0;
    // Same clock as the local Now().
    virtual TDateTime LastModificationTime() = 0;
    virtual bool Complete() = 0;
    virtual void SetComplete(bool Value) = 0;
    virtual bool IsRecurring() = 0;
    // The task a new item is saved for, by a key the outline can find it by again. A store that
    // puts items in place before the outline keeps their links gives the key back from
    // EarlierLinks, so that a run cut short, or an outline not saved after its run, does not
    // make the item again. Given to an item of EarlierLinks, it keeps that link for one more run.
    virtual void SetOwner(const std::string& Key) { (void)Key; }
    // Stores the item; a new item joins its folder's items here.
    virtual void Save() = 0;
    virtual void Delete() = 0;
};

// An item an earlier run saved for the task with this owner key.
struct TEarlierLink {
    std::string Owner;
    std::shared_ptr<IOutlookTaskItem> Item;
};

class IOutlookItems {
public:
    virtual ~IOutlookItems() = default;
    virtual int32_t Count() = 0;
    // Index from 1. The order is kept while a walk runs from Count down to 1.
    virtual std::shared_ptr<IOutlookTaskItem> Item(int32_t Index) = 0;
    // A new, unsaved task item of this folder.
    virtual std::shared_ptr<IOutlookTaskItem> Add() = 0;
    // The items the last runs saved for tasks (SetOwner), whose links the outline may not
    // have kept; in the order they were saved.
    virtual std::vector<TEarlierLink> EarlierLinks() { return {}; }
};

class IOutlookFolder;

class IOutlookFolders {
public:
    virtual ~IOutlookFolders() = default;
    virtual int32_t Count() = 0;
    // Index from 1.
    virtual std::shared_ptr<IOutlookFolder> Item(int32_t Index) = 0;
};

class IOutlookFolder {
public:
    virtual ~IOutlookFolder() = default;
    virtual std::string Name() = 0;
    virtual int32_t DefaultItemType() = 0;
    virtual std::string EntryID() = 0;
    virtual std::string StoreID() = 0;
    virtual std::shared_ptr<IOutlookFolders> Folders() = 0;
    virtual std::shared_ptr<IOutlookItems> Items() = 0;
};

class IOutlookNameSpace {
public:
    virtual ~IOutlookNameSpace() = default;
    virtual std::shared_ptr<IOutlookFolders> Folders() = 0;
    // Raises when no such item exists.
    virtual std::shared_ptr<IOutlookTaskItem> GetItemFromID(const std::string& EntryID,
                                                            const std::string& StoreID) = 0;
    // Where a store whose items carry no local modification time keeps what this outline saw
    // of them at its runs. Set right after connecting.
    virtual void UseStateFile(const std::string& Path) { (void)Path; }
    // The end of a run: finishes the writes still open and keeps what the run saw. Returns
    // warnings for the log; raises when the store cannot finish.
    virtual std::vector<std::string> EndRun() { return {}; }
    // After EndRun: the EntryIDs of items whose save the store did not keep, because another
    // program changed or deleted the item during the run.
    virtual std::vector<std::string> UnsavedEntryIDs() { return {}; }
};

class IOutlookApplication {
public:
    virtual ~IOutlookApplication() = default;
    virtual std::shared_ptr<IOutlookNameSpace> GetNameSpace(const std::string& Type) = 0;
};

// Starts (or reaches) the store's application; raises when it is not available.
using TOutlookApplicationFactory = std::function<std::shared_ptr<IOutlookApplication>()>;
