#include "tree/MemoryTree.h"

#include "tree/TreeCollation.h"

#include <algorithm>
#include <cstdio>
#include <stdexcept>
#include <utility>

struct CMemoryTree::Node {
    Node* parent = nullptr;
    std::vector<std::unique_ptr<Node>> children;
    std::size_t index = 0;  // position among the parent's children
    std::string text;
    TagKey data = 0;
    // The children stand in sorted-insertion order, so the insertion point can be found by
    // binary search with the same result as the control's walk over the siblings.
    bool childrenInOrder = true;
};

CMemoryTree::CMemoryTree() : m_root(std::make_unique<Node>()) {}
CMemoryTree::~CMemoryTree() = default;

TreeNode CMemoryTree::Handle(const Node* node)
{
    return reinterpret_cast<TreeNode>(const_cast<Node*>(node));
}

bool CMemoryTree::IsValid(TreeNode node) const
{
    return node != nullptr && m_live.count(reinterpret_cast<const Node*>(node)) != 0;
}

CMemoryTree::Node* CMemoryTree::Get(TreeNode node) const
{
    if (!IsValid(node))
        throw std::invalid_argument("CMemoryTree: invalid node handle");
    return reinterpret_cast<Node*>(node);
}

CMemoryTree::Node* CMemoryTree::ParentOrRoot(TreeNode parent) const
{
    return parent == nullptr ? m_root.get() : Get(parent);
}

TreeNode CMemoryTree::FirstChild(TreeNode parent) const
{
    ++m_stats.firstChild;
    const Node* p = ParentOrRoot(parent);
    return p->children.empty() ? nullptr : Handle(p->children.front().get());
}

TreeNode CMemoryTree::NextSibling(TreeNode node) const
{
    ++m_stats.nextSibling;
    const Node* n = Get(node);
    const auto& siblings = n->parent->children;
    return n->index + 1 < siblings.size() ? Handle(siblings[n->index + 1].get()) : nullptr;
}

TreeNode CMemoryTree::Parent(TreeNode node) const
{
    const Node* n = Get(node);
    return n->parent == m_root.get() ? nullptr : Handle(n->parent);
}

bool CMemoryTree::HasChildren(TreeNode node) const { return !Get(node)->children.empty(); }

std::string CMemoryTree::Text(TreeNode node) const
{
    ++m_stats.text;
    return Get(node)->text;
}

TagKey CMemoryTree::Data(TreeNode node) const { return Get(node)->data; }

void CMemoryTree::SetData(TreeNode node, TagKey data) { Get(node)->data = data; }

void CMemoryTree::Renumber(Node& parent, std::size_t from)
{
    for (std::size_t i = from; i < parent.children.size(); ++i)
        parent.children[i]->index = i;
}

TreeNode CMemoryTree::Insert(TreeNode parent, const std::string& text, TagKey data,
                             InsertAt where)
{
    ++m_stats.inserts;
    Node* p = ParentOrRoot(parent);
    auto& siblings = p->children;

    std::size_t pos = siblings.size();
    if (where == InsertAt::Sorted) {
        // Before the first sibling that sorts after the text, or right after an identical one.
        auto precedes = [](const std::unique_ptr<Node>& sibling, const std::string& t) {
            return CompareTextForInsertion(t, sibling->text) > 0;
        };
        if (p->childrenInOrder) {
            pos = static_cast<std::size_t>(
                std::lower_bound(siblings.begin(), siblings.end(), text, precedes) -
                siblings.begin());
        } else {
            pos = 0;
            while (pos < siblings.size() && precedes(siblings[pos], text))
                ++pos;
        }
        if (pos < siblings.size() && CompareTextForInsertion(text, siblings[pos]->text) == 0)
            ++pos;
    } else if (!siblings.empty() && CompareTextForInsertion(siblings.back()->text, text) > 0) {
        p->childrenInOrder = false;
    }

    auto node = std::make_unique<Node>();
    node->parent = p;
    node->text = text;
    node->data = data;
    Node* raw = node.get();
    siblings.insert(siblings.begin() + static_cast<std::ptrdiff_t>(pos), std::move(node));
    Renumber(*p, pos);
    m_live.insert(raw);
    return Handle(raw);
}

void CMemoryTree::Forget(const Node& node)
{
    for (const auto& child : node.children)
        Forget(*child);
    m_live.erase(&node);
}

void CMemoryTree::Delete(TreeNode node)
{
    ++m_stats.deletes;
    Node* n = Get(node);
    Node* p = n->parent;
    const std::size_t pos = n->index;
    Forget(*n);
    p->children.erase(p->children.begin() + static_cast<std::ptrdiff_t>(pos));
    Renumber(*p, pos);
}

void CMemoryTree::DeleteAll()
{
    ++m_stats.deletes;
    m_root->children.clear();
    m_root->childrenInOrder = true;
    m_live.clear();
}

bool CMemoryTree::InInsertionOrder(const Node& parent)
{
    const auto& c = parent.children;
    for (std::size_t i = 1; i < c.size(); ++i)
        if (CompareTextForInsertion(c[i - 1]->text, c[i]->text) > 0)
            return false;
    return true;
}

void CMemoryTree::SortChildrenByText(TreeNode parent)
{
    Node* p = ParentOrRoot(parent);
    std::stable_sort(p->children.begin(), p->children.end(),
                     [](const std::unique_ptr<Node>& a, const std::unique_ptr<Node>& b) {
                         return CompareTextNoCase(a->text, b->text) < 0;
                     });
    Renumber(*p, 0);
    p->childrenInOrder = InInsertionOrder(*p);
}

void CMemoryTree::SortChildrenAsInserted(TreeNode parent)
{
    Node* p = ParentOrRoot(parent);
    std::stable_sort(p->children.begin(), p->children.end(),
                     [](const std::unique_ptr<Node>& a, const std::unique_ptr<Node>& b) {
                         return CompareTextForInsertion(a->text, b->text) < 0;
                     });
    Renumber(*p, 0);
    p->childrenInOrder = true;
}

void CMemoryTree::SortChildrenByData(TreeNode parent, int (*compare)(TagKey, TagKey))
{
    Node* p = ParentOrRoot(parent);
    std::stable_sort(p->children.begin(), p->children.end(),
                     [compare](const std::unique_ptr<Node>& a, const std::unique_ptr<Node>& b) {
                         return compare(a->data, b->data) < 0;
                     });
    Renumber(*p, 0);
    p->childrenInOrder = InInsertionOrder(*p);
}

void CMemoryTree::BeginBulkUpdate()
{
    ++m_stats.bulkBegins;
    ++m_bulkDepth;
}

void CMemoryTree::EndBulkUpdate()
{
    if (m_bulkDepth == 0)
        throw std::logic_error("CMemoryTree: EndBulkUpdate without BeginBulkUpdate");
    --m_bulkDepth;
}

std::string CMemoryTree::Dump() const
{
    std::string out;
    std::vector<std::pair<const Node*, int>> stack;
    for (auto it = m_root->children.rbegin(); it != m_root->children.rend(); ++it)
        stack.emplace_back(it->get(), 0);
    while (!stack.empty()) {
        const auto [node, depth] = stack.back();
        stack.pop_back();
        char key[16];
        std::snprintf(key, sizeof key, "%08X", static_cast<unsigned>(node->data));
        out.append(static_cast<std::size_t>(depth) * 2, ' ');
        out += '"';
        out += node->text;
        out += "\" ";
        out += key;
        out += '\n';
        for (auto it = node->children.rbegin(); it != node->children.rend(); ++it)
            stack.emplace_back(it->get(), depth + 1);
    }
    return out;
}
