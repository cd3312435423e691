#include "common/FileHolder.h"

// POSIX systems have no mandatory sharing modes: a file is never held against a writer.
std::string ProgramsHoldingFile(const std::filesystem::path&) { return std::string(); }

bool HeldAgainstWriters(const std::filesystem::path&) { return false; }

bool RenameReplacing(const std::filesystem::path& from, const std::filesystem::path& to, std::error_code* ec)
{
    std::filesystem::rename(from, to, *ec);
    return !*ec;
}

std::string DescribeHeldFile(const std::filesystem::path& path)
{
    return path.filename().u8string() + " is open in another program";
}
