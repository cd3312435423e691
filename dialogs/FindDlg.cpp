#include "dialogs/FindDlg.h"

#include <utility>

#include "ui/Text.h"

std::string NotFoundText(const std::string& text) { return "Не найдено: «" + text + "»"; }

CFindDlg::CFindDlg(const std::string& text, std::function<bool(const std::string&)> findNext, CWnd* parent)
    : CDialog(IDD_FIND, parent), m_strText(text), m_findNext(std::move(findNext))
{
}

BOOL CFindDlg::OnInitDialog()
{
    CDialog::OnInitDialog();
    HWND field = GetDlgItem(IDC_FIND_TEXT);
    ::SetWindowTextW(field, Widen(m_strText).c_str());
    ::SendMessageW(field, EM_SETSEL, 0, -1);
    ::SetFocus(field);
    return FALSE;  // the focus is set
}

void CFindDlg::OnOK()
{
    m_strText = CWnd(GetDlgItem(IDC_FIND_TEXT)).GetWindowText();
    if (m_strText.empty()) return;
    if (!m_findNext(m_strText)) MessageBox(NotFoundText(m_strText));
}
