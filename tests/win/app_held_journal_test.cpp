// The journal held open by another program (a spreadsheet showing journal.csv) while the
// window changes the server: a question with "Повтор" and "Отмена" names the file, nothing
// is sent while the journal cannot be written, and "Повтор" goes on once the file is free.
#include <windows.h>

#include <atomic>
#include <memory>
#include <filesystem>
#include <string>

#include <gtest/gtest.h>

#include "HoldFileRun.h"
#include "MainWindowRun.h"
#include "MenuDriver.h"
#include "ServerFiles.h"
#include "StandinFixture.h"
#include "TreeReader.h"
#include "UiDriver.h"
#include "WindowTest.h"
#include "app/SnapshotThread.h"
#include "history/History.h"
#include "tagfile/TagNames.h"
#include "res/resource.h"
#include "ui/Text.h"
#include "words/TagNameWords.h"

namespace {

namespace fs = std::filesystem;

const char kTags[] = "# type address param period(100ns)\n7 5 1 20000000\n7 5 2 30000000\n";

struct HeldRun {
    std::string text;                      // the question's text
    std::wstring retryText, cancelText;    // its buttons
    bool nodeAfter = false;                // the tag's node after the answer
};

class HeldJournalTest : public CWindowTest {
protected:
    void SetUp() override
    {
        m_history = fs::temp_directory_path() / "zolcfg-history-held";
        std::error_code ec;
        fs::remove_all(m_history, ec);
        fs::create_directories(m_history);
        SetEnvironmentVariableW(L"ZOLCFG_HISTORY", m_history.wstring().c_str());
        SetEnvironmentVariableW(L"ZOLCFG_SNAPSHOTS", L"0");
        // A journal that exists, as the spreadsheet has it open.
        std::string error;
        CJournal journal(SystemHistoryPlatform(), m_history);
        ASSERT_TRUE(journal.Open(&error)) << error;
    }
    void TearDown() override
    {
        SetEnvironmentVariableW(L"ZOLCFG_HISTORY", nullptr);
        CWindowTest::TearDown();
    }

    // Deletes the tag Voltage of Meter(005) while the journal is held for holdMs, answering
    // the question with answer (IDRETRY once the holder has let go, or IDCANCEL).
    HeldRun DeleteWhileHeld(DWORD holdMs, int answer)
    {
        HeldRun result;
        CTarnelDlg dlg;
        std::atomic<bool> ended{false};
        {
            ui_driver::CScript driver([&] {
                HWND window = nullptr;
                ui_driver::WaitFor([&] {
                    return ended || (window = ui_driver::WaitForDialog("Конфигуратор ZOL-OPC-Server версия", 50));
                });
                if (window == nullptr) return;
                CHoldFileRun holder(m_history / "journal.csv", holdMs);
                EXPECT_TRUE(holder.Held());
                ChooseFromMenu(window, PointOf(window, {"Meter(005)", "Voltage"}), "Удалить тег");
                const HWND box = ui_driver::WaitForMessageBox(20000);
                if (box != nullptr) {
                    result.text = ui_driver::MessageBoxText(box);
                    wchar_t text[64] = {};
                    GetDlgItemTextW(box, IDRETRY, text, 64);
                    result.retryText = text;
                    GetDlgItemTextW(box, IDCANCEL, text, 64);
                    result.cancelText = text;
                    ui_driver::SaveScreenshot(box, "journal-held-question");
                    if (answer == IDRETRY) {
                        EXPECT_TRUE(holder.WaitReleased(30000));
                    }
                    ui_driver::PressButton(box, answer);
                    ui_driver::WaitUntilGone(box, 15000);
                }
                // Whatever follows the answer (the deletion, or nothing) has happened once the
                // window is back.
                ui_driver::WaitUntilBack(window);
                result.nodeAfter = FindTreeItem(Tree(window), {"Meter(005)", "Voltage"}) != nullptr;
                ui_driver::PressButton(window, IDCANCEL);
                ui_driver::WaitUntilGone(window, 30000);
            });
            dlg.DoModal();
            ended = true;
        }
        ui_driver::DrainQuitMessage();
        return result;
    }

    fs::path m_history;
};

TEST_F(HeldJournalTest, CancelSendsNothing)
{
    Prepare(kTags);
    const std::string before = standin::ReadStateFile("tags.txt");
    const HeldRun run = DeleteWhileHeld(20000, IDCANCEL);
    const std::string file = Narrow((m_history / "journal.csv").wstring());
    EXPECT_EQ(run.text.rfind("Журнал изменений " + file + " открыт в другой программе", 0), 0u) << run.text;
    EXPECT_NE(run.text.find("«Повтор»"), std::string::npos) << run.text;
    // Each line ends in a blank, so that the box's measure covers the line as drawn.
    const std::string tail = "«Отмена» оставляет конфигурацию без изменений. ";
    EXPECT_EQ(run.text.size() > tail.size() ? run.text.substr(run.text.size() - tail.size()) : run.text, tail);
    EXPECT_NE(run.text.find(" \nЗакройте его там"), std::string::npos) << run.text;
    EXPECT_EQ(run.retryText, Widen("Повтор"));
    EXPECT_EQ(run.cancelText, Widen("Отмена"));
    EXPECT_TRUE(run.nodeAfter);
    EXPECT_EQ(standin::ReadStateFile("tags.txt"), before);
}

TEST_F(HeldJournalTest, RetryOnceTheFileIsFreeMakesTheChangeWithItsLine)
{
    Prepare(kTags);
    const HeldRun run = DeleteWhileHeld(8000, IDRETRY);
    EXPECT_FALSE(run.text.empty());
    EXPECT_FALSE(run.nodeAfter);
    EXPECT_EQ(ServerTags(), std::vector<std::string>{"7 5 2 30000000"});
    std::vector<JournalLine> lines;
    std::string error;
    ASSERT_TRUE(ReadJournal(m_history, &lines, &error)) << error;
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines[0].result, "ok");
}

// A server that hangs in a call must not keep the window from closing: the background
// snapshot's thread, stuck in that call, is waited for a bounded time only.
TEST_F(HeldJournalTest, AStuckSnapshotThreadIsWaitedForABoundedTime)
{
    Prepare(kTags);
    standin::SetFaults("slow GetTagInfo " + std::to_string(ui_driver::ResponseLimitMs(8000)) + "\n");
    const size_t slowCalls = standin::LogLines("slow fault: inside GetTagInfo");
    auto snapshot = std::make_unique<CSnapshotThread>(m_history, "zolcfg test", CatalogueTagNames(UnnamedPartWords()));
    ASSERT_TRUE(snapshot->Start());
    // Connected and inside the slow call: the server says so as the call begins.
    EXPECT_TRUE(standin::WaitForLogLine("slow fault: inside GetTagInfo", slowCalls));
    EXPECT_FALSE(snapshot->Wait(0));
    const DWORD start = GetTickCount();
    const bool ended = snapshot->Stop(2000);
    const DWORD waited = GetTickCount() - start;
    EXPECT_FALSE(ended);
    EXPECT_LT(waited, 2000u + ui_driver::ResponseLimitMs(1000));
    // The thread still uses the object: it is left to it, as the window leaves it.
    CSnapshotThread* const stuck = snapshot.release();
    // Once the call returns, the thread sees the stop and ends.
    if (stuck->Wait(ui_driver::ResponseLimitMs(20000))) {
        delete stuck;
    } else {
        ADD_FAILURE() << "the snapshot thread did not end after the slow call";
    }
    standin::ClearFaults();
}

}  // namespace
