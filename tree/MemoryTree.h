// An in-memory ITreeModel that behaves like the tree-view control where the algorithms can
// tell: sorted insertion walks the siblings and goes before the first one that sorts after
// the new text, or right after one that is identical (TreeCollation.h gives the order);
// the plain child sort ignores case and keeps the order of equal texts; the data sort is
// stable. Handles are checked on every call, so a stale handle is an error, not a crash.
#pragma once

#include "tree/TreeModel.h"

#include <cstddef>
#include <memory>
#include <string>
#include <unordered_set>
#include <vector>

class CMemoryTree final : public ITreeModel {
public:
    // Calls counted so tests can tell whether an algorithm walks siblings or reads texts.
    struct Stats {
        std::size_t firstChild = 0;
        std::size_t nextSibling = 0;
        std::size_t text = 0;
        std::size_t inserts = 0;
        std::size_t deletes = 0;
        std::size_t bulkBegins = 0;
    };

    CMemoryTree();
    ~CMemoryTree() override;
    CMemoryTree(const CMemoryTree&) = delete;
    CMemoryTree& operator=(const CMemoryTree&) = delete;

    TreeNode FirstChild(TreeNode parent) const override;
    TreeNode NextSibling(TreeNode node) const override;
    TreeNode Parent(TreeNode node) const override;
    bool HasChildren(TreeNode node) const override;
    std::string Text(TreeNode node) const override;
    TagKey Data(TreeNode node) const override;
    TreeNode Insert(TreeNode parent, const std::string& text, TagKey data,
                    InsertAt where) override;
    void SetData(TreeNode node, TagKey data) override;
    void Delete(TreeNode node) override;
    void DeleteAll() override;
    void SortChildrenByText(TreeNode parent) override;
    void SortChildrenAsInserted(TreeNode parent) override;
    void SortChildrenByData(TreeNode parent, int (*compare)(TagKey a, TagKey b)) override;
    void BeginBulkUpdate() override;
    void EndBulkUpdate() override;

    bool IsValid(TreeNode node) const;
    std::size_t NodeCount() const { return m_live.size(); }
    int BulkDepth() const { return m_bulkDepth; }
    const Stats& GetStats() const { return m_stats; }
    void ResetStats() { m_stats = Stats{}; }

    // The whole tree, one line per node in display order: two spaces per level, the text
    // in quotes and the key in hex. Equal dumps mean equal nodes, order and keys.
    std::string Dump() const;

private:
    struct Node;

    Node* Get(TreeNode node) const;
    Node* ParentOrRoot(TreeNode parent) const;
    static TreeNode Handle(const Node* node);
    void Forget(const Node& node);
    static void Renumber(Node& parent, std::size_t from);
    static bool InInsertionOrder(const Node& parent);

    std::unique_ptr<Node> m_root;
    std::unordered_set<const Node*> m_live;
    int m_bulkDepth = 0;
    mutable Stats m_stats;
};
