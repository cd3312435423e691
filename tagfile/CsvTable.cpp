#include "tagfile/CsvTable.h"

#include "tagfile/TextEncoding.h"

#include <string>
#include <string_view>
#include <vector>

// Splits a text into records of fields, counting lines.
class CCsvScanner {
public:
    CCsvScanner(std::string_view text, char separator) : m_text(text), m_sep(separator) {}

    bool AtEnd() const { return m_pos >= m_text.size(); }
    int Line() const { return m_line; }

    // True when the line starting here is a comment ('#' after optional blanks).
    bool AtComment() const
    {
        std::size_t p = m_pos;
        while (p < m_text.size() && (m_text[p] == ' ' || (m_text[p] == '\t' && m_sep != '\t'))) ++p;
        return p < m_text.size() && m_text[p] == '#';
    }

    // The text of the line starting here, up to its end (quotes not taken into account).
    std::string_view RestOfLine() const
    {
        std::size_t end = m_pos;
        while (end < m_text.size() && m_text[end] != '\n' && m_text[end] != '\r') ++end;
        return m_text.substr(m_pos, end - m_pos);
    }

    void SkipLine()
    {
        while (m_pos < m_text.size() && m_text[m_pos] != '\n' && m_text[m_pos] != '\r') ++m_pos;
        SkipLineEnd();
    }

    // Reads one record into fields; false when a quoted field is still open at the end of
    // the text (the fields then hold what was read).
    bool ReadRecord(std::vector<std::string>& fields)
    {
        fields.clear();
        for (;;) {
            std::string field;
            bool quoted = false;
            while (m_pos < m_text.size() && m_text[m_pos] == ' ') ++m_pos;
            if (m_pos < m_text.size() && m_text[m_pos] == '"') {
                quoted = true;
                ++m_pos;
                bool closed = false;
                while (m_pos < m_text.size()) {
                    const char c = m_text[m_pos++];
                    if (c == '"') {
                        if (m_pos < m_text.size() && m_text[m_pos] == '"') {
                            field += '"';
                            ++m_pos;
                            continue;
                        }
                        closed = true;
                        break;
                    }
                    if (c == '\n' || (c == '\r' && (m_pos >= m_text.size() || m_text[m_pos] != '\n')))
                        ++m_line;
                    field += c;
                }
                if (!closed) {
                    fields.push_back(std::move(field));
                    return false;
                }
            }
            // Unquoted text, or what follows a closing quote, up to the separator or line end.
            const std::size_t start = m_pos;
            while (m_pos < m_text.size() && m_text[m_pos] != m_sep && m_text[m_pos] != '\n' &&
                   m_text[m_pos] != '\r')
                ++m_pos;
            std::string_view rest = m_text.substr(start, m_pos - start);
            if (!quoted) {
                while (!rest.empty() && rest.back() == ' ') rest.remove_suffix(1);
            }
            field.append(rest.data(), rest.size());
            fields.push_back(std::move(field));
            if (m_pos < m_text.size() && m_text[m_pos] == m_sep) {
                ++m_pos;
                continue;
            }
            SkipLineEnd();
            return true;
        }
    }

private:
    void SkipLineEnd()
    {
        if (m_pos < m_text.size() && m_text[m_pos] == '\r') ++m_pos;
        if (m_pos < m_text.size() && m_text[m_pos] == '\n') ++m_pos;
        ++m_line;
    }

    std::string_view m_text;
    char m_sep;
    std::size_t m_pos = 0;
    int m_line = 1;
};

namespace {

bool IsBlankLine(std::string_view line)
{
    return line.find_first_not_of(" \t") == std::string_view::npos;
}

// The candidate occurring most often outside quotes; ';' wins ties, then ','.
char DetectSeparator(std::string_view headerLine)
{
    const char candidates[] = {';', ',', '\t'};
    std::size_t counts[3] = {};
    bool inQuotes = false;
    for (char c : headerLine) {
        if (c == '"') inQuotes = !inQuotes;
        if (inQuotes) continue;
        for (int i = 0; i < 3; ++i) counts[i] += c == candidates[i];
    }
    int best = 0;
    for (int i = 1; i < 3; ++i) {
        if (counts[i] > counts[best]) best = i;
    }
    return candidates[best];
}

std::string Lower(std::string_view text)
{
    std::string out(text);
    for (char& c : out) {
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    }
    return out;
}

bool AllEmpty(const std::vector<std::string>& fields)
{
    for (const std::string& f : fields) {
        if (f.find_first_not_of(" \t") != std::string::npos) return false;
    }
    return true;
}

}  // namespace

CCsvTableReader::CCsvTableReader(std::string_view bytes, std::vector<std::string> columns, std::vector<int> required)
{
    TagFileFormat& format = m_header.format;
    std::string_view text;
    if (bytes.size() >= 2 && static_cast<unsigned char>(bytes[0]) == 0xFF &&
        static_cast<unsigned char>(bytes[1]) == 0xFE) {
        format.encoding = TagFileEncoding::Utf16Le;
        format.byteOrderMark = true;
        m_converted = Utf16LeToUtf8(bytes.substr(2));
        text = m_converted;
    } else if (bytes.size() >= 2 && static_cast<unsigned char>(bytes[0]) == 0xFE &&
               static_cast<unsigned char>(bytes[1]) == 0xFF) {
        format.encoding = TagFileEncoding::Utf16Be;
        format.byteOrderMark = true;
        m_converted = Utf16BeToUtf8(bytes.substr(2));
        text = m_converted;
    } else if (bytes.size() >= 3 && bytes.substr(0, 3) == "\xEF\xBB\xBF") {
        format.encoding = TagFileEncoding::Utf8;
        format.byteOrderMark = true;
        text = bytes.substr(3);
    } else {
        format.byteOrderMark = false;
        format.encoding = IsValidUtf8(bytes) ? TagFileEncoding::Utf8 : TagFileEncoding::Cp1251;
        text = bytes;
    }

    m_header.secondByteOrderMark = format.byteOrderMark && text.substr(0, 3) == "\xEF\xBB\xBF";

    // The header: the first line that is neither blank nor a comment.
    CCsvScanner probe(text, ';');
    while (!probe.AtEnd() && (probe.AtComment() || IsBlankLine(probe.RestOfLine()))) probe.SkipLine();
    m_header.line = probe.Line();
    format.separator = DetectSeparator(probe.RestOfLine());
    const std::size_t lineEnd = text.find_first_of("\r\n");
    format.crlf = lineEnd == std::string_view::npos || text[lineEnd] == '\r';

    m_scanner = std::make_unique<CCsvScanner>(text, format.separator);
    m_header.place.assign(columns.size(), -1);
    m_done = true;  // until the header proves usable
    while (m_scanner->Line() < m_header.line) m_scanner->SkipLine();
    if (m_scanner->AtEnd()) {
        m_header.problem = CsvHeaderProblem::NoHeader;
        return;
    }
    std::vector<std::string> fields;
    if (!m_scanner->ReadRecord(fields)) {
        m_header.problem = CsvHeaderProblem::UnclosedQuote;
        return;
    }
    bool any = false;
    for (std::size_t i = 0; i < fields.size(); ++i) {
        const std::string name = Lower(fields[i]);
        for (std::size_t c = 0; c < columns.size(); ++c) {
            if (name != columns[c]) continue;
            // Taking either of two columns of one name would be a guess.
            if (m_header.place[c] >= 0) {
                m_header.problem = CsvHeaderProblem::RepeatedColumn;
                m_header.column = columns[c];
                return;
            }
            m_header.place[c] = static_cast<int>(i);
            any = true;
        }
    }
    if (!any) {
        m_header.problem = CsvHeaderProblem::NoHeader;
        return;
    }
    for (int c : required) {
        if (m_header.place[static_cast<std::size_t>(c)] < 0) {
            m_header.problem = CsvHeaderProblem::LacksColumn;
            m_header.column = columns[static_cast<std::size_t>(c)];
            return;
        }
    }
    m_header.problem = CsvHeaderProblem::None;
    m_done = false;
}

CCsvTableReader::~CCsvTableReader() = default;

bool CCsvTableReader::NextRow(CsvTableRow& row)
{
    while (!m_done && !m_scanner->AtEnd()) {
        if (m_scanner->AtComment() || IsBlankLine(m_scanner->RestOfLine())) {
            m_scanner->SkipLine();
            continue;
        }
        row.line = m_scanner->Line();
        row.unclosedQuote = !m_scanner->ReadRecord(row.fields);
        if (row.unclosedQuote) {
            m_done = true;
            return true;
        }
        if (AllEmpty(row.fields)) continue;
        return true;
    }
    m_done = true;
    return false;
}

std::string CsvFieldToCp1251(const TagFileFormat& format, const std::string& field, bool* lossless)
{
    if (format.encoding == TagFileEncoding::Cp1251) {
        if (lossless) *lossless = true;
        return field;
    }
    return Utf8ToCp1251(field, lossless);
}

std::string CsvFieldToUtf8(const TagFileFormat& format, const std::string& field)
{
    return format.encoding == TagFileEncoding::Cp1251 ? Cp1251ToUtf8(field) : field;
}

std::vector<std::vector<std::string>> SplitCsvRecords(std::string_view text, char separator)
{
    std::vector<std::vector<std::string>> records;
    CCsvScanner scanner(text, separator);
    std::vector<std::string> fields;
    while (!scanner.AtEnd()) {
        if (IsBlankLine(scanner.RestOfLine())) {
            scanner.SkipLine();
            continue;
        }
        if (!scanner.ReadRecord(fields)) break;
        records.push_back(fields);
    }
    return records;
}
