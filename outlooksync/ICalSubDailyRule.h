#pragma once
// The occurrences of an hourly, minutely or secondly rule, walked on the wall clock of its
// start. libical steps such a rule one unit at a time and tries its day and time parts on each
// step, for years where they never match, and reads some of them otherwise than RFC 5545
// (an INTERVAL that keeps a rule off its BYMINUTE, the start given twice). Here days, hours
// and minutes the rule leaves out are passed over whole, keeping the rule's phase.
#include <libical/ical.h>

#include <cstdint>
#include <vector>

class TSubDailyRule {
public:
    // Rule is hourly, minutely or secondly; Start its first occurrence (wall time).
    TSubDailyRule(const icalrecurrencetype& Rule, const icaltimetype& Start);
    // False for parts the frequency cannot take (BYWEEKNO, a numbered BYDAY).
    bool Readable() const { return readable_; }
    // True when no value of a time part can ever be met (BYSECOND=60 alone, say).
    bool Empty() const { return empty_; }
    // The next occurrence after the last one given (after Start at first), as wall seconds,
    // not later than End. False at End or once the walk spent its budget of periods.
    bool Next(int64_t End, int64_t& Wall);
    bool BudgetSpent() const { return spent_ > kBudget; }

private:
    static constexpr int64_t kBudget = 200000;
    bool DayHolds(int64_t Wall) const;
    bool TimeHolds(int64_t InDay) const;   // the period's time of day (seconds)
    bool Holds(const std::vector<int>& List, int Value) const;

    icalrecurrencetype rule_;
    bool readable_ = true, empty_ = false;
    int64_t unit_ = 1, step_ = 1, anchor_ = 0, last_ = 0, period_ = 0, spent_ = 0;
    std::vector<int> hours_, minutes_, seconds_;   // listed parts (empty: any)
    std::vector<int> minuteSet_, secondSet_;       // what an hour or minute expands to
    std::vector<int64_t> pending_;                 // the rest of the current period's set
};
