#include "zolctl_support.h"

#include <cstdio>

#include <windows.h>

#include <fstream>
#include <sstream>

#include "StandinFixture.h"
#include "standin_support.h"

namespace fs = std::filesystem;

namespace {

std::wstring Quote(const std::wstring& arg)
{
    if (!arg.empty() && arg.find_first_of(L" \t\"") == std::wstring::npos) return arg;
    std::wstring quoted = L"\"";
    for (wchar_t c : arg) {
        if (c == L'"') quoted += L'\\';
        quoted += c;
    }
    return quoted + L"\"";
}

HANDLE CreateCapture(const fs::path& path)
{
    SECURITY_ATTRIBUTES sa{sizeof sa, nullptr, TRUE};
    return CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, &sa, CREATE_ALWAYS,
                       FILE_ATTRIBUTE_NORMAL, nullptr);
}

}  // namespace

CtlRun RunCtl(const std::vector<std::wstring>& arguments) { return RunCtlInto(arguments, nullptr, nullptr); }

CtlRun RunCtlInto(const std::vector<std::wstring>& arguments, void* givenOut, void* givenErr)
{
    return RunCtlAt(standin_test::BinDir() + L"\\zolctl.exe", arguments, givenOut, givenErr);
}

CtlRun RunCtlAt(const std::wstring& program, const std::vector<std::wstring>& arguments, void* givenOut,
                void* givenErr)
{
    const fs::path base = standin_test::SuiteHome().parent_path() / (L"zolctl-" + std::to_wstring(GetCurrentProcessId()));
    const fs::path outPath = base.wstring() + L".out", errPath = base.wstring() + L".err";
    HANDLE out = givenOut ? nullptr : CreateCapture(outPath), err = givenErr ? nullptr : CreateCapture(errPath);
    STARTUPINFOW si{};
    si.cb = sizeof si;
    si.dwFlags = STARTF_USESTDHANDLES;
    si.hStdOutput = givenOut ? static_cast<HANDLE>(givenOut) : out;
    si.hStdError = givenErr ? static_cast<HANDLE>(givenErr) : err;
    std::wstring command = Quote(program);
    for (const std::wstring& a : arguments) command += L" " + Quote(a);
    std::vector<wchar_t> line(command.begin(), command.end());
    line.push_back(L'\0');
    PROCESS_INFORMATION pi{};
    // Started outside the test's folders, so that none of them is held as its current one.
    const fs::path where = standin_test::SuiteHome().parent_path();
    BOOL started = CreateProcessW(nullptr, line.data(), nullptr, nullptr, TRUE, 0, nullptr, where.c_str(), &si, &pi);
    if (!started) {
        // Under Wine the first start of a program now and then fails at once; what is tested
        // is zolctl, so it is started once more before the run counts as failed.
        std::fprintf(stderr, "zolctl did not start (error %lu): trying once more\n", GetLastError());
        Sleep(500);
        started = CreateProcessW(nullptr, line.data(), nullptr, nullptr, TRUE, 0, nullptr, where.c_str(), &si, &pi);
    }
    if (out) CloseHandle(out);
    if (err) CloseHandle(err);
    CtlRun run;
    if (started) {
        DWORD code = static_cast<DWORD>(-1);
        if (WaitForSingleObject(pi.hProcess, standin_test::ScaledMs(120000)) == WAIT_OBJECT_0)
            GetExitCodeProcess(pi.hProcess, &code);
        else
            TerminateProcess(pi.hProcess, 99);
        CloseHandle(pi.hProcess);
        CloseHandle(pi.hThread);
        run.code = static_cast<int>(code);
    }
    if (!givenOut) run.out = standin_test::ReadText(outPath);
    if (!givenErr) run.err = standin_test::ReadText(errPath);
    std::error_code ignored;
    fs::remove(outPath, ignored);
    fs::remove(errPath, ignored);
    return run;
}

void ZolctlTest::SetUp()
{
    standin::Reset();
    m_descriptions = std::make_unique<CDescriptionDir>();
    m_descriptions->Write("pm3f.dsc",
                          "DEVICE_DESCRIPTION\nPM3F 1\nFrequency 14 REAL R INPT_REG 70\n"
                          "Voltage.A 2 REAL R INPT_REG 0\n");
    m_descriptions->Write("meter.dsc", "DEVICE_DESCRIPTION\nСчётчик 7\nЭнергия.Сумма 3 INT R INPT_REG 72\n");
    m_dscDir = fs::current_path();
    m_scratch = m_dscDir / "scratch";
    fs::create_directories(m_scratch);
    // The journal and snapshots of each test in a folder of its own (zolctl inherits it).
    m_history = m_dscDir / "history";
    SetEnvironmentVariableW(L"ZOLCFG_HISTORY", m_history.c_str());
}

void ZolctlTest::TearDown()
{
    SetEnvironmentVariableW(L"ZOLCFG_HISTORY", nullptr);
    m_descriptions.reset();
    standin::Reset();
}

CtlRun ZolctlTest::Ctl(std::vector<std::wstring> arguments)
{
    arguments.push_back(L"--dsc");
    arguments.push_back(Dsc());
    return RunCtl(arguments);
}

std::string ZolctlTest::ReadFile(const fs::path& path) { return standin_test::ReadText(path); }

void ZolctlTest::WriteFile(const fs::path& path, const std::string& bytes) { standin_test::WriteText(path, bytes); }
