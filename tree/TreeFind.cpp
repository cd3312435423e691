#include "tree/TreeFind.h"

#include <algorithm>
#include <vector>

#include "tree/TreeCollation.h"

CTextMatcher::CTextMatcher(std::string_view needle) : m_needle(needle)
{
    for (char& c : m_needle)
        c = static_cast<char>(FoldCase1251(static_cast<unsigned char>(c)));
}

bool CTextMatcher::Matches(std::string_view text) const
{
    if (m_needle.empty() || text.size() < m_needle.size())
        return false;
    const auto equal = [](char a, char b) {
        return FoldCase1251(static_cast<unsigned char>(a)) == static_cast<unsigned char>(b);
    };
    return std::search(text.begin(), text.end(), m_needle.begin(), m_needle.end(), equal) != text.end();
}

TreeNode NextInTreeOrder(const ITreeModel& tree, TreeNode node)
{
    if (node == nullptr)
        return tree.FirstChild(nullptr);
    if (TreeNode child = tree.FirstChild(node))
        return child;
    for (; node != nullptr; node = tree.Parent(node)) {
        if (TreeNode next = tree.NextSibling(node))
            return next;
    }
    return nullptr;
}

namespace {

// Walks the tree in depth-first order keeping the texts from the root down to the
// current node, so that a tag's full name costs no extra reads of its ancestors.
class CPathWalker {
public:
    explicit CPathWalker(const ITreeModel& tree) : m_tree(tree) {}

    void StartAtFirstRoot()
    {
        m_path.clear();
        m_node = m_tree.FirstChild(nullptr);
        if (m_node != nullptr)
            m_path.push_back(m_tree.Text(m_node));
    }

    void StartAt(TreeNode node)
    {
        m_path.clear();
        m_node = node;
        for (TreeNode n = node; n != nullptr; n = m_tree.Parent(n))
            m_path.push_back(m_tree.Text(n));
        std::reverse(m_path.begin(), m_path.end());
    }

    // Moves to the next node in depth-first order; false after the last one.
    bool Next()
    {
        if (TreeNode child = m_tree.FirstChild(m_node)) {
            m_node = child;
            m_path.push_back(m_tree.Text(child));
            return true;
        }
        while (m_node != nullptr) {
            if (TreeNode next = m_tree.NextSibling(m_node)) {
                m_node = next;
                m_path.back() = m_tree.Text(next);
                return true;
            }
            m_node = m_tree.Parent(m_node);
            m_path.pop_back();
        }
        return false;
    }

    TreeNode Node() const { return m_node; }
    const std::string& Text() const { return m_path.back(); }

    std::size_t Depth() const { return m_path.size(); }

    // The texts from the root down joined by "."; the buffer is reused from node to node.
    const std::string& FullName()
    {
        m_name = m_path.front();
        for (std::size_t i = 1; i < m_path.size(); ++i) {
            m_name += '.';
            m_name += m_path[i];
        }
        return m_name;
    }

private:
    const ITreeModel& m_tree;
    TreeNode m_node = nullptr;
    std::vector<std::string> m_path;
    std::string m_name;
};

}  // namespace

TreeNode FindNextNode(const ITreeModel& tree, TreeNode from, const std::string& needle)
{
    const CTextMatcher matcher(needle);
    if (matcher.Empty())
        return nullptr;

    const auto matches = [&](CPathWalker& walker) {
        if (matcher.Matches(walker.Text()))
            return true;
        // The node's kind is read only for a name that matches: on the control every
        // read costs a message.
        return walker.Depth() > 1 && matcher.Matches(walker.FullName()) &&
               GetNodeKind(tree.Data(walker.Node())) == NodeKind::Tag;
    };

    CPathWalker walker(tree);
    bool wrapped = false;
    if (from == nullptr) {
        walker.StartAtFirstRoot();
        wrapped = true;  // the whole tree lies ahead: nothing to wrap to
        if (walker.Node() == nullptr)
            return nullptr;
        if (matches(walker))
            return walker.Node();
    } else {
        walker.StartAt(from);
    }
    for (;;) {
        if (!walker.Next()) {
            if (wrapped)
                return nullptr;
            wrapped = true;
            walker.StartAtFirstRoot();
            if (walker.Node() == nullptr)
                return nullptr;
        }
        if (matches(walker))
            return walker.Node();
        if (wrapped && walker.Node() == from)
            return nullptr;
    }
}
