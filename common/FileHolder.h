// Files another program may hold open (Windows: a spreadsheet showing one, a virus scanner
// looking at a new one): the replacing rename that tells such a hold apart, and which
// program holds a file. The Restart Manager knows the latter, from Windows Vista on; it is
// looked up at run time, so that a system without it only loses the name.
#pragma once

#include <filesystem>
#include <string>
#include <system_error>

// Renames from over to, replacing to. On failure *ec holds the system's own code (on Windows
// the system error, where the standard library keeps only "permission denied").
bool RenameReplacing(const std::filesystem::path& from, const std::filesystem::path& to, std::error_code* ec);

// True when another program holds the file against writers (a writer that shares everything
// is refused with a sharing violation). Never on POSIX systems.
bool HeldAgainstWriters(const std::filesystem::path& path);

// The holders' names as Windows gives them ("Microsoft Excel", or "EXCEL.EXE" when the
// program gives no name), comma-separated, UTF-8; "" when nobody can be named.
std::string ProgramsHoldingFile(const std::filesystem::path& path);

// "journal.csv is open in another program (Microsoft Excel)": the file's name, and the
// holder when Windows can tell it. UTF-8.
std::string DescribeHeldFile(const std::filesystem::path& path);
