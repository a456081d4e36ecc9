// Cascades and derived flags: due date and lead time follow the parent, hide and weekly-goal
// flags derive down the tree, Assign copies through the setters.
#include <gtest/gtest.h>

#include "platform/DateTime.h"
#include "taskdb/TaskNode.h"

namespace {

constexpr TDateTime kCreated = 40000.25;
constexpr TDateTime kStamp = 44000.5;
constexpr TDateTime kDue = 45123.75;

// A clock fixed at kCreated while the tree is built.
struct Outline : ::testing::Test {
    TClockOverride clock{kCreated};
    TTaskNode root;
};

}  // namespace

TEST_F(Outline, DueDateCascadesToFollowingSubtasksAndStampsThem)
{
    TTaskNode* task = root.AddChild("task", -1);
    TTaskNode* first = task->AddChild("first", -1);
    TTaskNode* own = task->AddChild("own date", -1);
    TTaskNode* third = task->AddChild("third", -1);
    TTaskNode* firstLeaf = first->AddChild("first leaf", -1);
    TTaskNode* ownLeaf = own->AddChild("own leaf", -1);
    own->SetScheduleType(1);
    own->SetDueDateTime(1000);   // its own; its follower takes it
    ASSERT_EQ(ownLeaf->DueDateTime, 1000);

    {
        TClockOverride later(kStamp);
        task->SetDueDateTime(kDue);
    }
    EXPECT_EQ(task->DueDateTime, kDue);
    EXPECT_EQ(task->ModifiedDateTime, kCreated) << "no setter stamps its own task";
    for (TTaskNode* t : {first, third, firstLeaf}) {
        EXPECT_EQ(t->DueDateTime, kDue) << t->Caption;
        EXPECT_EQ(t->ModifiedDateTime, kStamp) << t->Caption;
    }
    for (TTaskNode* t : {own, ownLeaf}) {
        EXPECT_EQ(t->DueDateTime, 1000) << t->Caption;
        EXPECT_EQ(t->ModifiedDateTime, kCreated) << t->Caption;
    }

    // The same date again changes and stamps nothing.
    {
        TClockOverride again(kStamp + 1);
        task->SetDueDateTime(kDue);
    }
    EXPECT_EQ(first->ModifiedDateTime, kStamp);

    // A follower whose date already matches is stamped but the cascade stops there.
    first->DueDateTime = 7;        // written directly: first's follower keeps kDue
    third->DueDateTime = 0;
    third->ScheduleType = 0;
    {
        TClockOverride again(kStamp + 2);
        task->SetDueDateTime(7);
    }
    EXPECT_EQ(first->ModifiedDateTime, kStamp + 2);
    EXPECT_EQ(firstLeaf->DueDateTime, kDue);
    EXPECT_EQ(firstLeaf->ModifiedDateTime, kStamp);
    EXPECT_EQ(third->DueDateTime, 7);
}

TEST_F(Outline, LeadTimeCascadesWithoutStamps)
{
    TTaskNode* task = root.AddChild("task", -1);
    TTaskNode* follower = task->AddChild("follower", -1);
    TTaskNode* own = task->AddChild("own", -1);
    TTaskNode* deep = follower->AddChild("deep", -1);
    own->SetScheduleType(1);
    TClockOverride later(kStamp);
    task->SetLeadTime(3.5);
    EXPECT_EQ(follower->LeadTime, 3.5);
    EXPECT_EQ(deep->LeadTime, 3.5);
    EXPECT_EQ(own->LeadTime, 1.0);
    EXPECT_EQ(follower->ModifiedDateTime, kCreated);
    EXPECT_EQ(deep->ModifiedDateTime, kCreated);
}

TEST_F(Outline, AddChildInheritsWhatCreateDoesNot)
{
    TTaskNode* parent = root.AddChild("parent", -1);
    parent->SetDueDateTime(kDue);
    parent->SetLeadTime(4);
    parent->SetHideInToDo(true);
    parent->SetTheGoal(1);

    TTaskNode* added = parent->AddChild("added", 0);
    EXPECT_EQ(added->DueDateTime, kDue);
    EXPECT_EQ(added->LeadTime, 4);
    EXPECT_TRUE(added->HideInToDoInEffect);
    EXPECT_TRUE(added->GoalInEffect);
    EXPECT_FALSE(added->HideInToDo) << "the task's own flag stays clear";
    EXPECT_EQ(added->TheGoal, 0);

    auto* created = new TTaskNode(parent);   // owned by parent
    EXPECT_EQ(created->DueDateTime, 0);
    EXPECT_EQ(created->LeadTime, 1.0);
    EXPECT_FALSE(created->HideInToDoInEffect);
    EXPECT_FALSE(created->GoalInEffect);
    EXPECT_EQ(created->CreatedDateTime, kCreated);
    EXPECT_EQ(created->ModifiedDateTime, kCreated);
}

TEST_F(Outline, MovingReDerivesDatesAndFlagsFromTheNewParent)
{
    TTaskNode* hidden = root.AddChild("hidden goal", -1);
    hidden->SetHideInToDo(true);
    hidden->SetTheGoal(1);
    hidden->SetDueDateTime(kDue);
    hidden->SetLeadTime(2);
    TTaskNode* plain = root.AddChild("plain", -1);

    TTaskNode* task = plain->AddChild("task", -1);
    TTaskNode* sub = task->AddChild("sub", -1);
    TTaskNode* fixed = plain->AddChild("fixed", -1);
    fixed->SetScheduleType(1);
    fixed->SetDueDateTime(500);
    fixed->SetLeadTime(9);

    task->MoveTo(hidden, -1);
    fixed->MoveTo(hidden, -1);
    for (TTaskNode* t : {task, sub}) {
        EXPECT_TRUE(t->HideInToDoInEffect) << t->Caption;
        EXPECT_TRUE(t->GoalInEffect) << t->Caption;
        EXPECT_EQ(t->DueDateTime, kDue) << t->Caption;
        EXPECT_EQ(t->LeadTime, 2) << t->Caption;
    }
    EXPECT_FALSE(task->HideInToDo);
    EXPECT_EQ(task->TheGoal, 0);
    EXPECT_EQ(fixed->DueDateTime, 500);
    EXPECT_EQ(fixed->LeadTime, 9);

    // Back under a plain parent the derived flags clear again.
    task->MoveTo(plain, 0);
    EXPECT_FALSE(task->HideInToDoInEffect);
    EXPECT_FALSE(sub->HideInToDoInEffect);
    EXPECT_FALSE(task->GoalInEffect);
    EXPECT_FALSE(sub->GoalInEffect);

    // A task with its own flags keeps them wherever it goes.
    TTaskNode* ownFlags = plain->AddChild("own flags", -1);
    ownFlags->SetHideInToDo(true);
    ownFlags->SetTheGoal(1);
    ownFlags->MoveTo(hidden, 0);
    ownFlags->MoveTo(plain, 0);
    EXPECT_TRUE(ownFlags->HideInToDo);
    EXPECT_TRUE(ownFlags->HideInToDoInEffect);
    EXPECT_EQ(ownFlags->TheGoal, 1);
    EXPECT_TRUE(ownFlags->GoalInEffect);
}

TEST_F(Outline, HidePropagationStopsAtTasksThatHideThemselves)
{
    TTaskNode* grand = root.AddChild("grand", -1);
    TTaskNode* parent = grand->AddChild("parent", -1);
    TTaskNode* task = parent->AddChild("task", -1);
    TTaskNode* child = task->AddChild("child", -1);
    TTaskNode* selfHidden = parent->AddChild("self hidden", -1);
    TTaskNode* underSelf = selfHidden->AddChild("under self", -1);
    selfHidden->SetHideInToDo(true);

    grand->SetHideInToDo(true);
    for (TTaskNode* t : {grand, parent, task, child, selfHidden, underSelf})
        EXPECT_TRUE(t->HideInToDoInEffect) << t->Caption;

    // Clearing a task's own flag under a hiding grandparent changes nothing below.
    task->SetHideInToDo(true);
    task->SetHideInToDo(false);
    EXPECT_FALSE(task->HideInToDo);
    EXPECT_TRUE(task->HideInToDoInEffect);
    EXPECT_TRUE(child->HideInToDoInEffect);

    grand->SetHideInToDo(false);
    for (TTaskNode* t : {grand, parent, task, child})
        EXPECT_FALSE(t->HideInToDoInEffect) << t->Caption;
    EXPECT_TRUE(selfHidden->HideInToDoInEffect);
    EXPECT_TRUE(underSelf->HideInToDoInEffect);

    // Unforced, an unchanged value does nothing, even when the derived flag is off.
    child->HideInToDoInEffect = true;
    task->SetHideInToDo(false);
    EXPECT_TRUE(child->HideInToDoInEffect);
    task->SetHideInToDoEx(false, true);
    EXPECT_FALSE(child->HideInToDoInEffect);
}

TEST_F(Outline, WeeklyGoalDerivesDownButOtherGoalsMarkOnlyTheirTask)
{
    TTaskNode* week = root.AddChild("week", -1);
    TTaskNode* month = week->AddChild("month", -1);
    TTaskNode* underMonth = month->AddChild("under month", -1);
    TTaskNode* innerWeek = week->AddChild("inner week", -1);
    TTaskNode* underInner = innerWeek->AddChild("under inner", -1);
    innerWeek->SetTheGoal(1);
    month->SetTheGoal(2);
    week->SetTheGoal(1);
    for (TTaskNode* t : {week, month, underMonth, innerWeek, underInner})
        EXPECT_TRUE(t->GoalInEffect) << t->Caption;

    for (int goal : {0, 2, 3, 2}) {
        month->SetTheGoal(goal);
        EXPECT_TRUE(month->GoalInEffect) << goal;
        EXPECT_TRUE(underMonth->GoalInEffect) << goal;
    }

    week->SetTheGoal(0);
    EXPECT_FALSE(week->GoalInEffect);
    EXPECT_FALSE(month->GoalInEffect);
    EXPECT_FALSE(underMonth->GoalInEffect);
    EXPECT_TRUE(innerWeek->GoalInEffect);
    EXPECT_TRUE(underInner->GoalInEffect);

    // A month or year goal alone derives nothing.
    month->SetTheGoal(3);
    EXPECT_FALSE(month->GoalInEffect);
    EXPECT_FALSE(underMonth->GoalInEffect);
}

TEST_F(Outline, AssignCopiesStoredPropertiesThroughTheSetters)
{
    TTaskNode source;
    source.TaskID = 17;
    source.Caption = "source";
    source.Importance = 80;
    source.SetTheGoal(1);
    source.Effort = 20;
    source.SetSatisfaction(70);
    source.Estimate = 2.5;
    source.SetScheduleType(1);
    source.SetDueDateTime(kDue);
    source.SetLeadTime(6);
    source.SetRoutineSchedule(0.5);
    source.SetHideInToDo(true);
    source.SetCompleteSubTasksInOrder(true);
    source.Note.Add("line 1");
    source.Note.Add("line 2");
    source.Places = {4, 2, 9};
    source.SetCompletionDateTime(45000.5);
    source.SetCreatedDateTime(30000);
    source.SetModifiedDateTime(31000);
    source.SetIsProject(true);
    source.SetProjectStatus(2);
    source.SetOutlookEntryID("00AB");
    source.SetIsOutlookRecurring(true);
    source.SetExpanded(true);
    source.RankKey = "key";
    source.ToDoImportancePath = "5080";
    source.AddChild("not copied", -1);

    TTaskNode* target = root.AddChild("target", -1);
    TTaskNode* follower = target->AddChild("follower", -1);
    {
        TClockOverride later(kStamp);
        target->Assign(source);
    }
    EXPECT_EQ(target->TaskID, 17);
    EXPECT_EQ(target->Caption, "source");
    EXPECT_EQ(target->Importance, 80);
    EXPECT_EQ(target->TheGoal, 1);
    EXPECT_EQ(target->Effort, 20);
    EXPECT_EQ(target->Satisfaction, 70);
    EXPECT_EQ(target->Estimate, 2.5);
    EXPECT_EQ(target->ScheduleType, 1);
    EXPECT_EQ(target->DueDateTime, kDue);
    EXPECT_EQ(target->LeadTime, 6);
    EXPECT_EQ(target->RoutineSchedule, 0.5);
    EXPECT_TRUE(target->HideInToDo);
    EXPECT_TRUE(target->CompleteSubTasksInOrder);
    EXPECT_EQ(target->Note, source.Note);
    EXPECT_EQ(target->Places, (std::vector<int32_t>{4, 2, 9}));
    EXPECT_EQ(target->CompletionDateTime, 45000.5);
    EXPECT_TRUE(target->CompletedMark);
    EXPECT_EQ(target->CreatedDateTime, 30000);
    EXPECT_EQ(target->ModifiedDateTime, 31000) << "ends as the source's value";
    EXPECT_TRUE(target->IsProject);
    EXPECT_EQ(target->ProjectStatus, 2);
    EXPECT_EQ(target->OutlookEntryID, "00AB");
    EXPECT_TRUE(target->IsOutlookRecurring);

    // Not copied: structure, display and To-Do fields.
    EXPECT_EQ(target->Parent, &root);
    EXPECT_EQ(target->Children.Count(), 1);
    EXPECT_EQ(target->Children[0], follower);
    EXPECT_FALSE(target->Expanded);
    EXPECT_EQ(target->RankKey, "");
    EXPECT_EQ(target->ToDoImportancePath, "");

    // The setters cascaded into the subtree and derived its flags.
    EXPECT_EQ(follower->DueDateTime, kDue);
    EXPECT_EQ(follower->LeadTime, 6);
    EXPECT_EQ(follower->ModifiedDateTime, kStamp);
    EXPECT_TRUE(follower->HideInToDoInEffect);
    EXPECT_TRUE(follower->GoalInEffect);

    // A detached copy made for undo restores the task.
    TTaskNode copy;
    copy.Assign(*target);
    target->SetHideInToDo(false);
    target->SetTheGoal(0);
    target->Caption = "edited";
    target->Assign(copy);
    EXPECT_EQ(target->Caption, "source");
    EXPECT_TRUE(follower->HideInToDoInEffect);
    EXPECT_TRUE(follower->GoalInEffect);
}

TEST(TaskDefaults, CreatedIsReadBeforeModified)
{
    int reading = 0;
    TClockOverride clock([&] { return 40000.0 + reading++; });
    TTaskNode task;
    EXPECT_EQ(task.CreatedDateTime, 40000.0);
    EXPECT_EQ(task.ModifiedDateTime, 40001.0);
    EXPECT_EQ(task.OutlookEntryID, " ");
    EXPECT_EQ(task.TaskID, -10);
}
