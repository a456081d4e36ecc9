#include "outlooksync/ICalTimes.h"

#include <libical/ical.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <map>
#include <memory>
#include <vector>

#include "outlooksync/ICalRuleDays.h"
#include "outlooksync/ICalRuleParts.h"
#include "outlooksync/ICalZoneDefinition.h"
#include "platform/StrUtils.h"

namespace {

// The wall-clock text of a time, without any zone mark.
std::string TimeText(const icaltimetype& t)
{
    if (t.is_date)
        return Format("%04d%02d%02d", t.year, t.month, t.day);
    return Format("%04d%02d%02dT%02d%02d%02d", t.year, t.month, t.day, t.hour, t.minute, t.second);
}

int64_t UnixSeconds(TDateTime Utc)
{
    return DateTimeToUnix(RoundToSecond(Utc));
}

std::string QuotedParam(const std::string& value)
{
    return value.find_first_of(":;,") == std::string::npos ? value : "\"" + value + "\"";
}

bool IsDateValue(const TICalProperty& p)
{
    return SameText(p.Param("VALUE"), "DATE") || Trim(p.Value).size() == 8;
}

// The last time a series is searched for its next occurrence: a span of the rule's own steps,
// one more for each excluded date. libical steps through every period of the rule looking for
// a match, so without an end a rule whose parts never meet (February 30th) is searched to the
// library's last year, and one below a day second by second. Below a day 10,000 steps; from a
// day up, 28 years, in which every day pattern of the calendar comes round.
icaltimetype SearchEnd(const icalrecurrencetype& recur, icaltimetype first, size_t excluded)
{
    int64_t unit = 1;
    switch (recur.freq) {
    case ICAL_SECONDLY_RECURRENCE: unit = 1; break;
    case ICAL_MINUTELY_RECURRENCE: unit = 60; break;
    case ICAL_HOURLY_RECURRENCE: unit = 3600; break;
    case ICAL_DAILY_RECURRENCE: unit = 86400; break;
    case ICAL_WEEKLY_RECURRENCE: unit = 7 * 86400; break;
    case ICAL_MONTHLY_RECURRENCE: unit = 31 * 86400; break;
    default: unit = 366 * 86400; break;
    }
    const int64_t steps = unit < 86400 ? 10000 : (28 * 366 * 86400 + unit - 1) / unit;
    const int64_t interval = std::max<int64_t>(recur.interval, 1);
    const int64_t span = interval * unit * (steps + static_cast<int64_t>(excluded));
    constexpr int64_t lastDay = 3660000;   // beyond the year 9999 from any start
    icaltimetype end = first;
    end.is_date = 0;
    if (span / 86400 >= lastDay) {
        end.year = 9999;
    } else {
        icaltime_adjust(&end, static_cast<int>(span / 86400), 0, 0, static_cast<int>(span % 86400));
    }
    if (end.year > 9999) {
        end.year = 9999;
        end.month = 12;
        end.day = 31;
        end.hour = 23;
        end.minute = 59;
        end.second = 59;
    }
    if (first.is_date) {
        end.is_date = 1;
        end.hour = end.minute = end.second = 0;
    }
    return end;
}

} // namespace

struct TICalTimes::TZones {
    const TICalComponent* Calendar = nullptr;
    // The file's own definitions by TZID, shared with other files of the same text; nullptr
    // for one that cannot be used.
    std::map<std::string, std::shared_ptr<TICalZoneDefinition>> Defined;
    // Every zone handed out stays valid while these times are in use.
    std::vector<std::shared_ptr<icaltimezone>> Held;

    // The zone a TZID names around a year: the file's own definition first, then the system's
    // database (also for a definition that cannot be used).
    icaltimezone* Find(const std::string& tzid, int year)
    {
        auto it = Defined.find(tzid);
        if (it == Defined.end())
            it = Defined.emplace(tzid, Definition(tzid)).first;
        if (it->second) {
            if (std::shared_ptr<icaltimezone> zone = it->second->Covering(year)) {
                if (std::find(Held.begin(), Held.end(), zone) == Held.end())
                    Held.push_back(zone);
                return zone.get();
            }
            it->second.reset();
        }
        if (icaltimezone* zone = icaltimezone_get_builtin_timezone(tzid.c_str()))
            return zone;
        return icaltimezone_get_builtin_timezone_from_tzid(tzid.c_str());
    }

    // The file's definition of the zone. Definitions of one name that differ leave it open
    // which one is meant.
    std::shared_ptr<TICalZoneDefinition> Definition(const std::string& tzid) const
    {
        if (!Calendar)
            return nullptr;
        const TICalComponent* found = nullptr;
        std::string foundText;
        for (const TICalComponent& c : Calendar->Components) {
            const TICalProperty* id = c.Find("TZID");
            if (!SameText(c.Name, "VTIMEZONE") || !id || Trim(id->Value) != tzid)
                continue;
            std::string text = WriteICalendar({c});
            if (found && text != foundText)
                return nullptr;
            found = &c;
            foundText = std::move(text);
        }
        return found ? TICalZoneDefinition::Shared(foundText, tzid) : nullptr;
    }
};

TICalTimes::TICalTimes(const TICalComponent* Calendar) : zones_(std::make_unique<TZones>())
{
    zones_->Calendar = Calendar;
}

TICalTimes::~TICalTimes() = default;

bool TICalTimes::Read(const TICalProperty& Property, TDateTime& Local, TICalTimeForm& Form,
                      std::string& Error)
{
    const std::string value = Trim(Property.Value);
    const std::string tzid = Property.Param("TZID");
    bool isDate = false;
    if (!ParseICalDateTime(value, Local, isDate)) {
        Error = "the value of " + Property.Name + " is no date: \"" + value + "\"";
        return false;
    }
    Form = TICalTimeForm{};
    if (isDate) {
        Form.Kind = TICalTimeForm::tfDate;
    } else if (value.back() == 'Z' || value.back() == 'z') {
        Form.Kind = TICalTimeForm::tfUtc;
    } else if (!tzid.empty()) {
        const icaltimetype wall = icaltime_from_string(value.c_str());
        icaltimezone* zone = zones_->Find(tzid, wall.year);
        if (!zone) {
            Error = Property.Name + " names the unknown time zone \"" + tzid + "\"";
            return false;
        }
        const time_t utc = icaltime_as_timet_with_zone(wall, zone);
        Local = UtcToLocal(UnixToDateTime(static_cast<int64_t>(utc)));
        Form.Kind = TICalTimeForm::tfZoned;
        Form.TzID = tzid;
    }
    return true;
}

void TICalTimes::Write(TICalProperty& Property, TDateTime Local, const TICalTimeForm& Form)
{
    switch (Form.Kind) {
    case TICalTimeForm::tfDate:
        Property.ParamText = ";VALUE=DATE";
        Property.Value = FormatICalDate(Local);
        return;
    case TICalTimeForm::tfUtc:
        Property.ParamText.clear();
        Property.Value = FormatICalUtcDateTime(Local);
        return;
    case TICalTimeForm::tfZoned: {
        int year = 0, month = 0, day = 0;
        DecodeDate(Local, year, month, day);
        if (icaltimezone* zone = zones_->Find(Form.TzID, year)) {
            const time_t utc = static_cast<time_t>(UnixSeconds(LocalToUtc(Local)));
            Property.ParamText = ";TZID=" + QuotedParam(Form.TzID);
            Property.Value = TimeText(icaltime_from_timet_with_zone(utc, 0, zone));
            return;
        }
        break;
    }
    case TICalTimeForm::tfFloating:
        break;
    }
    Property.ParamText.clear();
    Property.Value = FormatICalLocalDateTime(Local);
}

bool TICalTimes::AdvanceSeries(TICalComponent& Todo)
{
    TICalProperty* rule = Todo.Find("RRULE");
    TICalProperty* start = Todo.Find("DTSTART");
    TICalProperty* due = Todo.Find("DUE");
    TICalProperty* base = start ? start : due;
    if (!rule || !base)
        return false;
    icalrecurrencetype recur = icalrecurrencetype_from_string(Trim(rule->Value).c_str());
    if (recur.freq == ICAL_NO_RECURRENCE)
        return false;
    // Below a day libical steps through every hour (minute, second) and tries the day rules on
    // each, for years where they never match: such a series is completed as a whole.
    if (recur.freq < ICAL_DAILY_RECURRENCE &&
        (ListedParts(recur.by_day) || ListedParts(recur.by_month_day) ||
         ListedParts(recur.by_year_day) || ListedParts(recur.by_week_no) ||
         ListedParts(recur.by_month) || ListedParts(recur.by_set_pos)))
        return false;

    // The rule runs on the wall clock of the base's own zone.
    const bool baseIsDate = IsDateValue(*base);
    icaltimetype first = icaltime_from_string(Trim(base->Value).c_str());
    if (icaltime_is_null_time(first))
        return false;
    first.is_date = baseIsDate ? 1 : 0;
    if (!RuleDaysComeRound(recur, first))
        return false;
    std::vector<std::string> excluded;
    for (const TICalProperty& p : Todo.Properties)
        if (!p.Raw && SameText(p.Name, "EXDATE"))
            for (const std::string& v : SplitICalTextList(p.Value))
                excluded.push_back(Trim(v).substr(0, baseIsDate ? 8 : 15));
    std::sort(excluded.begin(), excluded.end());
    excluded.erase(std::unique(excluded.begin(), excluded.end()), excluded.end());

    // The search ends at the rule's own UNTIL or at its bound, whichever comes first; libical
    // takes no UNTIL beside a COUNT, so occurrences are counted here.
    icalrecurrencetype bounded = recur;
    const icaltimetype searchEnd = SearchEnd(recur, first, excluded.size());
    if (icaltime_is_null_time(bounded.until) || icaltime_compare(bounded.until, searchEnd) > 0)
        bounded.until = searchEnd;
    bounded.count = 0;
    std::unique_ptr<icalrecur_iterator, void (*)(icalrecur_iterator*)> it(
        icalrecur_iterator_new(bounded, first), icalrecur_iterator_free);
    if (!it)
        return false;
    icaltimetype next = icaltime_null_time();
    // Only the start itself and excluded dates are passed over; a rule that repeats a time
    // (BYHOUR=1,1,1) passes over no more than a bounded few.
    const size_t passable = excluded.size() + 10000;
    for (size_t occurrence = 1;; ++occurrence) {
        next = icalrecur_iterator_next(it.get());
        if (icaltime_is_null_time(next) || occurrence > passable ||
            (recur.count > 0 && occurrence > size_t(recur.count))) {
            next = icaltime_null_time();
            break;
        }
        const std::string text = TimeText(next).substr(0, baseIsDate ? 8 : 15);
        if (icaltime_compare(next, first) > 0 &&
            !std::binary_search(excluded.begin(), excluded.end(), text))
            break;
    }
    if (icaltime_is_null_time(next))
        return false;

    // DUE keeps its distance from DTSTART on the wall clock.
    const TDateTime shift = (EncodeDate(next.year, next.month, next.day) -
                             EncodeDate(first.year, first.month, first.day)) +
                            ((next.hour - first.hour) * 3600 + (next.minute - first.minute) * 60 +
                             (next.second - first.second)) / 86400.0;
    std::string nextText = TimeText(next);
    if (!baseIsDate && (Trim(base->Value).back() == 'Z' || Trim(base->Value).back() == 'z') &&
        nextText.back() != 'Z')
        nextText += 'Z';
    if (start && due) {
        icaltimetype dueTime = icaltime_from_string(Trim(due->Value).c_str());
        if (!icaltime_is_null_time(dueTime)) {
            const int64_t seconds = std::llround(shift * 86400);
            icaltime_adjust(&dueTime, static_cast<int>(seconds / 86400), 0, 0,
                            static_cast<int>(seconds % 86400));
            std::string dueText = TimeText(dueTime);
            const std::string old = Trim(due->Value);
            if (old.size() > 8 && (old.back() == 'Z' || old.back() == 'z') && dueText.back() != 'Z')
                dueText += 'Z';
            due->Value = dueText;
        }
    }
    base->Value = nextText;

    // A counted series has one occurrence fewer from the new start on.
    if (recur.count > 0) {
        const std::string upper = UpperCase(rule->Value);
        const size_t at = upper.find("COUNT=");
        if (at != std::string::npos) {
            size_t end = at + 6;
            while (end < rule->Value.size() && rule->Value[end] >= '0' && rule->Value[end] <= '9')
                ++end;
            rule->Value.replace(at + 6, end - at - 6, std::to_string(recur.count - 1));
        }
    }
    return true;
}
