// CAddDeviceDlg: the choice of a device type from the catalogue and a network address for
// a new device. It calls no server operation; the caller reads m_nDeviceType and
// m_nNetAddress after DoModal (type 0: nothing to add). "Автопоиск..." runs the
// auto-search dialog, whose chosen device ends this dialog with OK.
#pragma once

#include <vector>

#include "res/resource.h"
#include "search/win/AutoFindDlg.h"
#include "server/win/ServerConnection.h"
#include "ui/Controls.h"
#include "server/ComRef.h"
#include "ui/Dialog.h"

class CAddDeviceDlg : public CDialog {
public:
    // Takes a reference of its own on pAddTags, for the auto-search, until destroyed.
    explicit CAddDeviceDlg(IAddTags* pAddTags, CWnd* parent = nullptr);
    ~CAddDeviceDlg() override;

    CComboBox m_DeviceTypeCombo;
    CEdit m_AddressEdit;
    CSpinButtonCtrl m_AddressSpin;
    CComRef<IAddTags> m_AddTags;
    unsigned int m_nNetAddress = 1;
    int m_nDeviceType = 0;
    // The devices the last auto-search started from this dialog found (m_bSearched: one was).
    std::vector<CAutoFindDlg::Found> m_Found;
    bool m_bSearched = false;

    static constexpr int kMinAddress = 1;
    static constexpr int kMaxAddress = 247;

protected:
    void DoDataExchange(CDataExchange* pDX) override;
    BOOL OnInitDialog() override;

    void OnAddClicked();
    void OnCancelClicked();
    void OnAutoSearch();

    BEGIN_MSG_MAP(CAddDeviceDlg, CDialog)
        ON_BN_CLICKED(IDOK, OnAddClicked)
        ON_BN_CLICKED(IDCANCEL, OnCancelClicked)
        ON_BN_CLICKED(IDC_AUTO_SEARCH, OnAutoSearch)
    END_MSG_MAP()
};
