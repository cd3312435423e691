// The port settings' one text: what zolctl prints, the journal records and a snapshot's
// "# port" line holds reads back as the same settings; anything else is refused whole.
#include <gtest/gtest.h>

#include "serial/PortSettings.h"

TEST(PortSettingsText, ReadsBackWhatItWritesAndRefusesTheRest)
{
    const PortSettings cases[] = {
        {true, 3, 19200, 8, 0, 0}, {true, 0, 9600, 7, 2, 4}, {true, 65535, 4294967295u, 255, 1, 1}};
    for (const PortSettings& p : cases) {
        const std::string text = FormatPortSettings(p);
        PortSettings back;
        ASSERT_TRUE(ParsePortSettings(text, &back)) << text;
        EXPECT_EQ(back, p) << text;
    }
    EXPECT_EQ(FormatPortSettings({true, 3, 19200, 8, 0, 0}), "COM3 19200 8 none 1");
    EXPECT_EQ(FormatPortSettings(PortSettings()), "?");
    // Codes no name stands for are shown as codes, never as a neighbour's name, and do not
    // read back as settings.
    EXPECT_EQ(FormatPortSettings({true, 1, 9600, 8, 7, 9}), "COM1 9600 8 code9 code7");

    PortSettings kept{true, 1, 1, 1, 1, 1};
    for (const char* bad : {"", "?", "COM3 19200 8 none", "COM3 19200 8 none 1 x", "COM3  19200 8 none 1",
                            "COM0 19200 8 none 1", "COM65536 19200 8 none 1", "COM3 0 8 none 1",
                            "COM3 4294967296 8 none 1", "COM3 19200 256 none 1", "COM3 -1 8 none 1",
                            "COM3 19200 8 None 1", "COM3 19200 8 none 3", "COM3 19200 8 code9 1",
                            "COM3 99999999999999999999999 8 none 1"}) {
        EXPECT_FALSE(ParsePortSettings(bad, &kept)) << '"' << bad << '"';
        EXPECT_EQ(kept, (PortSettings{true, 1, 1, 1, 1, 1})) << bad;
    }
    PortSettings lower;
    EXPECT_TRUE(ParsePortSettings("com7 110 5 mark 2", &lower));
    EXPECT_EQ(lower, (PortSettings{true, 7, 110, 5, 2, 3}));
}
