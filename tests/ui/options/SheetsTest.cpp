// The four option sheets against a real window: what each loads, how its controls react, and
// what its Apply writes.
#include "OptionsTestSupport.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>
#include <QToolButton>
#include <QTreeWidget>

#include "ui/PageControl.h"
#include "ui/QtFont.h"
#include "ui/TreeViewCheckBoxes.h"
#include "ui/TreeViewRules.h"
#include "ui/frmOptAutoSave.h"
#include "ui/frmOptFontColor.h"
#include "ui/frmOptInterface.h"
#include "ui/frmOptionsDBFileMode.h"
#include "ui/frmTovrinOptions.h"

namespace {

std::vector<std::string> Items(const QComboBox* box)
{
    std::vector<std::string> items;
    for (int i = 0; i < box->count(); ++i)
        items.push_back(box->itemText(i).toStdString());
    return items;
}

bool TabShown(TPageControl* pages, QWidget* page)
{
    return pages->isTabVisible(pages->indexOf(page));
}

class SheetsTest : public OptionsTest {
protected:
    template <class TSheet>
    TSheet* Open(const char* node)
    {
        dialog_ = std::make_unique<TTovrinOptions>(window_.get());
        dialog_->tvOptions->setCurrentItem(dialog_->FindNode(node));
        auto* sheet = dynamic_cast<TSheet*>(dialog_->CurrentSheet());
        EXPECT_NE(sheet, nullptr);
        return sheet;
    }
    void SetUp() override { window_ = MakeWindow(); }

    std::unique_ptr<TfrmTovrinMain> window_;
    std::unique_ptr<TTovrinOptions> dialog_;
};

// ---- Appearance ----

TEST_F(SheetsTest, AppearanceLoadsTheSwitchesAndRecognisesThePreset)
{
    auto* sheet = Open<TOptionsDBFileMode>("Appearance");
    EXPECT_EQ(Items(sheet->cbQuickSetup),
              (std::vector<std::string>{"Simple checklist tree", "Simple ToDo list", "Advanced ToDo list", "Full mode"}));
    EXPECT_EQ(sheet->cbQuickSetup->currentText(), "Full mode");
    EXPECT_EQ(sheet->cbShowTaskProperties->text(), "Show Task properties ");
    EXPECT_FALSE(sheet->Modified);
    EXPECT_FALSE(dialog_->btnApply->isEnabled());

    // Checking boxes by hand into the advanced row selects it; one more box makes it custom.
    sheet->cbTaskProp_Effort->setChecked(false);
    EXPECT_EQ(sheet->cbQuickSetup->currentText(), "<Custom>");
    EXPECT_EQ(sheet->cbQuickSetup->itemText(0), "<Custom>");
    sheet->cbTaskProp_Project->setChecked(false);
    EXPECT_EQ(sheet->cbQuickSetup->currentText(), "Advanced ToDo list");
    EXPECT_EQ(sheet->cbQuickSetup->count(), 4);  // "<Custom>" is gone
    EXPECT_TRUE(sheet->Modified);
    EXPECT_TRUE(dialog_->btnApply->isEnabled());
}

TEST_F(SheetsTest, AChecklistIsRecognisedWhateverThePropertyPartsHold)
{
    auto* sheet = Open<TOptionsDBFileMode>("Appearance");
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
    const TDisplaySwitches boxes = sheet->Boxes();
    EXPECT_EQ(boxes, QuickSetupPresets()[1].Switches);
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
    dialog_->btnApply->click();
    EXPECT_FALSE(window_->ShowTaskProperties);
    EXPECT_TRUE(window_->pnlTaskPropTabSheet->isHidden());
    EXPECT_FALSE(TabShown(window_->pcMainPages, window_->tshPlaces));
    EXPECT_TRUE(window_->ShowPlaces);
    EXPECT_TRUE(window_->ShowTime);
    EXPECT_FALSE(sheet->Modified);
}

TEST_F(SheetsTest, AnUnchangedAppearanceSheetWritesNothing)
{
    Open<TOptionsDBFileMode>("Appearance");
    window_->ShowGoals = false;  // would be overwritten by an Apply
    dialog_->btnOK->click();
    EXPECT_FALSE(window_->ShowGoals);
    EXPECT_FALSE(dialog_->AnyChange);
}

TEST_F(SheetsTest, EachSwitchShowsOrHidesWhatItControls)
{
    TfrmTovrinMain& w = *window_;
    w.SetShowImportance(false);
    EXPECT_TRUE(w.gbPriority->isHidden());
    w.SetShowTime(false);
    w.SetShowEffort(false);
    EXPECT_FALSE(TabShown(w.pcTaskProps, w.tshTime));
    EXPECT_FALSE(TabShown(w.pcTaskProps, w.tshEffort));
    EXPECT_TRUE(TabShown(w.pcTaskProps, w.tshProject));

    // Goals and projects leave the view list with them.
    w.SetShowGoals(false);
    EXPECT_TRUE(w.pnlGoals->isHidden());
    EXPECT_EQ(Items(w.cbToDoTreeViewOptions), (std::vector<std::string>{"All tasks", "Projects"}));
    w.SetShowProject(false);
    EXPECT_FALSE(TabShown(w.pcTaskProps, w.tshProject));
    EXPECT_EQ(Items(w.cbToDoTreeViewOptions), (std::vector<std::string>{"All tasks"}));

    // Places without the property panel: the place parts show, the Places page does not.
    w.SetShowPlaces(false);
    EXPECT_TRUE(w.pnlPlaces->isHidden());
    EXPECT_TRUE(w.cbPlaces->isHidden());
    EXPECT_TRUE(w.lbPlacesFilter->isHidden());
    w.SetShowTaskProperties(false);
    w.SetShowPlaces(true);
    EXPECT_FALSE(w.pnlPlaces->isHidden());
    EXPECT_FALSE(w.cbPlaces->isHidden());
    EXPECT_FALSE(w.lbPlacesFilter->isHidden());
    EXPECT_FALSE(TabShown(w.pcMainPages, w.tshPlaces));
    w.SetShowToDoSheet(false);
    EXPECT_FALSE(TabShown(w.pcMainPages, w.tshToDoList));
}

TEST_F(SheetsTest, SwitchingTheAdvancedViewsOffReturnsToAllTasks)
{
    TfrmTovrinMain& w = *window_;
    w.SetTaskTreeView(ViewGoals);
    w.ShowTaskTreeFilterPanel(true);
    ASSERT_EQ(w.CurrentViewName, ViewGoals);
    w.SetShowTaskTreeViews(false);
    EXPECT_EQ(w.CurrentViewName, ViewAllTasks);
    EXPECT_EQ(w.pcMainPages->ActivePage(), w.tshOutline);
    EXPECT_TRUE(w.sbTaskTreeFilter->isHidden());
}

// ---- Behaviour ----

TEST_F(SheetsTest, BehaviourLoadsTheSettingsAndEnablesTheKeyOnlyWhileActive)
{
    window_->SetHotKeyShifts(1 | 2);
    window_->SetCloseToTray(true);
    auto* sheet = Open<TfrmOptionsInterface>("Behaviour");
    EXPECT_TRUE(sheet->cbShowInTray->isChecked());
    EXPECT_TRUE(sheet->cbCloseToTray->isChecked());
    EXPECT_FALSE(sheet->cbMinimizeToTray->isChecked());
    EXPECT_EQ(sheet->edHotKeyChar->text(), "Q");
    EXPECT_TRUE(sheet->cbAltKey->isChecked());
    EXPECT_TRUE(sheet->cbCtrlKey->isChecked());
    EXPECT_FALSE(sheet->cbWinKey->isChecked());
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
    dialog_->btnApply->click();
    EXPECT_TRUE(window_->MinimizeToTray);
    EXPECT_TRUE(window_->EscMinimizeApp);
    EXPECT_FALSE(window_->OneClickEditMode);
    EXPECT_EQ(window_->HotKeyChar, "k");
    EXPECT_EQ(window_->HotKeyShifts, 2 | 4);
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
    dialog_->btnOK->click();
    EXPECT_EQ(window_->HotKeyChar, "Q");
    EXPECT_EQ(window_->HotKeyShifts, 8);
}

// ---- Fonts and colors ----

TEST_F(SheetsTest, FontsSheetShowsTheFontsAndAppliesThemToTheListsAndEditors)
{
    TFontDesc tasks{"DejaVu Sans", 1, clWindowText, 13, 0};
    window_->SetTasksFont(tasks, 0x00FFFF);
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

    dialog_->btnApply->click();
    EXPECT_EQ(window_->NoteFont.Name, "Chosen");
    EXPECT_EQ(window_->NoteColor, 0x123456);
    EXPECT_EQ(window_->TaskNotesEditor->font().pointSize(), 17);
    EXPECT_EQ(FromQColor(window_->TaskNotesEditor->palette().color(QPalette::Base)), 0x123456);
    EXPECT_EQ(window_->PlaceNotesEditor->font().pointSize(), 17);
    EXPECT_EQ(window_->tvToDo->font().pointSize(), 13);
    EXPECT_EQ(FromQColor(window_->lvPlaces->palette().color(QPalette::Base)), 0x00FFFF);
    EXPECT_EQ(Stored("NoteFont").substr(0, 7), "Chosen,");
}

TEST_F(SheetsTest, RestoreDefaultPutsBackTheDesignedFontsAndColours)
{
    window_->SetTasksFont({"Other", 1, clWindowText, 20, 1}, 0x0000FF);
    window_->SetNoteFont({"Other", 1, clWindowText, 20, 1}, 0x0000FF);
    auto* sheet = Open<TfrmOptionsFontsColor>("Fonts and colors");
    sheet->btnRestoreDef->click();
    EXPECT_TRUE(sheet->Modified);
    EXPECT_EQ(sheet->edFont1->text().toStdString(), FontDisplayText(window_->DefaultTasksFont));
    dialog_->btnOK->click();
    EXPECT_EQ(window_->TasksFont.Name, window_->DefaultTasksFont.Name);
    EXPECT_EQ(window_->TasksColor, window_->DefaultTasksColor);
    EXPECT_EQ(window_->NoteFont.Size, window_->DefaultNoteFont.Size);
    // The window colour again, as the theme has it.
    EXPECT_EQ(window_->tvTasksTree->palette().color(QPalette::Base), QApplication::palette().color(QPalette::Base));
}

// ---- Autosave files ----

TEST_F(SheetsTest, AutoSaveSheetSetsTheModeAndItsTimer)
{
    auto* sheet = Open<TOptionsAutoSave>("Autosave files");
    EXPECT_EQ(sheet->rgAutoSave->title(), " Autosave current DB file  ");
    EXPECT_EQ(sheet->ItemIndex(), 0);
    sheet->SetItemIndex(2);
    EXPECT_TRUE(sheet->Modified);
    dialog_->btnOK->click();
    EXPECT_EQ(window_->AutoSaveMode, 2);
    EXPECT_TRUE(window_->tmrAutoSaveTimer->isActive());
    EXPECT_EQ(window_->tmrAutoSaveTimer->interval(), 300000);
    EXPECT_EQ(Stored("AutoSaveMode"), "2");

    Open<TOptionsAutoSave>("Autosave files")->SetItemIndex(1);
    dialog_->btnOK->click();
    EXPECT_EQ(window_->AutoSaveMode, 1);
    EXPECT_FALSE(window_->tmrAutoSaveTimer->isActive());
}

} // namespace
