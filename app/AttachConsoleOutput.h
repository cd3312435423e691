// Standard output of a windowed program: the description loader reports on it (std::cout).
// When the program was started with its output redirected (a file or a pipe), that gets the
// lines' Windows-1251 bytes as they are; started from a console window, the program writes
// to that console, through WriteConsoleW (common/ConsoleOutput.h).
#pragma once

void AttachConsoleOutput();
