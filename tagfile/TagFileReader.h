// Reading a tag file (TagFile.h) as export writes it and as a person or a spreadsheet saves
// it, through the table reader of CsvTable.h: with or without a byte-order mark; UTF-8,
// Windows-1251 or UTF-16 (little- or big-endian, with its byte-order mark), detected; the
// separator ';', ',' or tab, detected from the header line; columns found by their names in
// the header, in any order (others are ignored; a known one named twice refuses the file);
// quoted fields with doubled quotes, line breaks inside quotes allowed; CR LF, LF or CR line
// ends; blank lines, lines of empty fields and lines starting with '#' skipped.
//
// A row that cannot be used is an issue with invalid = true and is never among the rows:
// a missing or empty column, a value outside its range, a period that is not a whole number
// of milliseconds from 0 to 86,400,000, a quote left open, the same tag on two rows with
// different periods (every row of that tag). The values are checked by CheckTagRowValues,
// the check every row an import sends goes through. A row refused only for values a tag the
// server already holds may have (param 0 or 65535, a period as export writes one it cannot
// carry back: "0.0007", "-1", "90000000") is marked existingTag: it can name that tag, never
// add it nor set its period (SettleExistingTagRows, ImportPlan.h). The same tag twice with the same period is one
// tag. With a TagNames, a type it does not know is a warning (once per type), and a device
// or name that differs from the catalogue's is a warning, or with strict an invalid row.
#pragma once

#include "tagfile/CsvTable.h"  // SplitCsvRecords, for the tables that share the conventions
#include "tagfile/TagFile.h"
#include "tagfile/TagNames.h"

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

enum class TagFileIssueKind {
    // The file as a whole
    NoHeader,          // no header line naming the columns
    HeaderLacksColumn, // column: the required column the header does not name
    RepeatedColumn,    // column: a column the header names twice
    // Invalid rows
    MissingValue,      // column: the column the row lacks or leaves empty
    BadType,           // text: the field
    BadAddress,
    BadParam,
    BadPeriod,
    UnclosedQuote,
    ConflictingPeriods,  // otherLine: a row of the same tag with another period
    // Warnings (invalid rows with strict, apart from UnknownType)
    UnknownType,       // text: the type code; count: rows of that type
    DeviceMismatch,    // text: the file's, expected: the catalogue's
    NameMismatch,
};

struct TagFileIssue {
    int line = 0;          // 1-based line where the row starts
    TagFileIssueKind kind = TagFileIssueKind::NoHeader;
    bool invalid = false;  // the row (or the file) cannot be used
    std::string column;
    std::string text;      // UTF-8, for messages
    std::string expected;  // UTF-8, for messages
    int otherLine = 0;
    std::size_t count = 0;
    // An invalid row whose type, address and param are plain numbers names that tag, even
    // when a value is out of range or another field is wrong: a replace never deletes it.
    bool namesTag = false;
    TagId id;
    // An invalid row whose only faults are values a tag on the server may have (param 0 or
    // 65535, a period not sendable but written as export writes it): id and period are the
    // row's, and the row is no fault when the server holds exactly that tag with that period.
    bool existingTag = false;
    std::int64_t period = 0;  // existingTag: the row's period in the server's units
    // existingTag, and SettleExistingTagRows found the server does not hold the tag so, where
    // the row is plainly about a server's tag (its param, or the tag is there with another
    // period): the reason says so.
    bool notOnServer = false;
};

// "type '300' is not a number from 1 to 255", "device 'PM3' differs from the catalogue's
// 'PM3F'": the reason without the place (ASCII apart from the quoted texts, UTF-8).
std::string DescribeTagFileIssue(const TagFileIssue& issue);

// The values a row an import sends must have, whether read from a file or made in the
// program (a device copy): type 1..255, address 1..247, param 1..65534, a period of whole
// milliseconds from 0 to 86,400,000. False for the first that fails, in that order, with
// *issue (when given) saying which (kind BadType, BadAddress, BadParam or BadPeriod) and
// the value as text (as export writes it); the issue's line and id are left to the caller.
bool CheckTagRowValues(const TagFileRecord& row, TagFileIssue* issue);

// A period_ms field as FormatPeriodField writes it (TagFileWriter.h): whole milliseconds, or
// with one to four decimals without a trailing 0, with a '-' before a negative one; in the
// server's units. False for any other text. ("2000" -> 20,000,000, "0.0007" -> 7.)
bool ParsePeriodField(std::string_view text, std::int64_t* period);

// The largest parameter number the server's interface carries (16 bits): a tag may be held
// with any from 0 to it, though only 1..65534 are ever added.
constexpr std::uint32_t kServerParamMax = 65535;

// One usable row.
struct TagFileRow : TagFileRecord {
    int line = 0;
    bool hasDevice = false;  // the file has the column and the row fills it
    bool hasName = false;
};

struct TagFileReadOptions {
    const TagNames* naming = nullptr;  // null: device and name are not checked
    bool strict = false;
};

struct TagFileContent {
    bool readable = false;  // a header line with every required column was found
    TagFileFormat format;   // as detected
    std::vector<TagFileRow> rows;       // usable rows in file order, one per tag
    std::vector<TagFileIssue> issues;   // ordered by line
    std::size_t invalidRows = 0;
    std::size_t warnings = 0;
};

TagFileContent ReadTagFile(std::string_view bytes, const TagFileReadOptions& options = {});

// The rows of a file that name tags, usable or not (0 for a file that is no tag file): what
// an export would lose by replacing it.
std::size_t CountTagRows(std::string_view bytes);
