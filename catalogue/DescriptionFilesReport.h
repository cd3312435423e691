// What became of each description file of a directory: the loader's view file by file,
// for the window that explains why a device type is missing from the lists.
//
// The files are the loader's (ListDescriptionFiles), in its reading order; each is read the
// way the loader reads it (LoadDeviceFile), with the reader's lines kept per file instead
// of printed, and checked by LintDescription. Reading a directory this way changes nothing:
// the program's catalogue and its standard output are left alone.
#pragma once

#include <cstddef>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "catalogue/DescriptionLint.h"

enum class DescriptionFileResult {
    Loaded,           // accepted: its device is in the catalogue
    WrongChecksum,    // refused: the stored checksum does not match (or is missing)
    NotADescription,  // refused: the text does not begin with the marker
    CannotRead,       // refused: the file could not be opened or read
};

struct DescriptionFileReport {
    std::string name;  // as the loader prints it
    std::filesystem::path path;
    DescriptionFileResult result = DescriptionFileResult::CannotRead;
    int typeCode = 0;            // of a loaded file
    std::string deviceName;      // of a loaded file (Windows-1251)
    std::size_t parameters = 0;  // of a loaded file
    std::vector<std::string> messages;  // the reader's lines for this file, without "\n"
    std::vector<LintFinding> findings;  // the lint findings, for each front end to word
    // A later file read a device of the same type code; the catalogue finds that one. The
    // index of the last such file (the one the catalogue uses), or -1.
    int overriddenBy = -1;
};

// Classifies one file from the loader's result on it and the bytes it holds (as far as
// they could be read): the file is judged by what refused it first, as the loader does.
DescriptionFileResult ClassifyDescriptionFile(bool loaded, bool readable, std::string_view bytes);

// Marks every loaded file whose type code a later loaded file has too.
void MarkOverriddenFiles(std::vector<DescriptionFileReport>& reports);

// The report of one file on disk.
DescriptionFileReport ReportDescriptionFile(const std::filesystem::path& file, const std::string& name);

// The reports of every description file of the directory, in reading order, overrides
// marked.
std::vector<DescriptionFileReport> ReportDescriptionFiles(const std::filesystem::path& directory);

// Splits text into its lines (without their "\n"; a last line without one counts too).
std::vector<std::string> SplitLines(const std::string& text);
