// Data exchange between a dialog's controls and its member fields (DoDataExchange):
// DDX_ functions bind controls and transfer values in either direction, DDV_ functions
// validate values read from the controls. A failed conversion or validation shows a
// message, puts the focus on the field and aborts the exchange.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>

class CDialog;
class CWnd;

class CDataExchange {
public:
    CDataExchange(CDialog* dialog, BOOL saveAndValidate)
        : m_pDlgWnd(dialog), m_bSaveAndValidate(saveAndValidate) {}

    // Remembers the field that the next validation refers to.
    HWND PrepareEditCtrl(int id);
    // Reports a failed conversion or validation of the last prepared field: shows the
    // message, moves the focus there and throws CUserException.
    [[noreturn]] void Fail(const std::string& message);

    CDialog* m_pDlgWnd;
    BOOL m_bSaveAndValidate;
    HWND m_hWndLastControl = nullptr;
};

// Thrown by CDataExchange::Fail and caught by CDialog::UpdateData.
struct CUserException {};

// Binds a control wrapper to the dialog's control with the given id.
void DDX_Control(CDataExchange* pDX, int id, CWnd& control);
// Whole numbers as decimal text; reading rejects text that is not a number of that type.
void DDX_Text(CDataExchange* pDX, int id, unsigned int& value);
void DDX_Text(CDataExchange* pDX, int id, int& value);
void DDX_Text(CDataExchange* pDX, int id, std::string& value);
// The selected position of a drop-down list (-1: none).
void DDX_CBIndex(CDataExchange* pDX, int id, int& index);
// Range checks, applied only when reading from the controls.
void DDV_MinMaxInt(CDataExchange* pDX, int value, int minValue, int maxValue);
void DDV_MinMaxUInt(CDataExchange* pDX, unsigned int value, unsigned int minValue, unsigned int maxValue);

// Parses the whole of a decimal text (leading and trailing blanks allowed) as a signed or
// unsigned 32-bit number; false when the text is not such a number.
bool ParseInt32(const std::string& text, std::int32_t& value);
bool ParseUInt32(const std::string& text, std::uint32_t& value);
