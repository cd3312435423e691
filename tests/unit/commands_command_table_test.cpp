// The table of the main window's commands: the menus it gives each place, the keys on the
// tree's nodes, and the rules a row must keep so that menus, keys and dispatch agree.
#include "commands/CommandTable.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <stdexcept>
#include <set>
#include <string>
#include <utility>
#include <vector>

namespace {

const std::optional<TagKey> kEmpty;
const std::optional<TagKey> kDevice = MakeTagKey(5, 7, 0);
const std::optional<TagKey> kGroup = MakeTagKey(5, 7, kGroupParamPart);
const std::optional<TagKey> kTag = MakeTagKey(5, 7, 3);
const std::optional<TagKey> kNoneKind = MakeTagKey(0, 7, 3);

// The context menu of a place as the window shows it (ContextMenuItems), each item by its id
// and text, a separator as (0, "").
std::vector<std::pair<int, std::string>> Menu(std::optional<TagKey> node)
{
    std::vector<std::pair<int, std::string>> items;
    for (int id : ContextMenuItems(node)) items.emplace_back(id, id == 0 ? "" : FindWindowCommand(id)->text);
    return items;
}

using Items = std::vector<std::pair<int, std::string>>;

TEST(CommandTable, EachPlaceGetsTheGivenItemsFirstWithTheirIdsAndTextsThenTheWindowsOwn)
{
    // The first part is the configurator's own menu: ids 32801-32806 and their texts.
    EXPECT_EQ(Menu(kDevice), (Items{{32804, u8"Добавить тег"},
                                    {32801, u8"Добавить устройство"},
                                    {32802, u8"Удалить устройство"},
                                    {0, ""},
                                    {32810, u8"Изменить период..."},
                                    {32817, u8"Копировать на адреса..."},
                                    {32811, u8"Экспорт тегов..."},
                                    {32818, u8"Проверить связь"},
                                    {0, ""},
                                    {32813, u8"Отменить"},
                                    {32814, u8"Вернуть"}}));
    EXPECT_EQ(Menu(kGroup), (Items{{32804, u8"Добавить тег"},
                                   {32803, u8"Удалить теги"},
                                   {0, ""},
                                   {32810, u8"Изменить период..."},
                                   {0, ""},
                                   {32813, u8"Отменить"},
                                   {32814, u8"Вернуть"}}));
    EXPECT_EQ(Menu(kTag), (Items{{32804, u8"Добавить тег"},
                                 {32805, u8"Удалить тег"},
                                 {32806, u8"Редактировать"},
                                 {0, ""},
                                 {32813, u8"Отменить"},
                                 {32814, u8"Вернуть"}}));
    EXPECT_EQ(Menu(kEmpty), (Items{{32801, u8"Добавить устройство"},
                                   {0, ""},
                                   {32808, u8"Найти..."},
                                   {32811, u8"Экспорт тегов..."},
                                   {32812, u8"Импорт тегов..."},
                                   {32807, u8"Описания приборов..."},
                                   {32818, u8"Проверить связь"},
                                   {32819, u8"Отчёт о конфигурации..."},
                                   {0, ""},
                                   {32813, u8"Отменить"},
                                   {32814, u8"Вернуть"},
                                   {32815, u8"История изменений..."}}));
    // A node whose key names no device gets nothing, the history items included: a zero
    // address or type byte, or numbers no key can carry.
    EXPECT_TRUE(Menu(kNoneKind).empty());
    EXPECT_TRUE(Menu(MakeTagKey(5, 256, 0)).empty());
    EXPECT_TRUE(Menu(MakeTagKey(256, 7, 0xFFFF)).empty());
}

// The keys on the tree's selected node give the command of that node's own menu, and only
// where its menu offers it.
TEST(CommandTable, EachNodeKeyGivesTheNodesOwnCommand)
{
    EXPECT_EQ(KeyCommand(CommandKey::Enter, kTag), ID_EDIT_TAG);
    EXPECT_EQ(KeyCommand(CommandKey::Delete, kTag), ID_DELETE_TAG);
    EXPECT_EQ(KeyCommand(CommandKey::Delete, kGroup), ID_DELETE_TAGS);
    EXPECT_EQ(KeyCommand(CommandKey::Delete, kDevice), ID_DELETE_DEVICE);
    for (std::optional<TagKey> node : {kDevice, kGroup, kTag}) EXPECT_EQ(KeyCommand(CommandKey::Insert, node), ID_ADD_TAG);
    EXPECT_EQ(KeyCommand(CommandKey::Insert, kEmpty), ID_ADD_DEVICE);

    // Enter edits tags only (the double click does the same: nothing on a device or group).
    EXPECT_EQ(KeyCommand(CommandKey::Enter, kDevice), 0);
    EXPECT_EQ(KeyCommand(CommandKey::Enter, kGroup), 0);
    EXPECT_EQ(KeyCommand(CommandKey::Enter, kEmpty), 0);
    // Delete with nothing selected must not fall back on a node chosen earlier.
    EXPECT_EQ(KeyCommand(CommandKey::Delete, kEmpty), 0);
    // A node of kind None has an empty menu: no key acts on it, Insert included.
    for (CommandKey key : {CommandKey::Enter, CommandKey::Delete, CommandKey::Insert})
        EXPECT_EQ(KeyCommand(key, kNoneKind), 0);

    // Whatever a node key gives is an item of the node's menu.
    for (std::optional<TagKey> node : {kEmpty, kDevice, kGroup, kTag, kNoneKind, std::optional<TagKey>(MakeTagKey(9, 0, 0))})
        for (CommandKey key : {CommandKey::Enter, CommandKey::Delete, CommandKey::Insert}) {
            const int id = KeyCommand(key, node);
            if (id == 0) continue;
            const std::vector<int> menu = ContextMenuItems(node);
            EXPECT_NE(std::find(menu.begin(), menu.end(), id), menu.end()) << "command " << id;
        }
}

TEST(CommandTable, RowsAreOneEachByIdSystemIdAndHandler)
{
    std::set<int> ids;
    std::set<unsigned> systemIds;
    std::set<std::string> handlers;
    for (const WindowCommand& row : WindowCommands()) {
        const std::string name = row.handler;
        SCOPED_TRACE(name);
        // Every row can be reached: by a WM_COMMAND id or from the system menu.
        EXPECT_TRUE(row.id != 0 || row.systemId != 0);
        if (row.id != 0) {
            EXPECT_TRUE(ids.insert(row.id).second) << "id " << row.id;
        }
        if (row.systemId != 0) {
            EXPECT_TRUE(systemIds.insert(row.systemId).second) << "system id " << row.systemId;
            // The system menu takes the low four bits of its ids for its own use.
            EXPECT_EQ(row.systemId & 0xFu, 0u);
        }
        // One handler a row: the window declares one member for each.
        EXPECT_TRUE(name.size() > 2 && name.compare(0, 2, "On") == 0) << name;
        EXPECT_TRUE(handlers.insert(name).second) << name;
        if (row.id != 0) {
            EXPECT_EQ(FindWindowCommand(row.id), &row);
        }
        if (row.systemId != 0) {
            EXPECT_EQ(FindSystemCommand(row.systemId), &row);
        }
        EXPECT_EQ(&WindowCommands()[CommandIndex(row)], &row);
    }
    EXPECT_EQ(FindWindowCommand(0), nullptr);
    EXPECT_EQ(FindWindowCommand(2), nullptr);  // the Exit button's IDCANCEL
    EXPECT_EQ(FindSystemCommand(0), nullptr);
}

TEST(CommandTable, CommandIdsKeepTheirNumbersAndEveryRowOfTheMenusHasOne)
{
    // The numbers given out never change: a command put into the middle of the list, not at
    // its end, would move every later one (and the menus' ids with them).
    const std::vector<int> given{ID_ADD_DEVICE, ID_DELETE_DEVICE, ID_DELETE_TAGS, ID_ADD_TAG, ID_DELETE_TAG,
                                 ID_EDIT_TAG, ID_DESCRIPTION_FILES, ID_FIND, ID_FIND_NEXT, ID_BRANCH_PERIOD,
                                 ID_EXPORT_TAGS, ID_IMPORT_TAGS, ID_UNDO, ID_REDO, ID_HISTORY,
                                 ID_RESTORE_SNAPSHOT, ID_COPY_DEVICE, ID_CHECK_LINE, ID_CONFIG_REPORT};
    for (std::size_t k = 0; k < given.size(); ++k) EXPECT_EQ(given[k], 32801 + static_cast<int>(k)) << k;

    // Every row with a command id of the list is one of these; the others are the buttons'
    // control ids and the platform's help command.
    std::set<int> fromRows;
    for (const WindowCommand& row : WindowCommands()) {
        if (row.id >= ID_ADD_DEVICE) fromRows.insert(row.id);
    }
    fromRows.erase(ID_HELP);
    EXPECT_EQ(fromRows, std::set<int>(given.begin(), given.end()));
}

TEST(CommandTable, WhatAMenuOrTheSystemMenuShowsHasATextAndAPlace)
{
    for (const WindowCommand& row : WindowCommands()) {
        SCOPED_TRACE(row.handler);
        const std::string text = row.text;
        if (row.part != MenuPart::None) {
            EXPECT_FALSE(text.empty());
            EXPECT_NE(row.id, 0);  // the context menu sends WM_COMMAND
            EXPECT_NE(row.offeredOn, 0u);
        } else {
            EXPECT_EQ(row.offeredOn, 0u) << "offered on a menu it is not in";
        }
        if (row.systemId != 0) {
            EXPECT_FALSE(text.empty());
        }
        // A row with neither a menu, a system-menu item nor a key cannot be given at all,
        // unless a button of the window or the history dialog gives it.
        const bool givenElsewhere = row.id == IDC_APPLY || row.id == IDC_COM_PORT || row.id == ID_RESTORE_SNAPSHOT;
        EXPECT_TRUE(row.part != MenuPart::None || row.systemId != 0 || row.key != CommandKey::None ||
                    givenElsewhere);
    }
}

TEST(CommandTable, NoTwoCommandsShareAKeyWhereItActs)
{
    const unsigned places[] = {kOnEmpty, kOnDevice, kOnGroup, kOnTag};
    std::map<std::pair<CommandKey, unsigned>, std::string> taken;
    for (const WindowCommand& row : WindowCommands()) {
        if (row.key == CommandKey::None) continue;
        SCOPED_TRACE(row.handler);
        for (unsigned place : places) {
            // A window key acts wherever the selection is.
            if (IsNodeKey(row.key) && (row.keyOn & place) == 0) continue;
            const auto [at, inserted] = taken.emplace(std::make_pair(row.key, place), row.handler);
            EXPECT_TRUE(inserted) << "its key is " << at->second << "'s too, on place " << place;
        }
    }
}

TEST(CommandTable, AKeyGivesOnlyWhatTheNodesMenuOffersThere)
{
    for (const WindowCommand& row : WindowCommands()) {
        SCOPED_TRACE(row.handler);
        if (IsNodeKey(row.key)) {
            EXPECT_NE(row.keyOn, 0u);
            EXPECT_EQ(row.keyOn & ~row.offeredOn, 0u) << "a key where the menu has no such item";
        } else {
            EXPECT_EQ(row.keyOn, 0u);
            // A window key is pressed on no node: the command must not need one.
            if (row.key != CommandKey::None) {
                EXPECT_EQ(row.needs & kItsNode, 0u);
            }
        }
    }
    EXPECT_EQ(KeyCommand(CommandKey::CtrlF, kTag), ID_FIND);
    EXPECT_EQ(KeyCommand(CommandKey::F3, kEmpty), ID_FIND_NEXT);
    EXPECT_EQ(KeyCommand(CommandKey::CtrlZ, kNoneKind), ID_UNDO);
    EXPECT_EQ(KeyCommand(CommandKey::CtrlY, kGroup), ID_REDO);
    EXPECT_EQ(KeyCommand(CommandKey::None, kTag), 0);
}

TEST(CommandTable, TheSystemMenuHoldsTheDescriptionsTheHistoryAndTheGuideInThatOrder)
{
    std::vector<unsigned> system;
    for (const WindowCommand& row : WindowCommands())
        if (row.systemId != 0) system.push_back(row.systemId);
    EXPECT_EQ(system, (std::vector<unsigned>{IDM_DESCRIPTION_FILES, IDM_HISTORY, IDM_GUIDE}));
    EXPECT_EQ(std::string(FindSystemCommand(IDM_GUIDE)->text), u8"Справка");
    EXPECT_EQ(FindSystemCommand(IDM_HISTORY), FindWindowCommand(ID_HISTORY));
}

TEST(CommandTable, TheEnabledRule)
{
    const auto enabled = [](int id, WindowState state) { return CommandEnabled(*FindWindowCommand(id), state); };
    WindowState idle;
    idle.node = kTag;
    // While the tree fills or a command talks to the server, only what reads nothing of the
    // server or the tree runs (the description files, the guide).
    for (const WindowCommand& row : WindowCommands()) {
        SCOPED_TRACE(row.handler);
        WindowState filling = idle, busy = idle;
        filling.filling = true;
        busy.busy = true;
        const bool readsNothing = row.id == ID_DESCRIPTION_FILES || row.systemId == IDM_GUIDE || row.id == ID_HELP;
        EXPECT_EQ(CommandEnabled(row, filling), readsNothing);
        EXPECT_EQ(CommandEnabled(row, busy), readsNothing);
    }
    WindowState offline = idle;
    offline.connected = false;
    EXPECT_FALSE(enabled(ID_EDIT_TAG, offline));
    EXPECT_FALSE(enabled(ID_IMPORT_TAGS, offline));
    EXPECT_TRUE(enabled(ID_FIND, offline));
    EXPECT_TRUE(enabled(ID_ADD_DEVICE, offline));
    // The line check probes through the server: never without it, and only on empty space
    // or a device.
    EXPECT_FALSE(enabled(ID_CHECK_LINE, offline));
    WindowState device = idle;
    device.node = kDevice;
    EXPECT_TRUE(enabled(ID_CHECK_LINE, device));
    device.node = std::nullopt;
    EXPECT_TRUE(enabled(ID_CHECK_LINE, device));
    EXPECT_FALSE(enabled(ID_CHECK_LINE, idle));

    // A command on a node runs only on a node of a place it is offered on: a late command
    // after its node went (no node now), or one sent for another kind, does nothing.
    WindowState on = idle;
    EXPECT_TRUE(enabled(ID_EDIT_TAG, on));
    on.node = std::nullopt;
    EXPECT_FALSE(enabled(ID_EDIT_TAG, on));
    EXPECT_FALSE(enabled(ID_BRANCH_PERIOD, on));
    EXPECT_FALSE(enabled(ID_ADD_TAG, on));
    EXPECT_TRUE(enabled(ID_EXPORT_TAGS, on));  // every tag
    EXPECT_TRUE(enabled(ID_ADD_DEVICE, on));
    on.node = kGroup;
    EXPECT_FALSE(enabled(ID_EXPORT_TAGS, on));
    EXPECT_FALSE(enabled(ID_DELETE_DEVICE, on));
    EXPECT_TRUE(enabled(ID_DELETE_TAGS, on));
    EXPECT_TRUE(enabled(ID_BRANCH_PERIOD, on));
    on.node = kNoneKind;
    EXPECT_FALSE(enabled(ID_ADD_TAG, on));
    // Commands that do not act on a node run whatever is selected.
    EXPECT_TRUE(enabled(ID_FIND, on));
    EXPECT_TRUE(enabled(ID_IMPORT_TAGS, on));

    // Undo and redo only with a step to undo or redo.
    EXPECT_FALSE(enabled(ID_UNDO, idle));
    EXPECT_FALSE(enabled(ID_REDO, idle));
    WindowState undoable = idle;
    undoable.canUndo = true;
    EXPECT_TRUE(enabled(ID_UNDO, undoable));
    EXPECT_FALSE(enabled(ID_REDO, undoable));
    undoable.canRedo = true;
    EXPECT_TRUE(enabled(ID_REDO, undoable));
}

TEST(CommandTable, EveryLongCommandIsRefusedWhileAnotherRunsOrTheTreeFills)
{
    std::vector<int> longIds;
    for (const WindowCommand& row : WindowCommands()) {
        if (row.run != CommandRun::Long) continue;
        SCOPED_TRACE(row.handler);
        longIds.push_back(row.id);
        EXPECT_NE(row.needs & kIdle, 0u);
        WindowState busy, filling;
        busy.busy = true;
        filling.filling = true;
        bool ran = false;
        bool flag = true;
        EXPECT_FALSE(DispatchCommand(row, busy, &flag, [&] { ran = true; }));
        EXPECT_FALSE(DispatchCommand(row, filling, &flag, [&] { ran = true; }));
        EXPECT_FALSE(ran);
        EXPECT_TRUE(flag);  // a refusal leaves the running command's flag alone
    }
    // Everything that may call the server more than once, across dispatched messages, is
    // long: a branch's deletion calls it once per tag.
    EXPECT_EQ(longIds, (std::vector<int>{ID_DELETE_DEVICE, ID_DELETE_TAGS, ID_DELETE_TAG, ID_BRANCH_PERIOD, ID_COPY_DEVICE, ID_EXPORT_TAGS, ID_IMPORT_TAGS, ID_CONFIG_REPORT, ID_UNDO,
                                         ID_REDO, IDC_APPLY, IDC_COM_PORT, ID_RESTORE_SNAPSHOT}));
}

TEST(CommandTable, TheDispatchHoldsBusyForALongCommandAndClearsItHoweverItEnds)
{
    WindowState idle;
    idle.canUndo = true;
    bool busy = false;
    const WindowCommand& undo = *FindWindowCommand(ID_UNDO);
    const WindowCommand& find = *FindWindowCommand(ID_FIND);

    bool seenBusy = false;
    EXPECT_TRUE(DispatchCommand(undo, idle, &busy, [&] { seenBusy = busy; }));
    EXPECT_TRUE(seenBusy);
    EXPECT_FALSE(busy);

    // A command that throws leaves the window idle for the next one.
    EXPECT_THROW(DispatchCommand(undo, idle, &busy, [] { throw std::runtime_error("server gone"); }),
                 std::runtime_error);
    EXPECT_FALSE(busy);
    bool ranAfter = false;
    EXPECT_TRUE(DispatchCommand(undo, idle, &busy, [&] { ranAfter = true; }));
    EXPECT_TRUE(ranAfter);

    // A short command runs without the flag; a refused one does not run.
    seenBusy = true;
    EXPECT_TRUE(DispatchCommand(find, idle, &busy, [&] { seenBusy = busy; }));
    EXPECT_FALSE(seenBusy);
    WindowState nothingToUndo;
    bool ran = false;
    EXPECT_FALSE(DispatchCommand(undo, nothingToUndo, &busy, [&] { ran = true; }));
    EXPECT_FALSE(ran);

    // F1 gives the guide even while a long command runs (its message boxes pass F1 up).
    WindowState running;
    running.busy = true;
    const int help = KeyCommand(CommandKey::F1, std::nullopt);
    ASSERT_EQ(help, ID_HELP);
    EXPECT_TRUE(DispatchCommand(*FindWindowCommand(help), running, &busy, [] {}));
}

}  // namespace
