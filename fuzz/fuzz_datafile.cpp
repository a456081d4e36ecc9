// The data-file reader over whole files, packed payload included. Whatever it reads must
// save and read back.
#include "fuzz/FuzzOutline.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    LoadAndResave(data, size, false);
    return 0;
}
