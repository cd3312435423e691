// CBranchPeriodDlg: one refresh period for every tag below a device or group node. The
// field starts at the period most of them have; the caller sets m_nPeriod before DoModal
// and reads it after Apply, as with the refresh-period dialog of one tag.
#pragma once

#include <cstddef>
#include <string>

#include "dialogs/EditRefreshTimeDlg.h"

class CBranchPeriodDlg : public CEditRefreshTimeDlg {
public:
    CBranchPeriodDlg(const std::string& nodeText, std::size_t tags, CWnd* parent = nullptr);

protected:
    BOOL OnInitDialog() override;

private:
    std::size_t m_nTags;
};
