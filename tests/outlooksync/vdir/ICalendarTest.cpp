// iCalendar text: unfolding and folding, parameters, the TEXT escapes, lists, dates, times
// and durations.
#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>

#include "outlooksync/ICalendar.h"
#include "platform/CodePage.h"

namespace {

TEST(ICalendarText, FoldedLinesParametersAndNestedComponentsAreRead)
{
    const std::string text =
        "\xEF\xBB\xBF"
        "BEGIN:VCALENDAR\r\n"
        "VERSION:2.0\r\n"
        "BEGIN:VTODO\r\n"
        "SUMMARY;LANGUAGE=en:A long\r\n"
        "  summary\r\n"
        "\tcontinued\n"
        "X-LINK;X-TITLE=\"a:b;c\":https://example.org/x\r\n"
        "BEGIN:VALARM\r\n"
        "TRIGGER:-PT15M\r\n"
        "END:VALARM\r\n"
        "END:VTODO\r\n"
        "END:VCALENDAR\r\n";
    std::vector<TICalComponent> top = ParseICalendar(text);
    ASSERT_EQ(top.size(), 1u);
    ASSERT_EQ(top[0].Name, "VCALENDAR");
    TICalComponent* todo = top[0].FindComponent("vtodo");
    ASSERT_TRUE(todo);
    const TICalProperty* summary = todo->Find("summary");
    ASSERT_TRUE(summary);
    EXPECT_EQ(summary->Value, "A long summarycontinued");
    EXPECT_EQ(summary->Param("language"), "en");
    const TICalProperty* link = todo->Find("X-LINK");
    ASSERT_TRUE(link);
    EXPECT_EQ(link->Param("X-TITLE"), "a:b;c");
    EXPECT_EQ(link->Value, "https://example.org/x");
    ASSERT_EQ(todo->Components.size(), 1u);
    EXPECT_EQ(todo->Components[0].Find("TRIGGER")->Value, "-PT15M");
}

TEST(ICalendarText, UnbalancedAndMalformedLinesLoseNothingElse)
{
    std::vector<TICalComponent> top = ParseICalendar(
        "BEGIN:VCALENDAR\nBEGIN:VTODO\nthis is no content line\nEND:VEVENT\nUID:1\n");
    ASSERT_EQ(top.size(), 1u);
    TICalComponent* todo = top[0].FindComponent("VTODO");
    ASSERT_TRUE(todo);
    EXPECT_TRUE(todo->Find("UID"));
    ASSERT_EQ(todo->Properties.size(), 2u);
    EXPECT_TRUE(todo->Properties[0].Raw);
    // Written back with the components closed.
    const std::string out = WriteICalendar(top);
    EXPECT_NE(out.find("this is no content line\r\nUID:1\r\nEND:VTODO\r\nEND:VCALENDAR\r\n"),
              std::string::npos);
}

TEST(ICalendarText, LongLinesAreFoldedAt75OctetsWithoutSplittingCharacters)
{
    std::string summary;
    for (int i = 0; i < 60; ++i)
        summary += "\xC3\xBC-";   // "ü-": a two-byte character every three octets
    TICalComponent todo{"VTODO", {}, {}};
    todo.Set("SUMMARY", "", summary);
    const std::string out = WriteICalendar({todo});

    size_t pos = 0;
    std::string unfolded;
    while (pos < out.size()) {
        const size_t end = out.find("\r\n", pos);
        ASSERT_NE(end, std::string::npos);
        const std::string line = out.substr(pos, end - pos);
        EXPECT_LE(line.size(), 75u);
        EXPECT_TRUE(IsValidUtf8(line[0] == ' ' ? line.substr(1) : line)) << line;
        unfolded += line[0] == ' ' ? line.substr(1) : "\n" + line;
        pos = end + 2;
    }
    EXPECT_NE(unfolded.find("\nSUMMARY:" + summary + "\n"), std::string::npos);
    EXPECT_EQ(ParseICalendar(out)[0].Find("SUMMARY")->Value, summary);
}

TEST(ICalendarText, TextEscapesAndListsRoundTrip)
{
    const std::string text = "a\\b; c, d\r\nline two\nthree";
    const std::string escaped = EscapeICalText(text);
    EXPECT_EQ(escaped, "a\\\\b\\; c\\, d\\nline two\\nthree");
    EXPECT_EQ(UnescapeICalText(escaped), "a\\b; c, d\nline two\nthree");
    EXPECT_EQ(UnescapeICalText("x\\Ny\\"), "x\ny\\");

    const std::vector<std::string> list = SplitICalTextList("Work,Home\\, Garden,,\\\\");
    ASSERT_EQ(list.size(), 4u);
    EXPECT_EQ(list[1], "Home, Garden");
    EXPECT_EQ(list[2], "");
    EXPECT_EQ(list[3], "\\");
}

class ICalendarTimes : public ::testing::Test {
protected:
    void SetUp() override
    {
        const char* old = std::getenv("TZ");
        hadTZ = old != nullptr;
        if (old)
            oldTZ = old;
        // Central European time with its summer time rule, without a time-zone database.
        setenv("TZ", "CET-1CEST,M3.5.0,M10.5.0/3", 1);
        tzset();
    }
    void TearDown() override
    {
        if (hadTZ)
            setenv("TZ", oldTZ.c_str(), 1);
        else
            unsetenv("TZ");
        tzset();
    }
    bool hadTZ = false;
    std::string oldTZ;
};

TEST_F(ICalendarTimes, DatesLocalTimesAndUtcTimesAreRead)
{
    TDateTime v = 0;
    bool isDate = false;
    ASSERT_TRUE(ParseICalDateTime("20240105", v, isDate));
    EXPECT_TRUE(isDate);
    EXPECT_EQ(v, EncodeDate(2024, 1, 5));

    ASSERT_TRUE(ParseICalDateTime("20240105T143000", v, isDate));
    EXPECT_FALSE(isDate);
    EXPECT_EQ(v, EncodeDate(2024, 1, 5) + EncodeTime(14, 30, 0, 0));

    ASSERT_TRUE(ParseICalDateTime("20240105T120000Z", v, isDate));
    EXPECT_EQ(v, EncodeDate(2024, 1, 5) + EncodeTime(13, 0, 0, 0));
    ASSERT_TRUE(ParseICalDateTime("20240705T120000Z", v, isDate));
    EXPECT_EQ(v, EncodeDate(2024, 7, 5) + EncodeTime(14, 0, 0, 0));

    for (const char* bad : {"", "2024010", "20241305", "20240230", "20240105T1430",
                            "20240105X143000", "20240105T250000", "20240105T143000+"})
        EXPECT_FALSE(ParseICalDateTime(bad, v, isDate)) << bad;
}

TEST_F(ICalendarTimes, ValuesAreWrittenInEachForm)
{
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

TEST(ICalendarDurations, WeeksDaysAndTimesAreReadAndOthersRefused)
{
    double d = 0;
    ASSERT_TRUE(ParseICalDuration("P1W", d));
    EXPECT_EQ(d, 7);
    ASSERT_TRUE(ParseICalDuration("-P1DT12H", d));
    EXPECT_EQ(d, -1.5);
    ASSERT_TRUE(ParseICalDuration("PT90M", d));
    EXPECT_EQ(d, 90.0 / 1440);
    for (const char* bad : {"", "P", "1D", "PT", "P1H", "PT1D", "P1X"})
        EXPECT_FALSE(ParseICalDuration(bad, d)) << bad;
}

} // namespace
