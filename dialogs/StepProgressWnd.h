// CStepProgressWnd: the progress of a long undo, redo, restore or copy of a device: "N из M"
// calls sent, a bar, and "Стоп". It handles the window's messages between the calls (Step),
// so that it paints and Stop is heard; Stop ends the run before the next call. The owner is disabled
// meanwhile by the caller. It shows only for runs of more than a few calls, chosen by the
// caller, and is gone with the object.
#pragma once

#include <cstddef>
#include <string>

#include "res/resource.h"
#include "ui/Dialog.h"

class CStepProgressWnd : public CDialog {
public:
    CStepProgressWnd(CWnd* owner, const std::string& caption, std::size_t total);

    // A run of more calls than this shows its progress; a shorter one is over before the
    // window would be read.
    static constexpr std::size_t kShownAboveCalls = 100;
    ~CStepProgressWnd() override;

    // After each call: shows the count, handles waiting messages; true once Stop was pressed.
    bool Step(std::size_t done);
    bool StopRequested() const { return m_bStop; }

protected:
    BOOL OnInitDialog() override;
    void OnCancel() override;
    void OnOK() override {}
    void OnStop();

    BEGIN_MSG_MAP(CStepProgressWnd, CDialog)
        ON_BN_CLICKED(IDC_STEP_PROGRESS_STOP, OnStop)
    END_MSG_MAP()

private:
    void PumpMessages();

    std::string m_strCaption;
    std::size_t m_nTotal;
    bool m_bStop = false;
    unsigned long long m_nLastShown = 0;
};
