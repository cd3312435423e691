#include <gtest/gtest.h>

#include <vector>

#include "catalogue/Device.h"
#include "search/LineLoad.h"

namespace {

PortSettings Port(std::uint32_t baud, std::uint8_t dataBits, std::uint8_t parity, std::uint8_t stopBits)
{
    PortSettings port;
    port.known = true;
    port.port = 1;
    port.baudRate = baud;
    port.dataBits = dataBits;
    port.parity = parity;
    port.stopBits = stopBits;
    return port;
}

void AddTags(std::vector<LineLoadTag>* tags, std::uint32_t type, std::uint32_t address, int count,
             std::int64_t periodMs, int parameterType)
{
    for (int i = 0; i < count; ++i)
        tags->push_back(LineLoadTag{type, address, periodMs, RegistersOfParameterType(parameterType)});
}

// The cases worked by hand. A transaction is 8 + 5 + 2r + 7 characters and 10 ms.
TEST(LineLoad, NineThousandSixHundredEightNoneOneWithTwentyRealTagsAtOneSecond)
{
    // 10 bits a character: 1.0417 ms; 24 characters = 25 ms, +10 ms = 35 ms a request;
    // 20 requests a second = 700 ms of every second.
    std::vector<LineLoadTag> tags;
    AddTags(&tags, 20, 1, 20, 1000, kTypeReal);
    const LineLoadEstimate e = EstimateLineLoad(Port(9600, 8, 0, 0), tags);
    ASSERT_TRUE(e.known);
    EXPECT_NEAR(e.characterMs, 10.0 / 9.6, 1e-9);
    EXPECT_NEAR(e.requestsPerSecond, 20.0, 1e-9);
    EXPECT_NEAR(e.Percent(), 70.0, 1e-9);
    EXPECT_NEAR(e.capacityPerSecond, 1000.0 / 35.0, 1e-9);
    EXPECT_FALSE(e.Overloaded());
    EXPECT_TRUE(e.busiest.empty());
}

TEST(LineLoad, OneHundredFifteenThousandEightEvenOne)
{
    // 11 bits: 0.095486 ms a character. 20 REAL at 1 s: 24 ch = 2.291667 ms + 10 = 12.291667,
    // 20/s = 245.8333 ms. 10 SHORT at 500 ms: 22 ch = 2.100694 + 10 = 12.100694, 20/s =
    // 242.0139 ms. Together 487.8472 ms of a second: 48.78 %.
    std::vector<LineLoadTag> tags;
    AddTags(&tags, 20, 1, 20, 1000, kTypeReal);
    AddTags(&tags, 21, 2, 10, 500, kTypeShort);
    const LineLoadEstimate e = EstimateLineLoad(Port(115200, 8, 2, 0), tags);
    EXPECT_NEAR(e.characterMs, 11.0 / 115.2, 1e-12);
    EXPECT_NEAR(e.requestsPerSecond, 40.0, 1e-9);
    EXPECT_NEAR(e.Percent(), 48.78472, 1e-4);
    EXPECT_FALSE(e.Overloaded());
}

TEST(LineLoad, TwelveHundredBaudIsOverloadedAndNamesTheThreeThatAskMost)
{
    // 10 bits: 8.3333 ms a character. Device 1: 10 REAL at 1 s: 24 ch = 200 + 10 = 210 ms,
    // 10/s = 2100 ms. Device 2: 5 SHORT at 2 s: 22 ch = 183.33 + 10 = 193.33 ms, 2.5/s =
    // 483.33 ms. Device 3: one BOOL at 500 ms: 2/s = 386.67 ms. Device 4: one BYTE at 10 s:
    // 19.33 ms. Total 2989.33 ms a second: 298.93 %.
    std::vector<LineLoadTag> tags;
    AddTags(&tags, 30, 4, 1, 10000, kTypeByte);
    AddTags(&tags, 20, 1, 10, 1000, kTypeReal);
    AddTags(&tags, 21, 2, 5, 2000, kTypeShort);
    AddTags(&tags, 22, 3, 1, 500, kTypeBool);
    AddTags(&tags, 22, 3, 2, 0, kTypeBool);  // period 0: not counted
    const LineLoadEstimate e = EstimateLineLoad(Port(1200, 8, 0, 0), tags);
    EXPECT_NEAR(e.Percent(), 298.9333, 1e-3);
    EXPECT_TRUE(e.Overloaded());
    EXPECT_EQ(e.tagsCounted, 17u);
    EXPECT_EQ(e.tagsWithoutPeriod, 2u);
    ASSERT_EQ(e.busiest.size(), 3u);
    EXPECT_EQ(e.busiest[0].address, 1u);
    EXPECT_NEAR(e.busiest[0].busyFraction, 2.1, 1e-9);
    EXPECT_NEAR(e.busiest[0].requestsPerSecond, 10.0, 1e-9);
    EXPECT_EQ(e.busiest[1].address, 2u);
    EXPECT_EQ(e.busiest[2].address, 3u);
}

TEST(LineLoad, CharacterBitsAndUnusableSettings)
{
    EXPECT_DOUBLE_EQ(CharacterBits(Port(9600, 7, 1, 1)), 10.5);  // 7 odd 1.5
    EXPECT_DOUBLE_EQ(CharacterBits(Port(9600, 8, 3, 2)), 12.0);  // 8 mark 2
    EXPECT_EQ(CharacterBits(Port(0, 8, 0, 0)), 0);
    EXPECT_EQ(CharacterBits(Port(9600, 0, 0, 0)), 0);
    EXPECT_EQ(CharacterBits(Port(9600, 8, 5, 0)), 0);
    EXPECT_EQ(CharacterBits(Port(9600, 8, 0, 3)), 0);
    EXPECT_EQ(CharacterBits(PortSettings{}), 0);

    std::vector<LineLoadTag> tags;
    AddTags(&tags, 20, 1, 3, 1000, kTypeInt);
    const LineLoadEstimate unknown = EstimateLineLoad(PortSettings{}, tags);
    EXPECT_FALSE(unknown.known);
    EXPECT_EQ(unknown.Percent(), 0);
    EXPECT_NEAR(unknown.requestsPerSecond, 3.0, 1e-9);  // what is asked is known without the port

    const LineLoadEstimate none = EstimateLineLoad(Port(9600, 8, 0, 0), {});
    EXPECT_TRUE(none.known);
    EXPECT_EQ(none.Percent(), 0);
    EXPECT_EQ(none.capacityPerSecond, 0);
}

TEST(LineLoad, RegistersOfTypes)
{
    EXPECT_EQ(RegistersOfParameterType(kTypeReal), 2);
    EXPECT_EQ(RegistersOfParameterType(kTypeInt), 2);
    for (int t : {kTypeShort, kTypeBool, kTypeByte, kTypeEnum, kTypeUnknown}) EXPECT_EQ(RegistersOfParameterType(t), 1);
}

}  // namespace
