// dsctool: a command-line tool for device description files.
//
//   dsctool load DIR                        the loader's lines for DIR, on stdout
//   dsctool dump DIR                        the loaded catalogue as JSON (loader lines on stderr)
//   dsctool verify FILE...                  check each file's checksum
//   dsctool sign FILE...                    rewrite each file's checksum
//   dsctool pack TEXTFILE OUT               write checksum + text to OUT
//   dsctool name DIR ADDRESS TYPE PARAM     the tag name from DIR's descriptions
//   dsctool lint FILE...                    report likely mistakes
//   dsctool table FILE.dsc [TABLE.csv]      the description as a register table
//   dsctool build TABLE.csv OUT.dsc         a signed description from a register table
#pragma once

#include <iosfwd>
#include <string>
#include <vector>

// Runs one command; returns the process exit code (0 success, 1 failure or findings,
// 2 bad arguments).
int RunDscTool(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

// The user's guide that the usage text names (the program sets it from its own location;
// empty: the usage names none).
void SetDscToolGuidePath(const std::string& path);
