// Runs that do not end as planned, against todoman on the same folder: another program
// writing a file at the moment the run writes it, and runs killed at any point.
#include "outlooksync/vdir/VdirTestSupport.h"

namespace {

class CutShort : public VdirFixture {
protected:
    void SetUp() override
    {
        for (const char* program : {"todoman", "python3"})
            if (!Installed(program))
                GTEST_SKIP() << program << " is not installed (Debian package " << program
                             << "); the test against the real client cannot run";
        const fs::path config = root / "todoman.py";
        WriteText(config, "path = \"" + (root / "calendars").string() + "/*\"\n"
                          "date_format = \"%Y-%m-%d\"\ntime_format = \"%H:%M\"\n"
                          "default_list = \"tasks\"\ncache_path = \"" +
                              (root / "todoman.sqlite3").string() + "\"\n");
        setenv("TODOMAN_CONFIG", config.c_str(), 1);
        db.SetNewOutlookTasksParent("");
    }
    void Run(const std::string& command)
    {
        int status = -1;
        const std::string out = Shell(command + " 2>&1", &status);
        ASSERT_EQ(status, 0) << command << "\n" << out;
    }
    // todoman's id of the task with this summary.
    std::string Id(const std::string& summary)
    {
        return Shell("todoman --porcelain list --status ANY | python3 -c 'import json,sys; "
                     "print(*[t[\"id\"] for t in json.load(sys.stdin) if t[\"summary\"] == "
                     "sys.argv[1]], end=\"\")' '" + summary + "'");
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
    std::vector<std::string> Captions() const
    {
        std::vector<std::string> captions;
        for (TTaskNode* t : db.Root->Children)
            captions.push_back(t->Caption);
        std::sort(captions.begin(), captions.end());
        return captions;
    }
    fs::path FileOf(const TTaskNode* task) const { return tasks / (task->OutlookEntryID + ".ics"); }
};

TEST_F(CutShort, AChangeHereOvertakenByAnotherProgramIsStillAChangeAtTheNextRun)
{
    const struct {
        const char* caption;
        std::string theirs;   // what todoman does to the file while the run writes it
        std::vector<std::string> after;
    } cases[] = {
        {"Edited there", "EDITOR=\"sed -i -f " + (root / "edit.sed").string() + "\" todoman edit --raw ",
         {"<!Sync conflict (Outlook)!> Theirs", "<!Sync conflict (Tovrin)!> Edited there, mine"}},
        {"Deleted there", "todoman delete --yes ", {"<!Sync conflict (Tovrin)!> Deleted there, mine"}},
    };
    WriteText(root / "edit.sed", "s/^SUMMARY:.*/SUMMARY:Theirs\\r/\n");
    std::vector<std::string> expected = {"Visited last"};
    for (const auto& c : cases) {
        Edit(db.Root->AddChild(c.caption, -1));
        expected.insert(expected.end(), c.after.begin(), c.after.end());
    }
    ASSERT_TRUE(Sync());
    WriteText(tasks / "0-visited-last.ics", "BEGIN:VCALENDAR\r\nVERSION:2.0\r\nPRODID:-//Test//EN\r\n"
              "BEGIN:VTODO\r\nUID:0-visited-last\r\nSUMMARY:Visited last\r\nEND:VTODO\r\nEND:VCALENDAR\r\n");
    ASSERT_TRUE(Sync());

    std::vector<fs::path> staged;
    for (const auto& c : cases) {
        TTaskNode* task = Find(c.caption);
        staged.push_back(tasks / ("." + FileOf(task).filename().string() + ".tovrin-tmp"));
        task->Caption += ", mine";
        task->Note.SetText("my note");
        Edit(task);
    }
    // todoman acts on each file once the run has written it and before it is in place.
    std::vector<bool> done(std::size(cases));
    host.S.OnStep = [&] {
        for (size_t i = 0; i < std::size(cases); ++i)
            if (!done[i] && fs::exists(staged[i])) {
                done[i] = true;
                Run(cases[i].theirs + Id(cases[i].caption));
            }
    };
    ASSERT_TRUE(Sync());
    host.S.OnStep = nullptr;
    ASSERT_EQ(done, std::vector<bool>(std::size(cases), true));
    EXPECT_THAT(Log(), AllOf(HasSubstr("was changed by another program during the run"),
                             HasSubstr("was deleted by another program during the run")));

    ASSERT_TRUE(Sync());
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(Captions(), expected);
    EXPECT_EQ(TodomanSummaries(), expected);
    EXPECT_EQ(Shell("todoman --porcelain list --status ANY | python3 -c 'import json,sys; "
                    "print(sorted(t[\"description\"] for t in json.load(sys.stdin)))'"),
              "['', '', 'my note', 'my note']\n");
}

} // namespace
