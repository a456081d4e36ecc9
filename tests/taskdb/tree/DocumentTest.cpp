// The document as the task tree needs it: Clear, the record of deleted linked tasks and
// completing a subtree.
#include <gtest/gtest.h>

#include <memory>
#include <tuple>

#include "platform/DateTime.h"
#include "taskdb/TaskPlace.h"
#include "taskdb/TovrinDataBase.h"

namespace {

using Ids = std::vector<std::string>;

// A document that has been synchronised with a folder, so deletions are recorded.
struct SyncedDocument : ::testing::Test {
    SyncedDocument()
    {
        db.OutlookFolderPath = "\\\\Mailbox\\Tasks";
        db.SetLastSyncTime(45000);
    }
    TTaskNode* Linked(TTaskNode* parent, const std::string& entryID)
    {
        TTaskNode* task = parent->AddChild("linked " + entryID, -1);
        task->SetOutlookEntryID(entryID);
        return task;
    }
    Ids Deleted() const { return db.DeletedEntryIDs.Items(); }

    TTovrinDataBase db;
};

}  // namespace

TEST(Document, CurrentDataBaseLivesWithTheDocumentAndTasksOutlivingItDoNotTouchIt)
{
    TTaskNode* held = nullptr;
    {
        TTovrinDataBase db;
        EXPECT_EQ(CurrentDataBase, &db);
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
    EXPECT_EQ(std::tuple(db.Root->Children.Count(), db.ToDoList.Count(), db.PlacesList->Count()),
              std::tuple(0, 0, 0));
    EXPECT_TRUE(db.DeletedEntryIDs.Empty()) << "also nothing recorded while clearing";
    EXPECT_EQ(std::tuple(db.OutlookFolderPath, db.DisconnectAll, db.LastSyncTime,
                         db.NewOutlookTasksParent, db.SyncOptionNumber, db.SyncOptionMode,
                         db.FileVersion, db.UpdateCounter),
              std::tuple(std::string(), false, 0.0, std::string("<NewOutlookTasks>"), 5,
                         uint8_t(2), 3, 0));
    EXPECT_FALSE(db.ShowPlaces);
    EXPECT_EQ(db.ToDoPlaceFilterID, 4);
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
    // Two readings of the clock per changed task; the completed one is untouched.
    EXPECT_EQ(std::tuple(task->CompletionDateTime, task->ModifiedDateTime,
                         open->CompletionDateTime, deep->CompletionDateTime, reading),
              std::tuple(50000.0, 50001.0, 50002.0, 50004.0, 6));
    EXPECT_TRUE(deep->CompletedMark);
    EXPECT_EQ(std::tuple(done->CompletionDateTime, done->ModifiedDateTime), std::tuple(100.0, 100.0));
    EXPECT_EQ(outside->CompletionDateTime, 0);

    {
        TClockOverride clock(60000.0);
        db.SetSubtasksCompleted(open, false);
    }
    EXPECT_EQ(std::tuple(open->CompletionDateTime, open->CompletedMark, open->ModifiedDateTime,
                         deep->CompletionDateTime, task->CompletionDateTime),
              std::tuple(0.0, false, 60000.0, 0.0, 50000.0));
    db.SetSubtasksCompleted(nullptr, true);
}
