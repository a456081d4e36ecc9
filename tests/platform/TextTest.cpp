#include <gtest/gtest.h>

#include "EnvironmentGuard.h"
#include "platform/AnsiText.h"
#include "platform/CodePage.h"
#include "platform/DateTime.h"
#include "platform/Exceptions.h"
#include "platform/StringList.h"
#include "platform/StrUtils.h"
#include "platform/SystemCodePage.h"

TEST(CodePage, RoundTripsAndUnmappableCharacters)
{
    const std::string utf8 = "Gr\xC3\xBC\xC3\x9F\x65 \xE2\x82\xAC";  // "Grüße €"
    EXPECT_EQ(ConvertCodePage(ConvertCodePage(utf8, CP_UTF8, 1252), 1252, CP_UTF8), utf8);
    EXPECT_EQ(ConvertCodePage(utf8, CP_UTF8, 1252), "Gr\xFC\xDF" "e \x80");
    // The euro sign is not in code page 437; Cyrillic is not in 1252.
    EXPECT_EQ(ConvertCodePage("\xE2\x82\xAC", CP_UTF8, CP_OEMCP), "?");
    EXPECT_EQ(ConvertCodePage("\xD0\x96x", CP_UTF8, 1252), "?x");
    EXPECT_EQ(ConvertCodePage("\xC6", 1251, CP_UTF8), "\xD0\x96");
    EXPECT_EQ(WideToMultiByte(u"\U0001F600", 1252), "?");
    EXPECT_THROW(MultiByteToWide("x", 99999), ECodePageError);
    EXPECT_TRUE(IsValidUtf8(utf8));
    EXPECT_FALSE(IsValidUtf8("\xFC"));
}

TEST(SystemCodePage, FollowsTheLocaleUnlessOverridden)
{
    const std::pair<const char*, int> locales[] = {
        {"ru_RU.UTF-8", 1251}, {"uk_UA", 1251},     {"bg_BG.UTF-8", 1251}, {"sr_RS", 1251},   {"sr_RS@latin", 1250},
        {"el_GR.UTF-8", 1253}, {"tr_TR", 1254},     {"he_IL", 1255},       {"ar_EG", 1256},   {"lt_LT", 1257},
        {"lv_LV", 1257},       {"et_EE", 1257},     {"vi_VN", 1258},       {"pl_PL", 1250},   {"cs_CZ.UTF-8", 1250},
        {"hu_HU", 1250},       {"th_TH", 874},      {"ja_JP.UTF-8", 932},  {"zh_CN", 936},    {"zh_TW.UTF-8", 950},
        {"zh_HK", 950},        {"ko_KR.EUC-KR", 949}, {"uz_UZ@cyrillic", 1251}, {"az_AZ", 1254}, {"de_DE.UTF-8", 1252},
        {"C.UTF-8", 1252},     {"POSIX", 1252},     {"", 1252}};
    for (const auto& [locale, codePage] : locales)
        EXPECT_EQ(CodePageForLocale(locale), codePage) << locale;

    TEnvironmentGuard env;
    env.Set("LC_ALL", "").Set("LC_CTYPE", "").Set("LANG", "el_GR.UTF-8");
    EXPECT_EQ(SystemAnsiCodePage(), 1253);
    env.Set("LC_CTYPE", "ru_RU.UTF-8");
    EXPECT_EQ(SystemAnsiCodePage(), 1251);
    env.Set("LC_ALL", "ja_JP.UTF-8");
    EXPECT_EQ(SystemAnsiCodePage(), 932);

    // Old text in the locale's code page; UTF-8 stays; a byte the code page lacks keeps its value.
    const std::tuple<const char*, std::string, std::string> texts[] = {
        {"ru_RU.UTF-8", "\xCF\xF0\xE8\xE2\xE5\xF2", "\xD0\x9F\xD1\x80\xD0\xB8\xD0\xB2\xD0\xB5\xD1\x82"},  // Привет
        {"ru_RU.UTF-8", "\xD0\x9F", "\xD0\x9F"},                                                    // П as UTF-8
        {"ru_RU.UTF-8", "a\x98z", "a\xC2\x98z"},
        {"de_DE", "\x81\x8D\x8F\x90\x9D\x80", "\xC2\x81\xC2\x8D\xC2\x8F\xC2\x90\xC2\x9D\xE2\x82\xAC"},
        {"el_GR", "\xC1\xAA", "\xCE\x91\xC2\xAA"},
        {"ja_JP.SJIS", "\x93\xFA\x96\x7B\x82", "\xE6\x97\xA5\xE6\x9C\xAC\xC2\x82"},                    // 日本 and a cut lead byte
        {"vi_VN", "\xEA\x81Vi\xEA", "\xC3\xAA\xC2\x81Vi\xC3\xAA"},   // characters held back for a combining mark
        {"vi_VN.UTF-8", "a\xEC\xEA\xEC", "\xC3\xA1\xE1\xBA\xBF"},                                // áế, composed
    };
    for (const auto& [locale, bytes, utf8] : texts) {
        env.Set("LC_ALL", locale);
        EXPECT_EQ(AnsiTextToUtf8(bytes), utf8) << locale;
    }
}

TEST(DateTime, CalendarAndDosConversions)
{
    EXPECT_EQ(EncodeDate(1899, 12, 30), 0.0);
    EXPECT_EQ(EncodeDate(2000, 1, 1), 36526.0);
    int y, m, d;
    DecodeDate(36526.75, y, m, d);
    EXPECT_EQ(y * 10000 + m * 100 + d, 20000101);
    int h, mi, s, ms;
    DecodeTime(36526.75, h, mi, s, ms);
    EXPECT_EQ(h, 18);
    EXPECT_EQ(DayOfWeek(EncodeDate(2026, 12, 6)), 1);  // a Sunday
    TDateTime back;
    const TDateTime t = EncodeDate(2024, 2, 29) + EncodeTime(13, 45, 58, 0);
    ASSERT_TRUE(TryDosDateTimeToDateTime(DateTimeToDosDateTime(t), back));
    EXPECT_NEAR(back, t, 1e-9);
    EXPECT_FALSE(TryDosDateTimeToDateTime(0, back));
    TClockOverride fixed(42.5);
    EXPECT_EQ(Now(), 42.5);
}

TEST(StringList, SortedCaseInsensitiveIgnoresDuplicates)
{
    TStringList list;
    list.SetSorted(true);
    list.Add("b");
    list.Add("A");
    EXPECT_EQ(list.Add("a"), -1);
    list.Add("C");
    EXPECT_EQ(list.Text(), "A\nb\nC\n");
    TStringList lines;
    lines.SetText("one\r\n\r\ntwo\nthree\r");
    EXPECT_EQ(lines.Count(), 4);
    EXPECT_EQ(lines[1], "");
}

TEST(StrUtils, NumbersAreLocaleIndependent)
{
    EXPECT_EQ(StrToFloat("1,5"), 1.5);
    EXPECT_EQ(FloatToStr(0.25), "0.25");
    EXPECT_EQ(StrToIntDef("x", 7), 7);
    EXPECT_THROW(StrToInt("12a"), EConvertError);
    // One sign only: a leading '+' does not let a '-' follow.
    EXPECT_EQ(StrToInt(" +12 "), 12);
    EXPECT_THROW(StrToInt("+-5"), EConvertError);
    EXPECT_THROW(StrToFloat("+-1.5"), EConvertError);
    EXPECT_EQ(StrToIntDef("+", 7), 7);
    EXPECT_EQ(Trim(" \t a b \r\n"), "a b");
    EXPECT_EQ(CompareText("abc", "ABD"), -1);
}

TEST(AnsiText, FoldsCaseByCharacterAndKeepsInvalidBytesApart)
{
    EXPECT_TRUE(AnsiSameText("K\xC3\xBC" "che", "K\xC3\x9C" "CHE"));            // Küche, KÜCHE
    EXPECT_TRUE(AnsiSameText("\xD0\xB4\xD0\xBE\xD0\xBC", "\xD0\x94\xD0\x9E\xD0\x9C"));  // дом, ДОМ
    EXPECT_TRUE(AnsiSameText("\xE1\xBA\xA1", "\xE1\xBA\xA0"));                  // ạ, Ạ (3 bytes)
    EXPECT_TRUE(AnsiSameText("\xF0\x90\x90\xA8", "\xF0\x90\x90\x80"));          // Deseret, 4 bytes
    EXPECT_FALSE(AnsiSameText("\xC3\xBC", "u"));
    EXPECT_LT(AnsiCompareText("apple", "BANANA"), 0);
    EXPECT_GT(AnsiCompareText("ab", "A"), 0);
    // A stray byte equals only itself; an overlong form is not the character it spells.
    EXPECT_TRUE(AnsiSameText("a\xFC", "A\xFC"));
    EXPECT_FALSE(AnsiSameText("\xFC", "\xDC"));
    EXPECT_FALSE(AnsiSameText("\xC1\x81", "A"));
    EXPECT_FALSE(AnsiSameText("\xE0\x81\x81", "A"));
    EXPECT_FALSE(AnsiSameText("\xC3", "\xC3\xBC"));
}
