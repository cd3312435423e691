#include "catalogue/DescriptionLint.h"

#include <cstdint>
#include <cstdio>
#include <map>
#include <ostream>
#include <sstream>
#include <string_view>
#include <unordered_map>

#include "catalogue/CatalogueLoader.h"
#include "catalogue/Checksum.h"
#include "catalogue/DescriptionReader.h"

namespace {

// The largest values a tree key carries: 8 bits of type code, 16 bits of parameter
// number of which 0xFFFF marks a group.
constexpr int kMaxTypeCode = 255;
constexpr int kMaxParameterNumber = 65534;
constexpr int kRegisterMapFindingLimit = 1000;
// Modbus addresses a coil, a discrete input or a register in 16 bits.
constexpr long long kMaxModbusAddress = 65535;

bool IsControlByte(char c)
{
    const unsigned char b = static_cast<unsigned char>(c);
    return (b >= 0x01 && b < 0x20) || b == 0x7F;
}

bool IsModbusArea(int area)
{
    return area == kMemoryCoil || area == kMemoryDiscreteInput || area == kMemoryHoldingRegister ||
           area == kMemoryInputRegister;
}

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
    bool HeaderSeen() const { return m_headerSeen; }
    std::vector<LintFinding>& Findings() { return m_findings; }

    LintFinding& Report(int line, LintCode code)
    {
        LintFinding finding;
        finding.line = line;
        finding.code = code;
        m_findings.push_back(finding);
        return m_findings.back();
    }

    // The register-map findings of one file are listed up to a limit: a generated file of
    // one address repeated a million times would otherwise give a million lines that say
    // the same. Beyond it they are counted (a throw-away finding takes their fields).
    LintFinding& MapReport(int line, LintCode code)
    {
        if (m_mapFindings < kRegisterMapFindingLimit) {
            ++m_mapFindings;
            return Report(line, code);
        }
        ++m_mapFindingsLeftOut;
        m_leftOut = LintFinding();
        return m_leftOut;
    }

    long long MapFindingsLeftOut() const { return m_mapFindingsLeftOut; }

    void OnWordTooLong(int line, DescriptionField field, std::string_view kept, std::size_t length) override
    {
        LintFinding& finding = Report(line, LintCode::WordTooLong);
        finding.field = field;
        finding.word = std::string(kept);
        finding.number = static_cast<long long>(length);
    }

    void OnNulByte(int line, DescriptionField field) override { Report(line, LintCode::NulByte).field = field; }

    void OnNotANumber(int line, DescriptionField field, std::string_view word) override
    {
        LintFinding& finding = Report(line, LintCode::NotANumber);
        finding.field = field;
        finding.word = std::string(word);
    }

    void OnNumberOutOfRange(int line, DescriptionField field) override
    {
        Report(line, LintCode::NumberOutOfRange).field = field;
    }

    void OnDeviceHeader(int line, const CDevice& device, bool typeCodeRead) override
    {
        m_headerSeen = true;
        if (typeCodeRead && (device.m_nTypeCode < 1 || device.m_nTypeCode > kMaxTypeCode))
            Report(line, LintCode::TypeCodeOutOfRange).number = device.m_nTypeCode;
        CheckControlCharacters(line, DescriptionField::DeviceName, device.m_strName);
    }

    void OnUnknownType(int line, std::string_view word) override
    {
        Report(line, LintCode::UnknownType).word = std::string(word);
    }

    void OnUnknownMemory(int line, std::string_view word) override
    {
        Report(line, LintCode::UnknownMemory).word = std::string(word);
    }

    void OnParameter(int line, const CParameter& parameter, const ParameterReadInfo& info) override
    {
        if (info.cutShort)
            Report(line, LintCode::ParameterCutShort).word = parameter.m_strName;
        if (info.numberRead) {
            const int number = parameter.m_nNumber;
            if (number < 1 || number > kMaxParameterNumber)
                Report(line, LintCode::ParameterNumberOutOfRange).number = number;
            const auto known = m_numbers.find(number);
            if (known != m_numbers.end()) {
                LintFinding& finding = Report(line, LintCode::ParameterNumberReused);
                finding.number = number;
                finding.other = known->second;
            } else {
                m_numbers.emplace(number, line);
            }
        }
        for (const std::string& value : parameter.m_EnumValues) {
            if (!value.empty() && value[0] == ';') {
                Report(line, LintCode::EnumValueLooksLikeComment).word = value;
                break;
            }
        }
        // A name becomes a tag name on every line that shows it, cut short or not.
        CheckControlCharacters(line, DescriptionField::ParameterName, parameter.m_strName);
        // A parameter cut short has fields the file never gave; its finding says enough.
        if (info.cutShort)
            return;
        CheckRegisters(line, parameter);
        CheckName(line, parameter);
        CheckAccess(line, parameter);
        if (parameter.m_nType == kTypeEnum && parameter.m_EnumValues.GetCount() == 0)
            MapReport(line, LintCode::EnumWithoutValues).word = parameter.m_strName;
    }

private:
    struct Occupant {
        int line;
        std::string name;
        long long first, last;
    };

    // Registers of 16 bits: a REAL or an INT takes two, its address and the next, every
    // other type one. Coils and discrete inputs are one bit each; of the other areas
    // nothing is known but that an address names one place.
    static int Width(const CParameter& parameter)
    {
        const bool registers =
            parameter.m_nMemory == kMemoryHoldingRegister || parameter.m_nMemory == kMemoryInputRegister;
        return registers && (parameter.m_nType == kTypeReal || parameter.m_nType == kTypeInt) ? 2 : 1;
    }

    // Control characters reach terminals, tag files and the journal as they are: a name
    // holding ESC [ 3 1 m turns a console red wherever the tag's name is printed.
    void CheckControlCharacters(int line, DescriptionField field, const std::string& name)
    {
        for (char c : name) {
            if (IsControlByte(c)) {
                LintFinding& f = MapReport(line, LintCode::ControlCharacterInName);
                f.field = field;
                f.word = name;
                return;
            }
        }
    }

    // Each parameter is checked against those before it; it names the first one it meets.
    void CheckRegisters(int line, const CParameter& parameter)
    {
        if (parameter.m_nMemory < 0 || parameter.m_nMemory >= kMemoryAreaCount)
            return;  // an unknown area has a finding of its own
        auto& places = m_places[parameter.m_nMemory];
        const long long first = parameter.m_nAddress;
        const long long last = first + Width(parameter) - 1;
        if (IsModbusArea(parameter.m_nMemory)) {
            if (first < 0 || first > kMaxModbusAddress) {
                LintFinding& f = MapReport(line, LintCode::AddressOutOfRange);
                f.word = parameter.m_strName;
                f.area = parameter.m_nMemory;
                f.number = first;
            } else if (last > kMaxModbusAddress) {
                LintFinding& f = MapReport(line, LintCode::ValuePastLastRegister);
                f.word = parameter.m_strName;
                f.area = parameter.m_nMemory;
                f.first = first;
                f.last = last;
            }
        }
        bool reported = false;
        bool placed = false;
        for (long long address = first; address <= last; ++address) {
            const auto taken = places.find(address);
            if (taken != places.end()) {
                if (!reported) {
                    const Occupant& other = m_occupants[taken->second];
                    LintFinding& f = MapReport(line, LintCode::RegistersOverlap);
                    f.word = parameter.m_strName;
                    f.area = parameter.m_nMemory;
                    f.first = first;
                    f.last = last;
                    f.otherWord = other.name;
                    f.other = other.line;
                    f.otherFirst = other.first;
                    f.otherLast = other.last;
                    reported = true;
                }
                continue;
            }
            places.emplace(address, m_occupants.size());
            placed = true;
        }
        // Only a first occupant is ever named: a file of one address repeated keeps one.
        if (placed)
            m_occupants.push_back(Occupant{line, parameter.m_strName, first, last});
    }

    // Two tags of one name, and a name that is a tag and a group at once ("A.B" beside
    // "A.B.C"): the tree holds one node per name.
    void CheckName(int line, const CParameter& parameter)
    {
        const std::string& name = parameter.m_strName;
        const auto known = m_names.find(name);
        if (known != m_names.end()) {
            // Under the same number it is the same tag, which the number's finding covers.
            if (known->second.number != parameter.m_nNumber) {
                LintFinding& f = MapReport(line, LintCode::NameReused);
                f.word = name;
                f.other = known->second.line;
            }
            return;
        }
        m_names.emplace(name, NameUse{line, parameter.m_nNumber});
        const auto group = m_groups.find(name);
        if (group != m_groups.end()) {
            LintFinding& f = MapReport(line, LintCode::TagIsAlsoGroup);
            f.word = name;
            f.otherWord = group->second.name;
            f.other = group->second.line;
        }
        bool reported = false;
        for (std::size_t dot = name.find('.'); dot != std::string::npos; dot = name.find('.', dot + 1)) {
            const std::string prefix = name.substr(0, dot);
            if (!reported) {
                const auto tag = m_names.find(prefix);
                if (tag != m_names.end()) {
                    LintFinding& f = MapReport(line, LintCode::GroupIsAlsoTag);
                    f.word = name;
                    f.otherWord = prefix;
                    f.other = tag->second.line;
                    reported = true;
                }
            }
            if (m_groups.find(prefix) == m_groups.end())
                m_groups.emplace(prefix, Occupant{line, name, 0, 0});
        }
    }

    void CheckAccess(int line, const CParameter& parameter)
    {
        if (parameter.m_nAccess & kAccessWrite &&
            (parameter.m_nMemory == kMemoryInputRegister || parameter.m_nMemory == kMemoryDiscreteInput)) {
            LintFinding& f = MapReport(line, LintCode::WriteInReadOnlyArea);
            f.word = parameter.m_strName;
            f.area = parameter.m_nMemory;
        }
        if ((parameter.m_nAccess & (kAccessRead | kAccessWrite)) == 0)
            MapReport(line, LintCode::NoAccess).word = parameter.m_strName;
    }

    struct NameUse {
        int line;
        int number;
    };

    std::vector<LintFinding> m_findings;
    int m_mapFindings = 0;
    long long m_mapFindingsLeftOut = 0;
    LintFinding m_leftOut;
    bool m_headerSeen = false;
    std::map<int, int> m_numbers;  // parameter number -> line of its first use
    std::map<long long, std::size_t> m_places[kMemoryAreaCount];  // per area: address -> its first occupant
    std::vector<Occupant> m_occupants;
    std::unordered_map<std::string, NameUse> m_names;  // tag name -> its first use
    std::unordered_map<std::string, Occupant> m_groups;  // group name -> the first name below it
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

std::vector<LintFinding> FindDescriptionMistakes(std::string_view fileBytes, const std::string& name)
{
    CLinter linter;
    std::string_view text = fileBytes;
    if (!IsTextSource(fileBytes, name)) {
        const ChecksumCheck check = CheckChecksum(fileBytes);
        if (check.status == ChecksumStatus::TooShort) {
            linter.Report(1, LintCode::TooShortForChecksum);
            return std::move(linter.Findings());
        }
        if (check.status == ChecksumStatus::Mismatch) {
            LintFinding& finding = linter.Report(1, LintCode::ChecksumMismatch);
            finding.number = check.stored;
            finding.other = check.computed;
        }
        text = fileBytes.substr(4);
    }

    std::ostringstream messages;  // the reader's own lines; the findings say the same
    CDevice device;
    if (ReadDescriptionText(text, name, device, messages, &linter) != 0) {
        linter.Report(1, LintCode::NoMarker);
        return std::move(linter.Findings());
    }
    const int lastLine = LineCount(text);
    if (linter.MapFindingsLeftOut() > 0)
        linter.Report(lastLine, LintCode::MoreRegisterMapFindings).number = linter.MapFindingsLeftOut();
    if (!linter.HeaderSeen())
        linter.Report(lastLine, LintCode::NoDeviceHeader);
    if (!text.empty() && !IsSpaceByte(text.back()))
        linter.Report(lastLine, LintCode::EndsInsideWord);
    return std::move(linter.Findings());
}

bool LintFindingOtherIsLine(LintCode code)
{
    switch (code) {
    case LintCode::ParameterNumberReused:
    case LintCode::RegistersOverlap:
    case LintCode::NameReused:
    case LintCode::TagIsAlsoGroup:
    case LintCode::GroupIsAlsoTag: return true;
    default: return false;
    }
}

std::string MemoryAreaKeyword(int area)
{
    return area >= 0 && area < kMemoryAreaCount ? std::string(kMemoryAreaKeywords[area]) : std::string("?");
}

std::string ControlCharactersShown(std::string_view text)
{
    std::string shown;
    shown.reserve(text.size());
    for (char c : text) {
        if (IsControlByte(c)) {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\x%02X", static_cast<unsigned>(static_cast<unsigned char>(c)));
            shown += escaped;
        } else {
            shown += c;
        }
    }
    return shown;
}

namespace {

// "HOLD_REG 100" or "HOLD_REG 100-101".
std::string Registers(int area, long long first, long long last)
{
    std::string text = MemoryAreaKeyword(area) + " " + std::to_string(first);
    if (last != first) text += "-" + std::to_string(last);
    return text;
}

}  // namespace

const std::vector<LintCode>& AllLintCodes()
{
#define ZOL_LINT_LIST_ROW(name) LintCode::name,
    static const std::vector<LintCode> codes = {ZOL_LINT_CODES(ZOL_LINT_LIST_ROW)};
#undef ZOL_LINT_LIST_ROW
    return codes;
}

std::string LintFindingText(const LintFinding& f)
{
    const std::string field = DescriptionFieldName(f.field);
    const std::string number = std::to_string(f.number);
    switch (f.code) {
    case LintCode::WordTooLong:
        return field + " '" + f.word + "...' is " + number + " bytes long; only the first " +
               std::to_string(f.word.size()) + " are kept";
    case LintCode::NulByte: return "NUL byte in a word (" + field + "); the word ends there";
    case LintCode::NotANumber:
        return field + " expected, found '" + f.word + "'; it is read as the next field instead";
    case LintCode::NumberOutOfRange: return field + " does not fit in 32 bits; it is clamped";
    case LintCode::TypeCodeOutOfRange: return "device type code " + number + " is outside 1-255";
    case LintCode::UnknownType: return "unknown data type '" + f.word + "' (type 255)";
    case LintCode::UnknownMemory: return "unknown memory area '" + f.word + "' (memory 255)";
    case LintCode::ParameterCutShort: return "parameter '" + f.word + "' is cut short by the end of the file";
    case LintCode::ParameterNumberOutOfRange: return "parameter number " + number + " is outside 1-65534";
    case LintCode::ParameterNumberReused:
        return "parameter number " + number + " is already used on line " + std::to_string(f.other) +
               " (this later one is the one found)";
    case LintCode::EnumValueLooksLikeComment:
        return "'" + f.word +
               "' is an enumeration value: behind an ENUM parameter the rest of the line is values, not a comment";
    case LintCode::TooShortForChecksum: return "shorter than the 4 checksum bytes; the file is refused";
    case LintCode::ChecksumMismatch: {
        char hex[96];
        std::snprintf(hex, sizeof hex, "stored checksum %08X, computed %08X; the file is refused",
                      static_cast<unsigned>(f.number), static_cast<unsigned>(f.other));
        return hex;
    }
    case LintCode::NoMarker: return "does not begin with DEVICE_DESCRIPTION; the file is refused";
    case LintCode::NoDeviceHeader: return "no device name and type code";
    case LintCode::EndsInsideWord: return "the file ends inside a word (no line end after the last word)";
    case LintCode::RegistersOverlap:
        return "'" + f.word + "' (" + Registers(f.area, f.first, f.last) + ") overlaps '" + f.otherWord +
               "' on line " + std::to_string(f.other) + " (" + Registers(f.area, f.otherFirst, f.otherLast) + ")";
    case LintCode::NameReused:
        return "name '" + f.word + "' is already used on line " + std::to_string(f.other) + ": two tags of one name";
    case LintCode::TagIsAlsoGroup:
        return "'" + f.word + "' is also a group, of '" + f.otherWord + "' on line " + std::to_string(f.other) +
               ": the tree cannot show both";
    case LintCode::GroupIsAlsoTag:
        return "'" + f.word + "' makes a group of '" + f.otherWord + "', a tag on line " + std::to_string(f.other) +
               ": the tree cannot show both";
    case LintCode::WriteInReadOnlyArea:
        return "'" + f.word + "' has write access in " + MemoryAreaKeyword(f.area) + ", which cannot be written";
    case LintCode::NoAccess: return "'" + f.word + "' has access without R or W";
    case LintCode::EnumWithoutValues: return "ENUM parameter '" + f.word + "' has no values";
    case LintCode::ControlCharacterInName:
        return field + " '" + ControlCharactersShown(f.word) +
               "' holds control characters; they reach terminals and CSV files as they are";
    case LintCode::AddressOutOfRange:
        return "'" + f.word + "' has address " + number + " in " + MemoryAreaKeyword(f.area) + ", outside 0-65535";
    case LintCode::ValuePastLastRegister:
        return "'" + f.word + "' (" + Registers(f.area, f.first, f.last) +
               ") is a 32-bit value that runs past the last register, 65535";
    case LintCode::MoreRegisterMapFindings:
        return number + " more findings of the register map are not listed (the first 1000 are)";
    }
    return "unknown finding";
}

int LintDescription(std::string_view fileBytes, const std::string& name, std::ostream& out)
{
    const std::vector<LintFinding> findings = FindDescriptionMistakes(fileBytes, name);
    for (const LintFinding& finding : findings)
        out << name << ":" << finding.line << ": " << LintFindingText(finding) << "\n";
    return static_cast<int>(findings.size());
}
