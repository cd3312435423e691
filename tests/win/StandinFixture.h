// The stand-in server as the window tests see it: its state files (tags, port, line,
// faults) and its status, in the state directory this test program registered
// (standin_support.h), addressed by file name.
#pragma once

#include <string>

namespace standin {

void WriteStateFile(const std::string& name, const std::string& text);
std::string ReadStateFile(const std::string& name);
void SetFaults(const std::string& text);
void ClearFaults();

// How many lines of the server's log (zolsrv.log with the part it moved aside) hold text,
// and the wait until more than `before` do: the server has got that far.
size_t LogLines(const std::string& text);
bool WaitForLogLine(const std::string& text, size_t before, int timeoutMs = 15000);
// The class object's refusals under a "class" fault so far: one per attempt to connect.
size_t ClassRefusalsLogged();

// Live objects the server reports (-1 when no server has reported).
long LiveObjects();
// The process id of the server that last reported (0 when none).
unsigned long ServerPid();
// Waits until the server process has ended, and no other process of the server runs
// (true also when none ran). A process still there at the limit that holds no object is
// ended (Wine leaves one stuck now and then), said on standard output, and counts as gone;
// false means a server whose objects are still held.
bool WaitUntilServerGone(int timeoutMs = 15000);

// The server processes that run, status.txt and the end of the log: what a test that
// finds a server still running reports.
std::string DescribeServers();
// Ends every server process still running; how many it ended.
int EndLeftoverServers();

// Runs zolsrv.exe with the arguments (and this run's state directory for /RegServer);
// returns its exit code.
int Unregister();
int Register();

// The state for a test: the given tags, no faults, the server not running (one that an
// earlier test left is ended, and that is said on standard output).
void Reset(const std::string& tags = "");

}  // namespace standin
