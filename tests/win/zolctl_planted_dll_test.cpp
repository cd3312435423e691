// A DLL planted beside the program under the name of a system DLL that the program loads at
// run time (a zip unpacked into Downloads beside one from elsewhere) is never loaded: the
// Restart Manager, which names the holder of a held file, comes from the system folder.
#include <windows.h>

#include <string>

#include "HoldFileRun.h"
#include "StandinFixture.h"
#include "standin_support.h"
#include "zolctl_support.h"

namespace fs = std::filesystem;

namespace {

class ZolctlPlantedDll : public ZolctlTest {
protected:
    void SetUp() override
    {
        ZolctlTest::SetUp();
        m_folder = Scratch("planted");
        fs::create_directories(m_folder);
        m_marker = Scratch("planted-dll-loaded");
        std::error_code ignored;
        fs::remove(m_marker, ignored);
        SetEnvironmentVariableW(L"ZOL_PLANTED_MARKER", m_marker.c_str());
    }
    void TearDown() override
    {
        SetEnvironmentVariableW(L"ZOL_PLANTED_MARKER", nullptr);
        ZolctlTest::TearDown();
    }
    // The marker DLL beside a copy of zolctl.exe, under the given name.
    void Plant(const std::wstring& name)
    {
        const fs::path bin = standin_test::BinDir();
        fs::copy_file(bin / "zolctl.exe", m_folder / "zolctl.exe", fs::copy_options::overwrite_existing);
        fs::copy_file(bin / "zolplanted.dll", m_folder / name, fs::copy_options::overwrite_existing);
    }

    fs::path m_folder;
    fs::path m_marker;
};

TEST_F(ZolctlPlantedDll, TheMarkerDllMarksItsLoading)
{
    // Without this the test below could pass with a marker that never works.
    Plant(L"rstrtmgr.dll");
    const HMODULE module = LoadLibraryW((m_folder / "rstrtmgr.dll").c_str());
    ASSERT_NE(module, nullptr) << GetLastError();
    FreeLibrary(module);
    EXPECT_TRUE(fs::exists(m_marker));
}

TEST_F(ZolctlPlantedDll, ARestartManagerBesideTheProgramIsNotLoaded)
{
    Plant(L"rstrtmgr.dll");
    standin::Reset("1 5 14 20000000\n");
    const fs::path file = Scratch("held.csv");
    standin_test::WriteText(file, "old\r\n");
    CtlRun r;
    {
        // Held past zolctl's five seconds of waiting: it then asks the Restart Manager who
        // holds the file.
        CHoldFileRun holder(file, 15000);
        ASSERT_TRUE(holder.Held());
        r = RunCtlAt((m_folder / "zolctl.exe").wstring(), {L"export", file.wstring(), L"--dsc", Dsc()});
    }
    EXPECT_EQ(r.code, 1) << r.err;
    EXPECT_NE(r.err.find("held.csv is open in another program"), std::string::npos) << r.err;
    EXPECT_FALSE(fs::exists(m_marker)) << "zolctl loaded the rstrtmgr.dll beside it";
}

}  // namespace
