// The tree-view control of a dialog seen through the portable tree interface, so that the
// tree algorithms of tree/ run on the real control.
//
// Given a mirror (the main window keeps one beside its tree), every change goes to both the
// control and the mirror, and every read is answered by the mirror without a message.
#pragma once

#include <functional>
#include <string>

#include "tree/TreeMirror.h"
#include "tree/TreeModel.h"
#include "ui/Controls.h"

class CTreeViewModel final : public ITreeModel {
public:
    explicit CTreeViewModel(CTreeCtrl& tree, CTreeMirror* mirror = nullptr) : m_tree(tree), m_mirror(mirror) {}

    static HTREEITEM Item(TreeNode node) { return reinterpret_cast<HTREEITEM>(node); }
    static TreeNode Node(HTREEITEM item) { return reinterpret_cast<TreeNode>(item); }

    TreeNode FirstChild(TreeNode parent) const override;
    TreeNode NextSibling(TreeNode node) const override;
    TreeNode Parent(TreeNode node) const override;
    bool HasChildren(TreeNode node) const override;
    std::string Text(TreeNode node) const override;
    TagKey Data(TreeNode node) const override;
    TreeNode Insert(TreeNode parent, const std::string& text, TagKey data, InsertAt where) override;
    void SetData(TreeNode node, TagKey data) override;
    void Delete(TreeNode node) override;
    void DeleteAll() override;
    void SortChildrenByText(TreeNode parent) override;
    void SortChildrenAsInserted(TreeNode parent) override;
    void SortChildrenByData(TreeNode parent, int (*compare)(TagKey a, TagKey b)) override;
    void BeginBulkUpdate() override;
    void EndBulkUpdate() override;

private:
    struct Child {
        HTREEITEM item;
        std::string text;
        TagKey data;
    };
    // Puts the children of parent in the order of a stable sort by less: each child gets
    // its rank as item data, the control sorts by it, then the data is restored.
    void ReorderChildren(TreeNode parent, const std::function<bool(const Child&, const Child&)>& less);
    // Tells the mirror the order the control now gives the children of parent.
    void MirrorChildOrder(TreeNode parent);

    CTreeCtrl& m_tree;
    CTreeMirror* m_mirror;
    int m_bulkDepth = 0;
};
