// The task panel offscreen: filling it from a task, the edits that write back at once and those
// that wait for the next flush, and the undo step each write-back leaves.
#include "PanelFixture.h"

#include <QAbstractButton>
#include <QAction>
#include <QCalendarWidget>
#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QSlider>
#include <QSpinBox>
#include <QTest>
#include <QToolButton>

#include "platform/DateTime.h"
#include "taskdb/TaskPlace.h"
#include "ui/controls/PageControl.h"
#include "ui/controls/RadioGroup.h"
#include "ui/controls/SliderKnob.h"
#include "ui/outline/TreeViewRules.h"
#include "ui/outline/TaskCommands.h"

namespace {

using PropertyPanelTest = PanelFixture;

TEST_F(PropertyPanelTest, FillsEveryControlFromTheTask)
{
    TTaskNode* b = Task("b");
    b->Importance = 80;
    b->Effort = 30;
    b->SetSatisfaction(70);
    b->SetHideInToDo(true);
    b->SetTheGoal(2);
    b->Note.SetText("line one\nsee http://example.org");
    b->Estimate = 2.5;
    b->SetScheduleType(1);
    b->SetDueDateTime(46000.75);
    b->SetLeadTime(1.5);
    b->SetIsProject(true);
    b->SetProjectStatus(2);
    b->AddChild("b1", -1)->SetCompletionDateTime(46000);
    b->AddChild("b2", -1);
    TTaskPlace* home = window->State().DataBase->PlacesList->Add("Home");
    TTaskPlace* work = window->State().DataBase->PlacesList->Add("Work");
    b->Places = {work->PlaceID, home->PlaceID};
    b->TaskID = 42;
    Select("b");

    ASSERT_EQ(window->State().CurrentTask, b);
    EXPECT_TRUE(Named<QWidget>(*window, "pnlRight")->isVisible());
    EXPECT_EQ(Named<QPlainTextEdit>(*window, "memTaskCaption")->toPlainText(), "b");
    EXPECT_EQ(Named<QSlider>(*window, "tbPriority")->value(), -80);
    EXPECT_EQ(Named<QSlider>(*window, "tbEffort")->value(), -30);
    EXPECT_EQ(Named<QSlider>(*window, "tbSatisfaction")->value(), -70);
    EXPECT_TRUE(Named<QCheckBox>(*window, "cbHideInToDo")->isChecked());
    EXPECT_EQ(Named<TRadioGroup>(*window, "rgGoal")->ItemIndex(), 2);
    EXPECT_EQ(window->Part<TTaskPanel>().TaskNotesEditor()->toPlainText(), "line one\nsee http://example.org");
    EXPECT_EQ(Named<QLineEdit>(*window, "edEstimate")->text(), "2.5");
    EXPECT_EQ(Named<QLineEdit>(*window, "edTaskPlaces")->text(), "Work; Home");
    EXPECT_EQ(Named<QComboBox>(*window, "cbTaskTime")->currentIndex(), 1);
    EXPECT_FALSE(Named<QWidget>(*window, "pnlDueDateTime")->isHidden());
    EXPECT_EQ(Named<QDateEdit>(*window, "dtDueDate")->date(), QDate(1899, 12, 30).addDays(46000));
    EXPECT_EQ(Named<QTimeEdit>(*window, "dtDueTime")->time(), QTime(18, 0));
    EXPECT_TRUE(Named<QCheckBox>(*window, "cbUseTime")->isChecked());
    EXPECT_EQ(Named<QSpinBox>(*window, "seLeadTime")->value(), 36);
    EXPECT_EQ(Named<QComboBox>(*window, "cbLeadTimeScale")->currentIndex(), 0);
    EXPECT_TRUE(Named<QCheckBox>(*window, "cbIsProject")->isChecked());
    EXPECT_TRUE(Named<QGroupBox>(*window, "gbProject")->isEnabled());
    EXPECT_EQ(Named<QComboBox>(*window, "cbProjectStatus")->currentIndex(), 2);
    const int percent = static_cast<int>(b->ProgressPercent() + 0.0001);
    EXPECT_GT(percent, 0);
    EXPECT_EQ(Named<QProgressBar>(*window, "pbProjectComplete")->value(), percent);
    EXPECT_EQ(Named<QLabel>(*window, "lbProjectCompletePercent")->text(), QString::number(percent) + "%");
    EXPECT_EQ(Named<QLineEdit>(*window, "edTaskID")->text(), "42");
    EXPECT_EQ(Named<QLineEdit>(*window, "edPath")->text().toStdString(), b->GetPath());
    EXPECT_EQ(Named<QGroupBox>(*window, "gbPriority")->toolTip(), "Importance of \"b\" to accomplish \"P\"");
    // Filling is no edit, also once the notes' links have been marked.
    QApplication::processEvents();
    EXPECT_FALSE(window->Part<TTaskPanel>().IsTaskDirty());
    EXPECT_FALSE(window->Part<TUndoNavigation>().UndoList()->CanUndo());

    window->Part<TTaskPanel>().SetCurrentTask(nullptr);
    EXPECT_FALSE(Named<QWidget>(*window, "pnlRight")->isVisible());
    EXPECT_EQ(Named<QSlider>(*window, "tbPriority")->value(), -50);
    EXPECT_TRUE(Named<QLineEdit>(*window, "edTaskPlaces")->text().isEmpty());
    EXPECT_EQ(Named<QGroupBox>(*window, "gbPriority")->toolTip(), "Shows how important this task for parent task");
}

TEST_F(PropertyPanelTest, ATaskWithoutDueDateShowsOneDayAndTakesTodayByDueDate)
{
    TTaskNode* a = Task("a");
    a->LeadTime = 5;  // not shown without a due date
    Select("a");
    EXPECT_EQ(Named<QSpinBox>(*window, "seLeadTime")->value(), 1);
    EXPECT_EQ(Named<QComboBox>(*window, "cbLeadTimeScale")->currentIndex(), 1);
    EXPECT_TRUE(Named<QWidget>(*window, "pnlDueDateTime")->isHidden());

    Named<QComboBox>(*window, "cbTaskTime")->setCurrentIndex(1);  // "By due date" writes back at once
    EXPECT_FALSE(Named<QWidget>(*window, "pnlDueDateTime")->isHidden());
    EXPECT_EQ(a->ScheduleType, 1);
    EXPECT_EQ(a->DueDateTime, Date());
    EXPECT_EQ(a->LeadTime, 1.0);
    EXPECT_EQ(window->Part<TUndoNavigation>().UndoList()->Count(), 1);

    // "Use time" shows the time, taking the time of day it is now.
    const TDateTime day = a->DueDateTime;
    TClockOverride clock(46000.75);
    auto* useTime = Named<QCheckBox>(*window, "cbUseTime");
    EXPECT_FALSE(useTime->isChecked());
    EXPECT_TRUE(Named<QWidget>(*window, "dtDueTime")->isHidden());
    QTest::mouseClick(useTime, Qt::LeftButton);
    EXPECT_FALSE(Named<QWidget>(*window, "dtDueTime")->isHidden());
    EXPECT_DOUBLE_EQ(a->DueDateTime, day + 0.75);
    QTest::mouseClick(useTime, Qt::LeftButton);
    EXPECT_TRUE(Named<QWidget>(*window, "dtDueTime")->isHidden());
    EXPECT_EQ(a->DueDateTime, day);
}

TEST_F(PropertyPanelTest, OnceFollowsTheParentAtOnce)
{
    TTaskNode* p = Task("P");
    p->SetScheduleType(1);
    p->SetDueDateTime(46010);
    p->SetLeadTime(3);
    TTaskNode* c = Task("c");
    c->SetScheduleType(1);
    c->SetDueDateTime(46100);
    c->SetLeadTime(14);
    Select("c");
    EXPECT_EQ(Named<QSpinBox>(*window, "seLeadTime")->value(), 2);
    EXPECT_EQ(Named<QComboBox>(*window, "cbLeadTimeScale")->currentIndex(), 2);
    Named<QComboBox>(*window, "cbTaskTime")->setCurrentIndex(0);
    EXPECT_EQ(c->ScheduleType, 0);
    EXPECT_EQ(c->DueDateTime, 46010);
    EXPECT_EQ(c->LeadTime, 3);
}

TEST_F(PropertyPanelTest, AStoredLeadTimeBeyondTheSpinRangeSurvivesAnUnrelatedEdit)
{
    TTaskNode* a = Task("a");
    a->SetScheduleType(1);
    a->SetDueDateTime(46000);
    a->SetLeadTime(500.5);  // 12012 hours
    Select("a");
    EXPECT_EQ(Named<QSpinBox>(*window, "seLeadTime")->value(), 12012);
    Named<QSlider>(*window, "tbEffort")->setValue(-10);
    EXPECT_DOUBLE_EQ(a->LeadTime, 500.5);
    EXPECT_EQ(a->Effort, 10);
}

TEST_F(PropertyPanelTest, ImmediateControlsWriteTheWholePanelBack)
{
    TClockOverride clock(46500.25);
    Select("b");
    Named<QPlainTextEdit>(*window, "memTaskCaption")->setPlainText("renamed");  // pending
    EXPECT_EQ(Task("b")->Caption, "b");
    EXPECT_TRUE(window->State().Modified);  // at the first keystroke
    Named<QSlider>(*window, "tbSatisfaction")->setValue(-90);  // at once, with the caption
    TTaskNode* b = Task("renamed");
    ASSERT_NE(b, nullptr);
    EXPECT_EQ(b->Satisfaction, 90);
    EXPECT_EQ(b->ModifiedDateTime, 46500.25);
    EXPECT_FALSE(window->Part<TTaskPanel>().IsTaskDirty());
    EXPECT_EQ(window->Part<TUndoNavigation>().UndoList()->Count(), 1);
    EXPECT_EQ(window->Part<TUndoNavigation>().actUndo()->text(), "Undo Change task \"renamed\"");
    EXPECT_TRUE(window->Part<TUndoNavigation>().actUndo()->isEnabled());
}

TEST_F(PropertyPanelTest, PendingEditsWaitForTheNextFlush)
{
    Select("b");
    Named<QPlainTextEdit>(*window, "memTaskCaption")->setPlainText("typed");
    // The tree follows the typing; the task does not yet.
    EXPECT_EQ(Node("b")->text(0), "typed");
    EXPECT_EQ(Task("b")->Caption, "b");
    window->Part<TTaskPanel>().TaskNotesEditor()->setPlainText("a note");
    Named<QLineEdit>(*window, "edEstimate")->setText("1.5");
    Named<QCheckBox>(*window, "cbCompleteSubTasksInOrder")->setChecked(true);
    Named<QComboBox>(*window, "cbProjectStatus")->setCurrentIndex(1);
    EXPECT_FALSE(window->Part<TUndoNavigation>().UndoList()->CanUndo());

    Named<QPlainTextEdit>(*window, "memTaskCaption")->setFocus();
    window->Part<TOutlineViews>().tvTasksTree()->setFocus();  // leaving a control writes nothing
    EXPECT_EQ(Task("b")->Caption, "b");

    Select("c");  // the flush
    TTaskNode* b = Task("typed");
    ASSERT_NE(b, nullptr);
    EXPECT_EQ(b->Note.Count(), 1);
    EXPECT_EQ(b->Note[0], "a note");
    EXPECT_EQ(b->Estimate, 1.5);
    EXPECT_TRUE(b->CompleteSubTasksInOrder);
    EXPECT_EQ(b->ProjectStatus, 1);
    EXPECT_EQ(window->Part<TUndoNavigation>().UndoList()->Count(), 1);  // several pending controls, one step
}

TEST_F(PropertyPanelTest, TwoFlushedEditsAreTwoStepsUndoneOneByOne)
{
    Select("b");
    TTaskNode* b = Task("b");
    // The task's effort and what the panel shows.
    auto effort = [&] { return std::make_pair(b->Effort, -Named<QSlider>(*window, "tbEffort")->value()); };
    Named<QSlider>(*window, "tbEffort")->setValue(-20);
    Named<QSlider>(*window, "tbEffort")->setValue(-10);
    EXPECT_EQ(effort(), std::make_pair(10, 10));
    EXPECT_EQ(window->Part<TUndoNavigation>().UndoList()->Count(), 2);

    window->Part<TUndoNavigation>().actUndo()->trigger();
    EXPECT_EQ(effort(), std::make_pair(20, 20));  // the panel shows the restored value at once
    window->Part<TUndoNavigation>().actUndo()->trigger();
    EXPECT_EQ(effort(), std::make_pair(50, 50));
    EXPECT_FALSE(window->Part<TUndoNavigation>().actUndo()->isEnabled());
    EXPECT_EQ(window->Part<TUndoNavigation>().actUndo()->text(), "Can't undo");
    EXPECT_EQ(window->Part<TUndoNavigation>().actRedo()->text(), "Redo Change task \"b\"");

    window->Part<TUndoNavigation>().actRedo()->trigger();
    EXPECT_EQ(effort(), std::make_pair(20, 20));
    // A new step drops what could have been redone.
    Named<QSlider>(*window, "tbEffort")->setValue(-5);
    EXPECT_FALSE(window->Part<TUndoNavigation>().UndoList()->CanRedo());
    EXPECT_EQ(window->Part<TUndoNavigation>().UndoList()->Count(), 2);
}

void DragKnob(QSlider* bar, int dy)
{
    const QPoint from = SliderKnobRect(bar).center();
    QTest::mousePress(bar, Qt::LeftButton, {}, from);
    for (int step = 1; step <= 4; ++step)
        QTest::mouseMove(bar, from + QPoint(0, dy * step / 4));
    QTest::mouseRelease(bar, Qt::LeftButton, {}, from + QPoint(0, dy));
}

int CentreY(QWidget* widget, QWidget* in) { return widget->mapTo(in, widget->rect().center()).y(); }

TEST_F(PropertyPanelTest, RatingBarsRiseUpwardAndTheImportanceKnobSitsByItsLabel)
{
    Select("a");
    TTaskNode* a = Task("a");
    QTest::mouseClick(Named<QToolButton>(*window, "sbUpPriority"), Qt::LeftButton);
    EXPECT_EQ(a->Importance, 75);
    EXPECT_TRUE(window->Part<TTaskPanel>().IsTaskDirty());  // the button leaves the task marked edited
    auto* tbPriority = Named<QSlider>(*window, "tbPriority");
    auto* gbPriority = Named<QGroupBox>(*window, "gbPriority");
    const int knob = tbPriority->mapTo(gbPriority, SliderKnobRect(tbPriority).center()).y();
    EXPECT_LT(std::abs(knob - CentreY(Named<QToolButton>(*window, "sbUpPriority"), gbPriority)),
              std::abs(knob - CentreY(Named<QToolButton>(*window, "sbDownPriority"), gbPriority)));

    DragKnob(Named<QSlider>(*window, "tbPriority"), -20);
    EXPECT_GT(a->Importance, 75);
    // All the way down is importance 0, which hides the task; clearing the box restores 50.
    DragKnob(Named<QSlider>(*window, "tbPriority"), Named<QSlider>(*window, "tbPriority")->height());
    EXPECT_EQ(a->Importance, 0);
    EXPECT_TRUE(Named<QCheckBox>(*window, "cbHideInToDo")->isChecked());
    EXPECT_TRUE(a->HideInToDo);
    QTest::mouseClick(Named<QCheckBox>(*window, "cbHideInToDo"), Qt::LeftButton);
    EXPECT_EQ(a->Importance, 50);
    EXPECT_FALSE(a->HideInToDo);

    Named<TPageControl>(*window, "pcTaskProps")->SetActivePage(Named<QWidget>(*window, "tshEffort"));
    for (QSlider* bar : {Named<QSlider>(*window, "tbEffort"), Named<QSlider>(*window, "tbSatisfaction")}) {
        DragKnob(bar, -20);
        EXPECT_GT(-bar->value(), 50);
    }
    EXPECT_EQ(a->Effort, -Named<QSlider>(*window, "tbEffort")->value());
    EXPECT_EQ(a->Satisfaction, -Named<QSlider>(*window, "tbSatisfaction")->value());
}

TEST_F(PropertyPanelTest, GoalAndProjectBoxWriteBackAtOnce)
{
    Select("a");
    TTaskNode* a = Task("a");
    Named<TRadioGroup>(*window, "rgGoal")->findChildren<QAbstractButton*>().at(1)->click();
    EXPECT_EQ(a->TheGoal, 1);
    EXPECT_TRUE(Task("a")->GoalInEffect);
    EXPECT_FALSE(Named<QGroupBox>(*window, "gbProject")->isEnabled());
    Named<QCheckBox>(*window, "cbIsProject")->setChecked(true);
    EXPECT_TRUE(a->IsProject);
    EXPECT_TRUE(Named<QGroupBox>(*window, "gbProject")->isEnabled());
    EXPECT_TRUE(Named<QComboBox>(*window, "cbProjectStatus")->isEnabled());
}

TEST_F(PropertyPanelTest, InvalidEstimateIsReportedAndStoredAsZero)
{
    Select("a");
    Named<QLineEdit>(*window, "edEstimate")->setText("lots");
    Select("b");
    ASSERT_FALSE(services.Shown.empty());
    EXPECT_EQ(services.Shown.back(), "Invalid estimate format: \"lots\"");
    EXPECT_EQ(Task("a")->Estimate, 0);
    EXPECT_EQ(window->State().CurrentTask, Task("b"));
}

TEST_F(PropertyPanelTest, PlacesTextCreatesSkipsAndJoinsPlaces)
{
    TTaskPlace* home = window->State().DataBase->PlacesList->Add("Home");
    Select("a");
    Named<QLineEdit>(*window, "edTaskPlaces")->setText("home; Shop; Garden; HOME;");
    services.Answers = {idYes, idNo};
    Select("b");
    // The question quotes the field trimmed.
    EXPECT_EQ(services.Shown.at(0), "Place \"Shop\" not found. Create new place?");
    EXPECT_EQ(services.Shown.at(1), "Place \"Garden\" not found. Create new place?");
    TTaskPlace* shop = window->State().DataBase->PlacesList->FindByCaption("Shop");
    ASSERT_NE(shop, nullptr);
    EXPECT_EQ(Task("a")->Places, (std::vector<int32_t>{home->PlaceID, shop->PlaceID}));
    EXPECT_EQ(window->State().DataBase->PlacesList->FindByCaption("Garden"), nullptr);
}

TEST_F(PropertyPanelTest, CancelAtANewPlaceKeepsTheTaskShownAndItsStepSound)
{
    Select("a");
    Named<QPlainTextEdit>(*window, "memTaskCaption")->setPlainText("a2");
    Named<QLineEdit>(*window, "edTaskPlaces")->setText("Nowhere");
    services.Answers = {idCancel};
    Select("b");
    // The selection change is refused; the edits stay pending.
    EXPECT_EQ(window->State().CurrentTask, Task("a2"));
    EXPECT_EQ(Selected(), "a2");
    EXPECT_TRUE(window->Part<TTaskPanel>().IsTaskDirty());
    EXPECT_EQ(window->Part<TUndoNavigation>().UndoList()->Count(), 1);

    // Undoing and redoing that half-written step never blanks the task. The first Undo takes
    // back the edits still pending (their place is not made), the second that step.
    services.Answers = {idNo};
    window->Part<TUndoNavigation>().actUndo()->trigger();
    window->Part<TUndoNavigation>().actUndo()->trigger();
    TTaskNode* a = Task("a");
    ASSERT_NE(a, nullptr);
    window->Part<TUndoNavigation>().actRedo()->trigger();
    EXPECT_EQ(a->Caption, "a2");
    EXPECT_EQ(a->Importance, 50);
    EXPECT_EQ(a->Satisfaction, 50);
}

TEST_F(PropertyPanelTest, SelectingTheShownTaskDoesNothingAndReloadRefills)
{
    Select("a");
    Named<QPlainTextEdit>(*window, "memTaskCaption")->setPlainText("typing");
    window->Part<TTaskPanel>().SetCurrentTask(Task("a"));
    EXPECT_EQ(Named<QPlainTextEdit>(*window, "memTaskCaption")->toPlainText(), "typing");
    EXPECT_TRUE(window->Part<TTaskPanel>().IsTaskDirty());
    window->Part<TTaskPanel>().SetTaskDirty(false);
    window->Part<TTaskPanel>().ReloadCurrentTask();
    EXPECT_EQ(Named<QPlainTextEdit>(*window, "memTaskCaption")->toPlainText(), "a");
}

TEST_F(PropertyPanelTest, CheckMarkCompletesOnWriteBackAndUndoReopens)
{
    Select("c");
    QTreeWidgetItem* node = Node("c");
    node->setCheckState(0, Qt::Checked);
    TTaskNode* c = Task("c");
    EXPECT_NE(c->CompletionDateTime, 0);
    window->Part<TUndoNavigation>().actUndo()->trigger();
    EXPECT_EQ(c->CompletionDateTime, 0);
    EXPECT_EQ(node->checkState(0), Qt::Unchecked);
}

TEST_F(PropertyPanelTest, PageChangeFlushesAndTheToolbarPathFollows)
{
    Select("q1");
    EXPECT_EQ(Named<QLineEdit>(*window, "edPath")->text().toStdString(), Task("q1")->GetPath());
    Named<QPlainTextEdit>(*window, "memTaskCaption")->setPlainText("q1 renamed");
    window->Part<TMainPages>().pcMainPages()->SetActivePage(window->Part<TMainPages>().tshPlaces());
    EXPECT_NE(Task("q1 renamed"), nullptr);
}

TEST_F(PropertyPanelTest, UpOneLevelSelectsTheParent)
{
    Select("c");
    Named<QToolButton>(*window, "spbUP")->click();
    EXPECT_EQ(window->State().CurrentTask, Task("P"));
    Named<QToolButton>(*window, "spbUP")->click();
    EXPECT_EQ(window->State().CurrentTask, Task("P"));
}

TEST_F(PropertyPanelTest, UpOneLevelFromAnotherPageGoesBackToTheOutline)
{
    Select("c");
    window->Part<TMainPages>().pcMainPages()->SetActivePage(window->Part<TMainPages>().tshToDoList());
    Named<QToolButton>(*window, "spbUP")->click();
    EXPECT_EQ(window->Part<TMainPages>().pcMainPages()->ActivePage(), window->Part<TMainPages>().tshOutline());
    EXPECT_EQ(window->State().CurrentTask, Task("P"));
}

// A click on the first letters of a link label.
void ClickLink(QLabel* link)
{
    ASSERT_TRUE(link->isVisible());
    QTest::mouseClick(link, Qt::LeftButton, Qt::NoModifier, QPoint(link->contentsRect().left() + 4, link->height() / 2));
}

TEST_F(PropertyPanelTest, TheViewLinksOpenTheirViewOnTheOutlineAndTheProjectsHintLeavesThere)
{
    // A task with a row of its own on the To-Do page, where the panel shows it.
    Task("c")->SetIsProject(true);
    Select("c");
    window->Part<TMainPages>().pcMainPages()->SetActivePage(window->Part<TMainPages>().tshToDoList());
    ClickLink(Named<QLabel>(*window, "lbGoalsView"));
    EXPECT_EQ(window->Part<TMainPages>().pcMainPages()->ActivePage(), window->Part<TMainPages>().tshOutline());
    EXPECT_EQ(window->Part<TOutlineViews>().CurrentViewName(), ViewGoals);
    EXPECT_TRUE(window->Part<TOutlineViews>().pnlTaskTreeFilter()->isVisible());

    window->Part<TMainPages>().pcMainPages()->SetActivePage(window->Part<TMainPages>().tshToDoList());
    TTreeViewCheckBoxes* todo = window->Part<TToDoPage>().tvToDo();
    todo->setCurrentItem(window->Part<TTreeEditing>().FindTaskNode(todo, Task("c")));
    Named<TPageControl>(*window, "pcTaskProps")->SetActivePage(Named<QWidget>(*window, "tshProject"));
    ClickLink(Named<QLabel>(*window, "lbProjectView"));
    EXPECT_EQ(window->Part<TMainPages>().pcMainPages()->ActivePage(), window->Part<TMainPages>().tshOutline());
    EXPECT_EQ(window->Part<TOutlineViews>().CurrentViewName(), ViewProjects);
    Select("c");
    EXPECT_EQ(window->State().CurrentTask, Task("c"));
    EXPECT_FALSE(Named<QLabel>(*window, "lbProjectView")->isVisible());  // it names the view shown
}

TEST_F(PropertyPanelTest, TheClosedDueDatePickerHandsTheFocusToTheTreeOfThePageShown)
{
    for (const bool onToDoPage : {false, true}) {
        SCOPED_TRACE(onToDoPage ? "To-Do page" : "outline");
        Select(onToDoPage ? "q1" : "c");
        if (onToDoPage)
            window->Part<TMainPages>().pcMainPages()->SetActivePage(window->Part<TMainPages>().tshToDoList());
        window->Part<TTaskCommands>().actShortCutForDueDate()->trigger();
        QApplication::processEvents();
        auto* dueDate = Named<QDateEdit>(*window, "dtDueDate");
        ASSERT_TRUE(dueDate->calendarWidget()->isVisible());
        dueDate->calendarWidget()->window()->hide();
        QApplication::processEvents();
        EXPECT_EQ(window->focusWidget(), onToDoPage ? window->Part<TToDoPage>().tvToDo() : window->Part<TOutlineViews>().tvTasksTree());
    }
}

} // namespace
