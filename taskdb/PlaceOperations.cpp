// Giving the places of one task to its whole subtree.
#include <algorithm>

#include "taskdb/TaskNode.h"
#include "taskdb/TovrinDataBase.h"

namespace {

// Keeps PlaceSourceTask set while a walk runs, and clears it on every way out.
class TPlaceSourceScope {
public:
    TPlaceSourceScope(TTovrinDataBase& db, TTaskNode* task) : FDataBase(db)
    {
        FDataBase.PlaceSourceTask = task;
    }
    ~TPlaceSourceScope() { FDataBase.PlaceSourceTask = nullptr; }
    TPlaceSourceScope(const TPlaceSourceScope&) = delete;
    TPlaceSourceScope& operator=(const TPlaceSourceScope&) = delete;

private:
    TTovrinDataBase& FDataBase;
};

bool Holds(const std::vector<int32_t>& places, int32_t id)
{
    return std::find(places.begin(), places.end(), id) != places.end();
}

} // namespace

void TTovrinDataBase::AddPlacesToSubtasks(TTaskNode* Task)
{
    if (!Task)
        return;
    TPlaceSourceScope scope(*this, Task);
    Task->ForEachNode(
        [](void* data, TTaskNode* t) {
            const TTaskNode* source = static_cast<TTovrinDataBase*>(data)->PlaceSourceTask;
            if (t == source)
                return;
            for (const int32_t id : source->Places)
                if (!Holds(t->Places, id))
                    t->Places.push_back(id);
        },
        this);
}

void TTovrinDataBase::ReplaceSubtasksPlaces(TTaskNode* Task)
{
    if (!Task)
        return;
    TPlaceSourceScope scope(*this, Task);
    Task->ForEachNode(
        [](void* data, TTaskNode* t) {
            const TTaskNode* source = static_cast<TTovrinDataBase*>(data)->PlaceSourceTask;
            if (t != source)
                t->Places = source->Places;
        },
        this);
}

void TTovrinDataBase::ClearSubtasksPlaces(TTaskNode* Task)
{
    if (!Task)
        return;
    TPlaceSourceScope scope(*this, Task);
    Task->ForEachNode([](void*, TTaskNode* t) { t->Places.clear(); }, this);
}
