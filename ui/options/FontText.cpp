#include "ui/options/FontText.h"

#include "platform/StrUtils.h"

std::string FontToString(const TFontDesc& Font)
{
    return Font.Name + "," + IntToStr(Font.Charset) + "," + IntToStr(Font.Color) + "," + IntToStr(Font.Size) + "," +
           IntToStr(Font.Style);
}

void StringToFont(const std::string& S, TFontDesc& Font)
{
    std::string rest = S;
    // Takes the next field when a comma follows it; false ends the parsing.
    auto next = [&rest](std::string& field) {
        const size_t comma = rest.find(',');
        if (comma == std::string::npos)
            return false;
        field = Trim(rest.substr(0, comma));
        rest.erase(0, comma + 1);
        return true;
    };
    auto number = [](const std::string& field, int32_t& target) {
        int32_t value = 0;
        if (!field.empty() && TryStrToInt(field, value))
            target = value;
    };
    std::string field;
    if (!next(field))
        return;
    if (!field.empty())
        Font.Name = field;
    if (!next(field))
        return;
    number(field, Font.Charset);
    if (!next(field))
        return;
    number(field, Font.Color);
    if (!next(field))
        return;
    number(field, Font.Size);
    int32_t style = Font.Style;
    number(Trim(rest), style);
    Font.Style = style & (fsBold | fsItalic | fsUnderline | fsStrikeOut);
}
