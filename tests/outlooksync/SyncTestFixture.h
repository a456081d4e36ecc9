#pragma once
// An outline, an in-memory store with one task folder, a scripted window and a run over them,
// on a clock the test moves by hand.
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "outlooksync/MemoryOutlookStore.h"
#include "outlooksync/OutlookSync.h"
#include "outlooksync/SyncLog.h"
#include "outlooksync/SyncTestHost.h"
#include "platform/DateTime.h"
#include "taskdb/Services.h"
#include "taskdb/TaskNode.h"
#include "taskdb/TovrinDataBase.h"

class SyncFixture : public ::testing::Test {
protected:
    SyncFixture()
        : clock([this] { return now; }), store(std::make_shared<TMemoryOutlookStore>())
    {
        personal = store->AddFolder("Personal Folders");
        folder = personal->AddFolder("Tasks");
        db.SyncLogLevel = 3;
        NewRun();
    }

    // A fresh run state, as one call of the run would have, pointed at the folder.
    void NewRun()
    {
        run = std::make_unique<TOutlookSyncRun>(db, host, store->Factory());
        run->Folder = folder;
        run->NameSpace = store;
        run->NewOutlookTasksParentTask = db.Root.get();
    }

    TTaskNode* AddTask(const std::string& caption, TTaskNode* parent = nullptr)
    {
        TTaskNode* t = (parent ? parent : db.Root.get())->AddChild(caption, -1);
        t->SetModifiedDateTime(now);
        return t;
    }

    // A task linked to a new stored item with the same subject, both last changed at `when`.
    TTaskNode* AddLinkedPair(const std::string& caption, TDateTime when,
                             std::shared_ptr<TMemoryTaskItem>* itemOut = nullptr,
                             TTaskNode* parent = nullptr)
    {
        auto item = folder->AddItem(caption, when);
        TTaskNode* t = (parent ? parent : db.Root.get())->AddChild(caption, -1);
        t->SetOutlookEntryID(item->Data.EntryID);
        t->SetModifiedDateTime(when);
        if (itemOut)
            *itemOut = item;
        return t;
    }

    bool Logged(const std::string& text) const
    {
        for (const std::string& line : run->Log->Lines())
            if (line.size() >= text.size() &&
                line.compare(line.size() - text.size(), text.size(), text) == 0)
                return true;
        return false;
    }

    static std::u16string W(const std::string& s) { return AnsiToWide(s, 0); }

    TDateTime now = 45000.5;   // 2023-03-15 12:00
    TClockOverride clock;
    TTovrinDataBase db;
    std::shared_ptr<TMemoryOutlookStore> store;
    std::shared_ptr<TMemoryFolder> personal;
    std::shared_ptr<TMemoryFolder> folder;
    TSyncTestHost host;
    std::unique_ptr<TOutlookSyncRun> run;
};
