#include "tools/DescriptionTable.h"

#include <algorithm>
#include <climits>
#include <cstdint>
#include <map>
#include <sstream>

#include "catalogue/DescriptionLint.h"
#include "catalogue/DescriptionReader.h"
#include "catalogue/Windows1251.h"
#include "common/Decimal.h"
#include "tagfile/CsvTable.h"
#include "tagfile/TagFileWriter.h"

namespace {

enum Column { kName, kNumber, kType, kAccess, kArea, kAddress, kValues, kComment, kColumnCount };
const char* const kColumns[kColumnCount] = {"name", "number", "type", "access", "area", "address", "values", "comment"};
const char kDeviceType[] = "DEVICE";

// White space as the description reader knows it: words end there.
bool IsSpaceByte(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

std::string Trimmed(const std::string& text)
{
    const std::size_t first = text.find_first_not_of(" \t");
    if (first == std::string::npos) return std::string();
    const std::size_t last = text.find_last_not_of(" \t");
    return text.substr(first, last - first + 1);
}

// A comment's text without its ";", the blanks after it and its line end.
std::string CommentText(std::string_view comment)
{
    if (!comment.empty() && comment.front() == ';') comment.remove_prefix(1);
    std::string text;
    // A comment runs to the line feed; a NUL or a carriage return inside it would end it
    // early once written back (as a word, as a table's line), so they become blanks (those
    // at its end go with the blanks there).
    for (char c : comment) text += c == '\0' || c == '\r' ? ' ' : c;
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r' || text.back() == ' ' || text.back() == '\t'))
        text.pop_back();
    const std::size_t first = text.find_first_not_of(" \t");
    return first == std::string::npos ? std::string() : text.substr(first);
}

std::string AccessWord(int access)
{
    switch (access & (kAccessRead | kAccessWrite)) {
    case kAccessRead: return "R";
    case kAccessWrite: return "W";
    case kAccessRead | kAccessWrite: return "RW";
    default: return "-";
    }
}

// Hears the reader for the table: the parameters in the file's order, with the comments
// that belong to them.
class CTableCollector : public IDescriptionObserver {
public:
    struct Row {
        CParameter parameter;
        int line = 0;
        int lastLine = 0;
        std::string comment;
    };

    bool headerSeen = false;
    int headerLine = 0;
    std::string deviceComment;
    std::vector<Row> rows;

    void OnDeviceHeader(int line, const CDevice&, bool) override
    {
        headerSeen = true;
        headerLine = line;
    }

    void OnParameter(int line, const CParameter& parameter, const ParameterReadInfo& info) override
    {
        Row row;
        row.parameter = parameter;
        row.line = line;
        row.lastLine = info.lastLine;
        // An ENUM's line ends in values, so its comment is the comment line right above it.
        if (parameter.m_nType == kTypeEnum && m_pendingLine != 0 && m_pendingLine == line - 1)
            row.comment = m_pending;
        m_pendingLine = 0;
        rows.push_back(std::move(row));
    }

    void OnComment(int line, std::string_view text) override
    {
        if (!headerSeen) return;
        if (rows.empty() && line == headerLine) {
            deviceComment = CommentText(text);
            return;
        }
        if (!rows.empty() && rows.back().parameter.m_nType != kTypeEnum && rows.back().lastLine == line) {
            rows.back().comment = CommentText(text);
            return;
        }
        m_pending = CommentText(text);
        m_pendingLine = line;
    }

private:
    std::string m_pending;
    int m_pendingLine = 0;
};

void AppendRow(std::string& out, const std::vector<std::string>& fields)
{
    for (std::size_t i = 0; i < fields.size(); ++i) {
        if (i > 0) out += ';';
        AppendCsvField(out, fields[i], ';', i == 0);
    }
    out += "\r\n";
}

// A text cell as UTF-8, marked for a spreadsheet when it would take it for a formula.
std::string TextCell(const std::string& cp1251)
{
    return GuardFormula(Cp1251ToUtf8(cp1251));
}

std::string Quote(const std::string& utf8)
{
    return "'" + utf8 + "'";
}

// One row of the table, checked.
struct BuildRow {
    int line = 0;
    bool device = false;
    std::string name;  // Windows-1251
    int number = 0;
    int type = 0;
    int access = 0;
    int area = 0;
    int address = 0;
    std::vector<std::string> values;  // Windows-1251
    std::string comment;              // Windows-1251
};

class CTableBuilder {
public:
    CTableBuilder(const CsvTableHeader& header, BuiltDescription& result) : m_header(header), m_result(result) {}

    void ReadRow(const CsvTableRow& row)
    {
        m_row = BuildRow();
        m_row.line = row.line;
        m_rowOk = true;
        std::string cell[kColumnCount];
        for (int c = 0; c < kColumnCount; ++c) {
            const std::string* field = row.Field(m_header, c);
            cell[c] = field ? Trimmed(*field) : std::string();
            if (cell[c].find('\0') != std::string::npos) Problem(std::string("a NUL byte in ") + kColumns[c]);
        }
        if (!m_rowOk) return;
        for (int c : {kName, kValues, kComment}) cell[c] = UnguardFormula(cell[c]);

        const std::string typeWord = cell[kType];
        if (typeWord.empty()) {
            Problem("no type");
        } else if (ParseKeyword(typeWord, kDeviceType)) {
            m_row.device = true;
        } else {
            m_row.type = ParseParameterType(typeWord);
            if (m_row.type == kTypeUnknown)
                Problem("unknown type " + Quote(Utf8(typeWord)) + " (INT, REAL, SHORT, BOOL, BYTE, ENUM or DEVICE)");
        }
        ReadName(cell[kName]);
        ReadInteger(cell[kNumber], "number", m_row.number);
        ReadComment(cell[kComment]);
        if (m_row.device) {
            for (int c : {kAccess, kArea, kAddress, kValues}) {
                if (!cell[c].empty()) {
                    Problem(std::string("the DEVICE row takes only name, number and comment, not ") + kColumns[c]);
                    break;
                }
            }
        } else {
            ReadAccessCell(cell[kAccess]);
            ReadArea(cell[kArea]);
            ReadInteger(cell[kAddress], "address", m_row.address);
            ReadValues(cell[kValues]);
        }
        if (!m_rowOk) return;
        if (m_row.device) {
            if (m_deviceLine != 0) {
                Problem("a second DEVICE row; the first is on line " + std::to_string(m_deviceLine));
                return;
            }
            m_deviceLine = m_row.line;
            m_device = m_row;
        } else {
            m_parameters.push_back(m_row);
        }
    }

    void UnclosedQuote(int line)
    {
        m_row.line = line;
        Problem("a quoted field is not closed before the end of the file");
    }

    // The text, when every row was good.
    void Finish(const std::string& tableName)
    {
        if (m_deviceLine == 0)
            Add(m_result.problems, m_header.line,
                "no DEVICE row: the row whose type is DEVICE gives the device's name and its type code (number)");
        if (!m_result.problems.empty()) return;
        WriteText(tableName);
        Lint();
        m_result.parameters = m_parameters.size();
        m_result.ok = true;
    }

private:
    static void Add(std::vector<TableProblem>& list, int line, const std::string& reason)
    {
        TableProblem problem;
        problem.line = line;
        problem.reason = reason;
        list.push_back(std::move(problem));
    }

    void Problem(const std::string& reason)
    {
        Add(m_result.problems, m_row.line, reason);
        m_rowOk = false;
    }

    static bool ParseKeyword(const std::string& word, const char* keyword)
    {
        const std::string k(keyword);
        if (word.size() != k.size()) return false;
        for (std::size_t i = 0; i < k.size(); ++i) {
            const char c = word[i] >= 'a' && word[i] <= 'z' ? static_cast<char>(word[i] - 'a' + 'A') : word[i];
            if (c != k[i]) return false;
        }
        return true;
    }

    std::string Utf8(const std::string& cell) const { return CsvFieldToUtf8(m_header.format, cell); }

    // The cell in Windows-1251; false (and a problem) when a character has no byte there.
    bool To1251(const std::string& cell, const char* what, std::string& out)
    {
        bool lossless = true;
        out = CsvFieldToCp1251(m_header.format, cell, &lossless);
        if (!lossless) Problem(std::string(what) + " " + Quote(Utf8(cell)) + " holds a character Windows-1251 cannot hold");
        return lossless;
    }

    void ReadName(const std::string& cell)
    {
        const char* what = m_row.device ? "device name" : "name";
        if (cell.empty()) return Problem(std::string("no ") + what);
        std::string name;
        if (!To1251(cell, what, name)) return;
        if (std::any_of(name.begin(), name.end(), IsSpaceByte))
            return Problem(std::string(what) + " " + Quote(Utf8(cell)) + " is not one word");
        if (name.size() > kNameWordLimit)
            return Problem(std::string(what) + " " + Quote(Utf8(cell)) + " is " + std::to_string(name.size()) +
                           " bytes long; at most " + std::to_string(kNameWordLimit));
        if (name[0] == ';')
            return Problem(std::string(what) + " " + Quote(Utf8(cell)) + " begins with ';', which starts a comment");
        m_row.name = name;
    }

    void ReadInteger(const std::string& cell, const char* what, int& value)
    {
        if (cell.empty()) return Problem(std::string("no ") + what);
        std::int64_t parsed = 0;
        if (!ParseSignedDecimal(cell, INT32_MIN, INT32_MAX, &parsed))
            return Problem(std::string(what) + " " + Quote(Utf8(cell)) +
                           " is not a whole number from -2147483648 to 2147483647");
        value = static_cast<int>(parsed);
    }

    void ReadAccessCell(const std::string& cell)
    {
        if (cell.empty()) return Problem("no access");
        if (cell == "-") {
            m_row.access = 0;
            return;
        }
        if (cell.find_first_not_of("RW") != std::string::npos)
            return Problem("access " + Quote(Utf8(cell)) + " is not made of R and W (or '-' for neither)");
        m_row.access = ParseAccess(cell);
    }

    void ReadArea(const std::string& cell)
    {
        if (cell.empty()) return Problem("no area");
        m_row.area = ParseMemoryArea(cell);
        if (m_row.area == kMemoryUnknown)
            Problem("unknown area " + Quote(Utf8(cell)) +
                    " (RAM, EEPROM, COMMAND, COIL, DISC_INPT, HOLD_REG or INPT_REG)");
    }

    void ReadValues(const std::string& cell)
    {
        if (cell.empty()) return;
        if (m_row.type != kTypeEnum) {
            if (m_row.type != kTypeUnknown) Problem("values are given, but the type is not ENUM");
            return;
        }
        std::string values;
        if (!To1251(cell, "values", values)) return;
        std::size_t p = 0;
        while (p < values.size()) {
            while (p < values.size() && IsSpaceByte(values[p])) ++p;
            std::size_t end = p;
            while (end < values.size() && !IsSpaceByte(values[end])) ++end;
            if (end == p) break;
            const std::string value = values.substr(p, end - p);
            if (value.size() > kEnumWordLimit)
                return Problem("value " + Quote(Cp1251ToUtf8(value)) + " is " + std::to_string(value.size()) +
                               " bytes long; at most " + std::to_string(kEnumWordLimit));
            if (value[0] == ';')
                return Problem("value " + Quote(Cp1251ToUtf8(value)) + " begins with ';'");
            m_row.values.push_back(value);
            p = end;
        }
    }

    void ReadComment(const std::string& cell)
    {
        if (cell.empty()) return;
        if (cell.find_first_of("\r\n") != std::string::npos)
            return Problem("the comment runs over more than one line");
        To1251(cell, "comment", m_row.comment);
    }

    void Line(const std::string& text, int tableLine)
    {
        std::string line = text;
        while (!line.empty() && line.back() == ' ') line.pop_back();
        m_result.text += line;
        m_result.text += "\r\n";
        m_lineMap.push_back(tableLine);
    }

    static void Pad(std::string& text, std::size_t width)
    {
        if (text.size() < width) text.append(width - text.size(), ' ');
        text += ' ';
    }

    void WriteText(const std::string& tableName)
    {
        m_lineMap.assign(1, m_header.line);  // lines count from 1
        // The table's name in the text's code page, without anything that would end the line.
        std::string name = Utf8ToCp1251(tableName);
        for (char& c : name) {
            if (static_cast<unsigned char>(c) < 0x20) c = '?';
        }
        Line(kDescriptionMarker, m_header.line);
        Line("; Built by dsctool from " + name + ": edit the table and build it again.", m_header.line);
        std::string device = m_device.name + " " + std::to_string(m_device.number);
        if (!m_device.comment.empty()) device += " ; " + m_device.comment;
        Line(device, m_device.line);

        const char* const titles[] = {"; name", "number", "type", "access", "area", "address", "values"};
        std::vector<std::vector<std::string>> cells;
        std::size_t width[6] = {};
        for (int c = 0; c < 6; ++c) width[c] = std::string(titles[c]).size();
        for (const BuildRow& row : m_parameters) {
            std::vector<std::string> cell = {row.name,
                                             std::to_string(row.number),
                                             std::string(kParameterTypeKeywords[row.type]),
                                             AccessWord(row.access),
                                             std::string(kMemoryAreaKeywords[row.area]),
                                             std::to_string(row.address)};
            for (int c = 0; c < 6; ++c) width[c] = std::max(width[c], cell[static_cast<std::size_t>(c)].size());
            cells.push_back(std::move(cell));
        }
        std::string titleLine;
        for (int c = 0; c < 6; ++c) {
            std::string title = titles[c];
            Pad(title, width[c]);
            titleLine += title;
        }
        Line(titleLine + titles[6], m_header.line);
        // A blank line, so that the titles are never taken for the comment of an ENUM below.
        Line("", m_header.line);

        for (std::size_t i = 0; i < m_parameters.size(); ++i) {
            const BuildRow& row = m_parameters[i];
            const bool isEnum = row.type == kTypeEnum;
            if (isEnum && !row.comment.empty()) Line("; " + row.comment, row.line);
            std::string line;
            for (int c = 0; c < 6; ++c) {
                std::string cell = cells[i][static_cast<std::size_t>(c)];
                Pad(cell, width[c]);
                line += cell;
            }
            if (isEnum) {
                for (std::size_t v = 0; v < row.values.size(); ++v) line += (v ? " " : "") + row.values[v];
            } else if (!row.comment.empty()) {
                line += "; " + row.comment;
            }
            Line(line, row.line);
        }
    }

    int TableLine(long long textLine) const
    {
        return textLine >= 1 && static_cast<std::size_t>(textLine) < m_lineMap.size()
                   ? m_lineMap[static_cast<std::size_t>(textLine)]
                   : m_header.line;
    }

    void Lint()
    {
        for (LintFinding finding : FindDescriptionMistakes(m_result.text, "table.txt")) {
            const int line = TableLine(finding.line);
            if (LintFindingOtherIsLine(finding.code)) finding.other = TableLine(finding.other);
            Add(m_result.warnings, line, Cp1251ToUtf8(LintFindingText(finding)));
        }
    }

    const CsvTableHeader& m_header;
    BuiltDescription& m_result;
    BuildRow m_row;
    bool m_rowOk = true;
    int m_deviceLine = 0;
    BuildRow m_device;
    std::vector<BuildRow> m_parameters;
    std::vector<int> m_lineMap;  // text line -> table line
};

std::string HeaderProblem(const CsvTableHeader& header)
{
    if (header.problem != CsvHeaderProblem::None && header.secondByteOrderMark)
        return "the table begins with a second byte-order mark, read as part of the first column's name; "
               "remove it";
    switch (header.problem) {
    case CsvHeaderProblem::None: break;
    case CsvHeaderProblem::NoHeader:
        return "no header line naming the columns (name;number;type;access;area;address;values;comment)";
    case CsvHeaderProblem::UnclosedQuote: return "the header line opens a quote that is never closed";
    case CsvHeaderProblem::RepeatedColumn: return "column " + header.column + " twice";
    case CsvHeaderProblem::LacksColumn: return "the header line has no column '" + header.column + "'";
    }
    return std::string();
}

}  // namespace

std::string DescriptionTextToTable(std::string_view text, std::vector<std::string>* warnings)
{
    CTableCollector collector;
    CDevice device;
    std::ostringstream messages;  // the reader's own lines; the warnings say what matters
    ReadDescriptionText(text, "table", device, messages, &collector);

    auto warn = [&](int line, const std::string& reason) {
        if (warnings) warnings->push_back("line " + std::to_string(line) + ": " + reason);
    };
    std::string out = "\xEF\xBB\xBF";
    AppendRow(out, std::vector<std::string>(kColumns, kColumns + kColumnCount));
    if (collector.headerSeen) {
        // A word that begins with a NUL byte is read as an empty name.
        if (device.m_strName.empty())
            warn(collector.headerLine, "the device has no name (its word begins with a NUL byte); the DEVICE row "
                                       "does not build until it is given one");
        AppendRow(out, {TextCell(device.m_strName), std::to_string(device.m_nTypeCode), kDeviceType, "", "", "", "",
                        TextCell(collector.deviceComment)});
    } else {
        warn(1, "no device name and type code: the table has no DEVICE row and does not build");
    }
    std::map<int, int> numbers;  // parameter number -> the line of its first use
    for (const CTableCollector::Row& row : collector.rows) {
        const CParameter& p = row.parameter;
        if (p.m_strName.empty())
            warn(row.line, "parameter " + std::to_string(p.m_nNumber) + " has no name (its word begins with a NUL "
                           "byte); the row does not build until it is given one");
        const auto use = numbers.emplace(p.m_nNumber, row.line);
        if (!use.second)
            warn(row.line, "number " + std::to_string(p.m_nNumber) + " is already used on line " +
                               std::to_string(use.first->second) +
                               "; the row builds with a warning, and only the later of the two is found");
        std::string type, area, values;
        if (p.m_nType >= 0 && p.m_nType < kParameterTypeCount)
            type = std::string(kParameterTypeKeywords[p.m_nType]);
        else
            warn(row.line, "'" + Cp1251ToUtf8(p.m_strName) + "' has no known data type; the row builds once it is given one");
        if (p.m_nMemory >= 0 && p.m_nMemory < kMemoryAreaCount)
            area = std::string(kMemoryAreaKeywords[p.m_nMemory]);
        else
            warn(row.line, "'" + Cp1251ToUtf8(p.m_strName) + "' has no known memory area; the row builds once it is given one");
        bool first = true;
        for (const std::string& value : p.m_EnumValues) {
            if (!value.empty() && value[0] == ';')
                warn(row.line, "value '" + Cp1251ToUtf8(value) + "' of '" + Cp1251ToUtf8(p.m_strName) +
                                   "' begins with ';'; the row does not build until it is changed");
            values += (first ? "" : " ") + value;
            first = false;
        }
        AppendRow(out, {TextCell(p.m_strName), std::to_string(p.m_nNumber), type, AccessWord(p.m_nAccess), area,
                        std::to_string(p.m_nAddress), TextCell(values), TextCell(row.comment)});
    }
    return out;
}

BuiltDescription BuildDescriptionFromTable(std::string_view tableBytes, const std::string& tableName)
{
    BuiltDescription result;
    CCsvTableReader reader(tableBytes, std::vector<std::string>(kColumns, kColumns + kColumnCount),
                           {kName, kNumber, kType, kAccess, kArea, kAddress});
    const CsvTableHeader& header = reader.Header();
    if (header.problem != CsvHeaderProblem::None) {
        TableProblem problem;
        problem.line = header.line;
        problem.reason = HeaderProblem(header);
        result.problems.push_back(std::move(problem));
        return result;
    }
    CTableBuilder builder(header, result);
    CsvTableRow row;
    while (reader.NextRow(row)) {
        if (row.unclosedQuote) {
            builder.UnclosedQuote(row.line);
            break;
        }
        builder.ReadRow(row);
    }
    builder.Finish(tableName);
    return result;
}
