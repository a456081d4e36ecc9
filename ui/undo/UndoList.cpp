#include "ui/undo/UndoList.h"

#include "platform/DateTime.h"
#include "taskdb/TaskNode.h"
#include "taskdb/TaskPlace.h"

namespace {

std::string Quoted(const char* what, const std::string& caption)
{
    return std::string(what) + " \"" + caption + "\"";
}

} // namespace

// ---- TUndoChangeTaskNode ----

TUndoChangeTaskNode::TUndoChangeTaskNode(IUndoView& View, TTaskNode* ATask)
    : Task(ATask), Before(std::make_unique<TTaskNode>()), After(std::make_unique<TTaskNode>()), view_(View)
{
    Before->Assign(*Task);
}

TUndoChangeTaskNode::~TUndoChangeTaskNode() = default;

void TUndoChangeTaskNode::StoreAfter(TTaskNode* ATask)
{
    After->Assign(*ATask);
}

void TUndoChangeTaskNode::Undo()
{
    Task->Assign(*Before);
    view_.ShowChangedTask(Task);
}

void TUndoChangeTaskNode::Redo()
{
    Task->Assign(*After);
    view_.ShowChangedTask(Task);
}

std::string TUndoChangeTaskNode::GetUndoCaption() const
{
    return Quoted("Change task", Task->Caption);
}

// ---- TUndoDeleteTaskNode ----

TUndoDeleteTaskNode::TUndoDeleteTaskNode(IUndoView& View, TTaskNode* ATask)
    : Task(ATask), Parent(ATask->Parent), Index(ATask->IndexInParent()), view_(View)
{
    Task->MoveTo(nullptr, -1);
    Held.reset(Task);
    view_.TaskDetached(Task);
}

TUndoDeleteTaskNode::~TUndoDeleteTaskNode() = default;

void TUndoDeleteTaskNode::Undo()
{
    if (!Held)
        return;
    Held->MoveTo(Parent, Index);
    Held.release();  // the outline owns it again
    view_.ShowSubtree(Parent, Task);
}

void TUndoDeleteTaskNode::Redo()
{
    if (Held)
        return;
    view_.LeaveTask(Task);
    Task->MoveTo(nullptr, -1);
    Held.reset(Task);
    view_.TaskDetached(Task);
    view_.ShowSubtree(Parent, nullptr);
}

std::string TUndoDeleteTaskNode::GetUndoCaption() const
{
    return Quoted("Delete task", Task->Caption);
}

// ---- TUndoDragTaskNode ----

TUndoDragTaskNode::TUndoDragTaskNode(IUndoView& View, TTaskNode* ATask, TTaskNode* ANewParent, int32_t ANewIndex)
    : Task(ATask), OldParent(ATask->Parent), NewParent(ANewParent), OldIndex(ATask->IndexInParent()),
      NewIndex(ANewIndex), view_(View)
{
    // Moving back inserts before it unlinks, so within one parent a task moved up comes back
    // one position further. A task appended at the end (-1) was unlinked first and needs no
    // correction.
    if (NewParent == OldParent && NewIndex >= 0 && NewIndex < OldIndex)
        ++OldIndex;
    Redo();
}

void TUndoDragTaskNode::Redo()
{
    Task->MoveTo(NewParent, NewIndex);
    Task->SetModifiedDateTime(Now());
    ShowMove(NewParent, NewIndex);
}

void TUndoDragTaskNode::Undo()
{
    Task->MoveTo(OldParent, OldIndex);
    ShowMove(OldParent, OldIndex);
}

void TUndoDragTaskNode::ShowMove(TTaskNode* ParentTask, int32_t AIndex)
{
    view_.ShowMove(Task, ParentTask, AIndex);
}

std::string TUndoDragTaskNode::GetUndoCaption() const
{
    return Quoted("DragDrop task", Task->Caption);
}

// ---- TUndoDeletePlace ----

TUndoDeletePlace::TUndoDeletePlace(IUndoView& View, TTaskPlacesList& List, TTaskPlace* APlace)
    : Place(APlace), view_(View), list_(List)
{
    Redo();
}

TUndoDeletePlace::~TUndoDeletePlace() = default;

void TUndoDeletePlace::Redo()
{
    if (Held)
        return;
    Held = list_.Remove(Place->PlaceID, false);
    ShowPlaces();
}

void TUndoDeletePlace::Undo()
{
    if (!Held)
        return;
    list_.Insert(std::move(Held));
    Held.reset();
    ShowPlaces();
}

void TUndoDeletePlace::ShowPlaces()
{
    view_.ShowPlaces(Held ? nullptr : Place);
}

std::string TUndoDeletePlace::GetUndoCaption() const
{
    return Quoted("Delete place", Place->Caption);
}

// ---- TUndoList ----

TUndoAction* TUndoList::Add(std::unique_ptr<TUndoAction> Step)
{
    if (position_ >= 0)
        DeleteFrom(position_);
    steps_.push_back(std::move(Step));
    position_ = Count();
    if (view_)
        view_->UndoListChanged();
    return steps_.back().get();
}

bool TUndoList::CanUndo() const
{
    return !steps_.empty() && position_ - 1 >= 0 && position_ - 1 < Count();
}

bool TUndoList::CanRedo() const
{
    return !steps_.empty() && position_ >= 0 && position_ < Count();
}

TUndoAction* TUndoList::Undo()
{
    if (!CanUndo())
        return nullptr;
    TUndoAction* step = steps_[static_cast<size_t>(position_ - 1)].get();
    step->Undo();
    // Moved only once the step has run: a step that fails stays undoable.
    --position_;
    if (view_)
        view_->RepaintTaskTrees();
    return step;
}

TUndoAction* TUndoList::Redo()
{
    if (!CanRedo())
        return nullptr;
    TUndoAction* step = steps_[static_cast<size_t>(position_)].get();
    step->Redo();
    ++position_;
    if (view_)
        view_->RepaintTaskTrees();
    return step;
}

std::string TUndoList::GetUndoCaption() const
{
    return CanUndo() ? steps_[static_cast<size_t>(position_ - 1)]->GetUndoCaption() : std::string();
}

std::string TUndoList::GetRedoCaption() const
{
    return CanRedo() ? steps_[static_cast<size_t>(position_)]->GetRedoCaption() : std::string();
}

void TUndoList::Clear()
{
    DeleteFrom(0);
    position_ = -1;
}

void TUndoList::DeleteFrom(int32_t Index)
{
    while (Count() > Index)
        steps_.pop_back();  // the last first: a later step may hold what an earlier one refers to
}
