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
        dialog = std::make_unique<TTovrinOptions>(window.get());
        dialog->tvOptions->setCurrentItem(dialog->FindNode(node));
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
    EXPECT_EQ(sheet->cbQuickSetup->currentText(), "Full mode");
    EXPECT_FALSE(sheet->Modified);
    EXPECT_FALSE(dialog->btnApply->isEnabled());

    // Checking boxes by hand into the advanced row selects it; one more box makes it custom.
    sheet->cbTaskProp_Effort->setChecked(false);
    EXPECT_EQ(sheet->cbQuickSetup->currentText(), "<Custom>");
    EXPECT_EQ(sheet->cbQuickSetup->itemText(0), "<Custom>");
    sheet->cbTaskProp_Project->setChecked(false);
    EXPECT_EQ(sheet->cbQuickSetup->currentText(), "Advanced ToDo list");
    EXPECT_EQ(sheet->cbQuickSetup->count(), 4);  // "<Custom>" is gone
    EXPECT_TRUE(sheet->Modified);
    EXPECT_TRUE(dialog->btnApply->isEnabled());

    // A checklist whatever the property parts hold.
    sheet->cbShowToDoSheet->setChecked(false);
    sheet->cbShowTaskTree_View->setChecked(false);
    sheet->cbShowTaskProperties->setChecked(false);
    EXPECT_EQ(sheet->cbQuickSetup->currentText(), "Simple checklist tree");
    EXPECT_TRUE(sheet->cbTaskProp_Goals->isChecked());
}

TEST_F(SheetsTest, ChoosingAPresetSetsItsRow)
{
    auto* sheet = Open<TOptionsDBFileMode>("Appearance");
    sheet->cbTaskProp_Time->setChecked(false);  // "<Custom>" now heads the list
    sheet->cbQuickSetup->setCurrentIndex(sheet->cbQuickSetup->findText("Simple ToDo list"));
    emit sheet->cbQuickSetup->activated(sheet->cbQuickSetup->currentIndex());
    EXPECT_EQ(sheet->Boxes(), QuickSetupPresets()[1].Switches);
    EXPECT_EQ(sheet->cbQuickSetup->currentText(), "Simple ToDo list");
    EXPECT_EQ(sheet->cbQuickSetup->findText("<Custom>"), -1);
}

TEST_F(SheetsTest, HidingThePropertyPanelDisablesItsPartsButKeepsTheirSwitches)
{
    auto* sheet = Open<TOptionsDBFileMode>("Appearance");
    sheet->cbShowTaskProperties->setChecked(false);
    EXPECT_FALSE(sheet->gbTaskProps->isEnabled());
    EXPECT_FALSE(sheet->cbTaskProp_Places->isEnabled());
    EXPECT_TRUE(sheet->cbTaskProp_Places->isChecked());
    dialog->btnApply->click();
    EXPECT_FALSE(window->ShowTaskProperties);
    EXPECT_TRUE(Named<QWidget>(*window, "pnlTaskPropTabSheet")->isHidden());
    EXPECT_FALSE(TabShown(window->pcMainPages, window->tshPlaces));
    EXPECT_TRUE(window->ShowPlaces);
    EXPECT_TRUE(window->ShowTime);
    EXPECT_FALSE(sheet->Modified);
}

TEST_F(SheetsTest, AnUnchangedAppearanceSheetWritesNothing)
{
    Open<TOptionsDBFileMode>("Appearance");
    window->ShowGoals = false;  // would be overwritten by an Apply
    dialog->btnOK->click();
    EXPECT_FALSE(window->ShowGoals);
    EXPECT_FALSE(dialog->AnyChange);
}

TEST_F(SheetsTest, EachSwitchShowsOrHidesWhatItControls)
{
    TfrmTovrinMain& w = *window;
    w.SetShowImportance(false);
    EXPECT_TRUE(Named<QGroupBox>(w, "gbPriority")->isHidden());
    w.SetShowTime(false);
    w.SetShowEffort(false);
    EXPECT_FALSE(TabShown(Named<TPageControl>(w, "pcTaskProps"), Named<QWidget>(w, "tshTime")));
    EXPECT_FALSE(TabShown(Named<TPageControl>(w, "pcTaskProps"), Named<QWidget>(w, "tshEffort")));
    EXPECT_TRUE(TabShown(Named<TPageControl>(w, "pcTaskProps"), Named<QWidget>(w, "tshProject")));

    // Goals and projects leave the view list with them.
    w.SetShowGoals(false);
    EXPECT_TRUE(Named<QWidget>(w, "pnlGoals")->isHidden());
    EXPECT_EQ(Items(w.Views().cbToDoTreeViewOptions()), (Names{"All tasks", "Projects"}));
    w.SetShowProject(false);
    EXPECT_FALSE(TabShown(Named<TPageControl>(w, "pcTaskProps"), Named<QWidget>(w, "tshProject")));
    EXPECT_EQ(Items(w.Views().cbToDoTreeViewOptions()), Names{"All tasks"});

    // Places without the property panel: the place parts show, the Places page does not.
    w.SetShowPlaces(false);
    EXPECT_TRUE(Named<QWidget>(w, "pnlPlaces")->isHidden());
    EXPECT_TRUE(w.ToDo().ToDoFilter().cbPlaces()->isHidden());
    EXPECT_TRUE(w.ToDo().ToDoFilter().lbPlacesFilter()->isHidden());
    w.SetShowTaskProperties(false);
    w.SetShowPlaces(true);
    EXPECT_FALSE(Named<QWidget>(w, "pnlPlaces")->isHidden());
    EXPECT_FALSE(w.ToDo().ToDoFilter().cbPlaces()->isHidden());
    EXPECT_FALSE(w.ToDo().ToDoFilter().lbPlacesFilter()->isHidden());
    EXPECT_FALSE(TabShown(w.pcMainPages, w.tshPlaces));
    w.SetShowToDoSheet(false);
    EXPECT_FALSE(TabShown(w.pcMainPages, w.tshToDoList));
}

TEST_F(SheetsTest, SwitchingTheAdvancedViewsOffReturnsToAllTasks)
{
    TfrmTovrinMain& w = *window;
    w.Views().SetTaskTreeView(ViewGoals);
    w.Views().ShowTaskTreeFilterPanel(true);
    ASSERT_EQ(w.Views().CurrentViewName(), ViewGoals);
    w.SetShowTaskTreeViews(false);
    EXPECT_EQ(w.Views().CurrentViewName(), ViewAllTasks);
    EXPECT_EQ(w.pcMainPages->ActivePage(), w.tshOutline);
    EXPECT_TRUE(w.Views().sbTaskTreeFilter()->isHidden());
}

// ---- Behaviour ----

TEST_F(SheetsTest, BehaviourLoadsTheSettingsAndEnablesTheKeyOnlyWhileActive)
{
    window->Desktop().SetHotKeyShifts(1 | 2);
    window->Desktop().SetCloseToTray(true);
    auto* sheet = Open<TfrmOptionsInterface>("Behaviour");
    std::vector<bool> checked;
    for (QCheckBox* box : {sheet->cbShowInTray, sheet->cbCloseToTray, sheet->cbMinimizeToTray, sheet->cbAltKey,
                           sheet->cbCtrlKey, sheet->cbWinKey})
        checked.push_back(box->isChecked());
    EXPECT_EQ(checked, (std::vector<bool>{true, true, false, true, true, false}));
    EXPECT_EQ(sheet->edHotKeyChar->text(), "Q");
    EXPECT_FALSE(sheet->Modified);
    EXPECT_TRUE(sheet->gbShortCut->isEnabled());

    sheet->cbHotKeyActive->setChecked(false);
    EXPECT_FALSE(sheet->gbShortCut->isEnabled());
    EXPECT_FALSE(sheet->edHotKeyChar->isEnabled());
    EXPECT_TRUE(sheet->Modified);
}

TEST_F(SheetsTest, BehaviourApplySetsTheWindowAndWritesTheSettings)
{
    auto* sheet = Open<TfrmOptionsInterface>("Behaviour");
    sheet->cbMinimizeToTray->setChecked(true);
    sheet->cbEscMinimizeApp->setChecked(true);
    sheet->cbOneClickEditMode->setChecked(false);
    sheet->edHotKeyChar->setText("k");
    sheet->cbWinKey->setChecked(false);
    sheet->cbShiftKey->setChecked(true);
    sheet->cbCtrlKey->setChecked(true);
    dialog->btnApply->click();
    EXPECT_TRUE(window->Desktop().MinimizeToTray());
    EXPECT_TRUE(window->Desktop().EscMinimizeApp());
    EXPECT_FALSE(window->OneClickEditMode);
    EXPECT_EQ(window->Desktop().HotKeyChar(), "k");
    EXPECT_EQ(window->Desktop().HotKeyShifts(), 2 | 4);
    EXPECT_FALSE(sheet->Modified);
    EXPECT_EQ(Stored("HotKeyChar"), "k");
    EXPECT_EQ(Stored("HotKeyShifts"), "6");
    EXPECT_EQ(Stored("MinimizeToTray"), "1");
}

TEST_F(SheetsTest, AnEmptyHotKeyCharacterKeepsTheKeyAndItsModifiers)
{
    auto* sheet = Open<TfrmOptionsInterface>("Behaviour");
    sheet->edHotKeyChar->clear();
    sheet->cbAltKey->setChecked(true);
    sheet->cbWinKey->setChecked(false);
    dialog->btnOK->click();
    EXPECT_EQ(window->Desktop().HotKeyChar(), "Q");
    EXPECT_EQ(window->Desktop().HotKeyShifts(), 8);
}

// ---- Fonts and colors ----

TEST_F(SheetsTest, FontsSheetShowsTheFontsAndAppliesThemToTheListsAndEditors)
{
    TFontDesc tasks{"DejaVu Sans", 1, clWindowText, 13, 0};
    window->SetTasksFont(tasks, 0x00FFFF);
    auto* sheet = Open<TfrmOptionsFontsColor>("Fonts and colors");
    EXPECT_EQ(sheet->edFont1->text(), "DejaVu Sans 13");
    EXPECT_TRUE(sheet->edFont1->isReadOnly());
    EXPECT_EQ(SelectedColor(sheet->cbColor1), 0x00FFFF);
    EXPECT_FALSE(sheet->Modified);

    sheet->FontDialog1 = [](TFontDesc& font, QWidget*) {
        font.Name = "Chosen";
        font.Size = 17;
        return true;
    };
    sheet->sbFont2->click();
    EXPECT_EQ(sheet->edFont2->text(), "Chosen 17");
    EXPECT_TRUE(sheet->Modified);
    SelectColor(sheet->cbColor2, 0x123456);  // not a named colour: added to the list
    EXPECT_EQ(SelectedColor(sheet->cbColor2), 0x123456);

    dialog->btnApply->click();
    EXPECT_EQ(window->NoteFont.Name, "Chosen");
    EXPECT_EQ(window->NoteColor, 0x123456);
    EXPECT_EQ(window->TaskPanel().TaskNotesEditor()->font().pointSize(), 17);
    EXPECT_EQ(FromQColor(window->TaskPanel().TaskNotesEditor()->palette().color(QPalette::Base)), 0x123456);
    EXPECT_EQ(window->Places().PlaceNotesEditor()->font().pointSize(), 17);
    EXPECT_EQ(window->ToDo().tvToDo()->font().pointSize(), 13);
    EXPECT_EQ(FromQColor(window->Places().lvPlaces()->palette().color(QPalette::Base)), 0x00FFFF);
    EXPECT_EQ(Stored("NoteFont").substr(0, 7), "Chosen,");
}

TEST_F(SheetsTest, RestoreDefaultPutsBackTheDesignedFontsAndColours)
{
    window->SetTasksFont({"Other", 1, clWindowText, 20, 1}, 0x0000FF);
    window->SetNoteFont({"Other", 1, clWindowText, 20, 1}, 0x0000FF);
    auto* sheet = Open<TfrmOptionsFontsColor>("Fonts and colors");
    sheet->btnRestoreDef->click();
    EXPECT_TRUE(sheet->Modified);
    EXPECT_EQ(sheet->edFont1->text().toStdString(), "Tahoma 8");
    EXPECT_EQ(sheet->edFont2->text().toStdString(), "Tahoma 8");
    dialog->btnOK->click();
    EXPECT_EQ(window->TasksFont.Name, window->DefaultTasksFont.Name);
    EXPECT_EQ(window->TasksColor, window->DefaultTasksColor);
    EXPECT_EQ(window->NoteFont.Size, window->DefaultNoteFont.Size);
    // The window colour again, as the theme has it.
    EXPECT_EQ(window->Views().tvTasksTree()->palette().color(QPalette::Base), QApplication::palette().color(QPalette::Base));
}

// ---- Autosave files ----

TEST_F(SheetsTest, AutoSaveSheetSetsTheModeAndItsTimer)
{
    auto* sheet = Open<TOptionsAutoSave>("Autosave files");
    EXPECT_EQ(sheet->ItemIndex(), 0);
    sheet->SetItemIndex(2);
    EXPECT_TRUE(sheet->Modified);
    dialog->btnOK->click();
    EXPECT_EQ(window->Desktop().AutoSaveMode(), 2);
    EXPECT_TRUE(window->Desktop().tmrAutoSaveTimer()->isActive());
    EXPECT_EQ(window->Desktop().tmrAutoSaveTimer()->interval(), 300000);
    EXPECT_EQ(Stored("AutoSaveMode"), "2");

    Open<TOptionsAutoSave>("Autosave files")->SetItemIndex(1);
    dialog->btnOK->click();
    EXPECT_EQ(window->Desktop().AutoSaveMode(), 1);
    EXPECT_FALSE(window->Desktop().tmrAutoSaveTimer()->isActive());
}

} // namespace
