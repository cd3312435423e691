// Checks of description files for what the reader accepts silently but is almost surely a
// mistake: codes and numbers that cannot travel in a tree key, duplicate parameter
// numbers, cut words, unknown keywords, words that are not numbers, a file ending inside a
// word or inside a parameter's line; and the mistakes of register maps: registers that
// overlap, one name given twice, a tag that is also a group, write access where nothing
// can be written, access without R or W, an ENUM without values, control characters in a
// name, an address outside the Modbus range 0-65535 or a 32-bit value past its last
// register. All are warnings: the reader loads such files all the same.
//
// The checks give findings (a code with its parameters); each front end words them in its
// own language: dsctool in English (LintFindingText), the window in Russian.
#pragma once

#include <iosfwd>
#include <string>
#include <string_view>
#include <vector>

#include "catalogue/DescriptionReader.h"

enum class LintCode {
    WordTooLong,                // field; word: the kept part; number: the whole length
    NulByte,                    // field
    NotANumber,                 // field; word: what stood there
    NumberOutOfRange,           // field
    TypeCodeOutOfRange,         // number: the type code
    UnknownType,                // word
    UnknownMemory,              // word
    ParameterCutShort,          // word: the parameter's name
    ParameterNumberOutOfRange,  // number
    ParameterNumberReused,      // number; other: the line of its first use
    EnumValueLooksLikeComment,  // word: the value
    TooShortForChecksum,        // (the file is refused)
    ChecksumMismatch,           // number: stored, other: computed (the file is refused)
    NoMarker,                   // (the file is refused)
    NoDeviceHeader,
    EndsInsideWord,
    // Register maps. A pair names the other parameter: otherWord, and its line in other.
    RegistersOverlap,   // word, area, first..last: this one's registers; otherWord, other,
                        // otherFirst..otherLast: those of the one before it that it overlaps
    NameReused,         // word; other: the line of its first use (under another number)
    TagIsAlsoGroup,     // word: this tag's name; otherWord: a name on line other that makes it a group
    GroupIsAlsoTag,     // word: this name; otherWord: the tag on line other that it makes a group
    WriteInReadOnlyArea,  // word; area
    NoAccess,           // word
    EnumWithoutValues,  // word
    ControlCharacterInName,  // field: DeviceName or ParameterName; word: the name
    AddressOutOfRange,       // word; area; number: the address (a Modbus area: 0-65535)
    ValuePastLastRegister,   // word; area; first..last: a 32-bit value from 65535 on
    MoreRegisterMapFindings,  // number: how many past the first 1000 are not listed
};

// True for the codes whose `other` is a line of the file.
bool LintFindingOtherIsLine(LintCode code);

struct LintFinding {
    int line = 0;
    LintCode code = LintCode::NoMarker;
    DescriptionField field = DescriptionField::Marker;
    std::string word;  // Windows-1251, as in the file
    long long number = 0;
    long long other = 0;
    std::string otherWord;  // Windows-1251
    int area = -1;          // a memory area code
    long long first = 0, last = 0, otherFirst = 0, otherLast = 0;
};

// A memory area's keyword ("HOLD_REG"), "?" for an unknown code.
std::string MemoryAreaKeyword(int area);

// The text with its control characters (bytes 01-1F and 7F) written as "\x1B", so that a
// word quoted from a file cannot drive the terminal or split a line it is shown in.
std::string ControlCharactersShown(std::string_view text);

// Checks one file's bytes: a signed description file (checksum first) or its text source
// (a text that begins with the marker; when neither is clear, a "*.dsc" name means a
// signed file). The findings in the order of the file.
std::vector<LintFinding> FindDescriptionMistakes(std::string_view fileBytes, const std::string& name);

// A finding in English, without its place: "unknown data type 'NUMBER' (type 255)".
std::string LintFindingText(const LintFinding& finding);

// Checks one file and writes one line per finding, "<name>:<line>: <English text>";
// returns the number of findings.
int LintDescription(std::string_view fileBytes, const std::string& name, std::ostream& out);
