#include <gtest/gtest.h>

#include <string>

#include "catalogue/Windows1251.h"
#include "tests/support/Utf8.h"

namespace {

TEST(Windows1251Test, EveryByteComesBackFromItsCodePoint)
{
    for (int b = 0; b < 256; ++b) {
        const char32_t c = Cp1251ToCodePoint(static_cast<unsigned char>(b));
        EXPECT_EQ(static_cast<char>(b), CodePointToCp1251(c)) << std::hex << b << " U+" << static_cast<unsigned>(c);
    }
    // Spot checks against the code page's chart.
    EXPECT_EQ(U'\u0410', Cp1251ToCodePoint(0xC0));  // А
    EXPECT_EQ(U'\u044F', Cp1251ToCodePoint(0xFF));  // я
    EXPECT_EQ(U'\u0401', Cp1251ToCodePoint(0xA8));  // Ё
    EXPECT_EQ(U'\u0451', Cp1251ToCodePoint(0xB8));  // ё
    EXPECT_EQ(U'\u20AC', Cp1251ToCodePoint(0x88));  // euro sign
    EXPECT_EQ(U'\u2116', Cp1251ToCodePoint(0xB9));  // numero sign
    EXPECT_EQ(U'\u0490', Cp1251ToCodePoint(0xA5));  // Ґ
}

TEST(Windows1251Test, CodePointsTheCodePageLacks)
{
    // Four letters of the Cyrillic block's first part, Latin letters beyond ASCII, the
    // C1 controls other than U+0098, and everything beyond.
    for (char32_t c : {U'\u0400', U'\u040D', U'\u0450', U'\u045D', U'\u0460', U'\u00E4', U'\u00E9', U'\u0080',
                       U'\u009F', U'\u4E2D', U'\uFFFD', U'\U0001F600'})
        EXPECT_EQ('?', CodePointToCp1251(c)) << "U+" << std::hex << static_cast<unsigned>(c);
}

TEST(Windows1251Test, Utf16)
{
    // "Счётчик №1.dsc"
    EXPECT_EQ("\xD1\xF7\xB8\xF2\xF7\xE8\xEA \xB9"
              "1.dsc",
              Utf16ToCp1251(u"\u0421\u0447\u0451\u0442\u0447\u0438\u043A \u21161.dsc"));
    // Ukrainian and Belarusian letters, the euro sign, quotes and dashes of the upper half.
    EXPECT_EQ("\xAF\xBF\xB2\xB3\xAA\xBA\xA5\xB4\xA1\xA2\x88\x84\x93\x94\x96\x97",
              Utf16ToCp1251(u"\u0407\u0457\u0406\u0456\u0404\u0454\u0490\u0491\u040E\u045E\u20AC\u201E\u201C\u201D"
                            u"\u2013\u2014"));
    // One "?" per character: a pair of surrogates is one character, a lone one is one too.
    EXPECT_EQ("Z?hler ?-?.dsc", Utf16ToCp1251(u"Z\u00E4hler \u4E2D-\U0001F600.dsc"));
    EXPECT_EQ("a?b?c?", Utf16ToCp1251(std::u16string(u"a") + char16_t(0xD800) + u"b" + char16_t(0xDC00) + u"c" +
                                      char16_t(0xD83D)));
    EXPECT_EQ(std::string("x\0y", 3), Utf16ToCp1251(std::u16string(u"x\0y", 3)));
    EXPECT_EQ("", Utf16ToCp1251(u""));

    // Whether anything was lost: a "?" typed stays exact, one put for a character is not.
    const auto exact = [](std::u16string_view text) {
        bool lossless = false;
        Utf16ToCp1251(text, &lossless);
        return lossless;
    };
    EXPECT_TRUE(exact(u"What?Now \u0421\u0447\u0451\u2116\u20AC"));
    EXPECT_TRUE(exact(u""));
    EXPECT_FALSE(exact(u"\u65E5"));
    EXPECT_FALSE(exact(u"Me\u00E4ter"));
    EXPECT_FALSE(exact(u"\U0001F600"));
    EXPECT_FALSE(exact(std::u16string(u"a") + char16_t(0xDC00)));
}

TEST(Windows1251Test, Utf8)
{
    EXPECT_EQ("\xD1\xF7\xB8\xF2\xF7\xE8\xEA \xB9"
              "1.dsc",
              Utf8ToCp1251("\xD0\xA1\xD1\x87\xD1\x91\xD1\x82\xD1\x87\xD0\xB8\xD0\xBA \xE2\x84\x96"
                           "1.dsc"));
    EXPECT_EQ("Z?hler ?-?.dsc", Utf8ToCp1251("Z\xC3\xA4hler \xE4\xB8\xAD-\xF0\x9F\x98\x80.dsc"));
    const struct {
        const char* title;
        std::string in;
        std::string out;
    } malformed[] = {
        {"lone continuation byte", "a\x80z", "a?z"},
        {"sequence cut by the end", "a\xD0", "a?"},
        {"sequence cut by ASCII", "\xE2\x84z", "??z"},
        {"overlong slash", "\xC0\xAF", "??"},
        {"overlong three bytes", "\xE0\x80\xAF", "???"},
        {"encoded surrogate", "\xED\xA0\x80", "???"},
        {"beyond U+10FFFF", "\xF4\x90\x80\x80", "????"},
        {"no such lead byte", "\xF8\x88\x80\x80\x80", "?????"},
        {"Windows-1251 bytes, not UTF-8", "\xD1\xF7\xB8\xF2", "????"},
    };
    for (const auto& c : malformed)
        EXPECT_EQ(c.out, Utf8ToCp1251(c.in)) << c.title;
}


TEST(Windows1251Test, EveryCodePointGivesOneByteInEitherEncoding)
{
    for (char32_t c = 0; c <= 0x10FFFF; ++c) {
        if (c >= 0xD800 && c <= 0xDFFF)
            continue;
        const std::string expected(1, CodePointToCp1251(c));
        ASSERT_EQ(expected, Utf8ToCp1251(EncodeUtf8(c))) << "U+" << std::hex << static_cast<unsigned>(c);
        std::u16string utf16;
        if (c < 0x10000) {
            utf16 += static_cast<char16_t>(c);
        } else {
            utf16 += static_cast<char16_t>(0xD800 + ((c - 0x10000) >> 10));
            utf16 += static_cast<char16_t>(0xDC00 + ((c - 0x10000) & 0x3FF));
        }
        ASSERT_EQ(expected, Utf16ToCp1251(utf16)) << "U+" << std::hex << static_cast<unsigned>(c);
    }
    // Every pair of bytes: never more output than input (and, under the sanitizers, no
    // read past the end of a sequence cut short).
    for (int a = 0; a < 256; ++a) {
        for (int b = 0; b < 256; ++b) {
            const std::string in{static_cast<char>(a), static_cast<char>(b)};
            ASSERT_LE(Utf8ToCp1251(in).size(), 2u) << a << " " << b;
        }
    }
}

}  // namespace
