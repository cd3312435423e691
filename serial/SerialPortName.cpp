#include "serial/SerialPortName.h"

#include "common/Decimal.h"

#include <cstdint>
#include <cstring>

namespace {

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

char ToUpperAscii(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; }

}  // namespace

bool IsNumeric(const char* text)
{
    if (text == nullptr || *text == '\0')
        return false;
    for (; *text != '\0'; ++text) {
        if (!IsDigit(*text))
            return false;
    }
    return true;
}

bool ParsePortName(const char* name, std::size_t length, unsigned* port)
{
    if (name == nullptr || length <= 3)
        return false;
    if (ToUpperAscii(name[0]) != 'C' || ToUpperAscii(name[1]) != 'O' || ToUpperAscii(name[2]) != 'M')
        return false;
    unsigned value = 0;
    if (!ParseDecimalTo<unsigned>(std::string_view(name + 3, length - 3), 0xFFFFFFFFu, &value))
        return false;
    if (port != nullptr)
        *port = value;
    return true;
}

bool ParsePortName(const char* name, unsigned* port)
{
    if (name == nullptr)
        return false;
    return ParsePortName(name, std::strlen(name), port);
}
