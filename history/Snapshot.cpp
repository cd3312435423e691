#include "history/Snapshot.h"

#include "common/AtomicFile.h"
#include "common/Decimal.h"
#include "history/HistoryFolder.h"
#include "history/JournaledServer.h"
#include "tagfile/TagFileReader.h"
#include "tagfile/TagFileWriter.h"

#include <algorithm>
#include <climits>
#include <cstdint>
#include <fstream>
#include <set>
#include <system_error>

namespace fs = std::filesystem;

namespace {

constexpr char kBom[] = "\xEF\xBB\xBF";
constexpr std::size_t kStampLength = 15;  // YYYYMMDD-HHMMSS

bool IsDigits(std::string_view text)
{
    return !text.empty() && std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

// "20261208-102503-zolctl-2.csv" -> stamp, and the number of the snapshot within its second.
bool ParseSnapshotName(const std::string& name, std::string* stamp, int* sequence)
{
    if (name.size() < kStampLength + 6 || name.compare(name.size() - 4, 4, ".csv") != 0) return false;
    if (!IsDigits(std::string_view(name).substr(0, 8)) || name[8] != '-' ||
        !IsDigits(std::string_view(name).substr(9, 6)) || name[kStampLength] != '-')
        return false;
    *stamp = name.substr(0, kStampLength);
    const std::string stem = name.substr(kStampLength + 1, name.size() - kStampLength - 5);
    const std::size_t dash = stem.rfind('-');
    *sequence = 1;
    if (dash != std::string::npos && IsDigits(std::string_view(stem).substr(dash + 1))) {
        // A number past any we write still names a snapshot: it sorts last within its second.
        std::uint64_t n = 0;
        *sequence = ParseDecimal(std::string_view(stem).substr(dash + 1), INT_MAX, &n) ? static_cast<int>(n) : INT_MAX;
    }
    return true;
}

std::vector<std::string> Split(std::string_view text, char separator)
{
    std::vector<std::string> parts;
    std::size_t start = 0;
    for (;;) {
        const std::size_t at = text.find(separator, start);
        parts.emplace_back(text.substr(start, at == std::string_view::npos ? std::string_view::npos : at - start));
        if (at == std::string_view::npos) return parts;
        start = at + 1;
    }
}

bool ParseCount(const std::string& field, const char* word, std::size_t* count)
{
    const std::string prefix = std::string(word) + " ";
    return field.compare(0, prefix.size(), prefix) == 0 &&
           ParseDecimalTo<std::size_t>(std::string_view(field).substr(prefix.size()), SIZE_MAX, count);
}

std::string_view AfterFirstLine(std::string_view text)
{
    const std::size_t end = text.find('\n');
    return end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
}

}  // namespace

std::string MakeSnapshotText(const std::vector<TagFileRecord>& records, const PortSettings& port,
                             const std::string& program, const LocalTime& time)
{
    std::set<std::pair<std::uint32_t, std::uint32_t>> devices;
    for (const TagFileRecord& r : records) devices.emplace(r.id.type, r.id.address);
    std::string text = kBom;
    text += "# " + program + ";" + FormatIsoTime(time) + ";devices " + std::to_string(devices.size()) + ";tags " +
            std::to_string(records.size()) + "\r\n";
    if (port.known) text += "# port " + JournalPortText(port) + "\r\n";
    TagFileFormat format;
    format.byteOrderMark = false;
    text += WriteTagFile(records, format);
    return text;
}

bool ReadSnapshotInfo(std::string_view head, SnapshotInfo* info)
{
    if (head.substr(0, 3) == kBom) head.remove_prefix(3);
    const std::size_t end = head.find_first_of("\r\n");
    if (end == std::string_view::npos || head.substr(0, 2) != "# ") return false;
    const std::vector<std::string> fields = Split(head.substr(2, end - 2), ';');
    if (fields.size() != 4 || !ParseCount(fields[2], "devices", &info->devices) ||
        !ParseCount(fields[3], "tags", &info->tags))
        return false;
    info->program = fields[0];
    info->time = fields[1];
    info->counted = true;
    std::string_view rest = head.substr(end);
    while (!rest.empty() && (rest.front() == '\r' || rest.front() == '\n')) rest.remove_prefix(1);
    if (rest.substr(0, 7) == "# port ") {
        const std::size_t lineEnd = rest.find_first_of("\r\n");
        if (lineEnd != std::string_view::npos) ParsePortSettings(rest.substr(7, lineEnd - 7), &info->port);
    }
    return true;
}

void ReadSnapshotRows(std::string_view bytes, SnapshotInfo* info)
{
    const TagFileContent content = ReadTagFile(bytes);
    info->rowsRead = true;
    info->readable = content.readable;
    // Invalid rows count too: a row spoilt in place is not a row missing.
    std::set<std::pair<std::uint32_t, std::uint32_t>> devices;
    for (const TagFileRow& r : content.rows) devices.emplace(r.id.type, r.id.address);
    for (const TagFileIssue& issue : content.issues)
        if (issue.invalid && issue.namesTag) devices.emplace(issue.id.type, issue.id.address);
    info->rowDevices = content.readable ? devices.size() : 0;
    info->rowTags = content.readable ? content.rows.size() + content.invalidRows : 0;
    // Every line written ends with CR LF: a last line without one was cut, perhaps in a
    // period's digits, where the row still reads.
    info->cutInLine = info->counted && !bytes.empty() && bytes.back() != '\n' && bytes.back() != '\r';
}

SnapshotDamage FindSnapshotDamage(const SnapshotInfo& info)
{
    SnapshotDamage damage;
    if (!info.rowsRead || !info.counted || !info.readable) return damage;
    if (info.rowTags != info.tags)
        damage = {SnapshotDamage::Kind::Tags, info.tags, info.rowTags};
    else if (info.rowDevices != info.devices)
        damage = {SnapshotDamage::Kind::Devices, info.devices, info.rowDevices};
    else if (info.cutInLine)
        damage.kind = SnapshotDamage::Kind::CutInLine;
    return damage;
}

SnapshotDamage FindSnapshotDamage(std::string_view bytes)
{
    SnapshotInfo info;
    ReadSnapshotInfo(bytes, &info);
    ReadSnapshotRows(bytes, &info);
    return FindSnapshotDamage(info);
}

std::string DescribeSnapshotDamage(const SnapshotDamage& damage)
{
    switch (damage.kind) {
    case SnapshotDamage::Kind::Tags:
    case SnapshotDamage::Kind::Devices: {
        const char* what = damage.kind == SnapshotDamage::Kind::Tags ? " tags" : " devices";
        return "the header names " + std::to_string(damage.header) + what + ", the file holds " +
               std::to_string(damage.rows);
    }
    case SnapshotDamage::Kind::CutInLine: return "its last line is cut off";
    case SnapshotDamage::Kind::None: break;
    }
    return std::string();
}

std::vector<SnapshotInfo> ListSnapshots(const fs::path& folder, bool readRows)
{
    struct Found {
        SnapshotInfo info;
        int sequence;
    };
    std::vector<Found> found;
    std::error_code ec;
    for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
        if (!it->is_regular_file(ec)) continue;
        Found f;
        f.info.fileName = it->path().filename().u8string();
        if (!ParseSnapshotName(f.info.fileName, &f.info.stamp, &f.sequence)) continue;
        f.info.path = it->path();
        f.info.bytes = it->file_size(ec);
        std::ifstream in(it->path(), std::ios::binary);
        char head[1024];
        in.read(head, sizeof head);
        ReadSnapshotInfo(std::string_view(head, static_cast<std::size_t>(in.gcount())), &f.info);
        std::string bytes;
        if (readRows) {
            if (ReadWholeFile(it->path(), &bytes)) ReadSnapshotRows(bytes, &f.info);
            else f.info.readable = false;
        }
        found.push_back(std::move(f));
    }
    std::sort(found.begin(), found.end(), [](const Found& a, const Found& b) {
        if (a.info.stamp != b.info.stamp) return a.info.stamp < b.info.stamp;
        if (a.sequence != b.sequence) return a.sequence < b.sequence;
        return a.info.fileName < b.info.fileName;
    });
    std::vector<SnapshotInfo> list;
    list.reserve(found.size());
    for (Found& f : found) list.push_back(std::move(f.info));
    return list;
}

std::string SnapshotProgramStem(const std::string& program)
{
    std::string stem = program.substr(0, program.find(' '));
    for (char& c : stem) {
        const bool plain = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_';
        if (!plain) c = '_';
    }
    return stem.empty() ? "zolcfg" : stem;
}

SnapshotResult WriteSnapshot(IHistoryPlatform& platform, const fs::path& folder,
                             const std::vector<TagFileRecord>& records, const PortSettings& port,
                             const std::string& program, const std::vector<fs::path>& keep)
{
    SnapshotResult result;
    if (!EnsureHistoryFolder(folder, &result.error)) {
        result.error = "cannot create the folder " + FolderText(folder) + ": " + result.error;
        return result;
    }
    const LocalTime now = platform.Now();
    const std::string text = MakeSnapshotText(records, port, program, now);

    const std::vector<SnapshotInfo> existing = ListSnapshots(folder);
    if (!existing.empty()) {
        std::string newest;
        if (ReadWholeFile(existing.back().path, &newest) && AfterFirstLine(newest) == AfterFirstLine(text)) {
            result.unchanged = true;
            result.fileName = existing.back().fileName;
            return result;
        }
    }
    const std::string base = FormatSnapshotStamp(now) + "-" + SnapshotProgramStem(program);
    for (int sequence = 1; sequence < 1000; ++sequence) {
        const std::string name = base + (sequence == 1 ? "" : "-" + std::to_string(sequence)) + ".csv";
        bool exists = false;
        std::string why;
        if (platform.CreateExclusive(folder / fs::u8path(name), text, &exists, &why)) {
            result.written = true;
            result.fileName = name;
            std::vector<fs::path> spared = keep;
            spared.push_back(folder / fs::u8path(name));
            result.removed = ApplySnapshotRetention(folder, kSnapshotMaxFiles, kSnapshotMaxBytes, spared);
            return result;
        }
        if (!exists) {
            result.error = "cannot write " + (folder / fs::u8path(name)).u8string() + ": " + why;
            return result;
        }
    }
    result.error = "too many snapshots within one second in " + FolderText(folder);
    return result;
}

std::size_t ApplySnapshotRetention(const fs::path& folder, std::size_t maxFiles, std::uint64_t maxBytes,
                                   const std::vector<fs::path>& keep)
{
    const std::vector<SnapshotInfo> list = ListSnapshots(folder);
    const auto kept = [&keep](const fs::path& path) {
        for (const fs::path& k : keep) {
            std::error_code ec;
            if (k == path || fs::equivalent(k, path, ec)) return true;
        }
        return false;
    };
    std::uint64_t bytes = 0;
    for (const SnapshotInfo& s : list) bytes += s.bytes;
    std::size_t count = list.size(), removed = 0;
    // The newest always stays.
    for (std::size_t i = 0; i + 1 < list.size() && (count > maxFiles || bytes > maxBytes); ++i) {
        std::error_code ec;
        if (kept(list[i].path) || !fs::remove(list[i].path, ec)) continue;
        --count;
        bytes -= list[i].bytes;
        ++removed;
    }
    return removed;
}

bool FindSnapshot(const fs::path& folder, const std::string& nameOrPath, fs::path* file)
{
    std::error_code ec;
    const fs::path given = fs::u8path(nameOrPath);
    if (!given.has_parent_path() && fs::is_regular_file(folder / given, ec)) {
        *file = folder / given;
        return true;
    }
    if (fs::is_regular_file(given, ec)) {
        *file = given;
        return true;
    }
    return false;
}

bool ReadSnapshotName(const std::string& name, std::string* stamp, int* sequence)
{
    return ParseSnapshotName(name, stamp, sequence);
}
