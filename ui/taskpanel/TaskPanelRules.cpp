#include "ui/taskpanel/TaskPanelRules.h"

#include <algorithm>
#include <climits>
#include <cmath>

#include "platform/AnsiText.h"
#include "platform/DateTime.h"
#include "platform/StrUtils.h"
#include "taskdb/Services.h"
#include "taskdb/TaskPlace.h"

namespace {

// A stored lead time may be anything a file held; the controls show what fits an Int32.
int32_t ClampToInt(double value)
{
    if (!(value > -2147483648.0))
        return value != value ? 0 : INT32_MIN;
    if (value > 2147483647.0)
        return INT32_MAX;
    return static_cast<int32_t>(value);
}

} // namespace

TLeadTimeDisplay LeadTimeDisplay(double Days)
{
    TLeadTimeDisplay display;
    if (Days == 0 || !std::isfinite(Days))
        return display;
    const double whole = std::trunc(Days);
    if (Days - whole >= 1e-13) {
        int hour = 0, minute = 0, second = 0, msec = 0;
        DecodeTime(Days - whole, hour, minute, second, msec);
        display.Value = ClampToInt(whole * 24 + hour);
        display.Scale = LeadTimeHours;
    } else if (std::fmod(whole, 7) == 0) {
        display.Value = ClampToInt(std::trunc(Days / 7));
        display.Scale = LeadTimeWeeks;
    } else {
        display.Value = ClampToInt(whole);
        display.Scale = LeadTimeDays;
    }
    return display;
}

double LeadTimeFromDisplay(int32_t Value, int32_t Scale)
{
    if (Value == 0)
        return 0;
    switch (Scale) {
    case LeadTimeHours:
        return Value / 24 + (Value % 24) / 24.0;
    case LeadTimeWeeks:
        return static_cast<double>(Value) * 7;
    default:
        return Value;
    }
}

std::string FormatEstimate(double Hours, char DecimalSeparator)
{
    if (Hours == 0)
        return "";
    std::string text = Format("%.2f", Hours);
    while (!text.empty() && text.back() == '0')
        text.pop_back();
    if (!text.empty() && text.back() == '.')
        text.pop_back();
    // "#" before the separator: no leading zero.
    if (text.rfind("0.", 0) == 0)
        text.erase(0, 1);
    else if (text.rfind("-0.", 0) == 0)
        text.erase(1, 1);
    if (text.empty() || text == "-")
        return "0";  // rounds to nothing at two decimals
    std::replace(text.begin(), text.end(), '.', DecimalSeparator);
    return text;
}

bool ParseEstimate(const std::string& Text, double& Hours)
{
    const std::string text = Trim(Text);
    if (text.empty()) {
        Hours = 0;
        return true;
    }
    double value = 0;
    if (!TryStrToFloat(text, value) || !std::isfinite(value))
        return false;
    Hours = value;
    return true;
}

std::string PlaceNotFoundQuestion(const std::string& Field)
{
    return "Place \"" + Field + "\" not found. Create new place?";
}

namespace {

size_t CaptionParts(const std::string& Caption)
{
    return static_cast<size_t>(std::count(Caption.begin(), Caption.end(), ';')) + 1;
}

// The place whose caption the field spells as typed, case and all.
const TTaskPlace* FindExactly(const TTaskPlacesList& List, const std::string& Field)
{
    const std::string wanted = Trim(Field);
    for (int i = 0; i < List.Count(); ++i)
        if (List[i]->Caption == wanted)
            return List[i];
    return nullptr;
}

// How many fields from First spell Place's caption, split at ";" as the box splits it; 0 when
// they do not, or when one of them already names another place. Ignoring case, a lone field
// that spells another place's caption exactly is that place's.
size_t FieldsSpelling(const std::vector<std::string>& Fields, const std::vector<int32_t>& Named, size_t First,
                      const std::string& Caption, bool Exact, const TTaskPlacesList& List)
{
    const size_t parts = CaptionParts(Caption);
    if (First + parts > Fields.size())
        return 0;
    for (size_t k = 0; k < parts; ++k) {
        const std::string field = Trim(Fields[First + k]), part = Trim(GetField(Caption, ";", int32_t(k) + 1));
        if (Named[First + k] >= 0 || !(Exact ? field == part : AnsiSameText(field, part)))
            return 0;
    }
    if (!Exact && parts == 1 && FindExactly(List, Fields[First]))
        return 0;
    return parts;
}

} // namespace

TPlacesParse ParseTaskPlacesText(const std::string& Text, TTaskPlacesList& List,
                                 const std::function<int32_t(const std::string& Field)>& AskCreate,
                                 const std::vector<int32_t>& Held)
{
    TPlacesParse result;
    const std::string text = Trim(Text);
    std::vector<std::string> fields;
    for (int32_t i = 1, count = CountFields(text, ";"); i <= count; ++i)
        fields.push_back(GetField(text, ";", i));
    // The box shows a place without a caption last as a trailing "; ", a field of its own.
    const bool holdsUncaptioned = std::any_of(Held.begin(), Held.end(), [&](int32_t id) {
        const TTaskPlace* place = List.FindByID(id);
        return place && place->Caption.empty();
    });
    if (holdsUncaptioned && !text.empty() && text.back() == ';')
        fields.emplace_back();
    // A place the task holds keeps its identity where the fields spell its caption, also when
    // another place has the same caption or the caption holds ";" or is empty; exact spellings
    // go first, so that of two places called alike each keeps its own field, and captions that
    // span more fields before those a shorter caption would cut.
    std::vector<int32_t> named(fields.size(), -1);
    std::vector<int32_t> held = Held;
    std::stable_sort(held.begin(), held.end(), [&](int32_t a, int32_t b) {
        const TTaskPlace *x = List.FindByID(a), *y = List.FindByID(b);
        return (x ? CaptionParts(x->Caption) : 0) > (y ? CaptionParts(y->Caption) : 0);
    });
    const auto claim = [&](int32_t id, bool exact) {
        const TTaskPlace* place = List.FindByID(id);
        for (size_t i = 0; place && i < fields.size(); ++i)
            if (const size_t parts = FieldsSpelling(fields, named, i, place->Caption, exact, List)) {
                std::fill_n(named.begin() + long(i), parts, id);
                return true;
            }
        return false;
    };
    std::vector<int32_t> unnamed = held;
    for (const bool exact : {true, false})
        std::erase_if(unnamed, [&](int32_t id) { return claim(id, exact); });
    // Spelled again as it is, it is still the task's own place.
    for (const int32_t id : held)
        while (claim(id, true)) {
        }
    auto join = [&](int32_t id) {
        if (std::find(result.Places.begin(), result.Places.end(), id) == result.Places.end())
            result.Places.push_back(id);
    };
    for (size_t i = 0; i < fields.size(); ++i) {
        if (named[i] >= 0) {
            join(named[i]);
            continue;
        }
        // An empty field (";;", "; ;") names no place.
        const std::string field = Trim(fields[i]);
        if (field.empty())
            continue;
        const TTaskPlace* place = FindExactly(List, field);
        if (place || (place = List.FindByCaption(field))) {
            join(place->PlaceID);
            continue;
        }
        const int32_t answer = AskCreate(field);
        if (answer == idYes) {
            join(List.Add(field)->PlaceID);
            result.Created = true;
        } else if (answer != idNo) {
            result.Cancelled = true;
            break;
        }
    }
    return result;
}
