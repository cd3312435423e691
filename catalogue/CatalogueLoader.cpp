#include "catalogue/CatalogueLoader.h"

#include <algorithm>
#include <chrono>
#include <iostream>
#include <system_error>
#include <utility>

#include "catalogue/Catalogue.h"
#include "catalogue/DescriptionReader.h"
#include "catalogue/Windows1251.h"

namespace {

// The name as the loader prints it.
std::string PrintedName(const std::filesystem::path& name)
{
#ifdef _WIN32
    // Windows names are UTF-16; the system's texts are Windows-1251.
    return Utf16ToCp1251(name.u16string());
#else
    return name.string();
#endif
}

// The name whose bytes give the reading order: the UTF-8 form on Windows, which keeps
// every name distinct (the printed form may turn several into the same "?").
std::string OrderingName(const std::filesystem::path& name)
{
#ifdef _WIN32
    return name.u8string();
#else
    return name.string();
#endif
}

}  // namespace

bool IsDescriptionFileName(const std::string& name)
{
    static const char kExtension[] = ".dsc";
    constexpr std::size_t n = sizeof kExtension - 1;
    if (name.size() < n)
        return false;
    for (std::size_t i = 0; i < n; ++i) {
        char c = name[name.size() - n + i];
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
        if (c != kExtension[i])
            return false;
    }
    return true;
}

std::vector<DescriptionFileEntry> ListDescriptionFiles(const std::filesystem::path& directory)
{
    struct Listed {
        std::string order;
        DescriptionFileEntry entry;
    };
    std::vector<Listed> listed;
    std::error_code ec;
    std::filesystem::directory_iterator it(directory, ec);
    const std::filesystem::directory_iterator end;
    for (; !ec && it != end; it.increment(ec)) {
        // Directories are passed over. Any other kind of file is listed; reading refuses
        // one that is not a regular file like one that cannot be opened.
        std::error_code typeError;
        if (it->is_directory(typeError))
            continue;
        const std::filesystem::path name = it->path().filename();
        std::string order = OrderingName(name);
        if (IsDescriptionFileName(order))
            listed.push_back({std::move(order), {PrintedName(name), it->path()}});
    }
    // std::string compares bytes as unsigned char: a fixed order on every platform.
    std::sort(listed.begin(), listed.end(), [](const Listed& a, const Listed& b) { return a.order < b.order; });
    std::vector<DescriptionFileEntry> files;
    files.reserve(listed.size());
    for (Listed& l : listed)
        files.push_back(std::move(l.entry));
    return files;
}

void LoadDeviceCatalogue(const std::filesystem::path& directory, std::ostream& out, CDeviceList& catalogue)
{
    const std::vector<DescriptionFileEntry> files = ListDescriptionFiles(directory);
    out << "Start reading configuration files\n";
    out.flush();
    std::string buffer;
    for (const DescriptionFileEntry& file : files) {
        CDevice device;
        out << "Reading config file '" << file.name << "'....\n";
        if (LoadDeviceFile(file.path, file.name, device, out, buffer) == 0)
            catalogue.AddHead(std::move(device));
        out.flush();
    }
}

CBackgroundCatalogueLoad::CBackgroundCatalogueLoad(std::filesystem::path directory)
    : m_thread([this, directory = std::move(directory)] {
          const auto start = std::chrono::steady_clock::now();
          LoadDeviceCatalogue(directory, m_lines, m_devices);
          m_seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
      })
{
}

CBackgroundCatalogueLoad::~CBackgroundCatalogueLoad()
{
    if (m_thread.joinable()) m_thread.join();
}

void CBackgroundCatalogueLoad::Finish(std::ostream& out, CDeviceList& catalogue)
{
    if (m_thread.joinable()) m_thread.join();
    out << m_lines.str();
    out.flush();
    m_lines.str(std::string());
    // The loader puts each device at the head: the last of the loaded ones goes first.
    for (auto it = m_devices.end(); it != m_devices.begin();) {
        --it;
        catalogue.AddHead(std::move(*it));
    }
    m_devices.RemoveAll();
}

void LoadDeviceCatalogue()
{
    LoadDeviceCatalogue(std::filesystem::path("."), std::cout, g_DeviceCatalogue);
}
