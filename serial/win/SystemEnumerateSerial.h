// The machine's own serial ports, through CEnumerateSerial.
#pragma once

#include <string>
#include <vector>

#include "serial/EnumerateSerialSource.h"

class CSystemEnumerateSerial final : public IEnumerateSerialSource {
public:
    bool UsingQueryDosDevice(std::vector<unsigned>& ports) override;
    // The device descriptions are read as UTF-16 and given in the program's Windows-1251
    // text, whatever the system's ANSI code page.
    bool UsingSetupAPI(std::vector<unsigned>& ports, std::vector<std::string>& descriptions) override;
};

// A text in the given code page as Windows-1251; a character that 1251 lacks becomes its
// nearest look-alike there, or '?'.
std::string ConvertToCp1251(const std::string& text, unsigned codePage);
