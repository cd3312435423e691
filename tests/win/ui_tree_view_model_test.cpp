// The tree algorithms on the real tree-view control: appending and sorting once must give
// exactly the tree that sorted insertion gives (the add-tags dialog relies on it), and
// the stable sorts keep equal elements in order.
#include <windows.h>
#include <commctrl.h>

#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "TreeReader.h"
#include "tree/AddTagTreeBuilder.h"
#include "ui/Controls.h"
#include "ui/TreeViewModel.h"

namespace {

// A hidden tree-view window for one test.
class CScratchTree {
public:
    CScratchTree()
    {
        m_tree.Attach(CreateWindowExW(0, WC_TREEVIEWW, L"", WS_POPUP | TVS_HASBUTTONS, 0, 0, 200, 200, nullptr,
                                      nullptr, GetModuleHandleW(nullptr), nullptr));
    }
    ~CScratchTree() { DestroyWindow(m_tree.Detach()); }
    CTreeCtrl& Ctrl() { return m_tree; }

private:
    CTreeCtrl m_tree;
};

std::vector<TreeLine> Build(InsertAt where, const std::vector<std::string>& names)
{
    CScratchTree scratch;
    CTreeViewModel model(scratch.Ctrl());
    std::vector<int> numbers;
    for (size_t i = 0; i < names.size(); ++i) numbers.push_back(static_cast<int>(i) + 1);
    BuildAddTagTree(model, 5, 7, numbers,
                    [&](int, int, int number) { return "Dev(005)." + names[static_cast<size_t>(number) - 1]; },
                    where);
    return ReadTree(scratch.Ctrl());
}

TEST(TreeControl, AppendThenSortEqualsSortedInsertion)
{
    // Case variants, a name beside its own group (A beside A.B), digits and punctuation,
    // Cyrillic in Windows-1251, empty pieces.
    const std::vector<std::string> names = {
        "b",     "B",      "a.x",  "A.x",   "A",        "A.B",       "a",      "Zeta.1", "zeta.2", "Alpha",
        "alpha", "ALPHA",  "x_1",  "x-1",   "x1",       "10",        "9",      "Ток",    "ток",    "Напряжение",
        "Ж.ж",   "ж.Ж",    "Q..R", "Q.",    "Mixed.Up", "mixed.down", "MIXED.up"};
    const std::vector<TreeLine> sorted = Build(InsertAt::Sorted, names);
    const std::vector<TreeLine> appended = Build(InsertAt::Last, names);
    EXPECT_EQ(appended, sorted) << "sorted insertion:\n" << DescribeTree(sorted) << "append then sort:\n"
                                << DescribeTree(appended);
    EXPECT_GT(sorted.size(), names.size());
}

TEST(TreeControl, GroupsComeBeforeParametersAtEveryLevel)
{
    const std::vector<TreeLine> lines = Build(InsertAt::Last, {"z", "a.b", "m", "c.d.e", "c.a"});
    std::vector<std::string> shown;
    for (const TreeLine& line : lines) shown.push_back(std::string(static_cast<size_t>(line.level) * 2, ' ') + line.text);
    EXPECT_EQ(shown, (std::vector<std::string>{"Dev(005)", "  a", "    b", "  c", "    d", "      e", "    a", "  m",
                                                 "  z"}));
}

}  // namespace
