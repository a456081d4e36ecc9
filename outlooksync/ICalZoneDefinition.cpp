#include "outlooksync/ICalZoneDefinition.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <unordered_map>

#include "outlooksync/ICalRuleDays.h"
#include "outlooksync/ICalRuleParts.h"

namespace {

// Rule occurrences a zone may step through to reach the years asked for; a sound zone takes a
// few dozen. Each step of a yearly rule is one year of libical's work.
constexpr int kMaxRuleSteps = 500;
// Years after the last one asked for are given the offsets of that year (libical's iterator
// ends in 2582).
constexpr int kLastYear = 2500;
// A rule's onsets are worked out from this many of its intervals before the years asked for,
// so that the onset in force at their start is among them: a rule for the 29th of February
// may skip seven years.
constexpr int kLeadIntervals = 8;
// Definitions kept for files to come, the last used, within a total of their texts' length;
// the years' zones each keeps.
constexpr size_t kSharedDefinitions = 1024, kSharedText = 4 << 20;
constexpr size_t kZonesPerDefinition = 64;

struct TComponentFree {
    void operator()(icalcomponent* c) const { icalcomponent_free(c); }
};
using TComponentPtr = std::unique_ptr<icalcomponent, TComponentFree>;

struct TIteratorFree {
    void operator()(icalrecur_iterator* it) const { icalrecur_iterator_free(it); }
};

// An observance begins once a year, on a day the rule names in one month. libical steps through
// any other rule occurrence by occurrence from its start (an hourly one for minutes).
bool IsYearlyOnsetRule(const icalrecurrencetype& r)
{
    return r.freq == ICAL_YEARLY_RECURRENCE && r.interval >= 1 && !r.rscale &&
           !ListedParts(r.by_second) && !ListedParts(r.by_minute) && !ListedParts(r.by_hour) &&
           !ListedParts(r.by_year_day) && !ListedParts(r.by_week_no) &&
           !ListedParts(r.by_set_pos) && ListedParts(r.by_month) <= 1 &&
           ListedParts(r.by_day) <= 1 && ListedParts(r.by_month_day) <= 7;
}

bool IsOffset(int seconds)
{
    return std::abs(seconds) < 24 * 3600;
}

icaltimetype FirstOfYear(int year)
{
    icaltimetype t = icaltime_null_time();
    t.year = year;
    t.month = 1;
    t.day = 1;
    return t;
}

icalproperty* OnsetProperty(const icaltimetype& t)
{
    icaldatetimeperiodtype date{};
    date.time = t;
    date.period = icalperiodtype_null_period();
    return icalproperty_new_rdate(date);
}

} // namespace

std::shared_ptr<TICalZoneDefinition> TICalZoneDefinition::Shared(const std::string& Text,
                                                                 const std::string& TzID)
{
    struct TKept {
        std::shared_ptr<TICalZoneDefinition> Definition;
        uint64_t LastUse = 0;
    };
    static std::mutex mutex;
    static std::unordered_map<std::string, TKept> kept;
    static uint64_t uses = 0;
    static size_t textSize = 0;

    const std::string key = TzID + '\n' + Text;
    {
        std::lock_guard lock(mutex);
        if (auto it = kept.find(key); it != kept.end()) {
            it->second.LastUse = ++uses;
            return it->second.Definition;
        }
    }
    std::shared_ptr<TICalZoneDefinition> definition = Read(Text, TzID);
    std::lock_guard lock(mutex);
    const auto [it, added] = kept.try_emplace(key, TKept{definition, ++uses});
    if (!added)   // read meanwhile elsewhere
        return it->second.Definition;
    textSize += key.size();
    // The one used longest ago goes (a scan: a definition not kept costs far more to read).
    while (kept.size() > kSharedDefinitions || (kept.size() > 1 && textSize > kSharedText)) {
        const auto oldest = std::min_element(kept.begin(), kept.end(), [](const auto& a, const auto& b) {
            return a.second.LastUse < b.second.LastUse;
        });
        textSize -= oldest->first.size();
        kept.erase(oldest);
    }
    return definition;
}

std::shared_ptr<TICalZoneDefinition> TICalZoneDefinition::Read(const std::string& Text,
                                                               const std::string& TzID)
{
    // libical reads the text its own way; what it reads is what is checked.
    TComponentPtr parsed(icalparser_parse_string(Text.c_str()));
    if (!parsed || icalcomponent_isa(parsed.get()) != ICAL_VTIMEZONE_COMPONENT)
        return nullptr;
    std::shared_ptr<TICalZoneDefinition> zone(new TICalZoneDefinition(TzID));
    for (icalcomponent* c = icalcomponent_get_first_component(parsed.get(), ICAL_ANY_COMPONENT); c;
         c = icalcomponent_get_next_component(parsed.get(), ICAL_ANY_COMPONENT)) {
        const icalcomponent_kind kind = icalcomponent_isa(c);
        // libical takes no other part of a definition into account.
        if (kind != ICAL_XSTANDARD_COMPONENT && kind != ICAL_XDAYLIGHT_COMPONENT)
            continue;
        TObservance observance;
        observance.Daylight = kind == ICAL_XDAYLIGHT_COMPONENT;
        if (!ReadObservance(c, observance))
            return nullptr;
        zone->observances_.push_back(std::move(observance));
    }
    if (zone->observances_.empty())
        return nullptr;
    return zone;
}

bool TICalZoneDefinition::ReadObservance(icalcomponent* Observance, TObservance& Result)
{
    int starts = 0, offsetsTo = 0, offsetsFrom = 0;
    std::vector<icaltimetype> dates;
    for (icalproperty* p = icalcomponent_get_first_property(Observance, ICAL_ANY_PROPERTY); p;
         p = icalcomponent_get_next_property(Observance, ICAL_ANY_PROPERTY)) {
        switch (icalproperty_isa(p)) {
        case ICAL_DTSTART_PROPERTY:
            Result.Start = icalproperty_get_dtstart(p);
            ++starts;
            break;
        case ICAL_TZOFFSETTO_PROPERTY:
            Result.OffsetTo = icalproperty_get_tzoffsetto(p);
            ++offsetsTo;
            break;
        case ICAL_TZOFFSETFROM_PROPERTY:
            Result.OffsetFrom = icalproperty_get_tzoffsetfrom(p);
            ++offsetsFrom;
            break;
        case ICAL_RDATE_PROPERTY: {
            const icaldatetimeperiodtype date = icalproperty_get_rdate(p);
            if (icaltime_is_null_time(date.time) || !icalperiodtype_is_null_period(date.period))
                return false;
            dates.push_back(date.time);
            break;
        }
        case ICAL_RRULE_PROPERTY: {
            const icalrecurrencetype rule = icalproperty_get_rrule(p);
            if (!IsYearlyOnsetRule(rule))
                return false;
            Result.Rules.push_back(rule);
            break;
        }
        case ICAL_XLICERROR_PROPERTY:   // a line libical could not read
            return false;
        default:
            break;
        }
    }
    if (starts != 1 || offsetsTo != 1 || offsetsFrom > 1 || Result.Start.is_date ||
        icaltime_is_null_time(Result.Start))
        return false;
    // A zone without changes may leave out the offset before (libical reads it so).
    if (offsetsFrom == 0)
        Result.OffsetFrom = Result.OffsetTo;
    if (!IsOffset(Result.OffsetFrom) || !IsOffset(Result.OffsetTo))
        return false;
    for (const icalrecurrencetype& rule : Result.Rules)
        if (!RuleDaysComeRound(rule, Result.Start))
            return false;
    Result.Start.zone = nullptr;
    // Every onset in the local time before it, as libical takes it: a UTC date or end of a rule
    // is moved by the offset before, and a date takes the time of the start, in UTC.
    for (icaltimetype t : dates) {
        if (t.is_date) {
            t.is_date = 0;
            t.hour = Result.Start.hour;
            t.minute = Result.Start.minute;
            t.second = Result.Start.second;
            t.zone = icaltimezone_get_utc_timezone();
        }
        if (icaltime_is_utc(t))
            icaltime_adjust(&t, 0, 0, 0, Result.OffsetFrom);
        t.zone = nullptr;
        Result.Dates.push_back(t);
    }
    for (icalrecurrencetype& rule : Result.Rules) {
        if (!icaltime_is_null_time(rule.until) && icaltime_is_utc(rule.until)) {
            icaltime_adjust(&rule.until, 0, 0, 0, Result.OffsetFrom);
            rule.until.zone = nullptr;
        }
    }
    return true;
}

// The observance's onsets from the year FromYear to ToYear, and the last one before them, as
// dates of Target. Steps counts down the rule occurrences it may still step through.
bool TICalZoneDefinition::AddOnsets(const TObservance& Observance, int FromYear, int ToYear,
                                    int& Steps, icalcomponent* Target) const
{
    icaltimetype before = icaltime_null_time();
    auto add = [&](const icaltimetype& t, int fromYear) {
        if (t.year > ToYear || icaltime_compare(t, Observance.Start) == 0)
            return;
        if (t.year >= fromYear)
            icalcomponent_add_property(Target, OnsetProperty(t));
        else if (icaltime_is_null_time(before) || icaltime_compare(t, before) > 0)
            before = t;
    };
    for (const icaltimetype& t : Observance.Dates)
        add(t, FromYear);
    for (const icalrecurrencetype& rule : Observance.Rules) {
        std::unique_ptr<icalrecur_iterator, TIteratorFree> it(
            icalrecur_iterator_new(rule, Observance.Start));
        if (!it)
            return false;
        const int fromYear = FromYear - kLeadIntervals * rule.interval;
        // A rule that ended before those years is stepped through from its last years; a
        // counted rule from its start.
        int startYear = fromYear;
        if (!icaltime_is_null_time(rule.until))
            startYear = std::min(startYear, rule.until.year - kLeadIntervals * rule.interval);
        if (rule.count == 0 && Observance.Start.year < startYear)
            icalrecur_iterator_set_start(it.get(), FirstOfYear(startYear));
        for (;;) {
            if (--Steps < 0)
                return false;
            const icaltimetype t = icalrecur_iterator_next(it.get());
            if (icaltime_is_null_time(t) || t.year > ToYear)
                break;
            add(t, fromYear);
        }
    }
    if (!icaltime_is_null_time(before))
        icalcomponent_add_property(Target, OnsetProperty(before));
    return true;
}

std::shared_ptr<icaltimezone> TICalZoneDefinition::Covering(int Year)
{
    Year = std::clamp(Year, 1, kLastYear);
    std::lock_guard lock(mutex_);
    if (auto it = zones_.find(Year); it != zones_.end())
        return it->second;
    if (zones_.size() >= kZonesPerDefinition)
        zones_.clear();   // those still held stay valid
    return zones_[Year] = Build(Year - 1, Year + 1);
}

std::shared_ptr<icaltimezone> TICalZoneDefinition::Build(int FromYear, int ToYear) const
{
    TComponentPtr definition(icalcomponent_new_vtimezone());
    icalcomponent_add_property(definition.get(), icalproperty_new_tzid(tzid_.c_str()));
    int steps = kMaxRuleSteps;
    for (const TObservance& o : observances_) {
        icalcomponent* c = o.Daylight ? icalcomponent_new_xdaylight() : icalcomponent_new_xstandard();
        icalcomponent_add_component(definition.get(), c);
        icalcomponent_add_property(c, icalproperty_new_dtstart(o.Start));
        icalcomponent_add_property(c, icalproperty_new_tzoffsetfrom(o.OffsetFrom));
        icalcomponent_add_property(c, icalproperty_new_tzoffsetto(o.OffsetTo));
        if (!AddOnsets(o, FromYear, ToYear, steps, c))
            return nullptr;
    }
    icaltimezone* made = icaltimezone_new();
    if (!made)
        return nullptr;
    std::shared_ptr<icaltimezone> zone(made, TZoneFree());
    if (!icaltimezone_set_component(zone.get(), definition.get()))
        return nullptr;
    definition.release();   // the zone owns it now
    return zone;
}
