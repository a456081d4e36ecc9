#include "ui/desktop/HotKey.h"

#include <X11/X.h>

#include "platform/CodePage.h"

namespace {

// Decodes the first character of a valid UTF-8 text; false for empty text.
bool FirstCodePoint(const std::string& text, char32_t& codePoint, size_t& length)
{
    if (text.empty() || !IsValidUtf8(text))
        return false;
    const auto lead = static_cast<unsigned char>(text[0]);
    length = lead < 0x80 ? 1 : lead < 0xE0 ? 2 : lead < 0xF0 ? 3 : 4;
    codePoint = length == 1 ? lead : length == 2 ? lead & 0x1F : length == 3 ? lead & 0x0F : lead & 0x07;
    for (size_t i = 1; i < length; ++i)
        codePoint = (codePoint << 6) | (static_cast<unsigned char>(text[i]) & 0x3F);
    return true;
}

} // namespace

std::string HotKeyCharFromText(const std::string& Text)
{
    char32_t codePoint = 0;
    size_t length = 0;
    if (!FirstCodePoint(Text, codePoint, length))
        return {};
    return Text.substr(0, length);
}

int32_t HotKeyShiftsFromBoxes(bool Alt, bool Ctrl, bool Shift, bool Windows)
{
    return (Alt ? hkAlt : 0) | (Shift ? hkShift : 0) | (Ctrl ? hkCtrl : 0) | (Windows ? hkWin : 0);
}

int32_t ValidHotKeyShifts(int64_t Shifts)
{
    return static_cast<int32_t>(Shifts & hkAllShifts);
}

TX11HotKey ToX11HotKey(const std::string& Char, int32_t Shifts)
{
    TX11HotKey key;
    char32_t c = 0;
    size_t length = 0;
    if (!FirstCodePoint(Char, c, length) || c < 0x20 || c == 0x7F || (c >= 0x80 && c < 0xA0))
        return key;
    // The key of a letter, whatever its case: the Shift state comes from the modifiers only.
    if (c >= 'A' && c <= 'Z')
        c = c - 'A' + 'a';
    else if (c >= 0xC0 && c <= 0xDE && c != 0xD7)
        c += 0x20;
    // Latin-1 characters are their own key symbols; the rest take the Unicode range.
    key.KeySym = c <= 0xFF ? static_cast<uint32_t>(c) : 0x01000000u | static_cast<uint32_t>(c);
    key.Valid = true;
    if (Shifts & hkAlt)
        key.Modifiers |= Mod1Mask;
    if (Shifts & hkCtrl)
        key.Modifiers |= ControlMask;
    if (Shifts & hkShift)
        key.Modifiers |= ShiftMask;
    if (Shifts & hkWin)
        key.Modifiers |= Mod4Mask;
    return key;
}
