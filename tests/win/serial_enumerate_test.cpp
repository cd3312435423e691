// CEnumerateSerial on the real system calls. Which ports a machine has is not known here,
// so the checks are about consistency with the system, not about particular ports.
#include <gtest/gtest.h>

#include <windows.h>

#include <cstdio>
#include <string>
#include <vector>

#include "serial/EnumerateSerial.h"

namespace {

TEST(EnumerateSerial, DeviceNamesGivePortsTheSystemKnows)
{
    std::vector<unsigned> ports = {0xDEAD};
    ASSERT_TRUE(CEnumerateSerial::UsingQueryDosDevice(ports)) << "last error " << ::GetLastError();
    for (unsigned port : ports) {
        EXPECT_NE(port, 0xDEADu);
        // Every port found must resolve as a device name of its own.
        char target[1024];
        const std::string name = "COM" + std::to_string(port);
        EXPECT_NE(::QueryDosDeviceA(name.c_str(), target, sizeof target), 0u) << name;
    }
    std::printf("ports from device names:");
    for (unsigned port : ports)
        std::printf(" COM%u", port);
    std::printf("\n");
    std::vector<unsigned> again;
    ASSERT_TRUE(CEnumerateSerial::UsingQueryDosDevice(again));
    EXPECT_EQ(again, ports) << "the order is the system's and stable";
}

TEST(EnumerateSerial, SetupApiListsGrowTogether)
{
    std::vector<unsigned> ports = {1, 2};
    std::vector<std::string> descriptions = {"stale"};
    ::SetLastError(0);
    const bool ok = CEnumerateSerial::UsingSetupAPI(ports, descriptions);
    if (!ok) {
        // Failure is allowed (a system without the service), but must say why.
        EXPECT_NE(::GetLastError(), 0u);
        EXPECT_TRUE(ports.empty());
    }
    EXPECT_EQ(ports.size(), descriptions.size());
    for (const std::string& d : descriptions)
        EXPECT_LE(d.size(), 256u);
    std::printf("ports from the setup API: %u (%s)\n",
                static_cast<unsigned>(ports.size()), ok ? "ok" : "failed");
}

}  // namespace
