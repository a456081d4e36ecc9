#include "taskdb/Services.h"

#include <chrono>
#include <cstring>
#include <limits>
#include <thread>

#include "platform/CodePage.h"
#include "platform/DateTime.h"
#include "platform/Exceptions.h"
#include "platform/Stream.h"
#include "platform/StrUtils.h"

// ---------------------------------------------------------------- stream primitives

namespace {

// A length or count read from a record that cannot be right: negative, or needing more bytes
// than the stream still holds. Treated as a damaged stream instead of a huge allocation.
void CheckRecordSize(TStream& Stream, int32_t count, int64_t bytesPerItem)
{
    if (count < 0 || static_cast<int64_t>(count) * bytesPerItem > Stream.Remaining())
        throw EReadError("Stream read error");
}

int32_t CheckedLength(size_t size)
{
    if (size > static_cast<size_t>(std::numeric_limits<int32_t>::max()))
        throw EWriteError("Stream write error");
    return static_cast<int32_t>(size);
}

}  // namespace

void WriteStreamString(TStream& Stream, const std::string& S)
{
    Stream.WriteInt32(CheckedLength(S.size()));
    Stream.WriteBuffer(S.data(), static_cast<int64_t>(S.size()));
}

void ReadStreamString(TStream& Stream, std::string& S)
{
    const int32_t length = Stream.ReadInt32();
    CheckRecordSize(Stream, length, 1);
    S.resize(static_cast<size_t>(length));
    Stream.ReadBuffer(S.data(), length);
}

void WriteStreamIntList(TStream& Stream, const std::vector<int32_t>& List)
{
    Stream.WriteInt32(CheckedLength(List.size()));
    for (int32_t item : List)
        Stream.WriteInt32(item);
}

void ReadStreamIntList(TStream& Stream, std::vector<int32_t>& List)
{
    List.clear();
    const int32_t count = Stream.ReadInt32();
    CheckRecordSize(Stream, count, 4);
    List.reserve(static_cast<size_t>(count));
    for (int32_t i = 0; i < count; ++i)
        List.push_back(Stream.ReadInt32());
}

void WriteStreamStrings(TStream& Stream, const TStringList& Strings)
{
    Stream.WriteInt32(Strings.Count());
    for (const std::string& s : Strings)
        WriteStreamString(Stream, s);
}

void ReadStreamStrings(TStream& Stream, TStringList& Strings)
{
    Strings.Clear();
    const int32_t count = Stream.ReadInt32();
    CheckRecordSize(Stream, count, 4);
    std::string s;
    for (int32_t i = 0; i < count; ++i) {
        ReadStreamString(Stream, s);
        Strings.Add(s);
    }
}

// ---------------------------------------------------------------- delimited fields

int32_t CountFields(const std::string& Text, const std::string& Delim)
{
    if (Delim.empty() || Text.empty())
        return 0;
    int32_t count = 0;
    size_t start = 0;
    for (size_t pos; (pos = Text.find(Delim, start)) != std::string::npos; start = pos + Delim.size())
        ++count;
    return start < Text.size() ? count + 1 : count;
}

std::string GetField(const std::string& Text, const std::string& Delim, int32_t Index)
{
    if (Delim.empty())
        return Text;
    if (Index < 1)
        return "";
    size_t start = 0;
    for (int32_t i = 1; i < Index; ++i) {
        const size_t pos = Text.find(Delim, start);
        if (pos == std::string::npos)
            return "";
        start = pos + Delim.size();
    }
    const size_t end = Text.find(Delim, start);
    return Text.substr(start, end == std::string::npos ? std::string::npos : end - start);
}

int32_t CountFieldsP(const char* Buffer, const std::string& Delim)
{
    return Buffer ? CountFields(std::string(Buffer), Delim) : 0;
}

char* GetFieldP(char* Buffer, const std::string& Delim, int32_t Index)
{
    if (!Buffer || Delim.empty())
        return Buffer;
    // A missing field starts where the search for it gave up; the buffer is cut there.
    if (Index < 1) {
        *Buffer = '\0';
        return Buffer;
    }
    const std::string_view text(Buffer);
    size_t start = 0;
    for (int32_t i = 1; i < Index; ++i) {
        const size_t pos = text.find(Delim, start);
        if (pos == std::string_view::npos) {
            Buffer[start] = '\0';
            return Buffer + start;
        }
        start = pos + Delim.size();
    }
    const size_t stop = text.find(Delim, start);
    if (stop != std::string_view::npos)
        Buffer[stop] = '\0';
    return Buffer + start;
}

// ---------------------------------------------------------------- text

std::string ReplaceAll(const std::string& Text, const std::string& Old, const std::string& New)
{
    if (Old == New)
        return Text;
    std::string out;
    out.reserve(Text.size());
    if (New.find(Old) != std::string::npos) {
        // Replacing the first occurrence again and again would never end here: one
        // left-to-right pass instead. (An empty Old is contained in every New.)
        if (Old.empty())
            return Text;
        size_t start = 0;
        for (size_t pos; (pos = Text.find(Old, start)) != std::string::npos; start = pos + Old.size())
            out.append(Text, start, pos - start).append(New);
        return out.append(Text, start, std::string::npos);
    }
    // Always the first occurrence of the current text, until none is left (aab with ab -> ba
    // gives baa).
    size_t pos = Text.find(Old);
    if (pos == std::string::npos)
        return Text;
    // Occurrences have one length, so the first one is the one that ends first:
    // move the text over character by character, and put each replacement back in front of
    // the unread text so that it is searched again. The moved text never holds an occurrence.
    out.assign(Text, 0, pos);
    std::string pending(Text.rbegin(), Text.rend() - static_cast<std::ptrdiff_t>(pos));   // unread text, reversed
    while (!pending.empty()) {
        out.push_back(pending.back());
        pending.pop_back();
        if (out.size() >= Old.size() &&
            out.compare(out.size() - Old.size(), Old.size(), Old) == 0) {
            out.resize(out.size() - Old.size());
            pending.append(New.rbegin(), New.rend());
        }
    }
    return out;
}

std::u16string AnsiToWide(const std::string& S, uint32_t CodePage)
{
    if (S.empty())
        return {};
    return MultiByteToWide(S, static_cast<int>(CodePage));
}

std::string WideToAnsi(const std::u16string& W, uint32_t CodePage)
{
    if (W.empty())
        return {};
    return WideToMultiByte(W, static_cast<int>(CodePage));
}

// ---------------------------------------------------------------- confirmations

namespace {

// The second question holds one integer placeholder. It is filled in here rather than used
// as a format string, so a stray % in the text cannot do harm.
std::string FormatCount(const std::string& text, int32_t count)
{
    std::string out;
    bool filled = false;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '%' && i + 1 < text.size()) {
            if (text[i + 1] == '%') {
                out.push_back('%');
                ++i;
                continue;
            }
            if (text[i + 1] == 'd' && !filled) {
                out += IntToStr(count);
                filled = true;
                ++i;
                continue;
            }
        }
        out.push_back(text[i]);
    }
    return out;
}

}  // namespace

bool ConfirmYesNo(const std::string& Msg, const std::string& Second, int32_t Count)
{
    if (Msg.empty())
        return true;
    if (UiServices().AskQuestion(Msg, false) != idYes)
        return false;
    if (Second.empty())
        return true;
    if (Count == -1)
        return UiServices().AskQuestion(Second, false) == idYes;
    if (Count > 1)
        return UiServices().AskQuestion(FormatCount(Second, Count), false) == idYes;
    return true;
}

int32_t ConfirmYesNoCancel(const std::string& Msg, const std::string& Second, int32_t Count)
{
    if (Msg.empty())
        return idYes;
    const int32_t answer = UiServices().AskQuestion(Msg, true);
    if (answer != idYes || Second.empty())
        return answer;
    if (Count == -1)
        return UiServices().AskQuestion(Second, true);
    if (Count > 1)
        return UiServices().AskQuestion(FormatCount(Second, Count), true);
    return idYes;
}

// ---------------------------------------------------------------- cursor, clipboard

TCursorSaver::TCursorSaver() : savedCursor_(UiServices().GetScreenCursor()) {}

TCursorSaver::~TCursorSaver()
{
    UiServices().SetScreenCursor(savedCursor_);
}

std::shared_ptr<ISaveCursor> SetTempCursor(int16_t Cursor)
{
    auto guard = std::make_shared<TCursorSaver>();
    UiServices().SetScreenCursor(Cursor);
    return guard;
}

std::shared_ptr<ISaveCursor> HourGlass()
{
    return SetTempCursor(crHourGlass);
}

void HideCursor()
{
    UiServices().HideCursor();
}

void CopyTextToClipboard(const std::string& S)
{
    if (!UiServices().SetClipboardText(S))
        throw Exception("Clipboard error.");
}

// ---------------------------------------------------------------- files, timing

int64_t FileSizeByName(const std::string& Name)
{
    TFileStream file(Name, TFileMode::fmOpenRead);
    return file.GetSize();
}

void DelayMs(int32_t Ms)
{
    if (Ms <= 0)
        return;
    // The advance is taken as an unsigned 32-bit difference, right across the counter's wrap.
    const auto start = static_cast<uint32_t>(GetTickCount64());
    const auto wanted = static_cast<uint32_t>(Ms);
    for (;;) {
        const uint32_t passed = static_cast<uint32_t>(GetTickCount64()) - start;
        if (passed >= wanted)
            return;
        std::this_thread::sleep_for(std::chrono::milliseconds(wanted - passed));
    }
}
