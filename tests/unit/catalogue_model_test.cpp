#include <gtest/gtest.h>

#include <deque>
#include <stdexcept>
#include <string>
#include <vector>

#include "catalogue/Catalogue.h"

namespace {

CParameter Param(int number, const std::string& name, std::vector<std::string> values = {})
{
    CParameter p(name, kAccessRead, values.empty() ? kTypeInt : kTypeEnum, kMemoryRam, number * 10);
    p.m_nNumber = number;
    for (auto& v : values)
        p.m_EnumValues.AddTail(v);
    return p;
}

// Builds a device the way the reader does: each parameter inserted at the head.
CDevice Device(int typeCode, const std::string& name, std::vector<CParameter> fileOrder)
{
    CDevice d;
    d.m_nTypeCode = typeCode;
    d.m_strName = name;
    for (auto& p : fileOrder)
        d.m_Parameters.AddHead(p);
    return d;
}

class CatalogueTest : public ::testing::Test {
protected:
    void SetUp() override { FreeDeviceCatalogue(); }
    void TearDown() override { FreeDeviceCatalogue(); }
    // The loader inserts each device at the head.
    void Load(const CDevice& device) { g_DeviceCatalogue.AddHead(device); }
};

TEST_F(CatalogueTest, EveryLookupMissYieldsItsEmptyResult)
{
    EXPECT_EQ(nullptr, FindDevice(1));
    EXPECT_EQ("", GetDeviceName(1));
    EXPECT_EQ(CDevice(), GetDevice(1));
    EXPECT_EQ("", GetParameterName(1, 1));
    // No such device: the parameter built from an empty name and four zeros.
    EXPECT_EQ(CParameter("", 0, 0, 0, 0), GetParameter(1, 1));

    // The same with other devices present.
    Load(Device(3, "Drive", {Param(1, "Speed")}));
    EXPECT_EQ(CDevice(), GetDevice(4));
    EXPECT_EQ("", GetDeviceName(4));
    EXPECT_EQ("", GetParameterName(3, 2));
    EXPECT_EQ("", GetParameterName(4, 1));

    // A device without the parameter: number 0, empty name, access 1, memory 0, address 0.
    const CParameter blank = GetParameter(3, 2);
    EXPECT_EQ(0, blank.m_nNumber);
    EXPECT_EQ("", blank.m_strName);
    EXPECT_EQ(1, blank.m_nAccess);
    EXPECT_EQ(0, blank.m_nMemory);
    EXPECT_EQ(0, blank.m_nAddress);
    EXPECT_EQ(blank, FindParameter(CDevice(), 7));
}

TEST_F(CatalogueTest, TheDeviceLoadedLastWinsAmongEqualTypeCodes)
{
    Load(Device(7, "Older", {Param(1, "OldName")}));
    Load(Device(2, "Other", {}));
    Load(Device(7, "Newer", {Param(2, "OnlyInNewer")}));

    EXPECT_EQ("Newer", GetDeviceName(7));
    EXPECT_EQ("Newer", GetDevice(7).m_strName);
    ASSERT_NE(nullptr, FindDevice(7));
    EXPECT_EQ("Newer", FindDevice(7)->m_strName);
    // The parameter is looked up only in the device found, not in the older one.
    EXPECT_EQ("", GetParameterName(7, 1));
    EXPECT_EQ("OnlyInNewer", GetParameterName(7, 2));

    // Both stay in the catalogue, in the reverse of loading order.
    std::vector<std::string> names;
    for (const CDevice& d : g_DeviceCatalogue)
        names.push_back(d.m_strName);
    EXPECT_EQ((std::vector<std::string>{"Newer", "Other", "Older"}), names);
}

TEST_F(CatalogueTest, TheParameterWrittenLastWinsAmongEqualNumbers)
{
    Load(Device(1, "Meter", {Param(5, "First"), Param(6, "Six"), Param(5, "Second")}));
    EXPECT_EQ("Second", GetParameterName(1, 5));
    EXPECT_EQ("Second", GetParameter(1, 5).m_strName);
    EXPECT_EQ("Six", FindParameter(GetDevice(1), 6).m_strName);
}

TEST_F(CatalogueTest, CopiesAreDeepAndIndependent)
{
    Load(Device(4, "Meter", {Param(1, "Mode", {"Off", "On"}), Param(2, "Level")}));
    {
        CDevice copy = GetDevice(4);
        ASSERT_EQ(2u, copy.m_Parameters.GetCount());
        copy.m_strName = "Changed";
        copy.m_Parameters.GetTail().m_EnumValues.AddTail("Broken");
        copy.m_Parameters.GetTail().m_strName = "Renamed";
        copy.m_Parameters.AddHead(Param(3, "Added"));
        CParameter p = GetParameter(4, 1);
        p.m_EnumValues.RemoveAll();
    }  // the copies are destroyed here
    const CDevice* stored = FindDevice(4);
    ASSERT_NE(nullptr, stored);
    EXPECT_EQ(Device(4, "Meter", {Param(1, "Mode", {"Off", "On"}), Param(2, "Level")}), *stored);
}

// The list against a deque, through insertions at both ends that cross many block
// boundaries: the order, the ends, both directions of iteration, and that no element ever
// moved (every pointer taken right after an insertion still finds its value).
TEST(ListTest, KeepsOrderAndAddressesThroughInsertionsAtBothEnds)
{
    CList<std::string> list;
    std::deque<std::string> expected;
    std::vector<std::pair<const std::string*, std::string>> taken;
    for (int i = 0; i < 1000; ++i) {
        const std::string value = "value number " + std::to_string(i);  // beyond the small-string size
        if (i % 3 == 1) {
            list.AddTail(value);
            expected.push_back(value);
            taken.emplace_back(&list.GetTail(), value);
        } else {
            list.AddHead(value);
            expected.push_front(value);
            taken.emplace_back(&list.GetHead(), value);
        }
    }
    ASSERT_EQ(expected.size(), list.GetCount());
    EXPECT_EQ(std::vector<std::string>(expected.begin(), expected.end()),
              std::vector<std::string>(list.begin(), list.end()));
    std::vector<std::string> backwards;
    for (auto it = list.end(); it != list.begin();)
        backwards.push_back(*--it);
    EXPECT_EQ(std::vector<std::string>(expected.rbegin(), expected.rend()), backwards);
    for (const auto& [address, value] : taken)
        ASSERT_EQ(value, *address);
}

TEST(ListTest, CopiesMovesAndRemoveAll)
{
    CList<std::string> list;
    for (int i = 0; i < 40; ++i)
        (i % 2 ? list.AddTail(std::to_string(i)) : list.AddHead(std::to_string(i)));
    CList<std::string> copy = list;
    EXPECT_TRUE(copy == list);
    copy.GetHead() = "changed";
    EXPECT_NE("changed", list.GetHead());
    EXPECT_TRUE(copy != list);

    CList<std::string> moved = std::move(copy);
    EXPECT_EQ("changed", moved.GetHead());
    EXPECT_EQ(40u, moved.GetCount());
    copy = list;  // a moved-from list is usable again
    EXPECT_TRUE(copy == list);

    list.RemoveAll();
    EXPECT_TRUE(list.IsEmpty());
    EXPECT_TRUE(list.begin() == list.end());
    list.AddTail("again");
    list.AddHead("first");
    EXPECT_EQ((std::vector<std::string>{"first", "again"}), std::vector<std::string>(list.begin(), list.end()));
    EXPECT_FALSE(copy == list);
}

// An element whose copy fails on demand: a failed insertion adds nothing, a failed copy of
// a whole list leaves the original as it was.
struct CFragile {
    static int copiesLeft;
    int value = 0;
    explicit CFragile(int v) : value(v) {}
    CFragile(const CFragile& other) : value(other.value)
    {
        if (copiesLeft-- == 0)
            throw std::runtime_error("copy failed");
    }
    bool operator==(const CFragile& other) const { return value == other.value; }
};
int CFragile::copiesLeft = 0;

TEST(ListTest, AFailedCopyChangesNothing)
{
    CList<CFragile> list;
    CFragile::copiesLeft = 1000;
    for (int i = 0; i < 10; ++i)
        list.AddTail(CFragile(i));
    CFragile::copiesLeft = 0;
    EXPECT_THROW(list.AddHead(CFragile(99)), std::runtime_error);
    EXPECT_EQ(10u, list.GetCount());
    EXPECT_EQ(0, list.GetHead().value);
    CFragile::copiesLeft = 5;
    EXPECT_THROW(CList<CFragile> copy(list), std::runtime_error);
    EXPECT_EQ(10u, list.GetCount());
    EXPECT_EQ(9, list.GetTail().value);
}

}  // namespace
