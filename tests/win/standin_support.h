// Shared by the stand-in server's Windows tests: the server is zolsrv.exe beside the test
// executable (or in %ZOL_BIN_DIR%), registered for the run with a state directory of the
// run's own; every test starts from empty state files and ends with the server gone.
#pragma once

#include <windows.h>
#include <objbase.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <string>

#include "AddTags.h"

namespace standin_test {

namespace fs = std::filesystem;

// A time limit of a test (ms on this machine) times ZOL_TIME_SCALE from the environment
// (default 1): emulated runs are that many times slower. Every wait of the Windows tests
// takes its limit through here.
unsigned ScaledMs(unsigned ms);
// Waits until the condition holds, polling every 20 ms, for at most ScaledMs(timeoutMs).
bool WaitUntil(const std::function<bool()>& condition, int timeoutMs);

std::wstring BinDir();
std::wstring ServerExe();
// Registers zolsrv.exe with this run's state directory for the whole test program and
// restores the registration found before it at the end (for AddGlobalTestEnvironment).
::testing::Environment* NewStandinEnvironment();

// The state directory this run registered (under %TEMP%).
fs::path SuiteHome();

// Runs zolsrv.exe with the arguments; returns its exit code (-1 if it did not start or
// did not end within 30 s, scaled) and what it printed.
int RunServer(const std::wstring& arguments, std::string* output = nullptr);
int RunProgram(const std::wstring& program, const std::wstring& arguments, std::string* output);
// Registers zolsrv.exe with `home` as its state directory; true on success.
bool RegisterHome(const fs::path& home);

struct ServerStatus {
    unsigned long pid = 0;
    long objects = -1;
    std::string state;
};
bool ReadStatus(const fs::path& home, ServerStatus* status);

// Waits (for at most ScaledMs(timeoutMs)) until the server process named in home's
// status.txt has ended. True when it has
// (or no server ever ran there).
bool WaitForServerExit(const fs::path& home, DWORD timeoutMs = 5000);

std::string ReadText(const fs::path& path);
void WriteText(const fs::path& path, const std::string& content);

// The connection sequence of the configurator (CoGetClassObject local server,
// CreateInstance for IAddTags); the HRESULT of the failing step.
HRESULT Connect(IAddTags** addTags);

class StandinTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    fs::path Home() const { return SuiteHome(); }
    void Write(const char* name, const std::string& content) { WriteText(Home() / name, content); }
    std::string Read(const char* name) const { return ReadText(Home() / name); }
    ServerStatus Status() const;
    // Connects and keeps the pointer for TearDown to release.
    IAddTags* ConnectOrFail();
    // Releases the pointers of ConnectOrFail and waits for the server to end.
    void ReleaseAll();

private:
    IAddTags* m_held[8] = {};
};

}  // namespace standin_test
