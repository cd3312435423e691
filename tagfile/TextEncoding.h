// Conversions between the system's Windows-1251 text, UTF-8 and UTF-16, without the
// platform: tag files are read and written the same way on every system.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

// Windows-1251 to UTF-8 and back: Cp1251ToUtf8 and Utf8ToCp1251 of catalogue/Windows1251.h,
// one table for both.
#include "catalogue/Windows1251.h"

// True when the bytes are well-formed UTF-8 (no overlong forms, surrogates or values past
// U+10FFFF).
bool IsValidUtf8(std::string_view text);

// UTF-16LE bytes (no byte-order mark) as UTF-8; an unpaired surrogate or a final odd byte
// becomes U+FFFD.
std::string Utf16LeToUtf8(std::string_view bytes);
// The same for UTF-16BE.
std::string Utf16BeToUtf8(std::string_view bytes);
