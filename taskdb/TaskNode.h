#pragma once
// The task tree: one task of the outline (TTaskNode), the ordered list of task references
// (TTaskNodeList) and the empty per-task schedule object.
//
// Fields are public and named as stored; read them directly. Caption, Importance, Effort,
// Estimate and TaskID are also written directly. Every other stored property is changed through
// its Set... method, because due dates and lead times cascade to subtasks and the hide and
// weekly-goal flags derive down the tree. No setter stamps ModifiedDateTime: callers do.
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/DateTime.h"
#include "platform/StringList.h"

class TStream;
class TTaskNode;
class TTaskPlace;
class TTaskPlacesList;
namespace pugi {
class xml_node;
}

// An ordered list of task references. It never frees its items.
class TTaskNodeList {
public:
    int Count() const { return static_cast<int>(items_.size()); }
    bool Empty() const { return items_.empty(); }
    TTaskNode* operator[](int index) const { return items_[static_cast<size_t>(index)]; }
    TTaskNode* Items(int index) const;   // range-checked; raises EListError
    void Add(TTaskNode* task) { items_.push_back(task); }
    void Insert(int index, TTaskNode* task);   // raises EListError outside 0..Count
    void Delete(int index);                    // raises EListError outside 0..Count-1
    int IndexOf(const TTaskNode* task) const;  // -1 when absent
    void Clear() { items_.clear(); }
    void Assign(const TTaskNodeList& other) { items_ = other.items_; }

    auto begin() const { return items_.begin(); }
    auto end() const { return items_.end(); }
    const std::vector<TTaskNode*>& Vector() const { return items_; }

private:
    std::vector<TTaskNode*> items_;
};

// Every task owns one; it has no content and nothing reads it.
class TTaskSchedule {};

// No task lies more than this many levels below the outline's root. Every change that adds
// depth is refused beyond it, so that whatever the program builds it can also store and read.
constexpr int32_t kMaxTaskNesting = 10000;

// Walk callback of ForEachNode: Data is the caller's object (the document in every use).
using TForEachNodeProc = std::function<void(void* Data, TTaskNode* Task)>;

// The order in which a view shows a task's subtasks, as a tree of the view's nodes:
// Task is the task a view node shows, Children the view's child nodes in view order.
struct TTaskViewNode {
    TTaskNode* Task = nullptr;
    std::vector<TTaskViewNode> Children;
};

class TTaskNode {
public:
    // Creates a task with the defaults; with a parent, appends it to the parent's Children
    // without deriving anything (AddChild places and derives).
    explicit TTaskNode(TTaskNode* AParent = nullptr);
    // Reports a linked task to the current document, leaves the parent, frees the subtree.
    ~TTaskNode();
    TTaskNode(const TTaskNode&) = delete;
    TTaskNode& operator=(const TTaskNode&) = delete;

    // ---- Fields, in declaration order ----
    // Transient fields of the To-Do computation.
    bool ToDoGoalFlag = false;
    std::string ToDoImportancePath;
    int32_t ToDoOpenChildCount = 0;
    bool ToDoStartMark = false;
    std::string RankKey;

    std::string Caption;
    int32_t Importance = 50;
    int32_t Effort = 50;
    double Estimate = 0;
    bool HideInToDo = false;
    TStringList Note;
    std::vector<int32_t> Places;
    std::unique_ptr<TTaskSchedule> Schedule;
    TTaskNode* Parent = nullptr;
    TTaskNodeList Children;        // owned through this task: see ClearChildren
    void* ExtraObject = nullptr;   // never assigned in this program
    std::unique_ptr<std::vector<void*>> ExtraList;   // never created in this program
    TDateTime CompletionDateTime = 0;
    double LeadTime = 1.0;
    TDateTime DueDateTime = 0;
    int32_t ScheduleType = 0;      // 0 follows the parent's due date, 1 keeps its own
    double RoutineSchedule = 0;
    int32_t TheGoal = 0;           // 0 none, 1 week, 2 month, 3 year
    int32_t Satisfaction = 50;
    bool CompleteSubTasksInOrder = false;
    bool CompletedMark = false;
    bool Expanded = false;
    bool HideInToDoInEffect = false;
    bool GoalInEffect = false;
    bool IsProject = false;
    int32_t ProjectStatus = 0;
    int32_t TaskID = -10;
    TDateTime ModifiedDateTime = 0;
    TDateTime CreatedDateTime = 0;
    std::string OutlookEntryID = " ";   // blank after trimming = not linked
    bool IsOutlookRecurring = false;

    // ---- Structure ----
    // Creates a task here with Caption and places it at Index (-1 or beyond the end appends).
    TTaskNode* AddChild(const std::string& ACaption, int32_t Index);
    // Moves the task with its subtree to Index of NewParent's children (nullptr only unlinks).
    // Index counts positions in the target list as it stood before the move.
    void MoveTo(TTaskNode* NewParent, int32_t Index);
    // Raises an exception, before anything changes, when Levels more levels of tasks below
    // Parent would go deeper than kMaxTaskNesting.
    static void CheckNestingRoom(const TTaskNode& Parent, int64_t Levels);
    // The levels of tasks the subtree spans: 1 for a task without subtasks.
    int32_t Height() const;
    int32_t IndexInParent() const;
    int32_t Level() const;
    std::string GetPath() const;
    bool IsDescendantOf(const TTaskNode* Other) const;
    void ClearChildren();
    void ForEachNode(const TForEachNodeProc& Proc, void* Data);
    void SortChildren(const TTaskViewNode& ViewNode, bool Recursive);
    void Assign(const TTaskNode& Source);

    // ---- Completion queries ----
    bool IsCompleted() const { return CompletionDateTime != 0; }
    TTaskNode* FirstIncompleteChild() const;
    bool AllChildrenCompleted() const { return FirstIncompleteChild() == nullptr; }
    int32_t IncompleteChildCount() const;
    double ProgressPercent() const;
    bool HasExtraObject() const { return ExtraObject != nullptr; }
    bool HasExtraListItems() const { return ExtraList && !ExtraList->empty(); }

    // ---- Setters ----
    void SetCompletionDateTime(TDateTime Value);
    void SetDueDateTime(TDateTime Value);
    void SetLeadTime(double Value);
    void SetHideInToDo(bool Value) { SetHideInToDoEx(Value, false); }
    void SetHideInToDoEx(bool Value, bool Force);
    void SetTheGoal(int32_t Value) { SetTheGoalEx(Value, false); }
    void SetTheGoalEx(int32_t Value, bool Force);
    void SetScheduleType(int32_t Value) { ScheduleType = Value; }
    void SetRoutineSchedule(double Value) { RoutineSchedule = Value; }
    void SetSatisfaction(int32_t Value) { Satisfaction = Value; }
    void SetCompleteSubTasksInOrder(bool Value) { CompleteSubTasksInOrder = Value; }
    void SetIsProject(bool Value) { IsProject = Value; }
    void SetProjectStatus(int32_t Value) { ProjectStatus = Value; }
    void SetCreatedDateTime(TDateTime Value) { CreatedDateTime = Value; }
    void SetModifiedDateTime(TDateTime Value) { ModifiedDateTime = Value; }
    void SetOutlookEntryID(const std::string& Value) { OutlookEntryID = Value; }
    void SetIsOutlookRecurring(bool Value) { IsOutlookRecurring = Value; }
    void SetCompletedMark(bool Value) { CompletedMark = Value; }
    void SetExpanded(bool Value) { Expanded = Value; }
    void SetHideInToDoInEffect(bool Value) { HideInToDoInEffect = Value; }
    void SetGoalInEffect(bool Value) { GoalInEffect = Value; }

    // Derivation helpers of the hide and weekly-goal flags.
    static void PropagateHideInToDo(TTaskNode* Task, bool Value);
    static void PropagateGoalInEffect(TTaskNode* Task, bool Value);
    bool AncestorHidesInToDo() const;
    bool AncestorIsWeekGoal() const;

    // ---- To-Do computation (ToDo.cpp) ----
    // Run on the start task: fills ToDoList in rank order.
    void BuildToDo(TTaskPlace* FilterPlace, bool IgnoreTime, TTaskNodeList& ToDoList,
                   TTaskPlacesList& PlacesList, TDateTime Date);
    // CollectedPlaces nullptr = no place filter.
    std::string ComputeRankKey(const std::vector<TTaskPlace*>* CollectedPlaces, TDateTime Date);
    bool MatchesToDoPlaces(const std::vector<TTaskPlace*>* CollectedPlaces) const;

    // ---- Data file (DataFile.cpp) ----
    void WriteToStream(TStream& Stream, int32_t Version) const;
    void ReadFromStream(TStream& Stream, int32_t Version);

    // ---- XML and text exchange (XmlExchange.cpp, TextExchange.cpp) ----
    void WriteXml(pugi::xml_node ParentNode, const TTaskPlacesList& PlacesList) const;
    void ReadXml(pugi::xml_node Node, TTaskPlacesList& PlacesList);
    void WriteText(TStream& TextFile) const;

private:
    friend class TTovrinDataBase;   // marks its root as the outline's

    void Unlink(TTaskNode* OldParent, int32_t OldIndex);
    void Link(TTaskNode* NewParent, int32_t Index);
    // Set, for good, once the task is part of the document's outline. Only such a task reports
    // its Outlook link when freed (also later, from an undo step that held it after a
    // deletion); detached copies such as undo snapshots never do.
    bool inOutline_ = false;
};
