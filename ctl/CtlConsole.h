// zolctl's standard streams, through the programs' one writer (common/ConsoleOutput.h).
// Text is UTF-8 throughout the program: written to a console it
// goes through WriteConsoleW (Cyrillic shows right whatever the console's code page), to a
// file or a pipe as UTF-8 bytes, unchanged (a line ends in "\n" as written).
#pragma once

#include <atomic>
#include <string>

// A write that fails is remembered (and nothing more is written to that stream), so that
// a result cut short never passes for a whole one: FinishOutput reports it.
//
// Messages and results for people: the names and texts in them come from files and servers,
// so every control character is written escaped (common/ControlChars.h), a line end kept.
void WriteOut(const std::string& utf8);
void WriteErr(const std::string& utf8);
// A list on standard output (tags, the journal): as it is to a file or a pipe, where its
// bytes are the result, escaped to a console.
void WriteData(const std::string& utf8);
// Progress on standard error, only when it is a console: the text as given ("\r" returns
// to the line's start).
void WriteProgress(const std::string& utf8);
// Ends the output: flushes a file and closes standard output, then, when a write to either
// stream failed, says so once on standard error (if it can) and turns a success into exit
// code 1. Returns the process's exit code.
int FinishOutput(int exitCode);
// Standard error is a console (progress is shown only there).
bool ErrIsConsole();

// Ctrl+C and Ctrl+Break set this instead of ending the process; long commands ask it
// before each server call and end with exit code 4.
extern std::atomic<bool> g_bInterrupted;
void InstallInterruptHandler();

enum CtlExitCode : int {
    kExitOk = 0,
    kExitPartial = 1,     // some rows invalid or something refused; the rest was done; or
                          // standard output or error could not be written
    kExitUsage = 2,
    kExitConnection = 3,  // no connection, or the server went away
    kExitInterrupted = 4,
};
