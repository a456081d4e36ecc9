#pragma once
// Code-page conversion through glibc iconv. The system code page of this platform is UTF-8.
#include <string>
#include <string_view>

constexpr int CP_ACP = 0;      // the system code page: UTF-8 here
constexpr int CP_OEMCP = 1;    // the OEM code page: 437
constexpr int CP_UTF8 = 65001;

// 8-bit text in codePage to UTF-16. Bytes that are not valid UTF-8 become U+FFFD; a byte an
// 8-bit code page lacks becomes the character of its value (U+0080-U+00FF).
// An unknown code page raises ECodePageError.
std::u16string MultiByteToWide(std::string_view text, int codePage);
// UTF-16 to 8-bit text in codePage. Characters the code page lacks become '?'.
std::string WideToMultiByte(std::u16string_view text, int codePage);
// 8-bit text from one code page to another, through UTF-16.
std::string ConvertCodePage(std::string_view text, int fromCodePage, int toCodePage);

bool IsValidUtf8(std::string_view text);
// Length of the valid UTF-8 sequence starting at text[i], or 0 when none starts there.
size_t Utf8SequenceLength(std::string_view text, size_t i);
