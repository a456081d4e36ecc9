#include "ui/outline/TaskDropRules.h"

#include "taskdb/TaskNode.h"

bool IsInsertPosition(bool OnIndentOrButton, int Y, int Top, int Bottom)
{
    if (OnIndentOrButton)
        return true;
    return static_cast<double>(Y) < Bottom - (Bottom - Top) / 3.0 * 2.0;
}

bool CanDropOnTask(const TTaskNode* Dragged, const TTaskNode* Target)
{
    if (!Dragged || !Target)
        return false;
    return Target != Dragged && !Target->IsDescendantOf(Dragged);
}

TDropPlace DropPlaceFor(TTaskNode* Target, bool Insert)
{
    TDropPlace place;
    if (!Target)
        return place;
    if (Insert) {
        place.NewParent = Target->Parent;
        place.NewIndex = Target->IndexInParent();
    } else {
        place.NewParent = Target;
        place.NewIndex = -1;
    }
    return place;
}

int AutoScrollInterval(int Y, int Height, bool& ScrollUp)
{
    if (Y < 25) {
        ScrollUp = true;
        return Y < 10 ? 30 : 120;
    }
    const int d = Height - Y;
    if (d < 25) {
        ScrollUp = false;
        return d < 10 ? 30 : 120;
    }
    return 0;
}
