// Writing tag files (TagFile.h) and the JSON form of a tag list.
#pragma once

#include "common/JsonWriter.h"  // AppendJsonString, for the tables that write JSON
#include "tagfile/TagFile.h"

#include <string>
#include <vector>

// The whole file: the header line, then one line per record in the given order. UTF-8
// (with a byte-order mark when the format asks) or Windows-1251; a field holding the
// separator, a quote, a line break or blanks at its ends, or a first field starting with
// '#', is quoted with its quotes doubled. A UTF-16LE format is written as UTF-8.
std::string WriteTagFile(const std::vector<TagFileRecord>& records, const TagFileFormat& format);

// The period field: whole milliseconds as digits; a period that is not a whole number of
// milliseconds exactly, with up to four decimals ("0.0001", "-1.5"); "" when not known.
std::string FormatPeriodField(const TagFileRecord& record);

// What a record holds that a file cannot carry back into a server: bits of RecordProblem.
enum RecordProblem : unsigned {
    kRecordTypeOutOfRange = 1,     // type outside 1..255
    kRecordAddressOutOfRange = 2,  // address outside 1..247
    kRecordParamOutOfRange = 4,    // param outside 1..65534
    kRecordPeriodNotWhole = 8,     // not a whole number of milliseconds
    kRecordPeriodOutOfRange = 16,  // outside 0..86,400,000 ms
    kRecordPeriodUnknown = 32,     // the server did not give it
};
unsigned RecordProblems(const TagFileRecord& record);
// The problems in words ("type 300 is outside 1..255; ..."), "" when none.
std::string DescribeRecordProblems(const TagFileRecord& record);

// The records as a JSON array of objects with the file's columns as members (UTF-8;
// period_ms a number, null when not known), one object a line.
std::string WriteTagListJson(const std::vector<TagFileRecord>& records);

// One CSV field as the tag files write it (quoted when it needs to be), appended to out;
// first: the line's first field (quoted when it starts with '#'). For other tables that
// keep the same conventions (the change journal).
void AppendCsvField(std::string& out, const std::string& field, char separator, bool first);

// A text field a spreadsheet would take for a formula (it begins with '=', '+', '-' or '@')
// gets a leading apostrophe, the spreadsheets' mark of plain text; so does one that
// begins with an apostrophe before such a character, so that UnguardFormula gives back
// exactly what was guarded. UnguardFormula removes the mark again (and leaves any other
// text as it is).
std::string GuardFormula(const std::string& text);
std::string UnguardFormula(const std::string& text);

