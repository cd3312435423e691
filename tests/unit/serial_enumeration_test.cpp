#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "serial/SerialEnumeration.h"
#include "serial/SerialPortName.h"

namespace {

TEST(PortName, AcceptsComAndDigitsOnly)
{
    const struct { const char* name; bool ok; unsigned port; } cases[] = {
        {"COM1", true, 1},      {"com2", true, 2},       {"COM10", true, 10},
        {"cOm007", true, 7},    {"COM4294967295", true, 4294967295u},
        {"COM", false, 0},      {"COMX", false, 0},      {"COM1A", false, 0},
        {"COM 1", false, 0},    {"COM-1", false, 0},     {"XCOM1", false, 0},
        {"", false, 0},         {"COM4294967296", false, 0},  // would wrap to COM0
    };
    for (const auto& c : cases) {
        unsigned port = 12345;
        EXPECT_EQ(ParsePortName(c.name, &port), c.ok) << c.name;
        if (c.ok) {
            EXPECT_EQ(port, c.port) << c.name;
        }
    }
    EXPECT_TRUE(IsNumeric("0123"));
    EXPECT_FALSE(IsNumeric(""));
    EXPECT_FALSE(IsNumeric("12a"));
    EXPECT_FALSE(IsNumeric(nullptr));
}

struct FakeDevice {
    bool keyOk = true;
    bool portNameOk = true;
    std::uint32_t portNameType = kRegistryString;
    std::string portName;  // bytes as stored, with or without a NUL
    bool descriptionOk = true;
    std::uint32_t descriptionType = kRegistryString;
    std::string description;
};

// A system whose answers are set by the test; it checks that whatever is opened is closed.
class FakeSystem final : public ISerialSystem {
public:
    // Device names
    bool versionOk = true;
    std::uint32_t platformId = kPlatformWin32Nt;
    std::string nameList = std::string("\0", 1);  // the multi-string, ending in an empty name
    std::uint32_t queryError = 0;                  // a failure other than a short buffer
    bool alwaysShort = false;
    std::uint32_t failAllocationAbove = 0xFFFFFFFFu;
    std::vector<std::uint32_t> allocations;
    int buffersLive = 0;

    // Device installation
    bool loadOk = true;
    std::uint32_t loadError = 126;
    std::string missingFunction;
    bool setOk = true;
    std::uint32_t setError = 13;
    std::vector<FakeDevice> devices;
    bool loaded = false, setOpen = false, keyOpen = false;

    std::uint32_t lastError = 0;

    void SetNames(const std::vector<std::string>& names)
    {
        nameList.clear();
        for (const auto& n : names)
            nameList += n + '\0';
        nameList += '\0';
    }

    std::uint32_t GetLastError() override { return lastError; }
    void SetLastError(std::uint32_t code) override { lastError = code; }
    bool GetPlatformId(std::uint32_t* id) override
    {
        if (versionOk)
            *id = platformId;
        return versionOk;
    }
    char* AllocateNameBuffer(std::uint32_t size) override
    {
        allocations.push_back(size);
        if (size > failAllocationAbove)
            return nullptr;
        ++buffersLive;
        return new char[std::min<std::uint32_t>(size, 1u << 20)];
    }
    void FreeNameBuffer(char* buffer) override
    {
        --buffersLive;
        lastError = 0;  // freeing may clobber the last error
        delete[] buffer;
    }
    std::uint32_t QueryAllDeviceNames(char* buffer, std::uint32_t size) override
    {
        if (queryError != 0) {
            lastError = queryError;
            return 0;
        }
        if (alwaysShort || nameList.size() > size) {
            lastError = kErrorInsufficientBuffer;
            return 0;
        }
        std::memcpy(buffer, nameList.data(), nameList.size());
        return static_cast<std::uint32_t>(nameList.size());
    }
    bool LoadSetupLibrary() override
    {
        if (!loadOk)
            lastError = loadError;
        loaded = loadOk;
        return loadOk;
    }
    void UnloadSetupLibrary() override
    {
        EXPECT_TRUE(loaded);
        EXPECT_FALSE(setOpen) << "device set outlives the library";
        loaded = false;
        lastError = 0;
    }
    bool FindSetupFunction(const char* name) override { return missingFunction != name; }
    bool OpenPortDeviceSet() override
    {
        if (!setOk)
            lastError = setError;
        setOpen = setOk;
        return setOk;
    }
    void DestroyPortDeviceSet() override { setOpen = false; }
    bool SelectDevice(std::uint32_t index) override
    {
        current = index;
        return index < devices.size();
    }
    bool OpenDeviceKey() override
    {
        EXPECT_FALSE(keyOpen);
        keyOpen = devices[current].keyOk;
        return keyOpen;
    }
    void CloseDeviceKey() override
    {
        EXPECT_TRUE(keyOpen);
        keyOpen = false;
    }
    bool ReadDeviceKeyValue(const char* valueName, char* buffer, std::uint32_t size,
                            std::uint32_t* type, std::uint32_t* length) override
    {
        EXPECT_STREQ(valueName, "PortName");
        const FakeDevice& d = devices[current];
        return Read(d.portNameOk, d.portNameType, d.portName, buffer, size, type, length);
    }
    bool ReadDeviceDescription(char* buffer, std::uint32_t size, std::uint32_t* type,
                               std::uint32_t* length) override
    {
        const FakeDevice& d = devices[current];
        return Read(d.descriptionOk, d.descriptionType, d.description, buffer, size, type, length);
    }

private:
    static bool Read(bool ok, std::uint32_t valueType, const std::string& value, char* buffer,
                     std::uint32_t size, std::uint32_t* type, std::uint32_t* length)
    {
        if (!ok || value.size() > size)
            return false;
        std::memcpy(buffer, value.data(), value.size());
        *type = valueType;
        *length = static_cast<std::uint32_t>(value.size());
        return true;
    }
    std::uint32_t current = 0;
};

TEST(DeviceNames, KeepsPortsInSystemOrder)
{
    FakeSystem sys;
    sys.SetNames({"AUX", "COM1", "com2", "PRN", "COM", "COMX", "COM1A", "COM10", "COM1"});
    std::vector<unsigned> ports = {99};
    ASSERT_TRUE(EnumeratePortsByDeviceNames(sys, ports));
    EXPECT_EQ(ports, (std::vector<unsigned>{1, 2, 10, 1}));
    EXPECT_EQ(sys.buffersLive, 0);

    sys.SetNames({"AUX", "LPT1"});
    ASSERT_TRUE(EnumeratePortsByDeviceNames(sys, ports));
    EXPECT_TRUE(ports.empty());
}

TEST(DeviceNames, LongListIsReadAfterDoublings)
{
    FakeSystem sys;
    std::vector<std::string> names(600, "HarddiskVolumeShadowCopy");
    names.push_back("COM42");
    sys.SetNames(names);
    std::vector<unsigned> ports;
    ASSERT_TRUE(EnumeratePortsByDeviceNames(sys, ports));
    EXPECT_EQ(ports, std::vector<unsigned>{42});
    EXPECT_EQ(sys.allocations, (std::vector<std::uint32_t>{4096, 8192, 16384}));
    EXPECT_EQ(sys.buffersLive, 0);
}

TEST(DeviceNames, FailuresSetTheirLastError)
{
    std::vector<unsigned> ports = {7};
    {
        FakeSystem sys;
        sys.platformId = 1;  // not the NT family
        EXPECT_FALSE(EnumeratePortsByDeviceNames(sys, ports));
        EXPECT_EQ(sys.lastError, kErrorCallNotImplemented);
        EXPECT_TRUE(sys.allocations.empty());
        EXPECT_TRUE(ports.empty());
    }
    {
        FakeSystem sys;
        sys.versionOk = false;
        EXPECT_FALSE(EnumeratePortsByDeviceNames(sys, ports));
        EXPECT_EQ(sys.lastError, kErrorCallNotImplemented);
    }
    {
        FakeSystem sys;
        sys.SetNames(std::vector<std::string>(400, "COM1234567"));
        sys.failAllocationAbove = 4096;
        EXPECT_FALSE(EnumeratePortsByDeviceNames(sys, ports));
        EXPECT_EQ(sys.lastError, kErrorOutOfMemory);
        EXPECT_EQ(sys.buffersLive, 0);
    }
    {
        FakeSystem sys;
        sys.queryError = 5;  // the query's own error survives the freeing of the buffer
        EXPECT_FALSE(EnumeratePortsByDeviceNames(sys, ports));
        EXPECT_EQ(sys.lastError, 5u);
        EXPECT_EQ(sys.buffersLive, 0);
    }
    {
        FakeSystem sys;
        sys.alwaysShort = true;  // doubling ends when the size wraps to 0
        EXPECT_FALSE(EnumeratePortsByDeviceNames(sys, ports));
        EXPECT_EQ(sys.allocations.size(), 20u);
        EXPECT_EQ(sys.allocations.back(), 0x80000000u);
        EXPECT_EQ(sys.buffersLive, 0);
    }
}

TEST(DeviceNames, WalkStaysWithinTheStoredLength)
{
    std::vector<unsigned> ports;
    const char cutOff[] = {'C', 'O', 'M', '1', '\0', 'C', 'O', 'M', '1', '2'};
    CollectPortsFromNameList(cutOff, sizeof cutOff, ports);
    EXPECT_EQ(ports, std::vector<unsigned>{1});  // "COM1" of the fragment "COM12" is not a port

    ports.clear();
    const char afterEnd[] = "COM3\0\0COM4\0";
    CollectPortsFromNameList(afterEnd, sizeof afterEnd, ports);
    EXPECT_EQ(ports, std::vector<unsigned>{3});
}

TEST(SetupApi, TakesPortDevicesWithTheirDescriptions)
{
    FakeSystem sys;
    FakeDevice noKey;
    noKey.keyOk = false;
    FakeDevice printer;
    printer.portName = std::string("LPT1", 5);
    FakeDevice notString;
    notString.portName = "COM8";
    notString.portNameType = 3;
    FakeDevice com3;
    com3.portName = std::string("COM3", 5);
    com3.description = std::string("USB Serial", 11);
    FakeDevice com1;  // neither value terminated; the description is not a string
    com1.portName = "COM1";
    com1.descriptionType = 7;
    com1.description = "ignored";
    FakeDevice com2;
    com2.portName = std::string("COM2", 5);
    com2.descriptionOk = false;
    FakeDevice fullBuffer;  // 256 bytes without a NUL: read safely, not a port
    fullBuffer.portName = "COM" + std::string(kDeviceStringSize - 3, '9');
    FakeDevice longDescription;
    longDescription.portName = "COM9";
    longDescription.description = std::string(kDeviceStringSize, 'd');
    sys.devices = {noKey, printer, notString, com3, com1, com2, fullBuffer, longDescription};

    std::vector<unsigned> ports = {5};
    std::vector<std::string> descriptions = {"stale"};
    ASSERT_TRUE(EnumeratePortsBySetupApi(sys, ports, descriptions));
    EXPECT_EQ(ports, (std::vector<unsigned>{3, 1, 2, 9}));
    EXPECT_EQ(descriptions, (std::vector<std::string>{"USB Serial", "", "", std::string(256, 'd')}));
    EXPECT_FALSE(sys.loaded || sys.setOpen || sys.keyOpen);
}

TEST(SetupApi, FailuresSetTheirLastError)
{
    std::vector<unsigned> ports = {1};
    std::vector<std::string> descriptions = {"x"};
    {
        FakeSystem sys;
        sys.loadOk = false;
        EXPECT_FALSE(EnumeratePortsBySetupApi(sys, ports, descriptions));
        EXPECT_EQ(sys.lastError, 126u);
        EXPECT_TRUE(ports.empty() && descriptions.empty());
    }
    for (const char* name : kSetupApiFunctionNames) {
        FakeSystem sys;
        sys.missingFunction = name;
        EXPECT_FALSE(EnumeratePortsBySetupApi(sys, ports, descriptions)) << name;
        EXPECT_EQ(sys.lastError, kErrorCallNotImplemented) << name;
        EXPECT_FALSE(sys.loaded) << name;
    }
    {
        FakeSystem sys;
        sys.setOk = false;  // the unloading must not hide the call's own error
        EXPECT_FALSE(EnumeratePortsBySetupApi(sys, ports, descriptions));
        EXPECT_EQ(sys.lastError, 13u);
        EXPECT_FALSE(sys.loaded);
    }
}

}  // namespace
