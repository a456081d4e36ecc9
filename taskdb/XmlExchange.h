#pragma once
// Text forms of the XML exchange vocabulary, shared by the reader and the writer.
#include <string>
#include <string_view>

#include "platform/DateTime.h"

namespace pugi {
class xml_node;
}

// The parse options for an exchange file; the default ones drop a note of blank lines.
unsigned int XmlExchangeParseOptions();
// Float text; a value that is not finite (only a damaged file holds one) as "NaN", "INF" or
// "-INF", which the readers take back.
std::string FormatXmlFloat(double Value);
// "yyyy-mm-dd hh:mm:ss", always with "-" and ":" whatever the user's settings.
// A value outside the years 1..9999 (only a damaged file holds one) is written as a plain
// number of days, or as FormatXmlFloat writes it when it is not finite; ParseXmlDateTime
// reads both back.
std::string FormatXmlDateTime(TDateTime Value);
// Reads "yyyy-mm-dd", optionally followed by a blank and "hh:mm" or "hh:mm:ss" (fractions of
// a second allowed). Raises EConvertError when the text is no date.
TDateTime ParseXmlDateTime(std::string_view Text);
// "-1", "1" or any other non-zero integer, "true": true; "0", "false": false (case ignored).
// Raises EConvertError otherwise.
bool ParseXmlBoolean(std::string_view Text);
// True for the TaskNode element that stands for an exported whole tree (the root's, with an
// empty Caption): its children are imported directly under the target.
bool IsEmptyTaskNodeXml(pugi::xml_node Node);
