// Feeds raw bytes to one decoder as an entry's compressed data (layout in FuzzSupport.h).
#include "fuzz/FuzzSupport.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    DecodeFuzzInput(data, size, 4);
    return 0;
}
