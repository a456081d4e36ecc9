#pragma once
// What the folder-store tests share: a scratch store root with one task folder, an outline
// synchronised with it by whole runs, libical's verdict on every file a run writes, and the
// real clients as child processes.
#include <libical/ical.h>
#include <sys/wait.h>

#include <cstdio>
#include <map>

#include "outlooksync/SyncTestFixture.h"
#include "outlooksync/SyncText.h"
#include "outlooksync/VdirTaskStore.h"

namespace fs = std::filesystem;

inline const std::string kFixtures = std::string(TOVRIN_TESTS_DIR) + "/outlooksync/fixtures/";

// What libical finds wrong with a text: parse errors and violated restrictions, one a line.
inline std::string ICalProblems(const std::string& text)
{
    icalcomponent* top = icalparser_parse_string(text.c_str());
    if (!top)
        return "libical can not parse it";
    icalrestriction_check(top);
    std::string problems;
    std::vector<icalcomponent*> todo{top};
    while (!todo.empty()) {
        icalcomponent* c = todo.back();
        todo.pop_back();
        for (icalproperty* p = icalcomponent_get_first_property(c, ICAL_XLICERROR_PROPERTY); p;
             p = icalcomponent_get_next_property(c, ICAL_XLICERROR_PROPERTY))
            problems += std::string(icalproperty_get_xlicerror(p)) + "\n";
        for (icalcomponent* k = icalcomponent_get_first_component(c, ICAL_ANY_COMPONENT); k;
             k = icalcomponent_get_next_component(c, ICAL_ANY_COMPONENT))
            todo.push_back(k);
    }
    icalcomponent_free(top);
    return problems;
}

// A shell command's standard output; its exit status in Status.
inline std::string Shell(const std::string& command, int* Status = nullptr)
{
    std::string out;
    FILE* pipe = ::popen(command.c_str(), "r");
    if (!pipe)
        return out;
    char buffer[4096];
    for (size_t n; (n = fread(buffer, 1, sizeof buffer, pipe)) > 0;)
        out.append(buffer, n);
    const int status = ::pclose(pipe);
    if (Status)
        *Status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return out;
}

inline bool Installed(const char* program)
{
    return Shell(std::string("command -v ") + program + " >/dev/null 2>&1 && echo yes") == "yes\n";
}

class VdirFixture : public ::testing::Test {
protected:
    VdirFixture() { fs::create_directories(tasks); }

    // One run; every file it wrote or changed must satisfy libical.
    bool Sync(uint8_t mode = smBothWays)
    {
        const auto before = Contents();
        const bool ok = SyncWithOutlook(db, host, FolderPathFromDirectory(tasks.string()), mode,
                                        (root / "plan.tvd").string(), VdirApplicationFactory("/"));
        for (const auto& [file, text] : Contents()) {
            if (!before.count(file) || before.at(file) != text) {
                EXPECT_EQ(ICalProblems(text), "") << file << "\n" << text;
            }
        }
        return ok;
    }
    std::map<fs::path, std::string> Contents() const
    {
        std::map<fs::path, std::string> files;
        for (const auto& e : fs::directory_iterator(tasks))
            if (e.path().extension() == ".ics")
                files[e.path()] = ReadText(e.path());
        return files;
    }
    std::string Log() const { return ReadText(root / "plan_OutlookSync.log"); }
    // The first task of the outline with this caption (nullptr when there is none).
    static TTaskNode* Find(const TTaskNode* parent, const std::string& caption)
    {
        for (TTaskNode* t : parent->Children)
            if (TTaskNode* found = t->Caption == caption ? t : Find(t, caption))
                return found;
        return nullptr;
    }
    TTaskNode* Find(const std::string& caption) const { return Find(db.Root.get(), caption); }
    void Edit(TTaskNode* task) { task->SetModifiedDateTime(Now()); }

    // Central European time, set before the clock is first read.
    bool zoneSet = (UseTimeZone("CET-1CEST,M3.5.0,M10.5.0/3"), true);
    // The clock moves on by a millisecond at each look, so every step of a test is later.
    TDateTime now = Now();
    TClockOverride clock{[this] { return now += 1.0 / 86400000; }};
    TScratchDir dir;
    fs::path root = dir.Path;
    fs::path tasks = root / "calendars" / "tasks";
    TTovrinDataBase db;
    TSyncTestHost host;
};

// The outline and todoman on the same folder: todoman's configuration and cache in the scratch
// folder, each test skipped where the client is not installed.
class TodomanFixture : public VdirFixture {
protected:
    // Extra lines for todoman's configuration (e.g. "default_due = 0\n").
    explicit TodomanFixture(std::string extraConfig = "") : extraConfig_(std::move(extraConfig)) {}

    void SetUp() override
    {
        for (const char* program : {"todoman", "python3"})
            if (!Installed(program))
                GTEST_SKIP() << program << " is not installed (Debian package " << program
                             << "); the test against the real client cannot run";
        UseTodoman(root / "calendars");
    }
    // todoman on the folders below Calendars.
    void UseTodoman(const fs::path& calendars)
    {
        const fs::path config = root / ("todoman-" + calendars.filename().string() + ".py");
        WriteText(config, "path = \"" + calendars.string() + "/*\"\ndate_format = \"%Y-%m-%d\"\n"
                          "time_format = \"%H:%M\"\ndefault_list = \"tasks\"\n" + extraConfig_ +
                          "cache_path = \"" + (root / (config.stem().string() + ".sqlite3")).string() + "\"\n");
        setenv("TODOMAN_CONFIG", config.c_str(), 1);
    }
    void Run(const std::string& command)
    {
        int status = -1;
        const std::string out = Shell(command + " 2>&1", &status);
        ASSERT_EQ(status, 0) << command << "\n" << out;
    }
    // todoman's own view: one field of the task with this summary, as JSON text.
    std::string Todoman(const std::string& summary, const std::string& field)
    {
        return Shell("todoman --porcelain list --status ANY | python3 -c 'import json,sys; "
                     "print(*[json.dumps(t[sys.argv[2]]) for t in json.load(sys.stdin) "
                     "if t[\"summary\"] == sys.argv[1]])' '" + summary + "' " + field);
    }
    std::string Id(const std::string& summary)
    {
        const std::string id = Todoman(summary, "id");
        return id.empty() ? "none" : id.substr(0, id.size() - 1);
    }
    // todoman rewrites one task's file in its editor, as a user editing it by hand would.
    void EditRaw(const std::string& summary, const std::string& sedScript)
    {
        WriteText(root / "edit.sed", sedScript + "\n");
        Run("EDITOR=\"sed -i -f '" + (root / "edit.sed").string() + "'\" todoman edit --raw " +
            Id(summary));
    }
    std::vector<std::string> TodomanSummaries()
    {
        std::string out = Shell("todoman --porcelain list --status ANY | python3 -c 'import json,sys; "
                                "print(*sorted(t[\"summary\"] for t in json.load(sys.stdin)), sep=\"\\n\")'");
        std::vector<std::string> lines;
        for (size_t pos = 0, end; (end = out.find('\n', pos)) != std::string::npos; pos = end + 1)
            lines.push_back(out.substr(pos, end - pos));
        return lines;
    }

private:
    std::string extraConfig_;
};
