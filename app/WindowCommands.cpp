// The main window's commands for large configurations: the description-files report, Find
// and Find Next, one refresh period for a whole branch, and the line check.
#include <climits>
#include <cstdlib>

#include "app/ServerChange.h"
#include "app/TarnelDlg.h"
#include "catalogue/Windows1251.h"
#include "common/Decimal.h"
#include "dialogs/BranchPeriodDlg.h"
#include "dialogs/DescriptionFilesDlg.h"
#include "dialogs/FindDlg.h"
#include "search/win/LineCheckDlg.h"
#include "server/win/ComTagServer.h"
#include "tree/BranchPeriod.h"
#include "tree/RefreshPeriod.h"
#include "tree/TreeFind.h"
#include "ui/BusyWindow.h"
#include "ui/Help.h"
#include "ui/Text.h"
#include "ui/TreeViewModel.h"

namespace {

// The main window whose keys the hook watches (one per thread: the program has one).
thread_local CTarnelDlg* t_pKeyWindow = nullptr;

// The main window's keys (CTarnelDlg::PreTranslateKey). The window is a dialog: its modal
// loop hands every message to the thread's message filter first, and key strokes reach the
// focused control, never the dialog itself.
LRESULT CALLBACK MainWindowKeys(int code, WPARAM wParam, LPARAM lParam)
{
    const MSG* msg = reinterpret_cast<const MSG*>(lParam);
    CTarnelDlg* dlg = t_pKeyWindow;
    if (code == MSGF_DIALOGBOX && dlg != nullptr && msg != nullptr && dlg->PreTranslateKey(*msg)) return TRUE;
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

}  // namespace

void CTarnelDlg::InstallWindowFeatures()
{
    if (HMENU system = GetSystemMenu(m_hWnd, FALSE)) AppendSystemItems(system);
    t_pKeyWindow = this;
    m_keyHook.Reset(SetWindowsHookExW(WH_MSGFILTER, &MainWindowKeys, nullptr, GetCurrentThreadId()));
    if (const char* delay = std::getenv("ZOLCFG_PROGRESS_DELAY_MS"))
        ParseDecimalTo<unsigned>(delay, UINT_MAX, &m_nProgressDelayMs);  // not a number: the default stays
}

void CTarnelDlg::RemoveWindowFeatures()
{
    m_keyHook.Reset();
    if (t_pKeyWindow == this) t_pKeyWindow = nullptr;
}

void CTarnelDlg::OnGuide() { ShowGuide(m_hWnd, std::string()); }

void CTarnelDlg::OnDescriptionFiles()
{
    CDescriptionFilesDlg dlg(".", this);
    dlg.DoModal();
}

bool CTarnelDlg::FindNext(const std::wstring& text)
{
    bool exact = false;
    const std::string needle =
        Utf16ToCp1251(std::u16string_view(reinterpret_cast<const char16_t*>(text.data()), text.size()), &exact);
    if (!exact) return false;
    // The search reads the mirror of the tree; the control is asked only for the selection
    // and told the node found.
    const TreeNode found = FindNextNode(m_TreeMirror, CTreeViewModel::Node(m_Tree.GetSelectedItem()), needle);
    if (found == nullptr) return false;
    HTREEITEM item = CTreeViewModel::Item(found);
    // Selecting expands the parents; the scroll brings the node into view.
    m_Tree.SelectItem(item);
    m_Tree.SendMessage(TVM_ENSUREVISIBLE, 0, reinterpret_cast<LPARAM>(item));
    return true;
}

void CTarnelDlg::OnFind()
{
    CFindDlg dlg(m_strFindText, [this](const std::wstring& text) {
        m_strFindText = text;
        return FindNext(text);
    }, this);
    dlg.DoModal();
    if (!dlg.m_strText.empty()) m_strFindText = dlg.m_strText;
    m_Tree.SetFocus();
}

void CTarnelDlg::OnFindNext()
{
    if (m_strFindText.empty()) {
        OnFind();
        return;
    }
    if (!FindNext(m_strFindText)) MessageBox(NotFoundText(m_strFindText));
}

void CTarnelDlg::OnBranchPeriod()
{
    CTreeViewModel tree = TreeModel();
    const std::vector<TagKey> tags = TagsBelow(tree, CTreeViewModel::Node(m_hCurrentItem));
    const std::string nodeText = m_Tree.GetItemText(m_hCurrentItem);
    if (tags.empty()) {
        Tell("В ветви «" + nodeText + "» нет тегов.");
        return;
    }

    CServerChange change(*this, "Изменить период");
    if (!change.Ok()) return;
    ITagServer& server = change.Server();
    // The server's calls dispatch messages: no input reaches the window meanwhile.
    HWND focus = FocusedControl();
    BranchPeriodsRead read;
    {
        CBusyWindow busy(*this);
        read = ReadBranchPeriods(server, tags);
    }
    ReturnFocus(focus, m_Tree);

    CBranchPeriodDlg dlg(nodeText, tags.size(), this);
    dlg.m_nPeriod = MostFrequentPeriod(read.periods).value_or(PeriodFromMs(kDefaultPeriodMs));
    if (dlg.DoModal() != IDOK) return;  // Cancel sends nothing

    BranchPeriodReport report;
    {
        CBusyWindow busy(*this);
        report = ApplyBranchPeriod(server, tags, dlg.m_nPeriod);
        change.Finish();
    }
    ReturnFocus(focus, m_Tree);

    if (report.refused == 0)
        Tell("Период изменён у " + std::to_string(report.changed) + " тегов");
    else
        Tell(RefusalText("Сервер не принял новый период у " + std::to_string(report.refused) + " тегов из " +
                             std::to_string(tags.size()),
                         report.firstRefusal, "У этих тегов период не изменён."));
}

void CTarnelDlg::OnCheckLine()
{
    // On a device node that device; on empty space every device the server holds tags for.
    const bool one = m_hCurrentItem != nullptr;
    const TagKey key = one ? static_cast<TagKey>(m_Tree.GetItemData(m_hCurrentItem)) : 0;
    CLineCheckDlg dlg(one, TagKeyTypeCode(key), TagKeyAddress(key), [this](std::uint32_t type, std::uint32_t address) {
        HTREEITEM item = FindChildNode(nullptr, TreeDeviceText(static_cast<int>(address), static_cast<int>(type)));
        if (item == nullptr) return;
        m_Tree.SelectItem(item);
        m_Tree.SendMessage(TVM_ENSUREVISIBLE, 0, reinterpret_cast<LPARAM>(item));
    }, this);
    dlg.DoModal();
    m_Tree.SetFocus();
}
