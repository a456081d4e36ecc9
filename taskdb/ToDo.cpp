// The To-Do list: every open leaf task that is current, can be done at the chosen place and is
// not excluded by its ancestors, in descending order of a 60-character rank key.
#include "taskdb/ToDo.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

#include "platform/Exceptions.h"
#include "taskdb/Services.h"
#include "taskdb/TaskNode.h"
#include "taskdb/TaskPlace.h"
#include "taskdb/TovrinDataBase.h"

namespace {

// The place IDs tasks must name to be listed; an inactive filter lets every task through.
class TPlaceFilter {
public:
    explicit TPlaceFilter(const std::vector<TTaskPlace*>* places)
    {
        if (!places)
            return;
        FActive = true;
        FIDs.reserve(places->size());
        for (const TTaskPlace* place : *places)
            if (place)
                FIDs.push_back(place->PlaceID);
        std::sort(FIDs.begin(), FIDs.end());
        FIDs.erase(std::unique(FIDs.begin(), FIDs.end()), FIDs.end());
    }

    bool Matches(const std::vector<int32_t>& taskPlaces) const
    {
        if (!FActive)
            return true;
        for (const int32_t id : taskPlaces)
            if (std::binary_search(FIDs.begin(), FIDs.end(), id))
                return true;
        return false;
    }

private:
    bool FActive = false;
    std::vector<int32_t> FIDs;
};

enum class TRankState {
    Start,       // key "1": the start task (or a task without parent)
    Excluded,    // empty key: the task and its whole subtree are left out
    NotListed,   // key "-1": not listed, children still considered
    Listed       // a full key
};

int32_t Clamp99(int32_t value) { return std::clamp(value, 0, 99); }

int32_t Urgency(const TTaskNode& task, TDateTime date)
{
    if (task.DueDateTime == 0)
        return 0;
    if (task.DueDateTime < date)
        return 30;
    // Computed in doubles: due dates from files can lie far outside the Int32 range of days.
    double urgency = 30 - std::trunc(task.DueDateTime - std::trunc(date));
    if (!(urgency > 1))   // also a NaN date
        urgency = 1;
    if (urgency > 30)
        urgency = 30;
    return static_cast<int32_t>(urgency);
}

// The two characters of a field read as a number; a leading blank reads as 0. Anything else
// (only possible with hand-made keys) reads as 0, so the addition simply starts from nothing.
int32_t FieldNumber(char high, char low)
{
    auto digit = [](char c) { return c == ' ' ? 0 : (c >= '0' && c <= '9' ? c - '0' : -1); };
    const int h = digit(high), l = digit(low);
    if (h < 0 || l < 0 || low == ' ')
        return 0;
    return h * 10 + l;
}

// "%2d" of a value in 0..99.
inline void WriteField(char* at, int32_t v)
{
    at[0] = v >= 10 ? static_cast<char>('0' + v / 10) : ' ';
    at[1] = static_cast<char>('0' + v % 10);
}

void AppendPathField(std::string& path, int32_t importance)
{
    char field[2];
    WriteField(field, Clamp99(importance));
    path.append(field, 2);
}

// Decides the key of one task and writes its transient fields. parentFirstOpen is the parent's
// first open child (only read when the parent completes its subtasks in order). On return,
// firstOpen holds the task's own first open child when the task got past the exclusions.
TRankState RankTask(TTaskNode& task, const TPlaceFilter& filter, TDateTime date,
                    const TTaskNode* parentFirstOpen, const TTaskNode*& firstOpen)
{
    firstOpen = nullptr;
    const TTaskNode* parent = task.Parent;
    if (!parent || task.ToDoStartMark) {
        task.ToDoGoalFlag = false;
        task.RankKey.assign(1, '1');
        task.ToDoImportancePath.clear();
        return TRankState::Start;
    }

    task.RankKey.clear();
    if (parent->RankKey.empty() || task.Importance == 0 || task.HideInToDoInEffect ||
        (parent->CompleteSubTasksInOrder && parentFirstOpen != &task))
        return TRankState::Excluded;

    task.ToDoGoalFlag = parent->ToDoGoalFlag || task.TheGoal == 1;
    // Only the first 30 characters of a path ever reach a key; keeping no more stops deep
    // outlines from costing time and memory by the square of their depth.
    task.ToDoImportancePath.assign(parent->ToDoImportancePath);
    AppendPathField(task.ToDoImportancePath, task.Importance);
    if (task.ToDoImportancePath.size() > RankPathLength)
        task.ToDoImportancePath.resize(RankPathLength);

    int32_t open = 0;
    for (const TTaskNode* child : task.Children)
        if (child->CompletionDateTime == 0) {
            if (!firstOpen)
                firstOpen = child;
            ++open;
        }
    task.ToDoOpenChildCount = open;
    task.RankKey.assign("-1");

    if (task.CompletionDateTime != 0)
        return TRankState::NotListed;
    if (task.DueDateTime != 0 && task.DueDateTime - task.LeadTime > date)
        return TRankState::NotListed;
    if (open > 0)
        return TRankState::NotListed;
    if (!filter.Matches(task.Places))
        return TRankState::NotListed;

    const int32_t urgency = Urgency(task, date);
    const int32_t openAtParent = std::max(0, 99 - parent->ToDoOpenChildCount);

    // Built in place of a SetRankField sequence (goal, importance, urgency added, satisfaction,
    // open count): same bytes, without a bounds check per field.
    char key[RankKeyLength];
    RankKeyTemplate.copy(key, RankKeyLength);
    const std::string& path = parent->ToDoImportancePath;
    path.copy(key + 6, std::min<size_t>(path.size(), RankPathLength));
    WriteField(key + 4, task.ToDoGoalFlag ? 50 : 0);
    WriteField(key + 36, Clamp99(task.Importance));
    WriteField(key + 16, std::min(99, urgency + FieldNumber(key[16], key[17])));
    WriteField(key + 40, Clamp99(task.Satisfaction));
    WriteField(key + 42, Clamp99(openAtParent));
    task.RankKey.assign(key, RankKeyLength);
    return TRankState::Listed;
}

// Byte-wise comparison of two full keys as unsigned characters, eight bytes at a time.
bool FullKeyAbove(const char* pa, const char* pb)
{
    for (size_t i = 0; i + 8 <= RankKeyLength; i += 8) {
        uint64_t x, y;
        std::memcpy(&x, pa + i, 8);
        std::memcpy(&y, pb + i, 8);
        if (x != y)
            return __builtin_bswap64(x) > __builtin_bswap64(y);
    }
    constexpr size_t tail = RankKeyLength / 8 * 8;
    return std::memcmp(pa + tail, pb + tail, RankKeyLength - tail) > 0;
}

bool RanksAbove(const TTaskNode* a, const TTaskNode* b)
{
    if (a->RankKey.size() != RankKeyLength || b->RankKey.size() != RankKeyLength)
        return a->RankKey > b->RankKey;
    return FullKeyAbove(a->RankKey.data(), b->RankKey.data());
}

// The listed tasks in walk order, with copies of their keys side by side so that sorting
// compares contiguous memory instead of visiting every task again.
struct TListed {
    std::vector<TTaskNode*> Tasks;
    std::vector<char> Keys;   // RankKeyLength bytes per task

    void Add(TTaskNode* task)
    {
        Tasks.push_back(task);
        Keys.insert(Keys.end(), task->RankKey.begin(), task->RankKey.end());
    }

    // Descending keys, equal keys in walk order.
    void AppendSortedTo(TTaskNodeList& list) const
    {
        std::vector<uint32_t> order(Tasks.size());
        for (uint32_t i = 0; i < order.size(); ++i)
            order[i] = i;
        const char* keys = Keys.data();
        std::stable_sort(order.begin(), order.end(), [keys](uint32_t a, uint32_t b) {
            return FullKeyAbove(keys + size_t{a} * RankKeyLength, keys + size_t{b} * RankKeyLength);
        });
        for (const uint32_t i : order)
            list.Add(Tasks[i]);
    }
};

// Pre-order over the start task's subtree, gathering the listed tasks in walk order. The stack
// is explicit: outlines imported from files may be deeper than the call stack allows.
void CollectToDo(TTaskNode* start, const TPlaceFilter& filter, TDateTime date,
                 TListed& listed)
{
    struct TFrame {
        TTaskNode* Task;
        int Next;                   // next child to visit
        const TTaskNode* FirstOpen; // the task's first open child
    };
    std::vector<TFrame> stack;

    auto visit = [&](TTaskNode* task, const TTaskNode* parentFirstOpen) {
        const TTaskNode* firstOpen = nullptr;
        const TRankState state = RankTask(*task, filter, date, parentFirstOpen, firstOpen);
        if (state == TRankState::Listed && task->Parent && !task->ToDoStartMark)
            listed.Add(task);
        // Children never read this mark, so it can be cleared before they are visited.
        task->ToDoStartMark = false;
        if (task->Children.Empty())
            return;
        if (state == TRankState::Start && task->CompleteSubTasksInOrder)
            firstOpen = task->FirstIncompleteChild();
        stack.push_back({task, 0, firstOpen});
    };

    visit(start, nullptr);
    while (!stack.empty()) {
        TFrame& frame = stack.back();
        if (frame.Next >= frame.Task->Children.Count()) {
            stack.pop_back();
            continue;
        }
        TTaskNode* child = frame.Task->Children[frame.Next++];
        visit(child, frame.FirstOpen);   // may grow the stack: frame is not used after this
    }
}

} // namespace

std::string RankPathPart(std::string_view path)
{
    const size_t length = std::min<size_t>(path.size(), RankPathLength);
    std::string part(path.substr(0, length));
    part.append(RankKeyTemplate.substr(6 + length, RankPathLength - length));
    return part;
}

void SetRankField(std::string& key, int32_t value, bool add, int32_t fieldIndex)
{
    const int64_t position = 2 * static_cast<int64_t>(fieldIndex) - 1;   // from 1
    if (position < 1 || position > static_cast<int64_t>(key.size()) - 1)
        throw Exception("Rank position out of range");
    const size_t at = static_cast<size_t>(position - 1);
    int32_t v = Clamp99(value);
    if (add)
        v = std::min(99, v + FieldNumber(key[at], key[at + 1]));
    WriteField(&key[at], v);
}

void InsertIntoToDo(TTaskNode* task, TTaskNodeList& toDoList)
{
    if (!task->Parent || task->ToDoStartMark)
        return;
    const auto& items = toDoList.Vector();
    const auto at = std::upper_bound(items.begin(), items.end(), task, RanksAbove);
    toDoList.Insert(static_cast<int>(at - items.begin()), task);
}

bool TTaskNode::MatchesToDoPlaces(const std::vector<TTaskPlace*>* CollectedPlaces) const
{
    if (!CollectedPlaces)
        return true;
    for (const int32_t id : Places)
        for (const TTaskPlace* place : *CollectedPlaces)
            if (place && place->PlaceID == id)
                return true;
    return false;
}

std::string TTaskNode::ComputeRankKey(const std::vector<TTaskPlace*>* CollectedPlaces,
                                      TDateTime Date)
{
    const TTaskNode* parentFirstOpen =
        Parent && Parent->CompleteSubTasksInOrder ? Parent->FirstIncompleteChild() : nullptr;
    const TTaskNode* firstOpen = nullptr;
    RankTask(*this, TPlaceFilter(CollectedPlaces), Date, parentFirstOpen, firstOpen);
    return RankKey;
}

void TTaskNode::BuildToDo(TTaskPlace* FilterPlace, bool IgnoreTime, TTaskNodeList& ToDoList,
                          TTaskPlacesList& PlacesList, TDateTime Date)
{
    const auto cursor = HourGlass();
    ToDoList.Clear();

    std::vector<TTaskPlace*> collected;
    if (FilterPlace)
        PlacesList.CollectPlaces(FilterPlace, collected, IgnoreTime ? 0 : Date);
    const TPlaceFilter filter(FilterPlace ? &collected : nullptr);

    // Gathered in walk order, then stably sorted: the same order as inserting each task after
    // the equal keys already listed, without the quadratic cost of inserting into an array.
    TListed listed;
    CollectToDo(this, filter, Date, listed);
    listed.AppendSortedTo(ToDoList);
}

void TTovrinDataBase::RebuildToDo(TTaskNode* StartTask, TTaskPlace* FilterPlace, bool IgnoreTime,
                                  TDateTime Date)
{
    TTaskNode* start = StartTask ? StartTask : Root.get();
    start->ToDoStartMark = true;
    // The walk clears the mark; this clears it too when the walk is cut short by an error.
    struct TMarkGuard {
        TTaskNode* Task;
        ~TMarkGuard() { Task->ToDoStartMark = false; }
    } guard{start};
    start->BuildToDo(FilterPlace, IgnoreTime, ToDoList, *PlacesList, Date);
}
