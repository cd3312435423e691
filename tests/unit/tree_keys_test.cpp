// The keys of the configuration tree: each gives the command of the selected node's menu
// that it stands for, and nothing the node's menu does not offer.
#include "tree/TreeCommands.h"
#include "tree/TreeKeys.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

namespace {

const TagKey kDevice = MakeTagKey(5, 7, 0);
const TagKey kGroup = MakeTagKey(5, 7, kGroupParamPart);
const TagKey kTag = MakeTagKey(5, 7, 3);
const TagKey kNoneKind = MakeTagKey(0, 7, 3);

TEST(TreeKeys, EachKeyGivesTheNodesOwnCommand)
{
    EXPECT_EQ(TreeKeyCommand(TreeKey::Enter, kTag), kIdEditTag);
    EXPECT_EQ(TreeKeyCommand(TreeKey::Delete, kTag), kIdDeleteTag);
    EXPECT_EQ(TreeKeyCommand(TreeKey::Delete, kGroup), kIdDeleteTags);
    EXPECT_EQ(TreeKeyCommand(TreeKey::Delete, kDevice), kIdDeleteDevice);
    EXPECT_EQ(TreeKeyCommand(TreeKey::Insert, kDevice), kIdAddTag);
    EXPECT_EQ(TreeKeyCommand(TreeKey::Insert, kGroup), kIdAddTag);
    EXPECT_EQ(TreeKeyCommand(TreeKey::Insert, kTag), kIdAddTag);
    EXPECT_EQ(TreeKeyCommand(TreeKey::Insert, std::nullopt), kIdAddDevice);
}

TEST(TreeKeys, NothingWhereTheMenuOffersNothingOfTheKind)
{
    // Enter edits tags only (a double click on a device or group does nothing either).
    EXPECT_EQ(TreeKeyCommand(TreeKey::Enter, kDevice), 0);
    EXPECT_EQ(TreeKeyCommand(TreeKey::Enter, kGroup), 0);
    EXPECT_EQ(TreeKeyCommand(TreeKey::Enter, std::nullopt), 0);
    // Delete with nothing selected must not fall back on a node chosen earlier.
    EXPECT_EQ(TreeKeyCommand(TreeKey::Delete, std::nullopt), 0);
    // A node of kind None has an empty menu: no key acts on it, Insert included.
    for (TreeKey key : {TreeKey::Enter, TreeKey::Delete, TreeKey::Insert})
        EXPECT_EQ(TreeKeyCommand(key, kNoneKind), 0);
}

TEST(TreeKeys, EveryCommandIsInTheNodesMenu)
{
    for (std::optional<TagKey> node : {std::optional<TagKey>(), std::optional<TagKey>(kDevice),
                                       std::optional<TagKey>(kGroup), std::optional<TagKey>(kTag),
                                       std::optional<TagKey>(kNoneKind), std::optional<TagKey>(MakeTagKey(9, 0, 0))})
        for (TreeKey key : {TreeKey::Enter, TreeKey::Delete, TreeKey::Insert}) {
            const int id = TreeKeyCommand(key, node);
            if (id == 0) continue;
            const std::vector<int> menu = ContextMenuCommands(node);
            EXPECT_NE(std::find(menu.begin(), menu.end(), id), menu.end()) << "command " << id;
        }
}

}  // namespace
