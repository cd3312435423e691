// Checks of description files for what the reader accepts silently but is almost surely a
// mistake: codes and numbers that cannot travel in a tree key, duplicate parameter
// numbers, cut words, unknown keywords, words that are not numbers, a file ending inside a
// word or inside a parameter's line.
#pragma once

#include <iosfwd>
#include <string>
#include <string_view>

// Checks one file's bytes: a signed description file (checksum first) or its text source
// (a text that begins with the marker; when neither is clear, a "*.dsc" name means a
// signed file). Writes one line per finding, "<name>:<line>: ...",
// and returns the number of findings.
int LintDescription(std::string_view fileBytes, const std::string& name, std::ostream& out);
