#pragma once
// Clipboard text of the task commands: the To-Do captions copied out, and the lines of pasted
// text that become new subtasks.
#include <string>
#include <vector>

// Each caption followed by CR LF; no captions give an empty text.
std::string ToDoClipboardText(const std::vector<std::string>& Captions);

// The lines of Text, split at CR LF, LF or CR. Empty lines count, a final line break does not
// start another line, and a long line stays one line whatever its width.
std::vector<std::string> SplitClipboardLines(const std::string& Text);
