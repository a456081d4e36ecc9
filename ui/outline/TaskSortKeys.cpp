#include "ui/outline/TaskSortKeys.h"

#include <algorithm>
#include <cstdlib>

#include "platform/AnsiText.h"
#include "taskdb/TaskNode.h"

namespace {

int32_t SignOf(double value)
{
    return value > 0 ? 1 : (value < 0 ? -1 : 0);
}

} // namespace

int32_t CompareTasksBySortKey(int32_t Key, const TTaskNode& Task1, const TTaskNode& Task2)
{
    int32_t result = 0;
    switch (std::abs(Key)) {
    case 2:
        result = SignOf(Task1.CompletionDateTime - Task2.CompletionDateTime);
        break;
    case 3:
        result = Task1.TheGoal != Task2.TheGoal ? Task1.TheGoal - Task2.TheGoal : Task1.Importance - Task2.Importance;
        break;
    case 4: {
        // A task without due date counts as the far end in the key's direction, so that
        // negating the result for a descending key still leaves it last.
        const double none = Key < 0 ? -1.7e308 : 1.7e308;
        const double d1 = Task1.DueDateTime != 0 ? Task1.DueDateTime : none;
        const double d2 = Task2.DueDateTime != 0 ? Task2.DueDateTime : none;
        result = SignOf(d1 - d2);
        break;
    }
    case 5:
        result = Task1.Effort - Task2.Effort;
        break;
    case 6:
        result = Task1.Satisfaction - Task2.Satisfaction;
        break;
    case 8:
        result = AnsiCompareText(Task1.Caption, Task2.Caption);
        break;
    default:
        break;
    }
    return Key < 0 ? -result : result;
}

int32_t CompareTasksBySortKeys(const TSortKeys& Keys, const TTaskNode& Task1, const TTaskNode& Task2)
{
    for (const int32_t key : Keys) {
        const int32_t result = CompareTasksBySortKey(key, Task1, Task2);
        if (result != 0)
            return result;
    }
    return 0;
}

void SortTaskViewNode(TTaskViewNode& Node, const TSortKeys& Keys, bool Recursive)
{
    std::stable_sort(Node.Children.begin(), Node.Children.end(), [&](const TTaskViewNode& a, const TTaskViewNode& b) {
        if (!a.Task || !b.Task)
            return false;  // rows without a task stay where they are
        return CompareTasksBySortKeys(Keys, *a.Task, *b.Task) < 0;
    });
    if (Recursive)
        for (TTaskViewNode& child : Node.Children)
            SortTaskViewNode(child, Keys, true);
}
