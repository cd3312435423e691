// The reader of device description files.
//
// A description file is a 4-byte checksum (Checksum.h) followed by a word-based text in
// Windows-1251: the marker DEVICE_DESCRIPTION, the device name and type code, then one
// parameter per line: name, number, data type, access, memory area, address and, for an
// ENUM parameter, the rest of the line as its enumeration words. A word that begins with
// ";" where a device or parameter name is expected starts a comment to the end of the line.
// Line ends are white space everywhere else; CR LF and LF are both accepted.
//
// The reader's messages go to an output stream (standard output in the program), one line
// each, ending in "\n":
//   "Wrong CRC in file %s"                                    file refused
//   "%s \tCan't open file"  (before the CRC line)             file refused
//   "The file %s was not opened"                              file refused (read error)
//   "File %s don't contain device description information"   file refused
//   "Wrong parameter type - %s", "Wrong memory type - %s"     code 255, reading goes on
//
// Beyond those, the reader accepts every input without complaint and never fails part-way:
//  - a word longer than its limit keeps its first bytes up to the limit, the rest of the
//    word is skipped and reading goes on with the next word;
//  - a word's text ends at a NUL byte, if it holds one (the rest of the word is skipped);
//  - a number outside the signed 32-bit range is clamped to INT32_MIN or INT32_MAX, with
//    all its digits consumed;
//  - a word that is not a number where one is expected is not consumed: the field stays as
//    it was and the word is read as the next field;
//  - a parameter cut short by the end of the file is kept; its missing fields are number
//    0, type 255, access 0, memory 255, address 0.
// An IDescriptionObserver hears about each of these (dsctool lint reports them).
#pragma once

#include <cstddef>
#include <filesystem>
#include <iosfwd>
#include <string>
#include <string_view>

#include "catalogue/Device.h"

// Longest word kept per field, in bytes.
constexpr std::size_t kMarkerWordLimit = 19;
constexpr std::size_t kTypeWordLimit = 19;
constexpr std::size_t kAccessWordLimit = 19;
constexpr std::size_t kMemoryWordLimit = 29;
constexpr std::size_t kEnumWordLimit = 59;
constexpr std::size_t kNameWordLimit = 149;

inline constexpr char kDescriptionMarker[] = "DEVICE_DESCRIPTION";

enum class DescriptionField {
    Marker,
    DeviceName,
    TypeCode,
    ParameterName,
    Number,
    Type,
    Access,
    Memory,
    Address,
    EnumValue,
};

// "device name", "parameter number", ...
const char* DescriptionFieldName(DescriptionField field);

struct ParameterReadInfo {
    bool numberRead = false;  // the number field held a decimal number
    bool cutShort = false;    // the text ended before the parameter's line was complete
    int lastLine = 0;         // the line of its address (where a comment behind it stands)
};

// Hears what the reader accepts silently. Line numbers count from 1 at the text's start.
class IDescriptionObserver {
public:
    virtual ~IDescriptionObserver() = default;
    virtual void OnWordTooLong(int /*line*/, DescriptionField /*field*/, std::string_view /*kept*/,
                               std::size_t /*length*/) {}
    virtual void OnNulByte(int /*line*/, DescriptionField /*field*/) {}
    virtual void OnNotANumber(int /*line*/, DescriptionField /*field*/, std::string_view /*word*/) {}
    virtual void OnNumberOutOfRange(int /*line*/, DescriptionField /*field*/) {}
    virtual void OnDeviceHeader(int /*line*/, const CDevice& /*device*/, bool /*typeCodeRead*/) {}
    virtual void OnUnknownType(int /*line*/, std::string_view /*word*/) {}
    virtual void OnUnknownMemory(int /*line*/, std::string_view /*word*/) {}
    virtual void OnParameter(int /*line*/, const CParameter& /*parameter*/,
                             const ParameterReadInfo& /*info*/) {}
    // A comment skipped where a name was expected: its text from the ";" to the end of its
    // line, the line end included.
    virtual void OnComment(int /*line*/, std::string_view /*text*/) {}
};

// A word as read: its kept text and what was cut from it.
struct CDescriptionWord {
    std::string_view value;   // at most the field's limit, and only the bytes before a NUL
    std::size_t length = 0;   // length of the whole word in the text
    bool hasNul = false;
};

// The description text being read (everything behind the checksum), with the reader's
// output and observer. Reads never go past the end of the text.
class CDescriptionText {
public:
    enum class NumberResult { Read, NotANumber, EndOfText };

    CDescriptionText(std::string_view text, std::ostream& out, IDescriptionObserver* observer = nullptr);

    // Skips white space and reads the next word; false at the end of the text.
    bool ReadWord(std::size_t limit, CDescriptionWord& word);
    // Tells the observer if the word was cut.
    void CheckWord(DescriptionField field, const CDescriptionWord& word, int line) const;
    // Skips white space and reads an optional sign and decimal digits into value.
    NumberResult ReadNumber(DescriptionField field, int& value);
    // The rest of the current line, its line end included (or up to the end of the text).
    std::string_view ReadRestOfLine();
    void SkipRestOfLine();
    // Skips the rest of the line of a comment's first word, telling the observer.
    void SkipComment(const CDescriptionWord& word);

    int Line() const { return m_line; }
    std::ostream& Out() const { return m_out; }
    IDescriptionObserver* Observer() const { return m_observer; }

private:
    void SkipSpace();

    const char* m_pos;
    const char* m_end;
    int m_line = 1;
    std::ostream& m_out;
    IDescriptionObserver* m_observer;
};

// Reads the first word and tests it for the marker (exact, upper case).
bool IsDeviceDescription(CDescriptionText& text);
// Reads the device header and all parameters; parameters are inserted at the head.
void ReadDevice(CDevice& device, CDescriptionText& text);
// 0 when a parameter was read, -1 at the end of the text.
int ReadParameter(CParameter& parameter, CDescriptionText& text);
// Each reads one field's word; false when the text ended before it.
bool ReadParameterType(CParameter& parameter, CDescriptionText& text);
bool ReadAccess(CParameter& parameter, CDescriptionText& text);
bool ReadMemoryArea(CParameter& parameter, CDescriptionText& text);
void ReadEnumValues(CParameter& parameter, CDescriptionText& text);

// The keyword's code, ignoring ASCII letter case; kTypeUnknown / kMemoryUnknown otherwise.
int ParseParameterType(std::string_view word);
int ParseMemoryArea(std::string_view word);
// kAccessRead if the word holds an upper-case R, plus kAccessWrite for an upper-case W.
int ParseAccess(std::string_view word);

// Reads a description text (no checksum) into device, which the caller passes in
// default-constructed. 0 when accepted, -1 when the marker is missing.
int ReadDescriptionText(std::string_view text, const std::string& fileName, CDevice& device,
                        std::ostream& out, IDescriptionObserver* observer = nullptr);

// Checks and reads a whole description file held in memory (checksum included).
int ReadDescriptionFile(std::string_view fileBytes, const std::string& fileName, CDevice& device,
                        std::ostream& out, IDescriptionObserver* observer = nullptr);

// Reads a description file from disk: 0 when it was accepted and read into device, -1
// when it was refused. Messages name the file as fileName.
int LoadDeviceFile(const std::filesystem::path& file, const std::string& fileName, CDevice& device,
                   std::ostream& out);
// The same with a buffer for the file's bytes that the caller reuses from file to file.
int LoadDeviceFile(const std::filesystem::path& file, const std::string& fileName, CDevice& device,
                   std::ostream& out, std::string& buffer);
// The same for a name relative to the working directory, with messages on standard output.
int LoadDeviceFile(const std::string& fileName, CDevice& device);

enum class FileReadStatus { Ok, CannotOpen, ReadError };
// Reads a whole file's bytes into a buffer of the file's size (the buffer's capacity is
// reused). Anything but a regular file (a directory, a FIFO, a device) counts as a file
// that cannot be opened; on a read error, bytes holds what was read before it.
FileReadStatus ReadFileBytes(const std::filesystem::path& file, std::string& bytes);
