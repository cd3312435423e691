#include "standin/StateFiles.h"

#include "common/Decimal.h"

#include <cstdint>
#include <cstdio>
#include <sstream>
#include <system_error>

namespace standin_text {

std::vector<std::string> Fields(const std::string& line)
{
    std::vector<std::string> fields;
    std::string::size_type pos = 0;
    const std::string::size_type end = line.find('#');
    const std::string::size_type limit = end == std::string::npos ? line.size() : end;
    while (pos < limit) {
        pos = line.find_first_not_of(" \t", pos);
        if (pos == std::string::npos || pos >= limit) break;
        auto stop = line.find_first_of(" \t", pos);
        if (stop == std::string::npos || stop > limit) stop = limit;
        fields.push_back(line.substr(pos, stop - pos));
        pos = stop;
    }
    return fields;
}

bool ParseSigned64(const std::string& field, std::int64_t* value)
{
    // The files are written by the stand-in itself: a minus, never a plus.
    if (!field.empty() && field[0] == '+') return false;
    return ParseSignedDecimal(field, INT64_MIN, INT64_MAX, value);
}

}  // namespace standin_text

using namespace standin_text;

std::string DescribeSkippedLine(const SkippedLine& skipped)
{
    std::ostringstream out;
    out << skipped.file << ':' << skipped.lineNumber << ": skipped \"" << skipped.text
        << "\": " << skipped.reason;
    return out.str();
}

bool ValidPortSettings(std::uint8_t dataBits, std::uint8_t stopBits, std::uint8_t parity)
{
    return dataBits >= 5 && dataBits <= 8 && stopBits <= 2 && parity <= 4;
}

namespace {

void Skip(SkipLog& log, const char* file, int number, const std::string& line, std::string why)
{
    log.push_back(SkippedLine{file, number, line, std::move(why)});
}

}  // namespace

CTagStore ParseTagsFile(std::istream& in, SkipLog& skipped)
{
    static const char kFile[] = "tags.txt";
    CTagStore tags;
    ForEachRecord(in, [&](int number, const std::string& line) {
        auto f = Fields(line);
        if (f.size() != 4) return Skip(skipped, kFile, number, line, "expected 4 fields");
        std::uint64_t type = 0, address = 0, param = 0;
        std::int64_t period = 0;
        if (!ParseDecimal(f[0], 0xFFFFFFFFu, &type) || !ParseDecimal(f[1], 0xFFFFFFFFu, &address) ||
            !ParseDecimal(f[2], 0xFFFFFFFFu, &param) || !ParseSigned64(f[3], &period))
            return Skip(skipped, kFile, number, line, "not a number");
        if (!CTagStore::ValidKey(static_cast<std::uint32_t>(type), static_cast<std::uint32_t>(address),
                                 static_cast<std::uint32_t>(param)))
            return Skip(skipped, kFile, number, line,
                        "type and address must be 1..255, param 1..65535");
        if (period < 0) return Skip(skipped, kFile, number, line, "negative period");
        if (tags.Find(static_cast<std::uint32_t>(type), static_cast<std::uint32_t>(address),
                      static_cast<std::uint32_t>(param)) != nullptr)
            return Skip(skipped, kFile, number, line, "tag listed twice; the first one is kept");
        tags.Set(static_cast<std::uint32_t>(type), static_cast<std::uint32_t>(address),
                 static_cast<std::uint32_t>(param), period);
    });
    return tags;
}

std::string FormatTagsFile(const CTagStore& tags)
{
    std::ostringstream out;
    out << "# type address param period(100ns)\n";
    for (const auto& tag : tags.Tags())
        out << tag.type << ' ' << tag.address << ' ' << tag.param << ' ' << tag.period << '\n';
    return out.str();
}

PortSettings ParsePortFile(std::istream& in, SkipLog& skipped)
{
    static const char kFile[] = "port.txt";
    PortSettings settings = kStandinDefaultPort;
    bool have = false;
    ForEachRecord(in, [&](int number, const std::string& line) {
        if (have) return Skip(skipped, kFile, number, line, "only the first record is used");
        auto f = Fields(line);
        if (f.size() != 5) return Skip(skipped, kFile, number, line, "expected 5 fields");
        std::uint64_t port = 0, baud = 0, dataBits = 0, stopBits = 0, parity = 0;
        if (!ParseDecimal(f[0], 0xFFFF, &port) || !ParseDecimal(f[1], 0xFFFFFFFFu, &baud) ||
            !ParseDecimal(f[2], 0xFF, &dataBits) || !ParseDecimal(f[3], 0xFF, &stopBits) ||
            !ParseDecimal(f[4], 0xFF, &parity))
            return Skip(skipped, kFile, number, line, "not a number in range");
        if (!ValidPortSettings(static_cast<std::uint8_t>(dataBits), static_cast<std::uint8_t>(stopBits),
                               static_cast<std::uint8_t>(parity)))
            return Skip(skipped, kFile, number, line,
                        "data bits must be 5..8, stop-bits code 0..2, parity code 0..4");
        settings.port = static_cast<std::uint16_t>(port);
        settings.baudRate = static_cast<std::uint32_t>(baud);
        settings.dataBits = static_cast<std::uint8_t>(dataBits);
        settings.stopBits = static_cast<std::uint8_t>(stopBits);
        settings.parity = static_cast<std::uint8_t>(parity);
        have = true;
    });
    return settings;
}

std::string FormatPortFile(const PortSettings& s)
{
    std::ostringstream out;
    out << "# port baud databits stopbits(0=1,1=1.5,2=2) parity(0 None,1 Odd,2 Even,3 Mark,4 Space)\n"
        << s.port << ' ' << s.baudRate << ' ' << unsigned(s.dataBits) << ' ' << unsigned(s.stopBits)
        << ' ' << unsigned(s.parity) << '\n';
    return out.str();
}

SimulatedLine ParseLineFile(std::istream& in, SkipLog& skipped)
{
    static const char kFile[] = "line.txt";
    SimulatedLine devices;
    ForEachRecord(in, [&](int number, const std::string& line) {
        // Three numeric fields, then the answer text: the rest of the line after the blanks
        // that follow the third field, trailing blanks removed. '#' inside the text is text.
        std::string::size_type pos = 0;
        std::string field[3];
        for (auto& fld : field) {
            pos = line.find_first_not_of(" \t", pos);
            if (pos == std::string::npos)
                return Skip(skipped, kFile, number, line, "expected address, type and delay");
            auto stop = line.find_first_of(" \t", pos);
            if (stop == std::string::npos) stop = line.size();
            fld = line.substr(pos, stop - pos);
            pos = stop;
        }
        std::string text;
        auto textStart = line.find_first_not_of(" \t", pos);
        if (textStart != std::string::npos) {
            auto textEnd = line.find_last_not_of(" \t");
            text = line.substr(textStart, textEnd - textStart + 1);
        }
        std::uint64_t address = 0, delay = 0;
        std::int64_t type = 0;
        if (!ParseDecimal(field[0], 0xFF, &address) || address == 0)
            return Skip(skipped, kFile, number, line, "address must be 1..255");
        if (!ParseSigned64(field[1], &type) || type < INT32_MIN || type > INT32_MAX)
            return Skip(skipped, kFile, number, line, "type must be a 32-bit number");
        if (!ParseDecimal(field[2], kMaxConfiguredMs, &delay))
            return Skip(skipped, kFile, number, line, "delay must be 0..600000 ms");
        if (devices.count(static_cast<std::uint32_t>(address)) != 0)
            return Skip(skipped, kFile, number, line, "address listed twice; the first one is kept");
        devices[static_cast<std::uint32_t>(address)] =
            LineDevice{static_cast<std::int32_t>(type), static_cast<std::uint32_t>(delay), text};
    });
    return devices;
}

