#include "FileDialogDriver.h"

#include "UiDriver.h"
#include "ui/Text.h"

namespace file_dialog {

namespace {
const int kNameEdit = 1152;   // edt1
const int kNameCombo = 1148;  // cmb13
}  // namespace

HWND WaitFor(const std::string& title)
{
    return ui_driver::WaitForWindow(
        [&](HWND w) { return ui_driver::Text(w) == title && NameField(w) != nullptr; }, 10000);
}

HWND NameField(HWND dialog)
{
    HWND field = GetDlgItem(dialog, kNameEdit);
    return field != nullptr ? field : GetDlgItem(dialog, kNameCombo);
}

std::string Choose(const std::string& title, const std::filesystem::path& path, bool answerYes)
{
    HWND dialog = WaitFor(title);
    if (dialog == nullptr) return "(no file dialog)";
    HWND field = NameField(dialog);
    ui_driver::WaitFor([&] { return IsWindowEnabled(field) != FALSE; }, 3000);
    ui_driver::Settle(dialog);  // the name offered is in the field once the dialog has started
    wchar_t offered[MAX_PATH] = {};
    GetWindowTextW(field, offered, MAX_PATH);
    SetWindowTextW(field, path.wstring().c_str());
    ui_driver::PressButton(dialog, IDOK);
    if (answerYes) {
        HWND question = ui_driver::WaitForMessageBox(5000);
        if (question && GetDlgItem(question, IDYES)) ui_driver::PressButton(question, IDYES);
    }
    ui_driver::WaitUntilGone(dialog, 10000);
    return Narrow(offered);
}

}  // namespace file_dialog
