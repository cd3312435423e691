// The stand-in server's state files: plain text, one record a line, '#' starts a comment.
//
//   tags.txt   type address param period     the configured tags (period in 100-ns units)
//   port.txt   port baud databits stopbits parity
//   line.txt   address type delay_ms text    the devices that answer a probe (text = rest of line)
//   faults.txt see FaultTable.h
//
// Readers never fail: a line they cannot use is skipped and reported in the SkipLog so that
// the server can write it to its log and carry on with the rest. Writers produce text that
// the readers read back unchanged; WriteFileAtomic replaces a file as a whole.
#pragma once

#include <cstdint>
#include <filesystem>
#include <istream>
#include <map>
#include <string>
#include <vector>

#include "common/AtomicFile.h"
#include "common/Decimal.h"
#include "serial/PortSettings.h"
#include "standin/TagStore.h"

struct SkippedLine {
    std::string file;    // "tags.txt", ...
    int lineNumber = 0;  // 1-based
    std::string text;    // the line as read (without its line end)
    std::string reason;
};
using SkipLog = std::vector<SkippedLine>;

// "tags.txt:3: skipped \"1 2\": expected 4 fields" - the line written to the log.
std::string DescribeSkippedLine(const SkippedLine& skipped);

// The serial-port settings (serial/PortSettings.h; the stand-in's are always known) when
// port.txt is absent or unusable.
constexpr PortSettings kStandinDefaultPort{true, 1, 9600, 8, 0, 0};

// Data bits 5..8, stop-bits code 0..2, parity code 0..4. Port 0 stands for "no port" and is
// accepted, as is any baud rate.
bool ValidPortSettings(std::uint8_t dataBits, std::uint8_t stopBits, std::uint8_t parity);

// One device on the simulated serial line.
struct LineDevice {
    std::int32_t type = 0;
    std::uint32_t delayMs = 0;  // answer time
    std::string text;           // answer text, raw bytes
};
using SimulatedLine = std::map<std::uint32_t, LineDevice>;  // by network address

// Upper bound of every configurable time (answer delays, slow calls, probe timeout), so that
// a typo cannot hang a test for hours.
constexpr std::uint32_t kMaxConfiguredMs = 600000;

CTagStore ParseTagsFile(std::istream& in, SkipLog& skipped);
std::string FormatTagsFile(const CTagStore& tags);

// The first usable record wins; later records are skipped. Defaults when there is none.
PortSettings ParsePortFile(std::istream& in, SkipLog& skipped);
std::string FormatPortFile(const PortSettings& settings);

// Addresses 1..255; a later record for the same address is skipped.
SimulatedLine ParseLineFile(std::istream& in, SkipLog& skipped);


// Helpers shared by the readers of this folder.
namespace standin_text {

// Splits off the comment ('#' to the end) and the blanks; returns the whitespace-separated
// fields of what is left.
std::vector<std::string> Fields(const std::string& line);

// A whole field of a signed 64-bit number (a minus allowed, no plus); unsigned fields are
// read by ParseDecimal (common/Decimal.h).
bool ParseSigned64(const std::string& field, std::int64_t* value);

// Reads lines, dropping a trailing '\r'; calls `fn(lineNumber, line)` for each line that is
// neither blank nor a comment.
template <class Fn>
void ForEachRecord(std::istream& in, Fn fn)
{
    std::string line;
    int number = 0;
    while (std::getline(in, line)) {
        ++number;
        if (!line.empty() && line.back() == '\r') line.pop_back();
        auto first = line.find_first_not_of(" \t");
        if (first == std::string::npos || line[first] == '#') continue;
        fn(number, line);
    }
}

}  // namespace standin_text
