// A device description as a register table a spreadsheet edits, and back.
//
// The table keeps the conventions of the tag files: written as UTF-8 with a byte-order
// mark, ';' between fields, CR LF line ends; read through the tag files' table reader
// (tagfile/CsvTable.h), so whatever a spreadsheet saves reads: UTF-8, Windows-1251 or
// UTF-16 with its mark, ';', ',' or tab, quoting, columns in any order, blank lines and
// '#' lines skipped. The columns:
//
//   name;number;type;access;area;address;values;comment
//   Meter;12;DEVICE;;;;;demonstration meter
//   Voltage;1;REAL;R;HOLD_REG;100;;
//   Mode;3;ENUM;RW;HOLD_REG;110;Off Auto Manual;
//
// The row whose type is DEVICE names the device (name) and its type code (number); every
// other row is one parameter, in the order of the file. `access` is R, W, RW, or "-" for
// neither; `values` an ENUM's words separated by blanks. `comment` is the comment behind
// the parameter on its line (for an ENUM, whose line ends in values, the comment line right
// above it); the DEVICE row's comment stands behind the device's name and code. Comment
// lines of their own are not kept.
#pragma once

#include <string>
#include <string_view>
#include <vector>

// A description's text (the bytes behind the checksum) as a table. Problems that keep a
// row from building again (an empty name, an unknown type or area, an ENUM value beginning
// with ";"), and a parameter number used twice, are added to warnings as "line N: reason",
// N the text's line; the table is written all the same. A table without warnings builds
// back into the same device.
std::string DescriptionTextToTable(std::string_view text, std::vector<std::string>* warnings);

struct TableProblem {
    int line = 0;        // the table's line
    std::string reason;  // English, UTF-8
};

struct BuiltDescription {
    bool ok = false;
    std::vector<TableProblem> problems;  // the rows refused; nothing is built when there are any
    std::string text;                    // the description text, Windows-1251, CR LF (no checksum)
    std::vector<TableProblem> warnings;  // lint findings of the text, at the table's lines
    std::size_t parameters = 0;
};

// Checks every row of a table by the reader's rules and writes the description text in
// aligned columns, under a comment naming the table (tableName, UTF-8).
BuiltDescription BuildDescriptionFromTable(std::string_view tableBytes, const std::string& tableName);
