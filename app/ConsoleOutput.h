// Standard output of a windowed program: the description loader reports on it. When the
// program was started with its output redirected (a file or a pipe), that is used as it
// is; started from a console window, the program writes to that console.
#pragma once

void AttachConsoleOutput();
