// The machine's serial ports, found through the system's device names and through the
// device-installation service (SETUPAPI.DLL, loaded at run time). Both operations fill the
// caller's lists and report failure through the thread's last-error code.
#pragma once

#include <string>
#include <vector>

class CEnumerateSerial {
public:
    // The ports named in the system's device-name list, in its order. On false,
    // GetLastError() gives the reason (120 when not the NT family, 14 out of memory, or
    // QueryDosDevice's own error).
    static bool UsingQueryDosDevice(std::vector<unsigned>& ports);

    // The present serial-port devices, with the device description of each (empty when it
    // has none); descriptions[k] describes ports[k]. On false, GetLastError() gives the
    // reason (the loader's, 120 for a missing function, or the device-set query's).
    static bool UsingSetupAPI(std::vector<unsigned>& ports, std::vector<std::string>& descriptions);

    // True when the text is not empty and consists of decimal digits only.
    static bool IsNumeric(const char* text);
};
