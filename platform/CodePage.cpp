#include "platform/CodePage.h"

#include <cerrno>
#include <iconv.h>
#include <map>
#include <memory>
#include <utility>
#include <vector>

#include "platform/Exceptions.h"
#include "platform/StrUtils.h"

namespace {

std::string IconvName(int codePage)
{
    switch (codePage) {
    case CP_ACP:
    case CP_UTF8: return "UTF-8";
    case CP_OEMCP: return "CP437";
    case 1200: return "UTF-16LE";
    case 20127: return "ASCII";
    case 28591: return "ISO-8859-1";
    default: return "CP" + std::to_string(codePage);
    }
}

// Owns one iconv descriptor.
class TIconv {
public:
    TIconv(int codePage, const char* to, const char* from, bool toWide)
    {
        const std::string name = IconvName(codePage);
        cd_ = toWide ? iconv_open(to, name.c_str()) : iconv_open(name.c_str(), from);
        if (cd_ == reinterpret_cast<iconv_t>(-1))
            throw ECodePageError(Format("Unsupported code page %d", codePage));
    }
    ~TIconv() { iconv_close(cd_); }
    void Reset() { iconv(cd_, nullptr, nullptr, nullptr, nullptr); }
    TIconv(const TIconv&) = delete;
    TIconv& operator=(const TIconv&) = delete;

    // Converts as much as possible; returns false on an invalid or unmappable sequence, with
    // in/inLeft positioned at it.
    bool Convert(char*& in, size_t& inLeft, std::string& out)
    {
        char buffer[4096];
        while (inLeft > 0) {
            char* o = buffer;
            size_t oLeft = sizeof buffer;
            const size_t r = iconv(cd_, &in, &inLeft, &o, &oLeft);
            out.append(buffer, sizeof buffer - oLeft);
            if (r == static_cast<size_t>(-1)) {
                if (errno == E2BIG)
                    continue;
                Finish(out);
                return false;
            }
        }
        return true;
    }

    // Writes out what a stateful converter still holds (code page 1258 keeps the last
    // character back in case a combining mark follows).
    void Finish(std::string& out)
    {
        char buffer[64];
        char* o = buffer;
        size_t oLeft = sizeof buffer;
        iconv(cd_, nullptr, nullptr, &o, &oLeft);
        out.append(buffer, sizeof buffer - oLeft);
    }

private:
    iconv_t cd_;
};

// Opening a converter costs far more than a short conversion, so each thread keeps the
// converters it has used, reset to their initial state before every use.
TIconv& Converter(int codePage, bool toWide)
{
    thread_local std::map<std::pair<int, bool>, std::unique_ptr<TIconv>> cache;
    auto& slot = cache[{codePage, toWide}];
    if (!slot)
        slot = toWide ? std::make_unique<TIconv>(codePage, "UTF-16LE", nullptr, true)
                      : std::make_unique<TIconv>(codePage, nullptr, "UTF-16LE", false);
    slot->Reset();
    return *slot;
}

}  // namespace

size_t Utf8SequenceLength(std::string_view s, size_t i)
{
    const auto c = static_cast<unsigned char>(s[i]);
    size_t n;
    uint32_t cp;
    if (c < 0x80) return 1;
    if (c >= 0xC2 && c <= 0xDF) n = 2, cp = c & 0x1F;
    else if (c >= 0xE0 && c <= 0xEF) n = 3, cp = c & 0x0F;
    else if (c >= 0xF0 && c <= 0xF4) n = 4, cp = c & 0x07;
    else return 0;
    if (i + n > s.size()) return 0;
    for (size_t k = 1; k < n; ++k) {
        const auto cc = static_cast<unsigned char>(s[i + k]);
        if ((cc & 0xC0) != 0x80) return 0;
        cp = (cp << 6) | (cc & 0x3F);
    }
    if ((n == 3 && cp < 0x800) || (n == 4 && (cp < 0x10000 || cp > 0x10FFFF)) || (cp >= 0xD800 && cp <= 0xDFFF))
        return 0;
    return n;
}

bool IsValidUtf8(std::string_view text)
{
    for (size_t i = 0; i < text.size();) {
        const size_t n = Utf8SequenceLength(text, i);
        if (n == 0)
            return false;
        i += n;
    }
    return true;
}

std::u16string MultiByteToWide(std::string_view text, int codePage)
{
    TIconv& conv = Converter(codePage, true);
    std::string bytes;
    std::string input(text);
    char* in = input.data();
    size_t left = input.size();
    // Damaged UTF-8 shows as U+FFFD. A byte an 8-bit code page lacks keeps its value as the
    // character U+0080-U+00FF, as Windows keeps the gaps of 1252, so that no byte is lost.
    const bool unicode = codePage == CP_ACP || codePage == CP_UTF8 || codePage == 1200;
    while (!conv.Convert(in, left, bytes)) {
        if (unicode)
            bytes.append("\xFD\xFF", 2);  // U+FFFD, little-endian
        else
            bytes.append({*in, '\0'});
        ++in;
        --left;
    }
    conv.Finish(bytes);
    std::u16string out(bytes.size() / 2, u'\0');
    for (size_t i = 0; i < out.size(); ++i)
        out[i] = static_cast<char16_t>(static_cast<unsigned char>(bytes[2 * i]) |
                                       (static_cast<unsigned char>(bytes[2 * i + 1]) << 8));
    return out;
}

std::string WideToMultiByte(std::u16string_view text, int codePage)
{
    TIconv& conv = Converter(codePage, false);
    std::string input;
    input.reserve(text.size() * 2);
    for (char16_t c : text) {
        input.push_back(static_cast<char>(c & 0xFF));
        input.push_back(static_cast<char>(c >> 8));
    }
    std::string out;
    char* in = input.data();
    size_t left = input.size();
    while (!conv.Convert(in, left, out)) {
        out.push_back('?');
        // Skip one character: a surrogate pair counts as one.
        const auto unit = static_cast<char16_t>(static_cast<unsigned char>(in[0]) |
                                                (static_cast<unsigned char>(in[1]) << 8));
        const size_t skip = (unit >= 0xD800 && unit <= 0xDBFF && left >= 4) ? 4 : 2;
        in += std::min(skip, left);
        left -= std::min(skip, left);
    }
    conv.Finish(out);
    return out;
}

std::string ConvertCodePage(std::string_view text, int fromCodePage, int toCodePage)
{
    return WideToMultiByte(MultiByteToWide(text, fromCodePage), toCodePage);
}
