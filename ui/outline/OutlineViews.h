#pragma once
// The outline's views: "All tasks", "Goals" and "Projects", the view list and its Views button,
// and hiding completed tasks. The part owns the filter panel above the outline tree and the
// current view's name; the tree is the shell's, reached through a narrow host.
#include <QObject>

#include <cstdint>
#include <functional>
#include <string>

class QCheckBox;
class QComboBox;
class QFrame;
class QToolButton;
class QWidget;

// What the outline's views ask of the rest of the window.
struct TOutlineViewsHost {
    // Writes the task panel's pending edits back before the rows change.
    std::function<void()> FlushTaskEdits;
    // Writes the place panel's pending edits back before the rows change.
    std::function<void()> FlushPlaceEdits;
    std::function<void()> UpdateTreeActions;
    // Fills the outline tree afresh in the current view.
    std::function<void()> FillTaskTree;
    // Whether goals and projects are switched on, and so have a view.
    std::function<bool()> GoalsShown;
    std::function<bool()> ProjectsShown;
    // Brings the Outline page to the front (KeepToDoPage: not from the To-Do page).
    std::function<void(bool KeepToDoPage)> ShowOutlinePage;
};

class TOutlineViews : public QObject {
    Q_OBJECT
public:
    // Makes the filter panel on Page, the outline page; the caller places it.
    TOutlineViews(QWidget& Page, int32_t& UILockCount, TOutlineViewsHost Host);

    const std::string& CurrentViewName() const { return currentViewName_; }
    // Names the current view without refilling the tree.
    void SetCurrentViewName(const std::string& Name) { currentViewName_ = Name; }
    bool HideCompletedTasks() const;

    // Shows the view Name ("All tasks" when the list does not hold it).
    void SetTaskTreeView(const std::string& Name);
    // Back to "All tasks" on the Outline page; whether the view changed.
    bool ResetTaskTreeView(bool KeepToDoPage);
    // Lists the views switched on, keeping the current one where it still is.
    void FillTaskTreeViewCombo();
    void ShowTaskTreeFilterPanel(bool Open);
    // Opens or closes the view list, as a click on the Views button does.
    void ToggleTaskTreeFilterPanel();

    QFrame* pnlTaskTreeFilter() const { return pnlTaskTreeFilter_; }
    QToolButton* sbTaskTreeFilter() const { return sbTaskTreeFilter_; }
    QComboBox* cbToDoTreeViewOptions() const { return cbToDoTreeViewOptions_; }
    QCheckBox* chHideCompletedTasks() const { return chHideCompletedTasks_; }

private:
    void chHideCompletedTasksClick();
    void cbToDoTreeViewOptionsChange();
    void sbTaskTreeFilterClick();

    int32_t& uiLockCount_;
    TOutlineViewsHost host_;
    std::string currentViewName_;
    QFrame* pnlTaskTreeFilter_ = nullptr;
    QToolButton* sbTaskTreeFilter_ = nullptr;
    QComboBox* cbToDoTreeViewOptions_ = nullptr;
    QCheckBox* chHideCompletedTasks_ = nullptr;
};
