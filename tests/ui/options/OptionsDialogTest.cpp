// The options dialog: the tree of registered sheets, sheets made on first visit, Apply, OK and
// Cancel, and the window's "Options..." command.
#include "ui/mainwindow/WindowTestSupport.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <QToolButton>

#include "ui/controls/PageControl.h"
#include "ui/options/frmOptionsDBFileMode.h"
#include "ui/options/frmOptionsSheetBase.h"
#include "ui/options/frmTovrinOptions.h"

namespace {

// A sheet that counts how often it is made and applied.
class TCountingSheet : public TOptionsSheetBase {
public:
    using TOptionsSheetBase::TOptionsSheetBase;
    static inline int Made = 0;
    static inline Names Applied;
    static TOptionsSheetBase* Create(TTovrinOptions* owner)
    {
        auto* sheet = new TCountingSheet(owner);
        sheet->setObjectName(QString::number(++Made));
        return sheet;
    }
    void Apply() override { Applied.push_back(objectName().toStdString()); }
};

class OptionsDialogTest : public TWindowFixture {
protected:
    TSheetList sheets;
    void SetUp() override
    {
        TWindowFixture::SetUp();
        TCountingSheet::Made = 0;
        TCountingSheet::Applied.clear();
    }
    // Runs "Options..." with the Appearance sheet's "Show To-Do" box set to showToDo, closed with button.
    void RunOptions(std::optional<bool> showToDo, const char* button)
    {
        WhenModal<TTovrinOptions>([showToDo, button](TTovrinOptions& dialog) {
            // The dialog opens on its second node.
            EXPECT_EQ(Named<QTreeWidget>(dialog, "tvOptions")->currentItem(), dialog.FindNode("Appearance"));
            if (showToDo)
                Named<QCheckBox>(dialog, "cbShowToDoSheet")->setChecked(*showToDo);
            Named<QPushButton>(dialog, button)->click();
        });
        Named<QAction>(*window, "Options1")->trigger();
    }
};

TEST_F(OptionsDialogTest, TheTreeShowsTheRegisteredSheetsUnderTheirGroups)
{
    TTovrinOptions dialog(&window->Part<TWindowOptions>());
    QTreeWidget* tree = Named<QTreeWidget>(dialog, "tvOptions");
    Names texts;
    for (QTreeWidgetItemIterator it(tree); *it; ++it)
        texts.push_back(((*it)->parent() ? "  " : "") + (*it)->text(0).toStdString());
    EXPECT_EQ(texts, (Names{"Tovrin File options", "  Appearance", "General Application Options", "  Behaviour",
                            "  Fonts and colors", "  Autosave files"}));
    EXPECT_TRUE(tree->topLevelItem(0)->isExpanded());
    EXPECT_FALSE(Named<QPushButton>(dialog, "btnApply")->isEnabled());
    EXPECT_FALSE(dialog.AnyChange());

    // A group shows the base sheet with its hint; a sheet its own class, found by its name in any case.
    tree->setCurrentItem(dialog.FindNode("General Application Options"));
    auto* hint = dialog.CurrentSheet()->findChild<QLabel*>("lbSubentry");
    ASSERT_NE(hint, nullptr);
    EXPECT_FALSE(hint->isHidden());
    tree->setCurrentItem(dialog.FindNode("appearance"));
    EXPECT_NE(dynamic_cast<TOptionsDBFileMode*>(dialog.CurrentSheet()), nullptr);
}

TEST_F(OptionsDialogTest, OnlySheetsThatWereShownAreAppliedInTreeOrder)
{
    sheets.Register("Group", "First", &TCountingSheet::Create);
    sheets.Register("Group", "Second", &TCountingSheet::Create);
    sheets.Register("", "Third", &TCountingSheet::Create);
    TTovrinOptions dialog(nullptr, &sheets);
    EXPECT_EQ(TCountingSheet::Made, 0);  // the group's base sheet is shown first
    for (const char* node : {"Third", "First", "Third"})  // made once only
        Named<QTreeWidget>(dialog, "tvOptions")->setCurrentItem(dialog.FindNode(node));
    EXPECT_EQ(TCountingSheet::Made, 2);

    Named<QPushButton>(dialog, "btnApply")->setEnabled(true);
    Named<QPushButton>(dialog, "btnApply")->click();
    EXPECT_EQ(TCountingSheet::Applied, (Names{"2", "1"}));  // First, then Third
    Named<QPushButton>(dialog, "btnOK")->click();  // applies again
    EXPECT_EQ(TCountingSheet::Applied.size(), 4u);
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
}

TEST_F(OptionsDialogTest, AChangeEnablesApplyAndApplyingDisablesItAgain)
{
    sheets.Register("", "Only", &TCountingSheet::Create);
    TTovrinOptions dialog(nullptr, &sheets);
    Named<QTreeWidget>(dialog, "tvOptions")->setCurrentItem(dialog.FindNode("Only"));
    dialog.CurrentSheet()->SetModified(true);
    QPushButton* apply = Named<QPushButton>(dialog, "btnApply");
    EXPECT_TRUE(dialog.Changed());
    EXPECT_TRUE(apply->isEnabled());
    EXPECT_TRUE(dialog.AnyChange());
    apply->click();
    EXPECT_FALSE(dialog.Changed());
    EXPECT_FALSE(apply->isEnabled());
    EXPECT_TRUE(dialog.AnyChange());  // stays for the run of the dialog
}

TEST_F(OptionsDialogTest, CancelAppliesNothingYetTheOutlineIsMarkedModified)
{
    ASSERT_FALSE(window->State().Modified);
    RunOptions(false, "btnCancel");
    EXPECT_TRUE(window->Part<TWindowOptions>().ShowToDoSheet());
    EXPECT_TRUE(window->State().Modified);
}

TEST_F(OptionsDialogTest, OkAppliesTheAppearanceAndMarksTheOutlineModified)
{
    RunOptions(false, "btnOK");
    EXPECT_FALSE(window->Part<TWindowOptions>().ShowToDoSheet());
    EXPECT_FALSE(window->Part<TMainPages>().pcMainPages()->isTabVisible(window->Part<TMainPages>().pcMainPages()->indexOf(window->Part<TMainPages>().tshToDoList())));
    EXPECT_TRUE(window->State().Modified);

    // Closing the dialog without a change leaves the outline as it was.
    window->Part<TDocumentLifecycle>().SetModified(false);
    RunOptions(std::nullopt, "btnOK");
    EXPECT_FALSE(window->State().Modified);
    EXPECT_FALSE(window->Part<TWindowOptions>().ShowToDoSheet());
}

// Nodes clicked in the dialog the Options command opens show their sheets: a group opens and
// shows its hint, a sheet its own controls.
TEST_F(OptionsDialogTest, ClickedNodesShowTheirSheets)
{
    bool groupShown = false;
    bool sheetShown = false;
    WhenModal<TTovrinOptions>([&](TTovrinOptions& dialog) {
        QTreeWidget* tree = Named<QTreeWidget>(dialog, "tvOptions");
        auto click = [tree](QTreeWidgetItem* node) {
            QTest::mouseClick(tree->viewport(), Qt::LeftButton, {}, tree->visualItemRect(node).center());
        };
        auto shows = [&dialog](const char* child) {
            return QTest::qWaitFor([&] { return dialog.CurrentSheet() && dialog.CurrentSheet()->findChild<QWidget*>(child); });
        };
        click(dialog.FindNode("General Application Options"));
        groupShown = shows("lbSubentry");
        click(dialog.FindNode("Behaviour"));
        sheetShown = shows("cbHotKeyActive");
        Named<QPushButton>(dialog, "btnCancel")->click();
    });
    Named<QAction>(*window, "Options1")->trigger();
    EXPECT_TRUE(groupShown);
    EXPECT_TRUE(sheetShown);
}

// Advanced options (Ctrl+P) on the Outline page opens or closes the view list, only while its
// button shows.
TEST_F(OptionsDialogTest, CtrlPOnTheOutlineTogglesTheViewListWhileItsButtonShows)
{
    std::vector<bool> open;
    for (bool viewsShown : {true, true, false}) {
        window->Part<TWindowOptions>().SetShowTaskTreeViews(viewsShown);
        QTest::keyClick(window.get(), Qt::Key_P, Qt::ControlModifier);
        open.push_back(window->Part<TOutlineViews>().sbTaskTreeFilter()->isChecked());
        EXPECT_EQ(window->Part<TOutlineViews>().cbToDoTreeViewOptions()->isVisible(), open.back());
    }
    EXPECT_EQ(open, (std::vector<bool>{true, false, false}));
}

// The display switches are kept with the outline: each one turned off alone and saved comes back
// off when the file is opened again, after it was turned on meanwhile.
TEST_F(OptionsDialogTest, EachDisplaySwitchIsSavedWithTheOutlineAndRestoredOnOpen)
{
    using Getter = bool (TWindowOptions::*)() const;
    using Setter = void (TWindowOptions::*)(bool);
    const std::vector<std::pair<Getter, Setter>> switches = {
        {&TWindowOptions::ShowToDoSheet, &TWindowOptions::SetShowToDoSheet},
        {&TWindowOptions::ShowTaskProperties, &TWindowOptions::SetShowTaskProperties},
        {&TWindowOptions::ShowImportance, &TWindowOptions::SetShowImportance},
        {&TWindowOptions::ShowPlaces, &TWindowOptions::SetShowPlaces},
        {&TWindowOptions::ShowGoals, &TWindowOptions::SetShowGoals},
        {&TWindowOptions::ShowTime, &TWindowOptions::SetShowTime},
        {&TWindowOptions::ShowEffort, &TWindowOptions::SetShowEffort},
        {&TWindowOptions::ShowProject, &TWindowOptions::SetShowProject},
        {&TWindowOptions::ShowTaskTreeViews, &TWindowOptions::SetShowTaskTreeViews},
    };
    TWindowOptions& options = window->Part<TWindowOptions>();
    TDocumentLifecycle& document = window->Part<TDocumentLifecycle>();
    for (size_t off = 0; off < switches.size(); ++off) {
        SCOPED_TRACE(off);
        const std::string name = dir.File("switches" + std::to_string(off) + ".tvd");
        (options.*switches[off].second)(false);
        ASSERT_TRUE(document.SaveToFile(name));
        (options.*switches[off].second)(true);
        document.OpenDocument(name);
        for (size_t k = 0; k < switches.size(); ++k)
            EXPECT_EQ((options.*switches[k].first)(), k != off);
        (options.*switches[off].second)(true);
    }
    // What a switch hides stays hidden after the open.
    options.SetShowToDoSheet(false);
    ASSERT_TRUE(document.SaveToFile(dir.File("todo.tvd")));
    options.SetShowToDoSheet(true);
    document.OpenDocument(dir.File("todo.tvd"));
    TMainPages& pages = window->Part<TMainPages>();
    EXPECT_FALSE(pages.pcMainPages()->isTabVisible(pages.pcMainPages()->indexOf(pages.tshToDoList())));
}

} // namespace
