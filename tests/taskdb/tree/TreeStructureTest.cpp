// Structure of the outline: placing, moving, walking, sorting and freeing tasks.
#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "platform/Exceptions.h"
#include "taskdb/TaskNode.h"

namespace {

using Names = std::vector<std::string>;

Names Captions(const TTaskNode& task)
{
    Names out;
    for (const TTaskNode* child : task.Children)
        out.push_back(child->Caption);
    return out;
}

struct ThreeChildren : ::testing::Test {
    TTaskNode root;
    TTaskNode* a = root.AddChild("A", -1);
    TTaskNode* b = root.AddChild("B", -1);
    TTaskNode* c = root.AddChild("C", -1);
};

}  // namespace

TEST(TreeStructure, AddChildIndexRules)
{
    TTaskNode root;
    root.AddChild("first", -1);
    root.AddChild("appended beyond the end", 99);
    root.AddChild("put first", 0);
    root.AddChild("in the middle", 1);
    (new TTaskNode(&root))->Caption = "created";   // the constructor appends; root owns it
    EXPECT_EQ(Captions(root), (Names{"put first", "in the middle", "first",
                                     "appended beyond the end", "created"}));
    for (const TTaskNode* child : root.Children)
        EXPECT_EQ(child->Parent, &root);
}

TEST_F(ThreeChildren, MoveWithinOneParentCountsPositionsBeforeTheMove)
{
    a->MoveTo(&root, 1);   // OldIndex + 1: unchanged
    EXPECT_EQ(Captions(root), (Names{"A", "B", "C"}));
    a->MoveTo(&root, 0);   // OldIndex: unchanged
    EXPECT_EQ(Captions(root), (Names{"A", "B", "C"}));
    a->MoveTo(&root, 2);   // lands before the task that stood at 2
    EXPECT_EQ(Captions(root), (Names{"B", "A", "C"}));
    a->MoveTo(&root, 3);
    EXPECT_EQ(Captions(root), (Names{"B", "C", "A"}));
    a->MoveTo(&root, 0);   // towards the front: unlink, then link
    EXPECT_EQ(Captions(root), (Names{"A", "B", "C"}));
    c->MoveTo(&root, -1);
    EXPECT_EQ(Captions(root), (Names{"A", "B", "C"}));
    c->MoveTo(&root, 1);
    EXPECT_EQ(Captions(root), (Names{"A", "C", "B"}));
}

TEST_F(ThreeChildren, MoveToAnotherParentAndDetach)
{
    b->MoveTo(a, 0);
    c->MoveTo(a, 0);
    EXPECT_EQ(Captions(root), (Names{"A"}));
    EXPECT_EQ(Captions(*a), (Names{"C", "B"}));
    EXPECT_EQ(b->Parent, a);
    EXPECT_EQ(b->Level(), 2);

    c->MoveTo(nullptr, 0);
    EXPECT_EQ(c->Parent, nullptr);
    EXPECT_EQ(c->IndexInParent(), -1);
    EXPECT_EQ(Captions(*a), (Names{"B"}));
    c->MoveTo(&root, 0);   // a detached task comes back anywhere
    EXPECT_EQ(Captions(root), (Names{"C", "A"}));
}

TEST_F(ThreeChildren, MoveUnderItselfOrADescendantIsRefusedUnchanged)
{
    TTaskNode* a1 = a->AddChild("A1", -1);
    TTaskNode* a11 = a1->AddChild("A11", -1);
    EXPECT_THROW(a->MoveTo(a, 0), Exception);
    EXPECT_THROW(a->MoveTo(a11, 0), Exception);
    EXPECT_THROW(a1->MoveTo(a11, -1), Exception);
    EXPECT_EQ(Captions(root), (Names{"A", "B", "C"}));
    EXPECT_EQ(Captions(*a), (Names{"A1"}));
    EXPECT_EQ(a11->Parent, a1);
    a11->MoveTo(&root, 0);   // up under an ancestor is fine
    EXPECT_EQ(Captions(root), (Names{"A11", "A", "B", "C"}));
}

TEST_F(ThreeChildren, ParentThatDoesNotHoldTheTaskIsReportedBeforeAnyChange)
{
    TTaskNode stranger;
    stranger.Caption = "Stranger";
    stranger.Parent = &root;   // a broken tree: root does not list it
    try {
        stranger.MoveTo(b, 0);
        FAIL() << "no exception";
    } catch (const Exception& e) {
        EXPECT_EQ(e.Message(), "Internal error. Node \"Stranger\" is not a child of node \"\"");
    }
    EXPECT_EQ(stranger.Parent, &root);
    EXPECT_EQ(b->Children.Count(), 0);
    EXPECT_EQ(Captions(root), (Names{"A", "B", "C"}));
    stranger.Parent = nullptr;
}

TEST(TreeStructure, AncestryPreOrderWalkAndFreeing)
{
    TTaskNode root;
    root.Caption = "R";
    TTaskNode* a = root.AddChild("A", -1);
    a->AddChild("A1", -1)->AddChild("A11", -1);
    a->AddChild("A2", -1);
    TTaskNode* b = root.AddChild("B", -1);
    TTaskNode* b1 = b->AddChild("B1", -1);
    EXPECT_EQ(b1->Level(), 2);
    EXPECT_EQ(root.GetPath(), "");
    EXPECT_EQ(b1->GetPath(), "R\\B\\");
    EXPECT_EQ(b->IndexInParent(), 1);
    EXPECT_TRUE(b1->IsDescendantOf(&root));
    EXPECT_FALSE(b1->IsDescendantOf(a));
    EXPECT_FALSE(b->IsDescendantOf(b));

    Names seen;
    a->ForEachNode([](void* data, TTaskNode* task) {
        static_cast<Names*>(data)->push_back(task->Caption);
    }, &seen);
    EXPECT_EQ(seen, (Names{"A", "A1", "A11", "A2"}));
    seen.clear();
    root.ForEachNode([&](void* data, TTaskNode* task) {
        EXPECT_EQ(data, &root);
        seen.push_back(task->Caption);
    }, &root);
    EXPECT_EQ(seen, (Names{"R", "A", "A1", "A11", "A2", "B", "B1"}));

    delete a;   // the sanitizer build checks that the subtree goes with it
    EXPECT_EQ(Captions(root), (Names{"B"}));
    EXPECT_EQ(b->IndexInParent(), 0);
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
    EXPECT_TRUE(leaf->HideInToDoInEffect);
    root->SetDueDateTime(45000);
    EXPECT_EQ(leaf->DueDateTime, 45000);
    int visited = 0;
    root->ForEachNode([&](void*, TTaskNode*) { ++visited; }, nullptr);
    EXPECT_EQ(visited, 200001);
    root.reset();
}

TEST_F(ThreeChildren, SortChildrenTakesTheViewOrder)
{
    TTaskNode* c1 = c->AddChild("C1", -1);
    TTaskNode* c2 = c->AddChild("C2", -1);
    TTaskViewNode view{&root, {{c, {{c2, {}}, {c1, {}}}}, {a, {}}, {b, {}}}};
    root.SortChildren(view, false);
    EXPECT_EQ(Captions(root), (Names{"C", "A", "B"}));
    EXPECT_EQ(Captions(*c), (Names{"C1", "C2"}));
    root.SortChildren(view, true);
    EXPECT_EQ(Captions(*c), (Names{"C2", "C1"}));
}

TEST_F(ThreeChildren, SortChildrenRefusesAViewThatDoesNotShowExactlyTheChildren)
{
    TTaskNode other;
    const std::vector<TTaskViewNode> bad[] = {
        {{a, {}}, {b, {}}},                        // one missing
        {{a, {}}, {b, {}}, {c, {}}, {&other, {}}}, // a stranger
        {{a, {}}, {a, {}}, {b, {}}},               // a duplicate in place of c
        {{a, {}}, {a, {}}, {b, {}}, {c, {}}},      // a duplicate on top
        {{c, {}}, {nullptr, {}}, {b, {}}},
    };
    for (const auto& children : bad) {
        try {
            root.SortChildren(TTaskViewNode{&root, children}, true);
            ADD_FAILURE() << "no exception";
        } catch (const Exception& e) {
            EXPECT_EQ(e.Message(), "TaskNode sort error. Non compatible lists");
        }
        EXPECT_EQ(Captions(root), (Names{"A", "B", "C"}));
    }
}

TEST_F(ThreeChildren, CompletionQueriesAndProgressWeighedByEffort)
{
    a->SetCompletionDateTime(45000.5);
    EXPECT_TRUE(a->CompletedMark);
    EXPECT_EQ(root.FirstIncompleteChild(), b);
    EXPECT_EQ(root.IncompleteChildCount(), 2);

    root.Effort = 0;
    a->Effort = 10;
    b->Effort = 30;
    c->Effort = 60;
    a->SetCompletionDateTime(0);
    EXPECT_FALSE(a->CompletedMark);
    EXPECT_DOUBLE_EQ(root.ProgressPercent(), 0);
    b->SetCompletionDateTime(1);
    c->SetCompletionDateTime(1);
    EXPECT_DOUBLE_EQ(root.ProgressPercent(), 90);
    root.SetCompletionDateTime(1);
    root.Effort = 100;
    EXPECT_DOUBLE_EQ(root.ProgressPercent(), 95);
    TTaskNode idle;   // no effort anywhere: no progress, and no failure
    idle.Effort = 0;
    idle.AddChild("x", -1)->Effort = 0;
    EXPECT_DOUBLE_EQ(idle.ProgressPercent(), 0);
}
