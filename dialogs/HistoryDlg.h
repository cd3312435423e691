// CHistoryDlg: the history of the configuration: the snapshots (time, program, devices,
// tags), and below them the journal of changes, newest first, from the selected snapshot's
// time onwards (every line when none is selected). "Восстановить..." hands the selected
// snapshot to the caller, which shows what a restore would do and carries it out; the
// lists are read again afterwards. The rows come from the caller: the dialog only shows.
#pragma once

#include <cstddef>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "res/resource.h"
#include "ui/Controls.h"
#include "ui/Dialog.h"

// Texts are UTF-8, as the history files hold them.
struct HistorySnapshotRow {
    std::string time;     // ISO 8601, as sortable text: the journal lines at or after it belong to it
    std::string program;  // "zolcfg 0.917.N"
    std::size_t devices = 0;
    std::size_t tags = 0;
    std::filesystem::path file;
    bool readable = true;  // false: no tag file (empty, or not text a restore can read)
    bool damaged = false;  // its rows do not match its first line: devices and tags are the rows'

};

struct HistoryJournalRow {
    std::string time, user, program, action, name, before, after, result;
};

struct HistoryListing {
    std::filesystem::path folder;
    std::vector<HistorySnapshotRow> snapshots;  // newest first
    std::vector<HistoryJournalRow> journal;     // oldest first, as written
    std::string problem;                        // why something could not be read, or ""
};

class CHistoryDlg : public CDialog {
public:
    using Load = std::function<HistoryListing()>;
    using Restore = std::function<void(const HistorySnapshotRow& snapshot)>;

    CHistoryDlg(Load load, Restore restore, CWnd* parent = nullptr);

    CListCtrl m_Snapshots;
    CListCtrl m_Journal;
    HistoryListing m_Listing;

    // The journal lines shown for a snapshot (index; -1: none selected), newest first.
    std::vector<const HistoryJournalRow*> JournalFrom(int snapshot) const;

protected:
    void DoDataExchange(CDataExchange* pDX) override;
    BOOL OnInitDialog() override;
    void OnSnapshotChanged(NMHDR* pNMHDR, LRESULT* pResult);
    void OnRestore();

    BEGIN_MSG_MAP(CHistoryDlg, CDialog)
        ON_NOTIFY(LVN_ITEMCHANGED, IDC_HISTORY_SNAPSHOTS, OnSnapshotChanged)
        ON_BN_CLICKED(IDC_HISTORY_RESTORE, OnRestore)
    END_MSG_MAP()

private:
    void Reload();
    void ShowJournal(int snapshot);

    Load m_load;
    Restore m_restore;
    int m_nShown = -2;
};
