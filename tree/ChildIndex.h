// An index of child nodes by text, so that finding a child during a bulk insertion never
// walks the siblings (on the tree-view control each sibling visited costs a message and
// a handle check). A parent's children are read once, the first time the parent is looked
// at; nodes inserted through the index are recorded as they are made. The index is valid
// only while nobody else changes the tree: make one per fill or per Add walk.
#pragma once

#include "tree/TagKey.h"
#include "tree/TreeModel.h"

#include <cstddef>
#include <functional>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <vector>

class CChildIndex {
public:
    explicit CChildIndex(const ITreeModel& tree) : m_tree(tree) {}

    // The first child of parent (null: the root level) whose text equals text byte for
    // byte, or null.
    TreeNode Find(TreeNode parent, const std::string& text);

    // The first child of parent with that text whose key is exactly key, or null.
    TreeNode FindExact(TreeNode parent, const std::string& text, TagKey key);

    // Records a node just inserted under parent with that text and key (it has no
    // children yet).
    void Added(TreeNode parent, const std::string& text, TagKey key, TreeNode node);

    // Parents that received children through Added, in the order they first did
    // (null stands for the root level).
    const std::vector<TreeNode>& GrownParents() const { return m_grown; }

    // The parents that received children since the last call (each once, in the order they
    // first did since then): what a caller that sorts as it goes has still to sort.
    std::vector<TreeNode> TakeNewlyGrown();

private:
    struct Key {
        TreeNode parent;
        std::string text;
        TagKey tagKey;  // 0 in m_children: there the text alone names the entry
        bool operator==(const Key& other) const
        {
            return parent == other.parent && tagKey == other.tagKey && text == other.text;
        }
    };
    struct KeyHash {
        std::size_t operator()(const Key& k) const
        {
            const std::size_t h = std::hash<std::string>()(k.text) ^ (std::size_t{k.tagKey} * 0x9E3779B1u);
            return h ^ (std::hash<const void*>()(k.parent) + 0x9E3779B97F4A7C15ull + (h << 6) +
                        (h >> 2));
        }
    };
    struct Entry {
        TreeNode node;
        TagKey key;
    };
    void Record(TreeNode parent, const std::string& text, TagKey key, TreeNode node);

    void IndexChildrenOf(TreeNode parent);

    const ITreeModel& m_tree;
    // (parent, text) -> the first child of that text, with its key. Children whose text
    // an earlier sibling has already are rare; they go to m_more by (parent, text, key).
    std::unordered_map<Key, Entry, KeyHash> m_children;
    std::unordered_map<Key, TreeNode, KeyHash> m_more;
    std::unordered_set<TreeNode> m_indexed;  // parents whose children are all in m_children
    std::unordered_set<TreeNode> m_grownSet;
    std::vector<TreeNode> m_grown;
    std::unordered_set<TreeNode> m_newlyGrownSet;
    std::vector<TreeNode> m_newlyGrown;
};
