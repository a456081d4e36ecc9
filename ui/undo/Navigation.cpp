#include "ui/undo/Navigation.h"

#include "taskdb/TaskNode.h"

bool TNavigationManager::Add(TTaskNode* Task)
{
    if (busy_ > 0 || !Task || (CanGo(false) && items_[static_cast<size_t>(index_ - 1)] == Task))
        return false;
    if (index_ >= 0 && index_ < Count())
        items_.resize(static_cast<size_t>(index_));
    items_.push_back(Task);
    index_ = Count();
    UpdateButtons();
    return true;
}

void TNavigationManager::Clear()
{
    items_.clear();
    index_ = -1;
    UpdateButtons();
}

bool TNavigationManager::CanGo(bool Forward) const
{
    const int32_t target = Forward ? index_ + 1 : index_ - 1;
    return !items_.empty() && target >= 0 && target < Count();
}

void TNavigationManager::AppendCurrentTask()
{
    // From the newest position the task shown now is recorded, so Forward can come back to it.
    if (index_ == Count() && !items_.empty() && view_ && Add(view_->NavigationCurrentTask()))
        index_ = Count() - 1;
}

void TNavigationManager::GoBack()
{
    AppendCurrentTask();
    if (CanGo(false))
        Go(-1);
}

void TNavigationManager::GoForward()
{
    if (CanGo(true))
        Go(1);
}

void TNavigationManager::Go(int32_t Step)
{
    const int32_t previous = index_;
    BeginNavigation();
    try {
        index_ += Step;
        if (view_)
            view_->NavigateToTask(items_[static_cast<size_t>(index_)]);
    } catch (...) {
        // The task shown did not change (a refused write-back): the history stays where it was.
        index_ = previous;
        EndNavigation();
        UpdateButtons();
        throw;
    }
    EndNavigation();
    UpdateButtons();
}

void TNavigationManager::UpdateButtons()
{
    if (!view_)
        return;
    const bool back = CanGo(false);
    const bool forward = CanGo(true);
    view_->UpdateNavigationButtons(back, back ? "Back (" + items_[static_cast<size_t>(index_ - 1)]->Caption + ")" : "",
                                   forward, forward ? "Forward (" + items_[static_cast<size_t>(index_ + 1)]->Caption + ")" : "");
}
