// Task files that identify their task oddly: named after a server's href instead of their
// UID and then losing the UID line, and UIDs that differ only in case.
#include "outlooksync/vdir/VdirTestSupport.h"

namespace {

std::string TaskFile(const std::string& uid, const std::string& summary, const std::string& extra = "")
{
    return "BEGIN:VCALENDAR\r\nVERSION:2.0\r\nPRODID:-//Test//EN\r\nBEGIN:VTODO\r\n" +
           (uid.empty() ? "" : "UID:" + uid + "\r\n") + "DTSTAMP:20250101T000000Z\r\nSUMMARY:" +
           summary + "\r\n" + extra + "END:VTODO\r\nEND:VCALENDAR\r\n";
}

using OddFiles = VdirFixture;

TEST_F(OddFiles, AFileThatLostItsUidKeepsItsTaskThroughTheNameTheLastRunRecorded)
{
    // Files named as a CalDAV server names them; each loses its UID line and goes bad in its
    // own way while its task is changed here, or stays usable.
    const struct {
        const char* name;
        std::string lostUid;   // the file without its UID line
        const char* logged;    // why it is left as it is; none: it is still used, unchanged here
    } cases[] = {
        {"bad-due", TaskFile("", "Task bad-due", "DUE:2025-01-15\r\n"), "the value of DUE is no date"},
        {"cut", TaskFile("", "Task cut").substr(0, 60), "the file is cut short"},
        {"latin1", TaskFile("", "Task latin1", "DESCRIPTION:caf\xE9\r\n"), "not UTF-8"},
        {"usable", TaskFile("", "Task usable"), nullptr},
    };
    auto file = [&](const std::string& name) { return tasks / ("3f2a-" + name + "-href.ics"); };
    for (const auto& c : cases)
        WriteText(file(c.name), TaskFile(std::string("uid-") + c.name, std::string("Task ") + c.name));
    ASSERT_TRUE(Sync());
    const int linked = db.Root->Children[0]->Children.Count();
    ASSERT_EQ(linked, static_cast<int>(std::size(cases)));

    for (const auto& c : cases) {
        WriteText(file(c.name), c.lostUid);
        TTaskNode* task = Find(std::string("Task ") + c.name);
        ASSERT_TRUE(task) << c.name;
        if (c.logged) {
            task->Caption += " here";
            Edit(task);
        }
    }
    ASSERT_TRUE(Sync());
    EXPECT_EQ(db.Root->Children[0]->Children.Count(), linked);
    EXPECT_TRUE(Find("Task usable"));
    for (const auto& c : cases) {
        if (c.logged) {
            EXPECT_TRUE(Find(std::string("Task ") + c.name + " here")) << c.name;
            EXPECT_EQ(ReadText(file(c.name)), c.lostUid) << c.name;
            EXPECT_THAT(Log(), HasSubstr(file(c.name).string() + "\" is left as it is: ")) << c.name;
        }
    }
    EXPECT_THAT(Log(), Not(HasSubstr("Deleting in Tovrin")));

    // Mended, each file takes the change made here, under the UID it had.
    for (const auto& c : cases)
        if (c.logged)
            WriteText(file(c.name), TaskFile(std::string("uid-") + c.name, std::string("Task ") + c.name));
    ASSERT_TRUE(Sync());
    EXPECT_EQ(db.Root->Children[0]->Children.Count(), linked);
    for (const auto& c : cases) {
        if (c.logged) {
            EXPECT_THAT(ReadText(file(c.name)), AllOf(HasSubstr(std::string("UID:uid-") + c.name + "\r\n"),
                                                      HasSubstr(std::string("SUMMARY:Task ") + c.name + " here\r\n")))
                << c.name;
        }
    }
}

TEST_F(OddFiles, UidsThatDifferOnlyInCaseNameDifferentTasks)
{
    db.SetNewOutlookTasksParent("");
    WriteText(tasks / "abc-123.ics", TaskFile("abc-123", "Lower"));
    WriteText(tasks / "ABC-123.ics", TaskFile("ABC-123", "Upper"));
    ASSERT_TRUE(Sync());
    TTaskNode* lower = Find("Lower");
    ASSERT_TRUE(lower && Find("Upper"));
    // The tasks in the other order than the files are met in.
    Find("Upper")->MoveTo(lower->Parent, 0);

    lower->Caption = "Lower edited";
    Edit(lower);
    ASSERT_TRUE(Sync());
    EXPECT_THAT(ReadText(tasks / "abc-123.ics"), HasSubstr("SUMMARY:Lower edited\r\n"));
    EXPECT_EQ(ReadText(tasks / "ABC-123.ics"), TaskFile("ABC-123", "Upper"));

    // Deleted here while a third spelling arrives in the folder.
    db.OutlookFolderPath = FolderPathFromDirectory(tasks.string());
    delete Find("Upper");
    WriteText(tasks / "Abc-123.ics", TaskFile("Abc-123", "Mixed"));
    ASSERT_TRUE(Sync());
    EXPECT_FALSE(fs::exists(tasks / "ABC-123.ics"));
    EXPECT_TRUE(Find("Mixed"));
    EXPECT_TRUE(Find("Lower edited"));
    EXPECT_EQ(Contents().size(), 2u);
    EXPECT_THAT(ReadText(tasks / "abc-123.ics"), HasSubstr("SUMMARY:Lower edited\r\n"));

    // Both deleted here: both files go.
    delete Find("Mixed");
    delete Find("Lower edited");
    ASSERT_TRUE(Sync());
    EXPECT_EQ(Contents().size(), 0u);
    EXPECT_EQ(db.Root->Children.Count(), 0);
}

} // namespace
