#pragma once
// An ordered list of byte strings, optionally kept sorted.
#include <string>
#include <string_view>
#include <vector>

enum class TDuplicates { dupIgnore, dupAccept, dupError };

class TStringList {
public:
    TStringList() = default;
    TStringList(std::initializer_list<std::string> items) : items_(items) {}

    int Count() const { return static_cast<int>(items_.size()); }
    bool Empty() const { return items_.empty(); }
    const std::string& operator[](int index) const;
    std::string& operator[](int index);
    const std::vector<std::string>& Items() const { return items_; }
    auto begin() const { return items_.begin(); }
    auto end() const { return items_.end(); }

    // Appends, or inserts in order when Sorted; returns the index (or -1 when ignored).
    int Add(const std::string& s);
    void Insert(int index, const std::string& s);
    void Delete(int index);
    void Clear() { items_.clear(); }
    int IndexOf(std::string_view s) const;
    // Binary search of a sorted list: the index of s, or where it would go.
    bool Find(std::string_view s, int& index) const;
    void Sort();
    void Assign(const TStringList& other) { items_ = other.items_; }

    bool Sorted() const { return sorted_; }
    void SetSorted(bool value);
    TDuplicates Duplicates() const { return duplicates_; }
    void SetDuplicates(TDuplicates value) { duplicates_ = value; }
    bool CaseSensitive() const { return caseSensitive_; }
    void SetCaseSensitive(bool value);

    // Lines joined by LineBreak, each followed by it; SetText splits at CR, LF or CR LF.
    std::string Text() const;
    void SetText(std::string_view text);
    std::string LineBreak = "\n";

    void LoadFromFile(const std::string& fileName);
    void SaveToFile(const std::string& fileName) const;

    bool operator==(const TStringList& other) const { return items_ == other.items_; }

private:
    int Compare(std::string_view a, std::string_view b) const;

    std::vector<std::string> items_;
    bool sorted_ = false;
    bool caseSensitive_ = false;
    TDuplicates duplicates_ = TDuplicates::dupIgnore;
};
