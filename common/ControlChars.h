// Text from files and servers on its way to a terminal: every control character shown as an
// escape (ESC as \x1B), so that none of them can move the cursor, clear the screen, retitle
// the window or hide what follows it. Portable.
#pragma once

#include <string>
#include <string_view>

// The UTF-8 text with the C0 controls and DEL as \xHH and the C1 controls (U+0080..U+009F) as
// \u00HH; a line end ("\n", or "\r\n") is kept. Everything else, bytes that are not UTF-8
// included, is left as it is.
std::string EscapeControlChars(std::string_view utf8);
