#include "outlooksync/ICalRuleDays.h"

#include <algorithm>
#include <bitset>
#include <cstdlib>
#include <numeric>
#include <vector>

#include "outlooksync/ICalRuleParts.h"

namespace {

// The calendar repeats every 400 years: 4800 months, 146097 days.
constexpr int kCycleYears = 400, kCycleMonths = kCycleYears * 12, kCycleDays = 146097;
// The days of a year are one of 14 kinds: leap or not, and the weekday of the 1st of January.
constexpr int kYearKinds = 14;

bool IsLeap(int year)
{
    return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
}

int DaysIn(int year)
{
    return IsLeap(year) ? 366 : 365;
}

// The year of the same kind in 2000..2399 (years before the era included).
int InCycle(int year)
{
    return 2000 + ((year - 2000) % kCycleYears + kCycleYears) % kCycleYears;
}

int YearKind(int year)
{
    const int before = InCycle(year) - 1;
    const int weekday = (1 + 365 * before + before / 4 - before / 100 + before / 400) % 7;
    return (IsLeap(InCycle(year)) ? 7 : 0) + weekday;
}

// Whether the weekday of a day (1 Sunday .. 7 Saturday) at Place of Count in its month or year
// is one that BYDAY names.
bool DayMatches(const icalrecurrencetype& r, int weekday, int place, int count)
{
    for (int i = 0; i < ListedParts(r.by_day); ++i) {
        const int position = icalrecurrencetype_day_position(r.by_day[i]);
        if (static_cast<int>(icalrecurrencetype_day_day_of_week(r.by_day[i])) != weekday)
            continue;
        const int nth = (place - 1) / 7 + 1, fromEnd = (count - place) / 7 + 1;
        if (position == 0 || position == nth || position == -fromEnd)
            return true;
    }
    return false;
}

// The periods a rule reaches, as kinds of year with the months (monthly) or days of the year
// (daily) in them: those INTERVAL periods apart from the start's own. Over one cycle of the
// calendar the periods reached are those a gcd(INTERVAL, cycle) apart, and a period of the
// same kind of year holds the same days.
struct TReached {
    std::bitset<kYearKinds> Years;
    std::vector<std::bitset<12>> Months = std::vector<std::bitset<12>>(kYearKinds);
    std::vector<std::bitset<366>> Days = std::vector<std::bitset<366>>(kYearKinds);
};

TReached Reached(const icalrecurrencetype& r, const icaltimetype& Start)
{
    TReached reached;
    const int interval = std::max<int>(r.interval, 1);
    const int year0 = InCycle(Start.year);
    const int month0 = std::clamp(Start.month, 1, 12) - 1;
    if (r.freq == ICAL_YEARLY_RECURRENCE) {
        for (int year = 0; year < kCycleYears; year += std::gcd(interval, kCycleYears))
            reached.Years.set(YearKind(year0 + year));
    } else if (r.freq == ICAL_MONTHLY_RECURRENCE) {
        for (int month = 0; month < kCycleMonths; month += std::gcd(interval, kCycleMonths)) {
            const int at = year0 * 12 + month0 + month;
            reached.Years.set(YearKind(at / 12));
            reached.Months[YearKind(at / 12)].set(at % 12);
        }
    } else {
        const int step = std::gcd(interval, kCycleDays);
        if (step == 1) {
            reached.Years.set();
            for (auto& days : reached.Days)
                days.set();
            return reached;
        }
        int year = year0, kind = YearKind(year0);
        int yearDay = -1;   // from 0
        for (int month = 0; month < month0; ++month)
            yearDay += icaltime_days_in_month(month + 1, year);
        yearDay += std::clamp(Start.day, 1, icaltime_days_in_month(month0 + 1, year));
        for (int day = 0; day < kCycleDays; day += step) {
            reached.Years.set(kind);
            reached.Days[kind].set(yearDay);
            for (yearDay += step; yearDay >= DaysIn(year); kind = YearKind(year))
                yearDay -= DaysIn(year++);
        }
    }
    return reached;
}

} // namespace

bool RuleDaysComeRound(const icalrecurrencetype& r, const icaltimetype& Start)
{
    const bool yearly = r.freq == ICAL_YEARLY_RECURRENCE, daily = r.freq == ICAL_DAILY_RECURRENCE;
    if (!yearly && !daily && r.freq != ICAL_MONTHLY_RECURRENCE)
        return true;
    TReached reached = Reached(r, Start);
    const bool byMonth = ListedParts(r.by_month) > 0, byMonthDay = ListedParts(r.by_month_day) > 0;
    const bool byDay = ListedParts(r.by_day) > 0, byYearDay = ListedParts(r.by_year_day) > 0;
    const bool byWeekNo = ListedParts(r.by_week_no) > 0;
    // Occurrences per day: each listed hour, minute and second (at least one of each).
    const int perDay = std::max(1, ListedParts(r.by_hour)) * std::max(1, ListedParts(r.by_minute)) *
                       std::max(1, ListedParts(r.by_second));
    // 2000..2027 holds every kind of year.
    for (int year = 2000; year < 2028; ++year) {
        const int kind = YearKind(year);
        if (!reached.Years[kind])
            continue;
        reached.Years[kind] = false;   // each kind once
        const int yearDays = icaltime_days_in_year(year);
        std::vector<int> counts(yearly || daily ? 1 : 12, 0);   // days per period, for BYSETPOS
        int yearDay = 0;
        for (int month = 1; month <= 12; ++month) {
            const int monthDays = icaltime_days_in_month(month, year);
            for (int day = 1; day <= monthDays; ++day) {
                ++yearDay;
                if (!yearly && !(daily ? reached.Days[kind][yearDay - 1] : reached.Months[kind][month - 1]))
                    continue;
                if (byMonth ? !NamesPart(r.by_month, month, 12)
                            : (yearly && !byDay && !byYearDay && !byWeekNo && month != Start.month))
                    continue;
                if (byMonthDay && !NamesPart(r.by_month_day, day, monthDays))
                    continue;
                if (!daily && !byMonthDay && !byDay && !byYearDay && !byWeekNo && day != Start.day)
                    continue;
                if (byYearDay && !NamesPart(r.by_year_day, yearDay, yearDays))
                    continue;
                // Weeks are taken loosely (a week either side, 52 or 53 in the year): what
                // is missed is a rule refused for days it has.
                if (byWeekNo) {
                    const int week = (yearDay + 6) / 7;
                    bool near = false;
                    for (int w = week - 2; w <= week + 1 && !near; ++w)
                        near = NamesPart(r.by_week_no, w, 52) || NamesPart(r.by_week_no, w, 53) ||
                               (w <= 1 && (NamesPart(r.by_week_no, 52, 52) || NamesPart(r.by_week_no, 53, 53))) ||
                               (w >= 52 && NamesPart(r.by_week_no, 1, 53));
                    if (!near)
                        continue;
                }
                if (byDay) {
                    const int weekday = icaltime_day_of_week(icaltime_from_day_of_year(yearDay, year));
                    // A yearly rule without months counts the nth weekday in the year; with a
                    // month day, libical may count either way, so both must hold.
                    const bool inMonth = DayMatches(r, weekday, day, monthDays);
                    const bool inYear = DayMatches(r, weekday, yearDay, yearDays);
                    if (!(yearly && !byMonth ? inYear && (inMonth || !byMonthDay) : inMonth))
                        continue;
                }
                // A daily rule's set is one day's.
                if (daily)
                    counts[0] = std::max(counts[0], perDay);
                else
                    counts[yearly ? 0 : month - 1] += perDay;
            }
        }
        for (const int count : counts) {
            if (count == 0)
                continue;
            if (!ListedParts(r.by_set_pos))
                return true;
            for (int i = 0; i < ListedParts(r.by_set_pos); ++i)
                if (r.by_set_pos[i] != 0 && std::abs(r.by_set_pos[i]) <= count)
                    return true;
        }
    }
    return false;
}

bool LibicalWalksRule(const icalrecurrencetype& r)
{
    const bool yearly = r.freq == ICAL_YEARLY_RECURRENCE;
    const bool severalTimes = ListedParts(r.by_hour) > 1 || ListedParts(r.by_minute) > 1 ||
                              ListedParts(r.by_second) > 1;
    if (ListedParts(r.by_set_pos) &&
        (r.freq == ICAL_DAILY_RECURRENCE || r.freq == ICAL_WEEKLY_RECURRENCE || severalTimes))
        return false;
    // Weeks at a year's edges, counted from its end or from another first weekday.
    for (int i = 0; yearly && i < ListedParts(r.by_week_no); ++i)
        if (r.by_week_no[i] < 2 || r.by_week_no[i] > 51 || r.week_start != ICAL_MONDAY_WEEKDAY ||
            ListedParts(r.by_month) || ListedParts(r.by_month_day) || ListedParts(r.by_year_day))
            return false;
    if (yearly && ListedParts(r.by_year_day) &&
        (ListedParts(r.by_month) || ListedParts(r.by_month_day) || ListedParts(r.by_day)))
        return false;
    if (yearly && ListedParts(r.by_month_day) && !ListedParts(r.by_month))
        return false;
    if (r.freq == ICAL_DAILY_RECURRENCE)
        for (int i = 0; i < ListedParts(r.by_month_day); ++i)
            if (r.by_month_day[i] < 0)
                return false;
    if (r.freq == ICAL_WEEKLY_RECURRENCE && r.interval > 1 && r.week_start != ICAL_MONDAY_WEEKDAY &&
        r.week_start != ICAL_SUNDAY_WEEKDAY && r.week_start != ICAL_NO_WEEKDAY)
        return false;
    return true;
}
