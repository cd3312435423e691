#include "WindowTest.h"

const char kMeterDescription[] =
    "DEVICE_DESCRIPTION\r\n"
    "Meter 7\r\n"
    "Voltage       1 REAL R INPT_REG 0\r\n"
    "Phase.A       2 REAL R INPT_REG 2\r\n"
    "Phase.B       3 REAL R INPT_REG 4\r\n"
    "Deep.Er.Name  4 INT  R INPT_REG 6\r\n";

void CWindowTest::Prepare(const std::string& tags, const std::string& extraParameters)
{
    m_descriptions.Write("meter.dsc", kMeterDescription + extraParameters);
    standin::Reset(tags);
}

void CWindowTest::TearDown()
{
    standin::ClearFaults();
    if (!standin::WaitUntilServerGone()) {
        ADD_FAILURE() << "the server still runs after the window closed: " << standin::DescribeServers();
        standin::EndLeftoverServers();
    }
}
