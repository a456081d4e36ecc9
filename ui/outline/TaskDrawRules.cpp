#include "ui/outline/TaskDrawRules.h"

#include <algorithm>

#include <cmath>

#include "taskdb/TaskNode.h"

namespace {

// A due date with a time of day is overdue as soon as that time has passed; one without only
// when its whole day has passed.
bool IsOverdue(TDateTime Due, TDateTime Now)
{
    const bool hasTime = Due - std::trunc(Due) > 1e-13;
    if (Now > Due && hasTime)
        return true;
    return !(Due + 1 >= Now);
}

} // namespace

std::string DueDateText(TDateTime Due, TDateTime Now, const std::function<std::string(TDateTime)>& ShortDate)
{
    if (IsOverdue(Due, Now))
        return "overdue";
    const double dueDay = std::trunc(Due);
    const double today = std::trunc(Now);
    if (dueDay == today)
        return "Today";
    if (dueDay - today == 1)
        return "Tomorrow";
    return ShortDate(Due);
}

int32_t DueStatus(double LeadTime, TDateTime Due, TDateTime Now)
{
    if (IsOverdue(Due, Now))
        return dsOverdue;
    return Due - Now <= LeadTime / 3 ? dsSoon : dsLater;
}

int32_t TaskImageIndex(const TTaskNode& Task, int32_t Kind)
{
    if (Kind == TaskImageGoal)
        return Task.IsCompleted() ? 2 : 1;
    if (Kind == TaskImageNotes)
        return Task.IsCompleted() ? 4 : 3;
    return -1;
}

bool IsInTaskColumn(int Width, int X, int ColumnWidth, int RightOffset)
{
    const int left = Width - RightOffset;
    return X >= left && X <= left + ColumnWidth;
}

bool IsOverTaskColumnOf(const TTaskNode* Task, int Width, int X, bool ForDueDate, int ColumnWidth, int RightOffset)
{
    if (!Task || (ForDueDate ? Task->DueDateTime == 0 : Task->Note.Count() == 0))
        return false;
    return IsInTaskColumn(Width, X, ColumnWidth, RightOffset);
}

int DueBadgeWidthFor(int TextWidth)
{
    return std::max(DueBadgeWidth, TextWidth + 2 * DueBadgePadding);
}

int DueBadgeOffsetFor(int TextWidth)
{
    return DueBadgeRightOffset + DueBadgeWidthFor(TextWidth);
}

bool IsOverDueDateSpot(const TTaskNode& Task, int Width, int X, int TextWidth)
{
    return IsOverTaskColumnOf(&Task, Width, X, true, DueBadgeWidthFor(TextWidth), DueBadgeOffsetFor(TextWidth));
}

bool IsOverNoteIconSpot(const TTaskNode& Task, int Width, int X)
{
    return IsOverTaskColumnOf(&Task, Width, X, false, NotesIconWidth, NotesIconOffset);
}
