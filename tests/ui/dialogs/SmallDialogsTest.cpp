// The place picker, the sort options dialog, the find dialog and the About box, each driven
// without a blocking modal loop.
#include "DialogTestSupport.h"

#include <QCheckBox>
#include <QComboBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMainWindow>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>
#include <QTreeWidget>

#include "ui/frmAbout.h"
#include "ui/frmFindNext.h"
#include "ui/frmSelectPlaces.h"
#include "ui/frmSortSubtasksOptions.h"

namespace {

void PressKey(QWidget* target, int key)
{
    QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier);
    QApplication::sendEvent(target, &press);
}

// ---- Place picker ----

TEST(PlacePickerTest, AppendsAfterASeparatorOnlyWhenTheTextHoldsMoreThanBlanks)
{
    EXPECT_EQ(AppendPlaceCaption("", "Home"), "Home");
    EXPECT_EQ(AppendPlaceCaption("   ", "Home"), "   Home");
    EXPECT_EQ(AppendPlaceCaption("Work", "Home"), "Work; Home");
    EXPECT_EQ(AppendPlaceCaption("Work; ", "Home"), "Work; ; Home");
}

class PlacePickerWindowTest : public ::testing::Test {
protected:
    QLineEdit target;
    QPointer<TSelectPlacesWnd> picker = CreateSelectPlacesWnd(&target);

    void SetUp() override
    {
        for (const char* name : {"Office", "Garage", "Home"})
            picker->lvPlaces->addTopLevelItem(new QTreeWidgetItem(QStringList{QString::fromLatin1(name)}));
        picker->show();
    }
    void TearDown() override { delete picker.data(); }
};

TEST_F(PlacePickerWindowTest, ListIsSortedAndEnterAppendsTheSelectedPlaceEachTime)
{
    EXPECT_EQ(picker->windowTitle().toStdString(), "Select Places");
    EXPECT_EQ(picker->lvPlaces->topLevelItem(0)->text(0).toStdString(), "Garage");
    PressKey(picker->lvPlaces, Qt::Key_Return);  // nothing selected
    EXPECT_EQ(target.text().toStdString(), "");
    picker->lvPlaces->setCurrentItem(picker->lvPlaces->topLevelItem(1));
    PressKey(picker->lvPlaces, Qt::Key_Return);
    picker->lvPlaces->setCurrentItem(picker->lvPlaces->topLevelItem(2));
    picker->lvPlacesDblClick();
    EXPECT_EQ(target.text().toStdString(), "Home; Office");
    EXPECT_FALSE(picker.isNull());  // stays open for more
}

TEST_F(PlacePickerWindowTest, EscClosesAndFreesThePicker)
{
    PressKey(picker->lvPlaces, Qt::Key_Escape);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(picker.isNull());
}

TEST_F(PlacePickerWindowTest, ATargetThatWentAwayIsLeftAlone)
{
    auto* other = new QLineEdit();
    QPointer<TSelectPlacesWnd> second = CreateSelectPlacesWnd(other);
    second->lvPlaces->addTopLevelItem(new QTreeWidgetItem(QStringList{QStringLiteral("Home")}));
    second->lvPlaces->setCurrentItem(second->lvPlaces->topLevelItem(0));
    delete other;
    second->lvPlacesDblClick();  // no crash, nothing to write to
    EXPECT_EQ(second->Target(), nullptr);
    delete second.data();
}

// ---- Sort options ----

struct TSortCase {
    int32_t In[4];
    bool Recursive;
};

TEST(SortOptionsTest, ListsOfferTheKeysInOrderWithNoneBelowTheFirstLevel)
{
    TfrmSortOptions dialog;
    ASSERT_EQ(dialog.cbSort[0]->count(), 6);
    EXPECT_EQ(dialog.cbSort[0]->itemText(0).toStdString(), "Date Completed");
    EXPECT_EQ(dialog.cbSort[0]->itemText(5).toStdString(), "Alphabetical");
    EXPECT_EQ(dialog.cbSort[0]->itemData(5).toInt(), 8);
    ASSERT_EQ(dialog.cbSort[3]->count(), 7);
    EXPECT_EQ(dialog.cbSort[3]->itemText(0).toStdString(), "<none>");
    EXPECT_EQ(dialog.cbSort[1]->findData(7), -1);
    EXPECT_EQ(dialog.windowTitle().toStdString(), "Sort subtasks options");
}

TEST(SortOptionsTest, KeysComeBackAsTheyWentInWhenNothingIsChanged)
{
    int32_t k1 = 2, k2 = -3, k3 = 1, k4 = 1;
    bool recursive = true;
    bool openedUnchecked = false;
    WhenModal<TfrmSortOptions>([&](TfrmSortOptions& d) {
        openedUnchecked = !d.cbRecurse->isChecked();
        d.btnSort->click();
    });
    EXPECT_TRUE(TfrmSortOptions::Execute(k1, k2, k3, k4, recursive));
    EXPECT_TRUE(openedUnchecked);
    EXPECT_EQ(k1, 2);
    EXPECT_EQ(k2, -3);
    EXPECT_EQ(k3, 1);
    EXPECT_EQ(k4, 1);
    EXPECT_FALSE(recursive);  // the box opened unchecked
}

TEST(SortOptionsTest, UnknownKeysOpenOnTheFirstItemAndZeroOpensDescending)
{
    TfrmSortOptions dialog;
    dialog.SetKeys({7, 0, 1, -8});
    int32_t keys[4];
    dialog.GetKeys(keys);
    EXPECT_EQ(keys[0], 2);   // 7 is never offered: first item, ascending
    EXPECT_EQ(keys[1], -1);  // 0: first item ("<none>"), descending
    EXPECT_EQ(keys[2], 1);
    EXPECT_EQ(keys[3], -8);
    dialog.SetKeys({1, 5, 5, 5});  // "<none>" is not offered on the first level
    dialog.GetKeys(keys);
    EXPECT_EQ(keys[0], 2);
    EXPECT_TRUE(dialog.rbASort[1]->isChecked());
}

TEST(SortOptionsTest, ChoicesReachTheCallerOnlyOnSortNow)
{
    int32_t k1 = 2, k2 = -3, k3 = 1, k4 = 1;
    bool recursive = false;
    WhenModal<TfrmSortOptions>([](TfrmSortOptions& d) {
        d.cbSort[0]->setCurrentIndex(d.cbSort[0]->findData(8));
        d.rbDSort[0]->setChecked(true);
        d.cbRecurse->setChecked(true);
        d.btnCancel->click();
    });
    EXPECT_FALSE(TfrmSortOptions::Execute(k1, k2, k3, k4, recursive));
    EXPECT_EQ(k1, 2);
    EXPECT_FALSE(recursive);

    WhenModal<TfrmSortOptions>([](TfrmSortOptions& d) {
        d.cbSort[0]->setCurrentIndex(d.cbSort[0]->findData(8));
        d.rbDSort[0]->setChecked(true);
        d.cbSort[2]->setCurrentIndex(0);  // "<none>" descending comes back as -1
        d.rbDSort[2]->setChecked(true);
        d.cbRecurse->setChecked(true);
        d.btnSort->click();
    });
    EXPECT_TRUE(TfrmSortOptions::Execute(k1, k2, k3, k4, recursive));
    EXPECT_EQ(k1, -8);
    EXPECT_EQ(k2, -3);
    EXPECT_EQ(k3, -1);
    EXPECT_EQ(k4, 1);
    EXPECT_TRUE(recursive);
}

// ---- Find ----

TEST(FindDialogTest, FindNextNeedsTextAndAtLeastOnePlaceToLook)
{
    EXPECT_TRUE(FindNextEnabled("a", true, false));
    EXPECT_TRUE(FindNextEnabled("a", false, true));
    EXPECT_FALSE(FindNextEnabled("a", false, false));
    EXPECT_FALSE(FindNextEnabled("", true, true));

    TfrmFindNexDlg dialog;
    dialog.SetValues("milk", true, true);
    EXPECT_TRUE(dialog.btnFind->isEnabled());
    dialog.cbCaptions->setChecked(false);
    EXPECT_TRUE(dialog.btnFind->isEnabled());
    dialog.cbNotes->setChecked(false);
    EXPECT_FALSE(dialog.btnFind->isEnabled());
    dialog.cbNotes->setChecked(true);
    dialog.edFindWhat->clear();
    EXPECT_FALSE(dialog.btnFind->isEnabled());
}

TEST(FindDialogTest, OpeningWithNothingToFindLeavesFindNextDisabled)
{
    TfrmFindNexDlg dialog;
    dialog.SetValues("", false, false);  // no control changes while filling
    EXPECT_FALSE(dialog.btnFind->isEnabled());
}

TEST(FindDialogTest, ValuesReachTheCallerOnlyOnFindNext)
{
    std::string text = "old";
    bool captions = true, notes = true;
    std::string shown;
    WhenModal<TfrmFindNexDlg>([&](TfrmFindNexDlg& d) {
        shown = d.edFindWhat->text().toStdString();
        d.edFindWhat->setText(QStringLiteral("new"));
        d.cbNotes->setChecked(false);
        d.btnCancel->click();
    });
    EXPECT_FALSE(TfrmFindNexDlg::Execute(text, captions, notes));
    EXPECT_EQ(shown, "old");
    EXPECT_EQ(text, "old");
    EXPECT_TRUE(notes);

    WhenModal<TfrmFindNexDlg>([](TfrmFindNexDlg& d) {
        d.edFindWhat->setText(QStringLiteral("new"));
        d.cbNotes->setChecked(false);
        d.btnFind->click();
    });
    EXPECT_TRUE(TfrmFindNexDlg::Execute(text, captions, notes));
    EXPECT_EQ(text, "new");
    EXPECT_TRUE(captions);
    EXPECT_FALSE(notes);
}

// ---- About ----

TEST(AboutFadeTest, FadesInToExactlyFullOpacityAndOutUntilTheNextStepWouldReachZero)
{
    TAboutFade fade;
    fade.StartFadeIn();
    std::vector<int32_t> seen{fade.Opacity};
    TAboutFade::TTick tick = TAboutFade::tkGoOn;
    int ticks = 0;
    while (tick == TAboutFade::tkGoOn) {
        tick = fade.Tick();
        ++ticks;
        seen.push_back(fade.Opacity);
    }
    EXPECT_EQ(tick, TAboutFade::tkStop);
    EXPECT_EQ(ticks, 8);
    EXPECT_EQ(seen[1], 32);
    EXPECT_EQ(seen[7], 224);
    EXPECT_EQ(fade.Opacity, 255);
    EXPECT_EQ(fade.State, TAboutFade::fsShown);

    fade.StartFadeOut();
    ticks = 0;
    std::vector<int32_t> out{fade.Opacity};
    for (tick = TAboutFade::tkGoOn; tick == TAboutFade::tkGoOn;) {
        tick = fade.Tick();
        ++ticks;
        if (tick == TAboutFade::tkGoOn)
            out.push_back(fade.Opacity);
    }
    EXPECT_EQ(tick, TAboutFade::tkClose);
    EXPECT_EQ(ticks, 8);
    EXPECT_EQ(out.front(), 255);
    EXPECT_EQ(out.back(), 31);
}

TEST(AboutBoxTest, DisablesTheMainWindowUntilCloseAndFreesItselfAfterTheFade)
{
    QMainWindow main;
    main.show();
    QPointer<TAboutDlg> box = ShowAbout();
    ASSERT_FALSE(box.isNull());
    EXPECT_EQ(box->windowTitle().toStdString(), "About Tovrin");
    EXPECT_EQ(box->lbVersion->text().toStdString(), "1.0.10");
    EXPECT_EQ(box->lbURL->text().toStdString(), AboutWebSite);
    EXPECT_EQ(box->lbSupportEMail->text().toStdString(), AboutSupportAddress);
    EXPECT_EQ(AboutMailLink().rfind(std::string("mailto:") + AboutSupportAddress + "?subject=", 0), 0u);
    EXPECT_FALSE(main.isEnabled());
    EXPECT_TRUE(box->Timer1->isActive());
    for (int i = 0; i < 8; ++i)
        box->Timer1Timer();
    EXPECT_EQ(box->Fade().Opacity, 255);
    EXPECT_FALSE(box->Timer1->isActive());
    EXPECT_FALSE(main.isEnabled());

    box->Button1->click();
    EXPECT_TRUE(main.isEnabled());
    for (int i = 0; i < 7; ++i)
        box->Timer1Timer();
    EXPECT_TRUE(box->isVisible());
    box->Timer1Timer();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(box.isNull());
    EXPECT_TRUE(main.isEnabled());
}

} // namespace
