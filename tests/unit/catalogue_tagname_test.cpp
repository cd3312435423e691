#include <gtest/gtest.h>

#include <string>

#include "catalogue/Catalogue.h"
#include "catalogue/TagName.h"

namespace {

class TagNameTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        FreeDeviceCatalogue();
        Add(12, "Meter", {{1, "Voltage"}, {2, "Phase.A.Current"}});
    }
    void TearDown() override { FreeDeviceCatalogue(); }

    static void Add(int typeCode, const std::string& name, std::initializer_list<std::pair<int, const char*>> params)
    {
        CDevice d;
        d.m_nTypeCode = typeCode;
        d.m_strName = name;
        for (const auto& p : params) {
            CParameter parameter(p.second, 1, 0, 0, 0);
            parameter.m_nNumber = p.first;
            d.m_Parameters.AddHead(parameter);
        }
        g_DeviceCatalogue.AddHead(d);
    }
};

TEST_F(TagNameTest, Names)
{
    const struct {
        int address, type, param;
        const char* expected;
    } cases[] = {
        {5, 12, 1, "Meter(005).Voltage"},
        {1, 12, 1, "Meter(001).Voltage"},
        {42, 12, 1, "Meter(042).Voltage"},
        {254, 12, 1, "Meter(254).Voltage"},
        {5, 12, 2, "Meter(005).Phase.A.Current"},
        {5, 12, 3, "Meter(005)."},   // no such parameter
        {5, 13, 1, "(005)."},        // no such device
        {5, 13, 65535, "(005)."},
        // No name at all for a zero or the broadcast address, type 0 or parameter 0.
        {0, 12, 1, ""},
        {255, 12, 1, ""},
        {5, 0, 1, ""},
        {5, 12, 0, ""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.expected, FormatTagName(c.address, c.type, c.param))
            << c.address << " " << c.type << " " << c.param;
    // A device described with type code 0 is never named.
    Add(0, "Zero", {{1, "P"}});
    EXPECT_EQ("", FormatTagName(5, 0, 1));
    EXPECT_EQ("Meter(005)", FormatDevicePart("Meter", 5));
}

TEST_F(TagNameTest, BothPiecesComeFromTheDeviceFoundFirst)
{
    Add(12, "Newer", {{1, "NewVoltage"}});
    EXPECT_EQ("Newer(005).NewVoltage", FormatTagName(5, 12, 1));
    // Parameter 2 exists only in the older device: its piece stays empty.
    EXPECT_EQ("Newer(005).", FormatTagName(5, 12, 2));
}

}  // namespace
