#pragma once
// The parts of a recurrence rule as libical holds them.
#include <libical/ical.h>

#include <cstddef>

// How many entries one BY list of a rule holds.
template <std::size_t N>
int ListedParts(const short (&list)[N])
{
    int n = 0;
    while (n < int(N) && list[n] != ICAL_RECURRENCE_ARRAY_MAX)
        ++n;
    return n;
}
