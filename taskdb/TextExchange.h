#pragma once
// Tab-indented text: the joiner of note lines, shared by the export and the import.
#include <string>
#include <string_view>

// The pilcrow U+00B6 in UTF-8; a note's lines are joined by it on one text line.
constexpr std::string_view kTabTextNoteJoiner = "\xC2\xB6";

// One line of a tab-text file as model text, with each note joiner turned into a line feed.
// A line that is not valid UTF-8 comes from an older 8-bit file and is read in the system's
// code page (SystemCodePage.h), where the joiner is the single byte 0xB6. A 0xB6 byte inside
// a UTF-8 character (as in "ö") is left alone.
std::string DecodeTabTextLine(std::string_view line);
