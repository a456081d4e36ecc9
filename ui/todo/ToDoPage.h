#pragma once
// The To-Do page: the To-Do tree computed for the place and date of its filter panel
// (ToDoFilterPanel.h), rebuilt after changes while auto-update is on, the current task selected
// in it, and the tree's Copy and Select All commands. It owns its widgets and commands; the shell
// dresses the tree with the outline's row handlers, drawing and dragging.
#include <QObject>

#include <cstdint>
#include <functional>

class QAction;
class QFrame;
class QLabel;
class QMenu;
class QString;
class QTreeWidgetItem;
class QWidget;
class TTaskNode;
class TToDoFilterPanel;
class TTreeViewCheckBoxes;
struct TWindowState;

// What the To-Do page asks of the rest of the window.
struct TToDoHost {
    // Write the task panel's and the place panel's pending edits back.
    std::function<void()> UpdateCurrentTask;
    std::function<void()> UpdateCurrentPlace;
    // The task the list is computed below.
    std::function<TTaskNode*()> VirtualRoot;
    // The display switch that shows the page at all, and whether the page is the active one.
    std::function<bool()> IsToDoSheetShown;
    std::function<bool()> IsActivePage;
    // The rows' due state is drawn as of now.
    std::function<void()> RestartDrawTime;
    // Node became the selected row of the current task: its row follows the task, and the task
    // panel shows. Without a row (nullptr) the right side shows no task.
    std::function<void(QTreeWidgetItem* Node)> ShowSelectedTask;
    // Focuses the page control, unless the due-date calendar is open.
    std::function<void()> FocusMainPages;
    // A click on the virtual-root banner resets the virtual root.
    std::function<void()> ResetVirtualRoot;
};

class TToDoPage : public QObject {
    Q_OBJECT
public:
    // Builds the virtual-root banner and the tree on Page; the filter panel and the commands
    // come with BuildToDoPage. UILockCount is the window's lock.
    TToDoPage(QWidget& Window, QWidget& Page, TWindowState& State, int32_t& UILockCount, TToDoHost Host);

    void BuildToDoPage();
    void RebuildToDoList();
    // After an edit: the current task written back; the list rebuilt when the page shows and
    // Force is set or auto-update is on, waiting 100 ms first when Delay is set.
    void ApplyTaskChange(bool Delay, bool Force);
    // Selects the current task's row, or, without one, the rows of its subtasks.
    void SyncSelectionWithCurrentTask();
    // The page became the active one: the list rebuilt, the tree focused, the selection synced.
    void PageShown();
    // Shows or hides the places filter (before BuildToDoPage: nothing).
    void SetPlacesVisible(bool Visible);
    // The banner shows Text; an empty one hides it.
    void ShowVirtualRootBanner(const QString& Text);
    // A detached task and its subtasks leave the document's To-Do list and the tree.
    void RemoveSubtree(const TTaskNode* Task);

    TTreeViewCheckBoxes* tvToDo() const { return tvToDo_; }
    QLabel* lbVirtualRoot2() const { return lbVirtualRoot2_; }
    TToDoFilterPanel& ToDoFilter() const { return *toDoFilter_; }
    QAction* actCopyToDoToClipboard() const { return actCopyToDoToClipboard_; }
    QAction* actSelectAllInToDo() const { return actSelectAllInToDo_; }

private:
    void TodoFilterChange();
    void actCopyToDoToClipboardExecute();
    void actSelectAllInToDoExecute();

    QWidget& window_;
    QWidget& page_;
    TWindowState& state_;
    int32_t& uiLockCount_;
    TToDoHost host_;
    QFrame* pnlVirtualRoot2_ = nullptr;
    QLabel* lbVirtualRoot2_ = nullptr;
    TTreeViewCheckBoxes* tvToDo_ = nullptr;
    TToDoFilterPanel* toDoFilter_ = nullptr;
    QAction* actCopyToDoToClipboard_ = nullptr;
    QAction* actSelectAllInToDo_ = nullptr;
    QMenu* pmnuToDo_ = nullptr;
};
