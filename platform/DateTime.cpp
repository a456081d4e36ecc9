#include "platform/DateTime.h"

#include <chrono>
#include <cmath>
#include <ctime>

#include "platform/Exceptions.h"

namespace {

std::function<TDateTime()>& ClockOverride()
{
    static std::function<TDateTime()> clock;
    return clock;
}

// Days from 1970-01-01 to a civil date, for any year (proleptic Gregorian).
int64_t DaysFromCivil(int64_t y, unsigned m, unsigned d)
{
    y -= m <= 2;
    const int64_t era = (y >= 0 ? y : y - 399) / 400;
    const unsigned yoe = static_cast<unsigned>(y - era * 400);
    const unsigned doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + static_cast<int64_t>(doe) - 719468;
}

void CivilFromDays(int64_t z, int& y, int& m, int& d)
{
    z += 719468;
    const int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    const unsigned doe = static_cast<unsigned>(z - era * 146097);
    const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const unsigned mp = (5 * doy + 2) / 153;
    d = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
    m = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
    y = static_cast<int>(static_cast<int64_t>(yoe) + era * 400 + (m <= 2));
}

constexpr int64_t kUnixEpochDays = 25569;  // 1970-01-01 as a day number

}  // namespace

TClockOverride::TClockOverride(std::function<TDateTime()> clock) { ClockOverride() = std::move(clock); }
TClockOverride::~TClockOverride() { ClockOverride() = nullptr; }

TDateTime Now()
{
    if (ClockOverride())
        return ClockOverride()();
    const auto now = std::chrono::system_clock::now();
    const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(now.time_since_epoch()).count();
    const std::time_t secs = static_cast<std::time_t>(ms / 1000);
    std::tm local{};
    localtime_r(&secs, &local);
    TDateTime date;
    TryEncodeDate(local.tm_year + 1900, local.tm_mon + 1, local.tm_mday, date);
    return date + EncodeTime(local.tm_hour, local.tm_min, local.tm_sec, static_cast<int>(ms % 1000));
}

TDateTime Date() { return std::floor(Now()); }

bool IsLeapYear(int year) { return year % 4 == 0 && (year % 100 != 0 || year % 400 == 0); }

int DaysInMonth(int year, int month)
{
    static const int days[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (month < 1 || month > 12)
        return 0;
    return month == 2 && IsLeapYear(year) ? 29 : days[month - 1];
}

bool TryEncodeDate(int year, int month, int day, TDateTime& result)
{
    if (year < 1 || year > 9999 || month < 1 || month > 12 || day < 1 || day > DaysInMonth(year, month))
        return false;
    result = static_cast<TDateTime>(DaysFromCivil(year, unsigned(month), unsigned(day)) + kUnixEpochDays);
    return true;
}

TDateTime EncodeDate(int year, int month, int day)
{
    TDateTime r;
    if (!TryEncodeDate(year, month, day, r))
        throw EConvertError("Invalid argument to date encode");
    return r;
}

TDateTime EncodeTime(int hour, int minute, int second, int msec)
{
    return (((hour * 60.0 + minute) * 60.0 + second) * 1000.0 + msec) / 86400000.0;
}

void DecodeDate(TDateTime value, int& year, int& month, int& day)
{
    // Round to the millisecond first so that 23:59:59.9995 does not fall back a day.
    const double ms = std::round(value * 86400000.0);
    const int64_t days = static_cast<int64_t>(std::trunc(ms / 86400000.0));
    CivilFromDays(days - kUnixEpochDays, year, month, day);
}

void DecodeTime(TDateTime value, int& hour, int& minute, int& second, int& msec)
{
    int64_t ms = static_cast<int64_t>(std::llround(std::fabs(value) * 86400000.0)) % 86400000;
    hour = static_cast<int>(ms / 3600000);
    ms %= 3600000;
    minute = static_cast<int>(ms / 60000);
    ms %= 60000;
    second = static_cast<int>(ms / 1000);
    msec = static_cast<int>(ms % 1000);
}

int DayOfWeek(TDateTime value)
{
    const int64_t days = static_cast<int64_t>(std::floor(value));
    // 1899-12-30 (day 0) was a Saturday.
    return static_cast<int>(((days % 7) + 7 + 6) % 7) + 1;
}

TDateTime UnixToDateTime(int64_t seconds) { return kUnixEpochDays + seconds / 86400.0; }

int64_t DateTimeToUnix(TDateTime value) { return std::llround((value - kUnixEpochDays) * 86400.0); }

uint32_t DateTimeToDosDateTime(TDateTime value)
{
    int y, mo, d, h, mi, s, ms;
    DecodeDate(value, y, mo, d);
    DecodeTime(value, h, mi, s, ms);
    if (y < 1980)
        y = 1980, mo = 1, d = 1, h = mi = s = 0;
    if (y > 2107)
        y = 2107;
    const uint32_t date = uint32_t((y - 1980) << 9 | mo << 5 | d);
    const uint32_t time = uint32_t(h << 11 | mi << 5 | s / 2);
    return date << 16 | time;
}

bool TryDosDateTimeToDateTime(uint32_t dos, TDateTime& result)
{
    const int time = int(dos & 0xFFFF), date = int(dos >> 16);
    const int h = time >> 11, mi = (time >> 5) & 63, s = (time & 31) * 2;
    if (h > 23 || mi > 59 || s > 59)
        return false;
    TDateTime d;
    if (!TryEncodeDate(1980 + (date >> 9), (date >> 5) & 15, date & 31, d))
        return false;
    result = d + EncodeTime(h, mi, s, 0);
    return true;
}

uint64_t GetTickCount64()
{
    return static_cast<uint64_t>(std::chrono::duration_cast<std::chrono::milliseconds>(
                                     std::chrono::steady_clock::now().time_since_epoch())
                                     .count());
}
