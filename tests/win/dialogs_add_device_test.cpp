// The add-device dialog driven in-process by messages: the device list from the catalogue,
// the address field's limits and validation, the results of Add and Cancel, and the
// auto-search reached through its "Автопоиск..." button against the stand-in server.
#include <windows.h>
#include <commctrl.h>

#include <functional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "ModalRun.h"
#include "UiDriver.h"
#include "dialogs/AddDeviceDlg.h"
#include "res/resource.h"
#include "search_support.h"

namespace {

using search_test::CSearchTest;
using search_test::ListEntry;

const char kTitle[] = "Добавление устройства";
const char kChooseDevice[] = "Выберите тип прибора.";

struct Outcome {
    INT_PTR result = 0;
    int deviceType = -1;
    unsigned netAddress = 12345;
    std::vector<std::string> boxes;
};

Outcome RunAddDevice(IAddTags* pAddTags, const std::function<void(HWND)>& script)
{
    CAddDeviceDlg dlg(pAddTags);
    const ModalRun run = RunModal(dlg, kTitle, script, 8000);
    EXPECT_TRUE(run.shown) << "the add-device dialog did not open";
    return Outcome{run.result, dlg.m_nDeviceType, dlg.m_nNetAddress, run.boxes};
}

HWND Item(HWND dialog, int id) { return GetDlgItem(dialog, id); }
void SetAddress(HWND dialog, const char* text) { SetWindowTextA(Item(dialog, IDC_NET_ADDRESS), text); }
void Select(HWND dialog, int index) { SendMessageW(Item(dialog, IDC_DEVICE_TYPE), CB_SETCURSEL, index, 0); }
// Presses the button and waits until the dialog has handled it (and any box it showed).
void Press(HWND dialog, int id)
{
    SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(Item(dialog, id)));
}

class AddDeviceTest : public CSearchTest {
protected:
    void SetUp() override
    {
        CSearchTest::SetUp();
        search_test::SetCatalogue({{3, "Zeta"},
                                   {5, "alpha"},
                                   {9, "Beta"},
                                   {0, "NoType"},
                                   {11, "Beta"},
                                   {256, "Wide"},
                                   {-1, "Negative"},
                                   {255, "Mixed"}});
    }
};

TEST_F(AddDeviceTest, OpensWithTheSortedCarriableDevicesAndAddressOne)
{
    std::vector<ListEntry> entries;
    int selection = 0;
    std::string address, autoSearch;
    std::pair<int, int> range;
    HWND focus = nullptr, typeList = nullptr;
    const Outcome outcome = RunAddDevice(m_pAddTags, [&](HWND dialog) {
        entries = search_test::ComboEntries(Item(dialog, IDC_DEVICE_TYPE));
        ui_driver::SaveScreenshot(dialog, "add-device-after-search");
        selection = static_cast<int>(SendMessageW(Item(dialog, IDC_DEVICE_TYPE), CB_GETCURSEL, 0, 0));
        address = ui_driver::ItemText(dialog, IDC_NET_ADDRESS);
        autoSearch = ui_driver::ItemText(dialog, IDC_AUTO_SEARCH);
        range = search_test::SpinRange(Item(dialog, IDC_NET_ADDRESS_SPIN));
        GUITHREADINFO info = {};
        info.cbSize = sizeof info;
        GetGUIThreadInfo(GetWindowThreadProcessId(dialog, nullptr), &info);
        focus = info.hwndFocus;
        typeList = Item(dialog, IDC_DEVICE_TYPE);
        ui_driver::SaveScreenshot(dialog, "add-device-opened");
        PostMessageW(dialog, WM_KEYDOWN, VK_ESCAPE, 0);
    });
    // Alphabetical whatever the letter case; both devices named Beta; no type code that a
    // tree key cannot carry (0, 256, -1).
    ASSERT_EQ(entries.size(), 5u);
    EXPECT_EQ(entries[0], (ListEntry{"alpha", 5}));
    EXPECT_EQ(entries[1].text, "Beta");
    EXPECT_EQ(entries[2].text, "Beta");
    EXPECT_EQ(entries[1].data + entries[2].data, 9u + 11u);
    EXPECT_NE(entries[1].data, entries[2].data);
    EXPECT_EQ(entries[3], (ListEntry{"Mixed", 255}));
    EXPECT_EQ(entries[4], (ListEntry{"Zeta", 3}));
    EXPECT_EQ(selection, CB_ERR);
    EXPECT_EQ(address, "1");
    EXPECT_EQ(autoSearch, "Автопоиск...");
    EXPECT_EQ(range, std::make_pair(1, 247));
    EXPECT_EQ(focus, typeList);  // the first field in tab order, so that Enter adds
    EXPECT_EQ(outcome.result, IDCANCEL);
    EXPECT_EQ(outcome.deviceType, 0);
    EXPECT_EQ(outcome.netAddress, 0u);
}

struct AddressCase {
    const char* text;
    bool accepted;
};

class AddDeviceAddressTest : public AddDeviceTest, public testing::WithParamInterface<AddressCase> {};

TEST_P(AddDeviceAddressTest, AddAcceptsOnlyOneTo247)
{
    bool openAfterAdd = false;
    const Outcome outcome = RunAddDevice(m_pAddTags, [&](HWND dialog) {
        Select(dialog, 4);  // Zeta, type 3
        SetAddress(dialog, GetParam().text);
        Press(dialog, IDOK);
        openAfterAdd = IsWindowVisible(dialog) != FALSE;
        if (openAfterAdd) Press(dialog, IDCANCEL);
    });
    if (GetParam().accepted) {
        EXPECT_FALSE(openAfterAdd);
        EXPECT_EQ(outcome.result, IDOK);
        EXPECT_EQ(outcome.deviceType, 3);
        EXPECT_EQ(std::to_string(outcome.netAddress), GetParam().text);
        EXPECT_TRUE(outcome.boxes.empty());
    } else {
        // The platform's validation message; the dialog stayed open; Cancel then gives 0, 0.
        EXPECT_TRUE(openAfterAdd);
        EXPECT_EQ(outcome.boxes.size(), 1u);
        EXPECT_EQ(outcome.result, IDCANCEL);
        EXPECT_EQ(outcome.deviceType, 0);
        EXPECT_EQ(outcome.netAddress, 0u);
    }
}

INSTANTIATE_TEST_SUITE_P(Limits, AddDeviceAddressTest,
                         testing::Values(AddressCase{"0", false}, AddressCase{"1", true}, AddressCase{"247", true},
                                         AddressCase{"248", false}, AddressCase{"abc", false},
                                         AddressCase{"-1", false}, AddressCase{"4294967297", false}));

TEST_F(AddDeviceTest, AddWithoutAChosenDeviceAsksForOne)
{
    bool openAfterAdd = false;
    const Outcome outcome = RunAddDevice(m_pAddTags, [&](HWND dialog) {
        SetAddress(dialog, "17");
        Press(dialog, IDOK);
        openAfterAdd = IsWindowVisible(dialog) != FALSE;
        Select(dialog, 0);
        Press(dialog, IDOK);
    });
    EXPECT_TRUE(openAfterAdd);
    EXPECT_EQ(outcome.boxes, std::vector<std::string>{kChooseDevice});
    EXPECT_EQ(outcome.result, IDOK);
    EXPECT_EQ(outcome.deviceType, 5);
    EXPECT_EQ(outcome.netAddress, 17u);
}

TEST_F(AddDeviceTest, SpinArrowsStopAtOneAnd247)
{
    std::string top, bottom;
    RunAddDevice(m_pAddTags, [&](HWND dialog) {
        HWND edit = Item(dialog, IDC_NET_ADDRESS);
        auto key = [&](WPARAM vk) {
            SendMessageW(edit, WM_KEYDOWN, vk, 0);
            SendMessageW(edit, WM_KEYUP, vk, 0);
        };
        SetAddress(dialog, "246");
        key(VK_UP);
        key(VK_UP);
        key(VK_UP);
        top = ui_driver::ItemText(dialog, IDC_NET_ADDRESS);
        SetAddress(dialog, "2");
        key(VK_DOWN);
        key(VK_DOWN);
        bottom = ui_driver::ItemText(dialog, IDC_NET_ADDRESS);
        Press(dialog, IDCANCEL);
    });
    EXPECT_EQ(top, "247");
    EXPECT_EQ(bottom, "1");
}

TEST_F(AddDeviceTest, DeviceChosenInTheAutoSearchClosesBothDialogs)
{
    SetLine("5 9 0 Beta meter\n");
    SetFaults("probe_timeout_ms 5\n");
    bool addDeviceEnabledMeanwhile = true;
    const Outcome outcome = RunAddDevice(m_pAddTags, [&](HWND dialog) {
        SetAddress(dialog, "not a number");  // not read when the auto-search chooses
        ui_driver::PressButton(dialog, IDC_AUTO_SEARCH);
        HWND search = ui_driver::WaitForDialog("Автопоиск");
        ASSERT_NE(search, nullptr);
        addDeviceEnabledMeanwhile = IsWindowEnabled(dialog) != FALSE;
        SetWindowTextA(GetDlgItem(search, IDC_END_ADDRESS), "6");
        ui_driver::PressButton(search, IDOK);
        EXPECT_TRUE(search_test::WaitForTitle(search, "Автопоиск от"));
        ui_driver::SaveScreenshot(dialog, "add-device-during-search");
        EXPECT_TRUE(search_test::WaitForTitle(search, "Автопоиск завершен"));
        ui_driver::SaveScreenshot(search, "add-device-auto-search");
        search_test::DoubleClickEntry(search, IDC_FOUND_TREE,
                                      search_test::TreeEntryAt(GetDlgItem(search, IDC_FOUND_TREE), 0));
    });
    EXPECT_FALSE(addDeviceEnabledMeanwhile) << "the add-device dialog must wait for the auto-search";
    EXPECT_EQ(outcome.result, IDOK);
    EXPECT_EQ(outcome.deviceType, 9);
    EXPECT_EQ(outcome.netAddress, 5u);
    EXPECT_TRUE(outcome.boxes.empty());
}

TEST_F(AddDeviceTest, CancelledAutoSearchLeavesTheChoicesInPlace)
{
    int selection = -1;
    std::string address;
    const Outcome outcome = RunAddDevice(m_pAddTags, [&](HWND dialog) {
        Select(dialog, 3);  // Mixed, type 255
        SetAddress(dialog, "200");
        ui_driver::PressButton(dialog, IDC_AUTO_SEARCH);
        HWND search = ui_driver::WaitForDialog("Автопоиск");
        ASSERT_NE(search, nullptr);
        PostMessageW(search, WM_KEYDOWN, VK_ESCAPE, 0);
        ASSERT_TRUE(ui_driver::WaitUntilGone(search));
        ui_driver::WaitUntilBack(dialog);
        ui_driver::SaveScreenshot(dialog, "add-device-after-search");
        selection = static_cast<int>(SendMessageW(Item(dialog, IDC_DEVICE_TYPE), CB_GETCURSEL, 0, 0));
        address = ui_driver::ItemText(dialog, IDC_NET_ADDRESS);
        Press(dialog, IDOK);
    });
    EXPECT_EQ(selection, 3);
    EXPECT_EQ(address, "200");
    EXPECT_EQ(outcome.result, IDOK);
    EXPECT_EQ(outcome.deviceType, 255);
    EXPECT_EQ(outcome.netAddress, 200u);
}

}  // namespace
