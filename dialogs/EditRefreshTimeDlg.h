// CEditRefreshTimeDlg: the refresh period of one tag, shown and entered in milliseconds.
// The caller sets m_nPeriod (100-ns units) before DoModal and reads it after Apply.
#pragma once

#include <cstdint>
#include <string>

#include "res/resource.h"
#include "ui/Controls.h"
#include "ui/Dialog.h"

class CEditRefreshTimeDlg : public CDialog {
public:
    explicit CEditRefreshTimeDlg(const std::string& tagName, CWnd* parent = nullptr);

    CSpinButtonCtrl m_PeriodSpin;
    CEdit m_PeriodEdit;
    std::string m_strTagName;
    std::int64_t m_nPeriod = 0;

protected:
    // A dialog of the same kind with a template and caption of its own.
    CEditRefreshTimeDlg(UINT templateId, const std::string& caption, CWnd* parent);

    void DoDataExchange(CDataExchange* pDX) override;
    BOOL OnInitDialog() override;

    void OnApplyClicked();

    BEGIN_MSG_MAP(CEditRefreshTimeDlg, CDialog)
        ON_BN_CLICKED(IDOK, OnApplyClicked)
    END_MSG_MAP()

private:
    std::string m_strCaption;
    std::int64_t m_nPeriodAsRead = 0;
    std::string m_strShownText;  // the field's text as the dialog opened
};
