#include "ui/outline/TreeViewRules.h"

#include "taskdb/TaskNode.h"

#include <functional>

namespace {

TViewRow TaskRow(const TTaskNode& task, bool hideCompleted)
{
    TViewRow row;
    row.Caption = task.Caption;
    row.Task = const_cast<TTaskNode*>(&task);
    row.Checked = task.CompletionDateTime != 0;
    row.Expanded = task.Expanded;
    row.Children = BuildTaskRows(task, hideCompleted);
    return row;
}

std::vector<TViewRow> GroupRows(const std::vector<const char*>& captions)
{
    std::vector<TViewRow> groups;
    for (const char* caption : captions) {
        TViewRow group;
        group.Caption = caption;
        group.Expanded = true;
        groups.push_back(std::move(group));
    }
    return groups;
}

// groupOf answers the group index of a task, or -1 when it belongs to none.
std::vector<TViewRow> BuildGroupedRows(const TTaskNode& virtualRoot, bool hideCompleted,
                                       const std::vector<const char*>& captions,
                                       const std::function<int(const TTaskNode&)>& groupOf)
{
    std::vector<TViewRow> groups = GroupRows(captions);
    std::function<void(const TTaskNode&)> walk = [&](const TTaskNode& task) {
        if (hideCompleted && task.CompletionDateTime != 0)
            return;
        const int group = task.Parent ? groupOf(task) : -1;
        if (group >= 0 && group < static_cast<int>(groups.size()))
            groups[static_cast<size_t>(group)].Children.push_back(TaskRow(task, hideCompleted));
        for (const TTaskNode* child : task.Children)
            walk(*child);
    };
    walk(virtualRoot);
    return groups;
}

} // namespace

std::vector<TViewRow> BuildTaskRows(const TTaskNode& start, bool hideCompleted)
{
    std::vector<TViewRow> rows;
    for (const TTaskNode* child : start.Children) {
        if (hideCompleted && child->CompletionDateTime != 0)
            continue;
        rows.push_back(TaskRow(*child, hideCompleted));
    }
    return rows;
}

std::vector<TViewRow> BuildGoalsRows(const TTaskNode& virtualRoot, bool hideCompleted)
{
    return BuildGroupedRows(virtualRoot, hideCompleted, {"Weekly goals", "Monthly goals", "Yearly goals"},
                            [](const TTaskNode& task) { return task.TheGoal - 1; });
}

std::vector<TViewRow> BuildProjectsRows(const TTaskNode& virtualRoot, bool hideCompleted)
{
    return BuildGroupedRows(virtualRoot, hideCompleted, {"Not Started", "In Progress", "Suspended", "Completed"},
                            [](const TTaskNode& task) { return task.IsProject ? task.ProjectStatus : -1; });
}

std::string VirtualRootBannerText(const std::string& caption)
{
    return "Virtual root: \"" + caption + "\". Click to reset.";
}

int CaretIndexAt(int length, int offset, const std::function<int(int k)>& prefixWidth)
{
    for (int k = 1; k <= length; ++k)
        if (prefixWidth(k) >= offset)
            return k - 1;
    return length;
}
