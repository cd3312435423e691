#include "tree/ChildIndex.h"

#include <utility>

void CChildIndex::Record(TreeNode parent, const std::string& text, TagKey key, TreeNode node)
{
    // The first of equal texts (and keys) wins, as a walk over the siblings would find it.
    const auto first = m_children.emplace(Key{parent, text, 0}, Entry{node, key});
    if (!first.second && first.first->second.key != key)
        m_more.emplace(Key{parent, text, key}, node);
}

void CChildIndex::IndexChildrenOf(TreeNode parent)
{
    if (!m_indexed.insert(parent).second)
        return;
    for (TreeNode child = m_tree.FirstChild(parent); child != nullptr;
         child = m_tree.NextSibling(child))
        Record(parent, m_tree.Text(child), m_tree.Data(child), child);
}

TreeNode CChildIndex::Find(TreeNode parent, const std::string& text)
{
    IndexChildrenOf(parent);
    const auto it = m_children.find(Key{parent, text, 0});
    return it == m_children.end() ? nullptr : it->second.node;
}

TreeNode CChildIndex::FindExact(TreeNode parent, const std::string& text, TagKey key)
{
    IndexChildrenOf(parent);
    const auto it = m_children.find(Key{parent, text, 0});
    if (it == m_children.end())
        return nullptr;
    if (it->second.key == key)
        return it->second.node;
    if (m_more.empty())
        return nullptr;
    const auto more = m_more.find(Key{parent, text, key});
    return more == m_more.end() ? nullptr : more->second;
}

void CChildIndex::Added(TreeNode parent, const std::string& text, TagKey key, TreeNode node)
{
    IndexChildrenOf(parent);
    Record(parent, text, key, node);
    m_indexed.insert(node);
    if (m_grownSet.insert(parent).second)
        m_grown.push_back(parent);
    if (m_newlyGrownSet.insert(parent).second)
        m_newlyGrown.push_back(parent);
}

std::vector<TreeNode> CChildIndex::TakeNewlyGrown()
{
    m_newlyGrownSet.clear();
    return std::exchange(m_newlyGrown, {});
}
