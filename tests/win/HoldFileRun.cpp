#include "HoldFileRun.h"

#include <string>

#include "standin_support.h"

CHoldFileRun::CHoldFileRun(const std::filesystem::path& path, DWORD ms)
{
    std::wstring command = L"\"" + standin_test::BinDir() + L"\\zolholdfile.exe\" \"" + path.wstring() + L"\" " +
                           std::to_wstring(standin_test::ScaledMs(ms));
    std::filesystem::path marker = path;
    marker += ".holding";
    // Under Wine a program's start now and then fails at once, or the program ends before it
    // ran: what is tested is the writer, so the holder is started once more before the hold
    // counts as failed.
    for (int attempt = 0; attempt < 2 && !m_bHeld; ++attempt) {
        if (m_hProcess != nullptr) {
            CloseHandle(m_hProcess);
            m_hProcess = nullptr;
            Sleep(200);
        }
        STARTUPINFOW startup{};
        startup.cb = sizeof startup;
        PROCESS_INFORMATION process{};
        if (!CreateProcessW(nullptr, &command[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process)) {
            Sleep(500);
            continue;
        }
        CloseHandle(process.hThread);
        m_hProcess = process.hProcess;
        // The holder's mark that it holds the file: a busy machine may start it late.
        standin_test::WaitUntil(
            [&] {
                std::error_code ec;
                if (std::filesystem::exists(marker, ec)) {
                    m_bHeld = true;
                    std::filesystem::remove(marker, ec);
                    return true;
                }
                return WaitForSingleObject(m_hProcess, 0) == WAIT_OBJECT_0;  // ended without holding it
            },
            30000);
    }
}

CHoldFileRun::~CHoldFileRun()
{
    if (m_hProcess == nullptr) return;
    WaitReleased(60000);
    CloseHandle(m_hProcess);
}

bool CHoldFileRun::WaitReleased(DWORD timeoutMs)
{
    return m_hProcess == nullptr || WaitForSingleObject(m_hProcess, standin_test::ScaledMs(timeoutMs)) == WAIT_OBJECT_0;
}
