#pragma once
// The system-wide hot key as the settings keep it: one character and a set of modifiers, and
// its translation to the X key symbol and modifier mask that a key grab needs.
#include <cstdint>
#include <string>

enum THotKeyShift : int32_t { hkAlt = 1, hkCtrl = 2, hkShift = 4, hkWin = 8 };
inline constexpr int32_t hkAllShifts = hkAlt | hkCtrl | hkShift | hkWin;

inline constexpr const char* DefaultHotKeyChar = "Q";
inline constexpr int32_t DefaultHotKeyShifts = hkWin;

// The first character (UTF-8) of a stored or typed text; empty when there is none or the text
// is not valid UTF-8.
std::string HotKeyCharFromText(const std::string& Text);

int32_t HotKeyShiftsFromBoxes(bool Alt, bool Ctrl, bool Shift, bool Windows);

// Only the four known modifier bits count.
int32_t ValidHotKeyShifts(int64_t Shifts);

struct TX11HotKey {
    bool Valid = false;
    uint32_t KeySym = 0;     // the key, not the character: a letter names its key in lower case
    uint32_t Modifiers = 0;  // X modifier mask: Mod1 Alt, Control, Shift, Mod4 Windows
};

// The key grab for a character and modifiers; invalid for an empty character or a control
// character, which name no key.
TX11HotKey ToX11HotKey(const std::string& Char, int32_t Shifts);
