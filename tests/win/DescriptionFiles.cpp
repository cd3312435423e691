#include "DescriptionFiles.h"

#include <windows.h>

#include <fstream>

#include "catalogue/Catalogue.h"
#include "catalogue/Checksum.h"

CDescriptionDir::CDescriptionDir()
{
    static int serial = 0;
    m_dir = std::filesystem::temp_directory_path() /
            ("zolcfg-test-" + std::to_string(GetCurrentProcessId()) + "-" + std::to_string(++serial));
    // Wine gives the same process ids run after run: a folder a crashed run left behind
    // would lend this test its files.
    std::error_code ignored;
    std::filesystem::remove_all(m_dir, ignored);
    std::filesystem::create_directories(m_dir);
    m_previous = std::filesystem::current_path();
    std::filesystem::current_path(m_dir);
    FreeDeviceCatalogue();
}

CDescriptionDir::~CDescriptionDir()
{
    FreeDeviceCatalogue();
    std::error_code ignored;
    std::filesystem::current_path(m_previous, ignored);
    std::filesystem::remove_all(m_dir, ignored);
}

void CDescriptionDir::Write(const std::string& name, const std::string& text)
{
    unsigned char stored[4];
    WriteStoredChecksum(UpdateChecksum(0, text), stored);
    std::ofstream out(m_dir / name, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(stored), 4);
    out << text;
}

void CDescriptionDir::WriteRaw(const std::string& name, const std::string& bytes)
{
    std::ofstream out(m_dir / name, std::ios::binary | std::ios::trunc);
    out << bytes;
}
