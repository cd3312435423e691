// The serial-port settings the server polls with, and their text as zolctl prints and takes
// them, the journal records them and a snapshot's "# port" line holds them:
// "COM3 19200 8 odd 1" (port, speed, data bits, parity, stop bits). Portable.
#pragma once

#include "server/TagServer.h"

#include <cstdint>
#include <string>
#include <string_view>

struct PortSettings {
    bool known = false;  // false: the server did not give them (GetComSettings failed)
    std::uint16_t port = 0;       // 0: no port
    std::uint32_t baudRate = 0;
    std::uint8_t dataBits = 0;
    std::uint8_t stopBits = 0;    // 0 = 1, 1 = 1.5, 2 = 2 stop bits
    std::uint8_t parity = 0;      // 0 none, 1 odd, 2 even, 3 mark, 4 space

    // Two unknown settings are equal whatever their fields hold.
    bool operator==(const PortSettings& o) const;
    bool operator!=(const PortSettings& o) const { return !(*this == o); }
};

// The names of the codes as the text writes them: no port "none", parity
// none|odd|even|mark|space (codes 0..4), stop bits "1", "1.5", "2" (codes 0..2); "" for a
// code outside them. The COM-port dialog's lists show the same names with a capital.
constexpr int kParityCodeCount = 5;
constexpr int kStopBitsCodeCount = 3;
extern const char kNoPortName[];
std::string ParityName(std::uint8_t parity);
std::string StopBitsName(std::uint8_t stopBits);

// PORT "COM3", "3" or "none" (0); parity and stop bits by their names.
bool ParsePortText(const std::string& text, std::uint16_t* port);
bool ParseParityText(const std::string& text, std::uint8_t* parity);
bool ParseStopBitsText(const std::string& text, std::uint8_t* stopBits);

// "COM3 19200 8 odd 1" ("?" when unknown); a code outside the known ones shows as "codeN".
std::string FormatPortSettings(const PortSettings& settings);
// The line back: five words, speed 1..4294967295, data bits 0..255; false for anything else.
bool ParsePortSettings(std::string_view text, PortSettings* settings);

// The server's settings through GetComSettings; unknown when it fails (*result, when given,
// says how).
PortSettings ReadPortSettings(ITagServer& server, HResult* result = nullptr);
