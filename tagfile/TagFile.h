// Tag files: a server's tag list as a table a person can keep, edit in a spreadsheet and
// load into another server. A header line, then one tag a line:
//
//   device;address;type;param;name;period_ms
//   PM3F;5;1;14;PM3F(005).Frequency;2000
//
// `type`, `address` and `param` identify the tag; `device` (the catalogue's name of the
// type) and `name` (the tag's full name as the main window's tree spells it) are there for
// people and are checked, not used; `period_ms` is the refresh period in whole milliseconds.
//
// The API of this folder (portable, no platform calls; strings of names are Windows-1251):
//   TagFileReader.h  ReadTagFile: bytes -> rows, with every unusable row and warning;
//                    CountTagRows: the tags a file names (what replacing it would lose);
//   CsvTable.h       CCsvTableReader: the CSV reading underneath, for any named columns
//                    (the register tables of descriptions); SplitCsvRecords: the same
//                    splitting for tables without a header (the journal)
//   TagFileWriter.h  WriteTagFile / WriteTagListJson: records -> bytes; AppendCsvField: one
//                    field quoted as the files quote it, and AppendJsonString, for other tables
//   ServerTags.h     ReadServerTags: the server's tags (with periods) through ITagServer;
//                    MakeTagFileRecords: those tags as file records, named from a TagNames
//   ImportPlan.h     MakeImportPlan: file rows against server tags -> add/change/unchanged/delete;
//                    a replace keeps every tag any row names and is blocked by invalid rows
//                    unless allowed
//   ImportRun.h      RunImportPlan: the plan carried out on the server, with its report
//   TagNames.h      the catalogue's names (device of a type, full tag name) for the above
//   DeviceCopy.h     ReadAddressList ("6-20, 25"), MakeDeviceCopyPlan: one device's tags copied to
//                    other addresses as an import plan of rows made in the program
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>

// What identifies a tag on the server.
struct TagId {
    std::uint32_t type = 0;
    std::uint32_t address = 0;
    std::uint32_t param = 0;

    bool operator==(const TagId& o) const
    {
        return type == o.type && address == o.address && param == o.param;
    }
    bool operator!=(const TagId& o) const { return !(*this == o); }
};

struct TagIdHash {
    std::size_t operator()(const TagId& t) const
    {
        const std::uint64_t ta = (static_cast<std::uint64_t>(t.type) << 32) | t.address;
        return std::hash<std::uint64_t>()(ta * 0x9E3779B97F4A7C15ull ^ t.param);
    }
};

// The values a file may carry. Export writes whatever the server holds (with a warning
// for a value outside these); import refuses such a row.
constexpr std::uint32_t kFileTypeMin = 1, kFileTypeMax = 255;
constexpr std::uint32_t kFileAddressMin = 1, kFileAddressMax = 247;
constexpr std::uint32_t kFileParamMin = 1, kFileParamMax = 65534;  // IsTagParameterNumber
constexpr std::int64_t kFilePeriodMaxMs = 86400000;                // one day

// The columns, in the order export writes them.
constexpr const char* kTagFileColumns[] = {"device", "address", "type", "param", "name", "period_ms"};
constexpr int kTagFileColumnCount = 6;

enum class TagFileEncoding {
    Utf8,     // export's default (with a byte-order mark)
    Cp1251,   // what a spreadsheet in a Russian locale saves as "CSV"
    Utf16Le,  // read only: a spreadsheet's "Unicode text" (always with its byte-order mark)
    Utf16Be,  // read only: the same big-endian, with its byte-order mark
};

struct TagFileFormat {
    TagFileEncoding encoding = TagFileEncoding::Utf8;
    bool byteOrderMark = true;  // written for UTF-8 only
    char separator = ';';       // ';', ',' or '\t'
    bool crlf = true;           // line ends CR LF (false: LF)
};

// One tag as a file holds it.
struct TagFileRecord {
    TagId id;
    std::int64_t period = 0;   // the server's 100-ns units (milliseconds x 10000)
    bool periodKnown = true;   // false: the server did not give it; the field stays empty
    std::string device;        // Windows-1251
    std::string name;          // Windows-1251
};
