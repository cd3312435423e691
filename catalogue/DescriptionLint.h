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

// Every finding, one row each: its code and what the finding's members hold. The enum and
// the list of all codes (AllLintCodes) are read from here; each front end words every row
// (LintFindingText, and the window's Russian LintFindingTextRu), and the tests walk the
// list, so that a finding cannot be added without a tested text in both languages.
// clang-format off
#define ZOL_LINT_CODES(ROW)                                                                        \
    ROW(WordTooLong)                /* field; word: the kept part; number: the whole length */     \
    ROW(NulByte)                    /* field */                                                    \
    ROW(NotANumber)                 /* field; word: what stood there */                            \
    ROW(NumberOutOfRange)           /* field */                                                    \
    ROW(TypeCodeOutOfRange)         /* number: the type code */                                    \
    ROW(UnknownType)                /* word */                                                     \
    ROW(UnknownMemory)              /* word */                                                     \
    ROW(ParameterCutShort)          /* word: the parameter's name */                               \
    ROW(ParameterNumberOutOfRange)  /* number */                                                   \
    ROW(ParameterNumberReused)      /* number; other: the line of its first use */                 \
    ROW(EnumValueLooksLikeComment)  /* word: the value */                                          \
    ROW(TooShortForChecksum)        /* (the file is refused) */                                    \
    ROW(ChecksumMismatch)           /* number: stored, other: computed (the file is refused) */    \
    ROW(NoMarker)                   /* (the file is refused) */                                    \
    ROW(NoDeviceHeader)                                                                            \
    ROW(EndsInsideWord)                                                                            \
    /* Register maps. A pair names the other parameter: otherWord, and its line in other. */       \
    ROW(RegistersOverlap)   /* word, area, first..last: this one's registers; otherWord, other, */ \
                            /* otherFirst..otherLast: those of the one before it it overlaps */    \
    ROW(NameReused)         /* word; other: the line of its first use (under another number) */   \
    ROW(TagIsAlsoGroup)     /* word: this tag; otherWord: a name on line other making it a group */ \
    ROW(GroupIsAlsoTag)     /* word: this name; otherWord: the tag on line other it makes a group */ \
    ROW(WriteInReadOnlyArea)     /* word; area */                                                  \
    ROW(NoAccess)                /* word */                                                        \
    ROW(EnumWithoutValues)       /* word */                                                        \
    ROW(ControlCharacterInName)  /* field: DeviceName or ParameterName; word: the name */          \
    ROW(AddressOutOfRange)       /* word; area; number: the address (a Modbus area: 0-65535) */   \
    ROW(ValuePastLastRegister)   /* word; area; first..last: a 32-bit value from 65535 on */       \
    ROW(MoreRegisterMapFindings) /* number: how many past the first 1000 are not listed */
// clang-format on

#define ZOL_LINT_ENUM_ROW(name) name,
enum class LintCode { ZOL_LINT_CODES(ZOL_LINT_ENUM_ROW) };
#undef ZOL_LINT_ENUM_ROW

// Every code, in the list's order.
const std::vector<LintCode>& AllLintCodes();


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
