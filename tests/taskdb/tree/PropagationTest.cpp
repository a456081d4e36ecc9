// Cascades and derived flags: due date and lead time follow the parent, hide and weekly-goal
// flags derive down the tree, Assign copies through the setters.
#include <tuple>

#include "platform/DateTime.h"
#include "TreeSupport.h"

namespace {

constexpr TDateTime kCreated = 40000.25;
constexpr TDateTime kStamp = 44000.5;
constexpr TDateTime kDue = 45123.75;

// A clock fixed at kCreated while the tree is built.
struct Outlined : ::testing::Test {
    TClockOverride clock{kCreated};
    TTaskNode root;
};

// Due date, lead time, own and derived hide and weekly-goal flags.
auto Derived(const TTaskNode* t)
{
    return std::tuple(t->DueDateTime, t->LeadTime, t->HideInToDo, t->HideInToDoInEffect,
                      t->TheGoal, t->GoalInEffect);
}

Names Hidden(TTaskNode& top) { return Where(top, [](auto& t) { return t.HideInToDoInEffect; }); }
Names InGoal(TTaskNode& top) { return Where(top, [](auto& t) { return t.GoalInEffect; }); }

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

TEST_F(Outlined, DueDateAndLeadTimeCascadeToFollowingSubtasksAndStampThem)
{
    Outline t = Grow(root, "task(first(firstLeaf) own(ownLeaf) third)");
    t["own"]->SetScheduleType(1);
    t["own"]->SetDueDateTime(1000);   // its own; its follower takes it
    const auto dueAndStamp = [&](std::initializer_list<const char*> names) {
        std::vector<std::pair<double, double>> out;
        for (const char* n : names)
            out.emplace_back(t[n]->DueDateTime, t[n]->ModifiedDateTime);
        return out;
    };
    {
        TClockOverride later(kStamp);
        t["task"]->SetDueDateTime(kDue);
    }
    {
        TClockOverride later(kStamp + 0.5);
        t["task"]->SetLeadTime(3.5);
    }
    using Pairs = std::vector<std::pair<double, double>>;
    // No setter stamps its own task; a ScheduleType 1 subtask and its subtree keep their date.
    EXPECT_EQ(dueAndStamp({"task", "first", "firstLeaf", "third", "own", "ownLeaf"}),
              (Pairs{{kDue, kCreated}, {kDue, kStamp + 0.5}, {kDue, kStamp + 0.5}, {kDue, kStamp + 0.5},
                     {1000, kCreated}, {1000, kCreated}}));
    EXPECT_EQ(Where(root, [](auto& x) { return x.LeadTime == 3.5; }), (Names{"task", "first", "firstLeaf", "third"}));

    {
        TClockOverride again(kStamp + 1);   // the same values again change and stamp nothing
        t["task"]->SetDueDateTime(kDue);
        t["task"]->SetLeadTime(3.5);
    }
    EXPECT_EQ(t["first"]->ModifiedDateTime, kStamp + 0.5);

    // A follower whose date already matches is stamped but the cascade stops there; one whose
    // lead already matches is neither changed nor stamped.
    t["first"]->DueDateTime = 7;        // written directly: first's follower keeps kDue
    t["first"]->LeadTime = 2;
    {
        TClockOverride again(kStamp + 2);
        t["task"]->SetDueDateTime(7);
    }
    {
        TClockOverride again(kStamp + 3);
        t["task"]->SetLeadTime(2);
    }
    EXPECT_EQ(dueAndStamp({"first", "firstLeaf", "third"}),
              (Pairs{{7, kStamp + 2}, {kDue, kStamp + 0.5}, {7, kStamp + 3}}));
    EXPECT_EQ(std::pair(t["firstLeaf"]->LeadTime, t["third"]->LeadTime), std::pair(3.5, 2.0));
}

TEST_F(Outlined, AddingAndMovingDeriveDatesAndFlagsFromTheParentButCreatingDoesNot)
{
    int reading = 0;
    {
        TClockOverride counting([&] { return 40000.0 + reading++; });
        TTaskNode fresh;   // created is read before modified
        EXPECT_EQ(std::tuple(fresh.CreatedDateTime, fresh.ModifiedDateTime), std::tuple(40000.0, 40001.0));
        EXPECT_EQ(std::tuple(fresh.CompletedMark, fresh.Expanded, fresh.Importance, fresh.Effort,
                             fresh.Satisfaction, fresh.TaskID, fresh.OutlookEntryID),
                  std::tuple(false, false, 50, 50, 50, -10, " "));
    }
    Outline t = Grow(root, "hidden plain(task(sub) fixed ownFlags)");
    t["hidden"]->SetHideInToDo(true);
    t["hidden"]->SetTheGoal(1);
    t["hidden"]->SetDueDateTime(kDue);
    t["hidden"]->SetLeadTime(2);
    t["fixed"]->SetScheduleType(1);
    t["fixed"]->SetDueDateTime(500);
    t["fixed"]->SetLeadTime(9);
    t["ownFlags"]->SetHideInToDo(true);
    t["ownFlags"]->SetTheGoal(1);

    // The task's own flags stay clear; only the derived ones follow the parent.
    EXPECT_EQ(Derived(t["hidden"]->AddChild("added", 0)), std::tuple(kDue, 2.0, false, true, 0, true));
    EXPECT_EQ(Derived(new TTaskNode(t["hidden"])), std::tuple(0.0, 1.0, false, false, 0, false));
    for (const char* n : {"task", "fixed", "ownFlags"})
        t[n]->MoveTo(t["hidden"], -1);
    for (const char* n : {"task", "sub"})
        EXPECT_EQ(Derived(t[n]), std::tuple(kDue, 2.0, false, true, 0, true)) << n;
    EXPECT_EQ(std::tuple(t["fixed"]->DueDateTime, t["fixed"]->LeadTime), std::tuple(500.0, 9.0));

    // Back under a plain parent the derived flags clear again; a task's own flags stay.
    for (const char* n : {"task", "fixed", "ownFlags"})
        t[n]->MoveTo(t["plain"], 0);
    EXPECT_EQ(Hidden(*t["plain"]), Names{"ownFlags"});
    EXPECT_EQ(InGoal(*t["plain"]), Names{"ownFlags"});
    EXPECT_EQ(Derived(t["ownFlags"]), std::tuple(0.0, 1.0, true, true, 1, true));
}

TEST_F(Outlined, HidePropagationStopsAtTasksThatHideThemselves)
{
    Outline t = Grow(root, "grand(parent(task(child) self(underSelf)))");
    t["self"]->SetHideInToDo(true);
    t["grand"]->SetHideInToDo(true);
    const Names all{"grand", "parent", "task", "child", "self", "underSelf"};
    EXPECT_EQ(Hidden(root), all);

    // Clearing a task's own flag under a hiding grandparent changes nothing below.
    t["task"]->SetHideInToDo(true);
    t["task"]->SetHideInToDo(false);
    EXPECT_FALSE(t["task"]->HideInToDo);
    EXPECT_EQ(Hidden(root), all);

    t["grand"]->SetHideInToDo(false);
    EXPECT_EQ(Hidden(root), (Names{"self", "underSelf"}));

    // Unforced, an unchanged value does nothing, even when the derived flag is off.
    t["child"]->HideInToDoInEffect = true;
    t["task"]->SetHideInToDo(false);
    EXPECT_TRUE(t["child"]->HideInToDoInEffect);
    t["task"]->SetHideInToDoEx(false, true);
    EXPECT_EQ(Hidden(root), (Names{"self", "underSelf"}));
}

TEST_F(Outlined, WeeklyGoalDerivesDownButOtherGoalsMarkOnlyTheirTask)
{
    Outline t = Grow(root, "week(month(underMonth) inner(underInner))");
    t["inner"]->SetTheGoal(1);
    t["month"]->SetTheGoal(2);
    t["week"]->SetTheGoal(1);
    const Names all{"week", "month", "underMonth", "inner", "underInner"};
    EXPECT_EQ(InGoal(root), all);
    for (int goal : {0, 2, 3, 2}) {
        t["month"]->SetTheGoal(goal);
        EXPECT_EQ(InGoal(root), all) << goal;
    }
    t["week"]->SetTheGoal(0);
    EXPECT_EQ(InGoal(root), (Names{"inner", "underInner"}));
    t["month"]->SetTheGoal(3);   // a month or year goal alone derives nothing
    EXPECT_EQ(InGoal(root), (Names{"inner", "underInner"}));
    t["inner"]->GoalInEffect = false;
    t["inner"]->SetTheGoal(1);
    EXPECT_EQ(InGoal(root), (Names{"underInner"})) << "unforced and unchanged: nothing happens";
}

TEST_F(Outlined, AssignCopiesStoredPropertiesThroughTheSetters)
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
    source.AddChild("notCopied", -1);

    Outline t = Grow(root, "target(follower)");
    {
        TClockOverride later(kStamp);
        t["target"]->Assign(source);
    }
    // Modified ends as the source's value, after the setters stamped it.
    EXPECT_EQ(Stored(*t["target"]), Stored(source));
    // Not copied: structure, display and To-Do fields.
    EXPECT_EQ(Shape(root), "source(follower)");
    EXPECT_FALSE(t["target"]->Expanded);
    EXPECT_EQ(t["target"]->RankKey + t["target"]->ToDoImportancePath, "");
    // The setters cascaded into the subtree and derived its flags.
    EXPECT_EQ(Derived(t["follower"]), std::tuple(kDue, 6.0, false, true, 0, true));
    EXPECT_EQ(t["follower"]->ModifiedDateTime, kStamp);

    // A detached copy made for undo restores the task.
    TTaskNode copy;
    copy.Assign(*t["target"]);
    t["target"]->SetHideInToDo(false);
    t["target"]->SetTheGoal(0);
    t["target"]->Caption = "edited";
    t["target"]->Assign(copy);
    EXPECT_EQ(Stored(*t["target"]), Stored(source));
    EXPECT_EQ(Hidden(root), (Names{"source", "follower"}));
    EXPECT_EQ(InGoal(root), (Names{"source", "follower"}));
}
