// The user's guide from the window: F1 in the main window and in its dialogs, and
// "Справка" in the system menu, ask the program's seam for documents to open the guide
// beside the program at the section of the window in question; a missing guide is told in a
// message box and nothing else changes.
#include <windows.h>

#include <mutex>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "KeyInput.h"
#include "MainWindowRun.h"
#include "MenuDriver.h"
#include "TreeReader.h"
#include "UiDriver.h"
#include "WindowTest.h"
#include "res/resource.h"
#include "ui/Help.h"
#include "ui/Text.h"

namespace {

struct OpenRequest {
    std::wstring file;
    std::string anchor;
};

// Stands in for the browser while it lives: notes every document the program asks to open.
// With opens false it plays a system that cannot open the page (no browser, no association).
class CNotedOpens {
public:
    explicit CNotedOpens(bool opens = true)
    {
        m_previous = SetDocumentOpener([this, opens](HWND, const std::wstring& file, const std::string& anchor) {
            std::lock_guard<std::mutex> lock(m_mutex);
            m_requests.push_back({file, anchor});
            return opens;
        });
    }
    ~CNotedOpens() { SetDocumentOpener(m_previous); }

    std::vector<OpenRequest> Requests() const
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        return m_requests;
    }
    size_t Count() const { return Requests().size(); }

private:
    DocumentOpener m_previous;
    mutable std::mutex m_mutex;
    std::vector<OpenRequest> m_requests;
};

// The guide beside the test program, present or absent for the test's span; whatever stood
// there before is put back afterwards.
class CGuideBeside {
public:
    explicit CGuideBeside(bool present)
    {
        const std::wstring folder = ProgramFolder() + L"\\guide";
        m_moved = folder + L".test-moved";
        m_hadOne = MoveFileW(folder.c_str(), m_moved.c_str()) != 0;
        if (!present) return;
        CreateDirectoryW(folder.c_str(), nullptr);
        HANDLE file = CreateFileW(GuideFile().c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
        if (file != INVALID_HANDLE_VALUE) {
            const char page[] = "<html><body><h1 id=\"main-window\">guide</h1></body></html>";
            DWORD written = 0;
            WriteFile(file, page, sizeof page - 1, &written, nullptr);
            CloseHandle(file);
        }
    }
    ~CGuideBeside()
    {
        const std::wstring folder = ProgramFolder() + L"\\guide";
        DeleteFileW(GuideFile().c_str());
        RemoveDirectoryW(folder.c_str());
        if (m_hadOne) MoveFileW(m_moved.c_str(), folder.c_str());
    }

private:
    std::wstring m_moved;
    bool m_hadOne = false;
};

// Presses F1 in window (brought to the front first) until the seam has count requests.
bool PressF1(HWND window, const CNotedOpens& opens, size_t count)
{
    SetForegroundWindow(window);
    ui_driver::WaitFor([&] { return GetForegroundWindow() == window; }, 2000);
    return keys::PressUntil({VK_F1}, [&] { return opens.Count() >= count; }, 5000);
}

HWND OpenSystemMenu(HWND window)
{
    PostMessageW(window, WM_SYSCOMMAND, SC_KEYMENU, ' ');
    return ui_driver::WaitForWindow([](HWND w) { return ui_driver::ClassName(w) == "#32768"; }, 5000);
}

class GuideTest : public CWindowTest {
protected:
    void SetUp() override { Prepare("7 5 1 20000000\n"); }
};

TEST_F(GuideTest, F1InTheMainWindowAndInTwoDialogsOpensTheGuideAtTheirSections)
{
    CGuideBeside guide(true);
    CNotedOpens opens;
    bool mainF1 = false, addDeviceF1 = false, comPortF1 = false;
    bool addDeviceStayed = false;
    const MainRun run = RunMain([&](HWND window, CTarnelDlg&) {
        mainF1 = PressF1(window, opens, 1);

        ui_driver::PressButton(window, IDC_ADD_DEVICE);
        HWND add = ui_driver::WaitForDialog("Добавление устройства");
        if (add != nullptr) {
            addDeviceF1 = PressF1(add, opens, 2);
            // The dialog goes on as before: F1 neither closes it nor reaches the main window.
            addDeviceStayed = IsWindowVisible(add) != FALSE;
            ui_driver::PressButton(add, IDCANCEL);
            ui_driver::WaitUntilGone(add);
        }

        ui_driver::PressButton(window, IDC_COM_PORT);
        HWND port = ui_driver::WaitForDialog("Настройки СОМ-порта");
        if (port != nullptr) {
            comPortF1 = PressF1(port, opens, 3);
            ui_driver::PressButton(port, IDCANCEL);
            ui_driver::WaitUntilGone(port);
        }
        ui_driver::PressButton(window, IDCANCEL);
    });

    EXPECT_TRUE(run.shown);
    EXPECT_TRUE(mainF1);
    EXPECT_TRUE(addDeviceF1);
    EXPECT_TRUE(comPortF1);
    EXPECT_TRUE(addDeviceStayed);
    EXPECT_TRUE(run.boxes.empty()) << run.boxes.front();
    const std::vector<OpenRequest> requests = opens.Requests();
    ASSERT_EQ(requests.size(), 3u);
    const std::vector<std::string> anchors = {requests[0].anchor, requests[1].anchor, requests[2].anchor};
    EXPECT_EQ(anchors, (std::vector<std::string>{"main-window", "add-device", "com-port"}));
    for (const OpenRequest& request : requests) EXPECT_EQ(Narrow(request.file), Narrow(GuideFile()));
    EXPECT_EQ(Narrow(GuideFile()), Narrow(ProgramFolder()) + "\\guide\\index.html");
}

TEST_F(GuideTest, HelpInTheSystemMenuComesAfterTheGivenItemsAndOpensTheGuidesStart)
{
    CGuideBeside guide(true);
    CNotedOpens opens;
    std::vector<std::string> items;
    const MainRun run = RunMain([&](HWND window, CTarnelDlg&) {
        HWND menu = OpenSystemMenu(window);
        if (menu != nullptr) {
            items = MenuItems(menu);
            for (size_t i = 0; i < items.size(); ++i)
                if (items[i] == "Справка") ChooseMenuItem(menu, static_cast<int>(i));
            ui_driver::WaitFor([&] { return opens.Count() >= 1; }, 5000);
        }
        ui_driver::PressButton(window, IDCANCEL);
    });

    ASSERT_GE(items.size(), 4u);
    EXPECT_EQ(items[items.size() - 4], "");
    EXPECT_EQ(items[items.size() - 3], "Описания приборов...");
    EXPECT_EQ(items[items.size() - 2], "История изменений...");
    EXPECT_EQ(items.back(), "Справка");
    const std::vector<OpenRequest> requests = opens.Requests();
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(Narrow(requests[0].file), Narrow(GuideFile()));
    EXPECT_EQ(requests[0].anchor, "");
    EXPECT_TRUE(run.boxes.empty());
}

TEST_F(GuideTest, AMissingGuideIsToldAndTheWindowGoesOn)
{
    CGuideBeside guide(false);
    CNotedOpens opens;
    std::vector<TreeLine> before, after;
    bool enabledAfter = false;
    // The run answers every message box and keeps its text.
    const MainRun run = RunMain([&](HWND window, CTarnelDlg&) {
        before = ReadTree(Tree(window));
        SetForegroundWindow(window);
        ui_driver::WaitFor([&] { return GetForegroundWindow() == window; }, 2000);
        const size_t boxes = ui_driver::BoxesAnswered();
        keys::Press({VK_F1});
        ui_driver::WaitForNextBox(window, boxes);  // the box that says why
        ui_driver::WaitUntilBack(window);
        after = ReadTree(Tree(window));
        enabledAfter = IsWindowEnabled(window) != FALSE;
        ui_driver::PressButton(window, IDCANCEL);
    });

    EXPECT_EQ(run.boxes, (std::vector<std::string>{"Руководство пользователя не найдено:\n" + Narrow(GuideFile())}));
    EXPECT_EQ(opens.Count(), 0u);
    EXPECT_TRUE(enabledAfter);
    ASSERT_FALSE(before.empty());
    EXPECT_EQ(after.size(), before.size());
    EXPECT_EQ(after[0].text, before[0].text);
}

TEST_F(GuideTest, APageTheSystemCannotOpenIsTold)
{
    CGuideBeside guide(true);
    CNotedOpens opens(false);
    const MainRun run = RunMain([&](HWND window, CTarnelDlg&) {
        SetForegroundWindow(window);
        ui_driver::WaitFor([&] { return GetForegroundWindow() == window; }, 2000);
        const size_t boxes = ui_driver::BoxesAnswered();
        keys::Press({VK_F1});
        ui_driver::WaitForNextBox(window, boxes);  // the box that says why
        ui_driver::WaitUntilBack(window);
        ui_driver::PressButton(window, IDCANCEL);
    });
    EXPECT_EQ(opens.Count(), 1u);
    EXPECT_EQ(run.boxes,
              (std::vector<std::string>{"Не удалось открыть руководство пользователя:\n" + Narrow(GuideFile())}));
}

}  // namespace
