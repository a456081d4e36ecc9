// Back and forward between visited tasks, with a stand-in window that records what it shows.
#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <vector>

#include "taskdb/TaskNode.h"
#include "ui/undo/Navigation.h"

namespace {

using Names = std::vector<std::string>;

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

    // The current task and the buttons: "B <A> (C)" for B with back to A and forward to C.
    std::string State() const
    {
        return (w.Current ? w.Current->Caption : "-") + (w.BackEnabled ? " <" + w.BackHint + ">" : "") +
               (w.ForwardEnabled ? " (" + w.ForwardHint + ")" : "");
    }
    void Visit(std::initializer_list<TTaskNode*> tasks)
    {
        for (TTaskNode* task : tasks)
            w.Select(task);
    }
};

TEST_F(NavigationTest, BackTwiceThenForwardTwice)
{
    Visit({a, b, c});
    EXPECT_EQ(State(), "C <Back (B)>");
    Names states;
    for (bool back : {true, true, true, false, false, false}) {
        back ? w.Navigation.GoBack() : w.Navigation.GoForward();
        states.push_back(State());
    }
    // Nothing further back or forward at the ends.
    EXPECT_EQ(states, (Names{"B <Back (A)> (Forward (C))", "A (Forward (B))", "A (Forward (B))",
                             "B <Back (A)> (Forward (C))", "C <Back (B)>", "C <Back (B)>"}));
    EXPECT_EQ(w.BackHint, "Back (B)");
    // Stepping records nothing of its own: the history is still A, B, C.
    EXPECT_EQ(w.Navigation.Count(), 3);
}

TEST_F(NavigationTest, SelectingByHandDropsTheForwardPart)
{
    Visit({a, b, c});
    w.Navigation.GoBack();
    w.Navigation.GoBack();
    w.Select(d);
    EXPECT_EQ(State(), "D <Back (A)>");
    w.Navigation.GoBack();
    w.Navigation.GoForward();
    EXPECT_EQ(State(), "D <Back (A)>");
}

TEST_F(NavigationTest, ClearForgetsEverything)
{
    Visit({a, b});
    w.Navigation.Clear();
    EXPECT_EQ(w.Navigation.Index(), -1);
    EXPECT_EQ(w.Navigation.Count(), 0);
    EXPECT_EQ(State(), "B");
    w.Navigation.GoBack();
    EXPECT_EQ(State(), "B");
}

TEST_F(NavigationTest, ARefusedStepKeepsThePosition)
{
    Visit({a, b, c});
    w.Navigation.GoBack();  // at B
    const int32_t index = w.Navigation.Index();
    w.Refuse = true;
    EXPECT_THROW(w.Navigation.GoBack(), std::runtime_error);
    EXPECT_EQ(w.Navigation.Index(), index);
    EXPECT_EQ(State(), "B <Back (A)> (Forward (C))");
    w.Refuse = false;
    w.Navigation.GoBack();
    EXPECT_EQ(w.Current, a);
    // The busy counter was lowered again: a hand selection is recorded.
    w.Select(d);
    EXPECT_EQ(State(), "D <Back (A)>");
}

} // namespace
