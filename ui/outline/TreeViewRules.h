#pragma once
// What the outline tree shows in each of its views, as plain rows built from the task tree.
// The window turns the rows into tree nodes; keeping the rules here lets them be checked
// without a display.
#include <functional>
#include <string>
#include <vector>

class TTaskNode;

inline constexpr const char* ViewAllTasks = "All tasks";
inline constexpr const char* ViewGoals = "Goals";
inline constexpr const char* ViewProjects = "Projects";

struct TViewRow {
    std::string Caption;
    TTaskNode* Task = nullptr;  // nullptr for the group rows of Goals and Projects
    bool Checked = false;       // the task is completed
    bool Expanded = false;      // the task's remembered state; group rows are expanded
    std::vector<TViewRow> Children;
};

// The rows of the children of start, each with its subtree. While hideCompleted is on a
// completed task is left out together with its whole subtree.
std::vector<TViewRow> BuildTaskRows(const TTaskNode& start, bool hideCompleted);

// The grouped views. The walk starts at virtualRoot itself and goes into every subtree, so a
// goal inside another goal's subtree is listed twice; a task without parent (the document's
// root) is never listed.
std::vector<TViewRow> BuildGoalsRows(const TTaskNode& virtualRoot, bool hideCompleted);
std::vector<TViewRow> BuildProjectsRows(const TTaskNode& virtualRoot, bool hideCompleted);

std::string VirtualRootBannerText(const std::string& caption);

// The caret position for a click offset pixels right of a label's left edge: the first k for
// which the caption's first k characters are at least offset wide gives k - 1; the caption's
// length when none is.
int CaretIndexAt(int length, int offset, const std::function<int(int k)>& prefixWidth);
