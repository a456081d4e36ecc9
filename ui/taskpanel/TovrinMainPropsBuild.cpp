// The task panel's controls: the tabs of the current task, its caption and notes editors,
// and the wiring of their change handlers.
#include "ui/mainwindow/TovrinMain.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QSlider>
#include <QSpinBox>
#include <QTimeEdit>
#include <QToolButton>
#include <QVBoxLayout>


#include "platform/StrUtils.h"
#include "taskdb/Services.h"
#include "taskdb/TaskPlace.h"
#include "taskdb/TovrinDataBase.h"
#include "ui/mainwindow/KeyFilters.h"
#include "ui/taskpanel/MyRichEdit.h"
#include "ui/controls/PageControl.h"
#include "ui/taskpanel/TaskPanelRules.h"
#include "ui/controls/RadioGroup.h"
#include "ui/mainwindow/TovrinApplication.h"
#include "ui/controls/TreeViewCheckBoxes.h"
#include "ui/outline/TreeViewRules.h"
#include "ui/mainwindow/WindowServices.h"

namespace {

const QDate DayZero(1899, 12, 30);

QSlider* MakeTrackBar(QWidget* parent, const char* name)
{
    auto* bar = new QSlider(Qt::Vertical, parent);
    bar->setObjectName(QString::fromLatin1(name));
    bar->setRange(-99, 0);
    // Position -99 (a rating of 99) at the top, and dragging or pressing Up moves toward it.
    bar->setInvertedAppearance(true);
    bar->setInvertedControls(true);
    bar->setValue(-50);
    bar->setTickPosition(QSlider::TicksRight);
    bar->setTickInterval(10);
    return bar;
}

QLabel* MakeLink(QWidget* parent, const char* name, const QString& text)
{
    auto* label = new QLabel(QStringLiteral("<a href=\"#\">") + text.toHtmlEscaped() + QStringLiteral("</a>"), parent);
    label->setObjectName(QString::fromLatin1(name));
    label->setTextInteractionFlags(Qt::LinksAccessibleByMouse);
    return label;
}

QLineEdit* MakeReadOnly(QWidget* parent, const char* name)
{
    auto* edit = new QLineEdit(parent);
    edit->setObjectName(QString::fromLatin1(name));
    edit->setReadOnly(true);
    return edit;
}

} // namespace

void TfrmTovrinMain::BuildPropertyPanel()
{
    auto guarded = [this](void (TfrmTovrinMain::*handler)()) {
        return [this, handler] { RunGuarded([this, handler] { (this->*handler)(); }); };
    };
    tshGeneral = pcTaskProps->widget(0);
    tshTime = pcTaskProps->widget(1);
    tshEffort = pcTaskProps->widget(2);
    tshProject = pcTaskProps->widget(3);
    pcTaskProps->setTabText(1, QStringLiteral("Time"));
    pcTaskProps->setTabText(2, QStringLiteral("Effo&rt/Satisfaction"));
    pcTaskProps->setTabText(3, QStringLiteral("Pro&ject "));

    // General: importance, hide in To-Do, goal, places.
    auto* general = new QGridLayout(tshGeneral);
    gbPriority = new QGroupBox(QStringLiteral("Importance for parent"), tshGeneral);
    gbPriority->setObjectName(QStringLiteral("gbPriority"));
    auto* priorityLayout = new QGridLayout(gbPriority);
    tbPriority = MakeTrackBar(gbPriority, "tbPriority");
    sbUpPriority = new QToolButton(gbPriority);
    sbUpPriority->setText(QStringLiteral("High"));
    sbCenterPriority = new QToolButton(gbPriority);
    sbCenterPriority->setText(QStringLiteral("Medium"));
    sbDownPriority = new QToolButton(gbPriority);
    sbDownPriority->setText(QStringLiteral("Low"));
    priorityLayout->addWidget(tbPriority, 0, 0, 3, 1);
    priorityLayout->addWidget(sbUpPriority, 0, 1);
    priorityLayout->addWidget(sbCenterPriority, 1, 1);
    priorityLayout->addWidget(sbDownPriority, 2, 1);
    general->addWidget(gbPriority, 0, 0, 3, 1);
    cbHideInToDo = new QCheckBox(QStringLiteral("H&ide in ToDo"), tshGeneral);
    cbHideInToDo->setObjectName(QStringLiteral("cbHideInToDo"));
    general->addWidget(cbHideInToDo, 3, 0);

    pnlGoals = new QWidget(tshGeneral);
    auto* goalsLayout = new QVBoxLayout(pnlGoals);
    goalsLayout->setContentsMargins(0, 0, 0, 0);
    rgGoal = new TRadioGroup(QStringLiteral(" This task is the goal for: "),
                             {QStringLiteral("&None"), QStringLiteral("&Week"), QStringLiteral("&Month"),
                              QStringLiteral("&Year")},
                             pnlGoals);
    rgGoal->setObjectName(QStringLiteral("rgGoal"));
    goalsLayout->addWidget(rgGoal);
    lbGoalsView = MakeLink(pnlGoals, "lbGoalsView", QStringLiteral("Goals view"));
    goalsLayout->addWidget(lbGoalsView);
    general->addWidget(pnlGoals, 0, 1, 3, 1);

    pnlPlaces = new QWidget(tshGeneral);
    auto* placesLayout = new QHBoxLayout(pnlPlaces);
    placesLayout->setContentsMargins(0, 0, 0, 0);
    auto* placesLabel = new QLabel(QStringLiteral("P&laces:"), pnlPlaces);
    edTaskPlaces = new QLineEdit(pnlPlaces);
    edTaskPlaces->setObjectName(QStringLiteral("edTaskPlaces"));
    placesLabel->setBuddy(edTaskPlaces);
    btnSelectPlaces = new QToolButton(pnlPlaces);
    btnSelectPlaces->setObjectName(QStringLiteral("btnSelectPlaces"));
    btnSelectPlaces->setText(QStringLiteral("..."));
    btnSelectPlaces->setToolTip(QStringLiteral("Select places (Alt-Down)"));
    placesLayout->addWidget(placesLabel);
    placesLayout->addWidget(edTaskPlaces, 1);
    placesLayout->addWidget(btnSelectPlaces);
    general->addWidget(pnlPlaces, 4, 0, 1, 2);
    general->setRowStretch(5, 1);

    // Time: schedule type, due date and time, lead time, estimate, in-order completion.
    auto* time = new QGridLayout(tshTime);
    auto* happensLabel = new QLabel(QStringLiteral("Happe&ns:"), tshTime);
    cbTaskTime = new QComboBox(tshTime);
    cbTaskTime->setObjectName(QStringLiteral("cbTaskTime"));
    cbTaskTime->addItems({QStringLiteral("Once"), QStringLiteral("By due date")});
    happensLabel->setBuddy(cbTaskTime);
    time->addWidget(happensLabel, 0, 0);
    time->addWidget(cbTaskTime, 0, 1);
    pnlDueDateTime = new QWidget(tshTime);
    auto* due = new QGridLayout(pnlDueDateTime);
    due->setContentsMargins(0, 0, 0, 0);
    dtDueDate = new QDateEdit(pnlDueDateTime);
    dtDueDate->setObjectName(QStringLiteral("dtDueDate"));
    dtDueDate->setCalendarPopup(true);
    dtDueDate->setMinimumDate(QDate(100, 1, 1));
    dtDueDate->setDate(DayZero);
    lbDueTime = new QLabel(QStringLiteral("Time:"), pnlDueDateTime);
    dtDueTime = new QTimeEdit(pnlDueDateTime);
    dtDueTime->setObjectName(QStringLiteral("dtDueTime"));
    dtDueTime->setDisplayFormat(QStringLiteral("HH:mm"));
    cbUseTime = new QCheckBox(QStringLiteral("Use time"), pnlDueDateTime);
    cbUseTime->setObjectName(QStringLiteral("cbUseTime"));
    seLeadTime = new QSpinBox(pnlDueDateTime);
    seLeadTime->setObjectName(QStringLiteral("seLeadTime"));
    seLeadTime->setRange(0, LeadTimeMaxValue);
    cbLeadTimeScale = new QComboBox(pnlDueDateTime);
    cbLeadTimeScale->setObjectName(QStringLiteral("cbLeadTimeScale"));
    cbLeadTimeScale->addItems({QStringLiteral("hour(s)"), QStringLiteral("day(s)"), QStringLiteral("week(s)")});
    due->addWidget(new QLabel(QStringLiteral("Due date:"), pnlDueDateTime), 0, 0);
    due->addWidget(dtDueDate, 0, 1);
    due->addWidget(cbUseTime, 0, 2);
    due->addWidget(lbDueTime, 1, 0);
    due->addWidget(dtDueTime, 1, 1);
    due->addWidget(new QLabel(QStringLiteral("Lead Time"), pnlDueDateTime), 2, 0);
    due->addWidget(seLeadTime, 2, 1);
    due->addWidget(cbLeadTimeScale, 2, 2);
    time->addWidget(pnlDueDateTime, 1, 0, 1, 3);
    lbEstimate = new QLabel(QStringLiteral("Estimate (hours)"), tshTime);
    edEstimate = new QLineEdit(tshTime);
    edEstimate->setObjectName(QStringLiteral("edEstimate"));
    lbEstimate->hide();
    edEstimate->hide();
    time->addWidget(lbEstimate, 2, 0);
    time->addWidget(edEstimate, 2, 1);
    cbCompleteSubTasksInOrder = new QCheckBox(QStringLiteral("Co&mplete subtasks in order"), tshTime);
    cbCompleteSubTasksInOrder->setObjectName(QStringLiteral("cbCompleteSubTasksInOrder"));
    time->addWidget(cbCompleteSubTasksInOrder, 3, 0, 1, 3);
    time->setRowStretch(4, 1);
    time->setColumnStretch(3, 1);

    // Effort and satisfaction.
    auto* effort = new QGridLayout(tshEffort);
    tbEffort = MakeTrackBar(tshEffort, "tbEffort");
    tbSatisfaction = MakeTrackBar(tshEffort, "tbSatisfaction");
    effort->addWidget(new QLabel(QStringLiteral("Effort"), tshEffort), 0, 0);
    effort->addWidget(new QLabel(QStringLiteral("Satisfaction"), tshEffort), 0, 1);
    effort->addWidget(tbEffort, 1, 0);
    effort->addWidget(tbSatisfaction, 1, 1);
    effort->setColumnStretch(2, 1);

    // Project.
    auto* project = new QVBoxLayout(tshProject);
    cbIsProject = new QCheckBox(QStringLiteral("This task is a project"), tshProject);
    cbIsProject->setObjectName(QStringLiteral("cbIsProject"));
    project->addWidget(cbIsProject);
    gbProject = new QGroupBox(QStringLiteral("Project"), tshProject);
    gbProject->setObjectName(QStringLiteral("gbProject"));
    auto* projectLayout = new QGridLayout(gbProject);
    auto* statusLabel = new QLabel(QStringLiteral("Stat&us:"), gbProject);
    cbProjectStatus = new QComboBox(gbProject);
    cbProjectStatus->setObjectName(QStringLiteral("cbProjectStatus"));
    cbProjectStatus->addItems({QStringLiteral("Not Started"), QStringLiteral("In Progress"), QStringLiteral("Suspended"),
                               QStringLiteral("Completed")});
    statusLabel->setBuddy(cbProjectStatus);
    pbProjectComplete = new QProgressBar(gbProject);
    pbProjectComplete->setObjectName(QStringLiteral("pbProjectComplete"));
    pbProjectComplete->setRange(0, 100);
    pbProjectComplete->setTextVisible(false);
    lbProjectCompletePercent = new QLabel(QStringLiteral("0%"), gbProject);
    projectLayout->addWidget(statusLabel, 0, 0);
    projectLayout->addWidget(cbProjectStatus, 0, 1);
    projectLayout->addWidget(pbProjectComplete, 1, 0, 1, 2);
    projectLayout->addWidget(lbProjectCompletePercent, 1, 2);
    project->addWidget(gbProject);
    auto* viewRow = new QHBoxLayout();
    lbProjectView1 = new QLabel(QStringLiteral("Use "), tshProject);
    lbProjectView = MakeLink(tshProject, "lbProjectView", QStringLiteral("Projects view"));
    lbProjectView2 = new QLabel(QStringLiteral("to observe all the projects "), tshProject);
    viewRow->addWidget(lbProjectView1);
    viewRow->addWidget(lbProjectView);
    viewRow->addWidget(lbProjectView2);
    viewRow->addStretch(1);
    project->addLayout(viewRow);
    // A sample of the colour in which the trees draw project captions.
    lbProjectColor = new QLabel(QStringLiteral("Projects are shown in this color in the task tree"), tshProject);
    lbProjectColor->setObjectName(QStringLiteral("lbProjectColor"));
    QPalette projectColor = lbProjectColor->palette();
    projectColor.setColor(QPalette::WindowText, Qt::blue);
    lbProjectColor->setPalette(projectColor);
    project->addWidget(lbProjectColor);
    project->addStretch(1);

    // Notes below the tabs.
    auto* notes = new TMyRichEdit(pnlTaskPropNotes);
    notes->setObjectName(QStringLiteral("TaskNotesEditor"));
    notes->SetAutoUrlDetect(true);
    notes->OnLinkClick = [this](TMyRichEdit*, const std::string& url, uint8_t) { RunGuarded([&] { OpenLink(url); }); };
    TaskNotesEditor = notes;
    pnlTaskPropNotes->layout()->setContentsMargins(0, 0, 0, 0);
    pnlTaskPropNotes->layout()->addWidget(TaskNotesEditor);

    // Read-only fields: the statistics panel is hidden, the rank and due text never show.
    pnlTmpStatistics = new QWidget(pnlTaskProps);
    auto* stats = new QHBoxLayout(pnlTmpStatistics);
    stats->setContentsMargins(0, 0, 0, 0);
    edCreated = MakeReadOnly(pnlTmpStatistics, "edCreated");
    edModified = MakeReadOnly(pnlTmpStatistics, "edModified");
    edCompleted = MakeReadOnly(pnlTmpStatistics, "edCompleted");
    edTaskID = MakeReadOnly(pnlTmpStatistics, "edTaskID");
    for (QLineEdit* edit : {edCreated, edModified, edCompleted, edTaskID})
        stats->addWidget(edit);
    pnlTaskProps->layout()->addWidget(pnlTmpStatistics);
    pnlTmpStatistics->hide();
    Panel1 = new QWidget(pnlTaskProps);
    auto* hidden = new QHBoxLayout(Panel1);
    edRank = MakeReadOnly(Panel1, "edRank");
    edDueDateTime = MakeReadOnly(Panel1, "edDueDateTime");
    hidden->addWidget(edRank);
    hidden->addWidget(edDueDateTime);
    Panel1->hide();

    // The path row above the caption: Back, Forward, the path and Up One Level.
    auto* pathRow = new QWidget(pnlTaskProps);
    auto* pathLayout = new QHBoxLayout(pathRow);
    pathLayout->setContentsMargins(0, 0, 0, 0);
    undo_->BuildNavigationButtons(pathRow);
    edPath = MakeReadOnly(pathRow, "edPath");
    spbUP = new QToolButton(pathRow);
    spbUP->setObjectName(QStringLiteral("spbUP"));
    spbUP->setArrowType(Qt::UpArrow);
    spbUP->setToolTip(QStringLiteral("Up One Level"));
    pathLayout->addWidget(undo_->sbBack());
    pathLayout->addWidget(undo_->sbForward());
    pathLayout->addWidget(edPath, 1);
    pathLayout->addWidget(spbUP);
    static_cast<QVBoxLayout*>(pnlTaskProps->layout())->insertWidget(0, pathRow);

    // Change events. Programmatic fills run under the UI lock, which every handler honours.
    connect(tbPriority, &QSlider::valueChanged, this, guarded(&TfrmTovrinMain::tbPriorityChange));
    connect(sbUpPriority, &QToolButton::clicked, this, guarded(&TfrmTovrinMain::sbUpPriorityClick));
    connect(sbCenterPriority, &QToolButton::clicked, this, guarded(&TfrmTovrinMain::sbCenterPriorityClick));
    connect(sbDownPriority, &QToolButton::clicked, this, guarded(&TfrmTovrinMain::sbDownPriorityClick));
    connect(cbHideInToDo, &QCheckBox::toggled, this, guarded(&TfrmTovrinMain::cbHideInToDoClick));
    rgGoal->OnClick = guarded(&TfrmTovrinMain::TaskNodeChangeWithUpdate);
    connect(edTaskPlaces, &QLineEdit::textChanged, this, guarded(&TfrmTovrinMain::TaskNodeChange));
    connect(btnSelectPlaces, &QToolButton::clicked, this, guarded(&TfrmTovrinMain::btnSelectPlacesClick));
    connect(cbTaskTime, &QComboBox::currentIndexChanged, this, guarded(&TfrmTovrinMain::cbTaskTimeChange));
    connect(dtDueDate, &QDateEdit::dateChanged, this, guarded(&TfrmTovrinMain::TaskNodeChangeWithUpdate));
    connect(dtDueTime, &QTimeEdit::timeChanged, this, guarded(&TfrmTovrinMain::TaskNodeChangeWithUpdate));
    connect(cbUseTime, &QCheckBox::toggled, this, guarded(&TfrmTovrinMain::cbUseTimeClick));
    connect(seLeadTime, &QSpinBox::valueChanged, this, guarded(&TfrmTovrinMain::TaskNodeChangeWithUpdate));
    connect(cbLeadTimeScale, &QComboBox::currentIndexChanged, this,
            guarded(&TfrmTovrinMain::TaskNodeChangeWithUpdate));
    connect(edEstimate, &QLineEdit::textChanged, this, guarded(&TfrmTovrinMain::TaskNodeChange));
    connect(cbCompleteSubTasksInOrder, &QCheckBox::toggled, this, guarded(&TfrmTovrinMain::TaskNodeChange));
    connect(tbEffort, &QSlider::valueChanged, this, guarded(&TfrmTovrinMain::TaskNodeChangeWithUpdate));
    connect(tbSatisfaction, &QSlider::valueChanged, this, guarded(&TfrmTovrinMain::TaskNodeChangeWithUpdate));
    connect(cbIsProject, &QCheckBox::toggled, this, guarded(&TfrmTovrinMain::cbIsProjectClick));
    connect(cbProjectStatus, &QComboBox::currentIndexChanged, this, guarded(&TfrmTovrinMain::TaskNodeChange));
    connect(TaskNotesEditor, &QPlainTextEdit::textChanged, this, guarded(&TfrmTovrinMain::TaskNodeChange));
    connect(lbGoalsView, &QLabel::linkActivated, this, guarded(&TfrmTovrinMain::lbGoalsViewClick));
    connect(lbProjectView, &QLabel::linkActivated, this, guarded(&TfrmTovrinMain::lbProjectViewClick));
    connect(spbUP, &QToolButton::clicked, this, guarded(&TfrmTovrinMain::spbUPClick));
    // Enter and leave events of the editable controls. The editors lose the focus also while the
    // window is being destroyed; by then it is no main window any more, and nothing is refreshed.
    QObject* self = this;
    const auto whileWhole = [self](void (TfrmTovrinMain::*handler)()) {
        return [self, handler] {
            if (auto* window = qobject_cast<TfrmTovrinMain*>(self))
                RunGuarded([window, handler] { (window->*handler)(); });
        };
    };
    auto* focus = new TFocusFilter(this, whileWhole(&TfrmTovrinMain::memTaskCaptionEnter),
                                   whileWhole(&TfrmTovrinMain::memTaskCaptionExit));
    for (QWidget* editor : std::initializer_list<QWidget*>{memTaskCaption, TaskNotesEditor, edTaskPlaces, edEstimate})
        editor->installEventFilter(focus);
}
