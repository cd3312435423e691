// CTarnelDlg: the main window. It connects to the server through IAddTags, loads the
// device catalogue, shows the server's configuration as a tree and runs the commands.
#pragma once

#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "common/win/Owners.h"
#include "res/resource.h"
#include "server/ComRef.h"
#include "server/win/ComInitialization.h"
#include "server/win/ServerConnection.h"
#include "server/TagServer.h"
#include "tagfile/DeviceCopy.h"
#include "tagfile/ServerTags.h"
#include "commands/CommandTable.h"
#include "tree/ConfigTree.h"
#include "tree/TreeMirror.h"
#include "ui/Controls.h"
#include "ui/Dialog.h"
#include "ui/TreeViewModel.h"

class CWindowHistory;
class CServerLink;
class CSnapshotThread;
struct UndoReport;
struct HistoryListing;

class CTarnelDlg : public CDialog {
public:
    explicit CTarnelDlg(CWnd* parent = nullptr);
    ~CTarnelDlg() override;

    HICON m_hIcon;
    // The connection: one reference, lent (Get) to the dialogs that call the server.
    CComRef<IAddTags> m_pAddTags;
    // Every call to the server through m_pAddTags (ServerLink.h); only valid while
    // m_pAddTags holds a connection.
    ITagServer& Server();
    // The code of the call that found the connection gone (kS_OK while it stands).
    HResult ConnectionLost() const;
    CTreeCtrl m_Tree;
    // The texts, keys and shape of m_Tree, changed together with it (see TreeModel).
    CTreeMirror m_TreeMirror;
    HTREEITEM m_hCurrentItem = nullptr;
    CButton m_btnExit;
    CButton m_btnComPort;
    CButton m_btnApply;

    // The configuration tree for the tree algorithms: every change reaches the control and
    // its mirror, every read comes from the mirror.
    CTreeViewModel TreeModel() { return CTreeViewModel(m_Tree, &m_TreeMirror); }

    // Rebuilds the tree from the server's list of tags.
    void FillTree();
    // The server's list of tags with the progress window while the walk lasts, focus kept;
    // options.stop is the window's. text: the progress words for the number of calls (null:
    // the fill's).
    ServerTagList ReadServerTagsShown(ITagServer& server, ServerTagsOptions options,
                                      std::function<std::string(std::size_t)> text = nullptr);
    // Deletes a node with its subtree, deleting the tags below it on the server; nodes
    // whose tags the server refuses stay.
    void DeleteBranch(HTREEITEM item);

    // The dotted name under which the tree shows a tag, and a device node's text: the tag
    // name, with a visible stand-in for a device type or parameter the descriptions lack.
    static std::string TreeTagName(int address, int typeCode, int paramNumber);
    static std::string TreeDeviceText(int address, int typeCode);

    // Makes sure the nodes of one tag exist in the tree.
    void InsertTagPath(int address, int typeCode, int paramNumber);
    // The first child of parent (null: the first root node) whose text equals text.
    HTREEITEM FindChildNode(HTREEITEM parent, const std::string& text) const;

    // The devices this run's last auto-search found (the add-device dialog's), offered as
    // the addresses of a copy.
    std::vector<FoundAtAddress> m_LastSearchFinds;

    // The journal's folder, the undo stack and the question's answer of this run
    // (app/ServerChange.h); the background snapshot taken after start-up and each restart.
    std::unique_ptr<CWindowHistory> m_pHistory;
    std::unique_ptr<CSnapshotThread> m_pSnapshot;
    // The keys of the window that its controls do not act on by themselves: the context menu
    // of the selected node (Shift+F10, the context-menu key), the command table's keys, and
    // the buttons' access keys on any keyboard layout. Called with every message
    // of the window before it is dispatched; true when the key was taken, and the message is
    // then dropped.
    bool PreTranslateKey(const MSG& msg);
    // Posted by a node key on the tree; wParam is its CommandKey (Enter, Delete, Insert).
    static constexpr UINT WM_TREE_KEY = WM_APP + 0x20;

    // The window's commands, read from the command table (commands/CommandTable.h; this
    // window's side in CommandTable.cpp). A command runs only when its row's rule holds:
    // RunCommand on the node the menu was opened on (m_hCurrentItem); true when the table
    // has the id, whether or not the rule let it run. RunCommandOn on the node given, which
    // becomes the current node if it runs.
    bool RunCommand(int id);
    void RunCommandOn(int id, HTREEITEM node);
    bool RunSystemCommand(UINT systemId);
    // What the rules read of the window, for a command on node (null: empty space).
    WindowState CommandState(HTREEITEM node) const;

protected:
    void DoDataExchange(CDataExchange* pDX) override;
    BOOL OnInitDialog() override;

    void OnPaint();
    HCURSOR OnQueryDragIcon();
    void OnDestroy();
    void OnContextMenu(HWND window, POINT point);
    void OnAddDeviceButton() { RunCommand(ID_ADD_DEVICE); }
    void OnTreeDblClk(NMHDR* pNMHDR, LRESULT* pResult);
    void OnTreeGetInfoTip(NMHDR* pNMHDR, LRESULT* pResult);
    void OnOK() override;
    // F1 in the window: the table's command of the key.
    void OnHelpKey() override;

    // The handlers of the command table's rows, one member each (void OnAddTags(), ...),
    // declared from the table. Only the dispatch calls them, once the row's rule holds.
#define ZOL_DECLARE_COMMAND_HANDLER(id, systemId, text, part, offeredOn, key, keyOn, needs, run, handler) void handler();
    ZOL_WINDOW_COMMANDS(ZOL_DECLARE_COMMAND_HANDLER)
#undef ZOL_DECLARE_COMMAND_HANDLER
    LRESULT OnTreeKey(WPARAM key, LPARAM);
    LRESULT OnTimer(WPARAM id, LPARAM);

    BEGIN_MSG_MAP(CTarnelDlg, CDialog)
        ON_WM_PAINT()
        ON_WM_QUERYDRAGICON()
        ON_WM_DESTROY()
        ON_WM_CONTEXTMENU()
        ON_NOTIFY(NM_DBLCLK, IDC_CONFIG_TREE, OnTreeDblClk)
        ON_NOTIFY(TVN_GETINFOTIPW, IDC_CONFIG_TREE, OnTreeGetInfoTip)
        ON_BN_CLICKED(IDC_ADD_DEVICE, OnAddDeviceButton)
        ON_COMMAND_TABLE(RunCommand)
        ON_SYSCOMMAND_TABLE(RunSystemCommand)
        ON_MESSAGE(WM_TREE_KEY, OnTreeKey)
        ON_MESSAGE(WM_TIMER, OnTimer)
    END_MSG_MAP()

    // Starts the background snapshot once the window has painted: a timer's message comes
    // only after the paint, and the snapshot's connection and walk then do not compete
    // with the window's first appearance.
    static constexpr UINT_PTR kSnapshotAfterPaintTimer = 1;

    // How long reading the server's tags runs before its progress window shows (ZOLCFG_PROGRESS_DELAY_MS
    // overrides it, for measurements).
    unsigned m_nProgressDelayMs = 1000;
    // The text of the last Find as typed, for Find Next.
    std::wstring m_strFindText;

    // Finds the next node after the selected one holding text, selects and shows it. A
    // text with a character outside Windows-1251 matches no node: no node text holds one.
    bool FindNext(const std::wstring& text);

private:
    using CommandHandler = void (CTarnelDlg::*)();
    // The handler of the table's row at index.
    static CommandHandler HandlerOf(std::size_t index);
    // A command's closing message (the last thing it does), in a box owned by owner (null:
    // this window). A long command's is shown once its dispatch has ended the busy time, as
    // the window is idle again when its result is told; any other's at once.
    void Tell(const std::string& text, CWnd* owner = nullptr);
    std::string m_strTold;
    CWnd* m_pToldOwner = nullptr;
    // Runs the row's handler when its rule holds on node, which then is the current node.
    void Run(const WindowCommand& row, HTREEITEM node);
    // The context menu's items of the node (null: empty space), part by part, each part
    // after the first behind a separator, grey where the rule does not hold; the system
    // menu's items of the table.
    void AppendCommandItems(HMENU menu, HTREEITEM node);
    void AppendSystemItems(HMENU menu);
    // The item's text: undo and redo name the step they would undo or redo.
    std::wstring CommandLabel(const WindowCommand& row) const;

    // Undo, redo and the history (UndoCommands.cpp, HistoryCommands.cpp).
    void RunUndoStep(bool undo);
    void ReportUndoStep(bool undo, const UndoReport& report);
    HistoryListing ReadHistory() const;
    // The history dialog's restore: the command ID_RESTORE_SNAPSHOT of the file, its messages
    // owned by owner (null: the main window).
    void RestoreSnapshot(const std::filesystem::path& file, CWnd* owner);
    std::filesystem::path m_RestoreFile;
    CWnd* m_pRestoreOwner = nullptr;
    // Starts the background snapshot (stopping one still running), unless switched off.
    void StartBackgroundSnapshot();
    void StopBackgroundSnapshot();

    // The system-menu item and the keys Ctrl+F and F3 (added on initialisation).
    void InstallWindowFeatures();
    void RemoveWindowFeatures();

    // Tells the user why the connection failed, in the server's own terms.
    void ReportConnectFailure(const ConnectResult& result);
    // Tells the user when the tree is not the server's whole list.
    void ReportFill(const FillReport& report);
    static void FormatUnendedList(const FillReport& report, char* text, size_t size);
    // Takes a new connection (held until DropConnection), and lets the old one go first.
    void TakeConnection(CComRef<IAddTags> addTags);
    void DropConnection();
    // Waits for the server and connects anew, with the restart's deadline, the title
    // counting the seconds after text. On failure it says so and ends the program: false.
    bool ConnectAgain(const std::string& text);
    // After a command found the connection gone: connects anew, rebuilds the tree from
    // the server and tells the user, in one message, why.
    void RecoverLostConnection();
    void TellConnectionLost(HResult lost);
    std::unique_ptr<CServerLink> m_pLink;
    // True while a command of the table runs (its failures of a lost connection are told
    // once, after it).
    bool m_bInCommand = false;
    // Drops the mouse and keyboard messages waiting in this thread's queue.
    static void DiscardQueuedInput();
    // The node whose row holds the screen point (null: none).
    HTREEITEM NodeAt(POINT screenPoint) const;
    // Where a context menu opened from the keyboard stands: below the node's text, the node
    // scrolled into view; the tree's top left corner for no node.
    POINT KeyboardMenuPoint(HTREEITEM item) const;

    // The window's COM initialisation, balanced after the connection has gone (OnDestroy,
    // or the destructor for a window that never got that far).
    CComInitialization m_com;
    // True while FillTree walks the server's list: the COM calls dispatch window messages,
    // and a command that changed the tree meanwhile would pull it from under the walk.
    bool m_bFilling = false;
    // True while a long command of the table runs (set and cleared by its dispatch): its
    // calls to the server dispatch messages too, and no second command may start meanwhile.
    bool m_bBusy = false;
    CScopedHook m_keyHook;
};
