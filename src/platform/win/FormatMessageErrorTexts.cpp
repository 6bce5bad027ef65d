#include "platform/win/FormatMessageErrorTexts.h"

#include <windows.h>

namespace platform {

std::string FormatMessageErrorTextSource::message(int32_t code) const
{
    // System table only, "%" inserts left as they are, the message's own line breaks dropped; the
    // user's default language. A text that does not fit 256 characters makes the call fail, and
    // then there is no message.
    const DWORD flags = FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS | FORMAT_MESSAGE_MAX_WIDTH_MASK;
    char buffer[256];
    DWORD length = FormatMessageA(flags, nullptr, static_cast<DWORD>(code),
                                  MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT), buffer, sizeof buffer, nullptr);
    return length == 0 ? std::string() : std::string(buffer, length);
}

} // namespace platform
