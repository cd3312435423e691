// CAddTagTree: the add-tags dialog. It shows the described parameters of one device as a
// tree of their tag names; Add (or a double click) turns every parameter under the
// selected node into a server tag with the chosen refresh period and puts it into the
// main window's tree. It stays open until "Закрыть".
#pragma once

#include <cstdint>

#include "res/resource.h"
#include "ui/Controls.h"
#include "ui/Dialog.h"

class CTarnelDlg;

class CAddTagTree : public CDialog {
public:
    CAddTagTree(CTarnelDlg* parentDlg, int deviceType, int netAddress);

    CTreeCtrl m_Tree;
    CSpinButtonCtrl m_PeriodSpin;
    CEdit m_PeriodEdit;
    CTarnelDlg* m_pParentDlg;
    int m_nDeviceType;
    int m_nNetAddress;
    int m_nParamNumber = 0;
    std::int64_t m_nPeriod = 0;

protected:
    void DoDataExchange(CDataExchange* pDX) override;
    BOOL OnInitDialog() override;

    void OnAddClicked();
    void OnTreeDblClk(NMHDR* pNMHDR, LRESULT* pResult);
    void OnCloseClicked();

    BEGIN_MSG_MAP(CAddTagTree, CDialog)
        ON_BN_CLICKED(IDOK, OnAddClicked)
        ON_NOTIFY(NM_DBLCLK, IDC_PARAM_TREE, OnTreeDblClk)
        ON_BN_CLICKED(IDCANCEL, OnCloseClicked)
    END_MSG_MAP()
};
