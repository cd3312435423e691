#include "dialogs/BranchPeriodDlg.h"

#include "ui/Text.h"

CBranchPeriodDlg::CBranchPeriodDlg(const std::string& nodeText, std::size_t tags, CWnd* parent)
    : CEditRefreshTimeDlg(IDD_BRANCH_PERIOD, "Период обновления тегов: " + nodeText, parent), m_nTags(tags)
{
}

BOOL CBranchPeriodDlg::OnInitDialog()
{
    CEditRefreshTimeDlg::OnInitDialog();
    SetDlgItemTextW(m_hWnd, IDC_BRANCH_PERIOD_NOTE,
                    Widen("Новый период получат все теги ветви: " + std::to_string(m_nTags)).c_str());
    return TRUE;
}
