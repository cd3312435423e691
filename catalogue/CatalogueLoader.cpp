#include "catalogue/CatalogueLoader.h"

#include <algorithm>
#include <iostream>
#include <system_error>
#include <utility>

#include "catalogue/Catalogue.h"
#include "catalogue/DescriptionReader.h"

namespace {

std::string BareName(const std::filesystem::path& path)
{
#ifdef _WIN32
    // Windows names are UTF-16; their UTF-8 form converts every name without loss.
    return path.filename().u8string();
#else
    return path.filename().string();
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
    std::vector<DescriptionFileEntry> files;
    std::error_code ec;
    std::filesystem::directory_iterator it(directory, ec);
    const std::filesystem::directory_iterator end;
    for (; !ec && it != end; it.increment(ec)) {
        std::error_code typeError;
        if (it->is_directory(typeError))
            continue;
        std::string name = BareName(it->path());
        if (IsDescriptionFileName(name))
            files.push_back({std::move(name), it->path()});
    }
    // std::string compares bytes as unsigned char: a fixed order on every platform.
    std::sort(files.begin(), files.end(),
              [](const DescriptionFileEntry& a, const DescriptionFileEntry& b) { return a.name < b.name; });
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

void LoadDeviceCatalogue()
{
    LoadDeviceCatalogue(std::filesystem::path("."), std::cout, g_DeviceCatalogue);
}
