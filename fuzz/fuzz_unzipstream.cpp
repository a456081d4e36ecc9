// The packed payload's road: an archive in memory whose entry "ZIPDATA" replaces it.
#include <exception>
#include <vector>

#include "platform/Stream.h"
#include "zip/ZipStream.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    TMemoryStream stream{std::vector<uint8_t>(data, data + size)};
    try {
        UnzipStreamInPlace(stream, "");
    } catch (const std::exception&) {
    }
    return 0;
}
