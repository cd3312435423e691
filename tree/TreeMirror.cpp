#include "tree/TreeMirror.h"

#include <cstdio>
#include <stdexcept>

CTreeMirror::Node* CTreeMirror::Find(TreeNode node)
{
    const auto it = m_nodes.find(node);
    return it == m_nodes.end() ? nullptr : &it->second;
}

const CTreeMirror::Node* CTreeMirror::Find(TreeNode node) const
{
    const auto it = m_nodes.find(node);
    return it == m_nodes.end() ? nullptr : &it->second;
}

void CTreeMirror::InsertAfter(TreeNode parent, TreeNode after, TreeNode node, const std::string& text, TagKey data)
{
    if (node == nullptr || Contains(node)) throw std::logic_error("CTreeMirror: node recorded twice");
    Node* up = nullptr;
    if (parent != nullptr && (up = Find(parent)) == nullptr) throw std::logic_error("CTreeMirror: unknown parent");
    Node* previous = nullptr;
    if (after != nullptr && ((previous = Find(after)) == nullptr || previous->parent != up))
        throw std::logic_error("CTreeMirror: not a sibling");

    Node& entry = m_nodes[node];
    entry.handle = node;
    entry.parent = up;
    entry.text = text;
    entry.data = data;
    entry.prev = previous;
    entry.next = previous ? previous->next : FirstOf(up);
    (entry.next ? entry.next->prev : LastOf(up)) = &entry;
    (previous ? previous->next : FirstOf(up)) = &entry;
}

void CTreeMirror::Append(TreeNode parent, TreeNode node, const std::string& text, TagKey data)
{
    Node* up = parent ? Find(parent) : nullptr;
    if (parent != nullptr && up == nullptr) throw std::logic_error("CTreeMirror: unknown parent");
    const Node* last = LastOf(up);
    InsertAfter(parent, last ? last->handle : nullptr, node, text, data);
}

void CTreeMirror::Unlink(Node& node)
{
    (node.prev ? node.prev->next : FirstOf(node.parent)) = node.next;
    (node.next ? node.next->prev : LastOf(node.parent)) = node.prev;
    node.prev = node.next = nullptr;
}

void CTreeMirror::Remove(TreeNode node)
{
    Node* entry = Find(node);
    if (entry == nullptr) return;
    Unlink(*entry);
    std::vector<Node*> doomed{entry};
    while (!doomed.empty()) {
        Node* current = doomed.back();
        doomed.pop_back();
        for (Node* child = current->first; child != nullptr; child = child->next) doomed.push_back(child);
        m_nodes.erase(current->handle);
    }
}

void CTreeMirror::Clear()
{
    m_nodes.clear();
    m_first = m_last = nullptr;
}

void CTreeMirror::SetData(TreeNode node, TagKey data)
{
    if (Node* entry = Find(node)) entry->data = data;
}

void CTreeMirror::Reorder(TreeNode parent, const std::vector<TreeNode>& order)
{
    Node* up = parent ? Find(parent) : nullptr;
    if (parent != nullptr && up == nullptr) throw std::logic_error("CTreeMirror: unknown parent");
    std::size_t count = 0;
    for (Node* child = FirstOf(up); child != nullptr; child = child->next) ++count;
    if (count != order.size()) throw std::logic_error("CTreeMirror: a reorder must keep the children");
    std::vector<Node*> nodes;
    nodes.reserve(order.size());
    for (TreeNode handle : order) {
        Node* node = Find(handle);
        if (node == nullptr || node->parent != up) throw std::logic_error("CTreeMirror: not a child");
        nodes.push_back(node);
    }
    Node* previous = nullptr;
    for (Node* node : nodes) {
        node->prev = previous;
        if (previous) previous->next = node;
        previous = node;
    }
    if (previous) previous->next = nullptr;
    FirstOf(up) = nodes.empty() ? nullptr : nodes.front();
    LastOf(up) = previous;
}

TreeNode CTreeMirror::FirstChild(TreeNode parent) const
{
    const Node* first = parent == nullptr ? m_first : (Find(parent) ? Find(parent)->first : nullptr);
    return first ? first->handle : nullptr;
}

TreeNode CTreeMirror::NextSibling(TreeNode node) const
{
    const Node* entry = Find(node);
    return entry && entry->next ? entry->next->handle : nullptr;
}

TreeNode CTreeMirror::Parent(TreeNode node) const
{
    const Node* entry = Find(node);
    return entry && entry->parent ? entry->parent->handle : nullptr;
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

CTreeMirror::Cursor CTreeMirror::CursorOf(TreeNode node) const { return node ? Find(node) : nullptr; }
CTreeMirror::Cursor CTreeMirror::FirstChildOf(Cursor parent) const { return parent ? parent->first : m_first; }
CTreeMirror::Cursor CTreeMirror::NextSiblingOf(Cursor node) { return node->next; }
CTreeMirror::Cursor CTreeMirror::ParentOf(Cursor node) { return node->parent; }
TreeNode CTreeMirror::HandleOf(Cursor node) { return node ? node->handle : nullptr; }
const std::string& CTreeMirror::TextOf(Cursor node) { return node->text; }
TagKey CTreeMirror::DataOf(Cursor node) { return node->data; }

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
