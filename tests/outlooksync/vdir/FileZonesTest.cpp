// Time zones that task files define: hostile definitions beside good files resolve in one run
// to the system's zone of their name (or, where libical reads them as sound, to their own
// offsets); a sound definition gives the times libical gives for its own text.
#include "outlooksync/ICalRuleDays.h"
#include "outlooksync/ICalTimes.h"
#include "outlooksync/vdir/VdirTestSupport.h"
#include "platform/StrUtils.h"

namespace {

std::string Obs(const std::string& kind, const std::string& body)
{
    return "BEGIN:" + kind + "\r\n" + body + "END:" + kind + "\r\n";
}
std::string Zone(const std::string& observances, const std::string& tzid = "Europe/Berlin")
{
    return "BEGIN:VTIMEZONE\r\nTZID:" + tzid + "\r\n" + observances + "END:VTIMEZONE\r\n";
}
// "Europe/Berlin" nine hours ahead of UTC in summer, eight in winter.
const std::string kWinter = Obs("STANDARD", "TZOFFSETFROM:+0900\r\nTZOFFSETTO:+0800\r\n"
                                            "DTSTART:19701025T030000\r\nRRULE:FREQ=YEARLY;BYDAY=-1SU;BYMONTH=10\r\n");
std::string Summer(const std::string& lines, const std::string& start = "19700329T020000")
{
    return Zone(Obs("DAYLIGHT", "TZOFFSETFROM:+0800\r\nTZOFFSETTO:+0900\r\nDTSTART:" + start + "\r\n" + lines) +
                kWinter);
}
const std::string kSound = "RRULE:FREQ=YEARLY;BYDAY=-1SU;BYMONTH=3\r\n";
const std::string kHourly = "RRULE;FREQ=HOURLY;BYDAY=-1SU;BYMONTH=3\r\n";

// Every day from 2012 on, a hundred dates a line (libical reads no more from one line).
std::string ManyDates()
{
    std::string dates;
    for (int day = 0; day < 5000; ++day)
        dates += (day % 100 ? "," : "RDATE:") + FormatICalDate(EncodeDate(2012, 1, 1) + day) + "T020000" +
                 (day % 100 == 99 ? "\r\n" : "");
    return dates;
}

// Due at 17:00 on 2025-07-15 in the zone: Berlin's is 17:00 here; the file's own summer 10:00,
// its winter 11:00.
const struct {
    const char* name;
    std::string zones, inTask;
    int hour;
} kCrafted[] = {
    {"sound", Summer(kSound), "", 10},
    {"hourly-in-parameters", Summer(kHourly), "", 17},
    {"secondly-in-parameters", Summer("RRULE;FREQ=SECONDLY;BYMONTH=3\r\n"), "", 17},
    {"lower-case", Summer("rrule:freq=hourly;byday=-1su;bymonth=3\r\n"), "", 17},
    {"folded", Summer("RR\r\n ULE:FREQ=SECON\r\n\tDLY;BYMONTH=3\r\n"), "", 17},
    {"repeated-part", Summer("RRULE:FREQ=YEARLY;BYMONTH=3;BYDAY=-1SU;FREQ=SECONDLY\r\n"), "", 17},
    {"several-rules", Summer(kSound + "RRULE:FREQ=MINUTELY;BYMONTH=3\r\n"), "", 17},
    {"many-days", Summer("RRULE:FREQ=YEARLY;BYMONTH=3;BYMONTHDAY=1,2,3,4,5,6,7,8\r\n"), "", 17},
    {"set-position", Summer("RRULE:FREQ=YEARLY;BYMONTH=3;BYDAY=SU;BYSETPOS=-1\r\n"), "", 17},
    // Days that never come round: libical searches for them for tenths of a second.
    {"thirtieth-of-february", Summer("RRULE:FREQ=YEARLY;BYMONTH=2;BYMONTHDAY=30\r\n"), "", 17},
    {"monday-the-31st-of-april", Summer("RRULE:FREQ=YEARLY;BYMONTH=4;BYMONTHDAY=31;BYDAY=MO\r\n"), "", 17},
    {"first-sunday-on-the-20th", Summer("RRULE:FREQ=YEARLY;BYMONTH=3;BYMONTHDAY=20;BYDAY=1SU\r\n"), "", 17},
    {"thirtieth-of-the-start-month", Summer("RRULE:FREQ=YEARLY;BYMONTHDAY=30\r\n", "19700228T020000"), "", 17},
    {"fifth-monday-of-february", Summer("RRULE:FREQ=YEARLY;BYMONTH=2;BYDAY=5MO\r\n"), "", 11},
    {"other-calendar", Summer("RRULE:RSCALE=CHINESE;FREQ=YEARLY;BYMONTH=3\r\n"), "", 17},
    {"period", Summer("RDATE;VALUE=PERIOD:20250301T020000/PT1H\r\n"), "", 17},
    {"two-starts", Summer("DTSTART:19800329T020000\r\n" + kSound), "", 17},
    {"offset-of-a-day",
     Zone(Obs("DAYLIGHT", "TZOFFSETFROM:+0800\r\nTZOFFSETTO:+2400\r\nDTSTART:19700329T020000\r\n" + kSound) + kWinter),
     "", 17},
    {"thousands-of-dates", Summer(ManyDates()), "", 10},
    // A counted rule is stepped through from its start: from the year 1, too long.
    {"counted-from-year-1",
     Summer("RRULE:FREQ=YEARLY;COUNT=2000000000;BYMONTH=3;BYDAY=-1SU\r\n", "00010325T020000"), "", 17},
    {"from-year-1", Summer(kSound, "00010325T020000"), "", 10},
    {"huge-interval", Summer("RRULE:FREQ=YEARLY;INTERVAL=32767;BYMONTH=3;BYDAY=-1SU\r\n"), "", 11},
    // Odd years hold no 29th of February; even ones from 1604 do.
    {"leap-day-in-odd-years",
     Summer("RRULE:FREQ=YEARLY;INTERVAL=2;BYMONTH=2;BYMONTHDAY=29;BYDAY=MO\r\n", "16010101T020000"), "", 17},
    {"leap-day-every-other-year", Summer("RRULE:FREQ=YEARLY;INTERVAL=2;BYMONTH=2;BYMONTHDAY=29\r\n", "16040101T020000"),
     "", 11},
    // libical steps through no rule that starts after 2582.
    {"far-future-start", Summer(kSound, "99990328T020000"), "", 17},
    // An observance inside another is no part of the zone, for libical too.
    {"nested-observance",
     Zone(Obs("STANDARD", "TZOFFSETTO:+0800\r\nDTSTART:19701025T030000\r\n" +
                              Obs("DAYLIGHT", "TZOFFSETTO:+0900\r\nDTSTART:19700329T020000\r\n" + kHourly))),
     "", 11},
    {"zone-inside-the-task", "", Summer(kSound), 17},
    {"two-that-differ",
     Summer(kSound) + Zone(Obs("STANDARD", "TZOFFSETTO:+0500\r\nDTSTART:19700101T000000\r\n")), "", 17},
    {"two-the-same-and-another",
     Summer(kSound) + Zone(Obs("STANDARD", "TZOFFSETTO:+0500\r\nDTSTART:19700101T000000\r\n"), "Other") +
         Summer(kSound),
     "", 10},
    // Summer for good since 2005: that onset lies long before the years asked for.
    {"summer-since-2005",
     Zone(Obs("DAYLIGHT", "TZOFFSETFROM:+0800\r\nTZOFFSETTO:+0900\r\nDTSTART:19700329T020000\r\n"
                          "RDATE:20050327T020000\r\n") +
          Obs("STANDARD", "TZOFFSETFROM:+0900\r\nTZOFFSETTO:+0800\r\nDTSTART:19701025T030000\r\n"
                          "RRULE:FREQ=YEARLY;UNTIL=20041031T000000Z;BYDAY=-1SU;BYMONTH=10\r\n")),
     "", 10},
    // Both rules end in 2005, winter last.
    {"rules-ended-in-2005",
     Zone(Obs("DAYLIGHT", "TZOFFSETFROM:+0800\r\nTZOFFSETTO:+0900\r\nDTSTART:19700329T020000\r\nRDATE:20050327T020000\r\n"
                          "RRULE:FREQ=YEARLY;UNTIL=20050328T000000Z;BYDAY=-1SU;BYMONTH=3\r\n") +
          Obs("STANDARD", "TZOFFSETFROM:+0900\r\nTZOFFSETTO:+0800\r\nDTSTART:19701025T030000\r\n"
                          "RRULE:FREQ=YEARLY;UNTIL=20051031T000000Z;BYDAY=-1SU;BYMONTH=10\r\n")),
     "", 11},
};

using FileZones = VdirFixture;

TEST_F(FileZones, CraftedZonesBesideGoodFilesResolveInOneRunAndTheGoodTasksArriveWhole)
{
    for (const auto& c : kCrafted)
        WriteText(tasks / (std::string(c.name) + ".ics"),
                  "BEGIN:VCALENDAR\r\nVERSION:2.0\r\nPRODID:-//Test//EN\r\n" + c.zones + "BEGIN:VTODO\r\nUID:" +
                      c.name + "\r\nSUMMARY:Task " + c.name + "\r\n" + c.inTask +
                      "DUE;TZID=Europe/Berlin:20250715T170000\r\nEND:VTODO\r\nEND:VCALENDAR\r\n");
    fs::copy_file(kFixtures + "thunderbird.ics", tasks / "thunderbird.ics");
    ASSERT_TRUE(Sync());
    for (const auto& c : kCrafted) {
        TTaskNode* task = Find("Task " + std::string(c.name));
        ASSERT_TRUE(task) << c.name;
        EXPECT_EQ(FormatICalLocalDateTime(task->DueDateTime),
                  FormatICalLocalDateTime(EncodeDate(2025, 7, 15) + EncodeTime(c.hour, 0, 0, 0)))
            << c.name;
    }
    TTaskNode* report = Find("Prepare the quarterly report");
    ASSERT_TRUE(report);
    EXPECT_EQ(std::pair(report->DueDateTime, NoteText(*report)),
              std::pair(EncodeDate(2025, 1, 15) + EncodeTime(17, 0, 0, 0),
                        std::string("Numbers from finance\r\nCharts for the board, in colour\r\n")));
    EXPECT_EQ(host.S.Errors, std::vector<std::string>{});

    // A due date changed here is written in the zone the file named, as it resolved.
    TTaskNode* hourly = Find("Task hourly-in-parameters");
    hourly->SetDueDateTime(hourly->DueDateTime + 1);
    Edit(hourly);
    ASSERT_TRUE(Sync());
    EXPECT_THAT(ReadText(tasks / "hourly-in-parameters.ics"),
                HasSubstr("DUE;TZID=Europe/Berlin:20250716T170000\r\n"));
}

using FileZonesWithTodoman = TodomanFixture;

TEST_F(FileZonesWithTodoman, TasksTodomanWritesArriveWholeBesideCraftedZones)
{
    Run("todoman new -l tasks -d '2025-07-15 17:00' 'Written by todoman'");
    for (const auto& c : kCrafted)
        WriteText(tasks / (std::string(c.name) + ".ics"),
                  "BEGIN:VCALENDAR\r\n" + c.zones + "BEGIN:VTODO\r\nUID:" + c.name +
                      "\r\nDUE;TZID=Europe/Berlin:20250715T170000\r\nEND:VTODO\r\nEND:VCALENDAR\r\n");
    ASSERT_TRUE(Sync());
    TTaskNode* task = Find("Written by todoman");
    ASSERT_TRUE(task);
    EXPECT_EQ(task->DueDateTime, EncodeDate(2025, 7, 15) + EncodeTime(17, 0, 0, 0));
}

// The moment a wall time names as RFC 5545 reads it, from libical's own moments-to-wall-times
// direction: the first moment the zone shows it at, or, in the gap of a change forward, the
// wall time read with the offset before the gap.
time_t RfcReading(const std::string& wall, icaltimezone* zone)
{
    const icaltimetype fields = icaltime_from_string(wall.c_str());
    const time_t guess = icaltime_as_timet(fields);
    for (time_t u = guess - 14 * 3600; u <= guess + 14 * 3600; u += 900)
        if (icaltime_compare(icaltime_from_timet_with_zone(u, 0, zone), fields) == 0)
            return u;
    icaltimetype dayBefore = icaltime_from_timet_with_zone(guess - 86400, 0, icaltimezone_get_utc_timezone());
    int daylight = 0;
    return guess - icaltimezone_get_utc_offset_of_utc_time(zone, &dayBefore, &daylight);
}

// A zone in the forms clients write (rules from 1601, counted, every other year, ending at a UTC
// time, dates in UTC and without a time): libical's own reading of its text (wall times in a
// change of clocks read as RFC 5545 reads them) is the reference on every day from 1968 to
// 2034, at night and at noon, read and written back. A UTC date and end lie a second before
// noon and before the rule's last onset, so that a shift shows.
TEST(FileZoneTimes, ASoundZoneGivesTheTimesLibicalGivesForItsOwnText)
{
    UseTimeZone("UTC0");   // local time is UTC: every difference is the zone's
    const std::string to4 = "TZOFFSETFROM:+0300\r\nTZOFFSETTO:+0400\r\n";
    const std::string to3 = "TZOFFSETFROM:+0400\r\nTZOFFSETTO:+0300\r\n";
    const std::string zone = Zone(
        Obs("DAYLIGHT", to4 + "DTSTART:16010101T020000\r\n"
                              "RRULE:FREQ=YEARLY;UNTIL=19730325T000000Z;BYDAY=-1SU;BYMONTH=3\r\n") +
            Obs("DAYLIGHT", to4 + "DTSTART:19740106T020000\r\nRDATE:19750223T085959Z\r\nRDATE;VALUE=DATE:19760425\r\n") +
            Obs("DAYLIGHT", to4 + "DTSTART:19810329T020000\r\nRRULE:FREQ=YEARLY;COUNT=12;BYMONTH=3;"
                                  "BYMONTHDAY=25,26,27,28,29,30,31;BYDAY=SU\r\n") +
            Obs("DAYLIGHT", to4 + "DTSTART:19930328T020000\r\nRRULE:FREQ=YEARLY;INTERVAL=2;BYMONTH=3;BYDAY=-1SU\r\n") +
            Obs("DAYLIGHT", to4 + "DTSTART:19940327T020000\r\nRRULE:FREQ=YEARLY;INTERVAL=2;BYMONTH=3;BYDAY=-1SU\r\n") +
            Obs("STANDARD", to3 + "DTSTART:16010101T030000\r\n"
                                  "RRULE:FREQ=YEARLY;UNTIL=19950923T225959Z;BYMONTH=9;BYDAY=-1SU\r\n") +
            Obs("STANDARD", to3 + "DTSTART:19961027T030000\r\nRRULE:FREQ=YEARLY;BYMONTH=10;BYDAY=-1SU\r\n"),
        "Test/Zone");
    icaltimezone* reference = icaltimezone_new();
    ASSERT_TRUE(icaltimezone_set_component(reference, icalparser_parse_string(zone.c_str())));
    const auto file = ParseICalendar("BEGIN:VCALENDAR\r\n" + zone + "END:VCALENDAR\r\n");
    int differences = 0;
    std::unique_ptr<TICalTimes> times;
    for (TDateTime day = EncodeDate(1968, 1, 1); day < EncodeDate(2035, 1, 1) && differences < 5; day += 1) {
        // Each year read anew, as a file is: its changes are worked out for that year alone.
        if (!times || FormatICalDate(day).substr(4) == "0101")
            times = std::make_unique<TICalTimes>(&file[0]);
        for (const char* hour : {"T023000", "T120000"}) {
            const std::string wall = FormatICalDate(day) + hour;
            TICalProperty due{"DUE", ";TZID=Test/Zone", wall, false, {}};
            TDateTime local = 0;
            TICalTimeForm form;
            std::string error;
            ASSERT_TRUE(times->Read(due, local, form, error)) << error;
            times->Write(due, local, form);
            const time_t utc = RfcReading(wall, reference);
            const TDateTime expected = UtcToLocal(UnixToDateTime(utc));
            const std::string back = icaltime_as_ical_string(icaltime_from_timet_with_zone(utc, 0, reference));
            if (local != expected || due.Value != back.substr(0, 15))
                ADD_FAILURE() << wall << ": " << FormatICalLocalDateTime(local) << " " << due.Value
                              << ", libical " << FormatICalLocalDateTime(expected) << " " << back
                              << " (" << ++differences << ")";
        }
    }
    icaltimezone_free(reference, 1);
}

// Whether a rule's days come round counts only the periods its INTERVAL reaches from the
// start's own; a sound rule is never refused (libical finds its next day, as a check of the
// table).
TEST(RuleDays, OnlyThePeriodsTheIntervalReachesFromTheStartCount)
{
    const struct {
        const char *rule, *start;
        bool comesRound;
    } rules[] = {
        // RFC 5545's examples.
        {"FREQ=YEARLY;INTERVAL=4;BYMONTH=11;BYDAY=TU;BYMONTHDAY=2,3,4,5,6,7,8", "19961105T090000", true},
        {"FREQ=YEARLY;INTERVAL=2;BYMONTH=1,2,3", "19970310T090000", true},
        {"FREQ=MONTHLY;INTERVAL=18;BYMONTHDAY=10,11,12,13,14,15", "19970910T090000", true},
        {"FREQ=YEARLY;INTERVAL=2;BYMONTH=2;BYMONTHDAY=29;BYDAY=MO", "16010101T020000", false},
        {"FREQ=YEARLY;INTERVAL=2;BYMONTH=2;BYMONTHDAY=29", "16040101T020000", true},
        {"FREQ=YEARLY;INTERVAL=2;BYMONTH=2;BYMONTHDAY=29", "20010101", false},
        {"FREQ=YEARLY;INTERVAL=4;BYMONTH=2;BYMONTHDAY=29;BYDAY=MO", "20040101", true},   // 2016
        // 2000 is a leap year, 1900 and 2300 are not.
        {"FREQ=YEARLY;INTERVAL=100;BYMONTH=2;BYMONTHDAY=29", "19000101", true},
        {"FREQ=YEARLY;INTERVAL=400;BYMONTH=2;BYMONTHDAY=29", "19000101", false},
        // Only the kind of 2024 (a leap year from a Monday) is reached: a Thursday the 29th.
        {"FREQ=YEARLY;INTERVAL=400;BYMONTH=2;BYMONTHDAY=29;BYDAY=TH", "20240101", true},
        {"FREQ=MONTHLY;INTERVAL=12;BYMONTHDAY=31", "20250228", false},
        {"FREQ=MONTHLY;INTERVAL=12;BYMONTHDAY=31", "20250131", true},
        {"FREQ=MONTHLY;INTERVAL=11;BYMONTHDAY=31", "20250228", true},
        {"FREQ=MONTHLY;INTERVAL=24;BYMONTHDAY=30", "20240215", false},
        {"FREQ=MONTHLY;INTERVAL=48;BYMONTHDAY=29", "20010215", false},
        {"FREQ=MONTHLY;INTERVAL=48;BYMONTHDAY=29", "20040215", true},
        // Every 400 years the same month: five Sundays in March 2025, four in February.
        {"FREQ=MONTHLY;INTERVAL=4800;BYDAY=5SU", "20250301", true},
        {"FREQ=MONTHLY;INTERVAL=4800;BYDAY=5SU", "20250201", false},
        {"FREQ=MONTHLY;INTERVAL=6;BYMONTH=3", "20250215", false},
        {"FREQ=MONTHLY;INTERVAL=6;BYMONTH=8", "20250215", true},
        // Five Mondays in a February that begins on one in a leap year (2016); never ten.
        {"FREQ=MONTHLY;INTERVAL=12;BYDAY=MO;BYSETPOS=5", "20250201", true},
        {"FREQ=MONTHLY;INTERVAL=12;BYDAY=MO,TU;BYSETPOS=10", "20250201", false},
        // From a Tuesday: every other Tuesday meets the 29th of February 2028.
        {"FREQ=DAILY;INTERVAL=7;BYDAY=MO", "20250107", false},
        {"FREQ=DAILY;INTERVAL=7;BYDAY=TU", "20250107", true},
        {"FREQ=DAILY;INTERVAL=14;BYMONTH=2;BYMONTHDAY=29", "20250107", true},
        {"FREQ=DAILY;INTERVAL=7;BYDAY=MO", "20250408T090000", false},
        {"FREQ=DAILY;INTERVAL=7;BYDAY=TU", "20250408T090000", true},
        {"FREQ=DAILY;INTERVAL=2;BYMONTH=2;BYMONTHDAY=29;BYDAY=SA", "20250106", true},
    };
    for (const auto& r : rules) {
        const icalrecurrencetype rule = icalrecurrencetype_from_string(r.rule);
        const icaltimetype start = icaltime_from_string(r.start);
        EXPECT_EQ(RuleDaysComeRound(rule, start), r.comesRound) << r.rule << " from " << r.start;
        if (!r.comesRound)
            continue;
        icalrecur_iterator* it = icalrecur_iterator_new(rule, start);
        icaltimetype next = icalrecur_iterator_next(it);
        while (!icaltime_is_null_time(next) && icaltime_compare(next, start) <= 0)
            next = icalrecur_iterator_next(it);
        EXPECT_FALSE(icaltime_is_null_time(next)) << r.rule << " from " << r.start;
        icalrecur_iterator_free(it);
    }
}

// Each text of a zone is worked out once and kept for the files to come, the last used:
// files that name one zone with other offsets each read their own, also past the number kept.
TEST(FileZoneTimes, EachTextGivesItsOwnZoneAlsoUnderOneNameAndPastTheZonesKept)
{
    UseTimeZone("UTC0");
    constexpr int kFiles = 1200;   // minutes east of UTC, more texts than are kept
    for (int round = 0; round < 2; ++round) {
        for (int minutes = 0; minutes < kFiles; ++minutes) {
            const auto file = ParseICalendar(
                "BEGIN:VCALENDAR\r\n" +
                Zone(Obs("STANDARD", Format("TZOFFSETTO:+%02d%02d\r\nDTSTART:19700101T000000\r\n",
                                            minutes / 60, minutes % 60)),
                     "Test/Zone") +
                "END:VCALENDAR\r\n");
            TICalTimes times(&file[0]);
            TICalProperty due{"DUE", ";TZID=Test/Zone", "20250715T230000", false, {}};
            TDateTime local = 0;
            TICalTimeForm form;
            std::string error;
            ASSERT_TRUE(times.Read(due, local, form, error)) << error;
            ASSERT_EQ(FormatICalLocalDateTime(local),
                      FormatICalLocalDateTime(EncodeDate(2025, 7, 15) + EncodeTime(23, 0, 0, 0) - minutes / 1440.0))
                << minutes << " in round " << round;
        }
    }
}

} // namespace
