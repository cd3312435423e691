#include "FileHolder.h"

#include <string>

#include "standin_support.h"

namespace {

// True when a writer that shares everything is refused: somebody holds the file.
bool RefusesWriters(const std::filesystem::path& path)
{
    const HANDLE file = CreateFileW(path.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                    nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file != INVALID_HANDLE_VALUE) {
        CloseHandle(file);
        return false;
    }
    return GetLastError() == ERROR_SHARING_VIOLATION;
}

}  // namespace

CFileHolder::CFileHolder(const std::filesystem::path& path, DWORD ms)
{
    std::wstring command = L"\"" + standin_test::BinDir() + L"\\zolholdfile.exe\" \"" + path.wstring() + L"\" " +
                           std::to_wstring(ms);
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    if (!CreateProcessW(nullptr, &command[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process))
        return;
    CloseHandle(process.hThread);
    m_hProcess = process.hProcess;
    for (int i = 0; i < 500 && !m_bHeld; ++i) {
        m_bHeld = RefusesWriters(path);
        if (!m_bHeld && WaitForSingleObject(m_hProcess, 10) == WAIT_OBJECT_0) break;
    }
}

CFileHolder::~CFileHolder()
{
    if (m_hProcess == nullptr) return;
    WaitReleased(60000);
    CloseHandle(m_hProcess);
}

bool CFileHolder::WaitReleased(DWORD timeoutMs)
{
    return m_hProcess == nullptr || WaitForSingleObject(m_hProcess, timeoutMs) == WAIT_OBJECT_0;
}
