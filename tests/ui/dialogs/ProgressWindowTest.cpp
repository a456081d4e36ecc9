// The progress window: its schedule, the bar's range, throttled updates, the abort question,
// the disabled owner and the caller's reference.
#include "DialogTestSupport.h"

#include <QKeyEvent>
#include <QLabel>
#include <QMetaObject>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>

#include "platform/DateTime.h"
#include "ui/frmProgressIndicator.h"

namespace {

constexpr TDateTime Start = 45000.5;
constexpr TDateTime Ms = 1.0 / 86400000.0;

// The schedule alone.
TEST(ProgressScheduleTest, UpdateIntervalShowDelayAndCursorDelayAreStrictBounds)
{
    TProgressSchedule schedule(Start, 0, 500);
    EXPECT_TRUE(schedule.WithinInterval(Start));
    EXPECT_TRUE(schedule.WithinInterval(Start + 499 * Ms));
    EXPECT_FALSE(schedule.WithinInterval(Start + 501 * Ms));
    schedule.Updated(Start + 600 * Ms);
    EXPECT_TRUE(schedule.WithinInterval(Start + 900 * Ms));
    EXPECT_FALSE(schedule.WithinInterval(Start + 1101 * Ms));
    EXPECT_FALSE(schedule.KeepHidden(Start));  // no show delay

    TProgressSchedule delayed(Start, 1000, 0);
    EXPECT_FALSE(delayed.WithinInterval(Start));  // no interval: every step updates
    EXPECT_TRUE(delayed.KeepHidden(Start + 999 * Ms));
    EXPECT_FALSE(delayed.KeepHidden(Start + 1001 * Ms));
    EXPECT_FALSE(delayed.WantsHourGlass(Start + 149 * Ms));
    EXPECT_TRUE(delayed.WantsHourGlass(Start + 151 * Ms));
}

class ProgressWindowTest : public ::testing::Test {
protected:
    TScriptedServices services;
    TServicesScope scope{services};
    TDateTime now = Start;
    TClockOverride clock{[this] { return now; }};
    QWidget owner;
    TfrmProgressIndicatorWnd* wnd = nullptr;

    void SetUp() override { owner.show(); }
    void TearDown() override { TfrmProgressIndicatorWnd::Free(wnd); }

    void Make(int32_t showDelay = 0, int32_t interval = 500, bool autoClose = false, TProgressUpdateEvent onUpdate = {})
    {
        TfrmProgressIndicatorWnd::Create(&owner, wnd, "Outlook sync", showDelay, interval, "OutlookSynch", autoClose,
                                         std::move(onUpdate));
    }
    // A click on "Cancel" waiting to be handled by the next message pump.
    void QueueCancelClick() { QMetaObject::invokeMethod(wnd->btnAbort, "click", Qt::QueuedConnection); }
};

TEST_F(ProgressWindowTest, ShowsAtOnceWithItsCaptionAndDisablesTheOwnerUntilFreed)
{
    Make();
    ASSERT_NE(wnd, nullptr);
    EXPECT_TRUE(wnd->isVisible());
    EXPECT_EQ(wnd->windowTitle().toStdString(), "Outlook sync");
    EXPECT_EQ(wnd->lblStatusLine->text().toStdString(), "Process...");
    EXPECT_EQ(wnd->OperationName(), "OutlookSynch");
    EXPECT_FALSE(wnd->ProgressBar->isVisibleTo(wnd));
    EXPECT_FALSE(owner.isEnabled());
    TfrmProgressIndicatorWnd::Free(wnd);
    EXPECT_EQ(wnd, nullptr);
    EXPECT_TRUE(owner.isEnabled());
}

TEST_F(ProgressWindowTest, RangeSettersKeepMinimumBelowMaximumAndShowTheBar)
{
    Make();
    wnd->SetProgressMin(0);
    EXPECT_TRUE(wnd->ProgressBar->isVisibleTo(wnd));
    wnd->SetProgressMax(10);
    wnd->SetProgressMin(20);  // above the maximum: the maximum follows
    EXPECT_EQ(wnd->ProgressBar->minimum(), 20);
    EXPECT_EQ(wnd->ProgressBar->maximum(), 20);
    EXPECT_EQ(wnd->ProgressBar->value(), 20);
    wnd->SetProgressMax(5);  // below the minimum: the minimum follows
    EXPECT_EQ(wnd->ProgressBar->minimum(), 5);
    EXPECT_EQ(wnd->ProgressBar->maximum(), 5);
}

TEST_F(ProgressWindowTest, StepsWithinTheIntervalChangeNothingAndMinusOneOrEmptyTextLeaveTheDisplay)
{
    int updates = 0;
    Make(0, 500, false, [&](void*) { ++updates; });
    wnd->SetProgressMin(0);
    wnd->SetProgressMax(100);
    now = Start + 200 * Ms;
    EXPECT_TRUE(wnd->Progress("first", 10));
    EXPECT_EQ(wnd->lblStatusLine->text().toStdString(), "Process...");  // within 500 ms of creation
    EXPECT_EQ(wnd->ProgressBar->value(), 0);
    EXPECT_EQ(updates, 0);

    now = Start + 600 * Ms;
    EXPECT_TRUE(wnd->Progress("second", 20));
    EXPECT_EQ(wnd->lblStatusLine->text().toStdString(), "second");
    EXPECT_EQ(wnd->ProgressBar->value(), 20);
    EXPECT_EQ(updates, 1);

    now = Start + 1000 * Ms;  // 400 ms after the last update
    EXPECT_TRUE(wnd->Progress("third", 30));
    EXPECT_EQ(wnd->lblStatusLine->text().toStdString(), "second");

    now = Start + 1200 * Ms;
    EXPECT_TRUE(wnd->Progress("", -1));
    EXPECT_EQ(wnd->lblStatusLine->text().toStdString(), "second");
    EXPECT_EQ(wnd->ProgressBar->value(), 20);
    EXPECT_EQ(updates, 2);
}

TEST_F(ProgressWindowTest, ConfirmedAbortRaisesTheGivenClassInThatStep)
{
    Make();
    now = Start + 600 * Ms;
    services.Answers = {idYes};
    QueueCancelClick();
    EXPECT_THROW(wnd->Progress("item", 1, &RaiseNew<TExAbortOperation>), TExAbortOperation);
    ASSERT_EQ(services.Shown.size(), 1u);
    EXPECT_EQ(services.Shown[0], "Abort operation?");
    EXPECT_TRUE(wnd->Aborted());
    EXPECT_TRUE(wnd->isVisible());  // the caller frees it
    try {
        now = Start + 1200 * Ms;
        wnd->Progress("item", 2, &RaiseNew<TExAbortOperation>);
        ADD_FAILURE() << "no exception";
    } catch (const TExAbortOperation& e) {
        EXPECT_STREQ(e.what(), "");
    }
}

TEST_F(ProgressWindowTest, AbortIsNoticedOnlyAtARealUpdateAndWithoutClassGivesFalse)
{
    Make();
    now = Start + 600 * Ms;
    services.Answers = {idYes};
    QueueCancelClick();
    EXPECT_FALSE(wnd->Progress("item", 1));
    now = Start + 700 * Ms;  // within the interval: the flag is not looked at
    EXPECT_TRUE(wnd->Progress("item", 2, &RaiseNew<TExAbortOperation>));
}

TEST_F(ProgressWindowTest, AnsweringNoChangesNothing)
{
    Make();
    now = Start + 600 * Ms;
    services.Answers = {idNo};
    QueueCancelClick();
    EXPECT_TRUE(wnd->Progress("item", 1, &RaiseNew<TExAbortOperation>));
    EXPECT_FALSE(wnd->Aborted());
    EXPECT_TRUE(wnd->Timer1->isActive());
}

TEST_F(ProgressWindowTest, EscPressesCancel)
{
    Make();
    services.Answers = {idYes};
    QKeyEvent esc(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
    QApplication::sendEvent(wnd, &esc);
    EXPECT_TRUE(wnd->Aborted());
    EXPECT_TRUE(wnd->isVisible());
}

TEST_F(ProgressWindowTest, ShowDelayKeepsItHiddenWithAnHourglassThenShows)
{
    Make(1000, 0);
    EXPECT_FALSE(wnd->isVisible());
    EXPECT_TRUE(owner.isEnabled());
    now = Start + 100 * Ms;
    EXPECT_TRUE(wnd->Progress("a", 1));
    EXPECT_EQ(services.Cursor, crDefault);
    now = Start + 200 * Ms;
    EXPECT_TRUE(wnd->Progress("b", 2));
    EXPECT_EQ(services.Cursor, crHourGlass);
    EXPECT_FALSE(wnd->isVisible());
    EXPECT_EQ(wnd->lblStatusLine->text().toStdString(), "Process...");
    now = Start + 1100 * Ms;
    EXPECT_TRUE(wnd->Progress("c", 3));
    EXPECT_TRUE(wnd->isVisible());
    EXPECT_FALSE(owner.isEnabled());
    EXPECT_EQ(services.Cursor, crDefault);  // showing gives the cursor back
    EXPECT_EQ(wnd->lblStatusLine->text().toStdString(), "c");
}

TEST_F(ProgressWindowTest, AutoCloseAtTheFirstTickCallsBackReleasesTheOwnerAndClearsTheReference)
{
    int updates = 0;
    Make(0, 500, true, [&](void*) { ++updates; });
    QPointer<TfrmProgressIndicatorWnd> watch(wnd);
    wnd->Timer1Timer();
    EXPECT_EQ(updates, 1);
    EXPECT_EQ(wnd, nullptr);
    EXPECT_TRUE(owner.isEnabled());
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(watch.isNull());
    TfrmProgressIndicatorWnd::Free(wnd);  // harmless after the window closed itself
}

TEST_F(ProgressWindowTest, WithoutAutoCloseTheTimerDoesNothing)
{
    Make();
    wnd->Timer1Timer();
    EXPECT_NE(wnd, nullptr);
    EXPECT_TRUE(wnd->isVisible());
}

TEST_F(ProgressWindowTest, TimerStaysOffWhileAStepPumpsMessages)
{
    bool activeInside = true;
    Make(0, 0, false, [&](void*) {
        QTimer::singleShot(0, [&] { activeInside = wnd->Timer1->isActive(); });
    });
    EXPECT_TRUE(wnd->Progress("x", -1));
    EXPECT_FALSE(activeInside);
    EXPECT_TRUE(wnd->Timer1->isActive());
}

TEST_F(ProgressWindowTest, FreeingTheOwnerFreesTheWindow)
{
    auto ownerOfItsOwn = std::make_unique<QWidget>();
    TfrmProgressIndicatorWnd* local = nullptr;
    TfrmProgressIndicatorWnd::Create(ownerOfItsOwn.get(), local, "", 0, 0, "x", false);
    QPointer<TfrmProgressIndicatorWnd> watch(local);
    EXPECT_EQ(local->windowTitle().toStdString(), "Progress");  // an empty caption keeps the title
    ownerOfItsOwn.reset();
    EXPECT_TRUE(watch.isNull());
    EXPECT_EQ(local, nullptr);
}

} // namespace
