#include "dialogs/FindDlg.h"

#include <utility>

#include "ui/Text.h"

std::wstring NotFoundText(const std::wstring& text) { return Widen("Не найдено: «") + text + Widen("»"); }

CFindDlg::CFindDlg(const std::wstring& text, std::function<bool(const std::wstring&)> findNext, CWnd* parent)
    : CDialog(IDD_FIND, parent), m_strText(text), m_findNext(std::move(findNext))
{
}

BOOL CFindDlg::OnInitDialog()
{
    CDialog::OnInitDialog();
    HWND field = GetDlgItem(IDC_FIND_TEXT);
    ::SetWindowTextW(field, m_strText.c_str());
    ::SendMessageW(field, EM_SETSEL, 0, -1);
    ::SetFocus(field);
    return FALSE;  // the focus is set
}

void CFindDlg::OnOK()
{
    m_strText = CWnd(GetDlgItem(IDC_FIND_TEXT)).GetWideText();
    if (m_strText.empty()) return;
    if (!m_findNext(m_strText)) MessageBox(NotFoundText(m_strText));
}
