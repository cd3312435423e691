// The COM-port settings dialog against the stand-in server through real COM, with exact
// port lists from a fake: what it shows for the server's values, what "Применить" sends,
// that cancelling sends nothing, and every failure it reports.
#include <windows.h>
#include <objbase.h>

#include <map>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "StandinFixture.h"
#include "UiDriver.h"
#include "comsettings_support.h"
#include "res/resource.h"
#include "server/win/ServerConnection.h"

namespace {

using namespace comsettings_test;
using Texts = std::vector<std::string>;

const char kTitle[] = "Настройки \xD1\xCE\xCC-порта";  // Cyrillic С, О and М
const Texts kSpeeds = {"9600", "14400", "19200", "38400", "57600", "115200", "230400", "460800", "921600"};
const Texts kDataBits = {"5", "6", "7", "8"};
const Texts kParities = {"None", "Odd", "Even", "Mark", "Space"};
const Texts kStopBits = {"1", "1.5", "2"};

class ComSettingsTest : public testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)));
        standin::Reset();
    }
    void TearDown() override
    {
        if (m_pAddTags != nullptr) m_pAddTags->Release();
        standin::ClearFaults();
        EXPECT_TRUE(standin::WaitUntilServerGone()) << "the server still holds objects or runs";
        CoUninitialize();
    }
    // Stores the server's settings, then connects (the server reads them on the first connection).
    IAddTags* Connect(const std::string& portRecord)
    {
        standin::WriteStateFile("port.txt", portRecord + "\n");
        const ConnectResult result = ConnectAddTags(false, &m_pAddTags);
        EXPECT_TRUE(result.Ok()) << "connecting: 0x" << std::hex << result.hr;
        return m_pAddTags;
    }

    IAddTags* m_pAddTags = nullptr;
    CFakePorts m_ports;
};

TEST_F(ComSettingsTest, ShowsTheMachinesPortsAndTheServersValuesAndCancelSendsNothing)
{
    m_ports.dosPorts = {1, 3};
    m_ports.setupPorts = {3};
    m_ports.descriptions = {"X"};
    CComSettings dlg(Connect("3 115200 8 0 2"), m_ports);
    std::map<int, std::string> texts;
    const DialogRun run = RunDialog(dlg, [&](HWND window, CBoxAnswerer&) {
        for (int id : {IDOK, IDCANCEL})
            texts[id] = ui_driver::ItemText(window, id);
        ui_driver::SaveScreenshot(window, "com-settings");
        // Every list changed, then cancelled.
        SelectEntry(window, IDC_PORT_COMBO, 1);
        SelectEntry(window, IDC_SPEED_COMBO, 0);
        SelectEntry(window, IDC_DATA_BITS_COMBO, 0);
        SelectEntry(window, IDC_PARITY_COMBO, 0);
        SelectEntry(window, IDC_STOP_BITS_COMBO, 2);
        ui_driver::PressButton(window, IDCANCEL);
    });
    EXPECT_EQ(run.title, kTitle);
    EXPECT_EQ(texts[IDOK], "Применить");
    EXPECT_EQ(texts[IDCANCEL], "Отмена");
    ASSERT_EQ(run.opened.size(), 5u);
    EXPECT_EQ(run.opened[0].entries, (Texts{"None", "COM1", "COM3  X"}));
    EXPECT_EQ(run.opened[1].entries, kSpeeds);
    EXPECT_EQ(run.opened[2].entries, kDataBits);
    EXPECT_EQ(run.opened[3].entries, kParities);
    EXPECT_EQ(run.opened[4].entries, kStopBits);
    Texts selected;
    for (const ShownList& list : run.opened)
        selected.push_back(list.SelectedText());
    EXPECT_EQ(selected, (Texts{"COM3  X", "115200", "8", "Even", "1"}));
    EXPECT_EQ(run.boxes, Texts{});
    EXPECT_EQ(run.result, IDCANCEL);
    EXPECT_EQ(StoredValues(), "3 115200 8 0 2");
}

TEST_F(ComSettingsTest, ApplySendsTheChosenValuesAndCloses)
{
    m_ports.dosPorts = {1, 3};
    CComSettings dlg(Connect("1 9600 8 0 0"), m_ports);
    const DialogRun run = RunDialog(dlg, [](HWND window, CBoxAnswerer&) {
        SelectEntry(window, IDC_PORT_COMBO, 2);       // COM3
        SelectEntry(window, IDC_SPEED_COMBO, 2);      // 19200
        SelectEntry(window, IDC_DATA_BITS_COMBO, 2);  // 7
        SelectEntry(window, IDC_PARITY_COMBO, 1);     // Odd
        SelectEntry(window, IDC_STOP_BITS_COMBO, 2);  // 2
        ui_driver::PressButton(window, IDOK);
    });
    EXPECT_EQ(run.boxes, Texts{});
    EXPECT_EQ(run.result, IDOK);
    EXPECT_EQ(StoredValues(), "3 19200 7 2 1");
}

TEST_F(ComSettingsTest, ServerValuesNoEntryStandsForAreShownAndKept)
{
    // The machine lacks the server's port 5, and the table lacks its rate.
    m_ports.dosPorts = {1, 3};
    CComSettings dlg(Connect("5 12345 6 1 3"), m_ports);
    bool speedOpensWider = false;
    const DialogRun run = RunDialog(dlg, [&](HWND window, CBoxAnswerer&) {
        ui_driver::SaveScreenshot(window, "com-settings-unknown-values");
        HWND speed = GetDlgItem(window, IDC_SPEED_COMBO);
        RECT rect = {};
        GetWindowRect(speed, &rect);
        speedOpensWider = SendMessageW(speed, CB_GETDROPPEDWIDTH, 0, 0) > rect.right - rect.left;
        // An open list selects the entry under the pointer when it closes: keep the pointer off it.
        SetCursorPos(0, 0);
        SendMessageW(speed, CB_SHOWDROPDOWN, TRUE, 0);
        COMBOBOXINFO info = {};
        info.cbSize = sizeof info;
        GetComboBoxInfo(speed, &info);
        ui_driver::Settle(window);
        ui_driver::SaveScreenshot(info.hwndList, "com-settings-speed-list");
        SendMessageW(speed, CB_SHOWDROPDOWN, FALSE, 0);
        SelectEntry(window, IDC_PARITY_COMBO, 1);  // only the parity changes
        ui_driver::PressButton(window, IDOK);
    });
    ASSERT_EQ(run.opened.size(), 5u);
    EXPECT_EQ(run.opened[0].entries, (Texts{"None", "COM1", "COM3", "COM5  (нет на этом компьютере)"}));
    EXPECT_EQ(run.opened[0].selected, 3);
    EXPECT_EQ(run.opened[1].entries.size(), kSpeeds.size() + 1);
    EXPECT_EQ(run.opened[1].SelectedText(), "12345  (нестандартное значение)");
    EXPECT_TRUE(speedOpensWider) << "the note must be readable when the list opens";
    EXPECT_EQ(run.opened[2].SelectedText(), "6");
    EXPECT_EQ(run.opened[3].SelectedText(), "Mark");
    EXPECT_EQ(run.opened[4].SelectedText(), "1.5");
    EXPECT_EQ(run.boxes, Texts{});
    EXPECT_EQ(run.result, IDOK);
    EXPECT_EQ(StoredValues(), "5 12345 6 1 1");

    // A second opening of the same dialog asks anew and adds the extra entries only once.
    const DialogRun again = RunDialog(dlg, [](HWND window, CBoxAnswerer&) { ui_driver::PressButton(window, IDCANCEL); });
    ASSERT_EQ(again.opened.size(), 5u);
    EXPECT_EQ(again.opened[0].entries.size(), 4u);
    EXPECT_EQ(again.opened[1].entries.size(), kSpeeds.size() + 1);
    EXPECT_EQ(again.opened[3].SelectedText(), "Odd");
}

TEST_F(ComSettingsTest, LongDescriptionsAndLargePortNumbersAreShownWhole)
{
    m_ports.dosPorts = {1234, 7, 70000};
    m_ports.setupPorts = {7};
    m_ports.descriptions = {std::string(300, 'x')};
    CComSettings dlg(Connect("1234 9600 8 0 0"), m_ports);
    const DialogRun run = RunDialog(dlg, [](HWND window, CBoxAnswerer&) {
        SelectEntry(window, IDC_SPEED_COMBO, 1);
        ui_driver::PressButton(window, IDOK);
    });
    ASSERT_EQ(run.opened.size(), 5u);
    // A port the server's 16-bit port number cannot name is not offered.
    EXPECT_EQ(run.opened[0].entries, (Texts{"None", "COM1234", "COM7  " + std::string(93, 'x')}));
    EXPECT_EQ(run.opened[0].entries[2].size(), 99u);
    EXPECT_EQ(run.opened[0].SelectedText(), "COM1234");
    EXPECT_EQ(run.result, IDOK);
    EXPECT_EQ(StoredValues(), "1234 14400 8 0 0");
}

TEST_F(ComSettingsTest, FailedPortEnumerationIsReportedAndTheServersValuesStillShown)
{
    m_ports.dosOk = false;
    m_ports.setupPorts = {3};
    m_ports.descriptions = {"X"};
    CComSettings dlg(Connect("3 57600 7 2 4"), m_ports);
    const DialogRun run = RunDialog(dlg, [](HWND window, CBoxAnswerer&) {
        SelectEntry(window, IDC_SPEED_COMBO, 0);
        ui_driver::PressButton(window, IDOK);
    });
    EXPECT_EQ(run.boxes, Texts{"CEnumerateSerial::UsingQueryDosDevice failed"});
    EXPECT_EQ(m_ports.setupCalls, 0) << "descriptions are only for ports of the first list";
    ASSERT_EQ(run.opened.size(), 5u);
    EXPECT_EQ(run.opened[0].entries, (Texts{"None", "COM3  (порты компьютера не определены)"}));
    EXPECT_EQ(run.opened[0].selected, 1);
    EXPECT_EQ(run.opened[1].SelectedText(), "57600");
    EXPECT_EQ(run.opened[2].SelectedText(), "7");
    EXPECT_EQ(run.opened[3].SelectedText(), "Space");
    EXPECT_EQ(run.opened[4].SelectedText(), "2");
    EXPECT_EQ(run.result, IDOK);
    EXPECT_EQ(StoredValues(), "3 9600 7 2 4");
}

TEST_F(ComSettingsTest, FailedSetupEnumerationLeavesThePortsUndescribed)
{
    m_ports.dosPorts = {2};
    m_ports.setupOk = false;
    m_ports.setupPorts = {2};
    m_ports.descriptions = {"X"};
    CComSettings dlg(Connect("2 9600 8 0 0"), m_ports);
    const DialogRun run = RunDialog(dlg, [](HWND window, CBoxAnswerer&) { ui_driver::PressButton(window, IDCANCEL); });
    ASSERT_EQ(run.opened.size(), 5u);
    EXPECT_EQ(run.opened[0].entries, (Texts{"None", "COM2"}));
    EXPECT_EQ(run.boxes, Texts{});
}

TEST_F(ComSettingsTest, UnreadableServerSettingsLeaveEveryListEmptyUntilChosen)
{
    m_ports.dosPorts = {1, 3};
    standin::SetFaults("fail GetComSettings E_FAIL\n");
    CComSettings dlg(Connect("3 115200 8 0 2"), m_ports);
    Texts afterRefusal;
    HWND focusAfterRefusal = nullptr;
    HWND speedList = nullptr;
    bool openAfterRefusal = false;
    const DialogRun run = RunDialog(dlg, [&](HWND window, CBoxAnswerer& boxes) {
        SelectEntry(window, IDC_PORT_COMBO, 1);
        ui_driver::PressButton(window, IDOK);  // the speed has no selection yet
        boxes.WaitForCount(2);
        ui_driver::WaitUntilBack(window);
        openAfterRefusal = IsWindow(window) && IsWindowVisible(window);
        afterRefusal = SelectedTexts(window);
        GUITHREADINFO info = {};
        info.cbSize = sizeof info;
        GetGUIThreadInfo(GetWindowThreadProcessId(window, nullptr), &info);
        focusAfterRefusal = info.hwndFocus;
        speedList = GetDlgItem(window, IDC_SPEED_COMBO);

        SelectEntry(window, IDC_SPEED_COMBO, 0);
        SelectEntry(window, IDC_DATA_BITS_COMBO, 3);
        SelectEntry(window, IDC_PARITY_COMBO, 0);
        SelectEntry(window, IDC_STOP_BITS_COMBO, 0);
        ui_driver::PressButton(window, IDOK);
    });
    ASSERT_EQ(run.boxes.size(), 2u);
    EXPECT_EQ(run.boxes[0],
              "Не удалось прочитать настройки COM-порта с сервера (ошибка 0x80004005).\n"
              "Выберите все значения, прежде чем применить их.");
    EXPECT_EQ(run.boxes[1], "Выберите значение в списке «Скорость».\nНастройки не отправлены.");
    ASSERT_EQ(run.opened.size(), 5u);
    for (const ShownList& list : run.opened)
        EXPECT_EQ(list.selected, -1);
    EXPECT_EQ(run.opened[0].entries, (Texts{"None", "COM1", "COM3"}));
    EXPECT_TRUE(openAfterRefusal);
    EXPECT_EQ(afterRefusal, (Texts{"COM1", "-", "-", "-", "-"}));
    EXPECT_EQ(focusAfterRefusal, speedList);
    EXPECT_EQ(run.result, IDOK);
    EXPECT_EQ(StoredValues(), "1 9600 8 0 0");
}

TEST_F(ComSettingsTest, RefusedSettingsAreReportedAndTheDialogStaysOpen)
{
    m_ports.dosPorts = {1, 3};
    standin::SetFaults("fail SetComSettings E_INVALIDARG\n");
    CComSettings dlg(Connect("1 9600 8 0 0"), m_ports);
    bool openAfterRefusal = false;
    Texts afterRefusal;
    const DialogRun run = RunDialog(dlg, [&](HWND window, CBoxAnswerer& boxes) {
        SelectEntry(window, IDC_PORT_COMBO, 2);
        ui_driver::PressButton(window, IDOK);
        boxes.WaitForCount(1);
        ui_driver::WaitUntilBack(window);
        openAfterRefusal = IsWindow(window) && IsWindowVisible(window);
        afterRefusal = SelectedTexts(window);
        ui_driver::PressButton(window, IDCANCEL);
    });
    EXPECT_EQ(run.boxes, Texts{"Сервер не принял настройки COM-порта (ошибка 0x80070057).\nНастройки не сохранены."});
    EXPECT_TRUE(openAfterRefusal);
    EXPECT_EQ(afterRefusal, (Texts{"COM3", "9600", "8", "None", "1"})) << "the user's choice stays";
    EXPECT_EQ(run.result, IDCANCEL);
    EXPECT_EQ(StoredValues(), "1 9600 8 0 0");
}

TEST_F(ComSettingsTest, WithoutAServerApplyClosesAndSendsNothing)
{
    m_ports.dosPorts = {1};
    CComSettings dlg(nullptr, m_ports);
    const DialogRun run = RunDialog(dlg, [](HWND window, CBoxAnswerer&) { ui_driver::PressButton(window, IDOK); });
    EXPECT_EQ(run.boxes, Texts{});
    EXPECT_EQ(run.result, IDOK);
    EXPECT_EQ(dlg.m_pAddTags, nullptr);
}

}  // namespace
