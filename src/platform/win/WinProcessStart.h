#pragma once
// Starts a command line (ANSI) in a new console with a normal window, without waiting.

#include <string>

namespace platform::win {

// Empty when started; otherwise the system's reason.
std::string startCommandLine(const std::string& commandLine);

} // namespace platform::win
