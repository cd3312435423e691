// Tables kept by the conventions of the tag files (TagFile.h), for any set of named columns:
// the tag files themselves and the register tables of device descriptions read through it.
//
// As a person or a spreadsheet saves them: with or without a byte-order mark; UTF-8,
// Windows-1251 or UTF-16 (little- or big-endian, with its byte-order mark), detected; the
// separator ';', ',' or tab, detected from the header line (the first line that is neither
// blank nor a comment); columns found by their names in the header, letter case ignored, in
// any order (others are ignored); quoted fields with doubled quotes, line breaks inside
// quotes allowed; CR LF, LF or CR line ends; blank lines, lines of empty fields and lines
// starting with '#' skipped.
#pragma once

#include "tagfile/TagFile.h"

#include <memory>
#include <string>
#include <string_view>
#include <vector>

enum class CsvHeaderProblem {
    None,
    NoHeader,        // no line at all, or a first line naming none of the columns
    UnclosedQuote,   // the header line opens a quote that is never closed
    RepeatedColumn,  // column: a column the header names twice
    LacksColumn,     // column: the first required column the header does not name
};

struct CsvTableHeader {
    TagFileFormat format;  // as detected
    CsvHeaderProblem problem = CsvHeaderProblem::NoHeader;
    int line = 1;          // the header's line
    std::string column;    // for RepeatedColumn and LacksColumn
    // A second byte-order mark right behind the first (a program that added one to a text
    // that had it): it is read as part of the first field, so the header lacks that column.
    bool secondByteOrderMark = false;
    std::vector<int> place;  // per column asked for: its place among a row's fields, -1 when absent
};

struct CsvTableRow {
    int line = 0;  // 1-based line where the row starts
    std::vector<std::string> fields;  // in the file's encoding (TextOfField converts)
    bool unclosedQuote = false;       // a quote still open at the end of the text: the last row

    // The row's field of column c (its index among the columns asked for), null when the
    // header does not name the column or the row is shorter.
    const std::string* Field(const CsvTableHeader& header, int c) const
    {
        const int p = header.place[static_cast<std::size_t>(c)];
        return p >= 0 && static_cast<std::size_t>(p) < fields.size() ? &fields[static_cast<std::size_t>(p)] : nullptr;
    }
};

class CCsvScanner;

// Reads a table's bytes: the header first (Header()), then its rows one by one.
class CCsvTableReader {
public:
    // columns: the names to look for (lower case); required: indices into columns that the
    // header must name, checked in the order given.
    CCsvTableReader(std::string_view bytes, std::vector<std::string> columns, std::vector<int> required);
    ~CCsvTableReader();
    CCsvTableReader(const CCsvTableReader&) = delete;
    CCsvTableReader& operator=(const CCsvTableReader&) = delete;

    const CsvTableHeader& Header() const { return m_header; }
    // The next row that is not blank, a comment or a line of empty fields; false at the end
    // (always false when the header has a problem). After a row with an open quote, the end.
    bool NextRow(CsvTableRow& row);

private:
    std::string m_converted;  // the text as UTF-8 when the file is UTF-16
    std::unique_ptr<CCsvScanner> m_scanner;
    CsvTableHeader m_header;
    bool m_done = false;
};

// A field's text in the system's Windows-1251 (*lossless tells whether every character has
// its byte there), and as UTF-8, from the encoding the file was read in.
std::string CsvFieldToCp1251(const TagFileFormat& format, const std::string& field, bool* lossless = nullptr);
std::string CsvFieldToUtf8(const TagFileFormat& format, const std::string& field);

// The records of a CSV text as the table reader splits them (quotes, doubled quotes,
// line breaks inside quotes, CR LF / LF / CR), for tables without a header that keep the
// same conventions (the change journal). Blank lines are skipped; a record whose quote is
// still open at the end of the text is left out.
std::vector<std::vector<std::string>> SplitCsvRecords(std::string_view text, char separator);
