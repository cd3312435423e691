#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "serial/ComPortDialogModel.h"

namespace {

using Texts = std::vector<std::string>;

Texts TextsOf(const ComPortDialogModel& model, ComListId id)
{
    Texts texts;
    for (const auto& e : model.List(id).entries)
        texts.push_back(e.text);
    return texts;
}

// The selected entry's text in each list, port to stop bits.
Texts Shown(const ComPortDialogModel& model)
{
    Texts shown;
    for (int id = 0; id < kComListCount; ++id) {
        const ComList& list = model.List(static_cast<ComListId>(id));
        shown.push_back(list.selected < 0 ? "-" : list.entries[list.selected].text);
    }
    return shown;
}

PortSettings Values(std::uint16_t port, std::uint32_t rate, std::uint8_t dataBits,
                    std::uint8_t stopBits, std::uint8_t parity)
{
    return PortSettings{true, port, rate, dataBits, stopBits, parity};
}

// What the selections send: known settings, every field as expected.
void ExpectSent(const ComPortDialogModel& model, const PortSettings& expected)
{
    PortSettings sent;
    ASSERT_TRUE(model.GetValuesToSend(&sent));
    EXPECT_EQ(sent, expected) << FormatPortSettings(sent);
}

const ComValueNotes kNotes = {"not present", "unknown"};

TEST(ComPortDialogModel, ListsHoldTheirEntriesInOrder)
{
    ComPortDialogModel model;
    EXPECT_EQ(TextsOf(model, kComSpeedList), (Texts{"9600", "14400", "19200", "38400", "57600",
                                                    "115200", "230400", "460800", "921600"}));
    EXPECT_EQ(TextsOf(model, kComDataBitsList), (Texts{"5", "6", "7", "8"}));
    EXPECT_EQ(TextsOf(model, kComParityList), (Texts{"None", "Odd", "Even", "Mark", "Space"}));
    EXPECT_EQ(TextsOf(model, kComStopBitsList), (Texts{"1", "1.5", "2"}));

    // The first description of a port counts; ports beyond the server's 16 bits are left out;
    // a missing description or a failed second enumeration gives the bare name.
    const std::vector<unsigned> setupPorts = {4, 3, 3, 1};
    const Texts descriptions = {"Four", "X", "second X"};
    model.AddPorts({1, 3, 1234, 70000, 4}, &setupPorts, &descriptions);
    model.AddPorts({3}, nullptr, nullptr);
    EXPECT_EQ(TextsOf(model, kComPortList),
              (Texts{"None", "COM1", "COM3  X", "COM1234", "COM4  Four", "COM3"}));

    const std::vector<unsigned> longPort = {2};
    const Texts longDescription = {std::string(300, 'x')};
    model.AddPorts({2}, &longPort, &longDescription);
    EXPECT_EQ(model.List(kComPortList).entries.back().text,
              "COM2  " + std::string(kComEntryTextMax - 6, 'x'));
}

TEST(ComPortDialogModel, ServerValuesSelectTheirEntries)
{
    ComPortDialogModel model;
    model.AddPorts({1, 3}, nullptr, nullptr);
    model.SelectServerValues(Values(3, 115200, 8, 0, 2), kNotes);
    EXPECT_EQ(Shown(model), (Texts{"COM3", "115200", "8", "Even", "1"}));
    model.SelectServerValues(Values(0, 9600, 5, 2, 4), kNotes);
    EXPECT_EQ(Shown(model), (Texts{"None", "9600", "5", "Space", "2"}));
    EXPECT_EQ(model.List(kComSpeedList).entries.size(), 9u);  // nothing added
}

TEST(ComPortDialogModel, UnknownServerValuesAreShownAndSentUnchanged)
{
    ComPortDialogModel model;
    model.AddPorts({1, 3}, nullptr, nullptr);
    const PortSettings server = Values(5, 300, 9, 3, 7);
    model.SelectServerValues(server, kNotes);
    EXPECT_EQ(Shown(model), (Texts{"COM5  not present", "300  unknown", "9  unknown", "7  unknown",
                                   "3  unknown"}));
    ExpectSent(model, server);

    model.SelectServerValues(server, kNotes);  // read again: no second extra entry
    EXPECT_EQ(model.List(kComPortList).entries.size(), 4u);

    model.SelectServerValues(Values(6, 9600, 8, 0, 0), {std::string(200, 'n'), ""});
    EXPECT_EQ(Shown(model)[0].size(), kComEntryTextMax);
}

TEST(ComPortDialogModel, UserChoicesAreSent)
{
    ComPortDialogModel model;
    model.AddPorts({1, 3}, nullptr, nullptr);
    model.SelectServerValues(Values(1, 9600, 8, 0, 0), kNotes);
    const int choice[kComListCount] = {2, 2, 2, 1, 2};  // COM3, 19200, 7, Odd, 2
    for (int id = 0; id < kComListCount; ++id)
        ASSERT_TRUE(model.Select(static_cast<ComListId>(id), choice[id]));
    ExpectSent(model, Values(3, 19200, 7, 2, 1));

    EXPECT_FALSE(model.Select(kComParityList, 5));
    EXPECT_FALSE(model.Select(kComParityList, -2));
    EXPECT_EQ(Shown(model)[kComParityList], "Odd");
}

TEST(ComPortDialogModel, NothingIsSentUntilEveryListHasASelection)
{
    ComPortDialogModel model;  // the server's values could not be read
    PortSettings sent = Values(11, 12, 13, 14, 15);
    for (int id = 0; id < kComListCount; ++id) {
        EXPECT_EQ(model.FirstListWithoutSelection(), id);
        EXPECT_FALSE(model.GetValuesToSend(&sent));
        model.Select(static_cast<ComListId>(id), 0);
    }
    EXPECT_EQ(sent.port, 11);  // untouched while refused
    EXPECT_EQ(model.FirstListWithoutSelection(), -1);
    ExpectSent(model, Values(0, 9600, 5, 0, 0));

    model.Select(kComSpeedList, -1);
    EXPECT_EQ(model.FirstListWithoutSelection(), kComSpeedList);
}

}  // namespace
