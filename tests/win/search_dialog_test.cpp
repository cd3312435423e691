// The auto-search dialog driven in-process by messages while its worker searches the
// stand-in server's line through real COM: opening state, a full search, the title's
// numbers, Stop, Start during a search, every way of closing during a search, a worker that
// cannot connect or cannot be created, and choosing a found device.
#include <windows.h>
#include <commctrl.h>

#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "ModalRun.h"
#include "StandinFixture.h"
#include "UiDriver.h"
#include "res/resource.h"
#include "search/win/AutoFindDlg.h"
#include "search/SearchTexts.h"
#include "search_support.h"
#include "standin_support.h"

namespace {

using search_test::CSearchTest;
using search_test::ListEntry;
using search_test::NowMs;
using search_test::TreeEntries;
using search_test::WaitForTitle;

const char kFinished[] = "Автопоиск завершен";
const char kSearching[] = "Автопоиск от ";

struct Outcome {
    INT_PTR result = 0;
    int foundType = -1;
    int foundAddress = -1;
    std::vector<std::string> boxes;
};

// Runs the dialog on the test thread; the script drives it from another thread.
template <class Dialog = CAutoFindDlg>
Outcome RunDialog(IAddTags* pAddTags, const std::function<void(HWND)>& script)
{
    Dialog dlg(pAddTags);
    dlg.m_nFoundType = 0;
    dlg.m_nFoundAddress = 0;
    const ModalRun run = RunModal(dlg, "Автопоиск", script, 8000);
    EXPECT_TRUE(run.shown) << "the auto-search dialog did not open";
    Outcome outcome;
    outcome.result = run.result;
    outcome.boxes = run.boxes;
    outcome.foundType = dlg.m_nFoundType;
    outcome.foundAddress = dlg.m_nFoundAddress;
    return outcome;
}

HWND Item(HWND dialog, int id) { return GetDlgItem(dialog, id); }
bool StartEnabled(HWND dialog) { return IsWindowEnabled(Item(dialog, IDOK)) != FALSE; }
void SetField(HWND dialog, int id, const char* text)
{
    SetWindowTextA(Item(dialog, id), text);  // digits only: the code page does not matter
}
// The probed address the title shows during a search (-1 when it shows none).
int ProgressInTitle(HWND dialog)
{
    const std::string title = ui_driver::Text(dialog);
    const size_t open = title.rfind('(');
    if (title.compare(0, sizeof kSearching - 1, kSearching) != 0 || open == std::string::npos) return -1;
    return std::atoi(title.c_str() + open + 1);
}
bool WaitForProgress(HWND dialog, int address)
{
    return ui_driver::WaitFor([&] { return ProgressInTitle(dialog) >= address; });
}
size_t EntryCount(HWND dialog) { return TreeEntries(Item(dialog, IDC_FOUND_TREE)).size(); }

class AutoFindTest : public CSearchTest {
protected:
    void SetUp() override
    {
        CSearchTest::SetUp();
        search_test::SetCatalogue({{7, "Meter"}, {3, "Drive"}, {255, "Broadcast"}});
    }
};

TEST_F(AutoFindTest, OpensWithTheWholeRangeAndAnEmptyList)
{
    std::string title, start, end;
    std::pair<int, int> startRange, endRange;
    size_t entries = 99;
    bool startEnabled = false;
    const Outcome outcome = RunDialog(m_pAddTags, [&](HWND dialog) {
        title = ui_driver::Text(dialog);
        start = ui_driver::ItemText(dialog, IDC_START_ADDRESS);
        end = ui_driver::ItemText(dialog, IDC_END_ADDRESS);
        startRange = search_test::SpinRange(Item(dialog, IDC_START_ADDRESS_SPIN));
        endRange = search_test::SpinRange(Item(dialog, IDC_END_ADDRESS_SPIN));
        entries = EntryCount(dialog);
        startEnabled = StartEnabled(dialog);
        ui_driver::SaveScreenshot(dialog, "auto-find-opened");
        PostMessageW(dialog, WM_KEYDOWN, VK_ESCAPE, 0);
    });
    EXPECT_EQ(title, "Автопоиск");
    EXPECT_EQ(start, "1");
    EXPECT_EQ(end, "255");
    EXPECT_EQ(startRange, std::make_pair(1, 255));
    EXPECT_EQ(endRange, std::make_pair(1, 255));
    EXPECT_EQ(entries, 0u);
    EXPECT_TRUE(startEnabled);
    EXPECT_EQ(outcome.result, IDCANCEL);
    EXPECT_EQ(outcome.foundType, 0);
    EXPECT_EQ(outcome.foundAddress, 0);
}

TEST_F(AutoFindTest, FullSearchListsExactlyTheDevicesOnTheLine)
{
    SetLine("1 7 0 PM3F s/n 1\n"
            "42 99 0 XR-9 gateway\n"
            "77 3 0 FD400\n"
            "200 300 0 Wide\n"
            "255 255 0 All\n");
    SetFaults("probe_timeout_ms 5\n");
    std::vector<ListEntry> entries;
    bool enabledWhileSearching = true, enabledAfter = false;
    std::string titleAfter;
    const Outcome outcome = RunDialog(m_pAddTags, [&](HWND dialog) {
        ui_driver::PressButton(dialog, IDOK);
        EXPECT_TRUE(WaitForTitle(dialog, kSearching));
        enabledWhileSearching = StartEnabled(dialog);
        ui_driver::WaitFor([&] { return EntryCount(dialog) >= 2; });
        ui_driver::SaveScreenshot(dialog, "auto-find-searching");
        EXPECT_TRUE(WaitForTitle(dialog, kFinished));
        titleAfter = ui_driver::Text(dialog);
        enabledAfter = StartEnabled(dialog);
        entries = TreeEntries(Item(dialog, IDC_FOUND_TREE));
        ui_driver::SaveScreenshot(dialog, "auto-find-finished");
        ui_driver::PressButton(dialog, IDCANCEL);
    });
    EXPECT_FALSE(enabledWhileSearching);
    EXPECT_TRUE(enabledAfter);
    EXPECT_EQ(titleAfter, kFinished);
    EXPECT_EQ(entries, (std::vector<ListEntry>{
                           {"Meter(001)", MakeFoundItemData(7, 1)},
                           {"XR-9 gateway(042)(неподдерживаемый прибор)", MakeFoundItemData(99, 42)},
                           {"Drive(077)", MakeFoundItemData(3, 77)},
                           // Beyond 8 bits: listed, but it carries no type code to choose.
                           {"Wide(200)(неподдерживаемый прибор)", MakeFoundItemData(0, 200)},
                           {"Broadcast(255)", MakeFoundItemData(255, 255)},
                       }));
    EXPECT_EQ(outcome.result, IDCANCEL);
    EXPECT_TRUE(outcome.boxes.empty());
}

TEST_F(AutoFindTest, TitleShowsTheRangeAsEnteredAndFollowsTheSpins)
{
    SetFaults("probe_timeout_ms 400\n");
    std::string reversed, first, moved, later;
    RunDialog(m_pAddTags, [&](HWND dialog) {
        // Searched from 10 up to 12, shown as entered.
        SetField(dialog, IDC_START_ADDRESS, "12");
        SetField(dialog, IDC_END_ADDRESS, "10");
        ui_driver::PressButton(dialog, IDOK);
        EXPECT_TRUE(WaitForTitle(dialog, kSearching));
        reversed = ui_driver::Text(dialog);
        EXPECT_TRUE(WaitForTitle(dialog, kFinished));

        SetField(dialog, IDC_START_ADDRESS, "10");
        SetField(dialog, IDC_END_ADDRESS, "12");
        ui_driver::PressButton(dialog, IDOK);
        EXPECT_TRUE(WaitForTitle(dialog, kSearching));
        first = ui_driver::Text(dialog);
        // Moving the end spin during the search changes the numbers of later reports: the
        // spin's position as it was when the move was announced (the search itself keeps
        // its range).
        SetField(dialog, IDC_END_ADDRESS, "20");
        SendMessageW(Item(dialog, IDC_END_ADDRESS), WM_KEYDOWN, VK_UP, 0);
        SendMessageW(Item(dialog, IDC_END_ADDRESS), WM_KEYUP, VK_UP, 0);
        moved = ui_driver::ItemText(dialog, IDC_END_ADDRESS);
        EXPECT_TRUE(WaitForTitle(dialog, "Автопоиск от 10 до 20 (11/20)"));
        later = ui_driver::Text(dialog);
        EXPECT_TRUE(WaitForTitle(dialog, kFinished));
        ui_driver::PressButton(dialog, IDCANCEL);
    });
    EXPECT_EQ(reversed, "Автопоиск от 12 до 10 (10/10)");
    EXPECT_EQ(first, "Автопоиск от 10 до 12 (10/12)");
    EXPECT_EQ(moved, "21");
    EXPECT_EQ(later, "Автопоиск от 10 до 20 (11/20)");
}

TEST_F(AutoFindTest, AddressTextThatIsNotOneTo255SearchesTheLastValidRange)
{
    SetFaults("probe_timeout_ms 5\n");
    std::string start, end, title;
    RunDialog(m_pAddTags, [&](HWND dialog) {
        SetField(dialog, IDC_START_ADDRESS, "250");
        SetField(dialog, IDC_END_ADDRESS, "252");
        ui_driver::PressButton(dialog, IDOK);
        EXPECT_TRUE(WaitForTitle(dialog, kFinished));
        SetField(dialog, IDC_START_ADDRESS, "abc");
        SetField(dialog, IDC_END_ADDRESS, "300");
        ui_driver::PressButton(dialog, IDOK);
        EXPECT_TRUE(ui_driver::WaitFor([&] { return !StartEnabled(dialog) || ui_driver::Text(dialog) != kFinished; }));
        EXPECT_TRUE(WaitForTitle(dialog, kFinished));
        start = ui_driver::ItemText(dialog, IDC_START_ADDRESS);
        end = ui_driver::ItemText(dialog, IDC_END_ADDRESS);
        ui_driver::PressButton(dialog, IDCANCEL);
    });
    // The fields were rewritten to show the range that was searched.
    EXPECT_EQ(start, "250");
    EXPECT_EQ(end, "252");
}

TEST_F(AutoFindTest, SpinsKeepTheRangeInOrder)
{
    std::pair<int, int> startRange, endRange;
    std::string startText, endText;
    RunDialog(m_pAddTags, [&](HWND dialog) {
        SetField(dialog, IDC_END_ADDRESS, "100");
        SetField(dialog, IDC_START_ADDRESS, "60");
        HWND startEdit = Item(dialog, IDC_START_ADDRESS), endEdit = Item(dialog, IDC_END_ADDRESS);
        SendMessageW(startEdit, WM_KEYDOWN, VK_UP, 0);
        SendMessageW(startEdit, WM_KEYUP, VK_UP, 0);
        SendMessageW(endEdit, WM_KEYDOWN, VK_DOWN, 0);
        SendMessageW(endEdit, WM_KEYUP, VK_DOWN, 0);
        startRange = search_test::SpinRange(Item(dialog, IDC_START_ADDRESS_SPIN));
        endRange = search_test::SpinRange(Item(dialog, IDC_END_ADDRESS_SPIN));
        startText = ui_driver::ItemText(dialog, IDC_START_ADDRESS);
        endText = ui_driver::ItemText(dialog, IDC_END_ADDRESS);
        ui_driver::PressButton(dialog, IDCANCEL);
    });
    EXPECT_EQ(startRange, std::make_pair(1, 100));
    EXPECT_EQ(endRange, std::make_pair(61, 255));
    EXPECT_EQ(startText, "61");
    EXPECT_EQ(endText, "99");
}

TEST_F(AutoFindTest, StopEndsTheSearchWithinTwoProbes)
{
    SetLine("250 7 0 Late\n");
    SetFaults("probe_timeout_ms 60\n");
    double stoppedAt = 0, finishedAt = 0;
    size_t entries = 99;
    bool enabled = false;
    RunDialog(m_pAddTags, [&](HWND dialog) {
        ui_driver::PressButton(dialog, IDOK);
        EXPECT_TRUE(WaitForProgress(dialog, 5));
        stoppedAt = NowMs();
        ui_driver::PressButton(dialog, IDC_STOP_SEARCH);
        EXPECT_TRUE(WaitForTitle(dialog, kFinished, 5000));
        finishedAt = NowMs();
        enabled = StartEnabled(dialog);
        entries = EntryCount(dialog);
        ui_driver::PressButton(dialog, IDCANCEL);
    });
    EXPECT_TRUE(enabled);
    EXPECT_EQ(entries, 0u);
    // Two probes of 60 ms, the COM calls and the driver's 20-ms polling.
    EXPECT_LT(finishedAt - stoppedAt, 2 * 60 + 250.0);
}

TEST_F(AutoFindTest, StartDuringASearchClearsTheListAndStartsNothing)
{
    SetLine("2 7 0 First\n"
            "30 3 0 Second\n");
    SetFaults("probe_timeout_ms 20\n");
    std::vector<ListEntry> entries;
    RunDialog(m_pAddTags, [&](HWND dialog) {
        SetField(dialog, IDC_END_ADDRESS, "40");
        ui_driver::PressButton(dialog, IDOK);
        EXPECT_TRUE(ui_driver::WaitFor([&] { return EntryCount(dialog) == 1; }));
        ui_driver::PressButton(dialog, IDOK);  // the OK command, as Enter gives it
        EXPECT_TRUE(WaitForTitle(dialog, kFinished));
        entries = TreeEntries(Item(dialog, IDC_FOUND_TREE));
        ui_driver::PressButton(dialog, IDCANCEL);
    });
    EXPECT_EQ(entries, (std::vector<ListEntry>{{"Drive(030)", MakeFoundItemData(3, 30)}}));
}

enum class CloseBy { CancelButton, EscapeKey, CloseBox, DoubleClick };

class AutoFindCloseTest : public AutoFindTest, public testing::WithParamInterface<CloseBy> {};

TEST_P(AutoFindCloseTest, ClosingDuringASearchEndsTheWorkerAfterTheProbeInProgress)
{
    SetLine("3 7 0 Meter\n");
    SetFaults("probe_timeout_ms 50\n");
    double closedAt = 0, workerGoneAt = 0;
    NMHDR click = {};
    const Outcome outcome = RunDialog(m_pAddTags, [&](HWND dialog) {
        ui_driver::PressButton(dialog, IDOK);
        EXPECT_TRUE(ui_driver::WaitFor([&] { return EntryCount(dialog) == 1; }));
        EXPECT_TRUE(WaitForProgress(dialog, 6));
        closedAt = NowMs();
        switch (GetParam()) {
        case CloseBy::CancelButton:
            ui_driver::PressButton(dialog, IDCANCEL);
            break;
        case CloseBy::EscapeKey:
            PostMessageW(dialog, WM_KEYDOWN, VK_ESCAPE, 0);
            break;
        case CloseBy::CloseBox:
            PostMessageW(dialog, WM_SYSCOMMAND, SC_CLOSE, 0);
            break;
        case CloseBy::DoubleClick: {
            // Posted, so that the worker's end is timed while the dialog pauses.
            HWND tree = Item(dialog, IDC_FOUND_TREE);
            SendMessageW(tree, TVM_SELECTITEM, TVGN_CARET,
                         reinterpret_cast<LPARAM>(search_test::TreeEntryAt(tree, 0)));
            click = {tree, IDC_FOUND_TREE, static_cast<UINT>(NM_DBLCLK)};
            closedAt = NowMs();
            PostMessageW(dialog, WM_NOTIFY, IDC_FOUND_TREE, reinterpret_cast<LPARAM>(&click));
            break;
        }
        }
        workerGoneAt = search_test::WaitForNoWorker(closedAt + standin_test::ScaledMs(5000));
    });
    // Right after DoModal: the worker has ended and no report is left unfreed.
    EXPECT_EQ(CSearchDevThread::LiveCount(), 0);
    EXPECT_EQ(LiveSearchPayloads(), 0);
    // The probe in progress, the COM calls and the worker's release of its connection (the
    // double click's pause runs meanwhile).
    EXPECT_LT(workerGoneAt - closedAt, 50 + 150.0);
    if (GetParam() == CloseBy::DoubleClick) {
        EXPECT_EQ(outcome.result, IDOK);
        EXPECT_EQ(outcome.foundType, 7);
        EXPECT_EQ(outcome.foundAddress, 3);
    } else {
        EXPECT_EQ(outcome.result, IDCANCEL);
    }
    // The worker's connection is released: with ours gone too, the server ends (TearDown).
}

INSTANTIATE_TEST_SUITE_P(EveryWay, AutoFindCloseTest,
                         testing::Values(CloseBy::CancelButton, CloseBy::EscapeKey, CloseBy::CloseBox,
                                         CloseBy::DoubleClick));

TEST_F(AutoFindTest, WorkerThatCannotConnectReturnsTheDialogToIdle)
{
    SetLine("4 7 0 Meter\n");
    SetFaults("class E_FAIL\nprobe_timeout_ms 5\n");
    std::string title;
    bool enabled = false;
    std::vector<ListEntry> entries;
    const Outcome outcome = RunDialog(m_pAddTags, [&](HWND dialog) {
        ui_driver::PressButton(dialog, IDOK);
        EXPECT_TRUE(WaitForTitle(dialog, "Автопоиск не выполнен"));
        title = ui_driver::Text(dialog);
        enabled = StartEnabled(dialog);
        ui_driver::SaveScreenshot(dialog, "auto-find-not-connected");
        // Usable again: once the server accepts, a new search runs.
        standin::SetFaults("probe_timeout_ms 5\n");
        SetField(dialog, IDC_END_ADDRESS, "5");
        ui_driver::PressButton(dialog, IDOK);
        EXPECT_TRUE(WaitForTitle(dialog, kFinished));
        entries = TreeEntries(Item(dialog, IDC_FOUND_TREE));
        ui_driver::PressButton(dialog, IDCANCEL);
    });
    EXPECT_EQ(outcome.boxes, std::vector<std::string>{"Can't connect to OPC-server"});
    EXPECT_EQ(title, "Автопоиск не выполнен: нет связи с сервером");
    EXPECT_TRUE(enabled);
    EXPECT_EQ(entries, (std::vector<ListEntry>{{"Meter(004)", MakeFoundItemData(7, 4)}}));
}

// A dialog whose worker cannot be created.
class CNoWorkerDlg : public CAutoFindDlg {
public:
    using CAutoFindDlg::CAutoFindDlg;

protected:
    CSearchDevThread* StartSearchThread() override { return nullptr; }
};

TEST_F(AutoFindTest, WorkerThatCannotBeCreatedIsReportedAndTheDialogStaysUsable)
{
    bool enabled = false;
    std::string title;
    const Outcome outcome = RunDialog<CNoWorkerDlg>(m_pAddTags, [&](HWND dialog) {
        // Returns once the dialog has handled the click (the box answered).
        SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), reinterpret_cast<LPARAM>(Item(dialog, IDOK)));
        enabled = StartEnabled(dialog);
        title = ui_driver::Text(dialog);
        ui_driver::PressButton(dialog, IDCANCEL);
    });
    EXPECT_EQ(outcome.boxes, std::vector<std::string>{"Автопоиск невозможен"});
    EXPECT_TRUE(enabled);
    EXPECT_EQ(title, "Автопоиск");
    EXPECT_EQ(outcome.result, IDCANCEL);
}

TEST_F(AutoFindTest, DoubleClickChoosesOnlyADeviceThatCanBeAdded)
{
    SetLine("9 255 0 All\n"
            "10 300 0 Wide\n"
            "12 3 0 FD400\n");
    SetFaults("probe_timeout_ms 5\n");
    std::vector<std::pair<int, int>> afterClicks;
    bool openAfterNoSelection = false, openAfter255 = false, openAfterWide = false;
    const Outcome outcome = RunDialog(m_pAddTags, [&](HWND dialog) {
        SetField(dialog, IDC_END_ADDRESS, "12");
        ui_driver::PressButton(dialog, IDOK);
        EXPECT_TRUE(WaitForTitle(dialog, kFinished));
        HWND tree = Item(dialog, IDC_FOUND_TREE);
        ASSERT_EQ(EntryCount(dialog), 3u);

        // No entry selected: nothing happens.
        NMHDR header = {tree, IDC_FOUND_TREE, static_cast<UINT>(NM_DBLCLK)};
        SendMessageW(dialog, WM_NOTIFY, IDC_FOUND_TREE, reinterpret_cast<LPARAM>(&header));
        openAfterNoSelection = IsWindowVisible(dialog) != FALSE;

        search_test::DoubleClickEntry(dialog, IDC_FOUND_TREE, search_test::TreeEntryAt(tree, 0));
        openAfter255 = IsWindowVisible(dialog) != FALSE;
        search_test::DoubleClickEntry(dialog, IDC_FOUND_TREE, search_test::TreeEntryAt(tree, 1));
        openAfterWide = IsWindowVisible(dialog) != FALSE;
        search_test::DoubleClickEntry(dialog, IDC_FOUND_TREE, search_test::TreeEntryAt(tree, 2));
    });
    EXPECT_TRUE(openAfterNoSelection);
    EXPECT_TRUE(openAfter255);
    EXPECT_TRUE(openAfterWide);
    EXPECT_EQ(outcome.result, IDOK);
    EXPECT_EQ(outcome.foundType, 3);
    EXPECT_EQ(outcome.foundAddress, 12);
}

TEST_F(AutoFindTest, EntryOf255IsLeftInTheResultsWhenCancelled)
{
    SetLine("9 255 0 All\n");
    SetFaults("probe_timeout_ms 5\n");
    const Outcome outcome = RunDialog(m_pAddTags, [&](HWND dialog) {
        SetField(dialog, IDC_START_ADDRESS, "9");
        SetField(dialog, IDC_END_ADDRESS, "9");
        ui_driver::PressButton(dialog, IDOK);
        EXPECT_TRUE(WaitForTitle(dialog, kFinished));
        search_test::DoubleClickEntry(dialog, IDC_FOUND_TREE,
                                      search_test::TreeEntryAt(Item(dialog, IDC_FOUND_TREE), 0));
        ui_driver::PressButton(dialog, IDCANCEL);
    });
    EXPECT_EQ(outcome.result, IDCANCEL);
    EXPECT_EQ(outcome.foundType, 255);
    EXPECT_EQ(outcome.foundAddress, 9);
}

TEST_F(AutoFindTest, LongServerTextIsCutWithItsSuffixesKept)
{
    SetLine("5 99 0 Gateway\n");
    SetFaults("probe-unterminated\nprobe_timeout_ms 5\n");
    std::vector<ListEntry> entries;
    RunDialog(m_pAddTags, [&](HWND dialog) {
        SetField(dialog, IDC_START_ADDRESS, "5");
        SetField(dialog, IDC_END_ADDRESS, "5");
        ui_driver::PressButton(dialog, IDOK);
        EXPECT_TRUE(WaitForTitle(dialog, kFinished));
        entries = TreeEntries(Item(dialog, IDC_FOUND_TREE));
        ui_driver::PressButton(dialog, IDCANCEL);
    });
    ASSERT_EQ(entries.size(), 1u);
    const std::string suffix = "(005)(неподдерживаемый прибор)";
    EXPECT_EQ(entries[0].text.size(), kSearchTextMax);
    EXPECT_EQ(entries[0].text, "Gateway" + std::string(kSearchTextMax - 7 - suffix.size(), '*') + suffix);
}

}  // namespace

TEST_F(AutoFindTest, AServerRestartedByAnotherProgramEndsTheSearchInItsOwnWords)
{
    // Every address takes its time to answer, so the search is surely under way when
    // another client restarts the server.
    SetFaults("probe_timeout_ms 200\n");
    bool restarted = false, ended = false;
    std::string title;
    bool startEnabled = false;
    const Outcome outcome = RunDialog(m_pAddTags, [&](HWND dialog) {
        SetField(dialog, IDC_START_ADDRESS, "1");
        SetField(dialog, IDC_END_ADDRESS, "247");
        ui_driver::PressButton(dialog, IDOK);
        if (!WaitForProgress(dialog, 2)) return;
        {
            IAddTags* other = nullptr;
            const ConnectResult connected = ConnectAddTags(true, &other);
            if (connected.Ok()) {
                other->RestartServer();  // it may end before its answer: any result will do
                other->Release();
                restarted = true;
            }
            if (connected.comInitialized) CoUninitialize();
        }
        ended = WaitForTitle(dialog, "Автопоиск прерван", 30000);
        title = ui_driver::Text(dialog);
        startEnabled = StartEnabled(dialog);
        ui_driver::PressButton(dialog, IDCANCEL);
    });
    ASSERT_TRUE(restarted);
    EXPECT_TRUE(ended) << title;
    EXPECT_EQ(title, "Автопоиск прерван: связь с сервером потеряна");
    EXPECT_TRUE(startEnabled);  // a new search connects anew
    EXPECT_TRUE(outcome.boxes.empty());
}
