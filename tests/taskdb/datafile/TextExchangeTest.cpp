// The tab-text export.
#include <gtest/gtest.h>

#include <filesystem>
#include <unistd.h>

#include "platform/EnvironmentGuard.h"
#include "platform/Exceptions.h"
#include "platform/Stream.h"
#include "platform/SystemCodePage.h"
#include "taskdb/TextExchange.h"
#include "taskdb/TovrinDataBase.h"

namespace {

class TextExchangeTest : public ::testing::Test {
protected:
    std::string ExportToString(TTaskNode* start)
    {
        const auto path = std::filesystem::temp_directory_path() /
                          ("tovrin-text-" + std::to_string(::getpid()) + ".tab");
        db.ExportText(path.string(), start);
        TMemoryStream s;
        s.LoadFromFile(path.string());
        std::filesystem::remove(path);
        return std::string(s.Bytes().begin(), s.Bytes().end());
    }

    TClockOverride clock{45100.0};
    TTovrinDataBase db;
};

TEST_F(TextExchangeTest, WholeTreeInPreOrderWithNotesJoinedAfterLeadingEmptyLines)
{
    TTaskNode* a = db.Root->AddChild("A", -1);
    a->Note.SetText("first\nsecond");
    a->AddChild("A1", -1)->AddChild("A1a", -1);
    db.Root->AddChild("B \xC3\xA4", -1);
    TTaskNode* t = db.Root->AddChild("T", -1);
    for (const char* line : {"", "", "x", "", "y"})
        t->Note.Add(line);
    db.Root->AddChild("only empty lines", -1)->Note.Add("");
    EXPECT_EQ(ExportToString(nullptr),
              "A\r\n<Note: first\xC2\xB6second>\r\n\tA1\r\n\t\tA1a\r\nB \xC3\xA4\r\n"
              "T\r\n<Note: x\xC2\xB6\xC2\xB6y>\r\nonly empty lines\r\n");
}

TEST_F(TextExchangeTest, SubtreeKeepsItsAbsoluteDepthAndUnwritableFileRaises)
{
    TTaskNode* deep = db.Root->AddChild("1", -1)->AddChild("2", -1)->AddChild("3", -1);
    deep->AddChild("4", -1);
    EXPECT_EQ(ExportToString(deep), "\t\t3\r\n\t\t\t4\r\n");
    EXPECT_THROW(db.ExportText("/nonexistent-dir/x.tab", nullptr), EStreamError);
}

TEST(TabTextLine, JoinersBecomeLineFeedsWithoutCuttingCharacters)
{
    EXPECT_EQ(DecodeTabTextLine("<Note: x\xC2\xB6\xC2\xB6y>"), "<Note: x\n\ny>");
    // The 0xB6 inside "ö" is part of the character.
    EXPECT_EQ(DecodeTabTextLine("sch\xC3\xB6n\xC2\xB6z"), "sch\xC3\xB6n\nz");
    // An older 8-bit line in the system's code page, where the lone byte 0xB6 joins (in 1253
    // it would be a letter).
    TEnvironmentGuard env;
    env.Set(CodePageVariable, "1252");
    EXPECT_EQ(DecodeTabTextLine("caf\xE9\xB6z"), "caf\xC3\xA9\nz");
    env.Set(CodePageVariable, "1253");
    EXPECT_EQ(DecodeTabTextLine("\xE1\xB6\xE2"), "\xCE\xB1\n\xCE\xB2");
    EXPECT_EQ(DecodeTabTextLine("\tplain"), "\tplain");
}

} // namespace
