#pragma once
// Reading and writing iCalendar text (RFC 5545) as far as a task store needs it: content
// lines with folding, parameters and values kept as written, nested components, the TEXT
// escapes, text lists, and DATE / DATE-TIME values. Lines that are not changed are written
// back byte for byte as they were read, folds and line ends included.
#include <string>
#include <string_view>
#include <vector>

#include "platform/DateTime.h"

struct TICalProperty {
    std::string Name;        // as written; compared without regard to case
    std::string ParamText;   // everything between the name and the value's colon, ';' included
    std::string Value;       // raw, still escaped
    bool Raw = false;        // a line that is no content line, kept as it stood in Name
    std::string Source;      // the bytes it was read from (folds, line end); empty when new

    // The value of a parameter (quotes removed), or empty.
    std::string Param(std::string_view ParamName) const;
};

struct TICalComponent {
    std::string Name;
    std::vector<TICalProperty> Properties;
    std::vector<TICalComponent> Components;
    std::string BeginSource, EndSource;   // the bytes of its BEGIN and END lines as read

    TICalProperty* Find(std::string_view PropName);
    const TICalProperty* Find(std::string_view PropName) const;
    // Replaces the first property of that name (removing any others) or appends one.
    void Set(std::string_view PropName, const std::string& ParamText, const std::string& Value);
    void Remove(std::string_view PropName);
    TICalComponent* FindComponent(std::string_view CompName);
};

// The top-level components of a text (normally one VCALENDAR). Lines end at CR LF or LF.
std::vector<TICalComponent> ParseICalendar(std::string_view Text);
// The same, and why the text is not whole when it is not: a component left open (a
// truncated file) or bytes that are not UTF-8. Problem stays empty for a sound text.
std::vector<TICalComponent> ParseICalendar(std::string_view Text, std::string& Problem);
// Content lines folded at 75 octets, never inside a UTF-8 sequence. New and changed lines end
// in CR LF, or in LF alone when the text's first line did.
std::string WriteICalendar(const std::vector<TICalComponent>& Components);

// Control characters other than the tab cannot stand in a TEXT value and are left out.
std::string EscapeICalText(std::string_view Text);
std::string UnescapeICalText(std::string_view Value);
// A list value split at the commas that are not escaped, each item unescaped.
std::vector<std::string> SplitICalTextList(std::string_view Value);

// DATE ("20240105") or DATE-TIME ("20240105T143000", with "Z" for UTC). UTC values are turned
// into local time. False for anything else.
bool ParseICalDateTime(std::string_view Value, TDateTime& Result, bool& IsDate);
// A duration such as "P1W" or "-PT1H30M" in days; false when it is none.
bool ParseICalDuration(std::string_view Value, double& Days);
std::string FormatICalDate(TDateTime Value);
// Local time as a floating DATE-TIME.
std::string FormatICalLocalDateTime(TDateTime Value);
// Local time written as UTC ("...Z").
std::string FormatICalUtcDateTime(TDateTime Value);
TDateTime LocalToUtc(TDateTime Local);
TDateTime UtcToLocal(TDateTime Utc);
// The same moment without its fraction of a second (never later than Value).
TDateTime TruncateToSecond(TDateTime Value);
// True when the value, to the second, is midnight.
bool IsWholeDay(TDateTime Value);
// The nearest whole second, in the form a date and time read from text has.
TDateTime RoundToSecond(TDateTime Value);
// For a local time in the hour the clock is set back (it shows twice), the first local time
// of that repeated span; any other time as it is.
TDateTime RepeatedWallTimeStart(TDateTime Local);
