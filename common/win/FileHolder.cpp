#include "common/FileHolder.h"

#include "common/win/Owners.h"
#include "common/SystemLibrary.h"
#include "common/Utf8Text.h"

#include <windows.h>
#include <restartmanager.h>

#include <vector>

namespace {

using RmStartSessionFn = DWORD(WINAPI*)(DWORD*, DWORD, WCHAR*);
using RmRegisterResourcesFn = DWORD(WINAPI*)(DWORD, UINT, LPCWSTR*, UINT, RM_UNIQUE_PROCESS*, UINT, LPCWSTR*);
using RmGetListFn = DWORD(WINAPI*)(DWORD, UINT*, UINT*, RM_PROCESS_INFO*, DWORD*);
using RmEndSessionFn = DWORD(WINAPI*)(DWORD);

template <typename T>
T Lookup(HMODULE module, const char* name)
{
    return reinterpret_cast<T>(reinterpret_cast<void*>(GetProcAddress(module, name)));
}

}  // namespace

std::string ProgramsHoldingFile(const std::filesystem::path& path)
{
    // Loaded only when a file is held, so the programs' start pays nothing for it; from the
    // system folder, never from beside the program.
    static const HMODULE module = static_cast<HMODULE>(LoadSystemLibrary(L"rstrtmgr.dll"));
    if (module == nullptr) return std::string();
    const auto start = Lookup<RmStartSessionFn>(module, "RmStartSession");
    const auto registerResources = Lookup<RmRegisterResourcesFn>(module, "RmRegisterResources");
    const auto getList = Lookup<RmGetListFn>(module, "RmGetList");
    const auto end = Lookup<RmEndSessionFn>(module, "RmEndSession");
    if (!start || !registerResources || !getList || !end) return std::string();

    DWORD session = 0;
    WCHAR key[CCH_RM_SESSION_KEY + 1] = {};
    if (start(&session, 0, key) != ERROR_SUCCESS) return std::string();
    std::string names;
    const std::wstring full = std::filesystem::absolute(path).wstring();
    LPCWSTR files[] = {full.c_str()};
    if (registerResources(session, 1, files, 0, nullptr, 0, nullptr) == ERROR_SUCCESS) {
        std::vector<RM_PROCESS_INFO> info(8);
        UINT needed = 0, count = static_cast<UINT>(info.size());
        DWORD reasons = 0;
        DWORD result = getList(session, &needed, &count, info.data(), &reasons);
        if (result == ERROR_MORE_DATA) {
            info.resize(needed);
            count = needed;
            result = getList(session, &needed, &count, info.data(), &reasons);
        }
        if (result == ERROR_SUCCESS) {
            const DWORD self = GetCurrentProcessId();
            for (UINT i = 0; i < count && i < info.size(); ++i) {
                if (info[i].Process.dwProcessId == self) continue;
                std::wstring name = info[i].strAppName;
                if (name.empty()) {
                    // The program's file name when it gives no name of its own.
                    const CScopedHandle process(
                        OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, info[i].Process.dwProcessId));
                    if (process) {
                        wchar_t image[MAX_PATH * 2];
                        DWORD size = MAX_PATH * 2;
                        if (QueryFullProcessImageNameW(process.Get(), 0, image, &size))
                            name = std::filesystem::path(std::wstring(image, size)).filename().wstring();
                    }
                }
                if (name.empty()) continue;
                if (!names.empty()) names += ", ";
                names += NarrowUtf8(name);
            }
        }
    }
    end(session);
    return names;
}

bool HeldAgainstWriters(const std::filesystem::path& path)
{
    const CScopedHandle file(CreateFileW(path.c_str(), FILE_APPEND_DATA,
                                         FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                                         FILE_ATTRIBUTE_NORMAL, nullptr));
    if (file) return false;
    const DWORD code = GetLastError();
    return code == ERROR_SHARING_VIOLATION || code == ERROR_LOCK_VIOLATION;
}

bool RenameReplacing(const std::filesystem::path& from, const std::filesystem::path& to, std::error_code* ec)
{
    if (MoveFileExW(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        ec->clear();
        return true;
    }
    DWORD code = GetLastError();
    // Replacing a file that another program has open without delete sharing is refused as
    // access denied; a plain, writable file in that place means just that.
    if (code == ERROR_ACCESS_DENIED) {
        const DWORD attributes = GetFileAttributesW(to.c_str());
        if (attributes != INVALID_FILE_ATTRIBUTES &&
            (attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_READONLY)) == 0 && HeldAgainstWriters(to))
            code = ERROR_SHARING_VIOLATION;
    }
    *ec = std::error_code(static_cast<int>(code), std::system_category());
    return false;
}

std::string DescribeHeldFile(const std::filesystem::path& path)
{
    const std::string holders = ProgramsHoldingFile(path);
    return path.filename().u8string() + " is open in another program" + (holders.empty() ? "" : " (" + holders + ")");
}
