// The main window's side of the command table (commands/CommandTable.h): each row's handler, the
// row's rule checked against the window before any handler runs, and the context menu and
// system menu built from the rows.
#include <iterator>
#include <optional>
#include <utility>

#include "app/ServerChange.h"
#include "app/TarnelDlg.h"
#include "ui/BusyWindow.h"
#include "ui/Text.h"

CTarnelDlg::CommandHandler CTarnelDlg::HandlerOf(std::size_t index)
{
#define ZOL_COMMAND_HANDLER(id, systemId, text, part, offeredOn, key, keyOn, needs, run, handler) &CTarnelDlg::handler,
    static const CommandHandler handlers[] = {ZOL_WINDOW_COMMANDS(ZOL_COMMAND_HANDLER)};
#undef ZOL_COMMAND_HANDLER
    return index < std::size(handlers) ? handlers[index] : nullptr;
}

WindowState CTarnelDlg::CommandState(HTREEITEM node) const
{
    WindowState state;
    state.filling = m_bFilling;
    state.busy = m_bBusy;
    state.connected = static_cast<bool>(m_pAddTags);
    if (m_pHistory) {
        state.canUndo = m_pHistory->m_Undo.CanUndo();
        state.canRedo = m_pHistory->m_Undo.CanRedo();
    }
    if (node != nullptr) state.node = static_cast<TagKey>(m_Tree.GetItemData(node));
    return state;
}

void CTarnelDlg::Run(const WindowCommand& row, HTREEITEM node)
{
    const CommandHandler handler = HandlerOf(CommandIndex(row));
    if (handler == nullptr) return;
    m_strTold.clear();
    const bool outer = !m_bInCommand;
    m_bInCommand = true;
    DispatchCommand(row, CommandState(node), &m_bBusy, [this, handler, node, &row] {
        // A long command's window is out of reach from its start to its end; its own
        // dialogs and boxes get it back for their time (CLentWindow).
        std::optional<CBusyWindow> busy;
        if (row.run == CommandRun::Long) busy.emplace(*this, CBusyWindow::KeepCursor);
        m_hCurrentItem = node;
        (this->*handler)();
    });
    if (outer) m_bInCommand = false;
    if (ConnectionLost() != kS_OK) {
        // What the command would have said of its failed calls is said by the one message
        // of the lost connection, once the outermost command has ended and the tree shows
        // what the server holds.
        m_strTold.clear();
        m_pToldOwner = nullptr;
        if (outer) RecoverLostConnection();
        return;
    }
    if (m_strTold.empty()) return;
    const std::string text = std::move(m_strTold);
    m_strTold.clear();
    CWnd* owner = m_pToldOwner != nullptr ? m_pToldOwner : this;
    m_pToldOwner = nullptr;
    owner->MessageBox(text);
}

void CTarnelDlg::Tell(const std::string& text, CWnd* owner)
{
    if (!m_bBusy) {
        (owner != nullptr ? owner : static_cast<CWnd*>(this))->MessageBox(text);
        return;
    }
    m_strTold = text;
    m_pToldOwner = owner;
}

bool CTarnelDlg::RunCommand(int id)
{
    const WindowCommand* row = FindWindowCommand(id);
    if (row == nullptr) return false;
    Run(*row, m_hCurrentItem);
    return true;
}

void CTarnelDlg::RunCommandOn(int id, HTREEITEM node)
{
    if (const WindowCommand* row = FindWindowCommand(id)) Run(*row, node);
}

bool CTarnelDlg::RunSystemCommand(UINT systemId)
{
    const WindowCommand* row = FindSystemCommand(systemId);
    if (row == nullptr) return false;
    // The system menu belongs to no node: its commands act as from empty space.
    Run(*row, nullptr);
    return true;
}

std::wstring CTarnelDlg::CommandLabel(const WindowCommand& row) const
{
    std::wstring label = WidenUtf8(row.text);
    if (!m_pHistory) return label;
    const CUndoStack& stack = m_pHistory->m_Undo;
    if ((row.needs & kUndoable) && stack.CanUndo()) label += L": " + Widen(stack.UndoAction());
    if ((row.needs & kRedoable) && stack.CanRedo()) label += L": " + Widen(stack.RedoAction());
    return label;
}

void CTarnelDlg::AppendCommandItems(HMENU menu, HTREEITEM node)
{
    const WindowState state = CommandState(node);
    for (int id : ContextMenuItems(state.node)) {
        if (id == 0) {
            AppendMenuW(menu, MF_SEPARATOR, 0, nullptr);
            continue;
        }
        const WindowCommand& row = *FindWindowCommand(id);
        const UINT grey = CommandEnabled(row, state) ? 0u : MF_GRAYED;
        AppendMenuW(menu, MF_STRING | grey, static_cast<UINT_PTR>(id), CommandLabel(row).c_str());
    }
}

void CTarnelDlg::AppendSystemItems(HMENU menu)
{
    AppendMenuW(menu, MF_SEPARATOR, 0, nullptr);
    for (const WindowCommand& row : WindowCommands())
        if (row.systemId != 0) AppendMenuW(menu, MF_STRING, row.systemId, CommandLabel(row).c_str());
}
