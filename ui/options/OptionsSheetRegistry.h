#pragma once
// The process-wide list of option sheets. Each sheet unit registers its sheet, under a group
// caption and a sheet name, when the program starts; the options dialog builds its tree from
// this list and knows no sheet by name.
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

class TOptionsSheetBase;
class TTovrinOptions;

// A sheet "class": makes the sheet for a dialog.
using TSheetClass = TOptionsSheetBase* (*)(TTovrinOptions* Owner);

struct TSheetRec {
    std::string Name;
    int32_t ParentIndex = -1;  // position of the group entry; -1 at the top level
    TSheetClass SheetClass = nullptr;

    // A group that was only named by its sheets shows the base sheet.
    bool IsPlaceholder() const;
};

class TSheetList {
public:
    TSheetList() = default;
    TSheetList(const TSheetList&) = delete;
    TSheetList& operator=(const TSheetList&) = delete;
    ~TSheetList();

    // Returns the name used: Name, or Name + "-" + k when a sheet of that name exists.
    std::string Register(const std::string& ParentName, const std::string& Name, TSheetClass SheetClass);
    // Removes the entry of that name, if any.
    void Unregister(const std::string& Name);
    // Removes the entries one by one from the front.
    void Clear();

    // Names compare without regard to case and surrounding blanks; -1 when not found.
    int32_t IndexOf(const std::string& Name) const;
    int32_t Count() const { return static_cast<int32_t>(items_.size()); }
    const TSheetRec& operator[](int32_t Index) const { return *items_[static_cast<size_t>(Index)]; }

private:
    void Delete(int32_t Index);
    bool IsGroup(int32_t Index) const;
    bool IsAncestorOrSelf(int32_t Candidate, int32_t Of) const;

    std::vector<std::unique_ptr<TSheetRec>> items_;
};

// The process-wide registry: nullptr until the first registration and after the last removal.
const TSheetList* OptionsSheets();
std::string RegisterOptionsSheet(const std::string& ParentName, const std::string& Name, TSheetClass SheetClass);
void UnregisterOptionsSheet(const std::string& Name);
