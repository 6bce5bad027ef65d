#include "document/ScriptFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include <array>
#include <cstring>

#ifdef Q_OS_UNIX
#include <cerrno>
#include <unistd.h>
#endif

namespace {

// Windows-1252 0x80..0x9F. The five bytes the code page leaves undefined map to the C1 control
// with the same number, so every byte has a character and comes back unchanged.
constexpr std::array<char16_t, 32> kCp1252High = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

int encodeUtf8(char32_t cp, char* out)
{
    if (cp < 0x80) {
        out[0] = char(cp);
        return 1;
    }
    if (cp < 0x800) {
        out[0] = char(0xC0 | (cp >> 6));
        out[1] = char(0x80 | (cp & 0x3F));
        return 2;
    }
    if (cp < 0x10000) {
        out[0] = char(0xE0 | (cp >> 12));
        out[1] = char(0x80 | ((cp >> 6) & 0x3F));
        out[2] = char(0x80 | (cp & 0x3F));
        return 3;
    }
    out[0] = char(0xF0 | (cp >> 18));
    out[1] = char(0x80 | ((cp >> 12) & 0x3F));
    out[2] = char(0x80 | ((cp >> 6) & 0x3F));
    out[3] = char(0x80 | (cp & 0x3F));
    return 4;
}

// Length of the valid UTF-8 sequence at p (strict: no overlong forms, no surrogates, nothing above
// U+10FFFF), or 0 when the bytes there are not one.
int validSequenceLength(const uchar* p, const uchar* end)
{
    const uchar c = p[0];
    if (c < 0x80)
        return 1;
    auto cont = [&](int i, uchar lo = 0x80, uchar hi = 0xBF) {
        return p + i < end && p[i] >= lo && p[i] <= hi;
    };
    if (c >= 0xC2 && c <= 0xDF)
        return cont(1) ? 2 : 0;
    if (c >= 0xE0 && c <= 0xEF) {
        const uchar lo = c == 0xE0 ? 0xA0 : 0x80;
        const uchar hi = c == 0xED ? 0x9F : 0xBF;
        return cont(1, lo, hi) && cont(2) ? 3 : 0;
    }
    if (c >= 0xF0 && c <= 0xF4) {
        const uchar lo = c == 0xF0 ? 0x90 : 0x80;
        const uchar hi = c == 0xF4 ? 0x8F : 0xBF;
        return cont(1, lo, hi) && cont(2) && cont(3) ? 4 : 0;
    }
    return 0;
}

bool hasHighBit8(const uchar* p)
{
    quint64 word;
    std::memcpy(&word, p, sizeof word);
    return (word & 0x8080808080808080ULL) != 0;
}

// True when the bytes are valid UTF-8; asciiOnly tells whether any byte was above 0x7F.
bool checkUtf8(const uchar* p, qsizetype n, bool& asciiOnly)
{
    asciiOnly = true;
    const uchar* end = p + n;
    while (p < end) {
        if (end - p >= 8 && !hasHighBit8(p)) {
            p += 8;
            continue;
        }
        if (*p < 0x80) {
            ++p;
            continue;
        }
        asciiOnly = false;
        const int len = validSequenceLength(p, end);
        if (len == 0)
            return false;
        p += len;
    }
    return true;
}

// Next code point of text known to be UTF-8 (from the editor); a broken byte reads as U+FFFD.
char32_t nextCodePoint(const uchar*& p, const uchar* end)
{
    const int len = validSequenceLength(p, end);
    const uchar c = *p;
    if (len <= 1) {
        ++p;
        return len == 1 ? char32_t(c) : char32_t(0xFFFD);
    }
    char32_t cp = len == 2 ? (c & 0x1F) : len == 3 ? (c & 0x0F) : (c & 0x07);
    for (int i = 1; i < len; ++i)
        cp = (cp << 6) | (p[i] & 0x3F);
    p += len;
    return cp;
}

QByteArray decodeAnsi(const QByteArray& bytes)
{
    const uchar* p = reinterpret_cast<const uchar*>(bytes.constData());
    const qsizetype n = bytes.size();
    QByteArray out;
    out.resize(n * 3);
    char* o = out.data();
    for (qsizetype i = 0; i < n; ++i) {
        const uchar c = p[i];
        if (c < 0x80)
            *o++ = char(c);
        else
            o += encodeUtf8(c < 0xA0 ? kCp1252High[c - 0x80] : char32_t(c), o);
    }
    out.truncate(o - out.constData());
    return out;
}

// UTF-16 body (without its mark) to UTF-8; false when the length is odd or a surrogate is unpaired.
bool decodeUtf16(const uchar* p, qsizetype n, bool bigEndian, QByteArray& out)
{
    if (n % 2 != 0)
        return false;
    auto unit = [&](qsizetype i) -> char16_t {
        return bigEndian ? char16_t((p[i] << 8) | p[i + 1]) : char16_t((p[i + 1] << 8) | p[i]);
    };
    out.resize(n / 2 * 3);
    char* o = out.data();
    for (qsizetype i = 0; i < n; i += 2) {
        char32_t cp = unit(i);
        if (cp >= 0xD800 && cp <= 0xDBFF) {
            if (i + 2 >= n)
                return false;
            const char16_t low = unit(i + 2);
            if (low < 0xDC00 || low > 0xDFFF)
                return false;
            cp = 0x10000 + ((cp - 0xD800) << 10) + (low - 0xDC00);
            i += 2;
        } else if (cp >= 0xDC00 && cp <= 0xDFFF) {
            return false;
        }
        o += encodeUtf8(cp, o);
    }
    out.truncate(o - out.constData());
    return true;
}

QByteArray encodeUtf16(const uchar* p, const uchar* end, bool bigEndian)
{
    QByteArray out;
    out.reserve((end - p) * 2);
    auto put = [&](char16_t u) {
        const char hi = char(u >> 8), lo = char(u & 0xFF);
        out.append(bigEndian ? hi : lo);
        out.append(bigEndian ? lo : hi);
    };
    while (p < end) {
        const char32_t cp = nextCodePoint(p, end);
        if (cp >= 0x10000) {
            put(char16_t(0xD800 + ((cp - 0x10000) >> 10)));
            put(char16_t(0xDC00 + ((cp - 0x10000) & 0x3FF)));
        } else {
            put(char16_t(cp));
        }
    }
    return out;
}

// Windows-1252 bytes for UTF-8 text; false when a character has no byte in the code page.
bool encodeAnsi(const uchar* p, const uchar* end, QByteArray& out)
{
    out.resize(end - p);
    char* o = out.data();
    while (p < end) {
        if (*p < 0x80) {
            *o++ = char(*p++);
            continue;
        }
        const char32_t cp = nextCodePoint(p, end);
        if (cp >= 0xA0 && cp <= 0xFF) {
            *o++ = char(cp);
            continue;
        }
        int byte = -1;
        for (int i = 0; i < 32; ++i) {
            if (kCp1252High[i] == cp) {
                byte = 0x80 + i;
                break;
            }
        }
        if (byte < 0)
            return false;
        *o++ = char(byte);
    }
    out.truncate(o - out.constData());
    return true;
}

ScriptFile::LineBreak dominantLineBreak(const QByteArray& text)
{
    qsizetype crlf = 0, lf = 0, cr = 0;
    const char* p = text.constData();
    const qsizetype n = text.size();
    for (qsizetype i = 0; i < n; ++i) {
        if (p[i] == '\n') {
            ++lf;
        } else if (p[i] == '\r') {
            if (i + 1 < n && p[i + 1] == '\n') {
                ++crlf;
                ++i;
            } else {
                ++cr;
            }
        }
    }
    if (crlf >= lf && crlf >= cr)
        return ScriptFile::LineBreak::CrLf;
    return lf >= cr ? ScriptFile::LineBreak::Lf : ScriptFile::LineBreak::Cr;
}

// A short write carries no error of its own; writing the rest again brings the system's reason.
bool writeAll(QFileDevice& file, QByteArrayView data)
{
    const char* p = data.data();
    qsizetype left = data.size();
    while (left > 0) {
        const qint64 written = file.write(p, left);
        if (written <= 0)
            return false;
        p += written;
        left -= written;
    }
    return true;
}

QString nativePath(const QString& path)
{
    return QDir::toNativeSeparators(path);
}

} // namespace

ScriptFile ScriptFile::decode(const QByteArray& bytes, QByteArray& utf8)
{
    ScriptFile file;
    const uchar* p = reinterpret_cast<const uchar*>(bytes.constData());
    const qsizetype n = bytes.size();
    bool asciiOnly = true;
    bool decoded = false;

    if (n >= 3 && p[0] == 0xEF && p[1] == 0xBB && p[2] == 0xBF && checkUtf8(p + 3, n - 3, asciiOnly)) {
        utf8 = bytes.sliced(3);
        file.encoding_ = Encoding::Utf8Bom;
        decoded = true;
    } else if (n >= 2 && ((p[0] == 0xFF && p[1] == 0xFE) || (p[0] == 0xFE && p[1] == 0xFF))) {
        const bool bigEndian = p[0] == 0xFE;
        if (decodeUtf16(p + 2, n - 2, bigEndian, utf8)) {
            file.encoding_ = bigEndian ? Encoding::Utf16BE : Encoding::Utf16LE;
            decoded = true;
        }
    } else if (checkUtf8(p, n, asciiOnly) && !asciiOnly) {
        utf8 = bytes;
        file.encoding_ = Encoding::Utf8;
        decoded = true;
    }
    if (!decoded) {
        file.encoding_ = Encoding::Ansi;
        // Plain ASCII is the same in UTF-8: share the bytes instead of converting them.
        bool plain = true;
        checkUtf8(p, n, plain);
        utf8 = plain ? bytes : decodeAnsi(bytes);
    }
    file.lineBreak_ = dominantLineBreak(utf8);
    return file;
}

ScriptFile::Encoded ScriptFile::encode(const char* utf8, qsizetype length) const
{
    const uchar* p = reinterpret_cast<const uchar*>(utf8);
    const uchar* end = p + length;
    Encoded result{{}, {}, encoding_};
    switch (encoding_) {
    case Encoding::Ansi: {
        bool asciiOnly = true;
        checkUtf8(p, length, asciiOnly);
        if (asciiOnly) {
            result.body = QByteArray::fromRawData(utf8, length);
        } else if (!encodeAnsi(p, end, result.body)) {
            result.body = QByteArray::fromRawData(utf8, length);
            result.encoding = Encoding::Utf8;
        }
        break;
    }
    case Encoding::Utf8:
        result.body = QByteArray::fromRawData(utf8, length);
        break;
    case Encoding::Utf8Bom:
        result.bom = QByteArray("\xEF\xBB\xBF", 3);
        result.body = QByteArray::fromRawData(utf8, length);
        break;
    case Encoding::Utf16LE:
        result.bom = QByteArray("\xFF\xFE", 2);
        result.body = encodeUtf16(p, end, false);
        break;
    case Encoding::Utf16BE:
        result.bom = QByteArray("\xFE\xFF", 2);
        result.body = encodeUtf16(p, end, true);
        break;
    }
    return result;
}

const char* ScriptFile::lineBreakText(LineBreak lineBreak)
{
    switch (lineBreak) {
    case LineBreak::Lf:
        return "\n";
    case LineBreak::Cr:
        return "\r";
    case LineBreak::CrLf:
        break;
    }
    return "\r\n";
}

FileError ScriptFile::read(const QString& path, QByteArray& bytes)
{
    const QFileInfo info(path);
    if (path.isEmpty() || !QFileInfo(info.absolutePath()).isDir())
        return {FileError::PathInaccessible,
                QStringLiteral("The folder of %1 cannot be reached.").arg(nativePath(path))};
    if (!info.exists())
        return {FileError::Other, QStringLiteral("The file %1 does not exist.").arg(nativePath(path))};
    if (info.isDir())
        return {FileError::Other, QStringLiteral("%1 is a folder, not a file.").arg(nativePath(path))};
    if (!info.isFile())
        return {FileError::Other, QStringLiteral("%1 is not a regular file.").arg(nativePath(path))};
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {FileError::Other,
                QStringLiteral("%1 cannot be opened: %2").arg(nativePath(path), file.errorString())};
    const qint64 size = file.size();
    if (size > MaxFileSize)
        return {FileError::Other, QStringLiteral("%1 is too large to open (%2 MB).")
                                      .arg(nativePath(path)).arg(size / (1024 * 1024))};
    QByteArray data = file.readAll();
    if (file.error() != QFileDevice::NoError || data.size() != size)
        return {FileError::Other,
                QStringLiteral("%1 cannot be read: %2").arg(nativePath(path), file.errorString())};
    bytes = std::move(data);
    return {};
}

FileError ScriptFile::writeAtomically(const QString& path, const QByteArray& prefix, QByteArrayView body)
{
    const QFileInfo info(path);
    if (path.isEmpty() || !QFileInfo(info.absolutePath()).isDir())
        return {FileError::PathInaccessible,
                QStringLiteral("The folder of %1 cannot be reached.").arg(nativePath(path))};
    if (info.isDir())
        return {FileError::Other, QStringLiteral("%1 is a folder, not a file.").arg(nativePath(path))};

    QSaveFile file(path);
    auto failure = [&](const QString& reason) {
        file.cancelWriting();
        return FileError{FileError::Other,
                         QStringLiteral("%1 cannot be saved: %2").arg(nativePath(path), reason)};
    };
    if (!file.open(QIODevice::WriteOnly))
        return FileError{FileError::Other,
                         QStringLiteral("%1 cannot be saved: %2").arg(nativePath(path), file.errorString())};
    if (!writeAll(file, prefix) || !writeAll(file, body))
        return failure(file.errorString());
    if (!file.flush())
        return failure(file.errorString());
#ifdef Q_OS_UNIX
    if (::fsync(file.handle()) != 0 && errno != EINVAL)
        return failure(QString::fromLocal8Bit(std::strerror(errno)));
#endif
    if (!file.commit())
        return FileError{FileError::Other,
                         QStringLiteral("%1 cannot be saved: %2").arg(nativePath(path), file.errorString())};
    return {};
}
