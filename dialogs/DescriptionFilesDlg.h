// CDescriptionFilesDlg: every description file of the working directory with what the
// loader made of it, and the selected file's messages and findings. The files are read on
// a worker thread (a folder may hold thousands, or one of many megabytes): the dialog
// answers meanwhile and counts the files read; the list fills when all are read.
#pragma once

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "catalogue/DescriptionFilesReport.h"
#include "res/resource.h"
#include "ui/Controls.h"
#include "ui/Dialog.h"

class CDescriptionFilesDlg : public CDialog {
public:
    explicit CDescriptionFilesDlg(const std::filesystem::path& directory = ".", CWnd* parent = nullptr);
    ~CDescriptionFilesDlg() override;

    CListCtrl m_List;
    CEdit m_Details;
    std::vector<DescriptionFileReport> m_Reports;

    // The result column's text of a report (Windows-1251).
    std::wstring ResultText(const DescriptionFileReport& report) const;
    // The details shown for a report: its messages, then its findings.
    std::wstring DetailsText(const DescriptionFileReport& report) const;

protected:
    void DoDataExchange(CDataExchange* pDX) override;
    BOOL OnInitDialog() override;

    void OnListItemChanged(NMHDR* pNMHDR, LRESULT* pResult);
    // From the worker: how many files are read (wParam of lParam), and that all are.
    LRESULT OnReadProgress(WPARAM done, LPARAM total);
    LRESULT OnReadDone(WPARAM, LPARAM);
    // Puts the rows from the index wParam on in the list, some at a time.
    LRESULT OnShowRows(WPARAM from, LPARAM);

    static constexpr UINT WM_DSC_READ_PROGRESS = WM_APP + 0x40;
    static constexpr UINT WM_DSC_READ_DONE = WM_APP + 0x41;
    static constexpr UINT WM_DSC_SHOW_ROWS = WM_APP + 0x42;

    BEGIN_MSG_MAP(CDescriptionFilesDlg, CDialog)
        ON_NOTIFY(LVN_ITEMCHANGED, IDC_DSC_LIST, OnListItemChanged)
        ON_MESSAGE(WM_DSC_READ_PROGRESS, OnReadProgress)
        ON_MESSAGE(WM_DSC_READ_DONE, OnReadDone)
        ON_MESSAGE(WM_DSC_SHOW_ROWS, OnShowRows)
    END_MSG_MAP()

private:
    // A file's name as the user knows it, and a line of the reader's or the linter's with
    // that name in it: the name is shown from the path, the rest is Windows-1251.
    std::wstring FileName(const DescriptionFileReport& report) const;
    std::wstring LineText(const DescriptionFileReport& report, const std::string& line) const;
    void ShowDetails(int row);
    void ShowReports(size_t from, size_t end);

    // What the worker reads, shared with it: the dialog may close before it is done.
    struct Reading;
    std::shared_ptr<Reading> m_reading;

    std::filesystem::path m_directory;
    int m_nShownRow = -2;
};
