#include "standin/win/Registration.h"

#include <windows.h>
#include <objbase.h>

#include <vector>

#include "AddTags.h"
#include "common/win/Owners.h"
#include "standin/win/ComObjects.h"

namespace {

const wchar_t kClassesRoot[] = L"Software\\Classes";
const wchar_t kProxyDll[] = L"zolps.dll";
// Marks a registration written by a stand-in, so that another copy of the stand-in may
// take it over; a registration without it is taken to be the real server's.
const wchar_t kStandinMark[] = L"ZolsrvStandIn";
const wchar_t kHomeValue[] = L"ZolsrvHome";

std::wstring GuidText(REFGUID guid)
{
    wchar_t text[40] = L"";
    StringFromGUID2(guid, text, 40);
    return text;
}

std::wstring ClassKey() { return std::wstring(kClassesRoot) + L"\\CLSID\\" + GuidText(CLSID_ZolOpcServerConfig); }
// widl's proxy/stub registers its factory under the interface's own identifier.
std::wstring ProxyKey() { return std::wstring(kClassesRoot) + L"\\CLSID\\" + GuidText(IID_IAddTags); }

// A key of the machine's registry with the reads and writes the registration makes; the
// key itself is owned by a CScopedKey.
class CKey {
public:
    bool Open(const std::wstring& path, REGSAM access = KEY_READ)
    {
        return RegOpenKeyExW(HKEY_LOCAL_MACHINE, path.c_str(), 0, access, m_key.Put()) == ERROR_SUCCESS;
    }
    LONG Create(const std::wstring& path)
    {
        return RegCreateKeyExW(HKEY_LOCAL_MACHINE, path.c_str(), 0, nullptr, 0,
                               KEY_READ | KEY_WRITE, nullptr, m_key.Put(), nullptr);
    }
    // A string value; empty name = the key's default value. False when absent.
    bool ReadString(const wchar_t* name, std::wstring* value) const
    {
        DWORD type = 0, size = 0;
        if (RegQueryValueExW(m_key.Get(), name, nullptr, &type, nullptr, &size) != ERROR_SUCCESS ||
            (type != REG_SZ && type != REG_EXPAND_SZ))
            return false;
        std::vector<wchar_t> buffer(size / sizeof(wchar_t) + 1, L'\0');
        if (RegQueryValueExW(m_key.Get(), name, nullptr, &type, reinterpret_cast<BYTE*>(buffer.data()),
                             &size) != ERROR_SUCCESS)
            return false;
        *value = buffer.data();
        return true;
    }
    bool HasValue(const wchar_t* name) const
    {
        return RegQueryValueExW(m_key.Get(), name, nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS;
    }
    LONG WriteString(const wchar_t* name, const std::wstring& value)
    {
        return RegSetValueExW(m_key.Get(), name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                              static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t)));
    }
    LONG WriteDword(const wchar_t* name, DWORD value)
    {
        return RegSetValueExW(m_key.Get(), name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value),
                              sizeof value);
    }
    void DeleteValue(const wchar_t* name) { RegDeleteValueW(m_key.Get(), name); }

private:
    CScopedKey m_key;
};

// The executable named by a LocalServer32 / InprocServer32 command line.
std::wstring ServerPathOf(const std::wstring& command)
{
    std::wstring path;
    if (!command.empty() && command[0] == L'"') {
        const auto close = command.find(L'"', 1);
        path = command.substr(1, close == std::wstring::npos ? std::wstring::npos : close - 1);
    } else {
        path = command;
        for (const wchar_t* option : {L" -", L" /"}) {
            const auto at = path.find(option);
            if (at != std::wstring::npos) path.erase(at);
        }
        while (!path.empty() && path.back() == L' ') path.pop_back();
    }
    return path;
}

std::wstring FullPath(const std::wstring& path)
{
    wchar_t buffer[MAX_PATH * 2];
    const DWORD n = GetFullPathNameW(path.c_str(), MAX_PATH * 2, buffer, nullptr);
    return n > 0 && n < MAX_PATH * 2 ? std::wstring(buffer) : path;
}

bool SamePath(const std::wstring& a, const std::wstring& b)
{
    const std::wstring fa = FullPath(a), fb = FullPath(b);
    return CompareStringOrdinal(fa.c_str(), static_cast<int>(fa.size()), fb.c_str(),
                                static_cast<int>(fb.size()), TRUE) == CSTR_EQUAL;
}

struct ClassOwner {
    bool registered = false;  // some server is registered for the class
    bool standin = false;     // by a stand-in
    std::wstring server;      // its executable or DLL
};

ClassOwner CurrentClassOwner()
{
    ClassOwner owner;
    CKey key;
    if (!key.Open(ClassKey())) return owner;
    owner.standin = key.HasValue(kStandinMark);
    for (const wchar_t* sub : {L"\\LocalServer32", L"\\InprocServer32"}) {
        CKey server;
        std::wstring command;
        if (server.Open(ClassKey() + sub) && server.ReadString(nullptr, &command)) {
            owner.registered = true;
            owner.server = ServerPathOf(command);
            break;
        }
    }
    return owner;
}

std::wstring ProxyDllPath() { return ModuleDirectory() + L"\\" + kProxyDll; }

bool ProxyIsOurs()
{
    CKey key;
    std::wstring dll;
    return key.Open(ProxyKey() + L"\\InprocServer32") && key.ReadString(nullptr, &dll) &&
           SamePath(ServerPathOf(dll), ProxyDllPath());
}

// Calls DllRegisterServer or DllUnregisterServer of the proxy/stub DLL beside us.
HRESULT CallProxyDll(const char* entry)
{
    const CScopedLibrary dll(LoadLibraryW(ProxyDllPath().c_str()));
    if (!dll) return HRESULT_FROM_WIN32(GetLastError());
    using Entry = HRESULT(STDAPICALLTYPE*)();
    auto fn = reinterpret_cast<Entry>(reinterpret_cast<void*>(GetProcAddress(dll.Get(), entry)));
    return fn ? fn() : HRESULT_FROM_WIN32(ERROR_PROC_NOT_FOUND);
}

std::wstring HexCode(HRESULT hr)
{
    wchar_t text[16];
    wsprintfW(text, L"0x%08X", static_cast<unsigned>(hr));
    return text;
}

}  // namespace

std::wstring ModulePath()
{
    std::vector<wchar_t> buffer(MAX_PATH);
    for (;;) {
        const DWORD n = GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
        if (n == 0) return std::wstring();
        if (n < buffer.size()) return std::wstring(buffer.data(), n);
        buffer.resize(buffer.size() * 2);
    }
}

std::wstring ModuleDirectory()
{
    std::wstring path = ModulePath();
    const auto slash = path.find_last_of(L"\\/");
    return slash == std::wstring::npos ? std::wstring(L".") : path.substr(0, slash);
}

std::wstring RegisteredStateDirectory()
{
    CKey key;
    std::wstring home;
    if (key.Open(ClassKey()) && key.ReadString(kHomeValue, &home)) return home;
    return std::wstring();
}

int RegisterStandin(const std::wstring& home, bool force)
{
    const std::wstring self = ModulePath();
    const ClassOwner owner = CurrentClassOwner();
    if (owner.registered && !SamePath(owner.server, self)) {
        if (!owner.standin && !force) {
            SayToUser((L"zolsrv: the class " + GuidText(CLSID_ZolOpcServerConfig) +
                       L" is already registered to another program: " + owner.server +
                       L"\r\nzolsrv: not replacing it; add /force to register zolsrv.exe anyway.")
                          .c_str());
            return kRegForeign;
        }
        SayToUser((L"zolsrv: replacing the registration of " + owner.server).c_str());
    }

    // The proxy/stub first: a class without it would connect and then fail on IAddTags.
    HRESULT hr = CallProxyDll("DllRegisterServer");
    if (FAILED(hr)) {
        SayToUser((L"zolsrv: registering " + ProxyDllPath() + L" failed: " + HexCode(hr)).c_str());
        return kRegFailed;
    }

    CKey cls, server;
    LONG error = cls.Create(ClassKey());
    if (error == ERROR_SUCCESS) error = cls.WriteString(nullptr, L"ZOL-OPC-Server configuration (zolsrv stand-in)");
    if (error == ERROR_SUCCESS) error = cls.WriteDword(kStandinMark, 1);
    if (error == ERROR_SUCCESS) {
        if (home.empty()) cls.DeleteValue(kHomeValue);
        else error = cls.WriteString(kHomeValue, FullPath(home));
    }
    if (error == ERROR_SUCCESS) error = server.Create(ClassKey() + L"\\LocalServer32");
    if (error == ERROR_SUCCESS) error = server.WriteString(nullptr, L"\"" + self + L"\"");
    if (error != ERROR_SUCCESS) {
        SayToUser((L"zolsrv: writing the class registration failed: " +
                   HexCode(HRESULT_FROM_WIN32(error))).c_str());
        return kRegFailed;
    }
    // A registration of another program may have an in-process server: it must not win.
    RegDeleteTreeW(HKEY_LOCAL_MACHINE, (ClassKey() + L"\\InprocServer32").c_str());
    SayToUser((L"zolsrv: registered " + self +
               (home.empty() ? std::wstring() : L" with state in " + FullPath(home))).c_str());
    return kRegOk;
}

int UnregisterStandin()
{
    const std::wstring self = ModulePath();
    const ClassOwner owner = CurrentClassOwner();
    int result = kRegOk;
    if (!owner.registered) {
        SayToUser(L"zolsrv: the class is not registered");
    } else if (!SamePath(owner.server, self)) {
        SayToUser((L"zolsrv: the class is registered to " + owner.server +
                   L", not to this program; left as it is").c_str());
        result = kRegForeign;
    } else {
        const LSTATUS error = RegDeleteTreeW(HKEY_LOCAL_MACHINE, ClassKey().c_str());
        if (error != ERROR_SUCCESS) {
            SayToUser((L"zolsrv: removing the class registration failed: " +
                       HexCode(HRESULT_FROM_WIN32(error))).c_str());
            return kRegFailed;
        }
        RegDeleteKeyW(HKEY_LOCAL_MACHINE, ClassKey().c_str());
        SayToUser(L"zolsrv: unregistered");
    }
    // The proxy/stub goes with our class only: a program that holds the class may be using it.
    if (result == kRegOk && ProxyIsOurs()) {
        const HRESULT hr = CallProxyDll("DllUnregisterServer");
        if (FAILED(hr)) {
            SayToUser((L"zolsrv: unregistering the proxy/stub failed: " + HexCode(hr)).c_str());
            return kRegFailed;
        }
    }
    return result;
}
