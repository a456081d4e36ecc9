// The To-Do order against sorted insertion by bisection, task by task in walk order, on
// random outlines full of equal keys.
#include <functional>
#include <random>

#include "taskdb/ToDo.h"
#include "ToDoFixture.h"

namespace {

// Insertion by bisection into a list in descending key order, after equal keys.
void BisectionInsert(std::vector<TTaskNode*>& list, TTaskNode* task)
{
    const std::string& key = task->RankKey;
    if (list.empty()) {
        list.push_back(task);
        return;
    }
    size_t lo = 0, hi = list.size() - 1;
    do {
        const size_t mid = lo + (hi - lo) / 2;
        if (key > list[mid]->RankKey)
            hi = mid;
        else
            lo = mid;
    } while (hi - lo > 1);
    if (key > list[lo]->RankKey)
        list.insert(list.begin() + static_cast<long>(lo), task);
    else if (key > list[hi]->RankKey)
        list.insert(list.begin() + static_cast<long>(hi), task);
    else if (hi == list.size() - 1)
        list.push_back(task);
    else
        list.insert(list.begin() + static_cast<long>(hi) + 1, task);
}

void PreOrder(TTaskNode* task, const std::function<void(TTaskNode*)>& fn)
{
    fn(task);
    for (TTaskNode* child : task->Children)
        PreOrder(child, fn);
}

class RandomOutline {
public:
    RandomOutline(TTovrinDataBase& db, TDateTime day, uint32_t seed) : FDb(db), FDay(day), FRng(seed)
    {
        for (int i = 0; i < 6; ++i)
            FPlaces.push_back(db.PlacesList->Add("place" + std::to_string(i)));
        FPlaces[0]->IncludedPlaces = {FPlaces[1]->PlaceID, FPlaces[2]->PlaceID};
        FPlaces[2]->IncludedPlaces = {FPlaces[3]->PlaceID};
    }

    void Grow(int count)
    {
        std::vector<TTaskNode*> all{FDb.Root.get()};
        for (int i = 0; i < count; ++i) {
            // Prefer recent tasks as parents so the outline gets some depth.
            const size_t n = all.size();
            const size_t pick = Pick(3) != 0 ? Pick(n) : n - 1 - Pick(std::min<size_t>(n, 8));
            TTaskNode* t = all[pick]->AddChild("t" + std::to_string(i), -1);
            static const int importances[] = {30, 50, 50, 50, 50, 70};
            t->Importance = Pick(25) == 0 ? 0 : importances[Pick(6)];
            t->SetSatisfaction(Pick(5) ? 50 : 60);
            if (Pick(10) < 2)
                t->SetCompletionDateTime(FDay - 2);
            if (Pick(10) == 0) {
                t->SetScheduleType(1);
                t->SetDueDateTime(FDay + static_cast<double>(Pick(8)) - 3 + 0.25 * Pick(4));
                t->SetLeadTime(static_cast<double>(Pick(4)));
            }
            if (Pick(20) == 0)
                t->SetCompleteSubTasksInOrder(true);
            if (Pick(30) == 0)
                t->SetHideInToDo(true);
            if (Pick(15) == 0)
                t->SetTheGoal(1);
            if (Pick(2))
                t->Places = {FPlaces[Pick(FPlaces.size())]->PlaceID};
            all.push_back(t);
        }
        FAll = std::move(all);
    }

    size_t Pick(size_t n) { return std::uniform_int_distribution<size_t>(0, n - 1)(FRng); }
    TTaskNode* AnyTask() { return FAll[Pick(FAll.size())]; }
    TTaskPlace* AnyPlace() { return FPlaces[Pick(FPlaces.size())]; }

private:
    TTovrinDataBase& FDb;
    TDateTime FDay;
    std::mt19937 FRng;
    std::vector<TTaskPlace*> FPlaces;
    std::vector<TTaskNode*> FAll;
};

} // namespace

TEST_F(ToDoTest, OrderEqualsBisectionInsertionOnRandomOutlines)
{
    size_t listedTotal = 0, tiesTotal = 0;
    for (uint32_t seed = 1; seed <= 40; ++seed) {
        TTovrinDataBase doc;
        RandomOutline outline(doc, day, seed);
        outline.Grow(100 + static_cast<int>(seed) * 60);
        for (int round = 0; round < 4; ++round) {
            // Random start tasks, and the root, with and without a filter.
            TTaskNode* start = round < 2 ? nullptr : outline.AnyTask();
            TTaskPlace* filter = round % 2 ? outline.AnyPlace() : nullptr;
            doc.RebuildToDo(start, filter, true, date);

            std::vector<TTaskNode*> expected;
            TTaskNodeList viaInsert;
            PreOrder(start ? start : doc.Root.get(), [&](TTaskNode* t) {
                EXPECT_FALSE(t->ToDoStartMark);
                if (t->RankKey.size() == RankKeyLength) {
                    BisectionInsert(expected, t);
                    InsertIntoToDo(t, viaInsert);
                }
            });
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
