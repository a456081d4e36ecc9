#pragma once
// The rows of the outline tree and the To-Do tree beyond their captions: their drawing, the
// due-date and notes spots a click opens, and moving tasks by drag-and-drop inside the outline
// tree, with the insert marker and automatic scrolling near the edges. The part owns the drag's
// state and its timer; the trees are the shell's, the rest of the window is asked through a
// narrow host.
#include <QObject>

#include <cstdint>
#include <functional>
#include <string>

#include "platform/DateTime.h"

class QPainter;
class QTimer;
class QTreeWidgetItem;
class QWidget;
class TTaskNode;
class TTreeViewCheckBoxes;

// What the drag part asks of the rest of the window.
struct TDragDropHost {
    // Tasks are dragged only while the outline shows all of them.
    std::function<bool()> IsAllTasksView;
    // Opens the current task's due date (Force: also when it has none).
    std::function<void(bool Force)> ShowDueDateEditor;
    std::function<void()> FocusTaskNotes;
    // Writes the task panel's pending edits back before a drop moves a task.
    std::function<void()> FlushTaskEdits;
    // Moves Task before the NewIndex-th child of NewParent (-1: last) as an undoable step.
    std::function<void(TTaskNode* Task, TTaskNode* NewParent, int32_t NewIndex)> MoveTaskUndoable;
};

class TTaskDragDrop : public QObject {
    Q_OBJECT
public:
    // Draws and hooks Tree (the outline) and ToDoTree; drags only in Tree. UILockCount and
    // DrawTime are the shell's, DrawLockCount the outline views': no drag starts while the UI is
    // locked, no overlay is drawn while drawing is locked, due texts count from DrawTime.
    TTaskDragDrop(QWidget& Window, TTreeViewCheckBoxes& Tree, TTreeViewCheckBoxes& ToDoTree,
                  const int32_t& UILockCount, const int32_t& DrawLockCount, const TDateTime& DrawTime,
                  TDragDropHost Host);

    bool Dragging() const { return dragging_; }
    QTreeWidgetItem* DropTarget() const { return dropTarget_; }
    bool ScrollUp() const { return scrollUp_; }
    QTimer* TimerTvAutoscroll() const { return timerTvAutoscroll_; }
    int32_t DrawLockCount() const { return drawLockCount_; }
    TDateTime DrawTime() const { return drawTime_; }

    std::string DueDateText(TDateTime Due) const;
    // The width of that text in the tree's font, which sizes the due badge.
    int DueTextWidth(TTreeViewCheckBoxes* Tree, TDateTime Due) const;
    void DrawDropMarker(QPainter* Painter, TTreeViewCheckBoxes* Tree, QTreeWidgetItem* Node) const;
    // X, Y in the tree's viewport.
    bool IsOverTaskColumn(TTreeViewCheckBoxes* Tree, int X, int Y, bool ForDueDate, int ColumnWidth,
                          int RightOffset) const;
    bool IsOverDueDate(TTreeViewCheckBoxes* Tree, int X, int Y) const;
    bool IsOverNoteIcon(TTreeViewCheckBoxes* Tree, int X, int Y) const;

    // The drag's steps, as the trees' mouse and key events run them.
    void tvTasksTreeStartDrag();
    void tvTasksTreeDragOver(int X, int Y, bool& Accept);
    void tvTasksTreeDragDrop(int X, int Y);
    void tvTasksTreeEndDrag();
    void TimerTvAutoscrollTimer();

private:
    // The mouse and key events of one tree that the window's tree handlers do not see.
    class TTreeDragHook;
    void ConnectTreeDrawing();

    TTreeViewCheckBoxes& tree_;
    TTreeViewCheckBoxes& toDoTree_;
    const int32_t& uiLockCount_;
    const int32_t& drawLockCount_;
    const TDateTime& drawTime_;
    TDragDropHost host_;
    bool dragging_ = false;
    QTreeWidgetItem* dropTarget_ = nullptr;
    bool scrollUp_ = false;
    QTimer* timerTvAutoscroll_ = nullptr;
};
