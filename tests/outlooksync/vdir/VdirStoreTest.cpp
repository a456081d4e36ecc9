// The folder store in whole runs: files in the forms other clients write, files that cannot
// be used, changes that reach the folder late or during a run, recurring tasks, and folders
// that hold other things too. libical checks every file a run writes (VdirFixture::Sync).
#include <sys/stat.h>

#include <cmath>

#include "outlooksync/vdir/VdirTestSupport.h"
#include "platform/StrUtils.h"

namespace {

using ::testing::ElementsAre;

std::string TaskFile(const std::string& uid, const std::string& extra = "")
{
    return "BEGIN:VCALENDAR\r\nVERSION:2.0\r\nPRODID:-//Test//EN\r\nBEGIN:VTODO\r\nUID:" + uid +
           "\r\nDTSTAMP:20250101T000000Z\r\nSUMMARY:Task " + uid + "\r\n" + extra +
           "END:VTODO\r\nEND:VCALENDAR\r\n";
}

// The file without the lines a write of the caption may change.
std::string Unchanged(const std::string& text)
{
    std::string out;
    bool skipping = false;
    for (size_t pos = 0; pos < text.size();) {
        const size_t end = std::min(text.find('\n', pos), text.size() - 1) + 1;
        const std::string line = text.substr(pos, end - pos);
        if (line[0] != ' ')
            skipping = false;
        for (const char* name : {"SUMMARY", "LAST-MODIFIED", "DTSTAMP", "SEQUENCE"})
            skipping = skipping || line.rfind(std::string(name) + ":", 0) == 0;
        if (!skipping)
            out += line;
        pos = end;
    }
    return out;
}

using VdirStore = VdirFixture;

TEST_F(VdirStore, ForeignFilesAreReadInTheirZonesAndKeptByteForByte)
{
    const struct {
        const char* file;
        const char* caption;
        TDateTime due;
        long leadHours;
        bool complete, recurring;
        const char* note;
        const char* sequence;
    } cases[] = {
        // The file's own VTIMEZONE, an alarm, a status in progress.
        {"thunderbird.ics", "Prepare the quarterly report", EncodeDate(2025, 1, 15) + EncodeTime(17, 0, 0, 0),
         56, false, false, "Numbers from finance\r\nCharts for the board, in colour\r\n",
         "SEQUENCE:1\r\n"},
        // A zone from the system's database (New York 17:00 is Berlin 23:00), a series with an
        // overridden occurrence.
        {"nextcloud.ics", "Water the plants", EncodeDate(2025, 1, 15) + EncodeTime(23, 0, 0, 0), 24, false, true,
         "", "SEQUENCE:1\r\n"},
        // Completed, COMPLETED before STATUS, a fold inside a UTF-8 sequence.
        {"apple.ics", "Renew passport \xE2\x80\x93 photos", EncodeDate(2025, 1, 10), 24, true, false,
         "Appointment at the B\xC3\xBCrgeramt, room 3: bring the old passport and two photos "
         "(\xE6\x97\xA5\xE6\x9C\xAC\xE8\xAA\x9E)\r\n",
         "SEQUENCE:4\r\n"},
    };
    for (const auto& c : cases)
        fs::copy_file(kFixtures + c.file, tasks / c.file);
    ASSERT_TRUE(Sync());
    for (const auto& c : cases) {
        TTaskNode* task = Find(c.caption);
        ASSERT_TRUE(task) << c.file;
        EXPECT_EQ(std::tuple(task->DueDateTime, std::lround(task->LeadTime * 24), task->IsCompleted(),
                             bool(task->IsOutlookRecurring), NoteText(*task)),
                  std::tuple(c.due, c.leadHours, c.complete, c.recurring, std::string(c.note)))
            << c.file;
        EXPECT_EQ(ReadText(tasks / c.file), ReadText(kFixtures + c.file)) << c.file;
        task->Caption += " (checked)";
        Edit(task);
    }

    ASSERT_TRUE(Sync());
    for (const auto& c : cases) {
        const std::string text = ReadText(tasks / c.file);
        EXPECT_THAT(text, AllOf(HasSubstr("SUMMARY:" + std::string(c.caption) + " (checked)\r\n"),
                                HasSubstr(c.sequence)))
            << c.file;
        EXPECT_EQ(Unchanged(text), Unchanged(ReadText(kFixtures + c.file))) << c.file;
    }
    // A new time is written in the zone the file used.
    TTaskNode* report = Find("Prepare the quarterly report (checked)");
    report->SetDueDateTime(report->DueDateTime + 1);
    Edit(report);
    ASSERT_TRUE(Sync());
    EXPECT_THAT(ReadText(tasks / "thunderbird.ics"),
                AllOf(HasSubstr("DUE;TZID=Europe/Berlin:20250116T170000\r\n"),
                      HasSubstr("DTSTART;TZID=Europe/Berlin:20250114T090000\r\n")));
    EXPECT_EQ(host.S.Errors, std::vector<std::string>{});
}

TEST_F(VdirStore, FilesThatCannotBeUsedAreLoggedLeftAsTheyAreAndKeepTheirTasks)
{
    const std::string two = TaskFile("a");
    // A zone of the file's own whose summer time recurs hourly: libical would walk it for
    // minutes at every look at a time.
    std::string hourly = TaskFile("hourly", "DUE;TZID=Custom/Hourly:20250115T170000\r\n");
    hourly.insert(hourly.find("BEGIN:VTODO"),
                  "BEGIN:VTIMEZONE\r\nTZID:Custom/Hourly\r\nBEGIN:DAYLIGHT\r\nTZOFFSETFROM:+0100\r\n"
                  "TZOFFSETTO:+0200\r\nDTSTART:19700329T020000\r\nRRULE:FREQ=HOURLY;BYDAY=-1SU;BYMONTH=3\r\n"
                  "END:DAYLIGHT\r\nEND:VTIMEZONE\r\n");
    const struct {
        const char* name;
        std::string text;
        const char* reason;
    } cases[] = {
        {"empty", "", "it is empty"},
        {"garbage", "\x01\x02 no calendar at all", "it holds no VCALENDAR"},
        {"truncated", TaskFile("truncated").substr(0, 70), "it ends inside VTODO (the file is cut short)"},
        {"bare", "BEGIN:VTODO\r\nUID:bare\r\nEND:VTODO\r\n", "it holds no VCALENDAR"},
        {"bad-due", TaskFile("bad-due", "DUE:2025-01-15\r\n"), "the value of DUE is no date"},
        {"zone", TaskFile("zone", "DUE;TZID=Mars/Olympus:20250115T170000\r\n"),
         "DUE names the unknown time zone \"Mars/Olympus\""},
        {"hourly", hourly, "DUE names the unknown time zone \"Custom/Hourly\""},
        {"two", two.substr(0, two.find("END:VCALENDAR")) + "BEGIN:VTODO\r\nUID:b\r\nEND:VTODO\r\n" +
                    "END:VCALENDAR\r\n",
         "it holds more than one task"},
        {"latin1", TaskFile("latin1", "DESCRIPTION:caf\xE9\r\n"), "it holds bytes that are not UTF-8"},
    };
    for (const auto& c : cases)
        WriteText(tasks / (std::string(c.name) + ".ics"), TaskFile(c.name));
    ASSERT_TRUE(Sync());
    const int linked = db.Root->Children[0]->Children.Count();
    ASSERT_EQ(linked, static_cast<int>(std::size(cases)));

    // Each file goes bad (and a new bad file comes beside it) while its task changes here.
    for (const auto& c : cases) {
        WriteText(tasks / (std::string(c.name) + ".ics"), c.text);
        WriteText(tasks / ("new-" + std::string(c.name) + ".ics"), c.text);
        TTaskNode* task = Find("Task " + std::string(c.name));
        ASSERT_TRUE(task) << c.name;
        task->Caption += " here";
        Edit(task);
    }
    const auto bad = Contents();
    ASSERT_TRUE(Sync());
    EXPECT_EQ(Contents(), bad);
    EXPECT_EQ(db.Root->Children[0]->Children.Count(), linked);
    for (const auto& c : cases) {
        EXPECT_TRUE(Find("Task " + std::string(c.name) + " here")) << c.name;
        for (const std::string prefix : {"", "new-"})
            EXPECT_THAT(Log(), HasSubstr("[---ERROR---] Unexpected error: The file \"" +
                                         (tasks / (prefix + c.name + ".ics")).string() +
                                         "\" is left as it is: " + c.reason))
                << c.name;
    }

    // Once a file is whole again, the change made here meanwhile reaches it.
    for (const auto& c : cases)
        WriteText(tasks / (std::string(c.name) + ".ics"), TaskFile(c.name));
    ASSERT_TRUE(Sync());
    for (const auto& c : cases)
        EXPECT_THAT(ReadText(tasks / (std::string(c.name) + ".ics")),
                    HasSubstr("SUMMARY:Task " + std::string(c.name) + " here\r\n"));
}

TEST_F(VdirStore, ChangesThatArriveLateOrDuringARunAreNotLost)
{
    WriteText(tasks / "late.ics", TaskFile("late"));
    ASSERT_TRUE(Sync());
    ASSERT_TRUE(Sync());
    // An edit made offline long ago, which reaches the folder only now.
    WriteText(tasks / "late.ics",
              TaskFile("late", "LAST-MODIFIED:20200101T000000Z\r\n").replace(
                  TaskFile("late").find("SUMMARY:"), 17, "SUMMARY:Late edit"));
    ASSERT_TRUE(Sync());
    TTaskNode* task = Find("Late edit");
    ASSERT_TRUE(task);

    // Another program rewrites the file while a run is writing it: its version stays.
    auto ns = CreateVdirApplication("/")->GetNameSpace("MAPI");
    ns->UseStateFile((root / "plan_OutlookSync.state").string());
    auto item = ns->GetItemFromID("late", tasks.string());
    item->SetSubject(W("Mine"));
    item->Save();
    const std::string theirs = TaskFile("late", "X-BY:another program\r\n");
    WriteText(tasks / "late.ics", theirs);
    EXPECT_THAT(ns->EndRun(), ElementsAre(AllOf(HasSubstr("late.ics"),
                                                HasSubstr("changed by another program"))));
    EXPECT_EQ(ReadText(tasks / "late.ics"), theirs);
    for (const auto& e : fs::directory_iterator(tasks))
        EXPECT_EQ(e.path().extension(), ".ics");
    // ... and counts as changed there at the next run.
    ASSERT_TRUE(Sync());
    EXPECT_EQ(task->Caption, "Task late");
}

TEST_F(VdirStore, CompletingARecurringTaskMovesTheSeriesOn)
{
    fs::copy_file(kFixtures + "nextcloud.ics", tasks / "series.ics");
    ASSERT_TRUE(Sync());
    TTaskNode* task = Find("Water the plants");
    ASSERT_TRUE(task);
    task->SetCompletionDateTime(now);
    Edit(task);
    ASSERT_TRUE(Sync());

    EXPECT_EQ(std::tuple(task->IsCompleted(), task->DueDateTime, std::lround(task->LeadTime * 24)),
              std::tuple(false, EncodeDate(2025, 1, 22) + EncodeTime(23, 0, 0, 0), 24l));
    const std::string text = ReadText(tasks / "series.ics");
    EXPECT_THAT(text, AllOf(HasSubstr("DTSTART;TZID=America/New_York:20250121T170000\r\n"),
                            HasSubstr("DUE;TZID=America/New_York:20250122T170000\r\n"),
                            HasSubstr("RRULE:FREQ=WEEKLY;COUNT=4\r\n"),
                            HasSubstr("RECURRENCE-ID;TZID=America/New_York:20250121T170000\r\n"),
                            Not(HasSubstr("COMPLETED"))));
    // Completed as a whole: the series' last occurrence, and rules whose parts never meet
    // (libical would look for their next occurrence to its last year, below a day second by
    // second); moved on: occurrences years ahead, or behind thousands of excluded dates.
    std::string excluded;
    for (int s = 12000; s >= 1; --s)
        excluded += Format("EXDATE:20250101T%02d%02d%02dZ\r\n", s / 3600, s / 60 % 60, s % 60);
    const struct {
        const char* uid;
        std::string lines;
        const char* after;   // the line the file holds afterwards
    } rows[] = {
        {"last", "DUE;VALUE=DATE:20250110\r\nRRULE:FREQ=DAILY;COUNT=1\r\n", "STATUS:COMPLETED\r\n"},
        {"never", "DTSTART:19700329T020000\r\nRRULE:FREQ=SECONDLY;BYMONTH=2;BYMONTHDAY=30\r\n",
         "STATUS:COMPLETED\r\n"},
        {"feb30", "DTSTART:19700101T090000\r\nRRULE:FREQ=DAILY;BYMONTH=2;BYMONTHDAY=30\r\n",
         "STATUS:COMPLETED\r\n"},
        {"until", "DTSTART:00010101T090000\r\nRRULE:FREQ=MONTHLY;BYMONTH=2;BYMONTHDAY=31;"
                  "UNTIL=99991231T000000Z\r\n", "STATUS:COMPLETED\r\n"},
        {"count", "DTSTART:19700101T090000\r\nRRULE:FREQ=DAILY;COUNT=30000;BYDAY=MO;"
                  "BYMONTHDAY=31;BYMONTH=2\r\n", "STATUS:COMPLETED\r\n"},
        {"hourly", "DTSTART:20250101T000000\r\nRRULE:FREQ=SECONDLY;INTERVAL=7;BYSECOND=60\r\n",
         "STATUS:COMPLETED\r\n"},
        {"sixth-monday", "DTSTART:20250101T090000\r\nRRULE:FREQ=MONTHLY;BYDAY=6MO\r\n",
         "STATUS:COMPLETED\r\n"},
        {"sixth-sunday", "DTSTART:20250101T090000\r\nRRULE:FREQ=YEARLY;BYMONTH=2;BYDAY=SU;BYSETPOS=6\r\n",
         "STATUS:COMPLETED\r\n"},
        {"april-31", "DTSTART:20250101T090000\r\nRRULE:FREQ=MONTHLY;BYMONTH=4,6;BYMONTHDAY=31\r\n",
         "STATUS:COMPLETED\r\n"},
        {"week-20-in-january", "DTSTART:20250101T090000\r\nRRULE:FREQ=YEARLY;BYWEEKNO=20;BYMONTH=1;"
                               "BYDAY=MO\r\n", "STATUS:COMPLETED\r\n"},
        {"week-20", "DTSTART;VALUE=DATE:20250101\r\nRRULE:FREQ=YEARLY;BYWEEKNO=20;BYDAY=MO\r\n",
         "DTSTART;VALUE=DATE:20250512\r\n"},
        {"twentieth-monday", "DTSTART;VALUE=DATE:20250101\r\nRRULE:FREQ=YEARLY;BYDAY=20MO\r\n",
         "DTSTART;VALUE=DATE:20250519\r\n"},
        {"fifth-monday", "DTSTART;VALUE=DATE:20250101\r\nRRULE:FREQ=MONTHLY;BYMONTH=2;BYDAY=5MO\r\n",
         "DTSTART;VALUE=DATE:20440229\r\n"},
        {"friday-13th", "DTSTART;VALUE=DATE:20250101\r\nRRULE:FREQ=MONTHLY;BYDAY=FR;BYMONTHDAY=13\r\n",
         "DTSTART;VALUE=DATE:20250613\r\n"},
        {"last-weekday", "DTSTART;VALUE=DATE:20250101\r\nRRULE:FREQ=MONTHLY;BYDAY=MO,TU,WE,TH,FR;"
                         "BYSETPOS=-1\r\n", "DTSTART;VALUE=DATE:20250131\r\n"},
        {"skipped", "DTSTART;VALUE=DATE:20250101\r\nRRULE:FREQ=DAILY;COUNT=2\r\n"
                    "EXDATE;VALUE=DATE:20250102\r\n", "STATUS:COMPLETED\r\n"},
        {"leap", "DTSTART;VALUE=DATE:20970301\r\nRRULE:FREQ=DAILY;BYMONTH=2;BYMONTHDAY=29\r\n",
         "DTSTART;VALUE=DATE:21040229\r\n"},
        {"leaps", "DTSTART;VALUE=DATE:20240229\r\nRRULE:FREQ=YEARLY;COUNT=3;BYMONTH=2;BYMONTHDAY=29\r\n",
         "DTSTART;VALUE=DATE:20280229\r\nRRULE:FREQ=YEARLY;COUNT=2;"},
        {"exdates", "DTSTART:20250101T000000Z\r\nRRULE:FREQ=SECONDLY\r\n" + excluded,
         "DTSTART:20250101T032001Z\r\n"},
    };
    for (const auto& r : rows)
        WriteText(tasks / (std::string(r.uid) + ".ics"), TaskFile(r.uid, r.lines));
    ASSERT_TRUE(Sync());
    for (const auto& r : rows) {
        TTaskNode* last = Find("Task " + std::string(r.uid));
        ASSERT_TRUE(last) << r.uid;
        last->SetCompletionDateTime(now);
        Edit(last);
    }
    ASSERT_TRUE(Sync());
    for (const auto& r : rows) {
        const bool ended = std::string(r.after) == "STATUS:COMPLETED\r\n";
        EXPECT_EQ(Find("Task " + std::string(r.uid))->IsCompleted(), ended) << r.uid;
        EXPECT_THAT(ReadText(tasks / (std::string(r.uid) + ".ics")), HasSubstr(r.after)) << r.uid;
    }
}

// Every field a pair compares, written through the item and saved, reads back as written,
// in the run that wrote it and at the next; what a file cannot hold reads back as the kept
// form the pair is compared in.
TEST_F(VdirStore, EveryComparedFieldReadsBackAsWritten)
{
    const TDateTime due = EncodeDate(2030, 5, 1) + EncodeTime(10, 0, 0, 0);
    const TDateTime day = EncodeDate(2030, 5, 1);
    const struct {
        const char* file;      // the file's dates before the write
        std::string subject, body;
        TDateTime due, start;
        bool complete;
        std::string keptSubject, keptBody;
        TDateTime keptStart = 0;   // 0: the start as written
    } rows[] = {
        // A start one day before the due date stays out of a file without one.
        {"", "Dated", "first\r\n", due, due - 1, false, "Dated", "first\r\n"},
        {"", "Two days", "", due, due - 2, false, "Two days", ""},
        // A file keeps whole seconds: eight hours as the outline computes them.
        {"", "Eight hours", "", due, due - 1.0 / 3, false, "Eight hours", "",
         EncodeDate(2030, 5, 1) + EncodeTime(2, 0, 0, 0)},
        {"DTSTART:20300420T100000\r\nDUE:20300421T100000\r\n", "Own start", "", due, due - 1,
         false, "Own start", ""},
        // The forms todoman writes: UTC times; a whole day.
        {"DUE:20300501T080000Z\r\n", "UTC", "", due + 1, due, false, "UTC", ""},
        {"DUE;VALUE=DATE:20300401\r\n", "Day", "", day, day - 1, true, "Day", ""},
        {"DUE:20300501T080000Z\r\n", "Undated", "", OutlookNoDate, OutlookNoDate, false,
         "Undated", ""},
        // A note's empty last line, and empty lines only.
        {"", "Empty line", "first\r\n\r\n", due, due - 1, false, "Empty line", "first\r\n\r\n"},
        {"", "Blank", "\r\n\r\n", due, due - 1, false, "Blank", "\r\n\r\n"},
        {"", "One empty line", "\r\n", due, due - 1, false, "One empty line", "\r\n"},
        // A description ending its last line (as `echo text | todoman new -r` writes it).
        {"DESCRIPTION:echoed\\n\r\n", "Echoed", "echoed\r\n", due, due - 1, false, "Echoed",
         "echoed\r\n"},
        {"", "Escapes", "a, b; c \\ d\r\n", due, due - 1, false, "Escapes", "a, b; c \\ d\r\n"},
        {"", "  Gr\xC3\xBC\xC3\x9F" "e, \xE6\x97\xA5; \\ ", "", due, due - 1, false,
         "  Gr\xC3\xBC\xC3\x9F" "e, \xE6\x97\xA5; \\ ", ""},
        // What a file cannot hold: control characters.
        {"", "Bell\x07\tand\x01 tab\x7F", "ring\x1B\r\n", due, due - 1, false, "Bell\tand tab",
         "ring\r\n"},
        {"", "Line\r\nbreak", "", due, due - 1, false, "Line\nbreak", ""},
    };
    auto check = [](IOutlookTaskItem& item, const auto& r, const char* when) {
        EXPECT_EQ(std::tuple(A(item.Subject()), A(item.Body()), item.DueDate(), item.Complete()),
                  std::tuple(r.keptSubject, r.keptBody, r.due, r.complete))
            << r.subject << " " << when;
        const TDateTime start = r.keptStart != 0 ? r.keptStart : r.start;
        if (r.due != OutlookNoDate) {
            EXPECT_EQ(item.StartDate(), start) << r.subject << " " << when;
        }
        EXPECT_EQ(std::tuple(A(item.KeptSubject(W(r.subject))), A(item.KeptBody(W(r.body))),
                             item.KeptDate(r.due), item.KeptDate(r.start)),
                  std::tuple(r.keptSubject, r.keptBody, r.due, start))
            << r.subject;
    };
    auto open = [&] {
        auto ns = CreateVdirApplication("/")->GetNameSpace("MAPI");
        ns->UseStateFile((root / "plan_OutlookSync.state").string());
        return ns;
    };
    for (size_t i = 0; i < std::size(rows); ++i)
        WriteText(tasks / (std::to_string(i) + ".ics"), TaskFile(std::to_string(i), rows[i].file));
    auto ns = open();
    for (size_t i = 0; i < std::size(rows); ++i) {
        const auto& r = rows[i];
        auto item = ns->GetItemFromID(std::to_string(i), tasks.string());
        item->SetSubject(W(r.subject));
        item->SetBody(W(r.body));
        item->SetDueDate(OutlookNoDate);
        if (r.due != OutlookNoDate) {
            item->SetDueDate(r.due);
            item->SetStartDate(r.start);
        }
        item->SetComplete(r.complete);
        if (r.complete)
            item->SetDateCompleted(now);
        item->Save();
        check(*item, r, "after the save");
    }
    EXPECT_THAT(ns->EndRun(), ElementsAre());
    ns = open();
    for (size_t i = 0; i < std::size(rows); ++i)
        check(*ns->GetItemFromID(std::to_string(i), tasks.string()), rows[i], "at the next run");
    // Only the starts the lead of one day cannot give are in the files.
    EXPECT_THAT(ReadText(tasks / "0.ics"), Not(HasSubstr("DTSTART")));
    EXPECT_THAT(ReadText(tasks / "1.ics"), HasSubstr("DTSTART:20300429T100000\r\n"));
    EXPECT_THAT(ReadText(tasks / "3.ics"), HasSubstr("DTSTART:20300430T100000\r\n"));
    EXPECT_THAT(ReadText(tasks / "7.ics"), HasSubstr("DESCRIPTION:first\\n\\n\r\n"));
    EXPECT_THAT(ReadText(tasks / "0.ics"), HasSubstr("DESCRIPTION:first\r\n"));
    EXPECT_THAT(ReadText(tasks / "10.ics"), HasSubstr("DESCRIPTION:echoed\\n\r\n"));
}

TEST_F(VdirStore, FoldersHoldingOtherThingsAndCopiesAreHandled)
{
    // "Tasks" beside "tasks" holds events; an event file comes first in the task folder.
    fs::create_directories(root / "calendars" / "Tasks");
    const std::string event = "BEGIN:VCALENDAR\r\nBEGIN:VEVENT\r\nUID:e\r\nEND:VEVENT\r\nEND:VCALENDAR\r\n";
    WriteText(root / "calendars" / "Tasks" / "e.ics", event);
    WriteText(tasks / "0-event.ics", event);
    WriteText(tasks / "task.ics", TaskFile("task", "DESCRIPTION:no break at the end\r\n"));
    fs::permissions(tasks / "task.ics", fs::perms(0640));
    WriteText(tasks / "task-copy.ics", TaskFile("task"));
    ASSERT_TRUE(Sync());
    ASSERT_EQ(db.Root->Children[0]->Children.Count(), 1);
    EXPECT_THAT(Log(), HasSubstr("[---WARNING---] The file \"" + (tasks / "task-copy.ics").string() +
                                 "\" has the same UID as \"" + (tasks / "task.ics").string()));

    TTaskNode* task = Find("Task task");
    task->Caption = "Ring\x07 the bell";
    task->Note.SetText("first\r\nsecond");
    Edit(task);
    ASSERT_TRUE(Sync());
    const std::string text = ReadText(tasks / "task.ics");
    EXPECT_THAT(text, AllOf(HasSubstr("SUMMARY:Ring the bell\r\n"),
                            HasSubstr("DESCRIPTION:first\\nsecond\r\n"), HasSubstr("SEQUENCE:1\r\n")));
    EXPECT_EQ(fs::status(tasks / "task.ics").permissions() & fs::perms::all, fs::perms(0640));
    EXPECT_EQ(ReadText(tasks / "0-event.ics"), event);
    EXPECT_EQ(ReadText(tasks / "task-copy.ics"), TaskFile("task"));
}

} // namespace
