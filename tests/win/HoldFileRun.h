// Runs zolholdfile.exe (beside the test program) to hold a file as a spreadsheet does, and
// waits until the hold is in place (the holder's mark appears).
#pragma once

#include <windows.h>

#include <filesystem>

class CHoldFileRun {
public:
    // Holds path for ms milliseconds from now; Held() tells whether the hold took.
    CHoldFileRun(const std::filesystem::path& path, DWORD ms);
    ~CHoldFileRun();  // waits for the holder's end
    CHoldFileRun(const CHoldFileRun&) = delete;
    CHoldFileRun& operator=(const CHoldFileRun&) = delete;

    bool Held() const { return m_bHeld; }
    // Waits for the holder to let go; true when it did within timeoutMs.
    bool WaitReleased(DWORD timeoutMs);

private:
    HANDLE m_hProcess = nullptr;
    bool m_bHeld = false;
};
