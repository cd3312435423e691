#include "serial/win/EnumerateSerial.h"

#include <windows.h>
#include <setupapi.h>

#include <algorithm>
#include <cstring>
#include <cwchar>
#include <new>
#include <string>
#include <vector>

#include "common/SystemLibrary.h"
#include "common/win/Owners.h"
#include "serial/EnumerateSerialCore.h"
#include "serial/SerialPortName.h"

// The version record is the 148-byte one, and the device record is sized for this build
// (28 bytes in a 32-bit program, 32 in a 64-bit one): with the wrong size every call fails.
static_assert(sizeof(OSVERSIONINFOA) == 148, "version record");
#ifdef _WIN64
static_assert(sizeof(SP_DEVINFO_DATA) == 32, "device record, 64-bit");
#else
static_assert(sizeof(SP_DEVINFO_DATA) == 28, "device record, 32-bit");
#endif

namespace {

// The serial-port device-interface class.
const GUID kSerialPortInterfaceClass = {
    0x86E0D1E0, 0x8089, 0x11D0, {0x9C, 0xE4, 0x08, 0x00, 0x3E, 0x30, 0x1F, 0x73}};

constexpr DWORD kGetClassDevsFlags = DIGCF_PRESENT | DIGCF_DEVICEINTERFACE;  // 0x12

using OpenDevRegKeyFn = HKEY(WINAPI*)(HDEVINFO, PSP_DEVINFO_DATA, DWORD, DWORD, DWORD, REGSAM);
using GetClassDevsFn = HDEVINFO(WINAPI*)(const GUID*, PCSTR, HWND, DWORD);
using GetDeviceRegistryPropertyFn = BOOL(WINAPI*)(HDEVINFO, PSP_DEVINFO_DATA, DWORD, PDWORD,
                                                  PBYTE, DWORD, PDWORD);
using DestroyDeviceInfoListFn = BOOL(WINAPI*)(HDEVINFO);
using EnumDeviceInfoFn = BOOL(WINAPI*)(HDEVINFO, DWORD, PSP_DEVINFO_DATA);

template <typename Fn>
Fn As(FARPROC proc)
{
    return reinterpret_cast<Fn>(reinterpret_cast<void (*)()>(proc));
}

class CWindowsSerialSystem final : public ISerialSystem {
public:
    ~CWindowsSerialSystem() override
    {
        // The enumeration always closes what it opens; this only guards early exits.
        CloseDeviceKey();
        DestroyPortDeviceSet();
        UnloadSetupLibrary();
    }

    std::uint32_t GetLastError() override { return ::GetLastError(); }
    void SetLastError(std::uint32_t code) override { ::SetLastError(code); }

    bool GetPlatformId(std::uint32_t* platformId) override
    {
        OSVERSIONINFOA version = {};
        version.dwOSVersionInfoSize = sizeof version;
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
        if (!::GetVersionExA(&version))
            return false;
#pragma GCC diagnostic pop
        *platformId = version.dwPlatformId;
        return true;
    }

    char* AllocateNameBuffer(std::uint32_t size) override { return new (std::nothrow) char[size]; }
    void FreeNameBuffer(char* buffer) override { delete[] buffer; }

    std::uint32_t QueryAllDeviceNames(char* buffer, std::uint32_t size) override
    {
        return ::QueryDosDeviceA(nullptr, buffer, size);
    }

    bool LoadSetupLibrary() override
    {
        m_library.Reset(static_cast<HMODULE>(LoadSystemLibrary(L"setupapi.dll")));  // never from beside the program
        return static_cast<bool>(m_library);
    }

    void UnloadSetupLibrary() override
    {
        m_library.Reset();
        m_openDevRegKey = nullptr;
        m_getClassDevs = nullptr;
        m_getDeviceRegistryProperty = nullptr;
        m_destroyDeviceInfoList = nullptr;
        m_enumDeviceInfo = nullptr;
    }

    bool FindSetupFunction(const char* name) override
    {
        const FARPROC proc = ::GetProcAddress(m_library.Get(), name);
        if (proc == nullptr)
            return false;
        const std::string n = name;
        if (n == "SetupDiOpenDevRegKey")
            m_openDevRegKey = As<OpenDevRegKeyFn>(proc);
        else if (n == "SetupDiGetClassDevsA")
            m_getClassDevs = As<GetClassDevsFn>(proc);
        else if (n == "SetupDiGetDeviceRegistryPropertyW")
            m_getDeviceRegistryProperty = As<GetDeviceRegistryPropertyFn>(proc);
        else if (n == "SetupDiDestroyDeviceInfoList")
            m_destroyDeviceInfoList = As<DestroyDeviceInfoListFn>(proc);
        else if (n == "SetupDiEnumDeviceInfo")
            m_enumDeviceInfo = As<EnumDeviceInfoFn>(proc);
        else
            return false;
        return true;
    }

    bool OpenPortDeviceSet() override
    {
        if (m_getClassDevs == nullptr) {
            ::SetLastError(ERROR_CALL_NOT_IMPLEMENTED);
            return false;
        }
        m_devices = m_getClassDevs(&kSerialPortInterfaceClass, nullptr, nullptr, kGetClassDevsFlags);
        if (m_devices == INVALID_HANDLE_VALUE) {
            m_devices = nullptr;
            return false;
        }
        return true;
    }

    void DestroyPortDeviceSet() override
    {
        if (m_devices != nullptr && m_destroyDeviceInfoList != nullptr)
            m_destroyDeviceInfoList(m_devices);
        m_devices = nullptr;
    }

    bool SelectDevice(std::uint32_t index) override
    {
        if (m_devices == nullptr || m_enumDeviceInfo == nullptr)
            return false;
        m_device = {};
        m_device.cbSize = sizeof m_device;
        return m_enumDeviceInfo(m_devices, index, &m_device) != FALSE;
    }

    bool OpenDeviceKey() override
    {
        CloseDeviceKey();
        if (m_devices == nullptr || m_openDevRegKey == nullptr)
            return false;
        const HKEY key = m_openDevRegKey(m_devices, &m_device, DICS_FLAG_GLOBAL, 0, DIREG_DEV,
                                         KEY_QUERY_VALUE);
        if (key == nullptr || key == reinterpret_cast<HKEY>(INVALID_HANDLE_VALUE))
            return false;
        m_key.Reset(key);
        return true;
    }

    void CloseDeviceKey() override
    {
        m_key.Reset();
    }

    bool ReadDeviceKeyValue(const char* valueName, char* buffer, std::uint32_t size,
                            std::uint32_t* type, std::uint32_t* length) override
    {
        if (!m_key)
            return false;
        DWORD valueType = 0;
        DWORD valueLength = size;
        if (::RegQueryValueExA(m_key.Get(), valueName, nullptr, &valueType,
                               reinterpret_cast<BYTE*>(buffer), &valueLength) != ERROR_SUCCESS)
            return false;
        *type = valueType;
        *length = valueLength;
        return true;
    }

    bool ReadDeviceDescription(char* buffer, std::uint32_t size, std::uint32_t* type,
                               std::uint32_t* length) override
    {
        if (m_devices == nullptr || m_getDeviceRegistryProperty == nullptr)
            return false;
        // Read as UTF-16 and converted to the program's Windows-1251 here: the A function
        // converts to the system's ANSI code page, which turns Cyrillic into "?" on a system
        // with a Western locale.
        std::vector<wchar_t> wide(size + 1, L'\0');
        DWORD propertyType = 0;
        DWORD required = 0;
        if (!m_getDeviceRegistryProperty(m_devices, &m_device, SPDRP_DEVICEDESC, &propertyType,
                                         reinterpret_cast<BYTE*>(wide.data()), size * sizeof(wchar_t), &required))
            return false;
        const std::size_t chars = std::min<std::size_t>(required / sizeof(wchar_t), size);
        const int wideLength = static_cast<int>(::wcsnlen(wide.data(), chars));
        std::string text(static_cast<std::size_t>(wideLength) * 2, '\0');
        const int narrowLength = ::WideCharToMultiByte(1251, 0, wide.data(), wideLength, &text[0],
                                                       static_cast<int>(text.size()), nullptr, nullptr);
        text.resize(narrowLength > 0 ? static_cast<std::size_t>(narrowLength) : 0);
        const std::size_t copied = std::min<std::size_t>(text.size(), size > 0 ? size - 1 : 0);
        std::memcpy(buffer, text.data(), copied);
        if (size > 0) buffer[copied] = '\0';
        *type = propertyType;
        *length = static_cast<std::uint32_t>(copied + 1);
        return true;
    }

private:
    CScopedLibrary m_library;
    OpenDevRegKeyFn m_openDevRegKey = nullptr;
    GetClassDevsFn m_getClassDevs = nullptr;
    GetDeviceRegistryPropertyFn m_getDeviceRegistryProperty = nullptr;
    DestroyDeviceInfoListFn m_destroyDeviceInfoList = nullptr;
    EnumDeviceInfoFn m_enumDeviceInfo = nullptr;
    HDEVINFO m_devices = nullptr;
    SP_DEVINFO_DATA m_device = {};
    CScopedKey m_key;
};

}  // namespace

bool CEnumerateSerial::UsingQueryDosDevice(std::vector<unsigned>& ports)
{
    bool ok = false;
    DWORD error = 0;
    {
        CWindowsSerialSystem system;
        ok = EnumeratePortsByDeviceNames(system, ports);
        error = ::GetLastError();
    }
    ::SetLastError(error);  // the reason survives the clean-up
    return ok;
}

bool CEnumerateSerial::UsingSetupAPI(std::vector<unsigned>& ports, std::vector<std::string>& descriptions)
{
    bool ok = false;
    DWORD error = 0;
    {
        CWindowsSerialSystem system;
        ok = EnumeratePortsBySetupApi(system, ports, descriptions);
        error = ::GetLastError();
    }
    ::SetLastError(error);
    return ok;
}

bool CEnumerateSerial::IsNumeric(const char* text) { return ::IsNumeric(text); }
