#include "outlooksync/ICalSeries.h"

#include <algorithm>

#include "outlooksync/ICalRuleDays.h"
#include "outlooksync/ICalZoneClock.h"
#include "platform/StrUtils.h"

namespace {

constexpr int64_t kDay = 86400;
// Occurrences a walk passes over (the start, excluded ones) before it gives up, besides one
// for each excluded date.
constexpr int64_t kPassable = 10000;

bool IsDateValue(const TICalProperty& p, const std::string& value)
{
    return SameText(p.Param("VALUE"), "DATE") || value.size() == 8;
}

icaltimetype ReadTime(std::string value)
{
    // A period ("start/end" or "start/duration") is taken at its start.
    value = Trim(value.substr(0, value.find('/')));
    if (value.size() != 8 && value.size() != 15 && value.size() != 16)
        return icaltime_null_time();
    return icaltime_from_string(value.c_str());
}

bool IsUtcText(const std::string& value)
{
    const std::string v = Trim(value.substr(0, value.find('/')));
    return !v.empty() && (v.back() == 'Z' || v.back() == 'z');
}

// The last time a rule of a day or more is searched for its next occurrence: a span of the
// rule's own steps, one more for each excluded date. libical steps through every period of the
// rule looking for a match; 28 years hold every day pattern of the calendar.
int64_t SearchEnd(const icalrecurrencetype& recur, int64_t first, size_t excluded)
{
    int64_t unit = kDay;
    switch (recur.freq) {
    case ICAL_DAILY_RECURRENCE: unit = kDay; break;
    case ICAL_WEEKLY_RECURRENCE: unit = 7 * kDay; break;
    case ICAL_MONTHLY_RECURRENCE: unit = 31 * kDay; break;
    case ICAL_YEARLY_RECURRENCE: unit = 366 * kDay; break;
    default: unit = 1; break;   // below a day the walk's own budget bounds it
    }
    const int64_t steps = (28 * 366 * kDay + unit - 1) / unit;
    const int64_t interval = std::clamp<int64_t>(recur.interval, 1, 1000000);
    const int64_t span = std::min<int64_t>(interval * unit * (steps + static_cast<int64_t>(excluded)),
                                           10000LL * 366 * kDay);
    return first + span;
}

// The latest wall time libical is handed: the end of the year 9999.
int64_t LastWall()
{
    icaltimetype t = icaltime_null_time();
    t.year = 9999;
    t.month = 12;
    t.day = 31;
    t.hour = 23;
    t.minute = 59;
    t.second = 59;
    return WallSeconds(t);
}

} // namespace

std::optional<int64_t> TICalClock::Instant(int64_t Wall) const
{
    switch (Kind) {
    case ckDate: return WallDay(Wall) * kDay;
    case ckUtc: return Wall;
    case ckZoned: {
        icaltimezone* zone = Zones ? Zones(TzID, WallFromSeconds(Wall).year) : nullptr;
        if (!zone)
            return std::nullopt;
        return ZoneWallToUtc(zone, WallFromSeconds(Wall));
    }
    case ckFloating: break;
    }
    return DateTimeToUnix(LocalToUtc(UnixToDateTime(Wall)));
}

std::optional<int64_t> TICalClock::Wall(int64_t Moment, bool& Exact) const
{
    Exact = true;
    switch (Kind) {
    case ckDate: return WallDay(Moment) * kDay;
    case ckUtc: return Moment;
    case ckZoned: {
        icaltimezone* zone = Zones ? Zones(TzID, WallFromSeconds(Moment).year) : nullptr;
        if (!zone)
            return std::nullopt;
        icaltimetype wall;
        Exact = ZoneUtcToWall(zone, Moment, wall);
        return WallSeconds(wall);
    }
    case ckFloating: break;
    }
    const int64_t wall = DateTimeToUnix(UtcToLocal(UnixToDateTime(Moment)));
    Exact = Instant(wall) == Moment;
    return wall;
}

TICalSeries::TICalSeries(const TICalComponent& Todo, TICalZoneFinder Zones) : todo_(Todo)
{
    clock_.Zones = std::move(Zones);
}

TICalSeries::~TICalSeries() = default;

std::optional<int64_t> TICalSeries::ValueInstant(const TICalProperty& Property,
                                                 const std::string& Value, bool& IsDate) const
{
    const icaltimetype t = ReadTime(Value);
    if (icaltime_is_null_time(t))
        return std::nullopt;
    IsDate = IsDateValue(Property, Trim(Value.substr(0, Value.find('/'))));
    icaltimetype fields = t;
    if (IsDate || clock_.Kind == TICalClock::ckDate)
        fields.hour = fields.minute = fields.second = 0;
    const int64_t wall = WallSeconds(fields);
    if (IsDate || clock_.Kind == TICalClock::ckDate)
        return wall;
    if (IsUtcText(Value))
        return wall;
    const std::string tzid = Property.Param("TZID");
    if (!tzid.empty()) {
        icaltimezone* zone = clock_.Zones ? clock_.Zones(tzid, t.year) : nullptr;
        if (!zone)
            return std::nullopt;
        return ZoneWallToUtc(zone, fields);
    }
    return clock_.Instant(wall);   // a floating time runs on the series' own clock
}

bool TICalSeries::Read(std::string& Why, bool& Unreadable)
{
    Unreadable = false;
    const TICalProperty* start = todo_.Find("DTSTART");
    const TICalProperty* base = start ? start : todo_.Find("DUE");
    if (!base) {
        Unreadable = true;
        Why = "it has no start";
        return false;
    }
    const std::string baseText = Trim(base->Value);
    icaltimetype first = ReadTime(baseText);
    if (icaltime_is_null_time(first)) {
        Unreadable = true;
        Why = "its start is no date";
        return false;
    }
    const bool isDate = IsDateValue(*base, baseText);
    first.is_date = isDate ? 1 : 0;
    first.zone = nullptr;
    if (isDate)
        first.hour = first.minute = first.second = 0;
    clock_.Kind = isDate ? TICalClock::ckDate
                         : IsUtcText(baseText) ? TICalClock::ckUtc
                         : !base->Param("TZID").empty() ? TICalClock::ckZoned
                                                        : TICalClock::ckFloating;
    clock_.TzID = base->Param("TZID");
    startWall_ = WallSeconds(first);
    const std::optional<int64_t> startInstant = clock_.Instant(startWall_);
    if (!startInstant) {
        Why = "its start names an unknown time zone";
        return false;
    }
    startInstant_ = lastGiven_ = *startInstant;

    // Excluded and further dates, each read through its own zone.
    auto values = [&](const char* name, auto&& take) {
        for (const TICalProperty& p : todo_.Properties) {
            if (p.Raw || !SameText(p.Name, name))
                continue;
            for (const std::string& v : SplitICalTextList(p.Value)) {
                if (Trim(v).empty())   // a stray comma names nothing
                    continue;
                bool valueIsDate = false;
                const std::optional<int64_t> instant = ValueInstant(p, v, valueIsDate);
                if (!instant) {
                    Why = std::string("a value of ") + name + " names no moment: \"" + Trim(v) + "\"";
                    return false;
                }
                take(*instant, valueIsDate && !isDate);
            }
        }
        return true;
    };
    if (!values("EXDATE", [&](int64_t instant, bool dayOfTimes) {
            (dayOfTimes ? excludedDays_ : excluded_).push_back(dayOfTimes ? WallDay(instant) : instant);
        }))
        return false;
    if (!values("RDATE", [&](int64_t instant, bool dayOfTimes) {
            // A date beside times takes the start's time of day.
            if (dayOfTimes)
                if (const auto at = clock_.Instant(instant + startWall_ - WallDay(startWall_) * kDay))
                    instant = *at;
            dates_.push_back(instant);
        }))
        return false;
    for (auto* list : {&excluded_, &excludedDays_, &dates_}) {
        std::sort(list->begin(), list->end());
        list->erase(std::unique(list->begin(), list->end()), list->end());
    }
    nextDate_ = std::upper_bound(dates_.begin(), dates_.end(), startInstant_) - dates_.begin();

    const TICalProperty* rule = nullptr;
    for (const TICalProperty& p : todo_.Properties)
        if (!p.Raw && SameText(p.Name, "RRULE")) {
            rule = &p;
            break;
        }
    if (!rule)
        return true;
    hasRule_ = true;
    const std::string ruleText = Trim(rule->Value);
    rule_ = icalrecurrencetype_from_string(ruleText.c_str());
    if (rule_.freq == ICAL_NO_RECURRENCE || (isDate && rule_.freq < ICAL_DAILY_RECURRENCE)) {
        Unreadable = true;
        Why = "its rule cannot be read";
        return false;
    }
    count_ = std::max(rule_.count, 0);
    // UNTIL is a moment: in UTC as RFC 5545 asks beside a zone, else on the series' clock.
    int64_t untilBound = LastWall();
    if (!icaltime_is_null_time(rule_.until)) {
        const std::string upper = UpperCase(ruleText);
        const size_t at = upper.find("UNTIL=");
        const std::string untilText =
            at == std::string::npos ? "" : upper.substr(at + 6, upper.find(';', at) - at - 6);
        icaltimetype until = rule_.until;
        until.zone = nullptr;
        const bool untilIsDate = until.is_date || untilText.size() == 8;
        if (isDate || untilIsDate)
            until.hour = until.minute = until.second = 0;
        int64_t wall = WallSeconds(until);
        if (isDate) {
            until_ = WallDay(wall) * kDay;
        } else if (untilIsDate) {
            until_ = clock_.Instant(wall + kDay - 1);   // through the end of that day
        } else if (IsUtcText(untilText)) {
            until_ = wall;
        } else {
            until_ = clock_.Instant(wall);
        }
        if (!until_) {
            Why = "its end names no moment";
            return false;
        }
        // No wall time after this one can name a moment up to UNTIL.
        untilBound = *until_ + (isDate ? 0 : kDay);
    }
    rule_.until = icaltime_null_time();
    rule_.count = 0;

    if (rule_.freq < ICAL_DAILY_RECURRENCE) {
        subDaily_ = std::make_unique<TSubDailyRule>(rule_, first);
        if (!subDaily_->Readable()) {
            Unreadable = true;
            Why = "its rule has parts its frequency cannot take";
            return false;
        }
        searchEnd_ = std::min(startWall_ + 28 * 366 * kDay, untilBound);
        bounded_ = false;
        untilNear_ = untilBound <= startWall_ + 28 * 366 * kDay;
        return true;
    }
    if (!RuleDaysComeRound(rule_, first)) {
        ruleDone_ = true;
        return true;
    }
    // Better left open than moved to a day the series does not hold, or ended early.
    if (!LibicalWalksRule(rule_)) {
        Why = "its rule has parts libical does not walk as the standard lists them";
        return false;
    }
    searchEnd_ = std::min(SearchEnd(rule_, startWall_, excluded_.size() + excludedDays_.size()),
                          LastWall());
    untilNear_ = untilBound <= searchEnd_;
    searchEnd_ = std::min(searchEnd_, untilBound);
    icalrecurrencetype bounded = rule_;
    bounded.until = WallFromSeconds(searchEnd_);
    bounded.until.is_date = first.is_date;
    iterator_ = {icalrecur_iterator_new(bounded, first), icalrecur_iterator_free};
    if (!iterator_) {
        Unreadable = true;
        Why = "its rule cannot be read";
        return false;
    }
    return true;
}

bool TICalSeries::NextFromRule(TICalOccurrence& Occurrence)
{
    int repeatedStart = 0;
    for (;;) {
        int64_t wall = 0;
        bool more = false;
        if (subDaily_) {
            more = subDaily_->Next(searchEnd_, wall);
        } else {
            const icaltimetype t = icalrecur_iterator_next(iterator_.get());
            more = !icaltime_is_null_time(t);
            if (more)
                wall = WallSeconds(t);
            more = more && wall <= searchEnd_;
        }
        if (!more) {
            ruleDone_ = true;
            // The walk stopped before the rule's own end: at its bound, or libical's.
            bounded_ = bounded_ || (subDaily_ ? subDaily_->BudgetSpent() || !untilNear_ : !untilNear_);
            if (subDaily_ && subDaily_->Empty())
                bounded_ = false;
            return false;
        }
        // libical gives the start itself (and a start it does not match, not at all).
        if (wall <= startWall_) {
            if (++repeatedStart > 16) {
                ruleDone_ = bounded_ = true;
                return false;
            }
            continue;
        }
        if (count_ > 0 && ruleIndex_ >= count_) {
            ruleDone_ = true;
            return false;
        }
        ++ruleIndex_;
        const std::optional<int64_t> instant = clock_.Instant(wall);
        if (!instant) {
            ruleDone_ = bounded_ = true;
            return false;
        }
        if (until_ && *instant > *until_) {
            // Wall times in a change forward may name a moment earlier than the one before.
            if (*instant > *until_ + 2 * kDay) {
                ruleDone_ = true;
                return false;
            }
            continue;
        }
        Occurrence = {wall, *instant, true, ruleIndex_ - 1};
        return true;
    }
}

bool TICalSeries::Excluded(const TICalOccurrence& o) const
{
    return std::binary_search(excluded_.begin(), excluded_.end(), o.Instant) ||
           std::binary_search(excludedDays_.begin(), excludedDays_.end(), WallDay(o.Wall));
}

bool TICalSeries::Next(TICalOccurrence& Occurrence)
{
    for (;;) {
        if (!ruleNext_ && hasRule_ && !ruleDone_) {
            TICalOccurrence o;
            if (NextFromRule(o))
                ruleNext_ = o;
        }
        const bool haveDate = nextDate_ < dates_.size();
        if (!ruleNext_ && !haveDate)
            return false;
        TICalOccurrence o;
        if (ruleNext_ && (!haveDate || ruleNext_->Instant <= dates_[nextDate_])) {
            o = *ruleNext_;
            ruleNext_.reset();
            if (haveDate && dates_[nextDate_] == o.Instant)
                ++nextDate_;   // a date the rule gives too is one occurrence
        } else {
            o.Instant = dates_[nextDate_++];
            o.FromRule = false;
            bool exact = true;
            o.Wall = clock_.Wall(o.Instant, exact).value_or(o.Instant);
            o.RulePassed = ruleNext_ ? ruleNext_->RulePassed : ruleIndex_;
        }
        if (o.Instant <= lastGiven_ || Excluded(o)) {
            // Passed over: counted, so that a walk through thousands of them ends.
            const int64_t passable = kPassable + int64_t(excluded_.size() + excludedDays_.size());
            if (o.FromRule && ++skipped_ > passable) {
                bounded_ = true;
                return false;
            }
            continue;
        }
        lastGiven_ = o.Instant;
        Occurrence = o;
        return true;
    }
}
