// Whole-file reading and writing: a file is replaced as a whole or not at all.
#pragma once

#include <filesystem>
#include <functional>
#include <system_error>
#include <string>

// Writes `content` to a temporary file beside `target`, flushes and closes it, then renames
// it over `target`, so that readers see either the old or the new file, never a part.
// On failure the target is unchanged, the temporary file is removed, *error says why in
// English and *step (when given) which step failed, for a front end to word it itself.
// A target that another program holds open (a spreadsheet showing it, a virus scanner
// looking at it) is tried again for up to kSharedFileWait before the write fails as Held.
enum class AtomicWriteStep {
    None,
    Create,   // the temporary file cannot be made beside the target
    Denied,   // ... because the folder does not let this user write (Program Files, say)
    Write,
    Replace,
    Held,     // the target stayed open in another program
};
constexpr int kSharedFileWaitMs = 5000;
bool WriteFileAtomic(const std::filesystem::path& target, const std::string& content,
                     std::string* error, AtomicWriteStep* step = nullptr);

// True for a failure that means another program holds the file open against us (Windows's
// sharing and lock violations); such a failure passes when that program lets go.
bool IsSharingViolation(const std::error_code& ec);
// Runs attempt() until it succeeds, fails otherwise than by a sharing violation (as it sets
// *ec), or kSharedFileWaitMs have passed. Returns attempt()'s last result.
bool RetryWhileShared(const std::function<bool(std::error_code* ec)>& attempt, std::error_code* ec);

// Reads a whole file; false when it does not exist or cannot be read.
bool ReadWholeFile(const std::filesystem::path& path, std::string* content);
// The same, with *why (English, lower case) when it fails: "no such file", "it is a folder",
// or the system's reason ("permission denied").
bool ReadWholeFile(const std::filesystem::path& path, std::string* content, std::string* why);
