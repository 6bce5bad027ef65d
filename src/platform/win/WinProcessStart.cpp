#include "platform/win/WinProcessStart.h"

#include <windows.h>

#include <vector>

namespace platform::win {
namespace {

std::wstring wide(const std::string& text)
{
    if (text.empty())
        return {};
    int size = MultiByteToWideChar(CP_UTF8, 0, text.data(), int(text.size()), nullptr, 0);
    std::wstring result(size_t(size), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, text.data(), int(text.size()), result.data(), size);
    return result;
}

std::string utf8(const wchar_t* text, size_t length)
{
    int size = WideCharToMultiByte(CP_UTF8, 0, text, int(length), nullptr, 0, nullptr, nullptr);
    std::string result(size_t(size), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text, int(length), result.data(), size, nullptr, nullptr);
    return result;
}

} // namespace

std::string startProcess(const std::string& program, const std::string& commandLine, const std::string& workingFolder)
{
    const std::wstring application = wide(program), folder = wide(workingFolder);
    // CreateProcessW may write into the command line it is given.
    std::wstring line = wide(commandLine);
    std::vector<wchar_t> buffer(line.begin(), line.end());
    buffer.push_back(L'\0');
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = SW_SHOWNORMAL;
    PROCESS_INFORMATION process{};
    if (!CreateProcessW(application.empty() ? nullptr : application.c_str(), buffer.data(), nullptr, nullptr,
                        FALSE, CREATE_NEW_CONSOLE, nullptr,
                        folder.empty() ? nullptr : folder.c_str(), &startup, &process)) {
        DWORD error = GetLastError();
        wchar_t text[512] = {};
        DWORD length = FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, error, 0,
                                      text, DWORD(sizeof text / sizeof *text), nullptr);
        std::string reason = utf8(text, length);
        while (!reason.empty() && (reason.back() == '\r' || reason.back() == '\n' || reason.back() == ' '))
            reason.pop_back();
        return reason.empty() ? "Windows error " + std::to_string(error) : reason;
    }
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return {};
}

} // namespace platform::win
