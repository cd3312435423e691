#include "history/Journal.h"

#include "common/AtomicFile.h"
#include "common/Decimal.h"
#include "history/HistoryFolder.h"
#include "tagfile/TagFileReader.h"
#include "tagfile/TagFileWriter.h"

#include <chrono>
#include <map>
#include <system_error>
#include <tuple>

namespace fs = std::filesystem;

namespace {

constexpr char kBom[] = "\xEF\xBB\xBF";
constexpr char kLockFileName[] = "journal.lock";
// A lock older than this was left by a process that died while rotating.
constexpr auto kStaleLock = std::chrono::seconds(60);

std::string* Field(JournalLine& line, int column)
{
    std::string* fields[kJournalColumnCount] = {&line.time,    &line.user,  &line.computer, &line.program,
                                                &line.action,  &line.type,  &line.address,  &line.param,
                                                &line.name,    &line.before, &line.after,   &line.result};
    return fields[column];
}

const std::string& Field(const JournalLine& line, int column)
{
    return *Field(const_cast<JournalLine&>(line), column);
}

fs::path KeptFile(const fs::path& folder, int n)
{
    return folder / ("journal-" + std::to_string(n) + ".csv");
}

// The columns a spreadsheet would read as text a person wrote.
bool IsTextColumn(int column)
{
    return column == 1 || column == 2 || column == 3 || column == 4 || column == 8;
}

bool IsHeader(const std::vector<std::string>& fields)
{
    return fields.size() == kJournalColumnCount && fields[0] == kJournalColumns[0] &&
           fields[1] == kJournalColumns[1] && fields[11] == kJournalColumns[11];
}

}  // namespace

bool JournalLine::operator==(const JournalLine& o) const
{
    for (int c = 0; c < kJournalColumnCount; ++c) {
        if (Field(*this, c) != Field(o, c)) return false;
    }
    return true;
}

namespace {

// guard: the file's form, with formula-looking text marked; a listing shows the text as it is.
std::string FormatLine(const JournalLine& line, bool guard)
{
    std::string out;
    out.reserve(160);
    for (int c = 0; c < kJournalColumnCount; ++c) {
        if (c) out += ';';
        AppendCsvField(out, guard && IsTextColumn(c) ? GuardFormula(Field(line, c)) : Field(line, c), ';', c == 0);
    }
    out += "\r\n";
    return out;
}

}  // namespace

std::string FormatJournalLine(const JournalLine& line) { return FormatLine(line, true); }

std::string JournalFileStart()
{
    std::string out = kBom;
    for (int c = 0; c < kJournalColumnCount; ++c) {
        if (c) out += ';';
        out += kJournalColumns[c];
    }
    out += "\r\n";
    return out;
}

std::vector<JournalLine> ReadJournalLines(std::string_view bytes)
{
    if (bytes.substr(0, 3) == kBom) bytes.remove_prefix(3);
    // A line is complete with its line end; a last line without one was cut off.
    const std::size_t end = bytes.find_last_of('\n');
    bytes = end == std::string_view::npos ? std::string_view() : bytes.substr(0, end + 1);
    std::vector<JournalLine> lines;
    for (std::vector<std::string>& fields : SplitCsvRecords(bytes, ';')) {
        if (IsHeader(fields)) continue;
        JournalLine line;
        for (int c = 0; c < kJournalColumnCount && c < static_cast<int>(fields.size()); ++c) {
            std::string& field = fields[static_cast<std::size_t>(c)];
            *Field(line, c) = IsTextColumn(c) ? UnguardFormula(field) : std::move(field);
        }
        lines.push_back(std::move(line));
    }
    return lines;
}

std::vector<JournalLine> ResolvePendingLines(std::vector<JournalLine> lines)
{
    using Key = std::tuple<std::string, std::string, std::string, std::string, std::string, std::string, std::string>;
    std::map<Key, std::vector<std::size_t>> open;  // pending lines not yet answered, per call
    std::vector<bool> answered(lines.size(), false);
    for (std::size_t i = 0; i < lines.size(); ++i) {
        const JournalLine& l = lines[i];
        const Key key{l.user, l.computer, l.program, l.action, l.type, l.address, l.param};
        if (l.result == kJournalPending) {
            open[key].push_back(i);
            continue;
        }
        const auto found = open.find(key);
        if (found == open.end() || found->second.empty()) continue;
        // The latest: a pending line left by a killed run stays unanswered when the same
        // call is made again later.
        answered[found->second.back()] = true;
        found->second.pop_back();
    }
    std::vector<JournalLine> out;
    out.reserve(lines.size());
    for (std::size_t i = 0; i < lines.size(); ++i) {
        if (answered[i]) continue;
        if (lines[i].result == kJournalPending) lines[i].result = kJournalUnknownResult;
        out.push_back(std::move(lines[i]));
    }
    return out;
}

bool ReadJournal(const fs::path& folder, std::vector<JournalLine>* lines, std::string* error)
{
    lines->clear();
    std::string why;
    if (!HistoryFolderPossible(folder, &why)) {
        if (error) *error = "no history folder " + FolderText(folder) + ": " + why;
        return false;
    }
    for (int n = kJournalKeptFiles; n >= 0; --n) {
        const fs::path file = n == 0 ? folder / kJournalFileName : KeptFile(folder, n);
        std::error_code ec;
        if (!fs::exists(file, ec)) continue;
        std::string bytes;
        if (!ReadWholeFile(file, &bytes)) {
            if (error) *error = "cannot read " + file.u8string();
            return false;
        }
        std::vector<JournalLine> part = ReadJournalLines(bytes);
        lines->insert(lines->end(), std::make_move_iterator(part.begin()), std::make_move_iterator(part.end()));
    }
    *lines = ResolvePendingLines(std::move(*lines));
    return true;
}

bool ParseJournalSince(const std::string& since, std::string* key)
{
    // YYYY-MM-DD or YYYY-MM-DDTHH:MM
    const char* pattern = since.size() == 10 ? "dddd-dd-dd" : "dddd-dd-ddTdd:dd";
    if (since.size() != 10 && since.size() != 16) return false;
    for (std::size_t i = 0; i < since.size(); ++i) {
        const bool digit = since[i] >= '0' && since[i] <= '9';
        if (pattern[i] == 'd' ? !digit : since[i] != pattern[i]) return false;
    }
    // The pattern let only digits through: each field reads, and is checked by its range.
    const auto field = [&since](std::size_t at, std::size_t length) {
        int value = 0;
        ParseDecimalTo<int>(std::string_view(since).substr(at, length), 9999, &value);
        return value;
    };
    if (!IsCalendarDate(field(0, 4), field(5, 2), field(8, 2))) return false;
    if (since.size() == 16 && (field(11, 2) > 23 || field(14, 2) > 59)) return false;
    *key = since;
    return true;
}

bool IsCalendarDate(int year, int month, int day)
{
    if (month < 1 || month > 12 || day < 1) return false;
    static const int kDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
    return day <= kDays[month - 1] + (month == 2 && leap ? 1 : 0);
}

std::vector<JournalLine> JournalLinesSince(const std::vector<JournalLine>& lines, const std::string& sinceKey)
{
    // ISO times of the same form compare as text; the key is a prefix of that form.
    std::vector<JournalLine> out;
    for (const JournalLine& line : lines) {
        if (line.time.compare(0, sinceKey.size(), sinceKey) >= 0) out.push_back(line);
    }
    return out;
}

std::string WriteJournalJson(const std::vector<JournalLine>& lines)
{
    std::string out = "[";
    bool first = true;
    for (const JournalLine& line : lines) {
        out += first ? "\n{" : ",\n{";
        first = false;
        for (int c = 0; c < kJournalColumnCount; ++c) {
            if (c) out += ',';
            out += '"';
            out += kJournalColumns[c];
            out += "\":";
            AppendJsonString(out, Field(line, c));
        }
        out += '}';
    }
    out += first ? "]\n" : "\n]\n";
    return out;
}

std::string WriteJournalCsv(const std::vector<JournalLine>& lines)
{
    std::string out = JournalFileStart().substr(3);
    for (const JournalLine& line : lines) out += FormatLine(line, false);
    // Standard output takes LF line ends, as zolctl's other listings.
    std::string lf;
    lf.reserve(out.size());
    for (std::size_t i = 0; i < out.size(); ++i) {
        if (out[i] == '\r' && i + 1 < out.size() && out[i + 1] == '\n') continue;
        lf += out[i];
    }
    return lf;
}

CJournal::CJournal(IHistoryPlatform& platform, fs::path folder) : m_platform(platform), m_folder(std::move(folder))
{
}

CJournal::~CJournal() { Close(); }

bool CJournal::Open(std::string* error)
{
    if (m_file) return true;
    std::string why;
    if (!EnsureHistoryFolder(m_folder, &why)) {
        if (error) *error = "cannot create the folder " + FolderText(m_folder) + ": " + why;
        return false;
    }
    RotateIfNeeded();
    const fs::path path = m_folder / kJournalFileName;
    bool exists = false;
    if (!m_platform.CreateExclusive(path, JournalFileStart(), &exists, &why) && !exists) {
        if (error) *error = "cannot write " + path.u8string() + ": " + why;
        return false;
    }
    m_file = m_platform.OpenAppend(path, &why);
    if (!m_file) {
        if (error) *error = "cannot write " + path.u8string() + ": " + why;
        return false;
    }
    std::error_code ec;
    m_size = fs::file_size(path, ec);
    if (ec) m_size = 0;
    if (m_user.empty()) m_user = m_platform.UserName();
    if (m_computer.empty()) m_computer = m_platform.ComputerName();
    return true;
}

bool CJournal::Append(JournalLine line, std::string* error)
{
    if (!m_file && !Open(error)) return false;
    if (line.time.empty()) line.time = FormatIsoTime(m_platform.Now());
    if (line.user.empty()) line.user = m_user;
    if (line.computer.empty()) line.computer = m_computer;
    const std::string bytes = FormatJournalLine(line);
    std::string why;
    if (!m_file->Append(bytes, &why)) {
        if (error) *error = "cannot write " + (m_folder / kJournalFileName).u8string() + ": " + why;
        return false;
    }
    m_size += bytes.size();
    if (m_size > kJournalRotateBytes) {
        // The next line starts the new file; this one is written already.
        m_file.reset();
        if (!Open(error)) return true;
    }
    return true;
}

bool CJournal::Close(std::string* error)
{
    if (!m_file) return true;
    std::string why;
    const bool ok = m_file->Flush(&why);
    m_file.reset();
    if (!ok && error) *error = "cannot write " + (m_folder / kJournalFileName).u8string() + ": " + why;
    return ok;
}

void CJournal::RotateIfNeeded()
{
    const fs::path path = m_folder / kJournalFileName;
    std::error_code ec;
    const std::uint64_t size = fs::file_size(path, ec);
    if (ec || size <= kJournalRotateBytes) return;

    // One process rotates at a time; the others go on appending (to the renamed file, if
    // they hold it open: their lines stay in journal-1.csv). A rotation that cannot be done
    // now (a reader holds a file) is done by a later writer: the line is what matters.
    const fs::path lock = m_folder / kLockFileName;
    bool held = false;
    if (!m_platform.CreateExclusive(lock, "", &held, nullptr)) {
        if (!held) return;
        const auto age = fs::file_time_type::clock::now() - fs::last_write_time(lock, ec);
        if (ec || age < kStaleLock) return;
        fs::remove(lock, ec);
        if (!m_platform.CreateExclusive(lock, "", &held, nullptr)) return;
    }
    if (fs::file_size(path, ec) > kJournalRotateBytes && !ec) {
        fs::remove(KeptFile(m_folder, kJournalKeptFiles), ec);
        for (int n = kJournalKeptFiles - 1; n >= 1; --n) {
            if (fs::exists(KeptFile(m_folder, n), ec)) fs::rename(KeptFile(m_folder, n), KeptFile(m_folder, n + 1), ec);
        }
        fs::rename(path, KeptFile(m_folder, 1), ec);
    }
    fs::remove(lock, ec);
}
