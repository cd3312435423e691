// The whole user journey through the real windows, menus included, against the stand-in
// server: add devices (typed and found by the auto-search), add tags, edit a period,
// delete a tag, a group and a device, change the COM-port settings, restart. The server's
// files are checked after each step, and each step leaves a screenshot.
#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "MainWindowRun.h"
#include "MenuDriver.h"
#include "ServerFiles.h"
#include "StandinFixture.h"
#include "TreeReader.h"
#include "UiDriver.h"
#include "WindowTest.h"
#include "res/resource.h"
#include "ui/Text.h"

namespace {

const char kValve[] =
    "DEVICE_DESCRIPTION\r\n"
    "Valve 8\r\n"
    "Position 1 REAL R HOLD_REG 0\r\n";

std::vector<std::string> RootTexts(HWND window)
{
    std::vector<std::string> roots;
    for (const TreeLine& line : ReadTree(Tree(window)))
        if (line.level == 0) roots.push_back(line.text);
    return roots;
}

// Adds the tags under path in the add-tags dialog opened from device's menu.
bool AddTags(HWND window, const std::string& device, const std::vector<std::string>& path, const char* shot,
             const char* menuShot = nullptr)
{
    HWND menu = OpenContextMenu(window, PointOf(window, {device}));
    if (menu == nullptr) return false;
    if (menuShot) ui_driver::SaveScreenshot(window, menuShot);
    ChooseMenuItem(menu, 0);  // "Добавить тег" heads every node's menu
    HWND dialog = ui_driver::WaitForDialog("Добавление тега для устройства ");
    if (dialog == nullptr) return false;
    HWND tree = GetDlgItem(dialog, IDC_PARAM_TREE);
    SendMessageW(tree, TVM_SELECTITEM, TVGN_CARET, reinterpret_cast<LPARAM>(FindTreeItem(tree, path)));
    ui_driver::SaveScreenshot(dialog, shot);
    ui_driver::PressButton(dialog, IDOK);
    HWND box = ui_driver::WaitForMessageBox(10000);
    if (box) ui_driver::WaitUntilGone(box, 10000);
    ui_driver::PressButton(dialog, IDCANCEL);
    return ui_driver::WaitUntilGone(dialog);
}

class JourneyTest : public CWindowTest {
protected:
    void SetUp() override
    {
        Prepare("7 5 1 20000000\n");
        m_descriptions.Write("valve.dsc", kValve);
        standin::WriteStateFile("port.txt", "1 9600 8 0 0\n");
        standin::WriteStateFile("line.txt", "9 7 0 Meter\n4 99 0 Mystery box\n");
        standin::SetFaults("probe_timeout_ms 5\n");
    }
};

TEST_F(JourneyTest, EveryCommandAsAUserDoesIt)
{
    struct Checks {
        std::vector<std::string> rootsAfterTypedDevice, rootsAfterFoundDevice, foundList;
        std::vector<std::string> tagsAfterAdds, tagsAfterEdit, tagsAfterDeleteTag, tagsAfterDeleteGroup,
            tagsAfterDeleteDevice;
        std::string portAfterSettings, searchTitle;
        std::vector<TreeLine> treeAfterRestart;
    } c;

    const MainRun run = RunMain([&](HWND window, CTarnelDlg&) {
        ui_driver::SaveScreenshot(window, "journey-01-start");

        // A device by type and address.
        ui_driver::PressButton(window, IDC_ADD_DEVICE);
        HWND add = ui_driver::WaitForDialog("Добавление устройства");
        if (add == nullptr) return;
        SelectCombo(add, IDC_DEVICE_TYPE, "Meter");
        SetText(add, IDC_NET_ADDRESS, "20");
        ui_driver::SaveScreenshot(add, "journey-02-add-device");
        ui_driver::PressButton(add, IDOK);
        ui_driver::WaitUntilGone(add);
        c.rootsAfterTypedDevice = RootTexts(window);

        // A device found on the line.
        ui_driver::PressButton(window, IDC_ADD_DEVICE);
        add = ui_driver::WaitForDialog("Добавление устройства");
        if (add == nullptr) return;
        ui_driver::PressButton(add, IDC_AUTO_SEARCH);
        HWND search = ui_driver::WaitForDialog("Автопоиск");
        if (search == nullptr) return;
        SetText(search, IDC_START_ADDRESS, "1");
        SetText(search, IDC_END_ADDRESS, "10");
        ui_driver::PressButton(search, IDOK);
        ui_driver::WaitFor([&] { return StoredTitle(search) == "Автопоиск завершен"; }, 20000);
        c.searchTitle = StoredTitle(search);
        HWND found = GetDlgItem(search, IDC_FOUND_TREE);
        for (const TreeLine& line : ReadTree(found)) c.foundList.push_back(line.text);
        ui_driver::SaveScreenshot(search, "journey-03-auto-search");
        SendMessageW(found, TVM_SELECTITEM, TVGN_CARET, reinterpret_cast<LPARAM>(FindTreeItem(found, {"Meter(009)"})));
        NMHDR click = {found, IDC_FOUND_TREE, static_cast<UINT>(NM_DBLCLK)};
        SendMessageW(search, WM_NOTIFY, IDC_FOUND_TREE, reinterpret_cast<LPARAM>(&click));
        ui_driver::WaitUntilGone(search);
        ui_driver::WaitUntilGone(add);
        c.rootsAfterFoundDevice = RootTexts(window);

        // Tags: a group of the typed device, the whole found device.
        AddTags(window, "Meter(020)", {"Meter(020)", "Phase"}, "journey-04-add-tags", "journey-04-context-menu");
        AddTags(window, "Meter(009)", {"Meter(009)"}, "journey-05-add-all-tags");
        c.tagsAfterAdds = ServerTags();
        ui_driver::SaveScreenshot(window, "journey-06-tags-added");

        // A period.
        if (ChooseFromMenu(window, PointOf(window, {"Meter(020)", "Phase", "A"}), "Редактировать")) {
            HWND edit = ui_driver::WaitForDialog("Редактирование тега ");
            if (edit) {
                SetText(edit, IDC_PERIOD_EDIT, "5000");
                ui_driver::SaveScreenshot(edit, "journey-07-edit-period");
                ui_driver::PressButton(edit, IDOK);
                ui_driver::WaitUntilGone(edit);
            }
        }
        // AddTag follows the dialog's end: wait for the period to reach the server.
        ui_driver::WaitFor(
            [&] {
                c.tagsAfterEdit = ServerTags();
                return std::find(c.tagsAfterEdit.begin(), c.tagsAfterEdit.end(), "7 20 2 50000000") !=
                       c.tagsAfterEdit.end();
            },
            5000);

        // Deletions: a tag, a group, a device.
        ChooseFromMenu(window, PointOf(window, {"Meter(009)", "Voltage"}), "Удалить тег");
        ui_driver::WaitUntilBack(window);
        c.tagsAfterDeleteTag = ServerTags();
        ChooseFromMenu(window, PointOf(window, {"Meter(009)", "Deep"}), "Удалить теги");
        ui_driver::WaitUntilBack(window);
        c.tagsAfterDeleteGroup = ServerTags();
        ChooseFromMenu(window, PointOf(window, {"Meter(005)"}), "Удалить устройство");
        ui_driver::WaitUntilBack(window);
        c.tagsAfterDeleteDevice = ServerTags();
        ui_driver::SaveScreenshot(window, "journey-08-after-deletions");

        // The serial port.
        ui_driver::PressButton(window, IDC_COM_PORT);
        HWND port = ui_driver::WaitForDialog("Настройки СОМ-порта");
        if (port) {
            SelectCombo(port, 1002, "19200");
            SelectCombo(port, 1003, "7");
            SelectCombo(port, 1004, "Odd");
            SelectCombo(port, 1005, "2");
            ui_driver::SaveScreenshot(port, "journey-09-com-port");
            ui_driver::PressButton(port, IDOK);
            ui_driver::WaitUntilGone(port);
        }
        c.portAfterSettings = PortRecord();

        // Restart: the tree is rebuilt from what the server holds.
        ui_driver::PressButton(window, IDC_APPLY);
        ui_driver::WaitFor([&] { return StoredTitle(window) == "Перезапускается сервер..."; }, 10000);
        // The window takes input again only once the restart's command has rebuilt the tree.
        ui_driver::WaitFor([&] { return StoredTitle(window) == kMainTitle && IsWindowEnabled(window); }, 20000);
        ui_driver::WaitUntilBack(window);
        c.treeAfterRestart = ReadTree(Tree(window));
        HTREEITEM first = FindTreeItem(Tree(window), {"Meter(009)"});
        SendMessageW(Tree(window), TVM_EXPAND, TVE_EXPAND, reinterpret_cast<LPARAM>(first));
        ui_driver::SaveScreenshot(window, "journey-10-after-restart");
        ui_driver::PressButton(window, IDCANCEL);
    });

    EXPECT_EQ(run.boxes, (std::vector<std::string>{"Тэг(и) добавлены", "Тэг(и) добавлены"}));
    EXPECT_EQ(c.rootsAfterTypedDevice, (std::vector<std::string>{"Meter(005)", "Meter(020)"}));
    EXPECT_EQ(c.searchTitle, "Автопоиск завершен");
    EXPECT_EQ(c.foundList, (std::vector<std::string>{"Mystery box(004)(неподдерживаемый прибор)", "Meter(009)"}));
    EXPECT_EQ(c.rootsAfterFoundDevice, (std::vector<std::string>{"Meter(005)", "Meter(009)", "Meter(020)"}));
    const std::vector<std::string> added = Sorted({"7 5 1 20000000", "7 20 2 20000000", "7 20 3 20000000",
                                                   "7 9 1 20000000", "7 9 2 20000000", "7 9 3 20000000",
                                                   "7 9 4 20000000"});
    EXPECT_EQ(c.tagsAfterAdds, added);
    std::vector<std::string> edited = added;
    std::replace(edited.begin(), edited.end(), std::string("7 20 2 20000000"), std::string("7 20 2 50000000"));
    std::sort(edited.begin(), edited.end());
    EXPECT_EQ(c.tagsAfterEdit, edited);
    std::vector<std::string> expected = edited;
    expected.erase(std::find(expected.begin(), expected.end(), "7 9 1 20000000"));
    EXPECT_EQ(c.tagsAfterDeleteTag, expected);
    expected.erase(std::find(expected.begin(), expected.end(), "7 9 4 20000000"));
    EXPECT_EQ(c.tagsAfterDeleteGroup, expected);
    expected.erase(std::find(expected.begin(), expected.end(), "7 5 1 20000000"));
    EXPECT_EQ(c.tagsAfterDeleteDevice, expected);
    EXPECT_EQ(c.portAfterSettings, "1 19200 7 2 1");

    // After the restart the tree is exactly the server's tags.txt.
    EXPECT_EQ(ServerTags(), expected);
    std::vector<std::string> shown;
    for (const TreeLine& line : c.treeAfterRestart) shown.push_back(std::string(line.level * 2, ' ') + line.text);
    EXPECT_EQ(shown, (std::vector<std::string>{"Meter(009)", "  Phase", "    A", "    B", "Meter(020)", "  Phase",
                                                 "    A", "    B"}))
        << DescribeTree(c.treeAfterRestart);
}

}  // namespace
