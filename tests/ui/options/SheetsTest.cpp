// The four option sheets against a real window: what each loads, how its controls react, and
// what its Apply writes.
#include "ui/mainwindow/WindowTestSupport.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QToolButton>

#include "ui/controls/PageControl.h"
#include "ui/options/QtFont.h"
#include "ui/outline/TreeViewRules.h"
#include "ui/options/frmOptAutoSave.h"
#include "ui/options/frmOptFontColor.h"
#include "ui/options/frmOptInterface.h"
#include "ui/options/frmOptionsDBFileMode.h"
#include "ui/options/frmTovrinOptions.h"

namespace {

Names Items(const QComboBox* box)
{
    Names items;
    for (int i = 0; i < box->count(); ++i)
        items.push_back(box->itemText(i).toStdString());
    return items;
}

bool TabShown(TPageControl* pages, QWidget* page)
{
    return pages->isTabVisible(pages->indexOf(page));
}

class SheetsTest : public TWindowFixture {
protected:
    template <class TSheet>
    TSheet* Open(const char* node)
    {
        dialog = std::make_unique<TTovrinOptions>(&window->Part<TWindowOptions>());
        Named<QTreeWidget>(*dialog, "tvOptions")->setCurrentItem(dialog->FindNode(node));
        auto* sheet = dynamic_cast<TSheet*>(dialog->CurrentSheet());
        EXPECT_NE(sheet, nullptr);
        return sheet;
    }
    std::unique_ptr<TTovrinOptions> dialog;
};

// ---- Appearance ----

TEST_F(SheetsTest, AppearanceLoadsTheSwitchesAndRecognisesThePreset)
{
    auto* sheet = Open<TOptionsDBFileMode>("Appearance");
    auto* quick = Named<QComboBox>(*sheet, "cbQuickSetup");
    EXPECT_EQ(quick->currentText(), "Full mode");
    EXPECT_FALSE(sheet->Modified());
    EXPECT_FALSE(Named<QPushButton>(*dialog, "btnApply")->isEnabled());

    // Checking boxes by hand into the advanced row selects it; one more box makes it custom.
    Named<QCheckBox>(*sheet, "cbTaskProp_Effort")->setChecked(false);
    EXPECT_EQ(quick->currentText(), "<Custom>");
    EXPECT_EQ(quick->itemText(0), "<Custom>");
    Named<QCheckBox>(*sheet, "cbTaskProp_Project")->setChecked(false);
    EXPECT_EQ(quick->currentText(), "Advanced ToDo list");
    EXPECT_EQ(quick->count(), 4);  // "<Custom>" is gone
    EXPECT_TRUE(sheet->Modified());
    EXPECT_TRUE(Named<QPushButton>(*dialog, "btnApply")->isEnabled());

    // A checklist whatever the property parts hold.
    Named<QCheckBox>(*sheet, "cbShowToDoSheet")->setChecked(false);
    Named<QCheckBox>(*sheet, "cbShowTaskTree_View")->setChecked(false);
    Named<QCheckBox>(*sheet, "cbShowTaskProperties")->setChecked(false);
    EXPECT_EQ(quick->currentText(), "Simple checklist tree");
    EXPECT_TRUE(Named<QCheckBox>(*sheet, "cbTaskProp_Goals")->isChecked());
}

TEST_F(SheetsTest, ChoosingAPresetSetsItsRow)
{
    auto* sheet = Open<TOptionsDBFileMode>("Appearance");
    auto* quick = Named<QComboBox>(*sheet, "cbQuickSetup");
    Named<QCheckBox>(*sheet, "cbTaskProp_Time")->setChecked(false);  // "<Custom>" now heads the list
    quick->setCurrentIndex(quick->findText("Simple ToDo list"));
    emit quick->activated(quick->currentIndex());
    EXPECT_EQ(sheet->Boxes(), QuickSetupPresets()[1].Switches);
    EXPECT_EQ(quick->currentText(), "Simple ToDo list");
    EXPECT_EQ(quick->findText("<Custom>"), -1);
}

TEST_F(SheetsTest, HidingThePropertyPanelDisablesItsPartsButKeepsTheirSwitches)
{
    auto* sheet = Open<TOptionsDBFileMode>("Appearance");
    Named<QCheckBox>(*sheet, "cbShowTaskProperties")->setChecked(false);
    EXPECT_FALSE(Named<QGroupBox>(*sheet, "gbTaskProps")->isEnabled());
    EXPECT_FALSE(Named<QCheckBox>(*sheet, "cbTaskProp_Places")->isEnabled());
    EXPECT_TRUE(Named<QCheckBox>(*sheet, "cbTaskProp_Places")->isChecked());
    Named<QPushButton>(*dialog, "btnApply")->click();
    EXPECT_FALSE(window->Part<TWindowOptions>().ShowTaskProperties());
    EXPECT_TRUE(Named<QWidget>(*window, "pnlTaskPropTabSheet")->isHidden());
    EXPECT_FALSE(TabShown(window->Part<TMainPages>().pcMainPages(), window->Part<TMainPages>().tshPlaces()));
    EXPECT_TRUE(window->Part<TWindowOptions>().ShowPlaces());
    EXPECT_TRUE(window->Part<TWindowOptions>().ShowTime());
    EXPECT_FALSE(sheet->Modified());
}

TEST_F(SheetsTest, AnUnchangedAppearanceSheetWritesNothing)
{
    Open<TOptionsDBFileMode>("Appearance");
    window->Part<TWindowOptions>().SetShowGoals(false);  // would be overwritten by an Apply
    Named<QPushButton>(*dialog, "btnOK")->click();
    EXPECT_FALSE(window->Part<TWindowOptions>().ShowGoals());
    EXPECT_FALSE(dialog->AnyChange());
}

TEST_F(SheetsTest, EachSwitchShowsOrHidesWhatItControls)
{
    TfrmTovrinMain& w = *window;
    w.Part<TWindowOptions>().SetShowImportance(false);
    EXPECT_TRUE(Named<QGroupBox>(w, "gbPriority")->isHidden());
    w.Part<TWindowOptions>().SetShowTime(false);
    w.Part<TWindowOptions>().SetShowEffort(false);
    EXPECT_FALSE(TabShown(Named<TPageControl>(w, "pcTaskProps"), Named<QWidget>(w, "tshTime")));
    EXPECT_FALSE(TabShown(Named<TPageControl>(w, "pcTaskProps"), Named<QWidget>(w, "tshEffort")));
    EXPECT_TRUE(TabShown(Named<TPageControl>(w, "pcTaskProps"), Named<QWidget>(w, "tshProject")));

    // Goals and projects leave the view list with them.
    w.Part<TWindowOptions>().SetShowGoals(false);
    EXPECT_TRUE(Named<QWidget>(w, "pnlGoals")->isHidden());
    EXPECT_EQ(Items(w.Part<TOutlineViews>().cbToDoTreeViewOptions()), (Names{"All tasks", "Projects"}));
    w.Part<TWindowOptions>().SetShowProject(false);
    EXPECT_FALSE(TabShown(Named<TPageControl>(w, "pcTaskProps"), Named<QWidget>(w, "tshProject")));
    EXPECT_EQ(Items(w.Part<TOutlineViews>().cbToDoTreeViewOptions()), Names{"All tasks"});

    // Places without the property panel: the place parts show, the Places page does not.
    w.Part<TWindowOptions>().SetShowPlaces(false);
    EXPECT_TRUE(Named<QWidget>(w, "pnlPlaces")->isHidden());
    EXPECT_TRUE(w.Part<TToDoPage>().ToDoFilter().cbPlaces()->isHidden());
    EXPECT_TRUE(w.Part<TToDoPage>().ToDoFilter().lbPlacesFilter()->isHidden());
    w.Part<TWindowOptions>().SetShowTaskProperties(false);
    w.Part<TWindowOptions>().SetShowPlaces(true);
    EXPECT_FALSE(Named<QWidget>(w, "pnlPlaces")->isHidden());
    EXPECT_FALSE(w.Part<TToDoPage>().ToDoFilter().cbPlaces()->isHidden());
    EXPECT_FALSE(w.Part<TToDoPage>().ToDoFilter().lbPlacesFilter()->isHidden());
    EXPECT_FALSE(TabShown(w.Part<TMainPages>().pcMainPages(), w.Part<TMainPages>().tshPlaces()));
    w.Part<TWindowOptions>().SetShowToDoSheet(false);
    EXPECT_FALSE(TabShown(w.Part<TMainPages>().pcMainPages(), w.Part<TMainPages>().tshToDoList()));
}

TEST_F(SheetsTest, SwitchingTheAdvancedViewsOffReturnsToAllTasks)
{
    TfrmTovrinMain& w = *window;
    w.Part<TOutlineViews>().SetTaskTreeView(ViewGoals);
    w.Part<TOutlineViews>().ShowTaskTreeFilterPanel(true);
    ASSERT_EQ(w.Part<TOutlineViews>().CurrentViewName(), ViewGoals);
    w.Part<TWindowOptions>().SetShowTaskTreeViews(false);
    EXPECT_EQ(w.Part<TOutlineViews>().CurrentViewName(), ViewAllTasks);
    EXPECT_EQ(w.Part<TMainPages>().pcMainPages()->ActivePage(), w.Part<TMainPages>().tshOutline());
    EXPECT_TRUE(w.Part<TOutlineViews>().sbTaskTreeFilter()->isHidden());
}

// ---- Behaviour ----

TEST_F(SheetsTest, BehaviourLoadsTheSettingsAndEnablesTheKeyOnlyWhileActive)
{
    window->Part<TDesktopIntegration>().SetHotKeyShifts(1 | 2);
    window->Part<TDesktopIntegration>().SetCloseToTray(true);
    auto* sheet = Open<TfrmOptionsInterface>("Behaviour");
    std::vector<bool> checked;
    for (const char* box : {"cbShowInTray", "cbCloseToTray", "cbMinimizeToTray", "cbAltKey", "cbCtrlKey", "cbWinKey"})
        checked.push_back(Named<QCheckBox>(*sheet, box)->isChecked());
    EXPECT_EQ(checked, (std::vector<bool>{true, true, false, true, true, false}));
    EXPECT_EQ(Named<QLineEdit>(*sheet, "edHotKeyChar")->text(), "Q");
    EXPECT_FALSE(sheet->Modified());
    EXPECT_TRUE(Named<QGroupBox>(*sheet, "gbShortCut")->isEnabled());

    Named<QCheckBox>(*sheet, "cbHotKeyActive")->setChecked(false);
    EXPECT_FALSE(Named<QGroupBox>(*sheet, "gbShortCut")->isEnabled());
    EXPECT_FALSE(Named<QLineEdit>(*sheet, "edHotKeyChar")->isEnabled());
    EXPECT_TRUE(sheet->Modified());
}

TEST_F(SheetsTest, BehaviourApplySetsTheWindowAndWritesTheSettings)
{
    auto* sheet = Open<TfrmOptionsInterface>("Behaviour");
    Named<QCheckBox>(*sheet, "cbMinimizeToTray")->setChecked(true);
    Named<QCheckBox>(*sheet, "cbEscMinimizeApp")->setChecked(true);
    Named<QCheckBox>(*sheet, "cbOneClickEditMode")->setChecked(false);
    Named<QLineEdit>(*sheet, "edHotKeyChar")->setText("k");
    Named<QCheckBox>(*sheet, "cbWinKey")->setChecked(false);
    Named<QCheckBox>(*sheet, "cbShiftKey")->setChecked(true);
    Named<QCheckBox>(*sheet, "cbCtrlKey")->setChecked(true);
    Named<QCheckBox>(*sheet, "cbHotKeyActive")->setChecked(false);
    Named<QPushButton>(*dialog, "btnApply")->click();
    EXPECT_FALSE(window->Part<TDesktopIntegration>().HotKeyActive());
    EXPECT_TRUE(window->Part<TDesktopIntegration>().MinimizeToTray());
    EXPECT_TRUE(window->Part<TDesktopIntegration>().EscMinimizeApp());
    EXPECT_FALSE(window->Part<TWindowOptions>().OneClickEditMode());
    EXPECT_EQ(window->Part<TDesktopIntegration>().HotKeyChar(), "k");
    EXPECT_EQ(window->Part<TDesktopIntegration>().HotKeyShifts(), 2 | 4);
    EXPECT_FALSE(sheet->Modified());
    EXPECT_EQ(Stored("HotKeyChar"), "k");
    EXPECT_EQ(Stored("HotKeyShifts"), "6");
    EXPECT_EQ(Stored("MinimizeToTray"), "1");
    EXPECT_EQ(Stored("HotKeyActive"), "0");
}

TEST_F(SheetsTest, AnEmptyHotKeyCharacterKeepsTheKeyAndItsModifiers)
{
    auto* sheet = Open<TfrmOptionsInterface>("Behaviour");
    Named<QLineEdit>(*sheet, "edHotKeyChar")->clear();
    Named<QCheckBox>(*sheet, "cbAltKey")->setChecked(true);
    Named<QCheckBox>(*sheet, "cbWinKey")->setChecked(false);
    Named<QPushButton>(*dialog, "btnOK")->click();
    EXPECT_EQ(window->Part<TDesktopIntegration>().HotKeyChar(), "Q");
    EXPECT_EQ(window->Part<TDesktopIntegration>().HotKeyShifts(), 8);
}

// ---- Fonts and colors ----

TEST_F(SheetsTest, FontsSheetShowsTheFontsAndAppliesThemToTheListsAndEditors)
{
    TFontDesc tasks{"DejaVu Sans", 1, clWindowText, 13, 0};
    window->Part<TWindowOptions>().SetTasksFont(tasks, 0x00FFFF);
    auto* sheet = Open<TfrmOptionsFontsColor>("Fonts and colors");
    EXPECT_EQ(Named<QLineEdit>(*sheet, "edFont1")->text(), "DejaVu Sans 13");
    EXPECT_TRUE(Named<QLineEdit>(*sheet, "edFont1")->isReadOnly());
    EXPECT_EQ(SelectedColor(Named<QComboBox>(*sheet, "cbColor1")), 0x00FFFF);
    EXPECT_FALSE(sheet->Modified());

    sheet->SetFontDialog1([](TFontDesc& font, QWidget*) {
        font.Name = "Chosen";
        font.Size = 17;
        return true;
    });
    Named<QToolButton>(*sheet, "sbFont2")->click();
    EXPECT_EQ(Named<QLineEdit>(*sheet, "edFont2")->text(), "Chosen 17");
    EXPECT_TRUE(sheet->Modified());
    SelectColor(Named<QComboBox>(*sheet, "cbColor2"), 0x123456);  // not a named colour: added to the list
    EXPECT_EQ(SelectedColor(Named<QComboBox>(*sheet, "cbColor2")), 0x123456);

    Named<QPushButton>(*dialog, "btnApply")->click();
    EXPECT_EQ(window->Part<TWindowOptions>().NoteFont().Name, "Chosen");
    EXPECT_EQ(window->Part<TWindowOptions>().NoteColor(), 0x123456);
    EXPECT_EQ(window->Part<TTaskPanel>().TaskNotesEditor()->font().pointSize(), 17);
    EXPECT_EQ(FromQColor(window->Part<TTaskPanel>().TaskNotesEditor()->palette().color(QPalette::Base)), 0x123456);
    EXPECT_EQ(window->Part<TPlacePanel>().PlaceNotesEditor()->font().pointSize(), 17);
    EXPECT_EQ(window->Part<TToDoPage>().tvToDo()->font().pointSize(), 13);
    EXPECT_EQ(FromQColor(window->Part<TPlacePanel>().lvPlaces()->palette().color(QPalette::Base)), 0x00FFFF);
    EXPECT_EQ(Stored("NoteFont").substr(0, 7), "Chosen,");
}

TEST_F(SheetsTest, RestoreDefaultPutsBackTheDesignedFontsAndColours)
{
    window->Part<TWindowOptions>().SetTasksFont({"Other", 1, clWindowText, 20, 1}, 0x0000FF);
    window->Part<TWindowOptions>().SetNoteFont({"Other", 1, clWindowText, 20, 1}, 0x0000FF);
    auto* sheet = Open<TfrmOptionsFontsColor>("Fonts and colors");
    Named<QPushButton>(*sheet, "btnRestoreDef")->click();
    EXPECT_TRUE(sheet->Modified());
    EXPECT_EQ(Named<QLineEdit>(*sheet, "edFont1")->text().toStdString(), "Tahoma 8");
    EXPECT_EQ(Named<QLineEdit>(*sheet, "edFont2")->text().toStdString(), "Tahoma 8");
    Named<QPushButton>(*dialog, "btnOK")->click();
    EXPECT_EQ(window->Part<TWindowOptions>().TasksFont().Name, window->Part<TWindowOptions>().DefaultTasksFont().Name);
    EXPECT_EQ(window->Part<TWindowOptions>().TasksColor(), window->Part<TWindowOptions>().DefaultTasksColor());
    EXPECT_EQ(window->Part<TWindowOptions>().NoteFont().Size, window->Part<TWindowOptions>().DefaultNoteFont().Size);
    // The window colour again, as the theme has it.
    EXPECT_EQ(window->Part<TOutlineViews>().tvTasksTree()->palette().color(QPalette::Base), QApplication::palette().color(QPalette::Base));
}

// ---- Autosave files ----

TEST_F(SheetsTest, AutoSaveSheetSetsTheModeAndItsTimer)
{
    auto* sheet = Open<TOptionsAutoSave>("Autosave files");
    EXPECT_EQ(sheet->ItemIndex(), 0);
    sheet->SetItemIndex(2);
    EXPECT_TRUE(sheet->Modified());
    Named<QPushButton>(*dialog, "btnOK")->click();
    EXPECT_EQ(window->Part<TDesktopIntegration>().AutoSaveMode(), 2);
    EXPECT_TRUE(window->Part<TDesktopIntegration>().tmrAutoSaveTimer()->isActive());
    EXPECT_EQ(window->Part<TDesktopIntegration>().tmrAutoSaveTimer()->interval(), 300000);
    EXPECT_EQ(Stored("AutoSaveMode"), "2");

    Open<TOptionsAutoSave>("Autosave files")->SetItemIndex(1);
    Named<QPushButton>(*dialog, "btnOK")->click();
    EXPECT_EQ(window->Part<TDesktopIntegration>().AutoSaveMode(), 1);
    EXPECT_FALSE(window->Part<TDesktopIntegration>().tmrAutoSaveTimer()->isActive());
}

} // namespace
