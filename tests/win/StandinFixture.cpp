#include "StandinFixture.h"

#include "standin_support.h"

namespace standin {

using standin_test::SuiteHome;

void WriteStateFile(const std::string& name, const std::string& text)
{
    standin_test::WriteText(SuiteHome() / name, text);
}

std::string ReadStateFile(const std::string& name) { return standin_test::ReadText(SuiteHome() / name); }

void SetFaults(const std::string& text) { WriteStateFile("faults.txt", text); }
void ClearFaults() { WriteStateFile("faults.txt", ""); }

long LiveObjects()
{
    standin_test::ServerStatus status;
    return standin_test::ReadStatus(SuiteHome(), &status) ? status.objects : -1;
}

unsigned long ServerPid()
{
    standin_test::ServerStatus status;
    return standin_test::ReadStatus(SuiteHome(), &status) ? status.pid : 0;
}

bool WaitUntilServerGone(int timeoutMs)
{
    return standin_test::WaitForServerExit(SuiteHome(), static_cast<DWORD>(timeoutMs));
}

int Unregister() { return standin_test::RunServer(L"/UnregServer"); }

int Register() { return standin_test::RegisterHome(SuiteHome()) ? 0 : 1; }

void Reset(const std::string& tags)
{
    WaitUntilServerGone();
    ClearFaults();
    WriteStateFile("tags.txt", tags);
}

}  // namespace standin
