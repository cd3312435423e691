#include "dialogs/HistoryDlg.h"

#include <commctrl.h>

#include <utility>

#include "ui/Text.h"

namespace {

// "2026-12-08T10:15:03+03:00" shown as "2026-12-08 10:15:03".
std::wstring ShownTime(const std::string& iso)
{
    std::string shown = iso.substr(0, 19);
    if (shown.size() > 10 && shown[10] == 'T') shown[10] = ' ';
    return WidenUtf8(shown);
}

struct ColumnSpec {
    const char* heading;
    int width;  // dialog units
};

void AddColumns(HWND dialog, CListCtrl& list, const ColumnSpec* columns, int count)
{
    list.SetFullRowSelect();
    for (int i = 0; i < count; ++i) {
        RECT units = {0, 0, columns[i].width, 8};
        MapDialogRect(dialog, &units);
        list.InsertColumn(i, columns[i].heading, units.right);
    }
}

}  // namespace

CHistoryDlg::CHistoryDlg(Load load, Restore restore, CWnd* parent)
    : CDialog(IDD_HISTORY, parent), m_load(std::move(load)), m_restore(std::move(restore))
{
}

void CHistoryDlg::DoDataExchange(CDataExchange* pDX)
{
    CDialog::DoDataExchange(pDX);
    DDX_Control(pDX, IDC_HISTORY_SNAPSHOTS, m_Snapshots);
    DDX_Control(pDX, IDC_HISTORY_JOURNAL, m_Journal);
}

BOOL CHistoryDlg::OnInitDialog()
{
    CDialog::OnInitDialog();
    const ColumnSpec snapshotColumns[] = {{"Время", 90}, {"Программа", 80}, {"Устройств", 72}, {"Тегов", 50}};
    AddColumns(m_hWnd, m_Snapshots, snapshotColumns, 4);
    const ColumnSpec journalColumns[] = {{"Время", 72}, {"Пользователь", 58}, {"Программа", 56}, {"Действие", 84},
                                         {"Тег", 86},   {"Было", 36},         {"Стало", 36},     {"Результат", 50}};
    AddColumns(m_hWnd, m_Journal, journalColumns, 8);
    Reload();
    return TRUE;
}

void CHistoryDlg::Reload()
{
    m_Listing = m_load ? m_load() : HistoryListing();
    std::wstring folder = Widen("Папка: ") + m_Listing.folder.wstring();
    if (!m_Listing.problem.empty()) folder += L"  (" + WidenUtf8(m_Listing.problem) + L")";
    SetDlgItemTextW(m_hWnd, IDC_HISTORY_FOLDER, folder.c_str());

    ::SendMessageW(m_Snapshots, LVM_DELETEALLITEMS, 0, 0);
    for (size_t i = 0; i < m_Listing.snapshots.size(); ++i) {
        const HistorySnapshotRow& s = m_Listing.snapshots[i];
        const int row = m_Snapshots.InsertItem(static_cast<int>(i), ShownTime(s.time));
        if (!s.readable) {
            m_Snapshots.SetItemText(row, 1, Widen("файл не читается"));
            continue;
        }
        m_Snapshots.SetItemText(row, 1, s.damaged ? Widen("файл повреждён") : WidenUtf8(s.program));
        m_Snapshots.SetItemText(row, 2, std::to_wstring(s.devices));
        m_Snapshots.SetItemText(row, 3, std::to_wstring(s.tags));
    }
    m_nShown = -2;
    if (!m_Listing.snapshots.empty())
        m_Snapshots.SetSelected(0);
    ShowJournal(m_Snapshots.GetSelectionMark());
}

std::vector<const HistoryJournalRow*> CHistoryDlg::JournalFrom(int snapshot) const
{
    std::string since;
    if (snapshot >= 0 && snapshot < static_cast<int>(m_Listing.snapshots.size()))
        since = m_Listing.snapshots[static_cast<size_t>(snapshot)].time.substr(0, 19);
    std::vector<const HistoryJournalRow*> rows;
    for (auto it = m_Listing.journal.rbegin(); it != m_Listing.journal.rend(); ++it)
        if (since.empty() || it->time.substr(0, 19) >= since) rows.push_back(&*it);
    return rows;
}

void CHistoryDlg::ShowJournal(int snapshot)
{
    if (snapshot == m_nShown) return;
    m_nShown = snapshot;
    const bool chosen = snapshot >= 0 && snapshot < static_cast<int>(m_Listing.snapshots.size());
    ::EnableWindow(GetDlgItem(IDC_HISTORY_RESTORE), chosen ? TRUE : FALSE);
    ::SendMessageW(m_Journal, WM_SETREDRAW, FALSE, 0);
    ::SendMessageW(m_Journal, LVM_DELETEALLITEMS, 0, 0);
    int row = 0;
    for (const HistoryJournalRow* line : JournalFrom(snapshot)) {
        m_Journal.InsertItem(row, ShownTime(line->time));
        const std::string* cells[] = {&line->user,   &line->program, &line->action, &line->name,
                                      &line->before, &line->after,   &line->result};
        for (int column = 0; column < 7; ++column) m_Journal.SetItemText(row, column + 1, WidenUtf8(*cells[column]));
        ++row;
    }
    ::SendMessageW(m_Journal, WM_SETREDRAW, TRUE, 0);
}

void CHistoryDlg::OnSnapshotChanged(NMHDR* pNMHDR, LRESULT* pResult)
{
    *pResult = 0;
    const NMLISTVIEW* change = reinterpret_cast<const NMLISTVIEW*>(pNMHDR);
    if ((change->uChanged & LVIF_STATE) == 0) return;
    ShowJournal(m_Snapshots.GetSelectionMark());
}

void CHistoryDlg::OnRestore()
{
    const int selected = m_Snapshots.GetSelectionMark();
    if (selected < 0 || selected >= static_cast<int>(m_Listing.snapshots.size()) || !m_restore) return;
    const HistorySnapshotRow snapshot = m_Listing.snapshots[static_cast<size_t>(selected)];
    m_restore(snapshot);
    Reload();
}
