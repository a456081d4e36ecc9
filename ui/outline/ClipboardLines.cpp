#include "ui/outline/ClipboardLines.h"

std::string ToDoClipboardText(const std::vector<std::string>& Captions)
{
    std::string text;
    for (const std::string& caption : Captions) {
        text += caption;
        text += "\r\n";
    }
    return text;
}

std::vector<std::string> SplitClipboardLines(const std::string& Text)
{
    std::vector<std::string> lines;
    size_t start = 0;
    while (start < Text.size()) {
        const size_t end = Text.find_first_of("\r\n", start);
        if (end == std::string::npos) {
            lines.push_back(Text.substr(start));
            break;
        }
        lines.push_back(Text.substr(start, end - start));
        start = end + 1;
        if (Text[end] == '\r' && start < Text.size() && Text[start] == '\n')
            ++start;
    }
    return lines;
}
