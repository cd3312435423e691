// "Отчёт о конфигурации..." in the main window against the stand-in server: the page is the
// one zolctl report writes from the same core (only the program's name and the minute may
// differ), saved where the user says and opened; names from the descriptions that would
// open markup are escaped; a list the server broke off is reported as such, and a page
// that cannot be opened is said so.
#include <windows.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <regex>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "FileDialogDriver.h"
#include "MainWindowRun.h"
#include "MenuDriver.h"
#include "StandinFixture.h"
#include "UiDriver.h"
#include "WindowTest.h"
#include "zolctl_support.h"
#include "ui/Help.h"

namespace {

// A device whose names come straight from a hostile description file.
const char kHostileDescription[] =
    "DEVICE_DESCRIPTION\r\n"
    "<b>Pump&amp;\"1' 3\r\n"
    "</td><script>alert(1)</script> 1 REAL R INPT_REG 0\r\n";

const char kTags[] = "7 5 1 20000000\n7 5 2 30000000\n3 9 1 10000000\n";

std::string ReadFile(const std::filesystem::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

// The page with the two things that differ between two runs of the two programs: the
// program's name and version, and the minute it was made.
std::string WithoutRunFacts(std::string page)
{
    page = std::regex_replace(page, std::regex("zol(cfg|ctl) [0-9][0-9.]*"), "PROGRAM");
    return std::regex_replace(page, std::regex("[0-9]{4}-[0-9]{2}-[0-9]{2} [0-9]{2}:[0-9]{2}"), "MINUTE");
}

class ReportTest : public CWindowTest {
protected:
    void SetUp() override { SetEnvironmentVariableW(L"ZOLCFG_SNAPSHOTS", L"0"); }
    std::filesystem::path File(const std::string& name) const { return m_descriptions.Path() / name; }
};

// The opener the window calls, noted instead of starting a browser.
class COpens {
public:
    explicit COpens(bool succeed)
    {
        m_previous = SetDocumentOpener([this, succeed](HWND, const std::wstring& file, const std::string& anchor) {
            files.push_back(file);
            anchors.push_back(anchor);
            return succeed;
        });
    }
    ~COpens() { SetDocumentOpener(m_previous); }
    std::vector<std::wstring> files;
    std::vector<std::string> anchors;

private:
    DocumentOpener m_previous;
};

}  // namespace

TEST_F(ReportTest, ThePageIsZolctlsSavedWhereTheUserSaysAndOpened)
{
    Prepare(kTags);
    m_descriptions.Write("pump.dsc", kHostileDescription);
    standin::WriteStateFile("port.txt", "3 19200 8 2 0\n");
    const std::wstring dsc = m_descriptions.Path().wstring();
    // A change in the journal, for the page's last section.
    ASSERT_EQ(RunCtl({L"period", L"7", L"5", L"2", L"4000", L"--dsc", dsc}).code, 0);
    const std::filesystem::path page = File("plant.html");
    std::string offered;
    COpens opens(true);
    const MainRun run = RunMain([&](HWND window, CTarnelDlg&) {
        if (!ChooseFromMenu(window, EmptyTreeScreenPoint(Tree(window)), "Отчёт о конфигурации...")) return;
        offered = file_dialog::Choose("Отчёт о конфигурации", page);
        ui_driver::WaitFor([&] { return std::filesystem::exists(page); }, 15000);
        ui_driver::WaitUntilBack(window);
        ui_driver::PressButton(window, IDCANCEL);
    });
    EXPECT_TRUE(run.boxes.empty()) << run.boxes.front();
    const std::string fromWindow = ReadFile(page);
    // Kept beside the screenshots, to be looked at as a browser prints it.
    if (const char* shots = std::getenv("ZOL_SCREENSHOT_DIR"); shots != nullptr && *shots != '\0') {
        std::error_code ignored;
        std::filesystem::copy_file(page, std::filesystem::u8path(shots) / "config-report.html",
                                   std::filesystem::copy_options::overwrite_existing, ignored);
    }
    EXPECT_EQ(offered.rfind("zolcfg-report-", 0), 0u) << offered;
    EXPECT_EQ(offered.size(), std::string("zolcfg-report-20261210.html").size()) << offered;
    ASSERT_EQ(opens.files.size(), 1u);
    EXPECT_EQ(std::filesystem::path(opens.files[0]), page);
    EXPECT_EQ(opens.anchors[0], "");

    const CtlRun ctl = RunCtl({L"report", L"-o", File("ctl.html").wstring(), L"--dsc", dsc});
    EXPECT_EQ(ctl.code, 0) << ctl.err;
    EXPECT_EQ(WithoutRunFacts(fromWindow), WithoutRunFacts(ReadFile(File("ctl.html"))));
    EXPECT_NE(fromWindow.find("zolcfg "), std::string::npos);
    // What the page holds: the port in words, both devices, the journal's change.
    EXPECT_NE(fromWindow.find("COM3"), std::string::npos);
    EXPECT_NE(fromWindow.find("19200"), std::string::npos);
    EXPECT_NE(fromWindow.find("Meter(005)"), std::string::npos);
    EXPECT_NE(fromWindow.find("4000"), std::string::npos);
    // The hostile names arrive as text, never as markup.
    EXPECT_EQ(fromWindow.find("<script"), std::string::npos);
    EXPECT_EQ(fromWindow.find("<b>"), std::string::npos);
    EXPECT_NE(fromWindow.find("&lt;b&gt;Pump&amp;amp;&quot;1&#39;"), std::string::npos);
    EXPECT_NE(fromWindow.find("&lt;/td&gt;&lt;script&gt;alert(1)&lt;/script&gt;"), std::string::npos);
}

TEST_F(ReportTest, ABrokenListIsReportedAsSuchAndAPageThatCannotBeOpenedIsSaidSo)
{
    Prepare(kTags);
    // Every walk of the list breaks off after its first tag (the window's fill says so too).
    standin::SetFaults("fail EnumTags 0x80004005 after 1\n");
    const std::filesystem::path page = File("part.html");
    COpens opens(false);
    const MainRun run = RunMain([&](HWND window, CTarnelDlg&) {
        if (!ChooseFromMenu(window, EmptyTreeScreenPoint(Tree(window)), "Отчёт о конфигурации...")) return;
        file_dialog::Choose("Отчёт о конфигурации", page);
        ui_driver::WaitFor([&] { return std::filesystem::exists(page); }, 15000);
        ui_driver::WaitUntilBack(window);  // the box answered
        ui_driver::PressButton(window, IDCANCEL);
    });
    const std::string written = ReadFile(page);
    EXPECT_FALSE(written.empty());
    ASSERT_FALSE(run.boxes.empty());
    const std::string& told = run.boxes.back();
    EXPECT_EQ(told.rfind("В отчёте только прочитанные теги: список тегов сервера оборвался на ошибке", 0), 0u) << told;
    EXPECT_NE(told.find("Отчёт записан в файл part.html, но открыть его не удалось."), std::string::npos) << told;
    // The page says it on its first lines, and holds the one tag read.
    EXPECT_NE(written.find(u8"Список сервера прочитан не целиком: список тегов сервера оборвался на ошибке"),
              std::string::npos);
    EXPECT_NE(written.find(u8"приборов: 1"), std::string::npos);
    EXPECT_NE(written.find(u8"тегов: 1"), std::string::npos);
    EXPECT_EQ(opens.files.size(), 1u);
}
