#include "history/Journal.h"

#include "common/AtomicFile.h"
#include "history/HistoryFolder.h"
#include "tagfile/TagFileReader.h"
#include "tagfile/TagFileWriter.h"

#include <chrono>
#include <system_error>

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

std::string FormatJournalLine(const JournalLine& line)
{
    std::string out;
    out.reserve(160);
    for (int c = 0; c < kJournalColumnCount; ++c) {
        if (c) out += ';';
        AppendCsvField(out, Field(line, c), ';', c == 0);
    }
    out += "\r\n";
    return out;
}

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
        for (int c = 0; c < kJournalColumnCount && c < static_cast<int>(fields.size()); ++c)
            *Field(line, c) = std::move(fields[static_cast<std::size_t>(c)]);
        lines.push_back(std::move(line));
    }
    return lines;
}

bool ReadJournal(const fs::path& folder, std::vector<JournalLine>* lines, std::string* error)
{
    lines->clear();
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
    const int month = std::stoi(since.substr(5, 2)), day = std::stoi(since.substr(8, 2));
    if (month < 1 || month > 12 || day < 1 || day > 31) return false;
    if (since.size() == 16 && (std::stoi(since.substr(11, 2)) > 23 || std::stoi(since.substr(14, 2)) > 59))
        return false;
    *key = since;
    return true;
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
    for (const JournalLine& line : lines) out += FormatJournalLine(line);
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
