#include "outlooksync/ICalZoneClock.h"

#include <algorithm>

namespace {

// Days since 1970-01-01 of a date of the proleptic Gregorian calendar.
int64_t DaysFromCivil(int64_t y, int m, int d)
{
    y -= m <= 2;
    const int64_t era = (y >= 0 ? y : y - 399) / 400;
    const int64_t yoe = y - era * 400;
    const int64_t doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + doe - 719468;
}

int OffsetAt(icaltimezone* zone, int64_t utc)
{
    icaltimetype t = WallFromSeconds(utc);
    t.zone = icaltimezone_get_utc_timezone();
    int daylight = 0;
    return icaltimezone_get_utc_offset_of_utc_time(zone, &t, &daylight);
}

} // namespace

int64_t WallSeconds(const icaltimetype& T)
{
    return DaysFromCivil(T.year, T.month, T.day) * 86400 + T.hour * 3600 + T.minute * 60 + T.second;
}

icaltimetype WallFromSeconds(int64_t Seconds)
{
    int64_t days = Seconds >= 0 ? Seconds / 86400 : -((-Seconds + 86399) / 86400);
    const int64_t rest = Seconds - days * 86400;
    days += 719468;
    const int64_t era = (days >= 0 ? days : days - 146096) / 146097;
    const int64_t doe = days - era * 146097;
    const int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const int64_t mp = (5 * doy + 2) / 153;
    const int day = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
    const int month = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
    icaltimetype t = icaltime_null_time();
    t.year = static_cast<int>(yoe + era * 400 + (month <= 2));
    t.month = month;
    t.day = day;
    t.hour = static_cast<int>(rest / 3600);
    t.minute = static_cast<int>(rest / 60 % 60);
    t.second = static_cast<int>(rest % 60);
    return t;
}

int64_t ZoneWallToUtc(icaltimezone* Zone, const icaltimetype& Wall)
{
    const int64_t wall = WallSeconds(Wall);
    // Offsets are below a day, and zones change at most once within two days: the offsets a
    // day either side are the ones that can hold.
    const int before = OffsetAt(Zone, wall - 86400), after = OffsetAt(Zone, wall + 86400);
    const bool beforeHolds = OffsetAt(Zone, wall - before) == before;
    const bool afterHolds = OffsetAt(Zone, wall - after) == after;
    if (beforeHolds && afterHolds)
        return std::min(wall - before, wall - after);
    if (afterHolds && !beforeHolds)
        return wall - after;
    return wall - before;   // also in a gap
}

bool ZoneUtcToWall(icaltimezone* Zone, int64_t Utc, icaltimetype& Wall)
{
    const int64_t wall = Utc + OffsetAt(Zone, Utc);
    Wall = WallFromSeconds(wall);
    return ZoneWallToUtc(Zone, Wall) == Utc;
}
