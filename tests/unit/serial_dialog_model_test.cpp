#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "serial/ComPortDialogModel.h"

namespace {

std::vector<std::string> Texts(const ComPortDialogModel& model, ComListId id)
{
    std::vector<std::string> texts;
    for (const auto& e : model.List(id).entries)
        texts.push_back(e.text);
    return texts;
}

std::string SelectedText(const ComPortDialogModel& model, ComListId id)
{
    const ComList& list = model.List(id);
    return list.selected < 0 ? "<none>" : list.entries[list.selected].text;
}

ComSettingsValues Values(std::uint16_t port, std::uint32_t rate, std::uint8_t dataBits,
                         std::uint8_t stopBits, std::uint8_t parity)
{
    ComSettingsValues v;
    v.port = port;
    v.baudRate = rate;
    v.dataBits = dataBits;
    v.stopBits = stopBits;
    v.parity = parity;
    return v;
}

const ComValueNotes kNotes = {"not present", "unknown"};

TEST(ComPortDialogModel, ListsHoldTheirEntriesInOrder)
{
    ComPortDialogModel model;
    EXPECT_EQ(Texts(model, kComSpeedList),
              (std::vector<std::string>{"9600", "14400", "19200", "38400", "57600", "115200",
                                        "230400", "460800", "921600"}));
    EXPECT_EQ(Texts(model, kComDataBitsList), (std::vector<std::string>{"5", "6", "7", "8"}));
    EXPECT_EQ(Texts(model, kComParityList),
              (std::vector<std::string>{"None", "Odd", "Even", "Mark", "Space"}));
    EXPECT_EQ(Texts(model, kComStopBitsList), (std::vector<std::string>{"1", "1.5", "2"}));

    const std::vector<unsigned> ports = {1, 3, 1234, 70000, 4};
    const std::vector<unsigned> setupPorts = {4, 3, 3};
    const std::vector<std::string> descriptions = {"Four", "X", "second X"};
    model.AddPorts(ports, &setupPorts, &descriptions);
    EXPECT_EQ(Texts(model, kComPortList),
              (std::vector<std::string>{"None", "COM1", "COM3  X", "COM1234", "COM4  Four"}));
    EXPECT_EQ(model.FirstListWithoutSelection(), kComPortList);
}

TEST(ComPortDialogModel, DescriptionsOnlyFromASuccessfulSecondList)
{
    ComPortDialogModel model;
    const std::vector<unsigned> setupPorts = {1, 2};
    const std::vector<std::string> tooFew = {"One"};  // a port without its description
    model.AddPorts({1, 2}, &setupPorts, &tooFew);
    model.AddPorts({1}, nullptr, nullptr);
    EXPECT_EQ(Texts(model, kComPortList),
              (std::vector<std::string>{"None", "COM1  One", "COM2", "COM1"}));
}

TEST(ComPortDialogModel, LongTextsAreCut)
{
    ComPortDialogModel model;
    const std::vector<unsigned> setupPorts = {2};
    const std::vector<std::string> descriptions = {std::string(300, 'x')};
    model.AddPorts({2}, &setupPorts, &descriptions);
    const std::string& text = model.List(kComPortList).entries[1].text;
    EXPECT_EQ(text.size(), kComEntryTextMax);
    EXPECT_EQ(text.substr(0, 7), "COM2  x");

    model.SelectServerValues(Values(9, 9600, 8, 0, 0), {std::string(200, 'n'), ""});
    EXPECT_EQ(SelectedText(model, kComPortList).size(), kComEntryTextMax);
}

TEST(ComPortDialogModel, ServerValuesSelectTheirEntries)
{
    ComPortDialogModel model;
    model.AddPorts({1, 3}, nullptr, nullptr);
    model.SelectServerValues(Values(3, 115200, 8, 0, 2), kNotes);
    EXPECT_EQ(SelectedText(model, kComPortList), "COM3");
    EXPECT_EQ(SelectedText(model, kComSpeedList), "115200");
    EXPECT_EQ(SelectedText(model, kComDataBitsList), "8");
    EXPECT_EQ(SelectedText(model, kComParityList), "Even");
    EXPECT_EQ(SelectedText(model, kComStopBitsList), "1");
    EXPECT_EQ(model.List(kComSpeedList).entries.size(), 9u);  // nothing added

    model.SelectServerValues(Values(0, 9600, 5, 2, 4), kNotes);
    EXPECT_EQ(SelectedText(model, kComPortList), "None");
    EXPECT_EQ(SelectedText(model, kComStopBitsList), "2");
    EXPECT_EQ(SelectedText(model, kComParityList), "Space");
}

TEST(ComPortDialogModel, UnknownServerValuesAreShownAndSentUnchanged)
{
    ComPortDialogModel model;
    model.AddPorts({1, 3}, nullptr, nullptr);
    const ComSettingsValues server = Values(5, 300, 9, 3, 7);
    model.SelectServerValues(server, kNotes);
    EXPECT_EQ(SelectedText(model, kComPortList), "COM5  not present");
    EXPECT_EQ(SelectedText(model, kComSpeedList), "300  unknown");
    EXPECT_EQ(SelectedText(model, kComDataBitsList), "9  unknown");
    EXPECT_EQ(SelectedText(model, kComStopBitsList), "3  unknown");
    EXPECT_EQ(SelectedText(model, kComParityList), "7  unknown");
    EXPECT_EQ(model.List(kComPortList).entries.size(), 4u);

    ComSettingsValues sent;
    ASSERT_TRUE(model.GetValuesToSend(&sent));
    EXPECT_EQ(sent.port, 5);
    EXPECT_EQ(sent.baudRate, 300u);
    EXPECT_EQ(sent.dataBits, 9);
    EXPECT_EQ(sent.stopBits, 3);
    EXPECT_EQ(sent.parity, 7);

    model.SelectServerValues(server, kNotes);  // read again: no second extra entry
    EXPECT_EQ(model.List(kComPortList).entries.size(), 4u);
}

TEST(ComPortDialogModel, UserChoicesAreSent)
{
    ComPortDialogModel model;
    model.AddPorts({1, 3}, nullptr, nullptr);
    model.SelectServerValues(Values(1, 9600, 8, 0, 0), kNotes);
    ASSERT_TRUE(model.Select(kComPortList, 2));       // COM3
    ASSERT_TRUE(model.Select(kComSpeedList, 2));      // 19200
    ASSERT_TRUE(model.Select(kComDataBitsList, 2));   // 7
    ASSERT_TRUE(model.Select(kComParityList, 1));     // Odd
    ASSERT_TRUE(model.Select(kComStopBitsList, 2));   // 2
    ComSettingsValues sent;
    ASSERT_TRUE(model.GetValuesToSend(&sent));
    EXPECT_EQ(sent.port, 3);
    EXPECT_EQ(sent.baudRate, 19200u);
    EXPECT_EQ(sent.dataBits, 7);
    EXPECT_EQ(sent.stopBits, 2);
    EXPECT_EQ(sent.parity, 1);

    EXPECT_FALSE(model.Select(kComParityList, 5));
    EXPECT_FALSE(model.Select(kComParityList, -2));
    EXPECT_EQ(SelectedText(model, kComParityList), "Odd");
}

TEST(ComPortDialogModel, NothingIsSentUntilEveryListHasASelection)
{
    ComPortDialogModel model;  // the server's values could not be read
    model.AddPorts({1}, nullptr, nullptr);
    ComSettingsValues sent = Values(11, 12, 13, 14, 15);
    EXPECT_FALSE(model.GetValuesToSend(&sent));
    EXPECT_EQ(sent.port, 11);  // untouched

    const ComListId order[] = {kComPortList, kComSpeedList, kComDataBitsList, kComParityList,
                               kComStopBitsList};
    for (ComListId id : order) {
        EXPECT_EQ(model.FirstListWithoutSelection(), id);
        EXPECT_FALSE(model.GetValuesToSend(&sent));
        model.Select(id, 0);
    }
    EXPECT_EQ(model.FirstListWithoutSelection(), -1);
    ASSERT_TRUE(model.GetValuesToSend(&sent));
    EXPECT_EQ(sent.port, 0);
    EXPECT_EQ(sent.baudRate, 9600u);
    EXPECT_EQ(sent.dataBits, 5);

    model.Select(kComSpeedList, -1);  // a selection can be taken away again
    EXPECT_EQ(model.FirstListWithoutSelection(), kComSpeedList);
}

}  // namespace
