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
    void HideCursor() override { Asked.push_back("<hide cursor>"); }
    bool SetClipboardText(const std::string& Text) override
    {
        return ClipboardWorks && THeadlessUiServices::SetClipboardText(Text);
    }
    std::vector<int32_t> Answers;
    std::vector<std::string> Asked;
    bool ClipboardWorks = true;
};

}  // namespace

TEST(StreamPrimitives, ByteLayoutsRoundTripAndDamagedRecordsAreReadErrors)
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
    std::string text = "old", empty = "old", back;
    std::vector<int32_t> ints{9, 9};
    TStringList list{"stale"};
    ReadStreamString(s, text);
    ReadStreamString(s, empty);
    ReadStreamIntList(s, ints);
    ReadStreamStrings(s, list);
    ReadStreamString(s, back);
    EXPECT_EQ(std::tuple(text, empty, ints, list, back, s.Remaining()),
              std::tuple("Ab", "", std::vector<int32_t>{1, -2, 0x01020304}, strings, raw, 0));

    // Shorter than the length, negative, huge, cut short: each a read error.
    for (const auto& bytes : {Bytes({5, 0, 0, 0, 'a', 'b'}), Bytes({0xFF, 0xFF, 0xFF, 0xFF}),
                              Bytes({0xFF, 0xFF, 0xFF, 0x7F, 'a'}), Bytes({2, 0})}) {
        TMemoryStream damaged(bytes);
        EXPECT_THROW(ReadStreamString(damaged, text), EReadError);
    }
    for (const auto& bytes : {Bytes({0, 0, 0, 0x40, 1, 0, 0, 0}), Bytes({0xFE, 0xFF, 0xFF, 0xFF}),
                              Bytes({2, 0, 0, 0, 1, 0, 0, 0, 'x'})}) {
        TMemoryStream damaged(bytes);
        EXPECT_THROW(ReadStreamIntList(damaged, ints), EReadError);
        damaged.SetPosition(0);
        EXPECT_THROW(ReadStreamStrings(damaged, list), EReadError);
    }
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
    const struct {
        const char *text, *old, *with, *result;
    } cases[] = {
        {"aaa", "aa", "a", "a"},
        {"text", "x", "x", "text"},
        {"text", "q", "r", "text"},
        {"line 1\xB6line 2\xB6\xB6", "\xB6", "\n", "line 1\nline 2\n\n"},
        {"a-b-c", "-", "", "abc"},
        {"xaab", "ab", "b", "xb"},   // occurrences formed by a replacement go too
        {"", "a", "b", ""},
        {"abc", "", "x", "abc"},
        {"a.b", ".", "..", "a..b"},
        {"aa", "a", "aa", "aaaa"},
        {"xaxa", "xa", "axa", "axaaxa"},
        {"abab", "ab", "ab", "abab"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ReplaceAll(c.text, c.old, c.with), c.result) << c.text << " " << c.old;
}

TEST(Text, ReplacementsStartOverAndMissingFieldsCutTheBuffer)
{
    // Each replacement searches again from the start of the text it made.
    const struct {
        const char *text, *old, *with, *result;
    } replacements[] = {
        {"aab", "ab", "ba", "baa"},
        {"abab", "ab", "ba", "bbaa"},
        {"aaab", "ab", "ba", "baaa"},
        {"abcbc", "bc", "cb", "accbb"},       // equal length: one occurrence makes the next
        {"aabcc", "abc", "b", "b"},            // shorter: the replacement forms the next occurrence
        {"aab", "ab", "bba", "bbbbaa"},       // longer, without Old inside
        {"xyxy", "xy", "y", "yy"},
    };
    for (const auto& c : replacements)
        EXPECT_EQ(ReplaceAll(c.text, c.old, c.with), c.result) << c.text << " " << c.old;

    // A missing field is empty, and the buffer ends where it would have started.
    const struct {
        const char* text;
        int32_t index;
        const char *field, *buffer;
    } fields[] = {
        {"ab;cd;ef", 0, "", ""},
        {"ab;cd;ef", -3, "", ""},
        {"ab;cd;ef", 4, "", "ab;cd;"},
        {"ab;cd;ef", 9, "", "ab;cd;"},
        {"ab;cd;", 3, "", "ab;cd;"},        // the empty field after the last delimiter exists
        {"ab;cd;", 4, "", "ab;cd;"},
        {"ab", 2, "", ""},
        {"ab;cd;ef", 1, "ab", "ab"},
        {"ab;cd;ef", 3, "ef", "ab;cd;ef"},
    };
    for (const auto& c : fields) {
        std::string buffer = c.text;
        const char* field = GetFieldP(buffer.data(), ";", c.index);
        EXPECT_STREQ(field, c.field) << c.text << " " << c.index;
        EXPECT_STREQ(buffer.c_str(), c.buffer) << c.text << " " << c.index;
    }
}

TEST(CodePages, RoundTripsThroughUtf16AndOutsideCharactersAreReplaced)
{
    const struct {
        uint32_t codePage;
        std::string bytes;
        std::u16string wide;
    } cases[] = {
        {1252, "Caf\xE9 \x80 \x9C", u"Caf\u00E9 \u20AC \u0153"},
        {437, "\x82\xB0\xE1", u"\u00E9\u2591\u00DF"},
        {65001, "\xE2\x82\xAC\xF0\x9F\x98\x80", u"\u20AC\U0001F600"},
        {0, "\xC3\xA9t\xC3\xA9", u"\u00E9t\u00E9"},
        {1251, "", u""},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(AnsiToWide(c.bytes, c.codePage), c.wide) << c.codePage;
        EXPECT_EQ(WideToAnsi(c.wide, c.codePage), c.bytes) << c.codePage;
    }
    EXPECT_EQ(WideToAnsi(u"A\u041FB", 1252), "A?B");
    EXPECT_EQ(WideToAnsi(u"\u00E9\u20AC", 1251), "?\x88");
    EXPECT_EQ(WideToAnsi(u"x\U0001F600y", 1252), "x?y");
    EXPECT_THROW(AnsiToWide("abc", 4242), ECodePageError);
    EXPECT_THROW(WideToAnsi(u"abc", 4242), ECodePageError);
}

TEST(Confirmations, SecondQuestionOnlyAfterYesAndNeverAsAFormatString)
{
    const struct {
        bool withCancel;
        std::string second;
        int32_t count;
        std::vector<int32_t> answers;
        int32_t result;   // ConfirmYesNo: idYes for True, idNo for False
        std::vector<std::string> asked;
    } cases[] = {
        {false, "Really?", -1, {idNo}, idNo, {"Delete?"}},
        {false, "", -1, {idYes}, idYes, {"Delete?"}},
        {false, "Really?", -1, {idYes, idNo}, idNo, {"Delete?", "Really?"}},
        {false, "Delete %d tasks at 100%%?", 5, {idYes, idYes}, idYes, {"Delete?", "Delete 5 tasks at 100%?"}},
        {false, "Really %d?", 0, {idYes}, idYes, {"Delete?"}},   // counts 0, 1 and below -1: no second
        {false, "Really %d?", 1, {idYes}, idYes, {"Delete?"}},
        {false, "Really %d?", -2, {idYes}, idYes, {"Delete?"}},
        {false, "%s %n %d %d", 3, {idYes, idYes}, idYes, {"Delete?", "%s %n 3 %d"}},
        {true, "", -1, {idCancel}, idCancel, {"Delete?+"}},
        {true, "Sure?", -1, {idNo}, idNo, {"Delete?+"}},
        {true, "Sure?", -1, {idYes, idCancel}, idCancel, {"Delete?+", "Sure?+"}},
        {true, "Sure %d?", 2, {idYes, idNo}, idNo, {"Delete?+", "Sure 2?+"}},
        {true, "Sure %d?", 1, {idYes}, idYes, {"Delete?+"}},
    };
    for (const auto& c : cases) {
        TScriptedUi ui;
        ui.Answers = c.answers;
        const int32_t result = c.withCancel ? ConfirmYesNoCancel("Delete?", c.second, c.count)
                                            : (ConfirmYesNo("Delete?", c.second, c.count) ? idYes : idNo);
        EXPECT_EQ(result, c.result) << c.second << c.count;
        EXPECT_EQ(ui.Asked, c.asked) << c.second << c.count;
    }
    TScriptedUi ui;   // an empty message counts as Yes without a box
    EXPECT_TRUE(ConfirmYesNo(""));
    EXPECT_EQ(ConfirmYesNoCancel(""), idYes);
    EXPECT_TRUE(ui.Asked.empty());
    HideCursor();
    EXPECT_EQ(ui.Asked, std::vector<std::string>{"<hide cursor>"});
    ui.ClipboardWorks = false;
    try {
        CopyTextToClipboard("x");
        ADD_FAILURE() << "no exception";
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

    const auto start = std::chrono::steady_clock::now();
    DelayMs(-5);   // returns at once
    DelayMs(15);
    EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(15));
}
