// Helpers the tree tests share: finding a node by its path of texts, and the tree the main
// window would show after a rebuild from the server's tags.
#pragma once

#include <initializer_list>
#include <string>

#include <gtest/gtest.h>

#include "tree/ConfigTree.h"
#include "tree/MemoryTree.h"
#include "tree/TagPath.h"
#include "tree_fake_catalogue.h"

inline TreeNode FindPath(const ITreeModel& tree, std::initializer_list<const char*> path)
{
    TreeNode node = nullptr;
    for (const char* piece : path) {
        node = FindChildNode(tree, node, piece);
        if (node == nullptr) ADD_FAILURE() << "no node " << piece;
    }
    return node;
}

inline std::string RebuiltView(ITagServer& server, const CFakeCatalogue& catalogue)
{
    CMemoryTree fresh;
    FillTree(fresh, server, catalogue.Namer());
    return fresh.Dump();
}
