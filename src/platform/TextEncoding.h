#pragma once
// UTF-8 and UTF-16 helpers for the plain C++ side of the platform layer.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace platform::text {

// Strict UTF-8: no overlong forms, no surrogates, nothing above U+10FFFF.
bool isValidUtf8(std::string_view bytes);
// Code points of valid UTF-8; nothing is returned for invalid input.
std::vector<char32_t> decodeUtf8(std::string_view bytes);
void appendUtf8(std::string& out, char32_t code);
// UTF-16 little-endian bytes to UTF-8; unpaired surrogates become U+FFFD, an odd last byte is dropped.
std::string utf16leToUtf8(std::string_view bytes);

} // namespace platform::text
