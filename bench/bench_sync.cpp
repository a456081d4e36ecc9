// Synchronisation runs with a folder of task files, 1k and 10k tasks: a first two-way run
// that brings every file in, a two-way run with nothing changed, and the one-way runs in
// each direction (every file read into its task; every task written to its file, unchanged
// and changed).
#include <benchmark/benchmark.h>

#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <string>

#include "outlooksync/OutlookSync.h"
#include "outlooksync/SyncHost.h"
#include "outlooksync/VdirTaskStore.h"
#include "taskdb/TaskNode.h"
#include "taskdb/TovrinDataBase.h"

namespace {

namespace fs = std::filesystem;

class TQuietHost : public ISyncHost {
    struct TProgress : ISyncProgress {
        void SetCaption(const std::string&) override {}
        void SetProgressMin(int32_t) override {}
        void SetProgressMax(int32_t) override {}
        bool Progress(const std::string&, int32_t) override { return true; }
    };

public:
    std::unique_ptr<ISyncProgress> CreateProgress(const std::string&, int32_t, int32_t,
                                                  const std::string&) override
    {
        return std::make_unique<TProgress>();
    }
    void ShowError(const std::string&) override {}
    bool AskWarningYesNo(const std::string&) override { return true; }
    bool AskErrorYesNo(const std::string&) override { return false; }
    void ShowMessage(const std::string&) override {}
    bool OpenTextFile(const std::string&) override { return true; }
};

// A scratch store with `count` task files in the form todoman writes.
struct TStoreFolder {
    explicit TStoreFolder(int count)
    {
        root = fs::temp_directory_path() / ("tovrin-bench-sync-" + std::to_string(::getpid()) +
                                            "-" + std::to_string(count));
        fs::remove_all(root);
        tasks = root / "tasks";
        fs::create_directories(tasks);
        for (int i = 0; i < count; ++i) {
            const std::string uid = "task-" + std::to_string(i) + "@bench";
            std::ofstream(tasks / (uid + ".ics"), std::ios::binary)
                << "BEGIN:VCALENDAR\r\nVERSION:2.0\r\nPRODID:io.barrera.todoman\r\nBEGIN:VTODO\r\n"
                   "CREATED;VALUE=DATE-TIME:20250101T100000Z\r\nDTSTAMP;VALUE=DATE-TIME:20250101T100000Z\r\n"
                   "DUE;VALUE=DATE-TIME:20250115T160000Z\r\nLAST-MODIFIED;VALUE=DATE-TIME:20250101T100000Z\r\n"
                   "SEQUENCE:1\r\nSTATUS:NEEDS-ACTION\r\nSUMMARY:Task number "
                << i << " with a caption\r\nDESCRIPTION:A note line about the task\\nand a second line\r\n"
                   "UID:" << uid << "\r\nEND:VTODO\r\nEND:VCALENDAR\r\n";
        }
    }
    ~TStoreFolder() { fs::remove_all(root); }

    bool Run(TTovrinDataBase& db, uint8_t mode)
    {
        TQuietHost host;
        return SyncWithOutlook(db, host, FolderPathFromDirectory(tasks.string()), mode,
                               (root / "plan.tvd").string(), VdirApplicationFactory("/"));
    }
    void Forget() const { fs::remove(root / "plan_OutlookSync.state"); }

    fs::path root, tasks;
};

void TwoWayFirstRun(benchmark::State& state)
{
    TStoreFolder store(static_cast<int>(state.range(0)));
    for (auto _ : state) {
        state.PauseTiming();
        auto db = std::make_unique<TTovrinDataBase>();
        store.Forget();
        state.ResumeTiming();
        if (!store.Run(*db, smBothWays))
            state.SkipWithError("run failed");
        state.PauseTiming();
        db.reset();
        state.ResumeTiming();
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}

// A linked outline: one two-way run made first.
void Linked(benchmark::State& state, uint8_t mode)
{
    TStoreFolder store(static_cast<int>(state.range(0)));
    TTovrinDataBase db;
    store.Run(db, smBothWays);
    for (auto _ : state)
        if (!store.Run(db, mode))
            state.SkipWithError("run failed");
    state.SetItemsProcessed(state.iterations() * state.range(0));
}

void TwoWayNothingChanged(benchmark::State& state) { Linked(state, smBothWays); }
void StoreToOutline(benchmark::State& state) { Linked(state, smOutlookToTree); }
// Every task looked up by its link and written, with nothing to change in its file.
void OutlineToStoreUnchanged(benchmark::State& state) { Linked(state, smTreeToOutlook); }

// Every task changed since the last run, so that every file is written.
void OutlineToStore(benchmark::State& state)
{
    TStoreFolder store(static_cast<int>(state.range(0)));
    TTovrinDataBase db;
    store.Run(db, smBothWays);
    int round = 0;
    for (auto _ : state) {
        state.PauseTiming();
        ++round;
        db.Root->ForEachNode(
            [&](void*, TTaskNode* t) {
                if (t->Parent)
                    t->Caption = "Task changed in round " + std::to_string(round);
            },
            nullptr);
        state.ResumeTiming();
        if (!store.Run(db, smTreeToOutlook))
            state.SkipWithError("run failed");
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}

BENCHMARK(TwoWayFirstRun)->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(TwoWayNothingChanged)->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(StoreToOutline)->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(OutlineToStoreUnchanged)->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(OutlineToStore)->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace

BENCHMARK_MAIN();
