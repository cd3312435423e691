// The main window's editing commands through the real context menu, the add-tags dialog
// and the refresh-period dialog, against the stand-in server through real COM.
#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <functional>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "BoxAnswerer.h"
#include "MainWindowRun.h"
#include "MenuDriver.h"
#include "ServerFiles.h"
#include "StandinFixture.h"
#include "TreeReader.h"
#include "UiDriver.h"
#include "WindowTest.h"
#include "commands/CommandTable.h"
#include "res/resource.h"
#include "tree/TagKey.h"
#include "ui/Text.h"

namespace {

// The server's tags as sorted "type address param period" lines.
std::string GroupSeparator()
{
    wchar_t separator[8] = {};
    GetLocaleInfoW(LOCALE_USER_DEFAULT, LOCALE_STHOUSAND, separator, 8);
    return Narrow(separator);
}

// The numbers 0 and 65535 name no parameter: the add-tags dialog leaves them out.
class CommandsTest : public CWindowTest {
protected:
    void SetUp() override
    {
        Prepare("7 5 1 20000000\n7 5 2 20000000\n7 5 3 20000000\n",
                "Broken        0 INT  R INPT_REG 8\r\n"
                "Marker    65535 INT  R INPT_REG 9\r\n");
    }
};

TEST_F(CommandsTest, MenuItemsDependOnTheNodeUnderTheMouse)
{
    std::vector<std::vector<std::string>> menus;
    RunMain([&](HWND window, CTarnelDlg&) {
        for (const auto& path : std::vector<std::vector<std::string>>{
                 {"Meter(005)"}, {"Meter(005)", "Phase"}, {"Meter(005)", "Phase", "A"}}) {
            HWND menu = OpenContextMenu(window, PointOf(window, path));
            menus.push_back(menu ? MenuItems(menu) : std::vector<std::string>{"(no menu)"});
            if (menu) DismissMenu(menu);
        }
        HWND menu = OpenContextMenu(window, EmptyTreeScreenPoint(Tree(window)));
        menus.push_back(menu ? MenuItems(menu) : std::vector<std::string>{"(no menu)"});
        if (menu) DismissMenu(menu);
        // The keyboard's menu key reports (-1, -1): the menu of the selected node (the device,
        // selected since the tree took the focus), not a hit test of that point.
        menu = OpenContextMenu(window, POINT{-1, -1});
        menus.push_back(menu ? MenuItems(menu) : std::vector<std::string>{"(no menu)"});
        if (menu) DismissMenu(menu);
        ui_driver::PressButton(window, IDCANCEL);
    });
    ASSERT_EQ(menus.size(), 5u);
    // The given items first; the window's own follow after a separator ("").
    EXPECT_EQ(menus[0], (std::vector<std::string>{"Добавить тег", "Добавить устройство", "Удалить устройство", "",
                                                  "Изменить период...", "Копировать на адреса...",
                                                    "Экспорт тегов...", "Проверить связь", "", "Отменить", "Вернуть"}));
    EXPECT_EQ(menus[1], (std::vector<std::string>{"Добавить тег", "Удалить теги", "", "Изменить период...", "",
                                                   "Отменить", "Вернуть"}));
    EXPECT_EQ(menus[2], (std::vector<std::string>{"Добавить тег", "Удалить тег", "Редактировать", "", "Отменить",
                                                  "Вернуть"}));
    const std::vector<std::string> emptySpace{"Добавить устройство", "", "Найти...", "Экспорт тегов...",
                                                  "Импорт тегов...", "Описания приборов...", "Проверить связь", "Отчёт о конфигурации...", "",
                                                  "Отменить", "Вернуть", "История изменений..."};
    EXPECT_EQ(menus[3], emptySpace);
    EXPECT_EQ(menus[4], menus[0]);
}

TEST_F(CommandsTest, ACommandSentForAnotherKindOfNodeDoesNothing)
{
    std::vector<std::string> before, after;
    const MainRun run = RunMain([&](HWND window, CTarnelDlg&) {
        before = ServerTags();
        // The group's menu makes the group the current node. Commands its menu does not
        // offer, sent as another program or a stale menu might, find no node of their kind:
        // the device's delete must not delete the group's tags, nor the tag's edit read a group.
        HWND menu = OpenContextMenu(window, PointOf(window, {"Meter(005)", "Phase"}));
        if (menu) DismissMenu(menu);
        for (int id : {ID_DELETE_DEVICE, ID_DELETE_TAG, ID_EDIT_TAG})
            PostMessageW(window, WM_COMMAND, static_cast<WPARAM>(id), 0);
        ui_driver::WaitUntilBack(window);
        after = ServerTags();
        ui_driver::PressButton(window, IDCANCEL);
    });
    EXPECT_EQ(before.size(), 3u);
    EXPECT_EQ(after, before);
    EXPECT_TRUE(run.boxes.empty());
}

TEST_F(CommandsTest, NodeMenuRestoresTheSelectionAndTipNamesTheHint)
{
    HTREEITEM selectedBefore = nullptr;
    HTREEITEM selectedAfter = nullptr;
    std::string tip;
    RunMain([&](HWND window, CTarnelDlg&) {
        HWND tree = Tree(window);
        HTREEITEM device = FindTreeItem(tree, {"Meter(005)"});
        SendMessageW(tree, TVM_SELECTITEM, TVGN_CARET, reinterpret_cast<LPARAM>(device));
        selectedBefore = reinterpret_cast<HTREEITEM>(SendMessageW(tree, TVM_GETNEXTITEM, TVGN_CARET, 0));
        SendMessageW(tree, TVM_EXPAND, TVE_EXPAND, reinterpret_cast<LPARAM>(device));
        HWND menu = OpenContextMenu(window, PointOf(window, {"Meter(005)", "Voltage"}));
        if (menu) DismissMenu(menu);
        selectedAfter = reinterpret_cast<HTREEITEM>(SendMessageW(tree, TVM_GETNEXTITEM, TVGN_CARET, 0));

        wchar_t buffer[256] = {};
        NMTVGETINFOTIPW request = {};
        request.hdr.hwndFrom = tree;
        request.hdr.idFrom = IDC_CONFIG_TREE;
        request.hdr.code = TVN_GETINFOTIPW;
        request.pszText = buffer;
        request.cchTextMax = 256;
        request.hItem = device;
        SendMessageW(window, WM_NOTIFY, IDC_CONFIG_TREE, reinterpret_cast<LPARAM>(&request));
        tip = Narrow(buffer);
        ui_driver::PressButton(window, IDCANCEL);
    });
    EXPECT_NE(selectedBefore, nullptr);
    EXPECT_EQ(selectedAfter, selectedBefore);
    EXPECT_EQ(tip, "Чтобы добавить новый тег кликните правой кнопкой");
}

// Opens the add-tags dialog from the device's menu, selects the node at path in it, presses
// Add and closes it; returns the dialog's caption and its tree as shown.
struct AddOutcome {
    std::string caption;
    std::vector<TreeLine> dialogTree;
    std::string period;
};

AddOutcome AddTagsThroughDialog(HWND window, const std::vector<std::string>& path,
                                const std::string& periodText = "")
{
    AddOutcome outcome;
    if (!ChooseFromMenu(window, PointOf(window, {"Meter(005)"}), "Добавить тег")) return outcome;
    HWND dialog = ui_driver::WaitForDialog("Добавление тега для устройства ");
    if (dialog == nullptr) return outcome;
    outcome.caption = ui_driver::Text(dialog);
    HWND tree = GetDlgItem(dialog, IDC_PARAM_TREE);
    outcome.dialogTree = ReadTree(tree);
    outcome.period = ui_driver::ItemText(dialog, IDC_PERIOD_EDIT);
    if (!periodText.empty()) SetWindowTextW(GetDlgItem(dialog, IDC_PERIOD_EDIT), Widen(periodText).c_str());
    HTREEITEM item = FindTreeItem(tree, path);
    SendMessageW(tree, TVM_SELECTITEM, TVGN_CARET, reinterpret_cast<LPARAM>(item));
    ui_driver::SaveScreenshot(dialog, "add-tags-dialog");
    ui_driver::PressButton(dialog, IDOK);
    // The dialog reports the Add in a box (answered by RunMain); close only after it.
    HWND box = ui_driver::WaitForMessageBox(10000);
    if (box) ui_driver::WaitUntilGone(box, 10000);
    ui_driver::PressButton(dialog, IDCANCEL);
    ui_driver::WaitUntilGone(dialog);
    return outcome;
}

TEST_F(CommandsTest, AddTagsOnAParameterAGroupAndTheDevice)
{
    AddOutcome first;
    std::vector<std::string> afterParameter;
    std::vector<std::string> afterGroup;
    std::vector<TreeLine> mainTree;
    const MainRun run = RunMain([&](HWND window, CTarnelDlg&) {
        // The locale's digit grouping, as the spin control writes it, is accepted as typed.
        first = AddTagsThroughDialog(window, {"Meter(005)", "Voltage"}, "1" + GroupSeparator() + "500");
        afterParameter = ServerTags();
        AddTagsThroughDialog(window, {"Meter(005)", "Deep"});
        afterGroup = ServerTags();
        AddTagsThroughDialog(window, {"Meter(005)"});
        mainTree = ReadTree(Tree(window));
        ui_driver::PressButton(window, IDCANCEL);
    });
    EXPECT_EQ(first.caption, "Добавление тега для устройства Meter(005)");
    EXPECT_EQ(Digits(first.period), "2000");
    // Groups before parameters at every level; the numbers 0 and 65535 name no parameter
    // and are left out.
    std::vector<std::string> shown;
    for (const TreeLine& line : first.dialogTree) shown.push_back(std::string(line.level * 2, ' ') + line.text);
    EXPECT_EQ(shown, (std::vector<std::string>{"Meter(005)", "  Deep", "    Er", "      Name", "  Phase", "    A",
                                                 "    B", "  Voltage"}));
    EXPECT_EQ(afterParameter, Sorted({"7 5 1 15000000", "7 5 2 20000000", "7 5 3 20000000"}));
    EXPECT_EQ(afterGroup, Sorted({"7 5 1 15000000", "7 5 2 20000000", "7 5 3 20000000", "7 5 4 20000000"}));
    EXPECT_EQ(ServerTags(), Sorted({"7 5 1 20000000", "7 5 2 20000000", "7 5 3 20000000", "7 5 4 20000000"}));
    EXPECT_EQ(run.boxes, (std::vector<std::string>{"Тэг(и) добавлены", "Тэг(и) добавлены", "Тэг(и) добавлены"}));
    ASSERT_FALSE(mainTree.empty());
    EXPECT_NE(std::find_if(mainTree.begin(), mainTree.end(),
                           [](const TreeLine& l) { return l.text == "Name" && l.key == MakeTagKey(5, 7, 4); }),
              mainTree.end())
        << DescribeTree(mainTree);
}

TEST_F(CommandsTest, RefusedAddIsReportedAndKeepsTheTreeAsTheServerHasIt)
{
    standin::SetFaults("fail AddTag 0x80004005\n");
    std::vector<TreeLine> before;
    std::vector<TreeLine> after;
    const MainRun run = RunMain([&](HWND window, CTarnelDlg&) {
        before = ReadTree(Tree(window));
        AddTagsThroughDialog(window, {"Meter(005)", "Deep"});
        ui_driver::WaitUntilBack(window);
        after = ReadTree(Tree(window));
        ui_driver::PressButton(window, IDCANCEL);
    });
    EXPECT_EQ(run.boxes, (std::vector<std::string>{
                             "Сервер не принял тегов: 1 из 1 (ошибка 0x80004005).\nЭти теги не добавлены."}));
    EXPECT_EQ(after, before) << DescribeTree(after);
    EXPECT_EQ(ServerTags(), Sorted({"7 5 1 20000000", "7 5 2 20000000", "7 5 3 20000000"}));
}

// Opens the refresh-period dialog of Meter(005).Voltage by a double click, lets edit act on
// it, and returns its caption and the text its field showed.
struct EditOutcome {
    std::string caption;
    std::string shown;
    bool opened = false;
};

EditOutcome EditVoltage(HWND window, const std::function<void(HWND dialog)>& edit)
{
    EditOutcome outcome;
    HWND tree = Tree(window);
    HTREEITEM device = FindTreeItem(tree, {"Meter(005)"});
    SendMessageW(tree, TVM_EXPAND, TVE_EXPAND, reinterpret_cast<LPARAM>(device));
    HTREEITEM voltage = FindTreeItem(tree, {"Meter(005)", "Voltage"});
    SendMessageW(tree, TVM_SELECTITEM, TVGN_CARET, reinterpret_cast<LPARAM>(voltage));
    NMHDR click = {tree, IDC_CONFIG_TREE, static_cast<UINT>(NM_DBLCLK)};
    PostMessageW(window, WM_NOTIFY, IDC_CONFIG_TREE, reinterpret_cast<LPARAM>(&click));
    HWND dialog = ui_driver::WaitForDialog("Редактирование тега ", 4000);
    if (dialog == nullptr) return outcome;
    outcome.opened = true;
    outcome.caption = ui_driver::Text(dialog);
    outcome.shown = ui_driver::ItemText(dialog, IDC_PERIOD_EDIT);
    ui_driver::SaveScreenshot(dialog, "refresh-period-dialog");
    edit(dialog);
    ui_driver::WaitUntilGone(dialog);
    return outcome;
}


TEST_F(CommandsTest, RefreshPeriodApplyCancelAndInvalidText)
{
    EditOutcome applied, cancelled, invalid;
    std::vector<std::string> afterApply, afterCancel, afterInvalid;
    const MainRun run = RunMain([&](HWND window, CTarnelDlg&) {
        applied = EditVoltage(window, [](HWND dialog) {
            SetWindowTextW(GetDlgItem(dialog, IDC_PERIOD_EDIT), L"3500");
            ui_driver::PressButton(dialog, IDOK);
        });
        // The window sends AddTag once the dialog has gone: give the call its time.
        ui_driver::WaitFor(
            [&] {
                afterApply = ServerTags();
                return afterApply == Sorted({"7 5 1 35000000", "7 5 2 20000000", "7 5 3 20000000"});
            },
            5000);
        standin::SetFaults("fail AddTag 0x80004005\n");
        cancelled = EditVoltage(window, [](HWND dialog) {
            SetWindowTextW(GetDlgItem(dialog, IDC_PERIOD_EDIT), L"10");
            ui_driver::PressButton(dialog, IDCANCEL);
        });
        afterCancel = ServerTags();
        invalid = EditVoltage(window, [](HWND dialog) {
            SetWindowTextW(GetDlgItem(dialog, IDC_PERIOD_EDIT), L"abc");
            ui_driver::PressButton(dialog, IDOK);
        });
        afterInvalid = ServerTags();
        ui_driver::PressButton(window, IDCANCEL);
    });
    EXPECT_EQ(applied.caption, "Редактирование тега Meter(005).Voltage");
    EXPECT_EQ(Digits(applied.shown), "2000");
    EXPECT_EQ(afterApply, Sorted({"7 5 1 35000000", "7 5 2 20000000", "7 5 3 20000000"}));
    EXPECT_TRUE(cancelled.opened);
    EXPECT_EQ(afterCancel, afterApply);
    EXPECT_EQ(Digits(invalid.shown), "3500");
    // The faults file is read per connection: the open connection still accepts, and the
    // invalid text leaves the last valid position, 3500 ms, in force.
    EXPECT_EQ(afterInvalid, afterApply);
    EXPECT_EQ(run.boxes, std::vector<std::string>{});
}

TEST_F(CommandsTest, PeriodBeyondTheSpinRangeIsShownAndKeptUnclamped)
{
    standin::WriteStateFile("tags.txt", "7 5 1 15000000000\n");
    EditOutcome outcome;
    RunMain([&](HWND window, CTarnelDlg&) {
        outcome = EditVoltage(window, [](HWND dialog) { ui_driver::PressButton(dialog, IDOK); });
        ui_driver::PressButton(window, IDCANCEL);
    });
    EXPECT_EQ(Digits(outcome.shown), "1500000");
    EXPECT_EQ(ServerTags(), std::vector<std::string>{"7 5 1 15000000000"});
}

TEST_F(CommandsTest, UnreadablePeriodOpensNoDialog)
{
    standin::SetFaults("fail GetTagInfo 0x80004005\n");
    EditOutcome outcome;
    const MainRun run = RunMain([&](HWND window, CTarnelDlg&) {
        outcome = EditVoltage(window, [](HWND dialog) { ui_driver::PressButton(dialog, IDCANCEL); });
        ui_driver::PressButton(window, IDCANCEL);
    });
    EXPECT_FALSE(outcome.opened);
    EXPECT_EQ(run.boxes,
              std::vector<std::string>{"Не удалось прочитать период обновления тега (ошибка 0x80004005)."});
}

TEST_F(CommandsTest, RefusedPeriodIsReported)
{
    standin::SetFaults("fail AddTag 0x80070057\n");
    const MainRun run = RunMain([&](HWND window, CTarnelDlg&) {
        EditVoltage(window, [](HWND dialog) { ui_driver::PressButton(dialog, IDOK); });
        ui_driver::PressButton(window, IDCANCEL);
    });
    EXPECT_EQ(run.boxes, std::vector<std::string>{
                             "Сервер не принял новый период обновления (ошибка 0x80070057).\nПериод не изменён."});
}

TEST_F(CommandsTest, DeleteTagGroupAndDevice)
{
    standin::WriteStateFile("tags.txt", "7 5 1 1\n7 5 2 1\n7 5 3 1\n7 5 4 1\n7 6 1 1\n");
    std::vector<std::string> afterTag, afterGroup;
    std::vector<TreeLine> treeAfterGroup, treeAfterDevice, treeAfterLast;
    const MainRun run = RunMain([&](HWND window, CTarnelDlg&) {
        HWND tree = Tree(window);
        SendMessageW(tree, TVM_EXPAND, TVE_EXPAND, reinterpret_cast<LPARAM>(FindTreeItem(tree, {"Meter(005)"})));
        ChooseFromMenu(window, PointOf(window, {"Meter(005)", "Voltage"}), "Удалить тег");
        ui_driver::WaitUntilBack(window);
        afterTag = ServerTags();
        ChooseFromMenu(window, PointOf(window, {"Meter(005)", "Phase"}), "Удалить теги");
        ui_driver::WaitUntilBack(window);
        afterGroup = ServerTags();
        treeAfterGroup = ReadTree(tree);
        ChooseFromMenu(window, PointOf(window, {"Meter(005)"}), "Удалить устройство");
        ui_driver::WaitUntilBack(window);
        treeAfterDevice = ReadTree(tree);
        // The last tag of a device takes its emptied device node along.
        SendMessageW(tree, TVM_EXPAND, TVE_EXPAND, reinterpret_cast<LPARAM>(FindTreeItem(tree, {"Meter(006)"})));
        ChooseFromMenu(window, PointOf(window, {"Meter(006)", "Voltage"}), "Удалить тег");
        ui_driver::WaitUntilBack(window);
        treeAfterLast = ReadTree(tree);
        ui_driver::PressButton(window, IDCANCEL);
    });
    EXPECT_EQ(run.boxes, std::vector<std::string>{});
    EXPECT_EQ(afterTag, Sorted({"7 5 2 1", "7 5 3 1", "7 5 4 1", "7 6 1 1"}));
    EXPECT_EQ(afterGroup, Sorted({"7 5 4 1", "7 6 1 1"}));
    bool phaseGone = std::none_of(treeAfterGroup.begin(), treeAfterGroup.end(),
                                  [](const TreeLine& l) { return l.text == "Phase"; });
    EXPECT_TRUE(phaseGone) << DescribeTree(treeAfterGroup);
    EXPECT_EQ(treeAfterDevice.size(), 2u) << DescribeTree(treeAfterDevice);
    EXPECT_TRUE(treeAfterLast.empty()) << DescribeTree(treeAfterLast);
    EXPECT_EQ(ServerTags(), std::vector<std::string>{});
}

// Deleting a device calls the server once per tag, and the calls dispatch messages: the
// window is out of reach while the calls go on, and takes input again after.
TEST_F(CommandsTest, ADeletionHoldsTheWindowWhileItsCallsGoOn)
{
    standin::WriteStateFile("tags.txt", "7 5 1 1\n7 5 2 1\n");
    // Each call lasts long enough that the look below comes before the second one ends.
    standin::SetFaults("slow DeleteTag " + std::to_string(ui_driver::ResponseLimitMs(3000)) + "\n");
    const size_t before = standin::LogLines("slow fault: inside DeleteTag");
    bool inside = false, held = false, back = false;
    size_t tagsLeft = 0;
    const MainRun run = RunMain([&](HWND window, CTarnelDlg&) {
        HWND tree = Tree(window);
        SendMessageW(tree, TVM_SELECTITEM, TVGN_CARET, reinterpret_cast<LPARAM>(FindTreeItem(tree, {"Meter(005)"})));
        // The Delete key's message, posted: the command runs on the window's thread while
        // this one looks.
        PostMessageW(window, CTarnelDlg::WM_TREE_KEY, static_cast<WPARAM>(CommandKey::Delete), 0);
        inside = standin::WaitForLogLine("slow fault: inside DeleteTag", before);
        held = IsWindowEnabled(window) == FALSE;
        tagsLeft = ServerTags().size();
        back = ui_driver::WaitUntilBack(window, 30000);
        ui_driver::PressButton(window, IDCANCEL);
    });
    ASSERT_TRUE(inside);
    EXPECT_GT(tagsLeft, 0u) << "the look came after the deletion: it says nothing";
    EXPECT_TRUE(held) << "the window took input while the deletion called the server";
    EXPECT_TRUE(back);
    EXPECT_EQ(run.boxes, std::vector<std::string>{});
    EXPECT_EQ(ServerTags(), std::vector<std::string>{});
}

TEST_F(CommandsTest, RefusedDeletionsKeepTheNodesAndAreReportedOnce)
{
    standin::SetFaults("fail DeleteTag 0x80004005\n");
    std::vector<TreeLine> before, after;
    const MainRun run = RunMain([&](HWND window, CTarnelDlg&) {
        HWND tree = Tree(window);
        SendMessageW(tree, TVM_EXPAND, TVE_EXPAND, reinterpret_cast<LPARAM>(FindTreeItem(tree, {"Meter(005)"})));
        before = ReadTree(tree);
        ChooseFromMenu(window, PointOf(window, {"Meter(005)", "Voltage"}), "Удалить тег");
        ui_driver::WaitUntilBack(window);  // its box answered
        ChooseFromMenu(window, PointOf(window, {"Meter(005)"}), "Удалить устройство");
        ui_driver::WaitUntilBack(window);
        after = ReadTree(tree);
        ui_driver::PressButton(window, IDCANCEL);
    });
    EXPECT_EQ(run.boxes, (std::vector<std::string>{
                             "Сервер не удалил тег (ошибка 0x80004005).\nТег остался в конфигурации.",
                             "Сервер не удалил тегов: 3 из 3 (ошибка 0x80004005).\nЭти теги остались в конфигурации."}));
    for (TreeLine& line : before) line.expanded = false;
    EXPECT_EQ(after, before) << DescribeTree(after);
    EXPECT_EQ(ServerTags(), Sorted({"7 5 1 20000000", "7 5 2 20000000", "7 5 3 20000000"}));
}

}  // namespace
