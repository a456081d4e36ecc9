// iCalendar text: malformed lines, folding, the TEXT escapes, lists, dates, times and
// durations (the client fixtures of the store tests cover folds, parameters and nesting).
#include "outlooksync/ICalendar.h"
#include "outlooksync/SyncTestFixture.h"
#include "platform/CodePage.h"

namespace {

TEST(ICalendarText, UnbalancedAndMalformedLinesLoseNothingElse)
{
    // A byte order mark in front is no part of the first line.
    std::vector<TICalComponent> top = ParseICalendar(
        "\xEF\xBB\xBF" "BEGIN:VCALENDAR\nBEGIN:VTODO\nthis is no content line\nEND:VEVENT\nUID:1\n");
    ASSERT_EQ(top.size(), 1u);
    TICalComponent* todo = top[0].FindComponent("VTODO");
    ASSERT_TRUE(todo);
    EXPECT_TRUE(todo->Find("UID"));
    ASSERT_EQ(todo->Properties.size(), 2u);
    EXPECT_TRUE(todo->Properties[0].Raw);
    // Written back as read, with the components closed in the text's own line ends.
    EXPECT_EQ(WriteICalendar(top), "BEGIN:VCALENDAR\nBEGIN:VTODO\nthis is no content line\nUID:1\n"
                                   "END:VTODO\nEND:VCALENDAR\n");
}

TEST(ICalendarText, LongLinesAreFoldedAt75OctetsWithoutSplittingCharacters)
{
    std::string summary;
    for (int i = 0; i < 60; ++i)
        summary += "\xC3\xBC-";   // "ü-": a two-byte character every three octets
    TICalComponent todo{"VTODO", {}, {}};
    todo.Set("SUMMARY", "", summary);
    const std::string out = WriteICalendar({todo});

    std::string unfolded;
    for (size_t pos = 0, end; pos < out.size(); pos = end + 2) {
        end = out.find("\r\n", pos);
        ASSERT_NE(end, std::string::npos);
        const std::string line = out.substr(pos, end - pos);
        const std::string content = line[0] == ' ' ? line.substr(1) : "\n" + line;
        EXPECT_LE(line.size(), 75u);
        EXPECT_TRUE(IsValidUtf8(content)) << line;
        unfolded += content;
    }
    EXPECT_THAT(unfolded, HasSubstr("\nSUMMARY:" + summary + "\n"));
    EXPECT_EQ(ParseICalendar(out)[0].Find("SUMMARY")->Value, summary);
}

TEST(ICalendarText, ACarriageReturnAtALinesEndSurvivesBareLineFeeds)
{
    // In a file of bare line feeds, a value whose line or fold piece ends in a carriage return.
    for (const std::string value : {std::string("odd\r"), std::string(73, 'x') + "\r" + std::string(10, 'y')}) {
        std::vector<TICalComponent> top = ParseICalendar("BEGIN:VCALENDAR\nBEGIN:VTODO\nUID:1\nEND:VTODO\nEND:VCALENDAR\n");
        top[0].FindComponent("VTODO")->Set("X-NOTE", "", value);
        const std::string once = WriteICalendar(top);
        EXPECT_EQ(ParseICalendar(once)[0].FindComponent("VTODO")->Find("X-NOTE")->Value, value);
        EXPECT_EQ(WriteICalendar(ParseICalendar(once)), once);
    }
}

TEST(ICalendarText, TextEscapesAndListsRoundTrip)
{
    const std::string escaped = EscapeICalText("a\\b; c, d\r\nline two\nthree");
    EXPECT_EQ(escaped, "a\\\\b\\; c\\, d\\nline two\\nthree");
    EXPECT_EQ(UnescapeICalText(escaped), "a\\b; c, d\nline two\nthree");
    EXPECT_EQ(UnescapeICalText("x\\Ny\\"), "x\ny\\");
    EXPECT_EQ(SplitICalTextList("Work,Home\\, Garden,,\\\\"),
              (std::vector<std::string>{"Work", "Home, Garden", "", "\\"}));
}

TEST(ICalendarTimes, DatesTimesAndDurationsAreReadAndOthersRefused)
{
    // Central European time with its summer time rule, without a time-zone database.
    UseTimeZone("CET-1CEST,M3.5.0,M10.5.0/3");
    const TDateTime jan5 = EncodeDate(2024, 1, 5);
    const struct {
        const char* text;
        TDateTime value;
        bool isDate;
    } good[] = {
        {"20240105", jan5, true},
        {"20240105T143000", jan5 + EncodeTime(14, 30, 0, 0), false},
        {"20240105T120000Z", jan5 + EncodeTime(13, 0, 0, 0), false},
        {"20240705T120000Z", EncodeDate(2024, 7, 5) + EncodeTime(14, 0, 0, 0), false},
    };
    for (const auto& g : good) {
        TDateTime v = 0;
        bool isDate = !g.isDate;
        EXPECT_TRUE(ParseICalDateTime(g.text, v, isDate)) << g.text;
        EXPECT_EQ(std::pair(v, isDate), std::pair(g.value, g.isDate)) << g.text;
    }
    TDateTime v;
    bool isDate;
    for (const char* bad : {"", "2024010", "20241305", "20240230", "20240105T1430",
                            "20240105X143000", "20240105T250000", "20240105T143000+"})
        EXPECT_FALSE(ParseICalDateTime(bad, v, isDate)) << bad;

    for (auto [text, days] : {std::pair{"P1W", 7.0}, {"-P1DT12H", -1.5}, {"PT90M", 90.0 / 1440}}) {
        double d = 0;
        EXPECT_TRUE(ParseICalDuration(text, d)) << text;
        EXPECT_EQ(d, days) << text;
    }
    double d;
    for (const char* bad : {"", "P", "1D", "PT", "P1H", "PT1D", "P1X"})
        EXPECT_FALSE(ParseICalDuration(bad, d)) << bad;
}

TEST(ICalendarTimes, ValuesAreWrittenInEachForm)
{
    UseTimeZone("CET-1CEST,M3.5.0,M10.5.0/3");
    const TDateTime t = EncodeDate(2024, 7, 5) + EncodeTime(14, 0, 0, 0);
    EXPECT_EQ(FormatICalDate(t), "20240705");
    EXPECT_EQ(FormatICalLocalDateTime(t), "20240705T140000");
    EXPECT_EQ(FormatICalUtcDateTime(t), "20240705T120000Z");
    EXPECT_EQ(UtcToLocal(LocalToUtc(t)), t);
    // Half a second is cut, never rounded up into the next second.
    EXPECT_EQ(TruncateToSecond(t + 0.9 / 86400), t);
    EXPECT_TRUE(IsWholeDay(EncodeDate(2024, 7, 5)));
    EXPECT_FALSE(IsWholeDay(t));
}

} // namespace
