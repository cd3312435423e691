// Checks of description files for what the reader accepts silently but is almost surely a
// mistake: codes and numbers that cannot travel in a tree key, duplicate parameter
// numbers, cut words, unknown keywords, words that are not numbers, a file ending inside a
// word or inside a parameter's line.
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
};

struct LintFinding {
    int line = 0;
    LintCode code = LintCode::NoMarker;
    DescriptionField field = DescriptionField::Marker;
    std::string word;  // Windows-1251, as in the file
    long long number = 0;
    long long other = 0;
};

// Checks one file's bytes: a signed description file (checksum first) or its text source
// (a text that begins with the marker; when neither is clear, a "*.dsc" name means a
// signed file). The findings in the order of the file.
std::vector<LintFinding> FindDescriptionMistakes(std::string_view fileBytes, const std::string& name);

// A finding in English, without its place: "unknown data type 'NUMBER' (type 255)".
std::string LintFindingText(const LintFinding& finding);

// Checks one file and writes one line per finding, "<name>:<line>: <English text>";
// returns the number of findings.
int LintDescription(std::string_view fileBytes, const std::string& name, std::ostream& out);
