#pragma once
// A font written as one line of text: Name,Charset,Color,Size,Style. The description keeps the
// charset and the colour, which Qt's own font has no room for.
#include <cstdint>
#include <string>

enum TFontStyleBits : int32_t { fsBold = 1, fsItalic = 2, fsUnderline = 4, fsStrikeOut = 8 };

inline constexpr int32_t DEFAULT_CHARSET = 1;
// Colours are the class library's signed values: 0x00BBGGRR, or a negative system colour.
inline constexpr int32_t clBlack = 0;
inline constexpr int32_t clWindow = static_cast<int32_t>(0xFF000005u);
inline constexpr int32_t clWindowText = static_cast<int32_t>(0xFF000008u);

struct TFontDesc {
    std::string Name = "Tahoma";
    int32_t Charset = DEFAULT_CHARSET;
    int32_t Color = clWindowText;
    int32_t Size = 8;   // points
    int32_t Style = 0;  // TFontStyleBits, added
};

std::string FontToString(const TFontDesc& Font);
// Applies S field by field; a field counts only when a comma follows it (the style excepted),
// an empty or non-numeric field keeps the property. Never fails.
void StringToFont(const std::string& S, TFontDesc& Font);
