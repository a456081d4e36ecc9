#pragma once
// Finding places quickly during a run of many lookups (an include walk, an XML import or
// export), where a search of the list for each one would make the run quadratic.
#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <unordered_set>
#include <utility>
#include <vector>

class TTaskPlace;
class TTaskPlacesList;

// Finds places by ID, as FindByID does, while the list does not change. A few lookups search
// the list; more index it once: a table by ID when the IDs are dense (the usual case, as the
// list hands them out in order), else a sorted array. Of two places with one ID the first in
// the list wins.
class TPlaceLookup {
public:
    explicit TPlaceLookup(const TTaskPlacesList& list) : FList(list) {}

    TTaskPlace* Find(int32_t id);

private:
    void BuildIndex();

    const TTaskPlacesList& FList;
    bool FIndexed = false;
    int FLookups = 0;
    std::vector<TTaskPlace*> FTable;   // FTable[id - FLow]
    int64_t FLow = 0;
    std::vector<std::pair<int32_t, TTaskPlace*>> FSorted;
};

// Finds places by caption, as FindByCaption does (the first in list order of the places whose
// caption equals the trimmed text without regard to case), and adds the missing ones, while
// places are added to the list only through it and none is removed or renamed.
class TPlaceCaptionIndex {
public:
    explicit TPlaceCaptionIndex(TTaskPlacesList& list);

    TTaskPlace* Find(std::string_view caption) const;
    // Find, else a new place with that caption added to the list.
    TTaskPlace* FindOrAdd(std::string_view caption);

private:
    TTaskPlacesList& FList;
    std::unordered_map<std::u32string, TTaskPlace*> FByCaption;
    std::unordered_set<int32_t> FIds;
};
