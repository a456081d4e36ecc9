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
#include "taskdb/tree/TreeSupport.h"

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
    Outline tasks = Grow(*db.Root, "A(A1(A1a)) B\xC3\xA4 T empty");
    tasks["A"]->Note.SetText("first\nsecond");
    for (const char* line : {"", "", "x", "", "y"})
        tasks["T"]->Note.Add(line);
    tasks["empty"]->Note.Add("");
    EXPECT_EQ(ExportToString(nullptr),
              "A\r\n<Note: first\xC2\xB6second>\r\n\tA1\r\n\t\tA1a\r\nB\xC3\xA4\r\n"
              "T\r\n<Note: x\xC2\xB6\xC2\xB6y>\r\nempty\r\n");
    // A subtree keeps its absolute depth.
    EXPECT_EQ(ExportToString(tasks["A1"]), "\tA1\r\n\t\tA1a\r\n");
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
    env.Set("LC_ALL", "en_GB.UTF-8");
    EXPECT_EQ(DecodeTabTextLine("caf\xE9\xB6z"), "caf\xC3\xA9\nz");
    env.Set("LC_ALL", "el_GR.UTF-8");
    EXPECT_EQ(DecodeTabTextLine("\xE1\xB6\xE2"), "\xCE\xB1\n\xCE\xB2");
    EXPECT_EQ(DecodeTabTextLine("\tplain"), "\tplain");
}

} // namespace
