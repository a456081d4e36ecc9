#pragma once
// The task panel on the right-hand side: the current task's caption, its tabs (importance, goal,
// places, schedule, effort, project) and its notes, and the write-back of the whole panel into
// the task as one undoable step. The part owns its widgets; the rest of the window is asked
// through a narrow host.
#include <QObject>
#include <QString>

#include <cstdint>
#include <functional>
#include <string>

class IWindowServices;
class QBoxLayout;
class QCheckBox;
class QComboBox;
class QDateEdit;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QProgressBar;
class QSlider;
class QSpinBox;
class QTimeEdit;
class QToolButton;
class QTreeWidget;
class TPageControl;
class TRadioGroup;
class TTaskNode;
class TUndoChangeTaskNode;
struct TWindowState;

// What the task panel asks of the rest of the window.
struct TTaskPanelHost {
    // Writes the place panel's pending edits back before a task is shown.
    std::function<void()> CommitPlaceEdits;
    // Shows the task panel instead of the place panel, and the right-hand side at all.
    std::function<void()> ShowTaskProps;
    std::function<void(bool Visible)> ShowRightPanel;
    // The task left behind, for Back.
    std::function<void(TTaskNode* Task)> AddToNavigation;
    std::function<void()> UpdateUndoRedoActions;
    // Adds the undo step of a change to Task, which is given the task's new values once written.
    std::function<TUndoChangeTaskNode*(TTaskNode* Task)> AddTaskChangeStep;
    std::function<void(bool Value)> SetModified;
    std::function<void()> RepaintTaskTrees;
    // After a write-back: the To-Do page follows when shown and asked to.
    std::function<void(bool Delay, bool Force)> TaskChangeApplied;
    // The current task's nodes in both trees show Caption (called under the UI lock).
    std::function<void(const QString& Caption)> ShowCaptionInTrees;
    std::function<bool()> IsProjectsView;
    // Up One Level: the outline selects the parent of the selected task.
    std::function<void()> UpOneLevel;
    // Shows the outline page in the named view with its filter panel open.
    std::function<void(const std::string& View)> OpenOutlineView;
    // Fills a places list with every place, unchecked.
    std::function<void(QTreeWidget* List)> FillPlacesList;
    std::function<void(const std::string& URL)> OpenLink;
    // The Back and Forward buttons, made on Row and added to its layout.
    std::function<void(QWidget& Row, QBoxLayout& Layout)> AddNavigationButtons;
    // The tree of the page shown takes the focus back from the due-date picker.
    std::function<void()> FocusTree;
};

class TTaskPanel : public QObject {
    Q_OBJECT
public:
    // Makes the caption editor, the tab sheet and the notes area on PropsPanel (the task side
    // of the property panel); their contents come with BuildPropertyPanel.
    TTaskPanel(QWidget& Window, QWidget& PropsPanel, TWindowState& State, int32_t& UILockCount,
               IWindowServices& Services, TTaskPanelHost Host);

    void BuildPropertyPanel();

    // Shows Task in the panel (nullptr: none) after writing pending edits back.
    void SetCurrentTask(TTaskNode* Task);
    // Shows the current task again, also when it is the one shown.
    void ReloadCurrentTask();
    // Places were renamed, deleted or brought back: the places box shows the current task's
    // places as they are now, unless the user has typed in it since it was filled or written.
    void FollowPlaceChanges();
    // The current task moved to another parent: its path and the importance hint follow.
    void FollowTaskMove();
    // Writes the panel's pending edits to the current task as one undoable step. Without
    // ResolvePlacesTyped (a save the user did not ask for) the task keeps its places while the
    // places box holds typing, which stays pending.
    void UpdateCurrentTask(bool ResolvePlacesTyped = true);
    // False drops the pending edits.
    void SetTaskDirty(bool Value);
    bool IsTaskDirty() const { return taskDirty_; }
    // Writes back, then lets the To-Do page follow.
    void ApplyTaskChange(bool Delay, bool Force);
    // Opens the Time tab and the due-date picker; Force makes the task one with a due date.
    void ShowDueDateEditor(bool Force);
    bool IsDueDatePickerDropped() const { return dueDatePickerDropped_; }
    // The caption as confirmed in a tree's in-place editor; written back with the panel.
    void SetCaptionText(const QString& Text);
    // The places box as typed.
    std::string TaskPlacesText() const;
    // Alt+Down in the task's places box opens the place picker.
    bool edTaskPlacesKeyDown(QObject* Watched, int Key, Qt::KeyboardModifiers Shift);
    QPlainTextEdit* TaskNotesEditor() const { return TaskNotesEditor_; }
    void FocusNotes();

    // The display switches' parts of the panel.
    void SetTabSheetVisible(bool Visible);
    void SetImportanceVisible(bool Visible);
    void SetGoalsVisible(bool Visible);
    void SetTimeVisible(bool Visible);
    void SetPlacesVisible(bool Visible);
    void SetEffortVisible(bool Visible);
    void SetProjectVisible(bool Visible);

signals:
    // Places were made from names typed in the places box; the places lists follow.
    void PlacesChanged();

private:
    void UpdateTaskControls(int Which);  // -1 all, 1 the Time tab, 2 the Project tab
    void ShowLeadTime(double Days);
    double LeadTimeFromControls() const;
    void UpdateImportanceHint();
    void UpdateProgressDisplay();
    void ParseTaskPlaces();
    // The user typed in the places box since it was filled or written back.
    bool PlacesBoxEdited() const;
    void SetImportanceFromButton(int Position);
    void TaskNodeChange();
    void TaskNodeChangeWithUpdate();
    void memTaskCaptionChange();
    void tbPriorityChange();
    void sbUpPriorityClick();
    void sbCenterPriorityClick();
    void sbDownPriorityClick();
    void cbHideInToDoClick();
    void cbTaskTimeChange();
    void cbUseTimeClick();
    void cbIsProjectClick();
    void btnSelectPlacesClick();
    void spbUPClick();
    void memTaskCaptionEnter();
    void memTaskCaptionExit();
    void lbGoalsViewClick();
    void lbProjectViewClick();
    void dtDueDateCloseUp();

    QWidget& propsPanel_;
    TWindowState& state_;
    int32_t& uiLockCount_;
    IWindowServices& services_;
    TTaskPanelHost host_;
    bool taskDirty_ = false;
    bool forceReload_ = false;
    bool dueDatePickerDropped_ = false;
    // The places box's text as last filled or written back: other text is the user's typing.
    QString placesText_;

    QPlainTextEdit* memTaskCaption_ = nullptr;
    QWidget* pnlTaskPropTabSheet_ = nullptr;
    TPageControl* pcTaskProps_ = nullptr;
    QWidget* pnlTaskPropNotes_ = nullptr;
    QWidget* tshGeneral_ = nullptr;
    QWidget* tshTime_ = nullptr;
    QWidget* tshEffort_ = nullptr;
    QWidget* tshProject_ = nullptr;
    QGroupBox* gbPriority_ = nullptr;
    QSlider* tbPriority_ = nullptr;
    QToolButton* sbUpPriority_ = nullptr;
    QToolButton* sbCenterPriority_ = nullptr;
    QToolButton* sbDownPriority_ = nullptr;
    QCheckBox* cbHideInToDo_ = nullptr;
    QWidget* pnlGoals_ = nullptr;
    TRadioGroup* rgGoal_ = nullptr;
    QLabel* lbGoalsView_ = nullptr;
    QWidget* pnlPlaces_ = nullptr;
    QLineEdit* edTaskPlaces_ = nullptr;
    QToolButton* btnSelectPlaces_ = nullptr;
    QComboBox* cbTaskTime_ = nullptr;
    QWidget* pnlDueDateTime_ = nullptr;
    QDateEdit* dtDueDate_ = nullptr;
    QLabel* lbDueTime_ = nullptr;
    QTimeEdit* dtDueTime_ = nullptr;
    QCheckBox* cbUseTime_ = nullptr;
    QSpinBox* seLeadTime_ = nullptr;
    QComboBox* cbLeadTimeScale_ = nullptr;
    QLabel* lbEstimate_ = nullptr;
    QLineEdit* edEstimate_ = nullptr;
    QCheckBox* cbCompleteSubTasksInOrder_ = nullptr;
    QSlider* tbEffort_ = nullptr;
    QSlider* tbSatisfaction_ = nullptr;
    QCheckBox* cbIsProject_ = nullptr;
    QGroupBox* gbProject_ = nullptr;
    QComboBox* cbProjectStatus_ = nullptr;
    QProgressBar* pbProjectComplete_ = nullptr;
    QLabel* lbProjectCompletePercent_ = nullptr;
    QLabel* lbProjectView1_ = nullptr;
    QLabel* lbProjectView_ = nullptr;
    QLabel* lbProjectView2_ = nullptr;
    QLabel* lbProjectColor_ = nullptr;
    QWidget* pnlTmpStatistics_ = nullptr;
    QLineEdit* edCreated_ = nullptr;
    QLineEdit* edModified_ = nullptr;
    QLineEdit* edCompleted_ = nullptr;
    QLineEdit* edTaskID_ = nullptr;
    QWidget* Panel1_ = nullptr;
    QLineEdit* edRank_ = nullptr;
    QLineEdit* edDueDateTime_ = nullptr;
    QLineEdit* edPath_ = nullptr;
    QToolButton* spbUP_ = nullptr;
    QPlainTextEdit* TaskNotesEditor_ = nullptr;
};
