// Reading tab-indented text into tasks: depth by leading tabs, note lines, 8-bit and UTF-8
// files, and a file that cannot be read.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "platform/Exceptions.h"
#include "platform/Stream.h"
#include "taskdb/TaskNode.h"
#include "taskdb/TovrinDataBase.h"
#include "ui/TabTextImport.h"

namespace {

using Names = std::vector<std::string>;

Names ChildCaptions(const TTaskNode& task)
{
    Names names;
    for (const TTaskNode* child : task.Children)
        names.push_back(child->Caption);
    return names;
}

Names NoteLines(const TTaskNode& task) { return task.Note.Items(); }

} // namespace

TEST(TabTextLines, LeadingTabsAndNoteLines)
{
    EXPECT_EQ(CountLeadingTabs("\t\tx\t"), 2);
    EXPECT_EQ(CountLeadingTabs(" \tx"), 0);
    EXPECT_EQ(CountLeadingTabs(""), 0);

    std::string note = "stale";
    ParseNoteLine("\t<Note: first\nsecond>  ", note);
    EXPECT_EQ(note, "first\nsecond");
    ParseNoteLine("<note:  Only one >", note);  // prefix in any case; the text trimmed
    EXPECT_EQ(note, "Only one ");
    ParseNoteLine("<Note: no closing", note);
    EXPECT_EQ(note, "no closing");
    ParseNoteLine("<Note: keeps>>", note);
    EXPECT_EQ(note, "keeps>");
    ParseNoteLine("<Note: >", note);
    EXPECT_EQ(note, "");
    ParseNoteLine("<Note:x>", note);
    EXPECT_EQ(note, "");
    ParseNoteLine("Task <Note: x>", note);
    EXPECT_EQ(note, "");
}

TEST(TabTextLines, SplitAtEveryKindOfLineBreak)
{
    EXPECT_EQ(SplitTabTextLines("a\r\nb\nc\rd"), (Names{"a", "b", "c", "d"}));
    EXPECT_EQ(SplitTabTextLines("\xEF\xBB\xBF" "a\r\n"), Names{"a"});
    EXPECT_EQ(SplitTabTextLines("a\n\nb"), (Names{"a", "", "b"}));
}

TEST(TabTextImportTree, NestingNotesAndASecondTopTask)
{
    TTaskNode target;
    ImportTabTextLines({"A", "\tB", "<Note: x\xC2\xB6y>", "C"}, target);
    ASSERT_EQ(ChildCaptions(target), (Names{"A", "C"}));
    const TTaskNode& a = *target.Children[0];
    ASSERT_EQ(ChildCaptions(a), Names{"B"});
    EXPECT_EQ(NoteLines(*a.Children[0]), (Names{"x", "y"}));
    EXPECT_TRUE(a.Note.Empty());
    EXPECT_TRUE(target.Children[1]->Children.Empty());
}

TEST(TabTextImportTree, JumpsEmptyLinesAndANoteBeforeTheFirstTask)
{
    TTaskNode target;
    target.AddChild("existing", -1);
    ImportTabTextLines({"<Note: about the target>", "A", "\t\t\tdeep", "   ", "\tsibling of deep", "\t\t\t", "B",
                        "<Note: >"},
                       target);
    EXPECT_EQ(NoteLines(target), Names{"about the target"});
    ASSERT_EQ(ChildCaptions(target), (Names{"existing", "A", "B", "<Note: >"}));
    EXPECT_EQ(ChildCaptions(*target.Children[1]), (Names{"deep", "sibling of deep"}));
}

TEST(TabTextImportTree, LessIndentedLinesNeverClimbAboveTheTarget)
{
    TTaskNode root;
    TTaskNode* target = root.AddChild("target", -1);
    ImportTabTextLines({"\t\tA", "B", "\tB1"}, *target);
    EXPECT_EQ(ChildCaptions(*target), (Names{"A", "B"}));
    EXPECT_EQ(ChildCaptions(*target->Children[1]), Names{"B1"});
    EXPECT_EQ(root.Children.Count(), 1);
}

TEST(TabTextImportTree, EightBitLinesAndAnExportedFileReadBack)
{
    TTaskNode target;
    // Windows-1252: "Küche", and a note joined by the single byte 0xB6.
    ImportTabTextLines({"K\xFC" "che", "<Note: one\xB6two>"}, target);
    ASSERT_EQ(ChildCaptions(target), Names{"K\xC3\xBC" "che"});
    EXPECT_EQ(NoteLines(*target.Children[0]), (Names{"one", "two"}));

    // The export of the document reads back as the same captions, depths and notes.
    TTovrinDataBase db;
    TTaskNode* p = db.Root->AddChild("Projekt \xC3\xB6", -1);
    TTaskNode* s = p->AddChild("Sub", -1);
    s->Note.Add("n1");
    s->Note.Add("n2");
    db.Root->AddChild("Zwei", -1);
    const auto dir = std::filesystem::temp_directory_path() / ("tovrin-tab-" + std::to_string(::getpid()));
    std::filesystem::create_directories(dir);
    const std::string file = (dir / "out.tab").string();
    db.ExportText(file, nullptr);
    TTaskNode back;
    ImportTabTextFile(file, back);
    std::filesystem::remove_all(dir);
    ASSERT_EQ(ChildCaptions(back), (Names{"Projekt \xC3\xB6", "Zwei"}));
    ASSERT_EQ(ChildCaptions(*back.Children[0]), Names{"Sub"});
    EXPECT_EQ(NoteLines(*back.Children[0]->Children[0]), (Names{"n1", "n2"}));
}

TEST(TabTextImportTree, AMissingFileRaisesAndChangesNothing)
{
    TTaskNode target;
    EXPECT_THROW(ImportTabTextFile("/nonexistent/folder/x.tab", target), EFOpenError);
    EXPECT_TRUE(target.Children.Empty());
}
