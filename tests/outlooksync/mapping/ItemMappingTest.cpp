// Copying one item into one task and back, the comparison, the decision for a linked pair,
// conflict copies and the category filter.
#include "outlooksync/SyncTestFixture.h"

namespace {

const TDateTime kDue = 45010.75;   // 2023-03-25 18:00

class ItemMapping : public SyncFixture {};

TEST_F(ItemMapping, ReadingAnItemCopiesEveryMappedFieldAndLinksTheTask)
{
    auto item = folder->AddItem("Call Bob", 44990.25);
    item->Data.Body = W("line one\r\nline two");
    item->Data.DueDate = kDue;
    item->Data.StartDate = kDue - 3.5;
    item->Data.Complete = true;
    item->Data.DateCompleted = 44995.0;
    item->Data.IsRecurring = true;
    TTaskNode* task = AddTask("old");

    run->ReadOutlookItem(task, *item);

    EXPECT_EQ(task->OutlookEntryID, item->Data.EntryID);
    EXPECT_EQ(task->Caption, "Call Bob");
    ASSERT_EQ(task->Note.Count(), 2);
    EXPECT_EQ(task->Note[1], "line two");
    EXPECT_EQ(task->DueDateTime, kDue);
    EXPECT_EQ(task->ScheduleType, 1);
    EXPECT_DOUBLE_EQ(task->LeadTime, 3.5);
    EXPECT_EQ(task->CompletionDateTime, 44995.0);
    EXPECT_TRUE(task->IsOutlookRecurring);
    // Stamped with the item's time, not the clock's.
    EXPECT_EQ(task->ModifiedDateTime, 44990.25);
}

TEST_F(ItemMapping, AnItemWithoutDueDateClearsDueLeadAndScheduleWhateverItsStart)
{
    auto item = folder->AddItem("x");
    item->Data.StartDate = kDue;
    TTaskNode* task = AddTask("x");
    task->SetDueDateTime(kDue);
    task->SetLeadTime(4);
    task->SetScheduleType(1);
    task->SetCompletionDateTime(44000);

    run->ReadOutlookItem(task, *item);

    EXPECT_EQ(task->DueDateTime, 0);
    EXPECT_EQ(task->LeadTime, 1.0);
    EXPECT_EQ(task->ScheduleType, 0);
    EXPECT_EQ(task->CompletionDateTime, 0);
}

TEST_F(ItemMapping, AnUnchangedDueDateKeepsTheScheduleTypeAndANewOneReachesFollowingSubtasks)
{
    auto item = folder->AddItem("parent");
    item->Data.DueDate = kDue;   // no start date: lead time 1
    TTaskNode* task = AddTask("parent");
    TTaskNode* follower = AddTask("follows", task);
    TTaskNode* own = AddTask("own", task);
    own->SetScheduleType(1);
    own->SetDueDateTime(44000);

    run->ReadOutlookItem(task, *item);
    EXPECT_EQ(task->ScheduleType, 1);
    EXPECT_EQ(follower->DueDateTime, kDue);
    EXPECT_EQ(own->DueDateTime, 44000);

    task->SetScheduleType(0);
    task->SetLeadTime(5);
    run->ReadOutlookItem(task, *item);
    EXPECT_EQ(task->ScheduleType, 0);
    EXPECT_EQ(task->LeadTime, 1.0);
}

TEST_F(ItemMapping, WritingATaskFillsTheItemAndSavesIt)
{
    TTaskNode* task = AddTask("Pay rent");
    task->Note.SetText("first\nsecond");
    task->SetDueDateTime(kDue);
    task->SetLeadTime(2);
    task->SetCompletionDateTime(45001.5);
    auto item = std::static_pointer_cast<TMemoryTaskItem>(folder->Items()->Add());

    run->WriteOutlookItem(*item, task);

    EXPECT_TRUE(item->InFolder());
    EXPECT_FALSE(item->Data.EntryID.empty());
    EXPECT_EQ(item->Data.Subject, W("Pay rent"));
    EXPECT_EQ(item->Data.Body, W("first\r\nsecond\r\n"));
    EXPECT_EQ(item->Data.DueDate, kDue);
    EXPECT_EQ(item->Data.StartDate, kDue - 2);
    EXPECT_TRUE(item->Data.Complete);
    EXPECT_EQ(item->Data.DateCompleted, 45001.5);
    EXPECT_EQ(item->Data.LastModificationTime, now);
    EXPECT_TRUE(item->Data.Categories.empty());

    // Without a due date only "no date" is written; the start date stays as it was.
    task->SetDueDateTime(0);
    task->SetCompletionDateTime(0);
    run->WriteOutlookItem(*item, task);
    EXPECT_EQ(item->Data.DueDate, OutlookNoDate);
    EXPECT_EQ(item->Data.StartDate, kDue - 2);
    EXPECT_FALSE(item->Data.Complete);
}

TEST_F(ItemMapping, ANegativeLeadTimeIsWrittenAsItsSizeAndSoCountsAsDifferentAfterwards)
{
    TTaskNode* task = AddTask("t");
    task->SetDueDateTime(kDue);
    task->SetLeadTime(-2);
    auto item = std::static_pointer_cast<TMemoryTaskItem>(folder->Items()->Add());
    run->WriteOutlookItem(*item, task);
    EXPECT_EQ(item->Data.StartDate, kDue - 2);
    EXPECT_TRUE(run->OutlookItemDiffers(*item, task));

    TTaskNode* back = AddTask("back");
    run->ReadOutlookItem(back, *item);
    EXPECT_EQ(back->LeadTime, 2);
}

TEST_F(ItemMapping, TheCategoryIsAddedOnceIgnoringCase)
{
    db.OutlookCategory = "Work";
    TTaskNode* task = AddTask("t");
    auto none = std::static_pointer_cast<TMemoryTaskItem>(folder->Items()->Add());
    run->WriteOutlookItem(*none, task);
    EXPECT_EQ(none->Data.Categories, W("Work"));

    auto home = folder->AddItem("h");
    home->Data.Categories = W("Home");
    run->WriteOutlookItem(*home, task);
    EXPECT_EQ(home->Data.Categories, W("Home,Work"));

    auto homework = folder->AddItem("hw");
    homework->Data.Categories = W("homework");
    run->WriteOutlookItem(*homework, task);
    EXPECT_EQ(homework->Data.Categories, W("homework"));
}

TEST_F(ItemMapping, CompletingARecurringItemBothWaysAsksForAnotherPassAndReadsTheItemBack)
{
    auto item = folder->AddItem("Weekly report", 44000);
    item->Data.IsRecurring = true;
    item->Data.DueDate = kDue;
    TTaskNode* task = AddTask("Weekly report");
    run->ReadOutlookItem(task, *item);
    task->SetCompletionDateTime(now);

    run->Mode = smBothWays;
    run->WriteOutlookItem(*item, task);

    EXPECT_TRUE(run->AnotherPassNeeded);
    // The series moved on to its next date and is open again; the task follows it.
    EXPECT_EQ(task->DueDateTime, kDue + 7);
    EXPECT_EQ(task->CompletionDateTime, 0);
    EXPECT_EQ(task->ModifiedDateTime, now);
    ASSERT_EQ(folder->StoredItems.size(), 2u);
    EXPECT_TRUE(folder->StoredItems[1]->Data.Complete);

    // One way only: no second pass and no read-back.
    run->AnotherPassNeeded = false;
    run->Mode = smTreeToOutlook;
    task->SetCompletionDateTime(now);
    run->WriteOutlookItem(*item, task);
    EXPECT_FALSE(run->AnotherPassNeeded);
    EXPECT_EQ(task->CompletionDateTime, now);
}

TEST_F(ItemMapping, EachComparedFieldMakesThePairDifferAndOthersDoNot)
{
    auto item = folder->AddItem("same");
    item->Data.DueDate = kDue;
    item->Data.StartDate = kDue - 1;
    TTaskNode* task = AddTask("x");
    run->ReadOutlookItem(task, *item);
    ASSERT_FALSE(run->OutlookItemDiffers(*item, task));

    // Not compared: categories, completion date, places.
    item->Data.Categories = W("Other");
    item->Data.DateCompleted = 1;
    task->Places.push_back(3);
    EXPECT_FALSE(run->OutlookItemDiffers(*item, task));

    auto differs = [&](auto change, auto undo) {
        change();
        const bool d = run->OutlookItemDiffers(*item, task);
        undo();
        return d;
    };
    EXPECT_TRUE(differs([&] { item->Data.Complete = true; }, [&] { item->Data.Complete = false; }));
    EXPECT_TRUE(differs([&] { item->Data.IsRecurring = true; },
                        [&] { item->Data.IsRecurring = false; }));
    EXPECT_TRUE(differs([&] { item->Data.Subject = W("Same"); },
                        [&] { item->Data.Subject = W("same"); }));
    EXPECT_TRUE(differs([&] { item->Data.Body = W("b"); }, [&] { item->Data.Body.clear(); }));
    EXPECT_TRUE(differs([&] { item->Data.DueDate = OutlookNoDate; },
                        [&] { item->Data.DueDate = kDue; }));
    EXPECT_TRUE(differs([&] { item->Data.StartDate = kDue - 2; },
                        [&] { item->Data.StartDate = kDue - 1; }));
    EXPECT_FALSE(run->OutlookItemDiffers(*item, task));
}

TEST_F(ItemMapping, ALinkedPairIsDecidedByWhichSideChangedSinceTheLastRun)
{
    db.SetLastSyncTime(44500);
    std::shared_ptr<TMemoryTaskItem> item;

    // Neither side changed.
    TTaskNode* quiet = AddLinkedPair("quiet", 44400, &item);
    item->Data.Subject = W("changed but old");
    run->SyncLinkedPair(quiet, *item);
    EXPECT_EQ(quiet->Caption, "quiet");
    EXPECT_TRUE(Logged("Task has not been changed (skipped): \"quiet\""));

    // Only the outline changed, but nothing compared differs (only its places): skipped.
    TTaskNode* places = AddLinkedPair("places", 44400, &item);
    places->Places.push_back(1);
    places->SetModifiedDateTime(44600);
    run->SyncLinkedPair(places, *item);
    EXPECT_EQ(item->SaveCount(), 0);

    // The outline changed: the item is written.
    TTaskNode* mine = AddLinkedPair("mine", 44400, &item);
    mine->Caption = "mine, renamed";
    mine->SetModifiedDateTime(44600);
    run->SyncLinkedPair(mine, *item);
    EXPECT_EQ(item->Data.Subject, W("mine, renamed"));
    EXPECT_TRUE(Logged("Task has been changed in Tovrin: \"mine, renamed\". Updating Outlook..."));

    // The item changed: the task is read.
    TTaskNode* theirs = AddLinkedPair("theirs", 44400, &item);
    item->Data.Subject = W("theirs, renamed");
    item->Data.LastModificationTime = 44700;
    run->SyncLinkedPair(theirs, *item);
    EXPECT_EQ(theirs->Caption, "theirs, renamed");
    EXPECT_EQ(theirs->ModifiedDateTime, 44700);
    EXPECT_TRUE(Logged("Task has been changed in Outlook: \"theirs, renamed\". Updating Tovrin..."));

    const TSyncStatistics& s = run->Log->SyncStatistics;
    EXPECT_EQ(s.OutlookUpdated, 1);
    EXPECT_EQ(s.TovrinUpdated, 1);
    EXPECT_EQ(s.Conflicts, 0);
    EXPECT_EQ(run->Log->Warnings, 0);
}

TEST_F(ItemMapping, AConflictLeavesBothVersionsOnBothSidesSideBySide)
{
    db.SetLastSyncTime(44500);
    std::shared_ptr<TMemoryTaskItem> item;
    TTaskNode* before = AddTask("before");
    TTaskNode* x = AddLinkedPair("X", 44600, &item);
    TTaskNode* after = AddTask("after");
    x->Caption = "X";
    item->Data.Body = W("changed there");
    item->Data.LastModificationTime = 44700;
    const std::string oldID = item->Data.EntryID;

    run->SyncLinkedPair(x, *item);

    ASSERT_EQ(db.Root->Children.Count(), 4);
    EXPECT_EQ(db.Root->Children[0], before);
    EXPECT_EQ(db.Root->Children[1], x);
    TTaskNode* copy = db.Root->Children[2];
    EXPECT_EQ(db.Root->Children[3], after);

    EXPECT_EQ(x->Caption, "<!Sync conflict (Tovrin)!> X");
    EXPECT_NE(x->OutlookEntryID, oldID);
    auto xItem = folder->FindItem(x->OutlookEntryID);
    ASSERT_TRUE(xItem);
    EXPECT_EQ(xItem->Data.Subject, W("<!Sync conflict (Tovrin)!> X"));

    EXPECT_EQ(copy->Caption, "<!Sync conflict (Outlook)!> X");
    EXPECT_EQ(copy->OutlookEntryID, oldID);
    EXPECT_EQ(item->Data.Subject, W("<!Sync conflict (Outlook)!> X"));
    EXPECT_EQ(copy->Note.Text(), "changed there\n");

    EXPECT_EQ(run->Log->SyncStatistics.Conflicts, 1);
    EXPECT_EQ(run->Log->Warnings, 1);
    EXPECT_TRUE(Logged("[---WARNING---] Task has been changed in both places (Tovrin and Outlook): "
                       "\"X\". Processing conflict..."));
}

TEST_F(ItemMapping, BeforeTheFirstRunEveryDifferingPairIsAConflict)
{
    std::shared_ptr<TMemoryTaskItem> item;
    TTaskNode* t = AddLinkedPair("a", 1, &item);
    item->Data.Subject = W("b");
    run->SyncLinkedPair(t, *item);
    EXPECT_EQ(run->Log->SyncStatistics.Conflicts, 1);
}

TEST_F(ItemMapping, TheCategoryFilterIsASubstringTestIgnoringCase)
{
    auto item = folder->AddItem("Essay");
    item->Data.Categories = W("Homework, Private");
    EXPECT_TRUE(run->PassesCategoryFilter(*item));   // no filter

    db.OutlookCategory = "work";
    EXPECT_TRUE(run->PassesCategoryFilter(*item));
    db.OutlookCategory = "Büro";
    item->Data.Categories = W("BÜRO");
    EXPECT_TRUE(run->PassesCategoryFilter(*item));
    EXPECT_EQ(run->Log->SyncStatistics.OutlookProcessed, 3);

    item->Data.Categories = W("Home");
    EXPECT_FALSE(run->PassesCategoryFilter(*item));
    EXPECT_EQ(run->Log->SyncStatistics.OutlookProcessed, 3);
    EXPECT_TRUE(Logged("Outlook task skipped: \"Essay\" (category does not much)"));
}

TEST_F(ItemMapping, ASkippedItemIsLoggedOnlyAtTheTraceLevel)
{
    db.SyncLogLevel = 2;
    NewRun();
    db.OutlookCategory = "Work";
    auto item = folder->AddItem("Essay");
    EXPECT_FALSE(run->PassesCategoryFilter(*item));
    EXPECT_TRUE(run->Log->Lines().Empty());
}

TEST_F(ItemMapping, AFailingStoreCallLeavesTheRoutine)
{
    TTaskNode* task = AddTask("t");
    auto item = folder->AddItem("i");
    item->FailOnSave = true;
    EXPECT_THROW(run->WriteOutlookItem(*item, task), EOutlookError);
    // What was set before the save stays in the item's copy.
    EXPECT_EQ(item->Data.Subject, W("t"));
}

} // namespace
