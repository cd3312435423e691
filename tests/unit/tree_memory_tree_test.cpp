// The in-memory tree's collation and sorts, on which every other tree test relies, and the
// promise that a bulk insertion sorted once per parent equals sorted insertion.
#include "tree/MemoryTree.h"
#include "tree/TreeCollation.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

std::vector<std::string> ChildTexts(const CMemoryTree& tree, TreeNode parent)
{
    std::vector<std::string> texts;
    for (TreeNode n = tree.FirstChild(parent); n != nullptr; n = tree.NextSibling(n))
        texts.push_back(tree.Text(n));
    return texts;
}

TEST(TreeCollation, OrdersLikeTheControl)
{
    struct Case {
        const char* a;
        const char* b;
        int noCase;     // sign of CompareTextNoCase
        int insertion;  // sign of CompareTextForInsertion
    };
    const Case cases[] = {
        {"abc", "ABD", -1, -1},       // letters decide before case
        {"abc", "ABC", 0, -1},        // equal but for case: lowercase first
        {"aBc", "abC", 0, 1},         // the first difference in case decides
        {"ab", "ABC", -1, -1},        // a prefix first
        {"", "a", -1, -1},
        {"x", "x", 0, 0},             // only identical texts are equal for insertion
        {"Z9", "z_", -1, -1},         // digits before the underscore
        // Windows-1251: A (C0) / a (E0), YO (A8) / yo (B8), Latin before Cyrillic.
        {"\xC0\xC1", "\xE0\xE1", 0, 1},
        {"\xA8", "\xB8", 0, 1},
        {"z", "\xE0", -1, -1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.a) + " vs " + c.b);
        const int noCase = CompareTextNoCase(c.a, c.b);
        const int insertion = CompareTextForInsertion(c.a, c.b);
        EXPECT_EQ((noCase > 0) - (noCase < 0), c.noCase);
        EXPECT_EQ((insertion > 0) - (insertion < 0), c.insertion);
        // Both orders are antisymmetric.
        EXPECT_EQ(CompareTextNoCase(c.b, c.a) > 0, noCase < 0);
        EXPECT_EQ(CompareTextForInsertion(c.b, c.a) > 0, insertion < 0);
    }
}

TEST(MemoryTree, SortedInsertionPlacesLikeTheControlWalk)
{
    CMemoryTree tree;
    for (const char* t : {"b", "a", "C", "B", "c", "b"})
        tree.Insert(nullptr, t, 0, InsertAt::Sorted);
    // Case variants lowercase first; an identical text right after the first identical one.
    EXPECT_EQ(ChildTexts(tree, nullptr),
              (std::vector<std::string>{"a", "b", "b", "B", "c", "C"}));

    // Once the order is broken (an append out of order) the walk still decides: a new
    // text goes before the first sibling that sorts after it.
    CMemoryTree unsorted;
    for (const char* t : {"m", "z", "c"})
        unsorted.Insert(nullptr, t, 0, InsertAt::Last);
    unsorted.Insert(nullptr, "p", 0, InsertAt::Sorted);
    EXPECT_EQ(ChildTexts(unsorted, nullptr), (std::vector<std::string>{"m", "p", "z", "c"}));
}

TEST(MemoryTree, SortsKeepTheOrderOfEqualChildren)
{
    CMemoryTree tree;
    tree.Insert(nullptr, "Beta", 2, InsertAt::Last);
    tree.Insert(nullptr, "alpha", 1, InsertAt::Last);
    tree.Insert(nullptr, "BETA", 1, InsertAt::Last);
    tree.Insert(nullptr, "beta", 2, InsertAt::Last);

    tree.SortChildrenByText(nullptr);  // ignores case, keeps the three betas in their order
    EXPECT_EQ(ChildTexts(tree, nullptr),
              (std::vector<std::string>{"alpha", "Beta", "BETA", "beta"}));

    tree.SortChildrenByData(nullptr, [](TagKey a, TagKey b) {
        return a == b ? 0 : (a < b ? -1 : 1);
    });
    EXPECT_EQ(ChildTexts(tree, nullptr),
              (std::vector<std::string>{"alpha", "BETA", "Beta", "beta"}));

    tree.SortChildrenAsInserted(nullptr);
    EXPECT_EQ(ChildTexts(tree, nullptr),
              (std::vector<std::string>{"alpha", "beta", "Beta", "BETA"}));
}

TEST(MemoryTree, AppendingAndSortingOnceEqualsSortedInsertion)
{
    // Distinct texts with every case variant of a few words, in many insertion orders.
    std::vector<std::string> texts = {"ab", "aB", "Ab", "AB", "a", "A", "b", "_x", "x1", "X1",
                                      "", "\xE0\xE1", "\xC0\xE1", "\xC0\xC1", "z"};
    std::mt19937 random(12345);
    for (int round = 0; round < 50; ++round) {
        std::shuffle(texts.begin(), texts.end(), random);
        CMemoryTree sorted, appended;
        for (const std::string& t : texts) {
            sorted.Insert(nullptr, t, static_cast<TagKey>(t.size()), InsertAt::Sorted);
            appended.Insert(nullptr, t, static_cast<TagKey>(t.size()), InsertAt::Last);
        }
        appended.SortChildrenAsInserted(nullptr);
        ASSERT_EQ(appended.Dump(), sorted.Dump()) << "round " << round;
    }
}

TEST(MemoryTree, DeletingRemovesTheSubtreeAndInvalidatesItsHandles)
{
    CMemoryTree tree;
    TreeNode dev = tree.Insert(nullptr, "dev", 1, InsertAt::Sorted);
    TreeNode group = tree.Insert(dev, "g", 2, InsertAt::Sorted);
    TreeNode tag = tree.Insert(group, "t", 3, InsertAt::Sorted);
    TreeNode other = tree.Insert(nullptr, "other", 4, InsertAt::Sorted);

    tree.Delete(group);
    EXPECT_FALSE(tree.HasChildren(dev));
    EXPECT_FALSE(tree.IsValid(tag));
    EXPECT_THROW(tree.Text(tag), std::invalid_argument);
    EXPECT_EQ(tree.NextSibling(dev), other);
    EXPECT_EQ(tree.NodeCount(), 2u);

    tree.DeleteAll();
    EXPECT_EQ(tree.FirstChild(nullptr), nullptr);
    EXPECT_FALSE(tree.IsValid(dev));
}

}  // namespace
