// The document as the task tree needs it: Clear, the record of deleted linked tasks and
// completing a subtree.
#include <algorithm>
#include <memory>
#include <tuple>

#include "platform/DateTime.h"
#include "taskdb/TaskPlace.h"
#include "taskdb/TovrinDataBase.h"
#include "TreeSupport.h"

namespace {

// A document that has been synchronised with a folder, so deletions are recorded.
struct SyncedDocument : ::testing::Test {
    SyncedDocument()
    {
        db.OutlookFolderPath = "\\\\Mailbox\\Tasks";
        db.SetLastSyncTime(45000);
    }
    // Grows tasks linked to Outlook items named as their captions ("_" stands for a blank).
    Outline Linked(TTaskNode* parent, std::string_view notation)
    {
        Outline tasks = Grow(*parent, notation);
        for (auto& [caption, task] : tasks) {
            std::string id = caption;
            std::replace(id.begin(), id.end(), '_', ' ');
            task->SetOutlookEntryID(id);
        }
        return tasks;
    }
    Names Deleted() const { return db.DeletedEntryIDs.Items(); }

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
    const auto sync = [&] {
        return std::tuple(db.LastSyncTime, db.OutlookCategory, db.NewOutlookTasksParent,
                          db.SyncOptionFlag1, db.SyncOptionFlag2, db.SyncOptionNumber,
                          db.SyncOptionString1, db.DeletedItemsCategory, db.SyncOptionDate,
                          db.SyncOptionMode, db.OutlookFolderEntryID, db.OutlookFolderPath,
                          db.DisconnectAll, db.FileVersion, db.UpdateCounter);
    };
    const auto display = [&] {
        return std::tuple(db.ShowTaskProperties, db.ShowTaskTreeViews, db.ShowPlaces,
                          db.ShowToDoSheet, db.ToDoAutoUpdate, db.ToDoPlaceFilterID,
                          db.ShowImportance, db.ShowEffort, db.ShowGoals, db.ShowProject,
                          db.ShowTime, db.HeaderValue, db.SyncLogLevel, db.MaxSyncLogSize);
    };
    const auto newSync = std::tuple(0.0, std::string(), std::string("<NewOutlookTasks>"), false,
                                    false, 5, std::string(), std::string(), 0.0, uint8_t(2),
                                    std::string(), std::string(), false, 3, 0);
    EXPECT_EQ(sync(), newSync);
    EXPECT_EQ(display(), std::tuple(true, true, true, true, true, -10, true, true, true, true,
                                    true, 0, 2, 102400));

    Outline t = Grow(*db.Root, "task(sub)");
    db.ToDoList.Add(t["task"]);
    db.PlacesList->Add("Home");
    db.DeletedEntryIDs.Add("X");
    db.SetLastSyncTime(1);
    db.SetOutlookCategory("c");
    db.SetNewOutlookTasksParent("inbox");
    db.SetSyncOptionFlag1(true);
    db.SetSyncOptionFlag2(true);
    db.SetSyncOptionNumber(9);
    db.SetSyncOptionString1("s");
    db.SetDeletedItemsCategory("d");
    db.SetSyncOptionDate(2);
    db.SetSyncOptionMode(7);
    db.OutlookFolderEntryID = "e";
    db.OutlookFolderPath = "path";
    db.DisconnectAll = true;
    db.FileVersion = 1;
    db.SetShowPlaces(false);
    db.SetToDoPlaceFilterID(4);
    const auto shown = display();

    db.Clear();
    EXPECT_EQ(std::tuple(db.Root->Children.Count(), db.ToDoList.Count(), db.PlacesList->Count()),
              std::tuple(0, 0, 0));
    EXPECT_TRUE(db.DeletedEntryIDs.Empty()) << "also nothing recorded while clearing";
    EXPECT_EQ(sync(), newSync);
    EXPECT_EQ(display(), shown);
}

TEST_F(SyncedDocument, DeletingLinkedTasksRecordsTheirTrimmedEntryIDs)
{
    // Links that differ only in letter case are different links.
    Outline t = Linked(db.Root.get(), "__PARENT__(child CHILD) ___ keep");
    t["__PARENT__"]->AddChild("unlinked", 0);
    delete t["__PARENT__"];
    EXPECT_EQ(Deleted(), (Names{"CHILD", "PARENT", "child"}));
    delete t["___"];   // a blank link
    EXPECT_EQ(Deleted(), (Names{"CHILD", "PARENT", "child"}));
    EXPECT_EQ(Shape(*db.Root), "keep");
}

TEST_F(SyncedDocument, NothingIsRecordedBeforeASyncWithoutAFolderOrInBulkFrees)
{
    db.SetLastSyncTime(0);
    delete Linked(db.Root.get(), "neverSynced")["neverSynced"];
    db.SetLastSyncTime(45000);
    db.OutlookFolderPath.clear();
    delete Linked(db.Root.get(), "noFolder")["noFolder"];
    db.OutlookFolderPath = "f";
    ++db.UpdateCounter;
    delete Linked(db.Root.get(), "deletedInOutlook")["deletedInOutlook"];
    --db.UpdateCounter;
    EXPECT_TRUE(db.DeletedEntryIDs.Empty());

    Linked(db.Root.get(), "cleared");
    db.Clear();
    EXPECT_TRUE(db.DeletedEntryIDs.Empty());
}

TEST_F(SyncedDocument, OnlyTasksThatBelongedToTheOutlineRecordTheirLinks)
{
    // The undo history keeps detached before/after copies of an edited task: never recorded.
    Outline t = Linked(db.Root.get(), "live held(heldChild)");
    std::make_unique<TTaskNode>(nullptr)->Assign(*t["live"]);
    EXPECT_TRUE(db.DeletedEntryIDs.Empty());

    // A deletion held for undo is recorded when the undo history lets go of the subtree.
    t["held"]->MoveTo(nullptr, 0);
    EXPECT_TRUE(db.DeletedEntryIDs.Empty());
    delete t["held"];
    EXPECT_EQ(Deleted(), (Names{"held", "heldChild"}));

    // A subtree built detached and moved into the outline belongs to it, subtasks included.
    auto* top = new TTaskNode(nullptr);
    top->SetOutlookEntryID("top");
    TTaskNode* sub = top->AddChild("sub", -1);
    sub->SetOutlookEntryID("sub");
    top->MoveTo(db.Root.get(), -1);   // now owned by the outline
    sub->MoveTo(nullptr, 0);
    delete sub;
    delete top;
    EXPECT_EQ(Deleted(), (Names{"held", "heldChild", "sub", "top"}));
}

TEST(Document, SetSubtasksCompletedStampsOnlyTasksThatChange)
{
    TTovrinDataBase db;
    Outline t = Grow(*db.Root, "task(open(deep) done) outside");
    t["done"]->SetCompletionDateTime(100);
    t["done"]->SetModifiedDateTime(100);

    int reading = 0;
    {
        TClockOverride clock([&] { return 50000.0 + reading++; });
        db.SetSubtasksCompleted(t["task"], true);
    }
    // Two readings of the clock per changed task; the completed one is untouched.
    EXPECT_EQ(std::tuple(t["task"]->CompletionDateTime, t["task"]->ModifiedDateTime,
                         t["open"]->CompletionDateTime, t["deep"]->CompletionDateTime, reading),
              std::tuple(50000.0, 50001.0, 50002.0, 50004.0, 6));
    EXPECT_TRUE(t["deep"]->CompletedMark);
    EXPECT_EQ(std::tuple(t["done"]->CompletionDateTime, t["done"]->ModifiedDateTime), std::tuple(100.0, 100.0));
    EXPECT_EQ(t["outside"]->CompletionDateTime, 0);

    {
        TClockOverride clock(60000.0);
        db.SetSubtasksCompleted(t["open"], false);
    }
    EXPECT_EQ(std::tuple(t["open"]->CompletionDateTime, t["open"]->CompletedMark, t["open"]->ModifiedDateTime,
                         t["deep"]->CompletionDateTime, t["task"]->CompletionDateTime),
              std::tuple(0.0, false, 60000.0, 0.0, 50000.0));
    db.SetSubtasksCompleted(nullptr, true);
}
