#pragma once
// The text tests of the find command: where a task matches the search text, and which place
// caption is the next hit. Letters are compared upper-cased, by character (not only ASCII).
#include <string>
#include <vector>

class TTaskNode;

enum class TFindMatch { None, Caption, Notes };

// Does Text occur in the task's caption (when InCaptions) or else in its note lines joined by
// CR LF (when InNotes)? An empty Text never matches.
TFindMatch MatchTaskText(const TTaskNode& Task, const std::string& Text, bool InCaptions, bool InNotes);

// Does Text occur in Subject, ignoring case? An empty Text never occurs.
bool ContainsText(const std::string& Subject, const std::string& Text);

// The first index from Start on whose caption contains Text; -1 when there is none.
int FindCaptionFrom(const std::vector<std::string>& Captions, int Start, const std::string& Text);
