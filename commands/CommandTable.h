// The main window's commands, one row each: the command id (the res/resource.h number the
// menus and WM_COMMAND carry), the system-menu id, the item's text, the part of the context
// menu and the nodes it is offered on, the key that gives it and the nodes that key acts on,
// the rule that enables it, and its handler, a member of the main window (app/). The
// context menus, the system menu, the keys and the dispatch are all read from this table.
//
// Adding a command: one row below (its place in the list is its place in the menus) and the
// handler's body in app/; the handler's declaration and its dispatch come from the row.
// The window's buttons (their control id is the row's id), F1 and the history dialog's
// restore are rows too, of no menu, so that their rule and dispatch are the table's.
//
// The ids, texts and order of the first six rows (the "Given" part) are the configurator's
// own and never change; new items go into a later part, after a separator.
#pragma once

#include <cstddef>
#include <functional>
#include <optional>
#include <vector>

#include "res/resource.h"
#include "tree/TagKey.h"

// Where a command is offered: empty space (no node) and the node kinds, as a set.
enum CommandPlace : unsigned {
    kOnEmpty = 1u,
    kOnDevice = 2u,
    kOnGroup = 4u,
    kOnTag = 8u,
    kOnNodes = kOnDevice | kOnGroup | kOnTag,
    kEverywhere = kOnEmpty | kOnNodes,
};

// The parts of the context menu, in menu order; each non-empty part after the first is
// preceded by a separator. None: not in the context menu (a key or the system menu only).
enum class MenuPart { None, Given, Own, History };

// The keys of the table. Enter, Delete and Insert act on the tree's selected node, and only
// where the row says ("key on"), which is always where its menu offers it; the others act
// anywhere in the window and on no node. F1 reaches the window as the system's help request.
enum class CommandKey { None, Enter, Delete, Insert, CtrlF, F3, CtrlZ, CtrlY, F1 };

constexpr bool IsNodeKey(CommandKey key)
{
    return key == CommandKey::Enter || key == CommandKey::Delete || key == CommandKey::Insert;
}

// The enabled rule: what must hold for the command to run (and for its item not to be grey).
enum CommandNeeds : unsigned {
    kIdle = 1u,       // the tree is not being filled and no other command talks to the server
    kServer = 2u,     // the window holds a connection to the server
    kItsNode = 4u,    // it acts on the node it was chosen on, which must be a place it is offered on
    kUndoable = 8u,   // there is a step to undo (the item then names it)
    kRedoable = 16u,  // there is a step to redo (the item then names it)
};

// How a command runs. Long: it talks to the server while messages are dispatched (its
// calls, its dialogs), and the dispatch holds the window busy from its start to its end, so
// that no other command that needs the window idle starts meanwhile.
enum class CommandRun { Short, Long };

// clang-format off
#define ZOL_WINDOW_COMMANDS(ROW)                                                                                     \
/*      id                    system menu            text                           menu     offered on           key     key on     enabled when                  runs   handler */ \
    ROW(ID_ADD_TAG,           0,                     u8"Добавить тег",              Given,   kOnNodes,            Insert, kOnNodes,  kIdle | kServer | kItsNode,  Short, OnAddTags)          \
    ROW(ID_ADD_DEVICE,        0,                     u8"Добавить устройство",       Given,   kOnEmpty | kOnDevice, Insert, kOnEmpty, kIdle,                       Short, OnAddDevice)        \
    ROW(ID_DELETE_DEVICE,     0,                     u8"Удалить устройство",        Given,   kOnDevice,           Delete, kOnDevice, kIdle | kServer | kItsNode,  Long,  OnDeleteDevice)     \
    ROW(ID_DELETE_TAGS,       0,                     u8"Удалить теги",              Given,   kOnGroup,            Delete, kOnGroup,  kIdle | kServer | kItsNode,  Long,  OnDeleteTags)       \
    ROW(ID_DELETE_TAG,        0,                     u8"Удалить тег",               Given,   kOnTag,              Delete, kOnTag,    kIdle | kServer | kItsNode,  Long,  OnDeleteTag)        \
    ROW(ID_EDIT_TAG,          0,                     u8"Редактировать",             Given,   kOnTag,              Enter,  kOnTag,    kIdle | kServer | kItsNode,  Short, OnEditTag)          \
    ROW(ID_BRANCH_PERIOD,     0,                     u8"Изменить период...",        Own,     kOnDevice | kOnGroup, None,  0,         kIdle | kServer | kItsNode,  Long,  OnBranchPeriod)     \
    ROW(ID_COPY_DEVICE,       0,                     u8"Копировать на адреса...",   Own,     kOnDevice,           None,   0,         kIdle | kServer | kItsNode,  Long,  OnCopyDevice)       \
    ROW(ID_FIND,              0,                     u8"Найти...",                  Own,     kOnEmpty,            CtrlF,  0,         kIdle,                       Short, OnFind)             \
    ROW(ID_FIND_NEXT,         0,                     u8"",                          None,    0,                   F3,     0,         kIdle,                       Short, OnFindNext)         \
    ROW(ID_EXPORT_TAGS,       0,                     u8"Экспорт тегов...",          Own,     kOnEmpty | kOnDevice, None,  0,         kIdle | kServer | kItsNode,  Long,  OnExportTags)       \
    ROW(ID_IMPORT_TAGS,       0,                     u8"Импорт тегов...",           Own,     kOnEmpty,            None,   0,         kIdle | kServer,             Long,  OnImportTags)       \
    ROW(ID_DESCRIPTION_FILES, IDM_DESCRIPTION_FILES, u8"Описания приборов...",      Own,     kOnEmpty,            None,   0,         0,                           Short, OnDescriptionFiles) \
    ROW(ID_CHECK_LINE,        0,                     u8"Проверить связь",           Own,     kOnEmpty | kOnDevice, None,  0,         kIdle | kServer | kItsNode,  Short, OnCheckLine)        \
    ROW(ID_CONFIG_REPORT,     0,                     u8"Отчёт о конфигурации...",   Own,     kOnEmpty,            None,   0,         kIdle | kServer,             Long,  OnConfigReport)     \
    ROW(ID_UNDO,              0,                     u8"Отменить",                  History, kEverywhere,         CtrlZ,  0,         kIdle | kServer | kUndoable, Long,  OnUndo)             \
    ROW(ID_REDO,              0,                     u8"Вернуть",                   History, kEverywhere,         CtrlY,  0,         kIdle | kServer | kRedoable, Long,  OnRedo)             \
    ROW(ID_HISTORY,           IDM_HISTORY,           u8"История изменений...",      History, kOnEmpty,            None,   0,         kIdle,                       Short, OnHistory)          \
    ROW(0,                    IDM_GUIDE,             u8"Справка",                   None,    0,                   None,   0,         0,                           Short, OnGuide)            \
    ROW(ID_HELP,              0,                     u8"",                          None,    0,                   F1,     0,         0,                           Short, OnHelpCommand)      \
    ROW(IDC_APPLY,            0,                     u8"",                          None,    0,                   None,   0,         kIdle,                       Long,  OnApply)            \
    ROW(IDC_COM_PORT,         0,                     u8"",                          None,    0,                   None,   0,         kIdle,                       Long,  OnComPort)          \
    ROW(ID_RESTORE_SNAPSHOT,  0,                     u8"",                          None,    0,                   None,   0,         kIdle | kServer,             Long,  OnRestoreSnapshot)
// clang-format on

struct WindowCommand {
    int id;                // WM_COMMAND id; 0: a command of the system menu alone
    unsigned systemId;     // system-menu id; 0: not in the system menu
    const char* text;      // UTF-8; empty for a command that is only a key
    MenuPart part;
    unsigned offeredOn;    // CommandPlace set
    CommandKey key;
    unsigned keyOn;        // CommandPlace set where a node key gives the command
    unsigned needs;        // CommandNeeds set
    CommandRun run;
    const char* handler;   // the handler's name, as app/ declares it
};

// Every row, in table order.
const std::vector<WindowCommand>& WindowCommands();
// The row of a WM_COMMAND id, of a system-menu id; null when no row has it.
const WindowCommand* FindWindowCommand(int id);
const WindowCommand* FindSystemCommand(unsigned systemId);
// The position of a row in WindowCommands().
std::size_t CommandIndex(const WindowCommand& row);

// The place of the node with this key (std::nullopt: no node, empty space); 0 for a node of
// kind None, which is offered nothing.
unsigned PlaceOf(std::optional<TagKey> nodeKey);

// The ids of one part of the context menu of the node (std::nullopt: empty space), in order.
std::vector<int> MenuCommands(MenuPart part, std::optional<TagKey> nodeKey);
// The whole context menu of the node as the window shows it: the parts in menu order, each
// non-empty part after the first behind a separator (0). Empty for a node of kind None.
std::vector<int> ContextMenuItems(std::optional<TagKey> nodeKey);

// The command a key gives: a node key on the selected node (std::nullopt: none selected),
// a window key wherever; 0 when the key gives none there.
int KeyCommand(CommandKey key, std::optional<TagKey> selected);

// What the enabled rule reads of the window.
struct WindowState {
    bool filling = false;   // the tree is being filled from the server
    bool busy = false;      // a command talks to the server
    bool connected = true;
    bool canUndo = false;
    bool canRedo = false;
    std::optional<TagKey> node;  // the node the command was chosen on (std::nullopt: none)
};

bool CommandEnabled(const WindowCommand& row, const WindowState& state);

// Runs the row's handler when its rule holds in state; false, and nothing run, when it does
// not. A long row's handler runs with *busy set, and *busy is cleared again however the
// handler ends, an exception included.
bool DispatchCommand(const WindowCommand& row, const WindowState& state, bool* busy,
                     const std::function<void()>& handler);
