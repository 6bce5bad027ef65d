#pragma once
// Text as it crosses the registry, in the system's ANSI code page.
//
// Windows: the system's ANSI code page (Windows-1252 in Western Europe and the Americas, others
// elsewhere); characters outside it become '?'.
//
// Elsewhere the system's code page is UTF-8: text is written as UTF-8, and bytes that are not valid
// UTF-8 (written by an older version in Windows-1252) are read as Windows-1252.
//
// The Windows-1252 forms map the five bytes that code page leaves undefined (0x81, 0x8D, 0x8F, 0x90,
// 0x9D) to the control characters of the same number, so every byte string decodes and encodes back
// unchanged.

#include <QString>

#include <string>

namespace AnsiCodec {

std::string encode(const QString& text);
QString decode(const std::string& bytes);
QString decode(const char* bytes, size_t length);

// The Windows-1252 forms, whatever the system.
std::string encode1252(const QString& text);
QString decode1252(const char* bytes, size_t length);

} // namespace AnsiCodec
