#include "tree/ChildIndex.h"

void CChildIndex::IndexChildrenOf(TreeNode parent)
{
    if (!m_indexed.insert(parent).second)
        return;
    for (TreeNode child = m_tree.FirstChild(parent); child != nullptr;
         child = m_tree.NextSibling(child)) {
        // emplace keeps the first of equal texts, as a walk over the siblings would find.
        m_children.emplace(Key{parent, m_tree.Text(child)}, child);
    }
}

TreeNode CChildIndex::Find(TreeNode parent, const std::string& text)
{
    IndexChildrenOf(parent);
    const auto it = m_children.find(Key{parent, text});
    return it == m_children.end() ? nullptr : it->second;
}

void CChildIndex::Added(TreeNode parent, const std::string& text, TreeNode node)
{
    IndexChildrenOf(parent);
    m_children.emplace(Key{parent, text}, node);
    m_indexed.insert(node);
    if (m_grownSet.insert(parent).second)
        m_grown.push_back(parent);
}
