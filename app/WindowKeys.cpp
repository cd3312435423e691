// The main window from the keyboard: the selected node's context menu (Shift+F10 and the
// context-menu key), the command table's keys (Enter, Delete and Insert on the tree; Ctrl+F,
// F3, Ctrl+Z and Ctrl+Y anywhere in the window), and an Enter that never ends the program.
// The keys are taken as key messages, before the dialog manager and the tree see them:
// under Wine, Shift+F10 on the tree brings no WM_CONTEXTMENU at all, and Enter never
// reaches the tree.
#include <cwchar>
#include <optional>

#include "app/TarnelDlg.h"

namespace {

bool IsDown(int virtualKey) { return GetKeyState(virtualKey) < 0; }

// Shift+F10 and the context-menu key. Their key-up messages are taken as well, so that the
// system's own handling of them (a context menu of its own, F10's menu mode) never follows.
bool IsMenuKey(const MSG& msg)
{
    if (msg.wParam == VK_APPS) return true;
    return msg.wParam == VK_F10 && IsDown(VK_SHIFT) && !IsDown(VK_CONTROL);
}

// A letter as access keys compare it: upper case, and the Cyrillic С as the Latin C, since
// "&CОМ-порт" is written with the Latin one and a Russian layout gives the Cyrillic one on
// the same key.
wchar_t AccessKeyLetter(wchar_t letter)
{
    // CharUpperW takes a single character in the low word of its pointer argument.
    const LPWSTR upper = CharUpperW(reinterpret_cast<LPWSTR>(static_cast<UINT_PTR>(letter)));
    letter = static_cast<wchar_t>(reinterpret_cast<UINT_PTR>(upper));
    return letter == 0x0421 ? L'C' : letter;
}

// The visible, enabled button among the window's controls whose caption has the letter as
// its access key (the character after '&'); null when none has.
HWND AccessKeyButton(HWND window, wchar_t letter)
{
    const wchar_t wanted = AccessKeyLetter(letter);
    for (HWND child = GetWindow(window, GW_CHILD); child != nullptr; child = GetWindow(child, GW_HWNDNEXT)) {
        if (!IsWindowVisible(child) || !IsWindowEnabled(child)) continue;
        if ((SendMessageW(child, WM_GETDLGCODE, 0, 0) & DLGC_BUTTON) == 0) continue;
        wchar_t caption[64] = {};
        GetWindowTextW(child, caption, 64);
        const wchar_t* mark = wcschr(caption, L'&');
        if (mark != nullptr && mark[1] != L'\0' && AccessKeyLetter(mark[1]) == wanted) return child;
    }
    return nullptr;
}

// The window keys of the command table, given anywhere in the window.
CommandKey WindowKeyOf(const MSG& msg)
{
    if (msg.message != WM_KEYDOWN) return CommandKey::None;
    const bool control = IsDown(VK_CONTROL);
    if (msg.wParam == VK_F3) return control ? CommandKey::None : CommandKey::F3;
    if (!control) return CommandKey::None;
    switch (msg.wParam) {
    case 'F': return CommandKey::CtrlF;
    case 'Z': return CommandKey::CtrlZ;
    case 'Y': return CommandKey::CtrlY;
    default: return CommandKey::None;
    }
}

// The node keys of the table (Enter, Delete, Insert) on the tree.
CommandKey TreeKeyOf(const MSG& msg)
{
    if (msg.message != WM_KEYDOWN || IsDown(VK_SHIFT) || IsDown(VK_CONTROL) || IsDown(VK_MENU))
        return CommandKey::None;
    switch (msg.wParam) {
    case VK_RETURN: return CommandKey::Enter;
    case VK_DELETE: return CommandKey::Delete;
    case VK_INSERT: return CommandKey::Insert;
    default: return CommandKey::None;
    }
}

}  // namespace

bool CTarnelDlg::PreTranslateKey(const MSG& msg)
{
    if (msg.message == WM_SYSCHAR && (msg.hwnd == m_hWnd || IsChild(m_hWnd, msg.hwnd))) {
        // The buttons' access keys, matched here rather than by the dialog manager: it takes
        // the Cyrillic С of a Russian layout for no match with "&CОМ-порт", and under Wine
        // it matches no lower-case Cyrillic letter at all.
        HWND button = AccessKeyButton(m_hWnd, static_cast<wchar_t>(msg.wParam));
        if (button == nullptr) return false;
        ::PostMessageW(button, BM_CLICK, 0, 0);
        return true;
    }
    const bool down = msg.message == WM_KEYDOWN || msg.message == WM_SYSKEYDOWN;
    const bool up = msg.message == WM_KEYUP || msg.message == WM_SYSKEYUP;
    if (!down && !up) return false;
    if (msg.hwnd != m_hWnd && !IsChild(m_hWnd, msg.hwnd)) return false;
    if (IsMenuKey(msg)) {
        // With no control focused, keys come as system keys to the window itself: the
        // menu opens all the same.
        if (down) PostMessage(WM_CONTEXTMENU, reinterpret_cast<WPARAM>(m_Tree.m_hWnd), MAKELPARAM(-1, -1));
        return true;
    }
    if (const int command = KeyCommand(WindowKeyOf(msg), std::nullopt)) {
        PostMessage(WM_COMMAND, static_cast<WPARAM>(command));
        return true;
    }
    if (msg.hwnd != m_Tree.m_hWnd) return false;
    const CommandKey key = TreeKeyOf(msg);
    if (key == CommandKey::None) return false;
    PostMessage(WM_TREE_KEY, static_cast<WPARAM>(key));
    return true;
}

LRESULT CTarnelDlg::OnTreeKey(WPARAM key, LPARAM)
{
    HTREEITEM selected = m_Tree.GetSelectedItem();
    std::optional<TagKey> nodeKey;
    if (selected != nullptr) nodeKey = static_cast<TagKey>(m_Tree.GetItemData(selected));
    // The command of the node's own menu, run as the menu runs it, on the selected node.
    const int command = KeyCommand(static_cast<CommandKey>(key), nodeKey);
    if (command != 0) RunCommandOn(command, selected);
    return 0;
}

void CTarnelDlg::OnOK()
{
    // The window has no OK button, but the dialog manager sends the OK command for Enter
    // whenever no push button holds the focus: a configuration tool must not end on it.
    // Enter on the tree has been taken before (PreTranslateKey).
}

HTREEITEM CTarnelDlg::NodeAt(POINT screenPoint) const
{
    POINT client = screenPoint;
    m_Tree.ScreenToClient(&client);
    // Anywhere on a node's row counts as that node (label, icon, indent, button or the
    // space right of the label); below the last row or outside the tree is no node.
    return m_Tree.HitTest(client);
}

POINT CTarnelDlg::KeyboardMenuPoint(HTREEITEM item) const
{
    POINT point = {0, 0};
    if (item != nullptr) {
        m_Tree.SendMessage(TVM_ENSUREVISIBLE, 0, reinterpret_cast<LPARAM>(item));
        RECT text = {};
        if (TreeView_GetItemRect(m_Tree.m_hWnd, item, &text, TRUE)) point = {text.left, text.bottom};
    }
    ClientToScreen(m_Tree.m_hWnd, &point);
    return point;
}
