// Whole-file reading and writing: a file is replaced as a whole or not at all.
#pragma once

#include <filesystem>
#include <string>

// Writes `content` to a temporary file beside `target`, flushes and closes it, then renames
// it over `target`, so that readers see either the old or the new file, never a part.
// On failure the target is unchanged, the temporary file is removed, *error says why in
// English and *step (when given) which step failed, for a front end to word it itself.
enum class AtomicWriteStep { None, Create, Write, Replace };
bool WriteFileAtomic(const std::filesystem::path& target, const std::string& content,
                     std::string* error, AtomicWriteStep* step = nullptr);

// Reads a whole file; false when it does not exist or cannot be read.
bool ReadWholeFile(const std::filesystem::path& path, std::string* content);
