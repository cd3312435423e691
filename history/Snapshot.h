// Snapshots: the whole configuration as a tag file in the history folder, named
// YYYYMMDD-HHMMSS-<program>.csv (a second snapshot within the same second gets "-2", ...):
//
//   # zolctl 0.917.40;2026-12-08T10:25:03+03:00;devices 3;tags 120
//   # port COM3 19200 8 none 1
//   device;address;type;param;name;period_ms
//   PM3F;5;1;14;PM3F(005).Frequency;2000
//
// A tag file reader (and zolctl import) reads it as any tag file: the comments are skipped.
// A new snapshot is written only when everything after its first line differs from the
// newest one's; then the oldest go until at most kSnapshotMaxFiles files and
// kSnapshotMaxBytes bytes are left.
#pragma once

#include "history/HistoryPlatform.h"
#include "history/UndoStep.h"
#include "tagfile/TagFile.h"

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

constexpr std::size_t kSnapshotMaxFiles = 200;
constexpr std::uint64_t kSnapshotMaxBytes = 200u * 1024u * 1024u;

struct SnapshotInfo {
    std::string fileName;        // UTF-8
    std::filesystem::path path;
    std::string stamp;           // "20261208-102503" from the name
    std::string program;         // "zolctl 0.917.40" from the first line ("" when not there)
    std::string time;            // "2026-12-08T10:25:03+03:00" from the first line
    std::size_t devices = 0, tags = 0;
    bool counted = false;        // devices and tags were read from the first line
    PortSettings port;
    std::uint64_t bytes = 0;
    // Filled by ReadSnapshotRows (ListSnapshots with readRows): what the whole file holds.
    bool rowsRead = false;
    bool readable = true;               // a tag file a restore can read
    std::size_t rowDevices = 0, rowTags = 0;  // as the rows give them, usable or not
    bool cutInLine = false;             // a counted file that does not end with a line end
};

// Reads the whole file's rows into info: readable, rowDevices, rowTags, cutInLine.
void ReadSnapshotRows(std::string_view bytes, SnapshotInfo* info);

// The file's text: the two comment lines and the tag file (UTF-8 with BOM, ';', CR LF).
std::string MakeSnapshotText(const std::vector<TagFileRecord>& records, const PortSettings& port,
                             const std::string& program, const LocalTime& time);

// "20261208-102503-zolctl-2.csv" -> "20261208-102503" and 2 (1 without a number; a number
// past any written one gives INT_MAX); false when the name is not a snapshot's.
bool ReadSnapshotName(const std::string& name, std::string* stamp, int* sequence);

// What the first lines say; false when they are not a snapshot's.
bool ReadSnapshotInfo(std::string_view head, SnapshotInfo* info);

// How a snapshot whose rows were read is damaged: its first line counts devices or tags
// the rows do not give, or its last line was cut off (header: the first line's count,
// rows: the rows'). A file without counts is read as any tag file: never damaged.
struct SnapshotDamage {
    enum class Kind { None, Tags, Devices, CutInLine } kind = Kind::None;
    std::size_t header = 0, rows = 0;
    explicit operator bool() const { return kind != Kind::None; }
};
SnapshotDamage FindSnapshotDamage(const SnapshotInfo& info);
// The whole snapshot's (its first line and rows).
SnapshotDamage FindSnapshotDamage(std::string_view bytes);

// "the header names 13 tags, the file holds 3", "its last line is cut off"; "" for none.
std::string DescribeSnapshotDamage(const SnapshotDamage& damage);

// The folder's snapshots, oldest first (by the name's time, then the name); with readRows,
// each file is read whole for ReadSnapshotRows (a listing for people, not the retention).
std::vector<SnapshotInfo> ListSnapshots(const std::filesystem::path& folder, bool readRows = false);

// "zolctl" of "zolctl 0.917.40": the program part of a file name.
std::string SnapshotProgramStem(const std::string& program);

struct SnapshotResult {
    bool written = false;    // a new file
    bool unchanged = false;  // same content as the newest: nothing written
    std::string fileName;    // the new file's, or the newest's when unchanged (UTF-8)
    std::size_t removed = 0; // old snapshots removed by retention
    std::string error;       // UTF-8; set when neither written nor unchanged
};

// Writes the configuration as a new snapshot unless the newest holds the same (creating the
// folder when missing), then applies the retention, which spares the new file and those in
// keep (a snapshot being restored).
SnapshotResult WriteSnapshot(IHistoryPlatform& platform, const std::filesystem::path& folder,
                             const std::vector<TagFileRecord>& records, const PortSettings& port,
                             const std::string& program, const std::vector<std::filesystem::path>& keep = {});

// Removes the oldest snapshots until the limits hold; returns how many went. The newest
// and the files in keep always stay.
std::size_t ApplySnapshotRetention(const std::filesystem::path& folder, std::size_t maxFiles = kSnapshotMaxFiles,
                                   std::uint64_t maxBytes = kSnapshotMaxBytes,
                                   const std::vector<std::filesystem::path>& keep = {});

// A name from `zolctl history` or a path: the file to restore. False when none is found.
bool FindSnapshot(const std::filesystem::path& folder, const std::string& nameOrPath, std::filesystem::path* file);
