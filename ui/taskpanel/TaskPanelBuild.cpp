// The task panel's controls: the tabs of the current task, its caption and notes editors,
// the wiring of their change handlers, the display switches' parts and the due-date picker.
#include "ui/taskpanel/TaskPanel.h"

#include <QAction>
#include <QApplication>
#include <QCalendarWidget>
#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QSlider>
#include <QSpinBox>
#include <QStyle>
#include <QStyleOptionComboBox>
#include <QTimeEdit>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>

#include <utility>


#include "platform/StrUtils.h"
#include "taskdb/Services.h"
#include "taskdb/TaskPlace.h"
#include "taskdb/TovrinDataBase.h"
#include "ui/mainwindow/KeyFilters.h"
#include "ui/controls/MyRichEdit.h"
#include "ui/controls/PageControl.h"
#include "ui/taskpanel/TaskPanelRules.h"
#include "ui/controls/RadioGroup.h"
#include "ui/mainwindow/TovrinApplication.h"
#include "ui/outline/TreeViewRules.h"
#include "ui/mainwindow/UILock.h"
#include "ui/mainwindow/WindowState.h"
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

TTaskPanel::TTaskPanel(QWidget& Window, QWidget& PropsPanel, TWindowState& State, int32_t& UILockCount,
                       IWindowServices& Services, TTaskPanelHost Host)
    : QObject(&Window), propsPanel_(PropsPanel), state_(State), uiLockCount_(UILockCount), services_(Services),
      host_(std::move(Host))
{
    auto* taskLayout = new QVBoxLayout(&propsPanel_);
    taskLayout->setContentsMargins(0, 0, 0, 0);
    taskLayout->addWidget(new QLabel(QStringLiteral("Task:"), &propsPanel_));
    memTaskCaption_ = new QPlainTextEdit(&propsPanel_);
    memTaskCaption_->setObjectName(QStringLiteral("memTaskCaption"));
    memTaskCaption_->setFixedHeight(memTaskCaption_->fontMetrics().lineSpacing() * 3 + 12);
    taskLayout->addWidget(memTaskCaption_);
    connect(memTaskCaption_, &QPlainTextEdit::textChanged, this,
            [this] { RunGuarded([this] { memTaskCaptionChange(); }); });

    pnlTaskPropTabSheet_ = new QWidget(&propsPanel_);
    pnlTaskPropTabSheet_->setObjectName(QStringLiteral("pnlTaskPropTabSheet"));
    auto* tabsLayout = new QVBoxLayout(pnlTaskPropTabSheet_);
    tabsLayout->setContentsMargins(0, 0, 0, 0);
    pcTaskProps_ = new TPageControl(pnlTaskPropTabSheet_);
    pcTaskProps_->setObjectName(QStringLiteral("pcTaskProps"));
    for (const auto& [name, caption] :
         {std::pair{"tshGeneral", "General"}, std::pair{"tshTime", "Time"},
          std::pair{"tshEffort", "Effort/Satisfaction"}, std::pair{"tshProject", "Project"}}) {
        auto* page = new QWidget();
        page->setObjectName(QString::fromLatin1(name));
        pcTaskProps_->addTab(page, QString::fromLatin1(caption));
    }
    tabsLayout->addWidget(pcTaskProps_);
    taskLayout->addWidget(pnlTaskPropTabSheet_);
    pnlTaskPropNotes_ = new QWidget(&propsPanel_);
    new QVBoxLayout(pnlTaskPropNotes_);
    taskLayout->addWidget(pnlTaskPropNotes_, 1);
}

void TTaskPanel::BuildPropertyPanel()
{
    auto guarded = [this](void (TTaskPanel::*handler)()) {
        return [this, handler] { RunGuarded([this, handler] { (this->*handler)(); }); };
    };
    tshGeneral_ = pcTaskProps_->widget(0);
    tshTime_ = pcTaskProps_->widget(1);
    tshEffort_ = pcTaskProps_->widget(2);
    tshProject_ = pcTaskProps_->widget(3);
    pcTaskProps_->setTabText(1, QStringLiteral("Time"));
    pcTaskProps_->setTabText(2, QStringLiteral("Effo&rt/Satisfaction"));
    pcTaskProps_->setTabText(3, QStringLiteral("Pro&ject "));

    // General: importance, hide in To-Do, goal, places.
    auto* general = new QGridLayout(tshGeneral_);
    gbPriority_ = new QGroupBox(QStringLiteral("Importance for parent"), tshGeneral_);
    gbPriority_->setObjectName(QStringLiteral("gbPriority"));
    auto* priorityLayout = new QGridLayout(gbPriority_);
    tbPriority_ = MakeTrackBar(gbPriority_, "tbPriority");
    sbUpPriority_ = new QToolButton(gbPriority_);
    sbUpPriority_->setObjectName(QStringLiteral("sbUpPriority"));
    sbUpPriority_->setText(QStringLiteral("High"));
    sbCenterPriority_ = new QToolButton(gbPriority_);
    sbCenterPriority_->setObjectName(QStringLiteral("sbCenterPriority"));
    sbCenterPriority_->setText(QStringLiteral("Medium"));
    sbDownPriority_ = new QToolButton(gbPriority_);
    sbDownPriority_->setObjectName(QStringLiteral("sbDownPriority"));
    sbDownPriority_->setText(QStringLiteral("Low"));
    priorityLayout->addWidget(tbPriority_, 0, 0, 3, 1);
    priorityLayout->addWidget(sbUpPriority_, 0, 1);
    priorityLayout->addWidget(sbCenterPriority_, 1, 1);
    priorityLayout->addWidget(sbDownPriority_, 2, 1);
    general->addWidget(gbPriority_, 0, 0, 3, 1);
    cbHideInToDo_ = new QCheckBox(QStringLiteral("H&ide in ToDo"), tshGeneral_);
    cbHideInToDo_->setObjectName(QStringLiteral("cbHideInToDo"));
    general->addWidget(cbHideInToDo_, 3, 0);

    pnlGoals_ = new QWidget(tshGeneral_);
    pnlGoals_->setObjectName(QStringLiteral("pnlGoals"));
    auto* goalsLayout = new QVBoxLayout(pnlGoals_);
    goalsLayout->setContentsMargins(0, 0, 0, 0);
    rgGoal_ = new TRadioGroup(QStringLiteral(" This task is the goal for: "),
                             {QStringLiteral("&None"), QStringLiteral("&Week"), QStringLiteral("&Month"),
                              QStringLiteral("&Year")},
                             pnlGoals_);
    rgGoal_->setObjectName(QStringLiteral("rgGoal"));
    goalsLayout->addWidget(rgGoal_);
    lbGoalsView_ = MakeLink(pnlGoals_, "lbGoalsView", QStringLiteral("Goals view"));
    goalsLayout->addWidget(lbGoalsView_);
    general->addWidget(pnlGoals_, 0, 1, 3, 1);

    pnlPlaces_ = new QWidget(tshGeneral_);
    pnlPlaces_->setObjectName(QStringLiteral("pnlPlaces"));
    auto* placesLayout = new QHBoxLayout(pnlPlaces_);
    placesLayout->setContentsMargins(0, 0, 0, 0);
    auto* placesLabel = new QLabel(QStringLiteral("P&laces:"), pnlPlaces_);
    edTaskPlaces_ = new QLineEdit(pnlPlaces_);
    edTaskPlaces_->setObjectName(QStringLiteral("edTaskPlaces"));
    placesLabel->setBuddy(edTaskPlaces_);
    btnSelectPlaces_ = new QToolButton(pnlPlaces_);
    btnSelectPlaces_->setObjectName(QStringLiteral("btnSelectPlaces"));
    btnSelectPlaces_->setText(QStringLiteral("..."));
    btnSelectPlaces_->setToolTip(QStringLiteral("Select places (Alt-Down)"));
    placesLayout->addWidget(placesLabel);
    placesLayout->addWidget(edTaskPlaces_, 1);
    placesLayout->addWidget(btnSelectPlaces_);
    general->addWidget(pnlPlaces_, 4, 0, 1, 2);
    general->setRowStretch(5, 1);

    // Time: schedule type, due date and time, lead time, estimate, in-order completion.
    auto* time = new QGridLayout(tshTime_);
    auto* happensLabel = new QLabel(QStringLiteral("Happe&ns:"), tshTime_);
    cbTaskTime_ = new QComboBox(tshTime_);
    cbTaskTime_->setObjectName(QStringLiteral("cbTaskTime"));
    cbTaskTime_->addItems({QStringLiteral("Once"), QStringLiteral("By due date")});
    happensLabel->setBuddy(cbTaskTime_);
    time->addWidget(happensLabel, 0, 0);
    time->addWidget(cbTaskTime_, 0, 1);
    pnlDueDateTime_ = new QWidget(tshTime_);
    pnlDueDateTime_->setObjectName(QStringLiteral("pnlDueDateTime"));
    auto* due = new QGridLayout(pnlDueDateTime_);
    due->setContentsMargins(0, 0, 0, 0);
    dtDueDate_ = new QDateEdit(pnlDueDateTime_);
    dtDueDate_->setObjectName(QStringLiteral("dtDueDate"));
    dtDueDate_->setCalendarPopup(true);
    dtDueDate_->setMinimumDate(QDate(100, 1, 1));
    dtDueDate_->setDate(DayZero);
    lbDueTime_ = new QLabel(QStringLiteral("Time:"), pnlDueDateTime_);
    dtDueTime_ = new QTimeEdit(pnlDueDateTime_);
    dtDueTime_->setObjectName(QStringLiteral("dtDueTime"));
    dtDueTime_->setDisplayFormat(QStringLiteral("HH:mm"));
    cbUseTime_ = new QCheckBox(QStringLiteral("Use time"), pnlDueDateTime_);
    cbUseTime_->setObjectName(QStringLiteral("cbUseTime"));
    seLeadTime_ = new QSpinBox(pnlDueDateTime_);
    seLeadTime_->setObjectName(QStringLiteral("seLeadTime"));
    seLeadTime_->setRange(0, LeadTimeMaxValue);
    cbLeadTimeScale_ = new QComboBox(pnlDueDateTime_);
    cbLeadTimeScale_->setObjectName(QStringLiteral("cbLeadTimeScale"));
    cbLeadTimeScale_->addItems({QStringLiteral("hour(s)"), QStringLiteral("day(s)"), QStringLiteral("week(s)")});
    due->addWidget(new QLabel(QStringLiteral("Due date:"), pnlDueDateTime_), 0, 0);
    due->addWidget(dtDueDate_, 0, 1);
    due->addWidget(cbUseTime_, 0, 2);
    due->addWidget(lbDueTime_, 1, 0);
    due->addWidget(dtDueTime_, 1, 1);
    due->addWidget(new QLabel(QStringLiteral("Lead Time"), pnlDueDateTime_), 2, 0);
    due->addWidget(seLeadTime_, 2, 1);
    due->addWidget(cbLeadTimeScale_, 2, 2);
    time->addWidget(pnlDueDateTime_, 1, 0, 1, 3);
    lbEstimate_ = new QLabel(QStringLiteral("Estimate (hours)"), tshTime_);
    edEstimate_ = new QLineEdit(tshTime_);
    edEstimate_->setObjectName(QStringLiteral("edEstimate"));
    lbEstimate_->hide();
    edEstimate_->hide();
    time->addWidget(lbEstimate_, 2, 0);
    time->addWidget(edEstimate_, 2, 1);
    cbCompleteSubTasksInOrder_ = new QCheckBox(QStringLiteral("Co&mplete subtasks in order"), tshTime_);
    cbCompleteSubTasksInOrder_->setObjectName(QStringLiteral("cbCompleteSubTasksInOrder"));
    time->addWidget(cbCompleteSubTasksInOrder_, 3, 0, 1, 3);
    time->setRowStretch(4, 1);
    time->setColumnStretch(3, 1);

    // Effort and satisfaction.
    auto* effort = new QGridLayout(tshEffort_);
    tbEffort_ = MakeTrackBar(tshEffort_, "tbEffort");
    tbSatisfaction_ = MakeTrackBar(tshEffort_, "tbSatisfaction");
    effort->addWidget(new QLabel(QStringLiteral("Effort"), tshEffort_), 0, 0);
    effort->addWidget(new QLabel(QStringLiteral("Satisfaction"), tshEffort_), 0, 1);
    effort->addWidget(tbEffort_, 1, 0);
    effort->addWidget(tbSatisfaction_, 1, 1);
    effort->setColumnStretch(2, 1);

    // Project.
    auto* project = new QVBoxLayout(tshProject_);
    cbIsProject_ = new QCheckBox(QStringLiteral("This task is a project"), tshProject_);
    cbIsProject_->setObjectName(QStringLiteral("cbIsProject"));
    project->addWidget(cbIsProject_);
    gbProject_ = new QGroupBox(QStringLiteral("Project"), tshProject_);
    gbProject_->setObjectName(QStringLiteral("gbProject"));
    auto* projectLayout = new QGridLayout(gbProject_);
    auto* statusLabel = new QLabel(QStringLiteral("Stat&us:"), gbProject_);
    cbProjectStatus_ = new QComboBox(gbProject_);
    cbProjectStatus_->setObjectName(QStringLiteral("cbProjectStatus"));
    cbProjectStatus_->addItems({QStringLiteral("Not Started"), QStringLiteral("In Progress"), QStringLiteral("Suspended"),
                               QStringLiteral("Completed")});
    statusLabel->setBuddy(cbProjectStatus_);
    pbProjectComplete_ = new QProgressBar(gbProject_);
    pbProjectComplete_->setObjectName(QStringLiteral("pbProjectComplete"));
    pbProjectComplete_->setRange(0, 100);
    pbProjectComplete_->setTextVisible(false);
    lbProjectCompletePercent_ = new QLabel(QStringLiteral("0%"), gbProject_);
    lbProjectCompletePercent_->setObjectName(QStringLiteral("lbProjectCompletePercent"));
    projectLayout->addWidget(statusLabel, 0, 0);
    projectLayout->addWidget(cbProjectStatus_, 0, 1);
    projectLayout->addWidget(pbProjectComplete_, 1, 0, 1, 2);
    projectLayout->addWidget(lbProjectCompletePercent_, 1, 2);
    project->addWidget(gbProject_);
    auto* viewRow = new QHBoxLayout();
    lbProjectView1_ = new QLabel(QStringLiteral("Use "), tshProject_);
    lbProjectView_ = MakeLink(tshProject_, "lbProjectView", QStringLiteral("Projects view"));
    lbProjectView2_ = new QLabel(QStringLiteral("to observe all the projects "), tshProject_);
    viewRow->addWidget(lbProjectView1_);
    viewRow->addWidget(lbProjectView_);
    viewRow->addWidget(lbProjectView2_);
    viewRow->addStretch(1);
    project->addLayout(viewRow);
    // A sample of the colour in which the trees draw project captions.
    lbProjectColor_ = new QLabel(QStringLiteral("Projects are shown in this color in the task tree"), tshProject_);
    lbProjectColor_->setObjectName(QStringLiteral("lbProjectColor"));
    QPalette projectColor = lbProjectColor_->palette();
    projectColor.setColor(QPalette::WindowText, Qt::blue);
    lbProjectColor_->setPalette(projectColor);
    project->addWidget(lbProjectColor_);
    project->addStretch(1);

    // Notes below the tabs.
    auto* notes = new TMyRichEdit(pnlTaskPropNotes_);
    notes->setObjectName(QStringLiteral("TaskNotesEditor"));
    notes->SetAutoUrlDetect(true);
    notes->SetOnLinkClick([this](TMyRichEdit*, const std::string& url, uint8_t) { RunGuarded([&] { host_.OpenLink(url); }); });
    TaskNotesEditor_ = notes;
    pnlTaskPropNotes_->layout()->setContentsMargins(0, 0, 0, 0);
    pnlTaskPropNotes_->layout()->addWidget(TaskNotesEditor_);

    // Read-only fields: the statistics panel is hidden, the rank and due text never show.
    pnlTmpStatistics_ = new QWidget(&propsPanel_);
    auto* stats = new QHBoxLayout(pnlTmpStatistics_);
    stats->setContentsMargins(0, 0, 0, 0);
    edCreated_ = MakeReadOnly(pnlTmpStatistics_, "edCreated");
    edModified_ = MakeReadOnly(pnlTmpStatistics_, "edModified");
    edCompleted_ = MakeReadOnly(pnlTmpStatistics_, "edCompleted");
    edTaskID_ = MakeReadOnly(pnlTmpStatistics_, "edTaskID");
    for (QLineEdit* edit : {edCreated_, edModified_, edCompleted_, edTaskID_})
        stats->addWidget(edit);
    propsPanel_.layout()->addWidget(pnlTmpStatistics_);
    pnlTmpStatistics_->hide();
    Panel1_ = new QWidget(&propsPanel_);
    auto* hidden = new QHBoxLayout(Panel1_);
    edRank_ = MakeReadOnly(Panel1_, "edRank");
    edDueDateTime_ = MakeReadOnly(Panel1_, "edDueDateTime");
    hidden->addWidget(edRank_);
    hidden->addWidget(edDueDateTime_);
    Panel1_->hide();

    // The path row above the caption: Back, Forward, the path and Up One Level.
    auto* pathRow = new QWidget(&propsPanel_);
    auto* pathLayout = new QHBoxLayout(pathRow);
    pathLayout->setContentsMargins(0, 0, 0, 0);
    host_.AddNavigationButtons(*pathRow, *pathLayout);
    edPath_ = MakeReadOnly(pathRow, "edPath");
    spbUP_ = new QToolButton(pathRow);
    spbUP_->setObjectName(QStringLiteral("spbUP"));
    spbUP_->setArrowType(Qt::UpArrow);
    spbUP_->setToolTip(QStringLiteral("Up One Level"));
    pathLayout->addWidget(edPath_, 1);
    pathLayout->addWidget(spbUP_);
    static_cast<QVBoxLayout*>(propsPanel_.layout())->insertWidget(0, pathRow);

    // Change events. Programmatic fills run under the UI lock, which every handler honours.
    connect(tbPriority_, &QSlider::valueChanged, this, guarded(&TTaskPanel::tbPriorityChange));
    connect(sbUpPriority_, &QToolButton::clicked, this, guarded(&TTaskPanel::sbUpPriorityClick));
    connect(sbCenterPriority_, &QToolButton::clicked, this, guarded(&TTaskPanel::sbCenterPriorityClick));
    connect(sbDownPriority_, &QToolButton::clicked, this, guarded(&TTaskPanel::sbDownPriorityClick));
    connect(cbHideInToDo_, &QCheckBox::toggled, this, guarded(&TTaskPanel::cbHideInToDoClick));
    rgGoal_->SetOnClick(guarded(&TTaskPanel::TaskNodeChangeWithUpdate));
    connect(edTaskPlaces_, &QLineEdit::textChanged, this, guarded(&TTaskPanel::TaskNodeChange));
    connect(btnSelectPlaces_, &QToolButton::clicked, this, guarded(&TTaskPanel::btnSelectPlacesClick));
    connect(cbTaskTime_, &QComboBox::currentIndexChanged, this, guarded(&TTaskPanel::cbTaskTimeChange));
    connect(dtDueDate_, &QDateEdit::dateChanged, this, guarded(&TTaskPanel::TaskNodeChangeWithUpdate));
    connect(dtDueTime_, &QTimeEdit::timeChanged, this, guarded(&TTaskPanel::TaskNodeChangeWithUpdate));
    connect(cbUseTime_, &QCheckBox::toggled, this, guarded(&TTaskPanel::cbUseTimeClick));
    connect(seLeadTime_, &QSpinBox::valueChanged, this, guarded(&TTaskPanel::TaskNodeChangeWithUpdate));
    connect(cbLeadTimeScale_, &QComboBox::currentIndexChanged, this,
            guarded(&TTaskPanel::TaskNodeChangeWithUpdate));
    connect(edEstimate_, &QLineEdit::textChanged, this, guarded(&TTaskPanel::TaskNodeChange));
    connect(cbCompleteSubTasksInOrder_, &QCheckBox::toggled, this, guarded(&TTaskPanel::TaskNodeChange));
    connect(tbEffort_, &QSlider::valueChanged, this, guarded(&TTaskPanel::TaskNodeChangeWithUpdate));
    connect(tbSatisfaction_, &QSlider::valueChanged, this, guarded(&TTaskPanel::TaskNodeChangeWithUpdate));
    connect(cbIsProject_, &QCheckBox::toggled, this, guarded(&TTaskPanel::cbIsProjectClick));
    connect(cbProjectStatus_, &QComboBox::currentIndexChanged, this, guarded(&TTaskPanel::TaskNodeChange));
    connect(TaskNotesEditor_, &QPlainTextEdit::textChanged, this, guarded(&TTaskPanel::TaskNodeChange));
    connect(lbGoalsView_, &QLabel::linkActivated, this, guarded(&TTaskPanel::lbGoalsViewClick));
    connect(lbProjectView_, &QLabel::linkActivated, this, guarded(&TTaskPanel::lbProjectViewClick));
    connect(spbUP_, &QToolButton::clicked, this, guarded(&TTaskPanel::spbUPClick));
    // Enter and leave events of the editable controls.
    auto* focus =
        new TFocusFilter(this, guarded(&TTaskPanel::memTaskCaptionEnter), guarded(&TTaskPanel::memTaskCaptionExit));
    for (QWidget* editor : std::initializer_list<QWidget*>{memTaskCaption_, TaskNotesEditor_, edTaskPlaces_, edEstimate_})
        editor->installEventFilter(focus);
}

// ---- The due-date picker ----

void TTaskPanel::ShowDueDateEditor(bool Force)
{
    if (!state_.CurrentTask || !tshTime_ || !cbTaskTime_ || !dtDueDate_)
        return;
    const int timeTab = pcTaskProps_->indexOf(tshTime_);
    if (timeTab >= 0)
        pcTaskProps_->setTabVisible(timeTab, true);
    pcTaskProps_->SetActivePage(tshTime_);
    if (!Force && state_.CurrentTask->ScheduleType != 1)
        return;
    {
        TUILock lock(uiLockCount_);  // the handler below runs once, as the command's own step
        cbTaskTime_->setCurrentIndex(1);
    }
    cbTaskTimeChange();
    dtDueDate_->setFocus();
    dueDatePickerDropped_ = true;
    // calendarWidget() makes the calendar, so that its closing can be watched.
    if (QCalendarWidget* calendar = dtDueDate_->calendarWidget()) {
        QWidget* popup = calendar->window();
        if (!popup->property("tovrinCloseUpHooked").toBool()) {
            popup->setProperty("tovrinCloseUpHooked", true);
            class THideFilter : public QObject {
            public:
                explicit THideFilter(TTaskPanel* p, QObject* parent) : QObject(parent), panel_(p) {}
                bool eventFilter(QObject* watched, QEvent* event) override
                {
                    // Posted with the panel as context: a calendar hidden while the window goes
                    // calls nothing.
                    if (event->type() == QEvent::Hide)
                        QTimer::singleShot(0, panel_, [p = panel_] { RunGuarded([p] { p->dtDueDateCloseUp(); }); });
                    return QObject::eventFilter(watched, event);
                }

            private:
                TTaskPanel* panel_;
            };
            popup->installEventFilter(new THideFilter(this, popup));
        }
    }
    // The picker's calendar opens from its drop-down button (Qt's date edit has no key for it).
    QStyleOptionComboBox option;
    option.initFrom(dtDueDate_);
    option.editable = true;
    option.subControls = QStyle::SC_All;
    const QPoint arrow =
        dtDueDate_->style()->subControlRect(QStyle::CC_ComboBox, &option, QStyle::SC_ComboBoxArrow, dtDueDate_).center();
    for (QEvent::Type type : {QEvent::MouseButtonPress, QEvent::MouseButtonRelease}) {
        QMouseEvent click(type, QPointF(arrow), QPointF(dtDueDate_->mapToGlobal(arrow)), Qt::LeftButton,
                          type == QEvent::MouseButtonPress ? Qt::LeftButton : Qt::NoButton, Qt::NoModifier);
        QApplication::sendEvent(dtDueDate_, &click);
    }
}

void TTaskPanel::dtDueDateCloseUp()
{
    if (dueDatePickerDropped_)
        host_.FocusTree();
    dueDatePickerDropped_ = false;
}

// ---- The display switches' parts ----

namespace {

void SetTabVisible(TPageControl* pages, QWidget* page, bool visible)
{
    const int index = pages->indexOf(page);
    if (index >= 0)
        pages->setTabVisible(index, visible);
}

} // namespace

void TTaskPanel::SetTabSheetVisible(bool Visible)
{
    pnlTaskPropTabSheet_->setVisible(Visible);
}

void TTaskPanel::SetImportanceVisible(bool Visible)
{
    gbPriority_->setVisible(Visible);
}

void TTaskPanel::SetGoalsVisible(bool Visible)
{
    pnlGoals_->setVisible(Visible);
}

void TTaskPanel::SetTimeVisible(bool Visible)
{
    SetTabVisible(pcTaskProps_, tshTime_, Visible);
}

void TTaskPanel::SetPlacesVisible(bool Visible)
{
    pnlPlaces_->setVisible(Visible);
}

void TTaskPanel::SetEffortVisible(bool Visible)
{
    SetTabVisible(pcTaskProps_, tshEffort_, Visible);
}

void TTaskPanel::SetProjectVisible(bool Visible)
{
    SetTabVisible(pcTaskProps_, tshProject_, Visible);
}
