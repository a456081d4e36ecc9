#pragma once
// Wall times of a time zone and the moments they name, read as RFC 5545 reads them: a wall
// time in the gap of a change forward is read with the offset in force before the gap, one the
// clock shows twice as the first of the two. libical's own conversion reads both the other way.
#include <libical/ical.h>

#include <cstdint>

// Seconds since 1970 of Wall (fields only; its zone is ignored) in Zone.
int64_t ZoneWallToUtc(icaltimezone* Zone, const icaltimetype& Wall);
// The wall time of the moment Utc in Zone. False when that wall time reads back as another
// moment (the second time a repeated wall time is shown): the moment has no wall time of its own.
bool ZoneUtcToWall(icaltimezone* Zone, int64_t Utc, icaltimetype& Wall);
// Seconds since 1970 of the fields of T taken as UTC, and back.
int64_t WallSeconds(const icaltimetype& T);
icaltimetype WallFromSeconds(int64_t Seconds);
// The day (since 1970) a wall time in seconds falls on.
inline int64_t WallDay(int64_t Wall)
{
    return Wall >= 0 ? Wall / 86400 : -((-Wall + 86399) / 86400);
}
