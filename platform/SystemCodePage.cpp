#include "platform/SystemCodePage.h"

#include <cstdlib>

#include "platform/CodePage.h"
#include "platform/Exceptions.h"

namespace {

struct TLanguageCodePage {
    const char* language;
    int codePage;
};

// Languages by their ISO 639 code, with the ANSI code page Windows gives their locales.
constexpr TLanguageCodePage LanguageCodePages[] = {
    {"ru", 1251}, {"uk", 1251}, {"be", 1251}, {"bg", 1251}, {"sr", 1251}, {"mk", 1251}, {"kk", 1251},
    {"ky", 1251}, {"tt", 1251}, {"mn", 1251}, {"ba", 1251}, {"tg", 1251},
    {"pl", 1250}, {"cs", 1250}, {"sk", 1250}, {"hu", 1250}, {"sl", 1250}, {"hr", 1250}, {"bs", 1250},
    {"ro", 1250}, {"sq", 1250},
    {"el", 1253},
    {"tr", 1254}, {"az", 1254}, {"uz", 1254},
    {"he", 1255}, {"iw", 1255}, {"yi", 1255},
    {"ar", 1256}, {"fa", 1256}, {"ur", 1256}, {"ps", 1256}, {"ug", 1256},
    {"lt", 1257}, {"lv", 1257}, {"et", 1257},
    {"vi", 1258},
    {"th", 874},
    {"ja", 932},
    {"ko", 949},
};

const char* LocaleFromEnvironment()
{
    for (const char* name : {"LC_ALL", "LC_CTYPE", "LANG"}) {
        const char* value = std::getenv(name);
        if (value && *value)
            return value;
    }
    return "";
}

}  // namespace

int CodePageForLocale(std::string_view locale)
{
    const size_t end = locale.find_first_of("_.@");
    const std::string_view language = locale.substr(0, end);
    const std::string_view territory =
        end != std::string_view::npos && locale[end] == '_' ? locale.substr(end + 1, locale.find_first_of(".@", end) - end - 1)
                                                            : std::string_view();
    if (language == "zh")
        return territory == "TW" || territory == "HK" || territory == "MO" ? 950 : 936;
    // The script, where a language is written in two.
    if (language == "sr" && locale.find("@latin") != std::string_view::npos)
        return 1250;
    if ((language == "az" || language == "uz") && locale.find("@cyrillic") != std::string_view::npos)
        return 1251;
    for (const TLanguageCodePage& entry : LanguageCodePages)
        if (language == entry.language)
            return entry.codePage;
    return 1252;
}

int SystemAnsiCodePage()
{
    return CodePageForLocale(LocaleFromEnvironment());
}

std::string AnsiTextToUtf8(std::string_view text)
{
    if (IsValidUtf8(text))
        return std::string(text);
    return ConvertCodePage(text, SystemAnsiCodePage(), CP_UTF8);
}
