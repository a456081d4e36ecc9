// The document as the task tree needs it: defaults, Clear, the record of deleted linked tasks
// and completing a subtree.
#include <gtest/gtest.h>

#include <memory>

#include "platform/DateTime.h"
#include "taskdb/TaskPlace.h"
#include "taskdb/TovrinDataBase.h"

namespace {

// A document that has been synchronised with a folder, so deletions are recorded.
struct SyncedDocument : ::testing::Test {
    SyncedDocument()
    {
        db.OutlookFolderPath = "\\\\Mailbox\\Tasks";
        db.SetLastSyncTime(45000);
    }
    TTovrinDataBase db;

    TTaskNode* Linked(TTaskNode* parent, const std::string& entryID)
    {
        TTaskNode* task = parent->AddChild("linked " + entryID, -1);
        task->SetOutlookEntryID(entryID);
        return task;
    }
    std::vector<std::string> Deleted() const { return db.DeletedEntryIDs.Items(); }
};

using Ids = std::vector<std::string>;

}  // namespace

TEST(Document, CurrentDataBaseLivesWithTheDocument)
{
    {
        TTovrinDataBase db;
        EXPECT_EQ(CurrentDataBase, &db);
        EXPECT_EQ(db.NewOutlookTasksParent, "<NewOutlookTasks>") << "Clear ends the construction";
    }
    EXPECT_EQ(CurrentDataBase, nullptr);
}

TEST(Document, ClearEmptiesTheOutlineAndResetsSyncSettingsButKeepsDisplaySwitches)
{
    TTovrinDataBase db;
    TTaskNode* task = db.Root->AddChild("task", -1);
    task->AddChild("sub", -1);
    db.ToDoList.Add(task);
    db.PlacesList->Add("Home");
    db.DeletedEntryIDs.Add("X");
    db.OutlookFolderPath = "path";
    db.DisconnectAll = true;
    db.SetLastSyncTime(1);
    db.SetNewOutlookTasksParent("inbox");
    db.SetSyncOptionNumber(9);
    db.SetSyncOptionMode(7);
    db.FileVersion = 1;
    db.SetShowPlaces(false);
    db.SetToDoPlaceFilterID(4);

    db.Clear();
    EXPECT_EQ(db.Root->Children.Count(), 0);
    EXPECT_TRUE(db.ToDoList.Empty());
    EXPECT_EQ(db.PlacesList->Count(), 0);
    EXPECT_TRUE(db.DeletedEntryIDs.Empty()) << "also nothing recorded while clearing";
    EXPECT_EQ(db.OutlookFolderPath, "");
    EXPECT_FALSE(db.DisconnectAll);
    EXPECT_EQ(db.LastSyncTime, 0);
    EXPECT_EQ(db.NewOutlookTasksParent, "<NewOutlookTasks>");
    EXPECT_EQ(db.SyncOptionNumber, 5);
    EXPECT_EQ(db.SyncOptionMode, 2);
    EXPECT_EQ(db.FileVersion, 3);
    EXPECT_FALSE(db.ShowPlaces);
    EXPECT_EQ(db.ToDoPlaceFilterID, 4);
    EXPECT_EQ(db.UpdateCounter, 0);
}

TEST_F(SyncedDocument, DeletingLinkedTasksRecordsTheirTrimmedEntryIDs)
{
    TTaskNode* parent = Linked(db.Root.get(), "  PARENT  ");
    Linked(parent, "child");
    Linked(parent, "CHILD");   // freed first (last child first); "child" is then a duplicate
    parent->AddChild("unlinked", -1);
    Linked(db.Root.get(), "   ");
    TTaskNode* keep = Linked(db.Root.get(), "keep");
    delete parent;
    EXPECT_EQ(Deleted(), (Ids{"CHILD", "PARENT"}));
    delete db.Root->Children[0];   // the blank link
    EXPECT_EQ(Deleted(), (Ids{"CHILD", "PARENT"}));
    EXPECT_EQ(db.Root->Children[0], keep);
}

TEST_F(SyncedDocument, NothingIsRecordedBeforeASyncWithoutAFolderOrInBulkFrees)
{
    db.SetLastSyncTime(0);
    delete Linked(db.Root.get(), "never synced");
    db.SetLastSyncTime(45000);
    db.OutlookFolderPath.clear();
    delete Linked(db.Root.get(), "no folder");
    db.OutlookFolderPath = "f";
    ++db.UpdateCounter;
    delete Linked(db.Root.get(), "deleted in Outlook");
    --db.UpdateCounter;
    EXPECT_TRUE(db.DeletedEntryIDs.Empty());

    Linked(db.Root.get(), "cleared");
    db.Clear();
    EXPECT_TRUE(db.DeletedEntryIDs.Empty());
}

TEST_F(SyncedDocument, DetachedCopiesNeverReportTheLinkOfALiveTask)
{
    TTaskNode* task = Linked(db.Root.get(), "live");
    {
        // The undo history keeps detached before/after copies of an edited task.
        auto before = std::make_unique<TTaskNode>(nullptr);
        before->Assign(*task);
        EXPECT_EQ(before->OutlookEntryID, "live");
    }
    EXPECT_TRUE(db.DeletedEntryIDs.Empty());
    EXPECT_EQ(task->OutlookEntryID, "live");
}

TEST_F(SyncedDocument, ADeletionHeldForUndoIsRecordedWhenTheHeldSubtreeIsFreed)
{
    TTaskNode* task = Linked(db.Root.get(), "held");
    Linked(task, "held child");
    task->MoveTo(nullptr, 0);   // the deletion: the undo step holds the subtree
    EXPECT_TRUE(db.DeletedEntryIDs.Empty());
    delete task;                // the undo history lets go of it
    EXPECT_EQ(Deleted(), (Ids{"held", "held child"}));
}

TEST_F(SyncedDocument, ASubtreeBuiltDetachedAndLinkedLaterBelongsToTheOutline)
{
    auto* top = new TTaskNode(nullptr);
    top->SetOutlookEntryID("top");
    TTaskNode* sub = top->AddChild("sub", -1);
    sub->SetOutlookEntryID("sub");
    top->MoveTo(db.Root.get(), -1);   // now owned by the outline
    sub->MoveTo(nullptr, 0);
    delete sub;
    delete top;
    EXPECT_EQ(Deleted(), (Ids{"sub", "top"}));
}

TEST(Document, TasksThatOutliveTheDocumentDoNotTouchIt)
{
    TTaskNode* held = nullptr;
    {
        TTovrinDataBase db;
        db.OutlookFolderPath = "f";
        db.SetLastSyncTime(1);
        held = db.Root->AddChild("held by undo", -1);
        held->SetOutlookEntryID("id");
        held->AddChild("sub", -1)->SetOutlookEntryID("sub");
        held->MoveTo(nullptr, 0);
    }
    EXPECT_EQ(CurrentDataBase, nullptr);
    delete held;   // freed at shut-down after the document; the sanitizer build checks this
}

TEST(Document, SetSubtasksCompletedStampsOnlyTasksThatChange)
{
    TTovrinDataBase db;
    TTaskNode* task = db.Root->AddChild("task", -1);
    TTaskNode* open = task->AddChild("open", -1);
    TTaskNode* done = task->AddChild("done", -1);
    TTaskNode* deep = open->AddChild("deep", -1);
    TTaskNode* outside = db.Root->AddChild("outside", -1);
    done->SetCompletionDateTime(100);
    done->SetModifiedDateTime(100);

    int reading = 0;
    {
        TClockOverride clock([&] { return 50000.0 + reading++; });
        db.SetSubtasksCompleted(task, true);
    }
    EXPECT_EQ(task->CompletionDateTime, 50000.0);
    EXPECT_EQ(task->ModifiedDateTime, 50001.0) << "two readings of the clock";
    EXPECT_EQ(open->CompletionDateTime, 50002.0);
    EXPECT_EQ(deep->CompletionDateTime, 50004.0);
    EXPECT_TRUE(deep->CompletedMark);
    EXPECT_EQ(done->CompletionDateTime, 100) << "already completed: untouched";
    EXPECT_EQ(done->ModifiedDateTime, 100);
    EXPECT_EQ(outside->CompletionDateTime, 0);
    EXPECT_EQ(reading, 6);

    {
        TClockOverride clock(60000.0);
        db.SetSubtasksCompleted(open, false);
    }
    EXPECT_EQ(open->CompletionDateTime, 0);
    EXPECT_FALSE(open->CompletedMark);
    EXPECT_EQ(open->ModifiedDateTime, 60000.0);
    EXPECT_EQ(deep->CompletionDateTime, 0);
    EXPECT_EQ(task->CompletionDateTime, 50000.0);
    db.SetSubtasksCompleted(nullptr, true);
}
