// The two ways of listing the machine's serial ports, written against a small interface of
// the system calls they need so that every outcome can be produced by a fake.
//
//  - EnumeratePortsByDeviceNames: the system's list of DOS device names, keeping those that
//    name a port. Its list decides which ports are offered.
//  - EnumeratePortsBySetupApi: the present devices of the serial-port interface class, each
//    with the port number from its "PortName" registry value and its device description.
//
// Both report failure through the system's last-error code, as the Windows calls do.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// Last-error codes used by the enumeration.
constexpr std::uint32_t kErrorOutOfMemory = 14;            // ERROR_OUTOFMEMORY
constexpr std::uint32_t kErrorCallNotImplemented = 120;    // ERROR_CALL_NOT_IMPLEMENTED
constexpr std::uint32_t kErrorInsufficientBuffer = 122;    // ERROR_INSUFFICIENT_BUFFER

constexpr std::uint32_t kPlatformWin32Nt = 2;  // VER_PLATFORM_WIN32_NT
constexpr std::uint32_t kRegistryString = 1;   // REG_SZ

// First size of the device-name buffer; it doubles on each insufficient-buffer answer.
constexpr std::uint32_t kDeviceNameBufferStart = 4096;
// Size of the buffers for a port's "PortName" value and its description.
constexpr std::uint32_t kDeviceStringSize = 256;

// The names of the device-installation functions looked up at run time.
extern const char* const kSetupApiFunctionNames[5];

class ISerialSystem {
public:
    virtual ~ISerialSystem() = default;

    virtual std::uint32_t GetLastError() = 0;
    virtual void SetLastError(std::uint32_t code) = 0;

    // The platform id of the running system (kPlatformWin32Nt for the NT family); false when
    // the version query fails.
    virtual bool GetPlatformId(std::uint32_t* platformId) = 0;

    // A buffer for the device-name list, or nullptr when it cannot be allocated.
    virtual char* AllocateNameBuffer(std::uint32_t size) = 0;
    virtual void FreeNameBuffer(char* buffer) = 0;

    // All DOS device names, as a run of NUL-terminated names ended by an empty name. Returns
    // the number of characters stored, 0 on failure (the last error tells why).
    virtual std::uint32_t QueryAllDeviceNames(char* buffer, std::uint32_t size) = 0;

    // The device-installation library, loaded at run time. LoadSetupLibrary leaves the
    // loader's last error on failure.
    virtual bool LoadSetupLibrary() = 0;
    virtual void UnloadSetupLibrary() = 0;
    // Looks up one function of the loaded library by name and keeps it; false when missing.
    virtual bool FindSetupFunction(const char* name) = 0;

    // The set of present devices of the serial-port interface class; false on failure.
    virtual bool OpenPortDeviceSet() = 0;
    virtual void DestroyPortDeviceSet() = 0;
    // Makes device `index` of the set the current one; false when there is no such device.
    virtual bool SelectDevice(std::uint32_t index) = 0;
    // The current device's own registry key, opened for reading values; false when none.
    virtual bool OpenDeviceKey() = 0;
    virtual void CloseDeviceKey() = 0;
    // Reads a value of the open key into buffer (size bytes); *type gets its registry type
    // and *length the bytes stored. The value need not be NUL-terminated.
    virtual bool ReadDeviceKeyValue(const char* valueName, char* buffer, std::uint32_t size,
                                    std::uint32_t* type, std::uint32_t* length) = 0;
    // Reads the current device's description property, the same way.
    virtual bool ReadDeviceDescription(char* buffer, std::uint32_t size, std::uint32_t* type,
                                       std::uint32_t* length) = 0;
};

// Empties `ports`, then fills it from the device-name list in the system's order. On false
// the last error holds the reason: 120 outside the NT family or when the version query fails,
// 14 when a buffer cannot be allocated, otherwise the device-name query's own error.
bool EnumeratePortsByDeviceNames(ISerialSystem& system, std::vector<unsigned>& ports);

// Empties both lists, then fills them in parallel from the serial-port devices: entry k of
// `descriptions` describes port k (empty when the device gives no description). On false the
// last error holds the reason: the loader's, 120 for a missing function, or the device-set
// query's own.
bool EnumeratePortsBySetupApi(ISerialSystem& system, std::vector<unsigned>& ports,
                              std::vector<std::string>& descriptions);

// Appends the port number of every name in a device-name list that passes the port-name
// rule. The walk never reads past `length` characters; a last name that is not terminated
// within them is a cut-off fragment and is ignored.
void CollectPortsFromNameList(const char* list, std::uint32_t length, std::vector<unsigned>& ports);
