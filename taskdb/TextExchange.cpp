// The tab-indented text export: captions and notes only.
#include "taskdb/TextExchange.h"

#include <vector>

#include "platform/CodePage.h"
#include "platform/SafeFileReplace.h"
#include "platform/SystemCodePage.h"
#include "platform/Stream.h"
#include "taskdb/TaskNode.h"
#include "taskdb/TovrinDataBase.h"

namespace {

// A line break inside a caption or a note line (a data file can carry a bare CR) is written as
// the note joiner, which the import reads back as a line break, so the text stays on its own
// line and never starts a task of its own. Text that is not UTF-8 is read back in the code
// page, where the joiner is the byte 0xB6.
void AppendJoined(std::string& out, std::string_view text, std::string_view joiner)
{
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\r' || text[i] == '\n') {
            out += joiner;
            if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n')
                ++i;
        } else {
            out += text[i];
        }
    }
}

std::string_view JoinerFor(bool utf8) { return utf8 ? kTabTextNoteJoiner : std::string_view("\xB6"); }

void AppendTaskLines(std::string& out, const TTaskNode& t, int level)
{
    out.append(static_cast<size_t>(level > 1 ? level - 1 : 0), '\t');
    AppendJoined(out, t.Caption, JoinerFor(IsValidUtf8(t.Caption)));
    out += "\r\n";
    std::string note;
    bool utf8 = true;
    for (const auto& line : t.Note)
        utf8 = utf8 && IsValidUtf8(line);
    for (const auto& line : t.Note) {
        if (!note.empty())
            note += JoinerFor(utf8);
        AppendJoined(note, line, JoinerFor(utf8));
    }
    if (!note.empty()) {
        out += "<Note: ";
        out += note;
        out += ">\r\n";
    }
}

} // namespace

std::string DecodeTabTextLine(std::string_view line)
{
    std::string out;
    out.reserve(line.size());
    if (IsValidUtf8(line)) {
        for (size_t i = 0; i < line.size();) {
            if (line.compare(i, kTabTextNoteJoiner.size(), kTabTextNoteJoiner) == 0) {
                out += '\n';
                i += kTabTextNoteJoiner.size();
            } else {
                out += line[i++];
            }
        }
        return out;
    }
    // The older program joined with the byte 0xB6 whatever its code page made of it.
    const int codePage = SystemAnsiCodePage();
    for (size_t start = 0;;) {
        const size_t joiner = line.find('\xB6', start);
        out += ConvertCodePage(line.substr(start, joiner - start), codePage, CP_UTF8);
        if (joiner == std::string_view::npos)
            return out;
        out += '\n';
        start = joiner + 1;
    }
}

void TTaskNode::WriteText(TStream& TextFile) const
{
    std::string out;
    // Pre-order without recursion; the root (no parent) has no line of its own.
    struct TItem {
        const TTaskNode* task;
        int level;
    };
    std::vector<TItem> stack{{this, Level()}};
    while (!stack.empty()) {
        const TItem item = stack.back();
        stack.pop_back();
        if (item.task->Parent)
            AppendTaskLines(out, *item.task, item.level);
        const auto& children = item.task->Children;
        for (int i = children.Count() - 1; i >= 0; --i)
            stack.push_back({children[i], item.level + 1});
        if (out.size() >= (1u << 16)) {
            TextFile.WriteBuffer(out.data(), static_cast<int64_t>(out.size()));
            out.clear();
        }
    }
    TextFile.WriteBuffer(out.data(), static_cast<int64_t>(out.size()));
}

void TTovrinDataBase::ExportText(const std::string& FileName, TTaskNode* StartTask)
{
    // Beside the file and then over it: a failure leaves an earlier export whole.
    const TTaskNode* start = StartTask ? StartTask : Root.get();
    ReplaceFileSafely(FileName, [start](TStream& file) { start->WriteText(file); });
}
