#include "catalogue/DescriptionReader.h"

#include <cstdint>
#include <cstring>
#include <fstream>
#include <iostream>
#include <limits>
#include <new>
#include <system_error>
#include <utility>

#include "catalogue/Checksum.h"

namespace {

// Byte classes of the text: white space as the C locale's isspace knows it (blank, \t, \n,
// \v, \f, \r), NUL, and everything else, which makes up words.
enum : unsigned char { kWordByte = 0, kSpaceByte = 1, kNulByte = 2 };

struct ByteClasses {
    unsigned char of[256];
};

constexpr ByteClasses MakeByteClasses()
{
    ByteClasses c{};
    for (int b : {' ', '\t', '\n', '\v', '\f', '\r'})
        c.of[b] = kSpaceByte;
    c.of[0] = kNulByte;
    return c;
}

constexpr ByteClasses kClasses = MakeByteClasses();

inline unsigned char ClassOf(char c)
{
    return kClasses.of[static_cast<unsigned char>(c)];
}

inline bool IsSpace(char c)
{
    return ClassOf(c) == kSpaceByte;
}

inline bool IsDigit(char c)
{
    return static_cast<unsigned>(static_cast<unsigned char>(c) - '0') < 10u;
}

// Keywords are upper case; the word may be in any letter case. Words are a few bytes
// long, so a plain loop beats a library call.
inline bool EqualsIgnoringCase(std::string_view word, std::string_view keyword)
{
    if (word.size() != keyword.size())
        return false;
    for (std::size_t i = 0; i < word.size(); ++i) {
        const char c = word[i];
        if (c != keyword[i] && !(c >= 'a' && c <= 'z' && c - ('a' - 'A') == keyword[i]))
            return false;
    }
    return true;
}

template <std::size_t N>
int FindKeyword(std::string_view word, const std::string_view (&keywords)[N], int unknown)
{
    for (std::size_t code = 0; code < N; ++code) {
        if (EqualsIgnoringCase(word, keywords[code]))
            return static_cast<int>(code);
    }
    return unknown;
}

// The eight bytes from p, the first in the lowest place (whatever the machine's order).
inline std::uint64_t LoadLittleEndian64(const char* p)
{
    const unsigned char* b = reinterpret_cast<const unsigned char*>(p);
    return std::uint64_t(b[0]) | std::uint64_t(b[1]) << 8 | std::uint64_t(b[2]) << 16 | std::uint64_t(b[3]) << 24 |
           std::uint64_t(b[4]) << 32 | std::uint64_t(b[5]) << 40 | std::uint64_t(b[6]) << 48 |
           std::uint64_t(b[7]) << 56;
}

// Marks (bit 7 of its place) the bytes below 0x21: white space, NUL and the other control
// bytes. A borrow may mark a byte above a marked one, but the lowest mark is always true.
inline std::uint64_t MarkLowBytes(std::uint64_t v)
{
    constexpr std::uint64_t kOnes = 0x0101010101010101u;
    return (v - kOnes * 0x21) & ~v & (kOnes * 0x80);
}

// The place of the lowest marked byte (marks is not 0).
inline unsigned FirstMarkedByte(std::uint64_t marks)
{
#if defined(__GNUC__)
    return static_cast<unsigned>(__builtin_ctzll(marks)) / 8;
#else
    unsigned place = 0;
    while (!(marks & 0x80)) {
        marks >>= 8;
        ++place;
    }
    return place;
#endif
}

// The end of the run of word bytes that begins at p, found eight bytes at a time: the first
// byte below 0x21 ends the word unless it is a control byte (which belongs to the word).
inline const char* SkipWordBytes(const char* p, const char* end)
{
    while (end - p >= 8) {
        const std::uint64_t marks = MarkLowBytes(LoadLittleEndian64(p));
        if (marks == 0) {
            p += 8;
            continue;
        }
        p += FirstMarkedByte(marks);
        if (ClassOf(*p) != kWordByte)
            return p;
        ++p;
    }
    while (p != end && ClassOf(*p) == kWordByte)
        ++p;
    return p;
}

// Scans a word from start (a non-space byte) to the next white space or the end. Its text
// is kept up to its first NUL byte and at most limit bytes.
inline const char* ScanWord(const char* start, const char* end, std::size_t limit, CDescriptionWord& word)
{
    const char* p = SkipWordBytes(start, end);
    std::size_t keep = static_cast<std::size_t>(p - start);
    word.hasNul = false;
    if (p != end && *p == '\0') {
        word.hasNul = true;
        while (p != end && !IsSpace(*p))
            ++p;
    }
    word.length = static_cast<std::size_t>(p - start);
    word.value = std::string_view(start, keep < limit ? keep : limit);
    return p;
}

// Every field of every parameter goes through the word and number readers; inlined into
// the parameter reader (GCC and Clang), their state stays in registers.
#if defined(__GNUC__)
#define ZOL_INLINE_CALLEES __attribute__((flatten))
#else
#define ZOL_INLINE_CALLEES
#endif

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

inline void CDescriptionText::SkipSpace()
{
    // Locals, so that the loop keeps them in registers.
    const char* p = m_pos;
    int line = m_line;
    while (p != m_end && IsSpace(*p)) {
        line += *p == '\n';
        ++p;
    }
    m_pos = p;
    m_line = line;
}

bool CDescriptionText::ReadWord(std::size_t limit, CDescriptionWord& word)
{
    SkipSpace();
    if (m_pos == m_end)
        return false;
    m_pos = ScanWord(m_pos, m_end, limit, word);
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
    if (p == m_end || !IsDigit(*p)) {
        // Not a number: nothing is consumed, the word stays for the next field.
        if (m_observer) {
            CDescriptionWord word;
            ScanWord(m_pos, m_end, kNameWordLimit, word);
            m_observer->OnNotANumber(m_line, field, word.value);
        }
        return NumberResult::NotANumber;
    }
    // Leading zeros add nothing; more than ten digits after them is beyond any 32-bit value.
    // The value is clamped then, and all the digits are still consumed.
    while (p != m_end && *p == '0')
        ++p;
    const char* digits = p;
    std::int64_t magnitude = 0;
    for (; p != m_end && IsDigit(*p); ++p) {
        if (p - digits < 10)
            magnitude = magnitude * 10 + (*p - '0');
    }
    m_pos = p;
    const bool overflow = p - digits > 10;
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

void CDescriptionText::SkipComment(const CDescriptionWord& word)
{
    const int line = m_line;
    const std::string_view rest = ReadRestOfLine();
    if (m_observer) {
        const char* start = word.value.data();
        m_observer->OnComment(line, std::string_view(start, static_cast<std::size_t>(rest.data() + rest.size() - start)));
    }
}

int ParseParameterType(std::string_view word)
{
    return FindKeyword(word, kParameterTypeKeywords, kTypeUnknown);
}

int ParseMemoryArea(std::string_view word)
{
    return FindKeyword(word, kMemoryAreaKeywords, kMemoryUnknown);
}

int ParseAccess(std::string_view word)
{
    int access = 0;
    for (char c : word) {
        if (c == 'R')
            access |= kAccessRead;
        else if (c == 'W')
            access |= kAccessWrite;
    }
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
        while (p != end && IsSpace(*p))
            ++p;
        if (p == end)
            break;
        CDescriptionWord word;
        p = ScanWord(p, end, kEnumWordLimit, word);
        text.CheckWord(DescriptionField::EnumValue, word, line);
        if (!word.value.empty())
            parameter.m_EnumValues.AddTail(std::string(word.value));
    }
}

ZOL_INLINE_CALLEES int ReadParameter(CParameter& parameter, CDescriptionText& text)
{
    CDescriptionWord word;
    for (;;) {
        if (!text.ReadWord(kNameWordLimit, word))
            return -1;
        if (!IsComment(word))
            break;
        text.SkipComment(word);
    }
    const int line = text.Line();
    text.CheckWord(DescriptionField::ParameterName, word, line);
    // Built in place and moved in: cheaper than assigning into the empty string.
    parameter.m_strName = std::string(word.value);

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
    info.lastLine = text.Line();
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
        text.SkipComment(word);
    }
    const int line = text.Line();
    text.CheckWord(DescriptionField::DeviceName, word, line);
    device.m_strName = std::string(word.value);
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
    // Only a regular file has a size, and an end to read up to: opening a FIFO waits for a
    // writer, a device may never end. Anything else is refused before it is opened.
    std::error_code ec;
    const std::uintmax_t size = std::filesystem::file_size(file, ec);
    if (ec)
        return FileReadStatus::CannotOpen;
    // A bare file buffer, unbuffered: each read goes straight from the file into bytes.
    std::filebuf in;
    in.pubsetbuf(nullptr, 0);
    if (!in.open(file, std::ios::in | std::ios::binary))
        return FileReadStatus::CannotOpen;
    // The buffer takes the file's own size, in the capacity left from earlier files when
    // that is enough. The bytes are appended as they are read and nothing is filled
    // first, so a big file read earlier costs nothing to the files after it, and a big
    // file's memory is written once (reading into a cache-sized chunk costs less than
    // filling the buffer first and then reading into it). A file that changed size since
    // is still read to its end. One too big to hold is a read error.
    if (size >= bytes.max_size())
        return FileReadStatus::ReadError;
    try {
        bytes.reserve(static_cast<std::size_t>(size));
    } catch (const std::bad_alloc&) {
        return FileReadStatus::ReadError;
    }
    try {
        // The file buffer throws on a read error (what a stream records as badbit). It
        // reads until the chunk is full or the file ends, so a chunk not filled is the end:
        // no further read is made to learn it again.
        char chunk[64 * 1024];
        for (;;) {
            const std::streamsize n = in.sgetn(chunk, sizeof chunk);
            if (n > 0)
                bytes.append(chunk, static_cast<std::size_t>(n));
            if (n < static_cast<std::streamsize>(sizeof chunk))
                break;
        }
    } catch (...) {
        return FileReadStatus::ReadError;
    }
    return FileReadStatus::Ok;
}

int LoadDeviceFile(const std::filesystem::path& file, const std::string& fileName, CDevice& device,
                   std::ostream& out, std::string& buffer)
{
    // The file is read once: the checksum is verified over exactly the bytes that are then
    // parsed, so a file changing on disk between the two steps cannot slip through.
    const FileReadStatus status = ReadFileBytes(file, buffer);
    if (status == FileReadStatus::CannotOpen) {
        out << fileName << " \tCan't open file\n";
        out << "Wrong CRC in file " << fileName << "\n";
        return -1;
    }
    if (CheckChecksum(buffer).status != ChecksumStatus::Ok) {
        out << "Wrong CRC in file " << fileName << "\n";
        return -1;
    }
    if (status == FileReadStatus::ReadError) {
        // The bytes read before the error happen to carry a matching checksum, but the
        // text is not complete: refuse the file rather than read part of it.
        out << "The file " << fileName << " was not opened\n";
        return -1;
    }
    return ReadDescriptionText(std::string_view(buffer).substr(4), fileName, device, out);
}

int LoadDeviceFile(const std::filesystem::path& file, const std::string& fileName, CDevice& device,
                   std::ostream& out)
{
    std::string buffer;
    return LoadDeviceFile(file, fileName, device, out, buffer);
}

int LoadDeviceFile(const std::string& fileName, CDevice& device)
{
    return LoadDeviceFile(std::filesystem::path(fileName), fileName, device, std::cout);
}
