#pragma once
// Case-insensitive comparison of the system code page's text (UTF-8) by character, not only
// by ASCII letter: "Küche" and "KÜCHE" are the same text.
#include <string>
#include <string_view>

// <0, 0 or >0 like CompareText. Bytes that are not valid UTF-8 compare as themselves.
int AnsiCompareText(std::string_view a, std::string_view b);
bool AnsiSameText(std::string_view a, std::string_view b);
// The text's characters with case folded: two texts have the same key exactly when
// AnsiSameText holds for them, so the key can index texts compared that way.
std::u32string AnsiTextKey(std::string_view text);
