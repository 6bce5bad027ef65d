#include "platform/win/WinProcessStart.h"

#include <windows.h>

#include <vector>

namespace platform::win {

std::string startCommandLine(const std::string& commandLine)
{
    // CreateProcessA may write into the command line it is given.
    std::vector<char> buffer(commandLine.begin(), commandLine.end());
    buffer.push_back('\0');
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = SW_SHOWNORMAL;
    PROCESS_INFORMATION process{};
    if (!CreateProcessA(nullptr, buffer.data(), nullptr, nullptr, FALSE, CREATE_NEW_CONSOLE, nullptr,
                        nullptr, &startup, &process)) {
        DWORD error = GetLastError();
        char text[512] = {};
        DWORD length = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
                                      error, 0, text, sizeof text, nullptr);
        std::string reason(text, length);
        while (!reason.empty() && (reason.back() == '\r' || reason.back() == '\n' || reason.back() == ' '))
            reason.pop_back();
        return reason.empty() ? "Windows error " + std::to_string(error) : reason;
    }
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return {};
}

} // namespace platform::win
