#include "platform/win/WinShellOpen.h"

#include <windows.h>
#include <shellapi.h>

namespace platform::win {

bool shellOpen(const std::wstring& verb, const std::wstring& file, const std::wstring& parameters,
               const std::wstring& directory, int showMode)
{
    // Empty parameters and folder are passed as null: the handler then uses its own defaults.
    HINSTANCE result = ShellExecuteW(nullptr, verb.c_str(), file.c_str(),
                                     parameters.empty() ? nullptr : parameters.c_str(),
                                     directory.empty() ? nullptr : directory.c_str(), showMode);
    // Values above 32 mean success.
    return reinterpret_cast<INT_PTR>(result) > 32;
}

} // namespace platform::win
