#include "ui/exchange/TabTextImport.h"

#include <algorithm>

#include "platform/StrUtils.h"
#include "platform/Stream.h"
#include "taskdb/TaskNode.h"
#include "taskdb/TextExchange.h"
#include "ui/outline/ClipboardLines.h"

namespace {

constexpr std::string_view NotePrefix = "<Note: ";

} // namespace

int CountLeadingTabs(std::string_view Line)
{
    int count = 0;
    while (static_cast<size_t>(count) < Line.size() && Line[static_cast<size_t>(count)] == '\t')
        ++count;
    return count;
}

void ParseNoteLine(std::string_view Line, std::string& Note)
{
    Note.clear();
    const std::string line = Trim(Line);
    if (line.size() < NotePrefix.size() || !StartsText(NotePrefix, line))
        return;
    Note = Trim(std::string_view(line).substr(NotePrefix.size()));
    if (!Note.empty() && Note.back() == '>')
        Note.pop_back();
}

std::vector<std::string> SplitTabTextLines(std::string_view Content)
{
    if (Content.substr(0, 3) == "\xEF\xBB\xBF")
        Content.remove_prefix(3);
    return SplitClipboardLines(std::string(Content));
}

void ImportTabTextLines(const std::vector<std::string>& Lines, TTaskNode& Target)
{
    // Every line is read first, so that an outline too deep for the target is refused before
    // anything changes. A task line keeps its tabs; a note line has none (-1).
    struct TLine {
        std::string text;
        int tabs;
    };
    std::vector<TLine> lines;
    int level = 0;
    int height = 0;
    std::string note;
    for (const std::string& raw : Lines) {
        if (Trim(raw).empty())
            continue;
        const std::string line = DecodeTabTextLine(raw);
        ParseNoteLine(line, note);
        if (!note.empty()) {
            lines.push_back({note, -1});
            continue;
        }
        const int tabs = CountLeadingTabs(line);
        level = std::min(level, tabs) + 1;
        height = std::max(height, level);
        lines.push_back({Trim(line), tabs});
    }
    TTaskNode::CheckNestingRoom(Target, height);

    TTaskNode* current = &Target;
    level = 0;
    for (const TLine& line : lines) {
        if (line.tabs < 0) {
            current->Note.SetText(line.text);
            continue;
        }
        while (line.tabs < level) {
            if (current != &Target)
                current = current->Parent;
            --level;
        }
        current = current->AddChild(line.text, -1);
        ++level;
    }
}

void ImportTabTextFile(const std::string& FileName, TTaskNode& Target)
{
    std::string content;
    {
        TFileStream file(FileName, TFileMode::fmOpenRead);
        content.resize(static_cast<size_t>(file.GetSize()));
        if (!content.empty())
            file.ReadBuffer(content.data(), static_cast<int64_t>(content.size()));
    }
    ImportTabTextLines(SplitTabTextLines(content), Target);
}
