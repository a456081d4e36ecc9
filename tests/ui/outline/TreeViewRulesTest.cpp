// What each outline view lists, built from a small task tree.
#include <gtest/gtest.h>

#include "taskdb/TaskNode.h"
#include "ui/outline/TreeViewRules.h"

namespace {

// Root
//   A (week goal, expanded)
//     A1 (completed)
//       A1a (month goal, open)
//     A2 (project, in progress)
//   B (completed, year goal)
//     B1 (week goal, open)
//   C (project, not started)
struct Sample {
    TTaskNode root;
    TTaskNode* a = root.AddChild("A", -1);
    Sample()
    {
        a->SetTheGoal(1);
        a->SetExpanded(true);
        TTaskNode* a1 = a->AddChild("A1", -1);
        a1->SetCompletionDateTime(45000);
        a1->AddChild("A1a", -1)->SetTheGoal(2);
        TTaskNode* a2 = a->AddChild("A2", -1);
        a2->SetIsProject(true);
        a2->SetProjectStatus(1);
        TTaskNode* b = root.AddChild("B", -1);
        b->SetTheGoal(3);
        b->SetCompletionDateTime(45001);
        b->AddChild("B1", -1)->SetTheGoal(1);
        root.AddChild("C", -1)->SetIsProject(true);
    }
};

// Rows as one line: "*" marks a checked row, "+" an expanded one, "#" a group row without task,
// children in brackets.
std::string Outline(const std::vector<TViewRow>& rows)
{
    std::string text;
    for (const TViewRow& row : rows) {
        if (!text.empty())
            text += ' ';
        text += row.Caption + (row.Task ? "" : "#") + (row.Checked ? "*" : "") + (row.Expanded ? "+" : "");
        if (!row.Children.empty())
            text += "[" + Outline(row.Children) + "]";
    }
    return text;
}

TEST(TreeViewRules, AllTasksListsTheWholeSubtreeWithChecksAndExpandedState)
{
    Sample s;
    EXPECT_EQ(Outline(BuildTaskRows(s.root, false)), "A+[A1*[A1a] A2] B*[B1] C");
    EXPECT_EQ(BuildTaskRows(s.root, false)[0].Task, s.a);
}

TEST(TreeViewRules, HiddenCompletedTasksTakeTheirOpenSubtasksAlong)
{
    Sample s;
    EXPECT_EQ(Outline(BuildTaskRows(s.root, true)), "A+[A2] C");
    // B1 lies under the completed B, A1a under the completed A1.
    EXPECT_EQ(Outline(BuildGoalsRows(s.root, true)), "Weekly goals#+[A+[A2]] Monthly goals#+ Yearly goals#+");
}

TEST(TreeViewRules, GoalsGroupEveryGoalAlsoInsideOtherGoals)
{
    Sample s;
    // A goal row carries its subtree: A1a shows under A's subtree and under its own group.
    EXPECT_EQ(Outline(BuildGoalsRows(s.root, false)),
              "Weekly goals#+[A+[A1*[A1a] A2] B1] Monthly goals#+[A1a] Yearly goals#+[B*[B1]]");
}

TEST(TreeViewRules, ProjectsGroupByStatus)
{
    Sample s;
    EXPECT_EQ(Outline(BuildProjectsRows(s.root, false)),
              "Not Started#+[C] In Progress#+[A2] Suspended#+ Completed#+");
}

TEST(TreeViewRules, AVirtualRootThatIsAGoalIsListedUnderItsGroup)
{
    Sample s;
    EXPECT_EQ(Outline(BuildGoalsRows(*s.a, false)), "Weekly goals#+[A+[A1*[A1a] A2]] Monthly goals#+[A1a] Yearly goals#+");
    EXPECT_EQ(Outline(BuildTaskRows(*s.a, false)), "A1*[A1a] A2");
    // The document's root itself is never listed, whatever it holds.
    s.root.SetTheGoal(2);
    EXPECT_EQ(Outline(BuildGoalsRows(s.root, false)[1].Children), "A1a");
}

TEST(TreeViewRules, BannerTextAndCaretPosition)
{
    EXPECT_EQ(VirtualRootBannerText("Home"), "Virtual root: \"Home\". Click to reset.");
    auto width = [](int k) { return 10 * k; };  // every character 10 pixels wide
    const std::pair<int, int> offsetToCaret[] = {{0, 0}, {10, 0}, {11, 1}, {49, 4}, {51, 5}};
    for (const auto& [offset, caret] : offsetToCaret)
        EXPECT_EQ(CaretIndexAt(5, offset, width), caret) << offset;
    EXPECT_EQ(CaretIndexAt(0, 5, width), 0);
}

} // namespace
