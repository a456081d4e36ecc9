// Time zones that task files define for themselves. Hostile definitions, in one folder beside
// good files and read in one run, resolve to the system's zone of their name (or, where libical
// reads them as sound, to their own offsets); sound definitions give the times libical gives
// for their own text.
#include "outlooksync/ICalTimes.h"
#include "outlooksync/vdir/VdirTestSupport.h"

namespace {

// A definition of "Europe/Berlin" whose summer is nine hours ahead of UTC and winter eight: a
// due date read in it differs from the system's Berlin.
std::string Observance(const std::string& kind, const std::string& body)
{
    return "BEGIN:" + kind + "\r\n" + body + "END:" + kind + "\r\n";
}
const std::string kSummer = "TZOFFSETFROM:+0800\r\nTZOFFSETTO:+0900\r\nDTSTART:19700329T020000\r\n";
const std::string kWinter =
    Observance("STANDARD", "TZOFFSETFROM:+0900\r\nTZOFFSETTO:+0800\r\nDTSTART:19701025T030000\r\n"
                           "RRULE:FREQ=YEARLY;BYDAY=-1SU;BYMONTH=10\r\n");
std::string Zone(const std::string& observances, const std::string& tzid = "Europe/Berlin")
{
    return "BEGIN:VTIMEZONE\r\nTZID:" + tzid + "\r\n" + observances + "END:VTIMEZONE\r\n";
}
std::string Summer(const std::string& lines) { return Zone(Observance("DAYLIGHT", kSummer + lines) + kWinter); }

std::string ZonedTask(const std::string& uid, const std::string& zones, const std::string& inTodo = "")
{
    return "BEGIN:VCALENDAR\r\nVERSION:2.0\r\nPRODID:-//Test//EN\r\n" + zones + "BEGIN:VTODO\r\nUID:" +
           uid + "\r\nDTSTAMP:20250101T000000Z\r\nSUMMARY:Task " + uid + "\r\n" + inTodo +
           "DUE;TZID=Europe/Berlin:20250715T170000\r\nEND:VTODO\r\nEND:VCALENDAR\r\n";
}

// Every day from 2012 on, a hundred dates a line (libical reads no more from one line).
std::string ManyDates()
{
    std::string dates;
    for (int day = 0; day < 5000; ++day)
        dates += (day % 100 ? "," : "RDATE:") + FormatICalDate(EncodeDate(2012, 1, 1) + day) + "T020000" +
                 (day % 100 == 99 ? "\r\n" : "");
    return dates;
}

const TDateTime kJuly15 = EncodeDate(2025, 7, 15);
// 17:00 in Berlin's summer; in the file's own summer (UTC+9) it is 10:00 here, in its winter
// (UTC+8) 11:00.
const TDateTime kSystemBerlin = kJuly15 + EncodeTime(17, 0, 0, 0);
const TDateTime kOwnSummer = kJuly15 + EncodeTime(10, 0, 0, 0);
const TDateTime kOwnWinter = kJuly15 + EncodeTime(11, 0, 0, 0);

const std::string kHourlyInParameters = "RRULE;FREQ=HOURLY;BYDAY=-1SU;BYMONTH=3\r\n";
const std::string kSound = "RRULE:FREQ=YEARLY;BYDAY=-1SU;BYMONTH=3\r\n";

const struct {
    const char* name;
    std::string text;
    TDateTime due;
} kCraftedZones[] = {
    {"sound", ZonedTask("sound", Summer(kSound)), kOwnSummer},
    {"hourly-in-parameters", ZonedTask("hourly-in-parameters", Summer(kHourlyInParameters)), kSystemBerlin},
    {"secondly-in-parameters", ZonedTask("secondly-in-parameters", Summer("RRULE;FREQ=SECONDLY;BYMONTH=3\r\n")),
     kSystemBerlin},
    {"lower-case", ZonedTask("lower-case", Summer("rrule:freq=hourly;byday=-1su;bymonth=3\r\n")), kSystemBerlin},
    {"folded", ZonedTask("folded", Summer("RR\r\n ULE:FREQ=SECON\r\n\tDLY;BYMONTH=3\r\n")), kSystemBerlin},
    {"repeated-freq", ZonedTask("repeated-freq", Summer("RRULE:FREQ=YEARLY;BYMONTH=3;BYDAY=-1SU;FREQ=SECONDLY\r\n")),
     kSystemBerlin},
    {"repeated-bymonth",
     ZonedTask("repeated-bymonth", Summer("RRULE:FREQ=YEARLY;BYMONTH=3;BYMONTH=1,2,3,4,5,6,7,8,9;BYDAY=-1SU\r\n")),
     kSystemBerlin},
    {"several-rules", ZonedTask("several-rules", Summer(kSound + "RRULE:FREQ=MINUTELY;BYMONTH=3\r\n")), kSystemBerlin},
    {"many-days", ZonedTask("many-days", Summer("RRULE:FREQ=YEARLY;BYMONTH=3;BYMONTHDAY=1,2,3,4,5,6,7,8\r\n")),
     kSystemBerlin},
    {"set-position", ZonedTask("set-position", Summer("RRULE:FREQ=YEARLY;BYMONTH=3;BYDAY=SU;BYSETPOS=-1\r\n")),
     kSystemBerlin},
    {"other-calendar", ZonedTask("other-calendar", Summer("RRULE:RSCALE=CHINESE;FREQ=YEARLY;BYMONTH=3\r\n")),
     kSystemBerlin},
    {"unreadable-rule", ZonedTask("unreadable-rule", Summer("RRULE:FREQ=FORTNIGHTLY\r\n")), kSystemBerlin},
    {"period", ZonedTask("period", Summer("RDATE;VALUE=PERIOD:20250301T020000/PT1H\r\n")), kSystemBerlin},
    {"two-starts", ZonedTask("two-starts", Summer("DTSTART:19800329T020000\r\n" + kSound)), kSystemBerlin},
    // Thousands of dates are read in the time their count warrants.
    {"thousands-of-dates", ZonedTask("thousands-of-dates", Summer(ManyDates())), kOwnSummer},
    // A counted rule must be walked from its start: from the year 1 it is too long.
    {"counted-from-year-1",
     ZonedTask("counted-from-year-1", Zone(Observance("DAYLIGHT", "TZOFFSETFROM:+0800\r\nTZOFFSETTO:+0900\r\n"
                                                                  "DTSTART:00010325T020000\r\nRRULE:FREQ=YEARLY;"
                                                                  "COUNT=2000000000;BYMONTH=3;BYDAY=-1SU\r\n") +
                                           kWinter)),
     kSystemBerlin},
    {"from-year-1", ZonedTask("from-year-1", Zone(Observance("DAYLIGHT", "TZOFFSETFROM:+0800\r\nTZOFFSETTO:+0900\r\n"
                                                                        "DTSTART:00010325T020000\r\n" + kSound) +
                                                  kWinter)),
     kOwnSummer},
    {"huge-interval", ZonedTask("huge-interval", Summer("RRULE:FREQ=YEARLY;INTERVAL=32767;BYMONTH=3;BYDAY=-1SU\r\n")),
     kOwnWinter},
    // libical steps through no rule that starts after 2582.
    {"far-future-start",
     ZonedTask("far-future-start", Zone(Observance("DAYLIGHT", "TZOFFSETFROM:+0800\r\nTZOFFSETTO:+0900\r\n"
                                                               "DTSTART:99990328T020000\r\n" + kSound) +
                                        kWinter)),
     kSystemBerlin},
    // An observance inside another is no part of the zone, for libical too.
    {"nested-observance",
     ZonedTask("nested-observance", Zone(Observance("STANDARD", "TZOFFSETFROM:+0900\r\nTZOFFSETTO:+0800\r\n"
                                                                "DTSTART:19701025T030000\r\n" +
                                                                    Observance("DAYLIGHT", kSummer + kHourlyInParameters)))),
     kOwnWinter},
    {"zone-inside-the-task", ZonedTask("zone-inside-the-task", "", Summer(kSound)), kSystemBerlin},
    {"two-that-differ",
     ZonedTask("two-that-differ", Summer(kSound) + Zone(Observance("STANDARD", "TZOFFSETTO:+0500\r\n"
                                                                               "DTSTART:19700101T000000\r\n"))),
     kSystemBerlin},
    {"two-the-same", ZonedTask("two-the-same", Summer(kSound) + Summer(kSound)), kOwnSummer},
};

using FileZones = VdirFixture;

TEST_F(FileZones, CraftedZonesBesideGoodFilesResolveInOneRunAndTheGoodTasksArriveWhole)
{
    for (const auto& c : kCraftedZones)
        WriteText(tasks / (std::string(c.name) + ".ics"), c.text);
    for (const char* good : {"thunderbird.ics", "nextcloud.ics"})
        fs::copy_file(kFixtures + good, tasks / good);
    ASSERT_TRUE(Sync());

    for (const auto& c : kCraftedZones) {
        TTaskNode* task = Find("Task " + std::string(c.name));
        ASSERT_TRUE(task) << c.name;
        EXPECT_EQ(FormatICalLocalDateTime(task->DueDateTime), FormatICalLocalDateTime(c.due)) << c.name;
    }
    TTaskNode* report = Find("Prepare the quarterly report");
    ASSERT_TRUE(report);
    EXPECT_EQ(report->DueDateTime, EncodeDate(2025, 1, 15) + EncodeTime(17, 0, 0, 0));
    EXPECT_EQ(NoteText(*report), "Numbers from finance\r\nCharts for the board, in colour\r\n");
    TTaskNode* plants = Find("Water the plants");
    ASSERT_TRUE(plants);
    EXPECT_EQ(plants->DueDateTime, EncodeDate(2025, 1, 15) + EncodeTime(23, 0, 0, 0));
    EXPECT_EQ(host.S.Errors, std::vector<std::string>{});

    // A due date changed here is written in the zone the file named, as it resolved there.
    TTaskNode* hourly = Find("Task hourly-in-parameters");
    hourly->SetDueDateTime(hourly->DueDateTime + 1);
    Edit(hourly);
    ASSERT_TRUE(Sync());
    EXPECT_THAT(ReadText(tasks / "hourly-in-parameters.ics"),
                HasSubstr("DUE;TZID=Europe/Berlin:20250716T170000\r\n"));
}

class FileZonesWithTodoman : public TodomanFixture {};

TEST_F(FileZonesWithTodoman, TasksTodomanWritesArriveWholeBesideCraftedZones)
{
    Run("todoman new -l tasks -d '2025-07-15 17:00' 'Written by todoman'");
    Run("todoman new -l tasks -d '2025-07-16 09:30' 'Also written by todoman'");
    for (const auto& c : kCraftedZones)
        WriteText(tasks / (std::string(c.name) + ".ics"), c.text);
    ASSERT_TRUE(Sync());
    for (const auto& [caption, due] : {std::pair{"Written by todoman", kSystemBerlin},
                                       std::pair{"Also written by todoman", kJuly15 + 1 + EncodeTime(9, 30, 0, 0)}}) {
        TTaskNode* task = Find(caption);
        ASSERT_TRUE(task) << caption;
        EXPECT_EQ(task->DueDateTime, due) << caption;
    }
    EXPECT_EQ(db.Root->Children[0]->Children.Count(), static_cast<int>(std::size(kCraftedZones)) + 2);
}

// Sound definitions in the forms clients write them: libical's own reading of their text is
// the reference for every day from 1968 to 2034, at night (near the changes) and at noon.
TEST(FileZoneTimes, SoundZonesGiveTheTimesLibicalGivesForTheirOwnText)
{
    UseTimeZone("UTC0");   // local time is UTC: every difference is the zone's
    const std::string usEastern =
        Observance("DAYLIGHT", "TZOFFSETFROM:-0500\r\nTZOFFSETTO:-0400\r\nDTSTART:19670430T020000\r\n"
                               "RRULE:FREQ=YEARLY;UNTIL=19730429T070000Z;BYMONTH=4;BYDAY=-1SU\r\n") +
        Observance("DAYLIGHT", "TZOFFSETFROM:-0500\r\nTZOFFSETTO:-0400\r\nDTSTART:19740106T020000\r\n"
                               "RDATE:19750223T070000Z\r\nRDATE;VALUE=DATE:19760425\r\n") +
        Observance("DAYLIGHT", "TZOFFSETFROM:-0500\r\nTZOFFSETTO:-0400\r\nDTSTART:19770424T020000\r\n"
                               "RRULE:FREQ=YEARLY;UNTIL=19860427T070000Z;BYMONTH=4;BYDAY=-1SU\r\n") +
        Observance("DAYLIGHT", "TZOFFSETFROM:-0500\r\nTZOFFSETTO:-0400\r\nDTSTART:19870405T020000\r\n"
                               "RRULE:FREQ=YEARLY;UNTIL=20060402T070000Z;BYMONTH=4;BYDAY=1SU\r\n") +
        Observance("DAYLIGHT", "TZOFFSETFROM:-0500\r\nTZOFFSETTO:-0400\r\nDTSTART:20070311T020000\r\n"
                               "RRULE:FREQ=YEARLY;BYMONTH=3;BYDAY=2SU\r\n") +
        Observance("STANDARD", "TZOFFSETFROM:-0400\r\nTZOFFSETTO:-0500\r\nDTSTART:19671029T020000\r\n"
                               "RRULE:FREQ=YEARLY;UNTIL=20061029T060000Z;BYMONTH=10;BYDAY=-1SU\r\n") +
        Observance("STANDARD", "TZOFFSETFROM:-0400\r\nTZOFFSETTO:-0500\r\nDTSTART:20071104T020000\r\n"
                               "RRULE:FREQ=YEARLY;BYMONTH=11;BYDAY=1SU\r\n");
    const std::string windows =
        Observance("STANDARD", "DTSTART:16010101T030000\r\nTZOFFSETFROM:+1100\r\nTZOFFSETTO:+1000\r\n"
                               "RRULE:FREQ=YEARLY;BYDAY=1SU;BYMONTH=4\r\n") +
        Observance("DAYLIGHT", "DTSTART:16010101T020000\r\nTZOFFSETFROM:+1000\r\nTZOFFSETTO:+1100\r\n"
                               "RRULE:FREQ=YEARLY;BYDAY=1SU;BYMONTH=10\r\n");
    const std::string counted =
        Observance("DAYLIGHT", "TZOFFSETFROM:+0300\r\nTZOFFSETTO:+0400\r\nDTSTART:19810329T020000\r\n"
                               "RRULE:FREQ=YEARLY;COUNT=12;BYMONTH=3;BYMONTHDAY=25,26,27,28,29,30,31;BYDAY=SU\r\n") +
        Observance("DAYLIGHT", "TZOFFSETFROM:+0300\r\nTZOFFSETTO:+0400\r\nDTSTART:19930328T020000\r\n"
                               "RRULE:FREQ=YEARLY;INTERVAL=2;BYMONTH=3;BYDAY=-1SU\r\n") +
        Observance("DAYLIGHT", "TZOFFSETFROM:+0300\r\nTZOFFSETTO:+0400\r\nDTSTART:19940327T020000\r\n"
                               "RRULE:FREQ=YEARLY;INTERVAL=2;BYMONTH=3;BYDAY=-1SU\r\n") +
        Observance("STANDARD", "TZOFFSETFROM:+0400\r\nTZOFFSETTO:+0300\r\nDTSTART:19810927T030000\r\n"
                               "RRULE:FREQ=YEARLY;UNTIL=19950924T000000Z;BYMONTH=9;BYDAY=-1SU\r\n") +
        Observance("STANDARD", "TZOFFSETFROM:+0400\r\nTZOFFSETTO:+0300\r\nDTSTART:19961027T030000\r\n"
                               "RRULE:FREQ=YEARLY;BYMONTH=10;BYDAY=-1SU\r\n");
    const std::string datesOnly =
        Observance("STANDARD", "TZOFFSETFROM:+0545\r\nTZOFFSETTO:+0530\r\nDTSTART:19700101T000000\r\n"
                               "RDATE:19851001T000000,20011001T000000\r\n") +
        Observance("DAYLIGHT", "TZOFFSETFROM:+0530\r\nTZOFFSETTO:+0545\r\nDTSTART:19800401T000000\r\n"
                               "RDATE;VALUE=DATE:19950401,20100401\r\nRDATE:20200331T183000Z\r\n");
    const std::string calendar = ReadText(kFixtures + "thunderbird.ics");
    const std::string berlin = calendar.substr(calendar.find("BEGIN:VTIMEZONE"),
                                               calendar.find("BEGIN:VTODO") - calendar.find("BEGIN:VTIMEZONE"));
    for (const std::string& zone : {berlin, Zone(usEastern, "Test/Eastern"), Zone(windows, "Test/Sydney"),
                                    Zone(counted, "Test/Counted"), Zone(datesOnly, "Test/Dates")}) {
        const std::string tzid = zone.substr(zone.find("TZID:") + 5, zone.find("\r\n", zone.find("TZID:")) -
                                                                         zone.find("TZID:") - 5);
        icaltimezone* reference = icaltimezone_new();
        ASSERT_TRUE(icaltimezone_set_component(reference, icalparser_parse_string(zone.c_str()))) << tzid;
        const std::vector<TICalComponent> file =
            ParseICalendar("BEGIN:VCALENDAR\r\n" + zone + "END:VCALENDAR\r\n");
        TICalTimes times(&file[0]);
        int differences = 0;
        for (TDateTime day = EncodeDate(1968, 1, 1); day < EncodeDate(2035, 1, 1) && differences < 5; day += 1) {
            for (const char* hour : {"T023000", "T120000"}) {
                const std::string wall = FormatICalDate(day) + hour;
                TICalProperty due{"DUE", ";TZID=" + tzid, wall, false, {}};
                TDateTime local = 0;
                TICalTimeForm form;
                std::string error;
                ASSERT_TRUE(times.Read(due, local, form, error)) << error;
                const time_t utc = icaltime_as_timet_with_zone(icaltime_from_string(wall.c_str()), reference);
                const TDateTime expected = UtcToLocal(UnixToDateTime(static_cast<int64_t>(utc)));
                times.Write(due, local, form);
                const std::string expectedWall =
                    std::string(icaltime_as_ical_string(icaltime_from_timet_with_zone(utc, 0, reference))).substr(0, 15);
                if (local != expected || due.Value != expectedWall) {
                    ++differences;
                    ADD_FAILURE() << tzid << " " << wall << ": " << FormatICalLocalDateTime(local) << " "
                                  << due.Value << ", libical " << FormatICalLocalDateTime(expected) << " "
                                  << expectedWall;
                }
            }
        }
        icaltimezone_free(reference, 1);
    }
}

} // namespace
