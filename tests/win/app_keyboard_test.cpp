// The main window and its dialogs with the keyboard only, through the system's input queue:
// the whole journey (devices, tags, periods, deletions, the COM port, the restart) with the
// server's files checked after each step, the selected node's context menu from Shift+F10
// and the context-menu key, and the keyboard focus after the commands that disable the
// window for a while.
#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "KeyInput.h"
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

struct KeyRun {
    INT_PTR result = -2;
    bool shown = false;
    std::vector<std::string> leftOpen;  // message boxes the script did not answer
};

// Runs the main window while the script drives it, message boxes included. Whatever the
// script leaves open is closed afterwards (boxes recorded), so that a failing step cannot
// hang the run.
KeyRun RunByKeys(const std::function<void(HWND window)>& script)
{
    KeyRun run;
    std::atomic<bool> ended{false};
    CTarnelDlg dlg;
    ui_driver::CScript driver([&] {
        HWND window = nullptr;
        ui_driver::WaitFor(
            [&] { return ended || (window = ui_driver::WaitForDialog("Конфигуратор ZOL-OPC-Server версия", 50)); },
            30000);
        if (window == nullptr) return;
        run.shown = true;
        SetForegroundWindow(window);
        script(window);
        ui_driver::WaitFor(
            [&] {
                if (ended) return true;
                for (HWND other : ui_driver::TopLevelWindows()) {
                    if (!IsWindowVisible(other) || other == window) continue;
                    if (ui_driver::IsMessageBox(other)) run.leftOpen.push_back(ui_driver::MessageBoxText(other));
                    if (ui_driver::ClassName(other) == "#32770") ui_driver::PressButton(other, IDCANCEL);
                    if (ui_driver::IsMessageBox(other)) ui_driver::PressButton(other, IDOK);
                }
                if (IsWindowVisible(window)) PostMessageW(window, WM_COMMAND, IDCANCEL, 0);
                return false;
            },
            60000);
    });
    run.result = dlg.DoModal();
    ended = true;
    driver.Join();
    ui_driver::DrainQuitMessage();
    return run;
}

// Answers the message box that shows next with Enter; returns its text ("" when none showed).
std::string AnswerByKeys()
{
    HWND box = ui_driver::WaitForMessageBox(10000);
    if (box == nullptr) return std::string();
    const std::string text = ui_driver::MessageBoxText(box);
    keys::Press({VK_RETURN});
    ui_driver::WaitUntilGone(box, 5000);
    return text;
}

// The text of a message box showing now ("" when none shows).
std::string ShownBoxText()
{
    for (HWND window : ui_driver::TopLevelWindows())
        if (IsWindowVisible(window) && ui_driver::IsMessageBox(window)) return ui_driver::MessageBoxText(window);
    return std::string();
}

HTREEITEM Selected(HWND tree)
{
    return reinterpret_cast<HTREEITEM>(SendMessageW(tree, TVM_GETNEXTITEM, TVGN_CARET, 0));
}

std::string SelectedText(HWND tree)
{
    HTREEITEM item = Selected(tree);
    if (item == nullptr) return "(none)";
    wchar_t text[256] = {};
    TVITEMW tv = {};
    tv.mask = TVIF_TEXT;
    tv.hItem = item;
    tv.pszText = text;
    tv.cchTextMax = 256;
    SendMessageW(tree, TVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&tv));
    return Narrow(text);
}

bool Expanded(HWND tree, HTREEITEM item)
{
    return (SendMessageW(tree, TVM_GETITEMSTATE, reinterpret_cast<WPARAM>(item), TVIS_EXPANDED) & TVIS_EXPANDED) != 0;
}

// Selects the node at path (texts from the root) with Home, Down and Right, as a user does.
bool SelectByKeys(HWND tree, const std::vector<std::string>& path)
{
    HTREEITEM first = reinterpret_cast<HTREEITEM>(SendMessageW(tree, TVM_GETNEXTITEM, TVGN_ROOT, 0));
    keys::PressUntil({VK_HOME}, [&] { return Selected(tree) == first; }, 2000);
    for (size_t depth = 1; depth <= path.size(); ++depth) {
        HTREEITEM target = FindTreeItem(tree, std::vector<std::string>(path.begin(), path.begin() + depth));
        if (target == nullptr) return false;
        for (int tries = 0; tries < 40 && Selected(tree) != target; ++tries) {
            HTREEITEM before = Selected(tree);
            keys::PressUntil({VK_DOWN}, [&] { return Selected(tree) != before; }, 1000);
        }
        if (Selected(tree) != target) return false;
        if (depth < path.size() && !Expanded(tree, target))
            keys::PressUntil({VK_RIGHT}, [&] { return Expanded(tree, target); }, 1000);
    }
    return true;
}

// Presses Tab until the control has the focus, each time waiting for the focus to move.
bool TabTo(HWND control)
{
    for (int tab = 0; tab < 8; ++tab) {
        const HWND before = keys::FocusIn(control);
        if (before == control) return true;
        keys::PressUntil({VK_TAB}, [&] { return keys::FocusIn(control) != before; }, 2000);
    }
    return keys::FocusIn(control) == control;
}

std::vector<std::string> RootTexts(HWND window)
{
    std::vector<std::string> roots;
    for (const TreeLine& line : ReadTree(Tree(window)))
        if (line.level == 0) roots.push_back(line.text);
    return roots;
}

// Waits until the server's tags are the expected ones; returns what they are then.
std::vector<std::string> WaitForTags(const std::vector<std::string>& expected)
{
    std::vector<std::string> tags;
    ui_driver::WaitFor([&] { return (tags = ServerTags()) == expected; }, 5000);
    return tags;
}

// The screen rectangle of the selected node's text.
RECT SelectedTextRect(HWND tree)
{
    RECT rect = {};
    HTREEITEM item = Selected(tree);
    if (item == nullptr) return rect;
    TreeView_GetItemRect(tree, item, &rect, TRUE);
    MapWindowPoints(tree, nullptr, reinterpret_cast<POINT*>(&rect), 2);
    return rect;
}

RECT WindowRect(HWND window)
{
    RECT rect = {};
    GetWindowRect(window, &rect);
    return rect;
}

bool Near(long a, long b) { return a - b <= 4 && b - a <= 4; }

class KeyboardTest : public CWindowTest {
protected:
    void TearDown() override
    {
        _putenv("ZOLCFG_PROGRESS_DELAY_MS=");
        CWindowTest::TearDown();
    }
};

TEST_F(KeyboardTest, TheWholeJourneyWithTheKeyboardOnly)
{
    Prepare("7 5 1 20000000\n");
    standin::WriteStateFile("port.txt", "1 9600 8 0 0\n");
    standin::WriteStateFile("line.txt", "9 7 0 Meter\n");
    standin::SetFaults("probe_timeout_ms 5\n");

    struct Checks {
        bool focusOnTreeAtStart = false, openAfterEnter = false, addTagsFocusOnTree = false;
        bool focusOnApplyBefore = false, focusOnApplyAfter = false, findAfterRestart = false;
        std::vector<std::string> rootsAfterDevice, rootsAfterFound, boxes, selectionByArrows;
        std::vector<std::string> tagsAfterDevice, tagsAfterGroup, tagsAfterPeriodAdd, tagsAfterEdit, tagsAfterDeleteTag,
            tagsAfterDeleteGroup, tagsAfterDeleteDevice;
        std::string searchTitle, port;
        std::vector<TreeLine> treeAfterRestart;
        bool endedByEsc = false;
    } c;

    const KeyRun run = RunByKeys([&](HWND window) {
        HWND tree = Tree(window);
        c.focusOnTreeAtStart = keys::FocusIn(window) == tree;

        // Enter on a device node does nothing; above all, it does not end the program.
        SelectByKeys(tree, {"Meter(005)"});
        keys::Press({VK_RETURN});
        ui_driver::WaitUntilBack(window);
        c.openAfterEnter = IsWindowVisible(window) != FALSE;

        // A device by type and address, from the node's menu (Shift+F10).
        keys::Press({VK_SHIFT, VK_F10});
        HWND menu = keys::WaitForPopupMenu();
        if (menu == nullptr || !keys::ChooseWithKeys(menu, 1)) return;  // "Добавить устройство"
        HWND add = ui_driver::WaitForDialog("Добавление устройства");
        if (add == nullptr) return;
        keys::Type("m");  // the type list has the focus: Meter
        keys::Press({VK_TAB});
        keys::Type("20");
        ui_driver::SaveScreenshot(add, "keyboard-01-add-device");
        keys::Press({VK_RETURN});
        ui_driver::WaitUntilGone(add);
        c.rootsAfterDevice = RootTexts(window);
        c.tagsAfterDevice = ServerTags();

        // A device found on the line: Insert on empty space is not to be had in a tree with
        // nodes, so through the device menu again; the auto-search by Tab, Space and Enter.
        keys::Press({VK_SHIFT, VK_F10});
        menu = keys::WaitForPopupMenu();
        if (menu == nullptr || !keys::ChooseWithKeys(menu, 1)) return;
        add = ui_driver::WaitForDialog("Добавление устройства");
        if (add == nullptr) return;
        TabTo(GetDlgItem(add, IDC_AUTO_SEARCH));
        keys::Press({VK_SPACE});
        HWND search = ui_driver::WaitForDialog("Автопоиск");
        if (search == nullptr) return;
        keys::Type("1");
        keys::Press({VK_TAB});
        keys::Type("10");
        keys::Press({VK_RETURN});  // "Старт"
        ui_driver::WaitFor([&] { return StoredTitle(search) == "Автопоиск завершен"; }, 20000);
        c.searchTitle = StoredTitle(search);
        HWND found = GetDlgItem(search, IDC_FOUND_TREE);
        TabTo(found);
        SelectByKeys(found, {"Meter(009)"});
        ui_driver::SaveScreenshot(search, "keyboard-02-auto-search");
        keys::Press({VK_RETURN});  // takes the device, as a double click does
        ui_driver::WaitUntilGone(search);
        ui_driver::WaitUntilGone(add);
        c.rootsAfterFound = RootTexts(window);

        // Tags of a group: Insert on the device, the group chosen with the arrows, Enter.
        SelectByKeys(tree, {"Meter(020)"});
        keys::Press({VK_INSERT});
        HWND tags = ui_driver::WaitForDialog("Добавление тега для устройства Meter(020)");
        if (tags == nullptr) return;
        HWND parameters = GetDlgItem(tags, IDC_PARAM_TREE);
        c.addTagsFocusOnTree = keys::FocusIn(tags) == parameters;
        SelectByKeys(parameters, {"Meter(020)", "Phase"});
        ui_driver::SaveScreenshot(tags, "keyboard-03-add-tags");
        keys::Press({VK_RETURN});
        c.boxes.push_back(AnswerByKeys());
        keys::Press({VK_ESCAPE});
        ui_driver::WaitUntilGone(tags);
        c.tagsAfterGroup = ServerTags();

        // Tags with a period of their own, typed after Tab.
        SelectByKeys(tree, {"Meter(005)"});
        keys::Press({VK_INSERT});
        tags = ui_driver::WaitForDialog("Добавление тега для устройства Meter(005)");
        if (tags == nullptr) return;
        parameters = GetDlgItem(tags, IDC_PARAM_TREE);
        SelectByKeys(parameters, {"Meter(005)", "Deep"});
        keys::Press({VK_TAB});
        keys::Type("3000");
        keys::Press({VK_RETURN});
        c.boxes.push_back(AnswerByKeys());
        keys::Press({VK_ESCAPE});
        ui_driver::WaitUntilGone(tags);
        c.tagsAfterPeriodAdd = ServerTags();

        // A period: Enter on the tag.
        SelectByKeys(tree, {"Meter(020)", "Phase", "A"});
        keys::Press({VK_RETURN});
        HWND edit = ui_driver::WaitForDialog("Редактирование тега ");
        if (edit == nullptr) return;
        keys::Type("5000");  // the field has the focus, its text selected
        ui_driver::SaveScreenshot(edit, "keyboard-04-edit-period");
        keys::Press({VK_RETURN});
        ui_driver::WaitUntilGone(edit);
        c.tagsAfterEdit =
            WaitForTags(Sorted({"7 5 1 20000000", "7 5 4 30000000", "7 20 2 50000000", "7 20 3 20000000"}));

        // Deletions with the Delete key: a tag, a group, a device.
        SelectByKeys(tree, {"Meter(020)", "Phase", "B"});
        keys::Press({VK_DELETE});
        c.tagsAfterDeleteTag = WaitForTags(Sorted({"7 5 1 20000000", "7 5 4 30000000", "7 20 2 50000000"}));
        SelectByKeys(tree, {"Meter(005)", "Deep"});
        keys::Press({VK_DELETE});
        c.tagsAfterDeleteGroup = WaitForTags(Sorted({"7 5 1 20000000", "7 20 2 50000000"}));
        SelectByKeys(tree, {"Meter(005)"});
        keys::Press({VK_DELETE});
        c.tagsAfterDeleteDevice = WaitForTags({"7 20 2 50000000"});
        ui_driver::SaveScreenshot(window, "keyboard-05-after-deletions");

        // The COM port by its access key (Alt+C), the lists by arrows and letters.
        keys::Press({VK_MENU, 'C'});
        HWND port = ui_driver::WaitForDialog("Настройки СОМ-порта");
        if (port == nullptr) return;
        keys::Press({VK_TAB});
        HWND speed = GetDlgItem(port, IDC_SPEED_COMBO);
        for (int tries = 0; tries < 10 && ui_driver::Text(speed) != "19200"; ++tries) {
            const std::string before = ui_driver::Text(speed);
            keys::PressUntil({VK_DOWN}, [&] { return ui_driver::Text(speed) != before; }, 2000);
        }
        keys::Press({VK_TAB});
        keys::Type("7");
        keys::Press({VK_TAB});
        keys::Type("o");
        keys::Press({VK_TAB});
        keys::Type("2");
        ui_driver::SaveScreenshot(port, "keyboard-06-com-port");
        keys::Press({VK_RETURN});
        ui_driver::WaitUntilGone(port);
        c.port = PortRecord();

        // "Применить" by Tab and Space: afterwards the focus is back on it, and the keys work
        // at once: Ctrl+F opens the find dialog, the arrows move the tree's selection.
        HWND apply = GetDlgItem(window, IDC_APPLY);
        TabTo(apply);
        c.focusOnApplyBefore = keys::FocusIn(window) == apply;
        keys::Press({VK_SPACE});
        ui_driver::WaitFor([&] { return !IsWindowEnabled(window); }, 10000);
        ui_driver::WaitFor([&] { return IsWindowEnabled(window) && StoredTitle(window) == kMainTitle; }, 30000);
        // The tree is filled after the title comes back: wait for what the server holds.
        ui_driver::WaitFor([&] { return ReadTree(tree).size() == 3 && keys::FocusIn(window) != nullptr; }, 10000);
        c.focusOnApplyAfter = keys::FocusIn(window) == apply;
        c.treeAfterRestart = ReadTree(tree);
        keys::Press({VK_CONTROL, 'F'});
        HWND find = ui_driver::WaitForDialog("Найти", 3000);
        c.findAfterRestart = find != nullptr;
        if (find != nullptr) {
            keys::Press({VK_ESCAPE});
            ui_driver::WaitUntilGone(find);
        }
        // Each key is given time to arrive; what is recorded is where the selection stands.
        const auto pressAndRecord = [&](WORD key, const std::string& expected) {
            keys::PressUntil({key}, [&] { return SelectedText(tree) == expected; }, 2000);
            c.selectionByArrows.push_back(SelectedText(tree));
        };
        pressAndRecord(VK_HOME, "Meter(020)");
        keys::PressUntil({VK_RIGHT}, [&] { return Expanded(tree, Selected(tree)); }, 2000);
        pressAndRecord(VK_DOWN, "Phase");
        keys::PressUntil({VK_RIGHT}, [&] { return Expanded(tree, Selected(tree)); }, 2000);
        pressAndRecord(VK_DOWN, "A");
        pressAndRecord(VK_UP, "Phase");
        ui_driver::SaveScreenshot(window, "keyboard-07-after-restart");

        // Esc still ends the program.
        keys::Press({VK_ESCAPE});
        c.endedByEsc = ui_driver::WaitUntilGone(window, 5000);
    });

    EXPECT_TRUE(c.focusOnTreeAtStart);
    EXPECT_TRUE(c.openAfterEnter);
    EXPECT_EQ(c.rootsAfterDevice, (std::vector<std::string>{"Meter(005)", "Meter(020)"}));
    EXPECT_EQ(c.tagsAfterDevice, std::vector<std::string>{"7 5 1 20000000"});
    EXPECT_EQ(c.searchTitle, "Автопоиск завершен");
    EXPECT_EQ(c.rootsAfterFound, (std::vector<std::string>{"Meter(005)", "Meter(009)", "Meter(020)"}));
    EXPECT_TRUE(c.addTagsFocusOnTree);
    EXPECT_EQ(c.boxes, (std::vector<std::string>{"Тэг(и) добавлены", "Тэг(и) добавлены"}));
    EXPECT_EQ(c.tagsAfterGroup, Sorted({"7 5 1 20000000", "7 20 2 20000000", "7 20 3 20000000"}));
    EXPECT_EQ(c.tagsAfterPeriodAdd, Sorted({"7 5 1 20000000", "7 5 4 30000000", "7 20 2 20000000", "7 20 3 20000000"}));
    EXPECT_EQ(c.tagsAfterEdit, Sorted({"7 5 1 20000000", "7 5 4 30000000", "7 20 2 50000000", "7 20 3 20000000"}));
    EXPECT_EQ(c.tagsAfterDeleteTag, Sorted({"7 5 1 20000000", "7 5 4 30000000", "7 20 2 50000000"}));
    EXPECT_EQ(c.tagsAfterDeleteGroup, Sorted({"7 5 1 20000000", "7 20 2 50000000"}));
    EXPECT_EQ(c.tagsAfterDeleteDevice, std::vector<std::string>{"7 20 2 50000000"});
    EXPECT_EQ(c.port, "1 19200 7 2 1");
    EXPECT_TRUE(c.focusOnApplyBefore);
    EXPECT_TRUE(c.focusOnApplyAfter);
    EXPECT_TRUE(c.findAfterRestart);
    std::vector<std::string> shown;
    for (const TreeLine& line : c.treeAfterRestart) shown.push_back(std::string(line.level * 2, ' ') + line.text);
    EXPECT_EQ(shown, (std::vector<std::string>{"Meter(020)", "  Phase", "    A"})) << DescribeTree(c.treeAfterRestart);
    EXPECT_EQ(c.selectionByArrows, (std::vector<std::string>{"Meter(020)", "Phase", "A", "Phase"}));
    EXPECT_TRUE(c.endedByEsc);
    EXPECT_EQ(run.result, IDCANCEL);
    EXPECT_EQ(run.leftOpen, std::vector<std::string>{});
    EXPECT_EQ(ServerTags(), std::vector<std::string>{"7 20 2 50000000"});
}

TEST_F(KeyboardTest, ShiftF10AndTheMenuKeyOpenTheSelectedNodesMenuAtItsText)
{
    Prepare("7 5 1 20000000\n7 5 2 20000000\n");
    std::vector<std::string> tagMenu, deviceMenu;
    bool tagMenuAtText = false, deviceMenuAtText = false, selectionKept = false;
    std::vector<std::string> tagsAfterDelete;
    std::string boxAfterDelete;
    const KeyRun run = RunByKeys([&](HWND window) {
        HWND tree = Tree(window);
        SelectByKeys(tree, {"Meter(005)", "Phase", "A"});
        const RECT text = SelectedTextRect(tree);
        keys::Press({VK_SHIFT, VK_F10});
        HWND menu = keys::WaitForPopupMenu();
        if (menu == nullptr) return;
        tagMenu = MenuItems(menu);
        const RECT placed = WindowRect(menu);
        tagMenuAtText = Near(placed.left, text.left) && Near(placed.top, text.bottom);
        ui_driver::SaveScreenshot(window, "keyboard-node-menu");
        keys::Press({VK_ESCAPE});
        ui_driver::WaitUntilGone(menu);
        selectionKept = SelectedText(tree) == "A";

        // The context-menu key: the device's menu, and its command acts on the device.
        SelectByKeys(tree, {"Meter(005)"});
        const RECT deviceText = SelectedTextRect(tree);
        keys::Press({VK_APPS});
        menu = keys::WaitForPopupMenu();
        if (menu == nullptr) return;
        deviceMenu = MenuItems(menu);
        const RECT devicePlaced = WindowRect(menu);
        deviceMenuAtText = Near(devicePlaced.left, deviceText.left) && Near(devicePlaced.top, deviceText.bottom);
        keys::ChooseWithKeys(menu, 2);  // "Удалить устройство"
        tagsAfterDelete = WaitForTags({});
        boxAfterDelete = ShownBoxText();
        keys::Press({VK_ESCAPE});
    });
    EXPECT_EQ(tagMenu, (std::vector<std::string>{"Добавить тег", "Удалить тег", "Редактировать", "", "Отменить",
                                                 "Вернуть"}));
    EXPECT_TRUE(tagMenuAtText);
    EXPECT_TRUE(selectionKept);
    EXPECT_EQ(deviceMenu, (std::vector<std::string>{"Добавить тег", "Добавить устройство", "Удалить устройство", "",
                                                    "Изменить период...", "Копировать на адреса...",
                                                    "Экспорт тегов...", "Проверить связь", "", "Отменить", "Вернуть"}));
    EXPECT_TRUE(deviceMenuAtText);
    EXPECT_EQ(tagsAfterDelete, std::vector<std::string>{});
    EXPECT_EQ(boxAfterDelete, "");
    EXPECT_EQ(run.result, IDCANCEL);
    EXPECT_EQ(run.leftOpen, std::vector<std::string>{});
}

TEST_F(KeyboardTest, WithNoNodeSelectedTheKeysActOnEmptySpace)
{
    Prepare("");
    std::vector<std::string> menuItems;
    bool menuInTree = false, addDeviceByInsert = false, openAfterEnter = false;
    std::vector<std::string> rootsAfter;
    const KeyRun run = RunByKeys([&](HWND window) {
        HWND tree = Tree(window);
        keys::Press({VK_RETURN});
        ui_driver::WaitUntilBack(window);
        openAfterEnter = IsWindowVisible(window) != FALSE;
        keys::Press({VK_SHIFT, VK_F10});
        HWND menu = keys::WaitForPopupMenu();
        if (menu == nullptr) return;
        menuItems = MenuItems(menu);
        RECT treeRect = WindowRect(tree);
        RECT placed = WindowRect(menu);
        POINT corner = {placed.left, placed.top};
        menuInTree = PtInRect(&treeRect, corner) != FALSE;
        keys::Press({VK_ESCAPE});
        ui_driver::WaitUntilGone(menu);

        keys::Press({VK_INSERT});
        HWND add = ui_driver::WaitForDialog("Добавление устройства", 5000);
        addDeviceByInsert = add != nullptr;
        if (add == nullptr) return;
        keys::Type("m");
        keys::Press({VK_TAB});
        keys::Type("33");
        keys::Press({VK_RETURN});
        ui_driver::WaitUntilGone(add);
        rootsAfter = RootTexts(window);
        keys::Press({VK_ESCAPE});
    });
    EXPECT_TRUE(openAfterEnter);
    EXPECT_EQ(menuItems, (std::vector<std::string>{"Добавить устройство", "", "Найти...", "Экспорт тегов...",
                                                   "Импорт тегов...", "Описания приборов...", "Проверить связь", "Отчёт о конфигурации...", "", "Отменить", "Вернуть",
                                                   "История изменений..."}));
    EXPECT_TRUE(menuInTree);
    EXPECT_TRUE(addDeviceByInsert);
    EXPECT_EQ(rootsAfter, std::vector<std::string>{"Meter(033)"});
    EXPECT_EQ(run.result, IDCANCEL);
    EXPECT_EQ(run.leftOpen, std::vector<std::string>{});
}

TEST_F(KeyboardTest, FocusComesBackAfterABranchPeriodAndAfterARestartWithItsProgressWindow)
{
    Prepare("7 5 1 20000000\n7 5 2 20000000\n7 6 1 20000000\n");
    // The progress window shows at once while the tree is read again after the restart.
    _putenv("ZOLCFG_PROGRESS_DELAY_MS=0");
    standin::SetFaults("slow EnumTags 100\n");
    bool focusOnTreeAfterPeriod = false, focusOnApplyAfterRestart = false, findOpened = false;
    std::string box, afterDown;
    std::vector<std::string> tags;
    const KeyRun run = RunByKeys([&](HWND window) {
        HWND tree = Tree(window);
        SelectByKeys(tree, {"Meter(005)"});
        keys::Press({VK_SHIFT, VK_F10});
        HWND menu = keys::WaitForPopupMenu();
        if (menu == nullptr || !keys::ChooseWithKeys(menu, 4)) return;  // "Изменить период..."
        HWND period = ui_driver::WaitForDialog("Период обновления тегов: Meter(005)");
        if (period == nullptr) return;
        keys::Type("4000");
        keys::Press({VK_RETURN});
        box = AnswerByKeys();
        tags = ServerTags();
        ui_driver::WaitFor([&] { return keys::FocusIn(window) != nullptr; }, 2000);
        focusOnTreeAfterPeriod = keys::FocusIn(window) == tree;
        keys::PressUntil({VK_DOWN}, [&] { return SelectedText(tree) == "Meter(006)"; }, 2000);
        afterDown = SelectedText(tree);

        HWND apply = GetDlgItem(window, IDC_APPLY);
        TabTo(apply);
        keys::Press({VK_SPACE});
        ui_driver::WaitFor([&] { return !IsWindowEnabled(window); }, 10000);
        ui_driver::WaitFor([&] { return IsWindowEnabled(window) && StoredTitle(window) == kMainTitle; }, 30000);
        // The focus comes back when the tree has been read again: until then it is nowhere.
        ui_driver::WaitFor([&] { return keys::FocusIn(window) != nullptr; }, 10000);
        ui_driver::WaitUntilBack(window);
        focusOnApplyAfterRestart = keys::FocusIn(window) == apply;
        keys::Press({VK_CONTROL, 'F'});
        HWND find = ui_driver::WaitForDialog("Найти", 3000);
        findOpened = find != nullptr;
        if (find != nullptr) {
            keys::Press({VK_ESCAPE});
            ui_driver::WaitUntilGone(find);
        }
        keys::Press({VK_ESCAPE});
    });
    EXPECT_EQ(box, "Период изменён у 2 тегов");
    EXPECT_EQ(tags, Sorted({"7 5 1 40000000", "7 5 2 40000000", "7 6 1 20000000"}));
    EXPECT_TRUE(focusOnTreeAfterPeriod);
    EXPECT_EQ(afterDown, "Meter(006)");
    EXPECT_TRUE(focusOnApplyAfterRestart);
    EXPECT_TRUE(findOpened);
    EXPECT_EQ(run.result, IDCANCEL);
    EXPECT_EQ(run.leftOpen, std::vector<std::string>{});
}

// Alt with a letter of a Russian layout: the character as the system delivers it (this
// machine's keyboard has no Cyrillic letters to type). The key of C gives the Cyrillic С
// there, not the Latin C of "&CОМ-порт"; the letters come in lower case.
void PressAltLetter(HWND window, wchar_t letter)
{
    // After a dialog closes, the focus comes back to the window a moment later.
    HWND focus = nullptr;
    ui_driver::WaitFor([&] { return IsChild(window, focus = keys::FocusIn(window)) != FALSE; }, 3000);
    PostMessageW(focus, WM_SYSCHAR, letter, 0x20000001);
}

TEST_F(KeyboardTest, TheButtonsAccessKeysOfARussianLayout)
{
    Prepare("7 5 1 20000000\n");
    bool comPort = false, addDevice = false, restarted = false, ended = false;
    const KeyRun run = RunByKeys([&](HWND window) {
        PressAltLetter(window, L'\x0421');  // С
        HWND port = ui_driver::WaitForDialog("Настройки СОМ-порта", 5000);
        comPort = port != nullptr;
        if (port != nullptr) {
            keys::Press({VK_ESCAPE});
            ui_driver::WaitUntilGone(port);
        }
        PressAltLetter(window, L'\x0434');  // д: "&Добавить устройство"
        HWND add = ui_driver::WaitForDialog("Добавление устройства", 5000);
        addDevice = add != nullptr;
        if (add != nullptr) {
            keys::Press({VK_ESCAPE});
            ui_driver::WaitUntilGone(add);
        }
        PressAltLetter(window, L'\x043F');  // п: "&Применить"
        restarted = ui_driver::WaitFor([&] { return StoredTitle(window) == "Перезапускается сервер..."; }, 10000);
        ui_driver::WaitFor([&] { return keys::FocusIn(window) != nullptr; }, 20000);
        PressAltLetter(window, L'\x0432');  // в: "&Выход"
        ended = ui_driver::WaitUntilGone(window, 5000);
    });
    EXPECT_TRUE(comPort);
    EXPECT_TRUE(addDevice);
    EXPECT_TRUE(restarted);
    EXPECT_TRUE(ended);
    EXPECT_EQ(run.result, IDCANCEL);
    EXPECT_EQ(run.leftOpen, std::vector<std::string>{});
}

}  // namespace
