// One pass in each mode: new items both ways, deletions both ways, recurring items, the
// category filter, unlinking, failures on single items and the user's abort.
#include <algorithm>

#include "outlooksync/SyncIndexes.h"
#include "outlooksync/SyncTestFixture.h"

namespace {

class SyncPasses : public SyncFixture {
protected:
    // A document that has been synchronised with the folder before.
    void Synced(TDateTime last)
    {
        db.SetLastSyncTime(last);
        db.OutlookFolderPath = "\\Personal Folders\\Tasks";
    }
    TTaskNode* Parent()
    {
        run->NewOutlookTasksParentTask = db.Root->AddChild("<NewOutlookTasks>", -1);
        return run->NewOutlookTasksParentTask;
    }
    int LineIndex(const std::string& text) const
    {
        const auto& lines = run->Log->Lines().Items();
        for (size_t i = 0; i < lines.size(); ++i)
            if (lines[i].find(text) != std::string::npos)
                return static_cast<int>(i);
        return -1;
    }
};

TEST_F(SyncPasses, TheFirstTwoWayPassCopiesNewItemsAndNewTasksAcross)
{
    TTaskNode* inbox = Parent();
    folder->AddItem("A");
    folder->AddItem("B");
    TTaskNode* local = AddTask("Local");
    run->Mode = smBothWays;

    run->RunSyncPass();

    // Items are met from the last to the first.
    ASSERT_EQ(inbox->Children.Count(), 2);
    EXPECT_EQ(inbox->Children[0]->Caption, "B");
    EXPECT_EQ(inbox->Children[1]->Caption, "A");
    EXPECT_LT(LineIndex("New Outlook task has been added to Tovrin: \"B\""),
              LineIndex("New Outlook task has been added to Tovrin: \"A\""));
    auto localItem = folder->FindItem(local->OutlookEntryID);
    ASSERT_TRUE(localItem);
    EXPECT_EQ(localItem->Data.Subject, W("Local"));
    EXPECT_TRUE(Logged("New Tovrin task has been added to Outlook: \"Local\""));
    // The new-tasks parent is written like any unlinked task.
    EXPECT_TRUE(folder->FindItem(inbox->OutlookEntryID));

    const TSyncStatistics& s = run->Log->SyncStatistics;
    EXPECT_EQ(s.TovrinProcessed, 2);
    EXPECT_EQ(s.OutlookProcessed, 2);
    EXPECT_EQ(s.TovrinAdded, 2);
    EXPECT_EQ(s.OutlookAdded, 2);
    EXPECT_TRUE(Logged("2 tasks found in Tovrin"));
    EXPECT_TRUE(Logged("Synchronizing tasks Outlook<->Tovrin. Total number of Outlook tasks: 2"));
    EXPECT_TRUE(Logged("All Outlook tasks will be synced with Tovrin"));
    // The indexes live for the pass only.
    EXPECT_FALSE(db.EntryIDIndex);
    EXPECT_FALSE(db.RecurringTaskIndex);
}

TEST_F(SyncPasses, ATaskDeletedHereDeletesItsItemOrRecategorisesIt)
{
    Synced(44500);
    TTaskNode* inbox = Parent();
    std::shared_ptr<TMemoryTaskItem> gone, kept;
    delete AddLinkedPair("gone", 44400, &gone);
    ASSERT_EQ(db.DeletedEntryIDs.Count(), 1);
    run->Mode = smBothWays;
    run->RunSyncPass();
    EXPECT_FALSE(gone->InFolder());
    EXPECT_TRUE(Logged("Task has been deleted in Tovrin: \"gone\". Deleting in Outlook..."));
    EXPECT_EQ(db.DeletedEntryIDs.Count(), 0);

    db.DeletedItemsCategory = "Deleted in Tovrin";
    delete AddLinkedPair("kept", 44400, &kept);
    kept->Data.Categories = W("Work");
    run->RunSyncPass();
    EXPECT_TRUE(kept->InFolder());
    EXPECT_EQ(kept->Data.Categories, W("Deleted in Tovrin"));
    EXPECT_EQ(kept->SaveCount(), 1);
    EXPECT_TRUE(Logged("Task has been deleted in Tovrin: \"kept\". Changing Outlook category to "
                       "\"Deleted in Tovrin\""));
    EXPECT_EQ(run->Log->SyncStatistics.OutlookDeleted, 2);
    EXPECT_EQ(inbox->Children.Count(), 0);
}

TEST_F(SyncPasses, ATaskDeletedHereWhoseItemChangedSinceComesBackAsAConflictCopy)
{
    Synced(44500);
    TTaskNode* inbox = Parent();
    AddTask("last one", inbox)->SetOutlookEntryID(" ");
    std::shared_ptr<TMemoryTaskItem> item;
    delete AddLinkedPair("edited there", 44400, &item);
    item->Data.LastModificationTime = 44600;
    run->Mode = smBothWays;

    run->RunSyncPass();

    EXPECT_TRUE(item->InFolder());
    EXPECT_EQ(item->Data.Subject, W("<!Sync conflict (Outlook)!> edited there"));
    ASSERT_EQ(inbox->Children.Count(), 2);
    EXPECT_EQ(inbox->Children[1]->Caption, "<!Sync conflict (Outlook)!> edited there");
    EXPECT_EQ(inbox->Children[1]->OutlookEntryID, item->Data.EntryID);
    EXPECT_EQ(run->Log->SyncStatistics.Conflicts, 1);
    EXPECT_TRUE(Logged("[---WARNING---] Task has been deleted in Tovrin, however it was changed in "
                       "Outlook: \"edited there\". Processing conflict..."));
}

TEST_F(SyncPasses, ATaskWhoseItemWasDeletedGoesAndItsSubtasksMoveToTheTopOfTheNewTasksParent)
{
    Synced(44500);
    TTaskNode* inbox = Parent();
    AddTask("already there", inbox)->SetOutlookEntryID(" ");
    std::shared_ptr<TMemoryTaskItem> item;
    TTaskNode* doomed = AddLinkedPair("doomed", 44400, &item);
    TTaskNode* c1 = AddTask("c1", doomed);
    TTaskNode* c2 = AddTask("c2", doomed);
    TTaskNode* grandchild = AddTask("g", c1);
    for (TTaskNode* t : {c1, c2, grandchild})
        t->SetOutlookEntryID(" ");
    db.ToDoList.Add(doomed);
    item->Delete();
    run->Mode = smBothWays;

    run->RunSyncPass();

    ASSERT_EQ(inbox->Children.Count(), 3);
    EXPECT_EQ(inbox->Children[0], c1);
    EXPECT_EQ(inbox->Children[1], c2);
    EXPECT_EQ(grandchild->Parent, c1);
    EXPECT_EQ(db.Root->Children.IndexOf(doomed), -1);
    // The run's own deletion is not reported back as a deletion here, and nothing keeps
    // referring to the freed task.
    EXPECT_EQ(db.DeletedEntryIDs.Count(), 0);
    EXPECT_EQ(db.UpdateCounter, 0);
    EXPECT_TRUE(db.ToDoList.Empty());
    EXPECT_TRUE(Logged("Task has been deleted in Outlook: \"doomed\". Deleting in Tovrin... (all "
                       "its subtasks have been moved to \"<NewOutlookTasks>\")"));
    EXPECT_EQ(run->Log->SyncStatistics.TovrinDeleted, 1);
}

TEST_F(SyncPasses, ATaskChangedHereWhoseItemWasDeletedBecomesAConflictCopyInOutlook)
{
    Synced(44500);
    Parent();
    std::shared_ptr<TMemoryTaskItem> item;
    TTaskNode* t = AddLinkedPair("edited here", 44600, &item);
    item->Delete();
    run->Mode = smBothWays;

    run->RunSyncPass();

    EXPECT_EQ(t->Caption, "<!Sync conflict (Tovrin)!> edited here");
    auto copy = folder->FindItem(t->OutlookEntryID);
    ASSERT_TRUE(copy);
    EXPECT_EQ(copy->Data.Subject, W("<!Sync conflict (Tovrin)!> edited here"));
    EXPECT_EQ(run->Log->SyncStatistics.Conflicts, 1);
}

TEST_F(SyncPasses, TheNewTasksParentIsOnlyUnlinkedWhenItsItemIsGone)
{
    Synced(44500);
    std::shared_ptr<TMemoryTaskItem> item;
    TTaskNode* inbox = AddLinkedPair("<NewOutlookTasks>", 44400, &item);
    run->NewOutlookTasksParentTask = inbox;
    item->Delete();
    run->Mode = smBothWays;
    run->RunSyncPass();
    EXPECT_EQ(db.Root->Children.IndexOf(inbox), 0);
    EXPECT_EQ(inbox->OutlookEntryID, " ");
    EXPECT_EQ(run->Log->SyncStatistics.TovrinDeleted, 0);
}

TEST_F(SyncPasses, AnItemOutsideTheCategoryCountsAsNotMet)
{
    Synced(44500);
    Parent();
    db.OutlookCategory = "Work";
    std::shared_ptr<TMemoryTaskItem> work, home;
    TTaskNode* w = AddLinkedPair("w", 44400, &work);
    AddLinkedPair("h", 44400, &home);
    work->Data.Categories = W("Work");
    home->Data.Categories = W("Home");
    folder->AddItem("private")->Data.Categories = W("Private");
    run->Mode = smBothWays;

    run->RunSyncPass();

    ASSERT_EQ(db.Root->Children.Count(), 2);   // the new-tasks parent and w
    EXPECT_EQ(db.Root->Children[1], w);
    EXPECT_TRUE(home->InFolder());
    EXPECT_TRUE(Logged("Only Outlook tasks with substring \"Work\" in the category will be synced "
                       "with Tovrin"));
}

TEST_F(SyncPasses, TwoTasksLinkedToOneItemKeepOnlyOne)
{
    Synced(44500);
    Parent();
    std::shared_ptr<TMemoryTaskItem> item;
    TTaskNode* first = AddLinkedPair("twin", 44400, &item);
    TTaskNode* second = AddTask("twin");
    second->SetOutlookEntryID(first->OutlookEntryID);
    second->SetModifiedDateTime(44400);
    run->Mode = smBothWays;
    run->RunSyncPass();
    EXPECT_EQ(db.Root->Children.Count(), 2);
    EXPECT_EQ(run->Log->SyncStatistics.TovrinDeleted, 1);
}

TEST_F(SyncPasses, ANewItemOfASeriesLandsBesideTheTaskOfThatSeries)
{
    Synced(44500);
    TTaskNode* inbox = Parent();
    TTaskNode* project = AddTask("Project");
    std::shared_ptr<TMemoryTaskItem> old;
    TTaskNode* weekly = AddLinkedPair("Weekly", 44400, &old, project);
    weekly->SetIsOutlookRecurring(true);
    old->Data.IsRecurring = true;
    AddTask("after", project)->SetOutlookEntryID(" ");
    auto next = folder->AddItem("WEEKLY");
    next->Data.IsRecurring = true;
    run->Mode = smBothWays;

    run->RunSyncPass();

    ASSERT_EQ(project->Children.Count(), 3);
    EXPECT_EQ(project->Children[1]->Caption, "WEEKLY");
    EXPECT_EQ(project->Children[1]->OutlookEntryID, next->Data.EntryID);
    EXPECT_TRUE(Logged("1 recurring Outlook task(s) found in Tovrin"));
    EXPECT_EQ(inbox->Children.Count(), 0);
}

TEST_F(SyncPasses, ASeriesNameUsedUnderTwoParentsSendsTheNewItemToTheNewTasksParent)
{
    Synced(44500);
    TTaskNode* inbox = Parent();
    for (const char* parent : {"P1", "P2"}) {
        std::shared_ptr<TMemoryTaskItem> item;
        TTaskNode* t = AddLinkedPair("Daily", 44400, &item, AddTask(parent));
        t->SetIsOutlookRecurring(true);
        item->Data.IsRecurring = true;
    }
    auto next = folder->AddItem("Daily");
    next->Data.IsRecurring = true;
    run->Mode = smBothWays;

    run->RunSyncPass();

    ASSERT_EQ(inbox->Children.Count(), 1);
    EXPECT_EQ(inbox->Children[0]->Caption, "Daily");
    EXPECT_EQ(run->Log->Warnings, 1);
    EXPECT_TRUE(Logged("There is more then one Outlook recurring task with the same name: \"Daily\". "
                       "As a result it is impossible to identify where to add it in Tovrin task "
                       "tree. This task will be added to the default Tovrin task. To avoid this in "
                       "the future please rename this task in Outlook."));
}

TEST_F(SyncPasses, DisconnectingAllMakesEverySideNewToTheOther)
{
    Synced(44500);
    TTaskNode* inbox = Parent();
    std::shared_ptr<TMemoryTaskItem> item;
    TTaskNode* t = AddLinkedPair("linked", 44400, &item);
    db.DisconnectAll = true;
    run->Mode = smBothWays;

    run->RunSyncPass();

    EXPECT_NE(t->OutlookEntryID, item->Data.EntryID);
    ASSERT_EQ(inbox->Children.Count(), 1);
    EXPECT_EQ(inbox->Children[0]->OutlookEntryID, item->Data.EntryID);
    EXPECT_EQ(folder->StoredItems.size(), 3u);   // the old item, t's and the parent's
}

TEST_F(SyncPasses, CopyingOutlookToTheOutlineOverwritesOrAddsWhateverTheTimes)
{
    Synced(44500);
    TTaskNode* inbox = Parent();
    std::shared_ptr<TMemoryTaskItem> item;
    TTaskNode* t = AddLinkedPair("old", 44000, &item);
    t->SetModifiedDateTime(44900);   // newer here: still overwritten
    item->Data.Subject = W("from outlook");
    folder->AddItem("brand new");
    TTaskNode* orphan = AddTask("no item");
    orphan->SetOutlookEntryID("DEADBEEF");
    db.DeletedEntryIDs.Add("SOMETHING");
    run->Mode = smOutlookToTree;

    run->RunSyncPass();

    EXPECT_EQ(t->Caption, "from outlook");
    ASSERT_EQ(inbox->Children.Count(), 1);
    EXPECT_EQ(inbox->Children[0]->Caption, "brand new");
    EXPECT_EQ(orphan->Parent, db.Root.get());
    EXPECT_EQ(db.DeletedEntryIDs.Count(), 1);
    EXPECT_TRUE(Logged("Task has been updated in Tovrin: \"from outlook\""));
    EXPECT_TRUE(Logged("New Outlook task has been added to Tovrin: \"brand new\""));
    EXPECT_EQ(run->Log->SyncStatistics.TovrinUpdated, 1);
    EXPECT_EQ(run->Log->SyncStatistics.TovrinAdded, 1);
}

TEST_F(SyncPasses, CopyingTheOutlineToOutlookWritesEveryTaskAndRelinksLostItems)
{
    Synced(44500);
    db.OutlookCategory = "Tovrin";
    std::shared_ptr<TMemoryTaskItem> item;
    TTaskNode* linked = AddLinkedPair("linked", 44000, &item);
    linked->Caption = "renamed";
    TTaskNode* lost = AddTask("lost");
    lost->SetOutlookEntryID("0000000000000BAD");
    TTaskNode* fresh = AddTask("fresh");
    run->Mode = smTreeToOutlook;

    run->RunSyncPass();

    EXPECT_EQ(item->Data.Subject, W("renamed"));
    EXPECT_EQ(item->Data.Categories, W("Tovrin"));
    auto lostItem = folder->FindItem(lost->OutlookEntryID);
    ASSERT_TRUE(lostItem);
    EXPECT_EQ(lostItem->Data.Subject, W("lost"));
    EXPECT_TRUE(folder->FindItem(fresh->OutlookEntryID));
    EXPECT_EQ(run->Log->SyncStatistics.OutlookProcessed, 1);
    EXPECT_EQ(run->Log->SyncStatistics.OutlookAdded, 2);
    EXPECT_TRUE(Logged("Task has been updated in Outlook: \"renamed\""));
    EXPECT_TRUE(Logged("New Tovrin task has been added to Outlook: \"lost\""));
    EXPECT_TRUE(Logged("All Outlook tasks will be assigned to this category: \"Tovrin\""));
}

TEST_F(SyncPasses, AFailureOnOneItemIsLoggedAndThePassGoesOn)
{
    TTaskNode* inbox = Parent();
    folder->AddItem("good 1");
    folder->AddItem("broken")->FailOnAccess = true;
    folder->AddItem("good 2");
    run->Mode = smBothWays;
    run->RunSyncPass();
    EXPECT_EQ(inbox->Children.Count(), 2);
    EXPECT_EQ(run->Log->Errors, 1);
    EXPECT_TRUE(Logged("[---ERROR---] Unexpected error: The operation failed."));
}

TEST_F(SyncPasses, AnAbortEndsThePassBeforeTheTasksAreVisited)
{
    Synced(44500);
    TTaskNode* inbox = Parent();
    for (const char* s : {"1", "2", "3"})
        folder->AddItem(s);
    AddTask("local");
    db.DeletedEntryIDs.Add("KEEP");
    host.S.AbortAtStep = 2;
    run->ProgressWnd = host.CreateProgress("Outlook sync", 0, 500, "OutlookSynch");
    run->Mode = smBothWays;

    EXPECT_THROW(run->RunSyncPass(), ESyncAborted);

    EXPECT_EQ(inbox->Children.Count(), 1);   // the work before the abort stays
    EXPECT_EQ(folder->StoredItems.size(), 3u);
    EXPECT_EQ(db.DeletedEntryIDs.Count(), 1);
    EXPECT_FALSE(db.EntryIDIndex);
}

TEST_F(SyncPasses, AFolderThatCannotBeReadEndsThePass)
{
    folder->FailOnItems = true;
    run->Mode = smBothWays;
    EXPECT_THROW(run->RunSyncPass(), EOutlookError);
    EXPECT_FALSE(db.EntryIDIndex);
}

TEST_F(SyncPasses, TheEntryIndexFindsLinksIgnoringCaseAndKeepsDuplicates)
{
    TEntryIDIndex index;
    TTaskNode* a = AddTask("a");
    TTaskNode* b = AddTask("b");
    index.Add("00ABc", a);
    index.Add(" ", b);
    index.Add("00abc", b);
    EXPECT_EQ(index.Count(), 3);
    EXPECT_EQ(index[0].EntryID, " ");
    const int found = index.Find("00ABC");
    ASSERT_EQ(found, 1);
    EXPECT_EQ(index[found].Task, a);
    index.Delete(found);
    EXPECT_EQ(index[index.Find("00ABC")].Task, b);
    EXPECT_EQ(index.Find("missing"), -1);
}

} // namespace

namespace {

TEST_F(SyncPasses, AnItemThatFailsIsStillMetAndItsTaskIsNotDeleted)
{
    Synced(44500);
    Parent();
    std::shared_ptr<TMemoryTaskItem> item;
    TTaskNode* t = AddLinkedPair("edited here", 44400, &item);
    t->Caption = "edited here, again";
    t->SetModifiedDateTime(44600);
    item->FailOnSave = true;
    run->Mode = smBothWays;

    run->RunSyncPass();

    EXPECT_EQ(db.Root->Children.IndexOf(t), 1);
    EXPECT_EQ(t->OutlookEntryID, item->Data.EntryID);
    EXPECT_EQ(run->Log->SyncStatistics.TovrinDeleted, 0);
    EXPECT_EQ(run->Log->SyncStatistics.Conflicts, 0);
    EXPECT_EQ(run->Log->Errors, 1);
}

} // namespace
