// An estimate of how much of the serial line's time the configuration asks for. The model,
// which every front end states where it shows the figure:
//   - one request per tag and period;
//   - Modbus RTU frames: a request of 8 bytes, a response of 5 bytes plus 2 per register
//     (a REAL or an INT takes two registers, any other type one);
//   - 3.5 characters of silence after each frame;
//   - a fixed turnaround of the device between request and response (kDeviceTurnaroundMs);
//   - a character is a start bit, the data bits, a parity bit unless none, the stop bits.
// Tags with a period of 0 (or one the server did not give) are not counted. It is an
// estimate: it warns, it never refuses a configuration.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "serial/PortSettings.h"

constexpr double kDeviceTurnaroundMs = 10.0;
constexpr int kRequestFrameBytes = 8;
constexpr int kResponseFrameBytes = 5;  // without its registers
constexpr int kBytesPerRegister = 2;
constexpr double kSilenceCharacters = 3.5;

// Registers a parameter of this data type (catalogue/Device.h's ParameterType) reads.
int RegistersOfParameterType(int parameterType);

struct LineLoadTag {
    std::uint32_t type = 0, address = 0;
    std::int64_t periodMs = 0;  // <= 0: not counted
    int registers = 1;
};

struct DeviceLoad {
    std::uint32_t type = 0, address = 0;
    double requestsPerSecond = 0;
    double busyFraction = 0;  // of the line's time
};

struct LineLoadEstimate {
    bool known = false;            // the port's settings were known and usable
    double characterMs = 0;        // one character on the line
    double requestsPerSecond = 0;  // the configuration asks for
    double busyFraction = 0;       // of the line's time: 1.0 is all of it
    double capacityPerSecond = 0;  // requests per second the line carries at this mix
    std::size_t tagsCounted = 0;
    std::size_t tagsWithoutPeriod = 0;
    std::vector<DeviceLoad> busiest;  // when over the line's time: the three that ask most

    double Percent() const { return busyFraction * 100.0; }
    bool Overloaded() const { return busyFraction > 1.0; }
};

// Bits of one character; 0 when the settings cannot carry anything (unknown, no speed, no
// data bits, a code outside the known ones).
double CharacterBits(const PortSettings& port);

// Milliseconds one request of a tag with this many registers holds the line.
double RequestMs(double characterMs, int registers);

LineLoadEstimate EstimateLineLoad(const PortSettings& port, const std::vector<LineLoadTag>& tags);
