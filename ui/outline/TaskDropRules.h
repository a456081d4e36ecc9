#pragma once
// Where a task dragged in the outline tree may go and where it lands, and how fast the tree
// scrolls while the pointer is held near an edge. Positions are counted in the outline itself:
// with completed tasks hidden the shown rows are not the task's siblings one to one.
#include <cstdint>

class TTaskNode;

// A drop means "insert before the row" when the point is on the row's indent or expand
// button, or in the upper third of the row (Top to Bottom, text rectangle); otherwise the
// task goes into the row's task as its last child.
bool IsInsertPosition(bool OnIndentOrButton, int Y, int Top, int Bottom);

// A task may be dropped on any row except its own and the rows of its subtree.
bool CanDropOnTask(const TTaskNode* Dragged, const TTaskNode* Target);

// Where the dragged task goes for a drop on Target: its new parent and the index there among
// the parent's children (-1 = last). TopParent is the task whose children the tree shows at
// top level (the virtual root or the document's root).
struct TDropPlace {
    TTaskNode* NewParent = nullptr;
    int32_t NewIndex = -1;
};
TDropPlace DropPlaceFor(TTaskNode* Target, bool Insert);

// Auto-scroll while dragging: the timer interval in ms for a pointer at Y in a tree of the
// given height, 0 when no scrolling; ScrollUp tells the direction.
int AutoScrollInterval(int Y, int Height, bool& ScrollUp);
