// Structure of the outline: placing, moving, walking, sorting and freeing tasks.
#include <functional>
#include <memory>
#include <string>

#include "platform/Exceptions.h"
#include "TreeSupport.h"

TEST(TreeStructure, AddChildIndexRules)
{
    TTaskNode root;
    root.AddChild("first", -1);
    root.AddChild("beyond", 99);
    root.AddChild("front", 0);
    root.AddChild("middle", 1);
    (new TTaskNode(&root))->Caption = "created";   // the constructor appends; root owns it
    EXPECT_EQ(Shape(root), "front middle first beyond created");
}

TEST(TreeStructure, MovesCountPositionsInTheTargetListBeforeTheMove)
{
    TTaskNode root;
    Outline t = Grow(root, "A B C");
    t[""] = &root;
    const struct {
        const char *task, *parent;   // parent nullptr: detach
        int index;
        const char* after;
    } steps[] = {
        {"A", "", 1, "A B C"},   // OldIndex + 1: unchanged
        {"A", "", 0, "A B C"},   // OldIndex: unchanged
        {"A", "", 2, "B A C"},   // lands before the task that stood at 2
        {"A", "", 3, "B C A"},
        {"A", "", 0, "A B C"},   // towards the front: unlink, then link
        {"C", "", -1, "A B C"},
        {"C", "", 1, "A C B"},
        {"B", "A", 0, "A(B) C"},
        {"C", "A", 0, "A(C B)"},
        {"C", nullptr, 0, "A(B)"},
        {"C", "", 0, "C A(B)"},   // a detached task comes back anywhere
        {"B", "C", 7, "C(B) A"},
    };
    for (const auto& s : steps) {
        t[s.task]->MoveTo(s.parent ? t[s.parent] : nullptr, s.index);
        EXPECT_EQ(Shape(root), s.after) << s.task << " to " << s.index;
    }
    EXPECT_EQ(std::tuple(t["B"]->Level(), t["A"]->IndexInParent(), t["C"]->Parent), std::tuple(2, 1, &root));
    std::unique_ptr<TTaskNode> detached(t["A"]);
    detached->MoveTo(nullptr, 0);
    EXPECT_EQ(std::tuple(detached->Parent, detached->IndexInParent(), Shape(root)), std::tuple(nullptr, -1, "C(B)"));
}

TEST(TreeStructure, MoveUnderItselfOrADescendantIsRefusedUnchanged)
{
    TTaskNode root;
    Outline t = Grow(root, "A(A1(A11)) B");
    EXPECT_THROW(t["A"]->MoveTo(t["A"], 0), Exception);
    EXPECT_THROW(t["A"]->MoveTo(t["A11"], 0), Exception);
    EXPECT_THROW(t["A1"]->MoveTo(t["A11"], -1), Exception);
    EXPECT_EQ(Shape(root), "A(A1(A11)) B");
    t["A11"]->MoveTo(&root, 0);   // up under an ancestor is fine
    EXPECT_EQ(Shape(root), "A11 A(A1) B");
}

TEST(TreeStructure, ParentThatDoesNotHoldTheTaskIsReportedBeforeAnyChange)
{
    TTaskNode root;
    Outline t = Grow(root, "A B");
    TTaskNode stranger;
    stranger.Caption = "Stranger";
    stranger.Parent = &root;   // a broken tree: root does not list it
    try {
        stranger.MoveTo(t["B"], 0);
        ADD_FAILURE() << "no exception";
    } catch (const Exception& e) {
        EXPECT_EQ(e.Message(), "Internal error. Node \"Stranger\" is not a child of node \"\"");
    }
    EXPECT_EQ(stranger.Parent, &root);
    EXPECT_EQ(Shape(root), "A B");
    stranger.Parent = nullptr;
}

TEST(TreeStructure, TaskListsRefuseIndexesOutsideTheirItems)
{
    TTaskNode a, b;
    TTaskNodeList list;
    list.Insert(0, &a);
    list.Insert(1, &b);
    EXPECT_EQ(std::tuple(list.Items(1), list.IndexOf(&b), list.IndexOf(nullptr)), std::tuple(&b, 1, -1));
    try {
        list.Items(2);
        ADD_FAILURE() << "no exception";
    } catch (const EListError& e) {
        EXPECT_EQ(e.Message(), "List index out of bounds (2)");
    }
    EXPECT_THROW(list.Items(-1), EListError);
    EXPECT_THROW(list.Insert(3, &a), EListError);
    EXPECT_THROW(list.Insert(-1, &a), EListError);
    EXPECT_THROW(list.Delete(2), EListError);
    EXPECT_THROW(list.Delete(-1), EListError);
    list.Delete(0);
    EXPECT_EQ(list.Vector(), std::vector<TTaskNode*>{&b});
}

TEST(TreeStructure, AncestryPreOrderWalkAndFreeing)
{
    TTaskNode root;
    root.Caption = "R";
    Outline t = Grow(root, "A(A1(A11) A2) B(B1)");
    EXPECT_EQ(t["B1"]->Level(), 2);
    EXPECT_EQ(root.GetPath() + "|" + t["B1"]->GetPath(), "|R\\B\\");
    EXPECT_EQ(t["B"]->IndexInParent(), 1);
    EXPECT_TRUE(t["B1"]->IsDescendantOf(&root));
    EXPECT_FALSE(t["B1"]->IsDescendantOf(t["A"]));
    EXPECT_FALSE(t["B"]->IsDescendantOf(t["B"]));

    Names seen;
    root.ForEachNode([&](void* data, TTaskNode* task) {
        EXPECT_EQ(data, &seen);
        seen.push_back(task->Caption);
    }, &seen);
    EXPECT_EQ(seen, (Names{"R", "A", "A1", "A11", "A2", "B", "B1"}));

    delete t["A"];   // the sanitizer build checks that the subtree goes with it
    EXPECT_EQ(Shape(root), "B(B1)");
    EXPECT_EQ(t["B"]->IndexInParent(), 0);
    root.ClearChildren();
    EXPECT_EQ(root.Children.Count(), 0);
}

TEST(TreeStructure, DeepOutlinesNeedNoDeepStack)
{
    // Deep enough that walks and frees by recursion would exhaust the stack.
    auto root = std::make_unique<TTaskNode>();
    TTaskNode* leaf = root.get();
    for (int i = 0; i < 200000; ++i)
        leaf = new TTaskNode(leaf);   // owned by its parent
    root->SetHideInToDo(true);
    root->SetTheGoal(1);
    root->SetDueDateTime(45000);
    root->SetLeadTime(3);
    EXPECT_EQ(std::tuple(leaf->HideInToDoInEffect, leaf->GoalInEffect, leaf->DueDateTime, leaf->LeadTime),
              std::tuple(true, true, 45000.0, 3.0));
    int visited = 0;
    root->ForEachNode([&](void*, TTaskNode*) { ++visited; }, nullptr);
    EXPECT_EQ(visited, 200001);
    EXPECT_EQ(root->ProgressPercent(), 0);
    root.reset();
}

// A chain of levels tasks below parent; returns the deepest.
static TTaskNode* Chain(TTaskNode& parent, int levels)
{
    TTaskNode* task = &parent;
    for (int i = 0; i < levels; ++i)
        task = task->AddChild("L" + std::to_string(i + 1), -1);
    return task;
}

TEST(TreeStructure, NestingStopsAtTheDepthADataFileHolds)
{
    TTaskNode root;
    TTaskNode* deepest = Chain(root, kMaxTaskNesting);
    EXPECT_EQ(deepest->Level(), kMaxTaskNesting);
    TTaskNode* nearBottom = deepest->Parent->Parent;   // two levels of room below it
    Outline t = Grow(root, "A(A1(A11)) B");
    const struct {
        std::function<void()> change;
        const char* what;
    } refused[] = {
        {[&] { deepest->AddChild("one too deep", -1); }, "a new subtask"},
        {[&] { deepest->AddChild("one too deep", 0); }, "a new subtask placed first"},
        {[&] { t["B"]->MoveTo(deepest, -1); }, "a task moved under the deepest"},
        {[&] { t["A"]->MoveTo(nearBottom, 0); }, "a subtree one level too high"},
        {[&] { root.Children[0]->MoveTo(t["B"], -1); }, "the whole chain one level down"},
    };
    const std::string before = Shape(*t["A"]) + Shape(*t["B"]);
    for (const auto& c : refused) {
        SCOPED_TRACE(c.what);
        try {
            c.change();
            ADD_FAILURE() << "not refused";
        } catch (const Exception& e) {
            EXPECT_EQ(e.Message(), "Tasks can not be nested more than 10000 levels deep.");
        }
        EXPECT_EQ(deepest->Children.Count(), 0);
        EXPECT_EQ(nearBottom->Children.Count(), 1);
        EXPECT_EQ(Shape(*t["A"]) + Shape(*t["B"]), before);
        EXPECT_EQ(root.Children.Count(), 3);
        EXPECT_EQ(deepest->Level(), kMaxTaskNesting);
    }
    // Exactly at the bound is allowed, and moving a task under itself keeps its own message.
    t["A1"]->MoveTo(nearBottom, 0);
    EXPECT_EQ(t["A11"]->Level(), kMaxTaskNesting);
    EXPECT_EQ(t["A11"]->Height(), 1);
    EXPECT_EQ(t["A"]->Height(), 1);
    EXPECT_EQ(root.Children[0]->Height(), kMaxTaskNesting);
    try {
        root.Children[0]->MoveTo(deepest, -1);
        ADD_FAILURE() << "moved under itself";
    } catch (const Exception& e) {
        EXPECT_EQ(e.Message(), "Can not move task \"L1\" under itself or one of its subtasks");
    }
}

TEST(TreeStructure, SortChildrenTakesTheViewOrderAndRefusesAnyOtherSet)
{
    TTaskNode root, other;
    Outline t = Grow(root, "A B C(C1 C2)");
    TTaskNode *a = t["A"], *b = t["B"], *c = t["C"];
    const std::vector<TTaskViewNode> bad[] = {
        {{a, {}}, {b, {}}},                          // one missing
        {{a, {}}, {b, {}}, {c, {}}, {&other, {}}},   // a stranger
        {{a, {}}, {a, {}}, {b, {}}},                 // a duplicate in place of c
        {{a, {}}, {a, {}}, {b, {}}, {c, {}}},        // a duplicate on top
        {{c, {}}, {nullptr, {}}, {b, {}}},
    };
    for (const auto& children : bad) {
        try {
            root.SortChildren(TTaskViewNode{&root, children}, true);
            ADD_FAILURE() << "no exception";
        } catch (const Exception& e) {
            EXPECT_EQ(e.Message(), "TaskNode sort error. Non compatible lists");
        }
        EXPECT_EQ(Shape(root), "A B C(C1 C2)");
    }
    TTaskViewNode view{&root, {{c, {{t["C2"], {}}, {t["C1"], {}}}}, {a, {}}, {b, {}}}};
    root.SortChildren(view, false);
    EXPECT_EQ(Shape(root), "C(C1 C2) A B");
    root.SortChildren(view, true);
    EXPECT_EQ(Shape(root), "C(C2 C1) A B");
}

TEST(TreeStructure, CompletionQueriesAndProgressWeighedByEffort)
{
    TTaskNode root;
    Outline t = Grow(root, "A B C");
    EXPECT_EQ(std::tuple(t["A"]->AllChildrenCompleted(), t["A"]->FirstIncompleteChild()), std::tuple(true, nullptr));
    t["A"]->SetCompletionDateTime(45000.5);
    EXPECT_TRUE(t["A"]->CompletedMark);
    EXPECT_EQ(std::tuple(root.FirstIncompleteChild(), root.IncompleteChildCount(), root.AllChildrenCompleted()),
              std::tuple(t["B"], 2, false));

    root.Effort = 0;
    t["A"]->Effort = 10;
    t["B"]->Effort = 30;
    t["C"]->Effort = 60;
    t["A"]->SetCompletionDateTime(0);
    EXPECT_FALSE(t["A"]->CompletedMark);
    EXPECT_DOUBLE_EQ(root.ProgressPercent(), 0);
    t["B"]->SetCompletionDateTime(1);
    t["C"]->SetCompletionDateTime(1);
    EXPECT_DOUBLE_EQ(root.ProgressPercent(), 90);
    root.SetCompletionDateTime(1);
    root.Effort = 100;
    EXPECT_DOUBLE_EQ(root.ProgressPercent(), 95);
    TTaskNode idle;   // no effort anywhere: no progress, and no failure
    EXPECT_EQ(std::pair(idle.HasExtraObject(), idle.HasExtraListItems()), std::pair(false, false));
    idle.Effort = 0;
    idle.AddChild("x", -1)->Effort = 0;
    EXPECT_DOUBLE_EQ(idle.ProgressPercent(), 0);
}
