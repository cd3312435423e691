// CLineCheckDlg: "Проверка связи". Every configured device (or one) is probed once by a
// search worker (CSearchDevThread, the auto-search's) through its own connection; each
// result becomes a line of the list as it comes, the counts, the progress and the line's
// load estimate below. "Стоп" ends the check after the probe at hand; closing the dialog
// stops it too and waits for the worker, as the auto-search does. A double click or Enter
// on a line hands that device to the caller (the main window selects its node).
#pragma once

#include <windows.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "common/win/Owners.h"
#include "res/resource.h"
#include "search/LineCheck.h"
#include "search/win/SearchDevThread.h"
#include "search/win/SearchMessages.h"
#include "ui/Controls.h"
#include "ui/Dialog.h"

class CLineCheckDlg : public CDialog {
public:
    using DeviceChosen = std::function<void(std::uint32_t type, std::uint32_t address)>;

    // oneDevice: only the device of type and address; otherwise every device the server
    // holds tags for.
    CLineCheckDlg(bool oneDevice, std::uint32_t type, std::uint32_t address, DeviceChosen chosen,
                  CWnd* parent = nullptr);
    ~CLineCheckDlg() override;

    // A result's line (Windows-1251): "PM3F(001) — отвечает".
    static std::string EntryText(const LineCheckEntry& entry);
    // The counts' line and the load estimate's line.
    static std::string CountsText(const LineCheckCounts& counts);
    static std::string LoadText(const LineLoadEstimate& load);

    std::vector<LineCheckEntry> m_Entries;  // in the order checked, as the list shows them

    static constexpr DWORD kWorkerEndLimitMs = 15000;

protected:
    BOOL OnInitDialog() override;
    void OnOK() override;
    void OnCancel() override;

    void OnStop();
    void OnListDblClk();
    LRESULT OnPlanned(WPARAM, LPARAM lParam);
    LRESULT OnDeviceChecked(WPARAM, LPARAM lParam);
    LRESULT OnFinished(WPARAM wParam, LPARAM);
    void OnDestroy();

    BEGIN_MSG_MAP(CLineCheckDlg, CDialog)
        ON_BN_CLICKED(IDC_CHECK_STOP, OnStop)
        ON_LBN_DBLCLK(IDC_CHECK_LIST, OnListDblClk)
        ON_MESSAGE(WM_CHECK_PLANNED, OnPlanned)
        ON_MESSAGE(WM_DEVICE_CHECKED, OnDeviceChecked)
        ON_MESSAGE(WM_SCAN_FINISHED, OnFinished)
        ON_WM_DESTROY()
    END_MSG_MAP()

private:
    void SetStatus(const std::string& text);
    void ShowProgress();
    // Tells a running worker to end and waits for it (nothing when none runs).
    void EndWorker();
    // Frees the reports left in this window's queue, when it closes.
    void DiscardUndeliveredReports();

    bool m_bOneDevice;
    std::uint32_t m_nType, m_nAddress;
    DeviceChosen m_Chosen;
    LineCheckCounts m_Counts;
    std::size_t m_nPlanned = 0;
    bool m_bPlanned = false;
    bool m_bStopAsked = false;
    CSearchDevThread* m_pWorker = nullptr;  // the running worker; never dereferenced
    CScopedHandle m_hWorker;
    DWORD m_nWorkerId = 0;
};
