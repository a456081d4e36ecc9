// The folder store against the real clients on the same folder: todoman creating, editing,
// completing, reopening and deleting tasks, and a CalDAV server (Radicale on loopback) with
// vdirsyncer carrying the tasks to a second device and a late offline edit back.
#include <arpa/inet.h>
#include <netinet/in.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <thread>

#include "outlooksync/vdir/VdirTestSupport.h"

namespace {

// Radicale on a free port of loopback with its storage below Root; its pid (0 when it did not
// start listening). It runs in its own process group and dies with the thread that started
// it, so a test killed by a timeout leaves no server behind.
pid_t StartCalDAVServer(const fs::path& Root, std::string& Port)
{
    int probe = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof addr;
    if (::bind(probe, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0) {
        ::close(probe);
        return 0;
    }
    ::getsockname(probe, reinterpret_cast<sockaddr*>(&addr), &length);
    ::close(probe);
    Port = std::to_string(ntohs(addr.sin_port));
    const pid_t parent = ::getpid();
    const pid_t server = ::fork();
    if (server == 0) {
        ::setpgid(0, 0);
        ::prctl(PR_SET_PDEATHSIG, SIGKILL);
        if (::getppid() != parent)   // the test died before the signal was asked for
            ::_exit(1);
        const std::string log = (Root / "radicale.log").string();
        freopen(log.c_str(), "w", stdout);
        freopen(log.c_str(), "a", stderr);
        ::execlp("radicale", "radicale", "-C", "", "-H", ("127.0.0.1:" + Port).c_str(),
                 "--auth-type", "none", "--storage-filesystem-folder",
                 (Root / "server").c_str(), "--logging-level", "warning", nullptr);
        ::_exit(127);
    }
    ::setpgid(server, server);   // whichever of the two comes first
    for (int i = 0; i < 100; ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        int s = ::socket(AF_INET, SOCK_STREAM, 0);
        const bool listening = ::connect(s, reinterpret_cast<sockaddr*>(&addr), sizeof addr) == 0;
        ::close(s);
        if (listening)
            return server;
    }
    ::kill(-server, SIGKILL);
    ::waitpid(server, nullptr, 0);
    return 0;
}

class RealClients : public TodomanFixture {
protected:
    void TearDown() override
    {
        if (server > 0) {
            ::kill(-server, SIGTERM);
            ::waitpid(server, nullptr, 0);
        }
    }

    // One run with its own log at the most detailed level.
    bool SyncAlone()
    {
        fs::remove(root / "plan_OutlookSync.log");
        db.SyncLogLevel = 3;
        return Sync();
    }
    TTaskNode* Dated(const std::string& caption, TDateTime due, double lead = 1.0)
    {
        TTaskNode* task = db.Root->AddChild(caption, -1);
        task->SetDueDateTime(due);
        task->SetLeadTime(lead);
        Edit(task);
        return task;
    }
    // A task deleted here, with the deleted-items category set, across two further runs.
    void DeletedTaskStaysDeleted(const std::string& filter);

    pid_t server = 0;
};

TEST_F(RealClients, TodomanAndTovrinWorkOnOneFolder)
{
    Run("todoman new -l tasks -d '2025-01-15 17:00' 'Buy milk'");
    Run("printf 'Ask about Sunday; bring the map' | todoman new -l tasks -r 'Call Anna'");
    ASSERT_TRUE(Sync());
    TTaskNode* milk = Find("Buy milk");
    TTaskNode* anna = Find("Call Anna");
    ASSERT_TRUE(milk && anna);
    EXPECT_EQ(milk->DueDateTime, EncodeDate(2025, 1, 15) + EncodeTime(17, 0, 0, 0));
    EXPECT_EQ(NoteText(*anna), "Ask about Sunday; bring the map\r\n");

    // Completed there (COMPLETED before STATUS), reopened here, open there again.
    Run("todoman done " + Id("Buy milk"));
    ASSERT_TRUE(Sync());
    ASSERT_TRUE(milk->IsCompleted());
    milk->SetCompletionDateTime(0);
    milk->SetDueDateTime(EncodeDate(2025, 1, 20) + EncodeTime(8, 0, 0, 0));
    Edit(milk);
    ASSERT_TRUE(Sync());
    EXPECT_EQ(Todoman("Buy milk", "completed") + Todoman("Buy milk", "percent"), "false\n0\n");
    // The due time todoman wrote in UTC stays in UTC.
    EXPECT_EQ(Todoman("Buy milk", "due"), "1737356400\n");   // 2025-01-20 08:00 in Berlin
    std::string milkFile;
    for (const auto& [file, text] : Contents())
        if (text.find("SUMMARY:Buy milk") != std::string::npos)
            milkFile = text;
    EXPECT_THAT(milkFile, HasSubstr("DUE:20250120T070000Z\r\n"));

    // Edited there; a new task and a deletion here; a deletion there.
    Run("todoman edit --due '2025-02-01 09:30' " + Id("Buy milk"));
    TTaskNode* report = db.Root->AddChild("Write report", -1);
    report->Note.SetText("Numbers, charts; conclusions");
    report->SetDueDateTime(EncodeDate(2025, 3, 4) + EncodeTime(12, 0, 0, 0));
    Edit(report);
    Run("todoman delete --yes " + Id("Call Anna"));
    ASSERT_TRUE(Sync());
    EXPECT_EQ(milk->DueDateTime, EncodeDate(2025, 2, 1) + EncodeTime(9, 30, 0, 0));
    EXPECT_EQ(Find("Call Anna"), nullptr);
    EXPECT_EQ(Todoman("Write report", "description"), "\"Numbers, charts; conclusions\"\n");
    EXPECT_EQ(Todoman("Write report", "due"), "1741086000\n");   // 2025-03-04 12:00 in Berlin

    delete report;
    ASSERT_TRUE(Sync());
    EXPECT_EQ(Todoman("Write report", "id"), "\n");
    EXPECT_EQ(host.S.Errors, std::vector<std::string>{});
    EXPECT_THAT(Log(), Not(HasSubstr("[---")));
}

TEST_F(RealClients, ACalDAVServerCarriesTasksToAnotherDeviceAndLateEditsBack)
{
    for (const char* program : {"radicale", "vdirsyncer"})
        if (!Installed(program))
            GTEST_SKIP() << program << " is not installed (Debian package " << program
                         << "); the CalDAV round trip cannot run";
    std::string port;
    server = StartCalDAVServer(root, port);
    ASSERT_TRUE(server > 0 && !port.empty()) << ReadText(root / "radicale.log");

    // This machine's folder and a phone's, both paired with the server.
    fs::create_directories(root / "phone");
    WriteText(root / "vdirsyncer.conf",
              "[general]\nstatus_path = \"" + (root / "status").string() + "/\"\n"
              "[pair mine]\na = \"mine_local\"\nb = \"server\"\ncollections = [\"from a\", \"from b\"]\n"
              "[pair phone]\na = \"phone_local\"\nb = \"server\"\ncollections = [\"from b\"]\n"
              "[storage mine_local]\ntype = \"filesystem\"\npath = \"" + (root / "calendars").string() +
              "/\"\nfileext = \".ics\"\n"
              "[storage phone_local]\ntype = \"filesystem\"\npath = \"" + (root / "phone").string() +
              "/\"\nfileext = \".ics\"\n"
              "[storage server]\ntype = \"caldav\"\nurl = \"http://127.0.0.1:" + port +
              "/\"\nusername = \"tovrin\"\npassword = \"tovrin\"\n");
    const std::string vdirsyncer = "vdirsyncer -c '" + (root / "vdirsyncer.conf").string() + "' ";

    TTaskNode* rent = db.Root->AddChild("Pay rent", -1);
    rent->SetDueDateTime(EncodeDate(2025, 2, 1) + EncodeTime(10, 0, 0, 0));
    Edit(rent);
    ASSERT_TRUE(Sync());
    Run("yes | " + vdirsyncer + "discover mine");
    Run(vdirsyncer + "sync mine");
    Run("yes | " + vdirsyncer + "discover phone");
    Run(vdirsyncer + "sync phone");
    UseTodoman(root / "phone");
    EXPECT_EQ(Todoman("Pay rent", "due"), "1738400400\n");   // 2025-02-01 10:00 in Berlin

    // The phone edits offline with a clock years behind; a run here meanwhile; then the
    // phone goes online and the edit reaches this folder after that run.
    Run("todoman edit --due '2025-06-01 08:00' " + Id("Pay rent"));
    Run("sed -i -E 's/^(LAST-MODIFIED|DTSTAMP)(;[^:]*)?:.*/\\1:20200101T000000Z\\r/' '" +
        (root / "phone").string() + "'/*/*.ics");
    ASSERT_TRUE(Sync());
    Run(vdirsyncer + "sync phone");
    Run(vdirsyncer + "sync mine");
    ASSERT_TRUE(Sync());
    EXPECT_EQ(rent->DueDateTime, EncodeDate(2025, 6, 1) + EncodeTime(8, 0, 0, 0));
    EXPECT_THAT(Log(), Not(HasSubstr("[---")));
}

// A test killed while its server runs (as by a timeout) leaves no server behind.
TEST_F(RealClients, ACalDAVServerEndsWithTheTestThatStartedIt)
{
    if (!Installed("radicale"))
        GTEST_SKIP() << "radicale is not installed (Debian package radicale)";
    // The server outlives its test's process only as an orphan, which then comes here.
    fs::create_directories(root / "killed");
    ASSERT_EQ(::prctl(PR_SET_CHILD_SUBREAPER, 1), 0);
    int channel[2];
    ASSERT_EQ(::pipe(channel), 0);
    const pid_t test = ::fork();
    if (test == 0) {
        ::close(channel[0]);
        std::string port;
        const pid_t started = StartCalDAVServer(root / "killed", port);
        if (::write(channel[1], &started, sizeof started) != sizeof started)
            ::_exit(1);
        ::pause();
        ::_exit(0);
    }
    ::close(channel[1]);
    pid_t started = 0;
    const bool told = ::read(channel[0], &started, sizeof started) == sizeof started;
    ::close(channel[0]);
    ::kill(test, SIGKILL);
    ::waitpid(test, nullptr, 0);
    bool ended = !told || started <= 0;
    for (int i = 0; i < 400 && !ended; ++i) {
        ended = ::waitpid(started, nullptr, WNOHANG) == started;
        if (!ended)
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    if (!ended) {
        ::kill(-started, SIGKILL);
        ::waitpid(started, nullptr, 0);
    }
    ::prctl(PR_SET_CHILD_SUBREAPER, 0);
    EXPECT_TRUE(told && started > 0) << ReadText(root / "killed" / "radicale.log");
    EXPECT_TRUE(ended);
}

// todoman and the outline both touch tasks without changing what the pair compares, in every
// form a start can take; identical edits on both sides; then one true conflict.
TEST_F(RealClients, UnchangedPairsMakeNoConflictCopiesAndWriteNothing)
{
    db.SetNewOutlookTasksParent("");
    const TDateTime due = EncodeDate(2030, 5, 1) + EncodeTime(10, 0, 0, 0);
    const std::vector<TTaskNode*> mine = {
        Dated("Dated", due), Dated("Two days", due, 2), Dated("Eight hours", due, 1.0 / 3),
        Dated("Whole day", EncodeDate(2030, 5, 3)), Dated("Empty last line", due),
        Dated("Undated", 0), Dated("Ring\x07 the bell", due)};
    mine[4]->Note.SetText("first\r\n\r\n");
    ASSERT_EQ(NoteText(*mine[4]), "first\r\n\r\n");
    mine[6]->Note.SetText("ring\x1B it");
    Run("todoman new -l tasks -d '2030-05-02 09:00' 'From todoman'");
    Run("todoman new -l tasks -s '2030-04-30 09:00' -d '2030-05-02 09:00' 'With start'");
    ASSERT_TRUE(SyncAlone());
    // As todoman sees them: what a file cannot hold is left out.
    const std::vector<std::string> all = {"Dated", "Eight hours", "Empty last line", "From todoman",
                                          "Ring the bell", "Two days", "Undated", "Whole day",
                                          "With start"};
    ASSERT_EQ(TodomanSummaries(), all);
    EXPECT_EQ(Todoman("Empty last line", "description") + Todoman("Ring the bell", "description"),
              "\"first\\n\\n\"\n\"ring it\"\n");
    std::vector<TTaskNode*> tasks = mine;
    for (const char* theirs : {"From todoman", "With start"}) {
        tasks.push_back(Find(theirs));
        ASSERT_TRUE(tasks.back()) << theirs;
    }

    // Both sides touched: todoman changes only the priority, the outline nothing compared.
    for (const std::string& summary : all)
        Run("todoman edit --priority high " + Id(summary));
    for (TTaskNode* task : tasks)
        Edit(task);
    ASSERT_TRUE(SyncAlone());
    EXPECT_EQ(static_cast<size_t>(db.Root->Children.Count()), all.size());
    EXPECT_EQ(TodomanSummaries(), all);
    EXPECT_THAT(Log(), AllOf(Not(HasSubstr("Processing conflict")), Not(HasSubstr("has been changed in")),
                             HasSubstr("Task has not been changed (skipped): \"From todoman\"")));
    EXPECT_EQ(std::lround(tasks.back()->LeadTime * 24), 48);

    // The outline alone touched: nothing is written, nothing logged as changed.
    const auto files = Contents();
    for (TTaskNode* task : tasks)
        Edit(task);
    ASSERT_TRUE(SyncAlone());
    EXPECT_EQ(Contents(), files);
    EXPECT_THAT(Log(), Not(HasSubstr("has been changed in")));

    // The same edits on both sides.
    Run("todoman edit --due '2030-06-01 10:00' " + Id("Dated"));
    mine[0]->SetDueDateTime(EncodeDate(2030, 6, 1) + EncodeTime(10, 0, 0, 0));
    Edit(mine[0]);
    EditRaw("Two days", "s/^SUMMARY:.*/SUMMARY:Two days\\\\, renamed\\r/");
    mine[1]->Caption = "Two days, renamed";
    Edit(mine[1]);
    EditRaw("Empty last line", "s/^DESCRIPTION:.*/DESCRIPTION:first\\\\nsecond\\\\n\\\\n\\r/");
    mine[4]->Note.SetText("first\r\nsecond\r\n\r\n");
    Edit(mine[4]);
    ASSERT_TRUE(SyncAlone());
    EXPECT_THAT(Log(), AllOf(Not(HasSubstr("Processing conflict")), Not(HasSubstr("has been changed in"))));
    EXPECT_EQ(static_cast<size_t>(db.Root->Children.Count()), all.size());

    // A true conflict still leaves both versions on both sides.
    EditRaw("Eight hours", "s/^SUMMARY:.*/SUMMARY:Theirs\\r/");
    mine[2]->Caption = "Mine";
    Edit(mine[2]);
    ASSERT_TRUE(SyncAlone());
    EXPECT_THAT(Log(), HasSubstr("Task has been changed in both places (Tovrin and Outlook): \"Mine\""));
    for (const char* copy : {"<!Sync conflict (Tovrin)!> Mine", "<!Sync conflict (Outlook)!> Theirs"}) {
        EXPECT_TRUE(Find(copy)) << copy;
        EXPECT_EQ(Todoman(copy, "summary"), "\"" + std::string(copy) + "\"\n");
    }
    EXPECT_EQ(static_cast<size_t>(db.Root->Children.Count()), all.size() + 1);
    EXPECT_EQ(host.S.Errors, std::vector<std::string>{});
}

// A run aborted after writing some tasks: at the next run the written ones are equal on both
// sides although both count as changed.
TEST_F(RealClients, TasksWrittenByAnAbortedRunAreNoConflictsAtTheNextRun)
{
    db.SetNewOutlookTasksParent("");
    const TDateTime due = EncodeDate(2030, 5, 1) + EncodeTime(10, 0, 0, 0);
    std::vector<TTaskNode*> tasks;
    for (const char* caption : {"One", "Two", "Three", "Four"}) {
        tasks.push_back(Dated(caption, due));
        tasks.back()->Note.SetText("a note\r\n\r\n");
    }
    ASSERT_TRUE(SyncAlone());
    for (TTaskNode* task : tasks) {
        task->Caption += " changed";
        Edit(task);
    }
    host.S.AbortAtStep = 3;
    ASSERT_FALSE(SyncAlone());
    const std::vector<std::string> written = TodomanSummaries();
    ASSERT_EQ(std::count_if(written.begin(), written.end(),
                            [](const std::string& s) { return s.ends_with(" changed"); }),
              2);

    host.S.AbortAtStep = -1;
    ASSERT_TRUE(SyncAlone());
    EXPECT_THAT(Log(), Not(HasSubstr("Processing conflict")));
    EXPECT_THAT(Log(), HasSubstr("Task has been changed in Tovrin: "));
    EXPECT_EQ(TodomanSummaries(), (std::vector<std::string>{"Four changed", "One changed",
                                                            "Three changed", "Two changed"}));
    EXPECT_EQ(db.Root->Children.Count(), 4);
}

void RealClients::DeletedTaskStaysDeleted(const std::string& filter)
{
    db.OutlookCategory = filter;
    db.DeletedItemsCategory = "Deleted in Tovrin";
    TTaskNode* gone = db.Root->AddChild("Gone", -1);
    Edit(gone);
    Edit(db.Root->AddChild("Kept", -1));
    ASSERT_TRUE(SyncAlone());
    delete gone;
    ASSERT_TRUE(SyncAlone());
    EXPECT_THAT(Log(), HasSubstr("Task has been deleted in Tovrin: \"Gone\". Changing Outlook "
                                 "category to \"Deleted in Tovrin\""));
    for (int run = 1; run <= 2; ++run) {
        // A task new in todoman still comes in (when the filter lets it).
        Run("todoman new -l tasks 'New " + std::to_string(run) + "'");
        ASSERT_TRUE(SyncAlone());
        EXPECT_EQ(Find("Gone"), nullptr) << "run " << run;
        EXPECT_EQ(Find("New " + std::to_string(run)) != nullptr, filter.empty()) << "run " << run;
        EXPECT_TRUE(Find("Kept")) << "run " << run;
        EXPECT_THAT(Log(), Not(HasSubstr("added to Tovrin: \"Gone\"")));
    }
    // The item stays in the folder with the category it was given.
    EXPECT_EQ(Todoman("Gone", "summary"), "\"Gone\"\n");
    int marked = 0;
    for (const auto& [file, text] : Contents())
        marked += text.find("SUMMARY:Gone\r\n") != std::string::npos &&
                  text.find("CATEGORIES:Deleted in Tovrin\r\n") != std::string::npos;
    EXPECT_EQ(marked, 1);
}

TEST_F(RealClients, ATaskDeletedHereStaysDeletedWithoutACategoryFilter)
{
    DeletedTaskStaysDeleted("");
}

TEST_F(RealClients, ATaskDeletedHereStaysDeletedWithACategoryFilter)
{
    DeletedTaskStaysDeleted("Work");
}

} // namespace
