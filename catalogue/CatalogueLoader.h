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
#include <sstream>
#include <thread>
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

// LoadDeviceCatalogue on a worker thread, so that reading the descriptions overlaps a
// step that mostly waits (the connection, while COM starts the server). The loader's lines
// and the devices are kept apart until Finish; an object ended without Finish leaves
// both unused, as if nothing had been loaded.
class CBackgroundCatalogueLoad {
public:
    explicit CBackgroundCatalogueLoad(std::filesystem::path directory);
    ~CBackgroundCatalogueLoad();
    CBackgroundCatalogueLoad(const CBackgroundCatalogueLoad&) = delete;
    CBackgroundCatalogueLoad& operator=(const CBackgroundCatalogueLoad&) = delete;

    // Waits for the load, writes the loader's lines to out and puts the devices in
    // catalogue exactly as LoadDeviceCatalogue would have.
    void Finish(std::ostream& out, CDeviceList& catalogue);
    // How long the load itself took (once finished).
    double Seconds() const { return m_seconds; }

private:
    double m_seconds = 0;
    std::ostringstream m_lines;
    CDeviceList m_devices;
    std::thread m_thread;
};
