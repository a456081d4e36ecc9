// Runs that do not end as planned, against todoman on the same folder: another program
// writing a file at the moment the run writes it, and runs killed at any point.
#include <poll.h>
#include <signal.h>
#include <sys/inotify.h>

#include "outlooksync/vdir/VdirTestSupport.h"

namespace {

class CutShort : public TodomanFixture {
protected:
    void SetUp() override
    {
        TodomanFixture::SetUp();
        db.SetNewOutlookTasksParent("");
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
    // The files of the folder whose names end so.
    int Count(const std::string& ending) const
    {
        int n = 0;
        for (const auto& e : fs::directory_iterator(tasks))
            n += e.path().filename().string().ends_with(ending);
        return n;
    }

    // A run of the outline as it is now, in a child process killed by SIGKILL once that many
    // files are staged and that many put in place, or right after the run when Staged is -1.
    // The outline here stays as it was saved before the run.
    void RunKilled(int Staged, int Renamed)
    {
        const int watch = ::inotify_init1(IN_CLOEXEC | IN_NONBLOCK);
        ASSERT_GE(watch, 0);
        ::inotify_add_watch(watch, tasks.c_str(), IN_CLOSE_WRITE | IN_MOVED_TO);
        const pid_t child = ::fork();
        if (child == 0) {
            try {
                SyncWithOutlook(db, host, FolderPathFromDirectory(tasks.string()), smBothWays,
                                (root / "plan.tvd").string(), VdirApplicationFactory("/"));
            } catch (...) {
            }
            ::raise(SIGKILL);
            ::_exit(1);
        }
        int staged = 0, renamed = 0, status = 0;
        while (Staged >= 0 && (staged < Staged || renamed < Renamed) &&
               ::waitpid(child, &status, WNOHANG) == 0) {
            pollfd p{watch, POLLIN, 0};
            ::poll(&p, 1, 100);
            alignas(inotify_event) char buffer[65536];
            for (ssize_t n; (n = ::read(watch, buffer, sizeof buffer)) > 0;)
                for (char* at = buffer; at < buffer + n;) {
                    auto* e = reinterpret_cast<inotify_event*>(at);
                    const std::string name = e->len ? e->name : "";
                    staged += (e->mask & IN_CLOSE_WRITE) && name.ends_with(".tovrin-tmp");
                    renamed += (e->mask & IN_MOVED_TO) && name.ends_with(".ics");
                    at += sizeof(inotify_event) + e->len;
                }
        }
        if (Staged >= 0)
            ::kill(child, SIGKILL);
        ::waitpid(child, &status, 0);
        ::close(watch);
        EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL);
        // Whatever the child saw of the clock, the next run here comes later.
        now += 1;
    }
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

TEST_F(CutShort, ARunKilledAtAnyPointLeavesEveryTaskOnceOnEachSide)
{
    const struct {
        const char* point;
        int tasks, staged, renamed;   // staged -1: killed after the run, before the save
        bool editedSince;             // a task is changed here before the next run
        std::string newTasksParent;   // made by the killed run, and again by the next
    } cases[] = {
        {"while the first files are staged", 3000, 300, 0, false, ""},
        {"while the first batch is put in place", 3000, 1024, 1, false, ""},
        {"once the first batch is in place", 3000, 1024, 1024, true, ""},
        {"after the run, before the outline is saved", 1, -1, 0, false, "<NewOutlookTasks>"},
        {"after the run, before the outline is saved, edited since", 3, -1, 0, true, ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.point);
        db.Clear();
        db.SetNewOutlookTasksParent(c.newTasksParent);
        fs::remove_all(tasks);
        fs::create_directories(tasks);
        fs::remove(root / "plan_OutlookSync.state");
        fs::remove(root / "plan_OutlookSync.log");
        std::vector<std::string> captions;
        if (!c.newTasksParent.empty())
            captions.push_back(c.newTasksParent);
        for (int i = 0; i < c.tasks; ++i) {
            captions.push_back("Task " + std::to_string(10000 + i));
            Edit(db.Root->AddChild(captions.back(), -1));
        }
        RunKilled(c.staged, c.renamed);
        if (c.staged >= 0) {
            EXPECT_LT(Count(".ics"), static_cast<int>(captions.size())) << "the run was not cut short";
        }
        if (c.editedSince) {
            db.Root->Children[0]->Caption = captions[0] = "Edited since";
            Edit(db.Root->Children[0]);
        }

        ASSERT_TRUE(Sync());
        std::sort(captions.begin(), captions.end());
        EXPECT_EQ(Captions(), captions);
        EXPECT_EQ(Count(".ics"), static_cast<int>(captions.size()));
        EXPECT_EQ(Count(".tovrin-tmp"), 0);
        EXPECT_THAT(Log(), Not(HasSubstr("[---")));
        EXPECT_EQ(TodomanSummaries(), captions);
        // Nothing is left to do.
        const auto files = Contents();
        ASSERT_TRUE(Sync());
        EXPECT_EQ(Contents(), files);
        EXPECT_EQ(Captions(), captions);
    }
}

} // namespace
