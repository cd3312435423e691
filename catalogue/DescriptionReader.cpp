#include "catalogue/DescriptionReader.h"

#include <cstdint>
#include <cstring>
#include <fstream>
#include <iostream>
#include <limits>
#include <system_error>
#include <utility>

#include "catalogue/Checksum.h"

namespace {

// White space as the C locale's isspace knows it: blank, \t, \n, \v, \f, \r.
inline bool IsSpace(unsigned char c)
{
    return c == ' ' || static_cast<unsigned>(c - '\t') < 5u;
}

inline bool IsDigit(unsigned char c)
{
    return static_cast<unsigned>(c - '0') < 10u;
}

inline unsigned char AsciiUpper(unsigned char c)
{
    return (c >= 'a' && c <= 'z') ? static_cast<unsigned char>(c - 'a' + 'A') : c;
}

bool EqualsIgnoringCase(std::string_view word, const char* keyword)
{
    const std::size_t n = std::strlen(keyword);
    if (word.size() != n)
        return false;
    for (std::size_t i = 0; i < n; ++i) {
        if (AsciiUpper(static_cast<unsigned char>(word[i])) != static_cast<unsigned char>(keyword[i]))
            return false;
    }
    return true;
}

// The kept text of a word: up to its first NUL byte, and at most limit bytes.
CDescriptionWord MakeWord(const char* start, std::size_t length, std::size_t limit)
{
    CDescriptionWord word;
    word.length = length;
    std::size_t keep = length;
    if (const void* nul = std::memchr(start, 0, length)) {
        word.hasNul = true;
        keep = static_cast<std::size_t>(static_cast<const char*>(nul) - start);
    }
    if (keep > limit)
        keep = limit;
    word.value = std::string_view(start, keep);
    return word;
}

bool IsComment(const CDescriptionWord& word)
{
    return !word.value.empty() && word.value[0] == ';';
}

}  // namespace

const char* DescriptionFieldName(DescriptionField field)
{
    switch (field) {
    case DescriptionField::Marker: return "marker";
    case DescriptionField::DeviceName: return "device name";
    case DescriptionField::TypeCode: return "device type code";
    case DescriptionField::ParameterName: return "parameter name";
    case DescriptionField::Number: return "parameter number";
    case DescriptionField::Type: return "data type";
    case DescriptionField::Access: return "access";
    case DescriptionField::Memory: return "memory area";
    case DescriptionField::Address: return "address";
    case DescriptionField::EnumValue: return "enumeration value";
    }
    return "field";
}

CDescriptionText::CDescriptionText(std::string_view text, std::ostream& out, IDescriptionObserver* observer)
    : m_pos(text.data()), m_end(text.data() + text.size()), m_out(out), m_observer(observer)
{
}

void CDescriptionText::SkipSpace()
{
    while (m_pos != m_end && IsSpace(static_cast<unsigned char>(*m_pos))) {
        if (*m_pos == '\n')
            ++m_line;
        ++m_pos;
    }
}

bool CDescriptionText::ReadWord(std::size_t limit, CDescriptionWord& word)
{
    SkipSpace();
    if (m_pos == m_end)
        return false;
    const char* start = m_pos;
    while (m_pos != m_end && !IsSpace(static_cast<unsigned char>(*m_pos)))
        ++m_pos;
    word = MakeWord(start, static_cast<std::size_t>(m_pos - start), limit);
    return true;
}

void CDescriptionText::CheckWord(DescriptionField field, const CDescriptionWord& word, int line) const
{
    if (!m_observer)
        return;
    if (word.hasNul)
        m_observer->OnNulByte(line, field);
    else if (word.length > word.value.size())
        m_observer->OnWordTooLong(line, field, word.value, word.length);
}

CDescriptionText::NumberResult CDescriptionText::ReadNumber(DescriptionField field, int& value)
{
    SkipSpace();
    if (m_pos == m_end)
        return NumberResult::EndOfText;
    const char* p = m_pos;
    const bool negative = *p == '-';
    if (*p == '+' || *p == '-')
        ++p;
    if (p == m_end || !IsDigit(static_cast<unsigned char>(*p))) {
        // Not a number: nothing is consumed, the word stays for the next field.
        if (m_observer) {
            const char* wordEnd = m_pos;
            while (wordEnd != m_end && !IsSpace(static_cast<unsigned char>(*wordEnd)))
                ++wordEnd;
            m_observer->OnNotANumber(m_line, field,
                                     MakeWord(m_pos, static_cast<std::size_t>(wordEnd - m_pos), kNameWordLimit).value);
        }
        return NumberResult::NotANumber;
    }
    // Accumulate up to one past INT32_MAX (the magnitude of INT32_MIN); beyond that the
    // value is clamped, and the remaining digits are still consumed.
    constexpr std::int64_t kLimit = std::int64_t(std::numeric_limits<std::int32_t>::max()) + 1;
    std::int64_t magnitude = 0;
    bool overflow = false;
    for (; p != m_end && IsDigit(static_cast<unsigned char>(*p)); ++p) {
        if (!overflow) {
            magnitude = magnitude * 10 + (*p - '0');
            if (magnitude > kLimit)
                overflow = true;
        }
    }
    m_pos = p;
    std::int64_t result = negative ? -magnitude : magnitude;
    if (overflow || result > std::numeric_limits<std::int32_t>::max() ||
        result < std::numeric_limits<std::int32_t>::min()) {
        result = negative ? std::numeric_limits<std::int32_t>::min() : std::numeric_limits<std::int32_t>::max();
        if (m_observer)
            m_observer->OnNumberOutOfRange(m_line, field);
    }
    value = static_cast<int>(result);
    return NumberResult::Read;
}

std::string_view CDescriptionText::ReadRestOfLine()
{
    const char* start = m_pos;
    const void* lineEnd = std::memchr(m_pos, '\n', static_cast<std::size_t>(m_end - m_pos));
    if (lineEnd) {
        m_pos = static_cast<const char*>(lineEnd) + 1;
        ++m_line;
    } else {
        m_pos = m_end;
    }
    return std::string_view(start, static_cast<std::size_t>(m_pos - start));
}

void CDescriptionText::SkipRestOfLine()
{
    ReadRestOfLine();
}

int ParseParameterType(std::string_view word)
{
    for (int code = 0; code < kParameterTypeCount; ++code) {
        if (EqualsIgnoringCase(word, kParameterTypeKeywords[code]))
            return code;
    }
    return kTypeUnknown;
}

int ParseMemoryArea(std::string_view word)
{
    for (int code = 0; code < kMemoryAreaCount; ++code) {
        if (EqualsIgnoringCase(word, kMemoryAreaKeywords[code]))
            return code;
    }
    return kMemoryUnknown;
}

int ParseAccess(std::string_view word)
{
    int access = 0;
    if (word.find('R') != std::string_view::npos)
        access |= kAccessRead;
    if (word.find('W') != std::string_view::npos)
        access |= kAccessWrite;
    return access;
}

bool IsDeviceDescription(CDescriptionText& text)
{
    CDescriptionWord word;
    if (!text.ReadWord(kMarkerWordLimit, word))
        return false;
    text.CheckWord(DescriptionField::Marker, word, text.Line());
    return word.value == kDescriptionMarker;
}

bool ReadParameterType(CParameter& parameter, CDescriptionText& text)
{
    CDescriptionWord word;
    if (!text.ReadWord(kTypeWordLimit, word)) {
        parameter.m_nType = kTypeUnknown;
        return false;
    }
    text.CheckWord(DescriptionField::Type, word, text.Line());
    parameter.m_nType = ParseParameterType(word.value);
    if (parameter.m_nType == kTypeUnknown) {
        text.Out() << "Wrong parameter type - " << word.value << "\n";
        if (text.Observer())
            text.Observer()->OnUnknownType(text.Line(), word.value);
    }
    return true;
}

bool ReadAccess(CParameter& parameter, CDescriptionText& text)
{
    CDescriptionWord word;
    if (!text.ReadWord(kAccessWordLimit, word)) {
        parameter.m_nAccess = 0;
        return false;
    }
    text.CheckWord(DescriptionField::Access, word, text.Line());
    parameter.m_nAccess = ParseAccess(word.value);
    return true;
}

bool ReadMemoryArea(CParameter& parameter, CDescriptionText& text)
{
    CDescriptionWord word;
    if (!text.ReadWord(kMemoryWordLimit, word)) {
        parameter.m_nMemory = kMemoryUnknown;
        return false;
    }
    text.CheckWord(DescriptionField::Memory, word, text.Line());
    parameter.m_nMemory = ParseMemoryArea(word.value);
    if (parameter.m_nMemory == kMemoryUnknown) {
        text.Out() << "Wrong memory type - " << word.value << "\n";
        if (text.Observer())
            text.Observer()->OnUnknownMemory(text.Line(), word.value);
    }
    return true;
}

void ReadEnumValues(CParameter& parameter, CDescriptionText& text)
{
    if (parameter.m_nType != kTypeEnum)
        return;
    const int line = text.Line();
    const std::string_view rest = text.ReadRestOfLine();
    const char* p = rest.data();
    const char* end = p + rest.size();
    for (;;) {
        while (p != end && IsSpace(static_cast<unsigned char>(*p)))
            ++p;
        if (p == end)
            break;
        const char* start = p;
        while (p != end && !IsSpace(static_cast<unsigned char>(*p)))
            ++p;
        const CDescriptionWord word = MakeWord(start, static_cast<std::size_t>(p - start), kEnumWordLimit);
        text.CheckWord(DescriptionField::EnumValue, word, line);
        if (!word.value.empty())
            parameter.m_EnumValues.AddTail(std::string(word.value));
    }
}

int ReadParameter(CParameter& parameter, CDescriptionText& text)
{
    CDescriptionWord word;
    for (;;) {
        if (!text.ReadWord(kNameWordLimit, word))
            return -1;
        if (!IsComment(word))
            break;
        text.SkipRestOfLine();
    }
    const int line = text.Line();
    text.CheckWord(DescriptionField::ParameterName, word, line);
    parameter.m_strName.assign(word.value.data(), word.value.size());

    ParameterReadInfo info;
    const auto number = text.ReadNumber(DescriptionField::Number, parameter.m_nNumber);
    info.numberRead = number == CDescriptionText::NumberResult::Read;
    bool complete = number != CDescriptionText::NumberResult::EndOfText;
    complete = ReadParameterType(parameter, text) && complete;
    complete = ReadAccess(parameter, text) && complete;
    complete = ReadMemoryArea(parameter, text) && complete;
    const auto address = text.ReadNumber(DescriptionField::Address, parameter.m_nAddress);
    complete = address != CDescriptionText::NumberResult::EndOfText && complete;
    info.cutShort = !complete;
    ReadEnumValues(parameter, text);

    if (text.Observer())
        text.Observer()->OnParameter(line, parameter, info);
    return 0;
}

void ReadDevice(CDevice& device, CDescriptionText& text)
{
    CDescriptionWord word;
    for (;;) {
        if (!text.ReadWord(kNameWordLimit, word))
            return;  // no header: empty name, type code 0
        if (!IsComment(word))
            break;
        text.SkipRestOfLine();
    }
    const int line = text.Line();
    text.CheckWord(DescriptionField::DeviceName, word, line);
    device.m_strName.assign(word.value.data(), word.value.size());
    const auto typeCode = text.ReadNumber(DescriptionField::TypeCode, device.m_nTypeCode);
    if (text.Observer())
        text.Observer()->OnDeviceHeader(line, device, typeCode == CDescriptionText::NumberResult::Read);

    for (;;) {
        CParameter parameter;
        if (ReadParameter(parameter, text) != 0)
            break;
        device.m_Parameters.AddHead(std::move(parameter));
    }
}

int ReadDescriptionText(std::string_view text, const std::string& fileName, CDevice& device,
                        std::ostream& out, IDescriptionObserver* observer)
{
    CDescriptionText input(text, out, observer);
    if (!IsDeviceDescription(input)) {
        out << "File " << fileName << " don't contain device description information\n";
        return -1;
    }
    ReadDevice(device, input);
    return 0;
}

int ReadDescriptionFile(std::string_view fileBytes, const std::string& fileName, CDevice& device,
                        std::ostream& out, IDescriptionObserver* observer)
{
    if (CheckChecksum(fileBytes).status != ChecksumStatus::Ok) {
        out << "Wrong CRC in file " << fileName << "\n";
        return -1;
    }
    return ReadDescriptionText(fileBytes.substr(4), fileName, device, out, observer);
}

FileReadStatus ReadFileBytes(const std::filesystem::path& file, std::string& bytes)
{
    bytes.clear();
    std::error_code ec;
    if (std::filesystem::is_directory(file, ec))
        return FileReadStatus::CannotOpen;
    std::ifstream in(file, std::ios::binary);
    if (!in)
        return FileReadStatus::CannotOpen;
    std::size_t used = 0;
    for (;;) {
        if (bytes.size() - used < 4096)
            bytes.resize(bytes.empty() ? 16384 : bytes.size() * 2);
        in.read(&bytes[used], static_cast<std::streamsize>(bytes.size() - used));
        used += static_cast<std::size_t>(in.gcount());
        if (!in)
            break;
    }
    bytes.resize(used);
    return in.bad() ? FileReadStatus::ReadError : FileReadStatus::Ok;
}

int LoadDeviceFile(const std::filesystem::path& file, const std::string& fileName, CDevice& device,
                   std::ostream& out)
{
    // The file is read once: the checksum is verified over exactly the bytes that are then
    // parsed, so a file changing on disk between the two steps cannot slip through.
    std::string bytes;
    const FileReadStatus status = ReadFileBytes(file, bytes);
    if (status == FileReadStatus::CannotOpen) {
        out << fileName << " \tCan't open file\n";
        out << "Wrong CRC in file " << fileName << "\n";
        return -1;
    }
    if (CheckChecksum(bytes).status != ChecksumStatus::Ok) {
        out << "Wrong CRC in file " << fileName << "\n";
        return -1;
    }
    if (status == FileReadStatus::ReadError) {
        // The bytes read before the error happen to carry a matching checksum, but the
        // text is not complete: refuse the file rather than read part of it.
        out << "The file " << fileName << " was not opened\n";
        return -1;
    }
    return ReadDescriptionText(std::string_view(bytes).substr(4), fileName, device, out);
}

int LoadDeviceFile(const std::string& fileName, CDevice& device)
{
    return LoadDeviceFile(std::filesystem::path(fileName), fileName, device, std::cout);
}
