#include "platform/StrUtils.h"

#include <cerrno>
#include <charconv>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "platform/Exceptions.h"

std::string Format(const char* format, ...)
{
    va_list args;
    va_start(args, format);
    va_list copy;
    va_copy(copy, args);
    const int n = std::vsnprintf(nullptr, 0, format, copy);
    va_end(copy);
    std::string out;
    if (n > 0) {
        out.resize(static_cast<size_t>(n) + 1);
        std::vsnprintf(out.data(), out.size(), format, args);
        out.resize(static_cast<size_t>(n));
    }
    va_end(args);
    return out;
}

static bool IsTrimmed(char c) { return static_cast<unsigned char>(c) <= ' '; }

std::string Trim(std::string_view s)
{
    size_t b = 0, e = s.size();
    while (b < e && IsTrimmed(s[b]))
        ++b;
    while (e > b && IsTrimmed(s[e - 1]))
        --e;
    return std::string(s.substr(b, e - b));
}

std::string TrimLeft(std::string_view s)
{
    size_t b = 0;
    while (b < s.size() && IsTrimmed(s[b]))
        ++b;
    return std::string(s.substr(b));
}

std::string TrimRight(std::string_view s)
{
    size_t e = s.size();
    while (e > 0 && IsTrimmed(s[e - 1]))
        --e;
    return std::string(s.substr(0, e));
}

static char Upper(char c) { return (c >= 'a' && c <= 'z') ? char(c - 32) : c; }
static char Lower(char c) { return (c >= 'A' && c <= 'Z') ? char(c + 32) : c; }

std::string UpperCase(std::string_view s)
{
    std::string r(s);
    for (auto& c : r)
        c = Upper(c);
    return r;
}

std::string LowerCase(std::string_view s)
{
    std::string r(s);
    for (auto& c : r)
        c = Lower(c);
    return r;
}

int CompareStr(std::string_view a, std::string_view b)
{
    const int c = a.compare(b);
    return c < 0 ? -1 : c > 0 ? 1 : 0;
}

int CompareText(std::string_view a, std::string_view b)
{
    const size_t n = std::min(a.size(), b.size());
    for (size_t i = 0; i < n; ++i) {
        const auto x = static_cast<unsigned char>(Upper(a[i]));
        const auto y = static_cast<unsigned char>(Upper(b[i]));
        if (x != y)
            return x < y ? -1 : 1;
    }
    return a.size() == b.size() ? 0 : a.size() < b.size() ? -1 : 1;
}

bool SameText(std::string_view a, std::string_view b) { return a.size() == b.size() && CompareText(a, b) == 0; }

bool StartsText(std::string_view prefix, std::string_view s)
{
    return s.size() >= prefix.size() && SameText(s.substr(0, prefix.size()), prefix);
}

std::string IntToStr(int64_t value) { return std::to_string(value); }

namespace {

// The whole of s must be one number; one sign, '+' or '-', may lead.
template <typename T>
bool ParseWhole(std::string_view s, T& value)
{
    const char* b = s.data();
    const char* e = b + s.size();
    if (b != e && *b == '+') {
        ++b;
        if (b != e && *b == '-')
            return false;
    }
    const auto [p, ec] = std::from_chars(b, e, value);
    return b != e && ec == std::errc() && p == e;
}

} // namespace

bool TryStrToInt(std::string_view s, int32_t& value) { return ParseWhole(Trim(s), value); }

int32_t StrToInt(std::string_view s)
{
    int32_t v;
    if (!TryStrToInt(s, v))
        throw EConvertError("'" + std::string(s) + "' is not a valid integer value");
    return v;
}

int32_t StrToIntDef(std::string_view s, int32_t fallback)
{
    int32_t v;
    return TryStrToInt(s, v) ? v : fallback;
}

std::string FloatToStr(double value)
{
    char buf[64];
    const auto [p, ec] = std::to_chars(buf, buf + sizeof buf, value);
    return ec == std::errc() ? std::string(buf, p) : std::string("0");
}

bool TryStrToFloat(std::string_view s, double& value)
{
    std::string t = Trim(s);
    for (auto& c : t)
        if (c == ',')
            c = '.';
    return ParseWhole(t, value);
}

double StrToFloat(std::string_view s)
{
    double v;
    if (!TryStrToFloat(s, v))
        throw EConvertError("'" + std::string(s) + "' is not a valid floating point value");
    return v;
}
