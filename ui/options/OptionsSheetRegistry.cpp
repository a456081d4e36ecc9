#include "ui/options/OptionsSheetRegistry.h"

#include "platform/StrUtils.h"
#include "ui/options/frmOptionsSheetBase.h"

bool TSheetRec::IsPlaceholder() const
{
    return SheetClass == &TOptionsSheetBase::CreateSheet;
}

TSheetList::~TSheetList()
{
    Clear();
}

int32_t TSheetList::IndexOf(const std::string& Name) const
{
    const std::string wanted = Trim(Name);
    for (size_t i = 0; i < items_.size(); ++i) {
        if (SameText(Trim(items_[i]->Name), wanted))
            return static_cast<int32_t>(i);
    }
    return -1;
}

bool TSheetList::IsGroup(int32_t Index) const
{
    for (const auto& item : items_) {
        if (item->ParentIndex == Index)
            return true;
    }
    return false;
}

bool TSheetList::IsAncestorOrSelf(int32_t Candidate, int32_t Of) const
{
    // Bounded walk: the links never form a cycle, but a broken list must not hang the caller.
    for (size_t steps = 0; Of >= 0 && steps <= items_.size(); ++steps) {
        if (Of == Candidate)
            return true;
        Of = items_[static_cast<size_t>(Of)]->ParentIndex;
    }
    return false;
}

std::string TSheetList::Register(const std::string& ParentName, const std::string& Name, TSheetClass SheetClass)
{
    std::string name = Trim(Name);
    int32_t index = IndexOf(name);
    TSheetRec* entry = nullptr;
    std::unique_ptr<TSheetRec> created;
    if (index >= 0 && items_[static_cast<size_t>(index)]->IsPlaceholder()) {
        entry = items_[static_cast<size_t>(index)].get();  // the group becomes the real sheet
    } else {
        if (index >= 0) {
            const std::string base = name;
            for (int k = 1;; ++k) {
                name = base + "-" + IntToStr(k);
                if (IndexOf(name) < 0)
                    break;
            }
        }
        created = std::make_unique<TSheetRec>();
        entry = created.get();
        index = -1;
    }
    entry->Name = name;
    entry->SheetClass = SheetClass;

    int32_t parentIndex = -1;
    if (!Trim(ParentName).empty() && !SameText(Trim(ParentName), name)) {
        parentIndex = IndexOf(ParentName);
        if (parentIndex < 0) {
            Register("", ParentName, &TOptionsSheetBase::CreateSheet);
            parentIndex = IndexOf(ParentName);
        }
        // A sheet cannot be its own group, nor the group of its own group: that tree would
        // never end.
        if (index >= 0 && IsAncestorOrSelf(index, parentIndex))
            parentIndex = -1;
    }
    entry->ParentIndex = parentIndex;
    if (created)
        items_.push_back(std::move(created));
    return name;
}

void TSheetList::Unregister(const std::string& Name)
{
    const int32_t index = IndexOf(Name);
    if (index < 0)
        return;
    // A group that still has sheets stays in the list as their placeholder.
    if (IsGroup(index)) {
        items_[static_cast<size_t>(index)]->SheetClass = &TOptionsSheetBase::CreateSheet;
        return;
    }
    Delete(index);
}

void TSheetList::Delete(int32_t Index)
{
    int32_t parent = items_[static_cast<size_t>(Index)]->ParentIndex;
    items_.erase(items_.begin() + Index);
    // Group links are positions: the later entries moved up by one.
    for (auto& item : items_) {
        if (item->ParentIndex == Index)
            item->ParentIndex = -1;
        else if (item->ParentIndex > Index)
            --item->ParentIndex;
    }
    if (parent > Index)
        --parent;
    if (parent >= 0 && items_[static_cast<size_t>(parent)]->IsPlaceholder() && !IsGroup(parent))
        Delete(parent);
}

void TSheetList::Clear()
{
    while (!items_.empty())
        Delete(0);
}

namespace {

std::unique_ptr<TSheetList>& Registry()
{
    static std::unique_ptr<TSheetList> registry;
    return registry;
}

} // namespace

const TSheetList* OptionsSheets()
{
    return Registry().get();
}

std::string RegisterOptionsSheet(const std::string& ParentName, const std::string& Name, TSheetClass SheetClass)
{
    auto& registry = Registry();
    if (!registry)
        registry = std::make_unique<TSheetList>();
    return registry->Register(ParentName, Name, SheetClass);
}

void UnregisterOptionsSheet(const std::string& Name)
{
    auto& registry = Registry();
    if (!registry)
        return;
    registry->Unregister(Name);
    if (registry->Count() == 0)
        registry.reset();
}
