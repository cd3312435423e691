#include <gtest/gtest.h>

#include <string>

#include "search/SearchTexts.h"

namespace {

TEST(SearchTexts, ProgressTitleShowsRangeAsEntered)
{
    EXPECT_EQ(FormatProgressTitle("Search %d to %d (%d/%d)", 200, 10, 10),
              "Search 200 to 10 (10/10)");
    // Only %d and %% are filled; nothing reads beyond the four numbers.
    EXPECT_EQ(FormatIntegers("%s %d%% %x %d %d", {1, 2}), "%s 1% %x 2 ");
    EXPECT_EQ(FormatIntegers("tail %", {}), "tail %");
    const std::string title = FormatProgressTitle(std::string(120, 'T') + " %d", 1, 2, 3);
    EXPECT_EQ(title, std::string(kSearchTextMax, 'T'));
}

TEST(SearchTexts, FoundEntries)
{
    EXPECT_EQ(FormatFoundEntry(true, "Meter", "server", 5, "(unsupported)"), "Meter(005)");
    EXPECT_EQ(FormatFoundEntry(true, "Meter", "", 42, ""), "Meter(042)");
    EXPECT_EQ(FormatFoundEntry(false, "", "Box", 1, "(unsupported)"), "Box(001)(unsupported)");
    EXPECT_EQ(FormatFoundEntry(true, "M", "", 255, ""), "M(255)");

    // A long server text is shortened so that address and note stay readable.
    const std::string entry =
        FormatFoundEntry(false, "", std::string(100, 'S'), 7, "(unsupported)");
    EXPECT_EQ(entry.size(), kSearchTextMax);
    EXPECT_EQ(entry.substr(entry.size() - 18), "(007)(unsupported)");

    const std::string hugeSuffix(150, 'u');
    EXPECT_EQ(FormatFoundEntry(false, "", "S", 7, hugeSuffix).size(), kSearchTextMax);
}

TEST(SearchTexts, ItemDataKeepsTypeAndAddressApart)
{
    const std::uint32_t data = MakeFoundItemData(255, 247);
    EXPECT_EQ(data, 247u << 16 | 255u << 8);
    EXPECT_EQ(FoundItemType(data), 255);
    EXPECT_EQ(FoundItemAddress(data), 247);
    // A type code beyond 8 bits must not spill into the address bits.
    EXPECT_EQ(FoundItemAddress(MakeFoundItemData(0x1FF, 3)), 3);
}

}  // namespace
