// Copying one item into one task and back, the comparison, the decision for a linked pair,
// conflict copies and the category filter.
#include "outlooksync/SyncTestFixture.h"

namespace {

const TDateTime kDue = 45010.75;   // 2023-03-25 18:00

class ItemMapping : public SyncFixture {
protected:
    static auto Fields(const TTaskNode* t)
    {
        return std::make_tuple(t->Caption, t->Note.Text(), t->DueDateTime, int(t->ScheduleType),
                               t->LeadTime, t->CompletionDateTime, t->IsOutlookRecurring,
                               t->ModifiedDateTime, t->OutlookEntryID);
    }
    static auto Fields(const TMemoryTaskData& d)
    {
        return std::make_tuple(d.Subject, d.Body, d.Categories, d.DueDate, d.StartDate,
                               d.DateCompleted, d.LastModificationTime, d.Complete, d.IsRecurring);
    }
};

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
    // Stamped with the item's time, not the clock's.
    EXPECT_EQ(Fields(task), std::make_tuple("Call Bob", "line one\nline two\n", kDue, 1, 3.5,
                                            44995.0, true, 44990.25, item->Data.EntryID));

    // Without a due date, due, lead time, schedule and completion are cleared whatever the start.
    item->Data.DueDate = OutlookNoDate;
    item->Data.Complete = false;
    run->ReadOutlookItem(task, *item);
    EXPECT_EQ(Fields(task), std::make_tuple("Call Bob", "line one\nline two\n", 0.0, 0, 1.0, 0.0,
                                            true, 44990.25, item->Data.EntryID));
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
    auto item = NewItem();

    run->WriteOutlookItem(*item, task);
    EXPECT_TRUE(item->InFolder());
    EXPECT_FALSE(item->Data.EntryID.empty());
    EXPECT_EQ(Fields(item->Data), std::make_tuple(W("Pay rent"), W("first\r\nsecond\r\n"), W(""),
                                                  kDue, kDue - 2, 45001.5, now, true, false));

    // Without a due date only "no date" is written; the start date stays as it was.
    task->SetDueDateTime(0);
    task->SetCompletionDateTime(0);
    run->WriteOutlookItem(*item, task);
    EXPECT_EQ(item->Data.DueDate, OutlookNoDate);
    EXPECT_EQ(item->Data.StartDate, kDue - 2);
    EXPECT_FALSE(item->Data.Complete);

    // A negative lead time is written as its size, and so counts as different afterwards.
    task->SetDueDateTime(kDue);
    task->SetLeadTime(-2);
    run->WriteOutlookItem(*item, task);
    EXPECT_EQ(item->Data.StartDate, kDue - 2);
    EXPECT_TRUE(run->OutlookItemDiffers(*item, task));
    run->ReadOutlookItem(task, *item);
    EXPECT_EQ(task->LeadTime, 2);

    // A failing save leaves the routine.
    item->FailOnSave = true;
    EXPECT_THROW(run->WriteOutlookItem(*item, task), EOutlookError);
}

TEST_F(ItemMapping, TheCategoryIsAddedOnceIgnoringCase)
{
    db.OutlookCategory = "Work";
    for (auto [before, after] : {std::pair{"", "Work"}, {"Home", "Home,Work"},
                                 {"homework", "homework"}}) {
        auto item = NewItem();
        item->Data.Categories = W(before);
        run->WriteOutlookItem(*item, AddTask("t"));
        EXPECT_EQ(item->Data.Categories, W(after)) << before;
    }
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
    EXPECT_EQ(std::tuple(task->DueDateTime, task->CompletionDateTime, task->ModifiedDateTime),
              std::tuple(kDue + 7, 0.0, now));

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
    const TMemoryTaskData same = item->Data;
    ASSERT_FALSE(run->OutlookItemDiffers(*item, task));
    // A missing start compares as the lead of one day that reading it gives.
    item->Data.StartDate = OutlookNoDate;
    EXPECT_FALSE(run->OutlookItemDiffers(*item, task));
    task->SetLeadTime(2);
    EXPECT_TRUE(run->OutlookItemDiffers(*item, task));
    task->SetLeadTime(1);

    // Not compared: categories, completion date, places.
    item->Data.Categories = W("Other");
    item->Data.DateCompleted = 1;
    task->Places.push_back(3);
    EXPECT_FALSE(run->OutlookItemDiffers(*item, task));

    const std::vector<void (*)(TMemoryTaskData&)> changes = {
        [](TMemoryTaskData& d) { d.Complete = true; },
        [](TMemoryTaskData& d) { d.IsRecurring = true; },
        [](TMemoryTaskData& d) { d.Subject = W("Same"); },
        [](TMemoryTaskData& d) { d.Body = W("b"); },
        [](TMemoryTaskData& d) { d.DueDate = OutlookNoDate; },
        [](TMemoryTaskData& d) { d.StartDate = kDue - 2; },
    };
    for (size_t i = 0; i < changes.size(); ++i) {
        item->Data = same;
        changes[i](item->Data);
        EXPECT_TRUE(run->OutlookItemDiffers(*item, task)) << "change " << i;
    }
}

TEST_F(ItemMapping, ALinkedPairIsDecidedByWhichSideChangedSinceTheLastRun)
{
    db.SetLastSyncTime(44500);
    const struct {
        TDateTime taskTime, itemTime;
        const char *caption, *subject, *newCaption, *newSubject;
        bool saved;
        const char* log;
    } rows[] = {
        // Neither side changed since the last run: nothing is copied, even when they differ.
        {44400, 44400, "quiet", "old", "quiet", "old", false,
         "Task has not been changed (skipped): \"quiet\""},
        // The outline changed, but nothing compared differs.
        {44600, 44400, "same", "same", "same", "same", false,
         "Task has not been changed (skipped): \"same\""},
        {44600, 44400, "mine, renamed", "mine", "mine, renamed", "mine, renamed", true,
         "Task has been changed in Tovrin: \"mine, renamed\". Updating Outlook..."},
        {44400, 44700, "theirs", "theirs, renamed", "theirs, renamed", "theirs, renamed", false,
         "Task has been changed in Outlook: \"theirs, renamed\". Updating Tovrin..."},
    };
    for (const auto& r : rows) {
        auto [task, item] = AddLinkedPair(r.caption, r.taskTime);
        item->Data.Subject = W(r.subject);
        item->Data.LastModificationTime = r.itemTime;
        run->SyncLinkedPair(task, *item);
        EXPECT_EQ(std::tuple(task->Caption, A(item->Data.Subject), item->SaveCount() > 0),
                  std::tuple(r.newCaption, r.newSubject, r.saved))
            << r.caption;
        EXPECT_TRUE(Logged(r.log)) << r.caption;
    }
    EXPECT_EQ(std::tuple(Stats().OutlookUpdated, Stats().TovrinUpdated, Stats().Conflicts,
                         run->Log->Warnings),
              std::tuple(1, 1, 0, 0));
}

TEST_F(ItemMapping, AConflictLeavesBothVersionsOnBothSidesSideBySide)
{
    db.SetLastSyncTime(44500);
    TTaskNode* before = AddTask("before");
    auto [x, item] = AddLinkedPair("X", 44600);
    TTaskNode* after = AddTask("after");
    item->Data.Body = W("changed there");
    item->Data.LastModificationTime = 44700;
    const std::string oldID = item->Data.EntryID;

    run->SyncLinkedPair(x, *item);

    ASSERT_EQ(db.Root->Children.Count(), 4);
    TTaskNode* copy = db.Root->Children[2];
    EXPECT_EQ(db.Root->Children.Vector(), (std::vector<TTaskNode*>{before, x, copy, after}));
    EXPECT_EQ(x->Caption, "<!Sync conflict (Tovrin)!> X");
    EXPECT_NE(x->OutlookEntryID, oldID);
    auto xItem = folder->FindItem(x->OutlookEntryID);
    ASSERT_TRUE(xItem);
    EXPECT_EQ(xItem->Data.Subject, W("<!Sync conflict (Tovrin)!> X"));

    EXPECT_EQ(copy->Caption, "<!Sync conflict (Outlook)!> X");
    EXPECT_EQ(copy->OutlookEntryID, oldID);
    EXPECT_EQ(item->Data.Subject, W("<!Sync conflict (Outlook)!> X"));
    EXPECT_EQ(copy->Note.Text(), "changed there\n");

    EXPECT_EQ(Stats().Conflicts, 1);
    EXPECT_EQ(run->Log->Warnings, 1);
    EXPECT_TRUE(Logged("[---WARNING---] Task has been changed in both places (Tovrin and Outlook): "
                       "\"X\". Processing conflict..."));
}

TEST_F(ItemMapping, BeforeTheFirstRunEveryDifferingPairIsAConflict)
{
    auto [t, item] = AddLinkedPair("a", 1);
    item->Data.Subject = W("b");
    run->SyncLinkedPair(t, *item);
    EXPECT_EQ(Stats().Conflicts, 1);
}

TEST_F(ItemMapping, TheCategoryFilterIsASubstringTestIgnoringCaseLoggedAtTheTraceLevel)
{
    auto item = folder->AddItem("Essay");
    item->Data.Categories = W("Homework, Private");
    EXPECT_TRUE(run->PassesCategoryFilter(*item));   // no filter
    db.OutlookCategory = "work";
    EXPECT_TRUE(run->PassesCategoryFilter(*item));
    db.OutlookCategory = "Büro";
    item->Data.Categories = W("BÜRO");
    EXPECT_TRUE(run->PassesCategoryFilter(*item));
    item->Data.Categories = W("Home");
    EXPECT_FALSE(run->PassesCategoryFilter(*item));
    EXPECT_EQ(Stats().OutlookProcessed, 3);
    EXPECT_TRUE(Logged("Outlook task skipped: \"Essay\" (category does not much)"));

    db.SyncLogLevel = 2;
    NewRun();
    EXPECT_FALSE(run->PassesCategoryFilter(*item));
    EXPECT_TRUE(run->Log->Lines().Empty());
}

} // namespace
