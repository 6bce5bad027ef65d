#pragma once
// Opens a document or address with the system's handler (ANSI), without waiting.

#include <string>

namespace platform::win {

// True when the system accepted the request.
bool shellOpen(const std::string& verb, const std::string& file, const std::string& parameters,
               const std::string& directory, int showMode);

} // namespace platform::win
