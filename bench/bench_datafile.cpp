// Saving and loading whole outlines: with the real packer, and with the records alone.
#include <benchmark/benchmark.h>

#include <memory>
#include <random>
#include <vector>

#include "platform/Stream.h"
#include "taskdb/PayloadPacking.h"
#include "taskdb/TaskPlace.h"
#include "taskdb/TovrinDataBase.h"

namespace {

// An outline of `count` tasks, a few levels deep, with notes on some and places on many.
std::unique_ptr<TTovrinDataBase> MakeOutline(int count)
{
    auto db = std::make_unique<TTovrinDataBase>();
    std::mt19937 rng(12345);
    auto pick = [&](int n) { return std::uniform_int_distribution<int>(0, n - 1)(rng); };
    for (int i = 0; i < 20; ++i)
        db->PlacesList->Add("Place " + std::to_string(i));
    std::vector<TTaskNode*> parents{db->Root.get()};
    for (int i = 0; i < count; ++i) {
        TTaskNode* parent = parents[static_cast<size_t>(pick(static_cast<int>(parents.size())))];
        TTaskNode* t = parent->AddChild("Task number " + std::to_string(i) + " with a caption", -1);
        t->Importance = pick(100);
        if (pick(3) == 0)
            t->Note.SetText("A note line about the task\nand a second line with more words");
        if (pick(2) == 0)
            t->Places.push_back(pick(20));
        if (pick(4) == 0)
            t->SetCompletionDateTime(45000 + pick(300));
        // Parents are mostly taken from the first levels, which keeps the tree a few deep.
        if (t->Level() < 6 && pick(4) == 0)
            parents.push_back(t);
    }
    return db;
}

TTovrinDataBase& Outline(int count)
{
    static std::unique_ptr<TTovrinDataBase> db10k, db100k;
    auto& db = count == 10000 ? db10k : db100k;
    if (!db)
        db = MakeOutline(count);
    return *db;
}

void Save(benchmark::State& state, bool packed)
{
    std::unique_ptr<TPayloadPackingOverride> plain;
    if (!packed)
        plain = std::make_unique<TPayloadPackingOverride>();
    TTovrinDataBase& db = Outline(static_cast<int>(state.range(0)));
    int64_t bytes = 0;
    for (auto _ : state) {
        TMemoryStream out;
        db.SaveToStream(out, "", 3);
        bytes = out.GetSize();
        benchmark::DoNotOptimize(out.Memory());
    }
    state.SetBytesProcessed(state.iterations() * bytes);
    state.counters["file_bytes"] = static_cast<double>(bytes);
}

void Load(benchmark::State& state, bool packed)
{
    std::unique_ptr<TPayloadPackingOverride> plain;
    if (!packed)
        plain = std::make_unique<TPayloadPackingOverride>();
    TTovrinDataBase& source = Outline(static_cast<int>(state.range(0)));
    TMemoryStream file;
    source.SaveToStream(file, "", 3);
    TTovrinDataBase target;
    for (auto _ : state) {
        target.Clear();
        file.SetPosition(0);
        target.LoadFromStream(file, "");
    }
    state.SetBytesProcessed(state.iterations() * file.GetSize());
    state.counters["file_bytes"] = static_cast<double>(file.GetSize());
}

void BM_SavePacked(benchmark::State& s) { Save(s, true); }
void BM_LoadPacked(benchmark::State& s) { Load(s, true); }
void BM_SaveRecordsOnly(benchmark::State& s) { Save(s, false); }
void BM_LoadRecordsOnly(benchmark::State& s) { Load(s, false); }

BENCHMARK(BM_SavePacked)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LoadPacked)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SaveRecordsOnly)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LoadRecordsOnly)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
