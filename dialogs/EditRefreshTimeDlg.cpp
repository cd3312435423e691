#include "dialogs/EditRefreshTimeDlg.h"

#include "tree/RefreshPeriod.h"
#include "ui/Text.h"

CEditRefreshTimeDlg::CEditRefreshTimeDlg(const std::string& tagName, CWnd* parent)
    : CDialog(IDD_EDIT_REFRESH_TIME, parent), m_strTagName(tagName), m_strCaption("Редактирование тега " + tagName)
{
}

CEditRefreshTimeDlg::CEditRefreshTimeDlg(UINT templateId, const std::string& caption, CWnd* parent)
    : CDialog(templateId, parent), m_strCaption(caption)
{
}

void CEditRefreshTimeDlg::DoDataExchange(CDataExchange* pDX)
{
    CDialog::DoDataExchange(pDX);
    DDX_Control(pDX, IDC_PERIOD_SPIN, m_PeriodSpin);
    DDX_Control(pDX, IDC_PERIOD_EDIT, m_PeriodEdit);
}

// The digit-group separator the spin control writes, from the user's locale.
static std::string GroupSeparator()
{
    wchar_t separator[8] = {};
    if (GetLocaleInfoW(LOCALE_USER_DEFAULT, LOCALE_STHOUSAND, separator, 8) <= 0) return std::string();
    return Narrow(separator);
}

BOOL CEditRefreshTimeDlg::OnInitDialog()
{
    CDialog::OnInitDialog();

    SetWindowText(m_strCaption);
    m_PeriodSpin.SetRange32(kPeriodMinMs, kPeriodMaxMs);
    const std::int64_t ms = MsFromPeriod(m_nPeriod);
    m_PeriodSpin.SetPos32(static_cast<int>(ms < kPeriodMinMs ? kPeriodMinMs : (ms > kPeriodMaxMs ? kPeriodMaxMs : ms)));
    // A period beyond the spin's range is shown as it is, not clamped: Apply without an
    // edit must not shorten it.
    if (!IsPeriodMsInRange(ms)) m_PeriodEdit.SetWindowText(FormatPeriodMs(ms, GroupSeparator()));
    m_PeriodSpin.SetBuddy(m_PeriodEdit);

    m_nPeriodAsRead = m_nPeriod;
    m_strShownText = m_PeriodEdit.GetWindowText();
    return TRUE;
}

void CEditRefreshTimeDlg::OnApplyClicked()
{
    const bool unchanged = m_PeriodEdit.GetWindowText() == m_strShownText;
    const int position = m_PeriodSpin.GetPos32();
    m_nPeriod = AppliedPeriod(m_nPeriodAsRead, unchanged, position);
    EndDialog(IDOK);
}
