#include "ui/exchange/TabTextImport.h"

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
    TTaskNode* current = &Target;
    int level = 0;
    std::string note;
    for (const std::string& raw : Lines) {
        if (Trim(raw).empty())
            continue;
        const std::string line = DecodeTabTextLine(raw);
        ParseNoteLine(line, note);
        if (!note.empty()) {
            current->Note.SetText(note);
            continue;
        }
        const int depth = CountLeadingTabs(line);
        while (depth < level) {
            if (current != &Target)
                current = current->Parent;
            --level;
        }
        current = current->AddChild(Trim(line), -1);
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
