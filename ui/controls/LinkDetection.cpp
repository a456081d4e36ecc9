#include "ui/controls/LinkDetection.h"

#include <algorithm>
#include <array>
#include <string_view>

namespace {

constexpr std::array<std::u16string_view, 12> Prefixes = {
    u"http://", u"https://", u"ftp://", u"file:", u"mailto:", u"news:",
    u"nntp:",   u"telnet:",  u"gopher:", u"wais:", u"prospero:", u"www.",
};

char16_t Lower(char16_t c)
{
    return c >= u'A' && c <= u'Z' ? static_cast<char16_t>(c - u'A' + u'a') : c;
}

bool StartsWithAt(const std::u16string& text, size_t at, std::u16string_view prefix)
{
    if (text.size() - at < prefix.size())
        return false;
    for (size_t i = 0; i < prefix.size(); ++i) {
        if (Lower(text[at + i]) != prefix[i])
            return false;
    }
    return true;
}

bool EndsLink(char16_t c)
{
    return c <= u' ' || c == u'<' || c == u'>' || c == u'"' || c == 0x00A0 || c == 0x2028 || c == 0x2029;
}

bool WordChar(char16_t c)
{
    return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z') || (c >= u'0' && c <= u'9') || c == u'_' || c > 0x7F;
}

} // namespace

std::vector<TTextLink> FindLinks(const std::u16string& Text)
{
    std::vector<TTextLink> links;
    size_t i = 0;
    while (i < Text.size()) {
        // A link starts a word: "xhttp://" is no link.
        if (i > 0 && WordChar(Text[i - 1])) {
            ++i;
            continue;
        }
        size_t prefixLength = 0;
        for (std::u16string_view prefix : Prefixes) {
            if (StartsWithAt(Text, i, prefix)) {
                prefixLength = prefix.size();
                break;
            }
        }
        if (prefixLength == 0) {
            ++i;
            continue;
        }
        size_t end = i;
        while (end < Text.size() && !EndsLink(Text[end]))
            ++end;
        // Punctuation that closes a sentence is not part of the link, nor is a closing
        // bracket that the link did not open.
        while (end > i + prefixLength) {
            const char16_t last = Text[end - 1];
            if (last == u'.' || last == u',' || last == u';' || last == u':' || last == u'!' || last == u'?' ||
                last == u'\'') {
                --end;
                continue;
            }
            if (last == u')') {
                int balance = 0;
                for (size_t k = i; k < end; ++k)
                    balance += Text[k] == u'(' ? 1 : Text[k] == u')' ? -1 : 0;
                if (balance < 0) {
                    --end;
                    continue;
                }
            }
            break;
        }
        if (end > i + prefixLength)
            links.push_back({static_cast<int>(i), static_cast<int>(end)});
        i = std::max(end, i + 1);
    }
    return links;
}
