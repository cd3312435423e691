// CComSettings: the server's serial-port settings (port, speed, data bits, parity, stop
// bits) as five drop-down lists. "Применить" sends the chosen values to the server and
// closes the dialog once the server has taken them; "Отмена" sends nothing.
//
// Every list shows exactly what would be sent: a server value that no fixed entry stands
// for is added to its list and selected, and nothing is sent while a list has no selection.
#pragma once

#include <memory>

#include "AddTags.h"
#include "server/TagServer.h"
#include "res/resource.h"
#include "serial/ComPortDialogModel.h"
#include "serial/EnumerateSerialSource.h"
#include "ui/Controls.h"
#include "ui/Dialog.h"

class CComSettings : public CDialog {
public:
    // The caller's IAddTags reference is used as lent: the dialog adds none and releases
    // none. The ports offered are the machine's.
    explicit CComSettings(IAddTags* pAddTags, CWnd* pParent = nullptr);
    // The same, with the ports taken from `ports`, which must outlive the dialog.
    CComSettings(IAddTags* pAddTags, IEnumerateSerialSource& ports, CWnd* pParent = nullptr);

    CComboBox m_PortCombo;
    int m_nDataBitsIndex = 0;  // position in the data-bits list (-1: none)
    CComboBox m_SpeedCombo;
    CComboBox m_ParityCombo;
    CComboBox m_StopBitsCombo;
    IAddTags* m_pAddTags;
    // When set, the settings are written through it (the main window's journal) instead of
    // m_pAddTags directly.
    ITagServer* m_pChangeServer = nullptr;
    // A connection found gone (reading or writing) closes the dialog without a word: its
    // owner tells of it. Otherwise the dialog says what failed.
    bool m_bQuietWhenLost = false;

protected:
    void DoDataExchange(CDataExchange* pDX) override;
    BOOL OnInitDialog() override;

    void OnApply();
    bool m_bLostOnOpen = false;

    BEGIN_MSG_MAP(CComSettings, CDialog)
        ON_BN_CLICKED(IDOK, OnApply)
    END_MSG_MAP()

private:
    // Reads the server's values into the model and selects them; when the server does not
    // give them, tells the user and leaves the lists without selections.
    void ReadServerValues(bool portsKnown);
    // Fills the five lists from the model and selects what the model selects.
    void ShowModel();
    // Takes the user's selections from the lists into the model.
    void TakeSelections();

    std::unique_ptr<IEnumerateSerialSource> m_pSystemPorts;  // when the caller gives no source
    IEnumerateSerialSource* m_pPorts;
    ComPortDialogModel m_Model;
};
