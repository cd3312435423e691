// Where the history lives: the command line's folder (zolctl --history DIR), else the
// environment's ZOLCFG_HISTORY, else %LOCALAPPDATA%\zolcfg\history (on a system without
// LOCALAPPDATA: $HOME/.local/share/zolcfg/history). The folder is not created here.
#pragma once

#include "history/HistoryPlatform.h"

#include <filesystem>
#include <string>

// option: UTF-8, "" when not given. False with *error when no folder can be named at all.
bool ResolveHistoryFolder(const std::string& option, IHistoryPlatform& platform, std::filesystem::path* folder,
                          std::string* error);

// Creates the folder (and its parents) when missing; false with *error (UTF-8) saying why.
bool EnsureHistoryFolder(const std::filesystem::path& folder, std::string* error);

// Why a folder cannot be, or be made: the path names a file, lies under a file (*file
// names it), or under a drive or share that does not exist (no part of the path exists).
enum class FolderTrouble { None, IsAFile, UnderAFile, NoDrive };
FolderTrouble DiagnoseHistoryFolder(const std::filesystem::path& folder, std::filesystem::path* file = nullptr);

// Whether the folder is one, or could be made: false with *error (UTF-8) saying why not.
bool HistoryFolderPossible(const std::filesystem::path& folder, std::string* error);

// "C:\Users\ivanov\AppData\Local\zolcfg\history" as UTF-8, for messages.
std::string FolderText(const std::filesystem::path& folder);
