#pragma once
// Text in the system's ANSI code page, the one the ANSI forms of the system calls read and write.

#include <string>
#include <string_view>

namespace platform::win {

// Characters the code page lacks become '?': no look-alike stands in for them, so a path never turns
// into another one.
std::string toAnsi(std::u16string_view text);
std::u16string fromAnsi(std::string_view bytes);

} // namespace platform::win
