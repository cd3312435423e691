// CTarnelDlg: the main window. It connects to the server through IAddTags, loads the
// device catalogue, shows the server's configuration as a tree and runs the commands.
#pragma once

#include "res/resource.h"
#include "server/ServerConnection.h"
#include "ui/Controls.h"
#include "ui/Dialog.h"

class CTarnelDlg : public CDialog {
public:
    explicit CTarnelDlg(CWnd* parent = nullptr);
    ~CTarnelDlg() override;

    HICON m_hIcon;
    IAddTags* m_pAddTags = nullptr;
    CTreeCtrl m_Tree;
    HTREEITEM m_hCurrentItem = nullptr;
    CButton m_btnExit;
    CButton m_btnComPort;
    CButton m_btnApply;

    // Rebuilds the tree from the server's list of tags.
    void FillTree();

protected:
    void DoDataExchange(CDataExchange* pDX) override;
    BOOL OnInitDialog() override;

    void OnPaint();
    HCURSOR OnQueryDragIcon();
    void OnDestroy();
    void OnHelpCommand();

    BEGIN_MSG_MAP(CTarnelDlg, CDialog)
        ON_WM_PAINT()
        ON_WM_QUERYDRAGICON()
        ON_WM_DESTROY()
        ON_COMMAND(ID_HELP, OnHelpCommand)
    END_MSG_MAP()

private:
    // Tells the user why the connection failed, in the server's own terms.
    void ReportConnectFailure(const ConnectResult& result);

    bool m_bComInitialized = false;
};
