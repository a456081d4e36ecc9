#pragma once
// Reading tab-indented text into new tasks: one task per line, its depth given by the leading
// tabs, and a "<Note: ...>" line carrying the note of the task before it.
#include <string>
#include <string_view>
#include <vector>

class TTaskNode;

int CountLeadingTabs(std::string_view Line);
// Note := the note text when Line is a note line, else empty. A note line with nothing between
// its prefix and the closing ">" has an empty note and so counts as a task line.
void ParseNoteLine(std::string_view Line, std::string& Note);

// The lines of a file's bytes, split at LF, CR LF or CR, with a leading UTF-8 byte-order mark
// dropped.
std::vector<std::string> SplitTabTextLines(std::string_view Content);

// Adds the tasks of Lines under Target, in order and at the end of its children. A line
// deeper than the one before it by two tabs or more still becomes a child of the task before
// it; a note line before the first task line sets the note of Target.
void ImportTabTextLines(const std::vector<std::string>& Lines, TTaskNode& Target);

// Reads the whole file first, so that a file that cannot be read changes nothing; raises the
// platform's stream errors.
void ImportTabTextFile(const std::string& FileName, TTaskNode& Target);
