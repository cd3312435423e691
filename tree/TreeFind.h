// Finding a node of the configuration tree by a piece of its text: the main window's Find
// and Find Next.
#pragma once

#include "tree/TreeMirror.h"
#include "tree/TreeModel.h"

#include <string>
#include <string_view>

// A piece of text to look for, letter case ignored for Latin and Cyrillic alike (texts
// are Windows-1251).
class CTextMatcher {
public:
    explicit CTextMatcher(std::string_view needle);
    bool Empty() const { return m_needle.empty(); }
    // True when text holds the needle (an empty needle matches nothing).
    bool Matches(std::string_view text) const;
    // The same for a text already folded to lower case (FoldCase1251).
    bool MatchesFolded(std::string_view folded) const;

private:
    std::string m_needle;  // folded to lowercase
};

// The node after node in depth-first order (a node's children before its next sibling);
// null after the last node. NextInTreeOrder(tree, nullptr) is the first root node.
TreeNode NextInTreeOrder(const ITreeModel& tree, TreeNode node);

// The first node after from, in depth-first order, whose text holds needle, or, for a tag
// node, whose full tag name does (the texts from its device down, joined by "."). The
// search runs to the last node, then wraps once to the first root node and ends with from
// itself. A null from searches from the first root node on. Null when nothing matches.
TreeNode FindNextNode(const ITreeModel& tree, TreeNode from, const std::string& needle);
// The same on a mirror of the tree, walked by the mirror's own links (the main window's Find).
TreeNode FindNextNode(const CTreeMirror& tree, TreeNode from, const std::string& needle);
