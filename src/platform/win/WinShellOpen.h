#pragma once
// Opens a document or address with the system's handler, without waiting.

#include <string>

namespace platform::win {

// True when the system accepted the request.
bool shellOpen(const std::wstring& verb, const std::wstring& file, const std::wstring& parameters,
               const std::wstring& directory, int showMode);

} // namespace platform::win
