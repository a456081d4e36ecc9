// Tab-text import of each line: whatever the bytes, the model text is valid UTF-8.
#include <cstdlib>
#include <string_view>

#include "platform/CodePage.h"
#include "taskdb/TextExchange.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    std::string_view text(reinterpret_cast<const char*>(data), size);
    while (!text.empty()) {
        const size_t end = text.find('\n');
        const std::string_view line = text.substr(0, end);
        if (!IsValidUtf8(DecodeTabTextLine(line)))
            std::abort();
        if (end == std::string_view::npos)
            break;
        text.remove_prefix(end + 1);
    }
    return 0;
}
