// The folder store against the real clients on the same folder: todoman creating, editing,
// completing, reopening and deleting tasks, and a CalDAV server (Radicale on loopback) with
// vdirsyncer carrying the tasks to a second device and a late offline edit back.
#include <arpa/inet.h>
#include <netinet/in.h>
#include <signal.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <thread>

#include "outlooksync/vdir/VdirTestSupport.h"

namespace {

class RealClients : public VdirFixture {
protected:
    void SetUp() override
    {
        for (const char* program : {"todoman", "python3"})
            if (!Installed(program))
                GTEST_SKIP() << program << " is not installed (Debian package " << program
                             << "); the test against the real client cannot run";
        UseTodoman(root / "calendars");
    }
    void TearDown() override
    {
        if (server > 0) {
            ::kill(server, SIGTERM);
            ::waitpid(server, nullptr, 0);
        }
    }

    // todoman on the folders below Calendars, its cache in the scratch folder.
    void UseTodoman(const fs::path& calendars)
    {
        const fs::path config = root / ("todoman-" + calendars.filename().string() + ".py");
        WriteText(config, "path = \"" + calendars.string() + "/*\"\ndate_format = \"%Y-%m-%d\"\n"
                          "time_format = \"%H:%M\"\ndefault_list = \"tasks\"\n"
                          "cache_path = \"" + (root / (config.stem().string() + ".sqlite3")).string() + "\"\n");
        setenv("TODOMAN_CONFIG", config.c_str(), 1);
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
        std::string id = Todoman(summary, "id");
        return id.empty() ? "none" : id.substr(0, id.size() - 1);
    }
    void Run(const std::string& command)
    {
        int status = -1;
        const std::string out = Shell(command + " 2>&1", &status);
        ASSERT_EQ(status, 0) << command << "\n" << out;
    }

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
    // A free port on loopback, and the server on it with its own storage.
    int probe = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof addr;
    ASSERT_EQ(::bind(probe, reinterpret_cast<sockaddr*>(&addr), sizeof addr), 0);
    ::getsockname(probe, reinterpret_cast<sockaddr*>(&addr), &length);
    ::close(probe);
    const std::string port = std::to_string(ntohs(addr.sin_port));
    server = ::fork();
    if (server == 0) {
        const std::string log = (root / "radicale.log").string();
        freopen(log.c_str(), "w", stdout);
        freopen(log.c_str(), "a", stderr);
        ::execlp("radicale", "radicale", "-C", "", "-H", ("127.0.0.1:" + port).c_str(),
                 "--auth-type", "none", "--storage-filesystem-folder",
                 (root / "server").c_str(), "--logging-level", "warning", nullptr);
        ::_exit(127);
    }
    bool listening = false;
    for (int i = 0; i < 100 && !listening; ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        int s = ::socket(AF_INET, SOCK_STREAM, 0);
        listening = ::connect(s, reinterpret_cast<sockaddr*>(&addr), sizeof addr) == 0;
        ::close(s);
    }
    ASSERT_TRUE(listening) << ReadText(root / "radicale.log");

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

} // namespace
