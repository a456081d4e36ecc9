#pragma once
// Dates and times as days since 1899-12-30 (the fraction is the time of day; 0 means none),
// and a clock that tests can set.
#include <cstdint>
#include <functional>

using TDateTime = double;

// The local date and time now, from the clock.
TDateTime Now();
TDateTime Date();

// Replaces the clock until the guard is destroyed (tests only; one at a time).
class TClockOverride {
public:
    explicit TClockOverride(std::function<TDateTime()> clock);
    explicit TClockOverride(TDateTime fixed) : TClockOverride([fixed] { return fixed; }) {}
    ~TClockOverride();
    TClockOverride(const TClockOverride&) = delete;
    TClockOverride& operator=(const TClockOverride&) = delete;
};

bool IsLeapYear(int year);
int DaysInMonth(int year, int month);
bool TryEncodeDate(int year, int month, int day, TDateTime& result);
TDateTime EncodeDate(int year, int month, int day);   // raises EConvertError on a bad date
TDateTime EncodeTime(int hour, int minute, int second, int msec);
void DecodeDate(TDateTime value, int& year, int& month, int& day);
void DecodeTime(TDateTime value, int& hour, int& minute, int& second, int& msec);
// 1 = Sunday .. 7 = Saturday.
int DayOfWeek(TDateTime value);

// Seconds since 1970-01-01 (UTC treated as local wall time) and back.
TDateTime UnixToDateTime(int64_t seconds);
int64_t DateTimeToUnix(TDateTime value);

// MS-DOS date-time: time in the low word, date in the high word.
uint32_t DateTimeToDosDateTime(TDateTime value);
bool TryDosDateTimeToDateTime(uint32_t dos, TDateTime& result);

// Milliseconds from a monotonic clock.
uint64_t GetTickCount64();
