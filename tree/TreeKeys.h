// The keys of the main window's tree, apart from the window: which context-menu command a
// key gives on the selected node (the key columns of tree/CommandTable.h). Each key gives
// only a command the node's own menu offers, so a key can never do what the menu would not.
#pragma once

#include <optional>

#include "tree/TagKey.h"

enum class TreeKey {
    Enter,   // "Редактировать" on a tag, as the double click
    Delete,  // the node's delete command: a tag, a group's tags, a device
    Insert,  // "Добавить тег" on a node, "Добавить устройство" with no node selected
};

// The command id of the key on the selected node's key (std::nullopt: no node selected),
// or 0 when the key gives no command there.
int TreeKeyCommand(TreeKey key, std::optional<TagKey> selected);
