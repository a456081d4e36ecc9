#include "outlooksync/ICalSubDailyRule.h"

#include <algorithm>
#include <numeric>

#include "outlooksync/ICalRuleDays.h"
#include "outlooksync/ICalRuleParts.h"
#include "outlooksync/ICalZoneClock.h"

namespace {

template <size_t N>
std::vector<int> Listed(const short (&list)[N], int limit)
{
    std::vector<int> values;
    for (int i = 0; i < ListedParts(list); ++i)
        if (list[i] >= 0 && list[i] < limit)
            values.push_back(list[i]);
    std::sort(values.begin(), values.end());
    values.erase(std::unique(values.begin(), values.end()), values.end());
    return values;
}

int64_t FloorDiv(int64_t a, int64_t b)
{
    return a >= 0 ? a / b : -((-a + b - 1) / b);
}

int64_t CeilDiv(int64_t a, int64_t b)
{
    return -FloorDiv(-a, b);
}

} // namespace

TSubDailyRule::TSubDailyRule(const icalrecurrencetype& Rule, const icaltimetype& Start) : rule_(Rule)
{
    switch (Rule.freq) {
    case ICAL_HOURLY_RECURRENCE: unit_ = 3600; break;
    case ICAL_MINUTELY_RECURRENCE: unit_ = 60; break;
    default: unit_ = 1; break;
    }
    step_ = unit_ * std::max<int64_t>(Rule.interval, 1);
    last_ = WallSeconds(Start);
    anchor_ = FloorDiv(last_, unit_) * unit_;
    readable_ = !ListedParts(Rule.by_week_no);
    for (int i = 0; i < ListedParts(Rule.by_day); ++i)
        readable_ = readable_ && icalrecurrencetype_day_position(Rule.by_day[i]) == 0;
    hours_ = Listed(Rule.by_hour, 24);
    minutes_ = Listed(Rule.by_minute, 60);
    seconds_ = Listed(Rule.by_second, 60);
    // A listed part none of whose values a clock shows leaves nothing.
    empty_ = (ListedParts(Rule.by_hour) && hours_.empty()) ||
             (ListedParts(Rule.by_minute) && minutes_.empty()) ||
             (ListedParts(Rule.by_second) && seconds_.empty());
    // Day parts whose days never come round (the 30th of February) leave nothing either.
    icalrecurrencetype days = Rule;
    days.freq = ICAL_DAILY_RECURRENCE;
    days.interval = 1;
    days.by_hour[0] = days.by_minute[0] = days.by_second[0] = days.by_set_pos[0] =
        ICAL_RECURRENCE_ARRAY_MAX;
    empty_ = empty_ || !RuleDaysComeRound(days, Start);
    // The times of day the periods fall on repeat within a day's worth of the rule's steps:
    // when none of them meets the rule's hours, minutes and seconds, no day will.
    if (!empty_ && (!hours_.empty() || !minutes_.empty() || !seconds_.empty())) {
        const int64_t phases = 86400 / std::gcd<int64_t>(step_, 86400);
        bool met = false;
        for (int64_t k = 0; k < phases && !met; ++k) {
            const int64_t inDay = (anchor_ + k * step_) - FloorDiv(anchor_ + k * step_, 86400) * 86400;
            met = TimeHolds(inDay);
        }
        empty_ = !met;
    }
    // Below the frequency's unit the start's own minute and second stand where no part is listed.
    minuteSet_ = minutes_.empty() ? std::vector<int>{Start.minute} : minutes_;
    secondSet_ = seconds_.empty() ? std::vector<int>{Start.second} : seconds_;
}

bool TSubDailyRule::Holds(const std::vector<int>& List, int Value) const
{
    return List.empty() || std::binary_search(List.begin(), List.end(), Value);
}

bool TSubDailyRule::TimeHolds(int64_t InDay) const
{
    if (!Holds(hours_, static_cast<int>(InDay / 3600)))
        return false;
    if (unit_ < 3600 && !Holds(minutes_, static_cast<int>(InDay / 60 % 60)))
        return false;
    if (unit_ == 1 && !Holds(seconds_, static_cast<int>(InDay % 60)))
        return false;
    return true;   // an hourly rule's minutes and seconds expand its hour
}

bool TSubDailyRule::DayHolds(int64_t Wall) const
{
    const icaltimetype t = WallFromSeconds(Wall);
    const int monthDays = icaltime_days_in_month(t.month, t.year);
    const int yearDays = icaltime_days_in_year(t.year);
    if (ListedParts(rule_.by_month) && !NamesPart(rule_.by_month, t.month, 12))
        return false;
    if (ListedParts(rule_.by_month_day) && !NamesPart(rule_.by_month_day, t.day, monthDays))
        return false;
    if (ListedParts(rule_.by_year_day) &&
        !NamesPart(rule_.by_year_day, icaltime_day_of_year(t), yearDays))
        return false;
    if (ListedParts(rule_.by_day)) {
        const int weekday = icaltime_day_of_week(t);
        bool named = false;
        for (int i = 0; i < ListedParts(rule_.by_day) && !named; ++i)
            named = static_cast<int>(icalrecurrencetype_day_day_of_week(rule_.by_day[i])) == weekday;
        if (!named)
            return false;
    }
    return true;
}

bool TSubDailyRule::Next(int64_t End, int64_t& Wall)
{
    if (!readable_ || empty_)
        return false;
    while (pending_.empty()) {
        const int64_t period = anchor_ + period_ * step_;
        if (period > End || ++spent_ > kBudget)
            return false;
        const int64_t inDay = period - FloorDiv(period, 86400) * 86400;
        const int hour = static_cast<int>(inDay / 3600), minute = static_cast<int>(inDay / 60 % 60);
        int64_t skipTo = 0;   // the first wall time a later period may hold
        if (!DayHolds(period))
            skipTo = period - inDay + 86400;
        else if (!Holds(hours_, hour))
            skipTo = period - inDay % 3600 + 3600;
        else if (unit_ < 3600 && !Holds(minutes_, minute))
            skipTo = period - inDay % 60 + 60;
        if (skipTo) {
            period_ = std::max(period_ + 1, CeilDiv(skipTo - anchor_, step_));
            continue;
        }
        ++period_;
        std::vector<int64_t> set;
        if (unit_ == 3600) {
            for (int m : minuteSet_)
                for (int s : secondSet_)
                    set.push_back(period + m * 60 + s);
        } else if (unit_ == 60) {
            for (int s : secondSet_)
                set.push_back(period + s);
        } else if (Holds(seconds_, static_cast<int>(inDay % 60))) {
            set.push_back(period);
        }
        // BYSETPOS picks from each period's set.
        if (ListedParts(rule_.by_set_pos)) {
            std::vector<int64_t> picked;
            const int count = static_cast<int>(set.size());
            for (int i = 0; i < ListedParts(rule_.by_set_pos); ++i) {
                const int pos = rule_.by_set_pos[i];
                const int at = pos > 0 ? pos - 1 : count + pos;
                if (pos != 0 && at >= 0 && at < count)
                    picked.push_back(set[at]);
            }
            std::sort(picked.begin(), picked.end());
            picked.erase(std::unique(picked.begin(), picked.end()), picked.end());
            set = std::move(picked);
        }
        for (auto it = set.rbegin(); it != set.rend(); ++it)
            if (*it > last_ && *it <= End)
                pending_.push_back(*it);
    }
    Wall = last_ = pending_.back();
    pending_.pop_back();
    return true;
}
