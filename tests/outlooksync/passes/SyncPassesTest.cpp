// One pass in each mode: new items both ways, deletions both ways, recurring items, the
// category filter, unlinking, failures on single items and the user's abort.
#include <algorithm>

#include "outlooksync/SyncIndexes.h"
#include "outlooksync/SyncTestFixture.h"

namespace {

class SyncPasses : public SyncFixture {
protected:
    // A document synchronised with the folder before.
    void Synced()
    {
        db.SetLastSyncTime(44500);
        db.OutlookFolderPath = "\\Personal Folders\\Tasks";
    }
    TTaskNode* Parent()
    {
        return run->NewOutlookTasksParentTask = db.Root->AddChild("<NewOutlookTasks>", -1);
    }
    void Pass(uint8_t mode = smBothWays)
    {
        run->Mode = mode;
        run->RunSyncPass();
    }
    int LineIndex(const std::string& text) const
    {
        const auto& lines = run->Log->Lines().Items();
        auto it = std::find_if(lines.begin(), lines.end(), [&](const std::string& l) {
            return l.find(text) != std::string::npos;
        });
        return it == lines.end() ? -1 : static_cast<int>(it - lines.begin());
    }
};

TEST_F(SyncPasses, TheFirstTwoWayPassCopiesNewItemsAndNewTasksAcross)
{
    TTaskNode* inbox = Parent();
    folder->AddItem("A");
    folder->AddItem("B");
    TTaskNode* local = AddTask("Local");

    Pass();

    // Items are met from the last to the first.
    EXPECT_EQ(Captions(inbox), (std::vector<std::string>{"B", "A"}));
    EXPECT_LT(LineIndex("New Outlook task has been added to Tovrin: \"B\""),
              LineIndex("New Outlook task has been added to Tovrin: \"A\""));
    auto localItem = folder->FindItem(local->OutlookEntryID);
    ASSERT_TRUE(localItem);
    EXPECT_EQ(localItem->Data.Subject, W("Local"));
    EXPECT_TRUE(Logged("New Tovrin task has been added to Outlook: \"Local\""));
    // The new-tasks parent is written like any unlinked task.
    EXPECT_TRUE(folder->FindItem(inbox->OutlookEntryID));
    EXPECT_EQ(std::tuple(Stats().TovrinProcessed, Stats().OutlookProcessed, Stats().TovrinAdded,
                         Stats().OutlookAdded),
              std::tuple(2, 2, 2, 2));
    EXPECT_TRUE(Logged("2 tasks found in Tovrin"));
    EXPECT_TRUE(Logged("Synchronizing tasks Outlook<->Tovrin. Total number of Outlook tasks: 2"));
    EXPECT_TRUE(Logged("All Outlook tasks will be synced with Tovrin"));
    // The indexes live for the pass only.
    EXPECT_FALSE(db.EntryIDIndex);
    EXPECT_FALSE(db.RecurringTaskIndex);
}

TEST_F(SyncPasses, ADeletionOnOneSideIsCarriedOverUnlessTheOtherSideChangedSince)
{
    Synced();
    TTaskNode* inbox = Parent();
    AddTask("already there", inbox)->SetOutlookEntryID(" ");
    auto gone = AddLinkedPair("gone", 44400);
    delete gone.Task;
    auto there = AddLinkedPair("edited there", 44400);
    delete there.Task;
    there.Item->Data.LastModificationTime = 44600;
    ASSERT_EQ(db.DeletedEntryIDs.Count(), 2);
    auto [doomed, doomedItem] = AddLinkedPair("doomed", 44400);
    TTaskNode* c1 = AddTask("c1", doomed);
    TTaskNode* grandchild = AddTask("g", c1);
    for (TTaskNode* t : {c1, AddTask("c2", doomed), grandchild})
        t->SetOutlookEntryID(" ");
    db.ToDoList.Add(doomed);
    doomedItem->Delete();
    auto [here, hereItem] = AddLinkedPair("edited here", 44600);
    hereItem->Delete();

    Pass();

    // Deleted here, unchanged there: the item goes.
    EXPECT_FALSE(gone.Item->InFolder());
    EXPECT_TRUE(Logged("Task has been deleted in Tovrin: \"gone\". Deleting in Outlook..."));
    // Deleted here, changed there: the item comes back as a conflict copy.
    EXPECT_TRUE(there.Item->InFolder());
    EXPECT_EQ(there.Item->Data.Subject, W("<!Sync conflict (Outlook)!> edited there"));
    EXPECT_TRUE(Logged("[---WARNING---] Task has been deleted in Tovrin, however it was changed in "
                       "Outlook: \"edited there\". Processing conflict..."));
    // Deleted there, unchanged here: the task goes, its subtasks move to the top of the
    // new-tasks parent, and nothing records the run's own deletion or keeps referring to it.
    ASSERT_EQ(Captions(inbox),
              (std::vector<std::string>{"c1", "c2", "already there",
                                        "<!Sync conflict (Outlook)!> edited there"}));
    EXPECT_EQ(inbox->Children[3]->OutlookEntryID, there.Item->Data.EntryID);
    EXPECT_EQ(grandchild->Parent, c1);
    EXPECT_EQ(db.DeletedEntryIDs.Count(), 0);
    EXPECT_EQ(db.UpdateCounter, 0);
    EXPECT_TRUE(db.ToDoList.Empty());
    EXPECT_TRUE(Logged("Task has been deleted in Outlook: \"doomed\". Deleting in Tovrin... (all "
                       "its subtasks have been moved to \"<NewOutlookTasks>\")"));
    // Deleted there, changed here: the task goes back as a conflict copy.
    EXPECT_EQ(Captions(db.Root.get()), (std::vector<std::string>{
                                           "<NewOutlookTasks>",
                                           "<!Sync conflict (Tovrin)!> edited here"}));
    auto copy = folder->FindItem(here->OutlookEntryID);
    ASSERT_TRUE(copy);
    EXPECT_EQ(copy->Data.Subject, W("<!Sync conflict (Tovrin)!> edited here"));
    EXPECT_TRUE(Logged("[---WARNING---] Task has been deleted in Outlook, however it was changed "
                       "in Tovrin: \"edited here\". Processing conflict..."));
    EXPECT_EQ(std::tuple(Stats().OutlookDeleted, Stats().TovrinDeleted, Stats().Conflicts),
              std::tuple(1, 1, 2));
}

TEST_F(SyncPasses, WithADeletedItemsCategoryATaskDeletedHereRecategorisesItsItem)
{
    Synced();
    db.DeletedItemsCategory = "Deleted in Tovrin";
    auto kept = AddLinkedPair("kept", 44400);
    delete kept.Task;
    kept.Item->Data.Categories = W("Work");
    Pass();
    EXPECT_TRUE(kept.Item->InFolder());
    EXPECT_EQ(kept.Item->Data.Categories, W("Deleted in Tovrin"));
    EXPECT_EQ(kept.Item->SaveCount(), 1);
    EXPECT_TRUE(Logged("Task has been deleted in Tovrin: \"kept\". Changing Outlook category to "
                       "\"Deleted in Tovrin\""));
    EXPECT_EQ(Stats().OutlookDeleted, 1);

    // At the next run the item is no new task: its category names it deleted here, as one
    // of its categories and with any case. Only a whole category name counts.
    db.DeletedEntryIDs.Clear();
    folder->AddItem("also deleted")->Data.Categories = W("Work, DELETED in tovrin");
    folder->AddItem("other")->Data.Categories = W("Not deleted in Tovrin");
    NewRun();
    Pass();
    EXPECT_EQ(Captions(db.Root.get()), std::vector<std::string>{"other"});
    EXPECT_TRUE(kept.Item->InFolder());
    EXPECT_EQ(kept.Item->SaveCount(), 1);
    EXPECT_TRUE(Logged("Outlook task skipped: \"also deleted\" (deleted in Tovrin)"));
    EXPECT_EQ(std::tuple(Stats().TovrinAdded, Stats().OutlookDeleted), std::tuple(1, 0));
}

TEST_F(SyncPasses, TheNewTasksParentIsOnlyUnlinkedWhenItsItemIsGone)
{
    Synced();
    auto [inbox, item] = AddLinkedPair("<NewOutlookTasks>", 44400);
    run->NewOutlookTasksParentTask = inbox;
    item->Delete();
    Pass();
    EXPECT_EQ(db.Root->Children.IndexOf(inbox), 0);
    EXPECT_EQ(inbox->OutlookEntryID, " ");
    EXPECT_EQ(Stats().TovrinDeleted, 0);
}

TEST_F(SyncPasses, AnItemOutsideTheCategoryCountsAsNotMet)
{
    Synced();
    Parent();
    db.OutlookCategory = "Work";
    auto work = AddLinkedPair("w", 44400);
    auto home = AddLinkedPair("h", 44400).Item;
    work.Item->Data.Categories = W("Work");
    home->Data.Categories = W("Home");
    folder->AddItem("private")->Data.Categories = W("Private");

    Pass();

    EXPECT_EQ(Captions(db.Root.get()), (std::vector<std::string>{"<NewOutlookTasks>", "w"}));
    EXPECT_TRUE(home->InFolder());
    EXPECT_TRUE(Logged("Only Outlook tasks with substring \"Work\" in the category will be synced "
                       "with Tovrin"));
}

TEST_F(SyncPasses, TwoTasksLinkedToOneItemKeepOnlyOne)
{
    Synced();
    Parent();
    TTaskNode* first = AddLinkedPair("twin", 44400).Task;
    TTaskNode* second = AddTask("twin");
    second->SetOutlookEntryID(first->OutlookEntryID);
    second->SetModifiedDateTime(44400);
    Pass();
    EXPECT_EQ(db.Root->Children.Count(), 2);
    EXPECT_EQ(Stats().TovrinDeleted, 1);
}

TEST_F(SyncPasses, ANewItemOfASeriesLandsBesideItsTaskUnlessTheNameIsUsedUnderTwoParents)
{
    Synced();
    TTaskNode* inbox = Parent();
    auto series = [&](const char* caption, TTaskNode* parent) {
        auto pair = AddLinkedPair(caption, 44400, parent);
        pair.Task->SetIsOutlookRecurring(true);
        pair.Item->Data.IsRecurring = true;
    };
    TTaskNode* project = AddTask("Project");
    series("Weekly", project);
    AddTask("after", project)->SetOutlookEntryID(" ");
    series("Daily", AddTask("P1"));
    series("Daily", AddTask("P2"));
    auto weekly = folder->AddItem("WEEKLY");
    weekly->Data.IsRecurring = true;
    folder->AddItem("Daily")->Data.IsRecurring = true;

    Pass();

    ASSERT_EQ(Captions(project), (std::vector<std::string>{"Weekly", "WEEKLY", "after"}));
    EXPECT_EQ(project->Children[1]->OutlookEntryID, weekly->Data.EntryID);
    EXPECT_EQ(Captions(inbox), std::vector<std::string>{"Daily"});
    EXPECT_TRUE(Logged("2 recurring Outlook task(s) found in Tovrin"));
    EXPECT_EQ(run->Log->Warnings, 1);
    EXPECT_TRUE(Logged("There is more then one Outlook recurring task with the same name: \"Daily\". "
                       "As a result it is impossible to identify where to add it in Tovrin task "
                       "tree. This task will be added to the default Tovrin task. To avoid this in "
                       "the future please rename this task in Outlook."));
}

TEST_F(SyncPasses, DisconnectingAllMakesEverySideNewToTheOther)
{
    Synced();
    TTaskNode* inbox = Parent();
    auto [t, item] = AddLinkedPair("linked", 44400);
    db.DisconnectAll = true;

    Pass();

    EXPECT_NE(t->OutlookEntryID, item->Data.EntryID);
    ASSERT_EQ(inbox->Children.Count(), 1);
    EXPECT_EQ(inbox->Children[0]->OutlookEntryID, item->Data.EntryID);
    EXPECT_EQ(folder->StoredItems.size(), 3u);   // the old item, t's and the parent's
}

TEST_F(SyncPasses, CopyingOutlookToTheOutlineOverwritesOrAddsWhateverTheTimes)
{
    Synced();
    TTaskNode* inbox = Parent();
    auto [t, item] = AddLinkedPair("old", 44000);
    t->SetModifiedDateTime(44900);   // newer here: still overwritten
    item->Data.Subject = W("from outlook");
    folder->AddItem("brand new");
    TTaskNode* orphan = AddTask("no item");
    orphan->SetOutlookEntryID("DEADBEEF");
    db.DeletedEntryIDs.Add("SOMETHING");

    Pass(smOutlookToTree);

    EXPECT_EQ(t->Caption, "from outlook");
    EXPECT_EQ(Captions(inbox), std::vector<std::string>{"brand new"});
    EXPECT_EQ(orphan->Parent, db.Root.get());
    EXPECT_EQ(db.DeletedEntryIDs.Count(), 1);
    EXPECT_TRUE(Logged("Task has been updated in Tovrin: \"from outlook\""));
    EXPECT_TRUE(Logged("New Outlook task has been added to Tovrin: \"brand new\""));
    EXPECT_EQ(Stats().TovrinUpdated, 1);
    EXPECT_EQ(Stats().TovrinAdded, 1);
}

TEST_F(SyncPasses, CopyingTheOutlineToOutlookWritesEveryTaskAndRelinksLostItems)
{
    Synced();
    db.OutlookCategory = "Tovrin";
    auto [linked, item] = AddLinkedPair("linked", 44000);
    linked->Caption = "renamed";
    TTaskNode* lost = AddTask("lost");
    lost->SetOutlookEntryID("0000000000000BAD");
    TTaskNode* fresh = AddTask("fresh");

    Pass(smTreeToOutlook);

    EXPECT_EQ(item->Data.Subject, W("renamed"));
    EXPECT_EQ(item->Data.Categories, W("Tovrin"));
    auto lostItem = folder->FindItem(lost->OutlookEntryID);
    ASSERT_TRUE(lostItem);
    EXPECT_EQ(lostItem->Data.Subject, W("lost"));
    EXPECT_TRUE(folder->FindItem(fresh->OutlookEntryID));
    EXPECT_EQ(Stats().OutlookProcessed, 1);
    EXPECT_EQ(Stats().OutlookAdded, 2);
    EXPECT_TRUE(Logged("Task has been updated in Outlook: \"renamed\""));
    EXPECT_TRUE(Logged("New Tovrin task has been added to Outlook: \"lost\""));
    EXPECT_TRUE(Logged("All Outlook tasks will be assigned to this category: \"Tovrin\""));
}

TEST_F(SyncPasses, AnItemThatFailsIsLoggedStillMetAndItsTaskIsNotDeleted)
{
    Synced();
    TTaskNode* inbox = Parent();
    folder->AddItem("good 1");
    folder->AddItem("broken")->FailOnAccess = true;
    auto [t, item] = AddLinkedPair("edited here", 44400);
    t->Caption = "edited here, again";
    t->SetModifiedDateTime(44600);
    item->FailOnSave = true;
    folder->AddItem("good 2");

    Pass();

    EXPECT_EQ(Captions(inbox), (std::vector<std::string>{"good 2", "good 1"}));
    EXPECT_EQ(db.Root->Children.IndexOf(t), 1);
    EXPECT_EQ(t->OutlookEntryID, item->Data.EntryID);
    EXPECT_EQ(Stats().TovrinDeleted, 0);
    EXPECT_EQ(Stats().Conflicts, 0);
    EXPECT_EQ(run->Log->Errors, 2);
    EXPECT_TRUE(Logged("[---ERROR---] Unexpected error: The operation failed."));
    // Copied one way, the item that cannot be read is logged the same way.
    Pass(smOutlookToTree);
    EXPECT_EQ(run->Log->Errors, 3);
}

TEST_F(SyncPasses, AnAbortOrAFolderThatCannotBeReadEndsThePassAndFreesTheIndexes)
{
    Synced();
    TTaskNode* inbox = Parent();
    for (const char* s : {"1", "2", "3"})
        folder->AddItem(s);
    AddTask("local");
    db.DeletedEntryIDs.Add("KEEP");
    host.S.AbortAtStep = 2;
    run->ProgressWnd = host.CreateProgress("Outlook sync", 0, 500, "OutlookSynch");

    EXPECT_THROW(Pass(), ESyncAborted);
    // The work before the abort stays; the tasks were not visited.
    EXPECT_EQ(inbox->Children.Count(), 1);
    EXPECT_EQ(folder->StoredItems.size(), 3u);
    EXPECT_EQ(db.DeletedEntryIDs.Count(), 1);
    EXPECT_FALSE(db.EntryIDIndex);

    folder->FailOnItems = true;
    EXPECT_THROW(Pass(), EOutlookError);
    EXPECT_FALSE(db.EntryIDIndex);
}

TEST_F(SyncPasses, TheEntryIndexFindsLinksExactlyAndKeepsDuplicates)
{
    TEntryIDIndex index;
    TTaskNode* a = AddTask("a");
    TTaskNode* b = AddTask("b");
    TTaskNode* c = AddTask("c");
    index.Add("00ABc", a);
    index.Add(" ", b);
    index.Add("00abc", b);
    index.Add("00ABc", c);
    EXPECT_EQ(index.Count(), 4);
    EXPECT_EQ(index[0].EntryID, " ");
    EXPECT_EQ(index.Find("00ABC"), -1);
    ASSERT_GE(index.Find("00ABc"), 0);
    EXPECT_EQ(index[index.Find("00ABc")].Task, a);
    index.Delete(index.Find("00ABc"));
    EXPECT_EQ(index[index.Find("00ABc")].Task, c);
    EXPECT_EQ(index[index.Find("00abc")].Task, b);
    EXPECT_EQ(index.Find("missing"), -1);
}

} // namespace
