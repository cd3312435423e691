// Loading of the device catalogue from the description files of a directory.
//
// The loader prints "Start reading configuration files", then takes every file but a
// directory whose name ends in ".dsc" (any letter case) in ascending byte order of the
// names (of their UTF-8 form on Windows), so the catalogue's order never depends on the
// file system. For each it prints "Reading config file '<name>'....", reads it
// (DescriptionReader.h) and inserts the accepted device at the head of the catalogue: the
// catalogue ends up in the reverse of the reading order, and among devices of one type
// code the one read last is found first. A file that is not a regular file (a FIFO, a
// device) is refused like one that cannot be opened, without being opened.
//
// Names are printed as the system's texts are written: in Windows-1251 on Windows (a
// character it cannot hold becomes "?"), as the file system's bytes elsewhere.
#pragma once

#include <filesystem>
#include <iosfwd>
#include <string>
#include <vector>

#include "catalogue/Device.h"

struct DescriptionFileEntry {
    std::string name;             // the bare name as printed (Windows-1251 on Windows)
    std::filesystem::path path;   // the file to open
};

// True when the name ends in ".dsc", in any letter case.
bool IsDescriptionFileName(const std::string& name);

// The description files of a directory, in ascending byte order of their names. Empty
// when the directory cannot be read.
std::vector<DescriptionFileEntry> ListDescriptionFiles(const std::filesystem::path& directory);

// Loads every description file of the directory into catalogue, with the loader's lines
// on out.
void LoadDeviceCatalogue(const std::filesystem::path& directory, std::ostream& out, CDeviceList& catalogue);

// The program's form: the working directory, standard output, g_DeviceCatalogue.
void LoadDeviceCatalogue();
