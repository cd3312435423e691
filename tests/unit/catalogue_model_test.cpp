#include <gtest/gtest.h>

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

}  // namespace
