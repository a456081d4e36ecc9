#pragma once
// The outline tree in its views: "All tasks", "Goals" and "Projects", the view list and its Views
// button, and hiding completed tasks. The part owns the filter panel, the tree, the tree's fill
// from the document and the rows' sync with their tasks; the rest of the window is reached
// through a narrow host. The tree's keys, clicks and edits are TTreeEditing's.
#include <QObject>

#include <cstdint>
#include <functional>
#include <string>

class QCheckBox;
class QComboBox;
class QFrame;
class QLabel;
class QString;
class QToolButton;
class QTreeWidgetItem;
class TTaskNode;
class TTreeViewCheckBoxes;
struct TViewRow;
struct TWindowState;
class QWidget;

// What the outline's views ask of the rest of the window.
struct TOutlineViewsHost {
    // Writes the task panel's pending edits back before the rows change.
    std::function<void()> FlushTaskEdits;
    // Writes the place panel's pending edits back before the rows change.
    std::function<void()> FlushPlaceEdits;
    std::function<void()> UpdateTreeActions;
    // Shows the virtual root's banner text on the To-Do page (empty: hides it).
    std::function<void(const QString& Text)> ShowToDoBanner;
    // Rebuilds the To-Do list when its page is the one shown.
    std::function<void()> RebuildShownToDoList;
    // Whether goals and projects are switched on, and so have a view.
    std::function<bool()> GoalsShown;
    std::function<bool()> ProjectsShown;
    // Brings the Outline page to the front (KeepToDoPage: not from the To-Do page).
    std::function<void(bool KeepToDoPage)> ShowOutlinePage;
};

class TOutlineViews : public QObject {
    Q_OBJECT
public:
    // Makes the virtual-root banner, the filter panel and the tree on Page, the outline page of
    // Window; the caller places them.
    TOutlineViews(QWidget& Window, QWidget& Page, TWindowState& State, int32_t& UILockCount,
                  TOutlineViewsHost Host);

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

    // Fills the tree below Node (nullptr: all of it) from the document, in the current view.
    void FillTaskTree(QTreeWidgetItem* Node = nullptr, bool KeepSelection = false);
    void RefillTaskTree();
    // Shows a row's caption and check mark as its task has them.
    void SyncTreeNode(QTreeWidgetItem* Node);
    // Sets the check marks of Node and its rows below from their tasks.
    void RefreshCheckMarks(QTreeWidgetItem* Node);
    // Above zero while rows are put in or taken out: expanding them then is no user's.
    int32_t& TreeFillCount() { return treeFillCount_; }
    // Above zero while the trees' rows are drawn plain, without their spots: the parts that
    // change many rows at once share it.
    int32_t& DrawLockCount() { return drawLockCount_; }

    // The task whose children the outline shows at top level; the document's root when none
    // was chosen.
    TTaskNode* VirtualRoot() const { return virtualRoot_; }
    // Shows Task's subtree only (nullptr or the root: the whole outline), with its banner.
    void SetVirtualRoot(TTaskNode* Task);
    bool IsVirtualRootActive() const;
    // Points at the document's root again, leaving the banner and the rows to the caller.
    void LetGoOfVirtualRoot();

    TTreeViewCheckBoxes* tvTasksTree() const { return tvTasksTree_; }
    QFrame* pnlVirtualRoot() const { return pnlVirtualRoot_; }
    QLabel* lbVirtualRoot() const { return lbVirtualRoot_; }

    QFrame* pnlTaskTreeFilter() const { return pnlTaskTreeFilter_; }
    QToolButton* sbTaskTreeFilter() const { return sbTaskTreeFilter_; }
    QComboBox* cbToDoTreeViewOptions() const { return cbToDoTreeViewOptions_; }
    QCheckBox* chHideCompletedTasks() const { return chHideCompletedTasks_; }

private:
    void chHideCompletedTasksClick();
    void cbToDoTreeViewOptionsChange();
    void sbTaskTreeFilterClick();
    void DoFillTaskTree(QTreeWidgetItem* Node, bool KeepSelection);
    void FillGoalsView();
    void FillProjectsView();
    QTreeWidgetItem* AddRow(QTreeWidgetItem* Parent, const TViewRow& Row);

    TWindowState& state_;
    int32_t& uiLockCount_;
    int32_t drawLockCount_ = 0;
    int32_t treeFillCount_ = 0;
    TOutlineViewsHost host_;
    std::string currentViewName_;
    TTaskNode* virtualRoot_ = nullptr;
    QFrame* pnlVirtualRoot_ = nullptr;
    QLabel* lbVirtualRoot_ = nullptr;
    QFrame* pnlTaskTreeFilter_ = nullptr;
    QToolButton* sbTaskTreeFilter_ = nullptr;
    QComboBox* cbToDoTreeViewOptions_ = nullptr;
    QCheckBox* chHideCompletedTasks_ = nullptr;
    TTreeViewCheckBoxes* tvTasksTree_ = nullptr;
};
