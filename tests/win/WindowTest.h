// The base of the main-window tests: a working directory holding the test device "Meter"
// (type 7), the stand-in server's state reset, and the server gone after each test.
#pragma once

#include <string>

#include <gtest/gtest.h>

#include "DescriptionFiles.h"
#include "StandinFixture.h"

// Meter (type 7): Voltage 1, Phase.A 2, Phase.B 3, Deep.Er.Name 4.
extern const char kMeterDescription[];

class CWindowTest : public testing::Test {
protected:
    // Writes meter.dsc (with extra parameter lines appended) and gives the server the tags.
    void Prepare(const std::string& tags, const std::string& extraParameters = "");
    void TearDown() override;

    CDescriptionDir m_descriptions;
};
