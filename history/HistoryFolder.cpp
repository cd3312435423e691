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

FolderTrouble DiagnoseHistoryFolder(const fs::path& folder, fs::path* file)
{
    std::error_code ec;
    if (fs::is_directory(folder, ec)) return FolderTrouble::None;
    if (fs::exists(folder, ec)) return FolderTrouble::IsAFile;
    // The nearest part of the path that exists decides whether the rest can be made.
    fs::path part = folder;
    while (!part.empty()) {
        if (fs::exists(part, ec)) {
            if (fs::is_directory(part, ec)) return FolderTrouble::None;
            if (file) *file = part;
            return FolderTrouble::UnderAFile;
        }
        const fs::path parent = part.parent_path();
        if (parent == part) break;
        part = parent;
    }
    return FolderTrouble::NoDrive;
}

bool HistoryFolderPossible(const fs::path& folder, std::string* error)
{
    fs::path file;
    const FolderTrouble trouble = DiagnoseHistoryFolder(folder, &file);
    if (error) {
        switch (trouble) {
        case FolderTrouble::None: break;
        case FolderTrouble::IsAFile: *error = "it is a file, not a folder"; break;
        case FolderTrouble::UnderAFile: *error = FolderText(file) + " is a file, not a folder"; break;
        case FolderTrouble::NoDrive:
            *error = folder.has_root_name() ? "the drive " + folder.root_name().u8string() + " does not exist"
                                            : std::string("no part of the path exists");
            break;
        }
    }
    return trouble == FolderTrouble::None;
}

bool EnsureHistoryFolder(const fs::path& folder, std::string* error)
{
    std::error_code ec;
    if (fs::is_directory(folder, ec)) return true;
    std::string why;
    if (!HistoryFolderPossible(folder, &why)) {
        // The system's own reason is misleading here ("File name too long" for a missing drive).
        if (error) *error = why;
        return false;
    }
    fs::create_directories(folder, ec);
    if (!ec && fs::is_directory(folder, ec)) return true;
    if (error) *error = ec ? ec.message() : std::string("it is not a folder");
    return false;
}

std::string FolderText(const fs::path& folder) { return folder.u8string(); }
