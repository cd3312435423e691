// "Копировать на адреса..." in the main window against the stand-in server through real COM:
// the dialog from the menu and from the keyboard, its field pre-filled from the last
// auto-search, the preview as the field is typed, Enter copying, the tree's new devices,
// undo and redo of the copy as one step, a refused tag, a source without tags, and a long
// copy's progress window with Stop.
#include <windows.h>

#include <filesystem>
#include <mutex>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "KeyInput.h"
#include "GuidePresent.h"
#include "MainWindowRun.h"
#include "MenuDriver.h"
#include "ServerFiles.h"
#include "StandinFixture.h"
#include "TreeReader.h"
#include "UiDriver.h"
#include "WindowTest.h"
#include "history/History.h"
#include "res/resource.h"
#include "tagfile/TextEncoding.h"
#include "ui/Help.h"
#include "ui/Text.h"

namespace {

namespace fs = std::filesystem;

const char kPumpDescription[] =
    "DEVICE_DESCRIPTION\r\n"
    "Pump 3\r\n"
    "Flow 1 REAL R INPT_REG 0\r\n";

// Meter(005) with Voltage 2000 ms and Phase.A, Phase.B 3000 ms; at 6 Meter's Voltage with
// the same period and Phase.A with 500 ms; Pump(007).
const char kTags[] = "7 5 1 20000000\n7 5 2 30000000\n7 5 3 30000000\n7 6 1 20000000\n7 6 2 5000000\n3 7 1 10000000\n";

class CopyDeviceTest : public CWindowTest {
protected:
    void SetUp() override
    {
        const auto* info = testing::UnitTest::GetInstance()->current_test_info();
        m_history = fs::temp_directory_path() / (std::string("zolcfg-copy-history-") + info->name());
        std::error_code ec;
        fs::remove_all(m_history, ec);
        wchar_t saved[1024] = {};
        m_hadHistory = GetEnvironmentVariableW(L"ZOLCFG_HISTORY", saved, 1024) > 0;
        m_savedHistory = saved;
        SetEnvironmentVariableW(L"ZOLCFG_HISTORY", m_history.wstring().c_str());
        SetEnvironmentVariableW(L"ZOLCFG_SNAPSHOTS", L"0");  // no background snapshot: its calls are not ours
    }
    void TearDown() override
    {
        SetEnvironmentVariableW(L"ZOLCFG_HISTORY", m_hadHistory ? m_savedHistory.c_str() : nullptr);
        CWindowTest::TearDown();
    }
    void PrepareWithPump(const std::string& tags, const std::string& extraParameters = "")
    {
        Prepare(tags, extraParameters);
        m_descriptions.Write("pump.dsc", kPumpDescription);
    }
    // The journal's lines of the action (Windows-1251 here, UTF-8 in the file).
    std::size_t JournalLinesOf(const std::string& action) const
    {
        std::vector<JournalLine> lines;
        std::string error;
        EXPECT_TRUE(ReadJournal(m_history, &lines, &error)) << error;
        std::size_t count = 0;
        for (const JournalLine& line : lines) count += line.action == Cp1251ToUtf8(action) ? 1 : 0;
        return count;
    }

    fs::path m_history;
    bool m_hadHistory = false;
    std::wstring m_savedHistory;
};

// A box's text without the blank BoxLines ends each line with.
std::string Unblanked(std::string box)
{
    std::string out;
    for (std::size_t i = 0; i < box.size(); ++i)
        if (!(box[i] == ' ' && (i + 1 == box.size() || box[i + 1] == '\n'))) out += box[i];
    return out;
}

std::vector<std::string> ListLines(HWND list)
{
    std::vector<std::string> lines;
    const LRESULT count = SendMessageW(list, LB_GETCOUNT, 0, 0);
    for (LRESULT i = 0; i < count; ++i) {
        std::wstring text(static_cast<size_t>(SendMessageW(list, LB_GETTEXTLEN, i, 0)) + 1, L'\0');
        SendMessageW(list, LB_GETTEXT, i, reinterpret_cast<LPARAM>(&text[0]));
        lines.push_back(Narrow(text.c_str()));
    }
    return lines;
}

bool HasNode(HWND window, const std::vector<std::string>& path) { return FindTreeItem(Tree(window), path) != nullptr; }

// What the dialog shows.
struct Shown {
    std::string source, field, counts;
    std::vector<std::string> refused;
    bool copyEnabled = false;
};

Shown Read(HWND dialog)
{
    Shown shown;
    shown.source = ui_driver::ItemText(dialog, IDC_COPY_SOURCE);
    shown.field = ui_driver::ItemText(dialog, IDC_COPY_ADDRESSES);
    shown.counts = ui_driver::ItemText(dialog, IDC_COPY_COUNTS);
    shown.refused = ListLines(GetDlgItem(dialog, IDC_COPY_REFUSED));
    shown.copyEnabled = IsWindowEnabled(GetDlgItem(dialog, IDOK)) != FALSE;
    return shown;
}

// Types text into the dialog's field with the keys, in place of what it holds, and waits
// until the preview shows counts.
Shown TypeAddresses(HWND dialog, const std::string& text, const std::string& counts)
{
    HWND field = GetDlgItem(dialog, IDC_COPY_ADDRESSES);
    SetForegroundWindow(dialog);
    ui_driver::WaitFor([&] { return keys::FocusIn(dialog) == field; }, 3000);
    SendMessageW(field, EM_SETSEL, 0, -1);
    keys::Type(text);
    ui_driver::WaitFor([&] { return ui_driver::ItemText(dialog, IDC_COPY_ADDRESSES) == text; }, 5000);
    ui_driver::WaitFor([&] { return ui_driver::ItemText(dialog, IDC_COPY_COUNTS) == counts; }, 3000);
    return Read(dialog);
}

// The add-device dialog's auto-search over 1..12, the dialogs closed again without a device.
bool SearchTheLine(HWND window)
{
    ui_driver::PressButton(window, IDC_ADD_DEVICE);
    HWND add = ui_driver::WaitForDialog("Добавление устройства");
    if (add == nullptr) return false;
    ui_driver::PressButton(add, IDC_AUTO_SEARCH);
    HWND search = ui_driver::WaitForDialog("Автопоиск");
    if (search == nullptr) return false;
    SetText(search, IDC_START_ADDRESS, "1");
    SetText(search, IDC_END_ADDRESS, "12");
    ui_driver::PressButton(search, IDOK);
    const bool finished = ui_driver::WaitFor([&] { return StoredTitle(search) == "Автопоиск завершен"; }, 20000);
    ui_driver::PressButton(search, IDCANCEL);
    ui_driver::WaitUntilGone(search);
    ui_driver::PressButton(add, IDCANCEL);
    ui_driver::WaitUntilGone(add);
    return finished;
}

const std::vector<std::string> kAfterCopy = Sorted({"3 7 1 10000000", "7 5 1 20000000", "7 5 2 30000000",
                                                    "7 5 3 30000000", "7 6 1 20000000", "7 6 2 30000000",
                                                    "7 6 3 30000000", "7 8 1 20000000", "7 8 2 30000000",
                                                    "7 8 3 30000000", "7 9 1 20000000", "7 9 2 30000000",
                                                    "7 9 3 30000000"});

TEST_F(CopyDeviceTest, FromTheMenuPreFilledByTheSearchPreviewedAsTypedEnterCopiesAndItIsOneUndoStep)
{
    PrepareWithPump(kTags);
    // Meters at 6 (configured already), 8 and 9, a pump at 10.
    standin::WriteStateFile("line.txt", "6 7 0 Meter\n8 7 0 Meter\n9 7 0 Meter\n10 3 0 Pump\n");
    standin::SetFaults("probe_timeout_ms 5\n");
    const std::vector<std::string> before = ServerTags();
    bool searched = false, copiedShown = false, undoneShown = false, redoneShown = false;
    Shown first, typed, refusedEntries;
    std::vector<std::string> afterCopy, afterUndo, afterRedo;
    std::vector<std::string> newDevice;
    const MainRun run = RunMain([&](HWND window, CTarnelDlg&) {
        searched = SearchTheLine(window);
        if (!ChooseFromMenu(window, PointOf(window, {"Meter(005)"}), "Копировать на адреса...")) return;
        HWND dialog = ui_driver::WaitForDialog("Копирование устройства");
        if (dialog == nullptr) return;
        first = Read(dialog);
        refusedEntries = TypeAddresses(dialog, "5-9, 300, x",
                                       "Добавить: 7    Изменить период: 1    Уже есть: 1\nАдресов: 3");
        ui_driver::SaveScreenshot(dialog, "copy-device-dialog");
        typed = TypeAddresses(dialog, "5-9", "Добавить: 7    Изменить период: 1    Уже есть: 1\nАдресов: 3");
        keys::Press({VK_RETURN});
        ui_driver::WaitUntilGone(dialog);
        copiedShown = ui_driver::WaitFor([&] { return HasNode(window, {"Meter(009)", "Phase", "B"}); }, 10000);
        ui_driver::WaitUntilBack(window);  // the closing message
        afterCopy = ServerTags();
        bool under = false;
        for (const TreeLine& line : ReadTree(Tree(window))) {
            if (line.level == 0) under = line.text == "Meter(008)";
            if (under) newDevice.push_back(std::string(static_cast<size_t>(line.level) * 2, ' ') + line.text);
        }

        if (!ChooseFromMenu(window, EmptyTreeScreenPoint(Tree(window)), "Отменить: Копировать устройство")) return;
        undoneShown = ui_driver::WaitFor([&] { return !HasNode(window, {"Meter(008)"}); }, 10000);
        ui_driver::WaitUntilBack(window);
        afterUndo = ServerTags();

        SetForegroundWindow(window);
        keys::Press({VK_CONTROL, 'Y'});
        redoneShown = ui_driver::WaitFor([&] { return HasNode(window, {"Meter(008)"}); }, 10000);
        ui_driver::WaitUntilBack(window);
        afterRedo = ServerTags();
        ui_driver::PressButton(window, IDCANCEL);
    });
    EXPECT_TRUE(searched);
    EXPECT_EQ(first.source, "Meter(005): 3 тега");
    EXPECT_EQ(first.field, "8, 9");  // 6 holds tags, 10 is a pump
    EXPECT_EQ(first.counts, "Добавить: 6    Изменить период: 0    Уже есть: 0\nАдресов: 2");
    EXPECT_TRUE(first.refused.empty());
    EXPECT_TRUE(first.copyEnabled);

    EXPECT_EQ(refusedEntries.refused, (std::vector<std::string>{"«300»: адрес вне 1..247", "«x»: не адрес и не диапазон",
                                                                "5: адрес самого устройства",
                                                                "по адресу 7 настроен прибор Pump(007)"}));
    EXPECT_EQ(typed.refused, (std::vector<std::string>{"5: адрес самого устройства",
                                                       "по адресу 7 настроен прибор Pump(007)"}));

    EXPECT_TRUE(copiedShown);
    EXPECT_EQ(afterCopy, kAfterCopy);
    EXPECT_EQ(newDevice, (std::vector<std::string>{"Meter(008)", "  Phase", "    A", "    B", "  Voltage"}));
    ASSERT_GE(run.boxes.size(), 1u);
    EXPECT_EQ(Unblanked(run.boxes[0]), "Копирование Meter(005): добавлено 7, изменён период 1, без изменений 1, "
                                       "отказано 0.\nНе скопировано на адреса: 5, 7.");
    EXPECT_TRUE(undoneShown);
    EXPECT_EQ(afterUndo, before);
    EXPECT_TRUE(redoneShown);
    EXPECT_EQ(afterRedo, kAfterCopy);
    EXPECT_EQ(run.boxes.size(), 1u);
    EXPECT_EQ(JournalLinesOf("Копировать устройство"), 8u);
    EXPECT_EQ(JournalLinesOf("Отменить: Копировать устройство"), 8u);
    EXPECT_EQ(JournalLinesOf("Вернуть: Копировать устройство"), 8u);
}

TEST_F(CopyDeviceTest, ByShiftF10WithF1AndEscThenEnter)
{
    PrepareWithPump(kTags);
    CGuidePresent guide;
    const std::vector<std::string> before = ServerTags();
    std::mutex mutex;
    std::vector<std::string> anchors;
    const DocumentOpener previous = SetDocumentOpener([&](HWND, const std::wstring&, const std::string& anchor) {
        std::lock_guard<std::mutex> lock(mutex);
        anchors.push_back(anchor);
        return true;
    });
    const auto opened = [&] {
        std::lock_guard<std::mutex> lock(mutex);
        return anchors.size();
    };
    bool menuChosen = false, helped = false, stayed = false, cancelledNothing = false;
    Shown typed;
    std::vector<std::string> afterEnter;
    const MainRun run = RunMain([&](HWND window, CTarnelDlg&) {
        HWND tree = Tree(window);
        SendMessageW(tree, TVM_SELECTITEM, TVGN_CARET, reinterpret_cast<LPARAM>(FindTreeItem(tree, {"Meter(005)"})));
        SetForegroundWindow(window);
        ui_driver::WaitFor([&] { return keys::FocusIn(window) == tree; }, 3000);
        const auto open = [&]() -> HWND {
            keys::Press({VK_SHIFT, VK_F10});
            HWND menu = keys::WaitForPopupMenu();
            // Добавить тег, Добавить устройство, Удалить устройство, -, Изменить период..., this
            if (menu == nullptr || !keys::ChooseWithKeys(menu, 5)) return nullptr;
            return ui_driver::WaitForDialog("Копирование устройства");
        };
        HWND dialog = open();
        menuChosen = dialog != nullptr;
        if (dialog == nullptr) return;
        helped = keys::PressUntil({VK_F1}, [&] { return opened() >= 1; }, 5000);
        stayed = IsWindowVisible(dialog) != FALSE;
        typed = TypeAddresses(dialog, "8", "Добавить: 3    Изменить период: 0    Уже есть: 0\nАдресов: 1");
        keys::Press({VK_ESCAPE});
        ui_driver::WaitUntilGone(dialog);
        ui_driver::WaitUntilBack(window);
        cancelledNothing = ServerTags() == before && !HasNode(window, {"Meter(008)"});

        dialog = open();
        if (dialog == nullptr) return;
        TypeAddresses(dialog, "8", "Добавить: 3    Изменить период: 0    Уже есть: 0\nАдресов: 1");
        keys::Press({VK_RETURN});
        ui_driver::WaitUntilGone(dialog);
        ui_driver::WaitFor([&] { return HasNode(window, {"Meter(008)", "Voltage"}); }, 10000);
        ui_driver::WaitUntilBack(window);
        afterEnter = ServerTags();
        ui_driver::PressButton(window, IDCANCEL);
    });
    SetDocumentOpener(previous);
    EXPECT_TRUE(menuChosen);
    EXPECT_TRUE(helped);
    EXPECT_TRUE(stayed);
    EXPECT_EQ(anchors, std::vector<std::string>{"copy-device"});
    EXPECT_EQ(typed.field, "8");
    EXPECT_TRUE(typed.refused.empty());
    EXPECT_TRUE(cancelledNothing);
    std::vector<std::string> expected = before;
    for (const char* tag : {"7 8 1 20000000", "7 8 2 30000000", "7 8 3 30000000"}) expected.push_back(tag);
    EXPECT_EQ(afterEnter, Sorted(expected));
    ASSERT_EQ(run.boxes.size(), 1u);
    EXPECT_EQ(Unblanked(run.boxes[0]), "Копирование Meter(005): добавлено 3, изменён период 0, без изменений 0, "
                                       "отказано 0.");
}

TEST_F(CopyDeviceTest, ARefusedTagIsToldOnceAndASourceWithoutTagsHasNothingToCopy)
{
    PrepareWithPump(kTags);
    standin::SetFaults("fail AddTag 0x80070057 7 8 2\nfail AddTag 0x80070057 7 9 2\n");
    std::vector<std::string> afterCopy;
    bool phaseAShown = true, phaseBShown = false, emptyDialog = false;
    const MainRun run = RunMain([&](HWND window, CTarnelDlg&) {
        if (!ChooseFromMenu(window, PointOf(window, {"Meter(005)"}), "Копировать на адреса...")) return;
        HWND dialog = ui_driver::WaitForDialog("Копирование устройства");
        if (dialog == nullptr) return;
        SetText(dialog, IDC_COPY_ADDRESSES, "8 9");
        ui_driver::WaitFor([&] { return Read(dialog).counts.rfind("Добавить: 6 ", 0) == 0; }, 3000);
        ui_driver::PressButton(dialog, IDOK);
        ui_driver::WaitUntilGone(dialog);
        ui_driver::WaitFor([&] { return HasNode(window, {"Meter(008)", "Phase", "B"}); }, 10000);
        ui_driver::WaitUntilBack(window);
        afterCopy = ServerTags();
        phaseAShown = HasNode(window, {"Meter(008)", "Phase", "A"});
        phaseBShown = HasNode(window, {"Meter(009)", "Phase", "B"});

        // A device of the tree alone has no tags on the server to copy.
        ui_driver::PressButton(window, IDC_ADD_DEVICE);
        HWND add = ui_driver::WaitForDialog("Добавление устройства");
        if (add == nullptr) return;
        SelectCombo(add, IDC_DEVICE_TYPE, "Meter");
        SetText(add, IDC_NET_ADDRESS, "20");
        ui_driver::PressButton(add, IDOK);
        ui_driver::WaitUntilGone(add);
        if (!ChooseFromMenu(window, PointOf(window, {"Meter(020)"}), "Копировать на адреса...")) return;
        ui_driver::WaitUntilBack(window);
        for (HWND shown : ui_driver::TopLevelWindows())
            if (IsWindowVisible(shown) && ui_driver::Text(shown) == "Копирование устройства") emptyDialog = true;
        ui_driver::PressButton(window, IDCANCEL);
    });
    std::vector<std::string> expected = Sorted({"3 7 1 10000000", "7 5 1 20000000", "7 5 2 30000000", "7 5 3 30000000",
                                                "7 6 1 20000000", "7 6 2 5000000", "7 8 1 20000000", "7 8 3 30000000",
                                                "7 9 1 20000000", "7 9 3 30000000"});
    EXPECT_EQ(afterCopy, expected);
    EXPECT_FALSE(phaseAShown);  // refused: not in the tree
    EXPECT_TRUE(phaseBShown);
    EXPECT_FALSE(emptyDialog);
    ASSERT_EQ(run.boxes.size(), 2u);
    EXPECT_EQ(Unblanked(run.boxes[0]), "Копирование Meter(005): добавлено 4, изменён период 0, без изменений 0, "
                                       "отказано 2.\nСервер отказал в 2 тегах (первая ошибка 0x80070057).");
    EXPECT_EQ(run.boxes[1], "У устройства «Meter(020)» нет тегов на сервере: копировать нечего.");
}

// Tags another client put at the source that an import refuses (param 65535, which the tree
// does not show, and a period of 7 units) are listed with the import's reasons and copied
// nowhere; the rest is.
TEST_F(CopyDeviceTest, ASourceTagAnImportRefusesIsListedAndNotCopied)
{
    PrepareWithPump(std::string(kTags) + "7 5 9 7\n7 5 65535 20000000\n");
    Shown typed;
    std::vector<std::string> afterCopy;
    const MainRun run = RunMain([&](HWND window, CTarnelDlg&) {
        if (!ChooseFromMenu(window, PointOf(window, {"Meter(005)"}), "Копировать на адреса...")) return;
        HWND dialog = ui_driver::WaitForDialog("Копирование устройства");
        if (dialog == nullptr) return;
        typed = TypeAddresses(dialog, "8", "Добавить: 3    Изменить период: 0    Уже есть: 0\nАдресов: 1");
        keys::Press({VK_RETURN});
        ui_driver::WaitUntilGone(dialog);
        ui_driver::WaitFor([&] { return HasNode(window, {"Meter(008)", "Voltage"}); }, 10000);
        ui_driver::WaitUntilBack(window);
        afterCopy = ServerTags();
        ui_driver::PressButton(window, IDCANCEL);
    });
    EXPECT_EQ(typed.source, "Meter(005): 5 тегов");
    EXPECT_EQ(typed.refused,
              (std::vector<std::string>{"Meter(005).Параметр 9: период «0.0007» - не целое число мс от 0 до 86400000",
                                        "Meter(005).Параметр 65535: параметр «65535» - не число от 1 до 65534"}));
    EXPECT_TRUE(typed.copyEnabled);
    EXPECT_EQ(afterCopy, Sorted({"3 7 1 10000000", "7 5 1 20000000", "7 5 2 30000000", "7 5 3 30000000", "7 5 9 7",
                                 "7 5 65535 20000000", "7 6 1 20000000", "7 6 2 5000000", "7 8 1 20000000",
                                 "7 8 2 30000000", "7 8 3 30000000"}));
    // The first box tells of the tag the tree cannot show.
    ASSERT_EQ(run.boxes.size(), 2u);
    EXPECT_EQ(Unblanked(run.boxes[1]), "Копирование Meter(005): добавлено 3, изменён период 0, без изменений 0, "
                                       "отказано 0.\nНе скопировано тегов, которые импорт не принимает: 2.");
}

TEST_F(CopyDeviceTest, ALongCopyShowsItsProgressStopEndsItAndTheUndoTakesBackWhatWasSent)
{
    // 150 tags of one device; every AddTag takes 20 ms, so that Stop comes half-way.
    std::string parameters, tags;
    for (int p = 10; p < 160; ++p) {
        parameters += "Extra" + std::to_string(p) + " " + std::to_string(p) + " INT R INPT_REG " + std::to_string(p) + "\r\n";
        tags += "7 5 " + std::to_string(p) + " " + std::to_string(10000 * (p + 100)) + "\n";
    }
    PrepareWithPump(tags, parameters);
    standin::SetFaults("slow AddTag 20\n");
    std::string progressTitle, progressText;
    std::size_t afterStop = 0, afterUndo = 99;
    const MainRun run = RunMain([&](HWND window, CTarnelDlg&) {
        if (!ChooseFromMenu(window, PointOf(window, {"Meter(005)"}), "Копировать на адреса...")) return;
        HWND dialog = ui_driver::WaitForDialog("Копирование устройства");
        if (dialog == nullptr) return;
        SetText(dialog, IDC_COPY_ADDRESSES, "6");
        ui_driver::WaitFor([&] { return Read(dialog).copyEnabled; }, 3000);
        ui_driver::PressButton(dialog, IDOK);
        // The copy's dialog and its progress window share the caption: the progress has the bar.
        HWND progress = ui_driver::WaitForWindow(
            [](HWND w) { return GetDlgItem(w, IDC_STEP_PROGRESS_BAR) != nullptr && IsWindowVisible(w); }, 10000);
        if (progress == nullptr) return;
        ui_driver::WaitFor(
            [&] { return ui_driver::ItemText(progress, IDC_STEP_PROGRESS_TEXT).rfind("Выполнено ", 0) == 0; }, 5000);
        progressTitle = ui_driver::Text(progress);
        progressText = ui_driver::ItemText(progress, IDC_STEP_PROGRESS_TEXT);
        ui_driver::SaveScreenshot(progress, "copy-device-progress");
        ui_driver::PressButton(progress, IDC_STEP_PROGRESS_STOP);
        ui_driver::WaitUntilGone(progress, 10000);
        ui_driver::WaitUntilBack(window);  // the message
        afterStop = ServerTags().size() - 150;
        SetForegroundWindow(window);
        keys::Press({VK_CONTROL, 'Z'});
        ui_driver::WaitFor([&] { return ServerTags().size() == 150; }, 20000);
        ui_driver::WaitUntilBack(window);
        afterUndo = ServerTags().size() - 150;
        ui_driver::PressButton(window, IDCANCEL);
    });
    EXPECT_EQ(progressTitle, "Копирование устройства");
    EXPECT_EQ(progressText.rfind("Выполнено ", 0), 0u) << progressText;
    EXPECT_GT(afterStop, 0u);
    EXPECT_LT(afterStop, 150u);
    EXPECT_EQ(afterUndo, 0u);
    ASSERT_GE(run.boxes.size(), 1u);
    EXPECT_EQ(Unblanked(run.boxes[0]), "Копирование Meter(005): добавлено " + std::to_string(afterStop) +
                                           ", изменён период 0, без изменений 0, отказано 0.\nКопирование "
                                           "остановлено: не отправлено " + std::to_string(150 - afterStop) + " тегов.");
}

}  // namespace
