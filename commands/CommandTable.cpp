#include "commands/CommandTable.h"

#include <algorithm>

const std::vector<WindowCommand>& WindowCommands()
{
#define ZOL_COMMAND_ROW(id, systemId, text, part, offeredOn, key, keyOn, needs, run, handler) \
    WindowCommand{id, systemId, text, MenuPart::part, offeredOn, CommandKey::key, keyOn, needs, CommandRun::run, #handler},
    static const std::vector<WindowCommand> rows{ZOL_WINDOW_COMMANDS(ZOL_COMMAND_ROW)};
#undef ZOL_COMMAND_ROW
    return rows;
}

const WindowCommand* FindWindowCommand(int id)
{
    if (id == 0) return nullptr;
    for (const WindowCommand& row : WindowCommands())
        if (row.id == id) return &row;
    return nullptr;
}

const WindowCommand* FindSystemCommand(unsigned systemId)
{
    if (systemId == 0) return nullptr;
    for (const WindowCommand& row : WindowCommands())
        if (row.systemId == systemId) return &row;
    return nullptr;
}

std::size_t CommandIndex(const WindowCommand& row)
{
    return static_cast<std::size_t>(&row - WindowCommands().data());
}

unsigned PlaceOf(std::optional<TagKey> nodeKey)
{
    if (!nodeKey) return kOnEmpty;
    switch (GetNodeKind(*nodeKey)) {
    case NodeKind::Device: return kOnDevice;
    case NodeKind::Group: return kOnGroup;
    case NodeKind::Tag: return kOnTag;
    case NodeKind::None: break;
    }
    return 0;
}

std::vector<int> MenuCommands(MenuPart part, std::optional<TagKey> nodeKey)
{
    std::vector<int> ids;
    if (part == MenuPart::None) return ids;
    const unsigned place = PlaceOf(nodeKey);
    for (const WindowCommand& row : WindowCommands())
        if (row.part == part && (row.offeredOn & place) != 0) ids.push_back(row.id);
    return ids;
}

std::vector<int> ContextMenuItems(std::optional<TagKey> nodeKey)
{
    std::vector<int> items;
    for (MenuPart part : {MenuPart::Given, MenuPart::Own, MenuPart::History}) {
        const std::vector<int> ids = MenuCommands(part, nodeKey);
        if (ids.empty()) continue;
        if (!items.empty()) items.push_back(0);
        items.insert(items.end(), ids.begin(), ids.end());
    }
    return items;
}

int KeyCommand(CommandKey key, std::optional<TagKey> selected)
{
    if (key == CommandKey::None) return 0;
    const unsigned place = PlaceOf(selected);
    for (const WindowCommand& row : WindowCommands()) {
        if (row.key != key) continue;
        if (!IsNodeKey(key) || (row.keyOn & place) != 0) return row.id;
    }
    return 0;
}

bool CommandEnabled(const WindowCommand& row, const WindowState& state)
{
    if ((row.needs & kIdle) && (state.filling || state.busy)) return false;
    if ((row.needs & kServer) && !state.connected) return false;
    if ((row.needs & kItsNode) && (row.offeredOn & PlaceOf(state.node)) == 0) return false;
    if ((row.needs & kUndoable) && !state.canUndo) return false;
    if ((row.needs & kRedoable) && !state.canRedo) return false;
    return true;
}

bool DispatchCommand(const WindowCommand& row, const WindowState& state, bool* busy,
                     const std::function<void()>& handler)
{
    if (!CommandEnabled(row, state)) return false;
    if (row.run != CommandRun::Long) {
        handler();
        return true;
    }
    // Cleared on the way out whichever way the handler leaves.
    struct BusyHeld {
        bool* flag;
        bool before;
        ~BusyHeld() { *flag = before; }
    } held{busy, *busy};
    *busy = true;
    handler();
    return true;
}
