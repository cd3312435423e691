// Shared by the tag-file tests: a small device catalogue (through the program's own
// catalogue and naming) and helpers to look at read results.
#pragma once

#include <gtest/gtest.h>

#include <initializer_list>
#include <string>
#include <utility>
#include <vector>

#include "catalogue/Catalogue.h"
#include "tagfile/TagFileReader.h"

namespace tagfile_test {

// Narrow literals of the tests are Windows-1251 (-fexec-charset), u8 literals UTF-8.
inline void AddDevice(int typeCode, const std::string& name,
                      std::initializer_list<std::pair<int, const char*>> params)
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

// Type 1 "PM3F" with Frequency (14) and Voltage.A (2); type 7 a Cyrillic name with a
// Cyrillic parameter.
class CatalogueTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        FreeDeviceCatalogue();
        AddDevice(1, "PM3F", {{14, "Frequency"}, {2, "Voltage.A"}});
        AddDevice(7, "Счётчик", {{3, "Энергия.Сумма"}});
    }
    void TearDown() override { FreeDeviceCatalogue(); }
};

// "line:kind" of every issue, for compact comparisons.
inline std::vector<std::string> IssueList(const TagFileContent& content)
{
    std::vector<std::string> list;
    for (const TagFileIssue& issue : content.issues)
        list.push_back(std::to_string(issue.line) + ":" + DescribeTagFileIssue(issue));
    return list;
}

}  // namespace tagfile_test
