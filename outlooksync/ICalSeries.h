#pragma once
// The occurrences of a task's series (DTSTART or DUE, RRULE, RDATE, EXDATE) on one clock: every
// time is read through its own zone, in UTC or as a date, and compared as the moment it names.
#include <libical/ical.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "outlooksync/ICalendar.h"
#include "outlooksync/ICalSubDailyRule.h"

// The zone a TZID names around a year; nullptr when none is known.
using TICalZoneFinder = std::function<icaltimezone*(const std::string& TzID, int Year)>;

// How one time of a series is written, and the clock its wall times run on.
struct TICalClock {
    enum TKind { ckDate, ckFloating, ckUtc, ckZoned } Kind = ckFloating;
    std::string TzID;
    TICalZoneFinder Zones;

    // The moment (seconds since 1970; for a date, its day at 00:00 UTC) of a wall time of
    // this clock; nullopt when the zone is not known.
    std::optional<int64_t> Instant(int64_t Wall) const;
    // The wall time of a moment on this clock; Exact is false when that wall time reads back
    // as another moment.
    std::optional<int64_t> Wall(int64_t Instant, bool& Exact) const;
};

struct TICalOccurrence {
    int64_t Wall = 0, Instant = 0;   // Wall on the series' own clock
    bool FromRule = true;            // false: a date of RDATE
    int64_t RulePassed = 0;          // occurrences of the rule before it, the start included
};

class TICalSeries {
public:
    TICalSeries(const TICalComponent& Todo, TICalZoneFinder Zones);
    ~TICalSeries();
    // False, with Why set, when the series cannot be walked: no start, a rule libical cannot
    // read or parts its frequency cannot take (Unreadable), or a time that names no moment.
    bool Read(std::string& Why, bool& Unreadable);

    const TICalClock& Clock() const { return clock_; }
    int64_t StartWall() const { return startWall_; }
    int64_t StartInstant() const { return startInstant_; }
    int Count() const { return count_; }
    // The next occurrence after the start (and after the last one given), excluded ones left
    // out. False at the series' end, or at the search's bound (Bounded()).
    bool Next(TICalOccurrence& Occurrence);
    bool Bounded() const { return bounded_; }
    // The moment of a value of RDATE as this series reads it.
    std::optional<int64_t> ValueInstant(const TICalProperty& Property, const std::string& Value,
                                        bool& IsDate) const;

private:
    bool NextFromRule(TICalOccurrence& Occurrence);
    bool Excluded(const TICalOccurrence& Occurrence) const;

    const TICalComponent& todo_;
    TICalClock clock_;
    int64_t startWall_ = 0, startInstant_ = 0;
    bool hasRule_ = false, ruleDone_ = false, bounded_ = false;
    bool untilNear_ = false;   // UNTIL comes before the search's bound
    icalrecurrencetype rule_{};
    int count_ = 0;
    std::optional<int64_t> until_;   // a moment
    std::vector<int64_t> excluded_, excludedDays_, dates_;   // sorted moments, wall days
    size_t nextDate_ = 0;
    int64_t ruleIndex_ = 1, searchEnd_ = 0, skipped_ = 0, lastGiven_ = 0;
    std::optional<TICalOccurrence> ruleNext_;
    std::unique_ptr<icalrecur_iterator, void (*)(icalrecur_iterator*)> iterator_{nullptr, nullptr};
    std::unique_ptr<TSubDailyRule> subDaily_;
};
