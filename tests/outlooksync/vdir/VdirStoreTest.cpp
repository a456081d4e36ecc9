// The folder store of iCalendar files: finding folders, reading hand-written files, writing
// items back without losing what it does not know, new and deleted items, and whole
// synchronisation runs against it.
#include <gtest/gtest.h>

#include <filesystem>
#include <cstdlib>
#include <fstream>
#include <map>
#include <optional>
#include <sstream>
#include <unistd.h>

#include "outlooksync/ICalendar.h"
#include "outlooksync/OutlookSync.h"
#include "outlooksync/SyncTestHost.h"
#include "outlooksync/VdirTaskStore.h"
#include "platform/DateTime.h"
#include "taskdb/Services.h"
#include "taskdb/TaskNode.h"
#include "taskdb/TovrinDataBase.h"

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

class VdirStore : public ::testing::Test {
protected:
    VdirStore() : clock([this] { return now; })
    {
        if (const char* old = std::getenv("TZ"))
            oldTZ = old;
        setenv("TZ", "UTC0", 1);
        tzset();
        root = fs::temp_directory_path() /
               ("tovrin-vdir-" + std::to_string(::getpid()) + "-" +
                ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(root);
        tasks = root / "calendars" / "tasks";
        fs::create_directories(tasks);
    }
    ~VdirStore() override
    {
        fs::remove_all(root);
        if (oldTZ)
            setenv("TZ", oldTZ->c_str(), 1);
        else
            unsetenv("TZ");
        tzset();
    }

    std::string Read(const fs::path& p) const
    {
        std::ifstream in(p, std::ios::binary);
        std::ostringstream s;
        s << in.rdbuf();
        return s.str();
    }
    void Write(const fs::path& p, const std::string& text) const
    {
        std::ofstream(p, std::ios::binary) << text;
    }
    std::shared_ptr<IOutlookFolder> Folder(const fs::path& dir)
    {
        auto ns = CreateVdirApplication(root.string())->GetNameSpace("MAPI");
        std::shared_ptr<IOutlookFolders> folders = ns->Folders();
        std::shared_ptr<IOutlookFolder> folder;
        for (const auto& part : fs::relative(dir, root)) {
            folder.reset();
            for (int i = 1; i <= folders->Count(); ++i)
                if (folders->Item(i)->Name() == part.string())
                    folder = folders->Item(i);
            if (!folder)
                return nullptr;
            folders = folder->Folders();
        }
        return folder;
    }
    static std::u16string W(const std::string& s) { return AnsiToWide(s, 0); }
    static std::string A(const std::u16string& s) { return WideToAnsi(s, 0); }
    std::vector<fs::path> Files() const
    {
        std::vector<fs::path> files;
        for (const auto& e : fs::directory_iterator(tasks))
            files.push_back(e.path());
        return files;
    }

    std::optional<std::string> oldTZ;
    TDateTime now = EncodeDate(2024, 3, 1) + EncodeTime(9, 30, 15, 0);
    TClockOverride clock;
    fs::path root;
    fs::path tasks;
};

TEST_F(VdirStore, AHandWrittenFileIsReadWithUnfoldingAndUnescaping)
{
    Write(tasks / "hand-1.ics", kHandWritten);
    auto folder = Folder(tasks);
    ASSERT_TRUE(folder);
    EXPECT_EQ(folder->DefaultItemType(), olTaskItem);
    auto items = folder->Items();
    ASSERT_EQ(items->Count(), 1);
    auto item = items->Item(1);
    EXPECT_EQ(item->EntryID(), "hand-1@example.org");
    EXPECT_EQ(A(item->Subject()), "Buy milk, bread; and butter");
    EXPECT_EQ(A(item->Body()), "First line\r\nSecond \\ line");
    EXPECT_EQ(A(item->Categories()), "Home, Shop,ping");
    EXPECT_EQ(item->StartDate(), EncodeDate(2024, 1, 8));
    EXPECT_EQ(item->DueDate(), EncodeDate(2024, 1, 10));
    EXPECT_EQ(item->LastModificationTime(), EncodeDate(2024, 1, 2) + EncodeTime(10, 0, 0, 0));
    EXPECT_TRUE(item->IsRecurring());
    EXPECT_FALSE(item->Complete());
    EXPECT_EQ(item->DateCompleted(), OutlookNoDate);
}

TEST_F(VdirStore, SavingAnItemKeepsEverythingItDoesNotMap)
{
    Write(tasks / "hand-1.ics", kHandWritten);
    auto item = Folder(tasks)->Items()->Item(1);
    item->SetSubject(W("Buy milk"));
    item->SetComplete(true);
    item->SetDateCompleted(EncodeDate(2024, 2, 29) + EncodeTime(18, 0, 0, 0));
    item->Save();

    const std::string text = Read(tasks / "hand-1.ics");
    for (const char* kept : {"PRODID:-//Someone//Other client//EN\r\n", "PRIORITY:1\r\n",
                             "X-OTHER-CLIENT;X-PARAM=\"q:v\":kept as it is\r\n",
                             "RRULE:FREQ=WEEKLY\r\n", "BEGIN:VALARM\r\nACTION:DISPLAY\r\n",
                             "DESCRIPTION:First line\\nSecond \\\\ line\r\n",
                             "DUE;VALUE=DATE:20240110\r\n", "CATEGORIES:Home,Shop\\,ping\r\n"})
        EXPECT_NE(text.find(kept), std::string::npos) << kept;
    EXPECT_NE(text.find("SUMMARY:Buy milk\r\n"), std::string::npos);
    EXPECT_NE(text.find("STATUS:COMPLETED\r\n"), std::string::npos);
    EXPECT_NE(text.find("COMPLETED:20240229T180000Z\r\n"), std::string::npos);
    EXPECT_NE(text.find("LAST-MODIFIED:20240301T093015Z\r\n"), std::string::npos);
    EXPECT_FALSE(fs::exists(tasks / "hand-1.ics.tmp"));
    EXPECT_EQ(Files().size(), 1u);

    // A fresh look gives what was saved.
    auto again = Folder(tasks)->Items()->Item(1);
    EXPECT_TRUE(again->Complete());
    EXPECT_EQ(again->DateCompleted(), EncodeDate(2024, 2, 29) + EncodeTime(18, 0, 0, 0));
    EXPECT_EQ(again->LastModificationTime(), now);

    // Reopening takes the completion back.
    again->SetComplete(false);
    again->Save();
    const std::string reopened = Read(tasks / "hand-1.ics");
    EXPECT_NE(reopened.find("STATUS:NEEDS-ACTION\r\n"), std::string::npos);
    EXPECT_EQ(reopened.find("COMPLETED:"), std::string::npos);
}

TEST_F(VdirStore, DueAndStartShareTheirValueTypeAndTimesStayLocal)
{
    auto items = Folder(tasks)->Items();
    auto item = items->Add();
    EXPECT_EQ(item->EntryID(), "");
    const TDateTime due = EncodeDate(2024, 3, 10) + EncodeTime(17, 45, 0, 0);
    item->SetDueDate(due);
    item->SetStartDate(EncodeDate(2024, 3, 9));
    item->SetBody(W("one\r\ntwo\r\n"));
    item->SetCategories(W("Work, , Home"));
    item->Save();

    const std::string id = item->EntryID();
    ASSERT_FALSE(id.empty());
    ASSERT_EQ(Files().size(), 1u);
    const std::string text = Read(Files()[0]);
    EXPECT_NE(text.find("UID:" + id + "\r\n"), std::string::npos);
    EXPECT_NE(text.find("DUE:20240310T174500\r\n"), std::string::npos);
    EXPECT_NE(text.find("DTSTART:20240309T000000\r\n"), std::string::npos);
    EXPECT_NE(text.find("DESCRIPTION:one\\ntwo\\n\r\n"), std::string::npos);
    EXPECT_NE(text.find("CATEGORIES:Work,Home\r\n"), std::string::npos);
    EXPECT_EQ(ParseICalendar(text).size(), 1u);

    item->SetDueDate(EncodeDate(2024, 3, 12));
    item->Save();
    const std::string dates = Read(Files()[0]);
    EXPECT_NE(dates.find("DUE;VALUE=DATE:20240312\r\n"), std::string::npos);
    EXPECT_NE(dates.find("DTSTART;VALUE=DATE:20240309\r\n"), std::string::npos);

    item->SetDueDate(OutlookNoDate);
    item->Save();
    EXPECT_EQ(Read(Files()[0]).find("DUE"), std::string::npos);

    auto found = CreateVdirApplication(root.string())
                     ->GetNameSpace("MAPI")
                     ->GetItemFromID(id, Folder(tasks)->StoreID());
    EXPECT_EQ(A(found->Body()), "one\r\ntwo\r\n");
    found->Delete();
    EXPECT_TRUE(Files().empty());
    EXPECT_THROW(found->Subject(), EOutlookError);
    EXPECT_THROW(CreateVdirApplication(root.string())
                     ->GetNameSpace("MAPI")
                     ->GetItemFromID(id, Folder(tasks)->StoreID()),
                 EOutlookError);
}

TEST_F(VdirStore, OtherFilesAndFormsOfTheFormatAreHandled)
{
    // No UID (the file name stands in and is written on save), a duration instead of a due
    // date, a completion without status, LF line ends, an event file and a stray file.
    Write(tasks / "a-no-uid.ics",
          "BEGIN:VCALENDAR\nBEGIN:VTODO\nSUMMARY:x\nDTSTART:20240105T080000\nDURATION:P1DT2H\n"
          "COMPLETED:20240106T100000Z\nEND:VTODO\nEND:VCALENDAR\n");
    Write(tasks / "b-event.ics", "BEGIN:VCALENDAR\nBEGIN:VEVENT\nUID:e\nEND:VEVENT\nEND:VCALENDAR\n");
    Write(tasks / "notes.txt", "not a calendar");
    auto items = Folder(tasks)->Items();
    ASSERT_EQ(items->Count(), 1);
    auto item = items->Item(1);
    EXPECT_EQ(item->EntryID(), "a-no-uid");
    EXPECT_EQ(item->DueDate(), EncodeDate(2024, 1, 6) + EncodeTime(10, 0, 0, 0));
    EXPECT_TRUE(item->Complete());
    item->Save();
    EXPECT_NE(Read(tasks / "a-no-uid.ics").find("UID:a-no-uid\r\n"), std::string::npos);
    EXPECT_EQ(Folder(tasks)->Items()->Item(1)->EntryID(), "a-no-uid");
}

TEST_F(VdirStore, FoldersAreFoundByNameAndKeepTheirIdentityWhenMoved)
{
    fs::create_directories(root / "calendars" / "events");
    Write(root / "calendars" / "events" / "e.ics",
          "BEGIN:VCALENDAR\nBEGIN:VEVENT\nUID:e\nEND:VEVENT\nEND:VCALENDAR\n");
    fs::create_directories(root / "calendars" / ".hidden");
    auto calendars = Folder(root / "calendars");
    ASSERT_TRUE(calendars);
    EXPECT_EQ(calendars->Folders()->Count(), 2);
    EXPECT_NE(Folder(root / "calendars" / "events")->DefaultItemType(), olTaskItem);

    const std::string id = Folder(tasks)->EntryID();
    fs::rename(tasks, root / "calendars" / "todo");
    EXPECT_EQ(Folder(root / "calendars" / "todo")->EntryID(), id);
    EXPECT_EQ(FolderPathFromDirectory("/home/me/tasks"), "\\home\\me\\tasks");
    EXPECT_THROW(CreateVdirApplication((root / "missing").string()), EOutlookError);
}

TEST_F(VdirStore, AnOutlineAndAFolderOfFilesStayInStep)
{
    Write(tasks / "hand-1.ics", kHandWritten);
    TTovrinDataBase db;
    TTaskNode* mine = db.Root->AddChild("Write report", -1);
    mine->Note.SetText("Numbers, charts; conclusions");
    mine->SetDueDateTime(EncodeDate(2024, 3, 4));
    mine->SetLeadTime(2);
    mine->SetModifiedDateTime(now);
    TSyncTestHost host;
    const std::string dataFile = (root / "plan.tvd").string();
    const std::string path = "\\calendars\\tasks";

    ASSERT_TRUE(SyncWithOutlook(db, host, path, smBothWays, dataFile,
                                VdirApplicationFactory(root.string())));
    // The new-tasks parent goes across too, like every task not linked yet.
    ASSERT_EQ(Files().size(), 3u);
    TTaskNode* inbox = db.Root->Children[1];
    ASSERT_EQ(inbox->Children.Count(), 1);
    TTaskNode* milk = inbox->Children[0];
    EXPECT_EQ(milk->Caption, "Buy milk, bread; and butter");
    EXPECT_EQ(milk->LeadTime, 2);
    EXPECT_TRUE(milk->IsOutlookRecurring);
    auto written = CreateVdirApplication(root.string())
                       ->GetNameSpace("MAPI")
                       ->GetItemFromID(mine->OutlookEntryID, tasks.string());
    EXPECT_EQ(A(written->Body()), "Numbers, charts; conclusions\r\n");
    EXPECT_EQ(written->StartDate(), EncodeDate(2024, 3, 2));

    // Nothing changed: a second run rewrites no file.
    std::map<fs::path, std::string> before;
    for (const fs::path& f : Files())
        before[f] = Read(f);
    now += 1.0 / 24;
    ASSERT_TRUE(SyncWithOutlook(db, host, path, smBothWays, dataFile,
                                VdirApplicationFactory(root.string())));
    for (const auto& [file, text] : before)
        EXPECT_EQ(Read(file), text) << file;

    // A change in a file comes back into the outline; a file removed takes its task along.
    now += 1.0 / 24;
    std::string text = Read(tasks / "hand-1.ics");
    text.replace(text.find("SUMMARY:"), 8, "SUMMARY:Really ");
    const size_t lm = text.find("LAST-MODIFIED:");
    text.replace(lm, text.find("\r\n", lm) - lm, "LAST-MODIFIED:" + FormatICalUtcDateTime(now));
    Write(tasks / "hand-1.ics", text);
    now += 1.0 / 24;
    ASSERT_TRUE(SyncWithOutlook(db, host, path, smBothWays, dataFile,
                                VdirApplicationFactory(root.string())));
    EXPECT_EQ(milk->Caption.rfind("Really ", 0), 0u);

    fs::remove(tasks / "hand-1.ics");
    now += 1.0 / 24;
    ASSERT_TRUE(SyncWithOutlook(db, host, path, smBothWays, dataFile,
                                VdirApplicationFactory(root.string())));
    EXPECT_EQ(inbox->Children.Count(), 0);
    EXPECT_TRUE(host.S.Errors.empty());
}

} // namespace
