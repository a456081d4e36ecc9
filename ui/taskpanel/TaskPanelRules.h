#pragma once
// Display-free rules of the task panel: the lead time in the unit that shows it best, the
// estimate text, and the places text turned into place IDs.
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

class TTaskPlacesList;

// Units of the lead-time drop-down list, in its order.
constexpr int32_t LeadTimeHours = 0;
constexpr int32_t LeadTimeDays = 1;
constexpr int32_t LeadTimeWeeks = 2;

// The range of the lead-time spin edit.
constexpr int32_t LeadTimeMaxValue = 10000;

struct TLeadTimeDisplay {
    int32_t Value = 0;
    int32_t Scale = LeadTimeDays;
};

// A fraction of a day shows in whole hours (minutes are dropped), whole weeks in weeks, other
// whole days in days.
TLeadTimeDisplay LeadTimeDisplay(double Days);
// Scale -1 (none chosen) counts the value in days; a value of 0 is 0 in every unit.
double LeadTimeFromDisplay(int32_t Value, int32_t Scale);

// Empty for 0, else at most two decimals without trailing zeros and without a leading zero
// (0.5 shows ".5").
std::string FormatEstimate(double Hours, char DecimalSeparator);
// Empty (after trimming) is 0; false when the text is no number.
bool ParseEstimate(const std::string& Text, double& Hours);

// "Place \"Field\" not found. Create new place?"
std::string PlaceNotFoundQuestion(const std::string& Field);

struct TPlacesParse {
    std::vector<int32_t> Places;  // in the order of the text, each once
    bool Created = false;         // a place was added to the list
    bool Cancelled = false;       // the user cancelled; Places is incomplete
};

// Splits the text at ";" and looks each field up by caption (trimmed, ignoring case). For a
// field that names no place, AskCreate (with the field) answers idYes (add the place), idNo
// (skip the field) or idCancel (stop). Fields that spell the caption of a place in Held (the
// task's places) name that place first; a field spelled exactly as a place is called names it
// before one called alike but for case.
TPlacesParse ParseTaskPlacesText(const std::string& Text, TTaskPlacesList& List,
                                 const std::function<int32_t(const std::string& Field)>& AskCreate,
                                 const std::vector<int32_t>& Held = {});
