// Drives the system's file dialogs (GetSaveFileName, GetOpenFileName) from a test thread.
#pragma once

#include <windows.h>

#include <filesystem>
#include <string>

namespace file_dialog {

// The file dialog titled title (Windows-1251) once it is up; null after 10 s.
HWND WaitFor(const std::string& title);
// Its file name field (an edit or, on some systems, a combo box).
HWND NameField(HWND dialog);
// Reads the name the dialog offers, types path over it and confirms; the name offered, or
// "(no file dialog)". With answerYes, the replace question that follows is answered Yes.
std::string Choose(const std::string& title, const std::filesystem::path& path, bool answerYes = false);

}  // namespace file_dialog
