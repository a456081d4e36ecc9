// The options dialog: the tree of registered sheets, sheets made on first visit, Apply, OK and
// Cancel, and the window's "Options..." command.
#include "OptionsTestSupport.h"

#include <QAction>
#include <QCheckBox>
#include <QLabel>
#include <QPushButton>
#include <QTreeWidget>

#include "ui/PageControl.h"
#include "ui/frmOptionsDBFileMode.h"
#include "ui/frmOptionsSheetBase.h"
#include "ui/frmTovrinOptions.h"

namespace {

// A sheet that counts how often it is applied.
class TCountingSheet : public TOptionsSheetBase {
public:
    using TOptionsSheetBase::TOptionsSheetBase;
    static inline int Made = 0;
    static inline std::vector<std::string> Applied;
    static TOptionsSheetBase* Create(TTovrinOptions* owner)
    {
        ++Made;
        auto* sheet = new TCountingSheet(owner);
        sheet->setObjectName(QString::number(Made));
        return sheet;
    }
    void Apply() override { Applied.push_back(objectName().toStdString()); }
};

std::vector<std::string> TreeTexts(QTreeWidget* tree)
{
    std::vector<std::string> texts;
    for (QTreeWidgetItemIterator it(tree); *it; ++it) {
        std::string indent((*it)->parent() ? "  " : "");
        texts.push_back(indent + (*it)->text(0).toStdString());
    }
    return texts;
}

class OptionsDialogTest : public OptionsTest {
protected:
    void SetUp() override
    {
        TCountingSheet::Made = 0;
        TCountingSheet::Applied.clear();
    }
};

TEST_F(OptionsDialogTest, TheTreeShowsTheRegisteredSheetsUnderTheirGroups)
{
    auto window = MakeWindow();
    TTovrinOptions dialog(window.get());
    EXPECT_EQ(dialog.windowTitle(), "Options");
    EXPECT_EQ(TreeTexts(dialog.tvOptions),
              (std::vector<std::string>{"Tovrin File options", "  Appearance", "General Application Options",
                                        "  Behaviour", "  Fonts and colors", "  Autosave files"}));
    EXPECT_TRUE(dialog.tvOptions->topLevelItem(0)->isExpanded());
    EXPECT_FALSE(dialog.btnApply->isEnabled());
    EXPECT_FALSE(dialog.AnyChange);

    // A group shows the base sheet with its hint.
    dialog.tvOptions->setCurrentItem(dialog.FindNode("General Application Options"));
    ASSERT_NE(dialog.CurrentSheet(), nullptr);
    auto* hint = dialog.CurrentSheet()->findChild<QLabel*>("lbSubentry");
    ASSERT_NE(hint, nullptr);
    EXPECT_EQ(hint->text(), "Please select a subentry for options");
    EXPECT_FALSE(hint->isHidden());

    dialog.tvOptions->setCurrentItem(dialog.FindNode("appearance"));
    EXPECT_NE(dynamic_cast<TOptionsDBFileMode*>(dialog.CurrentSheet()), nullptr);
}

TEST_F(OptionsDialogTest, OnlySheetsThatWereShownAreAppliedInTreeOrder)
{
    TSheetList sheets;
    sheets.Register("Group", "First", &TCountingSheet::Create);
    sheets.Register("Group", "Second", &TCountingSheet::Create);
    sheets.Register("", "Third", &TCountingSheet::Create);
    TTovrinOptions dialog(nullptr, &sheets);
    EXPECT_EQ(TCountingSheet::Made, 0);  // the group's base sheet is shown first
    dialog.tvOptions->setCurrentItem(dialog.FindNode("Third"));
    dialog.tvOptions->setCurrentItem(dialog.FindNode("First"));
    dialog.tvOptions->setCurrentItem(dialog.FindNode("Third"));  // made once only
    EXPECT_EQ(TCountingSheet::Made, 2);

    dialog.btnApply->setEnabled(true);
    dialog.btnApply->click();
    EXPECT_EQ(TCountingSheet::Applied, (std::vector<std::string>{"2", "1"}));  // First, then Third
    dialog.btnOK->click();  // applies again
    EXPECT_EQ(TCountingSheet::Applied.size(), 4u);
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
}

TEST_F(OptionsDialogTest, AChangeEnablesApplyAndApplyingDisablesItAgain)
{
    TSheetList sheets;
    sheets.Register("", "Only", &TCountingSheet::Create);
    TTovrinOptions dialog(nullptr, &sheets);
    dialog.tvOptions->setCurrentItem(dialog.FindNode("Only"));
    dialog.CurrentSheet()->SetModified(true);
    EXPECT_TRUE(dialog.Changed);
    EXPECT_TRUE(dialog.btnApply->isEnabled());
    EXPECT_TRUE(dialog.AnyChange);
    dialog.btnApply->click();
    EXPECT_FALSE(dialog.Changed);
    EXPECT_FALSE(dialog.btnApply->isEnabled());
    EXPECT_TRUE(dialog.AnyChange);  // stays for the run of the dialog
}

TEST_F(OptionsDialogTest, CancelAppliesNothingYetTheOutlineIsMarkedModified)
{
    auto window = MakeWindow();
    ASSERT_FALSE(window->Modified);
    WhenModal([](QWidget* widget) {
        auto* dialog = qobject_cast<TTovrinOptions*>(widget);
        ASSERT_NE(dialog, nullptr);
        // The dialog opens on its second node.
        ASSERT_EQ(dialog->tvOptions->currentItem(), dialog->FindNode("Appearance"));
        auto* sheet = dialog->findChild<TOptionsDBFileMode*>();
        ASSERT_NE(sheet, nullptr);
        sheet->cbShowToDoSheet->setChecked(false);
        dialog->btnCancel->click();
    });
    window->Options1->trigger();
    EXPECT_TRUE(window->ShowToDoSheet);
    EXPECT_TRUE(window->Modified);
}

TEST_F(OptionsDialogTest, OkAppliesTheAppearanceAndMarksTheOutlineModified)
{
    auto window = MakeWindow();
    WhenModal([](QWidget* widget) {
        auto* dialog = qobject_cast<TTovrinOptions*>(widget);
        ASSERT_NE(dialog, nullptr);
        dialog->findChild<TOptionsDBFileMode*>()->cbShowToDoSheet->setChecked(false);
        dialog->btnOK->click();
    });
    window->Options1->trigger();
    EXPECT_FALSE(window->ShowToDoSheet);
    EXPECT_FALSE(window->pcMainPages->isTabVisible(window->pcMainPages->indexOf(window->tshToDoList)));
    EXPECT_TRUE(window->Modified);

    // Closing the dialog without a change leaves the outline as it was.
    window->SetModified(false);
    WhenModal([](QWidget* widget) { qobject_cast<TTovrinOptions*>(widget)->btnOK->click(); });
    window->Options1->trigger();
    EXPECT_FALSE(window->Modified);
    EXPECT_FALSE(window->ShowToDoSheet);
}

} // namespace
