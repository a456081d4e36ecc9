// Synchronisation runs with a folder of task files, 1k and 10k tasks: a first two-way run
// that brings every file in (also for 250 to 4k files that each define a crafted zone), a
// two-way run with nothing changed, and the one-way runs in each direction (every file read
// into its task; every task written to its file, unchanged and changed). Beside them, runs with
// nothing changed over 5k files whose times name zones the files define, against the same tasks
// in UTC, first runs over 1k zones whose rules only seem to have days, against sound ones, and
// runs that complete 1k recurring tasks of three kinds.
#include <benchmark/benchmark.h>

#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>

#include "outlooksync/OutlookSync.h"
#include "outlooksync/SyncHost.h"
#include "outlooksync/VdirTaskStore.h"
#include "platform/StrUtils.h"
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

// A task file in the form todoman writes.
std::string TodomanFile(int i)
{
    const std::string uid = "task-" + std::to_string(i) + "@bench";
    return "BEGIN:VCALENDAR\r\nVERSION:2.0\r\nPRODID:io.barrera.todoman\r\nBEGIN:VTODO\r\n"
           "CREATED;VALUE=DATE-TIME:20250101T100000Z\r\nDTSTAMP;VALUE=DATE-TIME:20250101T100000Z\r\n"
           "DUE;VALUE=DATE-TIME:20250115T160000Z\r\nLAST-MODIFIED;VALUE=DATE-TIME:20250101T100000Z\r\n"
           "SEQUENCE:1\r\nSTATUS:NEEDS-ACTION\r\nSUMMARY:Task number " + std::to_string(i) +
           " with a caption\r\nDESCRIPTION:A note line about the task\\nand a second line\r\n"
           "UID:" + uid + "\r\nEND:VTODO\r\nEND:VCALENDAR\r\n";
}

// Zones are worked out once per text in a process: a first run that is to work its zones out
// writes them with a new round's mark.
int zoneRound = 0;
std::string RoundMark()
{
    return "X-BENCH-ROUND:" + std::to_string(zoneRound) + "\r\n";
}

// A task file with a zone of its own, crafted to be slow to expand: each file's differs (its
// offsets, its month, the shape of its rules), under the name of a zone the system knows.
std::string CraftedZoneFile(int i)
{
    static const char* const names[] = {"Europe/Berlin", "America/New_York", "Asia/Tokyo",
                                        "Australia/Sydney", "Europe/London", "America/Sao_Paulo"};
    const std::string month = std::to_string(i % 12 + 1);
    const std::string shapes[] = {
        "RRULE;FREQ=HOURLY;BYDAY=-1SU;BYMONTH=" + month + "\r\n",
        "RRULE;FREQ=SECONDLY;BYMONTH=" + month + "\r\n",
        "rrule:freq=minutely;bymonth=" + month + "\r\n",
        "RRULE:FREQ=YEARLY;BYMONTH=" + month + ";BYDAY=-1SU\r\nRRULE:FREQ=HOURLY;BYMONTH=" + month + "\r\n",
        "RRULE:FREQ=YEARLY;COUNT=2000000000;BYDAY=-1SU;BYMONTH=" + month + "\r\n",
        "RRULE:FREQ=YEARLY;BYDAY=SU;BYMONTH=" + month + "\r\n",
    };
    const std::string start = i % 6 == 4 ? "00010101T020000" : "16010101T020000";
    const std::string name = names[i % std::size(names)];
    const std::string offset = Format("+%02d00", i % 13);
    return "BEGIN:VCALENDAR\r\nVERSION:2.0\r\nPRODID:-//Bench//EN\r\nBEGIN:VTIMEZONE\r\n" + RoundMark() +
           "TZID:" + name + "\r\nBEGIN:DAYLIGHT\r\nTZOFFSETFROM:+0000\r\nTZOFFSETTO:" + offset + "\r\nDTSTART:" + start +
           "\r\n" + shapes[i % std::size(shapes)] +
           "END:DAYLIGHT\r\nBEGIN:STANDARD\r\nTZOFFSETFROM:" + offset +
           "\r\nTZOFFSETTO:+0000\r\nDTSTART:16010101T030000\r\nRRULE:FREQ=YEARLY;BYDAY=-1SU;BYMONTH=10\r\n"
           "END:STANDARD\r\nEND:VTIMEZONE\r\nBEGIN:VTODO\r\nUID:zone-" + std::to_string(i) +
           "@bench\r\nDTSTAMP:20250101T000000Z\r\nSUMMARY:Task number " + std::to_string(i) +
           "\r\nDTSTART;TZID=" + name + ":20250114T090000\r\nDUE;TZID=" + name +
           ":20250715T170000\r\nEND:VTODO\r\nEND:VCALENDAR\r\n";
}

// The same task as TodomanFile(i) writes, its times in one of the zones clients write (their
// usual text, so that a folder holds a few distinct definitions, or none).
std::string ZonedFile(int i)
{
    static const struct {
        const char* tzid;
        const char* zone;
    } zones[] = {
        {"Europe/Berlin",
         "BEGIN:VTIMEZONE\r\nTZID:Europe/Berlin\r\nX-LIC-LOCATION:Europe/Berlin\r\nBEGIN:DAYLIGHT\r\n"
         "TZOFFSETFROM:+0100\r\nTZOFFSETTO:+0200\r\nTZNAME:CEST\r\nDTSTART:19700329T020000\r\n"
         "RRULE:FREQ=YEARLY;BYDAY=-1SU;BYMONTH=3\r\nEND:DAYLIGHT\r\nBEGIN:STANDARD\r\n"
         "TZOFFSETFROM:+0200\r\nTZOFFSETTO:+0100\r\nTZNAME:CET\r\nDTSTART:19701025T030000\r\n"
         "RRULE:FREQ=YEARLY;BYDAY=-1SU;BYMONTH=10\r\nEND:STANDARD\r\nEND:VTIMEZONE\r\n"},
        {"W. Europe Standard Time",
         "BEGIN:VTIMEZONE\r\nTZID:W. Europe Standard Time\r\nBEGIN:STANDARD\r\n"
         "DTSTART:16010101T030000\r\nTZOFFSETFROM:+0200\r\nTZOFFSETTO:+0100\r\n"
         "RRULE:FREQ=YEARLY;INTERVAL=1;BYDAY=-1SU;BYMONTH=10\r\nEND:STANDARD\r\nBEGIN:DAYLIGHT\r\n"
         "DTSTART:16010101T020000\r\nTZOFFSETFROM:+0100\r\nTZOFFSETTO:+0200\r\n"
         "RRULE:FREQ=YEARLY;INTERVAL=1;BYDAY=-1SU;BYMONTH=3\r\nEND:DAYLIGHT\r\nEND:VTIMEZONE\r\n"},
        {"America/New_York",
         "BEGIN:VTIMEZONE\r\nTZID:America/New_York\r\nBEGIN:DAYLIGHT\r\nTZOFFSETFROM:-0500\r\n"
         "RRULE:FREQ=YEARLY;BYMONTH=3;BYDAY=2SU\r\nDTSTART:20070311T020000\r\nTZNAME:EDT\r\n"
         "TZOFFSETTO:-0400\r\nEND:DAYLIGHT\r\nBEGIN:STANDARD\r\nTZOFFSETFROM:-0400\r\n"
         "RRULE:FREQ=YEARLY;BYMONTH=11;BYDAY=1SU\r\nDTSTART:20071104T020000\r\nTZNAME:EST\r\n"
         "TZOFFSETTO:-0500\r\nEND:STANDARD\r\nEND:VTIMEZONE\r\n"},
        {"Europe/Paris", ""},   // the system's zone, without a definition
        {"Asia/Tokyo",
         "BEGIN:VTIMEZONE\r\nTZID:Asia/Tokyo\r\nBEGIN:STANDARD\r\nTZOFFSETFROM:+0900\r\n"
         "TZOFFSETTO:+0900\r\nTZNAME:JST\r\nDTSTART:19700101T000000\r\nEND:STANDARD\r\n"
         "END:VTIMEZONE\r\n"},
    };
    const auto& z = zones[i % std::size(zones)];
    const std::string tzid = std::string(";TZID=") + (std::strchr(z.tzid, ' ') ? "\"" : "") + z.tzid +
                             (std::strchr(z.tzid, ' ') ? "\"" : "");
    const std::string uid = "task-" + std::to_string(i) + "@bench";
    return "BEGIN:VCALENDAR\r\nVERSION:2.0\r\nPRODID:-//Bench//EN\r\n" + std::string(z.zone) +
           "BEGIN:VTODO\r\nCREATED:20250101T100000Z\r\nDTSTAMP:20250101T100000Z\r\n"
           "DTSTART" + tzid + ":20250113T090000\r\nDUE" + tzid + ":20250115T160000\r\n"
           "LAST-MODIFIED:20250101T100000Z\r\nSEQUENCE:1\r\nSTATUS:NEEDS-ACTION\r\nSUMMARY:Task number " +
           std::to_string(i) + " with a caption\r\nDESCRIPTION:A note line about the task\\nand a second line\r\n"
           "UID:" + uid + "\r\nEND:VTODO\r\nEND:VCALENDAR\r\n";
}

// The same tasks with their times in UTC, as in ZonedFile otherwise.
std::string UtcFile(int i)
{
    const std::string uid = "task-" + std::to_string(i) + "@bench";
    return "BEGIN:VCALENDAR\r\nVERSION:2.0\r\nPRODID:-//Bench//EN\r\n"
           "BEGIN:VTODO\r\nCREATED:20250101T100000Z\r\nDTSTAMP:20250101T100000Z\r\n"
           "DTSTART:20250113T080000Z\r\nDUE:20250115T150000Z\r\n"
           "LAST-MODIFIED:20250101T100000Z\r\nSEQUENCE:1\r\nSTATUS:NEEDS-ACTION\r\nSUMMARY:Task number " +
           std::to_string(i) + " with a caption\r\nDESCRIPTION:A note line about the task\\nand a second line\r\n"
           "UID:" + uid + "\r\nEND:VTODO\r\nEND:VCALENDAR\r\n";
}

// A zone whose yearly rule names days its INTERVAL never reaches (no 29th of February in odd
// years), or, sound, the same days from a year it reaches them in; each file's text differs
// (its zone's name).
std::string ZoneRuleFile(int i, bool sound)
{
    const std::string rules[] = {
        "RRULE:FREQ=YEARLY;INTERVAL=2;BYMONTH=2;BYMONTHDAY=29;BYDAY=MO\r\n",
        "RRULE:FREQ=YEARLY;INTERVAL=4;BYMONTH=2;BYMONTHDAY=29\r\n",
    };
    const std::string offset = Format("+%02d00", i % 13);
    return "BEGIN:VCALENDAR\r\nVERSION:2.0\r\nPRODID:-//Bench//EN\r\nBEGIN:VTIMEZONE\r\n" + RoundMark() +
           "TZID:Europe/Berlin\r\nBEGIN:DAYLIGHT\r\nTZNAME:Z" + std::to_string(i) + "\r\nTZOFFSETFROM:+0000\r\nTZOFFSETTO:" + offset +
           "\r\nDTSTART:" + (sound ? "1604" : "1601") + "0101T020000\r\n" + rules[i % std::size(rules)] +
           "END:DAYLIGHT\r\nBEGIN:STANDARD\r\nTZOFFSETFROM:" + offset +
           "\r\nTZOFFSETTO:+0000\r\nDTSTART:16010101T030000\r\nRRULE:FREQ=YEARLY;BYDAY=-1SU;BYMONTH=10\r\n"
           "END:STANDARD\r\nEND:VTIMEZONE\r\nBEGIN:VTODO\r\nUID:interval-" + std::to_string(i) +
           "@bench\r\nDTSTAMP:20250101T000000Z\r\nSUMMARY:Task number " + std::to_string(i) +
           "\r\nDTSTART;TZID=Europe/Berlin:20250114T090000\r\nDUE;TZID=Europe/Berlin:20250715T170000\r\n"
           "END:VTODO\r\nEND:VCALENDAR\r\n";
}
std::string CraftedIntervalFile(int i) { return ZoneRuleFile(i, false); }
std::string SoundIntervalFile(int i) { return ZoneRuleFile(i, true); }

// A scratch store with `count` task files, each as File(i) writes it.
struct TStoreFolder {
    explicit TStoreFolder(int count, std::string (*File)(int) = TodomanFile) : count(count)
    {
        root = fs::temp_directory_path() / ("tovrin-bench-sync-" + std::to_string(::getpid()) +
                                            "-" + std::to_string(count));
        fs::remove_all(root);
        tasks = root / "tasks";
        fs::create_directories(tasks);
        Write(File);
    }
    void Write(std::string (*File)(int)) const
    {
        for (int i = 0; i < count; ++i)
            std::ofstream(tasks / ("task-" + std::to_string(i) + ".ics"), std::ios::binary) << File(i);
    }
    ~TStoreFolder() { fs::remove_all(root); }

    bool Run(TTovrinDataBase& db, uint8_t mode)
    {
        TQuietHost host;
        return SyncWithOutlook(db, host, FolderPathFromDirectory(tasks.string()), mode,
                               (root / "plan.tvd").string(), VdirApplicationFactory("/"));
    }
    void Forget() const { fs::remove(root / "plan_OutlookSync.state"); }

    int count;
    fs::path root, tasks;
};

// One timed two-way run; the outline is freed outside the time.
void TimedRun(benchmark::State& state, TStoreFolder& store, std::unique_ptr<TTovrinDataBase>& db)
{
    state.ResumeTiming();
    if (!store.Run(*db, smBothWays))
        state.SkipWithError("run failed");
    state.PauseTiming();
    db.reset();
    state.ResumeTiming();
}

// The first two-way run on a folder of files as File(i) writes them; with NewZones, zones this
// process has not seen.
void FirstRun(benchmark::State& state, std::string (*File)(int), bool NewZones = false)
{
    TStoreFolder store(static_cast<int>(state.range(0)), File);
    for (auto _ : state) {
        state.PauseTiming();
        if (NewZones) {
            ++zoneRound;
            store.Write(File);
        }
        auto db = std::make_unique<TTovrinDataBase>();
        store.Forget();
        TimedRun(state, store, db);
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}

void TwoWayFirstRun(benchmark::State& state) { FirstRun(state, TodomanFile); }
// Every file defines its own crafted zone.
void CraftedZonesFirstRun(benchmark::State& state) { FirstRun(state, CraftedZoneFile, true); }
// Zones whose rules' INTERVAL never reaches their days, and the same reaching them.
void CraftedIntervalsFirstRun(benchmark::State& state) { FirstRun(state, CraftedIntervalFile, true); }
void SoundIntervalsFirstRun(benchmark::State& state) { FirstRun(state, SoundIntervalFile, true); }

// Recurring task files in a zone: weekly, every working hour, and every day and a minute at
// midnight of the 29th of February (next in the year 3240: searched to the walk's bound, and
// left open).
std::string SeriesFile(int i, const std::string& rule)
{
    return "BEGIN:VCALENDAR\r\nVERSION:2.0\r\nPRODID:-//Bench//EN\r\nBEGIN:VTODO\r\nUID:series-" +
           std::to_string(i) + "\r\nDTSTAMP:20250101T000000Z\r\nSUMMARY:Series " + std::to_string(i) +
           "\r\nDTSTART;TZID=Europe/Berlin:20250307T160000\r\nDUE;TZID=Europe/Berlin:20250307T170000\r\n"
           "RRULE:" + rule + "\r\nEXDATE:20250314T150000Z\r\nEND:VTODO\r\nEND:VCALENDAR\r\n";
}
std::string WeeklyFile(int i) { return SeriesFile(i, "FREQ=WEEKLY;COUNT=50"); }
std::string WorkingHoursFile(int i)
{
    return SeriesFile(i, "FREQ=HOURLY;BYDAY=MO,TU,WE,TH,FR;BYHOUR=9,10,11,12,13,14,15,16,17");
}
std::string BeyondBoundFile(int i)
{
    return SeriesFile(i, "FREQ=MINUTELY;INTERVAL=1441;BYHOUR=0;BYMINUTE=0;BYMONTH=2;BYMONTHDAY=29");
}

// A run that completes every task of a linked outline of series: each file's series moves on.
void CompleteSeries(benchmark::State& state, std::string (*File)(int))
{
    TStoreFolder store(static_cast<int>(state.range(0)), File);
    for (auto _ : state) {
        state.PauseTiming();
        store.Write(File);
        store.Forget();
        auto db = std::make_unique<TTovrinDataBase>();
        store.Run(*db, smBothWays);
        db->Root->ForEachNode(
            [](void*, TTaskNode* t) {
                if (t->Caption.rfind("Series", 0) == 0) {
                    t->SetCompletionDateTime(Now());
                    t->SetModifiedDateTime(Now());
                }
            },
            nullptr);
        TimedRun(state, store, db);
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}
void CompleteWeekly(benchmark::State& state) { CompleteSeries(state, WeeklyFile); }
void CompleteWorkingHours(benchmark::State& state) { CompleteSeries(state, WorkingHoursFile); }
void CompleteBeyondBound(benchmark::State& state) { CompleteSeries(state, BeyondBoundFile); }

// A linked outline: one two-way run made first.
void Linked(benchmark::State& state, uint8_t mode, std::string (*File)(int) = TodomanFile)
{
    TStoreFolder store(static_cast<int>(state.range(0)), File);
    TTovrinDataBase db;
    store.Run(db, smBothWays);
    for (auto _ : state)
        if (!store.Run(db, mode))
            state.SkipWithError("run failed");
    state.SetItemsProcessed(state.iterations() * state.range(0));
}

void TwoWayNothingChanged(benchmark::State& state) { Linked(state, smBothWays); }
void StoreToOutline(benchmark::State& state) { Linked(state, smOutlookToTree); }
void ZonedNothingChanged(benchmark::State& state) { Linked(state, smBothWays, ZonedFile); }
void UtcNothingChanged(benchmark::State& state) { Linked(state, smBothWays, UtcFile); }
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
BENCHMARK(CraftedZonesFirstRun)->Arg(250)->Arg(1000)->Arg(4000)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(CraftedIntervalsFirstRun)->Arg(1000)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(SoundIntervalsFirstRun)->Arg(1000)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(TwoWayNothingChanged)->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(ZonedNothingChanged)->Arg(5000)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(UtcNothingChanged)->Arg(5000)->Unit(benchmark::kMillisecond)->UseRealTime();

BENCHMARK(CompleteWeekly)->Arg(1000)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(CompleteWorkingHours)->Arg(1000)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(CompleteBeyondBound)->Arg(1000)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(StoreToOutline)->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(OutlineToStoreUnchanged)->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(OutlineToStore)->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace

BENCHMARK_MAIN();
