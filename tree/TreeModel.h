// The small tree interface the tree algorithms are written against. Two implementations:
// the tree-view control of a dialog (Windows layer) and CMemoryTree (tests, benchmarks).
//
// Node handles are opaque; a null handle as a parent means the root level. Texts are 8-bit
// Windows-1251 strings; each node carries a TagKey as its item data.
#pragma once

#include "tree/TagKey.h"

#include <string>

struct TreeNodeOpaque;  // never defined: a handle is only compared and passed back
using TreeNode = TreeNodeOpaque*;

enum class InsertAt {
    Sorted,  // at the control's sorted position among the siblings (TVI_SORT)
    Last,    // after the last sibling (TVI_LAST)
};

class ITreeModel {
public:
    virtual ~ITreeModel() = default;

    // Navigation. FirstChild(nullptr) is the first root node; Parent of a root node is null.
    virtual TreeNode FirstChild(TreeNode parent) const = 0;
    virtual TreeNode NextSibling(TreeNode node) const = 0;
    virtual TreeNode Parent(TreeNode node) const = 0;
    virtual bool HasChildren(TreeNode node) const = 0;

    virtual std::string Text(TreeNode node) const = 0;
    virtual TagKey Data(TreeNode node) const = 0;

    // Inserts a node with its text and item data under parent (null: at the root level).
    virtual TreeNode Insert(TreeNode parent, const std::string& text, TagKey data,
                            InsertAt where) = 0;
    virtual void SetData(TreeNode node, TagKey data) = 0;

    // Deletes a node with its whole subtree; DeleteAll empties the tree.
    virtual void Delete(TreeNode node) = 0;
    virtual void DeleteAll() = 0;

    // The control's plain child sort (TVM_SORTCHILDREN): by text ignoring letter case,
    // keeping the order of children whose texts are equal but for case.
    virtual void SortChildrenByText(TreeNode parent) = 0;
    // Puts the children in the order that inserting each of them at InsertAt::Sorted
    // would have given (the same collation, names differing only in case included), so a
    // bulk fill may insert at the end and sort each parent once. On the control: the
    // comparison its sorted insertion uses, applied through TVM_SORTCHILDRENCB.
    virtual void SortChildrenAsInserted(TreeNode parent) = 0;
    // Sorts the children by their item data with compare (<0, 0, >0); children that
    // compare equal keep their order (a stable sort). The control's callback sort does not
    // promise stability: compute the order first and let the callback compare positions.
    virtual void SortChildrenByData(TreeNode parent, int (*compare)(TagKey a, TagKey b)) = 0;

    // Brackets a bulk change (the control switches redraw off). Calls nest.
    virtual void BeginBulkUpdate() = 0;
    virtual void EndBulkUpdate() = 0;
};

// Holds a bulk update for the lifetime of a scope.
class CBulkUpdate {
public:
    explicit CBulkUpdate(ITreeModel& tree) : m_tree(tree) { m_tree.BeginBulkUpdate(); }
    ~CBulkUpdate() { m_tree.EndBulkUpdate(); }
    CBulkUpdate(const CBulkUpdate&) = delete;
    CBulkUpdate& operator=(const CBulkUpdate&) = delete;

private:
    ITreeModel& m_tree;
};
