#include "zip/ObjectList.h"

#include "platform/StrUtils.h"

#include <cstdlib>
#include <map>
#include <cxxabi.h>
#include <memory>

int32_t ObjectListGrowth(int32_t capacity)
{
    if (capacity <= 4)
        return capacity + 4;
    if (capacity <= 8)
        return capacity + 8;
    return capacity + 16;
}

std::string ObjectClassName(const std::type_info& type)
{
    int status = 0;
    std::unique_ptr<char, void (*)(void*)> name(abi::__cxa_demangle(type.name(), nullptr, nullptr, &status),
                                                std::free);
    return status == 0 && name ? std::string(name.get()) : std::string(type.name());
}

void RaiseListIndexError(int32_t index)
{
    throw EListError("List index out of bounds (" + std::to_string(index) + ")");
}

namespace {

// Class names are matched without regard to case.
struct TNameLess {
    bool operator()(const std::string& a, const std::string& b) const { return CompareText(a, b) < 0; }
};

// Lives from first use to the end of the program.
std::map<std::string, tRegisterRec, TNameLess>& Registry()
{
    static std::map<std::string, tRegisterRec, TNameLess> registry;
    return registry;
}

}  // namespace

void RegisterClassRecord(tRegisterRec record)
{
    if (record.Name.empty() || record.Name.size() > MaxClassNameLength)
        throw EListError("Class name <" + record.Name + "> must have 1 to 63 characters");
    const std::string name = record.Name;
    Registry().insert_or_assign(name, std::move(record));
}

void UnregisterClass(const std::string& name)
{
    Registry().erase(name);
}

const tRegisterRec* FindClassRecord(const std::string& name)
{
    const auto it = Registry().find(name);
    return it == Registry().end() ? nullptr : &it->second;
}

const tRegisterRec* FindClassRecord(const std::type_info& classRef)
{
    for (const auto& entry : Registry())
        if (*entry.second.ClassRef == classRef)
            return &entry.second;
    return nullptr;
}

const tRegisterRec& ClassRecordForReading(const std::string& name, const std::type_info& itemRef)
{
    const tRegisterRec* record = FindClassRecord(name);
    // A class registered for another kind of list cannot be read into this one.
    if (!record || *record->ItemRef != itemRef)
        throw EClassNotFound("Class <" + name + "> not registered");
    return *record;
}

const tRegisterRec& ClassRecordForWriting(const void* item, const std::type_info* dynamicType,
                                          const std::type_info& itemRef)
{
    if (!item || !dynamicType)
        throw EClassNotFound("Nil Source Class!");
    const tRegisterRec* record = FindClassRecord(*dynamicType);
    if (!record || *record->ItemRef != itemRef)
        throw EClassNotFound("Source Class <" + ObjectClassName(*dynamicType) + "> not registered");
    return *record;
}

void WriteClassName(TStream& stream, const std::string& name)
{
    stream.WriteUInt8(static_cast<uint8_t>(name.size()));
    stream.WriteBuffer(name.data(), static_cast<int64_t>(name.size()));
}

std::string ReadClassName(TStream& stream)
{
    const uint8_t length = stream.ReadUInt8();
    // No registered name is longer; a longer one is damage, not a name to look up.
    if (length > MaxClassNameLength)
        throw EReadError("Stream read error");
    std::string name(length, '\0');
    stream.ReadBuffer(name.data(), length);
    return name;
}

int32_t ReadItemCount(TStream& stream)
{
    const int32_t n = stream.ReadInt32();
    // Every item takes at least its name's length byte and one character.
    const int64_t left = stream.Remaining();
    if (n < 0 || n > (left > 0 ? left : 0) / 2)
        throw EReadError("Stream read error");
    return n;
}
