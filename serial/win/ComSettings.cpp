#include "serial/win/ComSettings.h"

#include <string>
#include <vector>

#include "server/win/ComTagServer.h"
#include "server/ServerErrors.h"
#include "serial/win/SystemEnumerateSerial.h"
#include "ui/Text.h"

static_assert(IDC_PORT_COMBO == kComFirstListControlId + kComPortList &&
                  IDC_SPEED_COMBO == kComFirstListControlId + kComSpeedList &&
                  IDC_DATA_BITS_COMBO == kComFirstListControlId + kComDataBitsList &&
                  IDC_PARITY_COMBO == kComFirstListControlId + kComParityList &&
                  IDC_STOP_BITS_COMBO == kComFirstListControlId + kComStopBitsList,
              "the list controls are numbered in the model's list order");

namespace {

// The labels of the lists in the template, in the model's list order.
const char* const kListLabels[kComListCount] = {"Номер порта", "Скорость", "Биты данных", "Четность",
                                                "Стоп-биты"};

// Lets a list open wide enough for its longest entry (a long device description, a note on a
// server value), while the closed list keeps the template's width.
void FitDroppedWidth(CComboBox& combo)
{
    HDC dc = ::GetDC(combo);
    if (dc == nullptr) return;
    const HGDIOBJ oldFont = ::SelectObject(dc, reinterpret_cast<HGDIOBJ>(combo.SendMessage(WM_GETFONT)));
    int widest = 0;
    for (int i = 0; i < combo.GetCount(); ++i) {
        const std::wstring text = Widen(combo.GetLBText(i));
        SIZE size = {};
        if (::GetTextExtentPoint32W(dc, text.c_str(), static_cast<int>(text.size()), &size) && size.cx > widest)
            widest = size.cx;
    }
    ::SelectObject(dc, oldFont);
    ::ReleaseDC(combo, dc);

    RECT rect = {};
    ::GetWindowRect(combo, &rect);
    const int needed = widest + ::GetSystemMetrics(SM_CXVSCROLL) + 4 * ::GetSystemMetrics(SM_CXEDGE);
    if (needed > rect.right - rect.left) combo.SendMessage(CB_SETDROPPEDWIDTH, static_cast<WPARAM>(needed));
}

}  // namespace

CComSettings::CComSettings(IAddTags* pAddTags, CWnd* pParent)
    : CDialog(IDD_COM_SETTINGS, pParent),
      m_pAddTags(pAddTags),
      m_pSystemPorts(std::make_unique<CSystemEnumerateSerial>()),
      m_pPorts(m_pSystemPorts.get())
{
}

CComSettings::CComSettings(IAddTags* pAddTags, IEnumerateSerialSource& ports, CWnd* pParent)
    : CDialog(IDD_COM_SETTINGS, pParent), m_pAddTags(pAddTags), m_pPorts(&ports)
{
}

void CComSettings::DoDataExchange(CDataExchange* pDX)
{
    CDialog::DoDataExchange(pDX);
    DDX_Control(pDX, IDC_PORT_COMBO, m_PortCombo);
    DDX_CBIndex(pDX, IDC_DATA_BITS_COMBO, m_nDataBitsIndex);
    DDX_Control(pDX, IDC_SPEED_COMBO, m_SpeedCombo);
    DDX_Control(pDX, IDC_PARITY_COMBO, m_ParityCombo);
    DDX_Control(pDX, IDC_STOP_BITS_COMBO, m_StopBitsCombo);
}

BOOL CComSettings::OnInitDialog()
{
    CDialog::OnInitDialog();

    // Every opening starts from the fixed lists and asks the machine and the server anew.
    m_Model = ComPortDialogModel();
    BOOL result = TRUE;

    std::vector<unsigned> ports;
    const bool portsKnown = m_pPorts->UsingQueryDosDevice(ports);
    if (portsKnown) {
        std::vector<unsigned> setupPorts;
        std::vector<std::string> descriptions;
        const bool described = m_pPorts->UsingSetupAPI(setupPorts, descriptions);
        m_Model.AddPorts(ports, described ? &setupPorts : nullptr, &descriptions);
    } else {
        MessageBox("CEnumerateSerial::UsingQueryDosDevice failed");
        result = FALSE;
    }

    // The server's values are shown even without the machine's ports: its port then
    // becomes an entry of its own, so that applying another setting does not change it.
    if (m_pAddTags != nullptr) ReadServerValues(portsKnown);
    if (m_bLostOnOpen) {
        EndDialog(IDCANCEL);
        return FALSE;
    }

    ShowModel();
    return result;
}

void CComSettings::ReadServerValues(bool portsKnown)
{
    CComTagServer direct(m_pAddTags);
    ITagServer& server = m_pChangeServer != nullptr ? *m_pChangeServer : direct;
    HResult hr = kS_OK;
    const PortSettings values = ReadPortSettings(server, &hr);
    if (!values.known && m_bQuietWhenLost && IsConnectionLost(hr)) {
        m_bLostOnOpen = true;
        return;
    }
    if (!values.known) {
        // Nothing is selected then: the user chooses every value before anything is sent.
        MessageBox(RefusalText("Не удалось прочитать настройки COM-порта с сервера", hr,
                               "Выберите все значения, прежде чем применить их."));
        return;
    }
    ComValueNotes notes;
    notes.portNotPresent = portsKnown ? "(нет на этом компьютере)" : "(порты компьютера не определены)";
    notes.unknownValue = "(нестандартное значение)";
    m_Model.SelectServerValues(values, notes);
}

void CComSettings::ShowModel()
{
    for (int i = 0; i < kComListCount; ++i) {
        const auto id = static_cast<ComListId>(i);
        CComboBox combo;
        combo.Attach(GetDlgItem(ComListControlId(id)));
        combo.ResetContent();
        for (const ComListEntry& entry : m_Model.List(id).entries)
            combo.AddString(entry.text);
        combo.SetCurSel(m_Model.List(id).selected);
        FitDroppedWidth(combo);
        combo.Detach();
    }
    // The data-bits list is exchanged through its position.
    m_nDataBitsIndex = m_Model.List(kComDataBitsList).selected;
    UpdateData(FALSE);
}

void CComSettings::TakeSelections()
{
    m_Model.Select(kComPortList, m_PortCombo.GetCurSel());
    m_Model.Select(kComSpeedList, m_SpeedCombo.GetCurSel());
    m_Model.Select(kComDataBitsList, m_nDataBitsIndex);
    m_Model.Select(kComParityList, m_ParityCombo.GetCurSel());
    m_Model.Select(kComStopBitsList, m_StopBitsCombo.GetCurSel());
}

void CComSettings::OnApply()
{
    if (!UpdateData(TRUE)) return;
    if (m_pAddTags == nullptr) {
        EndDialog(IDOK);
        return;
    }

    TakeSelections();
    PortSettings values;
    if (!m_Model.GetValuesToSend(&values)) {
        const int missing = m_Model.FirstListWithoutSelection();
        MessageBox(std::string("Выберите значение в списке «") + kListLabels[missing] +
                   "».\nНастройки не отправлены.");
        SendMessage(WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(GetDlgItem(ComListControlId(static_cast<ComListId>(missing)))),
                    TRUE);
        return;
    }

    CComTagServer direct(m_pAddTags);
    ITagServer& server = m_pChangeServer != nullptr ? *m_pChangeServer : direct;
    const HResult hr = server.SetComSettings(values.port, values.baudRate, values.dataBits, values.stopBits, values.parity);
    if (HrFailed(hr) && m_bQuietWhenLost && IsConnectionLost(hr)) {
        EndDialog(IDCANCEL);
        return;
    }
    if (HrFailed(hr)) {
        // The dialog stays open with the user's choice, to be corrected or cancelled.
        MessageBox(RefusalText("Сервер не принял настройки COM-порта", hr, "Настройки не сохранены."));
        return;
    }
    EndDialog(IDOK);
}
