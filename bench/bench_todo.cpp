// To-Do rebuild from the root, with and without a place filter, against a bare pre-order walk
// that reads the same task fields (the floor any rebuild must pay), on outlines of 1k to 1M
// tasks: depth 3 to 8, 30% completed, 20% with due dates, places on half of the tasks, 1000
// places including each other.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <functional>
#include <map>
#include <memory>
#include <random>
#include <vector>

#include "platform/DateTime.h"
#include "taskdb/TaskNode.h"
#include "taskdb/TaskPlace.h"
#include "taskdb/TovrinDataBase.h"

namespace {

constexpr TDateTime Today = 45361.5;   // 2024-03-10, noon
constexpr int PlaceCount = 1000;

struct TOutline {
    std::unique_ptr<TTovrinDataBase> Db;
    TTaskPlace* FilterPlace = nullptr;
    size_t FilterSize = 0;
};

void AddPlaces(TTovrinDataBase& db, std::mt19937& rng)
{
    TTaskPlacesList& places = *db.PlacesList;
    for (int i = 0; i < PlaceCount; ++i)
        places.Add("place " + std::to_string(i));
    // Each place includes up to three of the next fifty: an include relation without cycles
    // whose closures range from one place to a few hundred.
    std::uniform_int_distribution<int> count(0, 3), ahead(1, 50);
    for (int i = 0; i < PlaceCount; ++i) {
        const int n = count(rng);
        for (int k = 0; k < n; ++k) {
            const int j = i + ahead(rng);
            if (j < PlaceCount)
                places[i]->IncludedPlaces.push_back(places[j]->PlaceID);
        }
    }
}

// Tasks are created in pre-order: each new task goes one level deeper, stays beside the last
// one, or climbs back to a random level; leaves mostly end between levels 3 and 8.
std::unique_ptr<TOutline> BuildOutline(int taskCount)
{
    auto outline = std::make_unique<TOutline>();
    outline->Db = std::make_unique<TTovrinDataBase>();
    TTovrinDataBase& db = *outline->Db;
    std::mt19937 placeRng(777u);   // the same places at every size
    AddPlaces(db, placeRng);
    std::mt19937 rng(12345u + static_cast<unsigned>(taskCount));

    std::uniform_int_distribution<int> percent(0, 99), importance(1, 99), rating(0, 99);
    std::uniform_int_distribution<int> placeIndex(0, PlaceCount - 1), dueOffset(-20, 40);
    std::vector<TTaskNode*> path{db.Root.get()};   // path[d] = last task at level d
    for (int i = 0; i < taskCount; ++i) {
        size_t level = path.size() - 1;   // level of the last task
        const int r = percent(rng);
        if (level < 3 || (r < 40 && level < 8))
            ++level;
        else if (r >= 75)
            level = 1 + static_cast<size_t>(percent(rng)) % level;
        path.resize(level);
        TTaskNode* t = path.back()->AddChild("task", -1);
        path.push_back(t);

        t->Importance = percent(rng) < 2 ? 0 : importance(rng);
        t->Satisfaction = rating(rng);
        if (percent(rng) < 30) {
            t->CompletionDateTime = Today - 10;
            t->CompletedMark = true;
        }
        if (percent(rng) < 20) {
            t->ScheduleType = 1;
            t->DueDateTime = Today + dueOffset(rng);
            t->LeadTime = percent(rng) % 8;
        }
        if (percent(rng) < 50) {
            t->Places.push_back(db.PlacesList->operator[](placeIndex(rng))->PlaceID);
            if (percent(rng) < 30)
                t->Places.push_back(db.PlacesList->operator[](placeIndex(rng))->PlaceID);
        }
        if (percent(rng) < 5)
            t->CompleteSubTasksInOrder = true;
        if (percent(rng) < 3)
            t->SetTheGoal(1);
        if (percent(rng) < 2)
            t->SetHideInToDo(true);
    }

    // Filter by the place whose include closure is closest to 30 places.
    std::vector<TTaskPlace*> closure;
    for (const auto& place : *db.PlacesList) {
        db.PlacesList->CollectPlaces(place.get(), closure, 0);
        const auto distance = [](size_t n) { return n > 30 ? n - 30 : 30 - n; };
        if (!outline->FilterPlace || distance(closure.size()) < distance(outline->FilterSize)) {
            outline->FilterPlace = place.get();
            outline->FilterSize = closure.size();
        }
    }
    return outline;
}

TOutline& Outline(int taskCount)
{
    static std::map<int, std::unique_ptr<TOutline>> cache;
    auto& slot = cache[taskCount];
    if (!slot)
        slot = BuildOutline(taskCount);
    return *slot;
}

// Reads what the rebuild reads, for every task, and nothing more.
uint64_t BareWalk(const TTaskNode* task)
{
    uint64_t sum = static_cast<uint64_t>(task->Importance) + task->Satisfaction +
                   task->HideInToDoInEffect + task->CompleteSubTasksInOrder + task->TheGoal +
                   (task->CompletionDateTime != 0) + (task->DueDateTime - task->LeadTime > Today) +
                   task->ToDoStartMark + task->RankKey.size() + task->ToDoImportancePath.size();
    for (const int32_t id : task->Places)
        sum += static_cast<uint32_t>(id);
    for (const TTaskNode* child : task->Children)
        sum += child->CompletionDateTime == 0;
    for (const TTaskNode* child : task->Children)
        sum += BareWalk(child);
    return sum;
}

void Finish(benchmark::State& state, const TOutline* outline)
{
    const auto n = static_cast<int64_t>(state.range(0));
    state.SetItemsProcessed(state.iterations() * n);
    if (outline)
        state.counters["listed"] = static_cast<double>(outline->Db->ToDoList.Count());
    state.counters["ns_per_task"] = benchmark::Counter(
        static_cast<double>(state.iterations() * n), benchmark::Counter::kIsRate |
                                                          benchmark::Counter::kInvert);
}

void BM_BareWalk(benchmark::State& state)
{
    TOutline& outline = Outline(static_cast<int>(state.range(0)));
    for (auto _ : state)
        benchmark::DoNotOptimize(BareWalk(outline.Db->Root.get()));
    Finish(state, nullptr);
}

void BM_RebuildToDo(benchmark::State& state)
{
    TOutline& outline = Outline(static_cast<int>(state.range(0)));
    for (auto _ : state)
        outline.Db->RebuildToDo(nullptr, nullptr, true, Today);
    Finish(state, &outline);
}

void BM_RebuildToDoPlaceFilter(benchmark::State& state)
{
    TOutline& outline = Outline(static_cast<int>(state.range(0)));
    for (auto _ : state)
        outline.Db->RebuildToDo(nullptr, outline.FilterPlace, true, Today);
    Finish(state, &outline);
    state.counters["filter_places"] = static_cast<double>(outline.FilterSize);
}

// The ordering alone as the list was once built: each listed task inserted into an array by
// bisection. Quadratic, so only up to 100k tasks.
void BM_BisectionInsertOrder(benchmark::State& state)
{
    TOutline& outline = Outline(static_cast<int>(state.range(0)));
    outline.Db->RebuildToDo(nullptr, nullptr, true, Today);
    std::vector<TTaskNode*> walkOrder;
    std::function<void(TTaskNode*)> collect = [&](TTaskNode* t) {
        if (t->RankKey.size() == 60)
            walkOrder.push_back(t);
        for (TTaskNode* c : t->Children)
            collect(c);
    };
    collect(outline.Db->Root.get());
    for (auto _ : state) {
        std::vector<TTaskNode*> list;
        for (TTaskNode* t : walkOrder) {
            auto at = std::upper_bound(list.begin(), list.end(), t,
                                       [](const TTaskNode* a, const TTaskNode* b) {
                                           return a->RankKey > b->RankKey;
                                       });
            list.insert(at, t);
        }
        benchmark::DoNotOptimize(list.data());
    }
    Finish(state, &outline);
}

void Sizes(benchmark::internal::Benchmark* b)
{
    b->Arg(1000)->Arg(10000)->Arg(100000)->Unit(benchmark::kMicrosecond);
}

void Million(benchmark::internal::Benchmark* b)
{
    b->Arg(1000000)->Iterations(5)->Unit(benchmark::kMillisecond);
}

} // namespace

// Side by side per size: the floor, then the two rebuilds.
BENCHMARK(BM_BareWalk)->Apply(Sizes);
BENCHMARK(BM_RebuildToDo)->Apply(Sizes);
BENCHMARK(BM_RebuildToDoPlaceFilter)->Apply(Sizes);
BENCHMARK(BM_BareWalk)->Apply(Million);
BENCHMARK(BM_RebuildToDo)->Apply(Million);
BENCHMARK(BM_RebuildToDoPlaceFilter)->Apply(Million);
BENCHMARK(BM_BisectionInsertOrder)->Arg(1000)->Arg(10000)->Arg(100000)->Iterations(3)
    ->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
