// The 60-character rank key: field writing and the keys of whole outlines.
#include "platform/Exceptions.h"
#include "taskdb/ToDo.h"
#include "ToDoFixture.h"

TEST(RankField, WritesTwoCharactersClampedRightAlignedAndAddsUpTo99)
{
    const struct {
        const char* before;   // nullptr: the template's value
        int32_t value;
        bool add;
        int32_t field;
        const char* after;
    } cases[] = {
        {nullptr, 7, false, 3, " 7"},
        {nullptr, -5, false, 19, " 0"},
        {nullptr, 150, false, 21, "99"},
        {nullptr, 42, false, 1, "42"},
        {nullptr, 1, false, 30, " 1"},
        {"50", 30, true, 9, "80"},
        {"80", 30, true, 9, "99"},
        {" 5", 3, true, 9, " 8"},
        {"ab", 12, true, 9, "12"},    // not a number: the addition starts from 0
        {"40", -20, true, 9, "40"},   // clamped to 0 before the addition
    };
    for (const auto& c : cases) {
        std::string key(RankKeyTemplate);
        const size_t at = static_cast<size_t>(c.field - 1) * 2;
        if (c.before)
            key.replace(at, 2, c.before);
        std::string expected = key;
        expected.replace(at, 2, c.after);
        SetRankField(key, c.value, c.add, c.field);
        EXPECT_EQ(key, expected) << c.value << " into field " << c.field;
    }
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

TEST_F(ToDoTest, ParentWithOneOpenChildAndItsLeaf)
{
    TTaskNode* a = Task(Root(), "A", 70);
    TTaskNode* b = Task(a, "B", 40, 60);
    Rebuild();
    EXPECT_EQ(Keys({Root(), a, b}),
              (Names{"1", "-1", MakeKey(" 0", "70" + KeyT9to36, "40", "60", "98")}));
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
    std::string goalKey = plainKey;
    goalKey.replace(4, 2, "50");
    goalKey.replace(16, 2, "80");
    EXPECT_EQ(Keys({plain, goal}), (Names{plainKey, goalKey}));
    EXPECT_EQ(Listed(), (Names{"goal", "plain"}));
}

TEST_F(ToDoTest, UrgencyFromDueDateAndLeadTime)
{
    const struct {
        const char* caption;
        TDateTime due;
        double lead;
        const char* urgency;   // field 9, or the whole key when not listed
    } cases[] = {
        {"none", 0, 1, "50"},
        {"yesterday", day - 1, 1, "80"},
        {"later today", day + 0.75, 1, "80"},
        {"tomorrow", day + 1, 2, "79"},
        {"five days", day + 5, 5, "75"},
        {"not yet", day + 5, 1, "-1"},
        {"exactly now", date + 2, 2, "78"},   // due - lead = date counts as current
        {"far", day + 100, 200, "51"},        // at least 1
    };
    for (const auto& c : cases) {
        TTaskNode* t = Task(Root(), c.caption);
        if (c.due != 0) {
            t->SetDueDateTime(c.due);
            t->SetLeadTime(c.lead);
        }
    }
    Rebuild();
    for (const TTaskNode* t : Root()->Children) {
        const auto& c = cases[t->IndexInParent()];
        EXPECT_EQ(t->RankKey.size() == 60 ? t->RankKey.substr(16, 2) : t->RankKey, c.urgency)
            << c.caption;
    }
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
    Complete(Task(mid, "done"));   // completed children do not count
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
    Task(Task(Root(), "high", 30), "under high");
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

    Rebuild(week);   // from the weekly goal itself the start task's goal does not count
    EXPECT_FALSE(underWeek->ToDoGoalFlag);
    EXPECT_EQ(underWeek->RankKey.substr(4, 2), " 0");
}
