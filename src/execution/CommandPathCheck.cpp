#include "execution/CommandPathCheck.h"

#include <cstdio>

namespace execution {

std::string UnsafeCommandCharacter(std::string_view path)
{
    // Every refused character is ASCII, and no byte of a multi-byte UTF-8 sequence is.
    for (char c : path) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x20) {
            char code[8];
            std::snprintf(code, sizeof code, "U+%04X", unsigned(byte));
            return code;
        }
        if (c == '%' || c == '!' || c == '"')
            return std::string(1, c);
    }
    return {};
}

} // namespace execution
