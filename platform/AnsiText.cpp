#include "platform/AnsiText.h"

#include <clocale>
#include <cstdint>
#include <locale.h>
#include <wctype.h>

#include "platform/CodePage.h"

namespace {

// The Unicode case tables, independent of the process locale.
locale_t Utf8Locale()
{
    static const locale_t locale = [] {
        locale_t l = newlocale(LC_CTYPE_MASK, "C.UTF-8", static_cast<locale_t>(nullptr));
        return l ? l : newlocale(LC_CTYPE_MASK, "C", static_cast<locale_t>(nullptr));
    }();
    return locale;
}

// Decodes one character at s[i] and advances i. A byte that does not start a valid sequence
// maps to a value outside Unicode so that it only equals itself.
uint32_t NextChar(std::string_view s, size_t& i)
{
    const auto b0 = static_cast<unsigned char>(s[i]);
    const size_t len = Utf8SequenceLength(s, i);
    if (len == 0) {
        ++i;
        return 0x110000u + b0;
    }
    static constexpr unsigned char kLeadBits[] = {0, 0x7F, 0x1F, 0x0F, 0x07};
    uint32_t cp = b0 & kLeadBits[len];
    for (size_t k = 1; k < len; ++k)
        cp = (cp << 6) | (static_cast<unsigned char>(s[i + k]) & 0x3F);
    i += len;
    return cp;
}

uint32_t Fold(uint32_t c)
{
    if (c < 0x80)
        return (c >= 'a' && c <= 'z') ? c - 32 : c;
    if (c > 0x10FFFF)
        return c;
    return static_cast<uint32_t>(towupper_l(static_cast<wint_t>(c), Utf8Locale()));
}

} // namespace

int AnsiCompareText(std::string_view a, std::string_view b)
{
    size_t i = 0, j = 0;
    while (i < a.size() && j < b.size()) {
        const uint32_t x = Fold(NextChar(a, i));
        const uint32_t y = Fold(NextChar(b, j));
        if (x != y)
            return x < y ? -1 : 1;
    }
    if (i < a.size())
        return 1;
    if (j < b.size())
        return -1;
    return 0;
}

bool AnsiSameText(std::string_view a, std::string_view b) { return AnsiCompareText(a, b) == 0; }

std::u32string AnsiTextKey(std::string_view text)
{
    std::u32string key;
    key.reserve(text.size());
    for (size_t i = 0; i < text.size();)
        key += static_cast<char32_t>(Fold(NextChar(text, i)));
    return key;
}
