// The place picker, the sort options dialog, the find dialog and the About box, each driven
// without a blocking modal loop.
#include "ui/mainwindow/WindowTestSupport.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMainWindow>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>

#include <QTest>

#include "ui/dialogs/frmAbout.h"
#include "ui/outline/frmFindNext.h"
#include "ui/places/frmSelectPlaces.h"
#include "ui/outline/frmSortSubtasksOptions.h"

namespace {

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
            picker->lvPlaces()->addTopLevelItem(new QTreeWidgetItem(QStringList{name}));
        picker->show();
    }
    void TearDown() override { delete picker.data(); }
};

TEST_F(PlacePickerWindowTest, ListIsSortedAndEnterOrADoubleClickAppendsTheSelectedPlaceEachTime)
{
    QApplication::processEvents();
    EXPECT_FALSE(picker->lvPlaces()->horizontalScrollBar()->isVisible());  // short names need none
    EXPECT_EQ(Texts(picker->lvPlaces()), (Names{"Garage", "Home", "Office"}));
    SendKey(picker->lvPlaces(), Qt::Key_Return);  // nothing selected
    EXPECT_EQ(target.text(), "");
    picker->lvPlaces()->setCurrentItem(picker->lvPlaces()->topLevelItem(1));
    SendKey(picker->lvPlaces(), Qt::Key_Return);
    const QRect office = picker->lvPlaces()->visualItemRect(picker->lvPlaces()->topLevelItem(2));
    QTest::mouseClick(picker->lvPlaces()->viewport(), Qt::LeftButton, {}, office.center());
    QTest::mouseDClick(picker->lvPlaces()->viewport(), Qt::LeftButton, {}, office.center());
    EXPECT_EQ(target.text(), "Home; Office");
    EXPECT_FALSE(picker.isNull());  // stays open for more

    SendKey(picker->lvPlaces(), Qt::Key_Escape);  // closes and frees it
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(picker.isNull());
}

TEST_F(PlacePickerWindowTest, ATargetThatWentAwayIsLeftAlone)
{
    auto* other = new QLineEdit();
    QPointer<TSelectPlacesWnd> second = CreateSelectPlacesWnd(other);
    second->lvPlaces()->addTopLevelItem(new QTreeWidgetItem(QStringList{"Home"}));
    second->lvPlaces()->setCurrentItem(second->lvPlaces()->topLevelItem(0));
    delete other;
    second->lvPlacesDblClick();  // no crash, nothing to write to
    EXPECT_EQ(second->Target(), nullptr);
    delete second.data();
}

// ---- Sort options ----

struct TSortKeys {
    int32_t K[4];
    bool Recursive;
    bool operator==(const TSortKeys& o) const
    {
        return std::equal(K, K + 4, o.K) && Recursive == o.Recursive;
    }
};

void PrintTo(const TSortKeys& k, std::ostream* os)
{
    *os << k.K[0] << "," << k.K[1] << "," << k.K[2] << "," << k.K[3] << (k.Recursive ? " recursive" : "");
}

// Runs the dialog over keys with action answering it; returns whether it was accepted.
bool RunSortDialog(TSortKeys& keys, std::function<void(TfrmSortOptions&)> action)
{
    WhenModal<TfrmSortOptions>(std::move(action));
    return TfrmSortOptions::Execute(keys.K[0], keys.K[1], keys.K[2], keys.K[3], keys.Recursive);
}

TEST(SortOptionsTest, ListsOfferTheKeysInOrderWithNoneBelowTheFirstLevel)
{
    TfrmSortOptions dialog;
    EXPECT_EQ(Named<QComboBox>(dialog, "cbSort1")->itemData(5).toInt(), 8);
    EXPECT_EQ(Named<QComboBox>(dialog, "cbSort2")->findData(7), -1);
    EXPECT_EQ(Named<QComboBox>(dialog, "cbSort4")->count(), Named<QComboBox>(dialog, "cbSort1")->count() + 1);
}

TEST(SortOptionsTest, KeysComeBackAsTheyWentInWhenNothingIsChanged)
{
    TSortKeys keys{{2, -3, 1, 1}, true};
    bool openedUnchecked = false;
    EXPECT_TRUE(RunSortDialog(keys, [&](TfrmSortOptions& d) {
        openedUnchecked = !Named<QCheckBox>(d, "cbRecurse")->isChecked();
        Named<QPushButton>(d, "btnSort")->click();
    }));
    EXPECT_TRUE(openedUnchecked);
    EXPECT_EQ(keys, (TSortKeys{{2, -3, 1, 1}, false}));  // the box opened unchecked
}

TEST(SortOptionsTest, UnknownKeysOpenOnTheFirstItemAndZeroOpensDescending)
{
    TfrmSortOptions dialog;
    // 7 is never offered: first item, ascending; 0: first item ("<none>"), descending.
    dialog.SetKeys({7, 0, 1, -8});
    TSortKeys keys{};
    dialog.GetKeys(keys.K);
    EXPECT_EQ(keys, (TSortKeys{{2, -1, 1, -8}, false}));
    dialog.SetKeys({1, 5, 5, 5});  // "<none>" is not offered on the first level
    dialog.GetKeys(keys.K);
    EXPECT_EQ(keys.K[0], 2);
    EXPECT_TRUE(Named<QRadioButton>(dialog, "rbASort2")->isChecked());
}

TEST(SortOptionsTest, ChoicesReachTheCallerOnlyOnSortNow)
{
    for (bool sortNow : {false, true}) {
        TSortKeys keys{{2, -3, 1, 1}, false};
        EXPECT_EQ(RunSortDialog(keys,
                                [sortNow](TfrmSortOptions& d) {
                                    auto* first = Named<QComboBox>(d, "cbSort1");
                                    first->setCurrentIndex(first->findData(8));
                                    Named<QRadioButton>(d, "rbDSort1")->setChecked(true);
                                    Named<QComboBox>(d, "cbSort3")->setCurrentIndex(0);  // "<none>" descending comes back as -1
                                    Named<QRadioButton>(d, "rbDSort3")->setChecked(true);
                                    Named<QCheckBox>(d, "cbRecurse")->setChecked(true);
                                    Named<QPushButton>(d, sortNow ? "btnSort" : "btnCancel")->click();
                                }),
                  sortNow);
        EXPECT_EQ(keys, (sortNow ? TSortKeys{{-8, -3, -1, 1}, true} : TSortKeys{{2, -3, 1, 1}, false}));
    }
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
    EXPECT_TRUE(Named<QPushButton>(dialog, "btnFind")->isEnabled());
    Named<QCheckBox>(dialog, "cbCaptions")->setChecked(false);
    EXPECT_TRUE(Named<QPushButton>(dialog, "btnFind")->isEnabled());
    Named<QCheckBox>(dialog, "cbNotes")->setChecked(false);
    EXPECT_FALSE(Named<QPushButton>(dialog, "btnFind")->isEnabled());
    Named<QCheckBox>(dialog, "cbNotes")->setChecked(true);
    Named<QLineEdit>(dialog, "edFindWhat")->clear();
    EXPECT_FALSE(Named<QPushButton>(dialog, "btnFind")->isEnabled());
}

TEST(FindDialogTest, OpeningWithNothingToFindLeavesFindNextDisabled)
{
    TfrmFindNexDlg dialog;
    dialog.SetValues("", false, false);  // no control changes while filling
    EXPECT_FALSE(Named<QPushButton>(dialog, "btnFind")->isEnabled());
}

TEST(FindDialogTest, ValuesReachTheCallerOnlyOnFindNext)
{
    for (bool findNext : {false, true}) {
        std::string text = "old";
        bool captions = true, notes = true;
        std::string shown;
        WhenModal<TfrmFindNexDlg>([&](TfrmFindNexDlg& d) {
            shown = Named<QLineEdit>(d, "edFindWhat")->text().toStdString();
            Named<QLineEdit>(d, "edFindWhat")->setText("new");
            Named<QCheckBox>(d, "cbNotes")->setChecked(false);
            Named<QPushButton>(d, findNext ? "btnFind" : "btnCancel")->click();
        });
        EXPECT_EQ(TfrmFindNexDlg::Execute(text, captions, notes), findNext);
        EXPECT_EQ(shown, "old");
        EXPECT_EQ(text, findNext ? "new" : "old");
        EXPECT_TRUE(captions);
        EXPECT_EQ(notes, !findNext);
    }
}

// ---- About ----

TEST(AboutFadeTest, FadesInToExactlyFullOpacityAndOutUntilTheNextStepWouldReachZero)
{
    TAboutFade fade;
    auto run = [&fade] {
        std::vector<int32_t> seen{fade.Opacity()};
        TAboutFade::TTick tick;
        while ((tick = fade.Tick()) == TAboutFade::tkGoOn)
            seen.push_back(fade.Opacity());
        return std::make_pair(seen, tick);
    };
    fade.StartFadeIn();
    const auto in = run();
    EXPECT_EQ(in.second, TAboutFade::tkStop);
    EXPECT_EQ(in.first, (std::vector<int32_t>{0, 32, 64, 96, 128, 160, 192, 224}));
    EXPECT_EQ(fade.Opacity(), 255);
    EXPECT_EQ(fade.State(), TAboutFade::fsShown);

    fade.StartFadeOut();
    const auto out = run();
    EXPECT_EQ(out.second, TAboutFade::tkClose);
    EXPECT_EQ(out.first, (std::vector<int32_t>{255, 223, 191, 159, 127, 95, 63, 31}));
}

TEST(AboutBoxTest, TakesTheKeyboardClosesWithEnterOrEscAndFreesItselfAfterTheFade)
{
    QMainWindow main;
    main.show();
    main.activateWindow();
    EXPECT_EQ(AboutMailLink().rfind(std::string("mailto:") + AboutSupportAddress + "?subject=", 0), 0u);
    for (Qt::Key key : {Qt::Key_Escape, Qt::Key_Return}) {
        QPointer<TAboutDlg> box = ShowAbout();
        ASSERT_FALSE(box.isNull());
        EXPECT_FALSE(main.isEnabled());
        EXPECT_TRUE(Named<QTimer>(*box, "Timer1")->isActive());
        for (int i = 0; i < 8; ++i)
            box->Timer1Timer();
        EXPECT_EQ(box->Fade().Opacity(), 255);
        EXPECT_FALSE(Named<QTimer>(*box, "Timer1")->isActive());
        EXPECT_FALSE(main.isEnabled());

        ASSERT_TRUE(QTest::qWaitForWindowActive(box));
        QWidget* focused = QApplication::focusWidget();
        ASSERT_TRUE(focused && box->isAncestorOf(focused));
        QTest::keyClick(focused, key);
        EXPECT_TRUE(main.isEnabled());
        for (int i = 0; i < 7; ++i)
            box->Timer1Timer();
        EXPECT_TRUE(box->isVisible());
        box->Timer1Timer();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        EXPECT_TRUE(box.isNull());
        EXPECT_TRUE(main.isEnabled());
    }
}

} // namespace
