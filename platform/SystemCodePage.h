#pragma once
// The code page of old 8-bit text. Model text is UTF-8; files written by the Windows program
// hold 8-bit text in the ANSI code page of the system that wrote them, which here is taken
// from the user's locale, as Windows derives it from the system locale.
#include <string>
#include <string_view>

// The Windows ANSI code page for a locale name such as "ru_RU.UTF-8" or "sr_RS@latin";
// 1252 for the C locale and for languages without a code page of their own.
int CodePageForLocale(std::string_view locale);
// The code page of old text: the one of the locale (LC_ALL, else LC_CTYPE, else LANG).
int SystemAnsiCodePage();
// Text read from an old file, as UTF-8: valid UTF-8 stays as it is, anything else is decoded
// in SystemAnsiCodePage(). No byte is lost: one the code page lacks becomes the character of
// the same value (U+0080-U+00FF), as Windows keeps the gaps of code page 1252.
std::string AnsiTextToUtf8(std::string_view text);
