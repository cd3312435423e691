#include "tree/TreeKeys.h"

#include <algorithm>
#include <vector>

#include "tree/TreeCommands.h"

namespace {

// The first of the candidates that the node's context menu offers, or 0.
int FirstOffered(std::optional<TagKey> selected, std::initializer_list<int> candidates)
{
    const std::vector<int> menu = ContextMenuCommands(selected);
    for (int id : candidates)
        if (std::find(menu.begin(), menu.end(), id) != menu.end()) return id;
    return 0;
}

}  // namespace

int TreeKeyCommand(TreeKey key, std::optional<TagKey> selected)
{
    switch (key) {
    case TreeKey::Enter:
        return FirstOffered(selected, {kIdEditTag});
    case TreeKey::Delete:
        return FirstOffered(selected, {kIdDeleteTag, kIdDeleteTags, kIdDeleteDevice});
    case TreeKey::Insert:
        return FirstOffered(selected, {kIdAddTag, kIdAddDevice});
    }
    return 0;
}
