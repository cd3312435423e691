#include "ui/TreeViewModel.h"

#include <algorithm>
#include <vector>

#include "ui/Text.h"

TreeNode CTreeViewModel::FirstChild(TreeNode parent) const
{
    if (m_mirror) return m_mirror->FirstChild(parent);
    return Node(parent ? m_tree.GetChildItem(Item(parent)) : m_tree.GetRootItem());
}

TreeNode CTreeViewModel::NextSibling(TreeNode node) const
{
    if (m_mirror) return m_mirror->NextSibling(node);
    return Node(m_tree.GetNextSiblingItem(Item(node)));
}

TreeNode CTreeViewModel::Parent(TreeNode node) const
{
    if (m_mirror) return m_mirror->Parent(node);
    return Node(m_tree.GetParentItem(Item(node)));
}

bool CTreeViewModel::HasChildren(TreeNode node) const { return FirstChild(node) != nullptr; }

std::string CTreeViewModel::Text(TreeNode node) const
{
    if (m_mirror) return m_mirror->Text(node);
    return m_tree.GetItemText(Item(node));
}

TagKey CTreeViewModel::Data(TreeNode node) const
{
    if (m_mirror) return m_mirror->Data(node);
    return static_cast<TagKey>(m_tree.GetItemData(Item(node)));
}

TreeNode CTreeViewModel::Insert(TreeNode parent, const std::string& text, TagKey data, InsertAt where)
{
    HTREEITEM item = m_tree.InsertItem(text, parent ? Item(parent) : TVI_ROOT,
                                       where == InsertAt::Sorted ? TVI_SORT : TVI_LAST);
    if (item == nullptr) return nullptr;
    m_tree.SetItemData(item, data);
    if (m_mirror) {
        if (where == InsertAt::Last)
            m_mirror->Append(parent, Node(item), text, data);
        else  // the control chose the place: one question tells it
            m_mirror->InsertAfter(parent, Node(m_tree.GetNextItem(item, TVGN_PREVIOUS)), Node(item), text, data);
    }
    return Node(item);
}

void CTreeViewModel::SetData(TreeNode node, TagKey data)
{
    m_tree.SetItemData(Item(node), data);
    if (m_mirror) m_mirror->SetData(node, data);
}

void CTreeViewModel::Delete(TreeNode node)
{
    if (m_tree.DeleteItem(Item(node)) && m_mirror) m_mirror->Remove(node);
}

void CTreeViewModel::DeleteAll()
{
    m_tree.DeleteAllItems();
    if (m_mirror) m_mirror->Clear();
}

void CTreeViewModel::SortChildrenByText(TreeNode parent)
{
    m_tree.SortChildren(parent ? Item(parent) : TVI_ROOT);
    MirrorChildOrder(parent);
}

void CTreeViewModel::MirrorChildOrder(TreeNode parent)
{
    if (!m_mirror) return;
    std::vector<TreeNode> order;
    HTREEITEM child = parent ? m_tree.GetChildItem(Item(parent)) : m_tree.GetRootItem();
    for (; child != nullptr; child = m_tree.GetNextSiblingItem(child)) order.push_back(Node(child));
    m_mirror->Reorder(parent, order);
}

void CTreeViewModel::SortChildrenAsInserted(TreeNode parent)
{
    // The control's sorted insertion (TVI_SORT) places an item by lstrcmpW: alphabetical,
    // and of names equal but for letter case the lower-case one first.
    ReorderChildren(parent, [](const Child& a, const Child& b) {
        return lstrcmpW(Widen(a.text).c_str(), Widen(b.text).c_str()) < 0;
    });
}

void CTreeViewModel::SortChildrenByData(TreeNode parent, int (*compare)(TagKey a, TagKey b))
{
    ReorderChildren(parent, [compare](const Child& a, const Child& b) { return compare(a.data, b.data) < 0; });
}

static int CALLBACK CompareRanks(LPARAM a, LPARAM b, LPARAM)
{
    return a < b ? -1 : (a > b ? 1 : 0);
}

void CTreeViewModel::ReorderChildren(TreeNode parent,
                                     const std::function<bool(const Child&, const Child&)>& less)
{
    std::vector<Child> children;
    for (TreeNode child = FirstChild(parent); child != nullptr; child = NextSibling(child))
        children.push_back({Item(child), Text(child), Data(child)});
    if (children.size() < 2) return;

    std::stable_sort(children.begin(), children.end(), less);
    for (size_t rank = 0; rank < children.size(); ++rank)
        m_tree.SetItemData(children[rank].item, static_cast<DWORD_PTR>(rank));
    TVSORTCB sort = {};
    sort.hParent = parent ? Item(parent) : TVI_ROOT;
    sort.lpfnCompare = &CompareRanks;
    m_tree.SortChildrenCB(&sort);
    for (const Child& child : children) m_tree.SetItemData(child.item, child.data);
    if (m_mirror) {
        // The ranks are distinct, so the control's order is exactly the computed one.
        std::vector<TreeNode> order;
        order.reserve(children.size());
        for (const Child& child : children) order.push_back(Node(child.item));
        m_mirror->Reorder(parent, order);
    }
}

void CTreeViewModel::BeginBulkUpdate()
{
    if (m_bulkDepth++ == 0) m_tree.SetRedraw(FALSE);
}

void CTreeViewModel::EndBulkUpdate()
{
    if (m_bulkDepth > 0 && --m_bulkDepth == 0) m_tree.SetRedraw(TRUE);
}
