#include "outlooksync/ICalRuleDays.h"

#include <algorithm>
#include <cstdlib>
#include <vector>

#include "outlooksync/ICalRuleParts.h"

namespace {

template <size_t N>
bool Lists(const short (&list)[N], int value, int count)
{
    for (int i = 0; i < ListedParts(list); ++i)
        if (list[i] == value || (list[i] < 0 && count + 1 + list[i] == value))
            return true;
    return false;
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

} // namespace

bool RuleDaysComeRound(const icalrecurrencetype& r, const icaltimetype& Start)
{
    const bool yearly = r.freq == ICAL_YEARLY_RECURRENCE, daily = r.freq == ICAL_DAILY_RECURRENCE;
    if (!yearly && !daily && r.freq != ICAL_MONTHLY_RECURRENCE)
        return true;
    const bool byMonth = ListedParts(r.by_month) > 0, byMonthDay = ListedParts(r.by_month_day) > 0;
    const bool byDay = ListedParts(r.by_day) > 0, byYearDay = ListedParts(r.by_year_day) > 0;
    const bool byWeekNo = ListedParts(r.by_week_no) > 0;
    // Occurrences per day: each listed hour, minute and second (at least one of each).
    const int perDay = std::max(1, ListedParts(r.by_hour)) * std::max(1, ListedParts(r.by_minute)) *
                       std::max(1, ListedParts(r.by_second));
    for (int year = 2000; year < 2028; ++year) {
        const int yearDays = icaltime_days_in_year(year);
        std::vector<int> counts(yearly || daily ? 1 : 12, 0);   // days per period, for BYSETPOS
        int yearDay = 0;
        for (int month = 1; month <= 12; ++month) {
            const int monthDays = icaltime_days_in_month(month, year);
            for (int day = 1; day <= monthDays; ++day) {
                ++yearDay;
                if (byMonth ? !Lists(r.by_month, month, 12)
                            : (yearly && !byDay && !byYearDay && !byWeekNo && month != Start.month))
                    continue;
                if (byMonthDay && !Lists(r.by_month_day, day, monthDays))
                    continue;
                if (!daily && !byMonthDay && !byDay && !byYearDay && !byWeekNo && day != Start.day)
                    continue;
                if (byYearDay && !Lists(r.by_year_day, yearDay, yearDays))
                    continue;
                // Weeks are taken loosely (a week either side, 52 or 53 in the year): what
                // is missed is a rule refused for days it has.
                if (byWeekNo) {
                    const int week = (yearDay + 6) / 7;
                    bool near = false;
                    for (int w = week - 2; w <= week + 1 && !near; ++w)
                        near = Lists(r.by_week_no, w, 52) || Lists(r.by_week_no, w, 53) ||
                               (w <= 1 && (Lists(r.by_week_no, 52, 52) || Lists(r.by_week_no, 53, 53))) ||
                               (w >= 52 && Lists(r.by_week_no, 1, 53));
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
