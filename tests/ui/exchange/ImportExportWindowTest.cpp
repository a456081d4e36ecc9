// The Import and Export commands in the window offscreen: XML and tab text, the file dialogs,
// the export questions, and failures that must leave the outline as it was.
#include "ui/mainwindow/WindowTestSupport.h"

#include <cstdlib>
#include <limits>

#include "taskdb/TaskPlace.h"
#include "ui/exchange/ImportExport.h"

namespace {

class ImportExportTest : public TWindowFixture {
protected:
    void BuildSample()
    {
        BuildOutline([this](TTaskNode* root) {
            TTaskNode* a = root->AddChild("Alpha", -1);
            a->AddChild("Alpha one", -1)->Note.Add("note line");
            root->AddChild("Beta", -1);
            window->State().DataBase->PlacesList->Add("Garden");
        });
    }
};

TEST_F(ImportExportTest, WholeTreeAsXmlAndBackAddsTheSameTopTasksOnce)
{
    BuildSample();
    Select("Alpha");
    const std::string file = File("all.xml");
    services.SaveFiles = {{file, 2}};
    services.Answers = {idNo};  // not only the selected task
    window->Part<TDocumentLifecycle>().SetModified(false);
    window->Part<TImportExport>().actExport()->trigger();
    ASSERT_EQ(services.Requests.size(), 1u);
    EXPECT_EQ(services.Requests[0].Filter, "Tab format (*.tab)|*.tab|XML document (*.xml)|*.xml");
    EXPECT_EQ(services.Requests[0].FilterIndex, 2);
    EXPECT_EQ(services.Requests[0].DefaultExtension, "xml");
    EXPECT_EQ(services.Shown.back(),
              "Export only SELECTED task with subtasks?\n\r\n\rIf you click \"No\" the entire Task Tree will be exported.");
    EXPECT_FALSE(window->State().Modified);  // an export changes nothing

    const std::string xml = ReadAll(file);
    EXPECT_EQ(xml.rfind("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<TovrinPlanner-xml ver=\"1.0\">", 0), 0u) << xml;
    EXPECT_LT(xml.find("<TaskTree"), xml.find("<PlacesList"));
    EXPECT_NE(xml.find("\n  <TaskTree"), std::string::npos);  // indented

    window->Part<TOutlineViews>().tvTasksTree()->clearSelection();
    services.OpenFiles = {{file, 2}};
    window->Part<TImportExport>().actImport()->trigger();
    ExpectOutline("Alpha[Alpha one] Beta Alpha[Alpha one] Beta");
    EXPECT_TRUE(window->State().Modified);
}

// An import replaces what the undo history refers to: nothing is left to undo after it.
TEST_F(ImportExportTest, AnImportLeavesNothingToUndo)
{
    BuildSample();
    const std::string file = dir.File("beta.xml");
    Select("Beta");
    services.SaveFiles = {{file, 2}};
    services.Answers = {idYes};  // the selected task only
    window->Part<TImportExport>().actExport()->trigger();
    Named<QAction>(*window, "actDeleteTask")->trigger();
    ASSERT_TRUE(window->Part<TUndoNavigation>().actUndo()->isEnabled());

    window->Part<TOutlineViews>().tvTasksTree()->clearSelection();  // onto the top level
    services.OpenFiles = {{file, 2}};
    window->Part<TImportExport>().actImport()->trigger();
    ExpectOutline("Alpha[Alpha one] Beta");
    EXPECT_FALSE(window->Part<TUndoNavigation>().actUndo()->isEnabled());
}

// The places an import brings are listed on the Places page.
TEST_F(ImportExportTest, ImportedPlacesAreListedOnThePlacesPage)
{
    BuildSample();
    const std::string file = dir.File("all.xml");
    services.SaveFiles = {{file, 2}};
    services.Answers = {idNo};  // the whole tree
    window->Part<TImportExport>().actExport()->trigger();
    window->Part<TDocumentLifecycle>().NewEmptyDocument();
    window->Part<TMainPages>().ShowPlaces();
    ASSERT_EQ(Texts(window->Part<TPlacePanel>().lvPlaces()), Names{});
    window->Part<TMainPages>().ShowOutline();

    services.OpenFiles = {{file, 2}};
    window->Part<TImportExport>().actImport()->trigger();
    window->Part<TMainPages>().ShowPlaces();
    EXPECT_EQ(Texts(window->Part<TPlacePanel>().lvPlaces()), Names{"Garden"});
}

TEST_F(ImportExportTest, ExportWithAVirtualRootAndNoKeepsTheVirtualRootOnTop)
{
    BuildSample();
    window->Part<TOutlineViews>().SetVirtualRoot(Task("Alpha"));
    Select("Alpha one");
    const std::string file = File("virtual.xml");
    services.SaveFiles = {{file, 2}};
    services.Answers = {idNo};
    window->Part<TImportExport>().actExport()->trigger();

    // Read back into an empty document: the virtual root is the top task.
    BuildOutline([](TTaskNode*) {});
    services.OpenFiles = {{file, 2}};
    window->Part<TImportExport>().actImport()->trigger();
    EXPECT_EQ(Outline(Root()), "Alpha[Alpha one]");
}

TEST_F(ImportExportTest, CancelledQuestionsLeaveNoFile)
{
    BuildSample();
    Select("Beta");
    const std::string xml = File("cancel.xml");
    services.SaveFiles = {{xml, 2}};
    services.Answers = {idCancel};
    window->Part<TImportExport>().actExport()->trigger();
    EXPECT_FALSE(std::filesystem::exists(xml));

    const std::string tab = File("no.tab");
    services.SaveFiles = {{tab, 1}};
    services.Answers = {idYes, idNo};  // only Beta; then not for captions and notes only
    window->Part<TImportExport>().actExport()->trigger();
    EXPECT_EQ(services.Shown.back(), "Only task captions and notes will be exported to this format. Continue?");
    EXPECT_FALSE(std::filesystem::exists(tab));

    services.SaveFiles = {{""}};  // the dialog cancelled
    window->Part<TImportExport>().actExport()->trigger();
    EXPECT_TRUE(services.Answers.empty());
}

TEST_F(ImportExportTest, SelectedTaskAsTabTextAndTabTextImportUnderTheSelection)
{
    BuildSample();
    Select("Alpha");
    // A name typed without extension takes that of the chosen filter: an XML file of the same
    // name stays as it is.
    WriteAll(File("alpha.xml"), "kept");
    services.SaveFiles = {{File("alpha"), 1}};
    services.Answers = {idYes, idYes};
    window->Part<TImportExport>().actExport()->trigger();
    EXPECT_EQ(ReadAll(File("alpha.tab")), "Alpha\r\n\tAlpha one\r\n<Note: note line>\r\n");
    EXPECT_EQ(ReadAll(File("alpha.xml")), "kept");

    WriteAll(File("in.tab"), "X\r\n\tY\r\n<Note: a\xC2\xB6" "b>\r\nZ\r\n");
    Select("Beta");
    services.OpenFiles = {{File("in.tab"), 1}};
    window->Part<TImportExport>().actImport()->trigger();
    EXPECT_EQ(ChildCaptions(Task("Beta")), (Names{"X", "Z"}));
    EXPECT_EQ(Task("Y")->Note.Items(), (Names{"a", "b"}));
    EXPECT_NE(window->Part<TTreeEditing>().FindTaskNode(window->Part<TOutlineViews>().tvTasksTree(), Task("Y")), nullptr);
    EXPECT_TRUE(window->State().Modified);
}

// Whatever a data file may hold exports to a well-formed file that imports as the same outline.
TEST_F(ImportExportTest, UnusualValuesComeBackFromAnXmlFileAsTheyWere)
{
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();
    const std::pair<const char*, std::function<void(TTaskNode*)>> cases[] = {
        {"numbers", [&](TTaskNode* root) {
             root->AddChild("nan", -1)->Estimate = nan;
             root->AddChild("inf", -1)->SetLeadTime(inf);
             root->AddChild("-inf", -1)->Estimate = -inf;
         }},
        {"dates", [&](TTaskNode* root) {
             root->AddChild("done", -1)->SetCompletionDateTime(nan);
             TTaskNode* due = root->AddChild("due", -1);
             due->SetScheduleType(1);
             due->SetDueDateTime(-inf);
             root->AddChild("late", -1)->SetCompletionDateTime(inf);
         }},
        {"notes", [](TTaskNode* root) {
             root->AddChild("blanks", -1)->Note.SetText("   ");
             root->AddChild("empty lines", -1)->Note.SetText("\n\n");
             root->AddChild("one empty line", -1)->Note.Add("");
             root->AddChild("mixed", -1)->Note.SetText(" \t \n\n  x  \n ");
         }},
        {"dates not inherited", [](TTaskNode* root) {
             TTaskNode* parent = root->AddChild("dated", -1);
             parent->SetScheduleType(1);
             parent->SetDueDateTime(45000.5);
             parent->SetLeadTime(5);
             // As the synchronisation leaves a task whose item has no due date.
             TTaskNode* child = parent->AddChild("synchronised", -1);
             child->SetDueDateTime(0);
             child->SetLeadTime(1.0);
             child->AddChild("follows", -1);
         }},
        {"captions", [](TTaskNode* root) {
             root->AddChild(" two\r\nlines\t", -1)->AddChild(" ", -1);
         }},
    };
    for (const auto& [name, fill] : cases) {
        BuildOutline(fill);
        window->Part<TOutlineViews>().tvTasksTree()->clearSelection();
        const std::string file = File(std::string(name) + ".xml");
        services.SaveFiles = {{file, 2}};
        window->Part<TImportExport>().actExport()->trigger();
        EXPECT_EQ(std::system(("python3 -c \"import sys, xml.etree.ElementTree as E; E.parse(sys.argv[1])\" '" +
                               file + "'").c_str()),
                  0)
            << name;

        BuildOutline([](TTaskNode*) {});
        services.OpenFiles = {{file, 2}};
        window->Part<TImportExport>().actImport()->trigger();
        const std::string back = File(std::string(name) + "-back.xml");
        window->Part<TOutlineViews>().tvTasksTree()->clearSelection();
        services.SaveFiles = {{back, 2}};
        window->Part<TImportExport>().actExport()->trigger();
        EXPECT_EQ(ReadAll(back), ReadAll(file)) << name;
        if (Task("late"))
            EXPECT_TRUE(std::isinf(Task("late")->CompletionDateTime));
        if (Task("mixed"))
            EXPECT_EQ(Task("mixed")->Note.Items(), (Names{" \t ", "", "  x  ", " "}));
    }
    EXPECT_EQ(ChildCaptions(Root()), Names{" two\r\nlines\t"});
}

TEST_F(ImportExportTest, FailedImportsChangeNothing)
{
    BuildSample();
    window->Part<TOutlineViews>().tvTasksTree()->clearSelection();
    window->Part<TDocumentLifecycle>().SetModified(false);
    WriteAll(File("broken.xml"), "<TovrinPlanner-xml><TaskTree><TaskNode Caption=\"half\"");
    services.OpenFiles = {{File("broken.xml"), 2}, {File("missing.tab"), 1}};
    window->Part<TImportExport>().actImport()->trigger();
    window->Part<TImportExport>().actImport()->trigger();
    ASSERT_EQ(services.Shown.size(), 2u);  // one error box each
    EXPECT_EQ(ChildCaptions(Root()), (Names{"Alpha", "Beta"}));
    EXPECT_FALSE(window->State().Modified);

    services.OpenFiles = {{""}};
    window->Part<TImportExport>().actImport()->trigger();
    EXPECT_FALSE(window->State().Modified);
}

} // namespace

// An export over an earlier one writes beside it and renames: a second name of the earlier file
// keeps it, and no temporary file is left. A note line holding a bare CR (a data file can carry
// one) comes back from the tab text as the same note, with no task made of its second half.
TEST_F(ImportExportTest, ExportsReplaceAnEarlierFileWholeAndNotesWithACarriageReturnComeBack)
{
    BuildOutline([](TTaskNode* root) {
        TTaskNode* t = root->AddChild("Shop", -1);
        t->Note.Add("x\ry");
        t->Note.Add("z\r\nw");
    });
    for (int filterIndex : {1, 2}) {
        SCOPED_TRACE(filterIndex);
        const std::string file = File(filterIndex == 1 ? "out.tab" : "out.xml"), other = File("other name");
        WriteAll(file, "earlier export");
        std::filesystem::remove(other);
        std::filesystem::create_hard_link(file, other);
        window->Part<TOutlineViews>().tvTasksTree()->clearSelection();
        services.SaveFiles = {{file, filterIndex}};
        services.Answers = filterIndex == 1 ? std::deque<int32_t>{idYes} : std::deque<int32_t>{};
        window->Part<TImportExport>().actExport()->trigger();
        EXPECT_EQ(ReadAll(other), "earlier export");
        EXPECT_NE(ReadAll(file).find("Shop"), std::string::npos);
        EXPECT_EQ(TemporaryFilesIn(dir.Path()), 0);

    }
    Select("Shop");
    services.OpenFiles = {{File("out.tab"), 1}};
    window->Part<TImportExport>().actImport()->trigger();
    ASSERT_EQ(ChildCaptions(Task("Shop")), (Names{"Shop"}));
    EXPECT_EQ(Task("Shop")->Children[0]->Note.Items(), (Names{"x", "y", "z", "w"}));
}
