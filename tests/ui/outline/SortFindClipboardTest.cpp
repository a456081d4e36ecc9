// The display-free halves of the task commands: the sort keys, the text search and the
// clipboard text in both directions.
#include <gtest/gtest.h>

#include "platform/DateTime.h"
#include "taskdb/TaskNode.h"
#include "ui/outline/ClipboardLines.h"
#include "ui/outline/TaskFind.h"
#include "ui/outline/TaskSortKeys.h"

namespace {

using Names = std::vector<std::string>;

TTaskViewNode ViewOf(TTaskNode& task)
{
    TTaskViewNode node{&task, {}};
    for (TTaskNode* child : task.Children)
        node.Children.push_back(ViewOf(*child));
    return node;
}

Names Captions(const TTaskViewNode& node)
{
    Names names;
    for (const TTaskViewNode& child : node.Children)
        names.push_back(child.Task->Caption);
    return names;
}

TTaskNode* Add(TTaskNode& parent, const char* caption, int goal = 0, int importance = 50)
{
    TTaskNode* task = parent.AddChild(caption, -1);
    task->SetTheGoal(goal);
    task->Importance = importance;
    return task;
}

} // namespace

TEST(SortKeys, InitialKeysPutOpenGoalsFirstThenCompletedOldestFirst)
{
    TTaskNode root;
    Add(root, "plain low", 0, 10);
    Add(root, "done late", 3, 90)->SetCompletionDateTime(45200);
    Add(root, "week", 1, 50);
    Add(root, "plain high", 0, 90);
    Add(root, "year", 3, 20);
    Add(root, "done early", 0, 50)->SetCompletionDateTime(45100);
    Add(root, "month", 2, 50);
    TTaskViewNode view = ViewOf(root);
    SortTaskViewNode(view, {2, -3, 1, 1}, false);
    EXPECT_EQ(Captions(view), (Names{"year", "month", "week", "plain high", "plain low", "done early", "done late"}));
}

TEST(SortKeys, TasksWithoutDueDateComeLastInBothDirections)
{
    TTaskNode root;
    Add(root, "none 1");
    Add(root, "early")->SetDueDateTime(45000);
    Add(root, "none 2");
    Add(root, "late")->SetDueDateTime(45010);
    TTaskViewNode view = ViewOf(root);
    SortTaskViewNode(view, {4, 1, 1, 1}, false);
    EXPECT_EQ(Captions(view), (Names{"early", "late", "none 1", "none 2"}));
    SortTaskViewNode(view, {-4, 1, 1, 1}, false);
    EXPECT_EQ(Captions(view), (Names{"late", "early", "none 1", "none 2"}));
}

TEST(SortKeys, CaptionsIgnoreCaseBeyondAsciiAndUnknownCodesAreEqual)
{
    TTaskNode a, b;
    a.Caption = "\xC3\xBC" "ber";   // "über"
    b.Caption = "\xC3\x9C" "BER";   // "ÜBER"
    EXPECT_EQ(CompareTasksBySortKey(8, a, b), 0);
    b.Caption = "apfel";
    EXPECT_GT(CompareTasksBySortKey(8, a, b), 0);
    EXPECT_LT(CompareTasksBySortKey(-8, a, b), 0);
    a.Effort = 10;
    b.Effort = 20;
    a.Satisfaction = 70;
    EXPECT_LT(CompareTasksBySortKey(5, a, b), 0);
    EXPECT_GT(CompareTasksBySortKey(6, a, b), 0);
    EXPECT_EQ(CompareTasksBySortKey(7, a, b), 0);
    EXPECT_EQ(CompareTasksBySortKey(0, a, b), 0);
    EXPECT_EQ(CompareTasksBySortKey(1, a, b), 0);
    // Later keys decide only while the earlier ones are equal.
    EXPECT_LT(CompareTasksBySortKeys({1, 7, 5, -6}, a, b), 0);
    b.Effort = 10;
    EXPECT_LT(CompareTasksBySortKeys({1, 7, 5, -6}, a, b), 0);  // satisfaction descending
}

TEST(SortKeys, EqualTasksKeepTheirOrderAndRecursionSortsEveryLevel)
{
    TTaskNode root;
    TTaskNode* p = Add(root, "P");
    Add(*p, "c");
    Add(*p, "A");
    Add(*p, "b");
    Add(root, "x1");
    Add(root, "x2");
    TTaskViewNode flat = ViewOf(root);
    SortTaskViewNode(flat, {1, 1, 1, 1}, true);
    EXPECT_EQ(Captions(flat), (Names{"P", "x1", "x2"}));
    EXPECT_EQ(Captions(flat.Children[0]), (Names{"c", "A", "b"}));

    TTaskViewNode onlyTop = ViewOf(root);
    SortTaskViewNode(onlyTop, {-8, 1, 1, 1}, false);
    EXPECT_EQ(Captions(onlyTop), (Names{"x2", "x1", "P"}));
    EXPECT_EQ(Captions(onlyTop.Children[2]), (Names{"c", "A", "b"}));

    TTaskViewNode deep = ViewOf(root);
    SortTaskViewNode(deep, {8, 1, 1, 1}, true);
    EXPECT_EQ(Captions(deep.Children[0]), (Names{"A", "b", "c"}));
    // The outline takes the order over.
    root.SortChildren(deep, true);
    EXPECT_EQ(p->Children[0]->Caption, "A");
    EXPECT_EQ(root.Children[2]->Caption, "x2");
}

TEST(FindText, CaptionFirstThenNotesInAnyLetterCase)
{
    TTaskNode task;
    task.Caption = "Call the bank";
    task.Note.Add("ask about the Stra\xC3\x9F" "e fee");  // "Straße"
    task.Note.Add("second line");
    EXPECT_EQ(MatchTaskText(task, "BANK", true, true), TFindMatch::Caption);
    EXPECT_EQ(MatchTaskText(task, "bank", false, true), TFindMatch::None);
    EXPECT_EQ(MatchTaskText(task, "Fee", true, true), TFindMatch::Notes);
    EXPECT_EQ(MatchTaskText(task, "fee", true, false), TFindMatch::None);
    EXPECT_EQ(MatchTaskText(task, "fee\r\nsecond", true, true), TFindMatch::Notes);  // lines joined by CR LF
    EXPECT_EQ(MatchTaskText(task, "", true, true), TFindMatch::None);
    task.Caption = "\xC3\xA4rger";  // "ärger"
    EXPECT_EQ(MatchTaskText(task, "\xC3\x84RGER", true, false), TFindMatch::Caption);
}

TEST(FindText, PlacesFromAStartIndexWithoutWrapping)
{
    const std::vector<std::string> places{"Home", "Office", "Home office", "Shop"};
    EXPECT_EQ(FindCaptionFrom(places, 0, "office"), 1);
    EXPECT_EQ(FindCaptionFrom(places, 2, "office"), 2);
    EXPECT_EQ(FindCaptionFrom(places, 3, "office"), -1);
    EXPECT_EQ(FindCaptionFrom(places, 9, "home"), -1);
    EXPECT_EQ(FindCaptionFrom(places, 0, ""), -1);
}

TEST(ClipboardText, PastedLinesKeepEmptyLinesButNoFinalBreak)
{
    EXPECT_EQ(SplitClipboardLines("one\r\n\r\ntwo"), (Names{"one", "", "two"}));
    EXPECT_EQ(SplitClipboardLines("one\ntwo\n"), (Names{"one", "two"}));
    EXPECT_EQ(SplitClipboardLines("one\rtwo\r\n"), (Names{"one", "two"}));
    EXPECT_EQ(SplitClipboardLines(""), Names{});
    EXPECT_EQ(SplitClipboardLines("\r\n"), Names{""});
    const std::string longLine(5000, 'x');
    EXPECT_EQ(SplitClipboardLines(longLine), Names{longLine});
}
