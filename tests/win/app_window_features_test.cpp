// The main window's commands for large configurations, through the real menus, keys and
// dialogs against the stand-in server: the description-files report, Find and Find Next,
// one period for a branch, and the progress window of a slow start.
#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <mutex>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "BoxAnswerer.h"
#include "KeyInput.h"
#include "MainWindowRun.h"
#include "MenuDriver.h"
#include "ModalRun.h"
#include "ServerFiles.h"
#include "StandinFixture.h"
#include "TreeReader.h"
#include "UiDriver.h"
#include "WindowTest.h"
#include "catalogue/Checksum.h"
#include "dialogs/DescriptionFilesDlg.h"
#include "res/resource.h"
#include "tree/TagKey.h"
#include "ui/Text.h"

namespace {

using Rows = ui_driver::Rows;
using ui_driver::ListRows;

void SelectRow(HWND list, int row)
{
    LVITEMW item = {};
    item.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
    item.state = LVIS_SELECTED | LVIS_FOCUSED;
    SendMessageW(list, LVM_SETITEMSTATE, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&item));
}

std::string SelectedText(HWND tree)
{
    HTREEITEM item = reinterpret_cast<HTREEITEM>(SendMessageW(tree, TVM_GETNEXTITEM, TVGN_CARET, 0));
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

// Waits until the description-files dialog has read its folder (its details stop counting).
bool WaitForFilesRead(HWND dialog, int timeoutMs = 60000)
{
    return ui_driver::WaitFor(
        [&] {
            const std::string details = ui_driver::ItemText(dialog, IDC_DSC_DETAILS);
            return details.rfind("Чтение", 0) != 0 && details.rfind("Прочитано", 0) != 0;
        },
        timeoutMs);
}

// Opens the description-files dialog from the empty space's menu, waits until it has read
// its folder and reads every row with the details it shows; afterRow(dialog) runs once each
// row is selected. The dialog, or nullptr when it did not open or read its folder.
HWND ReadDescriptionFilesDialog(HWND window, Rows& rows, std::vector<std::string>& details,
                                const std::function<void(HWND dialog)>& afterRow = nullptr)
{
    if (!ChooseFromMenu(window, EmptyTreeScreenPoint(Tree(window)), "Описания приборов...")) return nullptr;
    HWND dialog = ui_driver::WaitForDialog("Описания приборов");
    if (dialog == nullptr || !WaitForFilesRead(dialog)) return nullptr;
    HWND list = GetDlgItem(dialog, IDC_DSC_LIST);
    rows = ListRows(list);
    for (int row = 0; row < static_cast<int>(rows.size()); ++row) {
        SelectRow(list, row);
        details.push_back(ui_driver::ItemText(dialog, IDC_DSC_DETAILS));
        if (afterRow) afterRow(dialog);
    }
    return dialog;
}

// The menu of the point, or "(no menu)".
std::vector<std::string> MenuAt(HWND window, POINT point)
{
    HWND menu = OpenContextMenu(window, point);
    if (menu == nullptr) return {"(no menu)"};
    std::vector<std::string> items = MenuItems(menu);
    DismissMenu(menu);
    return items;
}

// ---------------------------------------------------------------------------------------
// Description files

class DescriptionFilesTest : public CWindowTest {};

TEST_F(DescriptionFilesTest, EveryFileWithItsResultFromTheEmptySpaceAndTheSystemMenu)
{
    Prepare("7 5 1 20000000\n");
    m_descriptions.Write("a_old.dsc", "DEVICE_DESCRIPTION\r\nOldMeter 7\r\nVoltage 1 REAL R INPT_REG 0\r\n");
    std::string crc = "\x01\x02\x03\x04" "DEVICE_DESCRIPTION\r\nBroken 8\r\n";
    m_descriptions.WriteRaw("b_crc.dsc", crc);
    m_descriptions.Write("c_text.dsc", "NOT_A_DESCRIPTION\r\n");
    m_descriptions.Write("d_lint.dsc", "DEVICE_DESCRIPTION\r\nПрибор 12\r\nТок 1 NUMBER R INPT_REG 0\r\n");

    Rows rows;
    std::vector<std::string> details;
    std::vector<std::string> systemMenu;
    bool fromSystemMenu = false;
    std::vector<TreeLine> tree;
    RunMain([&](HWND window, CTarnelDlg&) {
        tree = ReadTree(Tree(window));
        HWND dialog = ReadDescriptionFilesDialog(window, rows, details);
        if (dialog == nullptr) return;
        SelectRow(GetDlgItem(dialog, IDC_DSC_LIST), 3);
        ui_driver::SaveScreenshot(dialog, "description-files-dialog");
        ui_driver::PressButton(dialog, IDCANCEL);
        ui_driver::WaitUntilGone(dialog);

        // The window's system menu (Alt+Space) holds the item too, after a separator.
        PostMessageW(window, WM_SYSCOMMAND, SC_KEYMENU, ' ');
        HWND menu = nullptr;
        ui_driver::WaitFor([&] { return (menu = ui_driver::WaitForWindow([](HWND w) {
                                             return ui_driver::ClassName(w) == "#32768";
                                         }, 100)) != nullptr; }, 5000);
        if (menu != nullptr) {
            systemMenu = MenuItems(menu);
            for (size_t i = 0; i < systemMenu.size(); ++i)
                if (systemMenu[i] == "Описания приборов...") ChooseMenuItem(menu, static_cast<int>(i));
            dialog = ui_driver::WaitForDialog("Описания приборов", 5000);
            fromSystemMenu = dialog != nullptr;
            if (dialog) {
                ui_driver::PressButton(dialog, IDCANCEL);
                ui_driver::WaitUntilGone(dialog);
            }
        }
        ui_driver::PressButton(window, IDCANCEL);
    });

    ASSERT_EQ(rows.size(), 5u);
    EXPECT_EQ(rows[0], (std::vector<std::string>{"a_old.dsc", "перекрыт файлом meter.dsc", "7", "OldMeter", "1", "0"}));
    EXPECT_EQ(rows[1], (std::vector<std::string>{"b_crc.dsc", "неверная контрольная сумма", "", "", "", "1"}));
    EXPECT_EQ(rows[2], (std::vector<std::string>{"c_text.dsc", "не описание прибора", "", "", "", "1"}));
    EXPECT_EQ(rows[3], (std::vector<std::string>{"d_lint.dsc", "загружен", "12", "Прибор", "1", "1"}));
    EXPECT_EQ(rows[4], (std::vector<std::string>{"meter.dsc", "загружен", "7", "Meter", "4", "0"}));
    ASSERT_EQ(details.size(), 5u);
    EXPECT_EQ(details[0], "Сообщения загрузчика: нет\r\nЗамечания: нет");
    EXPECT_NE(details[1].find("Wrong CRC in file b_crc.dsc"), std::string::npos) << details[1];
    EXPECT_NE(details[1].find("строка 1: записана контрольная сумма 01020304"), std::string::npos) << details[1];
    EXPECT_NE(details[2].find("File c_text.dsc don't contain device description information"), std::string::npos);
    EXPECT_EQ(details[3], "Сообщения загрузчика:\r\n    Wrong parameter type - NUMBER\r\n"
                          "Замечания:\r\n    строка 3: неизвестный тип данных «NUMBER»");
    // The catalogue used the later file of type 7, as the dialog says.
    ASSERT_FALSE(tree.empty());
    EXPECT_EQ(tree[0].text, "Meter(005)");
    EXPECT_TRUE(fromSystemMenu);
    ASSERT_GE(systemMenu.size(), 4u);
    EXPECT_EQ(systemMenu[systemMenu.size() - 4], "");
    EXPECT_EQ(systemMenu[systemMenu.size() - 3], "Описания приборов...");
    EXPECT_EQ(systemMenu[systemMenu.size() - 2], "История изменений...");
    EXPECT_EQ(systemMenu.back(), "Справка");
}

// Every kind of file the report knows, first each alone in the working folder (no device
// described: the tree shows the server's tag as "Тип 1(005)"), then all together: the
// example PM3F with its first checksum byte changed (a long description with a wrong
// checksum), one-parameter descriptions with a wrong checksum in Cyrillic and in Latin
// letters, a file that is not a description, one that cannot be read while the dialog
// reads it, and a file overlaid by a later one of the same type code. The dialog comes
// from the empty space's menu; after each row is selected, the dialog and the main window
// still answer, and the row says what became of its file.
TEST(DescriptionFilesDialog, EveryKindOfFileAloneAndTogetherFromTheMainWindow)
{
    std::string pm3f;
    {
        std::ifstream in("pm3f.dsc", std::ios::binary);
        pm3f.assign((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    }
    ASSERT_GT(pm3f.size(), 1000u) << "no example PM3F in the working directory";
    pm3f[0] = static_cast<char>(pm3f[0] ^ 0x5A);
    const std::string wrongSum = "\x01\x02\x03\x04";

    struct File {
        const char* name;
        std::string bytes;
        bool sign;
        const char* result;
    };
    const std::vector<File> kinds = {
        {"pm3f.dsc", pm3f, false, "неверная контрольная сумма"},
        {"sensor_en.dsc", wrongSum + "DEVICE_DESCRIPTION\r\nSensor 9\r\nPressure 1 REAL R INPT_REG 0\r\n", false,
         "неверная контрольная сумма"},
        {"sensor_ru.dsc", wrongSum + "DEVICE_DESCRIPTION\r\nДатчик 9\r\nДавление 1 REAL R INPT_REG 0\r\n", false,
         "неверная контрольная сумма"},
        {"text.dsc", "NOT_A_DESCRIPTION\r\n", true, "не описание прибора"},
        {"unreadable.dsc", "DEVICE_DESCRIPTION\r\nHidden 11\r\nLevel 1 REAL R INPT_REG 0\r\n", true, "не читается"},
        {"v1_meter.dsc", "DEVICE_DESCRIPTION\r\nOldMeter 12\r\nVoltage 1 REAL R INPT_REG 0\r\n", true,
         "перекрыт файлом v2_meter.dsc"},
        {"v2_meter.dsc", "DEVICE_DESCRIPTION\r\nNewMeter 12\r\nVoltage 1 REAL R INPT_REG 0\r\n", true, "загружен"},
    };
    std::vector<std::vector<size_t>> folders;
    for (size_t i = 0; i + 2 < kinds.size(); ++i) folders.push_back({i});
    folders.push_back({kinds.size() - 2, kinds.size() - 1});
    std::vector<size_t> all(kinds.size());
    for (size_t i = 0; i < all.size(); ++i) all[i] = i;
    folders.push_back(all);

    for (const std::vector<size_t>& folder : folders) {
        SCOPED_TRACE("folder of " + std::to_string(folder.size()) + " file(s), first " + kinds[folder[0]].name);
        CDescriptionDir dir;
        HANDLE held = INVALID_HANDLE_VALUE;
        for (size_t i : folder) {
            if (kinds[i].sign) dir.Write(kinds[i].name, kinds[i].bytes);
            else dir.WriteRaw(kinds[i].name, kinds[i].bytes);
            if (std::string(kinds[i].name) == "unreadable.dsc")
                held = CreateFileW((dir.Path() / kinds[i].name).wstring().c_str(), GENERIC_READ, 0, nullptr,
                                   OPEN_EXISTING, 0, nullptr);
        }
        standin::Reset("1 5 1 20000000\n");

        Rows rows;
        std::vector<std::string> details;
        bool answered = true;
        bool opened = false;
        const auto answers = [](HWND window) {
            DWORD_PTR result = 0;
            return SendMessageTimeoutW(window, WM_NULL, 0, 0, SMTO_NORMAL, ui_driver::ResponseLimitMs(5000), &result) != 0;
        };
        const MainRun run = RunMain([&](HWND window, CTarnelDlg&) {
            HWND dialog = ReadDescriptionFilesDialog(window, rows, details, [&](HWND shown) {
                RedrawWindow(shown, nullptr, nullptr, RDW_INVALIDATE | RDW_ALLCHILDREN | RDW_UPDATENOW);
                answered = answered && answers(shown) && answers(window);
            });
            opened = dialog != nullptr;
            if (dialog == nullptr) return;
            if (folder.size() == kinds.size()) ui_driver::SaveScreenshot(dialog, "description-files-every-kind");
            ui_driver::PressButton(dialog, IDCANCEL);
            ui_driver::WaitUntilGone(dialog);
            answered = answered && answers(window);
            ui_driver::PressButton(window, IDCANCEL);
        });
        if (held != INVALID_HANDLE_VALUE) CloseHandle(held);

        EXPECT_TRUE(run.shown);
        EXPECT_TRUE(opened);
        EXPECT_TRUE(answered);
        EXPECT_EQ(run.result, IDCANCEL);
        EXPECT_TRUE(run.boxes.empty()) << run.boxes.front();
        ASSERT_EQ(rows.size(), folder.size());
        ASSERT_EQ(details.size(), folder.size());
        for (size_t row = 0; row < folder.size(); ++row) {
            const File& file = kinds[folder[row]];
            ASSERT_GE(rows[row].size(), 2u);
            EXPECT_EQ(rows[row][0], file.name);
            EXPECT_EQ(rows[row][1], file.result);
            EXPECT_EQ(details[row].rfind("Сообщения загрузчика:", 0), 0u) << details[row];
            if (std::string(file.result) == "неверная контрольная сумма") {
                EXPECT_NE(details[row].find(std::string("Wrong CRC in file ") + file.name), std::string::npos) << details[row];
                EXPECT_NE(details[row].find("строка 1: записана контрольная сумма"), std::string::npos) << details[row];
            }
        }
        EXPECT_TRUE(standin::WaitUntilServerGone());
    }
}

// The dialog over every kind of damaged file: each example description cut short at many
// lengths and with bytes changed, signed and unsigned, and the fuzzer's corpus when
// ZOL_FUZZ_CORPUS names it. Every file gets its row and its details.
TEST(DescriptionFilesDialog, SurvivesEveryFileTheReaderSurvives)
{
    std::vector<std::string> inputs;
    for (const auto& entry : std::filesystem::directory_iterator(std::filesystem::current_path())) {
        std::ifstream in(entry.path(), std::ios::binary);
        std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        if (entry.path().extension() != ".dsc" || bytes.size() < 8) continue;
        for (size_t cut = 0; cut < bytes.size(); cut += bytes.size() / 13 + 1) inputs.push_back(bytes.substr(0, cut));
        for (size_t at = 4; at < bytes.size(); at += bytes.size() / 7 + 1) {
            std::string changed = bytes;
            changed[at] = static_cast<char>(at % 2 ? 0 : 0xFF);
            inputs.push_back(changed);
        }
    }
    if (const char* corpus = std::getenv("ZOL_FUZZ_CORPUS")) {
        std::error_code ec;
        for (std::filesystem::directory_iterator it(corpus, ec), end; !ec && it != end; it.increment(ec)) {
            std::ifstream in(it->path(), std::ios::binary);
            inputs.emplace_back((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        }
    }
    ASSERT_GT(inputs.size(), 40u) << "no example descriptions in the working directory";

    CDescriptionDir dir;
    for (size_t i = 0; i < inputs.size(); ++i) {
        char name[32];
        std::snprintf(name, sizeof name, "%05u", static_cast<unsigned>(i));
        dir.WriteRaw(std::string(name) + "-stored.dsc", inputs[i]);
        unsigned char stored[4];
        const std::string text = inputs[i].size() > 4 ? inputs[i].substr(4) : inputs[i];
        WriteStoredChecksum(UpdateChecksum(0, text), stored);
        dir.WriteRaw(std::string(name) + "-signed.dsc", std::string(reinterpret_cast<char*>(stored), 4) + text);
    }

    size_t rows = 0;
    size_t withDetails = 0;
    CDescriptionFilesDlg dlg;
    const ModalRun run = RunModal(dlg, "Описания приборов", [&](HWND dialog) {
        WaitForFilesRead(dialog, 100000);
        HWND list = GetDlgItem(dialog, IDC_DSC_LIST);
        rows = static_cast<size_t>(SendMessageW(list, LVM_GETITEMCOUNT, 0, 0));
        for (size_t row = 0; row < rows; ++row) {
            SelectRow(list, static_cast<int>(row));
            if (ui_driver::ItemText(dialog, IDC_DSC_DETAILS).rfind("Сообщения загрузчика:", 0) == 0) ++withDetails;
        }
        ui_driver::PressButton(dialog, IDCANCEL);
    }, 120000);
    EXPECT_TRUE(run.shown);
    EXPECT_EQ(rows, inputs.size() * 2);
    EXPECT_EQ(withDetails, rows);
    EXPECT_TRUE(run.boxes.empty());
}

// A folder of thousands of files and one of many megabytes: the dialog shows at once,
// counts the files while they are read and answers all the while.
TEST(DescriptionFilesDialog, AnswersWhileAFolderOfThousandsOfFilesIsRead)
{
    CDescriptionDir dir;
    for (int i = 0; i < 5000; ++i) {
        char name[32];
        std::snprintf(name, sizeof name, "m%04d.dsc", i);
        dir.Write(name, "DEVICE_DESCRIPTION\r\nMeter" + std::to_string(i) + " 7\r\nVoltage 1 REAL R INPT_REG 0\r\n");
    }
    std::string big = "DEVICE_DESCRIPTION\r\nBig 9\r\n";
    for (int p = 1; big.size() < 50u * 1024 * 1024; ++p)
        big += "Parameter.Name" + std::to_string(p % 60000 + 1) + " " + std::to_string(p % 60000 + 1) + " REAL R INPT_REG 0\r\n";
    dir.Write("zz_big.dsc", big);

    bool sawCount = false;
    double longestAnswerMs = 0;
    ui_driver::CIdleAnswerer idle;
    size_t rows = 0;
    CDescriptionFilesDlg dlg;
    const ModalRun run = RunModal(dlg, "Описания приборов", [&](HWND dialog) {
        HWND list = GetDlgItem(dialog, IDC_DSC_LIST);
        ui_driver::WaitFor(
            [&] {
                longestAnswerMs = std::max(longestAnswerMs, ui_driver::AnswerMs(dialog));
                idle.AnswerMs();
                if (ui_driver::ItemText(dialog, IDC_DSC_DETAILS).rfind("Прочитано файлов описаний: ", 0) == 0)
                    sawCount = true;
                return ui_driver::ItemText(dialog, IDC_DSC_DETAILS).rfind("Сообщения загрузчика:", 0) == 0;
            },
            300000);
        rows = static_cast<size_t>(SendMessageW(list, LVM_GETITEMCOUNT, 0, 0));
        ui_driver::PressButton(dialog, IDCANCEL);
    }, 320000);
    EXPECT_TRUE(run.shown);
    EXPECT_EQ(rows, 5001u);
    EXPECT_TRUE(sawCount);
    std::printf("longest answer of the dialog: %.1f ms, of an idle thread meanwhile: %.1f ms\n", longestAnswerMs,
                idle.WorstMs());
    EXPECT_LT(longestAnswerMs, ui_driver::ResponseLimitMs(250) + idle.WorstMs());
}

// ---------------------------------------------------------------------------------------
// Find

// Meter(005).Voltage; Счётчик(006) with Напряжение, Фаза.ТОК and Фаза.напряжение.
class FindTest : public CWindowTest {
protected:
    void SetUp() override
    {
        Prepare("7 5 1 20000000\n9 6 1 20000000\n9 6 2 20000000\n9 6 3 20000000\n");
        m_descriptions.Write("counter.dsc", "DEVICE_DESCRIPTION\r\nСчётчик 9\r\n"
                                            "Напряжение       1 REAL R INPT_REG 0\r\n"
                                            "Фаза.ТОК         2 REAL R INPT_REG 2\r\n"
                                            "Фаза.напряжение  3 REAL R INPT_REG 4\r\n");
    }
};

// Types the text into the find dialog and presses Enter; returns the node then selected.
std::string FindInDialog(HWND window, HWND dialog, const std::string& text)
{
    SetText(dialog, IDC_FIND_TEXT, text);
    ui_driver::PressButton(dialog, IDOK);
    ui_driver::WaitUntilBack(dialog);
    return SelectedText(Tree(window));
}

void PressKeys(const std::vector<WORD>& keys)
{
    keys::Press(keys);
}

TEST_F(FindTest, CyrillicOfMixedCaseWrapsAndFindNextGoesOnAfterClosing)
{
    std::vector<std::string> found;
    bool ctrlF = false;
    std::string afterF3, afterSecondF3;
    std::vector<std::string> emptyMenu;
    const MainRun run = RunMain([&](HWND window, CTarnelDlg&) {
        emptyMenu = MenuAt(window, EmptyTreeScreenPoint(Tree(window)));
        if (!ChooseFromMenu(window, EmptyTreeScreenPoint(Tree(window)), "Найти...")) return;
        HWND dialog = ui_driver::WaitForDialog("Найти");
        if (dialog == nullptr) return;
        found.push_back(FindInDialog(window, dialog, "нет такого"));
        found.push_back(FindInDialog(window, dialog, "НАПРЯЖ"));
        found.push_back(FindInDialog(window, dialog, "НАПРЯЖ"));
        ui_driver::SaveScreenshot(dialog, "find-dialog");
        found.push_back(FindInDialog(window, dialog, "НАПРЯЖ"));  // wraps
        found.push_back(FindInDialog(window, dialog, "фаза.ток"));  // a tag's full name
        found.push_back(FindInDialog(window, dialog, "(005)"));
        ui_driver::PressButton(dialog, IDCANCEL);
        ui_driver::WaitUntilGone(dialog);

        // F3 on the tree goes on with the last text: from Meter(005) to its tag Voltage
        // (by its full name), then round to Meter(005) again.
        PostMessageW(Tree(window), WM_KEYDOWN, VK_F3, 0);
        ui_driver::WaitUntilBack(window);
        afterF3 = SelectedText(Tree(window));
        PostMessageW(Tree(window), WM_KEYDOWN, VK_F3, 0);
        ui_driver::WaitUntilBack(window);
        afterSecondF3 = SelectedText(Tree(window));

        // Ctrl+F from the keyboard opens the dialog with the last text.
        SetForegroundWindow(window);
        SetFocus(Tree(window));
        PressKeys({VK_CONTROL, 'F'});
        dialog = ui_driver::WaitForDialog("Найти", 3000);
        ctrlF = dialog != nullptr && ui_driver::ItemText(dialog, IDC_FIND_TEXT) == "(005)";
        if (dialog) {
            ui_driver::PressButton(dialog, IDCANCEL);
            ui_driver::WaitUntilGone(dialog);
        }
        ui_driver::PressButton(window, IDCANCEL);
    });
    EXPECT_EQ(emptyMenu, (std::vector<std::string>{"Добавить устройство", "", "Найти...", "Экспорт тегов...",
                                                  "Импорт тегов...", "Описания приборов...", "Проверить связь", "Отчёт о конфигурации...",
                                                  "", "Отменить", "Вернуть", "История изменений..."}));
    // Nothing found leaves the selection where it was (the control selected the first node).
    EXPECT_EQ(found, (std::vector<std::string>{"Meter(005)", "Напряжение", "напряжение", "Напряжение", "ТОК", "Meter(005)"}));
    EXPECT_EQ(afterF3, "Voltage");
    EXPECT_EQ(afterSecondF3, "Meter(005)");
    EXPECT_TRUE(ctrlF);
    EXPECT_EQ(run.boxes, (std::vector<std::string>{"Не найдено: «нет такого»"}));
}

// ---------------------------------------------------------------------------------------
// One period for a branch

class BranchPeriodTest : public CWindowTest {
protected:
    void SetUp() override { Prepare("7 5 1 20000000\n7 5 2 30000000\n7 5 3 30000000\n7 6 1 20000000\n"); }
};

struct PeriodOutcome {
    std::string caption;
    std::string shown;
    std::string note;
};

PeriodOutcome ChangePeriod(HWND window, const std::vector<std::string>& path, const std::string& typed, int button,
                           const char* screenshot = nullptr)
{
    PeriodOutcome outcome;
    if (!ChooseFromMenu(window, PointOf(window, path), "Изменить период...")) return outcome;
    HWND dialog = ui_driver::WaitForDialog("Период обновления тегов: ");
    if (dialog == nullptr) return outcome;
    outcome.caption = ui_driver::Text(dialog);
    outcome.shown = ui_driver::ItemText(dialog, IDC_PERIOD_EDIT);
    outcome.note = ui_driver::ItemText(dialog, IDC_BRANCH_PERIOD_NOTE);
    SetText(dialog, IDC_PERIOD_EDIT, typed);
    if (screenshot) ui_driver::SaveScreenshot(dialog, screenshot);
    ui_driver::PressButton(dialog, button);
    ui_driver::WaitUntilGone(dialog);
    ui_driver::WaitUntilBack(window);
    return outcome;
}

TEST_F(BranchPeriodTest, ApplyCancelAndRefusal)
{
    PeriodOutcome device, cancelled, refused;
    std::vector<std::string> afterApply, afterCancel, afterRefusal;
    std::vector<std::string> deviceMenu, groupMenu, tagMenu;
    const MainRun run = RunMain([&](HWND window, CTarnelDlg&) {
        deviceMenu = MenuAt(window, PointOf(window, {"Meter(005)"}));
        groupMenu = MenuAt(window, PointOf(window, {"Meter(005)", "Phase"}));
        tagMenu = MenuAt(window, PointOf(window, {"Meter(005)", "Voltage"}));
        device = ChangePeriod(window, {"Meter(005)"}, "4500", IDOK, "branch-period-dialog");
        ui_driver::WaitFor([&] { return ServerTags() != afterApply; }, 3000);
        afterApply = ServerTags();
        cancelled = ChangePeriod(window, {"Meter(005)", "Phase"}, "10", IDCANCEL);
        afterCancel = ServerTags();
        ui_driver::PressButton(window, IDCANCEL);
    });
    // The server reads its faults as it starts.
    ASSERT_TRUE(standin::WaitUntilServerGone());
    standin::SetFaults("fail AddTag 0x80004005\n");
    const MainRun refusedRun = RunMain([&](HWND window, CTarnelDlg&) {
        refused = ChangePeriod(window, {"Meter(005)", "Phase"}, "10", IDOK);
        afterRefusal = ServerTags();
        ui_driver::PressButton(window, IDCANCEL);
    });
    EXPECT_EQ(deviceMenu, (std::vector<std::string>{"Добавить тег", "Добавить устройство", "Удалить устройство", "",
                                                    "Изменить период...", "Копировать на адреса...",
                                                    "Экспорт тегов...", "Проверить связь", "", "Отменить",
                                                    "Вернуть"}));
    EXPECT_EQ(groupMenu, (std::vector<std::string>{"Добавить тег", "Удалить теги", "", "Изменить период...", "",
                                                   "Отменить", "Вернуть"}));
    EXPECT_EQ(tagMenu, (std::vector<std::string>{"Добавить тег", "Удалить тег", "Редактировать", "", "Отменить",
                                                  "Вернуть"}));

    EXPECT_EQ(device.caption, "Период обновления тегов: Meter(005)");
    EXPECT_EQ(Digits(device.shown), "3000");  // two of the three tags have 3000 ms
    EXPECT_EQ(device.note, "Новый период получат все теги ветви: 3");
    EXPECT_EQ(afterApply, Sorted({"7 5 1 45000000", "7 5 2 45000000", "7 5 3 45000000", "7 6 1 20000000"}));
    EXPECT_EQ(cancelled.caption, "Период обновления тегов: Phase");
    EXPECT_EQ(Digits(cancelled.shown), "4500");
    EXPECT_EQ(afterCancel, afterApply);
    EXPECT_EQ(afterRefusal, afterApply);
    EXPECT_EQ(run.boxes, (std::vector<std::string>{"Период изменён у 3 тегов"}));
    EXPECT_EQ(refused.caption, "Период обновления тегов: Phase");
    EXPECT_EQ(refusedRun.boxes, (std::vector<std::string>{
                                    "Сервер не принял новый период у 2 тегов из 2 (ошибка 0x80004005).\n"
                                    "У этих тегов период не изменён."}));
}

TEST_F(BranchPeriodTest, CommandOnANodeThatIsGoneDoesNothing)
{
    std::vector<std::string> afterDelete, afterCommand;
    bool dialogShown = false;
    const MainRun run = RunMain([&](HWND window, CTarnelDlg&) {
        // The menu names the group; deleting it takes the node away, and a late command
        // for it (as a second click on the stale menu would send) must find nothing.
        ChooseFromMenu(window, PointOf(window, {"Meter(005)", "Phase"}), "Удалить теги");
        ui_driver::WaitFor([&] { return ServerTags().size() == 2; }, 3000);
        afterDelete = ServerTags();
        PostMessageW(window, WM_COMMAND, ID_BRANCH_PERIOD, 0);
        dialogShown = ui_driver::WaitForDialog("Период обновления тегов: ", 1500) != nullptr;
        afterCommand = ServerTags();
        ui_driver::PressButton(window, IDCANCEL);
    });
    EXPECT_EQ(afterDelete, Sorted({"7 5 1 20000000", "7 6 1 20000000"}));
    EXPECT_FALSE(dialogShown);
    EXPECT_EQ(afterCommand, afterDelete);
    EXPECT_TRUE(run.boxes.empty());
}

// ---------------------------------------------------------------------------------------
// Progress while the configuration is read

class FillProgressTest : public CWindowTest {
protected:
    void TearDown() override
    {
        _putenv("ZOLCFG_PROGRESS_DELAY_MS=");
        CWindowTest::TearDown();
    }
};

HWND ProgressWindow()
{
    for (HWND window : ui_driver::TopLevelWindows())
        if (IsWindowVisible(window) && GetDlgItem(window, IDC_PROGRESS_TEXT) != nullptr) return window;
    return nullptr;
}

// Watches for the progress window while the main window starts; records its texts.
struct ProgressWatch {
    std::atomic<bool> stop{false};
    std::mutex mutex;
    std::vector<std::string> texts;
    RECT rect = {};
    bool screenshot = false;

    void Run()
    {
        while (!stop) {
            if (HWND window = ProgressWindow()) {
                const std::string text = ui_driver::ItemText(window, IDC_PROGRESS_TEXT);
                std::lock_guard<std::mutex> lock(mutex);
                if (texts.empty() || texts.back() != text) texts.push_back(text);
                GetWindowRect(window, &rect);
                if (!screenshot && texts.size() >= 2) {
                    ui_driver::SaveScreenshot(window, "fill-progress-window");
                    screenshot = true;
                }
            }
            Sleep(10);  // the watch reads the window every 10 ms while the test lasts
        }
    }
};

TEST_F(FillProgressTest, ShownWhileASlowReadLastsGoneWhenTheTreeIsFilled)
{
    std::string tags;
    for (int p = 1; p <= 40; ++p) tags += "7 5 " + std::to_string(p) + " 20000000\n";
    std::string parameters;
    for (int p = 5; p <= 40; ++p) parameters += "Extra" + std::to_string(p) + " " + std::to_string(p) + " INT R RAM 0\r\n";
    Prepare(tags, parameters);
    standin::SetFaults("slow EnumTags 40\n");
    _putenv("ZOLCFG_PROGRESS_DELAY_MS=300");

    ProgressWatch watch;
    HWND progressWhenShown = reinterpret_cast<HWND>(1);
    RECT mainRect = {};
    size_t nodes = 0;
    {
        ui_driver::CScript watcher([&] { watch.Run(); });
        RunMain([&](HWND window, CTarnelDlg&) {
            progressWhenShown = ProgressWindow();
            GetWindowRect(window, &mainRect);
            for (const TreeLine& line : ReadTree(Tree(window)))
                if (GetNodeKind(line.key) == NodeKind::Tag) ++nodes;
            ui_driver::PressButton(window, IDCANCEL);
        });
        watch.stop = true;
    }
    EXPECT_EQ(progressWhenShown, nullptr);
    EXPECT_EQ(nodes, 40u);  // every tag read
    ASSERT_GE(watch.texts.size(), 2u);
    EXPECT_EQ(watch.texts.front().rfind("Чтение конфигурации сервера: ", 0), 0u) << watch.texts.front();
    EXPECT_EQ(watch.texts.back().substr(watch.texts.back().size() - 6), " тегов");
    // Ten updates a second at most over a read of about 1.6 s.
    EXPECT_LE(watch.texts.size(), 20u);
    const int dx = (watch.rect.left + watch.rect.right) / 2 - (mainRect.left + mainRect.right) / 2;
    const int dy = (watch.rect.top + watch.rect.bottom) / 2 - (mainRect.top + mainRect.bottom) / 2;
    EXPECT_LE(std::abs(dx), 2);
    EXPECT_LE(std::abs(dy), 2);
}

TEST_F(FillProgressTest, AQuickReadShowsNothing)
{
    Prepare("7 5 1 20000000\n7 5 2 20000000\n");
    standin::SetFaults("slow EnumTags 100\n");  // 0.3 s in all: under the second
    ProgressWatch watch;
    {
        ui_driver::CScript watcher([&] { watch.Run(); });
        RunMain([&](HWND window, CTarnelDlg&) { ui_driver::PressButton(window, IDCANCEL); });
        watch.stop = true;
    }
    EXPECT_TRUE(watch.texts.empty());
}

}  // namespace
