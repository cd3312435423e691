// zolsrv.exe /RegServer and /UnregServer against the prefix's real registry: another
// program's registration of the class is never replaced without /force and never removed.
#include <string>

#include "standin_support.h"

using namespace standin_test;

namespace {

const wchar_t kClassKey[] = L"Software\\Classes\\CLSID\\{4EA2713D-CA07-11D4-BEF5-00002120DB5C}";
const wchar_t kInterfaceKey[] = L"Software\\Classes\\Interface\\{AA4051F2-2B17-4929-9215-7C3A179BBD56}";
const wchar_t kForeignServer[] = L"C:\\Program Files\\Vendor\\RealOpcServer.exe";

bool KeyExists(const wchar_t* path)
{
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, path, 0, KEY_READ, &key) != ERROR_SUCCESS) return false;
    RegCloseKey(key);
    return true;
}

std::wstring LocalServer()
{
    wchar_t buffer[MAX_PATH * 2] = L"";
    DWORD size = sizeof buffer;
    const std::wstring key = std::wstring(kClassKey) + L"\\LocalServer32";
    if (RegGetValueW(HKEY_LOCAL_MACHINE, key.c_str(), nullptr, RRF_RT_REG_SZ, nullptr, buffer,
                     &size) != ERROR_SUCCESS)
        return std::wstring();
    return buffer;
}

// Puts a registration in place as another vendor's installer would write it.
void RegisterForeignServer()
{
    RegDeleteTreeW(HKEY_LOCAL_MACHINE, kClassKey);
    HKEY key = nullptr;
    const std::wstring path = std::wstring(kClassKey) + L"\\LocalServer32";
    ASSERT_EQ(RegCreateKeyExW(HKEY_LOCAL_MACHINE, path.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr,
                              &key, nullptr),
              ERROR_SUCCESS);
    const std::wstring value = std::wstring(L"\"") + kForeignServer + L"\" -service";
    RegSetValueExW(key, nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                   static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t)));
    RegCloseKey(key);
}

class StandinRegistration : public StandinTest {
protected:
    void TearDown() override
    {
        StandinTest::TearDown();
        // Whatever a test did, the run goes on with zolsrv registered for its directory.
        RunServer(L"/RegServer /force /home \"" + Home().wstring() + L"\"");
    }
};

TEST_F(StandinRegistration, AnotherProgramsRegistrationIsLeftAloneWithoutForce)
{
    RegisterForeignServer();
    std::string output;
    EXPECT_EQ(RunServer(L"/RegServer /home \"" + Home().wstring() + L"\"", &output), 2);
    EXPECT_NE(output.find("already registered to another program"), std::string::npos) << output;
    EXPECT_NE(output.find("/force"), std::string::npos) << output;
    EXPECT_EQ(LocalServer(), std::wstring(L"\"") + kForeignServer + L"\" -service");

    EXPECT_EQ(RunServer(L"/UnregServer", &output), 2);
    EXPECT_NE(output.find("not to this program"), std::string::npos) << output;
    EXPECT_EQ(LocalServer(), std::wstring(L"\"") + kForeignServer + L"\" -service");
    EXPECT_TRUE(KeyExists(kInterfaceKey)) << "the interface stays for the program that holds the class";

    EXPECT_EQ(RunServer(L"/RegServer /force /home \"" + Home().wstring() + L"\"", &output), 0)
        << output;
    EXPECT_EQ(LocalServer(), L"\"" + ServerExe() + L"\"");
    IAddTags* tags = ConnectOrFail();
    EXPECT_NE(tags, nullptr);
}

TEST_F(StandinRegistration, UnregisterRemovesOwnClassAndProxy)
{
    std::string output;
    ASSERT_EQ(RunServer(L"/UnregServer", &output), 0) << output;
    EXPECT_FALSE(KeyExists(kClassKey));
    EXPECT_FALSE(KeyExists(kInterfaceKey));
    IAddTags* tags = nullptr;
    const ULONGLONG start = GetTickCount64();
    EXPECT_EQ(Connect(&tags), REGDB_E_CLASSNOTREG);
    EXPECT_LT(GetTickCount64() - start, 2000u);
    EXPECT_EQ(RunServer(L"/UnregServer", &output), 0) << "nothing registered is not an error";

    ASSERT_TRUE(RegisterHome(Home()));
    EXPECT_TRUE(KeyExists(kInterfaceKey));
    EXPECT_NE(ConnectOrFail(), nullptr);
}

TEST_F(StandinRegistration, ReRegisteringItselfNeedsNoForce)
{
    std::string output;
    EXPECT_EQ(RunServer(L"/RegServer /home \"" + Home().wstring() + L"\"", &output), 0) << output;
    EXPECT_EQ(RunServer(L"/RegServer /home \"" + Home().wstring() + L"\"", &output), 0) << output;
}

TEST_F(StandinRegistration, BadCommandLines)
{
    std::string output;
    EXPECT_EQ(RunServer(L"", &output), 1);
    EXPECT_NE(output.find("usage"), std::string::npos) << output;
    EXPECT_EQ(RunServer(L"/RegServer /bogus", &output), 1);
    EXPECT_EQ(RunServer(L"/RegServer /UnregServer", &output), 1);
    EXPECT_EQ(RunServer(L"/RegServer /home", &output), 1) << "/home needs a directory";
    EXPECT_EQ(LocalServer(), L"\"" + ServerExe() + L"\"") << "a refused command changes nothing";
}

}  // namespace
