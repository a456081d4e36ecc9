// The undo history and its four kinds of step on a real outline, without a window: what the
// model holds after each Undo and Redo, who owns a deleted subtree, and what the window is told.
#include <gtest/gtest.h>

#include "platform/DateTime.h"
#include "taskdb/TaskPlace.h"
#include "taskdb/TovrinDataBase.h"
#include "ui/undo/UndoList.h"

namespace {

using Names = std::vector<std::string>;

class TRecordingView : public IUndoView {
public:
    Names Calls;
    int ListChanges = 0;
    int Repaints = 0;

    void UndoListChanged() override { ++ListChanges; }
    void RepaintTaskTrees() override { ++Repaints; }
    void ShowChangedTask(TTaskNode* Task) override { Calls.push_back("changed " + Task->Caption); }
    void LeaveTask(TTaskNode* Task) override { Calls.push_back("leave " + Task->Caption); }
    void ShowSubtree(TTaskNode* Parent, TTaskNode* Task) override
    {
        Calls.push_back("subtree " + Parent->Caption + " " + (Task ? Task->Caption : "-"));
    }
    void TaskDetached(TTaskNode* Task) override { Calls.push_back("detached " + Task->Caption); }
    void ShowMove(TTaskNode* Task, TTaskNode* Parent, int32_t Index) override
    {
        Calls.push_back("move " + Task->Caption + " " + Parent->Caption + " " + std::to_string(Index));
    }
    void ShowPlaces(TTaskPlace* Place) override { Calls.push_back("places " + (Place ? Place->Caption : "-")); }
};

// A step that only records what is done to it.
class TProbeStep : public TUndoAction {
public:
    TProbeStep(std::string name, Names& log) : name_(std::move(name)), log_(log) {}
    ~TProbeStep() override { log_.push_back("free " + name_); }
    void Undo() override { log_.push_back("undo " + name_); }
    void Redo() override { log_.push_back("redo " + name_); }
    std::string GetUndoCaption() const override { return name_; }

private:
    std::string name_;
    Names& log_;
};

// The subtree below task as one line, children in brackets.
std::string Outline(const TTaskNode* task)
{
    std::string text;
    for (const TTaskNode* child : task->Children)
        text += (text.empty() ? "" : " ") + child->Caption + (child->Children.Empty() ? "" : "[" + Outline(child) + "]");
    return text;
}

class UndoTest : public ::testing::Test {
protected:
    TTovrinDataBase db;
    TRecordingView view;
    TUndoList list{&view};
    TTaskNode* root = db.Root.get();
    TTaskNode* p = nullptr;
    TTaskNode* q = nullptr;

    void SetUp() override
    {
        root->Caption = "root";
        p = root->AddChild("P", -1);
        for (const char* name : {"a", "b", "c", "d"})
            p->AddChild(name, -1);
        q = root->AddChild("Q", -1);
        q->AddChild("q1", -1);
    }
};

TEST(UndoListBasics, PositionCaptionsAndDroppedRedoTail)
{
    Names log;
    TRecordingView view;
    TUndoList list(&view);
    EXPECT_EQ(list.Undo(), nullptr);  // nothing to undo or redo
    EXPECT_EQ(list.Redo(), nullptr);

    list.Add(std::make_unique<TProbeStep>("one", log));
    list.Add(std::make_unique<TProbeStep>("two", log));
    list.Add(std::make_unique<TProbeStep>("three", log));
    EXPECT_EQ(view.ListChanges, 3);
    EXPECT_EQ(list.GetUndoCaption(), "three");
    EXPECT_EQ(list.GetRedoCaption(), "");

    list.Undo();
    list.Undo();
    EXPECT_EQ(list.Position(), 1);
    EXPECT_EQ(list.GetUndoCaption(), "one");
    EXPECT_EQ(list.GetRedoCaption(), "two");
    EXPECT_EQ(view.Repaints, 2);

    // A new step drops both undone steps, the last first, and becomes the newest.
    log.clear();
    list.Add(std::make_unique<TProbeStep>("four", log));
    EXPECT_EQ(log, (Names{"free three", "free two"}));
    EXPECT_EQ(list.Count(), 2);
    EXPECT_FALSE(list.CanRedo());
    EXPECT_EQ(list.GetUndoCaption(), "four");

    // Everything undone, then a step: the whole old history goes.
    list.Undo();
    list.Undo();
    EXPECT_FALSE(list.CanUndo());
    EXPECT_TRUE(list.CanRedo());
    log.clear();
    list.Add(std::make_unique<TProbeStep>("five", log));
    EXPECT_EQ(log, (Names{"free four", "free one"}));

    log.clear();
    list.Clear();
    EXPECT_EQ(log, (Names{"free five"}));
    EXPECT_EQ(list.Position(), -1);
    EXPECT_FALSE(list.CanUndo());
}

TEST(UndoListBasics, NoLimitOnTheNumberOfSteps)
{
    Names log;
    TUndoList list;
    for (int i = 0; i < 5000; ++i)
        list.Add(std::make_unique<TProbeStep>(std::to_string(i), log));
    int undone = 0;
    while (list.Undo())
        ++undone;
    EXPECT_EQ(undone, 5000);
    EXPECT_EQ(log.back(), "undo 0");
}

TEST(UndoListBasics, AFailingStepStaysWhereItWas)
{
    class TFailing : public TUndoAction {
    public:
        void Undo() override { throw std::runtime_error("no"); }
        void Redo() override {}
        std::string GetUndoCaption() const override { return "failing"; }
    };
    TUndoList list;
    list.Add(std::make_unique<TFailing>());
    EXPECT_THROW(list.Undo(), std::runtime_error);
    EXPECT_EQ(list.Position(), 1);
    EXPECT_EQ(list.GetUndoCaption(), "failing");
}

TEST_F(UndoTest, TwoChangesOfOneTaskUndoneOneByOne)
{
    TTaskNode* a = p->Children[0];
    auto edit = [&](int importance, const std::string& caption) {
        auto step = std::make_unique<TUndoChangeTaskNode>(view, a);
        a->Importance = importance;
        a->Caption = caption;
        a->SetTheGoal(2);
        step->StoreAfter(a);
        list.Add(std::move(step));
    };
    edit(70, "a2");
    a->SetTheGoal(0);
    edit(90, "a3");

    EXPECT_EQ(list.GetUndoCaption(), "Change task \"a3\"");
    list.Undo();
    EXPECT_EQ(a->Importance, 70);
    EXPECT_EQ(a->Caption, "a2");
    EXPECT_EQ(a->TheGoal, 0);
    // The caption names the task as it is called now, for older and newer steps alike.
    EXPECT_EQ(list.GetUndoCaption(), "Change task \"a2\"");
    EXPECT_EQ(list.GetRedoCaption(), "Change task \"a2\"");
    list.Undo();
    EXPECT_EQ(a->Importance, 50);
    EXPECT_EQ(a->Caption, "a");
    EXPECT_EQ(view.Calls, (Names{"changed a2", "changed a"}));

    list.Redo();
    list.Redo();
    EXPECT_EQ(a->Importance, 90);
    EXPECT_EQ(a->Caption, "a3");
    EXPECT_EQ(a->TheGoal, 2);
    // The copies never joined the outline.
    EXPECT_EQ(Outline(p), "a3 b c d");
}

TEST_F(UndoTest, UndoneCompletionKeepsTheCheckMarkInStep)
{
    TTaskNode* b = p->Children[1];
    auto step = std::make_unique<TUndoChangeTaskNode>(view, b);
    b->SetCompletionDateTime(45000);
    step->StoreAfter(b);
    list.Add(std::move(step));
    list.Undo();
    EXPECT_EQ(b->CompletionDateTime, 0);
    EXPECT_FALSE(b->CompletedMark);
    list.Redo();
    EXPECT_EQ(b->CompletionDateTime, 45000);
    EXPECT_TRUE(b->CompletedMark);
}

TEST_F(UndoTest, DeletionOwnsTheSubtreeUntilUndone)
{
    TTaskNode* b = p->Children[1];
    b->AddChild("b1", -1)->AddChild("b11", -1);
    list.Add(std::make_unique<TUndoDeleteTaskNode>(view, b));
    EXPECT_EQ(Outline(p), "a c d");
    EXPECT_EQ(b->Parent, nullptr);
    EXPECT_EQ(list.GetUndoCaption(), "Delete task \"b\"");

    list.Undo();
    EXPECT_EQ(Outline(p), "a b[b1[b11]] c d");
    EXPECT_EQ(b->Parent, p);

    list.Redo();
    EXPECT_EQ(Outline(p), "a c d");
    EXPECT_EQ(view.Calls, (Names{"detached b", "subtree P b", "leave b", "detached b", "subtree P -"}));

    // Undone, then dropped from the redo tail: the outline keeps the task.
    list.Undo();
    list.Add(std::make_unique<TUndoChangeTaskNode>(view, b));
    EXPECT_EQ(Outline(p), "a b[b1[b11]] c d");
}

TEST_F(UndoTest, ClearingTheHistoryMakesAStandingDeletionFinal)
{
    db.OutlookFolderPath = "Tasks";
    db.LastSyncTime = 45000;
    TTaskNode* c = p->Children[2];
    c->SetOutlookEntryID("ENTRY-C");
    list.Add(std::make_unique<TUndoDeleteTaskNode>(view, c));
    EXPECT_EQ(db.DeletedEntryIDs.Count(), 0);  // still undoable
    list.Clear();
    // Freed for good: the linked task is reported as deleted.
    EXPECT_EQ(db.DeletedEntryIDs.Count(), 1);
    EXPECT_EQ(Outline(p), "a b d");
}

TEST_F(UndoTest, DragsComeBackWithinOneParentAndFromAnother)
{
    TClockOverride clock(46000.5);
    TTaskNode* d = p->Children[3];
    list.Add(std::make_unique<TUndoDragTaskNode>(view, d, p, 1));
    EXPECT_EQ(Outline(root), "P[a d b c] Q[q1]");
    EXPECT_EQ(d->ModifiedDateTime, 46000.5);
    EXPECT_EQ(list.GetUndoCaption(), "DragDrop task \"d\"");
    list.Undo();
    EXPECT_EQ(Outline(root), "P[a b c d] Q[q1]");
    list.Redo();
    EXPECT_EQ(Outline(root), "P[a d b c] Q[q1]");
    EXPECT_EQ(view.Calls, (Names{"move d P 1", "move d P 4", "move d P 1"}));
    list.Undo();

    // Dropped on its own parent: it becomes the last child (index -1).
    list.Add(std::make_unique<TUndoDragTaskNode>(view, p->Children[1], p, -1));
    EXPECT_EQ(Outline(root), "P[a c d b] Q[q1]");
    list.Undo();
    EXPECT_EQ(Outline(root), "P[a b c d] Q[q1]");

    // To another parent, taking its due date along, and back.
    TTaskNode* c = p->Children[2];
    q->SetDueDateTime(46000);
    list.Add(std::make_unique<TUndoDragTaskNode>(view, c, q, 0));
    EXPECT_EQ(Outline(root), "P[a b d] Q[c q1]");
    EXPECT_EQ(c->DueDateTime, 46000);
    list.Undo();
    EXPECT_EQ(Outline(root), "P[a b c d] Q[q1]");
    EXPECT_EQ(c->DueDateTime, 0);
}

TEST_F(UndoTest, MixedStepsUndoneInReverseOrder)
{
    TTaskNode* b = p->Children[1];
    list.Add(std::make_unique<TUndoDragTaskNode>(view, b, q, -1));
    auto change = std::make_unique<TUndoChangeTaskNode>(view, b);
    b->Caption = "renamed";
    change->StoreAfter(b);
    list.Add(std::move(change));
    list.Add(std::make_unique<TUndoDeleteTaskNode>(view, q));
    EXPECT_EQ(Outline(root), "P[a c d]");

    while (list.Undo()) {
    }
    EXPECT_EQ(Outline(root), "P[a b c d] Q[q1]");
    while (list.Redo()) {
    }
    EXPECT_EQ(Outline(root), "P[a c d]");
    EXPECT_EQ(Outline(q), "q1 renamed");
}

TEST_F(UndoTest, PlaceDeletionAndItsUndo)
{
    TTaskPlace* home = db.PlacesList->Add("Home");
    TTaskPlace* work = db.PlacesList->Add("Work");
    TTaskNode* a = p->Children[0];
    a->Places = {home->PlaceID, work->PlaceID};

    list.Add(std::make_unique<TUndoDeletePlace>(view, *db.PlacesList, home));
    EXPECT_EQ(db.PlacesList->Count(), 1);
    EXPECT_EQ(db.PlacesList->FindByID(home->PlaceID), nullptr);
    // Tasks keep the ID; the text skips it while the place is gone.
    EXPECT_EQ(db.PlacesList->CaptionsText(a->Places), "Work");
    EXPECT_EQ(list.GetUndoCaption(), "Delete place \"Home\"");

    list.Undo();
    EXPECT_EQ(db.PlacesList->FindByID(home->PlaceID), home);
    EXPECT_EQ(db.PlacesList->CaptionsText(a->Places), "Home; Work");
    list.Redo();
    EXPECT_EQ(db.PlacesList->Count(), 1);
    EXPECT_EQ(view.Calls, (Names{"places -", "places Home", "places -"}));
    // A new place never takes the deleted one's ID.
    EXPECT_NE(db.PlacesList->Add("Shop")->PlaceID, home->PlaceID);
    list.Clear();  // frees the held place
    EXPECT_EQ(db.PlacesList->Count(), 2);
}

} // namespace
