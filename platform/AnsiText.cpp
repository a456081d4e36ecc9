#include "platform/AnsiText.h"

#include <clocale>
#include <cstdint>
#include <locale.h>
#include <wctype.h>

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
    int len = 0;
    uint32_t cp = 0;
    if (b0 < 0x80) {
        ++i;
        return b0;
    }
    if (b0 >= 0xC2 && b0 <= 0xDF) { len = 2; cp = b0 & 0x1F; }
    else if (b0 >= 0xE0 && b0 <= 0xEF) { len = 3; cp = b0 & 0x0F; }
    else if (b0 >= 0xF0 && b0 <= 0xF4) { len = 4; cp = b0 & 0x07; }
    if (len == 0 || i + static_cast<size_t>(len) > s.size()) {
        ++i;
        return 0x110000u + b0;
    }
    for (int k = 1; k < len; ++k) {
        const auto b = static_cast<unsigned char>(s[i + static_cast<size_t>(k)]);
        if ((b & 0xC0) != 0x80) {
            ++i;
            return 0x110000u + b0;
        }
        cp = (cp << 6) | (b & 0x3F);
    }
    const bool overlong = (len == 3 && cp < 0x800) || (len == 4 && cp < 0x10000);
    if (overlong || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) {
        ++i;
        return 0x110000u + b0;
    }
    i += static_cast<size_t>(len);
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
