#pragma once
// Undo and redo (of the document and of typing), and back and forward between visited tasks.
// The part owns the histories, their four commands and the Back and Forward buttons; what an
// undone step must show in the outline goes through the IUndoView it is given, and the rest of
// the window is asked through a narrow host.
#include <QObject>

#include <functional>
#include <memory>

#include "ui/undo/Navigation.h"
#include "ui/undo/UndoList.h"

class QAction;
class QToolButton;
class QWidget;
class TTaskNode;
struct TWindowState;

// What the undo part asks of the rest of the window.
struct TUndoHost {
    // The open in-place caption editor, if any.
    std::function<QWidget*()> InPlaceEditor;
    std::function<void()> EndInPlaceEditing;
    // Writes the task panel's pending edits back as a step of their own.
    std::function<void()> CommitTaskEdits;
    std::function<void(bool Value)> SetModified;
    std::function<void(bool Force)> ApplyTaskChange;
    // Makes Task current and selects it on the page shown.
    std::function<void(TTaskNode* Task)> NavigateToTask;
    // From the Places page the Outline page comes to the front; false when it did not.
    std::function<bool()> ShowTaskPage;
};

class TUndoNavigation : public QObject {
    Q_OBJECT
public:
    // Makes the four commands on Window; the buttons come with BuildNavigationButtons.
    TUndoNavigation(QWidget& Window, TWindowState& State, std::unique_ptr<IUndoView> View, TUndoHost Host);
    ~TUndoNavigation() override;

    // The Back and Forward buttons, on Parent.
    void BuildNavigationButtons(QWidget* Parent);
    void ClearUndoHistory();
    void UpdateUndoRedoActions();
    bool CheckTypingUndo();
    // The histories refer to tasks of the document: they go before it.
    void ReleaseHistories();

    IUndoView& UndoView() const { return *undoView_; }
    TUndoList* UndoList() const { return undoList_.get(); }
    TNavigationManager* Navigation() const { return navigation_.get(); }
    QAction* actUndo() const { return actUndo_; }
    QAction* actRedo() const { return actRedo_; }
    QAction* actBack() const { return actBack_; }
    QAction* actForward() const { return actForward_; }
    QToolButton* sbBack() const { return sbBack_; }
    QToolButton* sbForward() const { return sbForward_; }

private:
    class TNavigationView;
    void actUndoExecute();
    void actRedoExecute();
    void actBackExecute();
    void actForwardExecute();
    void RunUndoOrRedo(bool Redo);

    QWidget& window_;
    TWindowState& state_;
    TUndoHost host_;
    // The window's side of the histories; declared before them so that they go first.
    std::unique_ptr<IUndoView> undoView_;
    std::unique_ptr<INavigationView> navigationView_;
    std::unique_ptr<TUndoList> undoList_;
    std::unique_ptr<TNavigationManager> navigation_;
    QAction* actUndo_ = nullptr;
    QAction* actRedo_ = nullptr;
    QAction* actBack_ = nullptr;
    QAction* actForward_ = nullptr;
    QToolButton* sbBack_ = nullptr;
    QToolButton* sbForward_ = nullptr;
};
