// The shape, texts and keys of a tree control kept in the program under the control's own
// node handles. Whoever inserts, deletes or reorders nodes on the control tells the mirror
// the same change, so walking and reading the tree (Find, the tree commands) costs no
// message to the control: on a large tree each message is a linear search in some
// implementations of the control.
#pragma once

#include "tree/TreeModel.h"

#include <cstddef>
#include <string>
#include <unordered_map>
#include <vector>

class CTreeMirror {
    struct Node;

public:
    // Records node as a child of parent (null: the root level) right after the sibling
    // after (null: as the first child).
    void InsertAfter(TreeNode parent, TreeNode after, TreeNode node, const std::string& text, TagKey data);
    // Records node as the last child of parent.
    void Append(TreeNode parent, TreeNode node, const std::string& text, TagKey data);
    // Forgets node with its whole subtree.
    void Remove(TreeNode node);
    void Clear();
    void SetData(TreeNode node, TagKey data);
    // Puts the children of parent in the given order; order must hold exactly its children.
    void Reorder(TreeNode parent, const std::vector<TreeNode>& order);

    // Reads by handle. An unknown handle reads as an absent node (null, empty text, key 0).
    bool Contains(TreeNode node) const { return m_nodes.count(node) != 0; }
    std::size_t Size() const { return m_nodes.size(); }
    TreeNode FirstChild(TreeNode parent) const;
    TreeNode NextSibling(TreeNode node) const;
    TreeNode Parent(TreeNode node) const;
    const std::string& Text(TreeNode node) const;
    TagKey Data(TreeNode node) const;

    // Walking without a lookup a step, for reading the whole tree (Find): a cursor is one
    // of the mirror's own nodes, null for none, valid until the mirror changes.
    using Cursor = const Node*;
    Cursor CursorOf(TreeNode node) const;
    Cursor FirstChildOf(Cursor parent) const;  // a null parent: the first root node
    static Cursor NextSiblingOf(Cursor node);
    static Cursor ParentOf(Cursor node);
    static TreeNode HandleOf(Cursor node);
    static const std::string& TextOf(Cursor node);
    static TagKey DataOf(Cursor node);

private:
    struct Node {
        TreeNode handle = nullptr;
        Node* parent = nullptr;
        Node* prev = nullptr;
        Node* next = nullptr;
        Node* first = nullptr;
        Node* last = nullptr;
        std::string text;
        TagKey data = 0;
    };

    Node* Find(TreeNode node);
    const Node* Find(TreeNode node) const;
    void Unlink(Node& node);
    Node*& FirstOf(Node* parent) { return parent ? parent->first : m_first; }
    Node*& LastOf(Node* parent) { return parent ? parent->last : m_last; }

    Node* m_first = nullptr;  // the root level
    Node* m_last = nullptr;
    std::unordered_map<TreeNode, Node> m_nodes;  // elements stay in place until erased
};

// The tree seen through ITreeModel as lines, one per node in depth-first order: two spaces
// per level, the text in quotes and the key in hex. Equal dumps mean equal trees.
std::string DumpTree(const ITreeModel& tree);

// A mirror read through the tree interface, for the algorithms that only read.
// It changes nothing: the writing operations throw std::logic_error.
class CTreeMirrorView final : public ITreeModel {
public:
    explicit CTreeMirrorView(const CTreeMirror& mirror) : m_mirror(mirror) {}

    TreeNode FirstChild(TreeNode parent) const override { return m_mirror.FirstChild(parent); }
    TreeNode NextSibling(TreeNode node) const override { return m_mirror.NextSibling(node); }
    TreeNode Parent(TreeNode node) const override { return m_mirror.Parent(node); }
    bool HasChildren(TreeNode node) const override { return m_mirror.FirstChild(node) != nullptr; }
    std::string Text(TreeNode node) const override { return m_mirror.Text(node); }
    TagKey Data(TreeNode node) const override { return m_mirror.Data(node); }
    TreeNode Insert(TreeNode, const std::string&, TagKey, InsertAt) override { return ReadOnly(); }
    void SetData(TreeNode, TagKey) override { ReadOnly(); }
    void Delete(TreeNode) override { ReadOnly(); }
    void DeleteAll() override { ReadOnly(); }
    void SortChildrenByText(TreeNode) override { ReadOnly(); }
    void SortChildrenAsInserted(TreeNode) override { ReadOnly(); }
    void SortChildrenByData(TreeNode, int (*)(TagKey, TagKey)) override { ReadOnly(); }
    void BeginBulkUpdate() override {}
    void EndBulkUpdate() override {}

private:
    [[noreturn]] static TreeNode ReadOnly();
    const CTreeMirror& m_mirror;
};
