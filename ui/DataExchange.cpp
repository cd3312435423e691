#include "ui/DataExchange.h"

#include <cstdint>
#include <limits>

#include "common/Decimal.h"
#include "ui/Dialog.h"

HWND CDataExchange::PrepareEditCtrl(int id)
{
    m_hWndLastControl = m_pDlgWnd->GetDlgItem(id);
    return m_hWndLastControl;
}

void CDataExchange::Fail(const std::string& message)
{
    m_pDlgWnd->MessageBox(message, nullptr, MB_OK | MB_ICONEXCLAMATION);
    if (m_hWndLastControl) {
        ::SetFocus(m_hWndLastControl);
        ::SendMessageW(m_hWndLastControl, EM_SETSEL, 0, -1);
    }
    throw CUserException();
}

void DDX_Control(CDataExchange* pDX, int id, CWnd& control)
{
    if (control.m_hWnd == nullptr) control.Attach(pDX->m_pDlgWnd->GetDlgItem(id));
}

static std::string Trimmed(const std::string& text)
{
    const auto first = text.find_first_not_of(" \t");
    if (first == std::string::npos) return std::string();
    const auto last = text.find_last_not_of(" \t");
    return text.substr(first, last - first + 1);
}

bool ParseInt32(const std::string& text, std::int32_t& value)
{
    std::int64_t parsed = 0;
    if (!ParseSignedDecimal(Trimmed(text), std::numeric_limits<std::int32_t>::min(),
                            std::numeric_limits<std::int32_t>::max(), &parsed))
        return false;
    value = static_cast<std::int32_t>(parsed);
    return true;
}

bool ParseUInt32(const std::string& text, std::uint32_t& value)
{
    const std::string trimmed = Trimmed(text);
    std::string_view digits = trimmed;
    if (!digits.empty() && digits[0] == '+') digits.remove_prefix(1);  // a plus may come, a minus may not
    return ParseDecimalTo<std::uint32_t>(digits, UINT32_MAX, &value);
}

void DDX_Text(CDataExchange* pDX, int id, unsigned int& value)
{
    HWND control = pDX->PrepareEditCtrl(id);
    CWnd field(control);
    if (pDX->m_bSaveAndValidate) {
        std::uint32_t parsed = 0;
        if (!ParseUInt32(field.GetWindowText(), parsed)) pDX->Fail("Введите положительное целое число.");
        value = parsed;
    } else {
        field.SetWindowText(std::to_string(value));
    }
}

void DDX_Text(CDataExchange* pDX, int id, int& value)
{
    HWND control = pDX->PrepareEditCtrl(id);
    CWnd field(control);
    if (pDX->m_bSaveAndValidate) {
        std::int32_t parsed = 0;
        if (!ParseInt32(field.GetWindowText(), parsed)) pDX->Fail("Введите целое число.");
        value = parsed;
    } else {
        field.SetWindowText(std::to_string(value));
    }
}

void DDX_Text(CDataExchange* pDX, int id, std::string& value)
{
    CWnd field(pDX->PrepareEditCtrl(id));
    if (pDX->m_bSaveAndValidate)
        value = field.GetWindowText();
    else
        field.SetWindowText(value);
}

void DDX_CBIndex(CDataExchange* pDX, int id, int& index)
{
    HWND control = pDX->m_pDlgWnd->GetDlgItem(id);
    if (pDX->m_bSaveAndValidate)
        index = static_cast<int>(::SendMessageW(control, CB_GETCURSEL, 0, 0));
    else
        ::SendMessageW(control, CB_SETCURSEL, static_cast<WPARAM>(index), 0);
}

void DDV_MinMaxInt(CDataExchange* pDX, int value, int minValue, int maxValue)
{
    if (!pDX->m_bSaveAndValidate) return;
    if (value < minValue || value > maxValue)
        pDX->Fail("Введите целое число от " + std::to_string(minValue) + " до " + std::to_string(maxValue) + ".");
}

void DDV_MinMaxUInt(CDataExchange* pDX, unsigned int value, unsigned int minValue, unsigned int maxValue)
{
    if (!pDX->m_bSaveAndValidate) return;
    if (value < minValue || value > maxValue)
        pDX->Fail("Введите целое число от " + std::to_string(minValue) + " до " + std::to_string(maxValue) + ".");
}
