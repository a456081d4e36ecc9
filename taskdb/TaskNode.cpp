#include "taskdb/TaskNode.h"

#include <algorithm>
#include <unordered_set>

#include "platform/Exceptions.h"
#include "platform/StrUtils.h"
#include "taskdb/TovrinDataBase.h"

// ---------------------------------------------------------------- TTaskNodeList

namespace {

[[noreturn]] void ListIndexError(int index)
{
    throw EListError(Format("List index out of bounds (%d)", index));
}

// Pre-order walk of Start's subtree without recursion, so a deep outline costs no stack.
// Visit(task) returns whether to descend into the task's children.
template <class TVisit>
void WalkSubtree(TTaskNode* Start, TVisit Visit)
{
    std::vector<TTaskNode*> pending{Start};
    while (!pending.empty()) {
        TTaskNode* task = pending.back();
        pending.pop_back();
        if (!Visit(task))
            continue;
        for (int i = task->Children.Count() - 1; i >= 0; --i)
            pending.push_back(task->Children[i]);
    }
}

}  // namespace

TTaskNode* TTaskNodeList::Items(int index) const
{
    if (index < 0 || index >= Count())
        ListIndexError(index);
    return items_[static_cast<size_t>(index)];
}

void TTaskNodeList::Insert(int index, TTaskNode* task)
{
    if (index < 0 || index > Count())
        ListIndexError(index);
    items_.insert(items_.begin() + index, task);
}

void TTaskNodeList::Delete(int index)
{
    if (index < 0 || index >= Count())
        ListIndexError(index);
    items_.erase(items_.begin() + index);
}

int TTaskNodeList::IndexOf(const TTaskNode* task) const
{
    const auto it = std::find(items_.begin(), items_.end(), task);
    return it == items_.end() ? -1 : static_cast<int>(it - items_.begin());
}

// ---------------------------------------------------------------- construction

TTaskNode::TTaskNode(TTaskNode* AParent) : Schedule(std::make_unique<TTaskSchedule>())
{
    CreatedDateTime = Now();
    ModifiedDateTime = Now();
    SetCompletedMark(false);
    SetExpanded(false);
    SetHideInToDoInEffect(false);
    SetGoalInEffect(false);
    Parent = AParent;
    if (AParent) {
        AParent->Children.Add(this);
        inOutline_ = AParent->inOutline_;
    }
}

TTaskNode::~TTaskNode()
{
    // A task reports its Outlook link only when it belonged to the document's outline; undo
    // snapshots and other detached copies carry the EntryID of a task that still exists.
    if (inOutline_ && CurrentDataBase)
        CurrentDataBase->RememberDeletedEntryID(*this);

    // Leave the parent. A destructor must not throw, so a parent that does not hold the task
    // (which the structure operations never allow) is simply left alone.
    if (Parent) {
        const int index = Parent->Children.IndexOf(this);
        if (index >= 0)
            Parent->Children.Delete(index);
        Parent = nullptr;
    }
    ClearChildren();
}

void TTaskNode::ClearChildren()
{
    // Frees the subtree from the bottom up, last child first, without recursion. Each task is
    // detached before it is freed.
    TTaskNode* node = this;
    for (;;) {
        if (!node->Children.Empty()) {
            node = node->Children[node->Children.Count() - 1];
            continue;
        }
        if (node == this)
            break;
        TTaskNode* parent = node->Parent;
        parent->Children.Delete(parent->Children.Count() - 1);
        node->Parent = nullptr;
        delete node;
        node = parent;
    }
}

// ---------------------------------------------------------------- structure

TTaskNode* TTaskNode::AddChild(const std::string& ACaption, int32_t Index)
{
    // Made apart and placed by MoveTo, so that a refused place leaves the children as they were.
    auto task = std::make_unique<TTaskNode>();
    task->Caption = ACaption;
    task->MoveTo(this, Index);
    return task.release();   // owned by this task from here on
}

void TTaskNode::MoveTo(TTaskNode* NewParent, int32_t Index)
{
    TTaskNode* OldParent = Parent;
    const int32_t OldIndex = IndexInParent();
    // Every check comes before the first change, so a refused move leaves the tree intact.
    if (OldParent && OldIndex < 0)
        throw Exception(Format("Internal error. Node \"%s\" is not a child of node \"%s\"",
                               Caption.c_str(), OldParent->Caption.c_str()));
    if (NewParent && (NewParent == this || (!Children.Empty() && NewParent->IsDescendantOf(this))))
        throw Exception(Format("Can not move task \"%s\" under itself or one of its subtasks",
                               Caption.c_str()));
    if (NewParent && NewParent != OldParent)   // a place among the same siblings adds no depth
        CheckNestingRoom(*NewParent, Height());

    if (NewParent == OldParent && Index < OldIndex) {
        Unlink(OldParent, OldIndex);
        Link(NewParent, Index);
    } else {
        Link(NewParent, Index);
        Unlink(OldParent, OldIndex);
    }
}

void TTaskNode::Unlink(TTaskNode* OldParent, int32_t OldIndex)
{
    if (OldParent)
        OldParent->Children.Delete(OldIndex);
}

void TTaskNode::Link(TTaskNode* NewParent, int32_t Index)
{
    Parent = NewParent;
    if (!NewParent)
        return;
    if (Index < 0 || Index > NewParent->Children.Count())
        Index = NewParent->Children.Count();
    NewParent->Children.Insert(Index, this);
    if (NewParent->inOutline_ && !inOutline_)
        WalkSubtree(this, [](TTaskNode* task) {
            task->inOutline_ = true;
            return true;
        });

    if (ScheduleType != 1)
        SetDueDateTime(NewParent->DueDateTime);
    if (ScheduleType != 1)
        SetLeadTime(NewParent->LeadTime);
    if (!HideInToDo) {
        SetHideInToDoEx(NewParent->HideInToDoInEffect, true);
        HideInToDo = false;
    }
    if (TheGoal != 1) {
        const int32_t ownGoal = TheGoal;
        SetTheGoalEx(NewParent->GoalInEffect ? 1 : 0, true);
        TheGoal = ownGoal;
    }
}

int32_t TTaskNode::IndexInParent() const
{
    return Parent ? Parent->Children.IndexOf(this) : -1;
}

int32_t TTaskNode::Level() const
{
    int32_t level = 0;
    for (const TTaskNode* p = Parent; p; p = p->Parent)
        ++level;
    return level;
}

void TTaskNode::CheckNestingRoom(const TTaskNode& Parent, int64_t Levels)
{
    if (Parent.Level() + Levels > kMaxTaskNesting)
        throw Exception("Tasks can not be nested more than 10000 levels deep.");
}

int32_t TTaskNode::Height() const
{
    int32_t height = 0;
    std::vector<std::pair<const TTaskNode*, int32_t>> pending{{this, 1}};
    while (!pending.empty()) {
        const auto [task, level] = pending.back();
        pending.pop_back();
        height = std::max(height, level);
        for (const TTaskNode* child : task->Children)
            pending.push_back({child, level + 1});
    }
    return height;
}

std::string TTaskNode::GetPath() const
{
    std::vector<const TTaskNode*> ancestors;
    for (const TTaskNode* p = Parent; p; p = p->Parent)
        ancestors.push_back(p);
    std::string path;
    for (auto it = ancestors.rbegin(); it != ancestors.rend(); ++it)
        path += (*it)->Caption + "\\";
    return path;
}

bool TTaskNode::IsDescendantOf(const TTaskNode* Other) const
{
    for (const TTaskNode* p = Parent; p; p = p->Parent)
        if (p == Other)
            return true;
    return false;
}

void TTaskNode::ForEachNode(const TForEachNodeProc& Proc, void* Data)
{
    // Pre-order with each task's child count read once, before its children are visited.
    struct TFrame {
        TTaskNode* task;
        int next;
        int count;
    };
    Proc(Data, this);
    std::vector<TFrame> stack{{this, 0, Children.Count()}};
    while (!stack.empty()) {
        TFrame& top = stack.back();
        if (top.next >= top.count) {
            stack.pop_back();
            continue;
        }
        TTaskNode* child = top.task->Children[top.next++];
        Proc(Data, child);
        stack.push_back({child, 0, child->Children.Count()});
    }
}

void TTaskNode::SortChildren(const TTaskViewNode& ViewNode, bool Recursive)
{
    TTaskNodeList sorted;
    for (const TTaskViewNode& child : ViewNode.Children)
        sorted.Add(child.Task);
    // The view must show exactly these children, each once; anything else would lose or
    // duplicate a task.
    bool same = sorted.Count() == Children.Count();
    if (same) {
        std::unordered_set<const TTaskNode*> own(Children.begin(), Children.end());
        std::unordered_set<const TTaskNode*> seen;
        for (const TTaskNode* task : sorted)
            if (!own.count(task) || !seen.insert(task).second) {
                same = false;
                break;
            }
    }
    if (!same)
        throw Exception("TaskNode sort error. Non compatible lists");
    Children.Assign(sorted);
    if (Recursive)
        for (const TTaskViewNode& child : ViewNode.Children)
            child.Task->SortChildren(child, true);
}

void TTaskNode::Assign(const TTaskNode& Source)
{
    TaskID = Source.TaskID;
    Caption = Source.Caption;
    Importance = Source.Importance;
    SetTheGoal(Source.TheGoal);
    Effort = Source.Effort;
    SetSatisfaction(Source.Satisfaction);
    Estimate = Source.Estimate;
    SetScheduleType(Source.ScheduleType);
    SetDueDateTime(Source.DueDateTime);
    SetLeadTime(Source.LeadTime);
    SetRoutineSchedule(Source.RoutineSchedule);
    SetHideInToDo(Source.HideInToDo);
    SetCompleteSubTasksInOrder(Source.CompleteSubTasksInOrder);
    Note.Assign(Source.Note);
    Places = Source.Places;
    SetCompletionDateTime(Source.CompletionDateTime);
    SetCreatedDateTime(Source.CreatedDateTime);
    SetModifiedDateTime(Source.ModifiedDateTime);
    SetIsProject(Source.IsProject);
    SetProjectStatus(Source.ProjectStatus);
    SetOutlookEntryID(Source.OutlookEntryID);
    SetIsOutlookRecurring(Source.IsOutlookRecurring);
}

// ---------------------------------------------------------------- completion queries

TTaskNode* TTaskNode::FirstIncompleteChild() const
{
    for (TTaskNode* child : Children)
        if (child->CompletionDateTime == 0)
            return child;
    return nullptr;
}

int32_t TTaskNode::IncompleteChildCount() const
{
    return static_cast<int32_t>(std::count_if(Children.begin(), Children.end(),
        [](const TTaskNode* child) { return child->CompletionDateTime == 0; }));
}

double TTaskNode::ProgressPercent() const
{
    double total = 0;
    double done = 0;
    WalkSubtree(const_cast<TTaskNode*>(this), [&](TTaskNode* task) {
        total += task->Effort;
        if (task->IsCompleted())
            done += task->Effort;
        return true;
    });
    // A subtree without any effort has made no measurable progress.
    return total == 0 ? 0.0 : done / total * 100.0;
}

// ---------------------------------------------------------------- setters

void TTaskNode::SetCompletionDateTime(TDateTime Value)
{
    CompletionDateTime = Value;
    SetCompletedMark(Value != 0);
}

void TTaskNode::SetDueDateTime(TDateTime Value)
{
    if (Value == DueDateTime)
        return;
    DueDateTime = Value;
    // Subtasks that follow their parent take the date and are stamped, also when their own
    // date was already equal (then the cascade stops there).
    for (TTaskNode* child : Children) {
        WalkSubtree(child, [Value](TTaskNode* task) {
            if (task->ScheduleType != 0)
                return false;
            const bool changed = task->DueDateTime != Value;
            task->DueDateTime = Value;
            task->ModifiedDateTime = Now();
            return changed;
        });
    }
}

void TTaskNode::SetLeadTime(double Value)
{
    if (Value == LeadTime)
        return;
    LeadTime = Value;
    // Stamped like a due date taken from the parent, so that the change reaches the subtasks'
    // synchronised copies.
    for (TTaskNode* child : Children) {
        WalkSubtree(child, [Value](TTaskNode* task) {
            if (task->ScheduleType != 0 || task->LeadTime == Value)
                return false;
            task->LeadTime = Value;
            task->ModifiedDateTime = Now();
            return true;
        });
    }
}

void TTaskNode::SetHideInToDoEx(bool Value, bool Force)
{
    if (!Force && Value == HideInToDo)
        return;
    HideInToDo = Value;
    if (!Value && AncestorHidesInToDo())
        return;
    SetHideInToDoInEffect(Value);
    for (TTaskNode* child : Children)
        PropagateHideInToDo(child, Value);
}

void TTaskNode::SetTheGoalEx(int32_t Value, bool Force)
{
    if (!Force && Value == TheGoal)
        return;
    TheGoal = Value;
    if (Value != 1 && AncestorIsWeekGoal())
        return;
    SetGoalInEffect(Value == 1);
    for (TTaskNode* child : Children)
        PropagateGoalInEffect(child, GoalInEffect);
}

void TTaskNode::PropagateHideInToDo(TTaskNode* Task, bool Value)
{
    WalkSubtree(Task, [Value](TTaskNode* task) {
        if (task->HideInToDo)
            return false;
        task->SetHideInToDoInEffect(Value);
        return true;
    });
}

void TTaskNode::PropagateGoalInEffect(TTaskNode* Task, bool Value)
{
    WalkSubtree(Task, [Value](TTaskNode* task) {
        if (task->TheGoal == 1)
            return false;
        task->SetGoalInEffect(Value);
        return true;
    });
}

bool TTaskNode::AncestorHidesInToDo() const
{
    for (const TTaskNode* p = Parent; p; p = p->Parent)
        if (p->HideInToDo)
            return true;
    return false;
}

bool TTaskNode::AncestorIsWeekGoal() const
{
    for (const TTaskNode* p = Parent; p; p = p->Parent)
        if (p->TheGoal == 1)
            return true;
    return false;
}
