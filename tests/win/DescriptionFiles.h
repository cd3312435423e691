// A working directory of description files for a window test: made under %TEMP% with the
// given descriptions (checksum + text), made current for the test, removed afterwards.
// The device catalogue is emptied on both ends, so each test loads exactly its own files.
#pragma once

#include <filesystem>
#include <string>

class CDescriptionDir {
public:
    CDescriptionDir();
    ~CDescriptionDir();
    CDescriptionDir(const CDescriptionDir&) = delete;
    CDescriptionDir& operator=(const CDescriptionDir&) = delete;

    // Writes name (e.g. "meter.dsc") holding the checksum of text followed by text.
    void Write(const std::string& name, const std::string& text);
    // Writes name holding exactly bytes (no checksum added).
    void WriteRaw(const std::string& name, const std::string& bytes);
    const std::filesystem::path& Path() const { return m_dir; }

private:
    std::filesystem::path m_dir;
    std::filesystem::path m_previous;
};
