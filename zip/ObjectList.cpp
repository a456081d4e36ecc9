#include "zip/ObjectList.h"

#include <cstdlib>
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
