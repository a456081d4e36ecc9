// Object lists read from untrusted bytes: the Duplicates byte, OwnsItems, the count and each
// item by its registered class.
#include <exception>
#include <string>
#include <vector>

#include "platform/Stream.h"
#include "zip/ObjectList.h"

namespace {

struct TEntry {
    virtual ~TEntry() = default;
    int32_t Key = 0;
    std::string Text;
};
struct TTagged : TEntry {
    uint8_t Tag = 0;
};

struct TEntryList : TSortedObjectList<TEntry> {
    using TSortedObjectList<TEntry>::TSortedObjectList;
    int Compare(const TEntry* a, const TEntry* b) const override { return a->Key < b->Key ? -1 : a->Key > b->Key; }
};

void Load(TEntry& e, TStream& s)
{
    e.Key = s.ReadInt32();
    e.Text.resize(s.ReadUInt8());
    s.ReadBuffer(e.Text.data(), static_cast<int64_t>(e.Text.size()));
}

void Store(const TEntry& e, TStream& s)
{
    s.WriteInt32(e.Key);
    s.WriteUInt8(static_cast<uint8_t>(e.Text.size()));
    s.WriteBuffer(e.Text.data(), static_cast<int64_t>(e.Text.size()));
}

const bool registered = [] {
    RegisterClass<TEntry>(Load, Store, "TEntry");
    RegisterClass<TEntry, TTagged>(
        [](TTagged& t, TStream& s) {
            Load(t, s);
            t.Tag = s.ReadUInt8();
        },
        [](const TTagged& t, TStream& s) {
            Store(t, s);
            s.WriteUInt8(t.Tag);
        },
        "TTagged");
    return true;
}();

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    (void)registered;
    TMemoryStream in{std::vector<uint8_t>(data, data + size)};
    TEntryList list(dupAccept);
    try {
        list.ReadData(in);
        // What was read writes back.
        TMemoryStream out;
        list.WriteData(out);
    } catch (const std::exception&) {
    }
    return 0;
}
