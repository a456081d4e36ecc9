// The task panel on the right-hand side: showing the current task in its controls, noticing
// edits, and writing the whole panel back into the task as one undoable step.
#include "ui/mainwindow/TovrinMain.h"

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
#include <QMenu>
#include <QMenuBar>
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
#include "ui/taskpanel/MyRichEdit.h"
#include "ui/controls/PageControl.h"
#include "ui/controls/RadioGroup.h"
#include "ui/taskpanel/TaskPanelRules.h"
#include "ui/mainwindow/TovrinApplication.h"
#include "ui/controls/TreeViewCheckBoxes.h"
#include "ui/outline/TreeViewRules.h"
#include "ui/mainwindow/WindowServices.h"
#include "ui/places/frmSelectPlaces.h"
#include "ui/places/PlacePanel.h"
#include "ui/todo/ToDoPage.h"

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

void TfrmTovrinMain::ShowPropertyPanel(int Kind)
{
    QWidget* wanted = Kind == ppPlace ? pnlPlaceProps : pnlTaskProps;
    QWidget* other = Kind == ppPlace ? pnlTaskProps : pnlPlaceProps;
    if (!wanted->isHidden())
        return;
    other->hide();
    wanted->show();
}

// ---- Showing a task ----

// Shows the current task again, also when it is the one shown.
void TfrmTovrinMain::ReloadCurrentTask()
{
    struct TResetForceReload {
        bool& flag;
        ~TResetForceReload() { flag = false; }
    } reset{ForceReload};
    ForceReload = true;
    SetCurrentTask(CurrentTask);
}

void TfrmTovrinMain::SetCurrentTask(TTaskNode* Task)
{
    if (Task && Task == CurrentTask && !ForceReload)
        return;
    UpdateCurrentTask();
    places_->UpdateCurrentPlace();
    ShowPropertyPanel(ppTask);
    if (Undo().Navigation())
        Undo().Navigation()->Add(CurrentTask);
    CurrentTask = Task;
    {
        TUILock lock(UILockCount);
        pnlRight->setVisible(Task != nullptr);
        if (Task) {
            memTaskCaption->setPlainText(QString::fromStdString(Task->Caption));
            tbPriority->setValue(-Task->Importance);
            cbHideInToDo->setChecked(Task->HideInToDo);
            TaskNotesEditor->clear();
            QStringList lines;
            for (int i = 0; i < Task->Note.Count(); ++i)
                lines << QString::fromStdString(Task->Note[i]);
            TaskNotesEditor->setPlainText(lines.join(QLatin1Char('\n')));
            edEstimate->setText(QString::fromStdString(FormatEstimate(Task->Estimate, QLocale().decimalPoint().at(0).toLatin1())));
            tbEffort->setValue(-Task->Effort);
            tbSatisfaction->setValue(-Task->Satisfaction);
            edTaskPlaces->setText(QString::fromStdString(DataBase->PlacesList->CaptionsText(Task->Places)));
            rgGoal->SetItemIndex(Task->TheGoal);
            cbCompleteSubTasksInOrder->setChecked(Task->CompleteSubTasksInOrder);
            edCreated->setText(DateTimeText(Task->CreatedDateTime));
            edModified->setText(DateTimeText(Task->ModifiedDateTime));
            edCompleted->clear();
            if (Task->CompletionDateTime != 0)
                edCompleted->setText(DateTimeText(Task->CompletionDateTime));
            edTaskID->setText(QString::number(Task->TaskID));
            cbTaskTime->setCurrentIndex(Task->ScheduleType);
            if (Task->DueDateTime != 0) {
                dtDueDate->setDate(DateOf(Task->DueDateTime));
                dtDueTime->setTime(TimeOf(Task->DueDateTime));
                ShowLeadTime(Task->LeadTime);
            } else {
                dtDueDate->setDate(DayZero);
                dtDueTime->setTime(QTime(0, 0));
                // Without a due date the lead time shows one day, whatever the task holds.
                ShowLeadTime(1.0);
            }
            cbIsProject->setChecked(Task->IsProject);
            cbProjectStatus->setCurrentIndex(Task->ProjectStatus);
            edPath->setText(QString::fromStdString(Task->GetPath()));
            edRank->setText(QString::fromStdString(Task->RankKey));
            edDueDateTime->setText(Task->DueDateTime != 0 ? DateTimeText(Task->DueDateTime) : QString());
        } else {
            memTaskCaption->clear();
            tbPriority->setValue(-50);
            cbHideInToDo->setChecked(false);
            TaskNotesEditor->clear();
            edEstimate->clear();
            tbEffort->setValue(-50);
            tbSatisfaction->setValue(-50);
            edTaskPlaces->clear();
            rgGoal->SetItemIndex(0);
            cbCompleteSubTasksInOrder->setChecked(false);
            for (QLineEdit* edit : {edCreated, edModified, edCompleted, edTaskID})
                edit->clear();
            cbTaskTime->setCurrentIndex(0);
            cbIsProject->setChecked(false);
            cbProjectStatus->setCurrentIndex(0);
            edPath->clear();
            edRank->clear();
            edDueDateTime->clear();
        }
        UpdateImportanceHint();
    }
    UpdateTaskControls(-1);
    SetTaskDirty(false);
    Undo().UpdateUndoRedoActions();
}

void TfrmTovrinMain::ShowLeadTime(double Days)
{
    const TLeadTimeDisplay display = LeadTimeDisplay(Days);
    // A stored lead time beyond the designed range must not be cut by the next write-back.
    seLeadTime->setMaximum(std::max(LeadTimeMaxValue, display.Value));
    seLeadTime->setValue(display.Value);
    cbLeadTimeScale->setCurrentIndex(display.Scale);
}

double TfrmTovrinMain::LeadTimeFromControls() const
{
    return LeadTimeFromDisplay(seLeadTime->value(), cbLeadTimeScale->currentIndex());
}

void TfrmTovrinMain::UpdateTaskControls(int Which)
{
    TUILock lock(UILockCount);
    if (Which == -1 || Which == 1) {
        if (cbTaskTime->currentIndex() != 1) {
            pnlDueDateTime->hide();
        } else if (CurrentTask) {
            if (CurrentTask->DueDateTime == 0) {
                dtDueDate->setDate(DateOf(Date()));
                dtDueTime->setTime(QTime(0, 0));
            } else {
                dtDueDate->setDate(DateOf(CurrentTask->DueDateTime));
                dtDueTime->setTime(TimeOf(CurrentTask->DueDateTime));
            }
            cbUseTime->setChecked(DayFractionOf(dtDueTime->time()) > 1e-13);
            lbDueTime->setVisible(cbUseTime->isChecked());
            dtDueTime->setVisible(cbUseTime->isChecked());
            pnlDueDateTime->show();
        }
    }
    if (Which == -1 || Which == 2) {
        const bool project = cbIsProject->isChecked();
        gbProject->setEnabled(project);
        cbProjectStatus->setEnabled(project);
        pbProjectComplete->setVisible(project);
        const bool showViewHint = CurrentViewName != ViewProjects;
        lbProjectView1->setVisible(showViewHint);
        lbProjectView->setVisible(showViewHint);
        lbProjectView2->setVisible(showViewHint);
        QPalette palette = gbProject->palette();
        palette.setColor(QPalette::WindowText,
                         QApplication::palette().color(project ? QPalette::Active : QPalette::Disabled, QPalette::WindowText));
        gbProject->setPalette(palette);
        if (project)
            UpdateProgressDisplay();
        else
            lbProjectCompletePercent->setText(QStringLiteral("0%"));
    }
}

void TfrmTovrinMain::UpdateImportanceHint()
{
    if (!CurrentTask) {
        gbPriority->setToolTip(QStringLiteral("Shows how important this task for parent task"));
        return;
    }
    QString hint = QStringLiteral("Importance of \"") + memTaskCaption->toPlainText() + QStringLiteral("\"");
    if (CurrentTask->Parent && !CurrentTask->Parent->Caption.empty())
        hint += QStringLiteral(" to accomplish ") + Quote(CurrentTask->Parent->Caption);
    gbPriority->setToolTip(hint);
}

void TfrmTovrinMain::UpdateProgressDisplay()
{
    if (!CurrentTask)
        return;
    const int position = static_cast<int>(std::trunc(CurrentTask->ProgressPercent() + 0.0001));
    pbProjectComplete->setValue(position);
    lbProjectCompletePercent->setText(QString::number(position) + QStringLiteral("%"));
}

// ---- Writing a task back ----

void TfrmTovrinMain::SetTaskDirty(bool Value)
{
    TaskDirty = Value;
    if (Value)
        SetModified(true);
}

void TfrmTovrinMain::UpdateCurrentTask()
{
    if (!TaskDirty || !CurrentTask)
        return;
    TTaskNode* task = CurrentTask;
    auto* step = static_cast<TUndoChangeTaskNode*>(Undo().UndoList()->Add(std::make_unique<TUndoChangeTaskNode>(Undo().UndoView(), task)));
    try {
        task->Caption = memTaskCaption->toPlainText().toStdString();
        task->Importance = -tbPriority->value();
        task->SetHideInToDo(cbHideInToDo->isChecked());
        task->Note.SetText(TaskNotesEditor->toPlainText().toStdString());

        double estimate = 0;
        const std::string estimateText = edEstimate->text().toStdString();
        if (!ParseEstimate(estimateText, estimate)) {
            Services().ShowInformation("Invalid estimate format: \"" + estimateText + "\"");
            estimate = 0;
        }
        task->Estimate = estimate;

        task->Effort = -tbEffort->value();
        task->SetSatisfaction(-tbSatisfaction->value());
        task->SetTheGoal(std::max(0, rgGoal->ItemIndex()));
        task->SetCompleteSubTasksInOrder(cbCompleteSubTasksInOrder->isChecked());
        ParseTaskPlaces();

        task->SetScheduleType(std::max(0, cbTaskTime->currentIndex()));
        if (task->ScheduleType == 1) {
            task->SetDueDateTime(DaysOf(dtDueDate->date()) + DayFractionOf(dtDueTime->time()));
            task->SetLeadTime(LeadTimeFromControls());
        } else if (task->Parent) {
            // "Once": the task follows its parent.
            task->SetDueDateTime(task->Parent->DueDateTime);
            task->SetLeadTime(task->Parent->LeadTime);
        }
        task->SetIsProject(cbIsProject->isChecked());
        task->SetProjectStatus(std::max(0, cbProjectStatus->currentIndex()));

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
    SetTaskDirty(false);
    RepaintTaskTrees();
    Undo().UpdateUndoRedoActions();  // the step's caption names the task as it is now called
}

void TfrmTovrinMain::ParseTaskPlaces()
{
    if (!CurrentTask)
        return;
    const TPlacesParse parsed =
        ParseTaskPlacesText(edTaskPlaces->text().toStdString(), *DataBase->PlacesList, [](const std::string& field) {
            return ConfirmYesNoCancel(PlaceNotFoundQuestion(field));
        });
    if (parsed.Created)
        PlacesListsStale = true;
    if (parsed.Cancelled)
        throw EAbort();
    CurrentTask->Places = parsed.Places;
}

// ---- Change handlers ----

void TfrmTovrinMain::TaskNodeChange()
{
    if (UILockCount > 0)
        return;
    Undo().UpdateUndoRedoActions();
    SetTaskDirty(true);
}

void TfrmTovrinMain::TaskNodeChangeWithUpdate()
{
    if (UILockCount > 0)
        return;
    TaskNodeChange();
    ApplyTaskChange(false, false);
}

void TfrmTovrinMain::memTaskCaptionChange()
{
    if (UILockCount > 0 || !CurrentTask)
        return;
    {
        // The tree nodes follow the caption while it is typed.
        TUILock lock(UILockCount);
        const QString text = memTaskCaption->toPlainText();
        if (QTreeWidgetItem* node = FindTaskNode(tvTasksTree, CurrentTask))
            node->setText(0, text);
        if (QTreeWidgetItem* node = FindTaskNode(toDo_->tvToDo(), CurrentTask))
            node->setText(0, text);
    }
    UpdateImportanceHint();
    TaskNodeChange();
}

void TfrmTovrinMain::tbPriorityChange()
{
    if (UILockCount > 0)
        return;
    {
        TUILock lock(UILockCount);
        cbHideInToDo->setChecked(tbPriority->value() == 0);
    }
    TaskNodeChangeWithUpdate();
}

void TfrmTovrinMain::cbHideInToDoClick()
{
    if (UILockCount > 0)
        return;
    {
        TUILock lock(UILockCount);
        if (!cbHideInToDo->isChecked() && tbPriority->value() == 0)
            tbPriority->setValue(-50);
    }
    TaskNodeChangeWithUpdate();
}

void TfrmTovrinMain::SetImportanceFromButton(int Position)
{
    if (UILockCount > 0)
        return;
    tbPriority->setValue(Position);  // a changed position writes back at once
    TaskNodeChange();
}

void TfrmTovrinMain::sbUpPriorityClick()
{
    SetImportanceFromButton(-75);
}

void TfrmTovrinMain::sbCenterPriorityClick()
{
    SetImportanceFromButton(-50);
}

void TfrmTovrinMain::sbDownPriorityClick()
{
    SetImportanceFromButton(-25);
}

void TfrmTovrinMain::cbTaskTimeChange()
{
    if (UILockCount > 0)
        return;
    UpdateTaskControls(1);
    TaskNodeChangeWithUpdate();
}

void TfrmTovrinMain::cbIsProjectClick()
{
    if (UILockCount > 0)
        return;
    UpdateTaskControls(2);
    TaskNodeChangeWithUpdate();
}

void TfrmTovrinMain::cbUseTimeClick()
{
    if (UILockCount > 0)
        return;
    lbDueTime->setVisible(cbUseTime->isChecked());
    dtDueTime->setVisible(cbUseTime->isChecked());
    {
        TUILock lock(UILockCount);
        dtDueTime->setTime(cbUseTime->isChecked() ? TimeOf(Now()) : QTime(0, 0));
    }
    TaskNodeChangeWithUpdate();
}

void TfrmTovrinMain::btnSelectPlacesClick()
{
    if (UILockCount > 0 || !CurrentTask)
        return;
    TSelectPlacesWnd* picker = CreateSelectPlacesWnd(edTaskPlaces);
    places_->FillPlacesListView(picker->lvPlaces, nullptr);
    picker->PlaceBelow(btnSelectPlaces);
    picker->show();
}

void TfrmTovrinMain::spbUPClick()
{
    EndInPlaceEditing();
    if (pcMainPages->ActivePage() != tshOutline) {
        pcMainPages->SetActivePage(tshOutline);
        if (pcMainPages->ActivePage() != tshOutline)
            return;  // the page change was refused
    }
    if (QTreeWidgetItem* selected = SelectedNode(tvTasksTree); selected && selected->parent())
        tvTasksTree->setCurrentItem(selected->parent());
}

void TfrmTovrinMain::memTaskCaptionEnter()
{
    Undo().UpdateUndoRedoActions();
}

void TfrmTovrinMain::memTaskCaptionExit()
{
    Undo().UpdateUndoRedoActions();
}

void TfrmTovrinMain::lbGoalsViewClick()
{
    pcMainPages->SetActivePage(tshOutline);
    SetTaskTreeView(ViewGoals);
    ShowTaskTreeFilterPanel(true);
}

void TfrmTovrinMain::lbProjectViewClick()
{
    pcMainPages->SetActivePage(tshOutline);
    SetTaskTreeView(ViewProjects);
    ShowTaskTreeFilterPanel(true);
}
