// The main window's editing commands: the context menu of the tree and what its items,
// the double click and the info tips do.
#include <memory>
#include <optional>

#include "app/ServerChange.h"
#include "app/TarnelDlg.h"
#include "catalogue/TagName.h"
#include "catalogue/Catalogue.h"
#include "dialogs/AddDeviceDlg.h"
#include "dialogs/AddTagTree.h"
#include "dialogs/EditRefreshTimeDlg.h"
#include "serial/win/ComSettings.h"
#include "server/win/ComTagServer.h"
#include "server/ServerErrors.h"
#include "tree/TagKey.h"
#include "tree/TreeCommands.h"
#include "ui/App.h"
#include "ui/Text.h"
#include "ui/TreeViewModel.h"

namespace {

const char kNodeHint[] = "Чтобы добавить новый тег кликните правой кнопкой";

}  // namespace

void CTarnelDlg::OnContextMenu(HWND, POINT point)
{
    if (m_bFilling) return;
    // From the keyboard (the point -1, -1) the menu is the selected node's, at its text;
    // empty space's only when no node is selected.
    const bool fromKeyboard = point.x == -1 && point.y == -1;
    HTREEITEM hit = fromKeyboard ? m_Tree.GetSelectedItem() : NodeAt(point);
    if (fromKeyboard) point = KeyboardMenuPoint(hit);

    HTREEITEM previousSelection = nullptr;
    // No node under the point is no current node: a command from empty space (export)
    // must not act on a node clicked earlier.
    m_hCurrentItem = hit;
    if (hit != nullptr) {
        previousSelection = m_Tree.GetSelectedItem();
        m_Tree.SelectItem(hit);
    }

    HMENU menu = CreatePopupMenu();
    AppendCommandItems(menu, hit);

    HWND owner = (AfxGetApp() && AfxGetApp()->m_pMainWnd) ? AfxGetApp()->m_pMainWnd->m_hWnd : m_hWnd;
    TrackPopupMenu(menu, TPM_RIGHTBUTTON, point.x, point.y, 0, owner, nullptr);
    DestroyMenu(menu);

    if (hit != nullptr) m_Tree.SelectItem(previousSelection);
}

void CTarnelDlg::OnAddDevice()
{
    CAddDeviceDlg dlg(m_pAddTags.Get());
    dlg.DoModal();
    // The last search's devices are kept for this run, whatever the dialog ended with.
    if (dlg.m_bSearched) {
        m_LastSearchFinds.clear();
        for (const CAutoFindDlg::Found& found : dlg.m_Found)
            m_LastSearchFinds.push_back(FoundAtAddress{static_cast<std::uint32_t>(found.nTypeCode),
                                                       static_cast<std::uint32_t>(found.nAddress)});
    }
    if (dlg.m_nDeviceType == 0) return;

    // The text the tree gives this device when it is filled from the server.
    const std::string text = TreeDeviceText(static_cast<int>(dlg.m_nNetAddress), dlg.m_nDeviceType);
    // Only the tree learns of the device; the server does when tags are added under it.
    CTreeViewModel tree = TreeModel();
    AddDeviceNode(tree, text, static_cast<int>(dlg.m_nNetAddress), dlg.m_nDeviceType);
}

void CTarnelDlg::OnComPort()
{
    if (!m_pAddTags) {
        MessageBox("Server connection does not exist");
        return;
    }
    CServerChange change(*this, "Настройки COM-порта");
    if (!change.Ok()) return;
    CComSettings dlg(m_pAddTags.Get());
    dlg.m_pChangeServer = &change.Server();
    dlg.m_bQuietWhenLost = true;  // the window tells of a lost connection itself
    dlg.DoModal();
}

void CTarnelDlg::OnAddTags()
{
    const TagKey key = static_cast<TagKey>(m_Tree.GetItemData(m_hCurrentItem));
    auto dlg = std::make_unique<CAddTagTree>(this, static_cast<int>(TagKeyTypeCode(key)),
                                             static_cast<int>(TagKeyAddress(key)));
    if (dlg->DoModal() == -1) AfxMessageBox("Error creating Add Dialog");
}

void CTarnelDlg::OnDeleteTag()
{
    CServerChange change(*this, "Удалить тег");
    if (!change.Ok()) return;
    CTreeViewModel tree = TreeModel();
    const DeleteTagResult result = DeleteTagNode(tree, change.Server(), CTreeViewModel::Node(m_hCurrentItem));
    change.Finish();
    if (result.removed) m_hCurrentItem = nullptr;
    // A lost connection is told by the window's repair of it, once.
    if (HrFailed(result.hr) && !IsConnectionLost(result.hr))
        MessageBox(RefusalText("Сервер не удалил тег", result.hr, "Тег остался в конфигурации."));
}

void CTarnelDlg::OnDeleteTags() { DeleteBranch(m_hCurrentItem); }

void CTarnelDlg::OnDeleteDevice() { DeleteBranch(m_hCurrentItem); }

void CTarnelDlg::DeleteBranch(HTREEITEM item)
{
    if (!m_pAddTags) return;
    const bool device = GetNodeKind(static_cast<TagKey>(m_Tree.GetItemData(item))) == NodeKind::Device;
    CServerChange change(*this, device ? "Удалить устройство" : "Удалить теги");
    if (!change.Ok()) return;
    CTreeViewModel tree = TreeModel();
    DeleteBranchReport report;
    {
        CBulkUpdate bulk(tree);
        report = ::DeleteBranch(tree, change.Server(), CTreeViewModel::Node(item));
    }
    change.Finish();
    if (report.removed && item == m_hCurrentItem) m_hCurrentItem = nullptr;
    if (report.refused > 0 && ConnectionLost() == kS_OK)
        MessageBox(RefusalText("Сервер не удалил тегов: " + std::to_string(report.refused) + " из " +
                                   std::to_string(report.refused + report.deleted),
                               report.firstRefusal, "Эти теги остались в конфигурации."));
}

void CTarnelDlg::OnEditTag()
{
    const TagKey key = static_cast<TagKey>(m_Tree.GetItemData(m_hCurrentItem));
    const std::uint32_t type = TagKeyTypeCode(key);
    const std::uint32_t address = TagKeyAddress(key);
    const std::uint32_t param = TagKeyParam(key);
    CServerChange change(*this, "Редактировать");
    if (!change.Ok()) return;

    std::uint32_t low = 0;
    std::uint32_t high = 0;
    const HResult read = Server().GetTagInfo(type, address, param, &low, &high);
    if (IsConnectionLost(read)) return;
    if (HrFailed(read)) {
        // Without the current period the dialog would show whatever the variables held.
        MessageBox(RefusalText("Не удалось прочитать период обновления тега", read));
        return;
    }

    CEditRefreshTimeDlg dlg(FormatTagName(static_cast<int>(address), static_cast<int>(type), static_cast<int>(param)));
    dlg.m_nPeriod = JoinPeriod(low, high);
    if (dlg.DoModal() != IDOK) return;  // Cancel sends nothing

    // The period shown is not the journal's before-value: another program may have changed
    // it while the dialog waited. The journaled server reads it right before the call.
    const HRESULT written = change.Server().AddTag(type, address, param, dlg.m_nPeriod);
    change.Finish();
    if (FAILED(written) && !IsConnectionLost(written))
        MessageBox(RefusalText("Сервер не принял новый период обновления", written, "Период не изменён."));
}

void CTarnelDlg::OnTreeDblClk(NMHDR*, LRESULT* pResult)
{
    *pResult = 0;
    // The double click does what Enter does on the node: edit a tag, nothing elsewhere.
    HTREEITEM selected = m_Tree.GetSelectedItem();
    if (selected == nullptr) return;
    const int command = KeyCommand(CommandKey::Enter, static_cast<TagKey>(m_Tree.GetItemData(selected)));
    if (command != 0) RunCommandOn(command, selected);
}

void CTarnelDlg::OnTreeGetInfoTip(NMHDR* pNMHDR, LRESULT* pResult)
{
    *pResult = 0;
    NMTVGETINFOTIPW* tip = reinterpret_cast<NMTVGETINFOTIPW*>(pNMHDR);
    if (tip->pszText == nullptr || tip->cchTextMax <= 0) return;
    const std::wstring hint = Widen(kNodeHint);
    lstrcpynW(tip->pszText, hint.c_str(), tip->cchTextMax);
}
