// The user's guide: one HTML page in the folder "guide" beside the programs, with a section
// for each window of the program. F1 opens the page at the section of the window it was
// pressed in.
#pragma once

#include <string>
#include <vector>

// The page, relative to the programs' folder (with the separator of the system).
#ifdef _WIN32
constexpr char kGuideRelativePath[] = "guide\\index.html";
#else
constexpr char kGuideRelativePath[] = "guide/index.html";
#endif

// The section (an anchor of the page, without '#') that explains the dialog of a template;
// the main window's section for a template the guide does not know.
const char* GuideSectionOf(unsigned templateId);
// Every section the program opens the page at (the guide's build checks that each exists).
std::vector<std::string> GuideSections();

// A file: URL of a local file with an anchor, as a browser takes it on its command line:
// path is an absolute UTF-8 path ("C:\\Program Files\\zolcfg\\guide\\index.html" or
// "/opt/x/index.html"); backslashes become slashes, and every byte outside the unreserved
// characters and the path's own separators is percent-encoded. An empty anchor adds none.
std::string FileUrl(const std::string& path, const std::string& anchor);
