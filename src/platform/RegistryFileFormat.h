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
// as hex(1): so it comes back byte for byte. Long hex lists wrap with a trailing backslash. Reading
// accepts CRLF or LF, blank lines, ";" comments, abbreviated roots (HKCU), "[-KEY]" and "name"=-
// deletions of hand-edited files, and a lone backslash in a string as itself.

#include "platform/RegistryTree.h"

#include <string>
#include <string_view>

namespace platform {

struct RegistryParseResult {
    bool ok = false;
    RegistryTree tree;
    std::string error; // why the text is not a registry file, with its line number
};

RegistryParseResult parseRegistryText(std::string_view text);
std::string formatRegistryText(const RegistryTree& tree);

// Names that the text form cannot hold on one line (control characters other than tab).
bool isWritableRegistryName(std::string_view name);

} // namespace platform
