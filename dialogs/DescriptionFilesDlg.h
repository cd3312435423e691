// CDescriptionFilesDlg: every description file of the working directory with what the
// loader made of it, and the selected file's messages and lint warnings.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

#include "catalogue/DescriptionFilesReport.h"
#include "res/resource.h"
#include "ui/Controls.h"
#include "ui/Dialog.h"

class CDescriptionFilesDlg : public CDialog {
public:
    explicit CDescriptionFilesDlg(const std::filesystem::path& directory = ".", CWnd* parent = nullptr);

    CListCtrl m_List;
    CEdit m_Details;
    std::vector<DescriptionFileReport> m_Reports;

    // The result column's text of a report (Windows-1251).
    std::wstring ResultText(const DescriptionFileReport& report) const;
    // The details shown for a report: its messages, then its warnings.
    std::wstring DetailsText(const DescriptionFileReport& report) const;

protected:
    void DoDataExchange(CDataExchange* pDX) override;
    BOOL OnInitDialog() override;

    void OnListItemChanged(NMHDR* pNMHDR, LRESULT* pResult);

    BEGIN_MSG_MAP(CDescriptionFilesDlg, CDialog)
        ON_NOTIFY(LVN_ITEMCHANGED, IDC_DSC_LIST, OnListItemChanged)
    END_MSG_MAP()

private:
    // A file's name as the user knows it, and a line of the reader's or the linter's with
    // that name in it: the name is shown from the path, the rest is Windows-1251.
    std::wstring FileName(const DescriptionFileReport& report) const;
    std::wstring LineText(const DescriptionFileReport& report, const std::string& line) const;
    void ShowDetails(int row);

    std::filesystem::path m_directory;
    int m_nShownRow = -2;
};
