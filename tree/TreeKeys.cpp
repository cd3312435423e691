#include "tree/TreeKeys.h"

#include "tree/CommandTable.h"

int TreeKeyCommand(TreeKey key, std::optional<TagKey> selected)
{
    switch (key) {
    case TreeKey::Enter: return KeyCommand(CommandKey::Enter, selected);
    case TreeKey::Delete: return KeyCommand(CommandKey::Delete, selected);
    case TreeKey::Insert: return KeyCommand(CommandKey::Insert, selected);
    }
    return 0;
}
