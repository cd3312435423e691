// Prints what Windows shows of a program file: its processor, the version information of
// its properties and the processor architecture its manifest names. Used by the package
// test on the packed files of both builds (it reads 32-bit files as well as 64-bit ones).
//
//   zolfileinfo.exe FILE...     one block of "key: value" lines a file, UTF-8
#include <windows.h>

#include <cstdio>
#include <string>
#include <vector>

namespace {

void Print(const char* key, const std::wstring& value)
{
    const int n = WideCharToMultiByte(CP_UTF8, 0, value.c_str(), static_cast<int>(value.size()), nullptr, 0,
                                      nullptr, nullptr);
    std::string utf8(n, '\0');
    WideCharToMultiByte(CP_UTF8, 0, value.c_str(), static_cast<int>(value.size()), utf8.data(), n, nullptr,
                        nullptr);
    std::printf("%s: %s\n", key, utf8.c_str());
}

std::wstring Machine(const wchar_t* file)
{
    HANDLE h = CreateFileW(file, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (h == INVALID_HANDLE_VALUE) return L"unreadable";
    IMAGE_DOS_HEADER dos{};
    IMAGE_FILE_HEADER header{};
    DWORD signature = 0, got = 0;
    std::wstring machine = L"not a PE file";
    if (ReadFile(h, &dos, sizeof dos, &got, nullptr) && got == sizeof dos && dos.e_magic == IMAGE_DOS_SIGNATURE &&
        SetFilePointer(h, dos.e_lfanew, nullptr, FILE_BEGIN) != INVALID_SET_FILE_POINTER &&
        ReadFile(h, &signature, sizeof signature, &got, nullptr) && signature == IMAGE_NT_SIGNATURE &&
        ReadFile(h, &header, sizeof header, &got, nullptr) && got == sizeof header) {
        machine = header.Machine == IMAGE_FILE_MACHINE_I386    ? L"x86"
                  : header.Machine == IMAGE_FILE_MACHINE_AMD64 ? L"x64"
                                                               : L"other";
    }
    CloseHandle(h);
    return machine;
}

void PrintVersion(const wchar_t* file)
{
    DWORD ignored = 0;
    const DWORD size = GetFileVersionInfoSizeW(file, &ignored);
    if (size == 0) {
        std::printf("version: none\n");
        return;
    }
    std::vector<BYTE> data(size);
    if (!GetFileVersionInfoW(file, 0, size, data.data())) {
        std::printf("version: unreadable\n");
        return;
    }
    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT length = 0;
    if (VerQueryValueW(data.data(), L"\\", reinterpret_cast<void**>(&fixed), &length) && fixed) {
        const auto part = [](DWORD half, int high) { return static_cast<unsigned>(high ? HIWORD(half) : LOWORD(half)); };
        std::printf("fixed file version: %u.%u.%u.%u\n", part(fixed->dwFileVersionMS, 1),
                    part(fixed->dwFileVersionMS, 0), part(fixed->dwFileVersionLS, 1), part(fixed->dwFileVersionLS, 0));
        std::printf("fixed product version: %u.%u.%u.%u\n", part(fixed->dwProductVersionMS, 1),
                    part(fixed->dwProductVersionMS, 0), part(fixed->dwProductVersionLS, 1),
                    part(fixed->dwProductVersionLS, 0));
    }
    WORD* translation = nullptr;
    if (!VerQueryValueW(data.data(), L"\\VarFileInfo\\Translation", reinterpret_cast<void**>(&translation),
                        &length) ||
        length < 4) {
        std::printf("translation: none\n");
        return;
    }
    wchar_t block[64];
    wsprintfW(block, L"\\StringFileInfo\\%04x%04x\\", translation[0], translation[1]);
    std::printf("translation: %04x %u\n", translation[0], translation[1]);
    for (const wchar_t* key : {L"ProductName", L"FileDescription", L"FileVersion", L"ProductVersion",
                               L"CompanyName", L"OriginalFilename"}) {
        wchar_t* value = nullptr;
        const std::wstring path = std::wstring(block) + key;
        std::string narrowKey(key, key + lstrlenW(key));
        if (VerQueryValueW(data.data(), path.c_str(), reinterpret_cast<void**>(&value), &length))
            Print(narrowKey.c_str(), std::wstring(value, length > 0 ? length - 1 : 0));
        else
            std::printf("%s: (absent)\n", narrowKey.c_str());
    }
}

void PrintManifestArchitecture(const wchar_t* file)
{
    HMODULE module = LoadLibraryExW(file, nullptr, LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
    HRSRC found = module ? FindResourceW(module, MAKEINTRESOURCEW(1), RT_MANIFEST) : nullptr;
    if (!found) {
        std::printf("manifest: none\n");
        if (module) FreeLibrary(module);
        return;
    }
    const char* text = static_cast<const char*>(LockResource(LoadResource(module, found)));
    const std::string manifest(text, SizeofResource(module, found));
    FreeLibrary(module);
    // The first processorArchitecture is the program's own (assemblyIdentity comes first).
    const std::string key = "processorArchitecture=\"";
    const auto at = manifest.find(key);
    const auto end = at == std::string::npos ? at : manifest.find('"', at + key.size());
    std::printf("manifest architecture: %s\n",
                end == std::string::npos ? "(none)" : manifest.substr(at + key.size(), end - at - key.size()).c_str());
    // The rights it asks for: asInvoker runs it as its user, without a per-user copy of
    // its writes into Program Files.
    const std::string level = "requestedExecutionLevel level=\"";
    const auto levelAt = manifest.find(level);
    const auto levelEnd = levelAt == std::string::npos ? levelAt : manifest.find('"', levelAt + level.size());
    std::printf("manifest execution level: %s\n",
                levelEnd == std::string::npos
                    ? "(none)"
                    : manifest.substr(levelAt + level.size(), levelEnd - levelAt - level.size()).c_str());
}

}  // namespace

int wmain(int argc, wchar_t** argv)
{
    for (int i = 1; i < argc; ++i) {
        Print("file", argv[i]);
        Print("machine", Machine(argv[i]));
        PrintVersion(argv[i]);
        PrintManifestArchitecture(argv[i]);
        std::printf("\n");
    }
    return argc > 1 ? 0 : 2;
}
