// The progress window: its schedule, the bar's range, throttled updates, the abort question,
// the disabled owner and the caller's reference.
#include "ui/mainwindow/WindowTestSupport.h"

#include <QLabel>
#include <QMetaObject>
#include <QPointer>
#include <QProgressBar>
#include <QPushButton>

#include "platform/DateTime.h"
#include "ui/dialogs/frmProgressIndicator.h"

namespace {

constexpr TDateTime Start = 45000.5;
constexpr TDateTime Ms = 1.0 / 86400000.0;

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
    // A click on "Cancel" waiting to be handled by the next message pump, answered with answer.
    void QueueCancelClick(int32_t answer)
    {
        services.Answers = {answer};
        QMetaObject::invokeMethod(Named<QPushButton>(*wnd, "btnAbort"), "click", Qt::QueuedConnection);
    }
    bool Step(double ms, const std::string& text, int32_t value, bool raise = true)
    {
        now = Start + ms * Ms;
        return raise ? wnd->Progress(text, value, &RaiseNew<TExAbortOperation>) : wnd->Progress(text, value);
    }
    std::string Status() const { return Named<QLabel>(*wnd, "lblStatusLine")->text().toStdString(); }
    QProgressBar* Bar() const { return Named<QProgressBar>(*wnd, "ProgressBar"); }
    QTimer* Timer() const { return Named<QTimer>(*wnd, "Timer1"); }
};

TEST_F(ProgressWindowTest, ShowsAtOnceWithItsCaptionAndDisablesTheOwnerUntilFreed)
{
    Make();
    ASSERT_NE(wnd, nullptr);
    EXPECT_TRUE(wnd->isVisible());
    EXPECT_EQ(wnd->windowTitle(), "Outlook sync");
    EXPECT_EQ(Status(), "Process...");
    EXPECT_EQ(wnd->OperationName(), "OutlookSynch");
    EXPECT_FALSE(Bar()->isVisibleTo(wnd));
    EXPECT_FALSE(owner.isEnabled());
    TfrmProgressIndicatorWnd::Free(wnd);
    EXPECT_EQ(wnd, nullptr);
    EXPECT_TRUE(owner.isEnabled());
}

TEST_F(ProgressWindowTest, RangeSettersKeepMinimumBelowMaximumAndShowTheBar)
{
    Make();
    wnd->SetProgressMin(0);
    EXPECT_TRUE(Bar()->isVisibleTo(wnd));
    wnd->SetProgressMax(10);
    wnd->SetProgressMin(20);  // above the maximum: the maximum follows
    EXPECT_EQ(std::make_tuple(Bar()->minimum(), Bar()->maximum(), Bar()->value()),
              std::make_tuple(20, 20, 20));
    wnd->SetProgressMax(5);  // below the minimum: the minimum follows
    EXPECT_EQ(std::make_pair(Bar()->minimum(), Bar()->maximum()), std::make_pair(5, 5));
}

TEST_F(ProgressWindowTest, StepsWithinTheIntervalChangeNothingAndMinusOneOrEmptyTextLeaveTheDisplay)
{
    int updates = 0;
    Make(0, 500, false, [&](void*) { ++updates; });
    wnd->SetProgressMin(0);
    wnd->SetProgressMax(100);
    const struct {
        double Ms;
        const char* Text;
        int32_t Value;
        const char* Shown;
        int32_t Bar, Updates;
    } steps[] = {
        {200, "first", 10, "Process...", 0, 0},  // within 500 ms of creation
        {600, "second", 20, "second", 20, 1},
        {1000, "third", 30, "second", 20, 1},  // 400 ms after the last update
        {1200, "", -1, "second", 20, 2},
    };
    for (const auto& s : steps) {
        EXPECT_TRUE(Step(s.Ms, s.Text, s.Value, false));
        EXPECT_EQ(Status(), s.Shown) << s.Ms;
        EXPECT_EQ(Bar()->value(), s.Bar) << s.Ms;
        EXPECT_EQ(updates, s.Updates) << s.Ms;
    }
}

TEST_F(ProgressWindowTest, ConfirmedAbortRaisesTheGivenClassInThatStep)
{
    Make();
    QueueCancelClick(idYes);
    EXPECT_THROW(Step(600, "item", 1), TExAbortOperation);
    EXPECT_EQ(services.Shown, Names{"Abort operation?"});
    EXPECT_TRUE(wnd->Aborted());
    EXPECT_TRUE(wnd->isVisible());  // the caller frees it
    try {
        Step(1200, "item", 2);
        ADD_FAILURE() << "no exception";
    } catch (const TExAbortOperation& e) {
        EXPECT_STREQ(e.what(), "");
    }
}

TEST_F(ProgressWindowTest, AbortIsNoticedOnlyAtARealUpdateAndWithoutClassGivesFalse)
{
    Make();
    QueueCancelClick(idYes);
    EXPECT_FALSE(Step(600, "item", 1, false));
    EXPECT_TRUE(Step(700, "item", 2));  // within the interval: the flag is not looked at
}

TEST_F(ProgressWindowTest, AnsweringNoChangesNothingAndEscPressesCancel)
{
    Make();
    QueueCancelClick(idNo);
    EXPECT_TRUE(Step(600, "item", 1));
    EXPECT_FALSE(wnd->Aborted());
    EXPECT_TRUE(Timer()->isActive());

    services.Answers = {idYes};
    SendKey(wnd, Qt::Key_Escape);
    EXPECT_TRUE(wnd->Aborted());
    EXPECT_TRUE(wnd->isVisible());
}

TEST_F(ProgressWindowTest, ShowDelayKeepsItHiddenWithAnHourglassThenShows)
{
    Make(1000, 0);
    EXPECT_FALSE(wnd->isVisible());
    EXPECT_TRUE(owner.isEnabled());
    EXPECT_TRUE(Step(100, "a", 1, false));
    EXPECT_EQ(services.Cursor, crDefault);
    EXPECT_TRUE(Step(200, "b", 2, false));
    EXPECT_EQ(services.Cursor, crHourGlass);
    EXPECT_FALSE(wnd->isVisible());
    EXPECT_EQ(Status(), "Process...");
    EXPECT_TRUE(Step(1100, "c", 3, false));
    EXPECT_TRUE(wnd->isVisible());
    EXPECT_FALSE(owner.isEnabled());
    EXPECT_EQ(services.Cursor, crDefault);  // showing gives the cursor back
    EXPECT_EQ(Status(), "c");
}

TEST_F(ProgressWindowTest, AutoCloseAtTheFirstTickCallsBackReleasesTheOwnerAndClearsTheReference)
{
    Make();
    wnd->Timer1Timer();  // without auto-close the timer does nothing
    ASSERT_NE(wnd, nullptr);
    EXPECT_TRUE(wnd->isVisible());
    TfrmProgressIndicatorWnd::Free(wnd);

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

TEST_F(ProgressWindowTest, TimerStaysOffWhileAStepPumpsMessages)
{
    bool activeInside = true;
    Make(0, 0, false, [&](void*) { QTimer::singleShot(0, [&] { activeInside = Timer()->isActive(); }); });
    EXPECT_TRUE(wnd->Progress("x", -1));
    EXPECT_FALSE(activeInside);
    EXPECT_TRUE(Timer()->isActive());
}

TEST_F(ProgressWindowTest, FreeingTheOwnerFreesTheWindow)
{
    auto ownerOfItsOwn = std::make_unique<QWidget>();
    TfrmProgressIndicatorWnd* local = nullptr;
    TfrmProgressIndicatorWnd::Create(ownerOfItsOwn.get(), local, "", 0, 0, "x", false);
    QPointer<TfrmProgressIndicatorWnd> watch(local);
    EXPECT_EQ(local->windowTitle(), "Progress");  // an empty caption keeps the title
    ownerOfItsOwn.reset();
    EXPECT_TRUE(watch.isNull());
    EXPECT_EQ(local, nullptr);
}

} // namespace
