// Cascades and derived flags: due date and lead time follow the parent, hide and weekly-goal
// flags derive down the tree, Assign copies through the setters.
#include <gtest/gtest.h>

#include <tuple>

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

// Due date, lead time, own and derived hide and weekly-goal flags.
auto Derived(const TTaskNode* t)
{
    return std::tuple(t->DueDateTime, t->LeadTime, t->HideInToDo, t->HideInToDoInEffect,
                      t->TheGoal, t->GoalInEffect);
}

// Every property Assign copies.
auto Stored(const TTaskNode& t)
{
    return std::tuple(t.TaskID, t.Caption, t.Importance, t.TheGoal, t.Effort, t.Satisfaction,
                      t.Estimate, t.ScheduleType, t.DueDateTime, t.LeadTime, t.RoutineSchedule,
                      t.HideInToDo, t.CompleteSubTasksInOrder, t.Note.Items(), t.Places,
                      t.CompletionDateTime, t.CompletedMark, t.CreatedDateTime,
                      t.ModifiedDateTime, t.IsProject, t.ProjectStatus, t.OutlookEntryID,
                      t.IsOutlookRecurring);
}

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
    for (TTaskNode* t : {first, third, firstLeaf})
        EXPECT_EQ(std::tuple(t->DueDateTime, t->ModifiedDateTime), std::tuple(kDue, kStamp)) << t->Caption;
    for (TTaskNode* t : {own, ownLeaf})
        EXPECT_EQ(std::tuple(t->DueDateTime, t->ModifiedDateTime), std::tuple(1000.0, kCreated)) << t->Caption;

    {
        TClockOverride again(kStamp + 1);   // the same date again changes and stamps nothing
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
    EXPECT_EQ(std::tuple(firstLeaf->DueDateTime, firstLeaf->ModifiedDateTime), std::tuple(kDue, kStamp));
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
    EXPECT_EQ(std::tuple(follower->LeadTime, deep->LeadTime, own->LeadTime), std::tuple(3.5, 3.5, 1.0));
    EXPECT_EQ(std::tuple(follower->ModifiedDateTime, deep->ModifiedDateTime), std::tuple(kCreated, kCreated));
}

TEST_F(Outline, AddChildInheritsWhatCreateDoesNot)
{
    int reading = 0;
    {
        TClockOverride counting([&] { return 40000.0 + reading++; });
        TTaskNode fresh;   // created is read before modified
        EXPECT_EQ(std::tuple(fresh.CreatedDateTime, fresh.ModifiedDateTime), std::tuple(40000.0, 40001.0));
    }
    TTaskNode* parent = root.AddChild("parent", -1);
    parent->SetDueDateTime(kDue);
    parent->SetLeadTime(4);
    parent->SetHideInToDo(true);
    parent->SetTheGoal(1);

    // The task's own flags stay clear; only the derived ones follow the parent.
    EXPECT_EQ(Derived(parent->AddChild("added", 0)), std::tuple(kDue, 4.0, false, true, 0, true));
    EXPECT_EQ(Derived(new TTaskNode(parent)), std::tuple(0.0, 1.0, false, false, 0, false));
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
    for (TTaskNode* t : {task, sub})
        EXPECT_EQ(Derived(t), std::tuple(kDue, 2.0, false, true, 0, true)) << t->Caption;
    EXPECT_EQ(std::tuple(fixed->DueDateTime, fixed->LeadTime), std::tuple(500.0, 9.0));

    // Back under a plain parent the derived flags clear again.
    task->MoveTo(plain, 0);
    for (TTaskNode* t : {task, sub})
        EXPECT_EQ(std::tuple(t->HideInToDoInEffect, t->GoalInEffect), std::tuple(false, false));

    // A task with its own flags keeps them wherever it goes.
    TTaskNode* ownFlags = plain->AddChild("own flags", -1);
    ownFlags->SetHideInToDo(true);
    ownFlags->SetTheGoal(1);
    ownFlags->MoveTo(hidden, 0);
    ownFlags->MoveTo(plain, 0);
    EXPECT_EQ(Derived(ownFlags), std::tuple(0.0, 1.0, true, true, 1, true));
}

TEST_F(Outline, HidePropagationStopsAtTasksThatHideThemselves)
{
    TTaskNode* grand = root.AddChild("grand", -1);
    TTaskNode* parent = grand->AddChild("parent", -1);
    TTaskNode* task = parent->AddChild("task", -1);
    TTaskNode* child = task->AddChild("child", -1);
    TTaskNode* selfHidden = parent->AddChild("self hidden", -1);
    TTaskNode* underSelf = selfHidden->AddChild("under self", -1);
    const auto inEffect = [&] {
        std::vector<bool> out;
        for (TTaskNode* t : {grand, parent, task, child, selfHidden, underSelf})
            out.push_back(t->HideInToDoInEffect);
        return out;
    };
    selfHidden->SetHideInToDo(true);
    grand->SetHideInToDo(true);
    EXPECT_EQ(inEffect(), (std::vector<bool>{true, true, true, true, true, true}));

    // Clearing a task's own flag under a hiding grandparent changes nothing below.
    task->SetHideInToDo(true);
    task->SetHideInToDo(false);
    EXPECT_FALSE(task->HideInToDo);
    EXPECT_EQ(inEffect(), (std::vector<bool>{true, true, true, true, true, true}));

    grand->SetHideInToDo(false);
    EXPECT_EQ(inEffect(), (std::vector<bool>{false, false, false, false, true, true}));

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
    const auto inEffect = [&] {
        std::vector<bool> out;
        for (TTaskNode* t : {week, month, underMonth, innerWeek, underInner})
            out.push_back(t->GoalInEffect);
        return out;
    };
    innerWeek->SetTheGoal(1);
    month->SetTheGoal(2);
    week->SetTheGoal(1);
    EXPECT_EQ(inEffect(), (std::vector<bool>{true, true, true, true, true}));
    for (int goal : {0, 2, 3, 2}) {
        month->SetTheGoal(goal);
        EXPECT_EQ(inEffect(), (std::vector<bool>{true, true, true, true, true})) << goal;
    }
    week->SetTheGoal(0);
    EXPECT_EQ(inEffect(), (std::vector<bool>{false, false, false, true, true}));
    month->SetTheGoal(3);   // a month or year goal alone derives nothing
    EXPECT_EQ(inEffect(), (std::vector<bool>{false, false, false, true, true}));
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
    // Modified ends as the source's value, after the setters stamped it.
    EXPECT_EQ(Stored(*target), Stored(source));
    EXPECT_TRUE(target->CompletedMark);
    // Not copied: structure, display and To-Do fields.
    EXPECT_EQ(target->Parent, &root);
    EXPECT_EQ(target->Children.Vector(), std::vector<TTaskNode*>{follower});
    EXPECT_FALSE(target->Expanded);
    EXPECT_EQ(target->RankKey + target->ToDoImportancePath, "");
    // The setters cascaded into the subtree and derived its flags.
    EXPECT_EQ(Derived(follower), std::tuple(kDue, 6.0, false, true, 0, true));
    EXPECT_EQ(follower->ModifiedDateTime, kStamp);

    // A detached copy made for undo restores the task.
    TTaskNode copy;
    copy.Assign(*target);
    target->SetHideInToDo(false);
    target->SetTheGoal(0);
    target->Caption = "edited";
    target->Assign(copy);
    EXPECT_EQ(Stored(*target), Stored(source));
    EXPECT_TRUE(follower->HideInToDoInEffect);
    EXPECT_TRUE(follower->GoalInEffect);
}
