#include "platform/win/WinCodePage.h"

#include <windows.h>

namespace platform::win {

std::string toAnsi(std::u16string_view text)
{
    if (text.empty())
        return {};
    const auto* wide = reinterpret_cast<const wchar_t*>(text.data());
    // UTF-8 as the code page holds every character, and takes neither the flag nor a default.
    const bool utf8 = GetACP() == CP_UTF8;
    const DWORD flags = utf8 ? 0 : WC_NO_BEST_FIT_CHARS;
    const char* fallback = utf8 ? nullptr : "?";
    const int size = WideCharToMultiByte(CP_ACP, flags, wide, int(text.size()), nullptr, 0, fallback, nullptr);
    std::string bytes(size_t(size > 0 ? size : 0), '\0');
    WideCharToMultiByte(CP_ACP, flags, wide, int(text.size()), bytes.data(), size, fallback, nullptr);
    return bytes;
}

std::u16string fromAnsi(std::string_view bytes)
{
    if (bytes.empty())
        return {};
    const int size = MultiByteToWideChar(CP_ACP, 0, bytes.data(), int(bytes.size()), nullptr, 0);
    std::u16string text(size_t(size > 0 ? size : 0), u'\0');
    MultiByteToWideChar(CP_ACP, 0, bytes.data(), int(bytes.size()), reinterpret_cast<wchar_t*>(text.data()), size);
    return text;
}

} // namespace platform::win
