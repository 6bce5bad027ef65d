#include "document/files/ScriptFile.h"

#include <QDir>
#include <QtEndian>
#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <array>
#include <cstring>

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

// Characters above U+007F that people write in scripts and comments: the letters of living
// scripts, punctuation, symbols. Left out are the blocks that Windows-1252 letter + punctuation
// pairs form as UTF-8 but nobody types (IPA, Syriac, Thaana, NKo, Hebrew cantillation, C1
// controls), so that ANSI text such as "ß“" is not taken for UTF-8.
constexpr std::array<std::pair<char32_t, char32_t>, 26> kPlausibleBmp = {{
    {0x00A0, 0x024F}, // Latin-1 Supplement, Latin Extended-A and -B
    {0x0300, 0x036F}, // combining accents (decomposed letters)
    {0x0370, 0x052F}, // Greek, Cyrillic
    {0x0531, 0x058F}, // Armenian
    {0x05B0, 0x05F4}, // Hebrew points and letters
    {0x0600, 0x06FF}, // Arabic
    {0x0900, 0x0DFF}, // Indic scripts
    {0x0E00, 0x0EFF}, // Thai, Lao
    {0x10A0, 0x11FF}, // Georgian, Hangul Jamo
    {0x1E00, 0x1FFF}, // Latin Extended Additional (Vietnamese), Greek Extended
    {0x2000, 0x206F}, // general punctuation
    {0x2070, 0x20CF}, // super- and subscripts, currency signs
    {0x2100, 0x23FF}, // letter-like symbols, number forms, arrows, mathematics, technical
    {0x2460, 0x27BF}, // enclosed numbers, box drawing, shapes, symbols, dingbats
    {0x3000, 0x30FF}, // CJK punctuation, Hiragana, Katakana
    {0x3100, 0x318F}, // Bopomofo, Hangul compatibility Jamo
    {0x3400, 0x4DBF}, // CJK extension A
    {0x4E00, 0x9FFF}, // CJK ideographs
    {0xAC00, 0xD7A3}, // Hangul syllables
    {0xF900, 0xFAFF}, // CJK compatibility ideographs
    {0xFB00, 0xFB4F}, // presentation forms (ligatures)
    {0xFB50, 0xFDCF}, // Arabic presentation forms A
    {0xFE30, 0xFE4F}, // CJK compatibility forms
    {0xFE70, 0xFEFE}, // Arabic presentation forms B
    {0xFF00, 0xFFEF}, // half- and full-width forms
    {0xFFFD, 0xFFFD}, // replacement character
}};

bool plausibleCharacter(char32_t cp)
{
    if (cp < 0x80)
        return true;
    if (cp >= 0x10000) {
        // Four bytes in a row that Windows-1252 text would need here do not occur in writing; only
        // unassigned and private-use code points are suspect.
        const QChar::Category category = QChar::category(cp);
        return category != QChar::Other_NotAssigned && category != QChar::Other_PrivateUse;
    }
    auto range = std::upper_bound(kPlausibleBmp.begin(), kPlausibleBmp.end(), cp,
                                  [](char32_t c, const auto& r) { return c < r.first; });
    return range != kPlausibleBmp.begin() && cp <= std::prev(range)->second;
}

char32_t sequenceCodePoint(const uchar* p, int len)
{
    char32_t cp = len == 2 ? (p[0] & 0x1F) : len == 3 ? (p[0] & 0x0F) : (p[0] & 0x07);
    for (int i = 1; i < len; ++i)
        cp = (cp << 6) | (p[i] & 0x3F);
    return cp;
}

// True when the bytes are valid UTF-8 and, with plausible, every character is one people write;
// asciiOnly tells whether any byte was above 0x7F.
bool checkUtf8(const uchar* p, qsizetype n, bool& asciiOnly, bool plausible = false)
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
        if (len == 0 || (plausible && !plausibleCharacter(sequenceCodePoint(p, len))))
            return false;
        p += len;
    }
    return true;
}

// A UTF-16 body after its mark reads as UTF-16 only when the units pair up, none is a reversed
// mark (U+FFFE) or U+FFFF, and at least one character lies in U+0000..U+00FF, as a script's
// keywords, spaces and line breaks do. Windows-1252 text that starts with "ÿþ" or "þÿ" forms such
// a unit only with a NUL byte: "þÿSS" would be the one character U+5353.
bool plausibleUtf16(const uchar* p, qsizetype n, bool bigEndian)
{
    if (n % 2 != 0)
        return false;
    if (n == 0)
        return true; // an empty file saved as UTF-16
    auto unit = [&](qsizetype i) -> char32_t {
        return bigEndian ? char32_t((p[i] << 8) | p[i + 1]) : char32_t((p[i + 1] << 8) | p[i]);
    };
    bool latin = false;
    for (qsizetype i = 0; i < n; i += 2) {
        const char32_t u = unit(i);
        if (u >= 0xD800 && u <= 0xDBFF) {
            if (i + 2 >= n || unit(i + 2) < 0xDC00 || unit(i + 2) > 0xDFFF)
                return false;
            i += 2;
        } else if ((u >= 0xDC00 && u <= 0xDFFF) || u >= 0xFFFE) {
            return false;
        }
        latin = latin || u <= 0xFF;
    }
    return latin;
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
    const char32_t cp = sequenceCodePoint(p, len);
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

// The Windows-1252 byte of a character, or -1 when the code page has none.
int ansiByte(char32_t cp)
{
    if (cp < 0x80 || (cp >= 0xA0 && cp <= 0xFF))
        return int(cp);
    for (int i = 0; i < 32; ++i) {
        if (kCp1252High[i] == cp)
            return 0x80 + i;
    }
    return -1;
}

// Windows-1252 bytes for UTF-8 text; false when a character has no byte in the code page (it
// becomes "?").
bool encodeAnsi(const uchar* p, const uchar* end, QByteArray& out)
{
    bool lossless = true;
    out.resize(end - p);
    char* o = out.data();
    while (p < end) {
        if (*p < 0x80) {
            *o++ = char(*p++);
            continue;
        }
        const int byte = ansiByte(nextCodePoint(p, end));
        lossless = lossless && byte >= 0;
        *o++ = byte >= 0 ? char(byte) : '?';
    }
    out.truncate(o - out.constData());
    return lossless;
}

// The bytes of word equal to c, each marked by its top bit (exact: no carries between bytes).
quint64 bytesEqual(quint64 word, uchar c)
{
    const quint64 x = word ^ (0x0101010101010101ULL * c);
    const quint64 low7 = 0x7F7F7F7F7F7F7F7FULL;
    return ~(((x & low7) + low7) | x | low7);
}

// How many bytes bytesEqual marked (the baseline x86-64 instruction set has no popcount).
qsizetype marked(quint64 marks) { return qsizetype(((marks >> 7) * 0x0101010101010101ULL) >> 56); }

ScriptFile::LineBreak dominantLineBreak(const QByteArray& text)
{
    // Counted eight bytes at a time: a whole script is scanned after every open. CR LF pairs are
    // counted once, so CR and LF below are the lone ones.
    qsizetype crCount = 0, lfCount = 0, crlf = 0;
    const char* p = text.constData();
    const qsizetype n = text.size();
    qsizetype i = 0;
    bool crBefore = false; // the byte before i is CR
    for (; i + 8 <= n; i += 8) {
        quint64 word;
        std::memcpy(&word, p + i, sizeof word);
        // Byte k of the text in bits 8k..8k+7, whatever the machine's byte order.
        if constexpr (Q_BYTE_ORDER == Q_BIG_ENDIAN)
            word = qbswap(word);
        const quint64 cr = bytesEqual(word, '\r');
        const quint64 lf = bytesEqual(word, '\n');
        if ((cr | lf) == 0) { // most words of a script
            crBefore = false;
            continue;
        }
        crCount += marked(cr);
        lfCount += marked(lf);
        crlf += marked((cr << 8) & lf) + ((crBefore && (lf & 0x80)) ? 1 : 0);
        crBefore = (cr >> 63) != 0;
    }
    for (; i < n; ++i) {
        crCount += p[i] == '\r';
        lfCount += p[i] == '\n';
        crlf += crBefore && p[i] == '\n';
        crBefore = p[i] == '\r';
    }
    const qsizetype cr = crCount - crlf, lf = lfCount - crlf;
    if (crlf >= lf && crlf >= cr)
        return ScriptFile::LineBreak::CrLf;
    return lf >= cr ? ScriptFile::LineBreak::Lf : ScriptFile::LineBreak::Cr;
}

QString nativePath(const QString& path)
{
    return QDir::toNativeSeparators(path);
}

} // namespace

namespace {

ScriptFile::Encoding detectBytes(const uchar* p, qsizetype n)
{
    using Encoding = ScriptFile::Encoding;
    bool asciiOnly = true;
    if (n >= 3 && p[0] == 0xEF && p[1] == 0xBB && p[2] == 0xBF && checkUtf8(p + 3, n - 3, asciiOnly))
        return Encoding::Utf8Bom;
    if (n >= 2 && ((p[0] == 0xFF && p[1] == 0xFE) || (p[0] == 0xFE && p[1] == 0xFF))) {
        const bool bigEndian = p[0] == 0xFE;
        if (plausibleUtf16(p + 2, n - 2, bigEndian))
            return bigEndian ? Encoding::Utf16BE : Encoding::Utf16LE;
        return Encoding::Ansi;
    }
    if (checkUtf8(p, n, asciiOnly, true) && !asciiOnly)
        return Encoding::Utf8;
    return Encoding::Ansi;
}

} // namespace

ScriptFile::Encoding ScriptFile::detect(QByteArrayView bytes)
{
    return detectBytes(reinterpret_cast<const uchar*>(bytes.data()), bytes.size());
}

ScriptFile ScriptFile::decode(const QByteArray& bytes, QByteArray& utf8)
{
    ScriptFile file;
    const uchar* p = reinterpret_cast<const uchar*>(bytes.constData());
    const qsizetype n = bytes.size();
    file.encoding_ = detectBytes(p, n);
    switch (file.encoding_) {
    case Encoding::Utf8Bom:
        utf8 = bytes.sliced(3);
        break;
    case Encoding::Utf8:
        utf8 = bytes;
        break;
    case Encoding::Utf16LE:
    case Encoding::Utf16BE:
        decodeUtf16(p + 2, n - 2, file.encoding_ == Encoding::Utf16BE, utf8);
        break;
    case Encoding::Ansi: {
        // Plain ASCII is the same in UTF-8: share the bytes instead of converting them.
        bool plain = true;
        checkUtf8(p, n, plain);
        utf8 = plain ? bytes : decodeAnsi(bytes);
        break;
    }
    }
    file.lineBreak_ = dominantLineBreak(utf8);
    return file;
}

ScriptFile::Encoded ScriptFile::encode(const char* utf8, qsizetype length) const
{
    const uchar* p = reinterpret_cast<const uchar*>(utf8);
    const uchar* end = p + length;
    Encoded result{{}, {}, encoding_, true};
    switch (encoding_) {
    case Encoding::Ansi: {
        bool asciiOnly = true;
        checkUtf8(p, length, asciiOnly);
        if (asciiOnly)
            result.body = QByteArray::fromRawData(utf8, length);
        else
            result.lossless = encodeAnsi(p, end, result.body);
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

bool ScriptFile::readsBack(const Encoded& encoded)
{
    if (!encoded.lossless)
        return false;
    const uchar* body = reinterpret_cast<const uchar*>(encoded.body.constData());
    const qsizetype n = encoded.body.size();
    bool asciiOnly = true;
    switch (encoded.encoding) {
    case Encoding::Utf8Bom:
        return checkUtf8(body, n, asciiOnly);
    case Encoding::Utf16LE:
    case Encoding::Utf16BE:
        return plausibleUtf16(body, n, encoded.encoding == Encoding::Utf16BE);
    case Encoding::Ansi:
    case Encoding::Utf8:
        break;
    }
    const Encoding found = detectBytes(body, n);
    if (found == encoded.encoding)
        return true;
    // ASCII reads back as ANSI, which is the same text.
    return found == Encoding::Ansi && encoded.encoding == Encoding::Utf8 && checkUtf8(body, n, asciiOnly) &&
           asciiOnly;
}

ScriptFile::SaveQuestion ScriptFile::saveQuestion(const char* utf8, qsizetype length) const
{
    const Encoded encoded = encode(utf8, length);
    if (readsBack(encoded))
        return {};
    const uchar* p = reinterpret_cast<const uchar*>(utf8);
    const uchar* end = p + length;
    ScriptFile asUtf8;
    asUtf8.encoding_ = Encoding::Utf8;
    SaveQuestion question;
    question.keepsText = encoding_ != Encoding::Utf8 && readsBack(asUtf8.encode(utf8, length))
                             ? Encoding::Utf8
                             : Encoding::Utf8Bom;
    const QString instead = QStringLiteral("Save it as %1 instead? Cancel leaves it unsaved.")
                                .arg(encodingName(question.keepsText));
    if (!encoded.lossless) {
        int line = 1;
        while (p < end) {
            const uchar* at = p;
            const char32_t cp = nextCodePoint(p, end);
            if (cp == '\n' || (cp == '\r' && (p == end || *p != '\n')))
                ++line;
            if (ansiByte(cp) >= 0)
                continue;
            question.text = QStringLiteral("Line %1 holds \"%2\" (U+%3), which Windows-1252, this script's "
                                           "encoding, cannot store.\r\n")
                                .arg(line)
                                .arg(QString::fromUtf8(reinterpret_cast<const char*>(at), p - at))
                                .arg(QString::number(uint(cp), 16).toUpper().rightJustified(4, QLatin1Char('0'))) +
                            instead;
            break;
        }
    } else {
        question.text = QStringLiteral("Saved as %1, this script would reopen as different text.\r\n")
                            .arg(encodingName(encoding_)) +
                        instead;
    }
    return question;
}

QString ScriptFile::fitted(const QString& text) const
{
    if (encoding_ != Encoding::Ansi)
        return text;
    QString result;
    result.reserve(text.size());
    for (char32_t cp : text.toUcs4())
        result += ansiByte(cp) >= 0 ? QString::fromUcs4(&cp, 1) : QStringLiteral("?");
    return result;
}

QString ScriptFile::encodingName(Encoding encoding)
{
    switch (encoding) {
    case Encoding::Ansi:
        return QStringLiteral("Windows-1252");
    case Encoding::Utf8:
        return QStringLiteral("UTF-8");
    case Encoding::Utf8Bom:
        return QStringLiteral("UTF-8 with a byte-order mark");
    case Encoding::Utf16LE:
    case Encoding::Utf16BE:
        break;
    }
    return QStringLiteral("UTF-16");
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

namespace {

// The file, or the text it becomes, is over the limit.
FileError tooLarge(const QString& path, qint64 bytes)
{
    return {FileError::Other,
            QStringLiteral("%1 is too large to open (%2 MB).").arg(nativePath(path)).arg(bytes / (1024 * 1024))};
}

// The length in UTF-8 of a UTF-16 body.
qint64 utf16Utf8Length(const uchar* p, qsizetype n, bool bigEndian)
{
    qint64 length = 0;
    for (qsizetype i = 0; i + 1 < n; i += 2) {
        const char16_t unit = bigEndian ? char16_t((p[i] << 8) | p[i + 1]) : char16_t((p[i + 1] << 8) | p[i]);
        // A surrogate pair makes 4 bytes, 2 for each half.
        length += unit < 0x80 ? 1 : unit < 0x800 || (unit >= 0xD800 && unit <= 0xDFFF) ? 2 : 3;
    }
    return length;
}

// Opens a regular file for reading, with the messages read and stream give.
FileError openForReading(const QString& path, QFile& file)
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
    file.setFileName(path);
    if (!file.open(QIODevice::ReadOnly))
        return {FileError::Other,
                QStringLiteral("%1 cannot be opened: %2").arg(nativePath(path), file.errorString())};
    if (file.size() > ScriptFile::MaxFileSize)
        return tooLarge(path, file.size());
    return {};
}

FileError readFailed(const QString& path, const QFile& file)
{
    return {FileError::Other, QStringLiteral("%1 cannot be read: %2").arg(nativePath(path), file.errorString())};
}

// Bytes at the end of a block that start a UTF-8 sequence the block does not finish.
qsizetype unfinishedTail(const char* p, qsizetype n)
{
    for (qsizetype k = 1; k <= 3 && k <= n; ++k) {
        const uchar c = uchar(p[n - k]);
        if (c < 0x80)
            return 0;
        if (c >= 0xC0) {
            const qsizetype need = c >= 0xF0 ? 4 : c >= 0xE0 ? 3 : 2;
            return need > k ? k : 0;
        }
    }
    return 0;
}

// How many more bytes the text has in UTF-8 than in Windows-1252.
qsizetype ansiExtraBytes(const char* p, qsizetype n)
{
    qsizetype extra = 0;
    const uchar* u = reinterpret_cast<const uchar*>(p);
    for (qsizetype i = 0; i < n; ++i) {
        while (i + 8 <= n && !hasHighBit8(u + i))
            i += 8;
        if (i >= n)
            break;
        const uchar c = uchar(p[i]);
        if (c < 0x80)
            continue;
        const char32_t cp = c < 0xA0 ? kCp1252High[c - 0x80] : char32_t(c);
        extra += cp < 0x800 ? 1 : 2;
    }
    return extra;
}

} // namespace

FileError ScriptFile::read(const QString& path, QByteArray& bytes)
{
    QFile file;
    if (FileError error = openForReading(path, file); !error.ok())
        return error;
    const qint64 size = file.size();
    QByteArray data = file.readAll();
    if (file.error() != QFileDevice::NoError || data.size() != size)
        return readFailed(path, file);
    bytes = std::move(data);
    return {};
}

FileError ScriptFile::stream(const QString& path, ScriptFile& format, const std::function<void(qint64)>& begin,
                             const std::function<void(QByteArrayView)>& append, qint64 maxText, qint64 blockBytes)
{
    QFile file;
    if (FileError error = openForReading(path, file); !error.ok())
        return error;
    const QByteArray head = file.peek(3);
    const uchar* h = reinterpret_cast<const uchar*>(head.constData());
    if (head.size() >= 2 && ((h[0] == 0xFF && h[1] == 0xFE) || (h[0] == 0xFE && h[1] == 0xFF))) {
        // UTF-16 is rare in scripts: read whole.
        QByteArray bytes;
        if (FileError error = read(path, bytes); !error.ok())
            return error;
        const uchar* b = reinterpret_cast<const uchar*>(bytes.constData());
        const qint64 length = detect(bytes) == Encoding::Ansi ? bytes.size() + ansiExtraBytes(bytes.constData(), bytes.size())
                                                              : utf16Utf8Length(b + 2, bytes.size() - 2, b[0] == 0xFE);
        if (length > maxText)
            return tooLarge(path, length);
        QByteArray utf8;
        format = decode(bytes, utf8);
        bytes = QByteArray();
        begin(utf8.size());
        append(utf8);
        return {};
    }
    const bool bom = head.size() == 3 && h[0] == 0xEF && h[1] == 0xBB && h[2] == 0xBF;

    // First pass: is it UTF-8 throughout, is it plain ASCII, and how long is it as Windows-1252
    // decoded to UTF-8 (so the control can take it without growing its buffer on the way)?
    bool valid = true;
    bool asciiOnly = true;
    qint64 total = 0;
    qint64 ansiExtra = 0;
    QByteArray block;
    qsizetype carried = 0;
    for (;;) {
        block.resize(carried + blockBytes);
        const qint64 n = file.read(block.data() + carried, blockBytes);
        if (n < 0)
            return readFailed(path, file);
        total += n;
        ansiExtra += ansiExtraBytes(block.constData() + carried, qsizetype(n));
        const qsizetype size = carried + qsizetype(n);
        const qsizetype tail = n == 0 || !valid ? 0 : unfinishedTail(block.constData(), size);
        bool ascii = true;
        // Without a mark, UTF-8 counts only when every character is one people write.
        if (valid && !checkUtf8(reinterpret_cast<const uchar*>(block.constData()), size - tail, ascii, !bom))
            valid = false;
        asciiOnly = asciiOnly && ascii;
        if (n == 0)
            break;
        std::memmove(block.data(), block.constData() + size - tail, size_t(tail));
        carried = tail;
    }
    const bool convert = !valid; // ANSI with bytes above 127
    const qint64 length = convert ? total + ansiExtra : valid && bom ? total - 3 : total;
    // The control addresses its text with 32-bit positions: the text must fit as well as the file.
    if (length > maxText)
        return tooLarge(path, length);
    format = ScriptFile();
    format.encoding_ = valid && bom ? Encoding::Utf8Bom : valid && !asciiOnly ? Encoding::Utf8 : Encoding::Ansi;

    // Second pass: the text, block by block.
    if (!file.seek(valid && bom ? 3 : 0))
        return readFailed(path, file);
    begin(length);
    for (;;) {
        block.resize(blockBytes);
        const qint64 n = file.read(block.data(), blockBytes);
        if (n < 0)
            return readFailed(path, file);
        if (n == 0)
            break;
        block.truncate(n);
        append(convert ? QByteArrayView(decodeAnsi(block)) : QByteArrayView(block));
    }
    return {};
}

void ScriptFile::setLineBreakFrom(const QByteArray& utf8) { lineBreak_ = dominantLineBreak(utf8); }
