// Find in the configuration tree: the depth-first order from the current node, wrapping
// once, case folding for Latin and Cyrillic, full tag names.
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "tree/MemoryTree.h"
#include "tree/TagPath.h"
#include "tree/TreeFind.h"
#include "tree_test_support.h"

namespace {

// Two devices; Cyrillic names in mixed case.
//   Счётчик(005)  Напряжение 1, Фаза.A 2, Фаза.B 3
//   Meter(007)    Voltage 1, Phase.a 2
class TreeFindTest : public testing::Test {
protected:
    void SetUp() override
    {
        Tag("Счётчик(005).Напряжение", 5, 9, 1);
        Tag("Счётчик(005).Фаза.A", 5, 9, 2);
        Tag("Счётчик(005).Фаза.B", 5, 9, 3);
        Tag("Meter(007).Voltage", 7, 3, 1);
        Tag("Meter(007).Phase.a", 7, 3, 2);
    }
    void Tag(const std::string& name, std::uint32_t address, std::uint32_t type, std::uint32_t param)
    {
        InsertTagPath(m_tree, name, address, type, param);
    }
    std::string TextOf(TreeNode node) const { return node ? m_tree.Text(node) : std::string("(none)"); }
    // The texts Find Next visits from the first match on, until it comes back.
    std::vector<std::string> Sequence(const std::string& needle, int steps)
    {
        std::vector<std::string> texts;
        TreeNode node = nullptr;
        for (int i = 0; i < steps; ++i) {
            node = FindNextNode(m_tree, node, needle);
            texts.push_back(TextOf(node));
        }
        return texts;
    }

    CMemoryTree m_tree;
};

TEST_F(TreeFindTest, MatcherFoldsLatinAndCyrillicIncludingYo)
{
    EXPECT_TRUE(CTextMatcher("НАПРЯЖ").Matches("Напряжение"));
    EXPECT_TRUE(CTextMatcher("напряж").Matches("НАПРЯЖЕНИЕ"));
    EXPECT_TRUE(CTextMatcher("СЧЁТ").Matches("счётчик"));
    EXPECT_TRUE(CTextMatcher("volt").Matches("VOLTAGE"));
    EXPECT_TRUE(CTextMatcher("ІЇЄҐ").Matches("іїєґ"));
    // Folding is per letter: Cyrillic "е" is not "ё", Latin "A" is not Cyrillic "А".
    EXPECT_FALSE(CTextMatcher("счет").Matches("счётчик"));
    EXPECT_FALSE(CTextMatcher("A").Matches("Фаза"));
    EXPECT_FALSE(CTextMatcher("").Matches("anything"));
    EXPECT_FALSE(CTextMatcher("longer than").Matches("short"));
}

TEST_F(TreeFindTest, NextInTreeOrderVisitsChildrenBeforeSiblings)
{
    std::vector<std::string> order;
    for (TreeNode n = NextInTreeOrder(m_tree, nullptr); n != nullptr; n = NextInTreeOrder(m_tree, n))
        order.push_back(m_tree.Text(n));
    EXPECT_EQ(order, (std::vector<std::string>{"Meter(007)", "Phase", "a", "Voltage", "Счётчик(005)",
                                               "Напряжение", "Фаза", "A", "B"}));
}

TEST_F(TreeFindTest, FindNextGoesOnFromTheCurrentNodeAndWrapsOnce)
{
    // "a" matches Latin a/A texts and Phase, Voltage; Cyrillic "а" is a different letter.
    EXPECT_EQ(Sequence("a", 6), (std::vector<std::string>{"Phase", "a", "Voltage", "A", "Phase", "a"}));
    // From the last node the search wraps to the first root.
    TreeNode last = FindPath(m_tree, {"Счётчик(005)", "Фаза", "B"});
    EXPECT_EQ(TextOf(FindNextNode(m_tree, last, "METER")), "Meter(007)");
    // The only match is the current node: found again after the full round.
    TreeNode voltage = FindPath(m_tree, {"Meter(007)", "Voltage"});
    EXPECT_EQ(FindNextNode(m_tree, voltage, "voltage"), voltage);
    EXPECT_EQ(FindNextNode(m_tree, nullptr, "нет такого"), nullptr);
    EXPECT_EQ(FindNextNode(m_tree, voltage, "нет такого"), nullptr);
    EXPECT_EQ(FindNextNode(m_tree, voltage, ""), nullptr);
    CMemoryTree empty;
    EXPECT_EQ(FindNextNode(empty, nullptr, "a"), nullptr);
}

TEST_F(TreeFindTest, TagsMatchOnTheirFullNameGroupsOnlyOnTheirText)
{
    // "фаза.b" is in the full name of the tag B only; the group Фаза's own text lacks it.
    EXPECT_EQ(Sequence("фаза.b", 2), (std::vector<std::string>{"B", "B"}));
    // A device's name finds the device, then each tag below it by its full name, but not
    // the group node between.
    EXPECT_EQ(Sequence("счётчик(005)", 5),
              (std::vector<std::string>{"Счётчик(005)", "Напряжение", "A", "B", "Счётчик(005)"}));
}

TEST_F(TreeFindTest, FromANodeNoLongerInTheTreeEndsAfterOneRound)
{
    TreeNode voltage = FindPath(m_tree, {"Meter(007)", "Voltage"});
    EXPECT_EQ(TextOf(FindNextNode(m_tree, voltage, "фаза")), "Фаза");
}

}  // namespace
