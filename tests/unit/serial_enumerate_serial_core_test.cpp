#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "serial/EnumerateSerialCore.h"
#include "serial/SerialPortName.h"

namespace {

TEST(PortName, AcceptsComAndDigitsOnly)
{
    const struct { const char* name; bool ok; unsigned port; } cases[] = {
        {"COM1", true, 1}, {"com2", true, 2}, {"COM10", true, 10}, {"cOm007", true, 7},
        {"COM4294967295", true, 4294967295u}, {"COM4294967296", false, 0},  // would wrap
        {"COM", false, 0}, {"COMX", false, 0}, {"COM1A", false, 0}, {"COM 1", false, 0},
        {"COM-1", false, 0}, {"XCOM1", false, 0}, {"", false, 0},
    };
    for (const auto& c : cases) {
        unsigned port = 12345;
        EXPECT_EQ(ParsePortName(c.name, &port), c.ok) << c.name;
        EXPECT_EQ(port, c.ok ? c.port : 12345u) << c.name;
    }
    EXPECT_TRUE(IsNumeric("0123"));
    EXPECT_FALSE(IsNumeric(""));
    EXPECT_FALSE(IsNumeric("12a"));
}

struct FakeDevice {
    bool keyOk = true;
    std::string portName;  // stored bytes, with or without a NUL
    std::uint32_t portNameType = kRegistryString;
    std::string description;
    std::uint32_t descriptionType = kRegistryString;  // 0: the read fails
};

// A system whose answers the test sets. `held` counts buffers, library, device set and key
// not yet released; releasing clears the last error, as real clean-up calls may.
class FakeSystem final : public ISerialSystem {
public:
    std::uint32_t platformId = kPlatformWin32Nt;  // 0: the version query fails
    std::string names = std::string(1, '\0');
    std::uint32_t queryError = 0, failAllocationAbove = 0xFFFFFFFFu;
    bool alwaysShort = false;
    std::vector<std::uint32_t> allocations;
    std::uint32_t loadError = 0, setError = 0;
    std::string missingFunction;
    std::vector<FakeDevice> devices;
    std::uint32_t error = 0;
    int held = 0;

    void SetNames(const std::vector<std::string>& list)
    {
        names.clear();
        for (const auto& n : list)
            names += n + '\0';
        names += '\0';
    }

    std::uint32_t GetLastError() override { return error; }
    void SetLastError(std::uint32_t code) override { error = code; }
    bool GetPlatformId(std::uint32_t* id) override { *id = platformId; return platformId != 0; }
    char* AllocateNameBuffer(std::uint32_t size) override
    {
        allocations.push_back(size);
        if (size > failAllocationAbove)
            return nullptr;
        ++held;
        return new char[std::min<std::uint32_t>(size, 1u << 16)];
    }
    void FreeNameBuffer(char* buffer) override { Release(); delete[] buffer; }
    std::uint32_t QueryAllDeviceNames(char* buffer, std::uint32_t size) override
    {
        if (queryError != 0 || alwaysShort || names.size() > size) {
            error = queryError != 0 ? queryError : kErrorInsufficientBuffer;
            return 0;
        }
        std::memcpy(buffer, names.data(), names.size());
        return static_cast<std::uint32_t>(names.size());
    }
    bool LoadSetupLibrary() override { return Acquire(loadError); }
    void UnloadSetupLibrary() override { Release(); }
    bool FindSetupFunction(const char* name) override { return missingFunction != name; }
    bool OpenPortDeviceSet() override { return Acquire(setError); }
    void DestroyPortDeviceSet() override { Release(); }
    bool SelectDevice(std::uint32_t index) override { current = index; return index < devices.size(); }
    bool OpenDeviceKey() override { return devices[current].keyOk && Acquire(0); }
    void CloseDeviceKey() override { Release(); }
    bool ReadDeviceKeyValue(const char* valueName, char* buffer, std::uint32_t size,
                            std::uint32_t* type, std::uint32_t* length) override
    {
        const FakeDevice& d = devices[current];
        return std::strcmp(valueName, "PortName") == 0 &&
               Read(d.portNameType, d.portName, buffer, size, type, length);
    }
    bool ReadDeviceDescription(char* buffer, std::uint32_t size, std::uint32_t* type,
                               std::uint32_t* length) override
    {
        const FakeDevice& d = devices[current];
        return Read(d.descriptionType, d.description, buffer, size, type, length);
    }

private:
    bool Acquire(std::uint32_t failure)
    {
        if (failure != 0)
            error = failure;
        else
            ++held;
        return failure == 0;
    }
    void Release() { --held; error = 0; }
    static bool Read(std::uint32_t valueType, const std::string& value, char* buffer,
                     std::uint32_t size, std::uint32_t* type, std::uint32_t* length)
    {
        if (valueType == 0 || value.size() > size)
            return false;
        std::memcpy(buffer, value.data(), value.size());
        *type = valueType;
        *length = static_cast<std::uint32_t>(value.size());
        return true;
    }
    std::uint32_t current = 0;
};

using Ports = std::vector<unsigned>;

TEST(DeviceNames, KeepsPortsInSystemOrderAfterDoublings)
{
    FakeSystem sys;
    std::vector<std::string> names(600, "HarddiskVolumeShadowCopy");
    names.insert(names.begin(), {"AUX", "COM1", "com2", "COM", "COMX", "COM1A", "COM10", "COM1"});
    names.push_back("COM42");
    sys.SetNames(names);
    Ports ports = {99};
    ASSERT_TRUE(EnumeratePortsByDeviceNames(sys, ports));
    EXPECT_EQ(ports, (Ports{1, 2, 10, 1, 42}));
    EXPECT_EQ(sys.allocations, (std::vector<std::uint32_t>{4096, 8192, 16384}));
    EXPECT_EQ(sys.held, 0);

    sys.SetNames({"AUX", "LPT1"});
    ASSERT_TRUE(EnumeratePortsByDeviceNames(sys, ports));
    EXPECT_TRUE(ports.empty());
}

TEST(DeviceNames, FailuresSetTheirLastError)
{
    const struct { const char* what; std::uint32_t platform, queryError, allocLimit; bool short_;
                   std::uint32_t expected; std::size_t attempts; } cases[] = {
        {"not NT", 1, 0, 0xFFFFFFFFu, false, kErrorCallNotImplemented, 0},
        {"version fails", 0, 0, 0xFFFFFFFFu, false, kErrorCallNotImplemented, 0},
        {"no memory", 2, 0, 4096, true, kErrorOutOfMemory, 2},
        {"query error", 2, 5, 0xFFFFFFFFu, false, 5, 1},  // survives the freeing
        {"size wraps", 2, 0, 0xFFFFFFFFu, true, kErrorInsufficientBuffer, 20},
    };
    for (const auto& c : cases) {
        FakeSystem sys;
        sys.platformId = c.platform;
        sys.queryError = c.queryError;
        sys.failAllocationAbove = c.allocLimit;
        sys.alwaysShort = c.short_;
        Ports ports = {7};
        EXPECT_FALSE(EnumeratePortsByDeviceNames(sys, ports)) << c.what;
        EXPECT_EQ(sys.error, c.expected) << c.what;
        EXPECT_EQ(sys.allocations.size(), c.attempts) << c.what;
        EXPECT_EQ(sys.held, 0) << c.what;
        EXPECT_TRUE(ports.empty()) << c.what;
    }
}

TEST(DeviceNames, WalkStaysWithinTheStoredLength)
{
    Ports ports;
    const char cutOff[] = {'C', 'O', 'M', '1', '\0', 'C', 'O', 'M', '1', '2'};
    CollectPortsFromNameList(cutOff, sizeof cutOff, ports);  // "COM1" of "COM12..." is no port
    const char afterEnd[] = "COM3\0\0COM4\0";
    CollectPortsFromNameList(afterEnd, sizeof afterEnd, ports);
    EXPECT_EQ(ports, (Ports{1, 3}));
}

TEST(SetupApi, TakesPortDevicesWithTheirDescriptions)
{
    FakeSystem sys;
    sys.devices = {
        {false, "COM6", kRegistryString, "no key", kRegistryString},
        {true, std::string("LPT1", 5), kRegistryString, "printer", kRegistryString},
        {true, "COM8", 3, "not a string", kRegistryString},
        {true, std::string("COM3", 5), kRegistryString, std::string("USB Serial", 11), kRegistryString},
        {true, "COM1", kRegistryString, "binary", 3},  // values need no NUL
        {true, "COM2", kRegistryString, "", 0},
        {true, "COM" + std::string(kDeviceStringSize - 3, '9'), kRegistryString, "full", kRegistryString},
        {true, "COM9", kRegistryString, std::string(kDeviceStringSize, 'd'), kRegistryString},
    };
    Ports ports = {5};
    std::vector<std::string> descriptions = {"stale"};
    ASSERT_TRUE(EnumeratePortsBySetupApi(sys, ports, descriptions));
    EXPECT_EQ(ports, (Ports{3, 1, 2, 9}));
    EXPECT_EQ(descriptions, (std::vector<std::string>{"USB Serial", "", "", std::string(256, 'd')}));
    EXPECT_EQ(sys.held, 0);
}

TEST(SetupApi, FailuresSetTheirLastError)
{
    std::vector<FakeSystem> systems(7);
    systems[0].loadError = 126;
    for (int i = 0; i < 5; ++i)
        systems[i + 1].missingFunction = kSetupApiFunctionNames[i];
    systems[6].setError = 13;  // the unloading must not hide it
    const std::uint32_t expected[] = {126, 120, 120, 120, 120, 120, 13};
    for (std::size_t i = 0; i < systems.size(); ++i) {
        Ports ports = {1};
        std::vector<std::string> descriptions = {"x"};
        EXPECT_FALSE(EnumeratePortsBySetupApi(systems[i], ports, descriptions)) << i;
        EXPECT_EQ(systems[i].error, expected[i]) << i;
        EXPECT_EQ(systems[i].held, 0) << i;
        EXPECT_TRUE(ports.empty() && descriptions.empty()) << i;
    }
}

}  // namespace
