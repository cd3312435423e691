#include "history/HistoryFolder.h"

#include <system_error>

namespace fs = std::filesystem;

bool ResolveHistoryFolder(const std::string& option, IHistoryPlatform& platform, fs::path* folder,
                          std::string* error)
{
    if (!option.empty()) {
        *folder = fs::u8path(option);
        return true;
    }
    std::string value;
    if (platform.Environment("ZOLCFG_HISTORY", &value) && !value.empty()) {
        *folder = fs::u8path(value);
        return true;
    }
    if (platform.Environment("LOCALAPPDATA", &value) && !value.empty()) {
        *folder = fs::u8path(value) / "zolcfg" / "history";
        return true;
    }
    if (platform.Environment("HOME", &value) && !value.empty()) {
        *folder = fs::u8path(value) / ".local" / "share" / "zolcfg" / "history";
        return true;
    }
    if (error) *error = "neither ZOLCFG_HISTORY nor LOCALAPPDATA is set";
    return false;
}

bool EnsureHistoryFolder(const fs::path& folder, std::string* error)
{
    std::error_code ec;
    if (fs::is_directory(folder, ec)) return true;
    fs::create_directories(folder, ec);
    if (!ec && fs::is_directory(folder, ec)) return true;
    if (error) *error = ec ? ec.message() : std::string("it is not a folder");
    return false;
}

std::string FolderText(const fs::path& folder) { return folder.u8string(); }
