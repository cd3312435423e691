#include "common/SystemLibrary.h"

#include <windows.h>

#include <string>

void* LoadSystemLibrary(const wchar_t* fileName)
{
    // Where the system can search its own folder alone (Windows 8, and Windows 7 with update
    // KB2533623, which adds AddDllDirectory with it), that search also covers the DLLs the
    // loaded one imports.
    const HMODULE kernel = GetModuleHandleW(L"kernel32.dll");
    if (kernel != nullptr && GetProcAddress(kernel, "AddDllDirectory") != nullptr) {
        if (HMODULE module = LoadLibraryExW(fileName, nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32)) return module;
    }
    // Otherwise the full path in the system folder; the altered search then looks for the
    // DLL's own imports in its folder before any other.
    wchar_t folder[MAX_PATH];
    const UINT length = GetSystemDirectoryW(folder, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) return nullptr;
    const std::wstring path = std::wstring(folder, length) + L"\\" + fileName;
    return LoadLibraryExW(path.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
}
