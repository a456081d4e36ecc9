// Reading tab-indented text into tasks: depth by leading tabs, note lines, 8-bit and UTF-8
// files, and a file that cannot be read.
#include <gtest/gtest.h>

#include "platform/Exceptions.h"
#include "taskdb/TovrinDataBase.h"
#include "ui/exchange/TabTextImport.h"
#include "ui/mainwindow/TestFiles.h"

namespace {

using Names = std::vector<std::string>;

// The subtree below task as one line: children in brackets, notes as {line|line}.
std::string Outline(const TTaskNode& task)
{
    std::string text;
    for (const TTaskNode* child : task.Children) {
        text += (text.empty() ? "" : " ") + child->Caption;
        if (!child->Note.Empty()) {
            std::string note;
            for (const std::string& line : child->Note.Items())
                note += (note.empty() ? "" : "|") + line;
            text += "{" + note + "}";
        }
        if (!child->Children.Empty())
            text += "[" + Outline(*child) + "]";
    }
    return text;
}

TEST(TabTextLines, LeadingTabsAndNoteLines)
{
    EXPECT_EQ(CountLeadingTabs("\t\tx\t"), 2);
    EXPECT_EQ(CountLeadingTabs(" \tx"), 0);
    EXPECT_EQ(CountLeadingTabs(""), 0);

    // The prefix in any case, the text trimmed at its start; anything else is no note line.
    const std::pair<const char*, const char*> notes[] = {
        {"\t<Note: first\nsecond>  ", "first\nsecond"}, {"<note:  Only one >", "Only one "},
        {"<Note: no closing", "no closing"},            {"<Note: keeps>>", "keeps>"},
        {"<Note: >", ""},                               {"<Note:x>", ""},
        {"Task <Note: x>", ""},
    };
    for (const auto& [line, expected] : notes) {
        std::string note = "stale";
        ParseNoteLine(line, note);
        EXPECT_EQ(note, expected) << line;
    }
}

TEST(TabTextLines, SplitAtEveryKindOfLineBreak)
{
    EXPECT_EQ(SplitTabTextLines("a\r\nb\nc\rd"), (Names{"a", "b", "c", "d"}));
    EXPECT_EQ(SplitTabTextLines("\xEF\xBB\xBF" "a\r\n"), Names{"a"});
    EXPECT_EQ(SplitTabTextLines("a\n\nb"), (Names{"a", "", "b"}));
}

TEST(TabTextImportTree, NestingNotesEmptyLinesAndANoteBeforeTheFirstTask)
{
    TTaskNode target;
    ImportTabTextLines({"A", "\tB", "<Note: x\xC2\xB6y>", "C"}, target);
    EXPECT_EQ(Outline(target), "A[B{x|y}] C");

    TTaskNode other;
    other.AddChild("existing", -1);
    ImportTabTextLines({"<Note: about the target>", "A", "\t\t\tdeep", "   ", "\tsibling of deep", "\t\t\t", "B",
                        "<Note: >"},
                       other);
    EXPECT_EQ(other.Note.Items(), Names{"about the target"});
    EXPECT_EQ(Outline(other), "existing A[deep sibling of deep] B <Note: >");
}

TEST(TabTextImportTree, LessIndentedLinesNeverClimbAboveTheTarget)
{
    TTaskNode root;
    TTaskNode* target = root.AddChild("target", -1);
    ImportTabTextLines({"\t\tA", "B", "\tB1"}, *target);
    EXPECT_EQ(Outline(root), "target[A B[B1]]");
}

TEST(TabTextImportTree, EightBitLinesAndAnExportedFileReadBack)
{
    TTaskNode target;
    // Windows-1252: "Küche", and a note joined by the single byte 0xB6.
    ImportTabTextLines({"K\xFC" "che", "<Note: one\xB6two>"}, target);
    EXPECT_EQ(Outline(target), "K\xC3\xBC" "che{one|two}");

    // The export of the document reads back as the same captions, depths and notes.
    TTovrinDataBase db;
    TTaskNode* sub = db.Root->AddChild("Projekt \xC3\xB6", -1)->AddChild("Sub", -1);
    sub->Note.Add("n1");
    sub->Note.Add("n2");
    db.Root->AddChild("Zwei", -1);
    TTempFolder dir;
    db.ExportText(dir.File("out.tab"), nullptr);
    TTaskNode back;
    ImportTabTextFile(dir.File("out.tab"), back);
    EXPECT_EQ(Outline(back), "Projekt \xC3\xB6[Sub{n1|n2}] Zwei");
}

TEST(TabTextImportTree, ACaptionWithLineBreaksComesBackAsOneTask)
{
    struct TCase {
        std::string caption, captionBack;
        Names note, noteBack;
    };
    const TCase cases[] = {
        {"two\nlines", "two\nlines", {"n1", "n2"}, {"n1", "n2"}},
        {"crlf\r\nand\rcr", "crlf\nand\ncr", {}, {}},
        {"blank\n\nline", "blank\n\nline", {"n"}, {"n"}},
        {"\nleading and trailing\r\n", "leading and trailing", {}, {}},   // the import trims
        // 8-bit text from an older file is read back in the code page.
        {"K\xFC" "che\nalt", "K\xC3\xBC" "che\nalt", {"gr\xFCn", "x"}, {"gr\xC3\xBCn", "x"}},
    };
    TTovrinDataBase db;
    TTaskNode* parent = db.Root->AddChild("parent", -1);
    for (const TCase& c : cases) {
        TTaskNode* t = parent->AddChild(c.caption, -1);
        for (const std::string& line : c.note)
            t->Note.Add(line);
    }
    db.Root->AddChild("after", -1);
    TTempFolder dir;
    db.ExportText(dir.File("out.tab"), nullptr);
    TTaskNode target;
    ImportTabTextFile(dir.File("out.tab"), target);
    ASSERT_EQ(target.Children.Count(), 2);
    EXPECT_EQ(target.Children[1]->Caption, "after");
    const TTaskNode& read = *target.Children[0];
    ASSERT_EQ(read.Children.Count(), static_cast<int>(std::size(cases)));
    for (int i = 0; i < read.Children.Count(); ++i) {
        EXPECT_EQ(read.Children[i]->Caption, cases[i].captionBack);
        EXPECT_EQ(read.Children[i]->Note.Items(), cases[i].noteBack) << cases[i].captionBack;
    }
}

TEST(TabTextImportTree, AFileTooDeepForTheTargetIsRefusedBeforeAnythingChanges)
{
    // A note for the target, then one task per level, as deep as an outline may go.
    std::vector<std::string> lines{"<Note: for the target>"};
    for (int level = 0; level < kMaxTaskNesting; ++level)
        lines.push_back(std::string(static_cast<size_t>(level), '\t') + "L" + std::to_string(level + 1));
    lines.push_back("\t\tclimbs back");

    TTovrinDataBase db;
    TTaskNode* top = db.Root->AddChild("top", -1);
    try {
        ImportTabTextLines(lines, *top);
        ADD_FAILURE() << "imported";
    } catch (const Exception& e) {
        EXPECT_EQ(e.Message(), "Tasks can not be nested more than 10000 levels deep.");
    }
    EXPECT_TRUE(top->Children.Empty());
    EXPECT_TRUE(top->Note.Empty());

    ImportTabTextLines(lines, *db.Root);   // from the root there is just room
    const TTaskNode* t = db.Root->Children[1];
    while (!t->Children.Empty())
        t = t->Children[0];
    EXPECT_EQ(t->Level(), kMaxTaskNesting);
    EXPECT_EQ(t->Caption, "L10000");
    EXPECT_EQ(db.Root->Children[1]->Children[0]->Children[1]->Caption, "climbs back");
}

TEST(TabTextImportTree, AMissingFileRaisesAndChangesNothing)
{
    TTaskNode target;
    EXPECT_THROW(ImportTabTextFile("/nonexistent/folder/x.tab", target), EFOpenError);
    EXPECT_TRUE(target.Children.Empty());
}

} // namespace
