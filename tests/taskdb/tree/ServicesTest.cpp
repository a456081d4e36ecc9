// Stream primitives, delimited fields, text replacement, code pages and the UI seam.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <fstream>

#include "platform/Exceptions.h"
#include "platform/Stream.h"
#include "platform/StrUtils.h"
#include "taskdb/Services.h"

using ::testing::_;
using ::testing::Return;

namespace {

std::vector<uint8_t> Bytes(std::initializer_list<int> values)
{
    std::vector<uint8_t> out;
    for (int v : values)
        out.push_back(static_cast<uint8_t>(v));
    return out;
}

}  // namespace

// ---------------------------------------------------------------- stream primitives

TEST(StreamPrimitives, ByteLayouts)
{
    TMemoryStream s;
    WriteStreamString(s, "Ab");
    WriteStreamString(s, "");
    WriteStreamIntList(s, {1, -2, 0x01020304});
    TStringList strings{"x", "yz"};
    WriteStreamStrings(s, strings);
    EXPECT_EQ(s.Bytes(), Bytes({2, 0, 0, 0, 'A', 'b',
                                0, 0, 0, 0,
                                3, 0, 0, 0, 1, 0, 0, 0, 0xFE, 0xFF, 0xFF, 0xFF, 4, 3, 2, 1,
                                2, 0, 0, 0, 1, 0, 0, 0, 'x', 2, 0, 0, 0, 'y', 'z'}));

    s.SetPosition(0);
    std::string text = "old";
    ReadStreamString(s, text);
    EXPECT_EQ(text, "Ab");
    ReadStreamString(s, text);
    EXPECT_EQ(text, "");
    std::vector<int32_t> ints{9, 9};
    ReadStreamIntList(s, ints);
    EXPECT_EQ(ints, (std::vector<int32_t>{1, -2, 0x01020304}));
    TStringList back{"stale"};
    ReadStreamStrings(s, back);
    EXPECT_EQ(back, strings);
    EXPECT_EQ(s.Remaining(), 0);
}

TEST(StreamPrimitives, StringsKeepEveryByte)
{
    TMemoryStream s;
    const std::string raw("a\0b\xB6\r\n\xFF", 7);
    WriteStreamString(s, raw);
    s.SetPosition(0);
    std::string back;
    ReadStreamString(s, back);
    EXPECT_EQ(back, raw);
}

TEST(StreamPrimitives, SortedListSortsAndDropsDuplicatesAsItReads)
{
    TMemoryStream s;
    TStringList stored{"b", "A", "a", "c", "B"};
    WriteStreamStrings(s, stored);
    s.SetPosition(0);
    TStringList sorted;
    sorted.SetSorted(true);
    sorted.SetDuplicates(TDuplicates::dupIgnore);
    ReadStreamStrings(s, sorted);
    ASSERT_EQ(sorted.Count(), 3);
    EXPECT_TRUE(SameText(sorted[0], "a"));
    EXPECT_TRUE(SameText(sorted[1], "b"));
    EXPECT_EQ(sorted[2], "c");
}

TEST(StreamPrimitives, DamagedRecordsAreReadErrors)
{
    const std::vector<std::vector<uint8_t>> damaged = {
        Bytes({5, 0, 0, 0, 'a', 'b'}),              // shorter than its length
        Bytes({0xFF, 0xFF, 0xFF, 0xFF}),            // negative length
        Bytes({0xFF, 0xFF, 0xFF, 0x7F, 'a'}),       // huge length
        Bytes({2, 0}),                              // length cut short
    };
    for (const auto& bytes : damaged) {
        TMemoryStream s(bytes);
        std::string text;
        EXPECT_THROW(ReadStreamString(s, text), EReadError);
    }
    TMemoryStream ints(Bytes({0, 0, 0, 0x40, 1, 0, 0, 0}));
    std::vector<int32_t> list;
    EXPECT_THROW(ReadStreamIntList(ints, list), EReadError);
    TMemoryStream negative(Bytes({0xFE, 0xFF, 0xFF, 0xFF}));
    EXPECT_THROW(ReadStreamIntList(negative, list), EReadError);
    TMemoryStream strings(Bytes({2, 0, 0, 0, 1, 0, 0, 0, 'x'}));
    TStringList sl;
    EXPECT_THROW(ReadStreamStrings(strings, sl), EReadError);
}

// ---------------------------------------------------------------- fields and text

TEST(Fields, CountFields)
{
    EXPECT_EQ(CountFields("a;b;c", ";"), 3);
    EXPECT_EQ(CountFields("a;b;", ";"), 2);
    EXPECT_EQ(CountFields(";a", ";"), 2);
    EXPECT_EQ(CountFields("", ";"), 0);
    EXPECT_EQ(CountFields("a;;b", ";"), 3);
    EXPECT_EQ(CountFields("abc", ";"), 1);
    EXPECT_EQ(CountFields(";", ";"), 1);
    EXPECT_EQ(CountFields("a;b", ""), 0);
    EXPECT_EQ(CountFields("a, b, c", ", "), 3);
    EXPECT_EQ(CountFields("aaa", "aa"), 2) << "the search resumes after an occurrence";
}

TEST(Fields, GetField)
{
    EXPECT_EQ(GetField("a;b;c", ";", 1), "a");
    EXPECT_EQ(GetField("a;b;c", ";", 3), "c");
    EXPECT_EQ(GetField("a;;b", ";", 2), "");
    EXPECT_EQ(GetField("a;;b", ";", 3), "b");
    EXPECT_EQ(GetField("a;;b", ";", 4), "");
    EXPECT_EQ(GetField("a;;b", ";", 0), "");
    EXPECT_EQ(GetField("a;;b", ";", -1), "");
    EXPECT_EQ(GetField(";a", ";", 1), "");
    EXPECT_EQ(GetField("a;b;", ";", 3), "");
    EXPECT_EQ(GetField("one--two--three", "--", 2), "two");
    EXPECT_EQ(GetField("a;b", "", 2), "a;b");
    EXPECT_EQ(GetField("Home ; Office", ";", 2), " Office");
}

TEST(Fields, BufferVariantsTerminateTheFieldInPlace)
{
    char buffer[] = "ab;cd;ef";
    EXPECT_EQ(CountFieldsP(buffer, ";"), 3);
    char* field = GetFieldP(buffer, ";", 2);
    EXPECT_EQ(field, buffer + 3);
    EXPECT_STREQ(field, "cd");
    EXPECT_STREQ(buffer, "ab;cd");
    char last[] = "ab;cd";
    EXPECT_STREQ(GetFieldP(last, ";", 2), "cd");
    char none[] = "ab;cd";
    EXPECT_STREQ(GetFieldP(none, ";", 3), "");
    EXPECT_STREQ(none, "ab;cd");
    EXPECT_STREQ(GetFieldP(none, ";", 0), "");
    EXPECT_EQ(CountFieldsP(nullptr, ";"), 0);
}

TEST(Text, ReplaceAll)
{
    EXPECT_EQ(ReplaceAll("aaa", "aa", "a"), "a");
    EXPECT_EQ(ReplaceAll("text", "x", "x"), "text");
    EXPECT_EQ(ReplaceAll("text", "q", "r"), "text");
    EXPECT_EQ(ReplaceAll("line 1\xB6line 2\xB6\xB6", "\xB6", "\n"), "line 1\nline 2\n\n");
    EXPECT_EQ(ReplaceAll("a-b-c", "-", ""), "abc");
    EXPECT_EQ(ReplaceAll("xaab", "ab", "b"), "xb") << "occurrences formed by a replacement go too";
    EXPECT_EQ(ReplaceAll("", "a", "b"), "");
    EXPECT_EQ(ReplaceAll("abc", "", "x"), "abc");
}

TEST(Text, ReplaceAllEndsWhenTheReplacementContainsTheSearchedText)
{
    EXPECT_EQ(ReplaceAll("a.b", ".", ".."), "a..b");
    EXPECT_EQ(ReplaceAll("aa", "a", "aa"), "aaaa");
    EXPECT_EQ(ReplaceAll("xaxa", "xa", "axa"), "axaaxa");
    EXPECT_EQ(ReplaceAll("abab", "ab", "ba"), "baba");
}

// ---------------------------------------------------------------- code pages

TEST(CodePages, RoundTripsThroughUtf16)
{
    struct Case {
        uint32_t codePage;
        std::string bytes;
        std::u16string wide;
    };
    const Case cases[] = {
        {1252, "Caf\xE9 \x80 \x9C", u"Caf\u00E9 \u20AC \u0153"},
        {1251, "\xCF\xF0\xE8\xE2\xE5\xF2", u"\u041F\u0440\u0438\u0432\u0435\u0442"},
        {437, "\x82\xB0\xE1", u"\u00E9\u2591\u00DF"},
        {65001, "\xE2\x82\xAC\xF0\x9F\x98\x80", u"\u20AC\U0001F600"},
        {0, "\xC3\xA9t\xC3\xA9", u"\u00E9t\u00E9"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(AnsiToWide(c.bytes, c.codePage), c.wide) << c.codePage;
        EXPECT_EQ(WideToAnsi(c.wide, c.codePage), c.bytes) << c.codePage;
    }
    EXPECT_EQ(AnsiToWide("", 1252), u"");
    EXPECT_EQ(WideToAnsi(u"", 1252), "");
}

TEST(CodePages, CharactersOutsideTheTargetAreReplacedNotDropped)
{
    EXPECT_EQ(WideToAnsi(u"A\u041FB", 1252), "A?B");
    EXPECT_EQ(WideToAnsi(u"\u00E9\u20AC", 1251), "?\x88");
    EXPECT_EQ(WideToAnsi(u"x\U0001F600y", 1252), "x?y");
}

TEST(CodePages, UnknownCodePageIsAClearError)
{
    EXPECT_THROW(AnsiToWide("abc", 4242), ECodePageError);
    EXPECT_THROW(WideToAnsi(u"abc", 4242), ECodePageError);
}

// ---------------------------------------------------------------- confirmations and UI seam

namespace {

class MockUi : public IUiServices {
public:
    MOCK_METHOD(int32_t, AskQuestion, (const std::string&, bool), (override));
    MOCK_METHOD(void, ShowWarning, (const std::string&), (override));
    MOCK_METHOD(int16_t, GetScreenCursor, (), (override));
    MOCK_METHOD(void, SetScreenCursor, (int16_t), (override));
    MOCK_METHOD(void, HideCursor, (), (override));
    MOCK_METHOD(bool, SetClipboardText, (const std::string&), (override));
    MOCK_METHOD(std::string, GetClipboardText, (), (override));
};

// Installs the mock for one test.
struct WithUi : ::testing::Test {
    WithUi() { SetUiServices(&ui); }
    ~WithUi() override { SetUiServices(nullptr); }
    ::testing::StrictMock<MockUi> ui;
};

}  // namespace

TEST_F(WithUi, EmptyMessageCountsAsYesWithoutABox)
{
    EXPECT_TRUE(ConfirmYesNo(""));
    EXPECT_EQ(ConfirmYesNoCancel(""), idYes);
}

TEST_F(WithUi, ConfirmYesNoAsksTheSecondQuestionOnlyAfterYes)
{
    EXPECT_CALL(ui, AskQuestion("Delete?", false)).WillOnce(Return(idNo));
    EXPECT_FALSE(ConfirmYesNo("Delete?", "Really?", -1));

    EXPECT_CALL(ui, AskQuestion("Delete?", false)).WillOnce(Return(idYes));
    EXPECT_TRUE(ConfirmYesNo("Delete?"));

    {
        ::testing::InSequence order;
        EXPECT_CALL(ui, AskQuestion("Delete?", false)).WillOnce(Return(idYes));
        EXPECT_CALL(ui, AskQuestion("Really?", false)).WillOnce(Return(idNo));
    }
    EXPECT_FALSE(ConfirmYesNo("Delete?", "Really?", -1));

    {
        ::testing::InSequence order;
        EXPECT_CALL(ui, AskQuestion("Delete?", false)).WillOnce(Return(idYes));
        EXPECT_CALL(ui, AskQuestion("Delete 5 tasks at 100%?", false)).WillOnce(Return(idYes));
    }
    EXPECT_TRUE(ConfirmYesNo("Delete?", "Delete %d tasks at 100%%?", 5));

    // Count 0, 1 or below -1: no second question.
    EXPECT_CALL(ui, AskQuestion("Delete?", false)).Times(3).WillRepeatedly(Return(idYes));
    EXPECT_TRUE(ConfirmYesNo("Delete?", "Really %d?", 0));
    EXPECT_TRUE(ConfirmYesNo("Delete?", "Really %d?", 1));
    EXPECT_TRUE(ConfirmYesNo("Delete?", "Really %d?", -2));
}

TEST_F(WithUi, ASecondQuestionIsNeverAFormatString)
{
    {
        ::testing::InSequence order;
        EXPECT_CALL(ui, AskQuestion("Q", false)).WillOnce(Return(idYes));
        EXPECT_CALL(ui, AskQuestion("%s %n 3 %d", false)).WillOnce(Return(idYes));
    }
    EXPECT_TRUE(ConfirmYesNo("Q", "%s %n %d %d", 3));
}

TEST_F(WithUi, ConfirmYesNoCancelReturnsTheDecisiveButton)
{
    EXPECT_CALL(ui, AskQuestion("Save?", true)).WillOnce(Return(idCancel));
    EXPECT_EQ(ConfirmYesNoCancel("Save?"), idCancel);
    EXPECT_CALL(ui, AskQuestion("Save?", true)).WillOnce(Return(idNo));
    EXPECT_EQ(ConfirmYesNoCancel("Save?", "Sure?", -1), idNo);
    {
        ::testing::InSequence order;
        EXPECT_CALL(ui, AskQuestion("Save?", true)).WillOnce(Return(idYes));
        EXPECT_CALL(ui, AskQuestion("Sure?", true)).WillOnce(Return(idCancel));
    }
    EXPECT_EQ(ConfirmYesNoCancel("Save?", "Sure?", -1), idCancel);
}

TEST_F(WithUi, ClipboardFailureIsReported)
{
    EXPECT_CALL(ui, SetClipboardText("todo")).WillOnce(Return(true));
    CopyTextToClipboard("todo");
    EXPECT_CALL(ui, SetClipboardText(_)).WillOnce(Return(false));
    try {
        CopyTextToClipboard("x");
        FAIL() << "no exception";
    } catch (const Exception& e) {
        EXPECT_EQ(e.Message(), "Clipboard error.");
    }
}

TEST(Headless, NothingDestructiveHappensUnasked)
{
    EXPECT_FALSE(ConfirmYesNo("Discard everything?"));
    EXPECT_EQ(ConfirmYesNoCancel("Save?"), idCancel);
    CopyTextToClipboard("copied");
    EXPECT_EQ(UiServices().GetClipboardText(), "copied");
}

TEST(Headless, NestedHourGlassesRestoreTheFirstCursor)
{
    UiServices().SetScreenCursor(-2);
    {
        auto outer = HourGlass();
        EXPECT_EQ(UiServices().GetScreenCursor(), crHourGlass);
        {
            auto inner = SetTempCursor(-19);
            EXPECT_EQ(UiServices().GetScreenCursor(), -19);
            auto shared = inner;   // the cursor comes back with the last reference
            inner.reset();
            EXPECT_EQ(UiServices().GetScreenCursor(), -19);
        }
        EXPECT_EQ(UiServices().GetScreenCursor(), crHourGlass);
    }
    EXPECT_EQ(UiServices().GetScreenCursor(), -2);
    UiServices().SetScreenCursor(crDefault);
}

// ---------------------------------------------------------------- files and timing

TEST(Files, FileSizeByName)
{
    const std::string name = ::testing::TempDir() + "tovrin_size_probe.bin";
    {
        std::ofstream out(name, std::ios::binary);
        out << std::string(1234, 'x');
    }
    EXPECT_EQ(FileSizeByName(name), 1234);
    std::remove(name.c_str());
    EXPECT_THROW(FileSizeByName(name), EFOpenError);
}

TEST(Timing, DelayMsWaitsAtLeastTheTimeAsked)
{
    using Clock = std::chrono::steady_clock;
    DelayMs(0);
    DelayMs(-5);
    const auto start = Clock::now();
    DelayMs(15);
    EXPECT_GE(Clock::now() - start, std::chrono::milliseconds(15));
}
