// Opening documents, and the user's guide beside the program.
//
// Every document the program opens goes through OpenDocument, one replaceable function:
// the program's own opens it with the system's browser; tests put one in its place that
// notes what was asked.
#pragma once

#include <windows.h>

#include <functional>
#include <string>

// Opens file (an absolute path) at anchor (a section of the page; empty: its top), for
// owner. False when nothing could open it.
using DocumentOpener = std::function<bool(HWND owner, const std::wstring& file, const std::string& anchor)>;

// Puts opener in place of the current one and returns that one (null: the system's).
DocumentOpener SetDocumentOpener(DocumentOpener opener);
bool OpenDocument(HWND owner, const std::wstring& file, const std::string& anchor);

// The folder of the running program, without a trailing separator.
std::wstring ProgramFolder();
// guide\index.html in that folder.
std::wstring GuideFile();

// Opens the guide at a section for owner. A missing guide, or one that could not be
// opened, is told in a message box; nothing else happens.
void ShowGuide(HWND owner, const std::string& section);
// The guide at the section of the dialog of templateId (the main window's when the guide
// has none for it).
void ShowGuideFor(HWND owner, unsigned templateId);
