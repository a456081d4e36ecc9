// The 60-character rank key: field writing, the path part and the keys of whole outlines.
#include "platform/Exceptions.h"
#include "taskdb/ToDo.h"
#include "ToDoFixture.h"

TEST(RankField, WritesTwoCharactersClampedAndRightAligned)
{
    std::string key(RankKeyTemplate);
    SetRankField(key, 7, false, 3);
    EXPECT_EQ(key.substr(4, 2), " 7");
    SetRankField(key, -5, false, 19);
    EXPECT_EQ(key.substr(36, 2), " 0");
    SetRankField(key, 150, false, 21);
    EXPECT_EQ(key.substr(40, 2), "99");
    SetRankField(key, 42, false, 1);
    EXPECT_EQ(key.substr(0, 2), "42");
    SetRankField(key, 1, false, 30);
    EXPECT_EQ(key.substr(58, 2), " 1");
    EXPECT_EQ(key.size(), 60u);
}

TEST(RankField, AddingToTheFieldCapsAt99)
{
    std::string key(RankKeyTemplate);
    SetRankField(key, 30, true, 9);   // template "50"
    EXPECT_EQ(key.substr(16, 2), "80");
    SetRankField(key, 30, true, 9);
    EXPECT_EQ(key.substr(16, 2), "99");
    key.replace(16, 2, " 5");
    SetRankField(key, 3, true, 9);
    EXPECT_EQ(key.substr(16, 2), " 8");
    key.replace(16, 2, "ab");   // not a number: the addition starts from 0
    SetRankField(key, 12, true, 9);
    EXPECT_EQ(key.substr(16, 2), "12");
    key.replace(16, 2, "40");
    SetRankField(key, -20, true, 9);   // clamped to 0 before the addition
    EXPECT_EQ(key.substr(16, 2), "40");
}

TEST(RankField, FieldOutsideTheKeyRaises)
{
    std::string key(RankKeyTemplate);
    for (int field : {0, 31, -2147483647 - 1, 2147483647})
        try {
            SetRankField(key, 50, false, field);
            ADD_FAILURE() << "field " << field;
        } catch (const Exception& e) {
            EXPECT_EQ(e.Message(), "Rank position out of range");
        }
    EXPECT_EQ(key, RankKeyTemplate);
    std::string shortKey = "abc";
    EXPECT_THROW(SetRankField(shortKey, 1, false, 2), Exception);
}

TEST(RankPath, PaddedWithTheTemplateAndCutAt30)
{
    EXPECT_EQ(RankPathPart(""), KeyT7to36);
    EXPECT_EQ(RankPathPart("7040"), "7040" + KeyT7to36.substr(4));
    EXPECT_EQ(RankPathPart("7"), "7" + KeyT7to36.substr(1));
    const std::string longPath = "123456789012345678901234567890ABCDEFGHIJ";
    EXPECT_EQ(RankPathPart(longPath), longPath.substr(0, 30));
}

TEST_F(ToDoTest, ParentWithOneOpenChildAndItsLeaf)
{
    TTaskNode* a = Task(Root(), "A", 70);
    TTaskNode* b = Task(a, "B", 40, 60);
    Rebuild();
    EXPECT_EQ(Root()->RankKey, "1");
    EXPECT_EQ(a->RankKey, "-1");
    EXPECT_EQ(b->RankKey, MakeKey(" 0", "70" + KeyT9to36, "40", "60", "98"));
    EXPECT_EQ(Listed(), Names{"B"});
    EXPECT_EQ(a->ToDoOpenChildCount, 1);
    EXPECT_EQ(a->ToDoImportancePath, "70");
    EXPECT_EQ(b->ToDoImportancePath, "7040");
    EXPECT_FALSE(Root()->ToDoStartMark);
}

TEST_F(ToDoTest, TopLevelTaskAndTheSameTaskAsAnOverdueWeeklyGoal)
{
    TTaskNode* plain = Task(Root(), "plain");
    TTaskNode* goal = Task(Root(), "goal");
    goal->SetTheGoal(1);
    goal->SetDueDateTime(day - 1);
    Rebuild();
    const std::string plainKey = MakeKey(" 0", KeyT7to36, "50", "50", "99");
    EXPECT_EQ(plain->RankKey, plainKey);
    std::string goalKey = plainKey;
    goalKey.replace(4, 2, "50");
    goalKey.replace(16, 2, "80");
    EXPECT_EQ(goal->RankKey, goalKey);
    EXPECT_EQ(Listed(), (Names{"goal", "plain"}));
}

TEST_F(ToDoTest, UrgencyFromDueDateAndLeadTime)
{
    TTaskNode* none = Task(Root(), "none");
    TTaskNode* yesterday = Task(Root(), "yesterday");
    yesterday->SetDueDateTime(day - 1);
    TTaskNode* laterToday = Task(Root(), "later today");
    laterToday->SetDueDateTime(day + 0.75);
    TTaskNode* tomorrow = Task(Root(), "tomorrow");
    tomorrow->SetDueDateTime(day + 1);
    tomorrow->SetLeadTime(2);
    TTaskNode* fiveDays = Task(Root(), "five days");
    fiveDays->SetDueDateTime(day + 5);
    fiveDays->SetLeadTime(5);
    TTaskNode* notYet = Task(Root(), "not yet");
    notYet->SetDueDateTime(day + 5);   // lead time 1.0
    TTaskNode* exactlyNow = Task(Root(), "exactly now");
    exactlyNow->SetDueDateTime(date + 2);
    exactlyNow->SetLeadTime(2);   // due - lead = date counts as current
    TTaskNode* far = Task(Root(), "far");
    far->SetDueDateTime(day + 100);
    far->SetLeadTime(200);
    Rebuild();

    auto urgencyField = [](const TTaskNode* t) { return t->RankKey.substr(16, 2); };
    EXPECT_EQ(urgencyField(none), "50");
    EXPECT_EQ(urgencyField(yesterday), "80");
    EXPECT_EQ(urgencyField(laterToday), "80");
    EXPECT_EQ(urgencyField(tomorrow), "79");
    EXPECT_EQ(urgencyField(fiveDays), "75");
    EXPECT_EQ(notYet->RankKey, "-1");
    EXPECT_EQ(urgencyField(exactlyNow), "78");
    EXPECT_EQ(urgencyField(far), "51");   // at least 1
    EXPECT_EQ(Listed(), (Names{"yesterday", "later today", "tomorrow", "exactly now",
                               "five days", "far", "none"}));
}

TEST_F(ToDoTest, OpenCountOfTheParentGivesField22ClampedAtZero)
{
    TTaskNode* big = Task(Root(), "big");
    for (int i = 0; i < 120; ++i)
        Task(big, "b" + std::to_string(i));
    TTaskNode* mid = Task(Root(), "mid");
    for (int i = 0; i < 95; ++i)
        Task(mid, "m" + std::to_string(i));
    TTaskNode* done = Task(mid, "done");
    Complete(done);   // completed children do not count
    Rebuild();
    EXPECT_EQ(big->ToDoOpenChildCount, 120);
    EXPECT_EQ(big->Children[0]->RankKey.substr(42, 2), " 0");
    EXPECT_EQ(mid->ToDoOpenChildCount, 95);
    EXPECT_EQ(mid->Children[0]->RankKey.substr(42, 2), " 4");
    EXPECT_EQ(db.ToDoList.Count(), 215);
}

TEST_F(ToDoTest, AncestorImportanceIsATwoCharacterField)
{
    // Written bare, importance 5 would read "50" and rank above 30.
    TTaskNode* low = Task(Root(), "low", 5);
    Task(low, "under low");
    TTaskNode* high = Task(Root(), "high", 30);
    Task(high, "under high");
    TTaskNode* huge = Task(Root(), "huge", 150);   // only imported data can hold this
    TTaskNode* underHuge = Task(huge, "under huge", -3);
    Rebuild();
    EXPECT_EQ(low->Children[0]->RankKey.substr(6, 2), " 5");
    EXPECT_EQ(low->Children[0]->ToDoImportancePath, " 550");
    EXPECT_EQ(underHuge->RankKey.substr(6, 2), "99");
    EXPECT_EQ(underHuge->RankKey.substr(36, 2), " 0");
    EXPECT_EQ(underHuge->ToDoImportancePath, "99 0");
    EXPECT_EQ(Listed(), (Names{"under huge", "under high", "under low"}));
}

TEST_F(ToDoTest, UrgencyAddsToTheSixthAncestorOnceThePathIsLong)
{
    // Seven ancestors: their path fills positions 7-20, so 17-18 holds the sixth one's field.
    TTaskNode* parent = Root();
    for (int level = 1; level <= 7; ++level)
        parent = Task(parent, "l" + std::to_string(level), level == 6 ? 80 : 60);
    TTaskNode* leaf = Task(parent, "leaf");
    leaf->SetDueDateTime(day - 1);
    TTaskNode* calm = Task(parent, "calm");
    Rebuild();
    EXPECT_EQ(leaf->RankKey.substr(6, 30), "6060606060" "99" "60" + KeyT7to36.substr(14));
    EXPECT_EQ(calm->RankKey.substr(6, 30), "6060606060" "80" "60" + KeyT7to36.substr(14));
}

TEST_F(ToDoTest, PathBeyondFifteenAncestorsUsesTheFirstThirtyCharacters)
{
    TTaskNode* parent = Root();
    for (int level = 1; level <= 20; ++level)
        parent = Task(parent, "l" + std::to_string(level), 10 + level);
    TTaskNode* leaf = Task(parent, "leaf");
    Rebuild();
    EXPECT_EQ(leaf->RankKey.substr(6, 30), "111213141516171819202122232425");
    EXPECT_EQ(leaf->RankKey.size(), 60u);
    EXPECT_EQ(leaf->ToDoImportancePath, "111213141516171819202122232425");
    EXPECT_EQ(Listed(), Names{"leaf"});
}

TEST_F(ToDoTest, WeeklyGoalFlagComesFromAncestorsBelowTheStartTask)
{
    TTaskNode* week = Task(Root(), "week");
    week->SetTheGoal(1);
    TTaskNode* underWeek = Task(week, "under week");
    TTaskNode* month = Task(Root(), "month");
    month->SetTheGoal(2);
    TTaskNode* underMonth = Task(month, "under month");
    Rebuild();
    EXPECT_EQ(underWeek->RankKey.substr(4, 2), "50");
    EXPECT_EQ(underMonth->RankKey.substr(4, 2), " 0");

    // From the weekly goal itself the start task's goal does not count.
    Rebuild(week);
    EXPECT_FALSE(underWeek->ToDoGoalFlag);
    EXPECT_EQ(underWeek->RankKey.substr(4, 2), " 0");
}
