// Which tasks the To-Do list holds and in which order.
#include "taskdb/Services.h"
#include "taskdb/ToDo.h"
#include "ToDoSupport.h"

TEST_F(ToDoTest, ExclusionsOfTheSubtreeComeBeforeTheTestsOfTheTaskItself)
{
    Grow("zero(child(grandchild)) zeroDone hiddenDone(hiddenChild) done(open closed) "
         "future(underFuture)");
    Rate({"zero", "zeroDone"}, 0);   // importance 0 excludes the whole subtree
    Rate({"child", "grandchild"}, 99);
    t["hiddenDone"]->SetHideInToDo(true);
    Complete({"zeroDone", "hiddenDone", "done", "closed"});
    t["future"]->SetDueDateTime(day + 30);   // its subtask follows the due date
    Rebuild();
    EXPECT_EQ(Keys({"zero", "child", "grandchild", "zeroDone", "hiddenDone", "hiddenChild", "done",
                    "closed", "future", "underFuture"}),
              (Names{"", "", "", "", "", "", "-1", "-1", "-1", "-1"}));
    // A completed task with open subtasks: not listed, its open leaves are.
    EXPECT_EQ(t["done"]->ToDoOpenChildCount, 1);
    EXPECT_EQ(t["open"]->RankKey.substr(42, 2), "98");
    EXPECT_EQ(Listed(), Names{"open"});
}

TEST_F(ToDoTest, SubtasksInOrderOnlyTheFirstOpenOneAndItsSubtree)
{
    Grow("P(c0 c1 c2(g) c3)");
    t["P"]->SetCompleteSubTasksInOrder(true);
    Complete({"c0"});
    Rebuild();
    EXPECT_EQ(Listed(), Names{"c1"});
    EXPECT_EQ(Keys({"c0", "c2", "g", "c3"}), (Names{"", "", "", ""}));   // c0: done, not the first open
    Rebuild(t["P"]);   // an in-order start task still limits its children
    EXPECT_EQ(Listed(), Names{"c1"});

    Complete({"c1"});
    Rebuild();
    EXPECT_EQ(Listed(), Names{"g"});
    EXPECT_EQ(t["c1"]->RankKey, "") << "a key of an earlier rebuild does not stay";
    EXPECT_EQ(t["c2"]->RankKey, "-1");
    EXPECT_EQ(t["g"]->RankKey.substr(42, 2), "98");   // c2 has one open child

    Complete({"g", "c2"});
    Rebuild();
    EXPECT_EQ(Listed(), Names{"c3"});
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
    Grow("nowhere atDesk inGarden goneOrOffice");
    t["atDesk"]->Places = {desk->PlaceID};
    t["inGarden"]->Places = {garden->PlaceID};
    t["goneOrOffice"]->Places = {99, office->PlaceID};

    Rebuild(nullptr, home);
    EXPECT_EQ(Listed(), (Names{"atDesk", "goneOrOffice"}));
    Rebuild(nullptr, desk);
    EXPECT_EQ(Listed(), Names{"atDesk"});
    db.RebuildToDo(nullptr, office, false, date);   // the date only reaches the schedules
    EXPECT_EQ(Listed(), (Names{"atDesk", "goneOrOffice"}));
    garden->IncludedPlaces = {desk->PlaceID};   // a filter place above the places it includes
    Rebuild(nullptr, garden);
    EXPECT_EQ(Listed(), (Names{"atDesk", "inGarden"}));
    Rebuild();
    EXPECT_EQ(Listed(), (Names{"nowhere", "atDesk", "inGarden", "goneOrOffice"}));
    EXPECT_TRUE(ui.Warnings.empty());
}

TEST_F(ToDoTest, CycleWarningComesUnderTheHourglassAndTheRebuildGoesOn)
{
    TTaskPlace* a = db.PlacesList->Add("A");
    TTaskPlace* b = db.PlacesList->Add("B");
    a->IncludedPlaces = {b->PlaceID};
    b->IncludedPlaces = {a->PlaceID};
    Grow("atB");
    t["atB"]->Places = {b->PlaceID};
    Rebuild(nullptr, a);
    EXPECT_EQ(Listed(), Names{"atB"});
    ASSERT_EQ(ui.Warnings.size(), 1u);
    EXPECT_EQ(ui.Warnings[0].rfind("Cycling in place: \"A\"", 0), 0u);
    EXPECT_EQ(ui.CursorAtWarning[0], crHourGlass);
    EXPECT_EQ(ui.GetScreenCursor(), crDefault);
}

TEST_F(ToDoTest, RebuildFromATaskListsOnlyItsSubtree)
{
    Grow("outside S(s1 s2(deep)) W(underW) F(f1 f2)");
    Rate({"S"}, 70);
    t["W"]->SetTheGoal(1);
    Rebuild(t["F"]);   // never reached as an ordinary task: its children get the full open field
    EXPECT_EQ(t["f1"]->RankKey.substr(42, 2), "99");
    Rebuild();
    const std::string outsideKey = t["outside"]->RankKey;
    ASSERT_EQ(t["S"]->ToDoOpenChildCount, 2);
    EXPECT_EQ(t["underW"]->RankKey.substr(4, 2), "50");

    t["outside"]->Importance = 90;   // not reached: keeps its key
    Rebuild(t["S"]);
    // deep sits under s2, which has one open child; s1 under S, which held two.
    EXPECT_EQ(Listed(), (Names{"deep", "s1"}));
    EXPECT_EQ(std::tuple(t["S"]->RankKey, t["S"]->ToDoStartMark, t["S"]->ToDoImportancePath),
              std::tuple("1", false, ""));
    EXPECT_EQ(t["outside"]->RankKey, outsideKey);
    // Field 22 of the start task's children comes from the count the start task still holds.
    EXPECT_EQ(t["s1"]->RankKey, MakeKey(" 0", KeyT7to36, "50", "50", "97"));
    EXPECT_EQ(t["deep"]->RankKey.substr(6, 2), "50");

    Rebuild(t["W"]);   // from the weekly goal itself the start task's goal does not count
    EXPECT_FALSE(t["underW"]->ToDoGoalFlag);
    EXPECT_EQ(t["underW"]->RankKey.substr(4, 2), " 0");

    Rebuild(t["s1"]);   // a leaf as the start task lists nothing, not even itself
    EXPECT_EQ(db.ToDoList.Count(), 0);
    EXPECT_EQ(t["s1"]->RankKey, "1");
}

TEST_F(ToDoTest, DeepOutlineNeedsNoDeepCallStack)
{
    TTaskNode* parent = Root();
    for (int level = 0; level < 5000; ++level)
        parent = parent->AddChild("l" + std::to_string(level), -1);
    RunWithSmallStack([&] { Rebuild(); }, 128 * 1024);
    EXPECT_EQ(Listed(), Names{"l4999"});
    EXPECT_EQ(parent->ToDoImportancePath.size(), 30u);
}

TEST_F(ToDoTest, SingleTaskComputationsMatchTheWalk)
{
    TTaskPlace* home = db.PlacesList->Add("Home");
    Grow("P(first second)");
    t["P"]->SetCompleteSubTasksInOrder(true);
    Rate({"first"}, 40, 70);
    t["first"]->Places = {home->PlaceID};
    Rebuild();

    std::vector<TTaskPlace*> homeOnly{home}, none;
    EXPECT_TRUE(t["first"]->MatchesToDoPlaces(nullptr));
    EXPECT_TRUE(t["first"]->MatchesToDoPlaces(&homeOnly));
    EXPECT_FALSE(t["second"]->MatchesToDoPlaces(&homeOnly));
    EXPECT_FALSE(t["first"]->MatchesToDoPlaces(&none));
    EXPECT_EQ(t["first"]->ComputeRankKey(&homeOnly, date), t["first"]->RankKey);
    EXPECT_EQ(t["second"]->ComputeRankKey(nullptr, date), "");
    EXPECT_EQ(t["first"]->ComputeRankKey(&none, date), "-1");
    EXPECT_EQ(Root()->ComputeRankKey(nullptr, date), "1");
}

TEST_F(ToDoTest, InsertIntoToDoKeepsDescendingOrderAfterEqualKeys)
{
    Grow("a b c d");
    const char* keys[] = {"B2", "B1", "B2", "B3"};
    TTaskNodeList list;
    for (int i = 0; i < 4; ++i) {
        Root()->Children[i]->RankKey = keys[i];
        InsertIntoToDo(Root()->Children[i], list);
    }
    Root()->RankKey = "B9";
    InsertIntoToDo(Root(), list);   // no parent
    t["a"]->ToDoStartMark = true;
    InsertIntoToDo(t["a"], list);   // the start task
    EXPECT_EQ(Captions(list), (Names{"d", "a", "c", "b"}));
}
