#pragma once
// A windowed program has no console of its own: what it prints for --version and --help goes to the
// console it was started from.

namespace platform::win {

// Points standard output and error at the parent's console, unless they already lead somewhere
// (a pipe, a file, a console).
void useParentConsole();

} // namespace platform::win
