// Stream primitives, delimited fields, text replacement, code pages and the UI seam.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <fstream>

#include "platform/Exceptions.h"
#include "platform/Stream.h"
#include "platform/StrUtils.h"
#include "taskdb/Services.h"

namespace {

std::vector<uint8_t> Bytes(std::initializer_list<int> values)
{
    return std::vector<uint8_t>(values.begin(), values.end());
}

// Answers questions from a script and records what was asked ("+" marks a Cancel button).
struct TScriptedUi : THeadlessUiServices {
    TScriptedUi() { SetUiServices(this); }
    ~TScriptedUi() override { SetUiServices(nullptr); }
    int32_t AskQuestion(const std::string& Text, bool WithCancel) override
    {
        Asked.push_back(Text + (WithCancel ? "+" : ""));
        return Asked.size() <= Answers.size() ? Answers[Asked.size() - 1] : idCancel;
    }
    bool SetClipboardText(const std::string& Text) override
    {
        return ClipboardWorks && THeadlessUiServices::SetClipboardText(Text);
    }
    std::vector<int32_t> Answers;
    std::vector<std::string> Asked;
    bool ClipboardWorks = true;
};

}  // namespace

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
    const std::string raw("a\0b\xB6\r\n\xFF", 7);   // every byte is kept
    WriteStreamString(s, raw);

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
    ReadStreamString(s, text);
    EXPECT_EQ(text, raw);
    EXPECT_EQ(s.Remaining(), 0);
}

TEST(StreamPrimitives, DamagedRecordsAreReadErrors)
{
    for (const auto& bytes : {Bytes({5, 0, 0, 0, 'a', 'b'}),          // shorter than its length
                              Bytes({0xFF, 0xFF, 0xFF, 0xFF}),        // negative length
                              Bytes({0xFF, 0xFF, 0xFF, 0x7F, 'a'}),   // huge length
                              Bytes({2, 0})}) {                       // length cut short
        TMemoryStream s(bytes);
        std::string text;
        EXPECT_THROW(ReadStreamString(s, text), EReadError);
    }
    std::vector<int32_t> list;
    TMemoryStream ints(Bytes({0, 0, 0, 0x40, 1, 0, 0, 0}));
    EXPECT_THROW(ReadStreamIntList(ints, list), EReadError);
    TMemoryStream negative(Bytes({0xFE, 0xFF, 0xFF, 0xFF}));
    EXPECT_THROW(ReadStreamIntList(negative, list), EReadError);
    TMemoryStream strings(Bytes({2, 0, 0, 0, 1, 0, 0, 0, 'x'}));
    TStringList sl;
    EXPECT_THROW(ReadStreamStrings(strings, sl), EReadError);
}

TEST(Fields, CountAndGetOnStringsAndBuffers)
{
    const struct {
        std::string text, delim;
        std::vector<std::string> fields;
    } cases[] = {
        {"a;b;c", ";", {"a", "b", "c"}},
        {"a;b;", ";", {"a", "b"}},
        {";a", ";", {"", "a"}},
        {"", ";", {}},
        {"a;;b", ";", {"a", "", "b"}},
        {"abc", ";", {"abc"}},
        {";", ";", {""}},
        {"a, b, c", ", ", {"a", "b", "c"}},
        {"aaa", "aa", {"", "a"}},   // the search resumes after an occurrence
        {"one--two--three", "--", {"one", "two", "three"}},
        {"Home ; Office", ";", {"Home ", " Office"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(CountFields(c.text, c.delim), static_cast<int32_t>(c.fields.size()));
        EXPECT_EQ(CountFieldsP(c.text.c_str(), c.delim), static_cast<int32_t>(c.fields.size()));
        const int32_t n = static_cast<int32_t>(c.fields.size());
        for (int32_t i = -1; i <= n + 1; ++i) {
            const std::string expected = i >= 1 && i <= n ? c.fields[static_cast<size_t>(i - 1)] : "";
            EXPECT_EQ(GetField(c.text, c.delim, i), expected) << i;
            std::string buffer = c.text;
            EXPECT_STREQ(GetFieldP(buffer.data(), c.delim, i), expected.c_str()) << i;
        }
    }
    EXPECT_EQ(CountFields("a;b", ""), 0);
    EXPECT_EQ(GetField("a;b", "", 2), "a;b");
    EXPECT_EQ(CountFieldsP(nullptr, ";"), 0);

    char buffer[] = "ab;cd;ef";   // the field is terminated in place
    EXPECT_EQ(GetFieldP(buffer, ";", 2), buffer + 3);
    EXPECT_STREQ(buffer, "ab;cd");
}

TEST(Text, ReplaceAllEndsEvenWhenTheReplacementContainsTheSearchedText)
{
    EXPECT_EQ(ReplaceAll("aaa", "aa", "a"), "a");
    EXPECT_EQ(ReplaceAll("text", "x", "x"), "text");
    EXPECT_EQ(ReplaceAll("text", "q", "r"), "text");
    EXPECT_EQ(ReplaceAll("line 1\xB6line 2\xB6\xB6", "\xB6", "\n"), "line 1\nline 2\n\n");
    EXPECT_EQ(ReplaceAll("a-b-c", "-", ""), "abc");
    EXPECT_EQ(ReplaceAll("xaab", "ab", "b"), "xb") << "occurrences formed by a replacement go too";
    EXPECT_EQ(ReplaceAll("", "a", "b"), "");
    EXPECT_EQ(ReplaceAll("abc", "", "x"), "abc");
    EXPECT_EQ(ReplaceAll("a.b", ".", ".."), "a..b");
    EXPECT_EQ(ReplaceAll("aa", "a", "aa"), "aaaa");
    EXPECT_EQ(ReplaceAll("xaxa", "xa", "axa"), "axaaxa");
    EXPECT_EQ(ReplaceAll("abab", "ab", "ba"), "baba");
}

TEST(CodePages, RoundTripsThroughUtf16)
{
    const struct {
        uint32_t codePage;
        std::string bytes;
        std::u16string wide;
    } cases[] = {
        {1252, "Caf\xE9 \x80 \x9C", u"Caf\u00E9 \u20AC \u0153"},
        {1251, "\xCF\xF0\xE8\xE2\xE5\xF2", u"\u041F\u0440\u0438\u0432\u0435\u0442"},
        {437, "\x82\xB0\xE1", u"\u00E9\u2591\u00DF"},
        {65001, "\xE2\x82\xAC\xF0\x9F\x98\x80", u"\u20AC\U0001F600"},
        {0, "\xC3\xA9t\xC3\xA9", u"\u00E9t\u00E9"},
        {1252, "", u""},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(AnsiToWide(c.bytes, c.codePage), c.wide) << c.codePage;
        EXPECT_EQ(WideToAnsi(c.wide, c.codePage), c.bytes) << c.codePage;
    }
}

TEST(CodePages, OutsideCharactersAreReplacedAndUnknownPagesRaise)
{
    EXPECT_EQ(WideToAnsi(u"A\u041FB", 1252), "A?B");
    EXPECT_EQ(WideToAnsi(u"\u00E9\u20AC", 1251), "?\x88");
    EXPECT_EQ(WideToAnsi(u"x\U0001F600y", 1252), "x?y");
    EXPECT_THROW(AnsiToWide("abc", 4242), ECodePageError);
    EXPECT_THROW(WideToAnsi(u"abc", 4242), ECodePageError);
}

TEST(Confirmations, SecondQuestionOnlyAfterYesAndNeverAsAFormatString)
{
    const struct {
        std::string second;
        int32_t count;
        std::vector<int32_t> answers;
        bool result;
        std::vector<std::string> asked;
    } cases[] = {
        {"Really?", -1, {idNo}, false, {"Delete?"}},
        {"", -1, {idYes}, true, {"Delete?"}},
        {"Really?", -1, {idYes, idNo}, false, {"Delete?", "Really?"}},
        {"Delete %d tasks at 100%%?", 5, {idYes, idYes}, true, {"Delete?", "Delete 5 tasks at 100%?"}},
        {"Really %d?", 0, {idYes}, true, {"Delete?"}},   // counts 0, 1 and below -1: no second
        {"Really %d?", 1, {idYes}, true, {"Delete?"}},
        {"Really %d?", -2, {idYes}, true, {"Delete?"}},
        {"%s %n %d %d", 3, {idYes, idYes}, true, {"Delete?", "%s %n 3 %d"}},
    };
    for (const auto& c : cases) {
        TScriptedUi ui;
        ui.Answers = c.answers;
        EXPECT_EQ(ConfirmYesNo("Delete?", c.second, c.count), c.result) << c.second << c.count;
        EXPECT_EQ(ui.Asked, c.asked) << c.second << c.count;
    }
    TScriptedUi ui;   // an empty message counts as Yes without a box
    EXPECT_TRUE(ConfirmYesNo(""));
    EXPECT_EQ(ConfirmYesNoCancel(""), idYes);
    EXPECT_TRUE(ui.Asked.empty());
}

TEST(Confirmations, YesNoCancelReturnsTheDecisiveButtonAndClipboardFailureIsReported)
{
    TScriptedUi ui;
    ui.Answers = {idCancel, idNo, idYes, idCancel};
    EXPECT_EQ(ConfirmYesNoCancel("Save?"), idCancel);
    EXPECT_EQ(ConfirmYesNoCancel("Save?", "Sure?", -1), idNo);
    EXPECT_EQ(ConfirmYesNoCancel("Save?", "Sure?", -1), idCancel);
    EXPECT_EQ(ui.Asked, (std::vector<std::string>{"Save?+", "Save?+", "Save?+", "Sure?+"}));

    ui.ClipboardWorks = false;
    try {
        CopyTextToClipboard("x");
        FAIL() << "no exception";
    } catch (const Exception& e) {
        EXPECT_EQ(e.Message(), "Clipboard error.");
    }
}

TEST(Headless, NothingDestructiveHappensUnaskedAndNestedCursorsRestoreTheFirst)
{
    EXPECT_FALSE(ConfirmYesNo("Discard everything?"));
    EXPECT_EQ(ConfirmYesNoCancel("Save?"), idCancel);
    CopyTextToClipboard("copied");
    EXPECT_EQ(UiServices().GetClipboardText(), "copied");

    UiServices().SetScreenCursor(-2);
    {
        auto outer = HourGlass();
        {
            auto inner = SetTempCursor(-19);
            auto shared = inner;   // the cursor comes back with the last reference
            inner.reset();
            EXPECT_EQ(UiServices().GetScreenCursor(), -19);
        }
        EXPECT_EQ(UiServices().GetScreenCursor(), crHourGlass);
    }
    EXPECT_EQ(UiServices().GetScreenCursor(), -2);
    UiServices().SetScreenCursor(crDefault);
}

TEST(FilesAndTiming, FileSizeByNameAndDelayMs)
{
    const std::string name = ::testing::TempDir() + "tovrin_size_probe.bin";
    std::ofstream(name, std::ios::binary) << std::string(1234, 'x');
    EXPECT_EQ(FileSizeByName(name), 1234);
    std::remove(name.c_str());
    EXPECT_THROW(FileSizeByName(name), EFOpenError);

    DelayMs(0);
    DelayMs(-5);
    const auto start = std::chrono::steady_clock::now();
    DelayMs(15);
    EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(15));
}
