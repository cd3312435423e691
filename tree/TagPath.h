// Finding and inserting the nodes of one tag: its dotted name split into levels. The main
// window's configuration tree and the add-tags dialog's tree both use these.
#pragma once

#include "tree/ChildIndex.h"
#include "tree/TreeModel.h"

#include <cstdint>
#include <string>

// The first child of parent (null: the first root node onwards) whose text equals text
// byte for byte (letter case matters), or null. Walks the siblings.
TreeNode FindChildNode(const ITreeModel& tree, TreeNode parent, const std::string& text);

struct TagPathOptions {
    InsertAt where = InsertAt::Sorted;
    // When given, children are looked up and recorded here instead of walking siblings.
    CChildIndex* index = nullptr;
};

// Makes sure the nodes of one tag exist. tagName is the tag's dotted name (FormatTagName);
// it is cut at every '.', empty pieces included, and each piece is looked up under the
// previous one and inserted when missing, keyed with the address and type-code bytes and
// as parameter part 0 for the first piece, 0xFFFF for a piece followed by another, and the
// parameter number (low 16 bits) for the last piece. The first and the last piece reuse
// only a node of the same text and exactly that key, so two devices or two tags of one
// text each keep a node of their own; a group piece reuses any node of its text. Existing
// nodes keep their keys. Returns the node of the last piece.
TreeNode InsertTagPath(ITreeModel& tree, const std::string& tagName, std::uint32_t address,
                       std::uint32_t typeCode, std::uint32_t paramNumber,
                       const TagPathOptions& options = {});
