// Whether two names name one file: the same file however it is reached (a symbolic or hard
// link, "./" or "..", another letter case where the file system ignores case). The system
// says it, not the names: the device and inode on POSIX systems, the volume serial number
// and file index on Windows.
#pragma once

#include <filesystem>

// True when both names reach one existing file; false when either does not exist or the
// system cannot tell.
bool IsSameFile(const std::filesystem::path& a, const std::filesystem::path& b);
