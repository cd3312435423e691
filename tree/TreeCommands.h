// The main window's editing commands on its configuration tree, apart from their windows:
// adding a device node, deleting a tag with its emptied ancestors, and deleting a branch. Server refusals leave the
// tree as it was for the refused tags and are reported to the caller, which tells the user.
#pragma once

#include "server/TagServer.h"
#include "tree/TagKey.h"
#include "tree/TreeModel.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// Inserts a device node (key: address, type code, part 0) at the root, at its sorted place,
// unless a root node with exactly that text exists already; returns the new node or null.
TreeNode AddDeviceNode(ITreeModel& tree, const std::string& text, int address, int typeCode);

struct DeleteTagResult {
    HResult hr = kS_OK;   // DeleteTag's result
    bool removed = false; // the node left the tree (false: refused, or it has children)
};

// Deletes the tag of node on the server; only when the server accepts it does the node
// leave the tree, with every ancestor that is left without children. A node that has
// children of its own stays, since their tags are still on the server.
DeleteTagResult DeleteTagNode(ITreeModel& tree, ITagServer& server, TreeNode node);

struct DeleteBranchReport {
    std::size_t deleted = 0;   // tags the server deleted
    std::size_t refused = 0;   // tags the server refused: their nodes stay
    HResult firstRefusal = kS_OK;
    bool removed = false;      // the branch's own node left the tree
};

// Deletes every tag node below and including node, depth first (children before their
// parent): DeleteTag for each node of kind Tag. Nodes whose tags the server refused stay,
// and so do their ancestors up to node; everything else below node goes. One report for
// the whole branch. Each node's children are taken as a snapshot before the walk.
DeleteBranchReport DeleteBranch(ITreeModel& tree, ITagServer& server, TreeNode node);
