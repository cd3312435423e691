// The add-tags dialog's tree: a device's described parameters as a tree of their tag names,
// groups before parameters, and the Add walk that turns a branch of it into server tags.
#pragma once

#include "server/TagServer.h"
#include "tree/TagKey.h"
#include "tree/TagNameFunction.h"
#include "tree/TreeModel.h"

#include <cstddef>
#include <cstdint>
#include <vector>

// 0 when a and b are of the same kind, 1 when a is a parameter node and b is not, -1
// otherwise. Device and group nodes (parameter part 0 or 0xFFFF) come before parameters.
int CompareNodeKinds(TagKey a, TagKey b);

// Sorts the subtree below node: every level first by text ignoring case, then stably by
// CompareNodeKinds, so that groups stand before parameters, each kind alphabetically.
void SortSubtree(ITreeModel& tree, TreeNode node);

struct AddTagTreeReport {
    TreeNode deviceNode = nullptr;    // the first root node, sorted; null for an empty tree
    std::size_t parameters = 0;       // parameters taken (two with one number share a node)
    std::size_t skippedNumbers = 0;   // numbers that cannot name a tag (outside 1..65534)
    std::size_t skippedEmptyNames = 0;  // parameters whose tag name is empty
};

// Builds the tree for the device at address with typeCode from its parameters' numbers,
// in the catalogue's order. A parameter whose number cannot travel in a key, or whose tag
// name is empty (type code 0, address 0 or 255), is left out: it could only reach the
// server as a tag that is not the parameter. With InsertAt::Last the nodes are appended
// and each parent sorted once, to the order sorted insertion gives; either way the first
// root node's subtree is then sorted with SortSubtree.
AddTagTreeReport BuildAddTagTree(ITreeModel& tree, int address, int typeCode,
                                 const std::vector<int>& paramNumbers, const TagNameFunction& namer,
                                 InsertAt where = InsertAt::Sorted);

struct AddTagsReport {
    std::size_t attempted = 0;   // AddTag calls made
    std::size_t refused = 0;     // of which the server refused
    HResult firstRefusal = kS_OK;
    std::size_t skipped = 0;     // leaves whose key names no parameter; never sent
};

// Adds every parameter below node (the node itself when it has no children), depth first in
// tree order: AddTag with the period (100-ns units) first, and only when the server accepts
// the tag is it put into the main window's tree. Refusals are counted, not shown.
AddTagsReport AddTagsUnder(const ITreeModel& dialogTree, TreeNode node, int address,
                           int typeCode, std::int64_t period, ITagServer& server,
                           ITreeModel& mainTree, const TagNameFunction& namer);
