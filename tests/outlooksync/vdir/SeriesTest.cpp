// Recurring tasks ticked in a row through whole runs, as a user ticks them in the outline: each
// tick moves the file's series on to the next occurrence that RFC 5545 lists for it, and the
// last one completes the task. Times written in other zones, in UTC or in a change of clocks
// are compared as the moments they name.
#include <fstream>
#include <sstream>

#include "outlooksync/ICalendar.h"
#include "outlooksync/vdir/VdirTestSupport.h"
#include "platform/StrUtils.h"

namespace {

std::string SeriesFile(const std::string& uid, const std::string& lines)
{
    return "BEGIN:VCALENDAR\r\nVERSION:2.0\r\nPRODID:-//Test//EN\r\nBEGIN:VTODO\r\nUID:" + uid +
           "\r\nDTSTAMP:20250101T000000Z\r\nSUMMARY:" + uid + "\r\n" + lines +
           "END:VTODO\r\nEND:VCALENDAR\r\n";
}

// The value of the first line of the file that starts with Prefix ("" when none does).
std::string LineValue(const std::string& text, const std::string& prefix)
{
    const size_t at = text.find("\n" + prefix);
    if (at == std::string::npos)
        return "";
    const size_t from = at + 1 + prefix.size();
    return text.substr(from, text.find('\r', from) - from);
}

struct TWalk {
    std::string uid, lines;
    std::vector<std::string> occurrences;   // DTSTART values after each tick, in turn
    bool ends;                              // the last tick completes the task
};

class Series : public VdirFixture {
protected:
    // Ticks every walk's task in a row, one run per tick, checking the file after each.
    void Walk(const std::vector<TWalk>& walks)
    {
        for (const TWalk& w : walks)
            WriteText(tasks / (w.uid + ".ics"), SeriesFile(w.uid, w.lines));
        ASSERT_TRUE(Sync());
        size_t ticks = 0;
        for (const TWalk& w : walks)
            ticks = std::max(ticks, w.occurrences.size() + 1);
        for (size_t tick = 0; tick < ticks; ++tick) {
            for (const TWalk& w : walks) {
                TTaskNode* task = Find(w.uid);
                ASSERT_TRUE(task) << w.uid;
                if (tick < w.occurrences.size() + (w.ends ? 1 : 0)) {
                    task->SetCompletionDateTime(now);
                    Edit(task);
                }
            }
            ASSERT_TRUE(Sync());
            for (const TWalk& w : walks) {
                const std::string text = ReadText(tasks / (w.uid + ".ics"));
                ASSERT_TRUE(Find(w.uid)) << w.uid << ", tick " << tick + 1 << "\n" << text;
                if (tick < w.occurrences.size()) {
                    EXPECT_EQ(LineValue(text, "DTSTART"), w.occurrences[tick])
                        << w.uid << ", tick " << tick + 1;
                    EXPECT_FALSE(Find(w.uid)->IsCompleted()) << w.uid;
                } else if (tick == w.occurrences.size() && w.ends) {
                    EXPECT_THAT(text, HasSubstr("STATUS:COMPLETED\r\n")) << w.uid;
                    EXPECT_TRUE(Find(w.uid)->IsCompleted()) << w.uid;
                }
            }
        }
    }
};

// RFC 5545's own examples (section 3.8.5.3) with every occurrence it lists, each started in New
// York: a finite series ends on its last one, an endless one walks its first twelve.
TEST_F(Series, TheExamplesOfTheStandardWalkExactlyTheOccurrencesTheyList)
{
    std::ifstream in(kFixtures + "rfc5545-recurrence.tsv");
    std::vector<TWalk> walks;
    for (std::string line; std::getline(in, line);) {
        if (line.empty() || line[0] == '#')
            continue;
        std::vector<std::string> f;
        std::istringstream cells(line);
        for (std::string cell; std::getline(cells, cell, '\t');)
            f.push_back(cell);
        ASSERT_EQ(f.size(), 5u) << line;
        const std::string& start = f[1];
        TWalk w{"rfc" + std::to_string(walks.size()), "DTSTART;TZID=America/New_York:" + start +
                "\r\nRRULE:" + f[2] + "\r\n", {}, f[2].find("COUNT=") != std::string::npos ||
                                                   f[2].find("UNTIL=") != std::string::npos};
        if (f[3] != "-")
            w.lines += "EXDATE;TZID=America/New_York:" + f[3] + "\r\n";
        std::istringstream listed(f[4]);
        for (std::string o; listed >> o;)
            if (o.substr(0, 15) != start)   // the start is where the task begins
                w.occurrences.push_back("TZID=America/New_York:" + o.substr(0, 15));
        if (!w.ends)
            w.occurrences.pop_back();   // an endless series is only walked as far as listed
        for (std::string& o : w.occurrences)
            o = ";" + o;
        walks.push_back(w);
    }
    ASSERT_EQ(walks.size(), 42u);
    Walk(walks);
}

// Ends, excluded dates and further dates written in UTC or another zone than the start's, on
// both sides of UTC; COUNT beside an excluded date; everyday rules below a day.
TEST_F(Series, EveryTimeOfASeriesIsComparedAsTheMomentItNames)
{
    const std::string berlin = ";TZID=Europe/Berlin:", york = ";TZID=America/New_York:";
    Walk({
        {"until-east", "DTSTART" + berlin + "20250311T090000\r\nRRULE:FREQ=DAILY;UNTIL=20250312T080000Z\r\n",
         {berlin + "20250312T090000"}, true},
        {"until-west", "DTSTART" + york + "20250311T090000\r\nRRULE:FREQ=DAILY;UNTIL=20250312T110000Z\r\n",
         {}, true},
        {"exdate-east", "DTSTART" + berlin + "20250310T090000\r\nRRULE:FREQ=DAILY;COUNT=3\r\n"
                        "EXDATE:20250311T080000Z,\r\n", {berlin + "20250312T090000"}, true},   // a stray comma
        {"exdate-west", "DTSTART" + york + "20250310T090000\r\nRRULE:FREQ=DAILY\r\n"
                        "EXDATE;TZID=Europe/Berlin:20250311T140000\r\n",
         {york + "20250312T090000", york + "20250313T090000"}, false},
        {"count-exdate", "DTSTART:20250310T090000Z\r\nRRULE:FREQ=DAILY;COUNT=5\r\nEXDATE:20250311T090000Z\r\n",
         {":20250312T090000Z", ":20250313T090000Z", ":20250314T090000Z"}, true},
        {"working-hours", "DTSTART" + berlin + "20250307T160000\r\nRRULE:FREQ=HOURLY;BYDAY=MO,TU,WE,TH,FR;"
                          "BYHOUR=9,10,11,12,13,14,15,16,17\r\n",
         {berlin + "20250307T170000", berlin + "20250310T090000", berlin + "20250310T100000"}, false},
        // Every 45 minutes within the hours 9 and 10, on Sundays, over the change of clocks.
        {"quarters", "DTSTART" + berlin + "20250323T091500\r\nRRULE:FREQ=MINUTELY;INTERVAL=45;BYHOUR=9,10;"
                     "BYDAY=SU\r\n", {berlin + "20250323T100000", berlin + "20250323T104500",
                                        berlin + "20250330T091500"}, false},
        // Picked from each hour's set; days left out passed over in the rule's own phase.
        {"set-positions", "DTSTART:20250101T090000Z\r\nRRULE:FREQ=HOURLY;BYMINUTE=0,20,40;BYSETPOS=2,-1\r\n",
         {":20250101T092000Z", ":20250101T094000Z", ":20250101T102000Z"}, false},
        {"five-hourly", "DTSTART:20250101T090000Z\r\nRRULE:FREQ=HOURLY;INTERVAL=5;BYDAY=SA\r\n",
         {":20250104T020000Z", ":20250104T070000Z"}, false},
        {"dates-only", "DTSTART" + york + "20250301T090000\r\nRDATE" + york + "20250305T090000,"
                       "20250304T090000\r\nRDATE:20250310T120000Z\r\n",
         {york + "20250304T090000", york + "20250305T090000", york + "20250310T080000"}, true},
    });
    EXPECT_THAT(ReadText(tasks / "count-exdate.ics"), HasSubstr("COUNT=1\r\n"));
    EXPECT_THAT(ReadText(tasks / "dates-only.ics"), HasSubstr("\nRDATE:20250310T120000Z\r\n"));
}

TEST_F(Series, CountAndFurtherDatesAreUsedUpAsTheSeriesMovesOn)
{
    const std::string start = "DTSTART;VALUE=DATE:20250310\r\n";
    Walk({{"count", start + "RRULE:FREQ=WEEKLY;COUNT=4\r\nEXDATE;VALUE=DATE:20250317,20250324\r\n",
           {";VALUE=DATE:20250331"}, true},
          {"rdate", start + "RRULE:FREQ=MONTHLY;COUNT=3\r\nRDATE;VALUE=DATE:20250312\r\n",
           {";VALUE=DATE:20250312", ";VALUE=DATE:20250410", ";VALUE=DATE:20250510"}, true}});
    // The rule keeps its day of the month once the start moved onto the further date.
    EXPECT_THAT(ReadText(tasks / "rdate.ics"), HasSubstr("RRULE:FREQ=MONTHLY;COUNT=1;BYMONTHDAY=10\r\n"));
}

// A rule whose next occurrence lies beyond the search's bound (a day and a minute apart, it
// meets midnight of the 29th of February next in the year 3240) is neither completed nor moved:
// the task stays open and the log says why. One that never meets its minute has ended.
TEST_F(Series, ASeriesWhoseNextOccurrenceIsNotFoundStaysOpenAndTheLogSaysSo)
{
    const std::string file = SeriesFile("phase", "DTSTART:20250101T090000Z\r\n"
                                                 "RRULE:FREQ=MINUTELY;INTERVAL=1441;BYHOUR=0;"
                                                 "BYMINUTE=0;BYMONTH=2;BYMONTHDAY=29\r\n");
    WriteText(tasks / "phase.ics", file);
    ASSERT_TRUE(Sync());
    TTaskNode* task = Find("phase");
    task->SetCompletionDateTime(now);
    Edit(task);
    ASSERT_TRUE(Sync());
    EXPECT_EQ(ReadText(tasks / "phase.ics"), file);
    EXPECT_FALSE(task->IsCompleted());
    EXPECT_THAT(Log(), HasSubstr("phase.ics\" was not moved on to its next occurrence"));
    // The reopened task and its file agree: a further run changes neither.
    fs::remove(root / "plan_OutlookSync.log");
    ASSERT_TRUE(Sync());
    EXPECT_EQ(ReadText(tasks / "phase.ics"), file);
    EXPECT_FALSE(task->IsCompleted());
    EXPECT_THAT(Log(), AllOf(Not(HasSubstr("Processing conflict")), Not(HasSubstr("changed in Tovrin"))));

    WriteText(tasks / "never.ics", SeriesFile("never", "DTSTART:20250101T090000Z\r\n"
                                                      "RRULE:FREQ=MINUTELY;INTERVAL=2;BYMINUTE=1\r\n"));
    ASSERT_TRUE(Sync());
    Find("never")->SetCompletionDateTime(now);
    Edit(Find("never"));
    ASSERT_TRUE(Sync());
    EXPECT_THAT(ReadText(tasks / "never.ics"), HasSubstr("STATUS:COMPLETED\r\n"));
}

// Rules that libical walks otherwise than the standard lists them (a weekly set taken whole,
// years skipped, no day at all) are left open and as they are, and the log says why; close
// relatives libical walks rightly still move on.
TEST_F(Series, ARuleLibicalWalksOffTheStandardStaysOpenAndAsItIs)
{
    const struct {
        const char *uid, *start, *rule;
    } rows[] = {
        {"weekly-setpos", "20250328T220000Z", "FREQ=WEEKLY;BYDAY=MO,TU,WE;BYSETPOS=2"},
        {"setpos-hours", "20250316T090000Z", "FREQ=YEARLY;BYMONTHDAY=-1;BYSETPOS=-1;BYHOUR=9,17"},
        {"last-week", "20250328T220000Z", "FREQ=YEARLY;BYWEEKNO=-1;BYDAY=SU"},
        {"yearday-month", "20250328T220000Z", "FREQ=YEARLY;BYYEARDAY=-1,-306;BYMONTH=3,12"},
        {"yearly-monthday", "20251006T090000Z", "FREQ=YEARLY;BYMONTHDAY=30"},
        {"daily-from-end", "20250610T090000Z", "FREQ=DAILY;BYMONTHDAY=-2"},
        {"weeks-from-friday", "20251216T090000Z", "FREQ=WEEKLY;INTERVAL=3;BYDAY=WE,SU;WKST=FR"},
    };
    for (const auto& r : rows)
        WriteText(tasks / (std::string(r.uid) + ".ics"),
                  SeriesFile(r.uid, std::string("DTSTART:") + r.start + "\r\nRRULE:" + r.rule + "\r\n"));
    ASSERT_TRUE(Sync());
    const auto before = Contents();
    for (const auto& r : rows) {
        Find(r.uid)->SetCompletionDateTime(now);
        Edit(Find(r.uid));
    }
    ASSERT_TRUE(Sync());
    EXPECT_EQ(Contents(), before);
    for (const auto& r : rows) {
        EXPECT_FALSE(Find(r.uid)->IsCompleted()) << r.uid;
        EXPECT_THAT(Log(), HasSubstr(std::string(r.uid) + ".ics\" was not moved on")) << r.uid;
    }

    Walk({{"week-20", "DTSTART:20250512T090000Z\r\nRRULE:FREQ=YEARLY;BYWEEKNO=20;BYDAY=MO\r\n",
           {":20260511T090000Z", ":20270517T090000Z"}, false},
          {"last-workday", "DTSTART:20250131T090000Z\r\nRRULE:FREQ=MONTHLY;BYDAY=MO,TU,WE,TH,FR;BYSETPOS=-1\r\n",
           {":20250228T090000Z", ":20250331T090000Z"}, false},
          {"sunday-weeks", "DTSTART:20250105T100000Z\r\nRRULE:FREQ=WEEKLY;INTERVAL=2;BYDAY=SU,TU;WKST=SU\r\n",
           {":20250107T100000Z", ":20250119T100000Z"}, false},
          {"monthly-from-end", "DTSTART:20250130T090000Z\r\nRRULE:FREQ=MONTHLY;BYMONTHDAY=-2\r\n",
           {":20250227T090000Z", ":20250330T090000Z"}, false}});
}

// Wall times in a change of clocks, in the system's zones and in a file's own: one that does
// not exist is read with the offset before the gap, one shown twice as the first; a moment
// that only UTC can name is written in UTC and reads back as itself.
TEST_F(Series, WallTimesInAChangeOfClocksAreReadAsTheStandardReadsThem)
{
    const std::string own = "BEGIN:VTIMEZONE\r\nTZID:Own/Berlin\r\nBEGIN:DAYLIGHT\r\nTZOFFSETFROM:+0100\r\n"
                            "TZOFFSETTO:+0200\r\nDTSTART:19810329T020000\r\nRRULE:FREQ=YEARLY;BYMONTH=3;"
                            "BYDAY=-1SU\r\nEND:DAYLIGHT\r\nBEGIN:STANDARD\r\nTZOFFSETFROM:+0200\r\n"
                            "TZOFFSETTO:+0100\r\nDTSTART:19961027T030000\r\nRRULE:FREQ=YEARLY;BYMONTH=10;"
                            "BYDAY=-1SU\r\nEND:STANDARD\r\nEND:VTIMEZONE\r\n";
    const struct {
        const char* uid;
        std::string due;
        int hour, minute;   // UTC, on the due's day or the day before (-1)
    } rows[] = {
        {"gap-east", ";TZID=Europe/Berlin:20250330T023000", 1, 30},
        {"twice-east", ";TZID=Europe/Berlin:20251026T023000", 0, 30},
        {"gap-own", ";TZID=Own/Berlin:20250330T023000", 1, 30},
        {"twice-own", ";TZID=Own/Berlin:20251026T023000", 0, 30},
        {"gap-west", ";TZID=America/New_York:20250309T023000", 7, 30},
        {"twice-west", ";TZID=America/New_York:20251102T013000", 5, 30},
    };
    for (const auto& r : rows) {
        const std::string text = SeriesFile(r.uid, "DUE" + r.due + "\r\n");
        WriteText(tasks / (std::string(r.uid) + ".ics"),
                  text.substr(0, text.find("BEGIN:VTODO")) + own + text.substr(text.find("BEGIN:VTODO")));
    }
    ASSERT_TRUE(Sync());
    for (const auto& r : rows) {
        const std::string day = r.due.substr(r.due.find(':') + 1, 8);
        const TDateTime utc = EncodeDate(std::stoi(day.substr(0, 4)), std::stoi(day.substr(4, 2)),
                                         std::stoi(day.substr(6, 2))) + EncodeTime(r.hour, r.minute, 0, 0);
        EXPECT_EQ(FormatICalUtcDateTime(Find(r.uid)->DueDateTime), FormatICalLocalDateTime(utc) + "Z") << r.uid;
    }
    // The second 01:30 in New York: only UTC names it.
    TTaskNode* task = Find("twice-west");
    task->SetDueDateTime(UtcToLocal(EncodeDate(2025, 11, 2) + EncodeTime(6, 30, 0, 0)));
    Edit(task);
    ASSERT_TRUE(Sync());
    EXPECT_THAT(ReadText(tasks / "twice-west.ics"), HasSubstr("\nDUE:20251102T063000Z\r\n"));
    ASSERT_TRUE(Sync());
    EXPECT_EQ(FormatICalUtcDateTime(task->DueDateTime), "20251102T063000Z");
}

// todoman reads a series the outline moved on as the moment the outline shows it due, and, after
// its last occurrence, the task completed.
using TodomanSeries = TodomanFixture;

TEST_F(TodomanSeries, TheClientReadsAMovedSeriesAsTheOutlineShowsIt)
{
    WriteText(tasks / "water.ics", SeriesFile("Water", "DTSTART;TZID=America/New_York:20251030T090000\r\n"
                                                       "DUE;TZID=America/New_York:20251030T170000\r\n"
                                                       "RRULE:FREQ=DAILY;UNTIL=20251104T140000Z\r\n"
                                                       "EXDATE:20251101T130000Z\r\n"));
    ASSERT_TRUE(Sync());
    // 30 and 31 October, 2 November (the 1st excluded, EDT ends on the 2nd), 3 and 4 November
    // (09:00 EST is 14:00 UTC, the end itself).
    for (const int64_t start : {  // 09:00 New York time
             1761915600, 1762092000, 1762178400, 1762264800}) {
        TTaskNode* task = Find("Water");
        task->SetCompletionDateTime(now);
        Edit(task);
        ASSERT_TRUE(Sync());
        EXPECT_EQ(Todoman("Water", "due"), std::to_string(start + 8 * 3600) + "\n");
        EXPECT_EQ(Todoman("Water", "due"), std::to_string(DateTimeToUnix(LocalToUtc(task->DueDateTime))) + "\n");
    }
    Find("Water")->SetCompletionDateTime(now);
    Edit(Find("Water"));
    ASSERT_TRUE(Sync());
    EXPECT_EQ(Todoman("Water", "completed"), "true\n");
}

} // namespace
