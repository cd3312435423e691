// The forwarding base of the ITagServer wrappers: every call reaches the wrapped server with
// its arguments in their places, and its result and out-values come back unchanged.
#include "server/TagServer.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace {

// Answers each call with a result of its own and out-values derived from the arguments,
// and notes the arguments as one line.
class CEchoServer final : public ITagServer {
public:
    std::string seen;

    HResult AddTag(std::uint32_t type, std::uint32_t address, std::uint32_t param, std::int64_t period) override
    {
        seen = "AddTag " + std::to_string(type) + " " + std::to_string(address) + " " + std::to_string(param) + " " +
               std::to_string(period);
        return 3;
    }
    HResult DeleteTag(std::uint32_t type, std::uint32_t address, std::uint32_t param) override
    {
        seen = "DeleteTag " + std::to_string(type) + " " + std::to_string(address) + " " + std::to_string(param);
        return 4;
    }
    HResult RestartServer() override
    {
        seen = "RestartServer";
        return 5;
    }
    HResult GetComSettings(std::uint16_t* port, std::uint32_t* baudRate, std::uint8_t* dataBits,
                           std::uint8_t* stopBits, std::uint8_t* parity) override
    {
        seen = "GetComSettings";
        *port = 3;
        *baudRate = 19200;
        *dataBits = 7;
        *stopBits = 2;
        *parity = 1;
        return 6;
    }
    HResult SetComSettings(std::uint16_t port, std::uint32_t baudRate, std::uint8_t dataBits, std::uint8_t stopBits,
                           std::uint8_t parity) override
    {
        seen = "SetComSettings " + std::to_string(port) + " " + std::to_string(baudRate) + " " +
               std::to_string(dataBits) + " " + std::to_string(stopBits) + " " + std::to_string(parity);
        return 7;
    }
    HResult EnumTags(std::uint32_t* cursor, std::uint32_t* type, std::uint32_t* address, std::uint32_t* param,
                     std::uint32_t* reserved1, std::uint32_t* reserved2) override
    {
        seen = "EnumTags " + std::to_string(*cursor);
        *cursor += 1;
        *type = 7;
        *address = 5;
        *param = 14;
        *reserved1 = 21;
        *reserved2 = 22;
        return 8;
    }
    HResult GetTagInfo(std::uint32_t type, std::uint32_t address, std::uint32_t param, std::uint32_t* periodLow,
                       std::uint32_t* periodHigh) override
    {
        seen = "GetTagInfo " + std::to_string(type) + " " + std::to_string(address) + " " + std::to_string(param);
        *periodLow = 0x12345678u;
        *periodHigh = 9;
        return 9;
    }
    HResult ProbeDevice(std::uint32_t address, unsigned char text[kProbeTextSize], std::int32_t* type) override
    {
        seen = "ProbeDevice " + std::to_string(address);
        std::memcpy(text, "PM3F", 5);
        *type = 57;
        return 11;
    }
};

// A wrapper that changes nothing: what the base gives.
class CPassOn final : public CForwardingTagServer {
public:
    using CForwardingTagServer::CForwardingTagServer;
};

TEST(ForwardingTagServer, EveryCallReachesTheInnerServerAsItWasMade)
{
    CEchoServer inner;
    CPassOn outer(inner);
    ITagServer& server = outer;
    EXPECT_EQ(&outer.Inner(), &inner);

    EXPECT_EQ(server.AddTag(1, 2, 3, 40000000000ll), 3);
    EXPECT_EQ(inner.seen, "AddTag 1 2 3 40000000000");
    EXPECT_EQ(server.DeleteTag(4, 5, 6), 4);
    EXPECT_EQ(inner.seen, "DeleteTag 4 5 6");
    EXPECT_EQ(server.RestartServer(), 5);
    EXPECT_EQ(inner.seen, "RestartServer");
    EXPECT_EQ(server.SetComSettings(4, 9600, 8, 1, 3), 7);
    EXPECT_EQ(inner.seen, "SetComSettings 4 9600 8 1 3");

    std::uint16_t port = 0;
    std::uint32_t baud = 0;
    std::uint8_t dataBits = 0, stopBits = 0, parity = 0;
    EXPECT_EQ(server.GetComSettings(&port, &baud, &dataBits, &stopBits, &parity), 6);
    EXPECT_EQ(port, 3);
    EXPECT_EQ(baud, 19200u);
    EXPECT_EQ(dataBits, 7);
    EXPECT_EQ(stopBits, 2);
    EXPECT_EQ(parity, 1);

    std::uint32_t cursor = 41, type = 0, address = 0, param = 0, r1 = 0, r2 = 0;
    EXPECT_EQ(server.EnumTags(&cursor, &type, &address, &param, &r1, &r2), 8);
    EXPECT_EQ(inner.seen, "EnumTags 41");
    EXPECT_EQ(cursor, 42u);
    EXPECT_EQ(type, 7u);
    EXPECT_EQ(address, 5u);
    EXPECT_EQ(param, 14u);
    EXPECT_EQ(r1, 21u);
    EXPECT_EQ(r2, 22u);

    std::uint32_t low = 0, high = 0;
    EXPECT_EQ(server.GetTagInfo(7, 8, 9, &low, &high), 9);
    EXPECT_EQ(inner.seen, "GetTagInfo 7 8 9");
    EXPECT_EQ(low, 0x12345678u);
    EXPECT_EQ(high, 9u);

    unsigned char text[kProbeTextSize] = {};
    std::int32_t probed = 0;
    EXPECT_EQ(server.ProbeDevice(12, text, &probed), 11);
    EXPECT_EQ(inner.seen, "ProbeDevice 12");
    EXPECT_STREQ(reinterpret_cast<const char*>(text), "PM3F");
    EXPECT_EQ(probed, 57);
}

}  // namespace
