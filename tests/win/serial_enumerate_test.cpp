// CEnumerateSerial on the real system calls. Which ports a machine has is not known here,
// so the checks are about consistency with the system, not about particular ports.
#include <gtest/gtest.h>

#include <windows.h>
#include <setupapi.h>

#include <cstdio>
#include <string>
#include <vector>

#include "serial/win/EnumerateSerial.h"

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

// A serial port device whose description is Cyrillic, registered with the setup API as a
// driver's installation does; removed again at the end.
class CCyrillicPort {
public:
    CCyrillicPort()
    {
        static const GUID ports = {0x4D36E978, 0xE325, 0x11CE, {0xBF, 0xC1, 0x08, 0x00, 0x2B, 0xE1, 0x03, 0x18}};
        static const GUID comPort = {0x86E0D1E0, 0x8089, 0x11D0, {0x9C, 0xE4, 0x08, 0x00, 0x3E, 0x30, 0x1F, 0x73}};
        m_set = SetupDiCreateDeviceInfoList(&ports, nullptr);
        if (m_set == INVALID_HANDLE_VALUE) return;
        m_device.cbSize = sizeof m_device;
        if (!SetupDiCreateDeviceInfoW(m_set, L"ZOLTEST\\CYRILLIC\\0001", &ports, nullptr, nullptr, 0, &m_device))
            return;
        if (!SetupDiRegisterDeviceInfo(m_set, &m_device, 0, nullptr, nullptr, nullptr)) return;
        m_registered = true;
        const std::wstring description = L"\u041F\u043E\u0440\u0442 \u0442\u0435\u0441\u0442\u0430";  // "Порт теста"
        SetupDiSetDeviceRegistryPropertyW(m_set, &m_device, SPDRP_DEVICEDESC,
                                          reinterpret_cast<const BYTE*>(description.c_str()),
                                          static_cast<DWORD>((description.size() + 1) * sizeof(wchar_t)));
        const HKEY key = SetupDiCreateDevRegKeyW(m_set, &m_device, DICS_FLAG_GLOBAL, 0, DIREG_DEV, nullptr, nullptr);
        if (key != INVALID_HANDLE_VALUE) {
            const wchar_t name[] = L"COM77";
            RegSetValueExW(key, L"PortName", 0, REG_SZ, reinterpret_cast<const BYTE*>(name), sizeof name);
            RegCloseKey(key);
        }
        SP_DEVICE_INTERFACE_DATA face{};
        face.cbSize = sizeof face;
        m_ok = SetupDiCreateDeviceInterfaceW(m_set, &m_device, &comPort, nullptr, 0, &face) != FALSE;
    }
    ~CCyrillicPort()
    {
        if (m_registered) SetupDiRemoveDevice(m_set, &m_device);
        if (m_set != INVALID_HANDLE_VALUE) SetupDiDestroyDeviceInfoList(m_set);
    }
    bool Ok() const { return m_ok; }

private:
    HDEVINFO m_set = INVALID_HANDLE_VALUE;
    SP_DEVINFO_DATA m_device{};
    bool m_registered = false;
    bool m_ok = false;
};

// The description comes as UTF-16 and reaches the program's Windows-1251 text whole, whatever
// the system's ANSI code page (through the A function a Western locale gives "?????").
TEST(EnumerateSerial, CyrillicDescriptionsAreReadWholeOnAnySystemLocale)
{
    CCyrillicPort port;
    if (!port.Ok()) GTEST_SKIP() << "the setup API here cannot register a test device";
    std::vector<unsigned> ports;
    std::vector<std::string> descriptions;
    ASSERT_TRUE(CEnumerateSerial::UsingSetupAPI(ports, descriptions)) << "last error " << ::GetLastError();
    std::string found;
    for (std::size_t i = 0; i < ports.size(); ++i)
        if (ports[i] == 77) found = descriptions[i];
    std::printf("system ANSI code page %u\n", GetACP());
    EXPECT_EQ(found, "\xCF\xEE\xF0\xF2 \xF2\xE5\xF1\xF2\xE0");  // "Порт теста" in Windows-1251
}

}  // namespace
