#include "catalogue/DescriptionLint.h"

#include <cstdint>
#include <cstdio>
#include <map>
#include <ostream>
#include <sstream>

#include "catalogue/CatalogueLoader.h"
#include "catalogue/Checksum.h"
#include "catalogue/DescriptionReader.h"

namespace {

// The largest values a tree key carries: 8 bits of type code, 16 bits of parameter
// number of which 0xFFFF marks a group.
constexpr int kMaxTypeCode = 255;
constexpr int kMaxParameterNumber = 65534;

bool IsSpaceByte(char c)
{
    return c == ' ' || static_cast<unsigned>(static_cast<unsigned char>(c) - '\t') < 5u;
}

bool BeginsWithMarker(std::string_view bytes)
{
    std::size_t i = 0;
    while (i < bytes.size() && IsSpaceByte(bytes[i]))
        ++i;
    const std::string_view marker(kDescriptionMarker);
    return bytes.substr(i, marker.size()) == marker &&
           (i + marker.size() == bytes.size() || IsSpaceByte(bytes[i + marker.size()]));
}

// A text source begins with the marker, a signed file has it behind its 4 checksum bytes.
// When neither holds, the name decides: "*.dsc" is taken for a signed file.
bool IsTextSource(std::string_view bytes, const std::string& name)
{
    if (BeginsWithMarker(bytes))
        return true;
    if (bytes.size() >= 4 && BeginsWithMarker(bytes.substr(4)))
        return false;
    return !IsDescriptionFileName(name);
}

class CLinter : public IDescriptionObserver {
public:
    CLinter(const std::string& name, std::ostream& out) : m_name(name), m_out(out) {}

    int Findings() const { return m_findings; }
    bool HeaderSeen() const { return m_headerSeen; }

    void Report(int line, const std::string& message)
    {
        m_out << m_name << ":" << line << ": " << message << "\n";
        ++m_findings;
    }

    void OnWordTooLong(int line, DescriptionField field, std::string_view kept, std::size_t length) override
    {
        std::ostringstream text;
        text << DescriptionFieldName(field) << " '" << kept << "...' is " << length
             << " bytes long; only the first " << kept.size() << " are kept";
        Report(line, text.str());
    }

    void OnNulByte(int line, DescriptionField field) override
    {
        Report(line, std::string("NUL byte in a word (") + DescriptionFieldName(field) +
                         "); the word ends there");
    }

    void OnNotANumber(int line, DescriptionField field, std::string_view word) override
    {
        Report(line, std::string(DescriptionFieldName(field)) + " expected, found '" + std::string(word) +
                         "'; it is read as the next field instead");
    }

    void OnNumberOutOfRange(int line, DescriptionField field) override
    {
        Report(line, std::string(DescriptionFieldName(field)) + " does not fit in 32 bits; it is clamped");
    }

    void OnDeviceHeader(int line, const CDevice& device, bool typeCodeRead) override
    {
        m_headerSeen = true;
        if (typeCodeRead && (device.m_nTypeCode < 1 || device.m_nTypeCode > kMaxTypeCode))
            Report(line, "device type code " + std::to_string(device.m_nTypeCode) + " is outside 1-255");
    }

    void OnUnknownType(int line, std::string_view word) override
    {
        Report(line, "unknown data type '" + std::string(word) + "' (type 255)");
    }

    void OnUnknownMemory(int line, std::string_view word) override
    {
        Report(line, "unknown memory area '" + std::string(word) + "' (memory 255)");
    }

    void OnParameter(int line, const CParameter& parameter, const ParameterReadInfo& info) override
    {
        if (info.cutShort)
            Report(line, "parameter '" + parameter.m_strName + "' is cut short by the end of the file");
        if (info.numberRead) {
            const int number = parameter.m_nNumber;
            if (number < 1 || number > kMaxParameterNumber)
                Report(line, "parameter number " + std::to_string(number) + " is outside 1-65534");
            const auto known = m_numbers.find(number);
            if (known != m_numbers.end())
                Report(line, "parameter number " + std::to_string(number) + " is already used on line " +
                                 std::to_string(known->second) + " (this later one is the one found)");
            else
                m_numbers.emplace(number, line);
        }
        for (const std::string& value : parameter.m_EnumValues) {
            if (!value.empty() && value[0] == ';') {
                Report(line, "'" + value +
                                 "' is an enumeration value: behind an ENUM parameter the rest of the "
                                 "line is values, not a comment");
                break;
            }
        }
    }

private:
    std::string m_name;
    std::ostream& m_out;
    int m_findings = 0;
    bool m_headerSeen = false;
    std::map<int, int> m_numbers;  // parameter number -> line of its first use
};

int LineCount(std::string_view text)
{
    int lines = 1;
    for (char c : text) {
        if (c == '\n')
            ++lines;
    }
    return lines;
}

}  // namespace

int LintDescription(std::string_view fileBytes, const std::string& name, std::ostream& out)
{
    CLinter linter(name, out);
    std::string_view text = fileBytes;
    if (!IsTextSource(fileBytes, name)) {
        const ChecksumCheck check = CheckChecksum(fileBytes);
        if (check.status == ChecksumStatus::TooShort) {
            linter.Report(1, "shorter than the 4 checksum bytes; the file is refused");
            return linter.Findings();
        }
        if (check.status == ChecksumStatus::Mismatch) {
            char hex[96];
            std::snprintf(hex, sizeof hex, "stored checksum %08X, computed %08X; the file is refused",
                          static_cast<unsigned>(check.stored), static_cast<unsigned>(check.computed));
            linter.Report(1, hex);
        }
        text = fileBytes.substr(4);
    }

    std::ostringstream messages;  // the reader's own lines; the findings say the same
    CDevice device;
    if (ReadDescriptionText(text, name, device, messages, &linter) != 0) {
        linter.Report(1, "does not begin with DEVICE_DESCRIPTION; the file is refused");
        return linter.Findings();
    }
    const int lastLine = LineCount(text);
    if (!linter.HeaderSeen())
        linter.Report(lastLine, "no device name and type code");
    if (!text.empty() && !IsSpaceByte(text.back()))
        linter.Report(lastLine, "the file ends inside a word (no line end after the last word)");
    return linter.Findings();
}
