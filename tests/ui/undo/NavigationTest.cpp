// Back and forward between visited tasks, with a stand-in window that records what it shows.
#include <gtest/gtest.h>

#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "taskdb/TaskNode.h"
#include "ui/Navigation.h"

namespace {

// Plays the window: selecting a task by hand records the task left, as the panel does.
class TFakeWindow : public INavigationView {
public:
    TNavigationManager Navigation{this};
    TTaskNode* Current = nullptr;
    bool Refuse = false;
    bool BackEnabled = false, ForwardEnabled = false;
    std::string BackHint, ForwardHint;

    void Select(TTaskNode* task)
    {
        if (Refuse)
            throw std::runtime_error("refused");
        if (task == Current)
            return;
        Navigation.Add(Current);
        Current = task;
    }
    TTaskNode* NavigationCurrentTask() override { return Current; }
    void NavigateToTask(TTaskNode* Task) override { Select(Task); }
    void UpdateNavigationButtons(bool back, const std::string& backHint, bool forward,
                                 const std::string& forwardHint) override
    {
        BackEnabled = back;
        BackHint = backHint;
        ForwardEnabled = forward;
        ForwardHint = forwardHint;
    }
};

class NavigationTest : public ::testing::Test {
protected:
    TTaskNode root;
    TTaskNode* a = root.AddChild("A", -1);
    TTaskNode* b = root.AddChild("B", -1);
    TTaskNode* c = root.AddChild("C", -1);
    TTaskNode* d = root.AddChild("D", -1);
    TFakeWindow w;
};

TEST_F(NavigationTest, BackTwiceThenForwardTwice)
{
    w.Select(a);
    w.Select(b);
    w.Select(c);
    EXPECT_TRUE(w.BackEnabled);
    EXPECT_EQ(w.BackHint, "Back (B)");
    EXPECT_FALSE(w.ForwardEnabled);

    w.Navigation.GoBack();
    EXPECT_EQ(w.Current, b);
    EXPECT_EQ(w.ForwardHint, "Forward (C)");
    EXPECT_EQ(w.BackHint, "Back (A)");
    w.Navigation.GoBack();
    EXPECT_EQ(w.Current, a);
    EXPECT_FALSE(w.BackEnabled);
    EXPECT_EQ(w.BackHint, "");
    w.Navigation.GoBack();  // nothing further back
    EXPECT_EQ(w.Current, a);

    w.Navigation.GoForward();
    EXPECT_EQ(w.Current, b);
    w.Navigation.GoForward();
    EXPECT_EQ(w.Current, c);
    EXPECT_FALSE(w.ForwardEnabled);
    w.Navigation.GoForward();
    EXPECT_EQ(w.Current, c);
    // Stepping records nothing of its own: the history is still A, B, C.
    EXPECT_EQ(w.Navigation.Count(), 3);
}

TEST_F(NavigationTest, SelectingByHandDropsTheForwardPart)
{
    w.Select(a);
    w.Select(b);
    w.Select(c);
    w.Navigation.GoBack();
    w.Navigation.GoBack();
    w.Select(d);
    EXPECT_FALSE(w.ForwardEnabled);
    w.Navigation.GoBack();
    EXPECT_EQ(w.Current, a);
    w.Navigation.GoForward();
    EXPECT_EQ(w.Current, d);
    EXPECT_FALSE(w.Navigation.CanGo(true));
}

TEST_F(NavigationTest, ClearForgetsEverything)
{
    w.Select(a);
    w.Select(b);
    w.Navigation.Clear();
    EXPECT_EQ(w.Navigation.Index(), -1);
    EXPECT_EQ(w.Navigation.Count(), 0);
    EXPECT_FALSE(w.BackEnabled);
    EXPECT_FALSE(w.ForwardEnabled);
    w.Navigation.GoBack();
    EXPECT_EQ(w.Current, b);
}

TEST_F(NavigationTest, ARefusedStepKeepsThePosition)
{
    w.Select(a);
    w.Select(b);
    w.Select(c);
    w.Navigation.GoBack();  // at B
    const int32_t index = w.Navigation.Index();
    w.Refuse = true;
    EXPECT_THROW(w.Navigation.GoBack(), std::runtime_error);
    EXPECT_EQ(w.Navigation.Index(), index);
    EXPECT_EQ(w.BackHint, "Back (A)");
    w.Refuse = false;
    w.Navigation.GoBack();
    EXPECT_EQ(w.Current, a);
    // The busy counter was lowered again: a hand selection is recorded.
    w.Select(d);
    EXPECT_EQ(w.BackHint, "Back (A)");
}

} // namespace
