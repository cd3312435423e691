// Which program holds a file open (Windows): the Restart Manager knows, from Windows Vista
// on. Looked up at run time, so that a system without it only loses the name.
#pragma once

#include <filesystem>
#include <string>

// The holders' names as Windows gives them ("Microsoft Excel", or "EXCEL.EXE" when the
// program gives no name), comma-separated, UTF-8; "" when nobody can be named.
std::string ProgramsHoldingFile(const std::filesystem::path& path);

// "journal.csv is open in another program (Microsoft Excel)": the file's name, and the
// holder when Windows can tell it. UTF-8.
std::string DescribeHeldFile(const std::filesystem::path& path);
