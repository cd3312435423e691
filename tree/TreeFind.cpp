#include "tree/TreeFind.h"

#include <algorithm>
#include <array>
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

bool CTextMatcher::MatchesFolded(std::string_view folded) const
{
    return !m_needle.empty() && folded.find(m_needle) != std::string_view::npos;
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

void AppendFolded(std::string& out, const std::string& text)
{
    static const auto fold = [] {
        std::array<char, 256> table{};
        for (int c = 0; c < 256; ++c)
            table[static_cast<std::size_t>(c)] = static_cast<char>(FoldCase1251(static_cast<unsigned char>(c)));
        return table;
    }();
    const std::size_t at = out.size();
    out.resize(at + text.size());
    for (std::size_t i = 0; i < text.size(); ++i)
        out[at + i] = fold[static_cast<unsigned char>(text[i])];
}

// The tree interface as the walker reads it.
struct ModelReader {
    using Cursor = TreeNode;
    const ITreeModel& tree;
    Cursor CursorOf(TreeNode node) const { return node; }
    TreeNode Handle(Cursor c) const { return c; }
    Cursor FirstChild(Cursor c) const { return tree.FirstChild(c); }
    Cursor NextSibling(Cursor c) const { return tree.NextSibling(c); }
    Cursor Parent(Cursor c) const { return tree.Parent(c); }
    std::string Text(Cursor c) const { return tree.Text(c); }
    TagKey Data(Cursor c) const { return tree.Data(c); }
};

// The mirror read by its own links: no lookup a step.
struct MirrorReader {
    using Cursor = CTreeMirror::Cursor;
    const CTreeMirror& mirror;
    Cursor CursorOf(TreeNode node) const { return mirror.CursorOf(node); }
    TreeNode Handle(Cursor c) const { return CTreeMirror::HandleOf(c); }
    Cursor FirstChild(Cursor c) const { return mirror.FirstChildOf(c); }
    Cursor NextSibling(Cursor c) const { return CTreeMirror::NextSiblingOf(c); }
    Cursor Parent(Cursor c) const { return CTreeMirror::ParentOf(c); }
    const std::string& Text(Cursor c) const { return CTreeMirror::TextOf(c); }
    TagKey Data(Cursor c) const { return CTreeMirror::DataOf(c); }
};

// Walks the tree in depth-first order keeping the full name of the current node (the texts
// from the root down joined by "."), folded to lower case as it is built: one node costs
// reading and folding its own text, and a match is a plain search in folded bytes.
template <class Reader>
class CPathWalker {
public:
    using Cursor = typename Reader::Cursor;
    explicit CPathWalker(const Reader& tree) : m_tree(tree) {}

    void StartAtFirstRoot()
    {
        Clear();
        m_node = m_tree.FirstChild(Cursor{});
        if (m_node != Cursor{})
            Push(m_node);
    }

    void StartAt(Cursor node)
    {
        Clear();
        m_node = node;
        std::vector<Cursor> path;
        for (Cursor n = node; n != Cursor{}; n = m_tree.Parent(n))
            path.push_back(n);
        for (auto it = path.rbegin(); it != path.rend(); ++it)
            Push(*it);
    }

    // Moves to the next node in depth-first order; false after the last one.
    bool Next()
    {
        if (Cursor child = m_tree.FirstChild(m_node)) {
            m_node = child;
            Push(child);
            return true;
        }
        while (m_node != Cursor{}) {
            Pop();
            if (Cursor next = m_tree.NextSibling(m_node)) {
                m_node = next;
                Push(next);
                return true;
            }
            m_node = m_tree.Parent(m_node);
        }
        return false;
    }

    Cursor Node() const { return m_node; }
    std::size_t Depth() const { return m_starts.size(); }
    // The node's own text and its full name, folded.
    std::string_view Text() const { return std::string_view(m_full).substr(m_starts.back()); }
    std::string_view FullName() const { return m_full; }

private:
    void Clear()
    {
        m_full.clear();
        m_starts.clear();
    }
    void Push(Cursor node)
    {
        if (!m_starts.empty())
            m_full += '.';
        m_starts.push_back(m_full.size());
        AppendFolded(m_full, m_tree.Text(node));
    }
    void Pop()
    {
        const std::size_t start = m_starts.back();
        m_starts.pop_back();
        m_full.resize(start == 0 ? 0 : start - 1);  // the "." before it goes too
    }

    const Reader& m_tree;
    Cursor m_node{};
    std::string m_full;
    std::vector<std::size_t> m_starts;  // where each level's text begins in m_full
};

template <class Reader>
TreeNode FindNext(const Reader& tree, TreeNode fromHandle, const std::string& needle)
{
    using Cursor = typename Reader::Cursor;
    const CTextMatcher matcher(needle);
    if (matcher.Empty())
        return nullptr;
    const Cursor from = tree.CursorOf(fromHandle);

    const auto matches = [&](const CPathWalker<Reader>& walker) {
        // The node's text ends its full name: a name that does not hold the needle has
        // no text that does.
        if (!matcher.MatchesFolded(walker.FullName()))
            return false;
        if (matcher.MatchesFolded(walker.Text()))
            return true;
        return walker.Depth() > 1 && GetNodeKind(tree.Data(walker.Node())) == NodeKind::Tag;
    };

    CPathWalker<Reader> walker(tree);
    bool wrapped = false;
    if (from == Cursor{}) {
        walker.StartAtFirstRoot();
        wrapped = true;  // the whole tree lies ahead: nothing to wrap to
        if (walker.Node() == Cursor{})
            return nullptr;
        if (matches(walker))
            return tree.Handle(walker.Node());
    } else {
        walker.StartAt(from);
    }
    for (;;) {
        if (!walker.Next()) {
            if (wrapped)
                return nullptr;
            wrapped = true;
            walker.StartAtFirstRoot();
            if (walker.Node() == Cursor{})
                return nullptr;
        }
        if (matches(walker))
            return tree.Handle(walker.Node());
        if (wrapped && walker.Node() == from)
            return nullptr;
    }
}

}  // namespace

TreeNode FindNextNode(const ITreeModel& tree, TreeNode from, const std::string& needle)
{
    return FindNext(ModelReader{tree}, from, needle);
}

TreeNode FindNextNode(const CTreeMirror& tree, TreeNode from, const std::string& needle)
{
    return FindNext(MirrorReader{tree}, from, needle);
}
