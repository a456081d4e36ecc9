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

// Whether a BY list names Value, an entry below zero counting back from Count (the -1st is the
// last).
template <std::size_t N>
bool NamesPart(const short (&list)[N], int value, int count)
{
    for (int i = 0; i < ListedParts(list); ++i)
        if (list[i] == value || (list[i] < 0 && count + 1 + list[i] == value))
            return true;
    return false;
}
