// Where the COM-port settings dialog takes the machine's serial ports from: the same two
// enumerations as CEnumerateSerial, behind an interface so that the dialog can be shown
// with exact port lists (a fake) as well as with the system's (win/SystemEnumerateSerial.h).
#pragma once

#include <string>
#include <vector>

class IEnumerateSerialSource {
public:
    virtual ~IEnumerateSerialSource() = default;

    // The ports that the dialog offers, in the system's order; false on failure.
    virtual bool UsingQueryDosDevice(std::vector<unsigned>& ports) = 0;
    // Port numbers with a description each (descriptions[k] describes ports[k]), in the
    // program's Windows-1251 text; false on failure.
    virtual bool UsingSetupAPI(std::vector<unsigned>& ports, std::vector<std::string>& descriptions) = 0;
};
