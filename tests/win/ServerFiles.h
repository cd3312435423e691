// The stand-in server's files as the window tests compare them.
#pragma once

#include <string>
#include <vector>

// The server's tags as sorted "type address param period" lines.
std::vector<std::string> ServerTags();
// The record of port.txt ("port baud databits stopbits parity"), "" when none.
std::string PortRecord();
std::vector<std::string> Sorted(std::vector<std::string> lines);
