#include "ui/FileDialog.h"

#include <commdlg.h>

#include <ctime>
#include <cwchar>
#include <vector>

#include "ui/BusyWindow.h"
#include "ui/Text.h"

const FileKind kCsvFiles = {L"CSV (*.csv)\0*.csv\0*.*\0*.*\0", L"csv"};
const FileKind kHtmlFiles = {L"HTML (*.html)\0*.html;*.htm\0*.*\0*.*\0", L"html"};

std::filesystem::path AskFile(HWND owner, bool save, const std::wstring& initialName, const char* title,
                              const FileKind& kind)
{
    std::vector<wchar_t> file(MAX_PATH * 4, L'\0');
    initialName.copy(file.data(), file.size() - 1);
    const std::wstring caption = Widen(title);
    OPENFILENAMEW ofn = {};
    ofn.lStructSize = sizeof ofn;
    ofn.hwndOwner = owner;
    ofn.lpstrFilter = kind.filter;
    ofn.lpstrFile = file.data();
    ofn.nMaxFile = static_cast<DWORD>(file.size());
    ofn.lpstrTitle = caption.c_str();
    ofn.lpstrDefExt = kind.extension;
    ofn.Flags = OFN_EXPLORER | OFN_NOCHANGEDIR | OFN_PATHMUSTEXIST |
                (save ? OFN_OVERWRITEPROMPT : OFN_FILEMUSTEXIST);
    const CLentWindow lent(owner);
    const BOOL chosen = save ? GetSaveFileNameW(&ofn) : GetOpenFileNameW(&ofn);
    if (!chosen) return std::filesystem::path();
    return std::filesystem::path(file.data());
}

std::wstring FileNamePart(std::wstring text)
{
    for (wchar_t& c : text)
        if (wcschr(L"\\/:*?\"<>|", c) != nullptr || c < 32) c = L'_';
    return text;
}

std::wstring TodayForFileName()
{
    const std::time_t now = std::time(nullptr);
    const std::tm local = *std::localtime(&now);
    wchar_t date[16];
    std::wcsftime(date, 16, L"%Y%m%d", &local);
    return date;
}

const char* FileWriteFailureText(AtomicWriteStep failed)
{
    switch (failed) {
    case AtomicWriteStep::Create: return "не создаётся временный файл рядом с ним";
    case AtomicWriteStep::Denied: return "нет прав на запись в эту папку";
    case AtomicWriteStep::Write: return "запись данных не удалась";
    case AtomicWriteStep::Held: return "он открыт в другой программе";
    default: return "прежний файл не удалось заменить";
    }
}
