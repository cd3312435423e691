#include "search_support.h"

#include <commctrl.h>

#include <chrono>
#include <ostream>

#include "StandinFixture.h"
#include "UiDriver.h"
#include "catalogue/Catalogue.h"
#include "search/win/SearchDevThread.h"
#include "search/win/SearchMessages.h"
#include "server/win/ServerConnection.h"
#include "ui/Controls.h"

namespace search_test {

void SetCatalogue(std::initializer_list<CatalogueDevice> devices)
{
    FreeDeviceCatalogue();
    for (const CatalogueDevice& d : devices) {
        CDevice device;
        device.m_nTypeCode = d.typeCode;
        device.m_strName = d.name;
        g_DeviceCatalogue.AddTail(device);
    }
}

std::ostream& operator<<(std::ostream& out, const ListEntry& entry)
{
    return out << "{\"" << entry.text << "\", 0x" << std::hex << entry.data << std::dec << "}";
}

std::vector<ListEntry> TreeEntries(HWND tree)
{
    CTreeCtrl control;
    control.Attach(tree);
    std::vector<ListEntry> entries;
    for (HTREEITEM item = control.GetRootItem(); item != nullptr; item = control.GetNextSiblingItem(item))
        entries.push_back({control.GetItemText(item), static_cast<std::uint32_t>(control.GetItemData(item))});
    control.Detach();
    return entries;
}

HTREEITEM TreeEntryAt(HWND tree, size_t index)
{
    CTreeCtrl control;
    control.Attach(tree);
    HTREEITEM item = control.GetRootItem();
    for (size_t i = 0; item != nullptr && i < index; ++i) item = control.GetNextSiblingItem(item);
    control.Detach();
    return item;
}

std::vector<ListEntry> ComboEntries(HWND combo)
{
    CComboBox control;
    control.Attach(combo);
    std::vector<ListEntry> entries;
    for (int i = 0; i < control.GetCount(); ++i)
        entries.push_back({control.GetLBText(i), static_cast<std::uint32_t>(control.GetItemData(i))});
    control.Detach();
    return entries;
}

void DoubleClickEntry(HWND dialog, int treeId, HTREEITEM item)
{
    HWND tree = GetDlgItem(dialog, treeId);
    SendMessageW(tree, TVM_SELECTITEM, TVGN_CARET, reinterpret_cast<LPARAM>(item));
    NMHDR header = {tree, static_cast<UINT_PTR>(treeId), static_cast<UINT>(NM_DBLCLK)};
    SendMessageW(dialog, WM_NOTIFY, static_cast<WPARAM>(treeId), reinterpret_cast<LPARAM>(&header));
}

std::pair<int, int> SpinRange(HWND spin)
{
    int lower = 0, upper = 0;
    SendMessageW(spin, UDM_GETRANGE32, reinterpret_cast<WPARAM>(&lower), reinterpret_cast<LPARAM>(&upper));
    return {lower, upper};
}

bool WaitForTitle(HWND window, const std::string& prefix, int timeoutMs)
{
    return ui_driver::WaitFor([&] { return ui_driver::Text(window).compare(0, prefix.size(), prefix) == 0; },
                              timeoutMs);
}

double NowMs()
{
    using namespace std::chrono;
    return duration<double, std::milli>(steady_clock::now().time_since_epoch()).count();
}

double WaitForNoWorker(double deadlineMs)
{
    for (;;) {
        const double now = NowMs();
        if (CSearchDevThread::LiveCount() == 0 || now >= deadlineMs) return now;
        Sleep(1);
    }
}

void CSearchTest::SetUp()
{
    standin::Reset();
    standin::WriteStateFile("line.txt", "");
    const HRESULT hr = CoInitialize(nullptr);
    ASSERT_TRUE(SUCCEEDED(hr));
    m_bComInitialized = true;
    const ConnectResult result = ConnectAddTags(false, &m_pAddTags);
    ASSERT_TRUE(result.Ok()) << "connection of the test thread failed: 0x" << std::hex << result.hr;
}

void CSearchTest::TearDown()
{
    EXPECT_EQ(CSearchDevThread::LiveCount(), 0) << "a search worker outlived its test";
    EXPECT_EQ(LiveSearchPayloads(), 0) << "search message payloads were not freed";
    if (m_pAddTags != nullptr) m_pAddTags->Release();
    m_pAddTags = nullptr;
    if (m_bComInitialized) CoUninitialize();
    m_bComInitialized = false;
    standin::ClearFaults();
    EXPECT_TRUE(standin::WaitUntilServerGone()) << "the server still holds objects or runs";
    ui_driver::DrainQuitMessage();
}

void CSearchTest::SetLine(const std::string& text) { standin::WriteStateFile("line.txt", text); }
void CSearchTest::SetFaults(const std::string& text) { standin::SetFaults(text); }

}  // namespace search_test
