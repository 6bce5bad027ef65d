#include "preferences/AnsiCodec.h"

#include "platform/TextEncoding.h"
#ifdef Q_OS_WIN
#include "platform/win/WinCodePage.h"
#endif

#include <QList>

#include <array>

namespace AnsiCodec {
namespace {

// Unicode code points of bytes 0x80..0x9F; the undefined ones keep their own number.
constexpr std::array<char16_t, 32> kHighControls{
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

char encodeChar(char32_t code)
{
    if (code < 0x80 || (code >= 0xA0 && code <= 0xFF))
        return static_cast<char>(code);
    for (size_t i = 0; i < kHighControls.size(); ++i)
        if (kHighControls[i] == code)
            return static_cast<char>(0x80 + i);
    return '?';
}

} // namespace

std::string encode1252(const QString& text)
{
    std::string out;
    out.reserve(static_cast<size_t>(text.size()));
    for (char32_t code : text.toUcs4())
        out.push_back(encodeChar(code));
    return out;
}

QString decode1252(const char* bytes, size_t length)
{
    QString out;
    out.reserve(static_cast<qsizetype>(length));
    for (size_t i = 0; i < length; ++i) {
        const auto byte = static_cast<unsigned char>(bytes[i]);
        out.append(byte >= 0x80 && byte < 0xA0 ? QChar(kHighControls[byte - 0x80]) : QChar(byte));
    }
    return out;
}

std::string encode(const QString& text)
{
#ifdef Q_OS_WIN
    return platform::win::toAnsi(std::u16string_view(reinterpret_cast<const char16_t*>(text.utf16()), size_t(text.size())));
#else
    return text.toUtf8().toStdString();
#endif
}

QString decode(const char* bytes, size_t length)
{
#ifdef Q_OS_WIN
    const std::u16string text = platform::win::fromAnsi(std::string_view(bytes, length));
    return QString::fromUtf16(text.data(), qsizetype(text.size()));
#else
    if (platform::text::isValidUtf8(std::string_view(bytes, length)))
        return QString::fromUtf8(bytes, static_cast<qsizetype>(length));
    return decode1252(bytes, length);
#endif
}

QString decode(const std::string& bytes)
{
    return decode(bytes.data(), bytes.size());
}

} // namespace AnsiCodec
