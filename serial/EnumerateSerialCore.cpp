#include "serial/EnumerateSerialCore.h"

#include <cstring>

#include "serial/SerialPortName.h"

const char* const kSetupApiFunctionNames[5] = {
    "SetupDiOpenDevRegKey",
    "SetupDiGetClassDevsA",
    "SetupDiGetDeviceRegistryPropertyW",  // descriptions in UTF-16: right on any system locale
    "SetupDiDestroyDeviceInfoList",
    "SetupDiEnumDeviceInfo",
};

void CollectPortsFromNameList(const char* list, std::uint32_t length, std::vector<unsigned>& ports)
{
    std::uint32_t pos = 0;
    while (pos < length) {
        const void* nul = std::memchr(list + pos, '\0', length - pos);
        if (nul == nullptr)
            return;
        const std::uint32_t nameLength =
            static_cast<std::uint32_t>(static_cast<const char*>(nul) - (list + pos));
        if (nameLength == 0)
            return;  // the empty name ends the list
        unsigned port = 0;
        if (ParsePortName(list + pos, nameLength, &port))
            ports.push_back(port);
        pos += nameLength + 1;
    }
}

bool EnumeratePortsByDeviceNames(ISerialSystem& system, std::vector<unsigned>& ports)
{
    ports.clear();

    std::uint32_t platformId = 0;
    if (!system.GetPlatformId(&platformId) || platformId != kPlatformWin32Nt) {
        system.SetLastError(kErrorCallNotImplemented);
        return false;
    }

    std::uint32_t size = kDeviceNameBufferStart;
    while (size != 0) {
        char* buffer = system.AllocateNameBuffer(size);
        if (buffer == nullptr) {
            system.SetLastError(kErrorOutOfMemory);
            return false;
        }
        const std::uint32_t stored = system.QueryAllDeviceNames(buffer, size);
        if (stored != 0) {
            CollectPortsFromNameList(buffer, stored < size ? stored : size, ports);
            system.FreeNameBuffer(buffer);
            return true;
        }
        const std::uint32_t error = system.GetLastError();
        system.FreeNameBuffer(buffer);
        system.SetLastError(error);  // freeing must not hide the query's own error
        if (error != kErrorInsufficientBuffer)
            return false;
        size *= 2;  // unsigned: becomes 0 after 2^31, which ends the attempts
    }
    return false;
}

namespace {

// Reads a string through `read` into a terminated text; false unless it succeeded and the
// value is a string. A value that fills the buffer without a terminator keeps all its bytes.
template <typename Read>
bool ReadDeviceString(Read read, std::string& text)
{
    char buffer[kDeviceStringSize + 1] = {};
    std::uint32_t type = 0;
    std::uint32_t length = 0;
    if (!read(buffer, kDeviceStringSize, &type, &length) || type != kRegistryString)
        return false;
    if (length > kDeviceStringSize)
        length = kDeviceStringSize;
    const void* nul = std::memchr(buffer, '\0', length);
    text.assign(buffer, nul != nullptr ? static_cast<const char*>(nul) - buffer : length);
    return true;
}

}  // namespace

bool EnumeratePortsBySetupApi(ISerialSystem& system, std::vector<unsigned>& ports,
                              std::vector<std::string>& descriptions)
{
    ports.clear();
    descriptions.clear();

    if (!system.LoadSetupLibrary())
        return false;

    for (const char* name : kSetupApiFunctionNames) {
        if (!system.FindSetupFunction(name)) {
            system.UnloadSetupLibrary();
            system.SetLastError(kErrorCallNotImplemented);
            return false;
        }
    }

    if (!system.OpenPortDeviceSet()) {
        const std::uint32_t error = system.GetLastError();
        system.UnloadSetupLibrary();
        system.SetLastError(error);
        return false;
    }

    for (std::uint32_t index = 0; system.SelectDevice(index); ++index) {
        if (!system.OpenDeviceKey())
            continue;

        bool taken = false;
        std::string portName;
        const bool read = ReadDeviceString(
            [&](char* buffer, std::uint32_t size, std::uint32_t* type, std::uint32_t* length) {
                return system.ReadDeviceKeyValue("PortName", buffer, size, type, length);
            },
            portName);
        unsigned port = 0;
        if (read && ParsePortName(portName.c_str(), &port)) {
            ports.push_back(port);
            taken = true;
        }
        system.CloseDeviceKey();

        if (taken) {
            std::string description;
            if (!ReadDeviceString(
                    [&](char* buffer, std::uint32_t size, std::uint32_t* type, std::uint32_t* length) {
                        return system.ReadDeviceDescription(buffer, size, type, length);
                    },
                    description))
                description.clear();
            descriptions.push_back(description);
        }
    }

    system.DestroyPortDeviceSet();
    system.UnloadSetupLibrary();
    return true;
}
