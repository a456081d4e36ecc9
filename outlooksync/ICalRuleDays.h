#pragma once
// Whether a yearly, monthly or daily rule ever yields a day. libical searches for a period with
// days of a yearly or monthly rule for a fixed, long while (tenths of a second) before it gives
// up on one whose parts never meet (the 30th of February, the sixth Sunday of a month), whatever
// its end; a daily one it walks day by day.
#include <libical/ical.h>

// False when no period the rule reaches from Start (every INTERVAL-th from the start's own, over
// the 400 years in which the calendar repeats) holds a day of the rule. True for other
// frequencies.
bool RuleDaysComeRound(const icalrecurrencetype& Rule, const icaltimetype& Start);

// False for a rule of a day or more whose occurrences libical 3.0 walks otherwise than RFC 5545
// lists them (years and months skipped or missing, BYSETPOS left out or applied to days only):
// BYSETPOS beside DAILY or WEEKLY or beside several times of day; a yearly BYWEEKNO at a year's
// edges, from its end, beside other day parts or with weeks not starting on MO; a yearly
// BYYEARDAY beside other day parts; a yearly BYMONTHDAY without BYMONTH; a daily BYMONTHDAY
// from the month's end; weeks of several that start on a day other than MO or SU.
bool LibicalWalksRule(const icalrecurrencetype& Rule);
