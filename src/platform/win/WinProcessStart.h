#pragma once
// Starts a program in a new console with a normal window, without waiting.

#include <string>

namespace platform::win {

// All text in UTF-8; it reaches the system in UTF-16, so names outside the ANSI code page survive.
// program: the file to run, by its full path (the command line's first word is not looked up);
// workingFolder: the folder it starts in (empty = this process's own). Empty when started;
// otherwise the system's reason.
std::string startProcess(const std::string& program, const std::string& commandLine, const std::string& workingFolder);

} // namespace platform::win
