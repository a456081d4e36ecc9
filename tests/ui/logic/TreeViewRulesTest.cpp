// What each outline view lists, built from a small task tree.
#include <gtest/gtest.h>

#include "taskdb/TaskNode.h"
#include "ui/TreeViewRules.h"

namespace {

// Root
//   A (week goal)
//     A1 (completed)
//       A1a (month goal, open)
//     A2 (project, in progress)
//   B (completed, year goal)
//     B1 (week goal, open)
//   C (project, not started)
struct Sample {
    TTaskNode root;
    TTaskNode* a;
    TTaskNode* a1;
    TTaskNode* a1a;
    TTaskNode* a2;
    TTaskNode* b;
    TTaskNode* b1;
    TTaskNode* c;
    Sample()
    {
        a = root.AddChild("A", -1);
        a->SetTheGoal(1);
        a1 = a->AddChild("A1", -1);
        a1->SetCompletionDateTime(45000);
        a1a = a1->AddChild("A1a", -1);
        a1a->SetTheGoal(2);
        a2 = a->AddChild("A2", -1);
        a2->SetIsProject(true);
        a2->SetProjectStatus(1);
        b = root.AddChild("B", -1);
        b->SetTheGoal(3);
        b->SetCompletionDateTime(45001);
        b1 = b->AddChild("B1", -1);
        b1->SetTheGoal(1);
        c = root.AddChild("C", -1);
        c->SetIsProject(true);
        a->SetExpanded(true);
    }
};

std::vector<std::string> Captions(const std::vector<TViewRow>& rows)
{
    std::vector<std::string> result;
    for (const TViewRow& row : rows)
        result.push_back(row.Caption);
    return result;
}

using Names = std::vector<std::string>;

} // namespace

TEST(TreeViewRules, AllTasksListsTheWholeSubtreeWithChecksAndExpandedState)
{
    Sample s;
    const auto rows = BuildTaskRows(s.root, false);
    ASSERT_EQ(Captions(rows), (Names{"A", "B", "C"}));
    EXPECT_EQ(rows[0].Task, s.a);
    EXPECT_TRUE(rows[0].Expanded);
    EXPECT_FALSE(rows[1].Expanded);
    EXPECT_TRUE(rows[1].Checked);
    EXPECT_FALSE(rows[0].Checked);
    EXPECT_EQ(Captions(rows[0].Children), (Names{"A1", "A2"}));
    EXPECT_EQ(Captions(rows[0].Children[0].Children), (Names{"A1a"}));
}

TEST(TreeViewRules, HiddenCompletedTasksTakeTheirOpenSubtasksAlong)
{
    Sample s;
    const auto rows = BuildTaskRows(s.root, true);
    ASSERT_EQ(Captions(rows), (Names{"A", "C"}));
    EXPECT_EQ(Captions(rows[0].Children), (Names{"A2"}));

    const auto goals = BuildGoalsRows(s.root, true);
    EXPECT_EQ(Captions(goals[0].Children), (Names{"A"}));  // B1 lies under the completed B
    EXPECT_TRUE(goals[1].Children.empty());                // A1a lies under the completed A1
    EXPECT_TRUE(goals[2].Children.empty());
}

TEST(TreeViewRules, GoalsGroupEveryGoalAlsoInsideOtherGoals)
{
    Sample s;
    const auto groups = BuildGoalsRows(s.root, false);
    ASSERT_EQ(Captions(groups), (Names{"Weekly goals", "Monthly goals", "Yearly goals"}));
    for (const TViewRow& group : groups) {
        EXPECT_EQ(group.Task, nullptr);
        EXPECT_TRUE(group.Expanded);
    }
    EXPECT_EQ(Captions(groups[0].Children), (Names{"A", "B1"}));
    EXPECT_EQ(Captions(groups[1].Children), (Names{"A1a"}));
    EXPECT_EQ(Captions(groups[2].Children), (Names{"B"}));
    // A goal row carries its subtree: A1a shows under A's subtree and under its own group.
    EXPECT_EQ(Captions(groups[0].Children[0].Children[0].Children), (Names{"A1a"}));
}

TEST(TreeViewRules, ProjectsGroupByStatus)
{
    Sample s;
    const auto groups = BuildProjectsRows(s.root, false);
    ASSERT_EQ(Captions(groups), (Names{"Not Started", "In Progress", "Suspended", "Completed"}));
    EXPECT_EQ(Captions(groups[0].Children), (Names{"C"}));
    EXPECT_EQ(Captions(groups[1].Children), (Names{"A2"}));
    EXPECT_TRUE(groups[2].Children.empty());
}

TEST(TreeViewRules, AVirtualRootThatIsAGoalIsListedUnderItsGroup)
{
    Sample s;
    const auto goals = BuildGoalsRows(*s.a, false);
    EXPECT_EQ(Captions(goals[0].Children), (Names{"A"}));
    EXPECT_EQ(Captions(goals[1].Children), (Names{"A1a"}));
    EXPECT_EQ(Captions(BuildTaskRows(*s.a, false)), (Names{"A1", "A2"}));
    // The document's root itself is never listed, whatever it holds.
    s.root.SetTheGoal(2);
    EXPECT_EQ(Captions(BuildGoalsRows(s.root, false)[1].Children), (Names{"A1a"}));
}

TEST(TreeViewRules, BannerTextAndCaretPosition)
{
    EXPECT_EQ(VirtualRootBannerText("Home"), "Virtual root: \"Home\". Click to reset.");
    auto width = [](int k) { return 10 * k; };  // every character 10 pixels wide
    EXPECT_EQ(CaretIndexAt(5, 0, width), 0);
    EXPECT_EQ(CaretIndexAt(5, 10, width), 0);
    EXPECT_EQ(CaretIndexAt(5, 11, width), 1);
    EXPECT_EQ(CaretIndexAt(5, 49, width), 4);
    EXPECT_EQ(CaretIndexAt(5, 51, width), 5);
    EXPECT_EQ(CaretIndexAt(0, 5, width), 0);
}
