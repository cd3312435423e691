#include "standin_support.h"

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <vector>

#include "server/win/ServerConnection.h"

namespace standin_test {

namespace {

std::wstring ExeDirectory()
{
    wchar_t path[MAX_PATH * 2];
    const DWORD n = GetModuleFileNameW(nullptr, path, MAX_PATH * 2);
    std::wstring p(path, n);
    return p.substr(0, p.find_last_of(L"\\/"));
}

// Registration found before the run, put back at its end.
struct PreviousRegistration {
    bool present = false;
    std::wstring server;
    std::wstring home;
};

std::wstring ReadRegString(const std::wstring& key, const wchar_t* name)
{
    wchar_t buffer[MAX_PATH * 2] = L"";
    DWORD size = sizeof buffer;
    if (RegGetValueW(HKEY_LOCAL_MACHINE, key.c_str(), name, RRF_RT_REG_SZ, nullptr, buffer, &size) !=
        ERROR_SUCCESS)
        return std::wstring();
    return buffer;
}

const wchar_t kClassKey[] = L"Software\\Classes\\CLSID\\{4EA2713D-CA07-11D4-BEF5-00002120DB5C}";

class StandinEnvironment : public ::testing::Environment {
public:
    void SetUp() override
    {
        // The server takes ZOLSRV_HOME from its environment first; ours must not reach it.
        SetEnvironmentVariableW(L"ZOLSRV_HOME", nullptr);
        std::wstring local = ReadRegString(std::wstring(kClassKey) + L"\\LocalServer32", nullptr);
        if (!local.empty()) {
            m_previous.present = true;
            if (local.front() == L'"') local = local.substr(1, local.find(L'"', 1) - 1);
            m_previous.server = local;
            m_previous.home = ReadRegString(kClassKey, L"ZolsrvHome");
        }
        fs::create_directories(SuiteHome());
        ASSERT_TRUE(RegisterHome(SuiteHome())) << "zolsrv.exe /RegServer failed";
    }
    void TearDown() override
    {
        WaitForServerExit(SuiteHome());
        if (m_previous.present && !m_previous.server.empty()) {
            std::wstring arguments = L"/RegServer";
            if (!m_previous.home.empty()) arguments += L" /home \"" + m_previous.home + L"\"";
            RunProgram(m_previous.server, arguments, nullptr);
        }
        std::error_code ignored;
        fs::remove_all(SuiteHome(), ignored);
    }

private:
    PreviousRegistration m_previous;
};

}  // namespace

::testing::Environment* NewStandinEnvironment() { return new StandinEnvironment; }

unsigned ScaledMs(unsigned ms)
{
    const char* scale = std::getenv("ZOL_TIME_SCALE");
    const unsigned factor = scale != nullptr ? static_cast<unsigned>(std::strtoul(scale, nullptr, 10)) : 1u;
    return ms * (factor > 0 ? factor : 1u);
}

bool WaitUntil(const std::function<bool()>& condition, int timeoutMs)
{
    const auto deadline = std::chrono::steady_clock::now() +
                          std::chrono::milliseconds(ScaledMs(static_cast<unsigned>(timeoutMs > 0 ? timeoutMs : 0)));
    for (;;) {
        if (condition()) return true;
        if (std::chrono::steady_clock::now() >= deadline) return false;
        Sleep(20);
    }
}

std::wstring BinDir()
{
    wchar_t buffer[MAX_PATH * 2];
    const DWORD n = GetEnvironmentVariableW(L"ZOL_BIN_DIR", buffer, MAX_PATH * 2);
    if (n > 0 && n < MAX_PATH * 2) return buffer;
    return ExeDirectory();
}

std::wstring ServerExe() { return BinDir() + L"\\zolsrv.exe"; }

fs::path SuiteHome()
{
    static const fs::path home = [] {
        wchar_t temp[MAX_PATH + 1];
        GetTempPathW(MAX_PATH + 1, temp);
        return fs::path(temp) / (L"zolsrv-test-" + std::to_wstring(GetCurrentProcessId()));
    }();
    return home;
}

int RunServer(const std::wstring& arguments, std::string* output)
{
    return RunProgram(ServerExe(), arguments, output);
}

int RunProgram(const std::wstring& program, const std::wstring& arguments, std::string* output)
{
    const fs::path log = SuiteHome().parent_path() /
                         (L"zolsrv-run-" + std::to_wstring(GetCurrentProcessId()) + L".txt");
    SECURITY_ATTRIBUTES sa{sizeof sa, nullptr, TRUE};
    HANDLE file = CreateFileW(log.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, &sa,
                              CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    STARTUPINFOW si{};
    si.cb = sizeof si;
    si.dwFlags = STARTF_USESTDHANDLES;
    si.hStdInput = nullptr;
    si.hStdOutput = file;
    si.hStdError = file;
    std::wstring command = L"\"" + program + L"\" " + arguments;
    std::vector<wchar_t> line(command.begin(), command.end());
    line.push_back(L'\0');
    PROCESS_INFORMATION pi{};
    const BOOL started = CreateProcessW(nullptr, line.data(), nullptr, nullptr, TRUE, 0, nullptr,
                                        nullptr, &si, &pi);
    CloseHandle(file);
    if (!started) return -1;
    DWORD code = static_cast<DWORD>(-1);
    if (WaitForSingleObject(pi.hProcess, ScaledMs(30000)) == WAIT_OBJECT_0) GetExitCodeProcess(pi.hProcess, &code);
    CloseHandle(pi.hProcess);
    CloseHandle(pi.hThread);
    if (output) *output = ReadText(log);
    std::error_code ignored;
    fs::remove(log, ignored);
    return static_cast<int>(code);
}

bool RegisterHome(const fs::path& home)
{
    std::string output;
    const int code = RunServer(L"/RegServer /home \"" + home.wstring() + L"\"", &output);
    if (code != 0) ADD_FAILURE() << "zolsrv /RegServer: exit " << code << ": " << output;
    return code == 0;
}

std::string ReadText(const fs::path& path)
{
    // Shared for deletion too: the server replaces its files by renaming a new one over
    // them, and a test reading one meanwhile must not make that write fail.
    HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                              nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return std::string();
    std::string text;
    char buffer[65536];
    DWORD got = 0;
    while (ReadFile(file, buffer, sizeof buffer, &got, nullptr) && got > 0) text.append(buffer, got);
    CloseHandle(file);
    return text;
}

void WriteText(const fs::path& path, const std::string& content)
{
    std::ofstream(path, std::ios::binary | std::ios::trunc) << content;
}

bool ReadStatus(const fs::path& home, ServerStatus* status)
{
    std::istringstream in(ReadText(home / "status.txt"));
    std::string key;
    bool any = false;
    while (in >> key) {
        if (key == "pid") in >> status->pid;
        else if (key == "objects") in >> status->objects;
        else if (key == "state") in >> status->state;
        any = true;
    }
    return any;
}

bool WaitForServerExit(const fs::path& home, DWORD timeoutMs)
{
    ServerStatus status;
    if (!ReadStatus(home, &status) || status.pid == 0) return true;
    HANDLE process = OpenProcess(SYNCHRONIZE, FALSE, status.pid);
    if (!process) return true;
    const DWORD wait = WaitForSingleObject(process, ScaledMs(timeoutMs));
    CloseHandle(process);
    return wait == WAIT_OBJECT_0;
}

HRESULT Connect(IAddTags** addTags)
{
    const ConnectResult result = ConnectAddTags(false, addTags);
    return result.hr;
}

void StandinTest::SetUp()
{
    ASSERT_TRUE(WaitForServerExit(Home())) << "a server of an earlier test is still running";
    std::error_code ignored;
    for (const auto& entry : fs::directory_iterator(Home(), ignored))
        fs::remove_all(entry.path(), ignored);
}

void StandinTest::TearDown() { ReleaseAll(); }

ServerStatus StandinTest::Status() const
{
    ServerStatus status;
    ReadStatus(Home(), &status);
    return status;
}

IAddTags* StandinTest::ConnectOrFail()
{
    IAddTags* addTags = nullptr;
    const HRESULT hr = Connect(&addTags);
    EXPECT_EQ(hr, S_OK) << "connecting";
    if (!addTags) return nullptr;
    for (auto& slot : m_held) {
        if (!slot) {
            slot = addTags;
            return addTags;
        }
    }
    ADD_FAILURE() << "too many connections held";
    return addTags;
}

void StandinTest::ReleaseAll()
{
    for (auto& slot : m_held) {
        if (slot) slot->Release();
        slot = nullptr;
    }
    EXPECT_TRUE(WaitForServerExit(Home())) << "the server did not end after its last client left";
}

}  // namespace standin_test
