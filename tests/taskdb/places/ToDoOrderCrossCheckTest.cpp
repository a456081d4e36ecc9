// The To-Do order against sorted insertion by bisection, task by task in walk order, on
// random outlines full of equal keys.
#include <random>

#include "taskdb/ToDo.h"
#include "ToDoSupport.h"

namespace {

// Insertion by bisection into a list in descending key order, after equal keys.
void BisectionInsert(std::vector<TTaskNode*>& list, TTaskNode* task)
{
    const std::string& key = task->RankKey;
    if (list.empty())
        return list.push_back(task);
    size_t lo = 0, hi = list.size() - 1;
    do {
        const size_t mid = lo + (hi - lo) / 2;
        (key > list[mid]->RankKey ? hi : lo) = mid;
    } while (hi - lo > 1);
    const size_t at = key > list[lo]->RankKey ? lo : key > list[hi]->RankKey ? hi : hi + 1;
    list.insert(list.begin() + static_cast<long>(at), task);
}

// A random outline full of equal keys: few importances, places with includes, some depth.
std::vector<TTaskNode*> GrowOutline(TTovrinDataBase& db, TDateTime day, std::mt19937& rng, int count)
{
    const auto pick = [&](size_t n) { return std::uniform_int_distribution<size_t>(0, n - 1)(rng); };
    std::vector<TTaskPlace*> places;
    for (int i = 0; i < 6; ++i)
        places.push_back(db.PlacesList->Add("place" + std::to_string(i)));
    places[0]->IncludedPlaces = {places[1]->PlaceID, places[2]->PlaceID};
    places[2]->IncludedPlaces = {places[3]->PlaceID};
    std::vector<TTaskNode*> all{db.Root.get()};
    for (int i = 0; i < count; ++i) {
        // Prefer recent tasks as parents so the outline gets some depth.
        const size_t n = all.size();
        TTaskNode* t = all[pick(3) ? pick(n) : n - 1 - pick(std::min<size_t>(n, 8))]->AddChild("t", -1);
        static const int importances[] = {30, 50, 50, 50, 50, 70};
        t->Importance = pick(25) == 0 ? 0 : importances[pick(6)];
        t->SetSatisfaction(pick(5) ? 50 : 60);
        if (pick(10) < 2)
            t->SetCompletionDateTime(day - 2);
        if (pick(10) == 0) {
            t->SetScheduleType(1);
            t->SetDueDateTime(day + static_cast<double>(pick(8)) - 3 + 0.25 * pick(4));
            t->SetLeadTime(static_cast<double>(pick(4)));
        }
        t->SetCompleteSubTasksInOrder(pick(20) == 0);
        t->SetHideInToDo(pick(30) == 0);
        t->SetTheGoal(pick(15) == 0);
        if (pick(2))
            t->Places = {places[pick(places.size())]->PlaceID};
        all.push_back(t);
    }
    return all;
}

} // namespace

TEST_F(ToDoTest, OrderEqualsBisectionInsertionOnRandomOutlines)
{
    size_t listedTotal = 0, tiesTotal = 0;
    for (uint32_t seed = 1; seed <= 40; ++seed) {
        TTovrinDataBase doc;
        std::mt19937 rng(seed);
        const std::vector<TTaskNode*> all = GrowOutline(doc, day, rng, 100 + static_cast<int>(seed) * 60);
        for (int round = 0; round < 4; ++round) {
            // Random start tasks, and the root, with and without a filter.
            TTaskNode* start = round < 2 ? doc.Root.get() : all[rng() % all.size()];
            TTaskPlace* filter = round % 2 ? (*doc.PlacesList)[static_cast<int>(rng() % 6)] : nullptr;
            doc.RebuildToDo(round < 2 ? nullptr : start, filter, true, date);

            std::vector<TTaskNode*> expected;
            TTaskNodeList viaInsert;
            start->ForEachNode([&](void*, TTaskNode* t) {
                EXPECT_FALSE(t->ToDoStartMark);
                if (t->RankKey.size() == RankKeyLength) {
                    BisectionInsert(expected, t);
                    InsertIntoToDo(t, viaInsert);
                }
            }, nullptr);
            ASSERT_EQ(doc.ToDoList.Vector(), expected) << "seed " << seed << " round " << round;
            ASSERT_EQ(viaInsert.Vector(), expected) << "seed " << seed << " round " << round;
            listedTotal += expected.size();
            for (size_t i = 1; i < expected.size(); ++i)
                tiesTotal += expected[i - 1]->RankKey == expected[i]->RankKey;
        }
    }
    // The check only means something with many listed tasks and many equal keys.
    EXPECT_GT(listedTotal, 5000u);
    EXPECT_GT(tiesTotal, 1000u);
}
