#include "outlooksync/ICalTimes.h"

#include <libical/ical.h>

#include <algorithm>
#include <map>
#include <memory>
#include <vector>

#include "outlooksync/ICalRuleParts.h"
#include "outlooksync/ICalSeries.h"
#include "outlooksync/ICalZoneClock.h"
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
        Local = UtcToLocal(UnixToDateTime(ZoneWallToUtc(zone, wall)));
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
            icaltimetype wall;
            if (ZoneUtcToWall(zone, UnixSeconds(LocalToUtc(Local)), wall)) {
                Property.ParamText = ";TZID=" + QuotedParam(Form.TzID);
                Property.Value = TimeText(wall);
                return;
            }
            // The second showing of a repeated wall time has no wall time of its own.
            Property.ParamText.clear();
            Property.Value = FormatICalUtcDateTime(Local);
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

namespace {

bool IsUtcText(const std::string& value)
{
    return !value.empty() && (value.back() == 'Z' || value.back() == 'z');
}

std::string WallText(int64_t wall, const TICalClock& clock)
{
    icaltimetype t = WallFromSeconds(wall);
    t.is_date = clock.Kind == TICalClock::ckDate;
    return TimeText(t) + (clock.Kind == TICalClock::ckUtc ? "Z" : "");
}

// The rule with the parts it takes from its start written out, so that it gives the same
// days and times from a start that lies off them (a date of RDATE).
std::string RuleOffItsStart(const std::string& text, const icaltimetype& start, bool isDate)
{
    const icalrecurrencetype r = icalrecurrencetype_from_string(text.c_str());
    const bool byDay = ListedParts(r.by_day), byMonthDay = ListedParts(r.by_month_day);
    const bool byMonth = ListedParts(r.by_month);
    const bool byYearDays = ListedParts(r.by_year_day) || ListedParts(r.by_week_no);
    std::string parts;
    if (!isDate) {
        if (r.freq >= ICAL_MINUTELY_RECURRENCE && !ListedParts(r.by_second))
            parts += Format(";BYSECOND=%d", start.second);
        if (r.freq >= ICAL_HOURLY_RECURRENCE && !ListedParts(r.by_minute))
            parts += Format(";BYMINUTE=%d", start.minute);
        if (r.freq >= ICAL_DAILY_RECURRENCE && !ListedParts(r.by_hour))
            parts += Format(";BYHOUR=%d", start.hour);
    }
    static const char* const kDays[] = {"SU", "MO", "TU", "WE", "TH", "FR", "SA"};
    if (r.freq == ICAL_WEEKLY_RECURRENCE && !byDay)
        parts += std::string(";BYDAY=") + kDays[icaltime_day_of_week(start) - 1];
    if (r.freq == ICAL_MONTHLY_RECURRENCE && !byDay && !byMonthDay)
        parts += Format(";BYMONTHDAY=%d", start.day);
    if (r.freq == ICAL_YEARLY_RECURRENCE && !byDay && !byMonthDay && !byYearDays) {
        if (!byMonth)
            parts += Format(";BYMONTH=%d", start.month);
        parts += Format(";BYMONTHDAY=%d", start.day);
    }
    return text + parts;
}

// The same series, occurrence by occurrence, from the moved start on.
bool SameSeries(TICalSeries& before, const TICalOccurrence& next, TICalSeries& after)
{
    std::string why;
    bool unreadable = false;
    if (!after.Read(why, unreadable) || after.StartInstant() != next.Instant)
        return false;
    for (int i = 0; i < 6; ++i) {
        TICalOccurrence a, b;
        const bool moreBefore = before.Next(a), moreAfter = after.Next(b);
        if (!moreBefore || !moreAfter)
            return moreBefore == moreAfter || before.Bounded() || after.Bounded();
        if (a.Instant != b.Instant)
            return false;
    }
    return true;
}

} // namespace

TSeriesStep TICalTimes::AdvanceSeries(TICalComponent& Todo, std::string* Why)
{
    std::string why;
    auto fail = [&](TSeriesStep step, std::string text) {
        if (Why)
            *Why = std::move(text);
        return step;
    };
    const TICalZoneFinder zones = [this](const std::string& tzid, int year) {
        return zones_->Find(tzid, year);
    };
    TICalSeries series(Todo, zones);
    bool unreadable = false;
    if (!series.Read(why, unreadable))
        return fail(unreadable ? TSeriesStep::Ended : TSeriesStep::NotMoved, why);
    TICalOccurrence next;
    if (!series.Next(next)) {
        if (series.Bounded())
            return fail(TSeriesStep::NotMoved, "its next occurrence was not found within the search's bound");
        return TSeriesStep::Ended;
    }
    const TICalClock& clock = series.Clock();

    TICalComponent moved = Todo;
    TICalProperty* start = moved.Find("DTSTART");
    TICalProperty* due = moved.Find("DUE");
    TICalProperty* base = start ? start : due;
    base->Value = WallText(next.Wall, clock);

    // DUE keeps its distance from the start: whole days for dates, else the exact time.
    if (start && due) {
        const std::string text = Trim(due->Value);
        bool dueIsDate = false;
        const std::optional<int64_t> dueInstant = series.ValueInstant(*due, text, dueIsDate);
        if (!dueInstant)
            return fail(TSeriesStep::NotMoved, "its due date names no moment");
        if (dueIsDate || clock.Kind == TICalClock::ckDate) {
            const int64_t days = WallDay(next.Wall) - WallDay(series.StartWall());
            icaltimetype t = icaltime_from_string(text.c_str());
            const int64_t wall = WallSeconds(t) + days * 86400;
            t = WallFromSeconds(wall);
            t.is_date = dueIsDate;
            due->Value = TimeText(t) + (IsUtcText(text) ? "Z" : "");
        } else {
            const int64_t instant = *dueInstant + (next.Instant - series.StartInstant());
            TICalClock dueClock{IsUtcText(text) ? TICalClock::ckUtc
                                : due->Param("TZID").empty() ? TICalClock::ckFloating
                                                             : TICalClock::ckZoned,
                                due->Param("TZID"), zones};
            if (dueClock.Kind == TICalClock::ckFloating && clock.Kind != TICalClock::ckFloating)
                dueClock = clock;   // a floating due runs on the start's clock
            bool exact = true;
            const std::optional<int64_t> wall = dueClock.Wall(instant, exact);
            if (!wall)
                return fail(TSeriesStep::NotMoved, "its due date names no moment");
            if (exact) {
                due->Value = WallText(*wall, dueClock);
            } else {
                // The second showing of a repeated wall time: only UTC names it.
                due->ParamText.clear();
                due->Value = TimeText(WallFromSeconds(instant)) + "Z";
            }
        }
    }

    // The occurrences passed over are used up: COUNT drops by them (the new start counts as
    // the rule's first occurrence), and the dates of RDATE before the new start are gone. One
    // at the start stays, so that a series of dates alone still reads as a series.
    if (series.Count() > 0) {
        TICalProperty* rule = moved.Find("RRULE");
        const std::string upper = UpperCase(rule->Value);
        const size_t at = upper.find("COUNT=");
        if (at != std::string::npos) {
            size_t end = at + 6;
            while (end < rule->Value.size() && rule->Value[end] >= '0' && rule->Value[end] <= '9')
                ++end;
            const int64_t left = series.Count() - next.RulePassed + (next.FromRule ? 0 : 1);
            rule->Value.replace(at + 6, end - at - 6, std::to_string(std::max<int64_t>(left, 1)));
        }
    }
    if (!next.FromRule)
        if (TICalProperty* rule = moved.Find("RRULE"))
            rule->Value = RuleOffItsStart(Trim(rule->Value), WallFromSeconds(series.StartWall()),
                                          clock.Kind == TICalClock::ckDate);
    for (size_t i = 0; i < moved.Properties.size();) {
        TICalProperty& p = moved.Properties[i];
        if (p.Raw || !SameText(p.Name, "RDATE")) {
            ++i;
            continue;
        }
        std::string kept;
        for (const std::string& v : SplitICalTextList(p.Value)) {
            bool isDate = false;
            const std::optional<int64_t> instant = series.ValueInstant(p, v, isDate);
            const bool dayOfTimes = isDate && clock.Kind != TICalClock::ckDate;
            if (instant && (dayOfTimes ? WallDay(*instant) < WallDay(next.Wall) : *instant < next.Instant))
                continue;
            kept += (kept.empty() ? "" : ",") + v;
        }
        if (kept.empty()) {
            moved.Properties.erase(moved.Properties.begin() + static_cast<long>(i));
            continue;
        }
        if (kept != p.Value)
            p.Value = kept;
        ++i;
    }

    // A start moved onto a date of RDATE could still change what the rule gives (its INTERVAL
    // counts from the start): such a series is left as it is.
    TICalSeries after(moved, zones);
    if (!SameSeries(series, next, after))
        return fail(TSeriesStep::NotMoved, "its start cannot move on without changing the series");
    Todo = std::move(moved);
    return TSeriesStep::Moved;
}
