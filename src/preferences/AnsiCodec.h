#pragma once
// Text as it crosses the registry: Windows-1252 bytes. The five bytes that code page leaves undefined
// (0x81, 0x8D, 0x8F, 0x90, 0x9D) map to the control characters of the same number, so every byte
// string decodes and encodes back unchanged. Characters outside the code page become '?'.

#include <QString>

#include <string>

namespace AnsiCodec {

std::string encode(const QString& text);
QString decode(const std::string& bytes);
QString decode(const char* bytes, size_t length);

} // namespace AnsiCodec
