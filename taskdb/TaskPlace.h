#pragma once
// Places where tasks can be done, the include relation between them and their stored schedules.
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/DateTime.h"

class TStream;
namespace pugi { class xml_node; }

// One time range of a place schedule; stored and read, no further meaning.
struct TTimeRange {
    int32_t Code = 0;
    TDateTime StartTime = 0;
    TDateTime EndTime = 0;
};

// When a place is open. Kept in files only; nothing evaluates it.
// The range list exists exactly while the schedule is enabled.
class TTaskPlaceOpenCloseSchedule {
public:
    bool Enabled() const { return FRanges.has_value(); }
    // Enabling creates an empty range list, disabling drops the list with its ranges.
    void SetEnabled(bool value);

    bool Flag = false;   // a second switch, stored and read only

    // nullptr while the schedule is disabled.
    std::vector<TTimeRange>* Ranges() { return FRanges ? &*FRanges : nullptr; }
    const std::vector<TTimeRange>* Ranges() const { return FRanges ? &*FRanges : nullptr; }

    // Schedule part of the place record; nothing before version 2.
    void WriteToStream(TStream& stream, int version) const;
    void ReadFromStream(TStream& stream, int version);

private:
    std::optional<std::vector<TTimeRange>> FRanges;
};

class TTaskPlace {
public:
    int32_t PlaceID = -1;                 // -1 until a list assigns one
    std::string Caption;                  // readers assign as stored; editors go through SetCaption
    std::string PlaceNote;
    std::vector<int32_t> IncludedPlaces;  // IDs of the included places, in the order given
    TTaskPlaceOpenCloseSchedule OpenCloseSchedule;

    // Stores the text without leading and trailing blanks and control characters.
    void SetCaption(std::string_view text);
    void SetPlaceNote(std::string_view text) { PlaceNote = text; }

    // The schedule has no effect: every place is always open.
    bool IsOpenAt(TDateTime date) const;

    void WriteToStream(TStream& stream, int version) const;
    void ReadFromStream(TStream& stream, int version);
};

// The outline's places. The list owns them and hands out their IDs.
class TTaskPlacesList {
public:
    using TItems = std::vector<std::unique_ptr<TTaskPlace>>;

    TTaskPlacesList() = default;
    TTaskPlacesList(const TTaskPlacesList&) = delete;
    TTaskPlacesList& operator=(const TTaskPlacesList&) = delete;

    // The last ID handed out (0 before the first), as stored files keep it. Add never goes back
    // below it, so an ID is never given twice even after its place was deleted.
    int32_t NextPlaceID = 0;

    int Count() const { return static_cast<int>(FItems.size()); }
    bool IsEmpty() const { return FItems.empty(); }
    TTaskPlace* operator[](int index) const { return FItems.at(static_cast<size_t>(index)).get(); }
    TItems::const_iterator begin() const { return FItems.begin(); }
    TItems::const_iterator end() const { return FItems.end(); }

    // Frees every place.
    void Clear();

    // A new place with a fresh ID and the trimmed caption, appended to the list.
    TTaskPlace* Add(std::string_view caption);
    // The same for a caller that keeps the IDs in use itself: idTaken tells whether a place
    // of the list holds an ID, without a search of the list.
    TTaskPlace* Add(std::string_view caption, const std::function<bool(int32_t)>& idTaken);

    int IndexOfID(int32_t id) const;                 // -1 when no place has the ID
    TTaskPlace* FindByID(int32_t id) const;          // nullptr when none
    // First place whose caption equals the trimmed text, ignoring case; nullptr when none.
    TTaskPlace* FindByCaption(std::string_view text) const;

    // Takes the place out of the list. With freeIt the place is freed and nullptr returned;
    // otherwise the caller receives it. nullptr and no change when no place has the ID.
    std::unique_ptr<TTaskPlace> Remove(int32_t id, bool freeIt);
    // Puts a place handed out by Remove back at the end of the list (undo of a deletion).
    // Nothing for nullptr. Raises Exception when another place holds its ID; then the list is
    // unchanged and `place` still owns the object.
    void Insert(std::unique_ptr<TTaskPlace>&& place);

    // Captions of the places named by ids, in that order, joined by "; ". Unknown IDs are skipped.
    std::string CaptionsText(const std::vector<int32_t>& ids) const;

    // Fills target with place and every place it includes, transitively (place first, includes
    // walked from the last). Each place comes once; a real include cycle shows the cycling
    // warning once per closing edge. date 0 ignores the schedules.
    void CollectPlaces(TTaskPlace* place, std::vector<TTaskPlace*>& target, TDateTime date) const;

    // Places list record of the data file.
    void WriteToStream(TStream& stream, int version) const;
    void ReadFromStream(TStream& stream, int version);

    // XML form: one element per place; reading merges by caption.
    void WriteXml(pugi::xml_node node) const;
    void ReadXml(pugi::xml_node node);

private:
    TItems FItems;
    bool FIdIssued = false;   // an ID was handed out, so NextPlaceID 0 names a used ID
};

// The text of the warning shown when the include relation of `place` contains a cycle.
std::string CyclingInPlaceMessage(std::string_view placeCaption);
