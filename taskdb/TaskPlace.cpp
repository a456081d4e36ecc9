#include "taskdb/TaskPlace.h"

#include <algorithm>
#include <climits>
#include <unordered_set>

#include "platform/AnsiText.h"
#include "platform/Exceptions.h"
#include "platform/StrUtils.h"
#include "taskdb/PlaceLookup.h"
#include "taskdb/UiServices.h"

void TTaskPlaceOpenCloseSchedule::SetEnabled(bool value)
{
    if (value == Enabled())
        return;
    if (value)
        FRanges.emplace();
    else
        FRanges.reset();
}

void TTaskPlace::SetCaption(std::string_view text) { Caption = Trim(text); }

bool TTaskPlace::IsOpenAt(TDateTime) const { return true; }

void TTaskPlacesList::Clear() { FItems.clear(); }

TTaskPlace* TTaskPlacesList::Add(std::string_view caption)
{
    return Add(caption, [this](int32_t id) { return IndexOfID(id) >= 0; });
}

TTaskPlace* TTaskPlacesList::Add(std::string_view caption,
                                 const std::function<bool(int32_t)>& idTaken)
{
    // Continue above the last ID handed out: a deleted place's ID may still be named by tasks
    // and undo steps. Places read from a file may already hold the next IDs; step over them.
    int64_t id = NextPlaceID;
    if (FIdIssued || NextPlaceID != 0)
        ++id;
    while (id <= INT32_MAX && idTaken(static_cast<int32_t>(id)))
        ++id;
    if (id > INT32_MAX)
        throw Exception("No free place ID left.");
    auto place = std::make_unique<TTaskPlace>();
    place->PlaceID = static_cast<int32_t>(id);
    place->SetCaption(caption);
    FItems.push_back(std::move(place));
    NextPlaceID = static_cast<int32_t>(id);
    FIdIssued = true;
    return FItems.back().get();
}

int TTaskPlacesList::IndexOfID(int32_t id) const
{
    for (size_t i = 0; i < FItems.size(); ++i)
        if (FItems[i]->PlaceID == id)
            return static_cast<int>(i);
    return -1;
}

TTaskPlace* TTaskPlacesList::FindByID(int32_t id) const
{
    const int i = IndexOfID(id);
    return i < 0 ? nullptr : FItems[static_cast<size_t>(i)].get();
}

TTaskPlace* TTaskPlacesList::FindByCaption(std::string_view text) const
{
    const std::string wanted = Trim(text);
    for (const auto& place : FItems)
        if (AnsiSameText(place->Caption, wanted))
            return place.get();
    return nullptr;
}

std::unique_ptr<TTaskPlace> TTaskPlacesList::Remove(int32_t id, bool freeIt)
{
    const int i = IndexOfID(id);
    if (i < 0)
        return nullptr;
    std::unique_ptr<TTaskPlace> place = std::move(FItems[static_cast<size_t>(i)]);
    FItems.erase(FItems.begin() + i);
    if (freeIt)
        return nullptr;
    return place;
}

void TTaskPlacesList::Insert(std::unique_ptr<TTaskPlace>&& place)
{
    if (!place)
        return;
    if (const TTaskPlace* holder = FindByID(place->PlaceID))
        throw Exception("Can not insert place: \"" + place->Caption + "\". Place " + holder->Caption +
                        " with same ID=" + IntToStr(place->PlaceID) + " already exists.");
    // Keep the counter above every ID the list has held, so the ID is not given again later.
    if (place->PlaceID > NextPlaceID) {
        NextPlaceID = place->PlaceID;
        FIdIssued = true;
    }
    FItems.push_back(std::move(place));
}

std::string TTaskPlacesList::CaptionsText(const std::vector<int32_t>& ids) const
{
    std::string text;
    bool first = true;
    for (const int32_t id : ids) {
        const TTaskPlace* place = FindByID(id);
        if (!place)
            continue;
        if (!first)
            text += "; ";
        text += place->Caption;
        first = false;
    }
    return text;
}

std::string CyclingInPlaceMessage(std::string_view placeCaption)
{
    const std::string caption(placeCaption);
    return "Cycling in place: \"" + caption +
           "\". Some tasks might not be included in ToDo.\n\r\n\r"
           "This situation might happen for example when \"place1\" includes \"place2\" and "
           "\"place2\" includes \"place1\" what is not allowed. Please check place \"" +
           caption + "\" for cycling and fix this problem.";
}

void TTaskPlacesList::CollectPlaces(TTaskPlace* place, std::vector<TTaskPlace*>& target,
                                    TDateTime date) const
{
    target.clear();
    if (!place)
        return;

    // Depth-first, includes from the last to the first, with an explicit stack so that a long
    // include chain read from a file cannot exhaust the call stack. A place reached again
    // along another path is simply not walked twice; only a place on the current include
    // path closes a cycle, and that is what the user is warned about.
    struct TFrame {
        const TTaskPlace* Place;
        size_t Next;   // includes still to walk: IncludedPlaces[0 .. Next)
    };
    TPlaceLookup lookup(*this);
    std::unordered_set<const TTaskPlace*> visited;
    std::unordered_set<const TTaskPlace*> onPath;
    std::vector<TFrame> stack;

    auto enter = [&](TTaskPlace* p) {
        if (visited.count(p)) {
            if (onPath.count(p))
                UiServices().ShowWarning(CyclingInPlaceMessage(p->Caption));
            return;
        }
        visited.insert(p);
        if (date == 0 || p->IsOpenAt(date))
            target.push_back(p);
        onPath.insert(p);
        stack.push_back({p, p->IncludedPlaces.size()});
    };

    enter(place);
    while (!stack.empty()) {
        TFrame& frame = stack.back();
        if (frame.Next == 0) {
            onPath.erase(frame.Place);
            stack.pop_back();
            continue;
        }
        --frame.Next;
        if (TTaskPlace* included = lookup.Find(frame.Place->IncludedPlaces[frame.Next]))
            enter(included);   // may reallocate the stack: frame is not used after this
    }
}
