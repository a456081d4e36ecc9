// The task panel on the right-hand side: showing the current task in its controls, noticing
// edits, and writing the whole panel back into the task as one undoable step.
#include "ui/taskpanel/TaskPanel.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QDateTime>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QSlider>
#include <QSpinBox>
#include <QTimeEdit>
#include <QToolButton>
#include <QVBoxLayout>

#include <cmath>

#include "platform/StrUtils.h"
#include "taskdb/Services.h"
#include "taskdb/TaskPlace.h"
#include "taskdb/TovrinDataBase.h"
#include "ui/mainwindow/KeyFilters.h"
#include "ui/controls/MyRichEdit.h"
#include "ui/controls/PageControl.h"
#include "ui/controls/RadioGroup.h"
#include "ui/taskpanel/TaskPanelRules.h"
#include "ui/mainwindow/TovrinApplication.h"
#include "ui/outline/TreeViewRules.h"
#include "ui/mainwindow/WindowServices.h"
#include "ui/places/frmSelectPlaces.h"
#include "ui/mainwindow/UILock.h"
#include "ui/mainwindow/WindowState.h"
#include "ui/undo/UndoList.h"

namespace {

const QDate DayZero(1899, 12, 30);

QDate DateOf(TDateTime value)
{
    return DayZero.addDays(static_cast<qint64>(std::trunc(value)));
}

QTime TimeOf(TDateTime value)
{
    int hour = 0, minute = 0, second = 0, msec = 0;
    DecodeTime(value - std::trunc(value), hour, minute, second, msec);
    return QTime(hour, minute, second, msec);
}

double DaysOf(const QDate& date)
{
    return static_cast<double>(DayZero.daysTo(date));
}

double DayFractionOf(const QTime& time)
{
    return time.msecsSinceStartOfDay() / 86400000.0;
}

// The platform's default rendering of a date and time.
QString DateTimeText(TDateTime value)
{
    return QLocale().toString(QDateTime(DateOf(value), TimeOf(value)), QLocale::ShortFormat);
}

QString Quote(const std::string& text)
{
    return QStringLiteral("\"") + QString::fromStdString(text) + QStringLiteral("\"");
}
} // namespace

// ---- Showing a task ----

void TTaskPanel::ReloadCurrentTask()
{
    struct TResetForceReload {
        bool& flag;
        ~TResetForceReload() { flag = false; }
    } reset{forceReload_};
    forceReload_ = true;
    SetCurrentTask(state_.CurrentTask);
}

void TTaskPanel::SetCurrentTask(TTaskNode* Task)
{
    if (Task && Task == state_.CurrentTask && !forceReload_)
        return;
    UpdateCurrentTask();
    host_.CommitPlaceEdits();
    host_.ShowTaskProps();
    host_.AddToNavigation(state_.CurrentTask);
    state_.CurrentTask = Task;
    {
        TUILock lock(uiLockCount_);
        host_.ShowRightPanel(Task != nullptr);
        if (Task) {
            memTaskCaption_->setPlainText(QString::fromStdString(Task->Caption));
            tbPriority_->setValue(-Task->Importance);
            cbHideInToDo_->setChecked(Task->HideInToDo);
            TaskNotesEditor_->clear();
            QStringList lines;
            for (int i = 0; i < Task->Note.Count(); ++i)
                lines << QString::fromStdString(Task->Note[i]);
            TaskNotesEditor_->setPlainText(lines.join(QLatin1Char('\n')));
            edEstimate_->setText(QString::fromStdString(FormatEstimate(Task->Estimate, QLocale().decimalPoint().at(0).toLatin1())));
            tbEffort_->setValue(-Task->Effort);
            tbSatisfaction_->setValue(-Task->Satisfaction);
            edTaskPlaces_->setText(QString::fromStdString(state_.DataBase->PlacesList->CaptionsText(Task->Places)));
            placesText_ = edTaskPlaces_->text();
            rgGoal_->SetItemIndex(Task->TheGoal);
            cbCompleteSubTasksInOrder_->setChecked(Task->CompleteSubTasksInOrder);
            edCreated_->setText(DateTimeText(Task->CreatedDateTime));
            edModified_->setText(DateTimeText(Task->ModifiedDateTime));
            edCompleted_->clear();
            if (Task->CompletionDateTime != 0)
                edCompleted_->setText(DateTimeText(Task->CompletionDateTime));
            edTaskID_->setText(QString::number(Task->TaskID));
            cbTaskTime_->setCurrentIndex(Task->ScheduleType);
            if (Task->DueDateTime != 0) {
                dtDueDate_->setDate(DateOf(Task->DueDateTime));
                dtDueTime_->setTime(TimeOf(Task->DueDateTime));
                ShowLeadTime(Task->LeadTime);
            } else {
                dtDueDate_->setDate(DayZero);
                dtDueTime_->setTime(QTime(0, 0));
                // Without a due date the lead time shows one day, whatever the task holds.
                ShowLeadTime(1.0);
            }
            cbIsProject_->setChecked(Task->IsProject);
            cbProjectStatus_->setCurrentIndex(Task->ProjectStatus);
            edPath_->setText(QString::fromStdString(Task->GetPath()));
            edRank_->setText(QString::fromStdString(Task->RankKey));
            edDueDateTime_->setText(Task->DueDateTime != 0 ? DateTimeText(Task->DueDateTime) : QString());
        } else {
            memTaskCaption_->clear();
            tbPriority_->setValue(-50);
            cbHideInToDo_->setChecked(false);
            TaskNotesEditor_->clear();
            edEstimate_->clear();
            tbEffort_->setValue(-50);
            tbSatisfaction_->setValue(-50);
            edTaskPlaces_->clear();
            placesText_.clear();
            rgGoal_->SetItemIndex(0);
            cbCompleteSubTasksInOrder_->setChecked(false);
            for (QLineEdit* edit : {edCreated_, edModified_, edCompleted_, edTaskID_})
                edit->clear();
            cbTaskTime_->setCurrentIndex(0);
            cbIsProject_->setChecked(false);
            cbProjectStatus_->setCurrentIndex(0);
            edPath_->clear();
            edRank_->clear();
            edDueDateTime_->clear();
        }
        UpdateImportanceHint();
    }
    UpdateTaskControls(-1);
    SetTaskDirty(false);
    host_.UpdateUndoRedoActions();
}

void TTaskPanel::FollowPlaceChanges()
{
    if (!state_.CurrentTask || PlacesBoxEdited())
        return;
    TUILock lock(uiLockCount_);
    edTaskPlaces_->setText(QString::fromStdString(state_.DataBase->PlacesList->CaptionsText(state_.CurrentTask->Places)));
    placesText_ = edTaskPlaces_->text();
}

void TTaskPanel::FollowTaskMove()
{
    if (!state_.CurrentTask)
        return;
    TUILock lock(uiLockCount_);
    edPath_->setText(QString::fromStdString(state_.CurrentTask->GetPath()));
    UpdateImportanceHint();
}

void TTaskPanel::ShowLeadTime(double Days)
{
    const TLeadTimeDisplay display = LeadTimeDisplay(Days);
    // A stored lead time beyond the designed range must not be cut by the next write-back.
    seLeadTime_->setMaximum(std::max(LeadTimeMaxValue, display.Value));
    seLeadTime_->setValue(display.Value);
    cbLeadTimeScale_->setCurrentIndex(display.Scale);
}

double TTaskPanel::LeadTimeFromControls() const
{
    return LeadTimeFromDisplay(seLeadTime_->value(), cbLeadTimeScale_->currentIndex());
}

void TTaskPanel::UpdateTaskControls(int Which)
{
    TUILock lock(uiLockCount_);
    if (Which == -1 || Which == 1) {
        if (cbTaskTime_->currentIndex() != 1) {
            pnlDueDateTime_->hide();
        } else if (state_.CurrentTask) {
            if (state_.CurrentTask->DueDateTime == 0) {
                dtDueDate_->setDate(DateOf(Date()));
                dtDueTime_->setTime(QTime(0, 0));
            } else {
                dtDueDate_->setDate(DateOf(state_.CurrentTask->DueDateTime));
                dtDueTime_->setTime(TimeOf(state_.CurrentTask->DueDateTime));
            }
            cbUseTime_->setChecked(DayFractionOf(dtDueTime_->time()) > 1e-13);
            lbDueTime_->setVisible(cbUseTime_->isChecked());
            dtDueTime_->setVisible(cbUseTime_->isChecked());
            pnlDueDateTime_->show();
        }
    }
    if (Which == -1 || Which == 2) {
        const bool project = cbIsProject_->isChecked();
        gbProject_->setEnabled(project);
        cbProjectStatus_->setEnabled(project);
        pbProjectComplete_->setVisible(project);
        const bool showViewHint = !host_.IsProjectsView();
        lbProjectView1_->setVisible(showViewHint);
        lbProjectView_->setVisible(showViewHint);
        lbProjectView2_->setVisible(showViewHint);
        QPalette palette = gbProject_->palette();
        palette.setColor(QPalette::WindowText,
                         QApplication::palette().color(project ? QPalette::Active : QPalette::Disabled, QPalette::WindowText));
        gbProject_->setPalette(palette);
        if (project)
            UpdateProgressDisplay();
        else
            lbProjectCompletePercent_->setText(QStringLiteral("0%"));
    }
}

void TTaskPanel::UpdateImportanceHint()
{
    if (!state_.CurrentTask) {
        gbPriority_->setToolTip(QStringLiteral("Shows how important this task for parent task"));
        return;
    }
    QString hint = QStringLiteral("Importance of \"") + memTaskCaption_->toPlainText() + QStringLiteral("\"");
    if (state_.CurrentTask->Parent && !state_.CurrentTask->Parent->Caption.empty())
        hint += QStringLiteral(" to accomplish ") + Quote(state_.CurrentTask->Parent->Caption);
    gbPriority_->setToolTip(hint);
}

void TTaskPanel::UpdateProgressDisplay()
{
    if (!state_.CurrentTask)
        return;
    const int position = static_cast<int>(std::trunc(state_.CurrentTask->ProgressPercent() + 0.0001));
    pbProjectComplete_->setValue(position);
    lbProjectCompletePercent_->setText(QString::number(position) + QStringLiteral("%"));
}

// ---- Writing a task back ----

void TTaskPanel::SetTaskDirty(bool Value)
{
    taskDirty_ = Value;
    if (Value)
        host_.SetModified(true);
}

void TTaskPanel::UpdateCurrentTask(bool ResolvePlacesTyped)
{
    if (!taskDirty_ || !state_.CurrentTask)
        return;
    // Typing in the places box is left as it is for a later write-back, not resolved now.
    const bool placesPending = !ResolvePlacesTyped && PlacesBoxEdited();
    TTaskNode* task = state_.CurrentTask;
    TUndoChangeTaskNode* step = host_.AddTaskChangeStep(task);
    try {
        task->Caption = memTaskCaption_->toPlainText().toStdString();
        task->Importance = -tbPriority_->value();
        task->SetHideInToDo(cbHideInToDo_->isChecked());
        task->Note.SetText(TaskNotesEditor_->toPlainText().toStdString());

        double estimate = 0;
        const std::string estimateText = edEstimate_->text().toStdString();
        if (!ParseEstimate(estimateText, estimate)) {
            const std::string message = "Invalid estimate format: \"" + estimateText + "\"";
            ShowWhenIdle(this, [this, message] { services_.ShowInformation(message); }, WhileOutlineStays(state_));
            estimate = 0;
        }
        task->Estimate = estimate;

        task->Effort = -tbEffort_->value();
        task->SetSatisfaction(-tbSatisfaction_->value());
        task->SetTheGoal(std::max(0, rgGoal_->ItemIndex()));
        task->SetCompleteSubTasksInOrder(cbCompleteSubTasksInOrder_->isChecked());
        if (!placesPending)
            ParseTaskPlaces();

        task->SetScheduleType(std::max(0, cbTaskTime_->currentIndex()));
        if (task->ScheduleType == 1) {
            task->SetDueDateTime(DaysOf(dtDueDate_->date()) + DayFractionOf(dtDueTime_->time()));
            task->SetLeadTime(LeadTimeFromControls());
        } else if (task->Parent) {
            // "Once": the task follows its parent.
            task->SetDueDateTime(task->Parent->DueDateTime);
            task->SetLeadTime(task->Parent->LeadTime);
        }
        task->SetIsProject(cbIsProject_->isChecked());
        task->SetProjectStatus(std::max(0, cbProjectStatus_->currentIndex()));

        // Completion follows the mark that the tree's check boxes set.
        if (task->CompletedMark && task->CompletionDateTime == 0)
            task->SetCompletionDateTime(Now());
        else if (!task->CompletedMark && task->CompletionDateTime != 0)
            task->SetCompletionDateTime(0);
        task->SetModifiedDateTime(Now());
    } catch (...) {
        // A write-back stopped half-way (Cancel at a new place): redoing the step must give the
        // task what it holds now, never blank values.
        step->StoreAfter(task);
        throw;
    }
    step->StoreAfter(task);
    if (placesPending) {
        taskDirty_ = true;
    } else {
        placesText_ = edTaskPlaces_->text();
        SetTaskDirty(false);
    }
    host_.RepaintTaskTrees();
    host_.UpdateUndoRedoActions();  // the step's caption names the task as it is now called
}

void TTaskPanel::ApplyTaskChange(bool Delay, bool Force)
{
    UpdateCurrentTask();
    host_.TaskChangeApplied(Delay, Force);
}

void TTaskPanel::SetCaptionText(const QString& Text)
{
    memTaskCaption_->setPlainText(Text);
}

std::string TTaskPanel::TaskPlacesText() const
{
    return edTaskPlaces_->text().toStdString();
}

bool TTaskPanel::PlacesBoxEdited() const
{
    return edTaskPlaces_->text() != placesText_;
}

void TTaskPanel::ParseTaskPlaces()
{
    // The box names places by caption, which may be anything; untouched, it changes nothing, and
    // the task keeps its places as they are.
    if (!state_.CurrentTask || !PlacesBoxEdited())
        return;
    const TPlacesParse parsed =
        ParseTaskPlacesText(edTaskPlaces_->text().toStdString(), *state_.DataBase->PlacesList, [](const std::string& field) {
            return ConfirmYesNoCancel(PlaceNotFoundQuestion(field));
        }, state_.CurrentTask->Places);
    if (parsed.Created)
        emit PlacesChanged();
    if (parsed.Cancelled)
        throw EAbort();
    state_.CurrentTask->Places = parsed.Places;
}

// ---- Change handlers ----

void TTaskPanel::TaskNodeChange()
{
    if (uiLockCount_ > 0)
        return;
    host_.UpdateUndoRedoActions();
    SetTaskDirty(true);
}

void TTaskPanel::TaskNodeChangeWithUpdate()
{
    if (uiLockCount_ > 0)
        return;
    TaskNodeChange();
    ApplyTaskChange(false, false);
}

void TTaskPanel::memTaskCaptionChange()
{
    if (uiLockCount_ > 0 || !state_.CurrentTask)
        return;
    {
        // The tree nodes follow the caption while it is typed.
        TUILock lock(uiLockCount_);
        host_.ShowCaptionInTrees(memTaskCaption_->toPlainText());
    }
    UpdateImportanceHint();
    TaskNodeChange();
}

void TTaskPanel::tbPriorityChange()
{
    if (uiLockCount_ > 0)
        return;
    {
        TUILock lock(uiLockCount_);
        cbHideInToDo_->setChecked(tbPriority_->value() == 0);
    }
    TaskNodeChangeWithUpdate();
}

void TTaskPanel::cbHideInToDoClick()
{
    if (uiLockCount_ > 0)
        return;
    {
        TUILock lock(uiLockCount_);
        if (!cbHideInToDo_->isChecked() && tbPriority_->value() == 0)
            tbPriority_->setValue(-50);
    }
    TaskNodeChangeWithUpdate();
}

void TTaskPanel::SetImportanceFromButton(int Position)
{
    if (uiLockCount_ > 0)
        return;
    tbPriority_->setValue(Position);  // a changed position writes back at once
    TaskNodeChange();
}

void TTaskPanel::sbUpPriorityClick()
{
    SetImportanceFromButton(-75);
}

void TTaskPanel::sbCenterPriorityClick()
{
    SetImportanceFromButton(-50);
}

void TTaskPanel::sbDownPriorityClick()
{
    SetImportanceFromButton(-25);
}

void TTaskPanel::cbTaskTimeChange()
{
    if (uiLockCount_ > 0)
        return;
    UpdateTaskControls(1);
    TaskNodeChangeWithUpdate();
}

void TTaskPanel::cbIsProjectClick()
{
    if (uiLockCount_ > 0)
        return;
    UpdateTaskControls(2);
    TaskNodeChangeWithUpdate();
}

void TTaskPanel::FocusNotes()
{
    if (TaskNotesEditor_)
        TaskNotesEditor_->setFocus();
}

void TTaskPanel::cbUseTimeClick()
{
    if (uiLockCount_ > 0)
        return;
    lbDueTime_->setVisible(cbUseTime_->isChecked());
    dtDueTime_->setVisible(cbUseTime_->isChecked());
    {
        TUILock lock(uiLockCount_);
        dtDueTime_->setTime(cbUseTime_->isChecked() ? TimeOf(Now()) : QTime(0, 0));
    }
    TaskNodeChangeWithUpdate();
}

void TTaskPanel::btnSelectPlacesClick()
{
    if (uiLockCount_ > 0 || !state_.CurrentTask)
        return;
    TSelectPlacesWnd* picker = CreateSelectPlacesWnd(edTaskPlaces_);
    host_.FillPlacesList(picker->lvPlaces());
    picker->PlaceBelow(btnSelectPlaces_);
    picker->show();
}

bool TTaskPanel::edTaskPlacesKeyDown(QObject* Watched, int Key, Qt::KeyboardModifiers Shift)
{
    if (Watched != edTaskPlaces_ || Key != Qt::Key_Down || Shift != Qt::AltModifier || !btnSelectPlaces_)
        return false;
    btnSelectPlaces_->click();
    return true;
}

void TTaskPanel::spbUPClick()
{
    host_.UpOneLevel();
}

void TTaskPanel::memTaskCaptionEnter()
{
    host_.UpdateUndoRedoActions();
}

void TTaskPanel::memTaskCaptionExit()
{
    host_.UpdateUndoRedoActions();
}

void TTaskPanel::lbGoalsViewClick()
{
    host_.OpenOutlineView(ViewGoals);
}

void TTaskPanel::lbProjectViewClick()
{
    host_.OpenOutlineView(ViewProjects);
}
