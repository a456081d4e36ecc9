#pragma once
// The document's undo history: property write-backs, task deletions, drags and place deletions.
// The steps change the model themselves; what the window must show afterwards goes through
// IUndoView, so the history works (and is tested) without a display.
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

class TTaskNode;
class TTaskPlace;
class TTaskPlacesList;

// The window's side of undo. Every call comes after the model has changed.
class IUndoView {
public:
    virtual ~IUndoView() = default;
    // The history changed: refresh the Undo and Redo commands.
    virtual void UndoListChanged() = 0;
    virtual void RepaintTaskTrees() = 0;
    // A task took other values: select it again in the trees so the panel shows them.
    virtual void ShowChangedTask(TTaskNode* Task) = 0;
    // Task is about to be detached again: move the outline's selection off it.
    virtual void LeaveTask(TTaskNode* Task) = 0;
    // A task came back under Parent (Task set) or left it (Task nullptr): show the outline
    // with Parent's subtree as it is now and select Task.
    virtual void ShowSubtree(TTaskNode* Parent, TTaskNode* Task) = 0;
    // Task and its subtree left the outline: nothing may keep referring to them.
    virtual void TaskDetached(TTaskNode* Task) = 0;
    // Task now stands at Index under Parent: show the move in the outline.
    virtual void ShowMove(TTaskNode* Task, TTaskNode* Parent, int32_t Index) = 0;
    // The places list changed: show the Places page with Place selected (nullptr: none).
    virtual void ShowPlaces(TTaskPlace* Place) = 0;
};

class TUndoAction {
public:
    virtual ~TUndoAction() = default;
    virtual void Undo() = 0;
    virtual void Redo() = 0;
    // Captions name the task or place as it is called now.
    virtual std::string GetUndoCaption() const = 0;
    virtual std::string GetRedoCaption() const { return GetUndoCaption(); }
};

// A property write-back: copies of the task before and after it.
class TUndoChangeTaskNode : public TUndoAction {
public:
    TUndoChangeTaskNode(IUndoView& View, TTaskNode* Task);
    ~TUndoChangeTaskNode() override;
    void StoreAfter(TTaskNode* Task);
    void Undo() override;
    void Redo() override;
    std::string GetUndoCaption() const override;

    TTaskNode* Task;
    std::unique_ptr<TTaskNode> Before;
    std::unique_ptr<TTaskNode> After;

private:
    IUndoView& view_;
};

// The deletion of a task with its subtree. Creating it detaches the task; while the deletion
// stands the step owns the subtree, so freeing the step makes the deletion final.
class TUndoDeleteTaskNode : public TUndoAction {
public:
    TUndoDeleteTaskNode(IUndoView& View, TTaskNode* ATask);
    ~TUndoDeleteTaskNode() override;
    void Undo() override;
    void Redo() override;
    std::string GetUndoCaption() const override;

    TTaskNode* Task;
    std::unique_ptr<TTaskNode> Held;
    TTaskNode* Parent = nullptr;
    int32_t Index = -1;

private:
    IUndoView& view_;
};

// A drag-and-drop move. Creating it performs the move.
class TUndoDragTaskNode : public TUndoAction {
public:
    // NewIndex counts among NewParent's children (-1: last child).
    TUndoDragTaskNode(IUndoView& View, TTaskNode* ATask, TTaskNode* ANewParent, int32_t ANewIndex);
    void Undo() override;
    void Redo() override;
    std::string GetUndoCaption() const override;
    void ShowMove(TTaskNode* ParentTask, int32_t AIndex);

    TTaskNode* Task;
    TTaskNode* OldParent;
    TTaskNode* NewParent;
    int32_t OldIndex;
    int32_t NewIndex;

private:
    IUndoView& view_;
};

// The deletion of a place. Creating it removes the place from the list; while the deletion
// stands the step owns the place.
class TUndoDeletePlace : public TUndoAction {
public:
    TUndoDeletePlace(IUndoView& View, TTaskPlacesList& List, TTaskPlace* APlace);
    ~TUndoDeletePlace() override;
    void Undo() override;
    void Redo() override;
    std::string GetUndoCaption() const override;
    void ShowPlaces();

    TTaskPlace* Place;
    std::unique_ptr<TTaskPlace> Held;

private:
    IUndoView& view_;
    TTaskPlacesList& list_;
};

// The history. Steps below Position are done, the steps from Position on were undone. No limit
// on the number of steps.
class TUndoList {
public:
    explicit TUndoList(IUndoView* View = nullptr) : view_(View) {}
    ~TUndoList() { Clear(); }
    TUndoList(const TUndoList&) = delete;
    TUndoList& operator=(const TUndoList&) = delete;

    // Takes the step; the steps that could have been redone are dropped.
    TUndoAction* Add(std::unique_ptr<TUndoAction> Step);
    bool CanUndo() const;
    bool CanRedo() const;
    // Each returns the step it performed, nullptr when there was none.
    TUndoAction* Undo();
    TUndoAction* Redo();
    std::string GetUndoCaption() const;
    std::string GetRedoCaption() const;
    // Frees every step, the last first.
    void Clear();

    int32_t Position() const { return position_; }
    int32_t Count() const { return static_cast<int32_t>(steps_.size()); }
    TUndoAction* Items(int32_t Index) const { return steps_.at(static_cast<size_t>(Index)).get(); }

private:
    void DeleteFrom(int32_t Index);

    IUndoView* view_;
    std::vector<std::unique_ptr<TUndoAction>> steps_;
    int32_t position_ = -1;
};
