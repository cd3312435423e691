// The rule that tells whether a system device name denotes a serial port ("COM" + n).
#pragma once

#include <cstddef>

// True when the text is not empty and every character is a decimal digit 0 to 9.
bool IsNumeric(const char* text);

// A name denotes port n when it is longer than three characters, starts with "COM" in any
// letter case and the rest is numeric; n is the decimal value of the rest. So "COM1" gives 1
// and "com12" gives 12, while "COM", "COMX", "COM1A" and "COM 1" are not ports. A number
// that does not fit in 32 bits is not a port either (it would otherwise wrap to another one).
bool ParsePortName(const char* name, unsigned* port);

// The same for a name of known length that need not be NUL-terminated.
bool ParsePortName(const char* name, std::size_t length, unsigned* port);
