// The system's file dialogs for the window's files: a tag list to export or import, a
// report to save.
#pragma once

#include <windows.h>

#include <filesystem>
#include <string>

#include "common/AtomicFile.h"

// A kind of file: the dialog's filter (pairs of a caption and a pattern, ending in an empty
// one) and the extension added to a name typed without one.
struct FileKind {
    const wchar_t* filter;
    const wchar_t* extension;
};

extern const FileKind kCsvFiles;
extern const FileKind kHtmlFiles;

// The save or open dialog over owner, titled (Windows-1251) and showing initialName; an
// empty path when the user cancelled. Saving asks before it replaces a file; opening takes
// only a file that exists.
std::filesystem::path AskFile(HWND owner, bool save, const std::wstring& initialName, const char* title,
                              const FileKind& kind);

// text as a file name: the characters a name cannot hold become "_".
std::wstring FileNamePart(std::wstring text);

// "YYYYMMDD" of the local date, for the default names.
std::wstring TodayForFileName();

// Why WriteFileAtomic did not write a file, in the window's words (Windows-1251).
const char* FileWriteFailureText(AtomicWriteStep failed);
