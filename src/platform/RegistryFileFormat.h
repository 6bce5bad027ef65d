#pragma once
// The registry editor's export syntax ("REGEDIT4"), read and written:
//
//   REGEDIT4
//
//   [HKEY_CURRENT_USER\Software\Orland Works\Tessary Editor\Preferences]
//   "ID"="1"                        REG_SZ (the NUL that ends the data is not written)
//   "TabSize"=dword:00000005        REG_DWORD
//   "Flag"=hex:ff                   REG_BINARY
//   "Path"=hex(2):25,00             any other type, number in hex, bytes kept as they are
//   @="..."                         the key's default (unnamed) value
//
// Strings escape only \ and ". A REG_SZ whose data is not one line of NUL-terminated text is written
// as hex(1): so it comes back byte for byte. Long hex lists wrap with a trailing backslash. A key that
// holds no values but has sub-keys gets no line of its own (its sub-keys' lines create it), so the
// text grows with the keys that matter, not with the depth of the tree.
//
// Reading accepts CRLF or LF, blank lines, ";" comments, abbreviated roots (HKCU), "[-KEY]" and
// "name"=- deletions of hand-edited files, and a lone backslash in a string as itself. It also reads
// the newer export ("Windows Registry Editor Version 5.00", UTF-16 LE with its byte-order mark):
// its text, and the data of hex(1), hex(2) and hex(7) values, become UTF-8.
//
// A line that cannot be read (bad syntax, control bytes, a key or value name beyond the registry's
// limits) is skipped with what belongs to it, and everything else is kept.

#include "platform/RegistryTree.h"

#include <string>
#include <string_view>

namespace platform {

// The registry's own limits on names, in characters.
inline constexpr size_t kMaxKeyNameChars = 255;
inline constexpr size_t kMaxValueNameChars = 16383;

struct RegistryParseResult {
    bool ok = false;          // every line was read
    RegistryTree tree;        // what could be read
    size_t skippedLines = 0;  // lines left out (the lines of a skipped multi-line value count once)
    std::string error;        // the first problem, with its line number
};

RegistryParseResult parseRegistryText(std::string_view text);
std::string formatRegistryText(const RegistryTree& tree);

// Names that the text form cannot hold on one line (control characters other than tab).
bool isWritableRegistryName(std::string_view name);
// Length in characters: UTF-8 sequences count once when the bytes are valid UTF-8, else each byte.
size_t registryNameLength(std::string_view name);

} // namespace platform
