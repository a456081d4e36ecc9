// The data-file reader with the payload left unpacked, so that mutations reach the task and
// place records without having to mend an archive's checksums first.
#include "fuzz/FuzzOutline.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    LoadAndResave(data, size, true);
    return 0;
}
