// CFindDlg: the main window's Find. Each Enter (or "Найти далее") asks the owner to find
// the next node holding the text; the dialog stays open until closed and keeps the text
// for Find Next (F3). The text stays as typed (UTF-16): it may hold characters that no
// node's Windows-1251 text can.
#pragma once

#include <functional>
#include <string>

#include "res/resource.h"
#include "ui/Controls.h"
#include "ui/Dialog.h"

class CFindDlg : public CDialog {
public:
    // findNext finds, selects and shows the next node; false when nothing matches.
    CFindDlg(const std::wstring& text, std::function<bool(const std::wstring&)> findNext, CWnd* parent = nullptr);

    std::wstring m_strText;

protected:
    BOOL OnInitDialog() override;
    void OnOK() override;

private:
    std::function<bool(const std::wstring&)> m_findNext;
};

// "Не найдено: «text»"
std::wstring NotFoundText(const std::wstring& text);
