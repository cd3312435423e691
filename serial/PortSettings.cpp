#include "serial/PortSettings.h"

#include "common/Decimal.h"

#include <vector>

namespace {

const char* const kParityNames[kParityCodeCount] = {"none", "odd", "even", "mark", "space"};
const char* const kStopBitsNames[kStopBitsCodeCount] = {"1", "1.5", "2"};

// The name of a code, or "code N" run together ("code9") when it has none.
std::string NameOrCode(const std::string& name, std::uint8_t code)
{
    return name.empty() ? "code" + std::to_string(code) : name;
}

}  // namespace

const char kNoPortName[] = "none";

std::string ParityName(std::uint8_t parity) { return parity < kParityCodeCount ? kParityNames[parity] : ""; }

std::string StopBitsName(std::uint8_t stopBits)
{
    return stopBits < kStopBitsCodeCount ? kStopBitsNames[stopBits] : "";
}

bool PortSettings::operator==(const PortSettings& o) const
{
    if (known != o.known) return false;
    return !known || (port == o.port && baudRate == o.baudRate && dataBits == o.dataBits && stopBits == o.stopBits &&
                      parity == o.parity);
}

bool ParsePortText(const std::string& text, std::uint16_t* port)
{
    std::string t = text;
    for (char& c : t) {
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    }
    if (t == kNoPortName) {
        *port = 0;
        return true;
    }
    if (t.compare(0, 3, "com") == 0) t = t.substr(3);
    std::uint16_t n = 0;
    if (!ParseDecimalTo<std::uint16_t>(t, 65535, &n) || n == 0) return false;
    *port = n;
    return true;
}

bool ParseParityText(const std::string& text, std::uint8_t* parity)
{
    for (std::uint8_t i = 0; i < kParityCodeCount; ++i) {
        if (text == kParityNames[i]) return *parity = i, true;
    }
    return false;
}

bool ParseStopBitsText(const std::string& text, std::uint8_t* stopBits)
{
    for (std::uint8_t i = 0; i < kStopBitsCodeCount; ++i) {
        if (text == kStopBitsNames[i]) return *stopBits = i, true;
    }
    return false;
}

std::string FormatPortSettings(const PortSettings& settings)
{
    if (!settings.known) return "?";
    // A code outside the known ones is shown as its number, never as a neighbour's name.
    const std::string port = settings.port == 0 ? kNoPortName : "COM" + std::to_string(settings.port);
    return port + " " + std::to_string(settings.baudRate) + " " + std::to_string(settings.dataBits) + " " +
           NameOrCode(ParityName(settings.parity), settings.parity) + " " +
           NameOrCode(StopBitsName(settings.stopBits), settings.stopBits);
}

bool ParsePortSettings(std::string_view text, PortSettings* settings)
{
    std::vector<std::string> words;
    std::size_t start = 0;
    for (;;) {
        const std::size_t at = text.find(' ', start);
        words.emplace_back(text.substr(start, at == std::string_view::npos ? std::string_view::npos : at - start));
        if (at == std::string_view::npos) break;
        start = at + 1;
    }
    if (words.size() != 5) return false;
    PortSettings p;
    if (!ParsePortText(words[0], &p.port) || !ParseDecimalTo<std::uint32_t>(words[1], 0xFFFFFFFFu, &p.baudRate) ||
        p.baudRate == 0 || !ParseDecimalTo<std::uint8_t>(words[2], 255, &p.dataBits) ||
        !ParseParityText(words[3], &p.parity) || !ParseStopBitsText(words[4], &p.stopBits))
        return false;
    p.known = true;
    *settings = p;
    return true;
}

PortSettings ReadPortSettings(ITagServer& server, HResult* result)
{
    PortSettings settings;
    const HResult hr = server.GetComSettings(&settings.port, &settings.baudRate, &settings.dataBits,
                                             &settings.stopBits, &settings.parity);
    settings.known = HrSucceeded(hr);
    if (result != nullptr) *result = hr;
    return settings;
}
