#include "tree/TreeMirror.h"

#include <cstdio>
#include <stdexcept>

const CTreeMirror::Node* CTreeMirror::Find(TreeNode node) const
{
    const auto it = m_nodes.find(node);
    return it == m_nodes.end() ? nullptr : &it->second;
}

CTreeMirror::Links* CTreeMirror::ChildrenOf(TreeNode parent)
{
    if (parent == nullptr) return &m_roots;
    const auto it = m_nodes.find(parent);
    if (it == m_nodes.end()) throw std::logic_error("CTreeMirror: unknown parent");
    return &it->second.children;
}

void CTreeMirror::InsertAfter(TreeNode parent, TreeNode after, TreeNode node, const std::string& text, TagKey data)
{
    if (node == nullptr || Contains(node)) throw std::logic_error("CTreeMirror: node recorded twice");
    Links* siblings = ChildrenOf(parent);
    if (after != nullptr && Parent(after) != parent) throw std::logic_error("CTreeMirror: not a sibling");
    Node entry;
    entry.parent = parent;
    entry.text = text;
    entry.data = data;
    entry.prev = after;
    entry.next = after != nullptr ? m_nodes.at(after).next : siblings->first;
    if (entry.next != nullptr)
        m_nodes.at(entry.next).prev = node;
    else
        siblings->last = node;
    if (after != nullptr)
        m_nodes.at(after).next = node;
    else
        siblings->first = node;
    m_nodes.emplace(node, std::move(entry));
}

void CTreeMirror::Append(TreeNode parent, TreeNode node, const std::string& text, TagKey data)
{
    InsertAfter(parent, ChildrenOf(parent)->last, node, text, data);
}

void CTreeMirror::Unlink(Node& node)
{
    Links* siblings = ChildrenOf(node.parent);
    if (node.prev != nullptr)
        m_nodes.at(node.prev).next = node.next;
    else
        siblings->first = node.next;
    if (node.next != nullptr)
        m_nodes.at(node.next).prev = node.prev;
    else
        siblings->last = node.prev;
    node.prev = node.next = nullptr;
}

void CTreeMirror::Remove(TreeNode node)
{
    const auto it = m_nodes.find(node);
    if (it == m_nodes.end()) return;
    Unlink(it->second);
    std::vector<TreeNode> doomed{node};
    while (!doomed.empty()) {
        const TreeNode current = doomed.back();
        doomed.pop_back();
        const auto found = m_nodes.find(current);
        for (TreeNode child = found->second.children.first; child != nullptr; child = m_nodes.at(child).next)
            doomed.push_back(child);
        m_nodes.erase(found);
    }
}

void CTreeMirror::Clear()
{
    m_nodes.clear();
    m_roots = Links{};
}

void CTreeMirror::SetData(TreeNode node, TagKey data)
{
    const auto it = m_nodes.find(node);
    if (it != m_nodes.end()) it->second.data = data;
}

void CTreeMirror::Reorder(TreeNode parent, const std::vector<TreeNode>& order)
{
    Links* siblings = ChildrenOf(parent);
    std::size_t count = 0;
    for (TreeNode child = siblings->first; child != nullptr; child = m_nodes.at(child).next) ++count;
    if (count != order.size()) throw std::logic_error("CTreeMirror: a reorder must keep the children");
    TreeNode previous = nullptr;
    for (TreeNode node : order) {
        Node& entry = m_nodes.at(node);
        if (entry.parent != parent) throw std::logic_error("CTreeMirror: not a child");
        entry.prev = previous;
        if (previous != nullptr) m_nodes.at(previous).next = node;
        previous = node;
    }
    if (previous != nullptr) m_nodes.at(previous).next = nullptr;
    siblings->first = order.empty() ? nullptr : order.front();
    siblings->last = previous;
}

TreeNode CTreeMirror::FirstChild(TreeNode parent) const
{
    if (parent == nullptr) return m_roots.first;
    const Node* node = Find(parent);
    return node ? node->children.first : nullptr;
}

TreeNode CTreeMirror::NextSibling(TreeNode node) const
{
    const Node* entry = Find(node);
    return entry ? entry->next : nullptr;
}

TreeNode CTreeMirror::Parent(TreeNode node) const
{
    const Node* entry = Find(node);
    return entry ? entry->parent : nullptr;
}

const std::string& CTreeMirror::Text(TreeNode node) const
{
    static const std::string none;
    const Node* entry = Find(node);
    return entry ? entry->text : none;
}

TagKey CTreeMirror::Data(TreeNode node) const
{
    const Node* entry = Find(node);
    return entry ? entry->data : 0;
}

std::string DumpTree(const ITreeModel& tree)
{
    std::string out;
    std::vector<TreeNode> path;  // the ancestors of the node at hand, for its depth
    TreeNode node = tree.FirstChild(nullptr);
    while (node != nullptr) {
        char key[16];
        std::snprintf(key, sizeof key, "%08X", static_cast<unsigned>(tree.Data(node)));
        out.append(path.size() * 2, ' ');
        out += '"';
        out += tree.Text(node);
        out += "\" ";
        out += key;
        out += '\n';
        if (TreeNode child = tree.FirstChild(node)) {
            path.push_back(node);
            node = child;
            continue;
        }
        node = tree.NextSibling(node);
        while (node == nullptr && !path.empty()) {
            node = tree.NextSibling(path.back());
            path.pop_back();
        }
    }
    return out;
}

TreeNode CTreeMirrorView::ReadOnly() { throw std::logic_error("CTreeMirrorView: the view only reads"); }
