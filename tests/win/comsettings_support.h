// Shared by the COM-port dialog tests: a fake port source, the dialog run with a driver
// script, and what its lists showed.
#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "AddTags.h"
#include "BoxAnswerer.h"
#include "serial/win/ComSettings.h"
#include "serial/EnumerateSerialSource.h"

namespace comsettings_test {

// Ports as a test wants them; counts the calls.
class CFakePorts final : public IEnumerateSerialSource {
public:
    bool dosOk = true;
    std::vector<unsigned> dosPorts;
    bool setupOk = true;
    std::vector<unsigned> setupPorts;
    std::vector<std::string> descriptions;
    int setupCalls = 0;

    bool UsingQueryDosDevice(std::vector<unsigned>& ports) override
    {
        ports = dosOk ? dosPorts : std::vector<unsigned>{};
        if (!dosOk) ::SetLastError(ERROR_ACCESS_DENIED);
        return dosOk;
    }
    bool UsingSetupAPI(std::vector<unsigned>& ports, std::vector<std::string>& texts) override
    {
        ++setupCalls;
        ports = setupOk ? setupPorts : std::vector<unsigned>{};
        texts = setupOk ? descriptions : std::vector<std::string>{};
        return setupOk;
    }
};

// One list as the dialog shows it.
struct ShownList {
    std::vector<std::string> entries;
    int selected = -1;
    std::string SelectedText() const
    {
        return selected < 0 || static_cast<size_t>(selected) >= entries.size() ? "-" : entries[static_cast<size_t>(selected)];
    }
};

ShownList ReadList(HWND dialog, int id);
// The five lists, port to stop bits.
std::vector<ShownList> ReadLists(HWND dialog);
// The selected texts of the five lists, port to stop bits ("-" for none).
std::vector<std::string> SelectedTexts(HWND dialog);
// Selects a position of a list as the user would (the list's selection-change
// notification is sent too).
void SelectEntry(HWND dialog, int id, int index);

struct DialogRun {
    INT_PTR result = 0;
    std::vector<std::string> boxes;  // every message box, in order
    std::string title;
    std::vector<ShownList> opened;   // the lists as the dialog opened
};

// Runs the dialog modally on this thread; the script runs on a driver thread with the
// dialog's window and the box answerer once the dialog shows, and must close it.
DialogRun RunDialog(CComSettings& dialog, const std::function<void(HWND, CBoxAnswerer&)>& script);

// The server's stored settings, "port baud databits stopbits parity", from its port.txt.
std::string StoredValues();

}  // namespace comsettings_test
