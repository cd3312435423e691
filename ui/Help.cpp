#include "ui/Help.h"

#include <shellapi.h>
#include <shlwapi.h>

#include <cwchar>
#include <utility>

#include "common/Guide.h"
#include "common/Utf8Text.h"
#include "ui/App.h"
#include "ui/BusyWindow.h"
#include "ui/Text.h"

namespace {

DocumentOpener& CurrentOpener()
{
    static DocumentOpener opener;
    return opener;
}

bool Launched(HINSTANCE result) { return reinterpret_cast<INT_PTR>(result) > 32; }

// The system's way. Opening the file itself drops the anchor (the shell hands the browser a
// path), so a section is opened by giving its file: URL to the program that opens .html
// files; where that program cannot be found (an association without one, as store apps
// have), the page opens at its top.
bool SystemOpenDocument(HWND owner, const std::wstring& file, const std::string& anchor)
{
    if (!anchor.empty()) {
        wchar_t browser[MAX_PATH] = {};
        DWORD size = MAX_PATH;
        if (SUCCEEDED(AssocQueryStringW(ASSOCF_NOTRUNCATE, ASSOCSTR_EXECUTABLE, L".html", L"open", browser, &size)) &&
            _wcsicmp(PathFindFileNameW(browser), L"rundll32.exe") != 0) {
            const std::wstring url = L"\"" + WidenUtf8(FileUrl(NarrowUtf8(file), anchor)) + L"\"";
            if (Launched(ShellExecuteW(owner, L"open", browser, url.c_str(), nullptr, SW_SHOWNORMAL))) return true;
        }
    }
    return Launched(ShellExecuteW(owner, L"open", file.c_str(), nullptr, nullptr, SW_SHOWNORMAL));
}

}  // namespace

DocumentOpener SetDocumentOpener(DocumentOpener opener) { return std::exchange(CurrentOpener(), std::move(opener)); }

bool OpenDocument(HWND owner, const std::wstring& file, const std::string& anchor)
{
    const DocumentOpener& opener = CurrentOpener();
    return opener ? opener(owner, file, anchor) : SystemOpenDocument(owner, file, anchor);
}

std::wstring ProgramFolder()
{
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        const DWORD length = GetModuleFileNameW(nullptr, &path[0], static_cast<DWORD>(path.size()));
        if (length == 0) return std::wstring();
        if (length < path.size()) {
            path.resize(length);
            break;
        }
        path.resize(path.size() * 2);
    }
    const size_t slash = path.find_last_of(L"\\/");
    return slash == std::wstring::npos ? std::wstring() : path.substr(0, slash);
}

std::wstring GuideFile() { return ProgramFolder() + L"\\" + Widen(kGuideRelativePath); }

void ShowGuide(HWND owner, const std::string& section)
{
    const std::wstring file = GuideFile();
    const DWORD attributes = GetFileAttributesW(file.c_str());
    std::wstring problem;
    if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0)
        problem = Widen("Руководство пользователя не найдено:\n") + file;
    else if (!OpenDocument(owner, file, section))
        problem = Widen("Не удалось открыть руководство пользователя:\n") + file;
    if (problem.empty()) return;
    const CLentWindow lent(owner);
    MessageBoxW(owner, problem.c_str(), Widen(AfxGetAppName()).c_str(), MB_OK);
}

void ShowGuideFor(HWND owner, unsigned templateId) { ShowGuide(owner, GuideSectionOf(templateId)); }
