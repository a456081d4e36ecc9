#pragma once
// String routines of the class library, on byte strings.
#include <cstdint>
#include <string>
#include <string_view>

// printf-style formatting into a std::string.
std::string Format(const char* format, ...) __attribute__((format(printf, 1, 2)));

// Trim removes leading and trailing characters up to and including the blank.
std::string Trim(std::string_view s);
std::string TrimLeft(std::string_view s);
std::string TrimRight(std::string_view s);

// ASCII case mapping and comparison (other bytes compare as they are).
std::string UpperCase(std::string_view s);
std::string LowerCase(std::string_view s);
int CompareStr(std::string_view a, std::string_view b);
int CompareText(std::string_view a, std::string_view b);
bool SameText(std::string_view a, std::string_view b);
bool StartsText(std::string_view prefix, std::string_view s);

std::string IntToStr(int64_t value);
// Raises EConvertError "'s' is not a valid integer value".
int32_t StrToInt(std::string_view s);
int32_t StrToIntDef(std::string_view s, int32_t fallback);
bool TryStrToInt(std::string_view s, int32_t& value);
// Locale-independent shortest round-trip form ("." as the decimal separator).
std::string FloatToStr(double value);
// Accepts "." or "," as the decimal separator; raises EConvertError when s is no number.
double StrToFloat(std::string_view s);
bool TryStrToFloat(std::string_view s, double& value);
