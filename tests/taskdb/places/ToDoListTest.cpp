// Which tasks the To-Do list holds and in which order.
#include "taskdb/Services.h"
#include "taskdb/ToDo.h"
#include "ToDoFixture.h"

TEST_F(ToDoTest, ExclusionsOfTheSubtreeComeBeforeTheTestsOfTheTaskItself)
{
    TTaskNode* zero = Task(Root(), "zero", 0);   // importance 0 excludes the whole subtree
    TTaskNode* zeroChild = Task(zero, "child", 99);
    TTaskNode* zeroGrandchild = Task(zeroChild, "grandchild", 99);
    TTaskNode* zeroDone = Task(Root(), "zero done", 0);
    Complete(zeroDone);
    TTaskNode* hiddenDone = Task(Root(), "hidden done");
    hiddenDone->SetHideInToDo(true);
    Complete(hiddenDone);
    TTaskNode* hiddenChild = Task(hiddenDone, "hidden child");
    TTaskNode* done = Task(Root(), "done");
    Complete(done);
    TTaskNode* doneChild = Task(done, "open under done");
    TTaskNode* future = Task(Root(), "future");
    future->SetDueDateTime(day + 30);
    TTaskNode* futureChild = Task(future, "under future");   // follows the due date
    Rebuild();
    EXPECT_EQ(Keys({zero, zeroChild, zeroGrandchild, zeroDone, hiddenDone, hiddenChild, done,
                    future, futureChild}),
              (Names{"", "", "", "", "", "", "-1", "-1", "-1"}));
    EXPECT_EQ(doneChild->RankKey.size(), 60u);
    EXPECT_EQ(Listed(), Names{"open under done"});
}

TEST_F(ToDoTest, SubtasksInOrderOnlyTheFirstOpenOneAndItsSubtree)
{
    TTaskNode* p = Task(Root(), "P");
    p->SetCompleteSubTasksInOrder(true);
    TTaskNode* c0 = Task(p, "c0");
    Complete(c0);
    TTaskNode* c1 = Task(p, "c1");
    TTaskNode* c2 = Task(p, "c2");
    TTaskNode* g = Task(c2, "g");
    TTaskNode* c3 = Task(p, "c3");
    Rebuild();
    EXPECT_EQ(Listed(), Names{"c1"});
    EXPECT_EQ(Keys({c0, c2, g, c3}), (Names{"", "", "", ""}));   // c0: done, not the first open
    Rebuild(p);   // an in-order start task still limits its children
    EXPECT_EQ(Listed(), Names{"c1"});

    Complete(c1);
    Rebuild();
    EXPECT_EQ(Listed(), Names{"g"});
    EXPECT_EQ(c2->RankKey, "-1");
    EXPECT_EQ(g->RankKey.substr(42, 2), "98");   // c2 has one open child

    Complete(g);
    Complete(c2);
    Rebuild();
    EXPECT_EQ(Listed(), Names{"c3"});
}

TEST_F(ToDoTest, CompletedParentWithOpenLeaves)
{
    TTaskNode* p = Task(Root(), "P");
    TTaskNode* open = Task(p, "open");
    TTaskNode* closed = Task(p, "closed");
    Complete(closed);
    Complete(p);
    Rebuild();
    EXPECT_EQ(Keys({p, closed}), (Names{"-1", "-1"}));
    EXPECT_EQ(p->ToDoOpenChildCount, 1);
    EXPECT_EQ(open->RankKey.substr(42, 2), "98");
    EXPECT_EQ(Listed(), Names{"open"});
}

TEST_F(ToDoTest, PlaceFilterFollowsIncludesTransitively)
{
    TTaskPlacesList& places = *db.PlacesList;
    TTaskPlace* home = places.Add("Home");
    TTaskPlace* office = places.Add("Office");
    TTaskPlace* desk = places.Add("Desk");
    TTaskPlace* garden = places.Add("Garden");
    home->IncludedPlaces = {office->PlaceID};
    office->IncludedPlaces = {desk->PlaceID};

    Task(Root(), "nowhere");
    Task(Root(), "at desk")->Places = {desk->PlaceID};
    Task(Root(), "in garden")->Places = {garden->PlaceID};
    Task(Root(), "gone or office")->Places = {99, office->PlaceID};

    Rebuild(nullptr, home);
    EXPECT_EQ(Listed(), (Names{"at desk", "gone or office"}));
    Rebuild(nullptr, desk);
    EXPECT_EQ(Listed(), Names{"at desk"});
    db.RebuildToDo(nullptr, office, false, date);   // the date only reaches the schedules
    EXPECT_EQ(Listed(), (Names{"at desk", "gone or office"}));
    Rebuild();
    EXPECT_EQ(Listed(), (Names{"nowhere", "at desk", "in garden", "gone or office"}));
    EXPECT_TRUE(ui.Warnings.empty());
}

TEST_F(ToDoTest, CycleWarningComesUnderTheHourglassAndTheRebuildGoesOn)
{
    TTaskPlace* a = db.PlacesList->Add("A");
    TTaskPlace* b = db.PlacesList->Add("B");
    a->IncludedPlaces = {b->PlaceID};
    b->IncludedPlaces = {a->PlaceID};
    Task(Root(), "at B")->Places = {b->PlaceID};
    Rebuild(nullptr, a);
    EXPECT_EQ(Listed(), Names{"at B"});
    ASSERT_EQ(ui.Warnings.size(), 1u);
    EXPECT_EQ(ui.Warnings[0].rfind("Cycling in place: \"A\"", 0), 0u);
    EXPECT_EQ(ui.CursorAtWarning[0], crHourGlass);
    EXPECT_EQ(ui.GetScreenCursor(), crDefault);
}

TEST_F(ToDoTest, EqualKeysKeepOutlinePreOrder)
{
    TTaskNode* p = Task(Root(), "P");
    Task(p, "p1");
    Task(p, "p2");
    TTaskNode* q = Task(Root(), "Q");
    Task(q, "q1");
    Task(q, "q2");
    Task(q, "q3", 90);
    TTaskNode* r = Task(Root(), "R");
    Task(r, "r1");
    Task(r, "r2");
    Rebuild();
    // p* and r* share parents' importance and open count; q1, q2 sit under three open children.
    EXPECT_EQ(Listed(), (Names{"q3", "p1", "p2", "r1", "r2", "q1", "q2"}));
}

TEST_F(ToDoTest, RebuildFromATaskListsOnlyItsSubtree)
{
    TTaskNode* outside = Task(Root(), "outside");
    TTaskNode* s = Task(Root(), "S", 70);
    TTaskNode* s1 = Task(s, "s1");
    TTaskNode* s2 = Task(s, "s2");
    TTaskNode* deep = Task(s2, "deep");
    Rebuild();
    const std::string outsideKey = outside->RankKey;
    ASSERT_EQ(s->ToDoOpenChildCount, 2);

    outside->Importance = 90;   // not reached: keeps its key
    Rebuild(s);
    // deep sits under s2, which has one open child; s1 under S, which held two.
    EXPECT_EQ(Listed(), (Names{"deep", "s1"}));
    EXPECT_EQ(s->RankKey, "1");
    EXPECT_FALSE(s->ToDoStartMark);
    EXPECT_EQ(s->ToDoImportancePath, "");
    EXPECT_EQ(outside->RankKey, outsideKey);
    // Field 22 of the start task's children comes from the count the start task still holds.
    EXPECT_EQ(s1->RankKey, MakeKey(" 0", KeyT7to36, "50", "50", "97"));
    EXPECT_EQ(deep->RankKey.substr(6, 2), "50");

    Rebuild(s1);   // a leaf as the start task lists nothing, not even itself
    EXPECT_EQ(db.ToDoList.Count(), 0);
    EXPECT_EQ(s1->RankKey, "1");
}

TEST_F(ToDoTest, StartTaskNeverReachedBeforeGivesItsChildrenTheFullOpenField)
{
    TTaskNode* s = Task(Root(), "S");
    TTaskNode* s1 = Task(s, "s1");
    Task(s, "s2");
    Rebuild(s);
    EXPECT_EQ(s1->RankKey.substr(42, 2), "99");
}

TEST_F(ToDoTest, DeepOutlineNeedsNoDeepCallStack)
{
    TTaskNode* parent = Root();
    for (int level = 0; level < 5000; ++level)
        parent = Task(parent, "l" + std::to_string(level));
    RunWithSmallStack([&] { Rebuild(); }, 128 * 1024);
    EXPECT_EQ(Listed(), Names{"l4999"});
    EXPECT_EQ(parent->ToDoImportancePath.size(), 30u);
}

TEST_F(ToDoTest, SingleTaskComputationsMatchTheWalk)
{
    TTaskPlace* home = db.PlacesList->Add("Home");
    TTaskNode* p = Task(Root(), "P", 60);
    p->SetCompleteSubTasksInOrder(true);
    TTaskNode* first = Task(p, "first", 40, 70);
    first->Places = {home->PlaceID};
    TTaskNode* second = Task(p, "second");
    Rebuild();

    std::vector<TTaskPlace*> homeOnly{home}, none;
    EXPECT_TRUE(first->MatchesToDoPlaces(nullptr));
    EXPECT_TRUE(first->MatchesToDoPlaces(&homeOnly));
    EXPECT_FALSE(second->MatchesToDoPlaces(&homeOnly));
    EXPECT_FALSE(first->MatchesToDoPlaces(&none));
    EXPECT_EQ(first->ComputeRankKey(&homeOnly, date), first->RankKey);
    EXPECT_EQ(second->ComputeRankKey(nullptr, date), "");
    EXPECT_EQ(first->ComputeRankKey(&none, date), "-1");
}

TEST_F(ToDoTest, InsertIntoToDoKeepsDescendingOrderAfterEqualKeys)
{
    TTaskNode* a = Task(Root(), "a");
    TTaskNode* b = Task(Root(), "b");
    TTaskNode* c = Task(Root(), "c");
    TTaskNode* d = Task(Root(), "d");
    a->RankKey = "B2";
    b->RankKey = "B1";
    c->RankKey = "B2";
    d->RankKey = "B3";
    TTaskNodeList list;
    for (TTaskNode* t : {a, b, c, d})
        InsertIntoToDo(t, list);
    Root()->RankKey = "B9";
    InsertIntoToDo(Root(), list);   // no parent
    a->ToDoStartMark = true;
    InsertIntoToDo(a, list);        // the start task
    EXPECT_EQ(list.Vector(), (std::vector<TTaskNode*>{d, a, c, b}));
}
