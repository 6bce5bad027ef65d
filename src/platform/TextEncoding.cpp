#include "platform/TextEncoding.h"

namespace platform::text {
namespace {

// Length of the sequence starting at s[i] and its code point; 0 when it is not valid UTF-8.
size_t sequenceAt(std::string_view s, size_t i, char32_t& code)
{
    const auto b0 = static_cast<unsigned char>(s[i]);
    if (b0 < 0x80) {
        code = b0;
        return 1;
    }
    size_t length;
    char32_t minimum;
    if ((b0 & 0xE0) == 0xC0) {
        length = 2, minimum = 0x80, code = b0 & 0x1F;
    } else if ((b0 & 0xF0) == 0xE0) {
        length = 3, minimum = 0x800, code = b0 & 0x0F;
    } else if ((b0 & 0xF8) == 0xF0) {
        length = 4, minimum = 0x10000, code = b0 & 0x07;
    } else {
        return 0;
    }
    if (i + length > s.size())
        return 0;
    for (size_t k = 1; k < length; ++k) {
        const auto b = static_cast<unsigned char>(s[i + k]);
        if ((b & 0xC0) != 0x80)
            return 0;
        code = (code << 6) | (b & 0x3F);
    }
    if (code < minimum || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF))
        return 0;
    return length;
}

} // namespace

bool isValidUtf8(std::string_view bytes)
{
    char32_t code;
    for (size_t i = 0; i < bytes.size();) {
        const size_t n = sequenceAt(bytes, i, code);
        if (n == 0)
            return false;
        i += n;
    }
    return true;
}

std::vector<char32_t> decodeUtf8(std::string_view bytes)
{
    std::vector<char32_t> codes;
    char32_t code;
    for (size_t i = 0; i < bytes.size();) {
        const size_t n = sequenceAt(bytes, i, code);
        if (n == 0)
            return {};
        codes.push_back(code);
        i += n;
    }
    return codes;
}

void appendUtf8(std::string& out, char32_t code)
{
    if (code < 0x80) {
        out.push_back(static_cast<char>(code));
    } else if (code < 0x800) {
        out.push_back(static_cast<char>(0xC0 | (code >> 6)));
        out.push_back(static_cast<char>(0x80 | (code & 0x3F)));
    } else if (code < 0x10000) {
        out.push_back(static_cast<char>(0xE0 | (code >> 12)));
        out.push_back(static_cast<char>(0x80 | ((code >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (code & 0x3F)));
    } else {
        out.push_back(static_cast<char>(0xF0 | (code >> 18)));
        out.push_back(static_cast<char>(0x80 | ((code >> 12) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | ((code >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (code & 0x3F)));
    }
}

std::string utf16leToUtf8(std::string_view bytes)
{
    std::string out;
    out.reserve(bytes.size());
    const size_t units = bytes.size() / 2;
    auto unitAt = [&](size_t k) {
        return static_cast<char16_t>(static_cast<unsigned char>(bytes[2 * k]) |
                                     (static_cast<unsigned char>(bytes[2 * k + 1]) << 8));
    };
    for (size_t k = 0; k < units; ++k) {
        const char16_t unit = unitAt(k);
        char32_t code = unit;
        if (unit >= 0xD800 && unit <= 0xDBFF && k + 1 < units && unitAt(k + 1) >= 0xDC00 && unitAt(k + 1) <= 0xDFFF) {
            code = 0x10000 + ((char32_t(unit) - 0xD800) << 10) + (char32_t(unitAt(k + 1)) - 0xDC00);
            ++k;
        } else if (unit >= 0xD800 && unit <= 0xDFFF) {
            code = 0xFFFD;
        }
        appendUtf8(out, code);
    }
    return out;
}

} // namespace platform::text
