// The bounded decimal reader: every text the programs read numbers from goes through it, so
// its edges are the edges of every field, argument and file name.
#include <gtest/gtest.h>

#include <climits>
#include <cstdint>
#include <string>

#include "common/Decimal.h"

TEST(Decimal, ReadsDigitsUpToTheMaximumAndNothingPast)
{
    struct Case {
        const char* text;
        std::uint64_t max;
        bool ok;
        std::uint64_t value;
    };
    const Case cases[] = {
        {"0", 0, true, 0},
        {"007", 255, true, 7},
        {"255", 255, true, 255},
        {"256", 255, false, 0},
        {"00000000000000000000000000001", 1, true, 1},  // leading zeros add nothing, however many
        {"18446744073709551615", UINT64_MAX, true, UINT64_MAX},
        {"18446744073709551616", UINT64_MAX, false, 0},  // one past 64 bits: refused, not wrapped
        {"99999999999999999999999", UINT64_MAX, false, 0},
        {"99999999999", INT_MAX, false, 0},
        {"2147483647", INT_MAX, true, INT_MAX},
        {"4294967296", UINT32_MAX, false, 0},
        {"", 10, false, 0},
        {"-1", 10, false, 0},
        {"+1", 10, false, 0},
        {" 1", 10, false, 0},
        {"1 ", 10, false, 0},
        {"1a", 10, false, 0},
        {"0x1", 10, false, 0},
        {"1.5", 10, false, 0},
        {"\xD9", 10, false, 0},  // a byte past ASCII, as in a Windows-1251 text
    };
    for (const Case& c : cases) {
        std::uint64_t v = 12345;
        EXPECT_EQ(ParseDecimal(c.text, c.max, &v), c.ok) << '"' << c.text << "\" max " << c.max;
        EXPECT_EQ(v, c.ok ? c.value : 12345u) << '"' << c.text << "\": a refused text leaves the value alone";
    }
    // Embedded NUL: the text is its whole length, not up to the first zero byte.
    std::uint64_t v = 0;
    EXPECT_FALSE(ParseDecimal(std::string("12\0" "3", 4), 1000, &v));
}

TEST(Decimal, SignedTakesOneSignWithinItsRange)
{
    struct Case {
        const char* text;
        std::int64_t min, max;
        bool ok;
        std::int64_t value;
    };
    const Case cases[] = {
        {"-2147483648", INT32_MIN, INT32_MAX, true, INT32_MIN},
        {"-2147483649", INT32_MIN, INT32_MAX, false, 0},
        {"+2147483647", INT32_MIN, INT32_MAX, true, INT32_MAX},
        {"2147483648", INT32_MIN, INT32_MAX, false, 0},
        {"-9223372036854775808", INT64_MIN, INT64_MAX, true, INT64_MIN},
        {"-9223372036854775809", INT64_MIN, INT64_MAX, false, 0},
        {"9223372036854775807", INT64_MIN, INT64_MAX, true, INT64_MAX},
        {"9223372036854775808", INT64_MIN, INT64_MAX, false, 0},
        {"-0", 0, 10, true, 0},
        {"-0", 1, 10, false, 0},
        {"-5", -10, -5, true, -5},
        {"-4", -10, -5, false, 0},
        {"3", -10, -5, false, 0},
        {"-", -10, 10, false, 0},
        {"+", -10, 10, false, 0},
        {"--1", -10, 10, false, 0},
        {"+-1", -10, 10, false, 0},
        {"", -10, 10, false, 0},
        {"-1", 0, 10, false, 0},
    };
    for (const Case& c : cases) {
        std::int64_t v = 777;
        EXPECT_EQ(ParseSignedDecimal(c.text, c.min, c.max, &v), c.ok) << '"' << c.text << '"';
        EXPECT_EQ(v, c.ok ? c.value : 777) << '"' << c.text << '"';
    }
}

TEST(Decimal, NarrowTypesTakeTheirOwnMaximum)
{
    std::uint8_t byte = 9;
    EXPECT_TRUE(ParseDecimalTo<std::uint8_t>("255", 255, &byte));
    EXPECT_EQ(byte, 255);
    EXPECT_FALSE(ParseDecimalTo<std::uint8_t>("256", 255, &byte));
    EXPECT_EQ(byte, 255);
    std::uint16_t port = 0;
    EXPECT_FALSE(ParseDecimalTo<std::uint16_t>("65536", 65535, &port));
    EXPECT_TRUE(ParseDecimalTo<std::uint16_t>("65535", 65535, &port));
    EXPECT_EQ(port, 65535);
}
