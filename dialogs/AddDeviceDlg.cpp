#include "dialogs/AddDeviceDlg.h"

#include "catalogue/Catalogue.h"
#include "search/win/AutoFindDlg.h"
#include "search/SearchTexts.h"

CAddDeviceDlg::CAddDeviceDlg(IAddTags* pAddTags, CWnd* parent)
    : CDialog(IDD_ADD_DEVICE, parent), m_AddTags(CComRef<IAddTags>::Share(pAddTags))
{
}

CAddDeviceDlg::~CAddDeviceDlg() = default;

void CAddDeviceDlg::DoDataExchange(CDataExchange* pDX)
{
    CDialog::DoDataExchange(pDX);
    DDX_Control(pDX, IDC_DEVICE_TYPE, m_DeviceTypeCombo);
    DDX_Control(pDX, IDC_NET_ADDRESS, m_AddressEdit);
    DDX_Control(pDX, IDC_NET_ADDRESS_SPIN, m_AddressSpin);
    DDX_Text(pDX, IDC_NET_ADDRESS, m_nNetAddress);
    DDV_MinMaxInt(pDX, static_cast<int>(m_nNetAddress), kMinAddress, kMaxAddress);
}

BOOL CAddDeviceDlg::OnInitDialog()
{
    CDialog::OnInitDialog();

    m_AddressSpin.SetRange(kMinAddress, kMaxAddress);
    m_AddressSpin.SetBuddy(m_AddressEdit);
    m_AddressSpin.SetPos(1);

    // The list sorts itself (alphabetically, ignoring case); each entry's data is set at
    // the position the insertion reports. A type code the caller's tree key cannot carry
    // would come back as another device's, so such a device is not offered.
    for (const CDevice& device : g_DeviceCatalogue) {
        if (!IsKeyTypeCode(device.m_nTypeCode)) continue;
        const int index = m_DeviceTypeCombo.AddString(device.m_strName);
        if (index >= 0) m_DeviceTypeCombo.SetItemData(index, static_cast<DWORD_PTR>(device.m_nTypeCode));
    }

    UpdateData(TRUE);
    return TRUE;
}

void CAddDeviceDlg::OnAddClicked()
{
    if (!UpdateData(TRUE)) return;  // the validation message is shown, the focus is on the field
    const int selected = m_DeviceTypeCombo.GetCurSel();
    if (selected == CB_ERR) {
        // Without a chosen entry there is no type code to hand on.
        MessageBox("Выберите тип прибора.", nullptr, MB_OK | MB_ICONEXCLAMATION);
        m_DeviceTypeCombo.SetFocus();
        return;
    }
    m_nDeviceType = static_cast<int>(m_DeviceTypeCombo.GetItemData(selected));
    EndDialog(IDOK);
}

void CAddDeviceDlg::OnCancelClicked()
{
    EndDialog(IDCANCEL);
    m_nNetAddress = 0;
    m_nDeviceType = 0;
}

void CAddDeviceDlg::OnAutoSearch()
{
    // Owned by this dialog, so that this one takes no input while the search runs.
    CAutoFindDlg dlg(m_AddTags.Get(), this);
    dlg.m_nFoundType = 0;
    dlg.m_nFoundAddress = 0;
    const INT_PTR result = dlg.DoModal();
    if (dlg.m_bSearched) {
        m_Found = dlg.m_Found;
        m_bSearched = true;
    }
    m_nDeviceType = dlg.m_nFoundType;
    m_nNetAddress = static_cast<unsigned int>(dlg.m_nFoundAddress);
    if (result == IDOK) EndDialog(IDOK);
}
