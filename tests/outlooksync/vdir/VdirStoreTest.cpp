// The folder store of iCalendar files: finding folders, reading hand-written files, writing
// items back without losing what it does not know, new and deleted items, and whole
// synchronisation runs against it.
#include <map>

#include "outlooksync/ICalendar.h"
#include "outlooksync/SyncTestFixture.h"
#include "outlooksync/VdirTaskStore.h"

namespace {

namespace fs = std::filesystem;

const char* const kHandWritten =
    "BEGIN:VCALENDAR\r\n"
    "VERSION:2.0\r\n"
    "PRODID:-//Someone//Other client//EN\r\n"
    "BEGIN:VTODO\r\n"
    "UID:hand-1@example.org\r\n"
    "DTSTAMP:20240101T100000Z\r\n"
    "LAST-MODIFIED:20240102T100000Z\r\n"
    "SUMMARY:Buy milk\\, bread\\; and \r\n"
    " butter\r\n"
    "DESCRIPTION:First line\\nSecond \\\\ line\r\n"
    "CATEGORIES:Home,Shop\\,ping\r\n"
    "DTSTART;VALUE=DATE:20240108\r\n"
    "DUE;VALUE=DATE:20240110\r\n"
    "PRIORITY:1\r\n"
    "X-OTHER-CLIENT;X-PARAM=\"q:v\":kept as it is\r\n"
    "RRULE:FREQ=WEEKLY\r\n"
    "BEGIN:VALARM\r\n"
    "ACTION:DISPLAY\r\n"
    "TRIGGER:-PT15M\r\n"
    "END:VALARM\r\n"
    "END:VTODO\r\n"
    "END:VCALENDAR\r\n";

const char* const kEvent = "BEGIN:VCALENDAR\nBEGIN:VEVENT\nUID:e\nEND:VEVENT\nEND:VCALENDAR\n";

class VdirStore : public ::testing::Test {
protected:
    VdirStore()
    {
        UseTimeZone("UTC0");
        std::filesystem::create_directories(tasks);
    }

    // The folder a path below the root names, found the way a run finds it.
    std::shared_ptr<IOutlookFolder> Folder(const fs::path& dir)
    {
        TOutlookSyncRun run(db, host, VdirApplicationFactory(root.string()));
        run.FolderPath = FolderPathFromDirectory(fs::relative(dir, root).string());
        run.ConnectToOutlook();
        return run.Folder;
    }
    std::shared_ptr<IOutlookNameSpace> NameSpace()
    {
        return CreateVdirApplication(root.string())->GetNameSpace("MAPI");
    }
    bool Sync()
    {
        return SyncWithOutlook(db, host, "\\calendars\\tasks", smBothWays,
                               (root / "plan.tvd").string(), VdirApplicationFactory(root.string()));
    }
    std::vector<fs::path> Files() const
    {
        std::vector<fs::path> files;
        for (const auto& e : fs::directory_iterator(tasks))
            files.push_back(e.path());
        return files;
    }
    static auto Fields(IOutlookTaskItem& i)
    {
        return std::make_tuple(i.EntryID(), A(i.Subject()), A(i.Body()), A(i.Categories()),
                               i.StartDate(), i.DueDate(), i.LastModificationTime(),
                               i.IsRecurring(), i.Complete(), i.DateCompleted());
    }

    TDateTime now = EncodeDate(2024, 3, 1) + EncodeTime(9, 30, 15, 0);
    TClockOverride clock{[this] { return now; }};
    TScratchDir dir;
    fs::path root = dir.Path;
    fs::path tasks = root / "calendars" / "tasks";
    TTovrinDataBase db;
    TSyncTestHost host;
};

TEST_F(VdirStore, AHandWrittenFileIsReadWithUnfoldingAndUnescaping)
{
    WriteText(tasks / "hand-1.ics", kHandWritten);
    auto folder = Folder(tasks);
    ASSERT_TRUE(folder);
    EXPECT_EQ(folder->DefaultItemType(), olTaskItem);
    auto items = folder->Items();
    ASSERT_EQ(items->Count(), 1);
    EXPECT_EQ(Fields(*items->Item(1)),
              std::make_tuple("hand-1@example.org", "Buy milk, bread; and butter",
                              "First line\r\nSecond \\ line", "Home, Shop,ping",
                              EncodeDate(2024, 1, 8), EncodeDate(2024, 1, 10),
                              EncodeDate(2024, 1, 2) + EncodeTime(10, 0, 0, 0), true, false,
                              OutlookNoDate));
}

TEST_F(VdirStore, SavingAnItemKeepsEverythingItDoesNotMap)
{
    WriteText(tasks / "hand-1.ics", kHandWritten);
    const TDateTime completed = EncodeDate(2024, 2, 29) + EncodeTime(18, 0, 0, 0);
    auto item = Folder(tasks)->Items()->Item(1);
    item->SetSubject(W("Buy milk"));
    item->SetComplete(true);
    item->SetDateCompleted(completed);
    item->Save();

    const std::string text = ReadText(tasks / "hand-1.ics");
    for (const char* line : {"PRODID:-//Someone//Other client//EN\r\n", "PRIORITY:1\r\n",
                             "X-OTHER-CLIENT;X-PARAM=\"q:v\":kept as it is\r\n",
                             "RRULE:FREQ=WEEKLY\r\n", "BEGIN:VALARM\r\nACTION:DISPLAY\r\n",
                             "DESCRIPTION:First line\\nSecond \\\\ line\r\n",
                             "DUE;VALUE=DATE:20240110\r\n", "CATEGORIES:Home,Shop\\,ping\r\n",
                             "SUMMARY:Buy milk\r\n", "STATUS:COMPLETED\r\n",
                             "COMPLETED:20240229T180000Z\r\n",
                             "LAST-MODIFIED:20240301T093015Z\r\n"})
        EXPECT_THAT(text, HasSubstr(line));
    EXPECT_FALSE(fs::exists(tasks / "hand-1.ics.tmp"));
    EXPECT_EQ(Files().size(), 1u);

    // A fresh look gives what was saved; reopening takes the completion back.
    auto again = Folder(tasks)->Items()->Item(1);
    EXPECT_EQ(std::tuple(again->Complete(), again->DateCompleted(), again->LastModificationTime()),
              std::tuple(true, completed, now));
    again->SetComplete(false);
    again->Save();
    EXPECT_THAT(ReadText(tasks / "hand-1.ics"),
                AllOf(HasSubstr("STATUS:NEEDS-ACTION\r\n"), Not(HasSubstr("COMPLETED:"))));
}

TEST_F(VdirStore, DueAndStartShareTheirValueTypeAndTimesStayLocal)
{
    auto item = Folder(tasks)->Items()->Add();
    EXPECT_EQ(item->EntryID(), "");
    item->SetDueDate(EncodeDate(2024, 3, 10) + EncodeTime(17, 45, 0, 0));
    item->SetStartDate(EncodeDate(2024, 3, 9));
    item->SetBody(W("one\r\ntwo\r\n"));
    item->SetCategories(W("Work, , Home"));
    item->Save();

    const std::string id = item->EntryID();
    ASSERT_FALSE(id.empty());
    ASSERT_EQ(Files().size(), 1u);
    const std::string text = ReadText(Files()[0]);
    for (const std::string& line : {"UID:" + id, std::string("DUE:20240310T174500"),
                                   std::string("DTSTART:20240309T000000"),
                                   std::string("DESCRIPTION:one\\ntwo\\n"),
                                   std::string("CATEGORIES:Work,Home")})
        EXPECT_THAT(text, HasSubstr(line + "\r\n"));
    EXPECT_EQ(ParseICalendar(text).size(), 1u);

    item->SetDueDate(EncodeDate(2024, 3, 12));
    item->Save();
    EXPECT_THAT(ReadText(Files()[0]), AllOf(HasSubstr("DUE;VALUE=DATE:20240312\r\n"),
                                            HasSubstr("DTSTART;VALUE=DATE:20240309\r\n")));
    item->SetDueDate(OutlookNoDate);
    item->Save();
    EXPECT_THAT(ReadText(Files()[0]), Not(HasSubstr("DUE")));

    auto found = NameSpace()->GetItemFromID(id, Folder(tasks)->StoreID());
    EXPECT_EQ(A(found->Body()), "one\r\ntwo\r\n");
    found->Delete();
    EXPECT_TRUE(Files().empty());
    EXPECT_THROW(found->Subject(), EOutlookError);
    EXPECT_THROW(NameSpace()->GetItemFromID(id, Folder(tasks)->StoreID()), EOutlookError);
}

TEST_F(VdirStore, OtherFilesAndFormsOfTheFormatAreHandled)
{
    // No UID (the file name stands in and is written on save), a duration instead of a due
    // date, a completion without status, LF line ends, an event file and a stray file.
    WriteText(tasks / "a-no-uid.ics",
              "BEGIN:VCALENDAR\nBEGIN:VTODO\nSUMMARY:x\nDTSTART:20240105T080000\nDURATION:P1DT2H\n"
              "COMPLETED:20240106T100000Z\nEND:VTODO\nEND:VCALENDAR\n");
    WriteText(tasks / "b-event.ics", kEvent);
    WriteText(tasks / "notes.txt", "not a calendar");
    auto items = Folder(tasks)->Items();
    ASSERT_EQ(items->Count(), 1);
    auto item = items->Item(1);
    EXPECT_EQ(item->EntryID(), "a-no-uid");
    EXPECT_EQ(item->DueDate(), EncodeDate(2024, 1, 6) + EncodeTime(10, 0, 0, 0));
    EXPECT_TRUE(item->Complete());
    item->Save();
    EXPECT_THAT(ReadText(tasks / "a-no-uid.ics"), HasSubstr("UID:a-no-uid\r\n"));
    EXPECT_EQ(Folder(tasks)->Items()->Item(1)->EntryID(), "a-no-uid");
}

TEST_F(VdirStore, FoldersAreFoundByNameAndKeepTheirIdentityWhenMoved)
{
    fs::create_directories(root / "calendars" / "events");
    fs::create_directories(root / "calendars" / ".hidden");
    WriteText(root / "calendars" / "events" / "e.ics", kEvent);
    EXPECT_EQ(Folder(root / "calendars")->Folders()->Count(), 2);
    EXPECT_THAT([&] { Folder(root / "calendars" / "events"); },
                ::testing::ThrowsMessage<Exception>(HasSubstr("not a task folder")));

    const std::string id = Folder(tasks)->EntryID();
    fs::rename(tasks, root / "calendars" / "todo");
    EXPECT_EQ(Folder(root / "calendars" / "todo")->EntryID(), id);
    EXPECT_EQ(FolderPathFromDirectory("/home/me/tasks"), "\\home\\me\\tasks");
    EXPECT_THROW(CreateVdirApplication((root / "missing").string()), EOutlookError);
}

TEST_F(VdirStore, AnOutlineAndAFolderOfFilesStayInStep)
{
    WriteText(tasks / "hand-1.ics", kHandWritten);
    TTaskNode* mine = db.Root->AddChild("Write report", -1);
    mine->Note.SetText("Numbers, charts; conclusions");
    mine->SetDueDateTime(EncodeDate(2024, 3, 4));
    mine->SetLeadTime(2);
    mine->SetModifiedDateTime(now);

    ASSERT_TRUE(Sync());
    // The new-tasks parent goes across too, like every task not linked yet.
    ASSERT_EQ(Files().size(), 3u);
    TTaskNode* inbox = db.Root->Children[1];
    ASSERT_EQ(inbox->Children.Count(), 1);
    TTaskNode* milk = inbox->Children[0];
    EXPECT_EQ(milk->Caption, "Buy milk, bread; and butter");
    EXPECT_EQ(milk->LeadTime, 2);
    EXPECT_TRUE(milk->IsOutlookRecurring);
    auto written = NameSpace()->GetItemFromID(mine->OutlookEntryID, tasks.string());
    EXPECT_EQ(A(written->Body()), "Numbers, charts; conclusions\r\n");
    EXPECT_EQ(written->StartDate(), EncodeDate(2024, 3, 2));

    // Nothing changed: a second run rewrites no file.
    std::map<fs::path, std::string> before;
    for (const fs::path& f : Files())
        before[f] = ReadText(f);
    now += 1.0 / 24;
    ASSERT_TRUE(Sync());
    for (const auto& [file, text] : before)
        EXPECT_EQ(ReadText(file), text) << file;

    // A change in a file comes back into the outline; a file removed takes its task along.
    now += 1.0 / 24;
    std::string text = ReadText(tasks / "hand-1.ics");
    text.replace(text.find("SUMMARY:"), 8, "SUMMARY:Really ");
    const size_t lm = text.find("LAST-MODIFIED:");
    text.replace(lm, text.find("\r\n", lm) - lm, "LAST-MODIFIED:" + FormatICalUtcDateTime(now));
    WriteText(tasks / "hand-1.ics", text);
    now += 1.0 / 24;
    ASSERT_TRUE(Sync());
    EXPECT_THAT(milk->Caption, StartsWith("Really "));

    fs::remove(tasks / "hand-1.ics");
    now += 1.0 / 24;
    ASSERT_TRUE(Sync());
    EXPECT_EQ(inbox->Children.Count(), 0);
    EXPECT_TRUE(host.S.Errors.empty());
}

} // namespace
