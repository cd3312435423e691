// zolinspect.exe: looks at the configurator's main window from another process, for the
// end-to-end scripts. Prints the window's title and its tree (one node a line, indented by
// level, UTF-8) or, for a message box, its text; or closes the window. While the window's
// progress window is up (a slow read of the server's tags, e.g. under emulation) the tree is
// still being filled: the tree is printed once it has gone.
//
//   zolinspect.exe [--wait SECONDS] [--close] TITLE-PREFIX
//
// Exit code: 0 found (and closed), 1 not found in time, 2 bad arguments.
#include <windows.h>
#include <commctrl.h>

#include <fcntl.h>
#include <io.h>

#include <cstdio>
#include <cstdlib>
#include <cwchar>
#include <string>

#include "resource.h"

namespace {

struct ProgressSearch {
    DWORD process = 0;
    bool shown = false;
};

BOOL CALLBACK MatchProgressWindow(HWND window, LPARAM param)
{
    ProgressSearch* search = reinterpret_cast<ProgressSearch*>(param);
    DWORD process = 0;
    GetWindowThreadProcessId(window, &process);
    if (process == search->process && IsWindowVisible(window) && GetDlgItem(window, IDC_PROGRESS_TEXT) != nullptr) {
        search->shown = true;
        return FALSE;
    }
    return TRUE;
}

// Whether the process of window shows its progress window.
bool ProgressShown(HWND window)
{
    ProgressSearch search;
    GetWindowThreadProcessId(window, &search.process);
    EnumWindows(&MatchProgressWindow, reinterpret_cast<LPARAM>(&search));
    return search.shown;
}

struct Search {
    std::wstring prefix;
    HWND found = nullptr;
};

BOOL CALLBACK MatchWindow(HWND window, LPARAM param)
{
    Search* search = reinterpret_cast<Search*>(param);
    wchar_t title[512] = {};
    GetWindowTextW(window, title, 512);
    if (IsWindowVisible(window) && std::wcsncmp(title, search->prefix.c_str(), search->prefix.size()) == 0) {
        search->found = window;
        return FALSE;
    }
    return TRUE;
}

std::string Utf8(const std::wstring& text)
{
    if (text.empty()) return std::string();
    const int n = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
    std::string out(static_cast<size_t>(n), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), out.data(), n, nullptr, nullptr);
    return out;
}

// Reads a tree node's text from the other process through memory allocated there.
class CRemoteTree {
public:
    explicit CRemoteTree(HWND tree) : m_tree(tree)
    {
        DWORD pid = 0;
        GetWindowThreadProcessId(tree, &pid);
        m_process = OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE, FALSE, pid);
        if (m_process)
            m_remote = static_cast<char*>(VirtualAllocEx(m_process, nullptr, 4096, MEM_COMMIT, PAGE_READWRITE));
        if (!m_remote) m_error = GetLastError();
    }
    ~CRemoteTree()
    {
        if (m_remote) VirtualFreeEx(m_process, m_remote, 0, MEM_RELEASE);
        if (m_process) CloseHandle(m_process);
    }
    bool Ok() const { return m_remote != nullptr && m_error == 0; }
    DWORD Error() const { return m_error; }

    std::wstring Text(HTREEITEM item)
    {
        TVITEMW tv = {};
        tv.mask = TVIF_TEXT | TVIF_HANDLE;
        tv.hItem = item;
        tv.pszText = reinterpret_cast<wchar_t*>(m_remote + sizeof(TVITEMW));
        tv.cchTextMax = 1000;
        wchar_t text[1001] = {};
        if (!WriteProcessMemory(m_process, m_remote, &tv, sizeof tv, nullptr) ||
            !SendMessageW(m_tree, TVM_GETITEMW, 0, reinterpret_cast<LPARAM>(m_remote)) ||
            !ReadProcessMemory(m_process, m_remote + sizeof(TVITEMW), text, 1000 * sizeof(wchar_t), nullptr)) {
            if (m_error == 0) m_error = GetLastError() != 0 ? GetLastError() : ERROR_INVALID_DATA;
        }
        return text;
    }

    void Print(HTREEITEM item, int level)
    {
        for (; item != nullptr; item = Next(item, TVGN_NEXT)) {
            const std::wstring text = Text(item);
            if (m_error != 0) return;
            std::printf("%*s%s\n", level * 2, "", Utf8(text).c_str());
            Print(Next(item, TVGN_CHILD), level + 1);
        }
    }

    HTREEITEM Next(HTREEITEM item, UINT code)
    {
        return reinterpret_cast<HTREEITEM>(SendMessageW(m_tree, TVM_GETNEXTITEM, code, reinterpret_cast<LPARAM>(item)));
    }

private:
    HWND m_tree;
    HANDLE m_process = nullptr;
    DWORD m_error = 0;
    char* m_remote = nullptr;
};

}  // namespace

int wmain(int argc, wchar_t** argv)
{
    // Lines end in "\n", as the scripts that read them expect.
    _setmode(_fileno(stdout), _O_BINARY);
    int waitSeconds = 0;
    bool close = false;
    std::wstring prefix;
    for (int i = 1; i < argc; ++i) {
        if (std::wcscmp(argv[i], L"--wait") == 0 && i + 1 < argc)
            waitSeconds = _wtoi(argv[++i]);
        else if (std::wcscmp(argv[i], L"--close") == 0)
            close = true;
        else
            prefix = argv[i];
    }
    if (prefix.empty()) {
        std::fprintf(stderr, "usage: zolinspect [--wait SECONDS] [--close] TITLE-PREFIX\n");
        return 2;
    }

    Search search;
    search.prefix = prefix;
    int tries = 0;
    for (; tries <= waitSeconds * 10; ++tries) {
        EnumWindows(&MatchWindow, reinterpret_cast<LPARAM>(&search));
        if (search.found) break;
        Sleep(100);
    }
    for (; search.found && !close && tries <= waitSeconds * 10 && ProgressShown(search.found); ++tries) Sleep(100);
    if (!search.found) {
        std::fprintf(stderr, "no window titled %ls...\n", prefix.c_str());
        return 1;
    }

    wchar_t title[512] = {};
    GetWindowTextW(search.found, title, 512);
    std::printf("title: %s\n", Utf8(title).c_str());
    wchar_t text[2048] = {};
    if (GetDlgItemTextW(search.found, 0xFFFF, text, 2048) > 0) std::printf("text: %s\n", Utf8(text).c_str());
    if (close) {
        PostMessageW(search.found, WM_COMMAND, IDCANCEL, 0);
        return 0;
    }
    HWND tree = FindWindowExW(search.found, nullptr, WC_TREEVIEWW, nullptr);
    if (tree) {
        // The count needs no memory of the other process: it is there even where its texts
        // cannot be read.
        std::printf("nodes: %u\n", static_cast<unsigned>(SendMessageW(tree, TVM_GETCOUNT, 0, 0)));
        CRemoteTree remote(tree);
        if (remote.Ok()) remote.Print(remote.Next(nullptr, TVGN_ROOT), 1);
        if (!remote.Ok()) {
            std::printf("tree texts unreadable: error %lu\n", static_cast<unsigned long>(remote.Error()));
            return 3;
        }
    }
    return 0;
}
