#include "platform/StringList.h"

#include <algorithm>

#include "platform/Exceptions.h"
#include "platform/Stream.h"
#include "platform/StrUtils.h"

const std::string& TStringList::operator[](int index) const
{
    if (index < 0 || index >= Count())
        throw EListError(Format("List index out of bounds (%d)", index));
    return items_[static_cast<size_t>(index)];
}

std::string& TStringList::operator[](int index)
{
    if (index < 0 || index >= Count())
        throw EListError(Format("List index out of bounds (%d)", index));
    return items_[static_cast<size_t>(index)];
}

int TStringList::Compare(std::string_view a, std::string_view b) const
{
    return caseSensitive_ ? CompareStr(a, b) : CompareText(a, b);
}

int TStringList::Add(const std::string& s)
{
    if (!sorted_) {
        items_.push_back(s);
        return Count() - 1;
    }
    int index;
    if (Find(s, index)) {
        if (duplicates_ == TDuplicates::dupIgnore)
            return -1;
        if (duplicates_ == TDuplicates::dupError)
            throw EListError("String list does not allow duplicates");
    }
    items_.insert(items_.begin() + index, s);
    return index;
}

void TStringList::Insert(int index, const std::string& s)
{
    if (sorted_)
        throw EListError("Operation not allowed on sorted list");
    if (index < 0 || index > Count())
        throw EListError(Format("List index out of bounds (%d)", index));
    items_.insert(items_.begin() + index, s);
}

void TStringList::Delete(int index)
{
    if (index < 0 || index >= Count())
        throw EListError(Format("List index out of bounds (%d)", index));
    items_.erase(items_.begin() + index);
}

int TStringList::IndexOf(std::string_view s) const
{
    if (sorted_) {
        int index;
        return Find(s, index) ? index : -1;
    }
    for (int i = 0; i < Count(); ++i)
        if (Compare(items_[static_cast<size_t>(i)], s) == 0)
            return i;
    return -1;
}

bool TStringList::Find(std::string_view s, int& index) const
{
    int lo = 0, hi = Count() - 1;
    bool found = false;
    while (lo <= hi) {
        const int mid = (lo + hi) / 2;
        const int c = Compare(items_[static_cast<size_t>(mid)], s);
        if (c < 0) {
            lo = mid + 1;
        } else {
            hi = mid - 1;
            if (c == 0) {
                found = true;
                if (duplicates_ != TDuplicates::dupAccept)
                    lo = mid;
            }
        }
    }
    index = lo;
    return found;
}

void TStringList::Sort()
{
    std::stable_sort(items_.begin(), items_.end(),
                     [this](const std::string& a, const std::string& b) { return Compare(a, b) < 0; });
}

void TStringList::SetSorted(bool value)
{
    if (value && !sorted_)
        Sort();
    sorted_ = value;
}

void TStringList::SetCaseSensitive(bool value)
{
    caseSensitive_ = value;
    if (sorted_)
        Sort();
}

std::string TStringList::Text() const
{
    std::string text;
    for (const auto& s : items_) {
        text += s;
        text += LineBreak;
    }
    return text;
}

void TStringList::SetText(std::string_view text)
{
    items_.clear();
    size_t i = 0;
    while (i < text.size()) {
        size_t j = i;
        while (j < text.size() && text[j] != '\r' && text[j] != '\n')
            ++j;
        Add(std::string(text.substr(i, j - i)));
        if (j < text.size() && text[j] == '\r')
            ++j;
        if (j < text.size() && text[j] == '\n')
            ++j;
        i = j;
    }
}

void TStringList::LoadFromFile(const std::string& fileName)
{
    TMemoryStream stream;
    stream.LoadFromFile(fileName);
    SetText(std::string_view(reinterpret_cast<const char*>(stream.Memory()), stream.Bytes().size()));
}

void TStringList::SaveToFile(const std::string& fileName) const
{
    const std::string text = Text();
    TFileStream file(fileName, TFileMode::fmCreate);
    file.WriteBuffer(text.data(), static_cast<int64_t>(text.size()));
}
