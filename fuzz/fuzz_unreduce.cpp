// Feeds raw bytes to the reduce decoder as an entry's compressed data (layout in
// FuzzSupport.h); bits 1-2 of the flags byte choose the compression factor 1-4.
#include "fuzz/FuzzSupport.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size > 0)
        DecodeFuzzInput(data, size, static_cast<uint16_t>(2 + ((data[0] >> 1) & 3)));
    return 0;
}
