#include "serial/ComPortDialogModel.h"

#include <algorithm>

namespace {

constexpr std::uint32_t kMaxServerPort = 0xFFFF;

// A name of the port text as the lists show it: "Odd", "None".
std::string Capitalized(std::string name)
{
    if (!name.empty() && name[0] >= 'a' && name[0] <= 'z') name[0] = static_cast<char>(name[0] - 'a' + 'A');
    return name;
}

std::string WithNote(std::string text, const std::string& note)
{
    if (!note.empty())
        text += "  " + note;
    return CutComEntryText(std::move(text));
}

}  // namespace

std::string CutComEntryText(std::string text)
{
    if (text.size() > kComEntryTextMax)
        text.resize(kComEntryTextMax);
    return text;
}

std::string FormatPortEntry(unsigned port, const std::string& description)
{
    return WithNote("COM" + std::to_string(port), description);
}

ComPortDialogModel::ComPortDialogModel()
{
    m_lists[kComPortList].entries.push_back({Capitalized(kNoPortName), 0});
    for (std::uint32_t rate : kComBaudRates)
        m_lists[kComSpeedList].entries.push_back({std::to_string(rate), rate});
    for (std::uint32_t bits = 5; bits <= 8; ++bits)
        m_lists[kComDataBitsList].entries.push_back({std::to_string(bits), bits});
    for (std::uint8_t code = 0; code < kParityCodeCount; ++code)
        m_lists[kComParityList].entries.push_back({Capitalized(ParityName(code)), code});
    for (std::uint8_t code = 0; code < kStopBitsCodeCount; ++code)
        m_lists[kComStopBitsList].entries.push_back({StopBitsName(code), code});
}

void ComPortDialogModel::AddPorts(const std::vector<unsigned>& ports,
                                  const std::vector<unsigned>* setupPorts,
                                  const std::vector<std::string>* descriptions)
{
    ComList& list = m_lists[kComPortList];
    for (unsigned port : ports) {
        if (port > kMaxServerPort)
            continue;
        std::string description;
        if (setupPorts != nullptr) {
            const auto found = std::find(setupPorts->begin(), setupPorts->end(), port);
            const auto j = static_cast<std::size_t>(found - setupPorts->begin());
            if (found != setupPorts->end() && descriptions != nullptr && j < descriptions->size())
                description = (*descriptions)[j];
        }
        list.entries.push_back({FormatPortEntry(port, description), port});
    }
}

void ComPortDialogModel::SelectOrAdd(ComListId id, std::uint32_t value, const std::string& text)
{
    ComList& list = m_lists[id];
    for (std::size_t i = 0; i < list.entries.size(); ++i) {
        if (list.entries[i].value == value) {
            list.selected = static_cast<int>(i);
            return;
        }
    }
    list.entries.push_back({text, value});
    list.selected = static_cast<int>(list.entries.size() - 1);
}

void ComPortDialogModel::SelectServerValues(const PortSettings& values,
                                            const ComValueNotes& notes)
{
    SelectOrAdd(kComPortList, values.port,
                WithNote("COM" + std::to_string(values.port), notes.portNotPresent));
    SelectOrAdd(kComSpeedList, values.baudRate,
                WithNote(std::to_string(values.baudRate), notes.unknownValue));
    SelectOrAdd(kComDataBitsList, values.dataBits,
                WithNote(std::to_string(values.dataBits), notes.unknownValue));
    SelectOrAdd(kComParityList, values.parity,
                WithNote(std::to_string(values.parity), notes.unknownValue));
    SelectOrAdd(kComStopBitsList, values.stopBits,
                WithNote(std::to_string(values.stopBits), notes.unknownValue));
}

bool ComPortDialogModel::Select(ComListId id, int index)
{
    ComList& list = m_lists[id];
    if (index < -1 || index >= static_cast<int>(list.entries.size()))
        return false;
    list.selected = index;
    return true;
}

int ComPortDialogModel::FirstListWithoutSelection() const
{
    for (int i = 0; i < kComListCount; ++i) {
        if (m_lists[i].selected < 0)
            return i;
    }
    return -1;
}

bool ComPortDialogModel::GetValuesToSend(PortSettings* values) const
{
    if (FirstListWithoutSelection() >= 0)
        return false;
    auto value = [this](ComListId id) { return m_lists[id].entries[m_lists[id].selected].value; };
    values->known = true;
    values->port = static_cast<std::uint16_t>(value(kComPortList));
    values->baudRate = value(kComSpeedList);
    values->dataBits = static_cast<std::uint8_t>(value(kComDataBitsList));
    values->parity = static_cast<std::uint8_t>(value(kComParityList));
    values->stopBits = static_cast<std::uint8_t>(value(kComStopBitsList));
    return true;
}
