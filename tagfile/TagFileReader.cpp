#include "tagfile/TagFileReader.h"

#include <cstdint>

#include "common/Decimal.h"
#include "tagfile/CsvTable.h"
#include "tagfile/TagFileWriter.h"
#include "tagfile/TextEncoding.h"
#include "tree/RefreshPeriod.h"
#include "tree/TagKey.h"

#include <algorithm>
#include <unordered_map>

namespace {

enum Column { kDevice, kAddress, kType, kParam, kName, kPeriod };

class CReader {
public:
    CReader(const TagFileReadOptions& options, TagFileContent& content)
        : m_options(options), m_content(content)
    {
    }

    void Read(std::string_view bytes)
    {
        std::vector<std::string> columns(kTagFileColumns, kTagFileColumns + kTagFileColumnCount);
        CCsvTableReader table(bytes, std::move(columns), {kAddress, kType, kParam, kPeriod});
        const CsvTableHeader& header = table.Header();
        m_content.format = header.format;
        switch (header.problem) {
        case CsvHeaderProblem::None: break;
        case CsvHeaderProblem::NoHeader: Fatal(header.line, TagFileIssueKind::NoHeader, ""); return;
        case CsvHeaderProblem::UnclosedQuote: return;
        case CsvHeaderProblem::RepeatedColumn:
            Fatal(header.line, TagFileIssueKind::RepeatedColumn, header.column.c_str());
            return;
        case CsvHeaderProblem::LacksColumn:
            Fatal(header.line, TagFileIssueKind::HeaderLacksColumn, header.column.c_str());
            return;
        }
        for (int c = 0; c < kTagFileColumnCount; ++c) m_column[c] = header.place[static_cast<std::size_t>(c)];
        m_content.readable = true;

        CsvTableRow row;
        while (table.NextRow(row)) {
            if (row.unclosedQuote) {
                NameTag(Invalid(row.line, TagFileIssueKind::UnclosedQuote), row.fields);
                break;
            }
            ReadRow(row.fields, row.line);
        }
        SettleDuplicates();
        std::stable_sort(m_content.issues.begin(), m_content.issues.end(),
                         [](const TagFileIssue& a, const TagFileIssue& b) { return a.line < b.line; });
    }

private:
    // Field text in the system's Windows-1251, and as UTF-8 for messages.
    std::string To1251(const std::string& field) const { return CsvFieldToCp1251(m_content.format, field); }
    std::string ToUtf8(const std::string& field) const { return CsvFieldToUtf8(m_content.format, field); }

    void ReadRow(const std::vector<std::string>& fields, int line)
    {
        const std::string* value[kTagFileColumnCount] = {};
        for (int c = 0; c < kTagFileColumnCount; ++c) {
            if (m_column[c] >= 0 && static_cast<std::size_t>(m_column[c]) < fields.size())
                value[c] = &fields[static_cast<std::size_t>(m_column[c])];
        }
        for (int c : {kAddress, kType, kParam, kPeriod}) {
            if (value[c] == nullptr || value[c]->empty()) {
                TagFileIssue& issue = Invalid(line, TagFileIssueKind::MissingValue);
                issue.column = kTagFileColumns[c];
                NameTag(issue, fields);
                return;
            }
        }

        // A field that is no number takes a value the check refuses, so that the first
        // faulty column is reported whatever its fault.
        TagFileRow row;
        row.line = line;
        std::uint32_t number = 0;
        row.id.type = ParseDecimalTo<std::uint32_t>(*value[kType], 0xFFFFFFFFu, &number) ? number : 0;
        row.id.address = ParseDecimalTo<std::uint32_t>(*value[kAddress], 0xFFFFFFFFu, &number) ? number : 0;
        const bool paramRead = ParseDecimalTo<std::uint32_t>(*value[kParam], kServerParamMax, &number);
        row.id.param = paramRead ? number : kServerParamMax + 1;
        const bool periodRead = ParsePeriodField(*value[kPeriod], &row.period);
        if (!periodRead) row.period = -1;
        TagFileIssue problem;
        if (!CheckTagRowValues(row, &problem)) {
            const int column = problem.kind == TagFileIssueKind::BadType      ? kType
                               : problem.kind == TagFileIssueKind::BadAddress ? kAddress
                               : problem.kind == TagFileIssueKind::BadParam   ? kParam
                                                                              : kPeriod;
            TagFileIssue& issue = BadField(line, problem.kind, *value[column], fields);
            // Refused only for a param or period a tag on the server may have (export writes
            // them as they are): the row can still name that tag.
            TagFileRecord probe = row;
            probe.id.param = kFileParamMin;
            probe.period = 0;
            if (paramRead && periodRead && CheckTagRowValues(probe, nullptr)) {
                issue.existingTag = true;
                issue.period = row.period;
            }
            return;
        }

        row.hasDevice = value[kDevice] != nullptr && !value[kDevice]->empty();
        row.hasName = value[kName] != nullptr && !value[kName]->empty();
        // An export marks a name that a spreadsheet would take for a formula with an apostrophe.
        if (row.hasDevice) row.device = To1251(UnguardFormula(*value[kDevice]));
        if (row.hasName) row.name = To1251(UnguardFormula(*value[kName]));
        // A row refused for its names still takes part in the check for two periods of one
        // tag, so that refusing it never lets a conflicting row through.
        const bool keep = m_options.naming == nullptr || CheckNames(row);
        m_rows.push_back(std::move(row));
        m_keep.push_back(keep);
    }

    // False when a mismatch makes the row invalid (strict).
    bool CheckNames(const TagFileRow& row)
    {
        const TagNames& naming = *m_options.naming;
        if (!naming.knowsType(row.id.type)) {
            auto found = m_unknownTypes.find(row.id.type);
            if (found == m_unknownTypes.end()) {
                TagFileIssue issue;
                issue.line = row.line;
                issue.kind = TagFileIssueKind::UnknownType;
                issue.text = std::to_string(row.id.type);
                issue.count = 1;
                m_unknownTypes.emplace(row.id.type, m_content.issues.size());
                m_content.issues.push_back(std::move(issue));
                ++m_content.warnings;
            } else {
                ++m_content.issues[found->second].count;
            }
            return true;
        }
        bool ok = true;
        if (row.hasDevice) {
            const std::string expected = naming.deviceName(row.id.type);
            if (expected != row.device) ok &= Mismatch(row, TagFileIssueKind::DeviceMismatch, row.device, expected);
        }
        if (ok && row.hasName) {
            const std::string expected = naming.tagName(row.id.address, row.id.type, row.id.param);
            // The name column is for people: a name an older file holds is no mismatch.
            const bool older =
                naming.olderTagName && naming.olderTagName(row.id.address, row.id.type, row.id.param) == row.name;
            if (expected != row.name && !older)
                ok &= Mismatch(row, TagFileIssueKind::NameMismatch, row.name, expected);
        }
        return ok;
    }

    bool Mismatch(const TagFileRow& row, TagFileIssueKind kind, const std::string& found,
                  const std::string& expected)
    {
        TagFileIssue issue;
        issue.line = row.line;
        issue.kind = kind;
        issue.invalid = m_options.strict;
        issue.text = Cp1251ToUtf8(found);
        issue.expected = Cp1251ToUtf8(expected);
        issue.namesTag = m_options.strict;
        issue.id = row.id;
        m_content.issues.push_back(std::move(issue));
        if (m_options.strict) {
            ++m_content.invalidRows;
            return false;
        }
        ++m_content.warnings;
        return true;
    }

    // Every row of a tag given two different periods is invalid; repeats of one period
    // are one tag.
    void SettleDuplicates()
    {
        struct Seen {
            std::size_t first;        // index in m_rows
            std::size_t differing = 0;  // a row with another period than the first's
            bool conflict = false;
            std::size_t firstKept = SIZE_MAX;  // the first row not refused for its names
        };
        std::unordered_map<TagId, Seen, TagIdHash> seen;
        seen.reserve(m_rows.size());
        for (std::size_t i = 0; i < m_rows.size(); ++i) {
            auto [it, inserted] = seen.emplace(m_rows[i].id, Seen{i});
            if (!inserted && !it->second.conflict && m_rows[i].period != m_rows[it->second.first].period) {
                it->second.conflict = true;
                it->second.differing = i;
            }
            if (m_keep[i] && it->second.firstKept == SIZE_MAX)
                it->second.firstKept = i;
        }
        m_content.rows.reserve(m_rows.size());
        for (std::size_t i = 0; i < m_rows.size(); ++i) {
            const Seen& s = seen.find(m_rows[i].id)->second;
            if (!m_keep[i])
                continue;  // already counted invalid for its names
            if (s.conflict) {
                TagFileIssue& issue = Invalid(m_rows[i].line, TagFileIssueKind::ConflictingPeriods);
                issue.otherLine = m_rows[i == s.first ? s.differing : s.first].line;
                issue.namesTag = true;
                issue.id = m_rows[i].id;
            } else if (s.firstKept == i) {
                m_content.rows.push_back(std::move(m_rows[i]));
            }
        }
    }

    TagFileIssue& BadField(int line, TagFileIssueKind kind, const std::string& field,
                           const std::vector<std::string>& fields)
    {
        TagFileIssue& issue = Invalid(line, kind);
        issue.text = ToUtf8(field);
        NameTag(issue, fields);
        return issue;
    }

    // The tag an invalid row names: its type, address and param as plain numbers, whatever
    // their range (a server may hold tags outside the file's ranges, and export writes them).
    void NameTag(TagFileIssue& issue, const std::vector<std::string>& fields) const
    {
        std::uint32_t id[3] = {};
        const int columns[3] = {kType, kAddress, kParam};
        for (int k = 0; k < 3; ++k) {
            const int c = m_column[columns[k]];
            std::int64_t number = 0;
            if (c < 0 || static_cast<std::size_t>(c) >= fields.size() ||
                !ParseDecimalTo<std::int64_t>(fields[static_cast<std::size_t>(c)], 0xFFFFFFFFll, &number))
                return;
            id[k] = static_cast<std::uint32_t>(number);
        }
        issue.namesTag = true;
        issue.id = TagId{id[0], id[1], id[2]};
    }

    TagFileIssue& Invalid(int line, TagFileIssueKind kind)
    {
        ++m_content.invalidRows;
        TagFileIssue issue;
        issue.line = line;
        issue.kind = kind;
        issue.invalid = true;
        m_content.issues.push_back(std::move(issue));
        return m_content.issues.back();
    }

    void Fatal(int line, TagFileIssueKind kind, const char* column)
    {
        TagFileIssue issue;
        issue.line = line;
        issue.kind = kind;
        issue.invalid = true;
        issue.column = column;
        m_content.issues.push_back(std::move(issue));
    }

    const TagFileReadOptions& m_options;
    TagFileContent& m_content;
    int m_column[kTagFileColumnCount] = {};
    std::vector<TagFileRow> m_rows;
    std::vector<bool> m_keep;  // per row of m_rows: false when refused for its names (strict)
    std::unordered_map<std::uint32_t, std::size_t> m_unknownTypes;  // type -> its issue
};

std::string Quoted(const std::string& text) { return "'" + text + "'"; }

}  // namespace

bool ParsePeriodField(std::string_view text, std::int64_t* period)
{
    const bool negative = !text.empty() && text.front() == '-';
    if (negative) text.remove_prefix(1);
    const std::size_t dot = text.find('.');
    std::int64_t ms = 0;
    if (!ParseDecimalTo<std::int64_t>(text.substr(0, dot), INT64_MAX / kPeriodUnitsPerMs - 1, &ms)) return false;
    std::int64_t units = PeriodFromMs(ms);
    if (dot != std::string_view::npos) {
        // Only as FormatPeriodField writes a fraction: one to four decimals, the last not 0.
        const std::string_view decimals = text.substr(dot + 1);
        std::uint32_t fraction = 0;
        if (decimals.empty() || decimals.size() > 4 || decimals.back() == '0' ||
            !ParseDecimalTo<std::uint32_t>(decimals, 9999, &fraction))
            return false;
        for (std::size_t d = decimals.size(); d < 4; ++d) fraction *= 10;
        units += fraction;
    }
    // "-0" is no period export writes.
    if (negative && units == 0) return false;
    *period = negative ? -units : units;
    return true;
}

bool CheckTagRowValues(const TagFileRecord& row, TagFileIssue* issue)
{
    TagFileIssue found;
    if (row.id.type < kFileTypeMin || row.id.type > kFileTypeMax) {
        found.kind = TagFileIssueKind::BadType;
        found.text = std::to_string(row.id.type);
    } else if (row.id.address < kFileAddressMin || row.id.address > kFileAddressMax) {
        found.kind = TagFileIssueKind::BadAddress;
        found.text = std::to_string(row.id.address);
    } else if (!IsTagParameterNumber(row.id.param)) {
        found.kind = TagFileIssueKind::BadParam;
        found.text = std::to_string(row.id.param);
    } else if (!row.periodKnown || row.period < 0 || row.period % kPeriodUnitsPerMs != 0 ||
               row.period > PeriodFromMs(kFilePeriodMaxMs)) {
        found.kind = TagFileIssueKind::BadPeriod;
        found.text = FormatPeriodField(row);
    } else {
        return true;
    }
    if (issue != nullptr) {
        found.invalid = true;
        *issue = std::move(found);
    }
    return false;
}

std::string DescribeTagFileIssue(const TagFileIssue& issue)
{
    if (issue.notOnServer) {
        TagFileIssue alone = issue;
        alone.notOnServer = false;
        return DescribeTagFileIssue(alone) +
               "; the server does not hold this tag with this period, and an import never adds it nor sets it";
    }
    switch (issue.kind) {
    case TagFileIssueKind::NoHeader:
        return "no header line naming the columns (device;address;type;param;name;period_ms)";
    case TagFileIssueKind::HeaderLacksColumn:
        return "the header line has no column '" + issue.column + "'";
    case TagFileIssueKind::RepeatedColumn:
        return "column " + issue.column + " twice";
    case TagFileIssueKind::MissingValue:
        return "no " + issue.column;
    case TagFileIssueKind::BadType:
        return "type " + Quoted(issue.text) + " is not a number from 1 to 255";
    case TagFileIssueKind::BadAddress:
        return "address " + Quoted(issue.text) + " is not a number from 1 to 247";
    case TagFileIssueKind::BadParam:
        return "param " + Quoted(issue.text) + " is not a number from 1 to 65534";
    case TagFileIssueKind::BadPeriod:
        return "period_ms " + Quoted(issue.text) +
               " is not a whole number of milliseconds from 0 to 86400000";
    case TagFileIssueKind::UnclosedQuote:
        return "a quoted field is not closed before the end of the file";
    case TagFileIssueKind::ConflictingPeriods:
        return "the same tag is on line " + std::to_string(issue.otherLine) + " with another period";
    case TagFileIssueKind::UnknownType:
        return "type " + issue.text + " is not in the device descriptions (" +
               std::to_string(issue.count) + (issue.count == 1 ? " row)" : " rows)");
    case TagFileIssueKind::DeviceMismatch:
        return "device " + Quoted(issue.text) + " differs from the descriptions' " + Quoted(issue.expected);
    case TagFileIssueKind::NameMismatch:
        return "name " + Quoted(issue.text) + " differs from the descriptions' " + Quoted(issue.expected);
    }
    return "unknown problem";
}

TagFileContent ReadTagFile(std::string_view bytes, const TagFileReadOptions& options)
{
    TagFileContent content;
    CReader(options, content).Read(bytes);
    return content;
}

std::size_t CountTagRows(std::string_view bytes)
{
    const TagFileContent content = ReadTagFile(bytes);
    return content.readable ? content.rows.size() + content.invalidRows : 0;
}
