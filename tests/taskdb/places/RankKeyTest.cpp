// The 60-character rank key: field writing and the keys of whole outlines.
#include "platform/Exceptions.h"
#include "taskdb/ToDo.h"
#include "ToDoSupport.h"

TEST(RankField, WritesTwoCharactersClampedRightAlignedAddsUpTo99AndStaysInsideTheKey)
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

    // The path part of a key: the path's first 30 characters, padded from the template.
    EXPECT_EQ(RankPathPart(""), KeyT7to36);
    EXPECT_EQ(RankPathPart("7040"), "7040" + KeyT9to36.substr(2));
    EXPECT_EQ(RankPathPart(std::string(29, '1') + "234"), std::string(29, '1') + "2");
}

TEST_F(ToDoTest, KeysOfLeavesUnderChainsOfAncestors)
{
    const struct {
        std::vector<int> ancestors;   // importances from the top down
        int topGoal, importance, satisfaction, goal;
        double due;                   // days after Date's day, or 0 for none
        std::string key, path;        // the leaf's key and importance path
    } cases[] = {
        // One parent with one open child; a top-level task under the root.
        {{70}, 0, 40, 60, 0, 0, MakeKey(" 0", "70" + KeyT9to36, "40", "60", "98"), "7040"},
        {{}, 0, 50, 50, 0, 0, MakeKey(" 0", KeyT7to36, "50", "50", "99"), "50"},
        // The same as an overdue weekly goal: goal bonus and urgency 30 at 17-18.
        {{}, 0, 50, 50, 1, -1, MakeKey("50", "5050505050" "80" "505050505050505055", "50", "50", "99"), "50"},
        // Under weekly and monthly goals.
        {{50}, 1, 50, 50, 0, 0, MakeKey("50", "50" + KeyT9to36, "50", "50", "98"), "5050"},
        {{50}, 2, 50, 50, 0, 0, MakeKey(" 0", "50" + KeyT9to36, "50", "50", "98"), "5050"},
        // Ancestor importances are two-character fields: bare, 5 would read "50" and rank
        // above 30. Values outside 0..99 (imported data only) are clamped.
        {{5}, 0, 50, 50, 0, 0, MakeKey(" 0", " 5" + KeyT9to36, "50", "50", "98"), " 550"},
        {{150}, 0, -3, 50, 0, 0, MakeKey(" 0", "99" + KeyT9to36, " 0", "50", "98"), "99 0"},
        // With seven ancestors the urgency adds to the sixth one's field at 17-18.
        {{60, 60, 60, 60, 60, 80, 60}, 0, 50, 50, 0, -1,
         MakeKey(" 0", "6060606060" "99" "60" "5050505050505055", "50", "50", "98"), "6060606060806050"},
        {{60, 60, 60, 60, 60, 80, 60}, 0, 50, 50, 0, 0,
         MakeKey(" 0", "6060606060" "80" "60" "5050505050505055", "50", "50", "98"), "6060606060806050"},
        // Beyond fifteen ancestors only the first thirty characters count.
        {{11, 12, 13, 14, 15, 16, 17, 18, 19, 20, 21, 22, 23, 24, 25, 26, 27, 28, 29, 30}, 0, 50, 50, 0, 0,
         MakeKey(" 0", "111213141516171819202122232425", "50", "50", "98"), "111213141516171819202122232425"},
    };
    std::vector<TTaskNode*> leaves;
    for (const auto& c : cases) {
        TTaskNode* parent = Root();
        for (int importance : c.ancestors) {
            parent = parent->AddChild("ancestor", -1);
            parent->Importance = importance;
            if (parent->Parent == Root())
                parent->SetTheGoal(c.topGoal);
        }
        TTaskNode* leaf = parent->AddChild("leaf", -1);
        leaf->Importance = c.importance;
        leaf->SetSatisfaction(c.satisfaction);
        leaf->SetTheGoal(c.goal);
        if (c.due != 0)
            leaf->SetDueDateTime(day + c.due);
        leaves.push_back(leaf);
    }
    Rebuild();
    for (size_t i = 0; i < leaves.size(); ++i) {
        EXPECT_EQ(leaves[i]->RankKey, cases[i].key) << i;
        EXPECT_EQ(leaves[i]->ToDoImportancePath, cases[i].path) << i;
    }
    EXPECT_EQ(Root()->RankKey, "1");
    EXPECT_FALSE(Root()->ToDoStartMark);
    EXPECT_EQ(Where(*Root(), [](auto& x) { return x.RankKey != "-1" && x.Caption == "ancestor"; }), Names{});
    EXPECT_EQ(db.ToDoList.Count(), static_cast<int>(leaves.size()));
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
        TTaskNode* task = Root()->AddChild(c.caption, -1);
        if (c.due != 0) {
            task->SetDueDateTime(c.due);
            task->SetLeadTime(c.lead);
        }
    }
    Rebuild();
    for (const TTaskNode* task : Root()->Children) {
        const auto& c = cases[task->IndexInParent()];
        EXPECT_EQ(task->RankKey.size() == 60 ? task->RankKey.substr(16, 2) : task->RankKey, c.urgency)
            << c.caption;
    }
    EXPECT_EQ(Listed(), (Names{"yesterday", "later today", "tomorrow", "exactly now",
                               "five days", "far", "none"}));
}

TEST_F(ToDoTest, OpenCountOfTheParentGivesField22ClampedAtZero)
{
    Grow("big mid(done)");
    Complete({"done"});   // completed children do not count
    for (int i = 0; i < 120; ++i)
        t["big"]->AddChild("b", -1);
    for (int i = 0; i < 95; ++i)
        t["mid"]->AddChild("m", -1);
    Rebuild();
    EXPECT_EQ(std::pair(t["big"]->ToDoOpenChildCount, t["mid"]->ToDoOpenChildCount), std::pair(120, 95));
    EXPECT_EQ(t["big"]->Children[0]->RankKey.substr(42, 2), " 0");
    EXPECT_EQ(t["mid"]->Children[1]->RankKey.substr(42, 2), " 4");
    EXPECT_EQ(db.ToDoList.Count(), 215);
}
