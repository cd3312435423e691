#include "server/TagServer.h"

#include <cstdio>

const char* FormatHResult(HResult hr, char (&buffer)[16])
{
    std::snprintf(buffer, sizeof buffer, "0x%08X", static_cast<unsigned>(hr));
    return buffer;
}

std::string HResultText(HResult hr)
{
    char buffer[16];
    return FormatHResult(hr, buffer);
}
