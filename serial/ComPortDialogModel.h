// What the COM-port settings dialog shows and sends, without the window: the contents of its
// five drop-down lists, the selections that stand for the server's values, and the values
// that the selections stand for.
//
// Every entry carries the value it stands for, so what a list shows is exactly what is sent.
// A server value that no entry stands for (a port the machine lacks, a rate outside the table)
// becomes an extra entry at the end of its list and is selected, instead of leaving the list
// without a selection. Values are sent only when every list has a selection.
//
// Use from the dialog:
//   ComPortDialogModel model;                       // fixed lists, "None" as the only port
//   model.AddPorts(dosPorts, setupOk ? &setupPorts : nullptr, &descriptions);
//   if (server read ok) model.SelectServerValues(values, notes);
//   ... fill the controls from List(id).entries, select List(id).selected ...
//   ... on a user choice: model.Select(id, index) ...
//   PortSettings out; if (model.GetValuesToSend(&out)) SetComSettings(out...)
#pragma once

#include "serial/PortSettings.h"

#include <cstdint>
#include <string>
#include <vector>

// The longest entry text the lists hold; longer texts are cut to it.
constexpr std::size_t kComEntryTextMax = 99;

// The five lists, in the order of their control ids (1001 to 1005).
enum ComListId : int {
    kComPortList = 0,
    kComSpeedList = 1,
    kComDataBitsList = 2,
    kComParityList = 3,
    kComStopBitsList = 4,
};
constexpr int kComListCount = 5;
constexpr int kComFirstListControlId = 1001;

inline int ComListControlId(ComListId list) { return kComFirstListControlId + list; }

// The baud rates of the speed list, in list order.
constexpr std::uint32_t kComBaudRates[] = {9600, 14400, 19200, 38400, 57600,
                                           115200, 230400, 460800, 921600};
constexpr int kComBaudRateCount = static_cast<int>(sizeof(kComBaudRates) / sizeof(kComBaudRates[0]));

// Texts for entries added for server values that no fixed entry stands for. They are put
// after two spaces; empty means no note. The Windows layer supplies them in Russian.
struct ComValueNotes {
    std::string portNotPresent;  // a port the machine does not have
    std::string unknownValue;    // any other value outside its list
};

struct ComListEntry {
    std::string text;     // at most kComEntryTextMax characters
    std::uint32_t value;  // the value sent when the entry is selected
};

struct ComList {
    std::vector<ComListEntry> entries;
    int selected = -1;  // -1: no selection
};

class ComPortDialogModel {
public:
    // The speed, data-bits, parity and stop-bits lists with their fixed entries, and the port
    // list with "None" (port 0) only. No list has a selection.
    ComPortDialogModel();

    // Adds one entry per port of `ports` (the device-name enumeration), in order: "COM" and
    // the number, then, when `setupPorts` is given and holds the port, two spaces and the
    // description at the first position that holds it. Ports above 65535 cannot be set on
    // the server (its port is 16-bit) and are left out.
    void AddPorts(const std::vector<unsigned>& ports, const std::vector<unsigned>* setupPorts,
                  const std::vector<std::string>* descriptions);

    // Selects in each list the first entry that stands for the server's value; a value with
    // no entry gets one added at the end of its list, which is then selected. The settings
    // are taken as they stand, known or not: the caller reads them only when the server gave them.
    void SelectServerValues(const PortSettings& values, const ComValueNotes& notes);

    const ComList& List(ComListId list) const { return m_lists[list]; }

    // The user's choice: an index of the list, or -1 for none. False (and no change) for an
    // index outside the list.
    bool Select(ComListId list, int index);

    // The first list without a selection, or -1 when every list has one.
    int FirstListWithoutSelection() const;

    // The values the selections stand for, known; false (and *values untouched) unless every
    // list has a selection.
    bool GetValuesToSend(PortSettings* values) const;

private:
    // Selects the first entry of `list` whose value is `value`; if none, appends `text` with it.
    void SelectOrAdd(ComListId list, std::uint32_t value, const std::string& text);

    ComList m_lists[kComListCount];
};

// "COM" and the port number, then two spaces and the description when there is one; cut to
// kComEntryTextMax characters.
std::string FormatPortEntry(unsigned port, const std::string& description);

// The text cut to kComEntryTextMax characters (the texts are single-byte, so any cut is whole).
std::string CutComEntryText(std::string text);
