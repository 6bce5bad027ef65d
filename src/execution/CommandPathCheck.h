#pragma once
// Which characters of a path a command interpreter would not pass on as written, even between double
// quotes. Plain C++, shared with the Windows build.

#include <string>
#include <string_view>

namespace execution {

// The first such character of a UTF-8 path, for a message: the character itself, or "U+000A" for a
// control character; empty when the path has none. Refused are
// - '%': variables are expanded inside quotes (%NAME%, %NAME:~0,1%, %NAME:a=b%), and one command
//   interpreter expands the result again;
// - '!': the same, when delayed expansion is on (a setting of the user's, or /V:ON);
// - '"': ends the quoted path, and what follows is read as commands;
// - control characters: a line break ends the command; none can be part of a Windows file name.
// Everything else (blanks, & ^ ( ) and letters of any script) is literal between quotes.
std::string UnsafeCommandCharacter(std::string_view path);

} // namespace execution
