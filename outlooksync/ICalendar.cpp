#include "outlooksync/ICalendar.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <ctime>

#include "platform/CodePage.h"
#include "platform/StrUtils.h"

namespace {

constexpr int64_t kSecondsPerDay = 86400;
constexpr int64_t kUnixEpochDays = 25569;   // 1970-01-01 as a day count

int64_t ToSeconds(TDateTime value)
{
    return std::llround(value * static_cast<double>(kSecondsPerDay));
}

TDateTime FromSeconds(int64_t seconds)
{
    int64_t days = seconds / kSecondsPerDay;
    int64_t rem = seconds % kSecondsPerDay;
    if (rem < 0) {
        rem += kSecondsPerDay;
        --days;
    }
    return static_cast<double>(days) + EncodeTime(static_cast<int>(rem / 3600),
                                                  static_cast<int>(rem / 60 % 60),
                                                  static_cast<int>(rem % 60), 0);
}

bool Digits(std::string_view s, size_t from, size_t count, int& out)
{
    if (from + count > s.size())
        return false;
    out = 0;
    for (size_t i = from; i < from + count; ++i) {
        if (s[i] < '0' || s[i] > '9')
            return false;
        out = out * 10 + (s[i] - '0');
    }
    return true;
}

// Where the parameters of a content line end: the first colon outside double quotes.
size_t ValueColon(std::string_view line, size_t from)
{
    bool quoted = false;
    for (size_t i = from; i < line.size(); ++i) {
        if (line[i] == '"')
            quoted = !quoted;
        else if (line[i] == ':' && !quoted)
            return i;
    }
    return std::string_view::npos;
}

TICalProperty ParseLine(std::string_view line)
{
    TICalProperty p;
    size_t nameEnd = 0;
    while (nameEnd < line.size() && line[nameEnd] != ';' && line[nameEnd] != ':')
        ++nameEnd;
    const size_t colon = ValueColon(line, nameEnd);
    if (nameEnd == 0 || colon == std::string_view::npos) {
        p.Raw = true;
        p.Name = std::string(line);
        return p;
    }
    p.Name = std::string(line.substr(0, nameEnd));
    p.ParamText = std::string(line.substr(nameEnd, colon - nameEnd));
    p.Value = std::string(line.substr(colon + 1));
    return p;
}

std::string LineOf(const TICalProperty& p)
{
    return p.Raw ? p.Name : p.Name + p.ParamText + ":" + p.Value;
}

void Fold(const std::string& line, std::string_view eol, std::string& out)
{
    // A piece that ends in a carriage return keeps it only before a whole CR LF: before a bare
    // line feed the two would read back as one line end.
    const auto endPiece = [&] { out += !out.empty() && out.back() == '\r' ? std::string_view("\r\n") : eol; };
    // 75 octets on the first line, 74 after the leading blank on the others.
    size_t pos = 0;
    size_t limit = 75;
    while (line.size() - pos > limit) {
        size_t cut = pos + limit;
        while (cut > pos && (static_cast<unsigned char>(line[cut]) & 0xC0) == 0x80)
            --cut;
        if (cut == pos)
            cut = pos + limit;
        out.append(line, pos, cut - pos);
        endPiece();
        out += ' ';
        pos = cut;
        limit = 74;
    }
    out.append(line, pos, std::string::npos);
    endPiece();
}

// The logical line that Source holds, folds and line end removed.
std::string Unfolded(std::string_view source)
{
    std::string line;
    line.reserve(source.size());
    for (size_t i = 0; i < source.size(); ++i) {
        if (source[i] == '\r' && i + 1 < source.size() && source[i + 1] == '\n')
            continue;
        if (source[i] == '\n') {
            ++i;   // the fold's blank or tab, or past the end
            continue;
        }
        line += source[i];
    }
    return line;
}

// The line as it was read when it still says the same, else the line folded anew.
void WriteLine(const std::string& source, const std::string& line, std::string_view eol,
               std::string& out)
{
    if (source.empty() || Unfolded(source) != line) {
        Fold(line, eol, out);
        return;
    }
    out += source;
    if (source.back() != '\n')
        out += eol;
}

void WriteComponent(const TICalComponent& c, std::string_view eol, std::string& out)
{
    WriteLine(c.BeginSource, "BEGIN:" + c.Name, eol, out);
    for (const TICalProperty& p : c.Properties)
        WriteLine(p.Source, LineOf(p), eol, out);
    for (const TICalComponent& child : c.Components)
        WriteComponent(child, eol, out);
    WriteLine(c.EndSource, "END:" + c.Name, eol, out);
}

// New and changed lines end as the text's first line did: a file written with bare line
// feeds keeps one kind of line end throughout.
std::string_view LineEndOf(const std::vector<TICalComponent>& components)
{
    if (components.empty())
        return "\r\n";
    const std::string& first = components.front().BeginSource;
    const bool bare = first.size() >= 1 && first.back() == '\n' &&
                      (first.size() < 2 || first[first.size() - 2] != '\r');
    return bare ? "\n" : "\r\n";
}

} // namespace

std::string TICalProperty::Param(std::string_view ParamName) const
{
    size_t pos = 0;
    while (pos < ParamText.size()) {
        if (ParamText[pos] != ';') {
            ++pos;
            continue;
        }
        size_t eq = ParamText.find('=', pos + 1);
        if (eq == std::string::npos)
            return {};
        std::string_view name(ParamText.data() + pos + 1, eq - pos - 1);
        size_t end = eq + 1;
        bool quoted = false;
        while (end < ParamText.size() && (quoted || ParamText[end] != ';')) {
            if (ParamText[end] == '"')
                quoted = !quoted;
            ++end;
        }
        if (SameText(name, ParamName)) {
            std::string value = ParamText.substr(eq + 1, end - eq - 1);
            if (value.size() >= 2 && value.front() == '"' && value.back() == '"')
                value = value.substr(1, value.size() - 2);
            return value;
        }
        pos = end;
    }
    return {};
}

TICalProperty* TICalComponent::Find(std::string_view PropName)
{
    for (TICalProperty& p : Properties)
        if (!p.Raw && SameText(p.Name, PropName))
            return &p;
    return nullptr;
}

const TICalProperty* TICalComponent::Find(std::string_view PropName) const
{
    return const_cast<TICalComponent*>(this)->Find(PropName);
}

void TICalComponent::Set(std::string_view PropName, const std::string& ParamText,
                         const std::string& Value)
{
    TICalProperty* first = Find(PropName);
    if (!first) {
        Properties.push_back(TICalProperty{std::string(PropName), ParamText, Value, false, {}});
        return;
    }
    first->ParamText = ParamText;
    first->Value = Value;
    // Later properties of the same name would contradict the one just set.
    for (size_t i = Properties.size(); i-- > 0;) {
        TICalProperty& p = Properties[i];
        if (&p != first && !p.Raw && SameText(p.Name, PropName))
            Properties.erase(Properties.begin() + static_cast<std::ptrdiff_t>(i));
    }
}

void TICalComponent::Remove(std::string_view PropName)
{
    for (size_t i = Properties.size(); i-- > 0;)
        if (!Properties[i].Raw && SameText(Properties[i].Name, PropName))
            Properties.erase(Properties.begin() + static_cast<std::ptrdiff_t>(i));
}

TICalComponent* TICalComponent::FindComponent(std::string_view CompName)
{
    for (TICalComponent& c : Components)
        if (SameText(c.Name, CompName))
            return &c;
    return nullptr;
}

std::vector<TICalComponent> ParseICalendar(std::string_view Text)
{
    std::string ignored;
    return ParseICalendar(Text, ignored);
}

std::vector<TICalComponent> ParseICalendar(std::string_view Text, std::string& Problem)
{
    Problem.clear();
    // Unfold: a line break followed by a blank or a tab continues the line. Each logical line
    // keeps the bytes it came from, so that what is not changed is written back as it was.
    struct TLine {
        std::string Text;
        size_t From, To;
    };
    std::vector<TLine> lines;
    size_t pos = 0;
    if (Text.substr(0, 3) == "\xEF\xBB\xBF")
        pos = 3;
    while (pos < Text.size()) {
        size_t end = Text.find('\n', pos);
        const size_t next = end == std::string_view::npos ? Text.size() : end + 1;
        if (end == std::string_view::npos)
            end = Text.size();
        std::string_view line = Text.substr(pos, end - pos);
        if (!line.empty() && line.back() == '\r')
            line.remove_suffix(1);
        if (!line.empty() && (line[0] == ' ' || line[0] == '\t') && !lines.empty()) {
            lines.back().Text.append(line.substr(1));
            lines.back().To = next;
        } else if (!line.empty()) {
            lines.push_back({std::string(line), pos, next});
        }
        pos = next;
    }

    TICalComponent top;
    std::vector<TICalComponent*> stack{&top};
    for (const TLine& line : lines) {
        if (Problem.empty() && !IsValidUtf8(line.Text))
            Problem = "it holds bytes that are not UTF-8";
        TICalProperty p = ParseLine(line.Text);
        p.Source = std::string(Text.substr(line.From, line.To - line.From));
        if (!p.Raw && SameText(p.Name, "BEGIN") && p.ParamText.empty()) {
            stack.back()->Components.push_back(TICalComponent{Trim(p.Value), {}, {}, {}, {}});
            stack.back()->Components.back().BeginSource = std::move(p.Source);
            stack.push_back(&stack.back()->Components.back());
        } else if (!p.Raw && SameText(p.Name, "END") && p.ParamText.empty()) {
            // An END closes the innermost open component of that name; a stray one is dropped.
            for (size_t i = stack.size(); i-- > 1;) {
                if (SameText(stack[i]->Name, Trim(p.Value))) {
                    stack[i]->EndSource = std::move(p.Source);
                    stack.resize(i);
                    break;
                }
            }
        } else if (stack.size() > 1) {
            stack.back()->Properties.push_back(std::move(p));
        }
    }
    if (Problem.empty() && stack.size() > 1)
        Problem = "it ends inside " + stack.back()->Name + " (the file is cut short)";
    return std::move(top.Components);
}

std::string WriteICalendar(const std::vector<TICalComponent>& Components)
{
    std::string out;
    const std::string_view eol = LineEndOf(Components);
    for (const TICalComponent& c : Components)
        WriteComponent(c, eol, out);
    return out;
}

std::string EscapeICalText(std::string_view Text)
{
    std::string out;
    out.reserve(Text.size());
    for (size_t i = 0; i < Text.size(); ++i) {
        const char c = Text[i];
        switch (c) {
        case '\\': out += "\\\\"; break;
        case ';': out += "\\;"; break;
        case ',': out += "\\,"; break;
        case '\r':
            if (i + 1 < Text.size() && Text[i + 1] == '\n')
                ++i;
            out += "\\n";
            break;
        case '\n': out += "\\n"; break;
        default:
            if ((static_cast<unsigned char>(c) >= 0x20 && c != 0x7F) || c == '\t')
                out += c;
            break;
        }
    }
    return out;
}

std::string UnescapeICalText(std::string_view Value)
{
    std::string out;
    out.reserve(Value.size());
    for (size_t i = 0; i < Value.size(); ++i) {
        if (Value[i] != '\\' || i + 1 == Value.size()) {
            out += Value[i];
            continue;
        }
        const char next = Value[++i];
        out += (next == 'n' || next == 'N') ? '\n' : next;
    }
    return out;
}

std::vector<std::string> SplitICalTextList(std::string_view Value)
{
    std::vector<std::string> items;
    size_t start = 0;
    for (size_t i = 0; i <= Value.size(); ++i) {
        if (i < Value.size() && Value[i] == '\\') {
            ++i;
            continue;
        }
        if (i == Value.size() || Value[i] == ',') {
            items.push_back(UnescapeICalText(Value.substr(start, i - start)));
            start = i + 1;
        }
    }
    return items;
}

bool ParseICalDateTime(std::string_view Value, TDateTime& Result, bool& IsDate)
{
    while (!Value.empty() && (Value.back() == ' ' || Value.back() == '\t'))
        Value.remove_suffix(1);
    int y = 0, mo = 0, d = 0, h = 0, mi = 0, s = 0;
    if (!Digits(Value, 0, 4, y) || !Digits(Value, 4, 2, mo) || !Digits(Value, 6, 2, d))
        return false;
    TDateTime date = 0;
    if (!TryEncodeDate(y, mo, d, date))
        return false;
    if (Value.size() == 8) {
        Result = date;
        IsDate = true;
        return true;
    }
    const bool utc = Value.size() == 16 && (Value[15] == 'Z' || Value[15] == 'z');
    if ((Value.size() != 15 && !utc) || (Value[8] != 'T' && Value[8] != 't') ||
        !Digits(Value, 9, 2, h) || !Digits(Value, 11, 2, mi) || !Digits(Value, 13, 2, s) ||
        h > 23 || mi > 59 || s > 60)
        return false;
    if (s == 60)   // a leap second is taken as the last second of its minute
        s = 59;
    TDateTime value = FromSeconds(ToSeconds(date) + h * 3600 + mi * 60 + s);
    Result = utc ? UtcToLocal(value) : value;
    IsDate = false;
    return true;
}

bool ParseICalDuration(std::string_view Value, double& Days)
{
    size_t i = 0;
    double sign = 1;
    if (i < Value.size() && (Value[i] == '+' || Value[i] == '-'))
        sign = Value[i++] == '-' ? -1 : 1;
    if (i >= Value.size() || (Value[i] != 'P' && Value[i] != 'p'))
        return false;
    ++i;
    bool time = false;
    bool any = false;
    double seconds = 0;
    while (i < Value.size()) {
        if (Value[i] == 'T' || Value[i] == 't') {
            time = true;
            ++i;
            continue;
        }
        int64_t n = 0;
        size_t digits = 0;
        while (i < Value.size() && Value[i] >= '0' && Value[i] <= '9' && digits < 12) {
            n = n * 10 + (Value[i++] - '0');
            ++digits;
        }
        if (digits == 0 || i >= Value.size())
            return false;
        const char unit = static_cast<char>(Value[i++] & ~0x20);
        if (unit == 'W' && !time) seconds += n * 7 * 86400.0;
        else if (unit == 'D' && !time) seconds += n * 86400.0;
        else if (unit == 'H' && time) seconds += n * 3600.0;
        else if (unit == 'M' && time) seconds += n * 60.0;
        else if (unit == 'S' && time) seconds += static_cast<double>(n);
        else return false;
        any = true;
    }
    if (!any)
        return false;
    Days = sign * seconds / 86400.0;
    return true;
}

std::string FormatICalDate(TDateTime Value)
{
    int y = 0, m = 0, d = 0;
    DecodeDate(FromSeconds(ToSeconds(Value)), y, m, d);
    return Format("%04d%02d%02d", y, m, d);
}

std::string FormatICalLocalDateTime(TDateTime Value)
{
    const int64_t s = ToSeconds(Value);
    int64_t rem = s % kSecondsPerDay;
    if (rem < 0)
        rem += kSecondsPerDay;
    return FormatICalDate(Value) + Format("T%02d%02d%02d", static_cast<int>(rem / 3600),
                                          static_cast<int>(rem / 60 % 60),
                                          static_cast<int>(rem % 60));
}

std::string FormatICalUtcDateTime(TDateTime Value)
{
    return FormatICalLocalDateTime(LocalToUtc(Value)) + "Z";
}

TDateTime LocalToUtc(TDateTime Local)
{
    // The wall-clock fields, handed to the C library as local time.
    const time_t wall = static_cast<time_t>(ToSeconds(Local) - kUnixEpochDays * kSecondsPerDay);
    struct tm fields {};
    gmtime_r(&wall, &fields);
    fields.tm_isdst = -1;
    const time_t epoch = mktime(&fields);
    return FromSeconds(static_cast<int64_t>(epoch) + kUnixEpochDays * kSecondsPerDay);
}

TDateTime UtcToLocal(TDateTime Utc)
{
    const time_t epoch = static_cast<time_t>(ToSeconds(Utc) - kUnixEpochDays * kSecondsPerDay);
    struct tm fields {};
    localtime_r(&epoch, &fields);
    const time_t wall = timegm(&fields);
    return FromSeconds(static_cast<int64_t>(wall) + kUnixEpochDays * kSecondsPerDay);
}

TDateTime TruncateToSecond(TDateTime Value)
{
    return FromSeconds(static_cast<int64_t>(std::floor(Value * static_cast<double>(kSecondsPerDay))));
}

bool IsWholeDay(TDateTime Value)
{
    return ToSeconds(Value) % kSecondsPerDay == 0;
}

TDateTime RoundToSecond(TDateTime Value)
{
    return FromSeconds(ToSeconds(Value));
}

TDateTime RepeatedWallTimeStart(TDateTime Local)
{
    const time_t wall = static_cast<time_t>(ToSeconds(Local) - kUnixEpochDays * kSecondsPerDay);
    auto wallOf = [](time_t instant) {
        struct tm fields {};
        localtime_r(&instant, &fields);
        return timegm(&fields);
    };
    auto offsetOf = [](time_t instant) {
        struct tm fields {};
        localtime_r(&instant, &fields);
        return fields.tm_gmtoff;
    };
    // The wall time read once as summer time and once as standard time: two instants that
    // both show it exist only in the hour the clock is set back.
    time_t instants[2];
    for (int dst = 0; dst < 2; ++dst) {
        struct tm fields {};
        gmtime_r(&wall, &fields);
        fields.tm_isdst = dst;
        instants[dst] = mktime(&fields);
    }
    time_t first = std::min(instants[0], instants[1]);
    time_t second = std::max(instants[0], instants[1]);
    if (first == -1 || first == second || wallOf(first) != wall || wallOf(second) != wall)
        return Local;
    // The moment the clock went back lies between them.
    const long before = offsetOf(first);
    while (second - first > 1) {
        const time_t middle = first + (second - first) / 2;
        (offsetOf(middle) == before ? first : second) = middle;
    }
    return FromSeconds(static_cast<int64_t>(wallOf(second)) + kUnixEpochDays * kSecondsPerDay);
}
