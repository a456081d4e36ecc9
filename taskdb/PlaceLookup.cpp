#include "taskdb/PlaceLookup.h"

#include <algorithm>
#include <climits>

#include "platform/AnsiText.h"
#include "platform/StrUtils.h"
#include "taskdb/TaskPlace.h"

TTaskPlace* TPlaceLookup::Find(int32_t id)
{
    if (!FIndexed && ++FLookups <= 4)
        return FList.FindByID(id);
    if (!FIndexed)
        BuildIndex();
    if (!FTable.empty()) {
        const int64_t i = static_cast<int64_t>(id) - FLow;
        return i >= 0 && i < static_cast<int64_t>(FTable.size()) ? FTable[static_cast<size_t>(i)]
                                                                  : nullptr;
    }
    const auto it = std::lower_bound(FSorted.begin(), FSorted.end(), id,
                                     [](const auto& e, int32_t v) { return e.first < v; });
    return it != FSorted.end() && it->first == id ? it->second : nullptr;
}

void TPlaceLookup::BuildIndex()
{
    FIndexed = true;
    if (FList.IsEmpty())
        return;
    int64_t lo = INT64_MAX, hi = INT64_MIN;
    for (const auto& p : FList) {
        lo = std::min<int64_t>(lo, p->PlaceID);
        hi = std::max<int64_t>(hi, p->PlaceID);
    }
    if (hi - lo < 4 * static_cast<int64_t>(FList.Count()) + 64) {
        FLow = lo;
        FTable.assign(static_cast<size_t>(hi - lo + 1), nullptr);
        for (auto it = FList.end(); it != FList.begin();) {
            --it;
            FTable[static_cast<size_t>((*it)->PlaceID - lo)] = it->get();
        }
        return;
    }
    FSorted.reserve(static_cast<size_t>(FList.Count()));
    for (const auto& p : FList)
        FSorted.emplace_back(p->PlaceID, p.get());
    std::stable_sort(FSorted.begin(), FSorted.end(),
                     [](const auto& x, const auto& y) { return x.first < y.first; });
}

TPlaceCaptionIndex::TPlaceCaptionIndex(TTaskPlacesList& list) : FList(list)
{
    FByCaption.reserve(static_cast<size_t>(list.Count()));
    FIds.reserve(static_cast<size_t>(list.Count()));
    for (const auto& place : list) {
        FByCaption.emplace(AnsiTextKey(place->Caption), place.get());   // the first one stays
        FIds.insert(place->PlaceID);
    }
}

TTaskPlace* TPlaceCaptionIndex::Find(std::string_view caption) const
{
    const auto it = FByCaption.find(AnsiTextKey(Trim(caption)));
    return it == FByCaption.end() ? nullptr : it->second;
}

TTaskPlace* TPlaceCaptionIndex::FindOrAdd(std::string_view caption)
{
    if (TTaskPlace* place = Find(caption))
        return place;
    TTaskPlace* place = FList.Add(caption, [this](int32_t id) { return FIds.count(id) > 0; });
    FByCaption.emplace(AnsiTextKey(place->Caption), place);
    FIds.insert(place->PlaceID);
    return place;
}
