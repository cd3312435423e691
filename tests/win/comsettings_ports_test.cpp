// The COM-port settings dialog with the machine's own ports (under Wine, Wine's COM
// devices): which ones there are is not known here, only that the dialog offers exactly
// those that CEnumerateSerial finds. And the conversion of device descriptions from the
// system's code page.
#include <windows.h>
#include <objbase.h>

#include <cstdio>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "StandinFixture.h"
#include "UiDriver.h"
#include "comsettings_support.h"
#include "res/resource.h"
#include "serial/win/EnumerateSerial.h"
#include "serial/win/SystemEnumerateSerial.h"
#include "server/win/ServerConnection.h"

namespace {

using namespace comsettings_test;

TEST(ComSettingsSystemPorts, OffersThePortsCEnumerateSerialFinds)
{
    ASSERT_TRUE(SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)));
    standin::Reset();
    standin::WriteStateFile("port.txt", "0 9600 8 0 0\n");
    IAddTags* addTags = nullptr;
    ASSERT_TRUE(ConnectAddTags(false, &addTags).Ok());

    CComSettings dlg(addTags);
    const DialogRun run = RunDialog(dlg, [](HWND window, CBoxAnswerer&) {
        ui_driver::SaveScreenshot(window, "com-settings-system-ports");
        ui_driver::PressButton(window, IDCANCEL);
    });
    addTags->Release();

    std::vector<unsigned> ports;
    ASSERT_TRUE(CEnumerateSerial::UsingQueryDosDevice(ports));
    EXPECT_EQ(run.boxes, std::vector<std::string>{});
    ASSERT_EQ(run.opened.size(), 5u);
    const std::vector<std::string>& entries = run.opened[0].entries;
    ASSERT_EQ(entries.size(), ports.size() + 1);
    EXPECT_EQ(entries[0], "None");
    EXPECT_EQ(run.opened[0].selected, 0);
    for (size_t i = 0; i < ports.size(); ++i) {
        const std::string name = "COM" + std::to_string(ports[i]);
        EXPECT_EQ(entries[i + 1].compare(0, name.size(), name), 0) << entries[i + 1];
        // Either the bare name or the name, two spaces and a description.
        EXPECT_TRUE(entries[i + 1].size() == name.size() || entries[i + 1].compare(name.size(), 2, "  ") == 0)
            << entries[i + 1];
        std::printf("%s\n", entries[i + 1].c_str());
    }
    EXPECT_TRUE(standin::WaitUntilServerGone());
    CoUninitialize();
}

TEST(ComSettingsSystemPorts, DescriptionsAreConvertedFromTheSystemsCodePage)
{
    // "Порт" in the DOS Cyrillic code page, and Latin letters with accents.
    EXPECT_EQ(ConvertToCp1251("\x8F\xAE\xE0\xE2 1", 866), "Порт 1");
    EXPECT_EQ(ConvertToCp1251("Порт 1", 1251), "Порт 1");
    const std::string latin = ConvertToCp1251("Port \xE9\xFC \x80", 1252);  // é ü and the euro sign
    EXPECT_EQ(latin.substr(0, 5), "Port ");
    EXPECT_EQ(latin.size(), 9u);
    EXPECT_EQ(latin.back(), '\x88') << "the euro sign has a place in 1251";
    EXPECT_EQ(ConvertToCp1251("", 1252), "");
}

}  // namespace
