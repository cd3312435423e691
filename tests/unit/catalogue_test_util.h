// Helpers for the catalogue and dsctool tests: scratch directories and signed files.
#pragma once

#include <chrono>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "catalogue/Device.h"

// A fresh directory under the system's temporary directory, removed with its contents.
class CScratchDir {
public:
    CScratchDir();
    ~CScratchDir();
    CScratchDir(const CScratchDir&) = delete;
    CScratchDir& operator=(const CScratchDir&) = delete;

    const std::filesystem::path& Path() const { return m_path; }
    std::filesystem::path operator/(const std::string& name) const { return m_path / name; }

    // Writes bytes to a file in the directory and returns its path.
    std::filesystem::path Write(const std::string& name, const std::string& bytes) const;
    // Writes the text behind its checksum (computed bit by bit, independently of the
    // production code).
    std::filesystem::path WriteSigned(const std::string& name, const std::string& text) const;

private:
    std::filesystem::path m_path;
};

// The text with its 4 checksum bytes in front, the checksum stepped bit by bit.
std::string Signed(const std::string& text);

std::string ReadAll(const std::filesystem::path& file);

// A short description of the device, for failure messages.
std::string Describe(const CDevice& device);

// Makes a FIFO (named pipe) in the directory and returns its path.
std::filesystem::path MakeFifo(const CScratchDir& dir, const std::string& name);

// Runs work on a thread of its own and tells whether it finished within the time. If it
// did not, it is waiting on one of the FIFOs: each is opened for writing and closed again
// until the work ends, so that a failing test fails instead of hanging.
bool FinishesWithin(std::chrono::milliseconds time, const std::function<void()>& work,
                    const std::vector<std::filesystem::path>& fifos);
